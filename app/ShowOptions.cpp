#include "app/ShowOptions.h"

namespace {

// Whole string as a signed decimal integer within +-limit.
bool parseSignedMs(const std::string& text, int32_t limit, int32_t& value) {
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
    if (magnitude > limit) {
        return false;
    }
    value = static_cast<int32_t>(text[0] == '-' ? -magnitude : magnitude);
    return true;
}

}  // namespace

bool parseShowOptions(const std::vector<std::string>& args, ShowOptions& options, std::string& error) {
    options = ShowOptions{};
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (name != "--av-offset") {
            error = "unknown option \"" + name + "\"";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (!parseSignedMs(value, MAX_AV_OFFSET_MS, options.avOffsetMs)) {
            error = "bad --av-offset \"" + value + "\": give whole milliseconds from -" +
                    std::to_string(MAX_AV_OFFSET_MS) + " to " + std::to_string(MAX_AV_OFFSET_MS) + ", e.g. -40";
            return false;
        }
    }
    return true;
}

std::string showUsage() {
    return R"(Usage: kavex_velmora [--av-offset MS]

  --av-offset MS   move the picture's view of the music by MS milliseconds, -1000 to 1000
                   (default 0): negative delays the picture, for a sound system that adds
                   delay; positive advances it, for a projector that does, as far as the
                   music already mixed.
)";
}
