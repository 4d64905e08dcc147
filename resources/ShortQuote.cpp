#include "resources/ShortQuote.h"

std::string shortQuote(const std::string& text, size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    size_t end = limit;
    // Bytes 10xxxxxx continue a UTF-8 character: step back to where it starts.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end) + "...";
}
