// Text rendered with stb_truetype into coverage masks.
#pragma once

#include "Canvas.h"

#include <string>
#include <vector>

#include <stb_truetype.h>

struct Font {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
};

bool loadFont(Font& font, const std::string& path);
// ASCII letters in capitals, the rest as it is.
std::string upperCase(std::string text);

struct TextStyle {
    float pixelHeight = 48.0f;  // ascent to descent
    float tracking = 0.0f;      // extra pixels between letters
    float widthScale = 1.0f;    // below 1: condensed letters
};

// How far the text's outlines reach above and below its baseline, in pixels.
struct InkExtent {
    float above = 0.0f;
    float below = 0.0f;
};

float textWidth(const Font& font, const std::string& text, const TextStyle& style);
// Distance from the baseline up to the top of a capital letter.
float capHeight(const Font& font, const TextStyle& style);
InkExtent inkExtent(const Font& font, const std::string& text, const TextStyle& style);
// The style, shrunk where needed so that the text's outlines fit in width x height.
TextStyle fittedStyle(const Font& font, const std::string& text, TextStyle style, float width, float height);
// The baseline that centres the text's outlines (not its capitals) on cy.
float inkCentredBaseline(const Font& font, const std::string& text, const TextStyle& style, float cy);
void drawText(Mask& mask, const Font& font, const std::string& text, float x, float baseline, const TextStyle& style);
// Text horizontally centred on cx, with its capitals vertically centred on cy.
void drawTextCentred(Mask& mask, const Font& font, const std::string& text, float cx, float cy, const TextStyle& style);
// Slants the mask to the right by `slope` pixels per pixel of height above pivotY (italic lettering).
Mask sheared(const Mask& mask, float slope, float pivotY);
