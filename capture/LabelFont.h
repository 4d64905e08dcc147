#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "capture/FrameImage.h"

constexpr const char* LABEL_FONT_PATH = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct LabelFontData;

// A TrueType font at one pixel height, for labelling pictures.
struct LabelFont {
    std::shared_ptr<LabelFontData> data;
    int32_t pixelHeight = 0;
};

bool loadLabelFont(LabelFont& font, const std::string& path, int32_t pixelHeight, std::string& error);

// Width in pixels of one line of ASCII text.
int32_t labelWidth(const LabelFont& font, const std::string& text);

// Draws one line of text with its top at y, blending the glyph coverage over the picture.
void drawLabel(FrameImage& image, const LabelFont& font, const std::string& text, int32_t x, int32_t y,
               uint32_t rgbColour);
