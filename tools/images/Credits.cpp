// Credits sheet: three roles (60 px lines) over two crew handles (90 px lines).
#include "Lettering.h"
#include "Pictures.h"

namespace {

constexpr int WIDTH = 1080;
const char* const ROLES[] = {"CODE", "MUSIC", "GRAPHICS"};
const char* const NAMES[] = {"Nyxta", "Moogwave"};

}  // namespace

bool makeCredits(const Fonts& fonts, const std::string& dir) {
    Canvas canvas(WIDTH, 360, Color{0, 0, 0, 0});
    for (int i = 0; i < 3; ++i) {
        Canvas line(WIDTH, 60, Color{0, 0, 0, 0});
        Mask letters(WIDTH, 60);
        drawTextCentred(letters, fonts.display, ROLES[i], WIDTH * 0.5f, 31.0f, TextStyle{44.0f, 14.0f});
        paintShadow(line, letters, 5, 1.2f);
        paintNeon(line, letters, rgb(0x2ff3ff), 6);
        fadeEdges(line, 4);
        blit(canvas, line, 0, i * 60);
    }
    for (int i = 0; i < 2; ++i) {
        Canvas line(WIDTH, 90, Color{0, 0, 0, 0});
        Mask letters(WIDTH, 90);
        drawTextCentred(letters, fonts.script, NAMES[i], WIDTH * 0.5f, 44.0f, TextStyle{84.0f, 2.0f});
        paintShadow(line, letters, 6, 1.2f);
        paintNeon(line, letters, rgb(0xff3fb4), 8);
        fadeEdges(line, 4);
        blit(canvas, line, 0, 180 + i * 90);
    }
    return savePng(canvas, dir + "/credits_text.png");
}
