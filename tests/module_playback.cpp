#include "module_playback.h"

#include "music/MusicFeed.h"

#include <cstdint>
// libmodplug's development headers need <cstdint> first.
#include <libmodplug/stdafx.h>
#include <libmodplug/sndfile.h>

#include <stdexcept>
#include <string>

namespace {
constexpr int SAMPLE_RATE = 44100;
constexpr int DEVICE_BUFFER = 4096;

ModPlugFile* loadForShow() {
    applyPlayerSettings();
    std::string error;
    ModPlugFile* file = loadModuleFile(MODULE_PATH, error);
    if (!file)
        throw std::runtime_error(error);
    return file;
}

// Mixes sample frames; false once the player has reached the end of the song.
bool advance(ModPlugFile* file, int sampleFrames) {
    std::vector<int16_t> buffer(static_cast<size_t>(sampleFrames) * 2);
    return ModPlug_Read(file, buffer.data(), sampleFrames * AUDIO_BYTES_PER_FRAME) > 0;
}
}  // namespace

std::vector<ShowFrame> playAsShow(Feed feed) {
    ModPlugFile* file = loadForShow();
    MusicTimeline timeline;
    MusicSnapshot start;
    copyMusicSnapshot(file, start);
    resetMusicTimeline(timeline, start, SAMPLE_RATE, 0);
    std::vector<uint8_t> buffer(DEVICE_BUFFER * AUDIO_BYTES_PER_FRAME);
    std::vector<ShowFrame> frames;
    long buffersRead = 0;
    bool playing = true;
    for (int frame = 0; playing; ++frame) {
        ShowFrame shown;
        shown.timeMs = frame * 1000 / 60;
        if (feed == Feed::AudibleDevice) {
            // The device asks for its first buffer on unpause and for the next one each time a buffer has played.
            const int64_t nowUs = static_cast<int64_t>(frame) * 1000000 / 60;
            while (playing) {
                const int64_t takenUs = static_cast<int64_t>(buffersRead) * DEVICE_BUFFER * 1000000 / SAMPLE_RATE;
                if (takenUs > nowUs)
                    break;
                playing =
                    mixDeviceBuffer(file, timeline, buffer.data(), static_cast<int32_t>(buffer.size()), takenUs) > 0;
                ++buffersRead;
            }
            shown.music = audibleMusicState(timeline, nowUs);
        } else {
            playing = advance(file, SAMPLE_RATE / 60);
            copyMusicSnapshot(file, shown.music);
        }
        frames.push_back(shown);
    }
    ModPlug_Unload(file);
    return frames;
}

std::vector<PlayedRow> playRows() {
    constexpr int STEP = 32;  // sample frames between looks at the player
    ModPlugFile* file = loadForShow();
    std::vector<PlayedRow> rows;
    long played = 0;
    for (bool playing = true; playing; played += STEP) {
        playing = advance(file, STEP);
        MusicSnapshot music;
        copyMusicSnapshot(file, music);
        const double now = static_cast<double>(played) / SAMPLE_RATE;
        if (rows.empty() || rows.back().music.order != music.order || rows.back().music.row != music.row) {
            if (!rows.empty())
                rows.back().seconds = now - rows.back().startSeconds;
            rows.push_back({music, now, 0.0});
        }
    }
    rows.back().seconds = static_cast<double>(played) / SAMPLE_RATE - rows.back().startSeconds;
    ModPlug_Unload(file);
    return rows;
}

int orderCount() {
    ModPlugFile* file = loadForShow();
    const CSoundFile& player = *reinterpret_cast<CSoundFile*>(file);
    int count = 0;
    while (count < MAX_ORDERS && player.Order[count] != 0xFF)
        ++count;
    ModPlug_Unload(file);
    return count;
}

std::vector<int16_t> renderStereo() {
    ModPlugFile* file = loadForShow();
    std::vector<int16_t> stereo;
    std::vector<int16_t> buffer(DEVICE_BUFFER * 2);
    for (;;) {
        const int bytes = ModPlug_Read(file, buffer.data(), DEVICE_BUFFER * AUDIO_BYTES_PER_FRAME);
        if (bytes <= 0)
            break;
        stereo.insert(stereo.end(), buffer.begin(), buffer.begin() + bytes / 2);
    }
    ModPlug_Unload(file);
    return stereo;
}
