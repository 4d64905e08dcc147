#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// A 16-bit stereo PCM WAV file at 44100 Hz, written as the samples come;
// the header's sizes are filled in when it is closed.
struct WavFile {
    std::FILE* file = nullptr;
    std::string path;
    uint64_t dataBytes = 0;
};

bool openWav(WavFile& wav, const std::string& path, std::string& error);
bool appendWav(WavFile& wav, const uint8_t* bytes, size_t count, std::string& error);
bool closeWav(WavFile& wav, std::string& error);
