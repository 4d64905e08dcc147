#pragma once
#include <string>
#include <vector>

// The performance targets the benchmarks are measured against.
constexpr double FRAME_TARGET = 2.0;        // a scene's frame / a textured full-screen quad
constexpr double LAYER_TARGET = 1.6;        // one effect layer alone / the same quad
constexpr double OBJ_PARSE_TARGET = 1.0;    // our OBJ parser / tinyobjloader, same file
constexpr double STARTUP_MS_TARGET = 300;   // start-up to the first frame, pre-roll excluded
constexpr double FIRST_FRAME_TARGET = 2.0;  // a scene's first frame / the median of the frames after it

// The middle value (the upper one of an even count); the values must not be empty.
double medianOf(std::vector<double> values);

// One line: the figure, its target and "met" or "missed".
void printVerdict(const std::string& label, double value, double target);

// A ratio of two benchmarks' mean real times from the same run, with the most it may be.
struct BenchRatio {
    std::string label;
    std::string numerator;    // benchmark name, as printed
    std::string denominator;  // benchmark name, as printed
    double target;            // the ratio meets its target at or below this
};

// A counter that a benchmark reports itself (a ratio measured inside its own loop), with the
// most it may be.
struct BenchCounterTarget {
    std::string label;
    std::string benchmark;  // benchmark name, as printed
    std::string counter;
    double target;
};

// Runs the registered benchmarks (honouring the usual --benchmark_* flags), then prints
// each ratio with its target ("not measured" where a filter left one side out). Benchmarks
// report, they do not gate: the result is always 0.
int runBenchmarksWithRatios(int argc, char** argv, const std::vector<BenchRatio>& ratios,
                            const std::vector<BenchCounterTarget>& counters = {});
