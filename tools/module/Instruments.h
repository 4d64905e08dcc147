#pragma once
// Named sound recipes; the song text picks one for each instrument slot.
#include "ModFile.h"
#include "Song.h"

// Throws std::runtime_error for an unknown recipe or bad arguments.
SampleData renderInstrument(const InstrumentSlot& slot);
