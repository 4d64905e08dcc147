#include <gtest/gtest.h>

#include <stb_image.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/ShowRun.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

// Stays on its first order for the whole test: scene 0, its floor across the whole picture.
TestModule longShowModule() { return walkingModule(28, 64, 6, 125); }

// 2.9 seconds of sound: a looped tone from the first row that sounds to the end, a second from order 3.
TestModule shortSoundingModule() {
    TestModule module = walkingModule(6, 4, 6, 125);
    module.patterns[0].cells[0][0] = {PERIOD_C3, 1, 0, 0};
    module.patterns[3].cells[0][2] = {PERIOD_C3 * 2, 2, 0, 0};
    return module;
}

struct Rect {
    int x;
    int y;
    int width;
    int height;
};

std::map<std::string, int> readGeometry(const std::string& path) {
    std::map<std::string, int> values;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
        }
    }
    return values;
}

// The window on the screenshot is black outside `picture` (window coordinates) and drawn inside it
// from its left edge to its right edge.
void expectLetterboxed(const std::string& shot, Rect window, Rect picture) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load(shot.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr) << shot;
    int drawnInPicture = 0;
    int drawnInBars = 0;
    int left = window.width;
    int right = -1;
    for (int y = 0; y < window.height; ++y) {
        for (int x = 0; x < window.width; ++x) {
            const stbi_uc* p = pixels + ((window.y + y) * width + window.x + x) * 3;
            if (p[0] + p[1] + p[2] < 24) {
                continue;
            }
            const bool inPicture =
                x >= picture.x && x < picture.x + picture.width && y >= picture.y && y < picture.y + picture.height;
            (inPicture ? drawnInPicture : drawnInBars) += 1;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    stbi_image_free(pixels);
    EXPECT_EQ(drawnInBars, 0) << shot << ": the bars around the picture are black";
    EXPECT_GT(drawnInPicture, picture.width * picture.height / 50) << shot;
    EXPECT_LE(left, picture.x + 8) << shot << ": the picture starts at its left edge";
    EXPECT_GE(right, picture.x + picture.width - 9) << shot << ": and reaches its right edge";
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Where the next sound starts at or after `from`, and where it ends: the first run of a quarter
// buffer of silence after it. The tones are looped, so no such run falls inside a play.
struct Sounding {
    size_t start;
    size_t end;
};

Sounding nextSounding(const std::vector<uint8_t>& bytes, size_t from) {
    constexpr size_t SILENT_RUN = 4096;
    size_t start = from;
    while (start < bytes.size() && bytes[start] == 0) {
        ++start;
    }
    size_t end = start;
    size_t zeros = 0;
    while (end < bytes.size() && zeros < SILENT_RUN) {
        zeros = bytes[end] == 0 ? zeros + 1 : 0;
        ++end;
    }
    return {start, end - zeros};
}

}  // namespace

TEST(ShowOptionsEndToEnd, WindowedShowIsLetterboxedAndFollowsAResize) {
    const ScratchFolder directory = stageShowDirectory(longShowModule());
    const std::string first = directory.path + "/windowed.png";
    const std::string resized = directory.path + "/resized.png";
    ShowRunOptions options;
    options.arguments = {"--windowed", "1000x700", "--display", "0", "--mute"};
    options.actions = {
        {ShowAction::Shot, 8, first}, {ShowAction::Resize, 1, "1200x500"}, {ShowAction::Shot, 2, resized}};
    options.escapeAfterSeconds = 1;
    options.timeoutSeconds = 60;
    const ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;

    std::map<std::string, int> geometry = readGeometry(first + ".geometry");
    EXPECT_EQ(geometry["WIDTH"], 1000);
    EXPECT_EQ(geometry["HEIGHT"], 700);
    EXPECT_EQ(geometry["X"], 460) << "centred on the first display";
    EXPECT_EQ(geometry["Y"], 190);
    // 1000 x 562 in 16:9, 69 rows of black above and below.
    expectLetterboxed(first, {geometry["X"], geometry["Y"], 1000, 700}, {0, 69, 1000, 562});

    geometry = readGeometry(resized + ".geometry");
    EXPECT_EQ(geometry["WIDTH"], 1200);
    EXPECT_EQ(geometry["HEIGHT"], 500);
    // 888 x 500, 156 columns of black on each side.
    expectLetterboxed(resized, {geometry["X"], geometry["Y"], 1200, 500}, {156, 0, 888, 500});
}

TEST(ShowOptionsEndToEnd, LoopPlaysTheWholeMusicAgainUntilEscape) {
    const ScratchFolder directory = stageShowDirectory(shortSoundingModule());
    const fs::path sound = fs::path(directory.path) / "sound.raw";
    ShowRunOptions options;
    options.arguments = {"--loop"};
    // The disk driver writes what the device plays, silence while it is paused included.
    options.environment = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + sound.string()};
    options.escapeAfterSeconds = 15;
    options.timeoutSeconds = 60;
    const ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;

    const std::vector<uint8_t> bytes = readBytes(sound);
    const Sounding firstPlay = nextSounding(bytes, 0);
    ASSERT_GT(firstPlay.end - firstPlay.start, size_t{44100 * 4 * 2}) << "two seconds and more of music";
    const Sounding secondPlay = nextSounding(bytes, firstPlay.end);
    ASSERT_LE(secondPlay.start + (firstPlay.end - firstPlay.start), bytes.size()) << "a second play, whole";
    EXPECT_TRUE(std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(firstPlay.start),
                           bytes.begin() + static_cast<std::ptrdiff_t>(firstPlay.end),
                           bytes.begin() + static_cast<std::ptrdiff_t>(secondPlay.start)))
        << "the second play is the first again, sample for sample";
    size_t requests = 0;
    for (size_t at = result.out.find("(first request)"); at != std::string::npos;
         at = result.out.find("(first request)", at + 1)) {
        ++requests;
    }
    EXPECT_EQ(requests, 24u) << "starting again loads nothing twice: " << result.out;
}

