// Writes the image fuzzer's seed corpus: small PNGs and JPEGs of every kind we can make
// ourselves. PNGs come from stb_image_write and from a chunk writer of our own for what it
// cannot write (palettes, transparency keys, 1 to 16 bits a channel, interlacing, every row
// filter, stored and compressed data); JPEGs at 4:2:0 and 4:4:4, grey and colour; then damaged
// copies (cut, huge or zero sizes, a flipped byte) and files of other kinds. Usage: image_seeds DIRECTORY
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "SeedFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

void appendEncoded(void* context, void* data, int size) {
    auto* bytes = static_cast<Bytes*>(context);
    bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// A gradient with a diagonal stripe, so that neighbouring pixels differ and filters matter.
std::vector<uint8_t> testPixels(int width, int height, int channels) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const bool stripe = (x + y) % 5 == 0;
                pixels.push_back(static_cast<uint8_t>(stripe ? 255 - c * 40 : (x * 37 + y * 11 + c * 70) & 0xFF));
            }
        }
    }
    return pixels;
}

Bytes writtenPng(int width, int height, int channels) {
    Bytes out;
    const std::vector<uint8_t> pixels = testPixels(width, height, channels);
    stbi_write_png_to_func(appendEncoded, &out, width, height, channels, pixels.data(), width * channels);
    return out;
}

Bytes writtenJpg(int width, int height, int channels, int quality) {
    Bytes out;
    const std::vector<uint8_t> pixels = testPixels(width, height, channels);
    stbi_write_jpg_to_func(appendEncoded, &out, width, height, channels, pixels.data(), quality);
    return out;
}

Bytes writtenBmp(int width, int height, int channels) {
    Bytes out;
    const std::vector<uint8_t> pixels = testPixels(width, height, channels);
    stbi_write_bmp_to_func(appendEncoded, &out, width, height, channels, pixels.data());
    return out;
}

Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

void putBigEndian(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

uint32_t crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void putChunk(Bytes& png, const char type[5], const Bytes& data) {
    putBigEndian(png, static_cast<uint32_t>(data.size()));
    const size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    putBigEndian(png, crc32(png.data() + typeAt, png.size() - typeAt));
}

// The zlib stream of `raw` in stored (uncompressed) blocks, or compressed by stb_image_write.
Bytes zlibStream(const Bytes& raw, bool compress) {
    if (compress) {
        int length = 0;
        unsigned char* packed =
            stbi_zlib_compress(const_cast<uint8_t*>(raw.data()), static_cast<int>(raw.size()), &length, 8);
        Bytes out(packed, packed + length);
        STBIW_FREE(packed);
        return out;
    }
    Bytes out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t block = std::min<size_t>(raw.size() - at, 65535);
        out.push_back(at + block == raw.size() ? 1 : 0);
        out.push_back(static_cast<uint8_t>(block));
        out.push_back(static_cast<uint8_t>(block >> 8));
        out.push_back(static_cast<uint8_t>(~block));
        out.push_back(static_cast<uint8_t>(~block >> 8));
        out.insert(out.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + block));
        at += block;
    } while (at < raw.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(out, b << 16 | a);
    return out;
}

struct PngForm {
    int width;
    int height;
    int colourType;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int depth;       // bits a channel (or a palette index)
    bool interlaced;
    bool transparencyKey;  // a tRNS chunk
    bool compressed;
};

