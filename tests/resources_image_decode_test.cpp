// The texture loader's decode step on images made here in memory: what it hands to the upload,
// the limits it measures from the header, and the damaged files the fuzzer found, rebuilt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "resources/ImageDecode.h"

namespace {

using Bytes = std::vector<uint8_t>;

void appendEncoded(void* context, void* data, int size) {
    auto* bytes = static_cast<Bytes*>(context);
    bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// Pixel (x, y), channel c holds x * 16 + y + c * 64 (wrapping), so every channel of every pixel differs.
Bytes patternPixels(int width, int height, int channels) {
    Bytes pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                pixels.push_back(static_cast<uint8_t>(x * 16 + y + c * 64));
            }
        }
    }
    return pixels;
}

Bytes png(int width, int height, int channels) {
    const Bytes pixels = patternPixels(width, height, channels);
    Bytes out;
    stbi_write_png_to_func(appendEncoded, &out, width, height, channels, pixels.data(), width * channels);
    return out;
}

Bytes jpeg(int width, int height) {
    const Bytes pixels = patternPixels(width, height, 3);
    Bytes out;
    stbi_write_jpg_to_func(appendEncoded, &out, width, height, 3, pixels.data(), 90);
    return out;
}

Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct Outcome {
    bool decoded;
    DecodedImage image;
    std::string reason;
};

Outcome decode(const Bytes& bytes, int32_t largestTexture = 16384) {
    Outcome outcome;
    outcome.decoded = decodeImage(bytes.data(), bytes.size(), largestTexture, outcome.image, outcome.reason);
    return outcome;
}

std::string refusal(const Bytes& bytes, int32_t largestTexture = 16384) {
    const Outcome outcome = decode(bytes, largestTexture);
    EXPECT_FALSE(outcome.decoded);
    EXPECT_EQ(outcome.image.pixels, nullptr);
    return outcome.reason;
}

// The offset of the first marker `code` (0xFF, code) in a JPEG.
size_t jpegMarker(const Bytes& bytes, uint8_t code) {
    for (size_t i = 2; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == code) {
            return i;
        }
    }
    return 0;
}

}  // namespace

TEST(ImageDecode, RgbAndRgbaPngsComeOutAsWrittenTopRowFirst) {
    for (const int channels : {3, 4}) {
        const Outcome outcome = decode(png(5, 3, channels));
        ASSERT_TRUE(outcome.decoded) << outcome.reason;
        EXPECT_EQ(outcome.image.width, 5);
        EXPECT_EQ(outcome.image.height, 3);
        ASSERT_EQ(outcome.image.channels, channels);
        const Bytes expected = patternPixels(5, 3, channels);
        EXPECT_EQ(Bytes(outcome.image.pixels.get(), outcome.image.pixels.get() + expected.size()), expected);
    }
}

// Grey becomes RGB and grey with alpha RGBA, so that the upload only ever sees those two.
TEST(ImageDecode, GreyIsWidenedToRgbAndGreyWithAlphaToRgba) {
    for (const int channels : {1, 2}) {
        const Outcome outcome = decode(png(4, 2, channels));
        ASSERT_TRUE(outcome.decoded) << outcome.reason;
        ASSERT_EQ(outcome.image.channels, channels + 2);
        const Bytes grey = patternPixels(4, 2, channels);
        for (size_t pixel = 0; pixel < 8; ++pixel) {
            const uint8_t* rgba = outcome.image.pixels.get() + pixel * static_cast<size_t>(channels + 2);
            const uint8_t value = grey[pixel * static_cast<size_t>(channels)];
            EXPECT_EQ(rgba[0], value);
            EXPECT_EQ(rgba[1], value);
            EXPECT_EQ(rgba[2], value);
            if (channels == 2) {
                EXPECT_EQ(rgba[3], grey[pixel * 2 + 1]);
            }
        }
    }
}

TEST(ImageDecode, AJpegDecodesToRgbOfItsSize) {
    const Outcome outcome = decode(jpeg(19, 7));
    ASSERT_TRUE(outcome.decoded) << outcome.reason;
    EXPECT_EQ(outcome.image.width, 19);
    EXPECT_EQ(outcome.image.height, 7);
    EXPECT_EQ(outcome.image.channels, 3);
}

// The driver's largest texture is given by the caller; a side one pixel longer is refused unread.
TEST(ImageDecode, ASideLongerThanTheLargestTextureIsRefused) {
    EXPECT_TRUE(decode(png(16, 9, 3), 16).decoded);
    EXPECT_EQ(refusal(png(17, 9, 3), 16), "17 x 9 pixels, larger than the graphics driver's largest texture (16)");
    EXPECT_EQ(refusal(png(9, 17, 3), 16), "9 x 17 pixels, larger than the graphics driver's largest texture (16)");
}

// stb_image gives up on a PNG header of 100000 x 100000 and then calls the file of no known type;
// the refusal once said "unknown image type" instead of the size. Sides near 2^32 once overflowed the
// product of width and height (the undefined-behaviour sanitizer's build stops on it).
TEST(ImageDecode, APngHeaderClaimingTooManyPixelsIsRefusedWithItsSize) {
    for (const uint32_t side : {100000u, 20000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0xF126A3A9u}) {
        Bytes bytes = png(4, 4, 3);
        for (int i = 0; i < 4; ++i) {
            bytes[16 + i] = static_cast<uint8_t>(side >> (24 - 8 * i));
            bytes[20 + i] = static_cast<uint8_t>(side >> (24 - 8 * i));
        }
        EXPECT_EQ(refusal(bytes), std::to_string(side) + " x " + std::to_string(side) +
                                      " pixels, more than the 64 megapixels an image may have");
    }
}

