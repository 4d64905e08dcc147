#include "ModelTextures.h"

#include <algorithm>

void paintBand(Canvas& canvas, int top, const std::function<Color(float, float)>& colorAt) {
    for (int row = 0; row < atlas::BAND_ROWS; ++row) {
        for (int x = 0; x < canvas.width; ++x) {
            const float along = static_cast<float>(row) / static_cast<float>(atlas::BAND_ROWS - 1);
            const float turn = (static_cast<float>(x) + 0.5f) / static_cast<float>(canvas.width);
            const Color c = colorAt(along, turn);
            const float light = atlas::bakedLight(turn);
            canvas.at(x, top + row) =
                Color{std::min(1.0f, c.r * light), std::min(1.0f, c.g * light), std::min(1.0f, c.b * light), 1.0f};
        }
    }
}
