// Real signals against plain baselines in the same run, over 262144 values,
// summarised as ratios:
// - loading one channel of a stereo 16-bit WAV file against libsndfile's own
//   sf_read_double of the same file;
// - loading a 262144-line time-value table (uneven times) against strtod over
//   the same fields in memory;
// - resampling 262144 uneven points onto 262144 samples (linear), against a
//   plain scaled pass over the same number of values.
// The files live in the temporary directory, or in KDX_BENCH_DIR when set.
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "analog/SignalFiles.h"
#include "document/WaveformLimits.h"
#include "support/RatioReporter.h"

namespace {

namespace fs = std::filesystem;
using namespace kdx;

struct Fixture {
    fs::path wav, table;
    std::string text;
    std::vector<double> times = std::vector<double>(MaxSampleCount);
    std::vector<double> values = std::vector<double>(MaxSampleCount);
    std::vector<double> frames = std::vector<double>(2 * MaxSampleCount);
    std::vector<double> work = std::vector<double>(MaxSampleCount);
};

Fixture* fixture = nullptr;

void Prepare(Fixture& f) {
    const char* base = std::getenv("KDX_BENCH_DIR");
    const fs::path dir = base != nullptr ? fs::path(base) : fs::temp_directory_path();
    const std::string tag = std::to_string(std::random_device{}());
    f.wav = dir / ("kdx_bench_signal_" + tag + ".wav");
    f.table = dir / ("kdx_bench_signal_" + tag + ".csv");
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    for (uint32_t i = 0; i < 2 * MaxSampleCount; ++i) f.frames[i] = 0.8 * std::sin(i * 0.0123);
    SNDFILE* out = sf_open(f.wav.c_str(), SFM_WRITE, &info);
    sf_writef_double(out, f.frames.data(), MaxSampleCount);
    sf_close(out);
    // An oscilloscope's export: a header, a time column with a jitter, a value.
    f.text = "Time (s),CH1 (V)\n";
    char buffer[96];
    for (uint32_t i = 0; i < MaxSampleCount; ++i) {
        std::snprintf(buffer, sizeof buffer, "%.9e,%.6f\r\n", -1e-3 + i * 1e-8 + (i % 3) * 1e-12,
                      0.8 * std::sin(i * 0.0123));
        f.text += buffer;
    }
    std::ofstream(f.table, std::ios::binary) << f.text;
}

void BM_SfReadDouble(benchmark::State& state) {
    for (auto _ : state) {
        SF_INFO info{};
        SNDFILE* in = sf_open(fixture->wav.c_str(), SFM_READ, &info);
        if (in == nullptr || sf_read_double(in, fixture->frames.data(), 2 * MaxSampleCount) != 2 * MaxSampleCount)
            state.SkipWithError("libsndfile read failed");
        if (in != nullptr) sf_close(in);
        benchmark::DoNotOptimize(fixture->frames.data());
    }
}

void BM_ReadWavFile(benchmark::State& state) {
    for (auto _ : state) {
        const SignalReadResult r = ReadWavFile(fixture->wav, 2, fixture->values.data(), [](int) {});
        if (!r.loaded || r.count != MaxSampleCount) state.SkipWithError("the reader failed");
        benchmark::DoNotOptimize(fixture->values.data());
    }
}

void BM_StrtodFields(benchmark::State& state) {
    const std::string& text = fixture->text;
    for (auto _ : state) {
        const char* p = text.c_str() + text.find('\n') + 1;
        uint32_t n = 0;
        while (*p != '\0') {
            char* next = nullptr;
            fixture->times[n] = std::strtod(p, &next);
            fixture->values[n++] = std::strtod(next + 1, &next);
            p = next + 2;
        }
        if (n != MaxSampleCount) state.SkipWithError("strtod read a different count");
        benchmark::DoNotOptimize(fixture->values.data());
    }
}

void BM_ReadTable(benchmark::State& state) {
    for (auto _ : state) {
        const SignalReadResult r =
            ReadPointFile(fixture->table, false, 1, 2, fixture->times.data(), fixture->values.data(), [](int) {});
        if (!r.loaded || r.count != MaxSampleCount) state.SkipWithError("the reader failed");
        benchmark::DoNotOptimize(fixture->values.data());
    }
}

void BM_ResamplePoints(benchmark::State& state) {
    // Points 10 ns apart with a jitter, onto 10 ns samples.
    std::vector<double> ns(MaxSampleCount);
    for (uint32_t i = 0; i < MaxSampleCount; ++i) ns[i] = i * 10.0 + (i % 3) * 1e-3;
    for (auto _ : state) {
        if (!ConvertPoints(fixture->work.data(), MaxSampleCount, ns.data(), fixture->values.data(), MaxSampleCount, 0,
                           int64_t{MaxSampleCount} * 10, 10, 0.5, 0.1, InterpolationMode::Linear))
            state.SkipWithError("resampling failed");
        benchmark::DoNotOptimize(fixture->work.data());
    }
}

void BM_PlainScaledPass(benchmark::State& state) {
    double amplitude = 0.5, offset = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(amplitude);
        for (uint32_t i = 0; i < MaxSampleCount; ++i) fixture->work[i] = fixture->values[i] * amplitude + offset;
        benchmark::DoNotOptimize(fixture->work.data());
    }
}

BENCHMARK(BM_SfReadDouble)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWavFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StrtodFields)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTable)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainScaledPass)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ResamplePoints)->Unit(benchmark::kMicrosecond)->UseRealTime();

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
    reporter.PrintRatio("WAV load of one channel vs sf_read_double (goal 1.5x)", "BM_ReadWavFile", "BM_SfReadDouble");
    reporter.PrintRatio("time-value table load vs strtod over the fields (goal 2x)", "BM_ReadTable", "BM_StrtodFields");
    reporter.PrintRatio("resampling uneven points vs plain scaled pass (report)", "BM_ResamplePoints",
                        "BM_PlainScaledPass");
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove(f.wav, ec);
    fs::remove(f.table, ec);
    return 0;
}
