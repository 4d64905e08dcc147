#include "bench/FreshProcess.h"

#include <cstdio>
#include <filesystem>

std::vector<std::string> runFreshProcess(const std::string& arguments, const std::string& prefix) {
    std::vector<std::string> lines;
    std::error_code error;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) {
        return lines;
    }
    FILE* child = popen(("'" + self + "' " + arguments).c_str(), "r");
    if (child == nullptr) {
        return lines;
    }
    char line[512];
    while (std::fgets(line, sizeof line, child) != nullptr) {
        if (std::string(line).rfind(prefix, 0) == 0) {
            std::fputs(line, stdout);
            std::fflush(stdout);
            lines.emplace_back(line);
        }
    }
    pclose(child);
    return lines;
}
