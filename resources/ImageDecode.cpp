#include "resources/ImageDecode.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <utility>

#include "resources/ShortQuote.h"

namespace {

// The decoder's own words, made safe to print: a PNG chunk it does not know is quoted from the
// file, control bytes and all (or nothing at all when the chunk's name starts with a zero byte).
std::string stbReason() {
    const char* reason = stbi_failure_reason();
    if (reason == nullptr || *reason == '\0') {
        return "damaged image data";
    }
    return shortQuote(reason);
}

bool startsWith(const unsigned char* bytes, size_t size, std::initializer_list<unsigned char> signature) {
    return size >= signature.size() && std::equal(signature.begin(), signature.end(), bytes);
}

// stb_image 2.27 (Debian's) fills a Huffman table from the code counts of a JPEG's DHT segment
// without checking that they add up to at most 256 codes, and writes past the table when they
// do not. Every byte pair that could start such a segment is checked, wherever it lies (the
// decoder meets them between progressive scans too); counts cut off by the file's end read as 0.
bool jpegCodeCountsFit(const unsigned char* bytes, size_t size) {
    constexpr size_t COUNT_BYTES = 16;
    for (size_t at = 0; at + 4 <= size; ++at) {
        if (bytes[at] != 0xFF || bytes[at + 1] != 0xC4) {
            continue;
        }
        const size_t segmentEnd = at + 2 + (static_cast<size_t>(bytes[at + 2]) << 8 | bytes[at + 3]);
        // Each table: its class and number, 16 counts, then as many symbols as they add up to.
        for (size_t table = at + 4; table < segmentEnd && table < size;) {
            size_t codes = 0;
            for (size_t i = 1; i <= COUNT_BYTES && table + i < size; ++i) {
                codes += bytes[table + i];
            }
            if (codes > 256) {
                return false;
            }
            table += 1 + COUNT_BYTES + codes;
        }
    }
    return true;
}

// Why the picture the header describes must not be decoded; empty when it may be.
std::string refusalBeforeDecoding(const unsigned char* bytes, int size, int32_t largestTexture) {
    // The decoder reads a dozen formats; the show's images are PNG and JPEG, and only those
    // two are let through.
    const auto length = static_cast<size_t>(size);
    const bool png = startsWith(bytes, length, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    if (!png && !startsWith(bytes, length, {0xFF, 0xD8, 0xFF})) {
        return "not a PNG or JPEG file";
    }
    if (!png && !jpegCodeCountsFit(bytes, length)) {
        return "a Huffman table with more than 256 codes";
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    if (stbi_info_from_memory(bytes, size, &width, &height, &channels) == 0) {
        return stbReason();
    }
    const std::string measured = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (static_cast<int64_t>(width) * height > MAX_IMAGE_PIXELS) {
        return measured + ", more than the " + std::to_string(MAX_IMAGE_PIXELS / (1024 * 1024)) +
               " megapixels an image may have";
    }
    if (width > largestTexture || height > largestTexture) {
        return measured + ", larger than the graphics driver's largest texture (" + std::to_string(largestTexture) +
               ")";
    }
    return "";
}

// Grey becomes RGB and grey with alpha RGBA, so every image uploads as GL_RGB or GL_RGBA.
PixelBuffer expandGrey(const unsigned char* pixels, int width, int height, int channels) {
    const size_t outChannels = channels == 1 ? 3 : 4;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    PixelBuffer out(static_cast<unsigned char*>(std::malloc(count * outChannels)), std::free);
    if (out == nullptr) {
        return out;
    }
    for (size_t i = 0; i < count; ++i) {
        const unsigned char grey = pixels[i * static_cast<size_t>(channels)];
        unsigned char* target = out.get() + i * outChannels;
        target[0] = grey;
        target[1] = grey;
        target[2] = grey;
        if (outChannels == 4) {
            target[3] = pixels[i * 2 + 1];
        }
    }
    return out;
}

}  // namespace

bool decodeImage(const unsigned char* bytes, size_t size, int32_t largestTexture, DecodedImage& image,
                 std::string& reason) {
    if (size > static_cast<size_t>(INT_MAX)) {
        reason = std::to_string(size) + " bytes, more than the decoder reads";
        return false;
    }
    const int length = static_cast<int>(size);
    reason = refusalBeforeDecoding(bytes, length, largestTexture);
    if (!reason.empty()) {
        return false;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    PixelBuffer pixels(stbi_load_from_memory(bytes, length, &width, &height, &channels, 0), stbi_image_free);
    if (pixels == nullptr) {
        reason = stbReason();
        return false;
    }
    if (channels < 3) {
        pixels = expandGrey(pixels.get(), width, height, channels);
        if (pixels == nullptr) {
            reason = "out of memory";
            return false;
        }
        channels = channels == 1 ? 3 : 4;
    }
    image.pixels = std::move(pixels);
    image.width = width;
    image.height = height;
    image.channels = channels;
    return true;
}
