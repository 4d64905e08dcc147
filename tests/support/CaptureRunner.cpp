#include "support/CaptureRunner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

CaptureResult runCaptureIn(const std::string& directory, const std::string& arguments, const std::string& before) {
    std::string log = directory + "/capture.log";
    std::string command = "cd '" + directory + "' && " + before + " '" CAPTURE_EXECUTABLE "' --quiet " + arguments +
                          " >'" + log + "' 2>&1";
    int status = std::system(command.c_str());
    std::ifstream file(log);
    std::stringstream text;
    text << file.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string field(const std::string& line, int index) {
    std::istringstream words(line);
    std::string word;
    for (int i = 0; i <= index; ++i) {
        words >> word;
    }
    return word;
}
