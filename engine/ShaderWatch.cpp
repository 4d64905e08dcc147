#include "engine/ShaderWatch.h"

#include "engine/Shader.h"
#include "engine/ShaderFactory.h"
#include "resources/ResourceManager.h"

namespace fs = std::filesystem;

namespace {

// The file's time, or the one seen before while it cannot be read (an editor replacing it).
fs::file_time_type timeOf(const std::string& path, fs::file_time_type seen) {
    std::error_code error;
    fs::file_time_type time = fs::last_write_time(path, error);
    return error ? seen : time;
}

}  // namespace

void startShaderWatch(ShaderWatch& watch, uint32_t nowMs) {
    watch.shaders.clear();
    watch.lastPollMs = nowMs;
    const std::vector<Shader*>& slots = resourceManager->shaders.slots;
    for (size_t id = 0; id < slots.size(); ++id) {
        WatchedShader watched;
        watched.id = static_cast<int32_t>(id);
        watched.vertexTime = timeOf(shaderSourcePath(slots[id]->name, ".vertex"), {});
        watched.fragmentTime = timeOf(shaderSourcePath(slots[id]->name, ".fragment"), {});
        watch.shaders.push_back(watched);
    }
}

int32_t pollShaderWatch(ShaderWatch& watch, uint32_t nowMs) {
    if (nowMs - watch.lastPollMs < SHADER_WATCH_INTERVAL_MS) {
        return 0;
    }
    watch.lastPollMs = nowMs;
    int32_t rebuilt = 0;
    for (WatchedShader& watched : watch.shaders) {
        Shader* shader = resourceManager->shaderById(watched.id);
        fs::file_time_type vertexTime = timeOf(shaderSourcePath(shader->name, ".vertex"), watched.vertexTime);
        fs::file_time_type fragmentTime = timeOf(shaderSourcePath(shader->name, ".fragment"), watched.fragmentTime);
        if (vertexTime == watched.vertexTime && fragmentTime == watched.fragmentTime) {
            continue;
        }
        // A failed build is not retried until the file changes again, so its log appears once.
        watched.vertexTime = vertexTime;
        watched.fragmentTime = fragmentTime;
        rebuildShader(*shader);
        ++rebuilt;
    }
    return rebuilt;
}
