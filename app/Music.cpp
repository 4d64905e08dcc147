#include "app/Music.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "app/ModuleHeader.h"

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
    audioBytesRead.store(ModPlug_Read(modFile, stream, length));
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
    // Opening a named pipe would wait for a writer forever, and a folder has no size to read.
    std::error_code statusError;
    std::filesystem::file_status status = std::filesystem::status(path, statusError);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error = std::string("The music module ") + path + " is not a regular file";
        return nullptr;
    }
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
    uint64_t needed = protrackerModuleBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (needed > static_cast<uint64_t>(size)) {
        error = std::string("The music module ") + path + " is cut short: its header asks for " +
                std::to_string(needed) + " bytes, the file has " + std::to_string(size);
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

int32_t moduleOrderCount(ModPlugFile* player) {
    const CSoundFile& song = playerOf(player);
    int32_t count = 0;
    while (count < MAX_ORDERS && song.Order[count] != 0xFF) {
        ++count;
    }
    return count;
}

void refreshMusicSnapshot(SDL_AudioDeviceID device) {
    // Under the device lock the copy never mixes two player ticks.
    SDL_LockAudioDevice(device);
    copyMusicSnapshot(modFile, musicSnapshot);
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
