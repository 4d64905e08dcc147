#pragma once
#include <cstdint>

// How long after a frame takes its music it reaches the screen, measured on the frames before it:
// from the moment a frame looks up the music to the return of its buffer swap. With vertical sync
// the swap returns once the display has taken the frame, about one refresh after it was drawn;
// on a display that shows a frame as it is swapped (no vertical sync, a virtual X server), as soon
// as it is drawn. The median of the latest frames, so that one slow frame does not move the next.

constexpr int32_t PRESENTATION_HISTORY = 9;

struct PresentationDelay {
    int64_t recentUs[PRESENTATION_HISTORY] = {};
    int32_t count = 0;
    int32_t next = 0;
};

// A frame that looked up its music at `drawnUs` and whose swap returned at `presentedUs`.
void recordPresentation(PresentationDelay& delay, int64_t drawnUs, int64_t presentedUs);

// How long after looking up its music the next frame is expected on screen; 0 before any frame.
int64_t expectedPresentationUs(const PresentationDelay& delay);
