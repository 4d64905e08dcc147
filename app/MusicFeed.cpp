#include "app/MusicFeed.h"

#include <algorithm>
#include <cstring>

#include <SDL.h>

#include "app/Music.h"

MusicTimeline musicTimeline;

int32_t mixDeviceBuffer(ModPlugFile* player, MusicTimeline& timeline, uint8_t* stream, int32_t length,
                        int64_t nowUs) {
    const int64_t startFrame = takeDeviceBuffer(timeline, length / AUDIO_BYTES_PER_FRAME, nowUs);
    int32_t produced = 0;
    while (produced < length) {
        const int32_t chunk = std::min(length - produced, MUSIC_CHUNK_FRAMES * AUDIO_BYTES_PER_FRAME);
        const int32_t mixed = ModPlug_Read(player, stream + produced, chunk);
        if (mixed <= 0) {
            break;
        }
        produced += mixed;
        MusicSnapshot state;
        copyMusicSnapshot(player, state);
        recordMusicState(timeline, startFrame + produced / AUDIO_BYTES_PER_FRAME, state);
        if (mixed < chunk) {
            break;  // the song ended inside this chunk
        }
    }
    std::memset(stream + produced, 0, static_cast<size_t>(length - produced));
    return produced;
}

void startMusicTimeline(int32_t avOffsetMs) {
    MusicSnapshot start;
    copyMusicSnapshot(modFile, start);
    resetMusicTimeline(musicTimeline, start, AUDIO_FREQUENCY, avOffsetMs);
}

int64_t audioClockUs() {
    const auto counter = static_cast<int64_t>(SDL_GetPerformanceCounter());
    const auto frequency = static_cast<int64_t>(SDL_GetPerformanceFrequency());
    // Split so that a nanosecond counter after days of uptime does not overflow.
    return counter / frequency * 1000000 + counter % frequency * 1000000 / frequency;
}
