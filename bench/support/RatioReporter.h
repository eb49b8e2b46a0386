// The console report of a benchmark program, keeping one time per benchmark
// (the median over repetitions when there are several, otherwise the single
// run's time) so that the program can print its results as ratios against a
// baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kdx::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            // Named with their arguments, e.g. "BM_Poll/register:1".
            const auto& n = run.run_name;
            const std::string name = n.function_name + (n.args.empty() ? "" : "/" + n.args);
            if (median || (run.run_type == Run::RT_Iteration && !best.contains(name)))
                best[name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);  // seconds
        }
    }
    // measured / baseline, or a negative number when either did not run.
    double Ratio(const std::string& measured, const std::string& baseline) const {
        const auto m = best.find(measured), b = best.find(baseline);
        if (m == best.end() || b == best.end() || b->second <= 0) return -1.0;
        return m->second / b->second;
    }
    void PrintRatio(const char* what, const std::string& measured, const std::string& baseline) const {
        const double r = Ratio(measured, baseline);
        if (r >= 0) std::printf("%-*s %6.2fx  (%s / %s)\n", labelWidth, what, r, measured.c_str(), baseline.c_str());
    }
    std::map<std::string, double> best;
    int labelWidth = 44;
};

}  // namespace kdx::bench
