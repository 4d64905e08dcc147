#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "demo/FrameClock.h"
#include "music/Player.h"
#include "support/CaptureRunner.h"
#include "support/ShowRun.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

// Inside scenes and on the first frame after each scene change (5, 8, 15, 17, 23, 25).
const std::vector<std::string> STILLS = {"2:2",  "3:20", "1.5s", "5:0",  "5:2",  "6:1",  "8:0",  "8:1",
                                         "15:0", "15:6", "16:5", "17:0", "17:1", "23:0", "25:0", "27:3"};

std::string stillOptions(const std::string& prefix) {
    std::string options = "--still-prefix " + prefix;
    for (const std::string& still : STILLS) {
        options += " --still " + still;
    }
    return options;
}

std::string stillFile(const std::string& directory, const std::string& prefix, std::string position) {
    for (char& c : position) {
        c = c == ':' ? '-' : c;
    }
    return directory + "/" + prefix + position + ".png";
}

// The "Frames: N run, M drawn" line a finished run prints.
int64_t framesDrawn(const std::string& log) {
    size_t at = log.find(" run, ");
    return at == std::string::npos ? -1 : std::atoll(log.c_str() + at + 6);
}

// One full render (every frame drawn: the hash file needs them all) with its hash lines, sound,
// contact sheet and stills, made once per test process for the tests below to compare against.
class CaptureFastForward : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        staged.emplace(stageShowDirectory(allScenesModule()));
        directory = staged->path;
        CaptureResult full = runCaptureIn(directory,
                                          "--size 64x36 --hashes full.txt --wav full.wav "
                                          "--contact-sheet full_sheet.png " +
                                              stillOptions("full_"));
        ASSERT_EQ(full.exitCode, 0) << full.log;
        lines = readLines(directory + "/full.txt");
        ASSERT_GT(lines.size(), 500u);
    }
    static void TearDownTestSuite() { staged.reset(); }

    inline static std::optional<ScratchFolder> staged;
    inline static std::string directory;
    inline static std::vector<std::string> lines;
};

}  // namespace

TEST_F(CaptureFastForward, StillsMatchTheFullRenderPixelForPixel) {
    CaptureResult fast = runCaptureIn(directory, "--size 64x36 " + stillOptions("fast_"));
    ASSERT_EQ(fast.exitCode, 0) << fast.log;
    for (const std::string& still : STILLS) {
        std::vector<uint8_t> expected = readBytes(stillFile(directory, "full_", still));
        ASSERT_FALSE(expected.empty()) << still;
        EXPECT_EQ(readBytes(stillFile(directory, "fast_", still)), expected) << still;
    }
    // One frame a still, and the last frame of scene 2 that scene 3 shatters.
    EXPECT_EQ(framesDrawn(fast.log), static_cast<int64_t>(STILLS.size()) + 1) << fast.log;
}

// A clip from --from: every frame and every sample the same as in the full render, whether it
// starts on a scene change or inside scene 3.
TEST_F(CaptureFastForward, ClipsFromAnyPositionMatchTheFullRender) {
    struct Clip {
        const char* range;
        int64_t carried;  // 1 when the clip starts after the scene-2 frame that scene 3 shatters
    };
    for (const auto& [range, carried] :
         {Clip{"--from 5:0 --until 6:3", 0}, Clip{"--from 15:7 --until 17:2", 1}, Clip{"--from 23:0", 1}}) {
        std::string arguments = std::string("--size 64x36 --hashes clip.txt --wav clip.wav ") + range;
        CaptureResult clip = runCaptureIn(directory, arguments);
        ASSERT_EQ(clip.exitCode, 0) << range << "\n" << clip.log;
        std::vector<std::string> clipLines = readLines(directory + "/clip.txt");
        ASSERT_GT(clipLines.size(), 5u) << range;
        int64_t first = std::atoll(field(clipLines.front(), 0).c_str());
        ASSERT_GT(first, 0) << range;
        ASSERT_LE(first + static_cast<int64_t>(clipLines.size()), static_cast<int64_t>(lines.size())) << range;
        for (size_t i = 0; i < clipLines.size(); ++i) {
            ASSERT_EQ(clipLines[i], lines[static_cast<size_t>(first) + i]) << range;
        }
        EXPECT_EQ(framesDrawn(clip.log), static_cast<int64_t>(clipLines.size()) + carried) << range;

        int64_t before = 0;
        for (int64_t frame = 0; frame < first; ++frame) {
            before += frameSampleCount(frame, 60);
        }
        std::vector<uint8_t> full = readBytes(directory + "/full.wav");
        std::vector<uint8_t> sound = readBytes(directory + "/clip.wav");
        ASSERT_GT(sound.size(), 44u);
        size_t offset = 44 + static_cast<size_t>(before) * AUDIO_BYTES_PER_FRAME;
        ASSERT_LE(offset + sound.size() - 44, full.size()) << range;
        EXPECT_TRUE(std::equal(sound.begin() + 44, sound.end(), full.begin() + static_cast<long>(offset))) << range;
    }
}

