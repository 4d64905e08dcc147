#include "bench/BenchRatios.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

// The console output as usual, with every run's time kept by name ("BM_Name/arg"): real time
// for benchmarks timed by the wall clock (GL work), else CPU time. Of repeated runs the
// fastest is kept: other processes on a shared machine only ever add time.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    CollectingReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            const double time = run.run_name.time_type.empty() ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            const auto known = times.find(name);
            times[name] = known == times.end() ? time : std::min(known->second, time);
            for (const auto& [counter, value] : run.counters) {
                counterValues[name + ":" + counter] = value.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> times;
    std::map<std::string, double> counterValues;
};

}  // namespace

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printVerdict(const std::string& label, double value, double target) {
    std::printf("%-48s %7.2f  (target <= %.2f: %s)\n", label.c_str(), value, target,
                value <= target ? "met" : "missed");
}

int runBenchmarksWithRatios(int argc, char** argv, const std::vector<BenchRatio>& ratios,
                            const std::vector<BenchCounterTarget>& counters) {
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\n");
    for (const BenchRatio& ratio : ratios) {
        const auto top = reporter.times.find(ratio.numerator);
        const auto bottom = reporter.times.find(ratio.denominator);
        if (top == reporter.times.end() || bottom == reporter.times.end() || bottom->second <= 0) {
            std::printf("%-48s not measured\n", ratio.label.c_str());
            continue;
        }
        printVerdict(ratio.label, top->second / bottom->second, ratio.target);
    }
    for (const BenchCounterTarget& counter : counters) {
        const auto found = reporter.counterValues.find(counter.benchmark + ":" + counter.counter);
        if (found == reporter.counterValues.end()) {
            std::printf("%-48s not measured\n", counter.label.c_str());
            continue;
        }
        printVerdict(counter.label, found->second, counter.target);
    }
    return 0;
}
