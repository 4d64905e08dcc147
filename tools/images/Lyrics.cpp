// Lyrics sheet: four 2048 x 64 strips that scroll in from the right edge.
#include "Lettering.h"
#include "Pictures.h"

namespace {

constexpr int WIDTH = 2048;
constexpr int STRIP = 64;
// The strips enter from the right; each line starts near the strip's left end so that it is
// fully on screen while the slowest strips (about 170 px/s) have moved only a few seconds.
constexpr float LEFT = 64.0f;
const char* const LINES[] = {
    "Neon tides are calling us home",
    "Palm shadows dancing on the boulevard",
    "Chrome hearts racing through the midnight glow",
    "Velmora, never let the sunset fade",
};

}  // namespace

bool makeLyrics(const Fonts& fonts, const std::string& dir) {
    Canvas canvas(WIDTH, STRIP * 4, Color{0, 0, 0, 0});
    for (int i = 0; i < 4; ++i) {
        Canvas strip(WIDTH, STRIP, Color{0, 0, 0, 0});
        Mask letters(WIDTH, STRIP);
        TextStyle style{58.0f, 1.0f};
        drawText(letters, fonts.script, LINES[i], LEFT, STRIP * 0.5f + capHeight(fonts.script, style) * 0.5f, style);
        paintGlow(strip, blurred(dilated(letters, 3), 5), rgb(0xff2fa8), 1.4f);
        paintOutlined(strip, letters, rgb(0xfff4fb), rgb(0x2a0636), 2);
        fadeEdges(strip, 4);
        blit(canvas, strip, 0, i * STRIP);
    }
    return savePng(canvas, dir + "/lyrics.png");
}
