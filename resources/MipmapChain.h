#pragma once
#include <cstdint>
#include <vector>

// One level of a texture's mipmap chain: rows top first, `channels` bytes a texel.
struct MipmapLevel {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<unsigned char> pixels;
};

// Levels 1 (half size, sides rounded down) to 1 x 1 of an 8-bit picture of 3 or 4 channels.
// Each texel comes from the 2 x 2 block under it (the last row or column of an odd side is left
// out): the block's two pairs averaged across, then averaged down, each rounded half up. For sides
// that are powers of two this is bit for bit what Mesa's glGenerateMipmap gives; built here, it
// spares a software driver compiling its blit programs at start-up.
std::vector<MipmapLevel> buildMipmapChain(const unsigned char* pixels, int32_t width, int32_t height, int32_t channels);
