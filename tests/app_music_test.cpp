#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/Music.h"
#include "support/ScratchFolder.h"
#include "support/TestModule.h"

namespace {

// Through the loader of module files, from a file that goes once it has been read.
ModPlugFile* loadThroughFile(const std::vector<uint8_t>& bytes, std::string& error) {
    const ScratchFolder folder("module");
    const std::string path = folder.path + "/song.mod";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return loadModuleFile(path.c_str(), error);
}

ModPlugFile* loadBytes(const std::vector<uint8_t>& bytes) {
    applyPlayerSettings();
    std::string error;
    ModPlugFile* file = loadThroughFile(bytes, error);
    EXPECT_NE(file, nullptr) << error;
    return file;
}

// Mixes the song in steps of one 60 Hz frame and records a snapshot after each one, up to the
// end of the order list (the player then fades the last notes out on spare channels).
std::vector<MusicSnapshot> snapshotsUntilEnd(ModPlugFile* file, int orderCount) {
    std::vector<MusicSnapshot> snapshots;
    std::vector<char> buffer(735 * AUDIO_BYTES_PER_FRAME);
    while (ModPlug_Read(file, buffer.data(), static_cast<int>(buffer.size())) > 0 && snapshots.size() < 100000) {
        MusicSnapshot snapshot;
        copyMusicSnapshot(file, snapshot);
        if (snapshot.order < orderCount) {
            snapshots.push_back(snapshot);
        }
    }
    return snapshots;
}

TestModule cueModule() {
    TestModule module = walkingModule(3, 4, 3, 125);
    module.patterns[1].cells[1][2] = {PERIOD_C3, 10, 0, 0};
    module.patterns[1].cells[2][0] = {PERIOD_C3, 3, 0, 0};
    return module;
}

}  // namespace

TEST(MusicSnapshot, CopiesPositionAndRowCellsOfChannelsZeroToThree) {
    TestModule module = cueModule();
    ModPlugFile* file = loadBytes(moduleBytes(module));
    ASSERT_NE(file, nullptr);
    bool sawCue = false;
    bool sawNote = false;
    for (const MusicSnapshot& s : snapshotsUntilEnd(file, static_cast<int>(module.orders.size()))) {
        EXPECT_EQ(s.pattern, s.order) << "one pattern per order in this module";
        if (s.order == 1 && s.row == 1) {
            sawCue = true;
            EXPECT_EQ(s.instrument[2], 10);
            EXPECT_NE(s.note[2], 0);
        } else if (s.order == 1 && s.row == 2) {
            sawNote = true;
            EXPECT_EQ(s.instrument[2], 0) << "an empty cell reads 0 for its whole row";
            EXPECT_EQ(s.note[2], 0);
            EXPECT_EQ(s.instrument[0], 3);
            EXPECT_NE(s.note[0], 0);
        } else {
            EXPECT_EQ(s.instrument[2], 0);
        }
    }
    EXPECT_TRUE(sawCue);
    EXPECT_TRUE(sawNote);
    ModPlug_Unload(file);
}

TEST(MusicSnapshot, ChannelsTheModuleLacksReadZero) {
    // One note per channel: a retriggered note would park its old voice on a spare channel.
    TestModule module = walkingModule(2, 4, 3, 125);
    module.channels = 2;
    module.patterns[0].cells[0][0] = {PERIOD_C3, 2, 0, 0};
    module.patterns[0].cells[0][1] = {PERIOD_C3, 4, EFFECT_SET_SPEED, 3};
    ModPlugFile* file = loadBytes(moduleBytes(module));
    ASSERT_NE(file, nullptr);
    std::vector<MusicSnapshot> snapshots = snapshotsUntilEnd(file, static_cast<int>(module.orders.size()));
    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.front().instrument[0], 2);
    EXPECT_EQ(snapshots.front().instrument[1], 4);
    for (const MusicSnapshot& s : snapshots) {
        EXPECT_EQ(s.instrument[2], 0);
        EXPECT_EQ(s.instrument[3], 0);
        EXPECT_EQ(s.note[2], 0);
        EXPECT_EQ(s.note[3], 0);
    }
    ModPlug_Unload(file);
}

