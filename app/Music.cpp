#include "app/Music.h"

#include <iostream>

namespace {

constexpr int AUDIO_BUFFER_FRAMES = 4096;

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
    audioBytesRead.store(ModPlug_Read(modFile, stream, length));
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

MusicSnapshot readMusicSnapshot(SDL_AudioDeviceID device) {
    // Under the device lock the copy never mixes two player ticks.
    MusicSnapshot snapshot;
    SDL_LockAudioDevice(device);
    copyMusicSnapshot(modFile, snapshot);
    SDL_UnlockAudioDevice(device);
    return snapshot;
}
