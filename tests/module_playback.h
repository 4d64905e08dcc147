#pragma once
// Plays Assets/ondaris.mod through libmodplug with the show's player settings and
// records what the show sees of it, for the soundtrack's tests.
#include <cstdint>
#include <string>
#include <vector>

#include <libmodplug/modplug.h>

struct PlayerState {
  int order = 0;
  int pattern = 0;
  int row = 0;
  uint8_t instrument[4] = {0, 0, 0, 0};
  int note[4] = {0, 0, 0, 0};
};

// One show frame at 60 per second: the clock and the copy of the player taken that frame.
struct ShowFrame {
  int timeMs = 0;
  PlayerState state;
};

// How the player is advanced between frames: by the audio device, 4096 sample frames per
// callback, or by the capture, one frame's share of samples (735) per frame.
enum class Feed { DeviceBuffers, FrameShares };

struct ShowPlayback {
  std::vector<ShowFrame> frames;  // the last one is the frame on which the music ended
};

// A row as the player really plays it, timed to about a millisecond.
struct PlayedRow {
  int order = 0;
  int row = 0;
  double startSeconds = 0.0;
  double seconds = 0.0;
  uint8_t instrument[4] = {0, 0, 0, 0};
  int note[4] = {0, 0, 0, 0};
};

const std::string MODULE_PATH = "Assets/ondaris.mod";

std::vector<uint8_t> readModuleFile();
// Loads with the show's settings (stereo separation 64, loop count 1, the rest as the library has it).
ModPlugFile* loadWithShowSettings(const std::vector<uint8_t>& module);
PlayerState readPlayerState(ModPlugFile* file);
// Order list entries before the end marker.
int orderCount(ModPlugFile* file);

ShowPlayback playAsShow(Feed feed);
std::vector<PlayedRow> playRows();
// Interleaved 16-bit stereo, 44100 Hz, to the end of the song.
std::vector<int16_t> renderStereo();
