// Feeds arbitrary bytes to the module loader (our size and ProTracker checks, then libmodplug's
// load) and plays what loads for two device buffers through the show's own mixing path, so the
// mixer and the music timeline run on the damaged data too. A refusal must be one short,
// printable line that names the module.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "music/MusicFeed.h"
#include "music/Player.h"
#include "music/PlayerSettings.h"

namespace {

constexpr const char* NAME = "fuzz.mod";
constexpr size_t ERROR_LIMIT = 200;
constexpr int32_t DEVICE_FRAMES = 4096;  // the show's device buffer
constexpr int DEVICE_BUFFERS = 2;
constexpr int32_t ORDER_TABLE = 256;  // the player's order list
constexpr int64_t BUFFER_US = int64_t{DEVICE_FRAMES} * 1000000 / AUDIO_FREQUENCY;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void checkRefusal(const std::string& error) {
    require(error.rfind(std::string("The music module ") + NAME + " ", 0) == 0, "a refusal names the module");
    require(error.size() < ERROR_LIMIT, "a refusal fits on a line");
    for (const char c : error) {
        require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a refusal holds no control bytes");
    }
}

bool sameSnapshot(const MusicSnapshot& a, const MusicSnapshot& b) {
    int32_t first[MUSIC_DATA_COUNT];
    int32_t second[MUSIC_DATA_COUNT];
    musicDataValues(a, first);
    musicDataValues(b, second);
    for (int i = 0; i < MUSIC_DATA_COUNT; ++i) {
        if (first[i] != second[i]) {
            return false;
        }
    }
    return true;
}

// Mixes as the audio callback does and reads back what a frame would show.
void play(ModPlugFile* module) {
    const int32_t orders = moduleOrderCount(module);
    require(orders >= 0 && orders <= ORDER_TABLE, "the order list is counted within its table");
    MusicSnapshot start;
    copyMusicSnapshot(module, start);
    MusicTimeline timeline;
    resetMusicTimeline(timeline, start, AUDIO_FREQUENCY, 0);
    require(sameSnapshot(audibleMusicState(timeline, 0), start), "before any sound the start state shows");
    std::vector<uint8_t> buffer(DEVICE_FRAMES * AUDIO_BYTES_PER_FRAME);
    const auto length = static_cast<int32_t>(buffer.size());
    for (int i = 0; i < DEVICE_BUFFERS; ++i) {
        const int64_t nowUs = i * BUFFER_US;
        const int32_t produced = mixDeviceBuffer(module, timeline, buffer.data(), length, nowUs);
        require(produced >= 0 && produced <= length, "a mix fills at most its buffer");
        require(produced % AUDIO_BYTES_PER_FRAME == 0, "a mix produces whole sample frames");
        for (int32_t at = produced; at < length; ++at) {
            require(buffer[static_cast<size_t>(at)] == 0, "what the song does not fill is silence");
        }
        MusicSnapshot now;
        copyMusicSnapshot(module, now);
        if (produced == length) {
            require(sameSnapshot(musicStateAt(timeline, timeline.deviceFrames + DEVICE_FRAMES), now),
                    "past the mixed music the newest state shows");
        }
        const int64_t heard = audibleFrame(timeline, nowUs + BUFFER_US / 2);
        require(heard >= timeline.playing.startFrame && heard <= timeline.playing.startFrame + DEVICE_FRAMES,
                "the sample heard lies in the buffer being played");
        audibleMusicState(timeline, nowUs + BUFFER_US / 2);
        if (produced < length) {
            break;  // the song has ended: the show stops here
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    applyPlayerSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    ModPlugFile* module = loadModuleBytes(reinterpret_cast<const char*>(data), size, NAME, error);
    if (module == nullptr) {
        checkRefusal(error);
        return 0;
    }
    require(error.empty(), "a loaded module has no refusal");
    play(module);
    ModPlug_Unload(module);
    return 0;
}
