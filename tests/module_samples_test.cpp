// The module file itself: its samples loop without clicks, and the build's generator writes
// the same bytes every time it runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/ModuleHeader.h"
#include "music/Player.h"
#include "support/ScratchFolder.h"

namespace {

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int word(const std::vector<uint8_t>& bytes, size_t at) { return bytes.at(at) << 8 | bytes.at(at + 1); }

struct SampleView {
    std::string name;
    std::vector<int8_t> data;
    size_t loopStart = 0;
    size_t loopLength = 0;  // 0: a one-shot
};

// The 31 sample slots of a ProTracker module with their data.
std::vector<SampleView> readSamples(const std::vector<uint8_t>& mod) {
    // The samples follow the patterns; the header reader knows the channel tags.
    size_t sampleBytes = 0;
    for (size_t slot = 0; slot < 31; ++slot)
        sampleBytes += 2 * static_cast<size_t>(word(mod, 20 + slot * 30 + 22));
    const size_t needed = static_cast<size_t>(protrackerModuleBytes(mod.data(), mod.size()));
    EXPECT_EQ(needed, mod.size()) << "the header does not describe the file, or bytes follow the last sample";
    if (needed < PROTRACKER_HEADER_BYTES + sampleBytes)
        return {};
    size_t data = needed - sampleBytes;
    std::vector<SampleView> samples;
    for (size_t slot = 0; slot < 31; ++slot) {
        const size_t header = 20 + slot * 30;
        SampleView sample;
        sample.name.assign(mod.begin() + header, mod.begin() + header + 22);
        sample.name = sample.name.c_str();
        const size_t length = 2 * word(mod, header + 22);
        if (word(mod, header + 28) > 1) {
            sample.loopStart = 2 * word(mod, header + 26);
            sample.loopLength = 2 * word(mod, header + 28);
        }
        EXPECT_LE(data + length, mod.size()) << "sample " << slot + 1 << " runs past the file";
        for (size_t i = 0; i < length && data + i < mod.size(); ++i)
            sample.data.push_back(static_cast<int8_t>(mod[data + i]));
        data += length;
        samples.push_back(sample);
    }
    return samples;
}

}  // namespace

TEST(ModuleSamples, LoopsJoinWithoutAClick) {
    int loops = 0;
    for (const SampleView& sample : readSamples(readBytes(MODULE_PATH))) {
        if (!sample.loopLength)
            continue;
        ++loops;
        ASSERT_LE(sample.loopStart + sample.loopLength, sample.data.size()) << sample.name;
        // Where the loop wraps, the wave must step no further than it ever steps inside the loop.
        int largestStep = 0;
        for (size_t i = sample.loopStart + 1; i < sample.loopStart + sample.loopLength; ++i)
            largestStep = std::max(largestStep, std::abs(sample.data[i] - sample.data[i - 1]));
        const int seam =
            std::abs(sample.data[sample.loopStart] - sample.data[sample.loopStart + sample.loopLength - 1]);
        EXPECT_LE(seam, largestStep) << sample.name << " clicks at its loop point";
    }
    EXPECT_GT(loops, 4);  // bass, lead, voice and the chord pads sustain
}

TEST(ModuleSamples, TheCueInstrumentIsAShortSound) {
    const std::vector<SampleView> samples = readSamples(readBytes(MODULE_PATH));
    const SampleView& cue = samples.at(9);  // instrument 10
    EXPECT_FALSE(cue.data.empty());
    EXPECT_EQ(cue.loopLength, 0u) << "a looping cue sound would ring through every greeting";
}

TEST(ModuleSamples, RegeneratingTheModuleGivesTheSameBytes) {
    if (!std::filesystem::exists("tools/module/ondaris_module")) {
        GTEST_SKIP() << "this build reuses generated assets and has no generators";
    }
    const ScratchFolder folder("module");
    const std::string copy = folder.path + "/regenerated.mod";
    const std::string command =
        "tools/module/ondaris_module \"" TEST_SOURCE_DIR "/../tools/module/song/ondaris.song\" '" + copy + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(readBytes(copy), readBytes(MODULE_PATH));
}
