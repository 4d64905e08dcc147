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
    constexpr size_t BLOCK = 32;  // frames between two evaluations of the shape
    const int harmonics = static_cast<int>(rate * 0.45 / hz);
    if (harmonics < 1) {
        return;
    }
    const auto amplitudesAt = [&](size_t frame, std::vector<double>& amplitudes) {
        const double t = std::min(static_cast<double>(frame) / rate, freezeAt);
        for (int h = 1; h <= harmonics; ++h) {
            amplitudes[static_cast<size_t>(h)] = shape(h, h * hz, t);
        }
    };
    // The shape is interpolated between block edges; the frame where it freezes is an edge, so
    // everything after it (a loop) repeats exactly.
    const size_t freezeFrame = freezeAt * rate < static_cast<double>(out.size())
                                   ? static_cast<size_t>(std::llround(freezeAt * rate))
                                   : out.size();
    std::vector<double> from(static_cast<size_t>(harmonics) + 1, 0.0), to = from;
    size_t blockStart = 0, blockEnd = 0;
    for (size_t n = 0; n < out.size(); ++n) {
        if (n == blockEnd) {
            blockStart = n;
            blockEnd = n < freezeFrame ? std::min(n + BLOCK, freezeFrame) : out.size();
            amplitudesAt(blockStart, from);
            amplitudesAt(blockEnd, to);
        }
        const double w = static_cast<double>(n - blockStart) / static_cast<double>(blockEnd - blockStart);
        // sin(h x) by the Chebyshev recurrence: two multiplies per harmonic.
        const double x = std::fmod(TWO_PI * hz * static_cast<double>(n) / rate, TWO_PI) + phase;
        const double twoCos = 2.0 * std::cos(x);
        double previous = 0.0;
        double current = std::sin(x);
        double sum = 0.0;
        for (size_t h = 1; h <= static_cast<size_t>(harmonics); ++h) {
            sum += (from[h] + w * (to[h] - from[h])) * current;
            const double next = twoCos * current - previous;
            previous = current;
            current = next;
        }
        out[n] += static_cast<float>(sum * gain(static_cast<double>(n) / rate));
    }
}

Rendered decimate(const Rendered& high, int factor) {
    constexpr int HALF_WIDTH = 32;  // filter taps on each side, in frames of the lower rate
    const int span = HALF_WIDTH * factor;
    const double cutoff = 0.47 / factor;  // cycles a frame at the high rate
    std::vector<double> taps(static_cast<size_t>(2 * span + 1));
    double total = 0.0;
    for (int k = -span; k <= span; ++k) {
        const double sinc = k == 0 ? 2.0 * cutoff : std::sin(TWO_PI * cutoff * k) / (3.141592653589793 * k);
        const double x = 3.141592653589793 * k / span;
        const double window = 0.42 + 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);  // Blackman
        taps[static_cast<size_t>(k + span)] = sinc * window;
        total += sinc * window;
    }
    Rendered out{high.rate / factor, std::vector<float>(high.frames.size() / static_cast<size_t>(factor), 0.0f),
                 high.loopStart / factor, high.loopLength / factor};
    const long size = static_cast<long>(high.frames.size());
    const long loopBegin = high.loopStart, loopEnd = high.loopStart + high.loopLength;
    for (size_t n = 0; n < out.frames.size(); ++n) {
        const bool inLoop = high.loopLength > 0 && static_cast<long>(n) >= out.loopStart;
        double sum = 0.0;
        for (int k = -span; k <= span; ++k) {
            long i = static_cast<long>(n) * factor - k;
            // A loop repeats for ever: the filter reads it around, before its start and past its end.
            if (high.loopLength > 0 && (inLoop || i >= loopEnd)) {
                i = loopBegin + ((i - loopBegin) % high.loopLength + high.loopLength) % high.loopLength;
            }
            if (i >= 0 && i < size) {
                sum += taps[static_cast<size_t>(k + span)] * high.frames[static_cast<size_t>(i)];
            }
        }
        out.frames[n] = static_cast<float>(sum / total);
    }
    return out;
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