TEST(ShowOptionsEndToEnd, MutePlaysSilentlyInTimeToTheEnd) {
    const ScratchFolder directory = stageShowDirectory(shortSoundingModule());
    const fs::path sound = fs::path(directory.path) / "sound.raw";
    ShowRunOptions options;
    options.arguments = {"--mute"};
    options.environment = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + sound.string()};
    const auto start = std::chrono::steady_clock::now();
    const ShowResult result = runShowHeadless(directory.path, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_FALSE(fs::exists(sound)) << "the silent driver was used, not the one the environment names";
    EXPECT_EQ(result.err.find("No audio output"), std::string::npos) << result.err;
    // The pre-roll and 2.9 s of music: the music's clock ran in real time.
    EXPECT_GT(seconds, 3.8);
    EXPECT_EQ(result.out.find("Stats"), std::string::npos) << "no report without --stats";
}

TEST(ShowOptionsEndToEnd, StatsReportsHowEvenlyTheFramesCameWhenTheShowEnds) {
    // Every scene in 6.7 s (56 rows of 120 ms), on a 640 x 360 screen so that frames come near
    // 60 a second on a busy machine.
    const ScratchFolder directory = stageShowDirectory(walkingModule(28, 2, 6, 125));
    ShowRunOptions options;
    options.screen = "640x360";
    options.arguments = {"--stats"};
    const ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    const size_t first = result.out.find("Stats: ");
    ASSERT_NE(first, std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("Adding", first), std::string::npos) << "the report comes last";
    long frames = 0;
    double median = 0;
    double percentile99 = 0;
    double worst = 0;
    int order = -1;
    int row = -1;
    long slow = 0;
    ASSERT_EQ(std::sscanf(result.out.c_str() + first,
                          "Stats: %ld frames; frame time median %lf ms, 99th percentile %lf ms, worst %lf ms at "
                          "%d:%d; %ld over 25.0 ms (1.5 refresh intervals of",
                          &frames, &median, &percentile99, &worst, &order, &row, &slow),
              7)
        << result.out;
    EXPECT_GE(frames, 20);
    EXPECT_GE(median, 14.0) << "paced to 60 frames a second at most";
    EXPECT_LE(median, percentile99);
    EXPECT_LE(percentile99, worst + 0.1);
    EXPECT_TRUE(order >= 0 && order < 28 && row >= 0 && row < 2) << order << ":" << row;
    EXPECT_LT(slow, frames);
    // The frames span the music: their count times the typical frame time is near its 6.7 s.
    const double spanMs = static_cast<double>(frames) * median;
    EXPECT_GT(spanMs, 0.4 * 6720) << result.out;
    EXPECT_LT(spanMs, 1.6 * 6720) << result.out;

    double lead = 0;
    double leadLow = 0;
    double leadHigh = 0;
    double aim = -1;
    const size_t second = result.out.find("Stats: sound", first);
    ASSERT_NE(second, std::string::npos) << result.out;
    ASSERT_EQ(std::sscanf(result.out.c_str() + second,
                          "Stats: sound ahead of the picture as each frame is shown: median %lf ms, 1st to 99th "
                          "percentile %lf to %lf ms; frames aimed %lf ms ahead",
                          &lead, &leadLow, &leadHigh, &aim),
              4)
        << result.out;
    EXPECT_LE(leadLow, lead);
    EXPECT_LE(lead, leadHigh);
    EXPECT_GE(aim, 0.0);
    EXPECT_LT(aim, 1000.0);
}

