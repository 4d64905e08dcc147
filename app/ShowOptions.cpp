#include "app/ShowOptions.h"

#include <cstdint>

#include "demo/CommandLine.h"

namespace {

bool takeAvOffset(const std::string& name, const std::string& value, ShowOptions& options, std::string& error) {
    if (parseWholeNumber(value, -MAX_AV_OFFSET_MS, MAX_AV_OFFSET_MS, options.avOffsetMs)) {
        return true;
    }
    error = "bad " + name + " \"" + value + "\": give whole milliseconds from -" + std::to_string(MAX_AV_OFFSET_MS) +
            " to " + std::to_string(MAX_AV_OFFSET_MS) + ", e.g. -40";
    return false;
}

// "WIDTHxHEIGHT"; without a value the window keeps its default size.
bool takeWindowed(const std::string& name, const std::string& value, ShowOptions& options, std::string& error) {
    options.windowed = true;
    if (value.empty() || parseSize(value, MIN_WINDOW_SIDE, MAX_WINDOW_SIDE, MAX_WINDOW_SIDE, options.windowWidth,
                                   options.windowHeight)) {
        return true;
    }
    error = "bad " + name + " \"" + value + "\": give the size as WIDTHxHEIGHT, each from " +
            std::to_string(MIN_WINDOW_SIDE) + " to " + std::to_string(MAX_WINDOW_SIDE) + ", e.g. 1280x720";
    return false;
}

// Any display number is well formed; whether this computer has it is for the window to find out
// (code 1, like no display at all), since the same command line may suit another machine.
bool takeDisplay(const std::string& name, const std::string& value, ShowOptions& options, std::string& error) {
    if (parseWholeNumber(value, 0, INT32_MAX, options.display)) {
        return true;
    }
    error = "bad " + name + " \"" + value + "\": give the display's number, 0 for the first";
    return false;
}

bool takeStart(const std::string& name, const std::string& value, ShowOptions& options, std::string& error) {
    options.hasStart = true;
    if (parseShowPosition(value, options.start, error)) {
        return true;
    }
    error = "bad " + name + ": " + error;
    return false;
}

const OptionRule<ShowOptions> OPTION_RULES[] = {
    {"--av-offset", OptionValue::Required, takeAvOffset},
    {"--windowed", OptionValue::Optional, takeWindowed},
    {"--display", OptionValue::Required, takeDisplay},
    {"--loop", OptionValue::None, takeFlag<ShowOptions, &ShowOptions::loop>},
    {"--mute", OptionValue::None, takeFlag<ShowOptions, &ShowOptions::mute>},
    {"--start", OptionValue::Required, takeStart},
    {"--watch", OptionValue::None, takeFlag<ShowOptions, &ShowOptions::watch>},
    {"--stats", OptionValue::None, takeFlag<ShowOptions, &ShowOptions::stats>},
    {"--help", OptionValue::None, takeFlag<ShowOptions, &ShowOptions::help>},
    {"--version", OptionValue::None, takeFlag<ShowOptions, &ShowOptions::version>},
};

}  // namespace

bool parseShowOptions(const std::vector<std::string>& args, ShowOptions& options, std::string& error) {
    options = ShowOptions{};
    return readOptions(args, OPTION_RULES, "", options, error);
}

std::string showUsage() {
    return R"(Usage: kavex_velmora [--windowed [WxH]] [--display N] [--loop] [--mute] [--av-offset MS]
                     [--start POS] [--watch] [--stats] [--help] [--version]

Without options the show plays once, borderless full-screen, and ends with the music.
Escape or closing the window ends it at any time.

  --windowed [WxH] a resizable window with a border instead of full-screen, WxH pixels
                   (default 1280x720); the picture keeps 16:9 with black bars
  --display N      full-screen on display N, counted from 0 (the first)
  --loop           when the music ends, start again from the beginning (or POS of --start);
                   Escape ends it
  --mute           play silently, in time with the music's clock
  --av-offset MS   move the picture's view of the music by MS milliseconds, -1000 to 1000
                   (default 0): negative delays the picture, for a sound system that adds
                   delay; positive advances it, for a projector that does, as far as the
                   music already mixed.
  --start POS      start the music at POS, ORDER:ROW (17:0) or a time (85s, 85000ms), with
                   every scene as a full run has it there: the show runs the frames before it
                   unseen first, in a second or two.
  --watch          reload a shader of Assets/Shaders when its file changes; a source that
                   does not build prints the compiler's messages and the old one goes on.
  --stats          when the show ends, print its frame times (median, 99th percentile, the
                   worst and where it came, how many took over 1.5 display refreshes) and how
                   far the sound ran ahead of the picture.
  --help           print this and end
  --version        print the version and end

Options take their value after a blank or an "=" (--display=1). Exit codes: 0 the music
ended or the show was quit; 1 no window (no display, or no display N), a failed set-up or
an unusable module; 2 no OpenGL 3.3 context; 3 no OpenGL functions; 4 no vertical sync;
5 a bad option, or a --start position the music ends before.
)";
}

std::string showVersion() {
    return std::string("kavex_velmora ") + SHOW_VERSION + " (Velmora, a real-time demo by Kavex)\n";
}
