// One generator per picture of the show; each writes its file into the output folder.
#pragma once

#include "Text.h"

#include <string>

struct Fonts {
    Font display;  // heavy geometric sans for titles, lyrics and greetings
    Font script;   // brush script for names and asides
};

bool makeOpening(const Fonts& fonts, const std::string& dir);
bool makeCredits(const Fonts& fonts, const std::string& dir);
bool makeLyrics(const Fonts& fonts, const std::string& dir);
bool makeGreets(const Fonts& fonts, const std::string& dir);
bool makeLogo(const Fonts& fonts, const std::string& dir);
bool makeParrot(const std::string& dir);
bool makeVaporSky(const std::string& dir);
bool makeBeach(const std::string& dir);
bool makeStreets(const std::string& dir);
bool makeSkyline(const std::string& dir);
bool makeHeightmap(const std::string& dir);
bool makeFlamingoTexture(const std::string& dir);
bool makeWindsurfTexture(const std::string& dir);
