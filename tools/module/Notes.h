#pragma once
// Note names and the pitches they stand for.
#include <string>

constexpr double PAULA_CLOCK = 3546895.0;  // PAL Amiga clock: playback rate = clock / period

// Tracker notes "C-1".."B-3" (sharps as "C#2") are indices 0..35; -1 for anything else.
int parseTrackerNote(const std::string& text);
// Scientific pitch such as "A3" or "F#4" to a MIDI note number (C4 is 60); throws when unreadable.
int parsePitch(const std::string& text);

int notePeriod(int note);
double noteRate(int note);  // sample frames a second at which a note plays a sample
double midiHz(double midiNote);
