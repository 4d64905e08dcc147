#include "music/MusicFeed.h"

#include <algorithm>
#include <cstring>

#include "music/Player.h"

MusicTimeline musicTimeline;

int32_t mixDeviceBuffer(ModPlugFile* player, MusicTimeline& timeline, uint8_t* stream, int32_t length, int64_t nowUs) {
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
