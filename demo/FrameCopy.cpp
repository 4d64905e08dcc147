#include "demo/FrameCopy.h"

#include "engine/Engine.h"
#include "resources/ResourceManager.h"

void copyWindowToScreenshot() {
    const TextureRecord* target = resourceManager->textureById(engine->screenshotTarget);
    if (target == nullptr) {
        return;
    }
    Viewport source = engine->windowViewport();
    bool sameSize = source.width == target->width && source.height == target->height;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, engine->windowFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target->framebuffer);
    glBlitFramebuffer(source.x, source.y, source.x + source.width, source.y + source.height, 0, target->height,
                      target->width, 0, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, engine->windowFramebuffer);
}
