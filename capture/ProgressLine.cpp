#include "capture/ProgressLine.h"

#include <cstdio>
#include <unistd.h>

ProgressLine startProgress(bool enabled, int64_t expectedFrames) {
    ProgressLine progress;
    progress.enabled = enabled;
    progress.terminal = isatty(STDERR_FILENO) != 0;
    progress.expectedFrames = expectedFrames;
    progress.start = std::chrono::steady_clock::now();
    progress.lastShown = progress.start;
    return progress;
}

void showProgress(ProgressLine& progress, int64_t framesDone, bool final) {
    if (!progress.enabled) {
        return;
    }
    auto now = std::chrono::steady_clock::now();
    auto interval = progress.terminal ? std::chrono::seconds(1) : std::chrono::seconds(10);
    if (!final && now - progress.lastShown < interval) {
        return;
    }
    progress.lastShown = now;
    double seconds = std::chrono::duration<double>(now - progress.start).count();
    double rate = seconds > 0.0 ? static_cast<double>(framesDone) / seconds : 0.0;
    const char* start = progress.terminal ? "\r" : "";
    if (final) {
        std::fprintf(stderr, "%s%lld frames in %.1f s, %.1f fps\n", start, static_cast<long long>(framesDone), seconds,
                     rate);
    } else {
        // Padded on a terminal so a shorter line covers the longer one before it.
        std::fprintf(stderr, progress.terminal ? "%s%-60s" : "%s%s\n", start,
                     progressText(progress.expectedFrames, framesDone, rate).c_str());
    }
    std::fflush(stderr);
}

std::string progressText(int64_t expectedFrames, int64_t framesDone, double rate) {
    char text[96];
    if (framesDone >= expectedFrames) {
        // Past the estimate (a song that repeats runs longer than the player announces): no made-up total.
        std::snprintf(text, sizeof text, "frame %lld, %.1f fps", static_cast<long long>(framesDone), rate);
        return text;
    }
    long left = rate > 0.0 ? static_cast<long>(static_cast<double>(expectedFrames - framesDone) / rate) : 0;
    std::snprintf(text, sizeof text, "frame %lld of ~%lld, %.1f fps, %ld:%02ld left",
                  static_cast<long long>(framesDone), static_cast<long long>(expectedFrames), rate, left / 60,
                  left % 60);
    return text;
}
