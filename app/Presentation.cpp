#include "app/Presentation.h"

#include <algorithm>

void recordPresentation(PresentationDelay& delay, int64_t drawnUs, int64_t presentedUs) {
    delay.recentUs[delay.next] = std::max<int64_t>(presentedUs - drawnUs, 0);
    delay.next = (delay.next + 1) % PRESENTATION_HISTORY;
    delay.count = std::min(delay.count + 1, PRESENTATION_HISTORY);
}

int64_t expectedPresentationUs(const PresentationDelay& delay) {
    if (delay.count == 0) {
        return 0;
    }
    int64_t sorted[PRESENTATION_HISTORY];
    std::copy(delay.recentUs, delay.recentUs + delay.count, sorted);
    std::nth_element(sorted, sorted + delay.count / 2, sorted + delay.count);
    return sorted[delay.count / 2];
}
