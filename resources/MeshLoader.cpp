#include <iostream>

#include "resources/GL.h"

#include "resources/ObjMesh.h"
#include "resources/ResourceManager.h"

namespace {

// More than twice a 500,000-triangle textured model as exporters write it (51 MB); the show's own are
// tens of kilobytes. The parsed lists take about as much again.
constexpr uint64_t MAX_MESH_FILE_BYTES = 128 * 1024 * 1024;

GLsizeiptr byteSize(const std::vector<float>& values) { return static_cast<GLsizeiptr>(values.size() * sizeof(float)); }

GLsizeiptr byteSize(const std::vector<uint32_t>& values) {
    return static_cast<GLsizeiptr>(values.size() * sizeof(uint32_t));
}

// A second vertex array on the same vertices whose elements are the triangles' edges.
void addLineList(MeshRecord& record, const ObjMeshData& data) {
    const std::vector<uint32_t> edges = triangleEdges(data.elements);
    const GLsizei stride = data.kind == MeshTexturedTriangles ? 20 : 12;
    glGenVertexArrays(1, &record.lineVertexArray);
    glBindVertexArray(record.lineVertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, record.vertexBuffer);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    glEnableVertexAttribArray(0);
    if (data.kind == MeshTexturedTriangles) {
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(12));
        glEnableVertexAttribArray(1);
    }
    glGenBuffers(1, &record.lineElementBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, record.lineElementBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, byteSize(edges), edges.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);
    record.lineElementCount = static_cast<int32_t>(edges.size());
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
    if (GL_IS_ES && data.kind != MeshNone && data.kind != MeshLines) {
        addLineList(*record, data);
    }
    return record;
}

}  // namespace

std::vector<uint32_t> triangleEdges(const std::vector<uint32_t>& triangles) {
    std::vector<uint32_t> edges;
    edges.reserve(triangles.size() / 3 * 6);
    for (size_t i = 0; i + 2 < triangles.size(); i += 3) {
        const uint32_t a = triangles[i];
        const uint32_t b = triangles[i + 1];
        const uint32_t c = triangles[i + 2];
        edges.insert(edges.end(), {a, b, b, c, c, a});
    }
    return edges;
}

int32_t loadObjMesh(const std::string& path) {
    TextFile file(path, "r", MAX_MESH_FILE_BYTES);
    if (!file.isOpen()) {
        std::cerr << "** Imposible crear Mesh: " << path << std::endl;
        if (!file.refusal().empty()) {
            std::cerr << "    " << path << ": " << file.refusal() << std::endl;
        }
        return -1;
    }
    ObjMeshData data;
    std::string error;
    const bool parsed = parseObj(file.contents(), data, error);
    file.close();
    if (!parsed) {
        std::cerr << "** Imposible crear Mesh: " << path << std::endl;
        std::cerr << "    " << path << ": " << error << std::endl;
        return -1;
    }
    return resourceManager->registerObject(resourceManager->meshes, path, uploadMesh(data));
}
