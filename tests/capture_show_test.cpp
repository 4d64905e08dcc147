#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <stb_image.h>

#include "demo/FrameClock.h"
#include "capture/FrameHashes.h"
#include "music/Player.h"
#include "support/CaptureRunner.h"
#include "support/ShowRun.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

// Orders 0 to 7 pass in 120 ms each (2 rows of 60 ms); order 8 lasts 16 rows, so its credits
// stand clear of the flash for a while; a note on every other row keeps the music audible.
TestModule quickCreditsModule() {
    TestModule module = walkingModule(10, 2, 3, 125);
    TestPattern& eight = module.patterns[8];
    eight.cells[1][3] = TestCell{};
    eight.cells[15][3].effect = EFFECT_PATTERN_BREAK;
    for (TestPattern& pattern : module.patterns) {
        for (int row = 0; row < 64; row += 2) {
            pattern.cells[row][0] = {PERIOD_C3, 1, 0, 0};
        }
    }
    return module;
}

struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;
};

Picture loadPicture(const std::string& path, int channels) {
    Picture picture;
    unsigned char* data = stbi_load(path.c_str(), &picture.width, &picture.height, &picture.channels, channels);
    if (data != nullptr) {
        picture.channels = channels;
        picture.pixels.assign(data, data + static_cast<size_t>(picture.width) * picture.height * channels);
        stbi_image_free(data);
    }
    return picture;
}

const uint8_t* at(const Picture& picture, int x, int y) {
    return &picture.pixels[(static_cast<size_t>(y) * picture.width + x) * picture.channels];
}

}  // namespace

TEST(CaptureShow, TwoRendersOfTheFirstSecondsGiveTheSameFramesAndSound) {
    const ScratchFolder directory = stageShowDirectory(quickCreditsModule());
    const std::string common = "--size 320x180 --fps 30 --until 1.5s ";
    CaptureResult first = runCaptureIn(directory.path, common + "--hashes first.txt --wav first.wav");
    ASSERT_EQ(first.exitCode, 0) << first.log;
    CaptureResult second = runCaptureIn(directory.path, common + "--hashes second.txt --wav second.wav");
    ASSERT_EQ(second.exitCode, 0) << second.log;

    std::vector<std::string> lines = readLines(directory.path + "/first.txt");
    EXPECT_EQ(lines, readLines(directory.path + "/second.txt"));
    std::vector<uint8_t> sound = readBytes(directory.path + "/first.wav");
    EXPECT_EQ(sound, readBytes(directory.path + "/second.wav"));

    // 1.5 s at 30 frames a second, each frame with exactly its share of the music.
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(sound.size(), 44u + 45u * 1470u * AUDIO_BYTES_PER_FRAME);
    EXPECT_EQ(field(lines.front(), 1), std::to_string(CAPTURE_START_MS + frameEndMs(0, 30)));
    EXPECT_EQ(field(lines.back(), 1), std::to_string(CAPTURE_START_MS + 1500));
    // The comparison means something only if the show moved and the music sounded.
    std::set<std::string> pictures;
    for (const std::string& line : lines) {
        pictures.insert(field(line, 3));
    }
    EXPECT_GT(pictures.size(), 10u);
    EXPECT_GT(std::count_if(sound.begin() + 44, sound.end(), [](uint8_t b) { return b != 0; }), 10000);
}

TEST(CaptureShow, TheRunEndsWithTheMusicOnASilentFrame) {
    const ScratchFolder directory = stageShowDirectory(quickCreditsModule());
    CaptureResult result = runCaptureIn(directory.path, "--size 160x90 --fps 60 --hashes h.txt --wav music.wav");
    ASSERT_EQ(result.exitCode, 0) << result.log;
    std::vector<std::string> lines = readLines(directory.path + "/h.txt");
    ASSERT_GT(lines.size(), 100u);
    int64_t samples = 0;
    for (size_t frame = 0; frame < lines.size(); ++frame) {
        samples += frameSampleCount(static_cast<int64_t>(frame), 60);
    }
    EXPECT_EQ(readBytes(directory.path + "/music.wav").size(),
              44u + static_cast<size_t>(samples) * AUDIO_BYTES_PER_FRAME);
    // The show draws the frame that finds the music over: it carries silence.
    std::vector<uint8_t> silence(static_cast<size_t>(frameSampleCount(0, 60)) * AUDIO_BYTES_PER_FRAME, 0);
    char silentHash[17];
    std::snprintf(silentHash, sizeof silentHash, "%016llx",
                  static_cast<unsigned long long>(hashBytes(silence.data(), silence.size())));
    EXPECT_EQ(field(lines.back(), 4), silentHash);
    EXPECT_NE(field(lines[lines.size() / 2], 4), silentHash);
    // The module's 10 orders of music end at order 10, where the player has left the order list.
    EXPECT_EQ(field(lines.back(), 2).substr(0, 3), "10:");
}

