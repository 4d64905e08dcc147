#include "resources/ObjNumbers.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

// Where a number's digits start as the C library reads it: other white space skipped, then
// one sign.
struct NumberText {
    const char* digits;
    bool negative;
};

NumberText numberText(const char* at, const char* end) {
    while (at < end && (*at == '\r' || *at == '\v' || *at == '\f')) {
        ++at;
    }
    bool negative = false;
    if (at < end && (*at == '+' || *at == '-')) {
        negative = *at == '-';
        ++at;
    }
    return {at, negative};
}

bool startsWithSign(const char* at, const char* end) { return at < end && (*at == '+' || *at == '-'); }

// std::from_chars for a float; `hex` reads hexadecimal digits without their "0x". The browser
// build's libc++ has no floating-point from_chars, so there strtof reads a copy of the text.
std::from_chars_result floatFromChars(const char* first, const char* last, float& value, bool hex) {
#if defined(__cpp_lib_to_chars)
    return hex ? std::from_chars(first, last, value, std::chars_format::hex) : std::from_chars(first, last, value);
#else
    // from_chars takes neither white space nor a sign where strtof would.
    if (first == last || std::isspace(static_cast<unsigned char>(*first)) != 0 || *first == '+' || *first == '-') {
        return {first, std::errc::invalid_argument};
    }
    const std::string prefix = hex ? "0x" : "";
    const std::string text = prefix + std::string(first, last);
    char* end = nullptr;
    errno = 0;
    const float parsed = std::strtof(text.c_str(), &end);
    const std::ptrdiff_t used = end - text.c_str() - static_cast<std::ptrdiff_t>(prefix.size());
    if (used <= 0) {
        return {first, std::errc::invalid_argument};
    }
    value = parsed;
    return {first + used, errno == ERANGE ? std::errc::result_out_of_range : std::errc()};
#endif
}

}  // namespace

const char* readObjFloat(const ObjLine& line, const char* start, float& value) {
    const NumberText text = numberText(start, line.end);
    if (text.digits == line.end || startsWithSign(text.digits, line.end)) {
        return nullptr;
    }
    float magnitude = 0.0f;
    std::from_chars_result result{};
    const bool hex =
        line.end - text.digits > 2 && text.digits[0] == '0' && (text.digits[1] == 'x' || text.digits[1] == 'X');
    if (hex) {
        result = floatFromChars(text.digits + 2, line.end, magnitude, true);
        // "0x" without hexadecimal digits after it is the number 0 followed by other text.
        if (result.ec == std::errc::invalid_argument || startsWithSign(text.digits + 2, line.end)) {
            magnitude = 0.0f;
            result = {text.digits + 1, std::errc()};
        }
    } else {
        result = floatFromChars(text.digits, line.end, magnitude, false);
        if (result.ec == std::errc::invalid_argument) {
            return nullptr;
        }
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Rare: strtof's own answer, infinity beyond the float range or zero below it.
        magnitude = std::strtof(std::string(line.textFrom(text.digits)).c_str(), nullptr);
    }
    value = text.negative ? -magnitude : magnitude;
    return result.ptr;
}

IntegerRead readObjInteger(const ObjLine& line, const char* start, int64_t& value, const char*& after) {
    const NumberText text = numberText(start, line.end);
    uint64_t magnitude = 0;
    const std::from_chars_result result = std::from_chars(text.digits, line.end, magnitude);
    after = result.ptr;
    if (result.ec == std::errc::invalid_argument) {
        return IntegerRead::NotANumber;
    }
    if (result.ec == std::errc::result_out_of_range || magnitude > std::numeric_limits<int32_t>::max()) {
        return IntegerRead::OutOfRange;
    }
    value = text.negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return IntegerRead::Ok;
}
