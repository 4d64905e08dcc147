#include "app/Music.h"

#include <iostream>

namespace {

constexpr int AUDIO_BUFFER_FRAMES = 4096;

// SDL's high-resolution counter in microseconds, the same clock on the audio and the main thread.
int64_t audioClockUs() {
    const auto counter = static_cast<int64_t>(SDL_GetPerformanceCounter());
    const auto frequency = static_cast<int64_t>(SDL_GetPerformanceFrequency());
    // Split so that a nanosecond counter after days of uptime does not overflow.
    return counter / frequency * 1000000 + counter % frequency * 1000000 / frequency;
}

SDL_AudioDeviceID openDefaultDevice() {
    SDL_AudioSpec wanted{};
    wanted.freq = AUDIO_FREQUENCY;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = AUDIO_BUFFER_FRAMES;
    wanted.callback = audioCallback;
    wanted.userdata = nullptr;
    SDL_AudioSpec obtained{};
    return SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
}

}  // namespace

void audioCallback(void* /*userdata*/, Uint8* stream, int length) {
    audioBytesRead.store(mixDeviceBuffer(modFile, musicTimeline, stream, length, audioClockUs()));
}

SDL_AudioDeviceID openAudioDevice() {
    SDL_AudioDeviceID device = openDefaultDevice();
    if (device != 0) {
        return device;
    }
    // Without a device the music would never advance and the show would stand still;
    // the silent driver still runs the callback in real time.
    std::cerr << "No audio output (" << SDL_GetError() << "): the show plays silently" << std::endl;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return 0;
    }
    return openDefaultDevice();
}

HeardMusic readHeardMusic(SDL_AudioDeviceID device, int64_t leadUs) {
    // The frame shows the state recorded for the sample heard when it is seen (music/MusicTimeline.h),
    // not the player's, which is up to two buffers ahead. The clock is read under the lock, so no
    // callback can have started after it.
    SDL_LockAudioDevice(device);
    HeardMusic heard;
    heard.atUs = audioClockUs();
    heard.frame = audibleFrame(musicTimeline, heard.atUs + leadUs);
    heard.snapshot = musicStateAt(musicTimeline, heard.frame);
    SDL_UnlockAudioDevice(device);
    return heard;
}
