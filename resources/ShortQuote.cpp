#include "resources/ShortQuote.h"

std::string shortQuote(std::string_view text, size_t limit) {
    size_t end = text.size();
    if (end > limit) {
        end = limit;
        // Bytes 10xxxxxx continue a UTF-8 character: step back to where it starts.
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    std::string out;
    out.reserve(end + 3);
    for (const char c : text.substr(0, end)) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    if (end < text.size()) {
        out += "...";
    }
    return out;
}
