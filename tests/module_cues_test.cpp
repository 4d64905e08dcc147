// The show takes every cue from the soundtrack. These tests play the generated module as the
// show does, run the real timeline on each frame's snapshot, and check that every cue is seen
// and does what the scenes need.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/SceneState.h"
#include "module_playback.h"
#include "resources/ObjMesh.h"
#include "resources/ResourceManager.h"

namespace {

constexpr int ORDERS = 28;
constexpr int PULSE_FRAMES = 9;  // a pulse decays over 8 frames; a row seen for 10 pulses twice
constexpr int FLAMINGO_ELEMENTS_AT_MOST = 1350;

// Elements of the flamingo mesh the build generates; the agreed ceiling before it exists.
int flamingoElements() {
    std::ifstream obj("Assets/flamingo.obj");
    if (!obj)
        return FLAMINGO_ELEMENTS_AT_MOST;
    ObjMeshData mesh;
    std::string error;
    if (!parseObj(obj, mesh, error))
        ADD_FAILURE() << "Assets/flamingo.obj: " << error;
    return static_cast<int>(mesh.elements.size());
}

// What one playback through the timeline showed, gathered frame by frame.
struct ShowRun {
    std::vector<int> ordersSeen;
    std::set<std::pair<int, int>> rowsSeen;
    bool orderWentBack = false;
    int pulsesInOrders0To7 = 0;
    int growthFullCount = 0;
    int growthAtDrop = -1;       // on the last frame of scene 0
    int growthAfterOrder6 = -1;  // on the last frame of order 6
    int flamingoNoteFrames = 0;  // frames of orders 2..4 whose row has a note on channel 0
    int order6Frames = 0;
    int namesBeforeOrder25 = 0;
    int framesToSpare = -1;  // between the last name fading out and order 25
    int fadeToBlackStartMs = -1;
    bool fadeToBlackDone = false;
    int endMs = 0;
};

ShowRun runShow(Feed feed) {
    resourceManager = ResourceManager::getInstance();
    sceneState = SceneState{};
    demoState = 0;
    sceneState.growthMesh = -1;
    ShowRun run;
    run.growthFullCount = sceneState.growthFullCount = flamingoElements();
    const std::vector<ShowFrame> frames = playAsShow(feed);
    int lastOrder = 0;
    timeMs = 0;
    for (const ShowFrame& frame : frames) {
        deltaMs = frame.timeMs - timeMs;
        timeMs = frame.timeMs;
        musicSnapshot = frame.music;
        const int order = musicSnapshot.order;
        if (order < ORDERS) {  // past the last order the song has ended: this is the show's last frame
            run.orderWentBack |= order < lastOrder;
            lastOrder = order;
            if (run.ordersSeen.empty() || run.ordersSeen.back() != order)
                run.ordersSeen.push_back(order);
            run.rowsSeen.insert({order, musicSnapshot.row});
        }
        if (demoState == 0)
            run.growthAtDrop = sceneState.growthCount;
        const bool doneBefore = sceneState.greetings.done != 0;
        updateDemo();
        if (sceneState.musicPulse == 1.0f && order <= 7)
            ++run.pulsesInOrders0To7;
        if (order >= 2 && order <= 4 && musicSnapshot.note[0] != 0)
            ++run.flamingoNoteFrames;
        if (order == 6) {
            ++run.order6Frames;
            run.growthAfterOrder6 = sceneState.growthCount;
        }
        if (order < 25) {
            run.namesBeforeOrder25 = sceneState.greetings.index;
            if (sceneState.greetings.done)
                run.framesToSpare = doneBefore ? run.framesToSpare + 1 : 0;
        }
        if (order == 27 && musicSnapshot.row == 31)
            run.fadeToBlackStartMs = sceneState.fade.startTime;
    }
    run.fadeToBlackDone = sceneState.fade.fadeIn == 1 && sceneState.fade.finished == 1 &&
                          sceneState.fade.startTime == run.fadeToBlackStartMs;
    run.endMs = frames.back().timeMs;
    return run;
}

const ShowRun& showRun(Feed feed) {
    static const ShowRun device = runShow(Feed::AudibleDevice);
    static const ShowRun capture = runShow(Feed::FrameShares);
    return feed == Feed::AudibleDevice ? device : capture;
}

const std::vector<PlayedRow>& rows() {
    static const std::vector<PlayedRow> played = [] {
        std::vector<PlayedRow> all = playRows();
        // The player's position after the end of the song is not a row of it.
        all.erase(
            std::remove_if(all.begin(), all.end(), [](const PlayedRow& row) { return row.music.order >= ORDERS; }),
            all.end());
        return all;
    }();
    return played;
}

std::string where(const MusicSnapshot& music) {
    return "order " + std::to_string(music.order) + " row " + std::to_string(music.row);
}

class ModuleCues : public ::testing::TestWithParam<Feed> {};

}  // namespace

TEST(ModuleSong, PlaysTwentyEightOrdersOnceEachStartingOnTheDownbeat) {
    EXPECT_EQ(orderCount(), ORDERS);
    int order = 0;
    for (const PlayedRow& row : rows()) {
        if (row.music.order == order)
            continue;
        EXPECT_EQ(row.music.order, order + 1) << "jump from order " << order;
        EXPECT_EQ(row.music.row, 0) << "order " << row.music.order << " entered mid-pattern";
        order = row.music.order;
    }
    EXPECT_EQ(order, ORDERS - 1);
}

