// Feeds arbitrary bytes to the texture loader's decode step: the header is measured against our
// limits, then stb_image decodes. An image that decodes must be what the GL upload is told it
// is; a refusal must be a short, printable reason.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <stb_image.h>

#include "resources/ImageDecode.h"

namespace {

// Small for a driver, so that no input decodes to more than 4 megapixels and every run stays fast.
constexpr int32_t LARGEST_TEXTURE = 2048;
constexpr size_t REASON_LIMIT = 120;

// Where the pixels' sum goes, so that reading every byte is not optimised away.
volatile uint64_t pixelSum = 0;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void checkDecoded(const uint8_t* data, size_t size, const DecodedImage& image) {
    require(image.pixels != nullptr, "a decoded image has pixels");
    require(image.channels == 3 || image.channels == 4, "a decoded image uploads as RGB or RGBA");
    require(image.width >= 1 && image.width <= LARGEST_TEXTURE, "the width fits the largest texture");
    require(image.height >= 1 && image.height <= LARGEST_TEXTURE, "the height fits the largest texture");
    int width = 0;
    int height = 0;
    int channels = 0;
    require(stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels) == 1,
            "a decoded image has a readable header");
    require(width == image.width && height == image.height, "the pixels are as wide and tall as the header measured");
    // Every byte the upload will read must be there: AddressSanitizer stops a short buffer here.
    const size_t bytes =
        static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * static_cast<size_t>(image.channels);
    uint64_t sum = 0;
    for (size_t i = 0; i < bytes; ++i) {
        sum += image.pixels.get()[i];
    }
    pixelSum = sum;
}

void checkRefused(const DecodedImage& image, const std::string& reason) {
    require(image.pixels == nullptr, "a refused image hands out no pixels");
    require(!reason.empty(), "a refusal gives a reason");
    require(reason.size() < REASON_LIMIT, "a reason fits on a line");
    for (const char c : reason) {
        require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a reason holds no control bytes");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage image;
    std::string reason;
    if (decodeImage(data, size, LARGEST_TEXTURE, image, reason)) {
        require(reason.empty(), "a decoded image has no refusal");
        checkDecoded(data, size, image);
    } else {
        checkRefused(image, reason);
    }
    return 0;
}
