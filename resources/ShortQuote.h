#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Text from a file quoted in a message is cut to this many bytes, so a damaged file with a
// huge token cannot flood the console.
constexpr size_t QUOTE_LIMIT = 60;

// `text` itself when it fits, else its first `limit` bytes (never half a UTF-8 character) and "...";
// control bytes show as '?', so a quoted file cannot drive the terminal.
std::string shortQuote(std::string_view text, size_t limit = QUOTE_LIMIT);
