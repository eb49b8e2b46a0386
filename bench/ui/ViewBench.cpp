// Cost of the waveform view against baselines measured in the same run:
//  - the five envelopes (analog + four lanes) of 262144 samples on a
//    4000-column plot against one plain pass over the same five arrays;
//  - a full redraw at 262144 samples against one at 4000 samples;
//  - an incremental cursor move against a full redraw;
//  - a wheel notch (a scroll by a tenth of the window, which redraws the
//    whole view) against a full redraw of a window of the same size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>
#include <memory>

#include "document/KDXDoc.h"
#include "support/RatioReporter.h"
#include "ui/PlotPrimitives.h"
#include "ui/qt/KDXView.h"

namespace kdx {
namespace {

constexpr uint32_t FullCount = MaxSampleCount;

// The same picture at any sample count: five periods of a sine that clips at
// its peaks, and clocks of 10, 20, 40 and 80 periods on the lanes. Slow
// clocks are the lanes' worst case: every column's run is read to its end.
struct Arrays {
    std::vector<double> analog;
    std::array<std::vector<uint8_t>, 4> lanes;
    explicit Arrays(uint32_t count) : analog(count) {
        const double pi = std::acos(-1.0);
        for (uint32_t i = 0; i < count; ++i) analog[i] = 1.3 * std::sin(2 * pi * 5 * i / count);
        for (int ch = 0; ch < 4; ++ch) {
            lanes[ch].resize(count);
            const uint64_t periods = 10u << ch;
            for (uint32_t i = 0; i < count; ++i) lanes[ch][i] = (i * periods * 2 / count) & 1;
        }
    }
};

const Arrays& SharedArrays() {
    static const Arrays arrays(FullCount);
    return arrays;
}

void BM_PlainPassFiveArrays(benchmark::State& state) {
    const Arrays& a = SharedArrays();
    for (auto _ : state) {
        double sum = 0;
        uint32_t bits = 0;
        for (uint32_t i = 0; i < FullCount; ++i) {
            sum += a.analog[i];
            bits += a.lanes[0][i] + a.lanes[1][i] + a.lanes[2][i] + a.lanes[3][i];
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(bits);
    }
}
BENCHMARK(BM_PlainPassFiveArrays);

void BM_BuildFiveEnvelopes(benchmark::State& state) {
    const Arrays& a = SharedArrays();
    struct Five {
        ColumnEnvelope analog;
        std::array<ColumnEnvelope, 4> lanes;
    };
    auto envelopes = std::make_unique<Five>();
    const PixelRect plot{0, 0, MaxPlotColumns - 1, 400};
    const PixelRect trace{0, 500, MaxPlotColumns - 1, 530};
    for (auto _ : state) {
        BuildAnalogEnvelope(a.analog.data(), FullCount, plot, envelopes->analog);
        BuildDigitalEnvelopes({a.lanes[0].data(), a.lanes[1].data(), a.lanes[2].data(), a.lanes[3].data()},
                              FullCount, {trace, trace, trace, trace}, envelopes->lanes);
        benchmark::DoNotOptimize(envelopes.get());
    }
}
BENCHMARK(BM_BuildFiveEnvelopes);

struct ViewFixture {
    std::unique_ptr<CKDXDoc> doc = std::make_unique<CKDXDoc>();
    std::unique_ptr<CKDXView> view;
    explicit ViewFixture(uint32_t count) {
        doc->NewWaveform(20, count);
        const Arrays a(count);
        std::copy_n(a.analog.begin(), count, doc->AnalogSamples());
        for (int ch = 0; ch < 4; ++ch) std::copy_n(a.lanes[ch].begin(), count, doc->DigitalChannel(ch));
        view = std::make_unique<CKDXView>(*doc);
        view->resize(1600, 900);
        view->show();
        QCoreApplication::processEvents();
        view->ResetView();
    }
};

// Redraw: the five envelopes of the window and a repaint of the whole image.
void BM_FullRedraw(benchmark::State& state) {
    ViewFixture f(static_cast<uint32_t>(state.range(0)));
    for (auto _ : state) f.view->Redraw();
}
BENCHMARK(BM_FullRedraw)->Arg(4000)->Arg(FullCount)->Unit(benchmark::kMicrosecond);

// RepaintAll alone: drawing from envelopes already built.
void BM_RepaintOnly(benchmark::State& state) {
    ViewFixture f(static_cast<uint32_t>(state.range(0)));
    for (auto _ : state) f.view->RepaintAll();
}
BENCHMARK(BM_RepaintOnly)->Arg(4000)->Arg(FullCount)->Unit(benchmark::kMicrosecond);

void BM_IncrementalCursorMove(benchmark::State& state) {
    ViewFixture f(FullCount);
    uint32_t positions[2] = {FullCount / 3, FullCount / 2};
    int i = 0;
    for (auto _ : state) f.view->MoveCursor(positions[i ^= 1]);
}
BENCHMARK(BM_IncrementalCursorMove)->Unit(benchmark::kMicrosecond);

// Zoom levels for the wheel: 1 shows half the data, 5 the standard window.
void ZoomTo(ViewFixture& f, int level) {
    for (int i = 0; i < level; ++i) f.view->RunCommand(viewcmd::ZoomIn);
}

void BM_FullRedrawZoomed(benchmark::State& state) {
    ViewFixture f(FullCount);
    ZoomTo(f, static_cast<int>(state.range(0)));
    for (auto _ : state) f.view->Redraw();
}
BENCHMARK(BM_FullRedrawZoomed)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);

// One notch at a time, alternately later and back, as the wheel event arrives.
void BM_WheelScrollStep(benchmark::State& state) {
    ViewFixture f(FullCount);
    ZoomTo(f, static_cast<int>(state.range(0)));
    const QPointF at(800, 200);
    int turn = WheelNotch;
    for (auto _ : state) {
        turn = -turn;
        QWheelEvent e(at, at, QPoint(), QPoint(0, turn), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(f.view.get(), &e);
    }
}
BENCHMARK(BM_WheelScrollStep)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kdx

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("MSゴシック"),
                               {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP", "VL Gothic"});
    benchmark::Initialize(&argc, argv);
    kdx::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios to the baselines of this run:\n");
    reporter.PrintRatio("five envelopes vs one plain pass (goal 1.2x)", "BM_BuildFiveEnvelopes",
                        "BM_PlainPassFiveArrays");
    reporter.PrintRatio("full redraw, 262144 vs 4000 samples", "BM_FullRedraw/262144", "BM_FullRedraw/4000");
    reporter.PrintRatio("cursor move vs full redraw", "BM_IncrementalCursorMove", "BM_FullRedraw/262144");
    std::printf("Wheel scroll step vs full redraw of the same window (goal: at most 1.2x):\n");
    reporter.PrintRatio("  half the data shown", "BM_WheelScrollStep/1", "BM_FullRedrawZoomed/1");
    reporter.PrintRatio("  standard window shown", "BM_WheelScrollStep/5", "BM_FullRedrawZoomed/5");
    benchmark::Shutdown();
    return 0;
}
