#include "capture/FrameImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <stb_image_write.h>

#include "capture/OutputFiles.h"

namespace {

void appendEncoded(void* context, void* data, int size) {
    auto* encoded = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    encoded->insert(encoded->end(), bytes, bytes + size);
}

// stb's own file writer ignores failed writes; here every write and the close are checked, and
// the picture takes its name only once whole.
bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    OutputStream out;
    std::string reason;
    if (!openOutputStream(out, path, reason)) {
        error = "cannot write the PNG file " + path + " (" + reason + ")";
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), out.file) != bytes.size()) {
        reason = std::strerror(errno);
        discardOutputStream(out);
    } else if (closeOutputStream(out, reason)) {
        return true;
    }
    error = "cannot write the PNG file " + path + " (" + reason + "); the partial file was removed";
    return false;
}

}  // namespace

FrameImage makeImage(int32_t width, int32_t height, uint32_t rgbColour) {
    FrameImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < image.rgb.size(); i += 3) {
        image.rgb[i] = static_cast<uint8_t>(rgbColour >> 16);
        image.rgb[i + 1] = static_cast<uint8_t>(rgbColour >> 8);
        image.rgb[i + 2] = static_cast<uint8_t>(rgbColour);
    }
    return image;
}

FrameImage scaleImageDown(const FrameImage& source, int32_t width, int32_t height) {
    FrameImage target = makeImage(width, height, 0);
    for (int32_t y = 0; y < height; ++y) {
        int64_t top = static_cast<int64_t>(y) * source.height / height;
        int64_t bottom = std::max(top + 1, static_cast<int64_t>(y + 1) * source.height / height);
        for (int32_t x = 0; x < width; ++x) {
            int64_t left = static_cast<int64_t>(x) * source.width / width;
            int64_t right = std::max(left + 1, static_cast<int64_t>(x + 1) * source.width / width);
            uint64_t sum[3] = {0, 0, 0};
            for (int64_t sy = top; sy < bottom; ++sy) {
                const uint8_t* row = &source.rgb[static_cast<size_t>((sy * source.width + left) * 3)];
                for (int64_t sx = 0; sx < right - left; ++sx) {
                    sum[0] += row[sx * 3];
                    sum[1] += row[sx * 3 + 1];
                    sum[2] += row[sx * 3 + 2];
                }
            }
            uint64_t count = static_cast<uint64_t>((bottom - top) * (right - left));
            uint8_t* out = &target.rgb[(static_cast<size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
            }
        }
    }
    return target;
}

void pasteImage(FrameImage& target, const FrameImage& source, int32_t x, int32_t y) {
    int32_t left = std::max(0, -x);
    int32_t right = std::min(source.width, target.width - x);
    if (right <= left) {
        return;
    }
    for (int32_t row = std::max(0, -y); row < source.height && y + row < target.height; ++row) {
        const uint8_t* from = &source.rgb[(static_cast<size_t>(row) * source.width + left) * 3];
        uint8_t* to = &target.rgb[(static_cast<size_t>(y + row) * target.width + x + left) * 3];
        std::copy(from, from + (right - left) * 3, to);
    }
}

bool writePng(const std::string& path, const FrameImage& image, std::string& error) {
    std::vector<uint8_t> encoded;
    if (stbi_write_png_to_func(appendEncoded, &encoded, image.width, image.height, 3, image.rgb.data(),
                               image.width * 3) == 0) {
        error = "cannot encode the PNG file " + path;
        return false;
    }
    return writeWholeFile(path, encoded, error);
}
