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

// The byte at `at`, or 0 past the end, as the decoder reads a file that stops short.
unsigned char byteAt(const unsigned char* bytes, size_t size, size_t at) { return at < size ? bytes[at] : 0; }

constexpr unsigned char JPEG_SOF_BASELINE = 0xC0;
constexpr unsigned char JPEG_SOF_EXTENDED = 0xC1;
constexpr unsigned char JPEG_SOF_PROGRESSIVE = 0xC2;
constexpr unsigned char JPEG_DHT = 0xC4;
constexpr unsigned char JPEG_SOS = 0xDA;
constexpr unsigned char JPEG_EOI = 0xD9;

bool isRestartOrStuffing(unsigned char code) { return code == 0x00 || (code >= 0xD0 && code <= 0xD7); }

// After a scan's header: its entropy-coded data runs to the first marker that is not a restart.
size_t skipEntropyData(const unsigned char* bytes, size_t size, size_t at) {
    for (; at + 1 < size; ++at) {
        if (bytes[at] == 0xFF && bytes[at + 1] != 0xFF && !isRestartOrStuffing(bytes[at + 1])) {
            return at;
        }
    }
    return size;
}

// stb_image 2.27 (Debian's) trusts two things a damaged JPEG can break: it fills a Huffman table
// from the code counts of a DHT segment without checking that they add up to at most 256 (and
// writes past the table when they do not), and it decodes a scan with whatever memory holds for
// a table the file never defined (and reads far past its tables). The segments are walked as the
// decoder walks them, by their lengths, skipping stray bytes and entropy-coded data; where the
// walk and the decoder could part, the decoder stops with an error of its own.
std::string jpegTableFault(const unsigned char* bytes, size_t size) {
    constexpr size_t COUNT_BYTES = 16;
    bool defined[2][4] = {};  // [DC, AC][table number]
    bool progressive = false;
    size_t at = 2;  // after the start-of-image marker
    while (at + 1 < size) {
        if (bytes[at] != 0xFF || bytes[at + 1] == 0xFF || isRestartOrStuffing(bytes[at + 1])) {
            ++at;  // padding and stray bytes, passed over by the decoder as well
            continue;
        }
        const unsigned char marker = bytes[at + 1];
        if (marker == JPEG_EOI) {
            break;
        }
        const size_t body = at + 4;
        const size_t end =
            at + 2 + (static_cast<size_t>(byteAt(bytes, size, at + 2)) << 8 | byteAt(bytes, size, at + 3));
        if (marker == JPEG_SOF_BASELINE || marker == JPEG_SOF_EXTENDED || marker == JPEG_SOF_PROGRESSIVE) {
            progressive = marker == JPEG_SOF_PROGRESSIVE;
        } else if (marker == JPEG_DHT) {
            // Each table: its class and number, 16 counts, then as many symbols as they add up to.
            for (size_t table = body; table < end && table < size;) {
                const unsigned char kind = bytes[table] >> 4;
                const unsigned char number = bytes[table] & 15;
                if (kind > 1 || number > 3) {
                    return "";  // refused by the decoder itself
                }
                size_t codes = 0;
                for (size_t i = 1; i <= COUNT_BYTES; ++i) {
                    codes += byteAt(bytes, size, table + i);
                }
                if (codes > 256) {
                    return "a Huffman table with more than 256 codes";
                }
                defined[kind][number] = true;
                table += 1 + COUNT_BYTES + codes;
            }
        } else if (marker == JPEG_SOS) {
            const size_t components = byteAt(bytes, size, body);
            const unsigned char spectralStart = byteAt(bytes, size, body + 1 + 2 * components);
            // A baseline scan uses both tables; a progressive one its DC table for the DC
            // coefficients and its AC table for the rest.
            const bool usesDc = !progressive || spectralStart == 0;
            const bool usesAc = !progressive || spectralStart != 0;
            for (size_t i = 0; i < components; ++i) {
                const unsigned char tables = byteAt(bytes, size, body + 2 + 2 * i);
                const unsigned char dc = tables >> 4;
                const unsigned char ac = tables & 15;
                if (dc > 3 || ac > 3) {
                    return "";  // refused by the decoder itself
                }
                if ((usesDc && !defined[0][dc]) || (usesAc && !defined[1][ac])) {
                    return "a scan uses a Huffman table the file does not define";
                }
            }
            at = skipEntropyData(bytes, size, end);
            continue;
        }
        at = end;
    }
    return "";
}

// stb_image 2.27 grows its buffer for a PNG's image data to the length a chunk claims before it
// reads a byte of it: a file of a few hundred bytes can ask for 2 GB. A chunk that runs past the
// end of the file is refused before that (the decoder would give up at the end of the file).
std::string pngChunkFault(const unsigned char* bytes, size_t size) {
    constexpr size_t CHUNK_HEADER = 8;  // length, then type
    constexpr size_t CHUNK_CHECKSUM = 4;
    for (size_t at = 8; at + CHUNK_HEADER <= size;) {
        const size_t length = static_cast<size_t>(bytes[at]) << 24 | static_cast<size_t>(bytes[at + 1]) << 16 |
                              static_cast<size_t>(bytes[at + 2]) << 8 | bytes[at + 3];
        if (length > size - at - CHUNK_HEADER) {
            return "a PNG chunk runs past the end of the file";
        }
        if (std::equal(bytes + at + 4, bytes + at + 8, "IEND")) {
            break;
        }
        at += CHUNK_HEADER + length + CHUNK_CHECKSUM;
    }
    return "";
}

// The width and height a PNG's header gives, read here because stb_image gives up on sides it
// finds too large and then reports only that the file is of no kind it knows. False without one.
bool pngHeaderSize(const unsigned char* bytes, size_t size, int64_t& width, int64_t& height) {
    constexpr size_t IHDR_TYPE = 12;
    constexpr size_t IHDR_END = 24;
    if (size < IHDR_END || !std::equal(bytes + IHDR_TYPE, bytes + IHDR_TYPE + 4, "IHDR")) {
        return false;
    }
    const auto word = [bytes](size_t at) {
        return static_cast<int64_t>(bytes[at]) << 24 | static_cast<int64_t>(bytes[at + 1]) << 16 |
               static_cast<int64_t>(bytes[at + 2]) << 8 | bytes[at + 3];
    };
    width = word(16);
    height = word(20);
    return true;
}

std::string tooManyPixels(int64_t width, int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels, more than the " +
           std::to_string(MAX_IMAGE_PIXELS / (1024 * 1024)) + " megapixels an image may have";
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
    const std::string fault = png ? pngChunkFault(bytes, length) : jpegTableFault(bytes, length);
    if (!fault.empty()) {
        return fault;
    }
    int64_t headerWidth = 0;
    int64_t headerHeight = 0;
    // Each side is a 32-bit word, so their product is taken unsigned: it cannot overflow there.
    if (png && pngHeaderSize(bytes, length, headerWidth, headerHeight) &&
        static_cast<uint64_t>(headerWidth) * static_cast<uint64_t>(headerHeight) >
            static_cast<uint64_t>(MAX_IMAGE_PIXELS)) {
        return tooManyPixels(headerWidth, headerHeight);
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    if (stbi_info_from_memory(bytes, size, &width, &height, &channels) == 0) {
        return stbReason();
    }
    const std::string measured = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (static_cast<int64_t>(width) * height > MAX_IMAGE_PIXELS) {
        return tooManyPixels(width, height);
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
