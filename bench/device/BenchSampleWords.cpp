// BuildSampleWords over a full waveform against a plain pass over the same
// arrays (sum the volts, OR the channel bytes into a buffer of the same size),
// measured in the same run so the result reads as a ratio.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "device/DeviceProtocol.h"

namespace {

using namespace kdx;

constexpr uint32_t Count = MaxSampleCount;

struct Fixture {
    SampleBuffers samples;
    std::vector<uint8_t> words = std::vector<uint8_t>(SampleWordBufferSize);
    Fixture() {
        for (uint32_t i = 0; i < Count; ++i) {
            samples.analog[i] = 1.3 * std::sin(i * 0.001);  // crosses both clamps
            for (int c = 0; c < DigitalChannelCount; ++c) {
                samples.digital[c][i] = static_cast<uint8_t>((i >> c) & 1);
            }
        }
    }
};

Fixture& Data() {
    static Fixture fixture;
    return fixture;
}

void BM_PlainPass(benchmark::State& state) {
    Fixture& f = Data();
    const ConstSampleArrays a = ArraysOf(static_cast<const SampleBuffers&>(f.samples));
    for (auto _ : state) {
        double sum = 0.0;
        for (uint32_t i = 0; i < Count; ++i) {
            sum += a.analog[i];
            const uint8_t bits = a.digital[0][i] | a.digital[1][i] | a.digital[2][i] | a.digital[3][i];
            f.words[2 * i] = bits;
            f.words[2 * i + 1] = bits;
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(f.words.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Count);
}
BENCHMARK(BM_PlainPass)->Unit(benchmark::kMicrosecond);

void BM_BuildSampleWords(benchmark::State& state) {
    Fixture& f = Data();
    const bool registerProtocol = state.range(0) != 0;
    const Calibration calibration{1638.0, 2048.0};
    for (auto _ : state) {
        BuildSampleWords(calibration, registerProtocol, ArraysOf(static_cast<const SampleBuffers&>(f.samples)), Count,
                         f.words.data());
        benchmark::DoNotOptimize(f.words.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Count);
}
BENCHMARK(BM_BuildSampleWords)->Arg(1)->Arg(0)->ArgName("register")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
