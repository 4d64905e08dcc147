// Picture and sound in step, measured from outside the show: reads the logs that the preloaded
// library bench/avsync/AvLog.c wrote while the real executable played across a scene change, and
// says when the new scene's first frame reached the screen against the moment its first sample was
// heard. The downbeat comes from the module itself (libmodplug with the show's settings), its
// heard time from the audio callbacks (the device plays a buffer from the moment it takes it, as
// SDL's silent driver does), the new scene's first frame from the colour signatures of the swapped
// frames, set against the capture's own frames on both sides of the change.
// Usage: bench_av_sync ORDER WIDTHxHEIGHT LOG SHOW_OUTPUT [LOG SHOW_OUTPUT...]
//   ORDER: the order position that starts the scene; each LOG and SHOW_OUTPUT from one run of the
//   show started with --start a little before it, on a screen of WIDTHxHEIGHT.
#include <unistd.h>

#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "bench/avsync/Signature.h"
#include "capture/CaptureOptions.h"
#include "capture/CaptureRun.h"
#include "demo/FrameClock.h"
#include "music/Player.h"

namespace fs = std::filesystem;

namespace {

using Signature = std::vector<uint8_t>;

constexpr int32_t FPS = 60;
// Steps in which the module is mixed to find where an order starts: 0.7 ms.
constexpr int32_t MIX_STEP_FRAMES = 32;
// Capture frames before the change that show the old scene's own motion, and frames after it
// looked at for the first one that shows the new scene.
constexpr size_t OLD_FRAMES = 4;
constexpr int32_t FRAMES_AFTER = 12;
// The first frame of the new scene: the earliest allowed before its downbeat (one chunk of the
// show's mixing, 512 frames) and the latest after it.
constexpr double EARLIEST_MS = -512.0 * 1000.0 / AUDIO_FREQUENCY;
constexpr double LATEST_MS = 50.0;

struct AudioCallback {
    int64_t startUs = 0;
    int64_t firstFrame = 0;  // the device's sample frames before this buffer
    int64_t frames = 0;
};

struct SwappedFrame {
    int64_t callUs = 0;
    int64_t returnUs = 0;
    int64_t cpuUs = 0;  // the process's CPU time when the swap returned
    Signature signature;
};

struct RunLog {
    std::vector<AudioCallback> callbacks;
    std::vector<SwappedFrame> swaps;
};

RunLog readLog(const std::string& path) {
    RunLog log;
    std::ifstream file(path);
    std::string kind;
    int64_t devicePosition = 0;
    while (file >> kind) {
        if (kind == "A") {
            AudioCallback callback;
            int64_t bytes = 0;
            file >> callback.startUs >> bytes;
            callback.firstFrame = devicePosition;
            callback.frames = bytes / AUDIO_BYTES_PER_FRAME;
            devicePosition += callback.frames;
            log.callbacks.push_back(callback);
        } else {
            SwappedFrame swap;
            std::string hex;
            file >> swap.callUs >> swap.returnUs >> swap.cpuUs >> hex;
            for (size_t i = 0; i + 1 < hex.size(); i += 2) {
                swap.signature.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            }
            log.swaps.push_back(swap);
        }
    }
    return log;
}

// When the device plays its sample frame `frame`: from the buffer holding it, which it plays from
// the moment it took it. -1 when no logged buffer holds it.
double heardUs(const RunLog& log, int64_t frame) {
    for (const AudioCallback& callback : log.callbacks) {
        if (frame >= callback.firstFrame && frame < callback.firstFrame + callback.frames) {
            return static_cast<double>(callback.startUs) +
                   static_cast<double>(frame - callback.firstFrame) * 1e6 / AUDIO_FREQUENCY;
        }
    }
    return -1;
}

// The song's sample frames mixed before the run's music began: the --start line names the frame
// the show skipped to, whose music was mixed whole ("Starting at 7:48: frame 4242, ...").
int64_t framesBeforeStart(const std::string& showOutputPath) {
    std::ifstream file(showOutputPath);
    std::string line;
    while (std::getline(file, line)) {
        long frame = 0;
        const size_t at = line.find(": frame ");
        if (line.rfind("Starting at ", 0) == 0 && at != std::string::npos &&
            std::sscanf(line.c_str() + at, ": frame %ld", &frame) == 1) {
            return static_cast<int64_t>(frame + 1) * AUDIO_FREQUENCY / FPS;
        }
    }
    return 0;
}

// The song's first sample frame of order `order`, to a mixing step.
int64_t orderStartFrame(int32_t order) {
    applyPlayerSettings();
    std::string error;
    ModPlugFile* player = loadModuleFile(MODULE_PATH, error);
    if (player == nullptr) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return -1;
    }
    std::vector<uint8_t> step(MIX_STEP_FRAMES * AUDIO_BYTES_PER_FRAME);
    int64_t mixed = 0;
    MusicSnapshot music;
    while (ModPlug_Read(player, step.data(), static_cast<int>(step.size())) > 0) {
        copyMusicSnapshot(player, music);
        if (music.order >= order) {
            ModPlug_Unload(player);
            return mixed;
        }
        mixed += MIX_STEP_FRAMES;
    }
    ModPlug_Unload(player);
    return -1;
}

