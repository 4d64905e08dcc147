// Greetings sheet: 57 invented fellow groups in three columns of nineteen 512 x 64 cells.
#include "Lettering.h"
#include "Pictures.h"

#include <iterator>

namespace {

constexpr int CELL_W = 512;
constexpr int CELL_H = 64;
constexpr int ROWS = 19;
// Condensed capitals filling the cell's height, the glow and the backing in the rows left over.
// A name with a Q would shrink whole to make room for its tail, so the names have none.
constexpr float MARGIN_X = 16.0f;
constexpr float INK_HEIGHT = 46.0f;
const TextStyle NAME_STYLE{70.0f, 2.0f, 0.8f};
const char* const GROUPS[] = {
    "Pixel Lagoon",   "Chromatic Dawn",  "Tidal Byte",        "Vaporhaus",      "Sunset Syndicate", "Glitch Riviera",
    "Mango Raster",   "Polygon Palms",   "Lumen Drift",       "Coral Vector",   "Nightjet",         "Cassette Club",
    "Synth Marina",   "Moonbeam Motel",  "Velvet Phase",      "Azure Null",     "Retrogradients",   "Palmtree Div",
    "Hyperdusk",      "Laser Lagoon",    "Sine Surfers",      "Bitwave Beach",  "UV Union",         "Saturn Cabana",
    "Datagrove",      "Ocean Shaders",   "Turbo Flamingo",    "Magenta Crew",   "Starboard Pixel",  "Cyan Cartel",
    "Orbit Salsa",    "Nova Tropica",    "Copper Bay",        "Disco Vertex",   "Horizon Rats",     "Zeta Lounge",
    "Kilobyte Kings", "Moire Marauders", "Dune Raster",       "Electric Pier",  "Fuzzy Logic Club", "Halfpipe Heroes",
    "Mirage Unit",    "Tangerine Tape",  "Opal Overdrive",    "Crystal Cruise", "Rumba Register",   "Silkscreen Six",
    "Tropic Tracker", "Voxel Vagabonds", "Wavetable Wizards", "Yacht Rockets",  "Bluewave Bureau",  "Gecko Gradient",
    "Lime Loopers",   "Cobalt Cruisers", "Flux Fiesta",
};
static_assert(std::size(GROUPS) == 57, "the greetings show 57 names");

}  // namespace

bool makeGreets(const Fonts& fonts, const std::string& dir) {
    Canvas canvas(CELL_W * 3, CELL_H * ROWS, Color{0, 0, 0, 0});
    for (int i = 0; i < static_cast<int>(std::size(GROUPS)); ++i) {
        const std::string name = upperCase(GROUPS[i]);
        Canvas cell(CELL_W, CELL_H, Color{0, 0, 0, 0});
        Mask letters(CELL_W, CELL_H);
        // Each name as large as its cell allows; long names shrink to keep their glow inside it.
        const TextStyle style = fittedStyle(fonts.display, name, NAME_STYLE, CELL_W - 2.0f * MARGIN_X, INK_HEIGHT);
        const float baseline = inkCentredBaseline(fonts.display, name, style, CELL_H * 0.5f);
        drawText(letters, fonts.display, name, (CELL_W - textWidth(fonts.display, name, style)) * 0.5f, baseline,
                 style);
        // The dark board keeps the name readable over the sun and the parrot; the two neon colours
        // alternate so consecutive names do not look alike.
        paintNeonSign(cell, letters, i % 2 == 0 ? rgb(0x2ff3ff) : rgb(0xff3fb4), 5);
        fadeEdges(cell, 4);
        blit(canvas, cell, (i / ROWS) * CELL_W, (i % ROWS) * CELL_H);
    }
    return savePng(canvas, dir + "/greets.png");
}
