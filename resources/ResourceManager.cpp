#include "resources/ResourceManager.h"

#include <iostream>
#include <new>

ResourceManager* resourceManager = nullptr;

namespace {

// The three kinds differ only in their log word and in what a failed load leaves: a texture's says
// "Failed to load" and records nothing, a mesh's or a shader's records -1 under its name silently.
template <typename T, typename Loader>
int32_t getOrLoad(Registry<T>& registry, const std::string& name, const char* addingLine, bool recordFailure,
                  Loader load) {
    const auto found = registry.objectsByName.find(name);
    if (found == registry.objectsByName.end()) {
        std::cout << addingLine << name << " (first request)" << std::endl;
        const int32_t id = load();
        if (id == -1 && !recordFailure) {
            std::cout << "Failed to load " << name << " on the ID map" << std::endl;
            return -1;
        }
        registry.idsByName.emplace(name, id);
        return id;
    }
    const auto recorded = registry.idsByName.find(name);
    if (recorded != registry.idsByName.end()) {
        return recorded->second;
    }
    std::cout << "Failed to find " << name << " on the ID map" << std::endl;
    for (size_t slot = 0; slot < registry.slots.size(); ++slot) {
        if (registry.slots[slot] == found->second) {
            return static_cast<int32_t>(slot);
        }
    }
    return -1;
}

template <typename T>
T* slotById(const Registry<T>& registry, int32_t id) {
    if (id < 0 || static_cast<size_t>(id) >= registry.slots.size()) {
        return nullptr;
    }
    return registry.slots[static_cast<size_t>(id)];
}

}  // namespace

ResourceManager* ResourceManager::getInstance() {
    static ResourceManager* instance = new (std::nothrow) ResourceManager();
    return instance;
}

int32_t ResourceManager::getMeshId(const std::string& name) {
    return getOrLoad(meshes, name, "Adding Mesh: ", true, [&] { return loadObjMesh(name); });
}

int32_t ResourceManager::getTextureId(const std::string& name, TextureFilter filter) {
    return getOrLoad(textures, name, "Adding Texture Graphic ", false, [&] { return loadTexture(name, filter); });
}

int32_t ResourceManager::getShaderId(const std::string& name, ShaderKind kind) {
    return getOrLoad(shaders, name, "Adding Shader: ", true, [&] {
        if (shaderFactory == nullptr) {
            std::cerr << "** Imposible crear Shader: " << name << std::endl;
            return -1;
        }
        Shader* shader = shaderFactory(name, kind);
        return shader != nullptr ? registerObject(shaders, name, shader) : -1;
    });
}

int32_t ResourceManager::getShaderIdQuietly(const std::string& name, ShaderKind kind) {
    const auto recorded = shaders.idsByName.find(name);
    if (recorded != shaders.idsByName.end()) {
        return recorded->second;
    }
    Shader* shader = shaderFactory != nullptr ? shaderFactory(name, kind) : nullptr;
    const int32_t id = shader != nullptr ? registerObject(shaders, name, shader) : -1;
    shaders.idsByName.emplace(name, id);
    return id;
}

MeshRecord* ResourceManager::meshById(int32_t id) const { return slotById(meshes, id); }

TextureRecord* ResourceManager::textureById(int32_t id) const { return slotById(textures, id); }

Shader* ResourceManager::shaderById(int32_t id) const { return slotById(shaders, id); }
