#include "music/ModuleHeader.h"

#include <cstring>

namespace {

constexpr int SAMPLE_COUNT = 31;
constexpr int ORDER_SLOTS = 128;
constexpr uint64_t ROWS_A_PATTERN = 64;
constexpr uint64_t BYTES_A_CELL = 4;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Channels named by the tag, as the player reads them; 0 for a tag it does not take as ProTracker-style.
int tagChannels(const char tag[4]) {
    for (const char* four : {"M.K.", "M!K!", "M&K!", "N.T."}) {
        if (std::memcmp(tag, four, 4) == 0) {
            return 4;
        }
    }
    if (std::memcmp(tag, "CD81", 4) == 0 || std::memcmp(tag, "OKTA", 4) == 0) {
        return 8;
    }
    if (std::memcmp(tag, "CD61", 4) == 0) {
        return 6;
    }
    if ((std::memcmp(tag, "FLT", 3) == 0 || std::memcmp(tag, "TDZ", 3) == 0) && tag[3] >= '4' && tag[3] <= '9') {
        return tag[3] - '0';
    }
    if (tag[0] >= '2' && tag[0] <= '9' && std::memcmp(tag + 1, "CHN", 3) == 0) {
        return tag[0] - '0';
    }
    if (isDigit(tag[0]) && isDigit(tag[1]) && tag[2] == 'C' && tag[3] == 'H') {
        int channels = (tag[0] - '0') * 10 + (tag[1] - '0');
        return channels >= 10 && channels <= 32 ? channels : 0;
    }
    if (std::memcmp(tag, "16CN", 4) == 0) {
        return 16;
    }
    return std::memcmp(tag, "32CN", 4) == 0 ? 32 : 0;
}

}  // namespace

uint64_t protrackerModuleBytes(const uint8_t* bytes, size_t size) {
    if (size < PROTRACKER_HEADER_BYTES) {
        return 0;
    }
    int channels = tagChannels(reinterpret_cast<const char*>(bytes + PROTRACKER_TAG_AT));
    if (channels == 0) {
        return 0;
    }
    uint64_t sampleBytes = 0;
    for (int i = 0; i < SAMPLE_COUNT; ++i) {
        const uint8_t* length = bytes + PROTRACKER_SAMPLE_HEADERS_AT + i * PROTRACKER_SAMPLE_HEADER_BYTES + 22;
        sampleBytes += (static_cast<uint64_t>(length[0]) << 8 | length[1]) * 2;  // big-endian words
    }
    // The song's length as the player takes it: an unusable one means the order slots up to the last non-zero.
    int songLength = bytes[PROTRACKER_SONG_LENGTH_AT];
    if (songLength == 0 || songLength > ORDER_SLOTS) {
        songLength = ORDER_SLOTS;
        while (songLength > 1 && bytes[PROTRACKER_ORDERS_AT + songLength - 1] == 0) {
            --songLength;
        }
    }
    // The patterns the song plays: every one up to the highest it names.
    uint64_t patterns = 0;
    for (int i = 0; i < songLength; ++i) {
        uint64_t pattern = bytes[PROTRACKER_ORDERS_AT + i];
        if (pattern < 0x80 && pattern + 1 > patterns) {
            patterns = pattern + 1;
        }
    }
    return PROTRACKER_HEADER_BYTES + patterns * ROWS_A_PATTERN * BYTES_A_CELL * static_cast<uint64_t>(channels) +
           sampleBytes;
}