TEST(ModuleSong, EveryRowLastsAtLeastATenthOfASecond) {
    double shortest = 1e9;
    for (size_t i = 0; i + 1 < rows().size(); ++i) {
        EXPECT_GE(rows()[i].seconds, 0.1) << where(rows()[i].music);
        shortest = std::min(shortest, rows()[i].seconds);
    }
    std::cout << "shortest row " << shortest * 1000.0 << " ms, song " << rows().back().startSeconds << " s\n";
}

TEST(ModuleSong, OnlyTheGreetingsAndTheTapeStopBeforeThemPlaySlower) {
    // Speed 12 at tempo 215: 6144 samples a row, a beat of exactly six 4096-frame buffers. The
    // greetings (orders 17-24) and the last bar of order 16 slow down; everything else keeps the drive.
    constexpr double ROW_SECONDS = 6144.0 / 44100.0;
    for (size_t i = 0; i + 1 < rows().size(); ++i) {
        const MusicSnapshot& music = rows()[i].music;
        if (music.order >= 16 && music.order <= 24)
            continue;
        EXPECT_NEAR(rows()[i].seconds, ROW_SECONDS, 0.002) << where(music);
    }
}

TEST(ModuleSong, PulseHitsSitOnTheBeatAndStayShort) {
    int hits = 0;
    for (const PlayedRow& row : rows()) {
        if (row.music.order > 7 || row.music.instrument[2] != CUE_INSTRUMENT)
            continue;
        ++hits;
        EXPECT_EQ(row.music.row % 4, 0) << where(row.music) << " is off the beat";
        EXPECT_LE(row.seconds, PULSE_FRAMES / 60.0) << where(row.music);
    }
    EXPECT_EQ(hits, 8 * 16);  // every beat of orders 0 to 7
}

TEST(ModuleSong, EveryGreetingsRowCarriesTheCue) {
    for (const PlayedRow& row : rows()) {
        if (row.music.order >= 17 && row.music.order <= 24) {
            EXPECT_EQ(row.music.instrument[2], CUE_INSTRUMENT) << where(row.music);
        }
    }
}

TEST_P(ModuleCues, EveryRowIsSeenInOrder) {
    const ShowRun& run = showRun(GetParam());
    EXPECT_FALSE(run.orderWentBack);
    for (const PlayedRow& row : rows()) {
        EXPECT_TRUE(run.rowsSeen.count({row.music.order, row.music.row})) << where(row.music) << " never seen";
    }
    std::vector<int> all(ORDERS);
    for (int i = 0; i < ORDERS; ++i)
        all[static_cast<size_t>(i)] = i;
    EXPECT_EQ(run.ordersSeen, all);
}

TEST_P(ModuleCues, EachBeatPulsesTheFloorOnce) {
    int hits = 0;
    for (const PlayedRow& row : rows())
        hits += row.music.order <= 7 && row.music.instrument[2] == CUE_INSTRUMENT;
    EXPECT_EQ(showRun(GetParam()).pulsesInOrders0To7, hits);
}

TEST_P(ModuleCues, FlamingoBuildsFullyAndTakesItselfApartInOrder6) {
    const ShowRun& run = showRun(GetParam());
    std::cout << "flamingo: " << run.growthFullCount << " elements, " << run.flamingoNoteFrames
              << " note frames in orders 2-4, order 6 lasts " << run.order6Frames << " frames\n";
    EXPECT_GT(run.growthFullCount, 0);
    EXPECT_EQ(run.growthAtDrop, run.growthFullCount);
    EXPECT_EQ(run.growthAfterOrder6, 0);
    EXPECT_GE(run.flamingoNoteFrames * 3, run.growthFullCount);
    EXPECT_GE(run.order6Frames * 3, run.growthFullCount);
}

TEST_P(ModuleCues, AllGreetingsAreShownBeforeOrder25) {
    const ShowRun& run = showRun(GetParam());
    std::cout << "greetings: " << run.namesBeforeOrder25 << " names, " << run.framesToSpare << " frames to spare\n";
    EXPECT_EQ(run.namesBeforeOrder25, sceneState.greetings.count);
    EXPECT_GE(run.framesToSpare, 0);
}

TEST_P(ModuleCues, FadeToBlackCompletesBeforeTheMusicEnds) {
    const ShowRun& run = showRun(GetParam());
    ASSERT_GE(run.fadeToBlackStartMs, 0) << "row 31 of order 27 never seen";
    std::cout << "fade to black: " << run.endMs - run.fadeToBlackStartMs << " ms from its start to the end\n";
    EXPECT_GE(run.endMs - run.fadeToBlackStartMs, 3000);
    EXPECT_TRUE(run.fadeToBlackDone);
}

INSTANTIATE_TEST_SUITE_P(Feeds, ModuleCues, ::testing::Values(Feed::AudibleDevice, Feed::FrameShares),
                         [](const ::testing::TestParamInfo<Feed>& feed) {
                             return feed.param == Feed::AudibleDevice ? std::string("AudibleDevice")
                                                                      : std::string("FrameShares");
                         });
