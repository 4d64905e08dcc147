#pragma once
#include <cstdint>

// (Re)starts the screen fade from the current show time: fadeIn 1 rises from
// transparent to the colour, 0 falls from the colour to transparent.
void startFade(uint8_t fadeIn, uint32_t color, int32_t durationMs);

// Moves the fade's alpha to where the show time puts it; a finished fade stays.
void advanceFade();
