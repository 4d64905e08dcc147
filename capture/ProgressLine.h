#pragma once
#include <chrono>
#include <cstdint>
#include <string>

// "frame 1200 of ~14000, 41.5 fps, 5:09 left" on standard error, about once a second:
// rewritten in place on a terminal, a new line every ten seconds otherwise.
struct ProgressLine {
    bool enabled = true;
    bool terminal = false;
    int64_t expectedFrames = 0;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastShown;
};

ProgressLine startProgress(bool enabled, int64_t expectedFrames);
void showProgress(ProgressLine& progress, int64_t framesDone, bool final);

// The running line's text: frames done, the estimate and the time left while the estimate holds;
// past it, only the frames done and the rate.
std::string progressText(int64_t expectedFrames, int64_t framesDone, double rate);
