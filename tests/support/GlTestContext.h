#pragma once

// Brings up the real engine once per test process on SDL's offscreen driver (Mesa, EGL):
// window, GL 3.3 core context, default shaders, unit quad and render targets.
// Sets the program-wide `engine` and `resourceManager`.
void initEngineForTests();

// Reads an RGBA8 pixel of the currently bound read framebuffer (origin bottom left).
struct Rgba {
    unsigned char r, g, b, a;
};
Rgba readPixel(int x, int y);
