#include "ModuleRender.h"

#include <libmodplug/modplug.h>

#include <fstream>
#include <stdexcept>

#include "music/PlayerSettings.h"

namespace {
ModPlugFile* loadWithShowSettings(const std::vector<uint8_t>& module) {
    applyPlayerSettings();
    ModPlugFile* file = ModPlug_Load(module.data(), static_cast<int>(module.size()));
    if (!file) {
        throw std::runtime_error("libmodplug rejected the module");
    }
    return file;
}
}  // namespace

std::vector<int16_t> renderModule(const std::vector<uint8_t>& module) {
    ModPlugFile* file = loadWithShowSettings(module);
    std::vector<int16_t> stereo;
    std::vector<int16_t> buffer(4096 * 2);
    for (;;) {
        const int bytes = ModPlug_Read(file, buffer.data(), static_cast<int>(buffer.size() * sizeof(int16_t)));
        if (bytes <= 0) {
            break;
        }
        stereo.insert(stereo.end(), buffer.begin(), buffer.begin() + bytes / 2);
    }
    ModPlug_Unload(file);
    return stereo;
}

std::vector<double> orderStarts(const std::vector<uint8_t>& module) {
    // Small reads: the player takes a new row at the first tick it mixes, so the order it reports
    // after a read is known to within one read (1.5 ms).
    constexpr int STEP = 64;
    ModPlugFile* file = loadWithShowSettings(module);
    std::vector<double> starts;
    std::vector<int16_t> buffer(STEP * 2);
    long mixed = 0;
    while (ModPlug_Read(file, buffer.data(), static_cast<int>(buffer.size() * sizeof(int16_t))) > 0) {
        const int order = ModPlug_GetCurrentOrder(file);
        while (static_cast<int>(starts.size()) <= order) {
            starts.push_back(static_cast<double>(mixed) / 44100.0);
        }
        mixed += STEP;
    }
    ModPlug_Unload(file);
    return starts;
}

namespace {
void putLittle(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}
}  // namespace

void writeWav(const std::string& path, const std::vector<int16_t>& stereo) {
    std::ofstream out(path, std::ios::binary);
    const uint32_t dataBytes = static_cast<uint32_t>(stereo.size() * 2);
    out.write("RIFF", 4);
    putLittle(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    putLittle(out, 16, 4);
    putLittle(out, 1, 2);  // PCM
    putLittle(out, 2, 2);
    putLittle(out, 44100, 4);
    putLittle(out, 44100 * 4, 4);
    putLittle(out, 4, 2);
    putLittle(out, 16, 2);
    out.write("data", 4);
    putLittle(out, dataBytes, 4);
    for (int16_t value : stereo) {
        putLittle(out, static_cast<uint16_t>(value), 2);
    }
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}
