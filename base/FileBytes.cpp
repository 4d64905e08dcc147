#include "base/FileBytes.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Appends what is left of the file after `bytes`: a file that grew since it was measured, or one
// that reports no size. False when it passes the limit; `size` then counts what was read.
bool readRest(std::FILE* file, uint64_t maxBytes, std::string& bytes, uint64_t& size) {
    char chunk[1 << 16];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        size = bytes.size() + got;
        if (size > maxBytes) {
            return false;
        }
        bytes.append(chunk, got);
    }
    return true;
}

}  // namespace

FileRead readFileBytes(const std::string& path, uint64_t maxBytes, std::string& bytes, uint64_t& size) {
    namespace fs = std::filesystem;
    bytes.clear();
    size = 0;
    // Looked at before opening (links followed): opening a named pipe waits for a writer, and a
    // folder's or a device's size says nothing about what reading it would give.
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return FileRead::NotRegular;
    }
    if (fs::is_regular_file(status)) {
        size = fs::file_size(path, error);
        if (error) {
            size = 0;
        } else if (size > maxBytes) {
            return FileRead::TooLarge;
        }
    }
    FileHandle file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (file == nullptr) {
        return FileRead::CannotOpen;
    }
    bytes.resize(static_cast<size_t>(size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (!readRest(file.get(), maxBytes, bytes, size)) {
        bytes.clear();
        return FileRead::TooLarge;
    }
    if (std::ferror(file.get()) != 0) {
        bytes.clear();
        return FileRead::ReadFailed;
    }
    size = bytes.size();
    return FileRead::Read;
}

std::string fileReadReason(FileRead result, uint64_t size, uint64_t maxBytes) {
    switch (result) {
    case FileRead::NotRegular:
        return "not a regular file";
    case FileRead::TooLarge:
        return std::to_string(size) + " bytes, more than the " + std::to_string(maxBytes) + " allowed";
    case FileRead::ReadFailed:
        return "could not be read whole";
    case FileRead::Read:
    case FileRead::CannotOpen:
        break;
    }
    return {};
}
