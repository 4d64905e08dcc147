#include <algorithm>
#include <iostream>

#include "resources/GL.h"

#include "resources/ResourceManager.h"

int32_t ResourceManager::createRenderTarget(const std::string& name, uint16_t width, uint16_t height, bool repeat) {
    // A target without pixels is a failure like any other, not id 0 (which names a real texture).
    if (width == 0 || height == 0) {
        return -1;
    }
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // The whole mipmap chain, without data like level 0: generating it from a level that holds
    // nothing would only cost the driver a blit program and a pass over the frame.
    GLsizei levelWidth = width;
    GLsizei levelHeight = height;
    for (GLint level = 0;; ++level) {
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA, levelWidth, levelHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        if (levelWidth == 1 && levelHeight == 1) {
            break;
        }
        levelWidth = std::max(1, levelWidth / 2);
        levelHeight = std::max(1, levelHeight / 2);
    }
    const GLint wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);

    GLuint renderbuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderbuffer);

    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::cout << "ERROR en FrameBuffer: " << name << std::endl;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return -1;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (texture == 0) {
        std::cerr << "Imposible crear textura OpenGL: " << name << std::endl;
    }

    auto* record = new TextureRecord();
    record->texture = texture;
    record->renderbuffer = renderbuffer;
    record->framebuffer = framebuffer;
    record->width = width;
    record->height = height;
    const int32_t id = registerObject(textures, name, record);
    textures.idsByName.emplace(name, id);
    return id;
}
