#include "engine/ShaderFactory.h"

#include <iostream>
#include <sstream>

#include "resources/GL.h"

#include "engine/Shader.h"
#include "resources/ShortQuote.h"

namespace {

Shader* constructShader(ShaderKind kind) {
    switch (kind) {
    case ShaderKindColor:
        return new ShaderColor();
    case ShaderKindTexture:
        return new ShaderTexture();
    case ShaderKindEffect:
        return new ShaderEffect();
    case ShaderKindTexture3D:
        return new ShaderTexture3D();
    case ShaderKindPlaneMusic:
        return new ShaderPlaneMusic();
    }
    return nullptr;
}

// Driver messages quote the source; a damaged file can make them huge.
constexpr size_t LOG_LINE_LIMIT = 160;
constexpr int LOG_LINES_SHOWN = 20;

// The driver's messages, indented under the failure line so they read as its details.
void printIndented(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        if (++count <= LOG_LINES_SHOWN) {
            std::cerr << "    " << shortQuote(line, LOG_LINE_LIMIT) << "\n";
        }
    }
    if (count > LOG_LINES_SHOWN) {
        std::cerr << "    ... and " << count - LOG_LINES_SHOWN << " more lines\n";
    }
    std::cerr.flush();
}

}  // namespace

Shader* buildShader(const std::string& name, ShaderKind kind) {
    Shader* shader = constructShader(kind);
    if (shader == nullptr) {
        std::cerr << "** Imposible crear Shader: " << name << std::endl;
        return nullptr;
    }
    shader->load(name.c_str());
    if (!shader->ready) {
        std::cerr << "** Errores de compilacion del  Shader: " << name << std::endl;
        printIndented(shader->infoLog);
        if (shader->program != 0) {
            glDeleteProgram(shader->program);
        }
        delete shader;
        return nullptr;
    }
    return shader;
}

bool rebuildShader(Shader& shader) {
    if (!shader.reload()) {
        std::cerr << "** Errores de compilacion del  Shader: " << shader.name << std::endl;
        printIndented(shader.infoLog);
        return false;
    }
    std::cout << "Reloaded Shader: " << shader.name << std::endl;
    return true;
}
