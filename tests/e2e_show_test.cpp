#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/CaptureRunner.h"
#include "support/ScratchFolder.h"
#include "support/ShowRun.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

// Walks all 28 orders of the show in about seven seconds: 2 rows of 120 ms each.
TestModule quickShowModule() { return walkingModule(28, 2, 6, 125); }

// Long enough that only a quit request can end it within the test.
TestModule longShowModule() { return walkingModule(28, 64, 6, 125); }

std::string readWhole(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (line.rfind(prefix, 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace

TEST(EndToEnd, PlaysAShortModuleToItsEndAndExitsZero) {
    const ScratchFolder directory = stageShowDirectory(quickShowModule());
    ShowResult result = runShowHeadless(directory.path, {});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_TRUE(linesStartingWith(result.out, "Failed").empty()) << result.out;
    EXPECT_EQ(result.err.find("Error"), std::string::npos) << result.err;

    const std::vector<std::string> expected = {
        "Adding Shader: TextureMatrix2D (first request)",
        "Adding Shader: TextureMatrix3D (first request)",
        "Adding Shader: Color2D (first request)",
        "Adding Shader: palms_Kavex (first request)",
        "Adding Shader: city (first request)",
        "Adding Shader: road (first request)",
        "Adding Shader: jail_tunnel (first request)",
        "Adding Texture Graphic Assets/beach.jpg (first request)",
        "Adding Texture Graphic Assets/streets.jpg (first request)",
        "Adding Texture Graphic Assets/BGVapor.jpg (first request)",
        "Adding Texture Graphic Assets/city.png (first request)",
        "Adding Shader: PlaneMusic (first request)",
        "Adding Texture Graphic Assets/heightmap.png (first request)",
        "Adding Mesh: Assets/flamingo.obj (first request)",
        "Adding Texture Graphic Assets/flamingo_tex.png (first request)",
        "Adding Mesh: Assets/plane.obj (first request)",
        "Adding Mesh: Assets/windsurf.obj (first request)",
        "Adding Texture Graphic Assets/windsurf_tex.png (first request)",
        "Adding Texture Graphic Assets/Kavex_Vice_6c.png (first request)",
        "Adding Texture Graphic Assets/credits_text.png (first request)",
        "Adding Texture Graphic Assets/papagayo_6c.png (first request)",
        "Adding Texture Graphic Assets/opening.png (first request)",
        "Adding Texture Graphic Assets/lyrics.png (first request)",
        "Adding Texture Graphic Assets/greets.png (first request)",
    };
    EXPECT_EQ(linesStartingWith(result.out, "Adding"), expected);
}

TEST(EndToEnd, EscapeEndsTheShowWithZero) {
    const ScratchFolder directory = stageShowDirectory(longShowModule());
    ShowRunOptions options;
    options.escapeAfterSeconds = 4;
    options.timeoutSeconds = 60;
    ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(EndToEnd, CloseRequestEndsTheShowWithZero) {
    const ScratchFolder directory = stageShowDirectory(longShowModule());
    ShowRunOptions options;
    options.termAfterSeconds = 4;
    options.timeoutSeconds = 60;
    ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

// Started with standard output closed, the show once took descriptor 1 for its X11 connection, wrote
// its console lines into it and stalled there, deaf to SIGTERM.
TEST(EndToEnd, WithStandardOutputClosedTheShowRunsAndEndsOnACloseRequest) {
    const ScratchFolder directory = stageShowDirectory(longShowModule());
    ShowRunOptions options;
    options.stdoutClosed = true;
    options.termAfterSeconds = 4;
    options.timeoutSeconds = 40;
    ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err.find("Error"), std::string::npos) << result.err;
}

TEST(EndToEnd, RunsOnADisplayThatIsNotSixteenByNine) {
    const ScratchFolder directory = stageShowDirectory(quickShowModule());
    ShowRunOptions options;
    options.screen = "1280x1024";
    ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(EndToEnd, NoWindowEndsWithCodeOneAndTheSdlReason) {
    const ScratchFolder directory = stageShowDirectory(quickShowModule());
    ShowResult result = runShowDirect(directory.path, {"SDL_VIDEODRIVER=dummy"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out.rfind("Window could not be created! SDL_Error: ", 0), 0u) << result.out;
}

TEST(EndToEnd, ABadOptionIsNamedBeforeAnyWindowOpens) {
    const ScratchFolder directory = stageShowDirectory(quickShowModule());
    // With no video driver a window would fail with code 1: the options are read before that.
    ShowResult result = runShowDirect(directory.path, {"SDL_VIDEODRIVER=dummy"}, {"--av-offset", "soon"});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.err.rfind("kavex_velmora: bad --av-offset \"soon\"", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("Usage: kavex_velmora"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "") << "nothing was started";

    result = runShowDirect(directory.path, {"SDL_VIDEODRIVER=dummy"}, {"--av-offset", "-40"});
    EXPECT_EQ(result.exitCode, 1) << "a good offset lets start-up go on to the window";
    EXPECT_EQ(result.out.rfind("Window could not be created! SDL_Error: ", 0), 0u) << result.out;
}

TEST(EndToEnd, MissingOrDamagedModuleEndsWithCodeOneAndSaysWhy) {
    const ScratchFolder missing = stageShowDirectory(quickShowModule());
    fs::remove(fs::path(missing.path) / "Assets" / "ondaris.mod");
    ShowResult result = runShowHeadless(missing.path, {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Assets/ondaris.mod"), std::string::npos) << result.err;

    TestModule damaged = quickShowModule();
    const ScratchFolder garbled = stageShowDirectory(damaged);
    {
        std::vector<uint8_t> bytes(1500, 0x5A);
        std::ofstream file(fs::path(garbled.path) / "Assets" / "ondaris.mod", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    result = runShowHeadless(garbled.path, {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("damaged"), std::string::npos) << result.err;
}

TEST(EndToEnd, WithoutAnAudioDeviceTheShowPlaysSilentlyToItsEnd) {
    const ScratchFolder directory = stageShowDirectory(quickShowModule());
    ShowRunOptions options;
    options.environment = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=/nonexistent/folder/audio.raw"};
    ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("No audio output"), std::string::npos) << result.err;
}

TEST(EndToEnd, StartsFromAnotherWorkingDirectory) {
    const ScratchFolder elsewhere("elsewhere");
    ShowRunOptions options;
    options.termAfterSeconds = 4;
    options.timeoutSeconds = 60;
    ShowResult result = runShowHeadless(elsewhere.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("Adding Texture Graphic Assets/greets.png (first request)"), std::string::npos);
}

TEST(EndToEnd, StartSkipsToThePositionTheCaptureShowsThere) {
    const ScratchFolder directory = stageShowDirectory(allScenesModule());
    // The capture names the first frame at or past 17:0 (the greetings' first), on the same clock.
    CaptureResult still = runCaptureIn(directory.path, "--size 320x180 --still 17:0");
    ASSERT_EQ(still.exitCode, 0) << still.log;
    const std::string mark = "Still 17:0 (frame ";
    size_t at = still.log.find(mark);
    ASSERT_NE(at, std::string::npos) << still.log;
    std::string frame = still.log.substr(at + mark.size(), still.log.find(',', at) - at - mark.size());

    ShowRunOptions options;
    options.arguments = {"--start", "17:0"};
    ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(linesStartingWith(result.out, "Starting at "),
              std::vector<std::string>{"Starting at 17:0: frame " + frame + ", order 17 row 0, scene 4"})
        << result.out;
}

TEST(EndToEnd, AStartPastTheMusicsEndIsABadOption) {
    const ScratchFolder directory = stageShowDirectory(quickShowModule());
    ShowRunOptions options;
    options.arguments = {"--start", "60s"};
    ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_NE(result.err.find("kavex_velmora: the music ends before the --start position 60s\n"), std::string::npos)
        << result.err;
}

// The frames after the last row, while the last notes fade, once counted as 28:0 (and 27:64): the
// show printed a start there and ended with 0, or with --loop started there again and again.
TEST(EndToEnd, AStartPastTheOrderListIsABadOptionLoopingOrNot) {
    const ScratchFolder directory = stageShowDirectory(walkingModule(28, 2, 3, 125));
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--start", "28:0"}, {"--start", "27:2"}, {"--loop", "--start", "28:0"}}) {
        const ShowResult result =
            runShowDirect(directory.path, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"}, arguments);
        EXPECT_EQ(result.exitCode, 5) << arguments.back() << "\n" << result.out << result.err;
        EXPECT_EQ(linesStartingWith(result.out, "Starting at "), std::vector<std::string>{}) << result.out;
        EXPECT_NE(result.err.find("the music ends before the --start position " + arguments.back()), std::string::npos)
            << result.err;
    }
}

// A module swapped between rounds for one that never reaches the start ends the show with the reason,
// where it once started every round on the fading frames after the module's end.
TEST(EndToEnd, ALoopRoundThatCannotReachItsStartEndsTheShow) {
    const ScratchFolder directory = stageShowDirectory(walkingModule(3, 4, 3, 125));
    std::thread swap([&] {
        // Once the first round has started (its line is in the show's standard output, a file).
        const auto started = std::chrono::steady_clock::now();
        while (readWhole(directory.path + "/stdout.txt").find("Starting at") == std::string::npos &&
               std::chrono::steady_clock::now() - started < std::chrono::seconds(50)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const std::string swapped = directory.path + "/Assets/shorter.mod";
        writeModule(swapped, walkingModule(1, 4, 3, 125));
        fs::rename(swapped, directory.path + "/Assets/ondaris.mod");
    });
    const ShowResult result = runShowDirect(directory.path, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"},
                                            {"--loop", "--start", "1:0"});
    swap.join();
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_GE(linesStartingWith(result.out, "Starting at 1:0").size(), 1u) << result.out;
    EXPECT_NE(result.err.find("the music ends before the --start position 1:0"), std::string::npos) << result.err;
}

TEST(EndToEnd, LoopingFromAStartReturnsToThatPositionEachRound) {
    const ScratchFolder directory = stageShowDirectory(allScenesModule());
    ShowRunOptions options;
    options.arguments = {"--start", "25:0", "--loop"};
    options.escapeAfterSeconds = 6;  // a round from 25:0 lasts under a second
    ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> starts = linesStartingWith(result.out, "Starting at ");
    ASSERT_GE(starts.size(), 2u) << result.out;
    for (const std::string& line : starts) {
        EXPECT_EQ(line, starts[0]);
    }
    EXPECT_NE(starts[0].find(", order 25 row 0, scene 6"), std::string::npos) << starts[0];
}