TEST(ShowOptionsEndToEnd, HelpAndVersionPrintAndEndBeforeAnyWindow) {
    const ScratchFolder directory = stageShowDirectory(shortSoundingModule());
    // With no video driver a window would fail with code 1.
    ShowResult result = runShowDirect(directory.path, {"SDL_VIDEODRIVER=dummy"}, {"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.rfind("Usage: kavex_velmora", 0), 0u) << result.out;
    for (const char* option :
         {"--windowed", "--display", "--loop", "--mute", "--av-offset", "--stats", "--help", "--version"}) {
        EXPECT_NE(result.out.find(std::string("  ") + option), std::string::npos) << option;
    }
    EXPECT_EQ(result.err, "");

    result = runShowDirect(directory.path, {"SDL_VIDEODRIVER=dummy"}, {"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.rfind("kavex_velmora 1.0 ", 0), 0u) << result.out;
}

TEST(ShowOptionsEndToEnd, BadOptionsAndAMissingDisplayAreNamed) {
    const ScratchFolder directory = stageShowDirectory(shortSoundingModule());
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--windowed", "10x10"}, {"--display", "first"}, {"--loop=yes"}, {"--fullscreen"}}) {
        const ShowResult result = runShowDirect(directory.path, {"SDL_VIDEODRIVER=dummy"}, arguments);
        EXPECT_EQ(result.exitCode, 5) << arguments[0];
        EXPECT_EQ(result.err.rfind("kavex_velmora: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(arguments[0].substr(0, arguments[0].find('='))), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("\nUsage: kavex_velmora"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << "nothing was started";
    }

    // The off-screen driver has one display: asking for another is the window-creation failure.
    const ShowResult result =
        runShowDirect(directory.path, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"}, {"--display", "3"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              "Window could not be created! SDL_Error: no display 3: this computer has 1 display, number 0\n");
}

TEST(ShowOptionsEndToEnd, WithoutAnyDisplayTheShowSaysSoAndEndsWithOne) {
    const ScratchFolder directory = stageShowDirectory(shortSoundingModule());
    // No X11 or Wayland session and no driver named: SDL would fall back to drawing off-screen.
    const ShowResult result =
        runShowDirect(directory.path, {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "SDL_VIDEODRIVER"});
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_EQ(result.out.rfind("Window could not be created! SDL_Error: no display reachable", 0), 0u) << result.out;
}
