#pragma once
#include <gtest/gtest.h>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/SceneState.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"

// Drives the timeline without a window: scripted snapshots and a 16 ms clock.
class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        resourceManager = ResourceManager::getInstance();
        sceneState = SceneState{};
        demoState = 0;
        musicSnapshot = MusicSnapshot{};
        timeMs = PRE_ROLL_MS;
        deltaMs = 16;
    }

    // One frame of the show at the given music position.
    void frame(int32_t order, int32_t row = 0) {
        timeMs += deltaMs;
        musicSnapshot.order = order;
        musicSnapshot.row = row;
        updateDemo();
    }

    void frames(int32_t count, int32_t order, int32_t row = 0) {
        for (int32_t i = 0; i < count; ++i) {
            frame(order, row);
        }
    }

    // Plays the trigger orders until the show stands in the given scene.
    void enterScene(int32_t scene) {
        frame(0);
        for (int32_t i = 0; i < scene; ++i) {
            frame(SCENE_TRIGGER_ORDERS[i]);
        }
        ASSERT_EQ(demoState, scene);
    }
};
