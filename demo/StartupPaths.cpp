#include "demo/StartupPaths.h"

#include <filesystem>
#include <system_error>

#include <SDL.h>

void enterAssetsDirectory() {
    std::error_code error;
    if (std::filesystem::is_directory("Assets", error)) {
        return;
    }
    char* basePath = SDL_GetBasePath();
    if (basePath == nullptr) {
        return;
    }
    std::filesystem::current_path(basePath, error);
    SDL_free(basePath);
}
