#include "engine/Shader.h"

#include "resources/GL.h"

#include "base/FileBytes.h"
#include "engine/Engine.h"
#include "resources/ResourceManager.h"

namespace {

// Hand-written sources are a few kilobytes; even a generated one would not come near this, and a
// driver asked to compile a gigabyte would take the show down with it.
constexpr uint64_t MAX_SHADER_SOURCE_BYTES = 1024 * 1024;

// The whole file, or false with a line saying why not.
bool readSource(const std::string& path, std::string& source, std::string& log) {
    uint64_t size = 0;
    const FileRead result = readFileBytes(path, MAX_SHADER_SOURCE_BYTES, source, size);
    if (result == FileRead::Read) {
        return true;
    }
    const std::string reason = fileReadReason(result, size, MAX_SHADER_SOURCE_BYTES);
    log = "cannot read " + path + (reason.empty() ? "" : ": " + reason) + "\n";
    return false;
}

void appendLog(std::string& log, const char* heading, const std::string& text) {
    if (text.empty()) {
        return;
    }
    log += heading;
    log += ":\n";
    log += text;
    if (log.back() != '\n') {
        log += '\n';
    }
}

// The driver's message for a shader (isProgram false) or a program object.
std::string objectLog(GLuint object, bool isProgram) {
    GLint length = 0;
    if (isProgram) {
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    } else {
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    }
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(length), '\0');
    GLsizei written = 0;
    if (isProgram) {
        glGetProgramInfoLog(object, length, &written, &text[0]);
    } else {
        glGetShaderInfoLog(object, length, &written, &text[0]);
    }
    text.resize(static_cast<size_t>(written));
    return text;
}

std::string compileLog(GLuint shader) {
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status == GL_TRUE ? std::string() : objectLog(shader, false);
}

}  // namespace

std::string glslWithVariant(const std::string& source, const std::string& variant) {
    if (variant.empty()) {
        return source;
    }
    const std::string define = "#define " + variant + "\n";
    const size_t versionEnd = source.compare(0, 8, "#version") == 0 ? source.find('\n') : std::string::npos;
    if (versionEnd == std::string::npos) {
        return define + "#line 1\n" + source;
    }
    return source.substr(0, versionEnd + 1) + define + "#line 2\n" + source.substr(versionEnd + 1);
}

namespace {

GLuint compileStage(GLenum type, const std::string& source) {
    const GLuint shader = glCreateShader(type);
    const std::string esSource = GL_IS_ES ? glslForEs(source) : std::string();
    const char* text = GL_IS_ES ? esSource.c_str() : source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
}

// Builds a program from the two source files of `shaderName`; 0 with the reasons in `log`.
GLuint buildProgram(const std::string& shaderName, std::string& log) {
    std::string vertexSource;
    std::string fragmentSource;
    if (!readSource(shaderSourcePath(shaderName, ".vertex"), vertexSource, log) ||
        !readSource(shaderSourcePath(shaderName, ".fragment"), fragmentSource, log)) {
        return 0;
    }

    const size_t colon = shaderName.find(':');
    const std::string variant = colon == std::string::npos ? std::string() : shaderName.substr(colon + 1);
    GLuint program = glCreateProgram();
    const GLuint vertexShader = compileStage(GL_VERTEX_SHADER, glslWithVariant(vertexSource, variant));
    const GLuint fragmentShader = compileStage(GL_FRAGMENT_SHADER, glslWithVariant(fragmentSource, variant));
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        appendLog(log, "vertex stage", compileLog(vertexShader));
        appendLog(log, "fragment stage", compileLog(fragmentShader));
        appendLog(log, "link", objectLog(program, true));
        if (log.empty()) {
            log = "linking failed without a message\n";
        }
        glDeleteProgram(program);
        program = 0;
    }
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    return program;
}

}  // namespace

std::string glslForEs(const std::string& source) {
    // Fragment shaders have no default float precision in ES; highp matches the desktop's floats.
    const char* header = "#version 300 es\nprecision highp float;\nprecision highp int;\nprecision highp sampler2D;\n";
    size_t start = 0;
    while (start < source.size() && (source[start] == ' ' || source[start] == '\t')) {
        ++start;
    }
    if (source.compare(start, 8, "#version") != 0) {
        return header + std::string("#line 1\n") + source;
    }
    const size_t end = source.find('\n', start);
    if (end == std::string::npos) {
        return header;
    }
    return header + std::string("#line 2\n") + source.substr(end + 1);
}

std::string shaderSourcePath(const std::string& shaderName, const char* extension) {
    return "Assets/Shaders/" + shaderName.substr(0, shaderName.find(':')) + extension;
}

void Shader::load(const char* shaderName) {
    if (ready) {
        return;
    }
    ready = false;
    infoLog.clear();
    program = buildProgram(shaderName, infoLog);
    if (program == 0) {
        return;
    }
    adoptProgram(program);
    ready = true;
    name = shaderName;
}

bool Shader::reload() {
    std::string log;
    const GLuint rebuilt = buildProgram(name, log);
    if (rebuilt == 0) {
        infoLog = log;
        return false;
    }
    glDeleteProgram(program);
    adoptProgram(rebuilt);
    infoLog.clear();
    return true;
}

