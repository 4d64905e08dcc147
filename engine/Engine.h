#pragma once
#include <cstdint>

#include <SDL.h>
#include "resources/GL.h"

#include "base/MathTypes.h"
#include "engine/Camera.h"

// Design screen size: render targets, the 3D aspect and all scene layout use it.
constexpr int32_t SCREEN_WIDTH = 1920;
constexpr int32_t SCREEN_HEIGHT = 1080;

class Shader;

// A rectangle in a texture's pixels, origin at the image's top left.
struct SpriteRect {
    int32_t x;
    int32_t y;
    uint16_t w;
    uint16_t h;
};

// A quad of a batch: where its source rectangle is drawn (top-left corner, pixels).
struct SpriteQuad {
    SpriteRect source;
    int16_t x;
    int16_t y;
};

// The most quads one batch draws; more are left out.
constexpr int32_t SPRITE_BATCH_LIMIT = 256;

struct Viewport {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// What SelectTarget draws into.
enum RenderTargetKind : int32_t {
    TargetSecond = 0,   // the "SecondRendertexture" target, 2D projection
    TargetWindow = 1,   // the window's letterboxed design frame
    TargetOverlay = 3,  // the overlay target, with End3D's 2D projection and view
    TargetBloom = 4,    // the half-size "BloomTexture" target
};

// Largest 16:9 rectangle centred in a drawable of the given size.
Viewport letterboxViewport(int32_t drawableWidth, int32_t drawableHeight);

// The window the show asks for; the default is the borderless desktop-full-screen window.
struct WindowMode {
    bool windowed = false;  // a resizable window with a border, of the size below
    int32_t width = 1280;
    int32_t height = 720;
    int32_t display = -1;  // full-screen on this display, counted from 0; -1: wherever SDL centres it
};

// 0xAARRGGBB to (r, g, b, a) in 0..1.
Vec4 unpackArgb(uint32_t argb);

// The window, the GL context and the screen-wide resources; one instance, never destroyed.
class Engine {
public:
    static Engine* getInstance();

    void init();
    void shutdown();
    // After the window's size changed: the letterbox and the 2D size follow the new drawable.
    void followWindowSize();

    void SetOrtho2D();
    void Begin3D();
    void End3D();
    void DrawQuad(int32_t x, int32_t y, uint32_t w, uint32_t h, Shader* shader, float angle);
    void DrawTexture(int32_t textureId, SpriteRect source, int16_t x, int16_t y);
    // One stretched, turned quad. The show draws its tiles with DrawTextureBatch; the tests hold the
    // batch to this, and the benchmarks measure against it.
    void DrawTextureScaled(int32_t textureId, SpriteRect source, int16_t x, int16_t y, float angle, uint16_t width,
                           uint16_t height);
    void DrawTextureAlpha(int32_t textureId, SpriteRect source, int16_t x, int16_t y, uint8_t alpha);
    // Quads of one opaque texture and one size in a single draw, each over those before it: the
    // picture DrawTextureScaled one after another (angle 0) leaves. They fill the depth buffer
    // (a quad hides what is behind it), so that a draw after them with depth testing on
    // (GL_LESS, at the depth of a 2D draw or an effect) paints only the pixels they leave uncovered.
    void DrawTextureBatch(int32_t textureId, const SpriteQuad* quads, int32_t count, uint16_t width, uint16_t height);
    void FillScreen(uint32_t colour);
    void DrawMesh(uint32_t vertexArray, int32_t count, const Vec3& position, const Quat& rotation, const Vec3& scale,
                  Shader* shader, GLenum mode);
    void DrawMeshColor(uint32_t vertexArray, int32_t count, const Vec3& position, const Quat& rotation,
                       const Vec3& scale, uint32_t colour);
    void DrawMeshTextured(uint32_t vertexArray, int32_t count, const Vec3& position, const Quat& rotation,
                          const Vec3& scale, int32_t textureId, uint8_t alpha);
    // Triangles drawn as their edges from now on (true) or filled (false). The desktop sets the
    // polygon mode; OpenGL ES has none, so meshes draw their line lists while it is on.
    void setWireframe(bool on);
    // One of RenderTargetKind; other values select nothing.
    void SelectTarget(int32_t kind);

    uint32_t quadVao = 0;
    uint32_t quadVbo = 0;
    uint32_t quadEbo = 0;
    // The sprite batch's vertices, made by its first draw.
    uint32_t batchVao = 0;
    uint32_t batchVbo = 0;
    uint32_t batchSampler = 0;
    int32_t shaderTexture2D = 0;
    int32_t shaderColor2D = 0;
    int32_t shaderTexture3D = 0;
    Vec3 camera2DPosition{0.0f, 0.0f, 0.0f};
    Vec3 camera2DFront{0.0f, 0.0f, 0.0f};
    Vec3 camera2DUp{0.0f, 0.0f, 0.0f};
    Mat4 projection{1.0f};
    Mat4 view{1.0f};
    SDL_Window* window = nullptr;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    SDL_GLContext glContext = nullptr;
    int32_t overlayTarget = 0;
    int32_t secondTarget = 0;
    int32_t screenshotTarget = 0;
    int32_t bloomTarget = 0;
    int32_t blurTargets[2] = {0, 0};
    Camera camera;
    bool wireframe = false;
    // Read by init; the show's options set it first.
    WindowMode windowMode;

    // What "the window" means when drawing: framebuffer 0 and the drawable's size for the show,
    // an off-screen frame of the chosen size for the capture tool.
    uint32_t windowFramebuffer = 0;
    int32_t drawableWidth = 0;
    int32_t drawableHeight = 0;

    // Makes an off-screen framebuffer of the given size "the window" from now on.
    void useOffscreenWindow(uint32_t framebuffer, int32_t width, int32_t height);
    // The letterboxed rectangle of the drawable that shows the design frame.
    Viewport windowViewport() const;
    // Binds the window, clears it whole to black and sets the letterboxed viewport.
    void bindWindowTarget();

private:
    Engine() = default;
};

extern Engine* engine;
