// Opening titles: the group, "presents", and the production's name with its year, one block each.
#include "Lettering.h"
#include "Pictures.h"
#include "Shapes.h"

namespace {

constexpr int WIDTH = 1220;
constexpr float SLANT = 0.18f;

Canvas groupBlock(const Fonts& fonts) {
    Canvas block(WIDTH, 300, Color{0, 0, 0, 0});
    Mask letters(WIDTH, 300);
    TextStyle style{250.0f, 6.0f};
    drawTextCentred(letters, fonts.display, "KAVEX", WIDTH * 0.5f - 10.0f, 150.0f, style);
    const float cap = capHeight(fonts.display, style);
    paintChrome(block, sheared(letters, SLANT, 150.0f), 150.0f - cap * 0.5f, 150.0f + cap * 0.5f, 7);
    fadeEdges(block, 10);
    return block;
}

Canvas presentsBlock(const Fonts& fonts) {
    Canvas block(WIDTH, 130, Color{0, 0, 0, 0});
    Mask letters(WIDTH, 130);
    drawTextCentred(letters, fonts.script, "presents", WIDTH * 0.5f, 58.0f, TextStyle{120.0f, 3.0f});
    paintNeon(block, letters, rgb(0xff3fb4), 12);
    fadeEdges(block, 10);
    return block;
}

Canvas titleBlock(const Fonts& fonts) {
    Canvas block(WIDTH, 200, Color{0, 0, 0, 0});
    Mask letters(WIDTH, 200);
    TextStyle style{136.0f, 10.0f};
    drawTextCentred(letters, fonts.display, "VELMORA", WIDTH * 0.5f - 20.0f, 86.0f, style);
    const float cap = capHeight(fonts.display, style);
    paintChrome(block, sheared(letters, SLANT, 86.0f), 86.0f - cap * 0.5f, 86.0f + cap * 0.5f, 6);
    Mask year(WIDTH, 200);
    drawTextCentred(year, fonts.script, "2024", WIDTH * 0.5f + 300.0f, 160.0f, TextStyle{84.0f, 3.0f});
    paintNeon(block, year, rgb(0x2ff3ff), 8);
    fadeEdges(block, 10);
    return block;
}

}  // namespace

bool makeOpening(const Fonts& fonts, const std::string& dir) {
    Canvas canvas(WIDTH, 630, Color{0, 0, 0, 0});
    blit(canvas, groupBlock(fonts), 0, 0);
    blit(canvas, presentsBlock(fonts), 0, 300);
    blit(canvas, titleBlock(fonts), 0, 430);
    return savePng(canvas, dir + "/opening.png");
}
