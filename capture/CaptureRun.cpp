#include "capture/CaptureRun.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include <SDL.h>

#include "capture/ContactSheet.h"
#include "demo/FrameClock.h"
#include "capture/FrameHashes.h"
#include "capture/FrameImage.h"
#include "capture/LabelFont.h"
#include "capture/OffscreenWindow.h"
#include "capture/OutputFiles.h"
#include "capture/ProgressLine.h"
#include "capture/VideoEncoder.h"
#include "capture/WavFile.h"
#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/FixedRun.h"
#include "demo/Show.h"
#include "demo/StartupPaths.h"
#include "engine/Engine.h"
#include "music/Player.h"

namespace {

constexpr int32_t LABEL_PIXEL_HEIGHT = 15;
// A run stopped by a signal ends with 128 + its number, as the shell reports a killed program:
// 130 for Ctrl-C, 143 for SIGTERM (129 for SIGHUP, 131 for SIGQUIT).
constexpr int STOPPED_EXIT_BASE = 128;

// Everything one run writes, opened before the first frame.
struct CaptureOutputs {
    std::vector<bool> stillsDone;
    bool wantSheet = false;
    ContactSheet sheet;
    LabelFont font;
    bool wantWav = false;
    std::string wavPath;
    bool wavIsTemporary = false;
    WavFile wav;
    bool wantVideo = false;
    VideoEncoder video;
    bool wantHashes = false;
    HashLog hashes;
    std::string workFolder;            // the video's temporary files
    std::vector<std::string> written;  // files this run wrote, removed if it fails
    int64_t clipStart = -1;            // the first frame at or past --from, once reached
    int64_t drawn = 0;                 // frames drawn, the rest only stepped
};

// The signal that asked the run to stop (Ctrl-C, SIGTERM); 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;

void requestStop(int signal) { stopSignal = signal; }

std::string stopMessage() {
    switch (stopSignal) {
    case SIGINT:
        return "stopped by Ctrl-C (SIGINT)";
    case SIGHUP:
        return "stopped by SIGHUP (the terminal went away)";
    case SIGQUIT:
        return "stopped by SIGQUIT";
    default:
        return "stopped by SIGTERM";
    }
}

// SDL would turn these signals into a quit event that a capture never reads; the render loop
// looks at the flag after every frame instead (and the video's pipe while ffmpeg takes nothing).
// A second signal ends the process at once, in case the cleanup itself hangs; system calls
// resume, so a write is never cut short by one. A file over the size limit (ulimit -f) is a
// failed write like a full disk, not the end of the process.
void catchStopSignals() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

std::string absolutePath(const std::string& path) { return std::filesystem::absolute(path).string(); }

// Output names are taken relative to where the tool was started, before it moves to the Assets folder.
CaptureOptions withAbsolutePaths(const CaptureOptions& given) {
    CaptureOptions options = given;
    for (std::string* path :
         {&options.stillPrefix, &options.contactSheetPath, &options.videoPath, &options.wavPath, &options.hashesPath}) {
        if (!path->empty()) {
            *path = absolutePath(*path);
        }
    }
    if (options.modulePath != MODULE_PATH) {
        options.modulePath = absolutePath(options.modulePath);
    }
    return options;
}

bool openOutputs(const CaptureOptions& options, CaptureOutputs& out, std::string& error) {
    out.stillsDone.assign(options.stills.size(), false);
    out.wantSheet = !options.contactSheetPath.empty();
    out.sheet.grouping = options.sheetGrouping;
    if (out.wantSheet && !loadLabelFont(out.font, LABEL_FONT_PATH, LABEL_PIXEL_HEIGHT, error)) {
        return false;
    }
    out.wantVideo = !options.videoPath.empty();
    out.wantWav = out.wantVideo || !options.wavPath.empty();
    // The video is moved to the file its name reaches, so its temporary files live beside that.
    const std::string videoTarget = out.wantVideo ? outputTarget(options.videoPath) : "";
    if (out.wantVideo) {
        out.workFolder = makeWorkFolder(videoTarget, error);
        if (out.workFolder.empty()) {
            return false;
        }
    }
    out.wavIsTemporary = options.wavPath.empty();
    out.wavPath = out.wavIsTemporary ? out.workFolder + "/music.wav" : options.wavPath;
    if (out.wantWav && !openWav(out.wav, out.wavPath, error)) {
        return false;
    }
    if (out.wantVideo &&
        !startVideo(out.video, videoTarget, out.workFolder, options.width, options.height, options.fps, error)) {
        return false;
    }
    out.video.stopRequested = &stopSignal;
    out.wantHashes = !options.hashesPath.empty();
    return !out.wantHashes || openHashLog(out.hashes, options.hashesPath, error);
}

// The outputs of one frame: stills wherever they fall, the rest only inside the clip. `image` is
// null when the frame was not drawn, which happens only when no output wants its picture.
bool writeFrameOutputs(const CaptureOptions& options, CaptureOutputs& out, int64_t frame, bool inClip,
                       const SheetFrame& at, const FrameImage* image, const std::vector<uint8_t>& sound,
                       std::string& error) {
    for (size_t i = 0; image != nullptr && i < options.stills.size(); ++i) {
        if (!out.stillsDone[i] && positionReached(options.stills[i], at.showMs, musicSnapshot)) {
            std::string path = stillFileName(options.stillPrefix, options.stills[i]);
            if (!writePng(path, *image, error)) {
                return false;
            }
            out.written.push_back(path);
            out.stillsDone[i] = true;
            std::cout << "Still " << options.stills[i].text << " (frame " << frame << ", order " << musicSnapshot.order
                      << " row " << musicSnapshot.row << "): " << path << std::endl;
        }
    }
    if (!inClip) {
        return true;
    }
    if (out.wantSheet && image != nullptr) {
        offerSheetFrame(out.sheet, *image, at);
    } else if (out.wantSheet) {
        passSheetFrame(out.sheet, at);
    }
    if (out.wantWav && !appendWav(out.wav, sound.data(), sound.size(), error)) {
        return false;
    }
    if (out.wantVideo && !writeVideoFrame(out.video, *image, error)) {
        return false;
    }
    return !out.wantHashes || appendHashLine(out.hashes, frame, timeMs, musicSnapshot.order, musicSnapshot.row,
                                             hashBytes(image->rgb.data(), image->rgb.size()),
                                             hashBytes(sound.data(), sound.size()), error);
}

// What the sheet knows of a frame before it is stepped: its scene follows from the scene the
// show is in and the frame's order, by the timeline's own rule.
SheetFrame sheetFrameOf(int64_t frame, int32_t fps, const MusicSnapshot& snapshot, int32_t scene) {
    return {frameEndMs(frame, fps), snapshot.order, snapshot.row, scene, snapshot.pattern == END_OF_ORDER_LIST};
}

// Which frames are drawn: for stills the first frame at or past each position, wherever it
// falls; inside the clip every frame for the video and the hashes, and for the contact sheet
// only the frames it takes (see sheetWantsFrame). WAV needs no pictures at all.
bool frameWantsPicture(const CaptureOptions& options, const CaptureOutputs& out, bool inClip, const SheetFrame& at,
                       const SheetFrame& next, const MusicSnapshot& snapshot, bool last) {
    for (size_t i = 0; i < options.stills.size(); ++i) {
        if (!out.stillsDone[i] && positionReached(options.stills[i], at.showMs, snapshot)) {
            return true;
        }
    }
    if (!inClip) {
        return false;
    }
    return out.wantVideo || out.wantHashes || (out.wantSheet && sheetWantsFrame(out.sheet, at, next, last));
}

// "16011 frames, 4:26.85", or for a clip "frames 600 to 1199, 0:10.01 to 0:20.00".
std::string clipText(int64_t first, int64_t frames, int32_t fps) {
    std::string end = formatShowTime(frameEndMs(frames - 1, fps));
    if (first == 0) {
        return std::to_string(frames) + " frames, " + end;
    }
    return "frames " + std::to_string(first) + " to " + std::to_string(frames - 1) + ", " +
           formatShowTime(frameEndMs(first, fps)) + " to " + end;
}

bool finishOutputs(const CaptureOptions& options, CaptureOutputs& out, int64_t frames, std::string& error) {
    if (out.clipStart < 0) {
        error = "the show ended before the --from position " + options.from.text;
        return false;
    }
    for (size_t i = 0; i < options.stills.size(); ++i) {
        if (!out.stillsDone[i]) {
            error = "the show never reached the still's position " + options.stills[i].text;
            return false;
        }
    }
    if (out.wantSheet) {
        finishSheetFrames(out.sheet);
        std::string title = "Kavex Demo 2024 Velmora   " + std::to_string(out.sheet.thumbnails.size()) +
                            (options.sheetGrouping == SheetGrouping::ByOrder ? " order positions" : " scenes") + "   " +
                            std::to_string(options.width) + "x" + std::to_string(options.height) + " at " +
                            std::to_string(options.fps) + " fps   " + clipText(out.clipStart, frames, options.fps);
        if (!writePng(options.contactSheetPath, composeContactSheet(out.sheet.thumbnails, out.font, title), error)) {
            return false;
        }
        out.written.push_back(options.contactSheetPath);
        std::cout << "Contact sheet: " << options.contactSheetPath << std::endl;
    }
    if (out.wantWav && !closeWav(out.wav, error)) {
        return false;
    }
    if (out.wantWav && !out.wavIsTemporary) {
        out.written.push_back(out.wavPath);
    }
    if (out.wantVideo) {
        bool made = finishVideo(out.video, out.wavPath, error);
        if (!made) {
            return false;
        }
        out.written.push_back(options.videoPath);
        std::cout << "Video: " << options.videoPath << std::endl;
    }
    removeWorkFolder(out.workFolder);
    if (out.wantWav && !out.wavIsTemporary) {
        std::cout << "Music: " << out.wavPath << std::endl;
    }
    if (out.wantHashes && !closeHashLog(out.hashes, error)) {
        return false;
    }
    if (out.wantHashes) {
        out.written.push_back(options.hashesPath);
    }
    std::cout << "Frames: " << frames << " run, " << out.drawn << " drawn" << std::endl;
    return true;
}

// A failed run leaves nothing that could pass for a finished output: what it had finished is
// removed, what it had begun never gets its name. It says which outputs are gone.
void abandonOutputs(CaptureOutputs& out) {
    std::string removed;
    const auto note = [&removed](const std::string& path) { removed += (removed.empty() ? "" : ", ") + path; };
    if (out.wantVideo && out.video.process >= 0) {
        note(out.video.path);
    }
    if (out.wantVideo) {
        abandonVideo(out.video);
    }
    if (!out.wav.stream.partialPath.empty() && !out.wavIsTemporary) {
        note(out.wav.stream.path);
    }
    if (!out.hashes.stream.partialPath.empty()) {
        note(out.hashes.stream.path);
    }
    discardOutputStream(out.wav.stream);
    discardOutputStream(out.hashes.stream);
    removeWorkFolder(out.workFolder);
    for (const std::string& path : out.written) {
        if (removeOutputFile(path)) {
            note(path);
        }
    }
    if (!removed.empty()) {
        std::cerr << "kavex_capture: removed the unfinished outputs " << removed << std::endl;
    }
}

int fail(const std::string& error, int code = 1) {
    std::cerr << "kavex_capture: " << error << std::endl;
    return code;
}

// A run that makes only stills ends with its last one.
bool onlyStillsAndAllTaken(const CaptureOutputs& out) {
    bool clipOutputs = out.wantSheet || out.wantWav || out.wantVideo || out.wantHashes;
    return !clipOutputs && std::find(out.stillsDone.begin(), out.stillsDone.end(), false) == out.stillsDone.end();
}

// Runs frames until the music ends or the end position is passed; false on an output failure or
// a stop signal. Every frame's music is mixed and its timeline stepped, but only the frames an
// output wants are drawn (plus a picture a later frame carries forward, which advanceShow draws):
// the rest pass in a fraction of the time. The music runs one frame ahead, so a frame knows
// whether the next one starts another order or scene before it is drawn or passed over.
bool renderFrames(const CaptureOptions& options, const OffscreenWindow& window, CaptureOutputs& out, int64_t& frames,
                  std::string& error) {
    int64_t expected = static_cast<int64_t>(ModPlug_GetLength(modFile)) * options.fps / 1000;
    if (options.hasEnd && !options.end.byOrder) {
        expected = std::min(expected, static_cast<int64_t>(options.end.timeMs) * options.fps / 1000 + 1);
    }
    ProgressLine progress = startProgress(!options.quiet, expected);
    FrameImage image;
    std::vector<uint8_t> pixels;
    MixedFrame current;
    MixedFrame next;
    mixFrame(0, options.fps, current);
    startCaptureClock();
    for (int64_t frame = 0;; ++frame) {
        int32_t showMs = frameEndMs(frame, options.fps);
        // The show draws the frame that finds the music over, then ends.
        bool last = current.mixed <= 0 || (options.hasEnd && positionReached(options.end, showMs, current.snapshot));
        if (!last) {
            mixFrame(frame + 1, options.fps, next);
        } else {
            next.snapshot = current.snapshot;
        }
        if (out.clipStart < 0 && (!options.hasFrom || positionReached(options.from, showMs, current.snapshot))) {
            out.clipStart = frame;
        }
        int32_t scene = sceneAfter(demoState, current.snapshot.order);
        SheetFrame at = sheetFrameOf(frame, options.fps, current.snapshot, scene);
        SheetFrame after = sheetFrameOf(frame + 1, options.fps, next.snapshot, sceneAfter(scene, next.snapshot.order));
        bool inClip = out.clipStart >= 0;
        bool draw = frameWantsPicture(options, out, inClip, at, after, current.snapshot, last);
        if (stepFixedFrame(frame, options.fps, current, next, draw)) {
            out.drawn += 1;
        }
        if (draw) {
            readOffscreenWindow(window, image, pixels);
        }
        if (!writeFrameOutputs(options, out, frame, inClip, at, draw ? &image : nullptr, current.sound, error)) {
            return false;
        }
        frames = frame + 1;
        showProgress(progress, frames, false);
        if (stopSignal != 0) {
            return false;
        }
        if (last || onlyStillsAndAllTaken(out)) {
            break;
        }
        std::swap(current, next);
    }
    showProgress(progress, frames, true);
    return true;
}

}  // namespace

