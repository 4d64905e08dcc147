#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "demo/ShowPosition.h"

// The show's command line. Without options the show runs as designed.
struct ShowOptions {
    int32_t avOffsetMs = 0;  // added to the estimate of the sample being heard
    bool windowed = false;   // a resizable window with a border instead of full-screen
    int32_t windowWidth = 1280;
    int32_t windowHeight = 720;
    int32_t display = -1;  // full-screen on this display, counted from 0; -1: where the desktop puts it
    bool loop = false;     // start again from the beginning when the music ends
    bool mute = false;     // play silently, in time, through SDL's silent audio driver
    bool help = false;
    bool version = false;
    bool hasStart = false;
    ShowPosition start;  // where the music starts; the show skips ahead to it
    bool watch = false;  // reload shader sources that change on disk
    bool stats = false;  // print how evenly the frames came when the show ends
};

// A second either way: more than any sound system's delay.
constexpr int32_t MAX_AV_OFFSET_MS = 1000;
// Window sizes a desktop can show; smaller would leave no picture to see.
constexpr int32_t MIN_WINDOW_SIDE = 64;
constexpr int32_t MAX_WINDOW_SIDE = 16384;
// Ends the show before any window opens when the command line can't be used.
constexpr int SHOW_OPTIONS_EXIT_CODE = 5;

// Arguments without the program name. False with a one-line reason naming the bad option or value.
bool parseShowOptions(const std::vector<std::string>& args, ShowOptions& options, std::string& error);

std::string showUsage();

// One line: the program, its version and what it is.
std::string showVersion();
