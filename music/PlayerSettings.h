#pragma once
#include <libmodplug/modplug.h>

// Stereo separation 64 and one loop over the library defaults; applied before loading.
// The show, the capture and the soundtrack's own renderer all hear the module through these.
inline void applyPlayerSettings() {
    ModPlug_Settings settings;
    ModPlug_GetSettings(&settings);
    settings.mStereoSeparation = 64;
    settings.mLoopCount = 1;
    ModPlug_SetSettings(&settings);
}
