#include "app/Music.h"

#include <fstream>
#include <iostream>
#include <vector>

#include "app/MusicFeed.h"

// The player object's development header needs the fixed-width types first.
#include <cstdint>
#include <libmodplug/stdafx.h>
#include <libmodplug/sndfile.h>

MusicSnapshot musicSnapshot;
ModPlugFile* modFile = nullptr;
std::atomic<int32_t> audioBytesRead{255};

namespace {

constexpr int AUDIO_BUFFER_FRAMES = 4096;
// Far beyond any real module; refuses absurd files before allocating for them.
constexpr std::streamoff MAX_MODULE_BYTES = 64 * 1024 * 1024;

// A loaded module handle holds the player object as its first and only member.
const CSoundFile& playerOf(ModPlugFile* file) { return *reinterpret_cast<const CSoundFile*>(file); }

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

void applyPlayerSettings() {
    ModPlug_Settings settings;
    ModPlug_GetSettings(&settings);
    settings.mStereoSeparation = 64;
    settings.mLoopCount = 1;
    ModPlug_SetSettings(&settings);
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

ModPlugFile* loadModuleFile(const char* path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        error = std::string("Cannot open the music module ") + path;
        return nullptr;
    }
    file.seekg(0, std::ios::end);
    std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (size <= 0 || size > MAX_MODULE_BYTES) {
        error = std::string("The music module ") + path + " has an unusable size of " + std::to_string(size) + " bytes";
        return nullptr;
    }
    std::vector<char> bytes(static_cast<size_t>(size));
    file.read(bytes.data(), size);
    if (file.gcount() != size) {
        error = std::string("The music module ") + path + " could not be read whole (" +
                std::to_string(file.gcount()) + " of " + std::to_string(size) + " bytes)";
        return nullptr;
    }
    ModPlugFile* loaded = ModPlug_Load(bytes.data(), static_cast<int>(size));
    if (loaded == nullptr) {
        error = std::string("The music module ") + path + " is damaged or not a module the player can read";
    }
    return loaded;
}

void copyMusicSnapshot(ModPlugFile* player, MusicSnapshot& snapshot) {
    const CSoundFile& song = playerOf(player);
    snapshot.row = static_cast<int32_t>(song.m_nRow);
    snapshot.pattern = static_cast<int32_t>(song.m_nPattern);
    snapshot.order = static_cast<int32_t>(song.m_nCurrentPattern);
    for (int channel = 0; channel < 4; ++channel) {
        snapshot.instrument[channel] = song.Chn[channel].nRowInstr;
        snapshot.note[channel] = song.Chn[channel].nRowNote;
    }
}

void refreshMusicSnapshot(SDL_AudioDeviceID device) {
    // The frame shows the state recorded for the sample heard now (app/MusicTimeline.h), not the
    // player's, which is up to two buffers ahead. The clock is read under the lock, so no callback
    // can have started after it.
    SDL_LockAudioDevice(device);
    musicSnapshot = audibleMusicState(musicTimeline, audioClockUs());
    SDL_UnlockAudioDevice(device);
}

void musicDataValues(const MusicSnapshot& snapshot, int32_t values[MUSIC_DATA_COUNT]) {
    values[0] = snapshot.order;
    values[1] = snapshot.pattern;
    values[2] = snapshot.row;
    for (int channel = 0; channel < 4; ++channel) {
        values[3 + channel] = snapshot.instrument[channel];
        values[7 + channel] = snapshot.note[channel];
    }
}