TEST(MusicSnapshot, MusicDataKeepsTheSnapshotOrder) {
    MusicSnapshot s;
    s.order = 7;
    s.pattern = 9;
    s.row = 31;
    for (int c = 0; c < 4; ++c) {
        s.instrument[c] = static_cast<uint8_t>(200 + c);
        s.note[c] = 40 + c;
    }
    int32_t values[MUSIC_DATA_COUNT];
    musicDataValues(s, values);
    const int32_t expected[MUSIC_DATA_COUNT] = {7, 9, 31, 200, 201, 202, 203, 40, 41, 42, 43};
    for (int i = 0; i < MUSIC_DATA_COUNT; ++i) {
        EXPECT_EQ(values[i], expected[i]) << "value " << i;
    }
}

TEST(MusicPlayer, SongThatJumpsBackPlaysTwiceThenEnds) {
    TestModule module = walkingModule(2, 4, 3, 125);
    module.patterns[1].cells[3][3] = {0, 0, 0x0B, 0};  // position jump to order 0
    ModPlugFile* file = loadBytes(moduleBytes(module));
    ASSERT_NE(file, nullptr);
    int entriesIntoOrderOne = 0;
    int lastOrder = -1;
    for (const MusicSnapshot& s : snapshotsUntilEnd(file, static_cast<int>(module.orders.size()))) {
        if (s.order == 1 && lastOrder != 1) {
            ++entriesIntoOrderOne;
        }
        lastOrder = s.order;
    }
    EXPECT_EQ(entriesIntoOrderOne, 2);
    ModPlug_Unload(file);
}

TEST(MusicPlayer, CallbackPublishesZeroOnceTheSongHasEnded) {
    modFile = loadBytes(moduleBytes(walkingModule(1, 4, 3, 125)));
    ASSERT_NE(modFile, nullptr);
    std::vector<Uint8> buffer(4096 * AUDIO_BYTES_PER_FRAME);
    int callbacks = 0;
    int32_t previous = 0;
    do {
        previous = audioBytesRead.load();
        audioCallback(nullptr, buffer.data(), static_cast<int>(buffer.size()));
        ++callbacks;
    } while (audioBytesRead.load() != 0 && callbacks < 1000);
    EXPECT_EQ(audioBytesRead.load(), 0);
    EXPECT_GT(previous, 0) << "the last buffer before the end still carried sound";
    audioCallback(nullptr, buffer.data(), static_cast<int>(buffer.size()));
    EXPECT_EQ(audioBytesRead.load(), 0) << "and every callback after it reports 0";
    ModPlug_Unload(modFile);
    modFile = nullptr;
}

TEST(MusicPlayer, ModuleFileProblemsAreNamed) {
    std::string error;
    EXPECT_EQ(loadModuleFile("/nonexistent/ondaris.mod", error), nullptr);
    EXPECT_NE(error.find("/nonexistent/ondaris.mod"), std::string::npos);

    std::vector<uint8_t> garbage(3000);
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<uint8_t>(i * 7919u >> 3);
    }
    error.clear();
    EXPECT_EQ(loadThroughFile(garbage, error), nullptr);
    EXPECT_NE(error.find("damaged"), std::string::npos);

    error.clear();
    EXPECT_EQ(loadThroughFile({}, error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(AudioDevice, SnapshotsTakenWhileTheCallbackRunsAreWhole) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    TestModule module = walkingModule(8, 4, 1, 250);
    modFile = loadBytes(moduleBytes(module));
    ASSERT_NE(modFile, nullptr);
    audioBytesRead.store(255);
    SDL_AudioDeviceID device = openAudioDevice();
    ASSERT_NE(device, 0u);
    startMusicTimeline(0);
    SDL_PauseAudioDevice(device, 0);
    int lastOrder = 0;
    int lastRow = 0;
    for (int i = 0; i < 400 && audioBytesRead.load() != 0; ++i) {
        const MusicSnapshot snapshot = readHeardMusic(device, 0).snapshot;
        EXPECT_TRUE(snapshot.order > lastOrder || (snapshot.order == lastOrder && snapshot.row >= lastRow))
            << "the heard position only moves forward";
        if (snapshot.order < static_cast<int32_t>(module.orders.size())) {
            EXPECT_EQ(snapshot.pattern, snapshot.order) << "position and pattern from one player tick";
        }
        lastOrder = snapshot.order;
        lastRow = snapshot.row;
        SDL_Delay(5);
    }
    SDL_PauseAudioDevice(device, 1);
    ModPlug_Unload(modFile);
    modFile = nullptr;
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    EXPECT_GT(lastOrder, 0) << "the device's callback advanced the song";
}
