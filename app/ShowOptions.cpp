#include "app/ShowOptions.h"

#include <cstddef>
#include <cstdint>

namespace {

// Whole string as a decimal integer within [low, high], with an optional sign.
bool parseInteger(const std::string& text, int64_t low, int64_t high, int32_t& value) {
    size_t first = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (text.size() == first || text.size() - first > 9) {
        return false;
    }
    int64_t magnitude = 0;
    for (size_t i = first; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        magnitude = magnitude * 10 + (text[i] - '0');
    }
    const int64_t signedValue = text[0] == '-' ? -magnitude : magnitude;
    if (signedValue < low || signedValue > high) {
        return false;
    }
    value = static_cast<int32_t>(signedValue);
    return true;
}

bool parseAvOffset(const std::string& value, ShowOptions& options, std::string& error) {
    if (parseInteger(value, -MAX_AV_OFFSET_MS, MAX_AV_OFFSET_MS, options.avOffsetMs)) {
        return true;
    }
    error = "bad --av-offset \"" + value + "\": give whole milliseconds from -" + std::to_string(MAX_AV_OFFSET_MS) +
            " to " + std::to_string(MAX_AV_OFFSET_MS) + ", e.g. -40";
    return false;
}

// "WIDTHxHEIGHT"; without a value the window keeps its default size.
bool parseWindowSize(const std::string& value, ShowOptions& options, std::string& error) {
    if (value.empty()) {
        return true;
    }
    const size_t x = value.find('x');
    int32_t width = 0;
    int32_t height = 0;
    if (x != std::string::npos && parseInteger(value.substr(0, x), MIN_WINDOW_SIDE, MAX_WINDOW_SIDE, width) &&
        parseInteger(value.substr(x + 1), MIN_WINDOW_SIDE, MAX_WINDOW_SIDE, height)) {
        options.windowWidth = width;
        options.windowHeight = height;
        return true;
    }
    error = "bad --windowed \"" + value + "\": give the size as WIDTHxHEIGHT, each from " +
            std::to_string(MIN_WINDOW_SIDE) + " to " + std::to_string(MAX_WINDOW_SIDE) + ", e.g. 1280x720";
    return false;
}

// Any display number is well formed; whether this computer has it is for the window to find out
// (code 1, like no display at all), since the same command line may suit another machine.
bool parseDisplay(const std::string& value, ShowOptions& options, std::string& error) {
    if (parseInteger(value, 0, INT32_MAX, options.display)) {
        return true;
    }
    error = "bad --display \"" + value + "\": give the display's number, 0 for the first";
    return false;
}

bool parseStart(const std::string& value, ShowOptions& options, std::string& error) {
    if (parseShowPosition(value, options.start, error)) {
        return true;
    }
    error = "bad --start: " + error;
    return false;
}

enum class Value { None, Required, Optional };

struct OptionRule {
    const char* name;
    Value value;
    bool ShowOptions::*flag;  // set when the option is given; null when only its value matters
    // Reads the option's value; empty for an optional value left out. Null for a plain flag.
    bool (*parse)(const std::string& value, ShowOptions& options, std::string& error);
};

const OptionRule OPTION_RULES[] = {
    {"--av-offset", Value::Required, nullptr, parseAvOffset},
    {"--windowed", Value::Optional, &ShowOptions::windowed, parseWindowSize},
    {"--display", Value::Required, nullptr, parseDisplay},
    {"--loop", Value::None, &ShowOptions::loop, nullptr},
    {"--mute", Value::None, &ShowOptions::mute, nullptr},
    {"--start", Value::Required, &ShowOptions::hasStart, parseStart},
    {"--watch", Value::None, &ShowOptions::watch, nullptr},
    {"--stats", Value::None, &ShowOptions::stats, nullptr},
    {"--help", Value::None, &ShowOptions::help, nullptr},
    {"--version", Value::None, &ShowOptions::version, nullptr},
};

const OptionRule* findRule(const std::string& name) {
    for (const OptionRule& rule : OPTION_RULES) {
        if (name == rule.name) {
            return &rule;
        }
    }
    return nullptr;
}

}  // namespace

bool parseShowOptions(const std::vector<std::string>& args, ShowOptions& options, std::string& error) {
    options = ShowOptions{};
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name;
        std::string value;
        bool hasValue = splitLongOption(args[i], name, value);
        const OptionRule* rule = findRule(name);
        if (rule == nullptr) {
            error = "unknown option \"" + name + "\"";
            return false;
        }
        if (hasValue && rule->value == Value::None) {
            error = name + " takes no value";
            return false;
        }
        if (!hasValue && rule->value == Value::Required) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
            hasValue = true;
        }
        // The show takes no other arguments, so a following word that is not an option is this one's value.
        if (!hasValue && rule->value == Value::Optional && i + 1 < args.size() && args[i + 1].rfind("-", 0) != 0) {
            value = args[++i];
            hasValue = true;
        }
        if (hasValue && value.empty() && rule->value == Value::Optional) {
            error = "bad " + name + " \"\": leave out the \"=\" for the default";
            return false;
        }
        if (rule->flag != nullptr) {
            options.*(rule->flag) = true;
        }
        if (rule->parse != nullptr && !rule->parse(value, options, error)) {
            return false;
        }
    }
    return true;
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
