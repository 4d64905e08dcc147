/* Preloaded into the show (LD_PRELOAD) to time it from outside: every audio callback (when it
   began and how many bytes the device took) and every buffer swap (when it was called and when it
   returned, with the colour signature of the frame swapped) are kept in memory and written to the
   file named by AVLOG_FILE when the process ends, one line each:
     A <start us> <bytes>
     S <call us> <return us> <process CPU us> <signature as hex>
   Times are CLOCK_MONOTONIC microseconds; the CPU time is the process's, all its threads (the
   driver's rasteriser and compiler included), when the swap returned. Reading the frame back costs the swap a little
   (about a millisecond for 640 x 360); nothing is written while the show runs. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <SDL.h>

#include "Signature.h"

#define MAX_CALLBACKS 100000
#define MAX_SWAPS 100000
#define MAX_PIXELS (3840 * 2160)

#define GL_RGBA 0x1908
#define GL_UNSIGNED_BYTE 0x1401
#define GL_READ_FRAMEBUFFER 0x8CA8
#define GL_READ_FRAMEBUFFER_BINDING 0x8CAA
#define GL_PACK_ALIGNMENT 0x0D05

struct Callback {
    long long startUs;
    int bytes;
};
struct Swap {
    long long callUs;
    long long returnUs;
    long long cpuUs;
    unsigned char signature[SIGNATURE_BYTES];
};

static struct Callback callbacks[MAX_CALLBACKS];
static int callbackCount;
static struct Swap swaps[MAX_SWAPS];
static int swapCount;
static unsigned char pixels[MAX_PIXELS * 4];
static SDL_AudioCallback showCallback;

typedef void (*ReadPixels)(int, int, int, int, unsigned, unsigned, void*);
typedef void (*GetIntegerv)(unsigned, int*);
typedef void (*BindFramebuffer)(unsigned, unsigned);
typedef void (*PixelStorei)(unsigned, int);

static long long clockUs(clockid_t clock) {
    struct timespec now;
    clock_gettime(clock, &now);
    return (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000;
}

static long long nowUs(void) { return clockUs(CLOCK_MONOTONIC); }

static void loggedCallback(void* userdata, Uint8* stream, int length) {
    const long long startUs = nowUs();
    showCallback(userdata, stream, length);
    if (callbackCount < MAX_CALLBACKS) {
        callbacks[callbackCount].startUs = startUs;
        callbacks[callbackCount].bytes = length;
        ++callbackCount;
    }
}

SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture, const SDL_AudioSpec* desired,
                                      SDL_AudioSpec* obtained, int allowedChanges) {
    SDL_AudioDeviceID (*open)(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int) = (SDL_AudioDeviceID(*)(
        const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int))dlsym(RTLD_NEXT, "SDL_OpenAudioDevice");
    SDL_AudioSpec wrapped = *desired;
    if (desired->callback != NULL) {
        showCallback = desired->callback;
        wrapped.callback = loggedCallback;
    }
    return open(device, iscapture, &wrapped, obtained, allowedChanges);
}

void SDL_GL_SwapWindow(SDL_Window* window) {
    void (*swap)(SDL_Window*) = (void (*)(SDL_Window*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    ReadPixels readPixels = (ReadPixels)SDL_GL_GetProcAddress("glReadPixels");
    GetIntegerv getIntegerv = (GetIntegerv)SDL_GL_GetProcAddress("glGetIntegerv");
    BindFramebuffer bindFramebuffer = (BindFramebuffer)SDL_GL_GetProcAddress("glBindFramebuffer");
    PixelStorei pixelStorei = (PixelStorei)SDL_GL_GetProcAddress("glPixelStorei");
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    struct Swap* logged = swapCount < MAX_SWAPS ? &swaps[swapCount] : NULL;
    if (logged != NULL && readPixels != NULL && width > 0 && height > 0 && (long)width * height <= MAX_PIXELS) {
        int readFramebuffer = 0;
        int alignment = 4;
        getIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
        getIntegerv(GL_PACK_ALIGNMENT, &alignment);
        bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        pixelStorei(GL_PACK_ALIGNMENT, 4);
        readPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        pixelStorei(GL_PACK_ALIGNMENT, alignment);
        bindFramebuffer(GL_READ_FRAMEBUFFER, (unsigned)readFramebuffer);
        frameSignature(pixels, width, height, 4, width * 4, 1, logged->signature);
    }
    const long long callUs = nowUs();
    swap(window);
    if (logged != NULL) {
        logged->callUs = callUs;
        logged->returnUs = nowUs();
        logged->cpuUs = clockUs(CLOCK_PROCESS_CPUTIME_ID);
        ++swapCount;
    }
}

__attribute__((destructor)) static void writeLog(void) {
    const char* path = getenv("AVLOG_FILE");
    FILE* file = path != NULL ? fopen(path, "w") : NULL;
    if (file == NULL) {
        return;
    }
    for (int i = 0; i < callbackCount; ++i) {
        fprintf(file, "A %lld %d\n", callbacks[i].startUs, callbacks[i].bytes);
    }
    for (int i = 0; i < swapCount; ++i) {
        fprintf(file, "S %lld %lld %lld ", swaps[i].callUs, swaps[i].returnUs, swaps[i].cpuUs);
        for (int b = 0; b < SIGNATURE_BYTES; ++b) {
            fprintf(file, "%02x", swaps[i].signature[b]);
        }
        fputc('\n', file);
    }
    fclose(file);
}
