#pragma once
// The song as the module stores it: instrument slots, patterns of cells, the order list.
#include <cstdint>
#include <string>
#include <vector>

constexpr int ROWS_PER_PATTERN = 64;
constexpr int MAX_SLOTS = 31;
constexpr int MIN_CHANNELS = 2;
constexpr int MAX_CHANNELS = 32;

struct Cell {
    int note = -1;  // tracker note index (0 is C-1, 35 is B-3), -1 for none
    int instrument = 0;
    int effect = 0;
    int parameter = 0;
    // Where the text wrote it, for error messages: the innermost phrase and its row.
    std::string phrase;
    int phraseRow = -1;
};

struct Pattern {
    std::string name;
    std::vector<Cell> cells;  // row-major: row * channels + channel
};

struct InstrumentSlot {
    int slot = 0;  // 1..31
    std::string name;
    std::string recipe;
    int volume = 64;
    std::vector<std::string> arguments;  // recipe parameters, such as a chord's notes
};

struct Song {
    std::string title;
    int channels = 4;
    std::vector<InstrumentSlot> instruments;
    std::vector<Pattern> patterns;
    std::vector<int> orders;  // pattern numbers
};
