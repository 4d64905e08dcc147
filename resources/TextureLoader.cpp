#include <iostream>
#include <vector>

#include "resources/GL.h"

#include "base/FileBytes.h"
#include "resources/ImageDecode.h"
#include "resources/MipmapChain.h"
#include "resources/ResourceManager.h"

namespace {

// No image within the pixel limit comes near this, even stored uncompressed at 16 bits a
// channel; a larger file is refused before it is read into memory.
constexpr uint64_t MAX_IMAGE_FILE_BYTES = 1024 * 1024 * 1024;

// The file's bytes, or false and why they cannot be had.
bool readImageFile(const std::string& path, std::string& bytes, std::string& reason) {
    uint64_t size = 0;
    const FileRead result = readFileBytes(path, MAX_IMAGE_FILE_BYTES, bytes, size);
    if (result == FileRead::CannotOpen) {
        reason = "can't fopen";
    } else {
        reason = fileReadReason(result, size, MAX_IMAGE_FILE_BYTES);
    }
    return result == FileRead::Read;
}

// The loader's line first, then the reason under it.
int32_t refuseImage(const std::string& path, const std::string& reason) {
    std::cerr << "Error when loading image: " << path << ": stbi_load ERROR." << std::endl;
    std::cerr << "    " << path << ": " << reason << std::endl;
    return -1;
}

}  // namespace

int32_t loadTexture(const std::string& path, TextureFilter filter) {
    std::string bytes;
    std::string reason;
    if (!readImageFile(path, bytes, reason)) {
        return refuseImage(path, reason);
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    DecodedImage image;
    if (!decodeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), largest, image, reason)) {
        return refuseImage(path, reason);
    }
    const GLenum format = image.channels == 4 ? GL_RGBA : GL_RGB;

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Rows of 3-byte pixels need not end on a 4-byte boundary.
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), image.width, image.height, 0, format, GL_UNSIGNED_BYTE,
                 image.pixels.get());
    // Only smooth filtering reads the levels above the picture's own.
    if (filter == FilterSmooth) {
        GLint level = 1;
        for (const MipmapLevel& mipmap :
             buildMipmapChain(image.pixels.get(), image.width, image.height, image.channels)) {
            glTexImage2D(GL_TEXTURE_2D, level++, static_cast<GLint>(format), mipmap.width, mipmap.height, 0, format,
                         GL_UNSIGNED_BYTE, mipmap.pixels.data());
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
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

    if (texture == 0) {
        std::cerr << "Imposible crear textura: " << std::endl;
    }
    auto* record = new TextureRecord();
    record->texture = texture;
    record->width = image.width;
    record->height = image.height;
    return resourceManager->registerObject(resourceManager->textures, path, record);
}