TEST_F(CaptureFastForward, ContactSheetsMatchTheFullRenderDrawingOnlyTheirFrames) {
    CaptureResult fast = runCaptureIn(directory, "--size 64x36 --contact-sheet fast_sheet.png");
    ASSERT_EQ(fast.exitCode, 0) << fast.log;
    EXPECT_EQ(readBytes(directory + "/fast_sheet.png"), readBytes(directory + "/full_sheet.png"));
    // One frame for each of the 28 orders; the last frame of scene 2, which scene 3 shatters, is
    // order 14's own (it ends before its middle row).
    EXPECT_EQ(framesDrawn(fast.log), 28) << fast.log;

    CaptureResult all = runCaptureIn(directory,
                                     "--size 64x36 --sheet-by scene --contact-sheet all_scenes.png "
                                     "--hashes scenes.txt");
    ASSERT_EQ(all.exitCode, 0) << all.log;
    CaptureResult some = runCaptureIn(directory, "--size 64x36 --sheet-by scene --contact-sheet fast_scenes.png");
    ASSERT_EQ(some.exitCode, 0) << some.log;
    EXPECT_EQ(readBytes(directory + "/fast_scenes.png"), readBytes(directory + "/all_scenes.png"));
    EXPECT_LT(framesDrawn(some.log), static_cast<int64_t>(lines.size()) / 4) << some.log;
}

TEST(CaptureFrom, ARunThatNeverReachesFromFailsAndFromAfterUntilIsRefused) {
    const ScratchFolder directory = stageShowDirectory(walkingModule(6, 2, 3, 125));
    CaptureResult late = runCaptureIn(directory.path, "--size 64x36 --wav w.wav --from 9:0");
    EXPECT_EQ(late.exitCode, 1) << late.log;
    EXPECT_NE(late.log.find("--from position 9:0"), std::string::npos) << late.log;
    EXPECT_FALSE(fs::exists(directory.path + "/w.wav"));
    CaptureResult backwards = runCaptureIn(directory.path, "--size 64x36 --wav w.wav --from 4:0 --until 2:0");
    EXPECT_EQ(backwards.exitCode, 2) << backwards.log;
    EXPECT_NE(backwards.log.find("--from 4:0 lies after --until 2:0"), std::string::npos) << backwards.log;
    // Past the last row of the last order (2 rows an order) lie only the frames of the fading end.
    CaptureResult pastTheEnd = runCaptureIn(directory.path, "--size 64x36 --still 5:2");
    EXPECT_EQ(pastTheEnd.exitCode, 1) << pastTheEnd.log;
    EXPECT_NE(pastTheEnd.log.find("never reached the still's position 5:2"), std::string::npos) << pastTheEnd.log;
    EXPECT_FALSE(fs::exists(directory.path + "/still_5-2.png"));
}

namespace {

// Starts the capture in a process group of its own, its lines in capture.log; `before` is shell
// text put before it (an environment).
pid_t startCapture(const std::string& directory, const std::string& arguments, const std::string& before = "") {
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        std::string command = "cd '" + directory + "' && " + before + " exec '" CAPTURE_EXECUTABLE "' --quiet " +
                              arguments + " >capture.log 2>&1";
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The largest plain file in the folder: the WAV, written under a hidden name until it is whole.
uintmax_t largestFileIn(const std::string& directory) {
    uintmax_t largest = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        if (entry.is_regular_file()) {
            largest = std::max(largest, entry.file_size());
        }
    }
    return largest;
}

// Sends the signal (to the whole group for Ctrl-C, as a terminal does) and waits at most 30 s for
// the capture to end; false when it had to be killed.
bool stopCapture(pid_t pid, int signal, int& status) {
    kill(signal == SIGINT ? -pid : pid, signal);
    auto signalled = std::chrono::steady_clock::now();
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - signalled > std::chrono::seconds(30)) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// What the run left in its folder besides the staged assets and its log.
std::vector<std::string> leftBehind(const std::string& directory) {
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (name != "Assets" && name != "capture.log" && name != "bin") {
            left.push_back(name);
        }
    }
    return left;
}

