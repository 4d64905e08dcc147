#include "Noise.h"

#include <cmath>
#include <cstdint>

float hash2(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
                 static_cast<uint32_t>(seed) * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) / 16777216.0f;
}

float valueNoise(float x, float y, int seed, int period) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    int x0 = static_cast<int>(fx);
    int y0 = static_cast<int>(fy);
    int x1 = x0 + 1;
    int y1 = y0 + 1;
    if (period > 0) {
        auto wrap = [period](int v) { return ((v % period) + period) % period; };
        x0 = wrap(x0), x1 = wrap(x1), y0 = wrap(y0), y1 = wrap(y1);
    }
    auto smooth = [](float t) { return t * t * (3.0f - 2.0f * t); };
    const float tx = smooth(x - fx);
    const float ty = smooth(y - fy);
    const float a = hash2(x0, y0, seed) + (hash2(x1, y0, seed) - hash2(x0, y0, seed)) * tx;
    const float b = hash2(x0, y1, seed) + (hash2(x1, y1, seed) - hash2(x0, y1, seed)) * tx;
    return a + (b - a) * ty;
}

float fbm(float x, float y, int seed, int octaves, int period) {
    float sum = 0.0f;
    float amplitude = 0.5f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + i * 101, period) * amplitude;
        total += amplitude;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
        amplitude *= 0.5f;
    }
    return sum / total;
}