void Shader::adoptProgram(uint32_t built) {
    program = built;
    glUseProgram(program);
    locations.resize(UNIFORM_SLOT_COUNT, -1);
    bindUniformLocations();
    glUseProgram(0);
}

void Shader::lookUp(UniformSlot slot, const char* uniform) {
    locations[static_cast<size_t>(slot)] = glGetUniformLocation(program, uniform);
}

int32_t Shader::location(UniformSlot slot) const {
    const auto index = static_cast<size_t>(slot);
    return index < locations.size() ? locations[index] : -1;
}

void Shader::bindUniformLocations() {
    lookUp(UniformSlot::Model, "model");
    lookUp(UniformSlot::View, "view");
    lookUp(UniformSlot::Projection, "projection");
}

void Shader::draw(float /*globalTime*/, const MusicSnapshot& /*music*/) {}

void Shader::use() const {
    if (ready) {
        glUseProgram(program);
    }
}

void ShaderColor::bindUniformLocations() {
    Shader::bindUniformLocations();
    lookUp(UniformSlot::Color, "color");
}

void ShaderTexture::bindUniformLocations() {
    Shader::bindUniformLocations();
    lookUp(UniformSlot::Color, "color");
    lookUp(UniformSlot::ColorAdd, "colorAdd");
    lookUp(UniformSlot::Textura, "textura");
    lookUp(UniformSlot::Flip, "flip");
    lookUp(UniformSlot::TexClamp, "texClamp");
}

void ShaderTexture3D::bindUniformLocations() {
    Shader::bindUniformLocations();
    lookUp(UniformSlot::Color, "color");
    lookUp(UniformSlot::ColorAdd, "colorAdd");
    lookUp(UniformSlot::Textura, "textura");
    lookUp(UniformSlot::Flip, "flip");
}

void ShaderPlaneMusic::bindUniformLocations() {
    Shader::bindUniformLocations();
    lookUp(UniformSlot::Color, "color");
    lookUp(UniformSlot::Heightmap, "heightmap");
    lookUp(UniformSlot::FactorMap, "factorMap");
}

void ShaderEffect::load(const char* shaderName) {
    Shader::load(shaderName);
    if (vertexArray == 0) {
        glGenVertexArrays(1, &vertexArray);
    }
    resolution = {static_cast<float>(SCREEN_WIDTH), static_cast<float>(SCREEN_HEIGHT)};
}

void ShaderEffect::bindUniformLocations() {
    locGlobalTime = glGetUniformLocation(program, "fGlobalTime");
    locResolution = glGetUniformLocation(program, "v2Resolution");
    locModData = glGetUniformLocation(program, "MODData");
    const char* textureUniforms[4] = {"texTex1", "texTex2", "texTex3", "texTex4"};
    for (int k = 0; k < 4; ++k) {
        locTex[k] = glGetUniformLocation(program, textureUniforms[k]);
    }
    const char* bakedUniforms[BAKED_LAYER_SLOTS] = {"texBaked1", "texBaked2"};
    for (int k = 0; k < BAKED_LAYER_SLOTS; ++k) {
        locBaked[k] = glGetUniformLocation(program, bakedUniforms[k]);
    }
}

void ShaderEffect::draw(float globalTime, const MusicSnapshot& music) {
    // Baking draws with the layer's own program, so it comes before this one is made current.
    for (BakedLayer& layer : bakedLayers) {
        refreshBakedLayer(layer, music);
    }
    use();
    glUniform1f(locGlobalTime, globalTime);
    glUniform2fv(locResolution, 1, &resolution.x);
    if (locModData != -1) {
        int32_t values[MUSIC_DATA_COUNT];
        musicDataValues(music, values);
        glUniform1iv(locModData, MUSIC_DATA_COUNT, values);
    }
    bindBakedLayers();
    if (textureCount >= 1 && textureCount <= 4) {
        // Unit 0 goes last, so its blend mode is the one left in force.
        for (int32_t k = textureCount - 1; k >= 0; --k) {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(k));
            const TextureRecord* record = resourceManager->textureById(textures[k]);
            glBindTexture(GL_TEXTURE_2D, record != nullptr ? record->texture : 0);
            if (record != nullptr) {
                applyBlendMode(record->blendMode);
            }
            glUniform1i(locTex[k], k);
        }
    }
    glBindVertexArray(vertexArray);
    glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, stripVertices, stripInstances);
    glBindVertexArray(0);
    if (nextBand != nullptr) {
        nextBand->draw(globalTime, music);
    }
}

void ShaderEffect::bindBakedLayers() const {
    for (int32_t k = 0; k < BAKED_LAYER_SLOTS; ++k) {
        const TextureRecord* target = resourceManager->textureById(bakedLayers[k].target);
        if (target == nullptr) {
            continue;
        }
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(BAKED_LAYER_FIRST_UNIT + k));
        glBindTexture(GL_TEXTURE_2D, target->texture);
        glUniform1i(locBaked[k], BAKED_LAYER_FIRST_UNIT + k);
    }
    glActiveTexture(GL_TEXTURE0);
}

void applyBlendMode(int32_t blendMode) {
    switch (blendMode) {
    case BlendAdditive:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
    case BlendMultiply:
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        break;
    case BlendAlpha:
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE);
        break;
    default:
        break;
    }
}

ShaderEffect* effectById(int32_t id) { return dynamic_cast<ShaderEffect*>(resourceManager->shaderById(id)); }
