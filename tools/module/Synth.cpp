#include "Synth.h"

#include <algorithm>
#include <cmath>

float Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(static_cast<double>(state) / 2147483648.0 - 1.0);
}

float OnePole::lowpass(float input) {
    memory += coefficient * (input - memory);
    return memory;
}

float OnePole::highpass(float input) { return input - lowpass(input); }

OnePole onePole(double cutoffHz, double rate) {
    OnePole filter;
    filter.coefficient = static_cast<float>(1.0 - std::exp(-TWO_PI * cutoffHz / rate));
    return filter;
}

float StateVariable::bandpass(float input, double cutoffHz, double rate, float damping) {
    const float f = static_cast<float>(2.0 * std::sin(3.141592653589793 * std::min(cutoffHz / rate, 0.2)));
    low += f * band;
    const float high = input - low - damping * band;
    band += f * high;
    return band;
}

int loopLengthFor(double hz, double rate, int minLength) {
    int best = minLength + (minLength & 1);
    double bestError = 1.0;
    for (int length = best; length < minLength + minLength / 2; length += 2) {
        const double cycles = length * hz / rate;
        const double error = std::fabs(cycles - std::round(cycles)) / cycles;
        if (error < bestError) {
            bestError = error;
            best = length;
        }
    }
    return best;
}

double fitToLoop(double hz, double rate, int loopLength) {
    const double cycles = std::max(1.0, std::round(loopLength * hz / rate));
    return cycles * rate / loopLength;
}

void addHarmonics(std::vector<float>& out, double rate, double hz, double phase, double freezeAt,
                  const HarmonicShape& shape, const Envelope& gain) {
    const int harmonics = static_cast<int>(rate * 0.45 / hz);
    if (harmonics < 1) {
        return;
    }
    std::vector<double> amplitude(static_cast<size_t>(harmonics) + 1, 0.0);
    double cachedTime = -1.0;
    for (size_t n = 0; n < out.size(); ++n) {
        const double seconds = static_cast<double>(n) / rate;
        const double t = std::min(seconds, freezeAt);
        if (t != cachedTime) {
            for (int h = 1; h <= harmonics; ++h) {
                amplitude[static_cast<size_t>(h)] = shape(h, h * hz, t);
            }
            cachedTime = t;
        }
        // sin(h x) by the Chebyshev recurrence: two multiplies per harmonic.
        const double x = std::fmod(TWO_PI * hz * static_cast<double>(n) / rate, TWO_PI) + phase;
        const double twoCos = 2.0 * std::cos(x);
        double previous = 0.0;
        double current = std::sin(x);
        double sum = 0.0;
        for (int h = 1; h <= harmonics; ++h) {
            sum += amplitude[static_cast<size_t>(h)] * current;
            const double next = twoCos * current - previous;
            previous = current;
            current = next;
        }
        out[n] += static_cast<float>(sum * gain(seconds));
    }
}

void saturate(std::vector<float>& frames, double drive) {
    float peak = 1e-9f;
    for (float v : frames) {
        peak = std::max(peak, std::fabs(v));
    }
    const double scale = 1.0 / std::tanh(drive);
    for (float& v : frames) {
        v = static_cast<float>(std::tanh(drive * v / peak) * scale);
    }
}

std::vector<int8_t> toBytes(const std::vector<float>& frames) {
    float peak = 1e-9f;
    for (float v : frames) {
        peak = std::max(peak, std::fabs(v));
    }
    std::vector<int8_t> bytes(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        bytes[i] = static_cast<int8_t>(std::lround(frames[i] / peak * 126.0f));
    }
    return bytes;
}
