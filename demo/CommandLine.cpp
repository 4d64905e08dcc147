#include "demo/CommandLine.h"

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

bool takeOptionValue(const std::vector<std::string>& args, size_t& i, const std::string& name, OptionValue kind,
                     const char* hint, bool written, std::string& value, std::string& error) {
    if (kind == OptionValue::None) {
        if (written) {
            error = name + " takes no value";
        }
        return !written;
    }
    const bool required = kind != OptionValue::Optional;
    if (!written && required) {
        if (i + 1 >= args.size()) {
            error = name + " needs a value" + hint;
            return false;
        }
        value = args[++i];
    }
    // The programs take no other arguments, so a following word that is not an option is this one's value.
    const bool follows = i + 1 < args.size() && args[i + 1].rfind("-", 0) != 0;
    if (!written && !required && follows) {
        value = args[++i];
        written = true;
    }
    if (value.empty() && kind == OptionValue::NonEmpty) {
        error = name + " needs a non-empty value";
        return false;
    }
    if (value.empty() && written && kind == OptionValue::Optional) {
        error = "bad " + name + " \"\": leave out the \"=\" for the default";
        return false;
    }
    return true;
}

bool parseWholeNumber(const std::string& text, int64_t low, int64_t high, int32_t& value) {
    const size_t first = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
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
    const int64_t number = text[0] == '-' ? -magnitude : magnitude;
    if (number < low || number > high) {
        return false;
    }
    value = static_cast<int32_t>(number);
    return true;
}

bool parseSize(const std::string& text, int32_t low, int32_t highWidth, int32_t highHeight, int32_t& width,
               int32_t& height) {
    const size_t cross = text.find('x');
    int32_t w = 0;
    int32_t h = 0;
    if (cross == std::string::npos || !parseWholeNumber(text.substr(0, cross), low, highWidth, w) ||
        !parseWholeNumber(text.substr(cross + 1), low, highHeight, h)) {
        return false;
    }
    width = w;
    height = h;
    return true;
}
