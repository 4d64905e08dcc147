#pragma once
#include <string>
#include <vector>

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
