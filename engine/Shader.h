#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/MathTypes.h"
#include "base/MusicSnapshot.h"
#include "engine/BakedLayer.h"

// Index into Shader::locations.
enum class UniformSlot : int32_t {
    Model = 0,
    View = 1,
    Projection = 2,
    Color = 3,
    ColorAdd = 4,
    Textura = 5,
    Flip = 6,
    TexClamp = 7,
    Heightmap = 11,
    FactorMap = 12,
};

constexpr int32_t UNIFORM_SLOT_COUNT = 13;

// A GLSL 330 core source as GLSL ES 3.00 for WebGL 2: the version line becomes "#version 300 es"
// with default precisions, and a #line directive keeps the driver's line numbers those of the file.
// A source without a version line gets the header in front.
std::string glslForEs(const std::string& source);

// The source with "#define <variant>" after its version line (nothing added for no variant); a
// #line keeps the driver's line numbers those of the file.
std::string glslWithVariant(const std::string& source, const std::string& variant);

// A GLSL program built from "Assets/Shaders/<name>.vertex" and ".fragment". A name "<file>:<VARIANT>"
// builds the files of <file> with VARIANT defined in both stages: one source, several programs
// specialised at compile time (the software rasteriser pays for both sides of every branch).
class Shader {
public:
    virtual ~Shader() = default;
    virtual void load(const char* name);
    virtual void bindUniformLocations();
    // Draws with the show's time in seconds and the music of this frame; only effects draw alone.
    virtual void draw(float globalTime, const MusicSnapshot& music);

    // Builds the program again from its files, for a source edited while the show runs. On
    // success the new program replaces the old one in this same object and its uniform locations
    // are looked up again; on failure the old program stays and `infoLog` says why.
    bool reload();

    // Makes the program current when it is ready; otherwise the bound program stays.
    void use() const;
    int32_t location(UniformSlot slot) const;

    uint32_t program = 0;
    bool ready = false;
    std::vector<int32_t> locations;
    std::string name;
    // Compiler and linker messages of a failed build, for the factory to report.
    std::string infoLog;

protected:
    void lookUp(UniformSlot slot, const char* uniform);

private:
    // Takes a linked program and looks up its uniform locations.
    void adoptProgram(uint32_t built);
};

class ShaderColor : public Shader {
public:
    void bindUniformLocations() override;
};

class ShaderTexture : public Shader {
public:
    void bindUniformLocations() override;
};

class ShaderTexture3D : public Shader {
public:
    void bindUniformLocations() override;
};

class ShaderPlaneMusic : public Shader {
public:
    void bindUniformLocations() override;
};

// Baked layers an effect may sample, on the texture units after its four inputs.
constexpr int32_t BAKED_LAYER_SLOTS = 2;
constexpr int32_t BAKED_LAYER_FIRST_UNIT = 4;

// A full-screen procedural effect driven by time, the music, up to four textures and up to two
// baked layers (drawn again first when the music's state they depend on changed).
class ShaderEffect : public Shader {
public:
    void load(const char* name) override;
    void bindUniformLocations() override;
    void draw(float globalTime, const MusicSnapshot& music) override;

    Vec2 resolution{0.0f, 0.0f};
    int32_t locGlobalTime = 0;
    int32_t locResolution = 0;
    int32_t locModData = 0;
    int32_t locTex[4] = {0, 0, 0, 0};
    int32_t textureCount = 0;
    int32_t textures[4] = {0, 0, 0, 0};
    uint32_t vertexArray = 0;
    // The vertex stage makes its shapes from the vertex and instance index alone: a full-screen
    // effect is one strip of 4 vertices; an effect that hugs its shapes draws more, and more of them.
    int32_t stripVertices = 4;
    int32_t stripInstances = 1;
    BakedLayer bakedLayers[BAKED_LAYER_SLOTS];
    int32_t locBaked[BAKED_LAYER_SLOTS] = {-1, -1};
    // The program that draws the next band of the screen after this one (each vertex stage places
    // its own band), with the same time and music, so that each part of a picture costs only where
    // it shows; null when this program covers the rest of the screen.
    ShaderEffect* nextBand = nullptr;

private:
    void bindBakedLayers() const;
};

// The effect program registered under `id`; null when there is none or it is not an effect.
ShaderEffect* effectById(int32_t id);

// "Assets/Shaders/<file><extension>": the file a program's ".vertex" or ".fragment" stage is read
// from, the variant of a "<file>:<VARIANT>" name left out.
std::string shaderSourcePath(const std::string& shaderName, const char* extension);

// The one mapping from a texture's blend mode to GL blend state.
void applyBlendMode(int32_t blendMode);
