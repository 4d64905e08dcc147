// Generates every picture of the show into the folder given first, with the display and script fonts next.
#include "Pictures.h"

#include <cstdio>
#include <functional>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR DISPLAY_FONT SCRIPT_FONT\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    Fonts fonts;
    if (!loadFont(fonts.display, argv[2]) || !loadFont(fonts.script, argv[3])) {
        std::fprintf(stderr, "cannot load fonts %s, %s\n", argv[2], argv[3]);
        return 1;
    }
    const std::vector<std::pair<const char*, std::function<bool()>>> jobs = {
        {"opening", [&] { return makeOpening(fonts, dir); }},
        {"credits", [&] { return makeCredits(fonts, dir); }},
        {"lyrics", [&] { return makeLyrics(fonts, dir); }},
        {"greets", [&] { return makeGreets(fonts, dir); }},
        {"logo", [&] { return makeLogo(fonts, dir); }},
        {"parrot", [&] { return makeParrot(dir); }},
        {"vapor sky", [&] { return makeVaporSky(dir); }},
        {"beach", [&] { return makeBeach(dir); }},
        {"streets", [&] { return makeStreets(dir); }},
        {"skyline", [&] { return makeSkyline(dir); }},
        {"heightmap", [&] { return makeHeightmap(dir); }},
        {"flamingo texture", [&] { return makeFlamingoTexture(dir); }},
        {"windsurf texture", [&] { return makeWindsurfTexture(dir); }},
    };
    for (const auto& [name, job] : jobs) {
        if (!job()) {
            std::fprintf(stderr, "failed to write the %s picture into %s\n", name, dir.c_str());
            return 1;
        }
    }
    return 0;
}
