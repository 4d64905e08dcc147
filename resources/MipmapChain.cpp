#include "resources/MipmapChain.h"

#include <algorithm>
#include <cstddef>

namespace {

MipmapLevel halve(const unsigned char* source, int32_t width, int32_t height, int32_t channels) {
    MipmapLevel level;
    level.width = std::max(1, width / 2);
    level.height = std::max(1, height / 2);
    level.pixels.resize(static_cast<size_t>(level.width) * static_cast<size_t>(level.height) *
                        static_cast<size_t>(channels));
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(channels);
    unsigned char* target = level.pixels.data();
    for (int32_t y = 0; y < level.height; ++y) {
        const unsigned char* top = source + static_cast<size_t>(std::min(2 * y, height - 1)) * rowBytes;
        const unsigned char* bottom = source + static_cast<size_t>(std::min(2 * y + 1, height - 1)) * rowBytes;
        for (int32_t x = 0; x < level.width; ++x) {
            const size_t left = static_cast<size_t>(std::min(2 * x, width - 1) * channels);
            const size_t right = static_cast<size_t>(std::min(2 * x + 1, width - 1) * channels);
            for (int32_t c = 0; c < channels; ++c) {
                const int upper = (top[left + c] + top[right + c] + 1) / 2;
                const int lower = (bottom[left + c] + bottom[right + c] + 1) / 2;
                *target++ = static_cast<unsigned char>((upper + lower + 1) / 2);
            }
        }
    }
    return level;
}

}  // namespace

std::vector<MipmapLevel> buildMipmapChain(const unsigned char* pixels, int32_t width, int32_t height,
                                          int32_t channels) {
    std::vector<MipmapLevel> chain;
    const unsigned char* source = pixels;
    while (width > 1 || height > 1) {
        chain.push_back(halve(source, width, height, channels));
        source = chain.back().pixels.data();
        width = chain.back().width;
        height = chain.back().height;
    }
    return chain;
}
