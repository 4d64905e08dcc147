#include <stb_image.h>

#include <cstddef>
#include <filesystem>
#include <iostream>
#include <vector>

#include "resources/GL.h"

#include "resources/ResourceManager.h"

namespace {

// A small file can promise an enormous picture; past this many pixels (an 8192 x 8192 image)
// it is refused before a byte is decoded.
constexpr int64_t MAX_IMAGE_PIXELS = 64 * 1024 * 1024;

std::string stbReason() {
    const char* reason = stbi_failure_reason();
    return reason != nullptr ? reason : "unknown reason";
}

// Why the file must not be decoded, from its header alone; empty when it may be.
std::string refusalBeforeDecoding(const std::string& path) {
    std::error_code ignored;
    std::filesystem::file_status status = std::filesystem::status(path, ignored);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return "not a regular file";
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    if (stbi_info(path.c_str(), &width, &height, &channels) == 0) {
        return stbReason();
    }
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (static_cast<int64_t>(width) * height > MAX_IMAGE_PIXELS) {
        return size + ", more than the " + std::to_string(MAX_IMAGE_PIXELS / (1024 * 1024)) +
               " megapixels an image may have";
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (width > largest || height > largest) {
        return size + ", larger than the graphics driver's largest texture (" + std::to_string(largest) + ")";
    }
    return "";
}

// The loader's line first, then the reason under it.
int32_t refuseImage(const std::string& path, const std::string& reason) {
    std::cerr << "Error when loading image: " << path << ": stbi_load ERROR." << std::endl;
    std::cerr << "    " << path << ": " << reason << std::endl;
    return -1;
}

// Grey becomes RGB and grey+alpha RGBA, so every image uploads as GL_RGB or GL_RGBA.
std::vector<unsigned char> expandGrey(const unsigned char* pixels, int width, int height, int channels) {
    const int outChannels = channels == 1 ? 3 : 4;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<unsigned char> out(count * static_cast<size_t>(outChannels));
    for (size_t i = 0; i < count; ++i) {
        const unsigned char grey = pixels[i * static_cast<size_t>(channels)];
        unsigned char* target = &out[i * static_cast<size_t>(outChannels)];
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

int32_t loadTexture(const std::string& path, TextureFilter filter) {
    const std::string refusal = refusalBeforeDecoding(path);
    if (!refusal.empty()) {
        return refuseImage(path, refusal);
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 0);
    if (pixels == nullptr) {
        return refuseImage(path, stbReason());
    }
    std::vector<unsigned char> expanded;
    const unsigned char* upload = pixels;
    if (channels < 3) {
        expanded = expandGrey(pixels, width, height, channels);
        upload = expanded.data();
    }
    const GLenum format = (channels == 4 || channels == 2) ? GL_RGBA : GL_RGB;

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Rows of 3-byte pixels need not end on a 4-byte boundary.
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, GL_UNSIGNED_BYTE, upload);
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (filter == FilterSmooth) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    stbi_image_free(pixels);

    if (texture == 0) {
        std::cerr << "Imposible crear textura: " << std::endl;
    }
    auto* record = new TextureRecord();
    record->texture = texture;
    record->width = width;
    record->height = height;
    return resourceManager->registerObject(resourceManager->textures, path, record);
}
