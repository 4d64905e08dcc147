#include "support/ScratchFolder.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

// Drawn names rather than mkdtemp, which Windows lacks (the portable tests run there too).
ScratchFolder::ScratchFolder(const std::string& purpose) {
    const fs::path parent = fs::temp_directory_path();
    std::random_device seed;
    std::mt19937 random(seed());
    const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<size_t> pick(0, letters.size() - 1);
    // create_directory makes the folder or says it was there: a name another run holds is drawn again.
    for (;;) {
        std::string name = "kavex-" + purpose + "-";
        for (int i = 0; i < 8; ++i) {
            name += letters[pick(random)];
        }
        if (fs::create_directory(parent / name)) {
            path = (parent / name).string();
            return;
        }
    }
}

ScratchFolder::ScratchFolder(ScratchFolder&& other) noexcept : path(std::move(other.path)) { other.path.clear(); }

ScratchFolder::~ScratchFolder() {
    if (!path.empty()) {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
}
