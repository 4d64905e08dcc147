#pragma once
// Helpers for the GL tests of the registry, the draw operations and the entities: a private
// Assets/ tree to work in, images written with stb, pixels read in 2D design coordinates,
// and spies that wrap GL entry points to count or record calls.
#include <stb_image_write.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <glad/gl.h>

#include "engine/Engine.h"
#include "support/GlTestContext.h"
#include "support/ScratchFolder.h"

// A full-screen strip made from the vertex index alone, as every effect program must.
inline constexpr const char* STRIP_VERTEX =
    "#version 330 core\n"
    "void main() {\n"
    "    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));\n"
    "    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);\n"
    "}\n";

// A temporary directory with its own Assets/Shaders, made the working directory for the
// test's lifetime; shader sources of the build can be copied in by name.
class TempAssets {
public:
    TempAssets() : original_(std::filesystem::current_path()) {
        std::filesystem::create_directories(root_ / "Assets" / "Shaders");
        std::filesystem::current_path(root_);
    }
    // Back where the test began before the folder goes.
    ~TempAssets() { std::filesystem::current_path(original_); }

    void writeText(const std::string& relative, const std::string& text) const {
        std::ofstream(root_ / relative, std::ios::binary) << text;
    }
    void writePng(const std::string& relative, int width, int height, int channels,
                  const std::vector<unsigned char>& pixels) const {
        stbi_write_png((root_ / relative).c_str(), width, height, channels, pixels.data(), width * channels);
    }
    void copyShader(const std::string& name) const {
        for (const char* stage : {".vertex", ".fragment"}) {
            std::filesystem::copy_file(original_ / "Assets" / "Shaders" / (name + stage),
                                       root_ / "Assets" / "Shaders" / (name + stage));
        }
    }

private:
    std::filesystem::path original_;
    const ScratchFolder scratch_{"assets"};
    const std::filesystem::path root_ = scratch_.path;
};

// Pixel (x, y) of the 2D design view in a full-size target, origin top left.
inline Rgba designPixel(int x, int y) { return readPixel(x, SCREEN_HEIGHT - 1 - y); }

inline void clearTarget(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

inline bool near(int actual, int expected, int tolerance = 2) { return std::abs(actual - expected) <= tolerance; }

// Counts every call made through one GL entry point while installed.
inline int spiedGlCalls = 0;

template <auto Entry>
struct GlSpy;

template <typename R, typename... Args, R (**Entry)(Args...)>
struct GlSpy<Entry> {
    static inline R (*original)(Args...) = nullptr;
    static R call(Args... args) {
        ++spiedGlCalls;
        return original(args...);
    }
    static void install() {
        original = *Entry;
        *Entry = &call;
    }
    static void remove() { *Entry = original; }
};
