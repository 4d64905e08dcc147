#include "Notes.h"

#include <array>
#include <cmath>
#include <stdexcept>

namespace {

constexpr std::array<int, 36> PERIODS = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                                         428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                                         214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

// Semitone of a letter and an optional sharp above C, or -1.
int semitone(const std::string& text) {
    static const std::string LETTERS = "C D EF G A B";
    const size_t letter = text.empty() || text[0] == ' ' ? std::string::npos : LETTERS.find(text[0]);
    if (letter == std::string::npos) {
        return -1;
    }
    return static_cast<int>(letter) + (text.size() > 1 && text[1] == '#' ? 1 : 0);
}

}  // namespace

int parseTrackerNote(const std::string& text) {
    const int step = semitone(text);
    if (text.size() != 3 || step < 0 || (text[1] != '-' && text[1] != '#') || text[2] < '1' || text[2] > '3') {
        return -1;
    }
    const int note = (text[2] - '1') * 12 + step;
    return note < static_cast<int>(PERIODS.size()) ? note : -1;
}

int parsePitch(const std::string& text) {
    const int step = semitone(text);
    const size_t octaveAt = text.size() > 1 && text[1] == '#' ? 2 : 1;
    // Two digits at most: a longer octave is no pitch, and would overflow the number.
    if (step < 0 || octaveAt >= text.size() || text.size() - octaveAt > 2 ||
        text.find_first_not_of("0123456789", octaveAt) != std::string::npos) {
        throw std::runtime_error("bad pitch " + text);
    }
    return 12 * (std::stoi(text.substr(octaveAt)) + 1) + step;
}

int notePeriod(int note) { return PERIODS.at(static_cast<size_t>(note)); }

double noteRate(int note) { return PAULA_CLOCK / notePeriod(note); }

double midiHz(double midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69.0) / 12.0); }
