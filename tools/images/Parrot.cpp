// Scarlet macaw perched on a branch, as six-colour pixel art lit by a cyan neon rim.
#include "Pictures.h"
#include "PixelArt.h"
#include "Shapes.h"

#include <cstdio>

namespace {

constexpr int SCALE = 4;
constexpr int LOW_W = 844 / SCALE;
constexpr int LOW_H = 1020 / SCALE;

const Color DARK = rgb(0x1b0b2e);
const Color RED = rgb(0xe8173c);
const Color YELLOW = rgb(0xffd23f);
const Color BLUE = rgb(0x2a5cff);
const Color CYAN = rgb(0x2fe3ff);
const Color WHITE = rgb(0xf6f2ff);

bool opaqueAt(const Canvas& c, int x, int y) {
    return x >= 0 && y >= 0 && x < c.width && y < c.height && c.at(x, y).a > 0.5f;
}

void branch(Canvas& low) {
    Mask wood(LOW_W, LOW_H);
    strokePolyline(wood, quadraticCurve({-4.0f, 206.0f}, {100.0f, 188.0f}, {215.0f, 196.0f}, 24), 13.0f, 9.0f);
    strokePolyline(wood, quadraticCurve({150.0f, 192.0f}, {175.0f, 206.0f}, {200.0f, 228.0f}, 8), 6.0f, 3.0f);
    stamp(low, wood, DARK);
    Mask bark(LOW_W, LOW_H);
    strokePolyline(bark, quadraticCurve({-4.0f, 207.0f}, {100.0f, 189.0f}, {215.0f, 197.0f}, 24), 5.0f, 3.0f);
    stamp(low, bark, BLUE);
    Mask shine(LOW_W, LOW_H);
    strokePolyline(shine, quadraticCurve({0.0f, 202.0f}, {100.0f, 184.0f}, {211.0f, 192.0f}, 24), 1.2f, 1.2f);
    stamp(low, shine, CYAN);
}

void tail(Canvas& low) {
    Mask outer(LOW_W, LOW_H);
    strokePolyline(outer, quadraticCurve({104.0f, 166.0f}, {80.0f, 215.0f}, {50.0f, 254.0f}, 16), 30.0f, 10.0f);
    stamp(low, outer, BLUE);
    Mask inner(LOW_W, LOW_H);
    strokePolyline(inner, quadraticCurve({106.0f, 164.0f}, {84.0f, 205.0f}, {60.0f, 236.0f}, 16), 18.0f, 4.0f);
    stamp(low, inner, RED);
}

void bodyAndHead(Canvas& low) {
    Mask body(LOW_W, LOW_H);
    fillEllipse(body, {114.0f, 128.0f}, 36.0f, 60.0f, -0.32f);
    fillCircle(body, {134.0f, 62.0f}, 28.0f);
    strokePolyline(body, {{122.0f, 70.0f}, {118.0f, 96.0f}}, 34.0f, 40.0f);
    stamp(low, body, RED);
    // Neon rim light from the right: cyan where the red meets the night, dithered inwards.
    const Canvas before = low;
    for (int y = 0; y < LOW_H; ++y) {
        for (int x = 0; x < LOW_W; ++x) {
            if (body.at(x, y) < 0.5f) {
                continue;
            }
            if (!opaqueAt(before, x + 1, y) || body.sample(x + 1, y) < 0.5f) {
                low.at(x, y) = CYAN;
            } else if ((body.sample(x + 3, y) < 0.5f) && ((x + y) & 1) == 0) {
                low.at(x, y) = CYAN;
            }
        }
    }
}

void wing(Canvas& low) {
    const std::vector<Point> outlinePoints = {{104.0f, 84.0f},  {132.0f, 92.0f},  {142.0f, 118.0f},
                                              {134.0f, 150.0f}, {116.0f, 182.0f}, {92.0f, 212.0f},
                                              {80.0f, 214.0f},  {82.0f, 180.0f},  {90.0f, 128.0f}};
    Mask shape(LOW_W, LOW_H);
    fillPolygon(shape, outlinePoints);
    const std::vector<Color> bands = {RED, RED, YELLOW, YELLOW, CYAN, BLUE, BLUE, BLUE};
    stamp(low, shape, [&](int x, int y) {
        // Bands run from the shoulder (top right) to the flight feathers (bottom left).
        const float t = (static_cast<float>(y) - 84.0f + (140.0f - static_cast<float>(x)) * 0.25f) / 150.0f;
        return ditheredRamp(bands, t, x, y);
    });
    // Feather separations over the lower wing.
    Mask feathers(LOW_W, LOW_H);
    for (int i = 0; i < 5; ++i) {
        const float f = static_cast<float>(i);
        strokePolyline(feathers,
                       quadraticCurve({128.0f - f * 7.0f, 132.0f + f * 4.0f}, {112.0f - f * 6.0f, 170.0f + f * 4.0f},
                                      {90.0f - f * 2.0f, 204.0f + f * 2.0f}, 8),
                       1.0f, 1.0f);
    }
    stamp(low, feathers, DARK);
    Mask scallops(LOW_W, LOW_H);
    for (int i = 0; i < 4; ++i) {
        const float f = static_cast<float>(i);
        strokePolyline(scallops,
                       quadraticCurve({96.0f + f * 2.0f, 108.0f + f * 12.0f}, {116.0f, 116.0f + f * 14.0f},
                                      {136.0f - f * 2.0f, 106.0f + f * 12.0f}, 8),
                       1.0f, 1.0f);
    }
    stamp(low, scallops, DARK);
}

void face(Canvas& low) {
    Mask patch(LOW_W, LOW_H);
    fillEllipse(patch, {148.0f, 62.0f}, 15.0f, 13.0f, 0.3f);
    stamp(low, patch, WHITE);
    Mask lines(LOW_W, LOW_H);
    for (int i = 0; i < 3; ++i) {
        const float f = static_cast<float>(i);
        strokePolyline(lines, {{142.0f + f * 3.0f, 66.0f + f * 2.0f}, {149.0f + f * 3.0f, 67.0f + f * 2.0f}}, 1.0f,
                       1.0f);
    }
    stamp(low, lines, RED);
    Mask ring(LOW_W, LOW_H);
    fillCircle(ring, {150.0f, 56.0f}, 4.5f);
    stamp(low, ring, YELLOW);
    Mask pupil(LOW_W, LOW_H);
    fillCircle(pupil, {151.0f, 56.0f}, 2.6f);
    stamp(low, pupil, DARK);
    low.at(150, 55) = WHITE;
    Mask upper(LOW_W, LOW_H);
    fillPolygon(upper, {{157.0f, 44.0f},
                        {170.0f, 43.0f},
                        {180.0f, 50.0f},
                        {186.0f, 62.0f},
                        {186.0f, 76.0f},
                        {181.0f, 90.0f},
                        {177.0f, 78.0f},
                        {171.0f, 68.0f},
                        {160.0f, 70.0f}});
    stamp(low, upper, WHITE);
    Mask lower(LOW_W, LOW_H);
    fillPolygon(lower, {{160.0f, 70.0f}, {172.0f, 69.0f}, {176.0f, 80.0f}, {167.0f, 86.0f}, {158.0f, 80.0f}});
    stamp(low, lower, DARK);
    Mask shine(LOW_W, LOW_H);
    strokePolyline(shine, quadraticCurve({124.0f, 40.0f}, {132.0f, 36.0f}, {140.0f, 38.0f}, 6), 2.0f, 1.0f);
    stamp(low, shine, WHITE);
}

void feet(Canvas& low) {
    Mask toes(LOW_W, LOW_H);
    for (float x : {106.0f, 114.0f, 124.0f, 132.0f}) {
        fillEllipse(toes, {x, 189.0f}, 4.0f, 6.0f, 0.0f);
    }
    stamp(low, toes, DARK);
    Mask nails(LOW_W, LOW_H);
    for (float x : {106.0f, 114.0f, 124.0f, 132.0f}) {
        fillRect(nails, x - 1.0f, 193.0f, x + 1.0f, 196.0f);
    }
    stamp(low, nails, WHITE);
}

}  // namespace

bool makeParrot(const std::string& dir) {
    Canvas low(LOW_W, LOW_H, Color{0, 0, 0, 0});
    tail(low);
    bodyAndHead(low);
    wing(low);
    face(low);
    branch(low);
    feet(low);
    outline(low, DARK);
    const int colours = countColours(low);
    if (colours > 6) {
        std::fprintf(stderr, "parrot uses %d colours\n", colours);
        return false;
    }
    return savePng(upscaled(low, SCALE), dir + "/papagayo_6c.png", false);
}
