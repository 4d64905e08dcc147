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
    engine->windowFramebuffer = window.framebuffer;
    engine->drawableWidth = width;
    engine->drawableHeight = height;
    return true;
}

void readOffscreenWindow(const OffscreenWindow& window, FrameImage& image) {
    image.width = window.width;
    image.height = window.height;
    const size_t rowBytes = static_cast<size_t>(window.width) * 3;
    image.rgb.resize(rowBytes * window.height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, window.width, window.height, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
    // GL hands the bottom row first.
    for (int32_t top = 0, bottom = window.height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(image.rgb.begin() + static_cast<std::ptrdiff_t>(top * rowBytes),
                         image.rgb.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowBytes),
                         image.rgb.begin() + static_cast<std::ptrdiff_t>(bottom * rowBytes));
    }
}
