#pragma once
#include <csignal>
#include <cstdint>
#include <string>
#include <sys/types.h>

#include "capture/FrameImage.h"

// Debian's ffmpeg, fed raw RGB frames through a pipe. The pictures are encoded while the show
// renders; the music joins them at the end, from the WAV file of the same run.
struct VideoEncoder {
    pid_t process = -1;
    int input = -1;  // never blocks: while ffmpeg takes nothing, the writer waits and looks at stopRequested
    const volatile std::sig_atomic_t* stopRequested = nullptr;  // non-zero: give up a frame ffmpeg does not take
    std::string path;
    std::string pictureOnlyPath;
    std::string joinedPath;  // pictures and music, renamed to `path` once whole
};

// The picture-only stream is written in `workFolder` until the music joins it; `path` is the file
// the finished video replaces, and its extension picks the container.
bool startVideo(VideoEncoder& video, const std::string& path, const std::string& workFolder, int32_t width,
                int32_t height, int32_t fps, std::string& error);
bool writeVideoFrame(VideoEncoder& video, const FrameImage& frame, std::string& error);
// Ends the picture stream and writes the MP4 with the music as AAC; nothing appears at the
// video's own name unless this succeeds.
bool finishVideo(VideoEncoder& video, const std::string& wavPath, std::string& error);
// Stops the encoder after a failure (killing it: one that stopped reading would never end) and
// removes what it left.
void abandonVideo(VideoEncoder& video);
