#include "engine/Engine.h"

#include <cstdlib>
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

    // In the browser the window is the page's canvas, one design frame that the page scales into
    // the browser window; full screen there is the viewer's choice.
    const Uint32 screenFlags = GL_IS_ES ? 0u : (SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
    window = SDL_CreateWindow("Kavex Demo 2024 Velmora", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, SCREEN_WIDTH,
                              SCREEN_HEIGHT, screenFlags | SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        std::cout << "Window could not be created! SDL_Error: " << SDL_GetError() << "\n";
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

    SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    // The drawable differs from the window size on high-density displays.
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    windowFramebuffer = 0;
    SDL_ShowCursor(SDL_DISABLE);
    // A page that locks the pointer would need Escape to reach its own buttons again.
    if (!GL_IS_ES) {
        SDL_SetRelativeMouseMode(SDL_TRUE);
    }

    camera2DPosition = {0.0f, 0.0f, 3.0f};
    camera2DFront = {0.0f, 0.0f, -1.0f};
    camera2DUp = {0.0f, 1.0f, 0.0f};
    SetOrtho2D();
    view = lookAt(camera2DPosition, camera2DPosition + camera2DFront, camera2DUp);

    camera = Camera();
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
    SDL_DestroyWindow(window);
    window = nullptr;
    SDL_Quit();
}
