#include "capture/LabelFont.h"

#include <cmath>
#include <vector>

#include <stb_truetype.h>

#include "base/FileBytes.h"

// A font file is a few hundred kilobytes; anything far larger is not the font asked for.
constexpr uint64_t MAX_FONT_BYTES = 32u << 20;

struct LabelFontData {
    std::string bytes;
    stbtt_fontinfo info{};
    float scale = 0.0f;
    int ascent = 0;
};

bool loadLabelFont(LabelFont& font, const std::string& path, int32_t pixelHeight, std::string& error) {
    auto data = std::make_shared<LabelFontData>();
    uint64_t size = 0;
    if (readFileBytes(path, MAX_FONT_BYTES, data->bytes, size) != FileRead::Read || data->bytes.empty() ||
        stbtt_InitFont(&data->info, reinterpret_cast<const unsigned char*>(data->bytes.data()), 0) == 0) {
        error = "cannot read the label font " + path + " (Debian package fonts-dejavu-core)";
        return false;
    }
    data->scale = stbtt_ScaleForPixelHeight(&data->info, static_cast<float>(pixelHeight));
    int descent = 0;
    int lineGap = 0;
    stbtt_GetFontVMetrics(&data->info, &data->ascent, &descent, &lineGap);
    font.data = data;
    font.pixelHeight = pixelHeight;
    return true;
}

namespace {

// Calls `glyph(codepoint, penX)` for each character, advancing by the font's metrics and kerning.
template <typename GlyphFunction>
float layOutLine(const LabelFontData& data, const std::string& text, GlyphFunction glyph) {
    float penX = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        int codepoint = static_cast<unsigned char>(text[i]);
        glyph(codepoint, penX);
        int advance = 0;
        int bearing = 0;
        stbtt_GetCodepointHMetrics(&data.info, codepoint, &advance, &bearing);
        penX += static_cast<float>(advance) * data.scale;
        if (i + 1 < text.size()) {
            int next = static_cast<unsigned char>(text[i + 1]);
            penX += static_cast<float>(stbtt_GetCodepointKernAdvance(&data.info, codepoint, next)) * data.scale;
        }
    }
    return penX;
}

}  // namespace

int32_t labelWidth(const LabelFont& font, const std::string& text) {
    return static_cast<int32_t>(std::ceil(layOutLine(*font.data, text, [](int, float) {})));
}

void drawLabel(FrameImage& image, const LabelFont& font, const std::string& text, int32_t x, int32_t y,
               uint32_t rgbColour) {
    const LabelFontData& data = *font.data;
    const int baseline = y + static_cast<int>(std::lround(static_cast<float>(data.ascent) * data.scale));
    const uint8_t colour[3] = {static_cast<uint8_t>(rgbColour >> 16), static_cast<uint8_t>(rgbColour >> 8),
                               static_cast<uint8_t>(rgbColour)};
    std::vector<unsigned char> coverage;
    layOutLine(data, text, [&](int codepoint, float penX) {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        stbtt_GetCodepointBitmapBox(&data.info, codepoint, data.scale, data.scale, &left, &top, &right, &bottom);
        int width = right - left;
        int height = bottom - top;
        if (width <= 0 || height <= 0) {
            return;
        }
        coverage.assign(static_cast<size_t>(width) * height, 0);
        stbtt_MakeCodepointBitmap(&data.info, coverage.data(), width, height, width, data.scale, data.scale, codepoint);
        int originX = x + static_cast<int>(std::lround(penX)) + left;
        int originY = baseline + top;
        for (int row = 0; row < height; ++row) {
            int py = originY + row;
            if (py < 0 || py >= image.height) {
                continue;
            }
            for (int column = 0; column < width; ++column) {
                int px = originX + column;
                unsigned alpha = coverage[static_cast<size_t>(row) * width + column];
                if (px < 0 || px >= image.width || alpha == 0) {
                    continue;
                }
                uint8_t* pixel = &image.rgb[(static_cast<size_t>(py) * image.width + px) * 3];
                for (int c = 0; c < 3; ++c) {
                    pixel[c] = static_cast<uint8_t>((colour[c] * alpha + pixel[c] * (255 - alpha) + 127) / 255);
                }
            }
        }
    });
}
