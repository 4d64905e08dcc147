#include "support/TestModule.h"

#include <fstream>

namespace {

constexpr int SAMPLE_SLOTS = 31;
constexpr int TONE_SAMPLES = 10;
constexpr int TONE_LENGTH = 64;  // bytes, one looped period of a square wave

void putWord(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

void putSampleHeader(std::vector<uint8_t>& out, bool tone) {
    out.insert(out.end(), 22, 0);  // name
    putWord(out, tone ? TONE_LENGTH / 2 : 0);
    out.push_back(0);              // finetune
    out.push_back(tone ? 32 : 0);  // volume
    putWord(out, 0);               // loop start
    putWord(out, tone ? TONE_LENGTH / 2 : 1);
}

}  // namespace

TestModule walkingModule(int orderCount, int rowsPerOrder, int speed, int tempo) {
    TestModule module;
    for (int order = 0; order < orderCount; ++order) {
        TestPattern pattern;
        if (rowsPerOrder < 64) {
            TestCell& last = pattern.cells[rowsPerOrder - 1][3];
            last.effect = EFFECT_PATTERN_BREAK;
        }
        module.orders.push_back(static_cast<uint8_t>(order));
        module.patterns.push_back(pattern);
    }
    if (!module.patterns.empty()) {
        module.patterns[0].cells[0][1] = {0, 0, EFFECT_SET_SPEED, static_cast<uint8_t>(speed)};
        module.patterns[0].cells[0][3] = {0, 0, EFFECT_SET_SPEED, static_cast<uint8_t>(tempo)};
    }
    return module;
}

std::vector<uint8_t> moduleBytes(const TestModule& module) {
    std::vector<uint8_t> out(20, 0);  // title
    for (int slot = 1; slot <= SAMPLE_SLOTS; ++slot) {
        putSampleHeader(out, slot <= TONE_SAMPLES);
    }
    out.push_back(static_cast<uint8_t>(module.orders.size()));
    out.push_back(127);
    for (size_t i = 0; i < 128; ++i) {
        out.push_back(i < module.orders.size() ? module.orders[i] : 0);
    }
    if (module.channels == 4) {
        out.insert(out.end(), {'M', '.', 'K', '.'});
    } else {
        out.insert(out.end(), {static_cast<uint8_t>('0' + module.channels), 'C', 'H', 'N'});
    }
    for (const TestPattern& pattern : module.patterns) {
        for (const auto& row : pattern.cells) {
            for (int channel = 0; channel < module.channels; ++channel) {
                const TestCell cell = channel < 4 ? row[channel] : TestCell{};
                out.push_back(static_cast<uint8_t>((cell.instrument & 0xF0) | ((cell.period >> 8) & 0x0F)));
                out.push_back(static_cast<uint8_t>(cell.period & 0xFF));
                out.push_back(static_cast<uint8_t>(((cell.instrument & 0x0F) << 4) | (cell.effect & 0x0F)));
                out.push_back(cell.parameter);
            }
        }
    }
    for (int slot = 0; slot < TONE_SAMPLES; ++slot) {
        for (int i = 0; i < TONE_LENGTH; ++i) {
            out.push_back(static_cast<uint8_t>(i < TONE_LENGTH / 2 ? 40 : -40));
        }
    }
    return out;
}

bool writeModule(const std::string& path, const TestModule& module) {
    std::vector<uint8_t> bytes = moduleBytes(module);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

TestModule allScenesModule() {
    // The sample slot the greetings cue on.
    constexpr uint8_t CUE_INSTRUMENT_SLOT = 10;
    TestModule module = walkingModule(28, 4, 3, 125);
    for (int order : {3, 15, 16}) {
        TestPattern& pattern = module.patterns[order];
        pattern.cells[3][3] = TestCell{};
        pattern.cells[order == 3 ? 33 : 11][3].effect = EFFECT_PATTERN_BREAK;
    }
    for (TestPattern& pattern : module.patterns) {
        for (int row = 0; row < 64; ++row) {
            pattern.cells[row][0] = {PERIOD_C3, 1, 0, 0};
        }
        pattern.cells[0][2] = {PERIOD_C3, CUE_INSTRUMENT_SLOT, 0, 0};
        pattern.cells[2][2] = {PERIOD_C3, CUE_INSTRUMENT_SLOT, 0, 0};
    }
    return module;
}

TestModule quickAllScenesModule() {
    TestModule module = allScenesModule();
    module.patterns[0].cells[0][1].parameter = 1;  // the speed, set on row 0 of the first pattern
    return module;
}
