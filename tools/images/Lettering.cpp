#include "Lettering.h"

#include <algorithm>

Color chromeAt(float t) {
    static const std::vector<GradientStop> stops = {
        {0.00f, rgb(0xf4fbff)}, {0.30f, rgb(0x9fd8ff)}, {0.52f, rgb(0x3a6fd8)}, {0.545f, rgb(0x1a0838)},
        {0.58f, rgb(0x5a1450)}, {0.72f, rgb(0xff4f8b)}, {0.88f, rgb(0xffa85a)}, {1.00f, rgb(0xfff0c8)},
    };
    return gradientAt(stops, t);
}

void paintChrome(Canvas& canvas, const Mask& letters, float top, float bottom, int outline) {
    const Mask rim = dilated(letters, outline);
    paintGlow(canvas, blurred(dilated(letters, outline * 2), outline * 3), rgb(0xff2fa8), 0.9f);
    paint(canvas, rim, rgb(0x12042a));
    const Mask edge = dilated(letters, std::max(1, outline / 3));
    paint(canvas, edge, rgb(0xff6ad5));
    paint(canvas, letters,
          [top, bottom](int, int y) { return chromeAt((static_cast<float>(y) - top) / (bottom - top)); });
}

namespace {

// Soft dark halo under the letters so they stay readable over bright backdrops.
void paintShadow(Canvas& canvas, const Mask& letters, int radius, float strength) {
    Mask halo = blurred(dilated(letters, radius), radius);
    for (float& v : halo.values) {
        v = std::min(1.0f, v * strength);
    }
    paint(canvas, halo, rgb(0x0a0214));
}

// The tube itself: its colour, with the middle of each stroke burning white as a real tube does.
void paintTube(Canvas& canvas, const Mask& letters, Color tube) {
    paint(canvas, letters, tube);
    Mask core = blurred(letters, 2);
    for (float& v : core.values) {
        v = std::clamp((v - 0.55f) * 2.5f, 0.0f, 1.0f);
    }
    paint(canvas, core, mix(tube, rgb(0xffffff), 0.8f));
}

}  // namespace

void paintNeon(Canvas& canvas, const Mask& letters, Color tube, int glowRadius) {
    paintGlow(canvas, blurred(dilated(letters, std::max(1, glowRadius / 4)), glowRadius), tube, 1.5f);
    paintGlow(canvas, blurred(letters, std::max(1, glowRadius / 4)), tube, 0.8f);
    paintTube(canvas, letters, tube);
}

void paintNeonSign(Canvas& canvas, const Mask& letters, Color tube, int glowRadius) {
    paintShadow(canvas, letters, glowRadius + 2, 3.0f);
    paintGlow(canvas, blurred(dilated(letters, 1), glowRadius), tube, 0.9f);
    paintTube(canvas, letters, tube);
}

void paintSungLine(Canvas& canvas, const Mask& letters, float capTop, float baseline) {
    paintGlow(canvas, blurred(dilated(letters, 3), 4), rgb(0xff2fa8), 1.3f);
    paint(canvas, dilated(letters, 2), rgb(0x22042e));
    const Color top = rgb(0xffffff), bottom = rgb(0x9eeaff);
    paint(canvas, letters, [=](int, int y) {
        return mix(top, bottom, std::clamp((static_cast<float>(y) - capTop) / (baseline - capTop), 0.0f, 1.0f));
    });
}
