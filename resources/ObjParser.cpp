// Parses OBJ text in place: lines and tokens are views into the file's bytes, numbers are
// read with std::from_chars, and only the lists handed to the GL upload are allocated.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "resources/ObjMesh.h"
#include "resources/ShortQuote.h"

namespace {

constexpr uint32_t NO_VERTEX = std::numeric_limits<uint32_t>::max();
// A quoted token is cut to this many bytes: a number can be megabytes long.
constexpr size_t OBJ_QUOTE_LIMIT = 40;

// Part of the file's text for an error message, in quotes and cut short.
std::string quoted(std::string_view text) { return "\"" + shortQuote(text, OBJ_QUOTE_LIMIT) + "\""; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// One line read token by token: any run of blanks and tabs separates tokens. Numbers are
// read straight from the line; what follows a number up to the token's end is skipped.
struct Line {
    const char* at;
    const char* end;

    // Moves to the next token; false at the end of the line.
    bool nextToken() {
        while (at < end && isBlank(*at)) {
            ++at;
        }
        return at < end;
    }

    // From start up to the token's end, or up to the first `stop` within it.
    std::string_view textFrom(const char* start, char stop = ' ') const {
        const char* last = start;
        while (last < end && !isBlank(*last) && *last != stop) {
            ++last;
        }
        return std::string_view(start, static_cast<size_t>(last - start));
    }

    const char* tokenEnd(const char* from) const { return from + textFrom(from).size(); }
};

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

// The number at the start of a token, read as strtof reads it in the "C" locale
// (hexadecimal included). Returns where the number ends, or null when there is none.
const char* readFloat(const Line& line, const char* start, float& value) {
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

enum class IntegerRead { Ok, NotANumber, OutOfRange };

// The whole number in base 10 at the start of a token, as strtol reads it, within 32 bits.
// Sets where the number ends.
IntegerRead readInteger(const Line& line, const char* start, int64_t& value, const char*& after) {
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

struct Corner {
    int32_t position;
    int32_t texture;
};

bool operator==(const Corner& a, const Corner& b) { return a.position == b.position && a.texture == b.texture; }

// The largest index a list was asked for, and the first line that asked, checked once the
// whole file is read (a face may name a vertex written further down).
struct HighestIndex {
    int32_t index = -1;
    int lineNumber = 0;

    void note(int32_t value, int line) {
        if (value > index) {
            index = value;
            lineNumber = line;
        }
    }
};

uint64_t mixBits(uint64_t bits) {
    bits ^= bits >> 33;
    bits *= 0xFF51AFD7ED558CCDull;
    bits ^= bits >> 33;
    bits *= 0xC4CEB9FE1A85EC53ull;
    return bits ^ (bits >> 33);
}

// Open addressing over item numbers, sized once for the most items it will hold: finds the
// first added item equal to a new one, or adds the new one and returns it. Each slot keeps
// the item with the high half of its hash, so that most unequal items are passed over
// without looking at them.
class FirstEqualItem {
public:
    explicit FirstEqualItem(size_t itemCount) {
        size_t capacity = 16;
        while (capacity < itemCount * 2) {
            capacity *= 2;
        }
        slots.assign(capacity, EMPTY);
        mask = capacity - 1;
    }

    template <typename Equal>
    uint32_t findOrAdd(uint32_t item, uint64_t hash, Equal equal) {
        const uint64_t mixed = mixBits(hash);
        const uint64_t tag = mixed & 0xFFFFFFFF00000000ull;
        for (size_t slot = static_cast<size_t>(mixed) & mask;; slot = (slot + 1) & mask) {
            if (slots[slot] == EMPTY) {
                slots[slot] = tag | item;
                return item;
            }
            const auto stored = static_cast<uint32_t>(slots[slot]);
            if ((slots[slot] & 0xFFFFFFFF00000000ull) == tag && equal(stored, item)) {
                return stored;
            }
        }
    }

private:
    static constexpr uint64_t EMPTY = std::numeric_limits<uint64_t>::max();
    std::vector<uint64_t> slots;
    size_t mask = 0;
};

// The five floats of a vertex hashed so that equal floats hash alike (-0.0 as 0.0).
uint64_t vertexHash(const float* values) {
    uint64_t hash = 0;
    for (int i = 0; i < 5; ++i) {
        const float canonical = values[i] == 0.0f ? 0.0f : values[i];
        uint32_t bits = 0;
        std::memcpy(&bits, &canonical, sizeof(bits));
        hash = (hash ^ bits) * 0x9E3779B97F4A7C15ull;
    }
    return hash;
}

bool sameVertex(const float* a, const float* b) {
    for (int i = 0; i < 5; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

class ObjParser {
public:
    ObjParser(ObjMeshData& target, std::string& errorText) : mesh(target), error(errorText) {}

    bool parse(std::string_view text);

private:
    bool fail(const std::string& reason);
    bool parseLine(std::string_view text);
    bool readVector(Line& line, std::string_view keyword, size_t kept, std::vector<float>& into);
    bool readIndex(const Line& line, const char* start, int64_t listSize, const char* listName, HighestIndex& highest,
                   int32_t& index, const char*& after);
    bool readCorner(Line& line, Corner& corner, bool& textured);
    bool readFace(Line& line);
    bool readPolyline(Line& line);
    bool finish();
    void buildTexturedVertices();

    ObjMeshData& mesh;
    std::string& error;
    int lineNumber = 0;
    std::vector<float> positions;
    std::vector<float> texCoords;
    std::vector<uint32_t> plainIndices;
    std::vector<Corner> corners;
    HighestIndex highestPosition;
    HighestIndex highestTexture;
    int firstPlainLine = 0;  // the first face or polyline without texture coordinates
    MeshKind kind = MeshNone;
};

bool ObjParser::fail(const std::string& reason) {
    error = "line " + std::to_string(lineNumber) + ": " + reason;
    return false;
}

// "v x y z" and "vt u v": the first numbers are kept, more (a vertex colour, a w) are checked
// and dropped. Values that are not finite are refused.
bool ObjParser::readVector(Line& line, std::string_view keyword, size_t kept, std::vector<float>& into) {
    size_t count = 0;
    while (line.nextToken()) {
        const char* start = line.at;
        float value = 0.0f;
        const char* after = readFloat(line, start, value);
        if (after == nullptr) {
            return fail(quoted(line.textFrom(start)) + " is not a number");
        }
        if (!std::isfinite(value)) {
            return fail(quoted(line.textFrom(start)) + " is not a finite number");
        }
        if (count < kept) {
            into.push_back(value);
        }
        ++count;
        line.at = line.tokenEnd(after);
    }
    if (count < kept) {
        return fail(quoted(keyword) + " needs at least " + std::to_string(kept) + " numbers, found " +
                    std::to_string(count));
    }
    return true;
}

// A 1-based OBJ index turned 0-based; a negative one counts back from the end of the list as
// read so far (-1 is the latest entry). Zero and indices beyond 32 bits are refused.
bool ObjParser::readIndex(const Line& line, const char* start, int64_t listSize, const char* listName,
                          HighestIndex& highest, int32_t& index, const char*& after) {
    int64_t value = 0;
    switch (readInteger(line, start, value, after)) {
    case IntegerRead::NotANumber:
        return fail("index " + quoted(line.textFrom(start, '/')) + " is not a number");
    case IntegerRead::OutOfRange:
        return fail("index " + quoted(line.textFrom(start, '/')) + " is out of range");
    case IntegerRead::Ok:
        break;
    }
    if (value == 0) {
        return fail("index " + quoted(line.textFrom(start, '/')) + " is out of range");
    }
    if (value > 0) {
        index = static_cast<int32_t>(value - 1);
        highest.note(index, lineNumber);
        return true;
    }
    if (listSize + value < 0) {
        return fail("index " + std::to_string(value) + " names no " + listName + " (" + std::to_string(listSize) +
                    " given so far)");
    }
    index = static_cast<int32_t>(listSize + value);
    return true;
}

// "p", "p/t", "p//n" or "p/t/n"; the normal index is not used.
bool ObjParser::readCorner(Line& line, Corner& corner, bool& textured) {
    const char* start = line.at;
    if (*start == '/') {
        return fail("corner " + quoted(line.textFrom(start)) + " has no position index");
    }
    const char* after = nullptr;
    if (!readIndex(line, start, static_cast<int64_t>(positions.size() / 3), "position", highestPosition,
                   corner.position, after)) {
        return false;
    }
    const char* slash = after + line.textFrom(after, '/').size();
    const char* texture = slash + 1;
    textured = slash < line.end && *slash == '/' && texture < line.end && !isBlank(*texture) && *texture != '/';
    corner.texture = -1;
    if (textured && !readIndex(line, texture, static_cast<int64_t>(texCoords.size() / 2), "texture coordinate",
                               highestTexture, corner.texture, after)) {
        return false;
    }
    line.at = line.tokenEnd(after);
    return true;
}

// A face of three or more corners, fanned from its first corner in file order: (1, 2, 3),
// (1, 3, 4), ... This is right for the convex polygons that exporters write; a concave one
// would need ear clipping, which no file of ours needs.
bool ObjParser::readFace(Line& line) {
    kind = MeshTriangles;
    Corner first{};
    Corner previous{};
    bool firstTextured = false;
    bool mixed = false;
    int count = 0;
    while (line.nextToken()) {
        Corner corner{};
        bool textured = false;
        if (!readCorner(line, corner, textured)) {
            return false;
        }
        if (count == 0) {
            first = corner;
            firstTextured = textured;
        }
        // Mixed corners would leave the two index lists out of step with whole triangles.
        mixed = mixed || textured != firstTextured;
        if (count >= 2 && !mixed) {
            if (textured) {
                corners.push_back(first);
                corners.push_back(previous);
                corners.push_back(corner);
            } else {
                firstPlainLine = firstPlainLine == 0 ? lineNumber : firstPlainLine;
                plainIndices.push_back(static_cast<uint32_t>(first.position));
                plainIndices.push_back(static_cast<uint32_t>(previous.position));
                plainIndices.push_back(static_cast<uint32_t>(corner.position));
            }
        }
        previous = corner;
        ++count;
    }
    if (count < 3) {
        return fail("face with " + std::to_string(count) + " corners, at least 3 expected");
    }
    if (mixed) {
        return fail("face mixes corners with and without texture coordinates");
    }
    return true;
}

// "l" through points 1, 2, 3 gives the segments 0-1 and 1-2.
bool ObjParser::readPolyline(Line& line) {
    kind = MeshLines;
    int32_t previous = -1;
    while (line.nextToken()) {
        int32_t point = 0;
        const char* after = nullptr;
        if (!readIndex(line, line.at, static_cast<int64_t>(positions.size() / 3), "position", highestPosition, point,
                       after)) {
            return false;
        }
        if (previous >= 0) {
            firstPlainLine = firstPlainLine == 0 ? lineNumber : firstPlainLine;
            plainIndices.push_back(static_cast<uint32_t>(previous));
            plainIndices.push_back(static_cast<uint32_t>(point));
        }
        previous = point;
        line.at = line.tokenEnd(after);
    }
    return true;
}

// Comments, empty lines and lines that start with a blank or a tab contribute nothing, nor do
// keywords other than "v", "vt", "l" and "f" (normals, groups, materials).
bool ObjParser::parseLine(std::string_view text) {
    if (text.empty() || text[0] == '#' || isBlank(text[0])) {
        return true;
    }
    Line line{text.data(), text.data() + text.size()};
    const std::string_view keyword = line.textFrom(line.at);
    line.at += keyword.size();
    if (keyword == "v") {
        return readVector(line, keyword, 3, positions);
    }
    if (keyword == "vt") {
        return readVector(line, keyword, 2, texCoords);
    }
    if (keyword == "f") {
        return readFace(line);
    }
    if (keyword == "l") {
        return readPolyline(line);
    }
    return true;
}

bool ObjParser::parse(std::string_view text) {
    // A UTF-8 byte-order mark, as some editors and exporters write, is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        ++lineNumber;
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        const char* lineEnd = newline != nullptr ? newline : end;
        std::string_view line(at, static_cast<size_t>(lineEnd - at));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!parseLine(line)) {
            return false;
        }
        if (newline == nullptr) {
            break;
        }
        at = newline + 1;
    }
    return finish();
}

// A new vertex for each (position, texture) pair seen for the first time; a repeated pair
// takes the first vertex with the same five floats, which may be another pair's. Lookups go
// through flat tables, so the cost stays linear in the corners.
void ObjParser::buildTexturedVertices() {
    // Most positions carry one texture coordinate, so a pair is known by its position: the
    // first texture coordinate seen with each position and the vertex made for that pair.
    struct PositionPair {
        int32_t texture = -1;
        uint32_t vertex = NO_VERTEX;
    };
    const size_t positionCount = positions.size() / 3;
    std::vector<PositionPair> byPosition(positionCount);
    // The elements first hold a number for each corner's pair: its position, or, for a
    // position's other texture coordinates, positionCount + the pair's first such corner.
    mesh.elements.resize(corners.size());
    std::vector<uint32_t> others;
    size_t pairCount = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Corner corner = corners[i];
        PositionPair& pair = byPosition[static_cast<size_t>(corner.position)];
        if (pair.texture < 0) {
            pair.texture = corner.texture;
            ++pairCount;
        }
        if (pair.texture == corner.texture) {
            mesh.elements[i] = static_cast<uint32_t>(corner.position);
        } else {
            others.push_back(static_cast<uint32_t>(i));
        }
    }
    FirstEqualItem otherPairs(others.size());
    for (uint32_t k = 0; k < others.size(); ++k) {
        const Corner corner = corners[others[k]];
        const uint64_t key = (static_cast<uint64_t>(corner.position) << 32) | static_cast<uint32_t>(corner.texture);
        const uint32_t first = otherPairs.findOrAdd(
            k, key, [&](uint32_t a, uint32_t b) { return corners[others[a]] == corners[others[b]]; });
        mesh.elements[others[k]] = static_cast<uint32_t>(positionCount + first);
        pairCount += first == k ? 1 : 0;
    }

    // Vertices in order of their pair's first corner; a repeated corner takes its pair's
    // vertex for now.
    std::vector<uint32_t> otherVertex(others.size(), NO_VERTEX);
    mesh.vertices.reserve(pairCount * 5);
    uint32_t vertexCount = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const uint32_t pair = mesh.elements[i];
        uint32_t& vertex = pair < positionCount ? byPosition[pair].vertex : otherVertex[pair - positionCount];
        if (vertex == NO_VERTEX) {
            const size_t p = static_cast<size_t>(corners[i].position) * 3;
            const size_t t = static_cast<size_t>(corners[i].texture) * 2;
            mesh.vertices.insert(mesh.vertices.end(),
                                 {positions[p], positions[p + 1], positions[p + 2], texCoords[t], texCoords[t + 1]});
            vertex = vertexCount++;
        }
        mesh.elements[i] = vertex;
    }

    // A repeated corner then takes the first vertex equal to its pair's. Corners that created
    // a vertex are recognised by naming the next vertex in creation order.
    FirstEqualItem equalVertices(vertexCount);
    std::vector<uint32_t> firstEqual(vertexCount);
    const float* values = mesh.vertices.data();
    for (uint32_t v = 0; v < vertexCount; ++v) {
        firstEqual[v] = equalVertices.findOrAdd(v, vertexHash(values + 5 * v), [&](uint32_t a, uint32_t b) {
            return sameVertex(values + 5 * a, values + 5 * b);
        });
    }
    uint32_t created = 0;
    for (uint32_t& element : mesh.elements) {
        if (element == created) {
            ++created;
        } else {
            element = firstEqual[element];
        }
    }
}

bool ObjParser::finish() {
    const auto positionCount = static_cast<int64_t>(positions.size() / 3);
    const auto texCoordCount = static_cast<int64_t>(texCoords.size() / 2);
    if (highestPosition.index >= positionCount) {
        lineNumber = highestPosition.lineNumber;
        return fail("index " + std::to_string(highestPosition.index + 1) + " names no position (" +
                    std::to_string(positionCount) + " given)");
    }
    if (highestTexture.index >= texCoordCount) {
        lineNumber = highestTexture.lineNumber;
        return fail("index " + std::to_string(highestTexture.index + 1) + " names no texture coordinate (" +
                    std::to_string(texCoordCount) + " given)");
    }
    // With texture coordinates only textured faces are drawn; a file whose faces all lack them
    // would load as a mesh that draws nothing.
    if (!texCoords.empty() && corners.empty() && !plainIndices.empty()) {
        lineNumber = firstPlainLine;
        return fail("no face uses the file's " + std::to_string(texCoordCount) +
                    " texture coordinates, so nothing would be drawn");
    }
    if (!texCoords.empty()) {
        mesh.kind = MeshTexturedTriangles;
        buildTexturedVertices();
        return true;
    }
    mesh.kind = kind;
    if (kind != MeshNone) {
        mesh.vertices = std::move(positions);
        mesh.elements = std::move(plainIndices);
    }
    return true;
}

}  // namespace

bool parseObj(std::string_view text, ObjMeshData& mesh, std::string& error) {
    mesh = ObjMeshData();
    ObjParser parser(mesh, error);
    if (!parser.parse(text)) {
        mesh = ObjMeshData();
        return false;
    }
    return true;
}

bool parseObj(std::istream& in, ObjMeshData& mesh, std::string& error) {
    // Read in chunks to the end, whatever the stream: a size told by seeking may be no file's
    // (a folder's stream reports one) and is never needed.
    std::string text;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof(chunk)) || in.gcount() > 0) {
        text.append(chunk, static_cast<size_t>(in.gcount()));
    }
    return parseObj(std::string_view(text), mesh, error);
}
