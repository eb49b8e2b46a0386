// One poll of the output dialog (status and settings read through the
// simulated generator, the state derived, the controls a poll without change
// touches) against the bare link exchanges of the same poll on a twin
// generator, in the same run; the ratio is what the dialog adds. Both
// protocol generations: three register reads, or two block queries.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "device/qt/OutputDlg.h"
#include "document/KDXDoc.h"
#include "support/RatioReporter.h"

namespace {

using namespace kdx;

struct Bench {
    bool ready = false;
    CKDXDoc doc;
    std::unique_ptr<COutputDlg> dialogs[2];  // [register]
    DeviceHandle twins[2] = {};

    Bench() {
        setenv("KDX_D2XX_LIBRARY", KDX_SIM_LIBRARY, 0);
        unsetenv("KDX_SIM_LOG");  // the log would dominate what is measured
        if (!LoadDeviceLibrary()) return;
        void* module = dlopen(std::getenv("KDX_D2XX_LIBRARY"), RTLD_NOW);
        auto configure = module ? reinterpret_cast<int (*)(const char*)>(dlsym(module, "kdxsim_configure")) : nullptr;
        // Running generators, so that every poll reads everything and finds it unchanged.
        const char* bus = R"({"generators": [
            {"user_serial": "20260003", "state": {"running": true, "data_loaded": true}},
            {"user_serial": "20260004", "protocol": "block", "state": {"running": true, "data_loaded": true}},
            {"user_serial": "20260005", "state": {"running": true, "data_loaded": true}},
            {"user_serial": "20260006", "protocol": "block", "state": {"running": true, "data_loaded": true}}]})";
        if (!configure || configure(bus) != 0 || !doc.NewWaveform(20, 1000)) return;
        const auto noMessages = [](QWidget*, const QString&) {};
        dialogs[1] = COutputDlg::Create(doc, {"20260003", "", "a.kdx"}, nullptr, noMessages);
        dialogs[0] = COutputDlg::Create(doc, {"20260004", "", "a.kdx"}, nullptr, noMessages);
        ready = dialogs[0] && dialogs[1] && dialogs[0]->Panel().GeneratorOpen() &&
                dialogs[1]->Panel().GeneratorOpen() && OpenGenerator("QZ10010005", twins[1]) == LINK_OK &&
                OpenGenerator("QZ10010006", twins[0]) == LINK_OK;
    }
};

// Made and destroyed inside main: the dialogs need the application object.
Bench* theBench = nullptr;
Bench& TheBench() { return *theBench; }

// What a poll moves over the link, and nothing else.
bool BareExchanges(DeviceHandle handle, bool registerProtocol) {
    if (registerProtocol) {
        static const RegisterFrame requests[3] = {BuildRegisterRead(REG_STATUS), BuildRegisterRead(REG_REPEAT),
                                                  BuildRegisterRead(REG_SETTINGS)};
        RegisterFrame reply;
        for (const RegisterFrame& request : requests) {
            if (Transact(handle, request.data(), 6, reply.data(), 6) != LINK_OK) return false;
        }
        return true;
    }
    static const BlockHeader query = BuildBlockHeader(BlockCommandQuery);
    BlockHeader header;
    uint8_t block[ParameterBlockSize];
    for (int i = 0; i < 2; ++i) {
        if (WriteExact(handle, query.data(), 4) != LINK_OK || ReadExact(handle, header.data(), 4) != LINK_OK ||
            ReadExact(handle, block, ParameterBlockSize) != LINK_OK) {
            return false;
        }
    }
    return true;
}

void BM_BareExchanges(benchmark::State& state) {
    Bench& b = TheBench();
    if (!b.ready) {
        state.SkipWithError("simulator not loaded");
        return;
    }
    const bool registerProtocol = state.range(0) != 0;
    for (auto _ : state) {
        if (!BareExchanges(b.twins[registerProtocol], registerProtocol)) {
            state.SkipWithError("exchange failed");
            break;
        }
    }
}
BENCHMARK(BM_BareExchanges)->Arg(1)->Arg(0)->ArgName("register")->Unit(benchmark::kMicrosecond);

// The poll itself: exchanges, state derivation and the dialog's control
// updates; with timer:1 as the timer runs it, the poll timer stopped and
// started afresh around it (a fixed cost, whatever the poll finds).
void BM_DialogPoll(benchmark::State& state) {
    Bench& b = TheBench();
    if (!b.ready) {
        state.SkipWithError("simulator not loaded");
        return;
    }
    COutputDlg& dialog = *b.dialogs[state.range(0) != 0];
    if (state.range(1) != 0) {
        for (auto _ : state) dialog.PollNow();
    } else {
        for (auto _ : state) dialog.Panel().Poll();
    }
    if (!dialog.Panel().GeneratorOpen()) state.SkipWithError("poll failed");
}
BENCHMARK(BM_DialogPoll)->ArgsProduct({{1, 0}, {0, 1}})->ArgNames({"register", "timer"})->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    auto bench = std::make_unique<Bench>();
    theBench = bench.get();
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nEach poll against the bare exchanges of the same poll:\n");
    for (const char* timer : {"/timer:0", "/timer:1"}) {
        for (const char* arg : {"register:1", "register:0"}) {
            const std::string poll = std::string("BM_DialogPoll/") + arg + timer;
            reporter.PrintRatio(poll.c_str(), poll, std::string("BM_BareExchanges/") + arg);
        }
    }
    benchmark::Shutdown();
    theBench = nullptr;
    return 0;
}
