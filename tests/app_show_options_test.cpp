#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ShowOptions.h"

namespace {

bool parse(const std::vector<std::string>& args, ShowOptions& options, std::string& error) {
    options.avOffsetMs = 12345;
    options.loop = true;
    options.display = 9;
    error.clear();
    return parseShowOptions(args, options, error);
}

}  // namespace

TEST(ShowOptions, NoOptionsIsTheShowAsDesigned) {
    ShowOptions options;
    std::string error;
    ASSERT_TRUE(parse({}, options, error)) << error;
    EXPECT_EQ(options.avOffsetMs, 0);
    EXPECT_FALSE(options.windowed);
    EXPECT_EQ(options.display, -1);
    EXPECT_FALSE(options.loop);
    EXPECT_FALSE(options.mute);
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(options.version);
}

TEST(ShowOptions, WindowedTakesAnOptionalSize) {
    struct Case {
        std::vector<std::string> args;
        int32_t width;
        int32_t height;
        bool loop;
    };
    const std::vector<Case> cases = {
        {{"--windowed"}, 1280, 720, false},          {{"--windowed", "1000x700"}, 1000, 700, false},
        {{"--windowed=640x360"}, 640, 360, false},   {{"--windowed", "--loop"}, 1280, 720, true},
        {{"--loop", "--windowed"}, 1280, 720, true}, {{"--windowed", "64x16384", "--loop"}, 64, 16384, true},
    };
    for (const Case& c : cases) {
        ShowOptions options;
        std::string error;
        ASSERT_TRUE(parse(c.args, options, error)) << c.args[0] << ": " << error;
        EXPECT_TRUE(options.windowed);
        EXPECT_EQ(options.windowWidth, c.width) << c.args.back();
        EXPECT_EQ(options.windowHeight, c.height) << c.args.back();
        EXPECT_EQ(options.loop, c.loop) << c.args.back();
    }
}

TEST(ShowOptions, FlagsAndTheDisplayNumber) {
    ShowOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--mute", "--display", "1", "--loop", "--av-offset=-40", "--help", "--version"}, options, error))
        << error;
    EXPECT_TRUE(options.mute);
    EXPECT_TRUE(options.loop);
    EXPECT_TRUE(options.help);
    EXPECT_TRUE(options.version);
    EXPECT_EQ(options.display, 1);
    EXPECT_EQ(options.avOffsetMs, -40);
    EXPECT_FALSE(options.windowed) << "a display alone stays full-screen";

    ASSERT_TRUE(parse({"--display=0"}, options, error)) << error;
    EXPECT_EQ(options.display, 0);
}

TEST(ShowOptions, AvOffsetTakesSignedWholeMilliseconds) {
    const std::vector<std::pair<std::vector<std::string>, int32_t>> cases = {
        {{"--av-offset", "-40"}, -40},
        {{"--av-offset", "25"}, 25},
        {{"--av-offset=+25"}, 25},
        {{"--av-offset=-1000"}, -1000},
        {{"--av-offset", "1000"}, 1000},
        {{"--av-offset", "0"}, 0},
        {{"--av-offset", "-3", "--av-offset", "7"}, 7},
    };
    for (const auto& [args, expected] : cases) {
        ShowOptions options;
        std::string error;
        EXPECT_TRUE(parse(args, options, error)) << args[0] << ": " << error;
        EXPECT_EQ(options.avOffsetMs, expected) << args.back();
    }
}

TEST(ShowOptions, BadOptionsAreNamed) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--av-offset", "soon"}, "bad --av-offset \"soon\""},
        {{"--av-offset", "1001"}, "bad --av-offset \"1001\""},
        {{"--av-offset=-1001"}, "bad --av-offset \"-1001\""},
        {{"--av-offset", "4.5"}, "bad --av-offset \"4.5\""},
        {{"--av-offset", "-"}, "bad --av-offset \"-\""},
        {{"--av-offset="}, "bad --av-offset \"\""},
        {{"--av-offset", "99999999999"}, "bad --av-offset \"99999999999\""},
        {{"--av-offset"}, "--av-offset needs a value"},
        {{"--av-ofset", "3"}, "unknown option \"--av-ofset\""},
        {{"--av-offset", "3", "show.mod"}, "unknown option \"show.mod\""},
        {{"--windowed", "1000"}, "bad --windowed \"1000\""},
        {{"--windowed", "1000x"}, "bad --windowed \"1000x\""},
        {{"--windowed", "x700"}, "bad --windowed \"x700\""},
        {{"--windowed", "63x700"}, "bad --windowed \"63x700\""},
        {{"--windowed", "1000x16385"}, "bad --windowed \"1000x16385\""},
        {{"--windowed", "1000X700"}, "bad --windowed \"1000X700\""},
        {{"--windowed", "-1000x700"}, "unknown option \"-1000x700\""},
        {{"--windowed="}, "bad --windowed \"\""},
        {{"--windowed", "big", "--loop"}, "bad --windowed \"big\""},
        {{"--display"}, "--display needs a value"},
        {{"--display", "-1"}, "bad --display \"-1\""},
        {{"--display", "second"}, "bad --display \"second\""},
        {{"--loop=1"}, "--loop takes no value"},
        {{"--mute=yes"}, "--mute takes no value"},
        {{"--help=me"}, "--help takes no value"},
        {{"-h"}, "unknown option \"-h\""},
    };
    for (const auto& [args, expected] : cases) {
        ShowOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, options, error)) << args[0];
        EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
    }
    for (const char* option :
         {"--av-offset MS", "--windowed [WxH]", "--display N", "--loop", "--mute", "--stats", "--help", "--version"}) {
        EXPECT_NE(showUsage().find(std::string("\n  ") + option), std::string::npos) << option;
    }
}

// A display number is the window's to judge (code 1, "no display N"), as the usage says; it once
// ended as a bad option above 63.
TEST(ShowOptions, AnyDisplayNumberIsWellFormed) {
    ShowOptions options;
    std::string error;
    for (const char* number : {"64", "999", "123456789"}) {
        ASSERT_TRUE(parse({"--display", number}, options, error)) << error;
        EXPECT_EQ(options.display, std::stoi(number));
    }
}

TEST(ShowOptions, StartTakesTheCapturesPositionsAndWatchIsAFlag) {
    ShowOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--start", "17:0", "--watch", "--stats"}, options, error)) << error;
    EXPECT_TRUE(options.stats);
    EXPECT_TRUE(options.hasStart);
    EXPECT_TRUE(options.start.byOrder);
    EXPECT_EQ(options.start.order, 17);
    EXPECT_EQ(options.start.row, 0);
    EXPECT_TRUE(options.watch);
    ASSERT_TRUE(parse({"--start=85.5s"}, options, error)) << error;
    EXPECT_FALSE(options.start.byOrder);
    EXPECT_EQ(options.start.timeMs, 85500);
    EXPECT_FALSE(options.watch);
    EXPECT_FALSE(options.stats);
    ASSERT_TRUE(parse({}, options, error)) << error;
    EXPECT_FALSE(options.hasStart);

    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--start", "17"}, "bad --start: bad position \"17\""},
        {{"--start", "17:64x"}, "bad --start: bad position \"17:64x\""},
        {{"--start=-5s"}, "bad --start: bad position \"-5s\""},
        {{"--start"}, "--start needs a value"},
        {{"--watch=yes"}, "--watch takes no value"},
        {{"--stats=1"}, "--stats takes no value"},
    };
    for (const auto& [args, expected] : bad) {
        EXPECT_FALSE(parse(args, options, error)) << args[0];
        EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
    }
}
