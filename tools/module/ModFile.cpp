#include "ModFile.h"

#include <algorithm>
#include <stdexcept>

#include "Notes.h"

namespace {

void putText(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
}

void putWord(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

void putSampleHeader(std::vector<uint8_t>& out, const SampleData& sample) {
    if (sample.data.size() % 2 || sample.data.size() > 131070 || sample.loopStart % 2 || sample.loopLength % 2 ||
        static_cast<size_t>(sample.loopStart + sample.loopLength) > sample.data.size()) {
        throw std::runtime_error("sample " + sample.name + " has an odd or oversized layout");
    }
    putText(out, sample.name, 22);
    putWord(out, static_cast<int>(sample.data.size() / 2));
    out.push_back(0);  // finetune: samples are rendered in tune
    out.push_back(static_cast<uint8_t>(sample.volume));
    putWord(out, sample.loopLength ? sample.loopStart / 2 : 0);
    putWord(out, sample.loopLength ? sample.loopLength / 2 : 1);
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
    std::vector<uint8_t> out;
    putText(out, song.title, 20);
    const SampleData empty;
    for (size_t slot = 0; slot < MAX_SLOTS; ++slot) {
        putSampleHeader(out, slot < samples.size() ? samples[slot] : empty);
    }
    out.push_back(static_cast<uint8_t>(song.orders.size()));
    out.push_back(127);  // restart byte as ProTracker writes it
    const int patternCount = *std::max_element(song.orders.begin(), song.orders.end()) + 1;
    if (patternCount > static_cast<int>(song.patterns.size())) {
        throw std::runtime_error("order names a missing pattern");
    }
    for (size_t i = 0; i < 128; ++i) {
        out.push_back(i < song.orders.size() ? static_cast<uint8_t>(song.orders[i]) : 0);
    }
    putText(out, channelTag(song.channels), 4);
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
