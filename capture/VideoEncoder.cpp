#include "capture/VideoEncoder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr const char* FFMPEG = "ffmpeg";
// How often a writer waiting for ffmpeg looks whether the run was stopped.
constexpr int FFMPEG_POLL_MS = 100;

pid_t spawn(const std::vector<std::string>& args, int inputFd, std::string& error) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, inputFd, STDIN_FILENO);
    }
    pid_t pid = -1;
    int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        error = std::string("cannot run ") + FFMPEG + " (Debian package ffmpeg)";
        return -1;
    }
    return pid;
}

bool waitForSuccess(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool startVideo(VideoEncoder& video, const std::string& path, const std::string& workFolder, int32_t width,
                int32_t height, int32_t fps, std::string& error) {
    video.path = path;
    video.pictureOnlyPath = workFolder + "/pictures.mp4";
    // ffmpeg picks the container by the name's extension.
    video.joinedPath = workFolder + "/joined" + std::filesystem::path(path).extension().string();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = "cannot make a pipe to ffmpeg";
        return false;
    }
    // Only our end: ffmpeg reads its own end as usual.
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    const std::vector<std::string> args = {FFMPEG,
                                           "-hide_banner",
                                           "-loglevel",
                                           "error",
                                           "-y",
                                           "-f",
                                           "rawvideo",
                                           "-pix_fmt",
                                           "rgb24",
                                           "-video_size",
                                           std::to_string(width) + "x" + std::to_string(height),
                                           "-framerate",
                                           std::to_string(fps),
                                           "-i",
                                           "pipe:0",
                                           "-an",
                                           "-c:v",
                                           "libx264",
                                           "-preset",
                                           "fast",
                                           "-crf",
                                           "18",
                                           "-pix_fmt",
                                           "yuv420p",
                                           video.pictureOnlyPath};
    video.process = spawn(args, fds[0], error);
    close(fds[0]);
    if (video.process < 0) {
        close(fds[1]);
        return false;
    }
    video.input = fds[1];
    return true;
}

bool writeVideoFrame(VideoEncoder& video, const FrameImage& frame, std::string& error) {
    const uint8_t* bytes = frame.rgb.data();
    size_t left = frame.rgb.size();
    while (left > 0) {
        ssize_t written = write(video.input, bytes, left);
        if (written > 0) {
            bytes += written;
            left -= static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (video.stopRequested != nullptr && *video.stopRequested != 0) {
                error = "ffmpeg was not taking frames for " + video.path + " when the run was stopped";
                return false;
            }
            pollfd room{video.input, POLLOUT, 0};
            poll(&room, 1, FFMPEG_POLL_MS);
            continue;
        }
        error = "ffmpeg stopped taking frames for " + video.path;
        return false;
    }
    return true;
}

bool finishVideo(VideoEncoder& video, const std::string& wavPath, std::string& error) {
    close(video.input);
    video.input = -1;
    bool encoded = waitForSuccess(video.process);
    video.process = -1;
    if (!encoded) {
        error = "ffmpeg failed to encode the pictures of " + video.path;
        std::remove(video.pictureOnlyPath.c_str());
        return false;
    }
    const std::vector<std::string> args = {FFMPEG,
                                           "-hide_banner",
                                           "-loglevel",
                                           "error",
                                           "-y",
                                           "-i",
                                           video.pictureOnlyPath,
                                           "-i",
                                           wavPath,
                                           "-map",
                                           "0:v:0",
                                           "-map",
                                           "1:a:0",
                                           "-c:v",
                                           "copy",
                                           "-c:a",
                                           "aac",
                                           "-b:a",
                                           "192k",
                                           "-movflags",
                                           "+faststart",
                                           video.joinedPath};
    pid_t muxer = spawn(args, -1, error);
    bool muxed = muxer >= 0 && waitForSuccess(muxer);
    std::remove(video.pictureOnlyPath.c_str());
    if (!muxed) {
        std::remove(video.joinedPath.c_str());
        if (error.empty()) {
            error = "ffmpeg failed to join the music to " + video.path;
        }
        return false;
    }
    // The video appears under its name only once it is whole.
    if (std::rename(video.joinedPath.c_str(), video.path.c_str()) != 0) {
        error = "cannot move the finished video to " + video.path + " (" + std::strerror(errno) + ")";
        std::remove(video.joinedPath.c_str());
        return false;
    }
    return true;
}

void abandonVideo(VideoEncoder& video) {
    if (video.input >= 0) {
        close(video.input);
        video.input = -1;
    }
    if (video.process >= 0) {
        kill(video.process, SIGKILL);
        waitForSuccess(video.process);
        video.process = -1;
    }
    std::remove(video.pictureOnlyPath.c_str());
    std::remove(video.joinedPath.c_str());
}
