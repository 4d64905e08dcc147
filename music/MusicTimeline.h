#pragma once
#include <cstdint>
#include <vector>

#include "base/MusicSnapshot.h"

// Which sample of the music the listener hears now, and the player's state at that sample.
//
// The audio callback mixes its buffer in chunks and records, after each chunk, how far the music
// has been mixed and the player's state then. The device takes a whole buffer when its callback
// runs and plays it from that moment at the sample rate, so the sample heard at a moment is the
// start of the latest buffer plus the time since its callback, never past that buffer's end. SDL 2
// reports no output latency, so nothing is taken off for it; a signed offset (the show's
// --av-offset) corrects for a sound system that is later or earlier than that. A frame shows the
// state recorded for the chunk holding the heard sample: at most one chunk ahead of the ears.
//
// Plain data with no SDL: the callback writes it and the frame loop reads it under the audio
// device's lock, and nothing here allocates after resetMusicTimeline.

// 11.6 ms at 44.1 kHz: finer than one 60 Hz frame.
constexpr int32_t MUSIC_CHUNK_FRAMES = 512;
// About three seconds of chunks: the look-up spans the buffer being played (SDL's largest,
// 65535 frames, is 128 chunks) and the largest negative offset (1 s, 87 chunks).
constexpr int32_t MUSIC_TIMELINE_STATES = 256;

struct TimedMusicState {
    int64_t endFrame = 0;  // sample frames mixed when the state was recorded
    MusicSnapshot music;
};

// The buffer the device took last: its first sample frame, its length and when its callback ran.
struct DeviceBuffer {
    int64_t startFrame = 0;
    int32_t frames = 0;
    int64_t takenUs = 0;
};

struct MusicTimeline {
    std::vector<TimedMusicState> states;  // a ring: the oldest state is overwritten first
    int32_t newest = -1;
    int32_t count = 0;
    int64_t deviceFrames = 0;  // sample frames handed to the device, silence included
    DeviceBuffer playing;
    int32_t sampleRate = 0;
    int32_t offsetMs = 0;
};

// Allocates the ring and records the loaded module's state as the state before any sound.
void resetMusicTimeline(MusicTimeline& timeline, const MusicSnapshot& start, int32_t sampleRate, int32_t offsetMs);

// A callback begins: the device takes `frames` more sample frames at `nowUs`; returns the first.
int64_t takeDeviceBuffer(MusicTimeline& timeline, int32_t frames, int64_t nowUs);

// The player's state once the music has been mixed up to `endFrame`. Ignored before a reset.
void recordMusicState(MusicTimeline& timeline, int64_t endFrame, const MusicSnapshot& music);

// The sample frame heard at `nowUs`, the offset included (may lie before 0 or past the mixed music).
int64_t audibleFrame(const MusicTimeline& timeline, int64_t nowUs);

// The state recorded for the chunk holding `frame`: the newest past the mixed music, the oldest
// kept before the kept history, the default snapshot before a reset.
MusicSnapshot musicStateAt(const MusicTimeline& timeline, int64_t frame);

// What a frame drawn at `nowUs` shows of the music.
MusicSnapshot audibleMusicState(const MusicTimeline& timeline, int64_t nowUs);
