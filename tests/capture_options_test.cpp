#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/CaptureOptions.h"
#include "capture/ProgressLine.h"
#include "support/TestModule.h"

namespace {

struct Parsed {
    bool ok = false;
    CaptureOptions options;
    std::string error;
};

Parsed parse(const std::vector<std::string>& args) {
    Parsed parsed;
    parsed.ok = parseCaptureOptions(args, parsed.options, parsed.error);
    return parsed;
}

}  // namespace

TEST(CaptureOptions, OneOutputKeepsTheShowDefaults) {
    Parsed parsed = parse({"--wav", "music.wav"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.width, 1920);
    EXPECT_EQ(parsed.options.height, 1080);
    EXPECT_EQ(parsed.options.fps, 60);
    EXPECT_EQ(parsed.options.modulePath, MODULE_PATH);
    EXPECT_FALSE(parsed.options.hasEnd);
    EXPECT_EQ(parsed.options.wavPath, "music.wav");
}

TEST(CaptureOptions, EveryOutputCanBeAskedForInOneRunInBothSpellings) {
    Parsed parsed = parse({"--size",
                           "640x360",
                           "--fps=30",
                           "--still",
                           "5:0",
                           "--still=12.5s",
                           "--still",
                           "1500ms",
                           "--still-prefix",
                           "shots/f_",
                           "--contact-sheet",
                           "sheet.png",
                           "--sheet-by",
                           "scene",
                           "--video",
                           "show.mp4",
                           "--wav=show.wav",
                           "--hashes",
                           "h.txt",
                           "--from",
                           "2.5s",
                           "--until",
                           "9:0",
                           "--module",
                           "m.mod",
                           "--quiet"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const CaptureOptions& o = parsed.options;
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 360);
    EXPECT_EQ(o.fps, 30);
    ASSERT_EQ(o.stills.size(), 3u);
    EXPECT_TRUE(o.stills[0].byOrder);
    EXPECT_EQ(o.stills[0].order, 5);
    EXPECT_EQ(o.stills[0].row, 0);
    EXPECT_FALSE(o.stills[1].byOrder);
    EXPECT_EQ(o.stills[1].timeMs, 12500);
    EXPECT_EQ(o.stills[2].timeMs, 1500);
    EXPECT_EQ(o.stillPrefix, "shots/f_");
    EXPECT_EQ(o.contactSheetPath, "sheet.png");
    EXPECT_EQ(o.sheetGrouping, SheetGrouping::ByScene);
    EXPECT_EQ(o.videoPath, "show.mp4");
    EXPECT_EQ(o.wavPath, "show.wav");
    EXPECT_EQ(o.hashesPath, "h.txt");
    EXPECT_TRUE(o.hasFrom);
    EXPECT_EQ(o.from.timeMs, 2500);
    EXPECT_TRUE(o.hasEnd);
    EXPECT_TRUE(o.end.byOrder);
    EXPECT_EQ(o.end.order, 9);
    EXPECT_EQ(o.modulePath, "m.mod");
    EXPECT_TRUE(o.quiet);
}

TEST(CaptureOptions, BadOptionsAreRefusedWithTheOffendingText) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--wav", "a.wav", "--colour", "red"}, "--colour"},
        {{"--wav"}, "--wav needs a value"},
        {{"--wav="}, "non-empty"},
        {{"--wav", "a.wav", "--size", "640"}, "640"},
        {{"--wav", "a.wav", "--size", "640x"}, "640x"},
        {{"--wav", "a.wav", "--size", "0x0"}, "0x0"},
        {{"--wav", "a.wav", "--size", "5000x100"}, "5000x100"},
        {{"--wav", "a.wav", "--size", "-640x360"}, "-640x360"},
        {{"--wav", "a.wav", "--fps", "0"}, "\"0\""},
        {{"--wav", "a.wav", "--fps", "61"}, "61"},
        {{"--wav", "a.wav", "--fps", "thirty"}, "thirty"},
        {{"--wav", "a.wav", "--sheet-by", "row"}, "row"},
        {{"--wav", "a.wav", "--until", "soon"}, "soon"},
        {{"--wav", "a.wav", "--from", "later"}, "later"},
        {{"--wav", "a.wav", "--from", "3s", "--until", "2s"}, "--from 3s lies after --until 2s"},
        {{"--video", "v.mp4", "--size", "641x360"}, "641x360"},
        {{"--quiet"}, "nothing to make"},
        {{}, "nothing to make"},
    };
    for (const auto& [args, expected] : cases) {
        Parsed parsed = parse(args);
        EXPECT_FALSE(parsed.ok) << args.back();
        EXPECT_NE(parsed.error.find(expected), std::string::npos) << parsed.error;
    }
}

// A second --wav once replaced the first without a word, and --quiet=yes was taken where the show
// refuses a value on a flag. A setting given twice takes the later value, as in the show.
TEST(CaptureOptions, AnOutputIsGivenOnceAndFlagsTakeNoValue) {
    for (const std::vector<std::string>& twice : {std::vector<std::string>{"--wav", "a.wav", "--wav", "b.wav"},
                                                  {"--still", "1s", "--video=a.mp4", "--video", "b.mp4"},
                                                  {"--hashes", "a.txt", "--hashes", "a.txt"},
                                                  {"--contact-sheet", "a.png", "--contact-sheet", "b.png"}}) {
        const Parsed parsed = parse(twice);
        EXPECT_FALSE(parsed.ok) << twice.back();
        EXPECT_EQ(parsed.error.rfind(twice.back() == "b.mp4" ? "--video" : twice[0], 0), 0u) << parsed.error;
        EXPECT_NE(parsed.error.find(" is given twice"), std::string::npos) << parsed.error;
    }
    for (const char* flag : {"--quiet=yes", "--help=please"}) {
        const Parsed parsed = parse({"--wav", "a.wav", flag});
        EXPECT_FALSE(parsed.ok) << flag;
        EXPECT_EQ(parsed.error, std::string(flag).substr(0, std::string(flag).find('=')) + " takes no value");
    }
    const Parsed settings = parse({"--still", "1s", "--still", "2s", "--size", "64x36", "--size=128x72", "--quiet"});
    ASSERT_TRUE(settings.ok) << settings.error;
    EXPECT_EQ(settings.options.stills.size(), 2u);
    EXPECT_EQ(settings.options.width, 128);
}

