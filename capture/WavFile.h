#pragma once
#include <cstdint>
#include <string>

#include "capture/OutputFiles.h"

// A 16-bit stereo PCM WAV file at 44100 Hz, written as the samples come; the header's sizes are
// filled in when it is closed, and only then does it take its name (an OutputStream).
struct WavFile {
    OutputStream stream;
    uint64_t dataBytes = 0;
};

bool openWav(WavFile& wav, const std::string& path, std::string& error);
bool appendWav(WavFile& wav, const uint8_t* bytes, size_t count, std::string& error);
bool closeWav(WavFile& wav, std::string& error);
