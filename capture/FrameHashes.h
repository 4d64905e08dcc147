#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/OutputFiles.h"

// 64-bit FNV-1a: a cheap fingerprint to compare frames and sound between runs.
uint64_t hashBytes(const uint8_t* bytes, size_t count);

// One line a frame: "frame timeMs order:row pictureHash soundHash", hashes in hex; the file takes
// its name when it is closed (an OutputStream).
struct HashLog {
    OutputStream stream;
};

bool openHashLog(HashLog& log, const std::string& path, std::string& error);
bool appendHashLine(HashLog& log, int64_t frame, int32_t timeMs, int32_t order, int32_t row, uint64_t pictureHash,
                    uint64_t soundHash, std::string& error);
bool closeHashLog(HashLog& log, std::string& error);
