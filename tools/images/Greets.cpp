// Greetings sheet: 57 invented fellow groups in three columns of nineteen 512 x 64 cells.
#include "Lettering.h"
#include "Pictures.h"

#include <iterator>

namespace {

constexpr int CELL_W = 512;
constexpr int CELL_H = 64;
constexpr int ROWS = 19;
const char* const GROUPS[] = {
    "Pixel Lagoon",   "Chromatic Dawn",  "Tidal Byte",        "Vaporhaus",     "Sunset Syndicate", "Glitch Riviera",
    "Mango Raster",   "Polygon Palms",   "Lumen Drift",       "Coral Vector",  "Nightjet",         "Cassette Club",
    "Synth Marina",   "Moonbeam Motel",  "Velvet Phase",      "Aqua Null",     "Retrogradients",   "Palmtree Div",
    "Hyperdusk",      "Laser Lagoon",    "Sine Surfers",      "Bitwave Beach", "UV Union",         "Saturn Cabana",
    "Datagrove",      "Ocean Shaders",   "Turbo Flamingo",    "Magenta Crew",  "Starboard Pixel",  "Cyan Cartel",
    "Orbit Salsa",    "Nova Tropica",    "Copper Bay",        "Disco Vertex",  "Horizon Rats",     "Zeta Lounge",
    "Kilobyte Kings", "Moire Marauders", "Dune Raster",       "Electric Pier", "Fuzzy Logic Club", "Halfpipe Heroes",
    "Mirage Unit",    "Tangerine Tape",  "Opal Overdrive",    "Quartz Cruise", "Rumba Register",   "Silkscreen Six",
    "Tropic Tracker", "Voxel Vagabonds", "Wavetable Wizards", "Yacht Rockets", "Bluewave Bureau",  "Gecko Gradient",
    "Lime Loopers",   "Cobalt Cruisers", "Flux Fiesta",
};
static_assert(std::size(GROUPS) == 57, "the greetings show 57 names");

}  // namespace

bool makeGreets(const Fonts& fonts, const std::string& dir) {
    Canvas canvas(CELL_W * 3, CELL_H * ROWS, Color{0, 0, 0, 0});
    for (int i = 0; i < static_cast<int>(std::size(GROUPS)); ++i) {
        Canvas cell(CELL_W, CELL_H, Color{0, 0, 0, 0});
        Mask letters(CELL_W, CELL_H);
        TextStyle style{50.0f, 2.0f};
        // Long names shrink to keep their glow inside the cell.
        const float width = textWidth(fonts.display, GROUPS[i], style);
        if (width > CELL_W - 40) {
            style.pixelHeight *= static_cast<float>(CELL_W - 40) / width;
        }
        drawTextCentred(letters, fonts.display, GROUPS[i], CELL_W * 0.5f, CELL_H * 0.5f, style);
        // Alternate the two neon colours so consecutive names do not look alike.
        paintShadow(cell, letters, 4, 1.0f);
        paintNeon(cell, letters, i % 2 == 0 ? rgb(0x2ff3ff) : rgb(0xff3fb4), 6);
        fadeEdges(cell, 4);
        blit(canvas, cell, (i / ROWS) * CELL_W, (i % ROWS) * CELL_H);
    }
    return savePng(canvas, dir + "/greets.png");
}
