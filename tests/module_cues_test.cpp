// The show takes every cue from the soundtrack; these tests play the generated module as the
// show does and check that each cue can be seen and does what the timeline needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "module_playback.h"

namespace {

constexpr int ORDERS = 28;
constexpr int GREETING_NAMES = 57;
constexpr int PULSE_FRAMES = 9;  // a pulse decays for 8 frames; a 10th frame in one row pulses again
constexpr int FLAMINGO_ELEMENTS_AT_MOST = 1350;

// Elements the flamingo mesh draws in full: three per triangle of its faces.
int flamingoElements() {
  std::ifstream obj("Assets/flamingo.obj");
  if (!obj) return FLAMINGO_ELEMENTS_AT_MOST;
  int elements = 0;
  std::string line;
  while (std::getline(obj, line)) {
    std::istringstream words(line);
    std::string kind, corner;
    words >> kind;
    if (kind != "f") continue;
    int corners = 0;
    while (words >> corner) ++corners;
    elements += 3 * std::max(0, corners - 2);
  }
  return elements;
}

// What the timeline does with the music, frame by frame: scenes, pulses, flamingo, greetings.
struct TimelineModel {
  int demoState = 0;
  float musicPulse = 0.6f;
  int pulseLatch = 0;
  int growthFullCount = 0;
  int growthCount = 0;
  enum Phase { WAITING, FADING_IN, HOLDING, FADING_OUT } phase = WAITING;
  int alpha = 0;
  int greetingIndex = 0;
  bool greetingsDone = false;
  int fadeToBlackStartMs = -1;
  bool pulsed = false;

  void update(const ShowFrame& frame, int deltaMs) {
    const PlayerState& music = frame.state;
    static const std::map<int, int> ENTERED_AT = {{5, 1}, {8, 2}, {15, 3}, {17, 4}, {23, 5}, {25, 6}};
    auto entry = ENTERED_AT.find(music.order);
    if (entry != ENTERED_AT.end() && demoState == entry->second - 1) demoState = entry->second;
    pulsed = music.instrument[2] == 10 && pulseLatch == 0;
    if (pulsed) {
      musicPulse = 1.0f;
      pulseLatch = 10;
    } else {
      musicPulse -= 0.05f;
      if (musicPulse < 0.6f) {
        musicPulse = 0.6f;
        pulseLatch = 0;
      }
    }
    if (demoState == 0 && music.order > 1 && music.note[0] != 0)
      growthCount = std::min(growthCount + 3, growthFullCount);
    if (demoState == 1 && music.order > 5) growthCount = std::max(growthCount - 3, 0);
    if (demoState == 4 || demoState == 5) updateGreetings(music, deltaMs);
    if (demoState == 6 && music.order == 27 && music.row == 31) fadeToBlackStartMs = frame.timeMs;
  }