int runCapture(const CaptureOptions& given) {
    CaptureOptions options = withAbsolutePaths(given);
    // Headless unless the caller chose otherwise: Mesa through EGL, and no sound device needed.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // A dying ffmpeg must turn into an error message, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    catchStopSignals();

    enterAssetsDirectory();
    std::error_code ignored;
    if (!std::filesystem::is_directory("Assets", ignored)) {
        return fail("no Assets folder here or beside the executable; run it from the build directory");
    }
    std::string error;
    if (!checkOutputFiles(options, error)) {
        return fail(error, 2);
    }
    if (!startShow()) {
        engine->shutdown();
        return fail("the scene set-up failed");
    }
    OffscreenWindow window;
    CaptureOutputs out;
    bool ready = createOffscreenWindow(window, options.width, options.height, error);
    ready = ready && loadShowModule(options.modulePath.c_str(), error);
    bool goodStills = !ready || checkStillOrders(options.stills, moduleOrderCount(modFile), error);
    ready = ready && goodStills && openOutputs(options, out, error);
    int64_t frames = 0;
    bool done =
        ready && renderFrames(options, window, out, frames, error) && finishOutputs(options, out, frames, error);
    // A stop is the reason even when it also made a write fail (Ctrl-C reaches ffmpeg too), and
    // one that came while the last outputs were being finished still stops the run.
    if (stopSignal != 0) {
        error = stopMessage();
        done = false;
    }
    if (!done) {
        fail(error);
        abandonOutputs(out);
    }
    unloadShowModule();
    engine->shutdown();
    if (stopSignal != 0) {
        return STOPPED_EXIT_BASE + stopSignal;
    }
    return done ? 0 : (goodStills ? 1 : 2);
}
