// The soundtrack as a listener gets it: mixed by libmodplug with the show's settings, it must
// not clip, sit at a sensible loudness, carry no DC and never drop out except where intended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>

#include "module_playback.h"

namespace {

constexpr double RATE = 44100.0;
constexpr int ORDERS = 28;
constexpr double PI = 3.141592653589793;

struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The two K-weighting stages of ITU-R BS.1770 (a high shelf, then a high-pass), designed for 44.1 kHz.
Biquad shelf() {
    const double k = std::tan(PI * 1681.974450955533 / RATE), q = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

Biquad highPass() {
    const double k = std::tan(PI * 38.13547087602444 / RATE), q = 0.5003270373238773;
    const double a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// Integrated loudness (EBU R128): 400 ms blocks every 100 ms, gated at -70 LUFS and 10 LU below.
double integratedLoudness(const std::vector<int16_t>& stereo) {
    const size_t frames = stereo.size() / 2;
    std::vector<double> power(frames, 0.0);
    for (int channel = 0; channel < 2; ++channel) {
        Biquad first = shelf(), second = highPass();
        for (size_t i = 0; i < frames; ++i) {
            const double y = second.run(first.run(stereo[2 * i + channel] / 32768.0));
            power[i] += y * y;
        }
    }
    const size_t block = static_cast<size_t>(0.4 * RATE), hop = block / 4;
    std::vector<double> blocks;
    for (size_t start = 0; start + block <= frames; start += hop) {
        double sum = 0.0;
        for (size_t i = start; i < start + block; ++i)
            sum += power[i];
        blocks.push_back(sum / block);
    }
    const auto loudness = [](double meanSquare) { return -0.691 + 10.0 * std::log10(meanSquare); };
    const auto gatedMean = [&blocks, &loudness](double gate) {
        double sum = 0.0;
        int count = 0;
        for (double z : blocks)
            if (loudness(z) > gate) {
                sum += z;
                ++count;
            }
        return count ? sum / count : 1e-20;
    };
    return loudness(gatedMean(loudness(gatedMean(-70.0)) - 10.0));
}

const std::vector<int16_t>& audio() {
    static const std::vector<int16_t> stereo = renderStereo();
    return stereo;
}

// Start of order 27, row 32: the last chord, fading out with the picture.
double endingSeconds() {
    for (const PlayedRow& row : playRows())
        if (row.music.order == 27 && row.music.row == 32)
            return row.startSeconds;
    return -1.0;
}

double decibels(double meanSquare) { return 10.0 * std::log10(std::max(meanSquare, 1e-20)); }

}  // namespace

TEST(ModuleSound, PlaysForMinutesWithoutReachingFullScale) {
    ASSERT_GT(audio().size(), static_cast<size_t>(120 * RATE * 2));
    int peak = 0;
    for (int16_t value : audio())
        peak = std::max(peak, std::abs(static_cast<int>(value)));
    std::cout << "peak " << 20.0 * std::log10(peak / 32768.0) << " dBFS\n";
    EXPECT_LT(peak, 32767);
}

// Loud enough beside other music, with the headroom that lets the drums stand above the rest.
TEST(ModuleSound, IntegratedLoudnessIsBetweenMinus19AndMinus16Lufs) {
    const double lufs = integratedLoudness(audio());
    std::cout << "integrated loudness " << lufs << " LUFS\n";
    EXPECT_GE(lufs, -19.0);
    EXPECT_LE(lufs, -16.0);
}

TEST(ModuleSound, LoudnessMeterReadsAKnownTone) {
    // A 1 kHz sine peaking at -20 dBFS in both channels reads -20 LUFS: the meter's -0.691 offset
    // cancels the K-weighting's gain at 1 kHz.
    std::vector<int16_t> tone(static_cast<size_t>(5 * RATE) * 2);
    for (size_t i = 0; i < tone.size() / 2; ++i)
        tone[2 * i] = tone[2 * i + 1] =
            static_cast<int16_t>(std::lround(3276.8 * std::sin(2.0 * PI * 1000.0 * static_cast<double>(i) / RATE)));
    EXPECT_NEAR(integratedLoudness(tone), -20.0, 0.2);
}

TEST(ModuleSound, HasNoDcOffset) {
    for (int channel = 0; channel < 2; ++channel) {
        double sum = 0.0;
        for (size_t i = static_cast<size_t>(channel); i < audio().size(); i += 2)
            sum += audio()[i];
        EXPECT_LT(std::fabs(sum / (audio().size() / 2) / 32768.0), 0.001) << "channel " << channel;
    }
}

TEST(ModuleSound, NeverFallsSilentBeforeTheFinalFade) {
    const double ending = endingSeconds();
    ASSERT_GT(ending, 0.0);
    const size_t window = static_cast<size_t>(0.05 * RATE);
    const size_t frames = audio().size() / 2;
    for (size_t start = 0; start + window <= frames; start += window) {
        const double seconds = start / RATE;
        if (seconds >= ending)
            break;
        double sum = 0.0;
        for (size_t i = start * 2; i < (start + window) * 2; ++i)
            sum += static_cast<double>(audio()[i]) * audio()[i];
        const double level = decibels(sum / (window * 2) / (32768.0 * 32768.0));
        EXPECT_GT(level, -50.0) << "near silence at " << seconds << " s";
    }
}

TEST(ModuleSound, EveryOrderReachesFromBassToTreble) {
    // Each section should reach from the bass to the hats: neither band 40 dB under the whole.
    const std::vector<PlayedRow> rows = playRows();
    std::vector<double> orderStart(ORDERS + 1, -1.0);
    for (const PlayedRow& row : rows)
        if (row.music.order < ORDERS && orderStart[row.music.order] < 0)
            orderStart[row.music.order] = row.startSeconds;
    orderStart[ORDERS] = rows.back().startSeconds;
    Biquad low{}, high{};
    {  // second-order Butterworth low-pass at 200 Hz and high-pass at 5 kHz
        const double k = std::tan(PI * 200.0 / RATE), norm = 1.0 / (1.0 + std::sqrt(2.0) * k + k * k);
        low = {k * k * norm, 2.0 * k * k * norm, k * k * norm, 2.0 * (k * k - 1.0) * norm,
               (1.0 - std::sqrt(2.0) * k + k * k) * norm};
        const double h = std::tan(PI * 5000.0 / RATE), hn = 1.0 / (1.0 + std::sqrt(2.0) * h + h * h);
        high = {hn, -2.0 * hn, hn, 2.0 * (h * h - 1.0) * hn, (1.0 - std::sqrt(2.0) * h + h * h) * hn};
    }
    size_t frame = 0;
    for (int order = 0; order < ORDERS; ++order) {
        double all = 0.0, lows = 0.0, highs = 0.0;
        const size_t end = static_cast<size_t>(orderStart[order + 1] * RATE);
        const size_t count = end - frame;
        for (; frame < end; ++frame) {
            const double mono = (audio()[2 * frame] + audio()[2 * frame + 1]) / 65536.0;
            const double l = low.run(mono), h = high.run(mono);
            all += mono * mono;
            lows += l * l;
            highs += h * h;
        }
        std::cout << "order " << order << ": " << decibels(all / count) << " dB, lows " << decibels(lows / count)
                  << ", highs " << decibels(highs / count) << "\n";
        EXPECT_GT(decibels(lows), decibels(all) - 40.0) << "order " << order << " has no bass";
        EXPECT_GT(decibels(highs), decibels(all) - 40.0) << "order " << order << " has no top";
    }
}
