#include "demo/StartupPaths.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <SDL.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

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

// A Windows console program always has its console's handles, so there is nothing to do there.
void keepStandardStreamsOpen() {
#ifndef _WIN32
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        // Opening takes the lowest free number: this one, since those below it are open by now.
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
        }
    }
#endif
}
