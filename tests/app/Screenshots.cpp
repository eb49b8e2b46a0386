// Writes the README's pictures of the editor: the empty window, a new 5 mS
// waveform, a file with a sine-like trace and clock-like lanes, the dialogs,
// and the output dialog against the simulated generator.
// Usage: kdx_screenshots OUTPUT_DIR (run on the offscreen platform or under Xvfb).
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cmath>

#include "app/AboutDlg.h"
#include "app/KDXApp.h"
#include "device/qt/OutputDlg.h"
#include "device/qt/OutputSelectDlg.h"
#include "document/qt/WaveTimeChangeDlg.h"
#include "document/qt/WaveTimeDlg.h"
#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "ui/frame/MainFrame.h"
#include "ui/view/KDXView.h"
#include "ScriptedPrompts.h"
#include "SimControls.h"

using namespace kdx;

namespace {

// 2 mS at 100 nS: three sine periods of 0.8 V with a small offset, and four
// clocks halving in frequency from CH0 to CH3.
bool WriteDemoFile(const QString& path) {
    CKDXDoc doc;
    if (!doc.NewWaveform(100, 20000)) return false;
    const uint32_t n = doc.GetSampleCount();
    doc.BeginAnalogEdit();
    for (uint32_t i = 0; i < n; ++i) {
        doc.AnalogSamples()[i] = 0.8 * std::sin(2.0 * M_PI * 3.0 * i / n) + 0.1;
    }
    doc.CommitAnalogEdit();
    doc.BeginDigitalEdit(UndoKindAllDigital);
    for (int ch = 0; ch < 4; ++ch) {
        const uint32_t half = 500u << ch;
        for (uint32_t i = 0; i < n; ++i) doc.DigitalChannel(ch)[i] = (i / half) % 2 == 0 ? 1 : 0;
    }
    doc.CommitDigitalEdit(UndoKindAllDigital, true);
    WaveformHeader header;
    DialogMemories params;
    doc.CollectForSave(header, params);
    std::string message;
    return WriteWaveformFile(path.toStdString(), header, doc.GetSampleArrays(), params, message);
}

bool Shoot(CMainFrame& frame, const QString& file) {
    QCoreApplication::processEvents();
    frame.UpdateCommands();
    QCoreApplication::processEvents();
    return frame.grab().save(file);
}

bool ShootDialog(QWidget* dialog, const QString& file) {
    QCoreApplication::processEvents();
    return dialog && dialog->grab().save(file);
}

// The output dialog with no generator, with one ready (after a transfer in
// repeat mode) and running; then the choice of generator at start-up.
bool ShootOutput(CMainFrame& frame, const simtest::SimControls& sim, const QDir& out) {
    CKDXDoc& doc = frame.Document();
    frame.SetOutputAvailable(true);
    const auto dialog = [&] { return dynamic_cast<COutputDlg*>(doc.GetOutputPanel()); };
    bool ok = sim.configure(R"({"generators": []})") == 0;
    frame.RunCommand(32771);
    ok = ShootDialog(dialog(), out.filePath("kdx-output-not-connected.png")) && ok;
    doc.CloseOutputDialog();

    ok = sim.configure(R"({"generators": [{"protocol": "block"}]})") == 0 && ok;
    frame.RunCommand(32771);
    COutputDlg* d = dialog();
    if (!d) return false;
    d->Radio(GroupOutputMode, 1)->click();
    d->RepeatEdit()->setText(QStringLiteral("3"));
    d->Radio(GroupAnalogIdle, 1)->click();
    d->TransferButton()->click();
    d->PollNow();
    ok = ShootDialog(d, out.filePath("kdx-output-ready.png")) && ok;
    d->StartStopButton()->click();
    d->PollNow();
    ok = ShootDialog(d, out.filePath("kdx-output-running.png")) && ok;
    doc.CloseOutputDialog();

    COutputSelectDlg select({{"20260001", "左の棚", false}, {"20260002", "", true}}, &frame);
    select.show();
    select.List()->setCurrentItem(select.List()->topLevelItem(0));
    ok = ShootDialog(&select, out.filePath("kdx-output-select.png")) && ok;
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 2) return 2;
    RegisterFontSubstitutions();
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir temp;

    // The simulated generator stands in for the vendor's library from the start.
    simtest::SimControls sim;
    std::string simError;
    const bool simulated = simtest::LoadSimControls(KDX_SIM_LIBRARY, sim, simError);
    if (!simulated) qWarning("%s", simError.c_str());

    CKDXDoc doc;
    kdx::test::ScriptedPrompts prompts;
    CMainFrame frame(doc);
    frame.SetPrompts(&prompts);
    frame.resize(1024, 700);
    if (argc > 2) frame.resize(710, 500);
    frame.show();
    qInfo("minimum size %d x %d", frame.minimumSizeHint().width(), frame.minimumSizeHint().height());
    bool ok = Shoot(frame, out.filePath("kdx-empty.png"));

    frame.RunCommand(57600);  // File New with the proposed 5 mS
    ok = Shoot(frame, out.filePath("kdx-new.png")) && ok;

    const QString demo = temp.filePath("demo.kdx");
    ok = WriteDemoFile(demo) && frame.OpenWaveformFile(demo) && ok;
    frame.View()->MoveCursor(5000);
    frame.View()->SetTimeMark(12000);
    ok = Shoot(frame, out.filePath("kdx-waveform.png")) && ok;

    // The dialogs File New, the total-time change and About show.
    CWaveTimeDlg newDialog(5000000, 20, 250000);
    newDialog.show();
    QCoreApplication::processEvents();
    ok = newDialog.grab().save(out.filePath("kdx-time-dialog.png")) && ok;
    CWaveTimeChangeDlg changeDialog(5000000, 20, 250000);
    changeDialog.show();
    QCoreApplication::processEvents();
    ok = changeDialog.grab().save(out.filePath("kdx-time-change-dialog.png")) && ok;
    CAboutDlg about;
    about.show();
    QCoreApplication::processEvents();
    ok = about.grab().save(out.filePath("kdx-about.png")) && ok;
    ok = simulated && ShootOutput(frame, sim, out) && ok;
    return ok ? 0 : 1;
}