int channelsOf(int colourType) {
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

// The filtered scanlines of one image (or one interlace pass): each row a filter byte, then
// its samples; the filter type cycles through all five.
void putScanlines(Bytes& raw, const PngForm& form, int width, int height, int& rowNumber) {
    const size_t rowBytes = (static_cast<size_t>(width) * channelsOf(form.colourType) * form.depth + 7) / 8;
    for (int y = 0; y < height; ++y, ++rowNumber) {
        raw.push_back(static_cast<uint8_t>(rowNumber % 5));
        for (size_t i = 0; i < rowBytes; ++i) {
            raw.push_back(static_cast<uint8_t>((i * 29 + static_cast<size_t>(rowNumber) * 13) & 0xFF));
        }
    }
}

Bytes handmadePng(const PngForm& form) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    putBigEndian(header, static_cast<uint32_t>(form.width));
    putBigEndian(header, static_cast<uint32_t>(form.height));
    header.insert(header.end(), {static_cast<uint8_t>(form.depth), static_cast<uint8_t>(form.colourType), 0, 0,
                                 static_cast<uint8_t>(form.interlaced ? 1 : 0)});
    putChunk(png, "IHDR", header);
    if (form.colourType == 3) {
        Bytes palette;
        for (int i = 0; i < (1 << form.depth); ++i) {
            palette.insert(palette.end(), {static_cast<uint8_t>(i * 50), static_cast<uint8_t>(255 - i * 30),
                                           static_cast<uint8_t>(i * 90)});
        }
        putChunk(png, "PLTE", palette);
    }
    if (form.transparencyKey) {
        const Bytes key = form.colourType == 3   ? Bytes{0, 128}
                          : form.colourType == 2 ? Bytes{0, 1, 0, 2, 0, 3}
                                                 : Bytes{0, 1};
        putChunk(png, "tRNS", key);
    }
    Bytes raw;
    int rowNumber = 0;
    if (form.interlaced) {
        // Adam7: the start and step of each of the seven passes, across and down.
        const int passes[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                  {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
        for (const auto& pass : passes) {
            const int width = (form.width - pass[0] + pass[1] - 1) / pass[1];
            const int height = (form.height - pass[2] + pass[3] - 1) / pass[3];
            if (width > 0 && height > 0) {
                putScanlines(raw, form, width, height, rowNumber);
            }
        }
    } else {
        putScanlines(raw, form, form.width, form.height, rowNumber);
    }
    putChunk(png, "IDAT", zlibStream(raw, form.compressed));
    putChunk(png, "IEND", {});
    return png;
}

Bytes cut(Bytes bytes, size_t size) {
    bytes.resize(std::min(size, bytes.size()));
    return bytes;
}

Bytes flipped(Bytes bytes, size_t at) {
    bytes[at % bytes.size()] ^= 0x5A;
    return bytes;
}

// The PNG with its header's width and height replaced (big-endian words at 16 and 20).
Bytes pngSized(Bytes png, uint32_t width, uint32_t height) {
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    return png;
}

std::vector<std::pair<std::string, Bytes>> seeds() {
    std::vector<std::pair<std::string, Bytes>> all = {
        {"grey.png", writtenPng(7, 5, 1)},          {"grey_alpha.png", writtenPng(5, 7, 2)},
        {"rgb.png", writtenPng(17, 9, 3)},          {"rgba.png", writtenPng(16, 16, 4)},
        {"one_pixel.png", writtenPng(1, 1, 4)},     {"q90.jpg", writtenJpg(19, 13, 3, 90)},
        {"q95.jpg", writtenJpg(16, 16, 3, 95)},     {"grey.jpg", writtenJpg(9, 9, 1, 50)},
        {"one_pixel.jpg", writtenJpg(1, 1, 3, 75)}, {"other_format.bmp", writtenBmp(5, 3, 3)},
        {"text.png", textBytes("P6\n3 4\n255\n")},
    };
    const PngForm forms[] = {
        {9, 7, 3, 8, false, false, false}, {9, 7, 3, 4, false, true, true},    {13, 3, 3, 1, true, false, false},
        {10, 5, 3, 2, false, true, false}, {11, 11, 0, 1, false, false, true}, {7, 6, 0, 16, true, true, false},
        {9, 9, 0, 4, true, true, true},    {6, 5, 2, 16, false, true, false},  {12, 9, 2, 8, true, false, true},
        {5, 5, 4, 16, false, false, true}, {8, 8, 6, 16, true, false, false},  {3, 9, 4, 8, true, false, true},
    };
    int index = 0;
    for (const PngForm& form : forms) {
        all.push_back({"handmade_" + std::to_string(index++) + "_type" + std::to_string(form.colourType) + "_depth" +
                           std::to_string(form.depth) + ".png",
                       handmadePng(form)});
    }
    const Bytes png = writtenPng(17, 9, 3);
    const Bytes jpg = writtenJpg(19, 13, 3, 90);
    all.insert(all.end(), {
                              {"cut_header.png", cut(png, 30)},
                              {"cut_data.png", cut(png, png.size() / 2)},
                              {"flipped.png", flipped(png, 41)},
                              {"zero_width.png", pngSized(png, 0, 9)},
                              {"wider_than_texture.png", pngSized(png, 5000, 9)},
                              {"huge.png", pngSized(png, 20000, 20000)},
                              {"claims_more_rows.png", pngSized(png, 17, 300)},
                              {"cut_scan.jpg", cut(jpg, jpg.size() * 2 / 3)},
                              {"flipped.jpg", flipped(jpg, jpg.size() / 2)},
                              {"signature_only.jpg", cut(jpg, 2)},
                          });
    return all;
}

}  // namespace

int main(int argc, char** argv) { return writeSeedFiles(argc, argv, seeds()); }
