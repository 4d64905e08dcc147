#include "music/MusicTimeline.h"

#include <algorithm>

namespace {

constexpr int64_t MICROSECONDS = 1000000;

int32_t ringIndex(const MusicTimeline& timeline, int32_t back) {
    const auto capacity = static_cast<int32_t>(timeline.states.size());
    return (timeline.newest - back + capacity) % capacity;
}

}  // namespace

void resetMusicTimeline(MusicTimeline& timeline, const MusicSnapshot& start, int32_t sampleRate, int32_t offsetMs) {
    timeline = MusicTimeline{};
    timeline.states.assign(MUSIC_TIMELINE_STATES, TimedMusicState{});
    timeline.sampleRate = sampleRate;
    timeline.offsetMs = offsetMs;
    recordMusicState(timeline, 0, start);
}

int64_t takeDeviceBuffer(MusicTimeline& timeline, int32_t frames, int64_t nowUs) {
    timeline.playing = {timeline.deviceFrames, frames, nowUs};
    timeline.deviceFrames += frames;
    return timeline.playing.startFrame;
}

void recordMusicState(MusicTimeline& timeline, int64_t endFrame, const MusicSnapshot& music) {
    if (timeline.states.empty()) {
        return;
    }
    const auto capacity = static_cast<int32_t>(timeline.states.size());
    timeline.newest = (timeline.newest + 1) % capacity;
    timeline.states[static_cast<size_t>(timeline.newest)] = {endFrame, music};
    timeline.count = std::min(timeline.count + 1, capacity);
}

int64_t audibleFrame(const MusicTimeline& timeline, int64_t nowUs) {
    const DeviceBuffer& buffer = timeline.playing;
    // Before its callback the buffer has not started; once it is played out the device waits
    // for the next one (a late callback, the paused device at the end) and the sound holds there.
    const int64_t played =
        std::clamp<int64_t>((nowUs - buffer.takenUs) * timeline.sampleRate / MICROSECONDS, 0, buffer.frames);
    return buffer.startFrame + played + static_cast<int64_t>(timeline.offsetMs) * timeline.sampleRate / 1000;
}

MusicSnapshot musicStateAt(const MusicTimeline& timeline, int64_t frame) {
    if (timeline.count == 0) {
        return MusicSnapshot{};
    }
    // From the newest back: the heard sample is almost always in the last few chunks.
    int32_t found = timeline.newest;
    for (int32_t back = 0; back < timeline.count; ++back) {
        const int32_t index = ringIndex(timeline, back);
        if (timeline.states[static_cast<size_t>(index)].endFrame <= frame) {
            break;
        }
        found = index;
    }
    return timeline.states[static_cast<size_t>(found)].music;
}

MusicSnapshot audibleMusicState(const MusicTimeline& timeline, int64_t nowUs) {
    return musicStateAt(timeline, audibleFrame(timeline, nowUs));
}
