// Credits sheet: three roles (60 px lines) over two crew handles (90 px lines).
#include "Lettering.h"
#include "Pictures.h"

namespace {

constexpr int WIDTH = 1080;
const char* const ROLES[] = {"CODE", "MUSIC", "GRAPHICS"};
const char* const NAMES[] = {"Nyxta", "Moogwave"};

// One neon line of text with its shadow, centred in a strip of the sheet.
struct LineStyle {
    const Font& font;
    int height;
    float baseline;
    TextStyle text;
    int shadowRadius;
    Color tube;
    int glowRadius;
};

void neonLine(Canvas& sheet, const char* words, const LineStyle& style, int top) {
    Canvas line(WIDTH, style.height, Color{0, 0, 0, 0});
    Mask letters(WIDTH, style.height);
    drawTextCentred(letters, style.font, words, WIDTH * 0.5f, style.baseline, style.text);
    paintShadow(line, letters, style.shadowRadius, 1.2f);
    paintNeon(line, letters, style.tube, style.glowRadius);
    fadeEdges(line, 4);
    blit(sheet, line, 0, top);
}

}  // namespace

bool makeCredits(const Fonts& fonts, const std::string& dir) {
    Canvas canvas(WIDTH, 360, Color{0, 0, 0, 0});
    const LineStyle role{fonts.display, 60, 31.0f, TextStyle{44.0f, 14.0f}, 5, rgb(0x2ff3ff), 6};
    const LineStyle name{fonts.script, 90, 44.0f, TextStyle{84.0f, 2.0f}, 6, rgb(0xff3fb4), 8};
    for (int i = 0; i < 3; ++i) {
        neonLine(canvas, ROLES[i], role, i * 60);
    }
    for (int i = 0; i < 2; ++i) {
        neonLine(canvas, NAMES[i], name, 180 + i * 90);
    }
    return savePng(canvas, dir + "/credits_text.png");
}
