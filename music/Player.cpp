#include "music/Player.h"

#include "base/FileBytes.h"
#include "music/ModuleHeader.h"

// The player object's development header needs the fixed-width types first.
#include <cstdint>
#include <libmodplug/stdafx.h>
#include <libmodplug/sndfile.h>

MusicSnapshot musicSnapshot;
ModPlugFile* modFile = nullptr;
std::atomic<int32_t> audioBytesRead{255};

namespace {

// Far beyond any real module; refuses absurd files before allocating for them.
constexpr uint64_t MAX_MODULE_BYTES = 64 * 1024 * 1024;

bool usableModuleSize(uint64_t size, const char* path, std::string& error) {
    if (size > 0 && size <= MAX_MODULE_BYTES) {
        return true;
    }
    error = std::string("The music module ") + path + " has an unusable size of " + std::to_string(size) + " bytes";
    return false;
}

// A loaded module handle holds the player object as its first and only member.
const CSoundFile& playerOf(ModPlugFile* file) { return *reinterpret_cast<const CSoundFile*>(file); }

}  // namespace

ModPlugFile* loadModuleBytes(const char* bytes, size_t size, const char* path, std::string& error) {
    if (!usableModuleSize(size, path, error)) {
        return nullptr;
    }
    uint64_t needed = protrackerModuleBytes(reinterpret_cast<const uint8_t*>(bytes), size);
    if (needed > size) {
        error = std::string("The music module ") + path + " is cut short: its header asks for " +
                std::to_string(needed) + " bytes, the file has " + std::to_string(size);
        return nullptr;
    }
    ModPlugFile* loaded = ModPlug_Load(bytes, static_cast<int>(size));
    if (loaded == nullptr) {
        error = std::string("The music module ") + path + " is damaged or not a module the player can read";
    }
    return loaded;
}

ModPlugFile* loadModuleFile(const char* path, std::string& error) {
    std::string bytes;
    uint64_t size = 0;
    switch (readFileBytes(path, MAX_MODULE_BYTES, bytes, size)) {
    case FileRead::Read:
        return loadModuleBytes(bytes.data(), bytes.size(), path, error);
    case FileRead::CannotOpen:
        error = std::string("Cannot open the music module ") + path;
        return nullptr;
    case FileRead::NotRegular:
        error = std::string("The music module ") + path + " is not a regular file";
        return nullptr;
    case FileRead::TooLarge:
        usableModuleSize(size, path, error);
        return nullptr;
    case FileRead::ReadFailed:
        break;
    }
    error = std::string("The music module ") + path + " could not be read whole";
    return nullptr;
}

void copyMusicSnapshot(ModPlugFile* player, MusicSnapshot& snapshot) {
    const CSoundFile& song = playerOf(player);
    snapshot.row = static_cast<int32_t>(song.m_nRow);
    snapshot.pattern = static_cast<int32_t>(song.m_nPattern);
    snapshot.order = static_cast<int32_t>(song.m_nCurrentPattern);
    for (int channel = 0; channel < 4; ++channel) {
        snapshot.instrument[channel] = song.Chn[channel].nRowInstr;
        snapshot.note[channel] = song.Chn[channel].nRowNote;
    }
}

int32_t moduleOrderCount(ModPlugFile* player) {
    const CSoundFile& song = playerOf(player);
    int32_t count = 0;
    while (count < MAX_ORDERS && song.Order[count] != 0xFF) {
        ++count;
    }
    return count;
}