// The capture's frames from `first` on, as their signatures, rendered at the run's screen size.
std::vector<Signature> captureSignatures(int64_t first, int32_t count, const std::string& size) {
    const fs::path folder = fs::temp_directory_path() / ("kavex-avsync-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::vector<std::string> args = {"--quiet", "--size", size, "--still-prefix", (folder / "frame_").string()};
    for (int32_t i = 0; i < count; ++i) {
        args.push_back("--still");
        args.push_back(std::to_string(frameEndMs(first + i, FPS)) + "ms");
    }
    CaptureOptions options;
    std::string error;
    std::vector<Signature> signatures;
    if (!parseCaptureOptions(args, options, error) || runCapture(options) != 0) {
        std::fprintf(stderr, "the reference frames could not be rendered: %s\n", error.c_str());
        fs::remove_all(folder);
        return signatures;
    }
    for (const ShowPosition& still : options.stills) {
        int width = 0;
        int height = 0;
        int channels = 0;
        stbi_uc* pixels = stbi_load(stillFileName(options.stillPrefix, still).c_str(), &width, &height, &channels, 3);
        Signature signature(SIGNATURE_BYTES);
        if (pixels != nullptr) {
            frameSignature(pixels, width, height, 3, width * 3, 0, signature.data());
            stbi_image_free(pixels);
        }
        signatures.push_back(signature);
    }
    fs::remove_all(folder);
    return signatures;
}

// Per-cell distance of two signatures: the sum of the colour differences.
std::vector<int32_t> cellDistances(const Signature& a, const Signature& b) {
    std::vector<int32_t> cells(SIGNATURE_COLUMNS * SIGNATURE_ROWS, 0);
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        cells[i / 3] += std::abs(static_cast<int32_t>(a[i]) - static_cast<int32_t>(b[i]));
    }
    return cells;
}

// The distance over the cells where the two scenes differ most.
int64_t maskedDistance(const Signature& a, const Signature& b, const std::vector<bool>& mask) {
    const std::vector<int32_t> cells = cellDistances(a, b);
    int64_t sum = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        sum += mask[i] ? cells[i] : 0;
    }
    return sum;
}

// How the change looks in the capture: the last frame of the old scene, the first frame after it
// that shows the new one, how many frames after the change that one comes, and the cells that tell
// them apart: those that change more than the old scene's own frames change among themselves (its
// motion), so that a greeting fading or a road scrolling is not taken for the change. The
// shattering scene repeats the frame it shatters before its tiles move, and the parrot comes in
// a few pixels a frame, so the frame that tells may come some frames after the change.
struct ChangeLook {
    Signature before;
    Signature after;
    int32_t framesIn = 0;
    std::vector<bool> mask;
};

ChangeLook lookOfChange(const std::vector<Signature>& frames) {
    ChangeLook look;
    if (frames.size() <= OLD_FRAMES) {
        return look;
    }
    look.before = frames[OLD_FRAMES - 1];
    std::vector<int32_t> oldMotion(SIGNATURE_COLUMNS * SIGNATURE_ROWS, 0);
    for (size_t i = 0; i + 1 < OLD_FRAMES; ++i) {
        const std::vector<int32_t> cells = cellDistances(frames[i], look.before);
        for (size_t cell = 0; cell < cells.size(); ++cell) {
            oldMotion[cell] = std::max(oldMotion[cell], cells[cell]);
        }
    }
    for (size_t i = OLD_FRAMES; i < frames.size(); ++i) {
        const std::vector<int32_t> cells = cellDistances(look.before, frames[i]);
        look.mask.assign(cells.size(), false);
        bool telling = false;
        for (size_t cell = 0; cell < cells.size(); ++cell) {
            look.mask[cell] = cells[cell] >= 24 && cells[cell] > 3 * oldMotion[cell];
            telling = telling || look.mask[cell];
        }
        if (telling) {
            look.after = frames[i];
            look.framesIn = static_cast<int32_t>(i - OLD_FRAMES);
            return look;
        }
    }
    look.mask.clear();
    return look;
}

