#include "ModFile.h"

#include <algorithm>
#include <stdexcept>

#include "Notes.h"
#include "music/ModuleHeader.h"

namespace {

// The header is written in place, at the offsets the show's module check reads.
void putText(std::vector<uint8_t>& out, size_t at, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        out[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
    }
}

void putWord(std::vector<uint8_t>& out, size_t at, int value) {
    out[at] = static_cast<uint8_t>((value >> 8) & 0xFF);
    out[at + 1] = static_cast<uint8_t>(value & 0xFF);
}

void putSampleHeader(std::vector<uint8_t>& out, size_t at, const SampleData& sample) {
    if (sample.data.size() % 2 || sample.data.size() > 131070 || sample.loopStart % 2 || sample.loopLength % 2 ||
        static_cast<size_t>(sample.loopStart + sample.loopLength) > sample.data.size()) {
        throw std::runtime_error("sample " + sample.name + " has an odd or oversized layout");
    }
    putText(out, at, sample.name, 22);
    putWord(out, at + 22, static_cast<int>(sample.data.size() / 2));
    out[at + 24] = 0;  // finetune: samples are rendered in tune
    out[at + 25] = static_cast<uint8_t>(sample.volume);
    putWord(out, at + 26, sample.loopLength ? sample.loopStart / 2 : 0);
    putWord(out, at + 28, sample.loopLength ? sample.loopLength / 2 : 1);
}

void putCell(std::vector<uint8_t>& out, const Cell& cell) {
    const int period = cell.note >= 0 ? notePeriod(cell.note) : 0;
    out.push_back(static_cast<uint8_t>((cell.instrument & 0xF0) | (period >> 8)));
    out.push_back(static_cast<uint8_t>(period & 0xFF));
    out.push_back(static_cast<uint8_t>(((cell.instrument & 0x0F) << 4) | cell.effect));
    out.push_back(static_cast<uint8_t>(cell.parameter));
}

}  // namespace

std::string channelTag(int channels) {
    if (channels < MIN_CHANNELS || channels > MAX_CHANNELS) {
        throw std::runtime_error("a module has 2 to 32 channels, not " + std::to_string(channels));
    }
    if (channels == 4) {
        return "M.K.";
    }
    return channels < 10 ? std::to_string(channels) + "CHN" : std::to_string(channels) + "CH";
}

std::vector<uint8_t> writeModule(const Song& song, const std::vector<SampleData>& samples) {
    if (song.orders.empty() || song.orders.size() > 128) {
        throw std::runtime_error("order list must hold 1 to 128 entries");
    }
    const int patternCount = *std::max_element(song.orders.begin(), song.orders.end()) + 1;
    if (patternCount > static_cast<int>(song.patterns.size())) {
        throw std::runtime_error("order names a missing pattern");
    }
    std::vector<uint8_t> out(PROTRACKER_HEADER_BYTES, 0);
    putText(out, 0, song.title, PROTRACKER_SAMPLE_HEADERS_AT);
    const SampleData empty;
    for (size_t slot = 0; slot < MAX_SLOTS; ++slot) {
        putSampleHeader(out, PROTRACKER_SAMPLE_HEADERS_AT + slot * PROTRACKER_SAMPLE_HEADER_BYTES,
                        slot < samples.size() ? samples[slot] : empty);
    }
    out[PROTRACKER_SONG_LENGTH_AT] = static_cast<uint8_t>(song.orders.size());
    out[PROTRACKER_SONG_LENGTH_AT + 1] = 127;  // restart byte as ProTracker writes it
    for (size_t i = 0; i < song.orders.size(); ++i) {
        out[PROTRACKER_ORDERS_AT + i] = static_cast<uint8_t>(song.orders[i]);
    }
    putText(out, PROTRACKER_TAG_AT, channelTag(song.channels), 4);
    for (int p = 0; p < patternCount; ++p) {
        for (const Cell& cell : song.patterns[static_cast<size_t>(p)].cells) {
            putCell(out, cell);
        }
    }
    for (const SampleData& sample : samples) {
        for (int8_t value : sample.data) {
            out.push_back(static_cast<uint8_t>(value));
        }
    }
    return out;
}
