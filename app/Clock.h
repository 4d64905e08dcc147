#pragma once
#include <cstdint>

// Show clock and state, all in milliseconds of SDL's tick count.
extern int32_t timeMs;
extern int32_t deltaMs;
extern int32_t frameTickMs;
extern int32_t lastTickMs;
// -1 during the pre-roll, then scenes 0 to 6.
extern int32_t demoState;