struct RunResult {
    bool found = false;
    double fromDownbeatMs = 0;  // the new scene on screen, from its downbeat (its frames-in included)
    double frameMs = 0;         // since the frame before it reached the screen
    double frameCpuMs = 0;      // the process's CPU time in that while
    double usualCpuMs = 0;      // the same, the median of the 30 frames before
};

double cpuMsBetween(const SwappedFrame& before, const SwappedFrame& after) {
    return static_cast<double>(after.cpuUs - before.cpuUs) / 1000.0;
}

bool showsNewScene(const SwappedFrame& swap, const ChangeLook& look) {
    return maskedDistance(swap.signature, look.after, look.mask) <
           maskedDistance(swap.signature, look.before, look.mask);
}

// The first frame from a tenth of a second before the downbeat on that looks like the new scene,
// as the frame after it does too (a single look-alike is the old scene's own motion).
RunResult measureRun(const RunLog& log, int64_t downbeatFrame, const ChangeLook& look) {
    RunResult result;
    const double downbeatUs = heardUs(log, downbeatFrame);
    if (downbeatUs < 0) {
        return result;
    }
    const double expectedUs = downbeatUs + look.framesIn * 1e6 / FPS;
    for (size_t i = 1; i + 1 < log.swaps.size(); ++i) {
        const SwappedFrame& swap = log.swaps[i];
        if (static_cast<double>(swap.returnUs) < downbeatUs - 100000 || !showsNewScene(swap, look) ||
            !showsNewScene(log.swaps[i + 1], look)) {
            continue;
        }
        result.found = true;
        result.fromDownbeatMs = (static_cast<double>(swap.returnUs) - expectedUs) / 1000.0;
        result.frameMs = static_cast<double>(swap.returnUs - log.swaps[i - 1].returnUs) / 1000.0;
        result.frameCpuMs = cpuMsBetween(log.swaps[i - 1], swap);
        std::vector<double> usual;
        for (size_t k = i > 30 ? i - 30 : 1; k < i; ++k) {
            usual.push_back(cpuMsBetween(log.swaps[k - 1], log.swaps[k]));
        }
        result.usualCpuMs = usual.empty() ? 0 : medianOf(usual);
        return result;
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || argc % 2 != 1) {
        std::fprintf(stderr, "usage: bench_av_sync ORDER WIDTHxHEIGHT LOG SHOW_OUTPUT [LOG SHOW_OUTPUT...]\n");
        return 2;
    }
    if (chdir(DEMO_BINARY_DIR) != 0) {
        return 1;
    }
    const int32_t order = std::atoi(argv[1]);
    const std::string size = argv[2];
    const int64_t songFrame = orderStartFrame(order);
    if (songFrame < 0) {
        std::fprintf(stderr, "order %d never starts\n", order);
        return 1;
    }
    // The capture's first frame at or past the change, and the frame before it.
    int64_t firstFrame = 0;
    while (static_cast<int64_t>(frameEndMs(firstFrame, FPS)) * AUDIO_FREQUENCY / 1000 < songFrame) {
        ++firstFrame;
    }
    const ChangeLook look =
        lookOfChange(captureSignatures(firstFrame - static_cast<int64_t>(OLD_FRAMES), FRAMES_AFTER + OLD_FRAMES, size));
    if (look.mask.empty()) {
        std::fprintf(stderr, "the capture shows no change at order %d\n", order);
        return 1;
    }
    std::vector<double> delays;
    for (int arg = 3; arg + 1 < argc; arg += 2) {
        const RunLog log = readLog(argv[arg]);
        const RunResult run = measureRun(log, songFrame - framesBeforeStart(argv[arg + 1]), look);
        if (!run.found) {
            std::printf("avsync order %d: %s: the new scene was not found\n", order, argv[arg]);
            continue;
        }
        std::printf(
            "avsync order %d: on screen %+.1f ms from its downbeat%s, %.1f ms after the frame before "
            "(CPU %.1f ms, %.1f the median frame before)\n",
            order, run.fromDownbeatMs,
            look.framesIn > 0 ? (" (" + std::to_string(look.framesIn) + " frames after it)").c_str() : "", run.frameMs,
            run.frameCpuMs, run.usualCpuMs);
        delays.push_back(run.fromDownbeatMs);
    }
    if (delays.empty()) {
        return 1;
    }
    const auto [earliest, latest] = std::minmax_element(delays.begin(), delays.end());
    std::printf("avsync order %d: %+.1f to %+.1f ms over %zu runs (target %+.1f to %+.1f ms: %s)\n", order, *earliest,
                *latest, delays.size(), EARLIEST_MS, LATEST_MS,
                *earliest >= EARLIEST_MS && *latest <= LATEST_MS ? "met" : "missed");
    return 0;
}
