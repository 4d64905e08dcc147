#include "capture/ProgressLine.h"

#include <algorithm>
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
        // The music may run a little past its announced length; never show a negative remainder.
        int64_t expected = std::max(progress.expectedFrames, framesDone);
        long left = rate > 0.0 ? static_cast<long>(static_cast<double>(expected - framesDone) / rate) : 0;
        std::fprintf(stderr, "%sframe %lld of ~%lld, %.1f fps, %ld:%02ld left%s", start,
                     static_cast<long long>(framesDone), static_cast<long long>(expected), rate, left / 60, left % 60,
                     progress.terminal ? "   " : "\n");
    }
    std::fflush(stderr);
}
