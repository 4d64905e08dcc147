#include <iostream>
#include <sstream>

#include "resources/ObjMesh.h"

std::vector<std::string> splitString(const std::string& text, char delimiter) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    std::string part;
    while (std::getline(stream, part, delimiter)) {
        parts.push_back(part);
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
