// Each analog shape computed over the largest stretch (262144 samples)
// against a plain loop writing as many doubles, in the same run; and a whole
// noise create, table built from scratch, against the same create with the
// table already built for its sigma. The summary gives the ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "analog/AnalogShapes.h"
#include "document/WaveformLimits.h"
#include "support/RatioReporter.h"

namespace {

using namespace kdx;

constexpr int64_t Dt = 20;
constexpr int64_t Total = int64_t{MaxSampleCount} * Dt;

std::vector<double>& Buffer() {
    static std::vector<double> buffer(MaxSampleCount);
    return buffer;
}

void BM_PlainLoop(benchmark::State& state) {
    double* b = Buffer().data();
    for (auto _ : state) {
        for (uint32_t i = 0; i < MaxSampleCount; ++i) b[i] = 0.5 * i;
        benchmark::DoNotOptimize(b);
        benchmark::ClobberMemory();
    }
}

template <class Compute>
void RunShape(benchmark::State& state, Compute compute) {
    double* b = Buffer().data();
    for (auto _ : state) {
        if (!compute(b)) state.SkipWithError("the shape refused its parameters");
        benchmark::DoNotOptimize(b);
        benchmark::ClobberMemory();
    }
}

void BM_Sine(benchmark::State& s) {
    RunShape(s, [](double* b) { return computeSine(b, Total, Dt, 0, Total, 100000, 1234, 0.8, 0.1, 1000000); });
}
void BM_Rectangle(benchmark::State& s) {
    RunShape(s, [](double* b) {
        return computeRectangle(b, Total, Dt, 0, Total, 700, 2000, 30000, 4000, 30000, 0, 1, -1, 1000000);
    });
}
void BM_Dc(benchmark::State& s) {
    RunShape(s, [](double* b) { return computeDc(b, Total, Dt, 0, Total, 0.25); });
}
void BM_Ramp(benchmark::State& s) {
    RunShape(s, [](double* b) { return computeRamp(b, Total, Dt, 0, Total, -1, 1); });
}
void BM_Exponential(benchmark::State& s) {
    RunShape(s, [](double* b) { return computeExponential(b, Total, Dt, 0, Total, 1000000, -1, 1); });
}

// A create as the dialog makes it the first time: the table built for sigma.
void BM_NoiseCreate(benchmark::State& state) {
    NoiseTable table;
    double sigma = 0.01;
    for (auto _ : state) {
        sigma = sigma == 0.01 ? 0.02 : 0.01;  // a new sigma: the table is built again
        if (!computeNoise(Buffer().data(), Total, Dt, 0, Total, sigma, 1, table)) state.SkipWithError("refused");
        benchmark::ClobberMemory();
    }
}

// The same create again with the same sigma: the table is reused.
void BM_NoiseTableBuilt(benchmark::State& state) {
    NoiseTable table;
    table.Prepare(0.01);
    for (auto _ : state) {
        if (!computeNoise(Buffer().data(), Total, Dt, 0, Total, 0.01, 1, table)) state.SkipWithError("refused");
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rectangle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Dc)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ramp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Exponential)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NoiseCreate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoiseTableBuilt)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    kdx::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nEach shape over 262144 samples against a plain loop writing as many doubles:\n");
    for (const char* shape : {"BM_Sine", "BM_Rectangle", "BM_Dc", "BM_Ramp", "BM_Exponential", "BM_NoiseTableBuilt"})
        reporter.PrintRatio(shape, shape, "BM_PlainLoop");
    reporter.PrintRatio("noise create vs the same with its table", "BM_NoiseCreate", "BM_NoiseTableBuilt");
    const double r = reporter.Ratio("BM_NoiseCreate", "BM_NoiseTableBuilt");
    if (r > 0) std::printf("share of a first noise create spent on the table: %.0f%%\n", 100.0 * (1.0 - 1.0 / r));
    benchmark::Shutdown();
    return 0;
}
