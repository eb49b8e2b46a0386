// The digital patterns over the largest document (262144 samples), each built
// and applied through its dialog's form as "作成" and "置換" do, against a plain
// byte fill of the same length; and the bit file read with its progress
// reporting against a plain read of the same bytes. Both baselines run in the
// same process; the summary gives each measurement as a ratio to its baseline.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "digital/DigitalForms.h"
#include "digital/ProtocolForm.h"
#include "document/KDXDoc.h"
#include "support/RatioReporter.h"

namespace {

namespace fs = std::filesystem;
using namespace kdx;

struct Silent : FormPrompts {
    void Inform(const std::string&) override {}
    bool Confirm(const std::string&) override { return true; }
};

struct Fixture {
    CKDXDoc doc;
    fs::path bits;
    std::string bitText, hexText;
    Fixture() {
        doc.NewWaveform(20, MaxSampleCount);
        std::mt19937 rng(1);
        for (uint32_t i = 0; i < MaxSampleCount; ++i) {
            bitText += char('0' + (rng() & 1));
            hexText += "0123456789ABCDEF"[rng() & 15];
            for (int ch = 0; ch < 4; ++ch) doc.DigitalChannel(ch)[i] = uint8_t(rng() & 1);
        }
        bits = fs::temp_directory_path() / ("kdx_bench_bits_" + std::to_string(std::random_device{}()) + ".txt");
        std::ofstream(bits, std::ios::binary) << bitText;
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove(bits, ec);
    }
    DigitalSetup Setup() {
        DigitalSetup s;
        s.base = EditTimeBase{doc.GetTotalTime(), doc.GetSamplingTime()};
        for (int ch = 0; ch < 4; ++ch) s.channels[ch] = doc.DigitalChannel(ch);
        return s;
    }
};

Fixture* fixture = nullptr;
Silent silent;

void BM_PlainFill(benchmark::State& state) {
    uint8_t* channel = fixture->doc.DigitalChannel(0);
    uint8_t value = 0;
    for (auto _ : state) {
        std::memset(channel, value ^= 1, MaxSampleCount);
        benchmark::ClobberMemory();
    }
}

// "作成" then "置換" on a form set up once, as a user pressing both again.
template <class Form>
void CreateAndReplace(benchmark::State& state, Form& form) {
    for (auto _ : state) {
        if (!form.Create(silent) || !form.Apply(DigitalOperation::Replace, silent)) state.SkipWithError("refused");
        benchmark::ClobberMemory();
    }
}

void BM_Clock(benchmark::State& state) {
    DigitalClockForm form(fixture->Setup(), DigitalClockParams{}, 0);
    form.SetUnit(DigitalClockForm::Time1, TimeUnitNs);
    form.SetText(DigitalClockForm::Time1, "60");
    form.SetText(DigitalClockForm::Time2, "40");
    form.SetText(DigitalClockForm::Repeat, "52429");  // 262145 samples' worth, cut at the end
    CreateAndReplace(state, form);
}

void BM_Serial(benchmark::State& state) {
    DigitalSerialForm form(fixture->Setup(), DigitalSerialParams{}, fixture->bitText, 1);
    form.SetUnit(DigitalSerialForm::Interval, TimeUnitNs);
    form.SetText(DigitalSerialForm::Interval, "20");
    CreateAndReplace(state, form);
}

void BM_Parallel(benchmark::State& state) {
    DigitalParallelForm form(fixture->Setup(), DigitalParallelParams{}, fixture->hexText);
    form.SetUnit(DigitalParallelForm::Interval, TimeUnitNs);
    form.SetText(DigitalParallelForm::Interval, "20");
    CreateAndReplace(state, form);
}

// The text typed anew before each "作成" (two texts in turn), so that the
// check of the text runs every time, as after a user's typing.
template <class Form>
void RetypeCreateAndReplace(benchmark::State& state, Form& form, const std::string& text) {
    std::string texts[2] = {text, text};
    texts[1][0] = texts[1][0] == '1' ? '0' : '1';
    int i = 0;
    for (auto _ : state) {
        form.SetText(Form::Text, texts[i ^= 1]);
        if (!form.Create(silent) || !form.Apply(DigitalOperation::Replace, silent)) state.SkipWithError("refused");
        benchmark::ClobberMemory();
    }
}

void BM_SerialRetyped(benchmark::State& state) {
    DigitalSerialForm form(fixture->Setup(), DigitalSerialParams{}, fixture->bitText, 1);
    form.SetUnit(DigitalSerialForm::Interval, TimeUnitNs);
    form.SetText(DigitalSerialForm::Interval, "20");
    RetypeCreateAndReplace(state, form, fixture->bitText);
}

void BM_ParallelRetyped(benchmark::State& state) {
    DigitalParallelForm form(fixture->Setup(), DigitalParallelParams{}, fixture->hexText);
    form.SetUnit(DigitalParallelForm::Interval, TimeUnitNs);
    form.SetText(DigitalParallelForm::Interval, "20");
    RetypeCreateAndReplace(state, form, fixture->hexText);
}

// The copy of a whole channel, inverted, applied to another.
void BM_Modify(benchmark::State& state) {
    DigitalModifyForm form(fixture->Setup(), DigitalModifyParams{}, DigitalShiftParams{}, 2);
    form.SetUnit(DigitalModifyForm::CopyPeriod, TimeUnitNs);
    form.SetText(DigitalModifyForm::CopyPeriod, std::to_string(uint64_t{MaxSampleCount} * 20));
    for (auto _ : state) {
        if (!form.CopyButton(silent) || !form.CopyButton(silent)) state.SkipWithError("refused");  // copy, unlock
        form.Invert();
        if (!form.Apply(DigitalOperation::Replace, silent)) state.SkipWithError("refused");
        benchmark::ClobberMemory();
    }
}

// One execution of a rotation over the whole channel and OK.
void BM_Shift(benchmark::State& state) {
    DigitalShiftForm form(fixture->doc.DigitalChannel(3), MaxSampleCount, 20, 0, 3, DigitalShiftParams{});
    form.SetUnit(DigitalShiftForm::ShiftTime, TimeUnitNs);
    form.SetText(DigitalShiftForm::ShiftTime, "-20000");
    form.SetMethod(ShiftMethod::Rotate);
    for (auto _ : state) {
        if (!form.Execute(silent)) state.SkipWithError("refused");
        form.Commit();
        benchmark::ClobberMemory();
    }
}

// 1000 UART bytes at 3 MBd (16.7 samples a bit): "作成" and "置換", against a
// plain fill of the same stretch.
std::string UartBytes() {
    std::mt19937 rng(2);
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "0123456789ABCDEF"[rng() & 15] + std::string(1, "0123456789ABCDEF"[rng() & 15]) + " ";
    return text;
}

std::unique_ptr<DigitalProtocolForm> UartForm() {
    auto form = std::make_unique<DigitalProtocolForm>(fixture->Setup(), ProtocolMemory{});
    form->SetText(DigitalProtocolForm::Baud, "3M");
    form->SetText(DigitalProtocolForm::Data, UartBytes());
    return form;
}

void BM_PlainFillUartStretch(benchmark::State& state) {
    const uint64_t length = UartForm()->LengthSamples();
    uint8_t* channel = fixture->doc.DigitalChannel(0);
    uint8_t value = 0;
    for (auto _ : state) {
        std::memset(channel, value ^= 1, length);
        benchmark::ClobberMemory();
    }
}

void BM_Uart1000Bytes(benchmark::State& state) {
    const auto form = UartForm();
    CreateAndReplace(state, *form);
}

void BM_PlainRead(benchmark::State& state) {
    std::vector<uint8_t> buffer(MaxSampleCount + 1);
    for (auto _ : state) {
        std::FILE* in = std::fopen(fixture->bits.string().c_str(), "rb");
        if (in == nullptr || std::fread(buffer.data(), 1, buffer.size(), in) != MaxSampleCount)
            state.SkipWithError("plain read failed");
        if (in != nullptr) std::fclose(in);
        benchmark::DoNotOptimize(buffer.data());
    }
}

void BM_ReadBitsWithProgress(benchmark::State& state) {
    std::vector<uint8_t> out(MaxSampleCount);
    int shown = 0;
    for (auto _ : state) {
        const DigitalReadResult r =
            ReadDigitalTextFile(fixture->bits, DigitalTextKind::Bits, out.data(), [&](int p) { shown = p; });
        if (r.status != DigitalReadStatus::Ok || r.count != MaxSampleCount || shown != 100)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(out.data());
    }
}

BENCHMARK(BM_PlainFill)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Clock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Serial)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Parallel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SerialRetyped)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParallelRetyped)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Modify)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Shift)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainFillUartStretch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Uart1000Bytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ReadBitsWithProgress)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Fixture f;
    fixture = &f;
    kdx::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios to the baselines of this run:\n");
    for (const char* pattern :
         {"BM_Clock", "BM_Serial", "BM_Parallel", "BM_SerialRetyped", "BM_ParallelRetyped", "BM_Modify", "BM_Shift"})
        reporter.PrintRatio((std::string(pattern + 3) + " built and applied vs a plain fill").c_str(), pattern,
                            "BM_PlainFill");
    std::printf("(goals: serial 10x, parallel 30x, typed anew or not)\n");
    reporter.PrintRatio("1000 UART bytes built and applied vs a plain fill of their stretch", "BM_Uart1000Bytes",
                        "BM_PlainFillUartStretch");
    reporter.PrintRatio("bit file read with progress vs a plain read (goal 3x)", "BM_ReadBitsWithProgress",
                        "BM_PlainRead");
    benchmark::Shutdown();
    return 0;
}
