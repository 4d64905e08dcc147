#include "capture/WavFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "music/Player.h"

namespace {

constexpr uint32_t WAV_HEADER_BYTES = 44;
// The RIFF sizes are 32-bit; past this the header cannot describe the data.
constexpr uint64_t MAX_WAV_DATA_BYTES = 0xffffffffull - WAV_HEADER_BYTES;

void putLittle(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void fillHeader(uint8_t header[WAV_HEADER_BYTES], uint32_t dataBytes) {
    const uint32_t channels = 2;
    const uint32_t bits = 16;
    const uint32_t blockAlign = channels * bits / 8;
    std::copy_n("RIFF", 4, header);
    putLittle(header + 4, WAV_HEADER_BYTES - 8 + dataBytes, 4);
    std::copy_n("WAVEfmt ", 8, header + 8);
    putLittle(header + 16, 16, 4);
    putLittle(header + 20, 1, 2);  // PCM
    putLittle(header + 22, channels, 2);
    putLittle(header + 24, AUDIO_FREQUENCY, 4);
    putLittle(header + 28, AUDIO_FREQUENCY * blockAlign, 4);
    putLittle(header + 32, blockAlign, 2);
    putLittle(header + 34, bits, 2);
    std::copy_n("data", 4, header + 36);
    putLittle(header + 40, dataBytes, 4);
}

}  // namespace

bool openWav(WavFile& wav, const std::string& path, std::string& error) {
    wav.dataBytes = 0;
    std::string reason;
    if (!openOutputStream(wav.stream, path, reason)) {
        error = "cannot write the WAV file " + path + " (" + reason + ")";
        return false;
    }
    uint8_t header[WAV_HEADER_BYTES];
    fillHeader(header, 0);
    if (std::fwrite(header, 1, WAV_HEADER_BYTES, wav.stream.file) != WAV_HEADER_BYTES) {
        error = "cannot write the WAV file " + path + " (" + std::strerror(errno) + ")";
        discardOutputStream(wav.stream);
        return false;
    }
    return true;
}

bool appendWav(WavFile& wav, const uint8_t* bytes, size_t count, std::string& error) {
    if (wav.dataBytes + count > MAX_WAV_DATA_BYTES) {
        error = "the music is too long for the WAV file " + wav.stream.path;
        return false;
    }
    if (std::fwrite(bytes, 1, count, wav.stream.file) != count) {
        error = "cannot write the WAV file " + wav.stream.path + " (" + std::strerror(errno) + ")";
        return false;
    }
    wav.dataBytes += count;
    return true;
}

bool closeWav(WavFile& wav, std::string& error) {
    uint8_t header[WAV_HEADER_BYTES];
    fillHeader(header, static_cast<uint32_t>(wav.dataBytes));
    bool written = std::fseek(wav.stream.file, 0, SEEK_SET) == 0 &&
                   std::fwrite(header, 1, WAV_HEADER_BYTES, wav.stream.file) == WAV_HEADER_BYTES;
    std::string reason = written ? "" : std::strerror(errno);
    if (!written) {
        discardOutputStream(wav.stream);
    }
    if (!written || !closeOutputStream(wav.stream, reason)) {
        error = "cannot finish the WAV file " + wav.stream.path + " (" + reason + ")";
        return false;
    }
    return true;
}
