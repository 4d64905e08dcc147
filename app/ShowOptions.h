#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The show's command line. Without options the show runs as designed.
struct ShowOptions {
    int32_t avOffsetMs = 0;  // added to the estimate of the sample being heard
};

// A second either way: more than any sound system's delay.
constexpr int32_t MAX_AV_OFFSET_MS = 1000;
// Ends the show before any window opens when the command line can't be used.
constexpr int SHOW_OPTIONS_EXIT_CODE = 5;

// Arguments without the program name. False with a one-line reason naming the bad option or value.
bool parseShowOptions(const std::vector<std::string>& args, ShowOptions& options, std::string& error);

std::string showUsage();