TEST(CaptureOptions, HelpNeedsNoOutput) {
    Parsed parsed = parse({"--help"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.options.help);
    EXPECT_NE(captureUsage().find("--contact-sheet"), std::string::npos);
}

TEST(ShowPositions, TimesAndOrderRowsAreReadExactly) {
    ShowPosition position;
    std::string error;
    ASSERT_TRUE(parseShowPosition("12.5s", position, error)) << error;
    EXPECT_EQ(position.timeMs, 12500);
    ASSERT_TRUE(parseShowPosition("0.0015s", position, error)) << error;
    EXPECT_EQ(position.timeMs, 2);
    ASSERT_TRUE(parseShowPosition("250ms", position, error)) << error;
    EXPECT_EQ(position.timeMs, 250);
    ASSERT_TRUE(parseShowPosition("27:63", position, error)) << error;
    EXPECT_TRUE(position.byOrder);
    EXPECT_EQ(position.order, 27);
    EXPECT_EQ(position.row, 63);
    EXPECT_EQ(position.text, "27:63");
    for (const char* bad :
         {"12.5", "s", "ms", "-1s", "nans", "infs", "1e12s", "5:", ":3", "5:0:1", "256:0", "5:x", " 5s", "5 s"}) {
        EXPECT_FALSE(parseShowPosition(bad, position, error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
}

TEST(ShowPositions, AnOrderRowIsReachedAtOrPastItEvenWhenRowsAreSkipped) {
    ShowPosition position;
    std::string error;
    ASSERT_TRUE(parseShowPosition("5:16", position, error));
    EXPECT_FALSE(positionReached(position, 99999, snapshotAt(4, 63)));
    EXPECT_FALSE(positionReached(position, 0, snapshotAt(5, 15)));
    EXPECT_TRUE(positionReached(position, 0, snapshotAt(5, 16)));
    EXPECT_TRUE(positionReached(position, 0, snapshotAt(5, 20)));
    EXPECT_TRUE(positionReached(position, 0, snapshotAt(6, 0)));

    ASSERT_TRUE(parseShowPosition("2s", position, error));
    EXPECT_FALSE(positionReached(position, 1999, snapshotAt(27, 63)));
    EXPECT_TRUE(positionReached(position, 2000, snapshotAt(0, 0)));
}

// Once the player runs off its order list it reports the order after the last (28 in a 28-order
// song) while the last notes fade for a few frames: those frames once counted as 28:0 and 27:64.
TEST(ShowPositions, NoOrderPositionLiesPastTheEndOfTheOrderList) {
    MusicSnapshot fading = snapshotAt(28, 0);
    fading.pattern = END_OF_ORDER_LIST;
    ShowPosition position;
    std::string error;
    for (const char* text : {"28:0", "27:64", "27:63", "0:0"}) {
        ASSERT_TRUE(parseShowPosition(text, position, error));
        EXPECT_FALSE(positionReached(position, 266850, fading)) << text;
    }
    MusicSnapshot last = snapshotAt(27, 63);
    last.pattern = 27;
    EXPECT_TRUE(positionReached(position, 266000, last));
    // Times are frames of the show, the fading ones included.
    ASSERT_TRUE(parseShowPosition("266.8s", position, error));
    EXPECT_TRUE(positionReached(position, 266850, fading));
}

TEST(ShowPositions, StillNamesAreSafeFileNames) {
    ShowPosition position;
    std::string error;
    ASSERT_TRUE(parseShowPosition("5:0", position, error));
    EXPECT_EQ(stillFileName("out/still_", position), "out/still_5-0.png");
    ASSERT_TRUE(parseShowPosition("12.5s", position, error));
    EXPECT_EQ(stillFileName("", position), "12.5s.png");
}

TEST(ShowPositions, TimesAreDecimalOnly) {
    ShowPosition position;
    std::string error;
    ASSERT_TRUE(parseShowPosition(".5s", position, error)) << error;
    EXPECT_EQ(position.timeMs, 500);
    ASSERT_TRUE(parseShowPosition("010s", position, error)) << error;
    EXPECT_EQ(position.timeMs, 10000);
    for (const char* bad : {"0x10s", "0X1Ams", "1e3s", "1E2ms", "1.2.3s", ".s", "0x1p3s"}) {
        EXPECT_FALSE(parseShowPosition(bad, position, error)) << bad << " read as " << position.timeMs;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
}

TEST(CaptureProgress, TheLineNeverShowsATotalItHasAlreadyPassed) {
    EXPECT_EQ(progressText(1000, 100, 50.0), "frame 100 of ~1000, 50.0 fps, 0:18 left");
    // A song that repeats runs on past the player's announced length: frames done, no "0:00 left".
    const std::string past = progressText(1000, 1500, 50.0);
    EXPECT_EQ(past, "frame 1500, 50.0 fps");
    EXPECT_EQ(progressText(1000, 1000, 50.0).find("left"), std::string::npos);
}
