#include <algorithm>
#include <iostream>

#include "base/FileBytes.h"
#include "resources/ObjMesh.h"

// Scans for delimiters directly: a string stream per call costs more than the parsing itself.
std::vector<std::string> splitString(const std::string& text, char delimiter) {
    std::vector<std::string> parts;
    parts.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), delimiter)) + 1);
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(delimiter, start);
        if (end == std::string::npos) {
            parts.emplace_back(text, start);
            break;
        }
        parts.emplace_back(text, start, end - start);
        start = end + 1;
    }
    return parts;
}

std::string readTextLine(std::istream& in) {
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

TextFile::TextFile(const std::string& filePath, const char* openMode, uint64_t maxBytes)
    : path(filePath), mode(openMode) {
    uint64_t size = 0;
    const FileRead result = readFileBytes(path, maxBytes, text, size);
    open = result == FileRead::Read;
    if (result == FileRead::CannotOpen) {
        std::cout << "Error with open mode: " << mode << " - File : " << path << std::endl;
    }
    refusalReason = fileReadReason(result, size, maxBytes);
}

// As reading the file as a stream would: the end is reached by the read that finds no line
// feed before it, so a file ending in one gives a last, empty line.
std::string TextFile::readLine() {
    if (endOfFile()) {
        return {};
    }
    size_t end = text.find('\n', next);
    if (end == std::string::npos) {
        end = text.size();
        ended = true;
    }
    std::string line = text.substr(next, end - next);
    next = std::min(end + 1, text.size());
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

void TextFile::close() {
    text.clear();
    text.shrink_to_fit();
    open = false;
}
