#pragma once
// Reads the song's tracker-like text (see song/ondaris.song for the notation).
#include <istream>

#include "Song.h"

// Throws std::runtime_error naming the line of the first mistake.
Song parseSong(std::istream& text);
