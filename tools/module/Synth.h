#pragma once
// Sound building blocks for the module's samples: everything is rendered in
// floating point at the rate a sample will be played at, then quantised to 8 bits.
#include <cstdint>
#include <functional>
#include <vector>

constexpr double TWO_PI = 6.283185307179586;

// Deterministic white noise so every run writes the same bytes.
struct Noise {
    uint32_t state;
    float next();  // uniform in [-1, 1)
};

// One-pole filters, enough for drums and noise shaping.
struct OnePole {
    float coefficient = 0.0f;
    float memory = 0.0f;
    float lowpass(float input);
    float highpass(float input);
};
OnePole onePole(double cutoffHz, double rate);

// Two-pole resonant band-pass (state variable), used for sweeps.
struct StateVariable {
    float low = 0.0f;
    float band = 0.0f;
    float bandpass(float input, double cutoffHz, double rate, float damping);
};

// A sound with a sustained part: samples [loopStart, loopStart + loopLength)
// repeat seamlessly; loopLength 0 means a one-shot.
struct Rendered {
    double rate = 0.0;
    std::vector<float> frames;
    int loopStart = 0;
    int loopLength = 0;
};

// Loop length (even) holding a whole number of cycles of hz, close to minLength.
int loopLengthFor(double hz, double rate, int minLength);
// Frequency moved to a whole number of cycles over loopLength samples.
double fitToLoop(double hz, double rate, int loopLength);

// Adds a band-limited harmonic tone (harmonics up to 0.45 of the rate) with
// amplitude shape(h, h * hz, t) * gain(t); the shape's t stops at freezeAt so a loop stays periodic
// (gain must stop changing there too). The shape is evaluated every 32 frames and interpolated.
using HarmonicShape = std::function<double(int harmonic, double hz, double seconds)>;
using Envelope = std::function<double(double seconds)>;
void addHarmonics(std::vector<float>& out, double rate, double hz, double phase, double freezeAt,
                  const HarmonicShape& shape, const Envelope& gain);

// A sound rendered at factor times its rate, filtered and brought down to the rate: what lay
// above the lower rate's band is removed rather than folded into it. Loop points are divided by
// factor (they must divide), and the loop still joins: the filter reads it around.
Rendered decimate(const Rendered& high, int factor);

// Normalises to a peak of 1 and bends through tanh: a fuller sound at the same peak.
void saturate(std::vector<float>& frames, double drive);

// Scales to a peak of 126 and rounds to signed bytes.
std::vector<int8_t> toBytes(const std::vector<float>& frames);
