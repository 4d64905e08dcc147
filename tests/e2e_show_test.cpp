#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ShowRun.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

// Walks all 28 orders of the show in about seven seconds: 2 rows of 120 ms each.
TestModule quickShowModule() { return walkingModule(28, 2, 6, 125); }

// Long enough that only a quit request can end it within the test.
TestModule longShowModule() { return walkingModule(28, 64, 6, 125); }

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
    std::string directory = stageShowDirectory(quickShowModule());
    ShowResult result = runShowHeadless(directory, {});
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
    std::string directory = stageShowDirectory(longShowModule());
    ShowRunOptions options;
    options.escapeAfterSeconds = 4;
    options.timeoutSeconds = 60;
    ShowResult result = runShowHeadless(directory, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(EndToEnd, CloseRequestEndsTheShowWithZero) {
    std::string directory = stageShowDirectory(longShowModule());
    ShowRunOptions options;
    options.termAfterSeconds = 4;
    options.timeoutSeconds = 60;
    ShowResult result = runShowHeadless(directory, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(EndToEnd, RunsOnADisplayThatIsNotSixteenByNine) {
    std::string directory = stageShowDirectory(quickShowModule());
    ShowRunOptions options;
    options.screen = "1280x1024";
    ShowResult result = runShowHeadless(directory, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(EndToEnd, NoWindowEndsWithCodeOneAndTheSdlReason) {
    std::string directory = stageShowDirectory(quickShowModule());
    ShowResult result = runShowDirect(directory, {"SDL_VIDEODRIVER=dummy"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out.rfind("Window could not be created! SDL_Error: ", 0), 0u) << result.out;
}

TEST(EndToEnd, ABadOptionIsNamedBeforeAnyWindowOpens) {
    std::string directory = stageShowDirectory(quickShowModule());
    // With no video driver a window would fail with code 1: the options are read before that.
    ShowResult result = runShowDirect(directory, {"SDL_VIDEODRIVER=dummy"}, {"--av-offset", "soon"});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.err.rfind("kavex_velmora: bad --av-offset \"soon\"", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("Usage: kavex_velmora"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "") << "nothing was started";

    result = runShowDirect(directory, {"SDL_VIDEODRIVER=dummy"}, {"--av-offset", "-40"});
    EXPECT_EQ(result.exitCode, 1) << "a good offset lets start-up go on to the window";
    EXPECT_EQ(result.out.rfind("Window could not be created! SDL_Error: ", 0), 0u) << result.out;
}

TEST(EndToEnd, MissingOrDamagedModuleEndsWithCodeOneAndSaysWhy) {
    std::string missing = stageShowDirectory(quickShowModule());
    fs::remove(fs::path(missing) / "Assets" / "ondaris.mod");
    ShowResult result = runShowHeadless(missing, {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Assets/ondaris.mod"), std::string::npos) << result.err;

    TestModule damaged = quickShowModule();
    std::string garbled = stageShowDirectory(damaged);
    {
        std::vector<uint8_t> bytes(1500, 0x5A);
        std::ofstream file(fs::path(garbled) / "Assets" / "ondaris.mod", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    result = runShowHeadless(garbled, {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("damaged"), std::string::npos) << result.err;
}

TEST(EndToEnd, WithoutAnAudioDeviceTheShowPlaysSilentlyToItsEnd) {
    std::string directory = stageShowDirectory(quickShowModule());
    ShowRunOptions options;
    options.environment = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=/nonexistent/folder/audio.raw"};
    ShowResult result = runShowHeadless(directory, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("No audio output"), std::string::npos) << result.err;
}

TEST(EndToEnd, StartsFromAnotherWorkingDirectory) {
    char pattern[] = "/tmp/kavex-elsewhere-XXXXXX";
    std::string elsewhere = mkdtemp(pattern);
    ShowRunOptions options;
    options.termAfterSeconds = 4;
    options.timeoutSeconds = 60;
    ShowResult result = runShowHeadless(elsewhere, options);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("Adding Texture Graphic Assets/greets.png (first request)"), std::string::npos);
}
