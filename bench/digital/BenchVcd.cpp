// Reading a value change dump of 10^6 changes (four wires and an 8-bit bus,
// as an HDL simulation writes them) against reading the same file's bytes,
// and the sampling of four signals into the 262144 samples of a document.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "digital/VcdReader.h"
#include "document/WaveformLimits.h"
#include "support/RatioReporter.h"

namespace {

using namespace kdx;

constexpr int Changes = 1000000;

struct Fixture {
    std::filesystem::path path;
    size_t size = 0;
    Fixture() {
        path = std::filesystem::temp_directory_path() / ("kdx-bench-" + std::to_string(::getpid()) + ".vcd");
        std::string text =
            "$date today $end\n$timescale 10 ps $end\n$scope module top $end\n$scope module dut $end\n"
            "$var wire 1 ! clk $end\n$var wire 1 \" rst $end\n$var reg 1 # valid $end\n$var reg 1 $ ready $end\n"
            "$var reg 8 % data [7:0] $end\n$upscope $end\n$upscope $end\n$enddefinitions $end\n"
            "#0\n$dumpvars\n0!\n1\"\n0#\n0$\nb0 %\n$end\n";
        int written = 5;
        uint64_t time = 0;
        uint32_t data = 0;
        char line[64];
        for (int step = 1; written < Changes; ++step) {
            // Clock edges every 2.5 ns (off a 20 ns grid), the others now and then.
            time += 250;
            std::snprintf(line, sizeof line, "#%llu\n%c!\n", static_cast<unsigned long long>(time),
                          step % 2 ? '1' : '0');
            text += line;
            ++written;
            if (step % 2 == 0) {
                data = data * 1103515245u + 12345u;
                std::snprintf(line, sizeof line, "b%d%d%d%d%d%d%d%d %%\n%c#\n", data >> 31 & 1, data >> 30 & 1,
                              data >> 29 & 1, data >> 28 & 1, data >> 27 & 1, data >> 26 & 1, data >> 25 & 1,
                              data >> 24 & 1, data >> 23 & 1 ? '1' : '0');
                text += line;
                written += 2;
            }
            if (step % 16 == 0) {
                text += data >> 22 & 1 ? "1$\n" : "0$\n";
                ++written;
            }
        }
        std::ofstream(path, std::ios::binary) << text;
        size = text.size();
    }
    ~Fixture() { std::filesystem::remove(path); }
};

Fixture* fixture = nullptr;

void BM_PlainReadDump(benchmark::State& state) {
    std::vector<char> buffer(fixture->size + 1);
    for (auto _ : state) {
        std::FILE* in = std::fopen(fixture->path.string().c_str(), "rb");
        if (in == nullptr || std::fread(buffer.data(), 1, buffer.size(), in) != fixture->size)
            state.SkipWithError("plain read failed");
        if (in != nullptr) std::fclose(in);
        benchmark::DoNotOptimize(buffer.data());
    }
}

void BM_ReadDump(benchmark::State& state) {
    for (auto _ : state) {
        VcdData data;
        if (!ReadVcdFile(fixture->path, data).Ok() || data.changeCount < Changes) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(data.changes.data());
    }
}

void BM_ReadAndSampleDump(benchmark::State& state) {
    std::vector<uint8_t> words(MaxSampleCount);
    for (auto _ : state) {
        VcdData data;
        if (!ReadVcdFile(fixture->path, data).Ok()) state.SkipWithError("read failed");
        SampleVcd(data, {0, 2, 3, data.Find("data[7]")}, 0, 20, MaxSampleCount, words.data());
        benchmark::DoNotOptimize(words.data());
    }
}

BENCHMARK(BM_PlainReadDump)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadDump)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAndSampleDump)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Fixture f;
    fixture = &f;
    std::printf("dump of %d changes: %zu bytes\n", Changes, f.size);
    kdx::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios to the baselines of this run:\n");
    reporter.PrintRatio("VCD of 10^6 changes read vs its bytes read", "BM_ReadDump", "BM_PlainReadDump");
    reporter.PrintRatio("read and sampled into 262144 samples vs its bytes", "BM_ReadAndSampleDump",
                        "BM_PlainReadDump");
    if (const auto it = reporter.best.find("BM_ReadAndSampleDump"); it != reporter.best.end())
        std::printf("read and sampled in %.3f s (goal: within 1 s)\n", it->second);
    benchmark::Shutdown();
    return 0;
}