TEST(CaptureShow, StillsShowTheWhiteFlashAndTheCreditsLines) {
    const ScratchFolder directory = stageShowDirectory(quickCreditsModule());
    CaptureResult result = runCaptureIn(
        directory.path, "--size 1920x1080 --fps 10 --until 8:10 --still 5:0 --still 8:10 --still-prefix s_");
    ASSERT_EQ(result.exitCode, 0) << result.log;

    Picture flash = loadPicture(directory.path + "/s_5-0.png", 3);
    ASSERT_EQ(flash.width, 1920);
    ASSERT_EQ(flash.height, 1080);
    size_t white = std::count_if(flash.pixels.begin(), flash.pixels.end(), [](uint8_t v) { return v >= 254; });
    EXPECT_EQ(white, flash.pixels.size());

    // In order 8 the role line is the credits sheet's rows 0 to 59 at (420, 425) and the name
    // its rows 180 to 269 at (420, 510), 1080 pixels wide, drawn one texel a pixel at this size.
    Picture still = loadPicture(directory.path + "/s_8-10.png", 3);
    Picture credits = loadPicture(directory.path + "/Assets/credits_text.png", 4);
    ASSERT_EQ(still.width, 1920);
    ASSERT_GE(credits.height, 270);
    struct Line {
        int sourceTop, height, screenY;
    };
    for (const Line& line : {Line{0, 60, 425}, Line{180, 90, 510}}) {
        int opaque = 0;
        int matching = 0;
        for (int y = 0; y < line.height; ++y) {
            for (int x = 0; x < 1080; ++x) {
                const uint8_t* texel = at(credits, x, line.sourceTop + y);
                if (texel[3] < 255) {
                    continue;
                }
                const uint8_t* shown = at(still, 420 + x, line.screenY + y);
                ++opaque;
                bool same = true;
                for (int c = 0; c < 3; ++c) {
                    same = same && std::abs(static_cast<int>(shown[c]) - texel[c]) <= 8;
                }
                matching += same ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, 500) << line.screenY;
        EXPECT_GE(matching, opaque * 95 / 100) << line.screenY << ": " << matching << " of " << opaque;
    }
}

TEST(CaptureShow, UnreachedStillsAndMissingModulesFail) {
    const ScratchFolder directory = stageShowDirectory(quickCreditsModule());
    CaptureResult unreached = runCaptureIn(directory.path, "--size 160x90 --until 1s --still 9:0");
    EXPECT_EQ(unreached.exitCode, 1);
    EXPECT_NE(unreached.log.find("9:0"), std::string::npos) << unreached.log;
    CaptureResult missing = runCaptureIn(directory.path, "--size 160x90 --wav w.wav --module nothing.mod");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.log.find("nothing.mod"), std::string::npos) << missing.log;
    CaptureResult bad = runCaptureIn(directory.path, "--size 160x90 --still 9:x");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.log.find("9:x"), std::string::npos) << bad.log;
}

