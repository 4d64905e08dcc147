#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include <SDL.h>
#include <libmodplug/modplug.h>

// The player's position and the cells of channels 0 to 3 at the current row, copied once a frame.
struct MusicSnapshot {
    int32_t order = 0;
    int32_t pattern = 0;
    int32_t row = 0;
    uint8_t instrument[4] = {0, 0, 0, 0};
    int32_t note[4] = {0, 0, 0, 0};
};

constexpr int32_t MUSIC_DATA_COUNT = 11;
constexpr int32_t AUDIO_FREQUENCY = 44100;
constexpr int32_t AUDIO_BYTES_PER_FRAME = 4;  // 16-bit stereo
constexpr const char* MODULE_PATH = "Assets/ondaris.mod";

extern MusicSnapshot musicSnapshot;
extern ModPlugFile* modFile;
// Bytes the latest audio callback produced; 0 once the song has ended.
extern std::atomic<int32_t> audioBytesRead;

// SDL's pull callback: mixes the next buffer straight from the player.
void audioCallback(void* userdata, Uint8* stream, int length);

// Stereo separation 64 and one loop over the library defaults; applied before loading.
void applyPlayerSettings();

// Opens the default output device, paused. Without one, falls back to SDL's silent
// "dummy" driver so the music still advances in real time. Returns 0 if even that fails.
SDL_AudioDeviceID openAudioDevice();

// Reads the module file whole and loads it into the player. Null with a one-line reason on failure:
// not a regular file, an unusable size, a ProTracker-style module shorter than its header says,
// or a file the player refuses.
ModPlugFile* loadModuleFile(const char* path, std::string& error);

// The snapshot fields of a player, in their order: position first, then channels 0 to 3.
void copyMusicSnapshot(ModPlugFile* player, MusicSnapshot& snapshot);

// Entries of the module's order list, up to its end mark.
int32_t moduleOrderCount(ModPlugFile* player);

// The frame loop's refresh: copies the player under the audio device's lock.
void refreshMusicSnapshot(SDL_AudioDeviceID device);

// The eleven integers of the "MODData" uniform, in snapshot order.
void musicDataValues(const MusicSnapshot& snapshot, int32_t values[MUSIC_DATA_COUNT]);
