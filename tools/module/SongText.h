#pragma once
// Reads the song's tracker-like text (see song/ondaris.song for the notation).
#include <istream>

#include "Song.h"

// Throws std::runtime_error naming the line of the first mistake.
Song parseSong(std::istream& text);

// Throws std::runtime_error with the message after "song line LINE: ".
[[noreturn]] void failAtSongLine(int line, const std::string& message);

// Rows a sustained sound may go on after its note before the song must have ended it.
constexpr int MAX_RING_ROWS = 96;

// Plays the order list row by row and throws, naming the note's pattern, channel, row and
// phrase, when a note of a looping sample sounds more than MAX_RING_ROWS rows without a new
// note or a volume of 0 on its channel. loops[slot] tells whether instrument slot loops.
void checkNoteEnds(const Song& song, const std::vector<bool>& loops);
