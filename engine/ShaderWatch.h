#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The show's --watch: the source files of every registered shader, polled from the frame loop a
// few times a second; a shader whose file changed is built again in place (rebuildShader).

// Checks a second would make an edit feel slow; more would stat the files for nothing.
constexpr uint32_t SHADER_WATCH_INTERVAL_MS = 250;

struct WatchedShader {
    int32_t id = -1;
    std::filesystem::file_time_type vertexTime;
    std::filesystem::file_time_type fragmentTime;
};

struct ShaderWatch {
    std::vector<WatchedShader> shaders;
    uint32_t lastPollMs = 0;
};

// Notes the files' times of every shader in the registry, at tick `nowMs`.
void startShaderWatch(ShaderWatch& watch, uint32_t nowMs);

// At most once per interval: rebuilds each shader whose vertex or fragment file changed since it
// was last seen. Returns how many shaders it tried to rebuild.
int32_t pollShaderWatch(ShaderWatch& watch, uint32_t nowMs);
