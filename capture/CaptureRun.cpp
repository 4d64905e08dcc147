#include "capture/CaptureRun.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>

#include "capture/ContactSheet.h"
#include "capture/FrameClock.h"
#include "capture/FrameHashes.h"
#include "capture/FrameImage.h"
#include "capture/LabelFont.h"
#include "capture/OffscreenWindow.h"
#include "capture/OutputFiles.h"
#include "capture/ProgressLine.h"
#include "capture/VideoEncoder.h"
#include "capture/WavFile.h"
#include "demo/Clock.h"
#include "demo/Show.h"
#include "demo/StartupPaths.h"
#include "engine/Engine.h"
#include "music/Player.h"

namespace {

constexpr int32_t LABEL_PIXEL_HEIGHT = 15;
// The pattern number the player reports once it has run off the end of the order list.
constexpr int32_t END_OF_ORDER_LIST = 0xFF;

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
};

std::string absolutePath(const std::string& path) { return std::filesystem::absolute(path).string(); }

// Output names are taken relative to where the tool was started, before it moves to the Assets folder.
CaptureOptions withAbsolutePaths(const CaptureOptions& given) {
    CaptureOptions options = given;
    for (std::string* path : {&options.stillPrefix, &options.contactSheetPath, &options.videoPath,
                              &options.wavPath, &options.hashesPath}) {
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
    if (out.wantVideo) {
        out.workFolder = makeWorkFolder(options.videoPath, error);
        if (out.workFolder.empty()) {
            return false;
        }
    }
    out.wavIsTemporary = options.wavPath.empty();
    out.wavPath = out.wavIsTemporary ? out.workFolder + "/music.wav" : options.wavPath;
    bool wavOpen = !out.wantWav || openWav(out.wav, out.wavPath, error);
    if (out.wav.file != nullptr && !out.wavIsTemporary) {
        out.written.push_back(out.wavPath);
    }
    if (!wavOpen) {
        return false;
    }
    if (out.wantVideo &&
        !startVideo(out.video, options.videoPath, out.workFolder, options.width, options.height, options.fps, error)) {
        return false;
    }
    out.wantHashes = !options.hashesPath.empty();
    if (out.wantHashes && !openHashLog(out.hashes, options.hashesPath, error)) {
        return false;
    }
    if (out.wantHashes) {
        out.written.push_back(options.hashesPath);
    }
    return true;
}

bool writeFrameOutputs(const CaptureOptions& options, CaptureOutputs& out, int64_t frame, int32_t showMs,
                       const FrameImage& image, const std::vector<uint8_t>& sound, std::string& error) {
    for (size_t i = 0; i < options.stills.size(); ++i) {
        if (!out.stillsDone[i] && positionReached(options.stills[i], showMs, musicSnapshot)) {
            std::string path = stillFileName(options.stillPrefix, options.stills[i]);
            if (!writePng(path, image, error)) {
                return false;
            }
            out.written.push_back(path);
            out.stillsDone[i] = true;
            std::cout << "Still " << options.stills[i].text << " (frame " << frame << ", order " << musicSnapshot.order
                      << " row " << musicSnapshot.row << "): " << path << std::endl;
        }
    }
    if (out.wantSheet) {
        bool pastEnd = musicSnapshot.pattern == END_OF_ORDER_LIST;
        offerSheetFrame(out.sheet, image, {showMs, musicSnapshot.order, musicSnapshot.row, demoState, pastEnd});
    }
    if (out.wantWav && !appendWav(out.wav, sound.data(), sound.size(), error)) {
        return false;
    }
    if (out.wantVideo && !writeVideoFrame(out.video, image, error)) {
        return false;
    }
    return !out.wantHashes ||
           appendHashLine(out.hashes, frame, timeMs, musicSnapshot.order, musicSnapshot.row,
                          hashBytes(image.rgb.data(), image.rgb.size()), hashBytes(sound.data(), sound.size()), error);
}

bool finishOutputs(const CaptureOptions& options, CaptureOutputs& out, int64_t frames, std::string& error) {
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
                            std::to_string(options.fps) + " fps   " + std::to_string(frames) + " frames, " +
                            formatShowTime(frameEndMs(frames - 1, options.fps));
        if (!writePng(options.contactSheetPath, composeContactSheet(out.sheet.thumbnails, out.font, title), error)) {
            return false;
        }
        out.written.push_back(options.contactSheetPath);
        std::cout << "Contact sheet: " << options.contactSheetPath << std::endl;
    }
    if (out.wantWav && !closeWav(out.wav, error)) {
        return false;
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
    return !out.wantHashes || closeHashLog(out.hashes, error);
}

// A failed run leaves nothing that could pass for a finished output; it says what it removed.
void abandonOutputs(CaptureOutputs& out) {
    if (out.wantVideo) {
        abandonVideo(out.video);
    }
    std::string ignored;
    if (out.wav.file != nullptr) {
        closeWav(out.wav, ignored);
    }
    if (out.hashes.file != nullptr) {
        closeHashLog(out.hashes, ignored);
    }
    removeWorkFolder(out.workFolder);
    std::string removed;
    for (const std::string& path : out.written) {
        if (removeOutputFile(path)) {
            removed += (removed.empty() ? "" : ", ") + path;
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

// Renders frames until the music ends or the end position is passed; false on an output failure.
bool renderFrames(const CaptureOptions& options, const OffscreenWindow& window, CaptureOutputs& out,
                  int64_t& frames, std::string& error) {
    bool wantPictures = !options.stills.empty() || out.wantSheet || out.wantVideo || out.wantHashes;
    int64_t expected = static_cast<int64_t>(ModPlug_GetLength(modFile)) * options.fps / 1000;
    if (options.hasEnd && !options.end.byOrder) {
        expected = std::min(expected, static_cast<int64_t>(options.end.timeMs) * options.fps / 1000 + 1);
    }
    ProgressLine progress = startProgress(!options.quiet, expected);
    FrameImage image;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> sound;
    startCaptureClock();
    for (int64_t frame = 0;; ++frame) {
        advanceCaptureClock(frame, options.fps);
        // Exactly this frame's share of the music, mixed on this thread instead of the audio thread.
        sound.assign(static_cast<size_t>(frameSampleCount(frame, options.fps)) * AUDIO_BYTES_PER_FRAME, 0);
        int32_t mixed = ModPlug_Read(modFile, sound.data(), static_cast<int>(sound.size()));
        audioBytesRead.store(mixed);
        MusicSnapshot snapshot;
        copyMusicSnapshot(modFile, snapshot);
        stepShow(snapshot);
        if (wantPictures) {
            readOffscreenWindow(window, image, pixels);
        }
        int32_t showMs = frameEndMs(frame, options.fps);
        if (!writeFrameOutputs(options, out, frame, showMs, image, sound, error)) {
            return false;
        }
        frames = frame + 1;
        showProgress(progress, frames, false);
        // The show draws the frame that finds the music over, then ends.
        if (mixed <= 0 || (options.hasEnd && positionReached(options.end, showMs, musicSnapshot))) {
            break;
        }
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
    bool done = ready && renderFrames(options, window, out, frames, error) && finishOutputs(options, out, frames, error);
    if (!done) {
        fail(error);
        abandonOutputs(out);
    }
    unloadShowModule();
    engine->shutdown();
    return done ? 0 : (goodStills ? 1 : 2);
}
