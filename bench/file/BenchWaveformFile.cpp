// Reading and writing the largest waveform file (262144 samples with the
// footer) against a plain read and a plain write of the same bytes in the same
// run; the summary at the end gives the overhead as ratios.
//
// The module's save also pushes the data to the disk before it renames the
// temporary over the target, so a plain write followed by the same flush is
// measured too: it tells the cost of the safe save from the cost of I/O.
// The files live in the temporary directory, or in KDX_BENCH_DIR when set.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#if defined(__unix__)
#include <unistd.h>
#endif

#include "document/WaveformFile.h"
#include "support/RatioReporter.h"

namespace {

namespace fs = std::filesystem;
using namespace kdx;

struct Fixture {
    fs::path dir;
    SampleBuffers samples;
    WaveformHeader header;
    DialogMemories params;
    std::vector<uint8_t> image;  // the file's bytes, for the plain baselines
    SampleBuffers readInto;
};

Fixture* fixture = nullptr;

void Prepare(Fixture& f) {
    // KDX_BENCH_DIR picks the file system (e.g. a RAM disk to leave the disk's own noise out).
    const char* base = std::getenv("KDX_BENCH_DIR");
    f.dir = (base != nullptr ? fs::path(base) : fs::temp_directory_path()) /
            ("kdx_bench_file_" + std::to_string(std::random_device{}()));
    fs::create_directories(f.dir);
    std::mt19937 rng(1);
    for (uint32_t i = 0; i < MaxSampleCount; ++i) {
        f.samples.analog[i] = std::sin(i * 0.001);
        for (auto& channel : f.samples.digital) channel[i] = uint8_t(rng() & 1);
    }
    f.header.samplingStep = 1;
    f.header.sampleCount = MaxSampleCount;
    f.header.totalTimeNs = uint64_t{BaseClockNs} * MaxSampleCount;
    std::string message;
    if (!WriteWaveformFile(f.dir / "read.kdx", f.header, ArraysOf(std::as_const(f.samples)), f.params, message)) {
        std::fprintf(stderr, "cannot prepare %s: %s\n", (f.dir / "read.kdx").string().c_str(), message.c_str());
        std::exit(1);
    }
    f.image.resize(fs::file_size(f.dir / "read.kdx"));
    std::FILE* in = std::fopen((f.dir / "read.kdx").string().c_str(), "rb");
    if (in == nullptr || std::fread(f.image.data(), 1, f.image.size(), in) != f.image.size()) std::exit(1);
    std::fclose(in);
}

void PlainWrite(benchmark::State& state, bool sync) {
    const std::string path = (fixture->dir / "plain.bin").string();
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        bool ok = out != nullptr && std::fwrite(fixture->image.data(), 1, fixture->image.size(), out) == fixture->image.size();
#if defined(__unix__)
        if (sync) ok = ok && std::fflush(out) == 0 && fsync(fileno(out)) == 0;
#endif
        if (out == nullptr || std::fclose(out) != 0 || !ok) state.SkipWithError("plain write failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations() * fixture->image.size()));
}
void BM_PlainWrite(benchmark::State& state) { PlainWrite(state, false); }
void BM_PlainWriteFlushed(benchmark::State& state) { PlainWrite(state, true); }

void BM_WriteWaveformFile(benchmark::State& state) {
    const fs::path path = fixture->dir / "written.kdx";
    std::string message;
    for (auto _ : state) {
        if (!WriteWaveformFile(path, fixture->header, ArraysOf(std::as_const(fixture->samples)), fixture->params, message))
            state.SkipWithError(message.c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * fixture->image.size()));
}

void BM_PlainRead(benchmark::State& state) {
    const std::string path = (fixture->dir / "read.kdx").string();
    std::vector<uint8_t> buffer(fixture->image.size());
    for (auto _ : state) {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (in == nullptr || std::fread(buffer.data(), 1, buffer.size(), in) != buffer.size())
            state.SkipWithError("plain read failed");
        if (in != nullptr) std::fclose(in);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * fixture->image.size()));
}

void BM_ReadWaveformFile(benchmark::State& state) {
    const fs::path path = fixture->dir / "read.kdx";
    WaveformHeader header;
    DialogMemories params;
    std::string message;
    for (auto _ : state) {
        if (!ReadWaveformFile(path, header, ArraysOf(fixture->readInto), params, FileFormatVersion, message))
            state.SkipWithError(message.c_str());
        benchmark::DoNotOptimize(fixture->readInto.analog.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * fixture->image.size()));
}

// The checks alone, on bytes already in memory.
void BM_ParseWaveformBytes(benchmark::State& state) {
    WaveformHeader header;
    DialogMemories params;
    std::string message;
    for (auto _ : state) {
        if (!ParseWaveformBytes(fixture->image, header, ArraysOf(fixture->readInto), params, FileFormatVersion, message))
            state.SkipWithError(message.c_str());
        benchmark::DoNotOptimize(fixture->readInto.analog.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * fixture->image.size()));
}

BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PlainWriteFlushed)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_WriteWaveformFile)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ReadWaveformFile)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ParseWaveformBytes)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Fixture f;
    fixture = &f;
    Prepare(f);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (goal: at most 2x; the read 1.3x):\n");
    reporter.PrintRatio("read with full validation vs plain read", "BM_ReadWaveformFile", "BM_PlainRead");
    reporter.PrintRatio("safe save vs plain write", "BM_WriteWaveformFile", "BM_PlainWrite");
    reporter.PrintRatio("safe save vs plain write flushed to disk", "BM_WriteWaveformFile", "BM_PlainWriteFlushed");
    reporter.PrintRatio("checks on bytes in memory vs plain read", "BM_ParseWaveformBytes", "BM_PlainRead");
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(f.dir, ec);
    return 0;
}
