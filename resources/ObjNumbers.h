#pragma once
#include <cstdint>
#include <string_view>

// The OBJ parser's reading of a line: tokens, and the numbers at their starts.
//
// Every number is read exactly as strtof (strtol for indices) reads the start of its token in the
// "C" locale, which is what a number in an OBJ file means. Exactly, because the textured meshes
// share a vertex only between corners whose five floats are equal: a value one unit in the last
// place off would split or merge vertices and change what the mesh draws. std::from_chars does
// the reading, for speed; where it and strtof part (white space, signs, hexadecimal, numbers out
// of range) the code does what strtof does.

inline bool isObjBlank(char c) { return c == ' ' || c == '\t'; }

// One line read token by token: any run of blanks and tabs separates tokens. Numbers are
// read straight from the line; what follows a number up to the token's end is skipped.
struct ObjLine {
    const char* at;
    const char* end;

    // Moves to the next token; false at the end of the line.
    bool nextToken() {
        while (at < end && isObjBlank(*at)) {
            ++at;
        }
        return at < end;
    }

    // From start up to the token's end, or up to the first `stop` within it.
    std::string_view textFrom(const char* start, char stop = ' ') const {
        const char* last = start;
        while (last < end && !isObjBlank(*last) && *last != stop) {
            ++last;
        }
        return std::string_view(start, static_cast<size_t>(last - start));
    }

    const char* tokenEnd(const char* from) const { return from + textFrom(from).size(); }
};

// The number at `start` (a token's start), read as strtof reads it (hexadecimal included).
// Returns where the number ends, or null when there is none.
const char* readObjFloat(const ObjLine& line, const char* start, float& value);

enum class IntegerRead { Ok, NotANumber, OutOfRange };

// The whole number in base 10 at `start`, as strtol reads it, within 32 bits. Sets where the
// number ends.
IntegerRead readObjInteger(const ObjLine& line, const char* start, int64_t& value, const char*& after);
