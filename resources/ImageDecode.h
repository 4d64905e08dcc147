#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// A small file can promise an enormous picture; past this many pixels (an 8192 x 8192 image)
// it is refused before a byte is decoded.
constexpr int64_t MAX_IMAGE_PIXELS = 64 * 1024 * 1024;

// Pixels freed by the function that allocated them (the decoder's or the C library's).
using PixelBuffer = std::unique_ptr<unsigned char, void (*)(void*)>;

// An image as the texture upload takes it: rows top first, each left to right, 3 (RGB) or
// 4 (RGBA) bytes a pixel.
struct DecodedImage {
    PixelBuffer pixels{nullptr, std::free};
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
};

// Decodes an image file held in memory (PNG, JPEG or another format stb_image reads). The header
// is measured first: more than MAX_IMAGE_PIXELS, or a side longer than `largestTexture`, is
// refused before decoding. Grey becomes RGB and grey with alpha RGBA. On refusal returns false
// and a one-line reason: the decoder's own words or the measured size.
bool decodeImage(const unsigned char* bytes, size_t size, int32_t largestTexture, DecodedImage& image,
                 std::string& reason);
