// The benchmarks' summary: each program measures its baselines in the same
// run and prints the results as ratios, which hold on a busy machine where
// absolute times do not.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kdx::bench {

// Keeps one time per benchmark for the summary: the median over repetitions
// when there are several, otherwise the single run's time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !best.contains(run.run_name.function_name)))
                best[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    void PrintRatio(const char* what, const std::string& measured, const std::string& baseline) const {
        const auto m = best.find(measured), b = best.find(baseline);
        if (m == best.end() || b == best.end() || b->second <= 0) return;
        std::printf("%-*s %6.2fx  (%s / %s)\n", labelWidth, what, m->second / b->second, measured.c_str(),
                    baseline.c_str());
    }
    std::map<std::string, double> best;
    int labelWidth = 44;
};

}  // namespace kdx::bench
