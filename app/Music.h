#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include <SDL.h>
#include <libmodplug/modplug.h>

#include "app/MusicSnapshot.h"

constexpr int32_t MUSIC_DATA_COUNT = 11;
constexpr int32_t AUDIO_FREQUENCY = 44100;
constexpr int32_t AUDIO_BYTES_PER_FRAME = 4;  // 16-bit stereo
constexpr const char* MODULE_PATH = "Assets/ondaris.mod";

extern MusicSnapshot musicSnapshot;
extern ModPlugFile* modFile;
// Bytes the latest audio callback produced; 0 once the song has ended.
extern std::atomic<int32_t> audioBytesRead;

// SDL's pull callback: mixes the next buffer straight from the player into the show's timeline.
void audioCallback(void* userdata, Uint8* stream, int length);

// Stereo separation 64 and one loop over the library defaults; applied before loading.
void applyPlayerSettings();

// Opens the default output device, paused. Without one, falls back to SDL's silent
// "dummy" driver so the music still advances in real time. Returns 0 if even that fails.
SDL_AudioDeviceID openAudioDevice();

// Reads the module file whole and loads it into the player. Null with a one-line reason on failure.
ModPlugFile* loadModuleFile(const char* path, std::string& error);

// The snapshot fields of a player, in their order: position first, then channels 0 to 3.
void copyMusicSnapshot(ModPlugFile* player, MusicSnapshot& snapshot);

// The frame loop's refresh: the state heard now, taken from the timeline under the audio device's lock.
void refreshMusicSnapshot(SDL_AudioDeviceID device);

// The eleven integers of the "MODData" uniform, in snapshot order.
void musicDataValues(const MusicSnapshot& snapshot, int32_t values[MUSIC_DATA_COUNT]);
