#pragma once
// The seed writers' one job once their inputs are made: each named input as a file in the folder
// given on the command line.
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

// Contents: std::string or a vector of bytes. Returns the process's exit code.
template <typename Contents>
int writeSeedFiles(int argc, char** argv, const std::vector<std::pair<std::string, Contents>>& seeds) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    for (const auto& [name, contents] : seeds) {
        std::ofstream file(std::string(argv[1]) + "/" + name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
        if (!file) {
            std::fprintf(stderr, "cannot write %s/%s\n", argv[1], name.c_str());
            return 1;
        }
    }
    return 0;
}