  void updateGreetings(const PlayerState& music, int deltaMs) {
    if (greetingsDone) return;
    const int step = static_cast<int>(static_cast<float>(deltaMs) * 0.4f);
    switch (phase) {
      case WAITING:
        if (music.instrument[2] == 10) {
          alpha = 0;
          phase = FADING_IN;
        }
        break;
      case FADING_IN:
        alpha += step;
        if (alpha >= 255) {
          alpha = 255;
          phase = HOLDING;
        }
        break;
      case HOLDING:
        phase = FADING_OUT;
        break;
      case FADING_OUT:
        alpha -= step;
        if (alpha <= 0) {
          alpha = 0;
          phase = WAITING;
          if (++greetingIndex >= GREETING_NAMES) greetingsDone = true;
        }
        break;
    }
  }
};

// What one playback through the timeline shows, gathered frame by frame.
struct ShowRun {
  std::vector<int> ordersSeen;
  std::set<std::pair<int, int>> rowsSeen;
  int pulsesInOrders0To7 = 0;
  int growthAtDrop = -1;       // growthCount on the last frame before scene 1
  int growthAfterOrder6 = -1;  // growthCount on the last frame of order 6
  int flamingoNoteFrames = 0;  // frames of orders 2..4 whose row has a note on channel 0
  int order6Frames = 0;
  int greetingsDoneBeforeOrder25 = 0;
  int framesLeftBeforeOrder25 = -1;  // frames between the last name fading out and order 25
  int fadeStartMs = -1;
  int endMs = 0;
  bool orderWentBack = false;
  int growthFullCount = 0;
};

ShowRun runShow(Feed feed) {
  const ShowPlayback playback = playAsShow(feed);
  TimelineModel model;
  model.growthFullCount = flamingoElements();
  ShowRun run;
  run.growthFullCount = model.growthFullCount;
  int previousMs = 0;
  int lastOrder = 0;
  for (const ShowFrame& frame : playback.frames) {
    const int order = frame.state.order;
    if (order >= ORDERS) break;  // the end of the song: the frame loop stops on this frame
    if (order < lastOrder) run.orderWentBack = true;
    lastOrder = order;
    if (run.ordersSeen.empty() || run.ordersSeen.back() != order) run.ordersSeen.push_back(order);
    run.rowsSeen.insert({order, frame.state.row});
    const int stateBefore = model.demoState;
    const bool doneBefore = model.greetingsDone;
    if (stateBefore == 0 && order == 5) run.growthAtDrop = model.growthCount;
    model.update(frame, frame.timeMs - previousMs);
    previousMs = frame.timeMs;
    if (model.pulsed && order <= 7) ++run.pulsesInOrders0To7;
    if (order >= 2 && order <= 4 && frame.state.note[0] != 0) ++run.flamingoNoteFrames;
    if (order == 6) {
      ++run.order6Frames;
      run.growthAfterOrder6 = model.growthCount;
    }
    if (order < 25) {
      run.greetingsDoneBeforeOrder25 = model.greetingIndex;
      if (model.greetingsDone && !doneBefore) {
        run.framesLeftBeforeOrder25 = 0;
      } else if (model.greetingsDone) {
        ++run.framesLeftBeforeOrder25;
      }
    }
  }
  run.fadeStartMs = model.fadeToBlackStartMs;
  run.endMs = playback.frames.back().timeMs;  // the frame on which the music ended
  return run;
}

const ShowRun& showRun(Feed feed) {
  static const ShowRun device = runShow(Feed::DeviceBuffers);
  static const ShowRun capture = runShow(Feed::FrameShares);
  return feed == Feed::DeviceBuffers ? device : capture;
}

const std::vector<PlayedRow>& rows() {
  static const std::vector<PlayedRow> played = [] {
    std::vector<PlayedRow> all = playRows();
    // The player's state after the end of the song is not a row of it.
    all.erase(std::remove_if(all.begin(), all.end(), [](const PlayedRow& row) { return row.order >= ORDERS; }),
              all.end());
    return all;
  }();
  return played;
}

class ModuleCues : public ::testing::TestWithParam<Feed> {};

}  // namespace

TEST(ModuleSong, HasTwentyEightOrdersPlayedOnceInSequence) {
  ModPlugFile* file = loadWithShowSettings(readModuleFile());
  EXPECT_EQ(orderCount(file), ORDERS);
  int expectedOrder = 0;
  for (const PlayedRow& row : rows()) {
    if (row.order != expectedOrder) {
      // Every section starts on its first row, the downbeat, right after the one before.
      EXPECT_EQ(row.order, expectedOrder + 1) << "jump from order " << expectedOrder;
      EXPECT_EQ(row.row, 0) << "order " << row.order << " entered mid-pattern";
      expectedOrder = row.order;
    }
  }
  EXPECT_EQ(expectedOrder, ORDERS - 1);
}

TEST(ModuleSong, EveryRowLastsAtLeastATenthOfASecond) {
  double shortest = 1e9;
  for (size_t i = 0; i + 1 < rows().size(); ++i) {
    EXPECT_GE(rows()[i].seconds, 0.1) << "order " << rows()[i].order << " row " << rows()[i].row;
    shortest = std::min(shortest, rows()[i].seconds);
  }
  std::cout << "shortest row " << shortest * 1000.0 << " ms\n";
}

