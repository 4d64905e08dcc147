#include "capture/FrameHashes.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

uint64_t hashBytes(const uint8_t* bytes, size_t count) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    }
    return hash;
}

bool openHashLog(HashLog& log, const std::string& path, std::string& error) {
    std::string reason;
    if (!openOutputStream(log.stream, path, reason)) {
        error = "cannot write the hash file " + path + " (" + reason + ")";
        return false;
    }
    return true;
}

bool appendHashLine(HashLog& log, int64_t frame, int32_t timeMs, int32_t order, int32_t row, uint64_t pictureHash,
                    uint64_t soundHash, std::string& error) {
    if (std::fprintf(log.stream.file, "%" PRId64 " %d %d:%d %016" PRIx64 " %016" PRIx64 "\n", frame, timeMs, order, row,
                     pictureHash, soundHash) < 0) {
        error = "cannot write the hash file " + log.stream.path + " (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

bool closeHashLog(HashLog& log, std::string& error) {
    std::string reason;
    if (!closeOutputStream(log.stream, reason)) {
        error = "cannot finish the hash file " + log.stream.path + " (" + reason + ")";
        return false;
    }
    return true;
}
