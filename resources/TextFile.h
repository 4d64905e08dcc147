#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// The text helpers of the mesh loader: a file read line by line and a line cut into its parts.

// Parts of text between delimiters, read as a stream: adjacent delimiters give an empty
// part, a trailing delimiter adds none, an empty text gives no parts.
std::vector<std::string> splitString(const std::string& text, char delimiter);

// The characters up to the next line feed, without it or a carriage return before it.
std::string readTextLine(std::istream& in);

// A text file read whole when it is opened (mode "r"), then handed out line by line or at once.
// A file that cannot be opened writes the open-mode line; one that exists but is refused (not a
// regular file, or more than `maxBytes`) is not open either, and says why in refusal().
class TextFile {
public:
    TextFile(const std::string& path, const char* mode, uint64_t maxBytes);

    bool isOpen() const { return open; }
    bool endOfFile() const { return !open || ended; }
    std::string readLine();
    std::string_view contents() const { return text; }
    const std::string& refusal() const { return refusalReason; }
    void close();

private:
    std::string text;
    size_t next = 0;  // where the next line starts
    bool ended = false;
    std::string refusalReason;
    bool open = false;
};
