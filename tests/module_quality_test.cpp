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

double lufs(double meanSquare) { return -0.691 + 10.0 * std::log10(std::max(meanSquare, 1e-20)); }

// Momentary loudness (EBU R128): the K-weighted mean square of 400 ms blocks every 100 ms; block i
// ends 0.4 + 0.1 i seconds into the sound.
std::vector<double> momentaryBlocks(const std::vector<int16_t>& stereo) {
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
    return blocks;
}

// Integrated loudness: the momentary blocks gated at -70 LUFS and 10 LU below their mean.
double integratedLoudness(const std::vector<int16_t>& stereo) {
    const std::vector<double> blocks = momentaryBlocks(stereo);
    const auto gatedMean = [&blocks](double gate) {
        double sum = 0.0;
        int count = 0;
        for (double z : blocks)
            if (lufs(z) > gate) {
                sum += z;
                ++count;
            }
        return count ? sum / count : 1e-20;
    };
    return lufs(gatedMean(lufs(gatedMean(-70.0)) - 10.0));
}

const std::vector<int16_t>& audio() {
    static const std::vector<int16_t> stereo = renderStereo();
    return stereo;
}

const std::vector<double>& momentary() {
    static const std::vector<double> blocks = momentaryBlocks(audio());
    return blocks;
}

// The mean and the loudest of the momentary readings that end in (from, to], in LUFS.
std::pair<double, double> momentaryBetween(double from, double to) {
    double sum = 0.0, loudest = -200.0;
    int count = 0;
    for (size_t i = 0; i < momentary().size(); ++i) {
        const double end = 0.4 + 0.1 * static_cast<double>(i);
        if (end > from + 1e-6 && end <= to + 1e-6) {
            sum += lufs(momentary()[i]);
            loudest = std::max(loudest, lufs(momentary()[i]));
            ++count;
        }
    }
    return {count ? sum / count : -200.0, loudest};
}

// When a row of the song starts; -1 when it is never played.
double rowStartSeconds(int order, int row) {
    static const std::vector<PlayedRow> rows = playRows();
    for (const PlayedRow& played : rows)
        if (played.music.order == order && played.music.row == row)
            return played.startSeconds;
    return -1.0;
}

double decibels(double meanSquare) { return 10.0 * std::log10(std::max(meanSquare, 1e-20)); }

// A second-order Butterworth low-pass.
Biquad lowPass(double hz) {
    const double k = std::tan(PI * hz / RATE), norm = 1.0 / (1.0 + std::sqrt(2.0) * k + k * k);
    return {k * k * norm, 2.0 * k * k * norm, k * k * norm, 2.0 * (k * k - 1.0) * norm,
            (1.0 - std::sqrt(2.0) * k + k * k) * norm};
}

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
    const double ending = rowStartSeconds(27, 32);  // the last chord, fading out with the picture
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
    Biquad low = lowPass(200.0), high{};
    {  // second-order Butterworth high-pass at 5 kHz
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

TEST(ModuleSound, EverySceneChangeLandsAndTheShatterHits) {
    // The second after each scene change is at least 4 LU louder than the second before it (the
    // emptied half bar or the breath, then the hit), and the shatter's hit is as loud as the song gets.
    for (int order : {5, 8, 15, 17, 23, 25}) {
        const double start = rowStartSeconds(order, 0);
        ASSERT_GT(start, 0.0) << "order " << order;
        const auto [before, quiet] = momentaryBetween(start - 1.0, start);
        const auto [after, hit] = momentaryBetween(start, start + 1.0);
        std::cout << "order " << order << ": " << before << " then " << after << " LUFS, hit " << hit << "\n";
        EXPECT_GE(after - before, 4.0) << "order " << order << " does not land";
        if (order == 15) {
            EXPECT_GE(hit, -13.5) << "the shatter's hit";
        }
    }
}

TEST(ModuleSound, TheLowEndIsInTheMiddle) {
    // Pads, arpeggios and echoes are spread left and right, but what lies under 150 Hz (kick, bass,
    // the pads' roots) sits in the middle: the side signal at least 25 dB under the mid there.
    Biquad midLow[2] = {lowPass(150.0), lowPass(150.0)}, sideLow[2] = {lowPass(150.0), lowPass(150.0)};
    double mid = 0.0, side = 0.0;
    for (size_t i = 0; i + 1 < audio().size(); i += 2) {
        const double left = audio()[i] / 32768.0, right = audio()[i + 1] / 32768.0;
        const double m = midLow[1].run(midLow[0].run((left + right) / 2.0));
        const double s = sideLow[1].run(sideLow[0].run((left - right) / 2.0));
        mid += m * m;
        side += s * s;
    }
    std::cout << "side under mid below 150 Hz: " << decibels(mid) - decibels(side) << " dB\n";
    EXPECT_GE(decibels(mid) - decibels(side), 25.0);
}
