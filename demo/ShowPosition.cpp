#include "demo/ShowPosition.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// Whole string as a non-negative decimal number: digits with at most one point, nothing else
// (strtod alone would also take "0x10", "1e3" or "inf").
bool parseAmount(const std::string& text, double& value) {
    bool digits = false;
    size_t points = 0;
    for (char c : text) {
        digits = digits || (c >= '0' && c <= '9');
        points += c == '.' ? 1 : 0;
        if ((c < '0' || c > '9') && c != '.') {
            return false;
        }
    }
    if (!digits || points > 1) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value) && value >= 0.0;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// About 24 days: far past any module, and still inside the 32-bit show clock.
constexpr double MAX_POSITION_MS = 2.0e9;

}  // namespace

bool parseCount(const std::string& text, int64_t limit, int32_t& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    int64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    if (result > limit) {
        return false;
    }
    value = static_cast<int32_t>(result);
    return true;
}

bool parseShowPosition(const std::string& text, ShowPosition& position, std::string& error) {
    position = ShowPosition{};
    position.text = text;
    size_t colon = text.find(':');
    if (colon != std::string::npos) {
        position.byOrder = true;
        if (parseCount(text.substr(0, colon), 255, position.order) &&
            parseCount(text.substr(colon + 1), 255, position.row)) {
            return true;
        }
        error = "bad position \"" + text + "\": ORDER:ROW takes two whole numbers from 0 to 255, e.g. 5:0";
        return false;
    }
    double amount = 0.0;
    double scale = 0.0;
    if (endsWith(text, "ms") && parseAmount(text.substr(0, text.size() - 2), amount)) {
        scale = 1.0;
    } else if (endsWith(text, "s") && parseAmount(text.substr(0, text.size() - 1), amount)) {
        scale = 1000.0;
    }
    if (scale == 0.0 || amount * scale > MAX_POSITION_MS) {
        error = "bad position \"" + text + "\": give a time such as 12.5s or 1500ms, or ORDER:ROW such as 5:0";
        return false;
    }
    position.timeMs = static_cast<int32_t>(std::llround(amount * scale));
    return true;
}

bool positionReached(const ShowPosition& position, int32_t showMs, const MusicSnapshot& snapshot) {
    if (!position.byOrder) {
        return showMs >= position.timeMs;
    }
    if (snapshot.pattern == END_OF_ORDER_LIST) {
        return false;
    }
    return snapshot.order > position.order || (snapshot.order == position.order && snapshot.row >= position.row);
}

bool splitLongOption(const std::string& arg, std::string& name, std::string& value) {
    const size_t equals = arg.find('=');
    if (arg.rfind("--", 0) != 0 || equals == std::string::npos) {
        name = arg;
        value.clear();
        return false;
    }
    name = arg.substr(0, equals);
    value = arg.substr(equals + 1);
    return true;
}
