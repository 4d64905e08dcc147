#include <algorithm>
#include <iostream>

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

TextFile::TextFile(const std::string& filePath, const char* openMode) : path(filePath), mode(openMode) {
    file.open(path, std::ios::in);
    open = file.is_open();
    if (!open) {
        std::cout << "Error with open mode: " << mode << " - File : " << path << std::endl;
    }
}

bool TextFile::endOfFile() const { return !open || file.eof(); }

void TextFile::close() {
    if (open) {
        file.close();
        open = false;
    }
}
