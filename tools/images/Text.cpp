#include "Text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>

bool loadFont(Font& font, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    font.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (font.data.empty()) {
        return false;
    }
    return stbtt_InitFont(&font.info, font.data.data(), stbtt_GetFontOffsetForIndex(font.data.data(), 0)) != 0;
}

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

namespace {

float scaleOf(const Font& font, const TextStyle& style) {
    return stbtt_ScaleForPixelHeight(&font.info, style.pixelHeight);
}

float widthScaleOf(const Font& font, const TextStyle& style) { return scaleOf(font, style) * style.widthScale; }

}  // namespace

float textWidth(const Font& font, const std::string& text, const TextStyle& style) {
    const float scale = widthScaleOf(font, style);
    float width = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&font.info, static_cast<unsigned char>(text[i]), &advance, &bearing);
        width += static_cast<float>(advance) * scale;
        if (i + 1 < text.size()) {
            width += static_cast<float>(stbtt_GetCodepointKernAdvance(&font.info, static_cast<unsigned char>(text[i]),
                                                                      static_cast<unsigned char>(text[i + 1]))) *
                     scale;
            width += style.tracking;
        }
    }
    return width;
}

float capHeight(const Font& font, const TextStyle& style) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetCodepointBox(&font.info, 'H', &x0, &y0, &x1, &y1);
    return static_cast<float>(y1) * scaleOf(font, style);
}

InkExtent inkExtent(const Font& font, const std::string& text, const TextStyle& style) {
    int top = 0, bottom = 0;
    for (const char c : text) {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (stbtt_GetCodepointBox(&font.info, static_cast<unsigned char>(c), &x0, &y0, &x1, &y1) != 0) {
            top = std::max(top, y1);
            bottom = std::min(bottom, y0);
        }
    }
    const float scale = scaleOf(font, style);
    return {static_cast<float>(top) * scale, static_cast<float>(-bottom) * scale};
}

TextStyle fittedStyle(const Font& font, const std::string& text, TextStyle style, float width, float height) {
    const InkExtent ink = inkExtent(font, text, style);
    const float tall = ink.above + ink.below;
    const float wide = textWidth(font, text, style);
    float shrink = 1.0f;
    if (tall > height) {
        shrink = height / tall;
    }
    if (wide * shrink > width) {
        // Tracking does not scale with the letters, so shrink the rest a little more.
        const float gaps = style.tracking * static_cast<float>(text.size() > 1 ? text.size() - 1 : 0);
        shrink = std::min(shrink, (width - gaps) / (wide - gaps));
    }
    style.pixelHeight *= shrink;
    return style;
}

float inkCentredBaseline(const Font& font, const std::string& text, const TextStyle& style, float cy) {
    const InkExtent ink = inkExtent(font, text, style);
    return cy + (ink.above - ink.below) * 0.5f;
}

void drawText(Mask& mask, const Font& font, const std::string& text, float x, float baseline, const TextStyle& style) {
    const float scale = scaleOf(font, style);
    const float scaleX = widthScaleOf(font, style);
    const float baseFloor = std::floor(baseline);
    for (size_t i = 0; i < text.size(); ++i) {
        const int code = static_cast<unsigned char>(text[i]);
        const float shiftX = x - std::floor(x);
        const float shiftY = baseline - baseFloor;
        int w = 0, h = 0, xoff = 0, yoff = 0;
        // Outline-less glyphs (the space) come back as an allocated but never rasterised bitmap: skip them.
        unsigned char* bitmap = stbtt_IsGlyphEmpty(&font.info, stbtt_FindGlyphIndex(&font.info, code))
                                    ? nullptr
                                    : stbtt_GetCodepointBitmapSubpixel(&font.info, scaleX, scale, shiftX, shiftY, code,
                                                                       &w, &h, &xoff, &yoff);
        const int left = static_cast<int>(std::floor(x)) + xoff;
        const int top = static_cast<int>(baseFloor) + yoff;
        for (int gy = 0; bitmap != nullptr && gy < h; ++gy) {
            for (int gx = 0; gx < w; ++gx) {
                const int px = left + gx, py = top + gy;
                if (px < 0 || py < 0 || px >= mask.width || py >= mask.height) {
                    continue;
                }
                float& m = mask.at(px, py);
                m = std::max(m, static_cast<float>(bitmap[gy * w + gx]) / 255.0f);
            }
        }
        stbtt_FreeBitmap(bitmap, nullptr);
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&font.info, code, &advance, &bearing);
        x += static_cast<float>(advance) * scaleX + style.tracking;
        if (i + 1 < text.size()) {
            x += static_cast<float>(
                     stbtt_GetCodepointKernAdvance(&font.info, code, static_cast<unsigned char>(text[i + 1]))) *
                 scaleX;
        }
    }
}

void drawTextCentred(Mask& mask, const Font& font, const std::string& text, float cx, float cy,
                     const TextStyle& style) {
    drawText(mask, font, text, cx - textWidth(font, text, style) * 0.5f, cy + capHeight(font, style) * 0.5f, style);
}

Mask sheared(const Mask& mask, float slope, float pivotY) {
    Mask out(mask.width, mask.height);
    for (int y = 0; y < mask.height; ++y) {
        const float shift = (pivotY - static_cast<float>(y)) * slope;
        const float whole = std::floor(shift);
        const float frac = shift - whole;
        for (int x = 0; x < mask.width; ++x) {
            const int sx = x - static_cast<int>(whole);
            out.at(x, y) = mask.sample(sx, y) * (1.0f - frac) + mask.sample(sx - 1, y) * frac;
        }
    }
    return out;
}