std::string captureLog(const std::string& directory) {
    std::vector<uint8_t> bytes = readBytes(directory + "/capture.log");
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

// Ctrl-C, SIGTERM, SIGHUP or SIGQUIT mid-render: the run stops within a frame or two, removes
// everything it had begun (a cut WAV or video must not pass for a whole one) and ends with 128 +
// the signal. SIGTERM goes to the capture alone, as `kill` sends it; SIGINT to its whole process
// group, ffmpeg included, as a terminal's Ctrl-C does. SIGHUP and SIGQUIT once ended the process
// on the spot, leaving a WAV whose header said 0 bytes, the hidden folder and ffmpeg running on.
TEST(CaptureStop, ASignalMidRenderStopsTheRunAndRemovesItsOutputs) {
    // About 25 seconds a scene: far longer than the test waits.
    const ScratchFolder directory = stageShowDirectory(walkingModule(28, 64, 6, 125));
    const std::map<int, std::string> reasons = {{SIGTERM, "stopped by SIGTERM"},
                                                {SIGINT, "stopped by Ctrl-C"},
                                                {SIGHUP, "stopped by SIGHUP"},
                                                {SIGQUIT, "stopped by SIGQUIT"}};
    for (const auto& [signal, reason] : reasons) {
        pid_t pid = startCapture(directory.path, "--size 320x180 --video v.mp4 --wav w.wav --hashes h.txt");
        ASSERT_GE(pid, 0);
        // Wait until frames are being written: the WAV has more than a second of music.
        auto start = std::chrono::steady_clock::now();
        while (largestFileIn(directory.path) < 200000 && waitpid(pid, nullptr, WNOHANG) == 0 &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(90)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_GE(largestFileIn(directory.path), 200000u) << "the capture wrote no music";
        int status = 0;
        ASSERT_TRUE(stopCapture(pid, signal, status)) << "the capture went on after signal " << signal;
        const std::string log = captureLog(directory.path);
        ASSERT_TRUE(WIFEXITED(status)) << log;
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << log;
        EXPECT_NE(log.find(reason), std::string::npos) << log;
        EXPECT_NE(log.find("removed the unfinished outputs"), std::string::npos) << log;
        EXPECT_EQ(leftBehind(directory.path), std::vector<std::string>{});
    }
}

// An encoder that stops reading once held the capture in its write to the pipe, deaf to SIGTERM.
TEST(CaptureStop, AnEncoderThatTakesNoFramesDoesNotKeepTheRunFromStopping) {
    const ScratchFolder directory = stageShowDirectory(walkingModule(28, 64, 6, 125));
    fs::create_directory(directory.path + "/bin");
    std::ofstream(directory.path + "/bin/ffmpeg") << "#!/bin/sh\nexec sleep 300\n";
    fs::permissions(directory.path + "/bin/ffmpeg", fs::perms::owner_all);
    pid_t pid =
        startCapture(directory.path, "--size 320x180 --video v.mp4", "PATH='" + directory.path + "/bin':\"$PATH\"");
    ASSERT_GE(pid, 0);
    // The video's hidden folder comes just before the encoder; one frame fills the pipe.
    auto start = std::chrono::steady_clock::now();
    while (leftBehind(directory.path).empty() && waitpid(pid, nullptr, WNOHANG) == 0 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_FALSE(leftBehind(directory.path).empty()) << captureLog(directory.path);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    int status = 0;
    ASSERT_TRUE(stopCapture(pid, SIGTERM, status)) << "the capture went on after SIGTERM";
    const std::string log = captureLog(directory.path);
    ASSERT_TRUE(WIFEXITED(status)) << log;
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM) << log;
    EXPECT_NE(log.find("stopped by SIGTERM"), std::string::npos) << log;
    EXPECT_EQ(leftBehind(directory.path), std::vector<std::string>{});
}
