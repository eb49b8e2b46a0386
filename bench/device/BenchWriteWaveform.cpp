// A whole waveform write of 262144 samples through the simulated generator,
// against one raw FT_Write of the same 524288 bytes through it, in the same
// run: the ratio is the protocol's overhead (register frames and their echoes,
// the status read, the block headers and parameter block) over moving the
// samples themselves. The simulator is loaded as the real library is, through
// KDX_D2XX_LIBRARY; the raw writes go to a generator that takes every byte as
// data and answers nothing.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "device/DeviceProtocol.h"

namespace {

using namespace kdx;

constexpr uint32_t Count = MaxSampleCount;

struct Bench {
    bool ready = false;
    d2xx::FnWrite rawWrite = nullptr;
    DeviceHandle registerGenerator = nullptr;
    DeviceHandle blockGenerator = nullptr;
    DeviceHandle sink = nullptr;
    Calibration calibration{1638.0, 2048.0};
    OutputSettings settings;
    std::vector<uint8_t> words = std::vector<uint8_t>(SampleWordBufferSize);

    Bench() {
        setenv("KDX_D2XX_LIBRARY", KDX_SIM_LIBRARY, 0);
        unsetenv("KDX_SIM_LOG");  // the log would dominate what is measured
        if (!LoadDeviceLibrary()) return;
        void* module = dlopen(std::getenv("KDX_D2XX_LIBRARY"), RTLD_NOW);
        if (!module) return;
        auto configure = reinterpret_cast<int (*)(const char*)>(dlsym(module, "kdxsim_configure"));
        rawWrite = reinterpret_cast<d2xx::FnWrite>(dlsym(module, "FT_Write"));
        if (!configure || !rawWrite) return;
        const char* bus = R"({"generators": [
            {"protocol": "register", "usb_serial": "QZ10010001"},
            {"protocol": "block", "usb_serial": "QZ10010002"},
            {"sink": true, "usb_serial": "QZ10019999"}]})";
        if (configure(bus) != 0) return;
        if (OpenGenerator("QZ10010001", registerGenerator) != LINK_OK ||
            OpenGenerator("QZ10010002", blockGenerator) != LINK_OK || OpenGenerator("QZ10019999", sink) != LINK_OK) {
            return;
        }
        SampleBuffers samples;
        for (uint32_t i = 0; i < Count; ++i) {
            samples.analog[i] = std::sin(i * 0.001);
            samples.digital[i % 4][i] = 1;
        }
        BuildSampleWords(calibration, true, ArraysOf(static_cast<const SampleBuffers&>(samples)), Count,
                         words.data());
        settings.outputMode = 1;
        settings.repeatCount = 3;
        ready = true;
    }
};

Bench& TheBench() {
    static Bench bench;
    return bench;
}

void BM_RawWrite(benchmark::State& state) {
    Bench& b = TheBench();
    if (!b.ready) {
        state.SkipWithError("simulator not loaded");
        return;
    }
    for (auto _ : state) {
        d2xx::DWORD written = 0;
        if (b.rawWrite(b.sink, b.words.data(), SampleWordBufferSize, &written) != d2xx::FT_OK ||
            written != SampleWordBufferSize) {
            state.SkipWithError("raw write failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * SampleWordBufferSize);
}
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMicrosecond);

void BM_WriteWaveform(benchmark::State& state) {
    Bench& b = TheBench();
    if (!b.ready) {
        state.SkipWithError("simulator not loaded");
        return;
    }
    const bool registerProtocol = state.range(0) != 0;
    DeviceHandle handle = registerProtocol ? b.registerGenerator : b.blockGenerator;
    for (auto _ : state) {
        if (WriteWaveform(handle, registerProtocol, b.settings, Count, 1, 42, b.calibration, b.words.data()) !=
            LINK_OK) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * SampleWordBufferSize);
}
BENCHMARK(BM_WriteWaveform)->Arg(1)->Arg(0)->ArgName("register")->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// One register read (6 bytes out, 6 in): the unit the register protocol's
// overhead is made of.
void BM_RegisterExchange(benchmark::State& state) {
    Bench& b = TheBench();
    if (!b.ready) {
        state.SkipWithError("simulator not loaded");
        return;
    }
    for (auto _ : state) {
        uint16_t value = 0;
        if (ReadRegister(b.registerGenerator, REG_STATUS, value) != LINK_OK) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_RegisterExchange)->Unit(benchmark::kNanosecond);

}  // namespace
