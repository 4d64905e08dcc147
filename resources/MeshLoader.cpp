#include <iostream>

#include <glad/gl.h>

#include "resources/ObjMesh.h"
#include "resources/ResourceManager.h"

namespace {

GLsizeiptr byteSize(const std::vector<float>& values) {
    return static_cast<GLsizeiptr>(values.size() * sizeof(float));
}

GLsizeiptr byteSize(const std::vector<uint32_t>& values) {
    return static_cast<GLsizeiptr>(values.size() * sizeof(uint32_t));
}

MeshRecord* uploadMesh(const ObjMeshData& data) {
    auto* record = new MeshRecord();
    record->kind = data.kind;
    glGenVertexArrays(1, &record->vertexArray);
    glBindVertexArray(record->vertexArray);
    glGenBuffers(1, &record->vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, record->vertexBuffer);
    if (data.kind != MeshNone) {
        const bool textured = data.kind == MeshTexturedTriangles;
        const GLsizei stride = textured ? 20 : 12;
        glBufferData(GL_ARRAY_BUFFER, byteSize(data.vertices), data.vertices.data(), GL_STATIC_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
        if (textured) {
            glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(12));
        }
    }
    glGenBuffers(1, &record->elementBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, record->elementBuffer);
    if (data.kind != MeshNone) {
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, byteSize(data.elements), data.elements.data(), GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        if (data.kind == MeshTexturedTriangles) {
            glEnableVertexAttribArray(1);
        }
        record->elementCount = static_cast<int32_t>(data.elements.size());
    }
    glBindVertexArray(0);
    return record;
}

}  // namespace

int32_t loadObjMesh(const std::string& path) {
    TextFile file(path, "r");
    if (!file.isOpen()) {
        std::cerr << "** Imposible crear Mesh: " << path << std::endl;
        return -1;
    }
    ObjMeshData data;
    std::string error;
    const bool parsed = parseObj(file.stream(), data, error);
    file.close();
    if (!parsed) {
        std::cerr << "** Imposible crear Mesh: " << path << std::endl;
        std::cerr << "    " << path << ": " << error << std::endl;
        return -1;
    }
    return resourceManager->registerObject(resourceManager->meshes, path, uploadMesh(data));
}
