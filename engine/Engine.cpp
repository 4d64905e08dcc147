#include "engine/Engine.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <string>

#include "engine/ShaderFactory.h"
#include "resources/ResourceManager.h"

Engine* engine = nullptr;

namespace {

// The unit quad: x, y, z, u, v; v = 1 along the top edge.
const float QUAD_VERTICES[20] = {
    -0.5f, 0.5f,  0.0f, 0.0f, 1.0f,  //
    0.5f,  0.5f,  0.0f, 1.0f, 1.0f,  //
    0.5f,  -0.5f, 0.0f, 1.0f, 0.0f,  //
    -0.5f, -0.5f, 0.0f, 0.0f, 0.0f,  //
};
const uint32_t QUAD_INDICES[6] = {0, 1, 2, 0, 2, 3};

void createUnitQuad(Engine& e) {
    glGenVertexArrays(1, &e.quadVao);
    glBindVertexArray(e.quadVao);
    glGenBuffers(1, &e.quadVbo);
    glBindBuffer(GL_ARRAY_BUFFER, e.quadVbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(QUAD_VERTICES), QUAD_VERTICES, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 20, nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 20, reinterpret_cast<const void*>(12));
    glGenBuffers(1, &e.quadEbo);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, e.quadEbo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(QUAD_INDICES), QUAD_INDICES, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);
}

void createRenderTargets(Engine& e) {
    const auto w = static_cast<uint16_t>(SCREEN_WIDTH);
    const auto h = static_cast<uint16_t>(SCREEN_HEIGHT);
    const auto halfW = static_cast<uint16_t>(SCREEN_WIDTH / 2);
    const auto halfH = static_cast<uint16_t>(SCREEN_HEIGHT / 2);
    e.secondTarget = resourceManager->createRenderTarget("SecondRendertexture", w, h, true);
    e.screenshotTarget = resourceManager->createRenderTarget("Screenshot", w, h, true);
    e.bloomTarget = resourceManager->createRenderTarget("BloomTexture", halfW, halfH, false);
    for (int i = 0; i < 2; ++i) {
        e.blurTargets[i] = resourceManager->createRenderTarget("BlurTexture" + std::to_string(i), halfW, halfH, false);
    }
}

// Why the show has no screen to open its window on, or nothing. Without an X11 or Wayland session
// SDL quietly falls back to its off-screen driver and the show would play to nobody; only a run
// that names a driver itself (the tests, the capture) gets one without a screen.
std::string missingScreenReason(const WindowMode& mode) {
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    const char* driver = SDL_GetCurrentVideoDriver();
    if ((asked == nullptr || asked[0] == '\0') && driver != nullptr &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        return "no display reachable (no X11 or Wayland session); set SDL_VIDEODRIVER=offscreen to run without one";
    }
    const int displays = SDL_GetNumVideoDisplays();
    if (driver != nullptr && mode.display >= displays) {
        return "no display " + std::to_string(mode.display) + ": this computer has " + std::to_string(displays) +
               (displays == 1 ? " display, number 0" : " displays, 0 to " + std::to_string(displays - 1));
    }
    return "";
}

SDL_Window* createShowWindow(const WindowMode& mode) {
    if (GL_IS_ES) {
        // In the browser the window is the page's canvas: one design frame that the page scales
        // into the browser window; full screen there is the viewer's choice.
        return SDL_CreateWindow("Kavex Demo 2024 Velmora", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, SCREEN_WIDTH,
                                SCREEN_HEIGHT, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    }
    const int position = mode.display >= 0 ? static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(mode.display))
                                           : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    if (mode.windowed) {
        return SDL_CreateWindow("Kavex Demo 2024 Velmora", position, position, mode.width, mode.height,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    }
    return SDL_CreateWindow(
        "Kavex Demo 2024 Velmora", position, position, SCREEN_WIDTH, SCREEN_HEIGHT,
        SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_BORDERLESS);
}

}  // namespace

Engine* Engine::getInstance() {
    // Created on first use and never deleted; no SDL or GL call happens here.
    static Engine* instance = new (std::nothrow) Engine();
    return instance;
}

void Engine::init() {
    SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, GL_IS_ES ? 0 : 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK,
                        GL_IS_ES ? SDL_GL_CONTEXT_PROFILE_ES : SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);

    const std::string noScreen = missingScreenReason(windowMode);
    if (noScreen.empty()) {
        window = createShowWindow(windowMode);
    }
    if (window == nullptr) {
        std::cout << "Window could not be created! SDL_Error: " << (noScreen.empty() ? SDL_GetError() : noScreen)
                  << "\n";
        std::exit(1);
    }
    SDL_SetHint("SDL_RENDER_VSYNC", "1");

    glContext = SDL_GL_CreateContext(window);
    if (glContext == nullptr) {
        std::cerr << "OpenGL context could not be created! Error: " << SDL_GetError() << std::endl;
        std::exit(2);
    }
#ifndef SHOW_GL_ES
    if (gladLoadGL(reinterpret_cast<GLADloadfunc>(SDL_GL_GetProcAddress)) == 0) {
        std::exit(3);
    }
#endif
    // The line has always called it a warning, but the show does not go on without the swap
    // interval: it ends here with code 4.
    if (SDL_GL_SetSwapInterval(1) < 0) {
        std::cerr << "Warning: Unable to set VSync! SDL Error: " << SDL_GetError() << std::endl;
        std::exit(4);
    }

    resourceManager->shaderFactory = buildShader;
    shaderTexture2D = resourceManager->getShaderId("TextureMatrix2D", ShaderKindTexture);
    shaderTexture3D = resourceManager->getShaderId("TextureMatrix3D", ShaderKindTexture3D);
    shaderColor2D = resourceManager->getShaderId("Color2D", ShaderKindColor);

    createUnitQuad(*this);
    glEnable(GL_BLEND);
    createRenderTargets(*this);

    followWindowSize();
    windowFramebuffer = 0;
    // A window among others keeps the mouse free for them.
    if (!windowMode.windowed) {
        SDL_ShowCursor(SDL_DISABLE);
    }
    // A page that locks the pointer would need Escape to reach its own buttons again.
    if (!windowMode.windowed && !GL_IS_ES) {
        SDL_SetRelativeMouseMode(SDL_TRUE);
    }

    camera2DPosition = {0.0f, 0.0f, 3.0f};
    camera2DFront = {0.0f, 0.0f, -1.0f};
    camera2DUp = {0.0f, 1.0f, 0.0f};
    SetOrtho2D();
    view = lookAt(camera2DPosition, camera2DPosition + camera2DFront, camera2DUp);

    camera = Camera();
}

void Engine::followWindowSize() {
    SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    // The drawable differs from the window size on high-density displays.
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
}

void Engine::shutdown() {
    if (quadVao != 0) {
        glDeleteVertexArrays(1, &quadVao);
    }
    if (quadVbo != 0) {
        glDeleteBuffers(1, &quadVbo);
    }
    if (quadEbo != 0) {
        glDeleteBuffers(1, &quadEbo);
    }
    if (batchVao != 0) {
        glDeleteVertexArrays(1, &batchVao);
        glDeleteBuffers(1, &batchVbo);
        glDeleteSamplers(1, &batchSampler);
        batchVao = 0;
        batchVbo = 0;
        batchSampler = 0;
    }
    SDL_DestroyWindow(window);
    window = nullptr;
    SDL_Quit();
}
