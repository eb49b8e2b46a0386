// The formula generator over the largest stretch (262144 samples), compiled
// and evaluated as a create does, against C++ loops computing the same values
// in the same run:
// - sin(2*pi*1kHz*t) against a loop calling std::sin with the same arguments;
// - 0.5*x+0.1 against the same arithmetic over the same samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "analog/FormulaEngine.h"
#include "document/WaveformLimits.h"
#include "support/RatioReporter.h"

namespace {

using namespace kdx;

constexpr int64_t Dt = 20;
constexpr uint32_t Count = MaxSampleCount;

std::vector<double>& Out() {
    static std::vector<double> out(Count);
    return out;
}

const std::vector<double>& Document() {
    static const std::vector<double> document = [] {
        std::vector<double> d(Count);
        for (uint32_t i = 0; i < Count; ++i) d[i] = std::sin(i * 0.001);
        return d;
    }();
    return document;
}

void BM_SinLoop(benchmark::State& state) {
    double* out = Out().data();
    for (auto _ : state) {
        for (uint32_t i = 0; i < Count; ++i)
            out[i] = std::sin(2 * std::numbers::pi * 1000.0 * (static_cast<double>(int64_t{i} * Dt) / 1e9));
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
}

void BM_ScaleLoop(benchmark::State& state) {
    double* out = Out().data();
    const double* x = Document().data();
    for (auto _ : state) {
        for (uint32_t i = 0; i < Count; ++i) out[i] = 0.5 * x[i] + 0.1;
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
}

void RunFormula(benchmark::State& state, const char* text) {
    const FormulaStretch stretch{Dt, int64_t{Count} * Dt, Document().data(), Count, 0};
    for (auto _ : state) {
        auto program = FormulaProgram::Compile(text, stretch);
        if (!std::holds_alternative<FormulaProgram>(program)) {
            state.SkipWithError("the expression did not compile");
            break;
        }
        std::get<FormulaProgram>(program).Evaluate(Out().data(), Count);
        benchmark::ClobberMemory();
    }
}

void BM_FormulaSin(benchmark::State& s) { RunFormula(s, "sin(2*pi*1kHz*t)"); }
void BM_FormulaScale(benchmark::State& s) { RunFormula(s, "0.5*x+0.1"); }

BENCHMARK(BM_SinLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormulaSin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScaleLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormulaScale)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    kdx::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nA formula compiled and evaluated over 262144 samples against the C++ loop:\n");
    reporter.PrintRatio("sin(2*pi*1kHz*t) (goal <= 1.5x)", "BM_FormulaSin", "BM_SinLoop");
    reporter.PrintRatio("0.5*x+0.1 (goal <= 5x)", "BM_FormulaScale", "BM_ScaleLoop");
    benchmark::Shutdown();
    return 0;
}
