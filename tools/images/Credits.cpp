// Credits sheet: three roles (60 px lines) over two crew handles (90 px lines).
#include "Lettering.h"
#include "Pictures.h"

#include <algorithm>

namespace {

constexpr int WIDTH = 1080;
// Every line stands on the same dark glass plate, so a role and its name read as one panel.
constexpr float PLATE_WIDTH = 660.0f;
constexpr float PLATE_FEATHER = 130.0f;
constexpr float PLATE_OPACITY = 0.7f;
const char* const ROLES[] = {"CODE", "MUSIC", "GRAPHICS"};
const char* const NAMES[] = {"Nyxta", "Moogwave"};

// One neon line of text on its dark board, centred in a strip of the sheet and as tall as the
// strip leaves room for: the credits stand on the road's striped sun.
struct LineStyle {
    const Font& font;
    int height;
    TextStyle text;
    float inkHeight;
    Color tube;
    int glowRadius;
};

// Full opacity in the middle, fading out over the feather at both ends and over a few rows at the edges.
Mask plate(int height) {
    Mask mask(WIDTH, height);
    const float left = (static_cast<float>(WIDTH) - PLATE_WIDTH) * 0.5f;
    for (int y = 0; y < height; ++y) {
        const float across = std::clamp(static_cast<float>(std::min(y, height - 1 - y)) / 6.0f, 0.0f, 1.0f);
        for (int x = 0; x < WIDTH; ++x) {
            const float inside =
                std::min(static_cast<float>(x) - left, left + PLATE_WIDTH - static_cast<float>(x)) / PLATE_FEATHER;
            const float along = std::clamp(inside, 0.0f, 1.0f);
            mask.at(x, y) = PLATE_OPACITY * across * along * along * (3.0f - 2.0f * along);
        }
    }
    return mask;
}

void neonLine(Canvas& sheet, const char* words, const LineStyle& style, int top) {
    Canvas line(WIDTH, style.height, Color{0, 0, 0, 0});
    paint(line, plate(style.height), rgb(0x10042a));
    Mask letters(WIDTH, style.height);
    const TextStyle text = fittedStyle(style.font, words, style.text, WIDTH * 0.8f, style.inkHeight);
    const float baseline = inkCentredBaseline(style.font, words, text, static_cast<float>(style.height) * 0.5f);
    drawText(letters, style.font, words, (static_cast<float>(WIDTH) - textWidth(style.font, words, text)) * 0.5f,
             baseline, text);
    paintNeonSign(line, letters, style.tube, style.glowRadius);
    fadeEdges(line, 4);
    blit(sheet, line, 0, top);
}

}  // namespace

bool makeCredits(const Fonts& fonts, const std::string& dir) {
    Canvas canvas(WIDTH, 360, Color{0, 0, 0, 0});
    const LineStyle role{fonts.display, 60, TextStyle{80.0f, 14.0f}, 40.0f, rgb(0x2ff3ff), 5};
    const LineStyle name{fonts.script, 90, TextStyle{120.0f, 2.0f}, 70.0f, rgb(0xff3fb4), 6};
    for (int i = 0; i < 3; ++i) {
        neonLine(canvas, ROLES[i], role, i * 60);
    }
    for (int i = 0; i < 2; ++i) {
        neonLine(canvas, NAMES[i], name, 180 + i * 90);
    }
    return savePng(canvas, dir + "/credits_text.png");
}
