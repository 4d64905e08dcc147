// Lyrics sheet: four 2048 x 64 strips that scroll in from the right edge.
#include "Lettering.h"
#include "Pictures.h"

#include <string>

namespace {

constexpr int WIDTH = 2048;
constexpr int STRIP = 64;
// The strips enter from the right; each line starts near the strip's left end so that it is
// fully on screen while the slowest strips (about 170 px/s) have moved only a few seconds.
constexpr float LEFT = 64.0f;
// Heavy italic capitals, condensed so the longest line still fits the strip's travel, as tall as
// the strip allows once the outline and the edge fade have their rows.
constexpr float SLANT = 0.18f;
constexpr float INK_HEIGHT = 52.0f;
const TextStyle LINE_STYLE{80.0f, 2.0f, 0.8f};
// No commas: a comma's tail reaches below the capitals and would shrink every line.
const char* const LINES[] = {
    "Neon tides are calling us home",
    "Palm shadows dancing on the boulevard",
    "Chrome hearts racing through the midnight glow",
    "Velmora never let the sunset fade",
};

// One size for every line: the one that lets the tallest line fill the strip.
TextStyle sharedStyle(const Font& font) {
    TextStyle style = LINE_STYLE;
    for (const char* line : LINES) {
        style = fittedStyle(font, upperCase(line), style, WIDTH - 2.0f * LEFT, INK_HEIGHT);
    }
    return style;
}

}  // namespace

bool makeLyrics(const Fonts& fonts, const std::string& dir) {
    Canvas canvas(WIDTH, STRIP * 4, Color{0, 0, 0, 0});
    const TextStyle style = sharedStyle(fonts.display);
    for (int i = 0; i < 4; ++i) {
        const std::string words = upperCase(LINES[i]);
        Canvas strip(WIDTH, STRIP, Color{0, 0, 0, 0});
        Mask upright(WIDTH, STRIP);
        const float baseline = inkCentredBaseline(fonts.display, words, style, STRIP * 0.5f);
        drawText(upright, fonts.display, words, LEFT, baseline, style);
        const Mask letters = sheared(upright, SLANT, STRIP * 0.5f);
        paintSungLine(strip, letters, baseline - capHeight(fonts.display, style), baseline);
        fadeEdges(strip, 3);
        blit(canvas, strip, 0, i * STRIP);
    }
    return savePng(canvas, dir + "/lyrics.png");
}