TEST(ModuleSong, PulseHitsSitOnTheBeatAndStayShort) {
  int hits = 0;
  for (const PlayedRow& row : rows()) {
    if (row.order > 7 || row.instrument[2] != 10) continue;
    ++hits;
    EXPECT_EQ(row.row % 4, 0) << "order " << row.order << " row " << row.row << " is off the beat";
    EXPECT_LE(row.seconds, PULSE_FRAMES / 60.0 + 1e-3) << "order " << row.order << " row " << row.row;
  }
  EXPECT_GE(hits, 8 * 16 - 1);  // a beat each: the song opens with one pan command on the hat channel
}

TEST(ModuleSong, GreetingsRowsAllCarryTheCue) {
  for (const PlayedRow& row : rows()) {
    if (row.order >= 17 && row.order <= 24) EXPECT_EQ(row.instrument[2], 10) << "order " << row.order << " row " << row.row;
  }
}

TEST_P(ModuleCues, EveryRowIsSeenInOrder) {
  const ShowRun& run = showRun(GetParam());
  EXPECT_FALSE(run.orderWentBack);
  for (const PlayedRow& row : rows()) {
    EXPECT_TRUE(run.rowsSeen.count({row.order, row.row})) << "order " << row.order << " row " << row.row << " unseen";
  }
  std::vector<int> all(ORDERS);
  for (int i = 0; i < ORDERS; ++i) all[static_cast<size_t>(i)] = i;
  EXPECT_EQ(run.ordersSeen, all);
}

TEST_P(ModuleCues, EachBeatPulsesTheFloorOnce) {
  int hits = 0;
  for (const PlayedRow& row : rows())
    if (row.order <= 7 && row.instrument[2] == 10) ++hits;
  EXPECT_EQ(showRun(GetParam()).pulsesInOrders0To7, hits);
}

TEST_P(ModuleCues, FlamingoBuildsFullyAndTakesItselfApartInOrder6) {
  const ShowRun& run = showRun(GetParam());
  std::cout << "flamingo: " << run.growthFullCount << " elements, " << run.flamingoNoteFrames
            << " note frames in orders 2-4, order 6 lasts " << run.order6Frames << " frames\n";
  EXPECT_EQ(run.growthAtDrop, run.growthFullCount);
  EXPECT_EQ(run.growthAfterOrder6, 0);
  EXPECT_GE(run.flamingoNoteFrames * 3, run.growthFullCount);
  EXPECT_GE(run.order6Frames * 3, run.growthFullCount);
}

TEST_P(ModuleCues, AllGreetingsAreShownBeforeOrder25) {
  const ShowRun& run = showRun(GetParam());
  std::cout << "greetings: " << run.greetingsDoneBeforeOrder25 << " names, " << run.framesLeftBeforeOrder25
            << " frames to spare\n";
  EXPECT_EQ(run.greetingsDoneBeforeOrder25, GREETING_NAMES);
  EXPECT_GE(run.framesLeftBeforeOrder25, 0);
}

TEST_P(ModuleCues, FadeToBlackCompletesBeforeTheMusicEnds) {
  const ShowRun& run = showRun(GetParam());
  ASSERT_GE(run.fadeStartMs, 0) << "row 31 of order 27 never seen";
  std::cout << "fade to black: " << run.endMs - run.fadeStartMs << " ms from its start to the end\n";
  EXPECT_GE(run.endMs - run.fadeStartMs, 3000);
}

INSTANTIATE_TEST_SUITE_P(Feeds, ModuleCues, ::testing::Values(Feed::DeviceBuffers, Feed::FrameShares),
                         [](const ::testing::TestParamInfo<Feed>& feed) {
                           return feed.param == Feed::DeviceBuffers ? std::string("DeviceBuffers")
                                                                    : std::string("FrameShares");
                         });
