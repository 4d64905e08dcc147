#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include <libmodplug/modplug.h>

#include "base/MusicSnapshot.h"
#include "music/PlayerSettings.h"

constexpr int32_t AUDIO_FREQUENCY = 44100;
constexpr int32_t AUDIO_BYTES_PER_FRAME = 4;  // 16-bit stereo
constexpr const char* MODULE_PATH = "Assets/ondaris.mod";

// The snapshot of the frame being made: what the timeline and the composition read.
extern MusicSnapshot musicSnapshot;
extern ModPlugFile* modFile;
// Bytes the latest mix produced; 0 once the song has ended.
extern std::atomic<int32_t> audioBytesRead;

// Reads the module file whole and loads it into the player. Null with a one-line reason on failure:
// not a regular file, an unusable size, a ProTracker-style module shorter than its header says,
// or a file the player refuses.
ModPlugFile* loadModuleFile(const char* path, std::string& error);

// The same checks and load for a module already in memory; `path` names it in the reason.
ModPlugFile* loadModuleBytes(const char* bytes, size_t size, const char* path, std::string& error);

// The snapshot fields of a player, in their order: position first, then channels 0 to 3.
void copyMusicSnapshot(ModPlugFile* player, MusicSnapshot& snapshot);

// Entries of the module's order list, up to its end mark.
int32_t moduleOrderCount(ModPlugFile* player);
