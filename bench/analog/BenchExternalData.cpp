// External data against plain baselines in the same run, summarised as ratios:
// - loading a CSV file of 262144 numbers with the progress reported, against
//   the C library's strtod over the same text in memory in one pass (and a
//   plain read of the file, to tell the reading from the converting);
// - converting 262144 samples with linear interpolation (and without), against
//   a plain scaled pass over the same number of values.
// The file lives in the temporary directory, or in KDX_BENCH_DIR when set.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/RatioReporter.h"
#include "analog/ExternalData.h"
#include "document/WaveformLimits.h"

namespace {

namespace fs = std::filesystem;
using namespace kdx;

struct Fixture {
    fs::path file;
    std::string text;
    std::vector<double> values = std::vector<double>(MaxSampleCount);
    std::vector<double> work = std::vector<double>(MaxSampleCount);
};

Fixture* fixture = nullptr;

void Prepare(Fixture& f) {
    const char* base = std::getenv("KDX_BENCH_DIR");
    f.file = (base != nullptr ? fs::path(base) : fs::temp_directory_path()) /
             ("kdx_bench_external_" + std::to_string(std::random_device{}()) + ".csv");
    // A measured signal as a logger writes it: one value a line, CR LF.
    char buffer[64];
    for (uint32_t i = 0; i < MaxSampleCount; ++i) {
        std::snprintf(buffer, sizeof buffer, "%.6f\r\n", 0.8 * std::sin(i * 0.0123) + 1e-3 * (i % 7));
        f.text += buffer;
    }
    std::ofstream(f.file, std::ios::binary) << f.text;
    for (uint32_t i = 0; i < MaxSampleCount; ++i) f.values[i] = std::sin(i * 0.001);
}

void BM_StrtodOnePass(benchmark::State& state) {
    const std::string& text = fixture->text;
    for (auto _ : state) {
        const char* p = text.c_str();
        const char* const end = p + text.size();
        uint32_t n = 0;
        while (p < end) {
            char* next = nullptr;
            const double v = std::strtod(p, &next);
            if (next == p) break;
            fixture->values[n++] = v;
            p = next;
            while (p < end && (*p == '\r' || *p == '\n')) ++p;
        }
        if (n != MaxSampleCount) state.SkipWithError("strtod read a different count");
        benchmark::DoNotOptimize(fixture->values.data());
    }
}

void BM_PlainFileRead(benchmark::State& state) {
    std::vector<char> buffer(fixture->text.size());
    for (auto _ : state) {
        std::FILE* in = std::fopen(fixture->file.string().c_str(), "rb");
        if (in == nullptr || std::fread(buffer.data(), 1, buffer.size(), in) != buffer.size())
            state.SkipWithError("plain read failed");
        if (in != nullptr) std::fclose(in);
        benchmark::DoNotOptimize(buffer.data());
    }
}

void BM_ReadTextDataFile(benchmark::State& state) {
    int reports = 0;
    for (auto _ : state) {
        const TextDataResult r = ReadTextDataFile(fixture->file, fixture->values.data(), [&](int) { ++reports; });
        if (!r.loaded || r.count != MaxSampleCount) state.SkipWithError("the reader failed");
        benchmark::DoNotOptimize(fixture->values.data());
    }
    benchmark::DoNotOptimize(reports);
}

// 30 ns data onto a 20 ns grid: every output sample between two values.
void Convert(benchmark::State& state, InterpolationMode mode) {
    for (auto _ : state) {
        if (!ConvertExternalData(fixture->work.data(), MaxSampleCount, fixture->values.data(), MaxSampleCount, 30, 0,
                                 int64_t{MaxSampleCount} * 20, 20, 0.5, 0.1, mode))
            state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(fixture->work.data());
    }
}
void BM_ConvertLinear(benchmark::State& state) { Convert(state, InterpolationMode::Linear); }
void BM_ConvertNone(benchmark::State& state) { Convert(state, InterpolationMode::None); }

void BM_PlainScaledPass(benchmark::State& state) {
    double amplitude = 0.5, offset = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(amplitude);
        for (uint32_t i = 0; i < MaxSampleCount; ++i) fixture->work[i] = fixture->values[i] * amplitude + offset;
        benchmark::DoNotOptimize(fixture->work.data());
    }
}

BENCHMARK(BM_StrtodOnePass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFileRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTextDataFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainScaledPass)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ConvertNone)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ConvertLinear)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Fixture f;
    fixture = &f;
    Prepare(f);
    kdx::bench::RatioReporter reporter;
    reporter.labelWidth = 56;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios:\n");
    reporter.PrintRatio("CSV load with progress vs strtod in one pass (goal 2x)", "BM_ReadTextDataFile",
                        "BM_StrtodOnePass");
    reporter.PrintRatio("plain read of the same file vs strtod in one pass", "BM_PlainFileRead", "BM_StrtodOnePass");
    reporter.PrintRatio("linear conversion vs plain scaled pass", "BM_ConvertLinear", "BM_PlainScaledPass");
    reporter.PrintRatio("conversion without interpolation vs plain scaled pass", "BM_ConvertNone",
                        "BM_PlainScaledPass");
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove(f.file, ec);
    return 0;
}
