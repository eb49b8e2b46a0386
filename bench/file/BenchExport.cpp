// The exports of the largest waveform (262144 samples: four clocks and a
// sine, so the analog channel changes at every sample) against the plain work
// under them, in the same run: VCD against writing as many bytes with one
// buffered write, WAV against libsndfile writing the same float array.
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "document/WaveformExport.h"
#include "support/RatioReporter.h"

namespace {

namespace fs = std::filesystem;
using namespace kdx;

struct Fixture {
    fs::path dir;
    SampleBuffers samples;
    ExportSource source;
    size_t vcdSize = 0;
    std::vector<float> floats;
};

Fixture* fixture = nullptr;

void Prepare(Fixture& f) {
    const char* base = std::getenv("KDX_BENCH_DIR");
    f.dir = (base != nullptr ? fs::path(base) : fs::temp_directory_path()) /
            ("kdx_bench_export_" + std::to_string(std::random_device{}()));
    fs::create_directories(f.dir);
    for (uint32_t i = 0; i < MaxSampleCount; ++i) {
        f.samples.analog[i] = 0.8 * std::sin(i * 0.001);
        for (int ch = 0; ch < DigitalChannelCount; ++ch) f.samples.digital[ch][i] = uint8_t((i >> (ch + 3)) & 1);
    }
    f.source = {ArraysOf(std::as_const(f.samples)), MaxSampleCount, BaseClockNs};
    f.vcdSize = VcdText(f.source).size();
    f.floats.assign(f.samples.analog.begin(), f.samples.analog.begin() + MaxSampleCount);
}

bool WriteBytes(const fs::path& path, const char* data, size_t n) {
    std::FILE* out = std::fopen(path.string().c_str(), "wb");
    const bool ok = out != nullptr && std::fwrite(data, 1, n, out) == n;
    return out != nullptr && std::fclose(out) == 0 && ok;
}

void BM_PlainWriteVcdSize(benchmark::State& state) {
    const std::string bytes(fixture->vcdSize, 'x');
    for (auto _ : state)
        if (!WriteBytes(fixture->dir / "plain.vcd", bytes.data(), bytes.size())) state.SkipWithError("write failed");
}

void BM_ExportVcd(benchmark::State& state) {
    for (auto _ : state) {
        const std::string text = VcdText(fixture->source);
        if (!WriteBytes(fixture->dir / "out.vcd", text.data(), text.size())) state.SkipWithError("write failed");
    }
}

void BM_SndfileWriteFloats(benchmark::State& state) {
    const std::string path = (fixture->dir / "plain.wav").string();
    for (auto _ : state) {
        SF_INFO info{};
        info.samplerate = 50000000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (file == nullptr) {
            state.SkipWithError("sf_open failed");
            break;
        }
        sf_write_float(file, fixture->floats.data(), static_cast<sf_count_t>(fixture->floats.size()));
        sf_close(file);
    }
}

void BM_ExportWav(benchmark::State& state) {
    for (auto _ : state) {
        const WavFile wav = WavBytes(fixture->source, {});
        if (!WriteBytes(fixture->dir / "out.wav", wav.bytes.data(), wav.bytes.size()))
            state.SkipWithError("write failed");
    }
}

BENCHMARK(BM_PlainWriteVcdSize)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_ExportVcd)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_SndfileWriteFloats)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_ExportWav)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Fixture f;
    fixture = &f;
    Prepare(f);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios:\n");
    reporter.PrintRatio("VCD export vs one write of its size (goal 3x)", "BM_ExportVcd", "BM_PlainWriteVcdSize");
    reporter.PrintRatio("WAV export vs libsndfile alone (goal 1.2x)", "BM_ExportWav", "BM_SndfileWriteFloats");
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(f.dir, ec);
    return 0;
}