// Outputs that cannot all be written are refused before the first frame, with exit code 2 and
// the option names, and nothing is written: no frame is worth rendering for a run that must fail.
// A device, a named pipe (which blocked the run in its open, deaf to SIGTERM), a video name ffmpeg
// has no container for (once refused only after every frame) and the show's own assets are
// refused the same way; a device is never replaced.
TEST(CaptureOutputs, BadOutputNamesAreRefusedBeforeAnyFrame) {
    const ScratchFolder directory = stageShowDirectory(quickCreditsModule());
    fs::create_directory(directory.path + "/existing");
    ASSERT_EQ(mkfifo((directory.path + "/pipe.wav").c_str(), 0644), 0);
    fs::create_symlink("/dev/null", directory.path + "/null.mp4");
    fs::create_symlink("/dev/full", directory.path + "/still_0.5s.png");
    // A copy, not the staged link to the build's picture, which a regression would overwrite.
    fs::remove(directory.path + "/Assets/greets.png");
    fs::copy_file("Assets/greets.png", directory.path + "/Assets/greets.png");
    const std::vector<std::pair<std::string, std::vector<std::string>>> refused = {
        {"--wav b.wav --hashes b.wav", {"--wav", "--hashes", "b.wav"}},
        {"--contact-sheet still_1s.png --still 1s", {"--still 1s", "--contact-sheet", "still_1s.png"}},
        {"--contact-sheet missing/sheet.png", {"--contact-sheet", "missing"}},
        {"--size 64x36 --video existing", {"--video", "existing"}},
        {"--wav w.wav --still 99:0", {"99:0", "order list", "0 to 9"}},
        {"--wav pipe.wav", {"--wav names a named pipe"}},
        {"--size 64x36 --until 1s --video null.mp4", {"--video names a device"}},
        {"--wav w.wav --still 0.5s", {"--still 0.5s names a device"}},
        {"--size 64x36 --video v.webm", {"--video needs a name ending in .mp4"}},
        {"--contact-sheet Assets/greets.png", {"--contact-sheet would write into the show's Assets folder"}},
    };
    for (const auto& [arguments, mentioned] : refused) {
        // A run that waits on the pipe must fail the test, not hang it.
        CaptureResult result = runCaptureIn(directory.path, "--size 160x90 " + arguments, "timeout -s KILL 60");
        EXPECT_EQ(result.exitCode, 2) << arguments << "\n" << result.log;
        for (const std::string& text : mentioned) {
            EXPECT_NE(result.log.find(text), std::string::npos) << arguments << "\n" << result.log;
        }
        for (const char* name : {"b.wav", "w.wav", "still_1s.png", "existing/sheet.png", "v.webm"}) {
            EXPECT_FALSE(fs::exists(directory.path + "/" + name)) << arguments << ": " << name;
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_fifo(directory.path + "/pipe.wav"));
    EXPECT_EQ(fs::file_size(directory.path + "/Assets/greets.png"), fs::file_size("Assets/greets.png"));
}

// A write that fails mid-run (here past the file size limit of `ulimit -f`, which once killed the
// capture and left a WAV whose header said 0 bytes) ends the run with code 1 and takes every other
// output with it: what it had finished is removed, and what it had begun never took its name, so
// an older file of that name is as it was.
TEST(CaptureOutputs, AFailedWriteEndsTheRunAndRemovesWhatItWrote) {
    const ScratchFolder directory = stageShowDirectory(quickCreditsModule());
    std::ofstream(directory.path + "/w.wav") << "older";
    CaptureResult result =
        runCaptureIn(directory.path, "--size 160x90 --wav w.wav --hashes h.txt --still 0.1s", "ulimit -f 64 &&");
    EXPECT_EQ(result.exitCode, 1) << result.log;
    EXPECT_NE(result.log.find("File too large"), std::string::npos) << result.log;
    EXPECT_NE(result.log.find("removed the unfinished outputs"), std::string::npos) << result.log;
    const std::vector<uint8_t> older = readBytes(directory.path + "/w.wav");
    EXPECT_EQ(std::string(older.begin(), older.end()), "older");
    std::set<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory.path)) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"Assets", "capture.log", "w.wav"})) << "the still, the hashes, hidden files";
}

TEST(CaptureOutputs, AStillOnAFullFileSystemLeavesNoPartialFile) {
    const ScratchFolder directory = stageShowDirectory(quickCreditsModule());
    std::string full = directory.path + "/full";
    fs::create_directory(full);
    if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=16k") != 0) {
        GTEST_SKIP() << "this process may not mount a tmpfs; the /dev/full test covers the failed write";
    }
    // Fill it to the last byte, so the still's first write fails.
    std::FILE* filler = std::fopen((full + "/filler").c_str(), "wb");
    std::vector<char> block(4096, 'x');
    while (filler != nullptr && std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
           std::fflush(filler) == 0) {
    }
    if (filler != nullptr) {
        std::fclose(filler);
    }
    CaptureResult result =
        runCaptureIn(directory.path, "--size 320x180 --until 0.5s --still 0.4s --still-prefix full/s_");
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(full)) {
        left.push_back(entry.path().filename().string());
    }
    umount(full.c_str());
    EXPECT_EQ(result.exitCode, 1) << result.log;
    EXPECT_NE(result.log.find("partial file was removed"), std::string::npos) << result.log;
    EXPECT_EQ(left, std::vector<std::string>{"filler"});
}

// The video's temporary files live in a folder of their own: a name as long as the file system
// allows still works, and an output named like a temporary file is kept.
TEST(CaptureOutputs, LongVideoNamesWorkAndTemporaryFilesMeetNoOutput) {
    const ScratchFolder directory = stageShowDirectory(quickCreditsModule());
    std::string longName = std::string(246, 'v') + ".mp4";
    CaptureResult result = runCaptureIn(directory.path, "--size 64x36 --fps 10 --until 0.5s --video " + longName);
    EXPECT_EQ(result.exitCode, 0) << result.log;
    EXPECT_GT(fs::file_size(directory.path + "/" + longName), 0u);

    result = runCaptureIn(directory.path, "--size 64x36 --fps 10 --until 0.5s --video f.mp4 --hashes f.mp4.music.wav");
    EXPECT_EQ(result.exitCode, 0) << result.log;
    EXPECT_EQ(readLines(directory.path + "/f.mp4.music.wav").size(), 5u);
    EXPECT_TRUE(fs::exists(directory.path + "/f.mp4"));
    for (const fs::directory_entry& entry : fs::directory_iterator(directory.path)) {
        EXPECT_EQ(entry.path().filename().string().rfind(".kavex_capture", 0), std::string::npos) << entry.path();
    }
}
