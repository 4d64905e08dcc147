#include "module_playback.h"

#include <cstdint>
// libmodplug's development headers need <cstdint> first.
#include <libmodplug/stdafx.h>
#include <libmodplug/sndfile.h>
#include <libmodplug/modplug.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {
constexpr int SAMPLE_RATE = 44100;
constexpr int DEVICE_BUFFER = 4096;

CSoundFile& player(ModPlugFile* file) { return *reinterpret_cast<CSoundFile*>(file); }

// Reads sample frames; false once the player has reached the end of the song.
bool advance(ModPlugFile* file, int sampleFrames) {
  std::vector<int16_t> buffer(static_cast<size_t>(sampleFrames) * 2);
  return ModPlug_Read(file, buffer.data(), sampleFrames * 4) > 0;
}
}  // namespace

std::vector<uint8_t> readModuleFile() {
  std::ifstream in(MODULE_PATH, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + MODULE_PATH);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

ModPlugFile* loadWithShowSettings(const std::vector<uint8_t>& module) {
  ModPlug_Settings settings;
  ModPlug_GetSettings(&settings);
  settings.mStereoSeparation = 64;
  settings.mLoopCount = 1;
  ModPlug_SetSettings(&settings);
  ModPlugFile* file = ModPlug_Load(module.data(), static_cast<int>(module.size()));
  if (!file) throw std::runtime_error("libmodplug rejected " + MODULE_PATH);
  return file;
}

PlayerState readPlayerState(ModPlugFile* file) {
  const CSoundFile& p = player(file);
  PlayerState state;
  state.row = static_cast<int>(p.m_nRow);
  state.pattern = static_cast<int>(p.m_nPattern);
  state.order = static_cast<int>(p.m_nCurrentPattern);
  for (int channel = 0; channel < 4; ++channel) {
    state.instrument[channel] = p.Chn[channel].nRowInstr;
    state.note[channel] = p.Chn[channel].nRowNote;
  }
  return state;
}

int orderCount(ModPlugFile* file) {
  int count = 0;
  while (count < MAX_ORDERS && player(file).Order[count] != 0xFF) ++count;
  return count;
}

ShowPlayback playAsShow(Feed feed) {
  ModPlugFile* file = loadWithShowSettings(readModuleFile());
  ShowPlayback playback;
  long buffersRead = 0;
  bool playing = true;
  for (int frame = 0; playing; ++frame) {
    const int timeMs = frame * 1000 / 60;
    if (feed == Feed::DeviceBuffers) {
      // The device asks for its first buffer on unpause and for the next one each time a buffer has played.
      const long due = static_cast<long>(timeMs) * SAMPLE_RATE / (1000L * DEVICE_BUFFER) + 1;
      for (; buffersRead < due && playing; ++buffersRead) playing = advance(file, DEVICE_BUFFER);
    } else {
      playing = advance(file, SAMPLE_RATE / 60);
    }
    playback.frames.push_back({timeMs, readPlayerState(file)});
  }
  ModPlug_Unload(file);
  return playback;
}

std::vector<PlayedRow> playRows() {
  constexpr int STEP = 32;  // sample frames between looks at the player: under a millisecond
  ModPlugFile* file = loadWithShowSettings(readModuleFile());
  std::vector<PlayedRow> rows;
  long played = 0;
  for (bool playing = true; playing; played += STEP) {
    playing = advance(file, STEP);
    const PlayerState state = readPlayerState(file);
    const double now = static_cast<double>(played) / SAMPLE_RATE;
    if (rows.empty() || rows.back().order != state.order || rows.back().row != state.row) {
      if (!rows.empty()) rows.back().seconds = now - rows.back().startSeconds;
      PlayedRow row;
      row.order = state.order;
      row.row = state.row;
      row.startSeconds = now;
      for (int channel = 0; channel < 4; ++channel) {
        row.instrument[channel] = state.instrument[channel];
        row.note[channel] = state.note[channel];
      }
      rows.push_back(row);
    }
  }
  if (!rows.empty()) rows.back().seconds = static_cast<double>(played) / SAMPLE_RATE - rows.back().startSeconds;
  ModPlug_Unload(file);
  return rows;
}

std::vector<int16_t> renderStereo() {
  ModPlugFile* file = loadWithShowSettings(readModuleFile());
  std::vector<int16_t> stereo;
  std::vector<int16_t> buffer(DEVICE_BUFFER * 2);
  for (;;) {
    const int bytes = ModPlug_Read(file, buffer.data(), DEVICE_BUFFER * 4);
    if (bytes <= 0) break;
    stereo.insert(stereo.end(), buffer.begin(), buffer.begin() + bytes / 2);
  }
  ModPlug_Unload(file);
  return stereo;
}
