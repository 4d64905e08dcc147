#include "capture/OffscreenWindow.h"

#include <algorithm>

#include "engine/Engine.h"

bool createOffscreenWindow(OffscreenWindow& window, int32_t width, int32_t height, std::string& error) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width > maxSize || height > maxSize) {
        error = "the GL driver cannot render " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    window.width = width;
    window.height = height;
    glGenRenderbuffers(1, &window.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, window.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenRenderbuffers(1, &window.depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, window.depthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &window.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, window.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, window.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, window.depthStencil);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    // Starts black, like a fresh window, for anything that reads the previous frame.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        error = "cannot make an off-screen frame of " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    engine->useOffscreenWindow(window.framebuffer, width, height);
    return true;
}

void readOffscreenWindow(const OffscreenWindow& window, FrameImage& image, std::vector<uint8_t>& scratch) {
    image.width = window.width;
    image.height = window.height;
    const size_t pixels = static_cast<size_t>(window.width) * window.height;
    image.rgb.resize(pixels * 3);
    scratch.resize(pixels * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // RGBA is the driver's own layout and reads back fastest; alpha is dropped below.
    glReadPixels(0, 0, window.width, window.height, GL_RGBA, GL_UNSIGNED_BYTE, scratch.data());
    // GL hands the bottom row first.
    for (int32_t y = 0; y < window.height; ++y) {
        const uint8_t* from = &scratch[static_cast<size_t>(window.height - 1 - y) * window.width * 4];
        uint8_t* to = &image.rgb[static_cast<size_t>(y) * window.width * 3];
        for (int32_t x = 0; x < window.width; ++x) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            from += 4;
            to += 3;
        }
    }
}