// The decoder also reads BMP, GIF, PSD, PNM and more; the show's images are PNG and JPEG only.
// A PGM whose header reads as 4 x 0 pixels once decoded to a texture of nothing.
TEST(ImageDecode, FilesOfOtherKindsAreRefused) {
    EXPECT_EQ(refusal(textBytes("P5\n4\xb0\x33\n255\n\xff%Jo\x0b")), "not a PNG or JPEG file");
    EXPECT_EQ(refusal(textBytes("P6\n2 2\n255\n0123456789ab")), "not a PNG or JPEG file");
    EXPECT_EQ(refusal(textBytes("BM")), "not a PNG or JPEG file");
    EXPECT_EQ(refusal({}), "not a PNG or JPEG file");
}

// A DHT segment whose 16 code counts add up to more than 256 made the decoder write past its
// Huffman table (stb_image 2.27).
TEST(ImageDecode, AJpegHuffmanTableWithMoreThan256CodesIsRefused) {
    Bytes damaged = jpeg(16, 16);
    const size_t table = jpegMarker(damaged, 0xC4);
    ASSERT_GT(table, 0u);
    for (size_t i = 0; i < 16; ++i) {
        damaged[table + 5 + i] = 0x11;  // 16 x 17 = 272 codes
    }
    EXPECT_EQ(refusal(damaged), "a Huffman table with more than 256 codes");
    // Counts at the very end of the file are measured as far as they go.
    Bytes cut(damaged.begin(), damaged.begin() + static_cast<long>(table + 5 + 16));
    EXPECT_EQ(refusal(cut), "a Huffman table with more than 256 codes");
    // A segment of one table: 256 codes fill it, and the decoder's own checks judge the rest.
    Bytes alone = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 2 + 17, 0x00};
    alone.insert(alone.end(), 16, 16);
    EXPECT_NE(refusal(alone), "a Huffman table with more than 256 codes");
    alone.back() = 17;
    EXPECT_EQ(refusal(alone), "a Huffman table with more than 256 codes");
}

// A scan whose AC table was never defined made the decoder read whatever memory held there, and
// far past its tables (stb_image 2.27). The writer's one DHT segment defines DC 0, AC 0, DC 1
// and AC 1; renumbering AC 0 to AC 1 leaves the luma scan without its AC table.
TEST(ImageDecode, AJpegScanUsingAnUndefinedHuffmanTableIsRefused) {
    Bytes damaged = jpeg(16, 16);
    const size_t segment = jpegMarker(damaged, 0xC4);
    ASSERT_GT(segment, 0u);
    const size_t dcTable = segment + 4;
    size_t dcCodes = 0;
    for (size_t i = 1; i <= 16; ++i) {
        dcCodes += damaged[dcTable + i];
    }
    const size_t table = dcTable + 17 + dcCodes;
    ASSERT_EQ(damaged[table], 0x10);  // AC table 0
    damaged[table] = 0x11;
    EXPECT_EQ(refusal(damaged), "a scan uses a Huffman table the file does not define");
}

// The decoder grew its buffer to the length an image data chunk claims before reading it: 2 GB
// asked for by a file of a few hundred bytes (stb_image 2.27).
TEST(ImageDecode, APngChunkRunningPastTheEndOfTheFileIsRefused) {
    Bytes damaged = png(9, 9, 4);
    const size_t data = 8 + 8 + 13 + 4;  // the first chunk after the header: the image data
    ASSERT_EQ(std::string(damaged.begin() + static_cast<long>(data + 4), damaged.begin() + static_cast<long>(data + 8)),
              "IDAT");
    const Bytes claimed = {0x49, 0x44, 0x41, 0x54};  // 1.2 GB
    std::copy(claimed.begin(), claimed.end(), damaged.begin() + static_cast<long>(data));
    EXPECT_EQ(refusal(damaged), "a PNG chunk runs past the end of the file");
    const Bytes cut(damaged.begin(), damaged.begin() + static_cast<long>(data + 20));
    EXPECT_EQ(refusal(cut), "a PNG chunk runs past the end of the file");
}

// The decoder quotes the name of a PNG chunk it does not know, bytes from the file included.
TEST(ImageDecode, AReasonHoldsNoControlBytesAndIsNeverEmpty) {
    Bytes damaged = png(3, 3, 3);
    const size_t afterHeader = 8 + 8 + 13 + 4;
    const Bytes chunk = {0, 0, 0, 0, 0x1B, '[', '2', 'J', 0, 0, 0, 0};  // empty, CRC unchecked
    damaged.insert(damaged.begin() + static_cast<long>(afterHeader), chunk.begin(), chunk.end());
    EXPECT_EQ(refusal(damaged), "?[2J PNG chunk not known");
    // Cut inside the header's checksum, the next chunk's name reads as four zero bytes.
    const Bytes cut(damaged.begin(), damaged.begin() + 30);
    EXPECT_EQ(refusal(cut), "damaged image data");
}
