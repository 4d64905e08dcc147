#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "resources/MeshRecord.h"
#include "resources/ShaderKind.h"
#include "resources/TextureRecord.h"

class Shader;

// Builds and loads a program of the given kind; null after saying why on the console.
// The shader classes live above the registry, so the engine hands it their factory.
using ShaderFactory = Shader* (*)(const std::string& name, ShaderKind kind);

// Objects of one kind by name and by id; ids are slot indices, consecutive from 0.
template <typename T>
struct Registry {
    std::map<std::string, T*> objectsByName;
    std::vector<T*> slots;
    std::map<std::string, int32_t> idsByName;
    int32_t nextSlot = 0;
};

// Loads every asset once by name and hands out ids; nothing is ever unloaded.
class ResourceManager {
public:
    static ResourceManager* getInstance();

    int32_t getMeshId(const std::string& name);
    int32_t getTextureId(const std::string& name, TextureFilter filter = FilterNearest);
    int32_t getShaderId(const std::string& name, ShaderKind kind);
    // As getShaderId without the "Adding Shader: " line, for programs the show builds beside the
    // ones it names on the console; a failed build is still reported.
    int32_t getShaderIdQuietly(const std::string& name, ShaderKind kind);
    int32_t createRenderTarget(const std::string& name, uint16_t width, uint16_t height, bool repeat);

    MeshRecord* meshById(int32_t id) const;
    TextureRecord* textureById(int32_t id) const;
    Shader* shaderById(int32_t id) const;

    template <typename T>
    int32_t registerObject(Registry<T>& registry, const std::string& name, T* object) {
        registry.objectsByName.emplace(name, object);
        registry.slots.push_back(object);
        ++registry.nextSlot;
        return static_cast<int32_t>(registry.slots.size() - 1);
    }

    ShaderFactory shaderFactory = nullptr;
    Registry<TextureRecord> textures;
    Registry<Shader> shaders;
    Registry<MeshRecord> meshes;
};

extern ResourceManager* resourceManager;

// Loaders called by the get-or-load operations on a first request; each registers
// what it made and returns the new id, or -1.
int32_t loadTexture(const std::string& path, TextureFilter filter);
int32_t loadObjMesh(const std::string& path);
