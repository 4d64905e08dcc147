#pragma once
#include <cstdint>
#include <string>

#include "base/MusicSnapshot.h"

// A point of the show: a time since the music started, or a position in the module's order list.
// The capture's clips and stills and the show's --start are all written this way.
struct ShowPosition {
    bool byOrder = false;
    int32_t timeMs = 0;
    int32_t order = 0;
    int32_t row = 0;
    std::string text;  // as written on the command line
};

// "12.5s", "1500ms" or "ORDER:ROW" ("5:0").
bool parseShowPosition(const std::string& text, ShowPosition& position, std::string& error);

// The pattern number the player reports once it has run off the end of its order list (the last
// notes then fade out for a few frames).
constexpr int32_t END_OF_ORDER_LIST = 0xFF;

// True for the first frame at or past the position: by the show time, or by (order, row) taken
// together. An order position past the module's last row is never reached: the order list has no
// such place, even while the last notes fade.
bool positionReached(const ShowPosition& position, int32_t showMs, const MusicSnapshot& snapshot);

// Whole string as a non-negative decimal integer no larger than `limit`.
bool parseCount(const std::string& text, int64_t limit, int32_t& value);

// An argument as a long option: "--name=value" gives name and value and true; anything else is the
// name alone (a value may then follow as the next argument).
bool splitLongOption(const std::string& arg, std::string& name, std::string& value);
