// Writes the README's pictures of the editor: the empty window, a new 5 mS
// waveform, a file with a sine-like trace and clock-like lanes, the File menu
// with its エクスポート submenu, the dialogs, and the output dialog against the
// simulated generator.
// Usage: kdx_screenshots OUTPUT_DIR (run on the offscreen platform or under Xvfb).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cmath>
#include <fstream>
#include <functional>
#include <vector>

#include "analog/ShapeForms.h"
#include "analog/qt/ExternalDlg.h"
#include "analog/qt/ManualDlg.h"
#include "analog/qt/FormulaDlg.h"
#include "analog/qt/ShapeDlgs.h"
#include "app/AboutDlg.h"
#include "app/KDXApp.h"
#include "device/qt/OutputDlg.h"
#include "device/qt/OutputSelectDlg.h"
#include "digital/qt/DigitalDlgs.h"
#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "document/qt/WaveTimeChangeDlg.h"
#include "document/qt/WaveTimeDlg.h"
#include "frame/qt/ExportDlgs.h"
#include "frame/qt/MainFrame.h"
#include "ui/qt/KDXView.h"
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

// Messages of a create are not shown in the pictures.
struct SilentPrompts : FormPrompts {
    void Inform(const std::string&) override {}
    bool Confirm(const std::string&) override { return true; }
};

// A generator dialog with its fields typed in and a preview created.
template <class Form, class Dialog>
bool ShootGenerator(CKDXDoc& doc, const std::vector<std::pair<int, std::string>>& texts, const QString& file,
                    TimeUnitIndex unit = TimeUnitUs, const std::function<void(Form&)>& prepare = {}) {
    GeneratorSetup setup{{doc.GetTotalTime(), doc.GetSamplingTime()}, 500000, doc.AnalogSamples()};
    Form form(setup, typename Form::MemoryRecord{});
    if (prepare) prepare(form);
    for (const auto& [id, text] : texts) {
        if (form.Field(id).unit == TimeUnitNone && id != 0) form.SetUnit(id, unit);
        form.SetText(id, text);
    }
    SilentPrompts prompts;
    form.Create(prompts);
    Dialog dialog(form);
    dialog.show();
    QCoreApplication::processEvents();
    return dialog.grab().save(file);
}

bool ShootGenerators(const QDir& out) {
    CKDXDoc doc;
    doc.NewWaveform(20, 250000);  // 5 mS
    bool ok = ShootGenerator<SineForm, CSinDlg>(
        doc, {{SineForm::Period, "2000"}, {SineForm::T1, "500"}, {SineForm::Delay, "0"}, {SineForm::Amplitude, "0.8"},
              {SineForm::Offset, "0.1"}, {SineForm::Repeat, "3"}},
        out.filePath("kdx-sine-dialog.png"));
    ok = ShootGenerator<RectangleForm, CRectangleDlg>(
             doc, {{RectangleForm::Period, "1000"}, {RectangleForm::T1, "50"}, {RectangleForm::T2, "150"},
                   {RectangleForm::T3, "50"}, {RectangleForm::T4, "150"}, {RectangleForm::V1, "1"},
                   {RectangleForm::V2, "-0.5"}, {RectangleForm::T0, "0"}, {RectangleForm::Repeat, "4"}},
             out.filePath("kdx-rectangle-dialog.png")) && ok;
    ok = ShootGenerator<DcForm, CDcDlg>(doc, {{DcForm::Period, "1500"}, {DcForm::Value, "0.6"}},
                                        out.filePath("kdx-dc-dialog.png")) && ok;
    ok = ShootGenerator<RampForm, CRampDlg>(doc, {{RampForm::Period, "1500"}, {RampForm::Initial, "-1"},
                                                  {RampForm::Final, "1"}},
                                            out.filePath("kdx-ramp-dialog.png")) && ok;
    ok = ShootGenerator<ExpForm, CExpDlg>(doc, {{ExpForm::Period, "1500"}, {ExpForm::Initial, "1"},
                                                {ExpForm::Final, "-0.5"}, {ExpForm::Tau, "200"}},
                                          out.filePath("kdx-exp-dialog.png")) && ok;
    ok = ShootGenerator<NoiseForm, CNoiseDlg>(doc, {{NoiseForm::Period, "1000"}, {NoiseForm::Amplitude, "150"}},
                                              out.filePath("kdx-noise-dialog.png"), TimeUnitUs,
                                              [](NoiseForm& form) { form.SetSeed(1); }) && ok;
    ok = ShootGenerator<FormulaForm, CFormulaDlg>(
             doc,
             {{FormulaForm::Period, "2000"},
              {FormulaForm::Expression, "1.1*sin(2*pi*1kHz*t) + 0.4*sin(2*pi*3kHz*t)"}},
             out.filePath("kdx-formula-dialog.png"), TimeUnitUs,
             [](FormulaForm& form) { form.SetRange(FormulaRange::Clip); }) && ok;
    return ok;
}

// The modification dialog with a copied stretch amplified and redrawn by a
// stroke, and the external data dialog with a CSV file loaded and converted.
bool ShootImportDialogs(const QDir& out, const QString& scratch) {
    CKDXDoc doc;
    doc.NewWaveform(100, 20000);  // 2 mS
    for (uint32_t i = 0; i < 20000; ++i) doc.AnalogSamples()[i] = 0.6 * std::sin(2.0 * M_PI * i / 4000.0) + 0.1;
    SilentPrompts prompts;
    const GeneratorSetup setup{{doc.GetTotalTime(), doc.GetSamplingTime()}, 500000, doc.AnalogSamples()};
    ManualForm manual(setup, ManualParams{});
    manual.SetUnit(ManualForm::CopyStart, TimeUnitUs);
    manual.SetText(ManualForm::CopyStart, "200");
    manual.SetUnit(ManualForm::CopyPeriod, TimeUnitUs);
    manual.SetText(ManualForm::CopyPeriod, "800");
    manual.Copy(prompts);
    manual.SetModification(ManualForm::Amplify);
    manual.SetText(ManualForm::Gain, "1.5");
    manual.Execute(prompts);
    CManualDlg manualDialog(manual);
    manualDialog.show();
    QCoreApplication::processEvents();
    const PixelRect plot = manualDialog.Preview()->Plot();
    manual.DrawSegment(plot, plot.left + 200, plot.top + 150, plot.left + 260, plot.top + 40);
    manualDialog.Refresh();
    QCoreApplication::processEvents();
    bool ok = manualDialog.grab().save(out.filePath("kdx-manual-dialog.png"));

    // A measured decay: 1000 values at 1 uS, one per line.
    const QString csv = QDir(scratch).filePath("decay.csv");
    {
        std::ofstream file(csv.toStdString());
        for (int i = 0; i < 1000; ++i) file << 2.5 * std::exp(-i / 300.0) * std::cos(i / 25.0) << "\n";
    }
    ExternalForm external(setup, ExternalParams{1000, TimeUnitUs, 0.4, 0.0, 1});
    CExternalDlg externalDialog(external);
    externalDialog.show();
    externalDialog.LoadFile(csv);
    external.Create(prompts);
    externalDialog.Refresh();
    QCoreApplication::processEvents();
    ok = externalDialog.grab().save(out.filePath("kdx-external-dialog.png")) && ok;

    // An oscilloscope's export: two header lines, the trigger at 0, uneven times.
    const QString scope = QDir(scratch).filePath("scope.csv");
    {
        std::ofstream file(scope.toStdString());
        file << "Model,DSO-1204,Serial,0001\nTime (s),CH1 (V),CH2 (V)\n";
        for (int i = 0; i < 400; ++i)
            file << (-2e-4 + i * 2.5e-6 + (i % 3) * 1e-9) << "," << std::tanh(std::sin(i / 30.0) * 3) << ","
                 << 0.2 * std::cos(i / 10.0) << "\n";
    }
    ExternalForm table(setup, ExternalParams{1000, TimeUnitUs, 1.0, 0.0, 0});
    CExternalDlg tableDialog(table);
    tableDialog.show();
    tableDialog.FormatList()->setCurrentIndex(static_cast<int>(SourceFormat::Table));
    tableDialog.LoadFile(scope);
    table.Create(prompts);
    tableDialog.Refresh();
    QCoreApplication::processEvents();
    ok = tableDialog.grab().save(out.filePath("kdx-external-table-dialog.png")) && ok;
    return ok;
}

bool ShootDialog(QWidget& dialog, const QString& file) {
    dialog.show();
    QCoreApplication::processEvents();
    return dialog.grab().save(file);
}

// The digital dialogs, each with its fields filled and a preview shown.
bool ShootDigital(const QDir& out) {
    CKDXDoc doc;
    doc.NewWaveform(20, 250000);  // 5 mS
    for (uint32_t i = 0; i < 250000; ++i) doc.DigitalChannel(1)[i] = (i / 3000) % 3 == 0 ? 1 : 0;
    SilentPrompts prompts;
    DigitalSetup setup{{doc.GetTotalTime(), doc.GetSamplingTime()}, 500000, {}};
    for (int ch = 0; ch < 4; ++ch) setup.channels[ch] = doc.DigitalChannel(ch);
    const auto type = [](EditForm& form, int id, const std::string& text) {
        if (form.Field(id).unit == TimeUnitNone) form.SetUnit(id, TimeUnitUs);
        form.SetText(id, text);
    };

    DigitalClockForm clock(setup, DigitalClockParams{}, 1);
    type(clock, DigitalClockForm::Time1, "20");
    type(clock, DigitalClockForm::Time2, "30");
    clock.SetText(DigitalClockForm::Repeat, "8");
    clock.Create(prompts);
    CDigitalDlg clockDialog(clock);
    bool ok = ShootDialog(clockDialog, out.filePath("kdx-digital-clock-dialog.png"));

    DigitalSerialForm serial(setup, DigitalSerialParams{}, "1011 0010 1110 0101", 2);
    type(serial, DigitalSerialForm::Interval, "25");
    serial.Create(prompts);
    CDigitalSerialDlg serialDialog(serial);
    ok = ShootDialog(serialDialog, out.filePath("kdx-digital-serial-dialog.png")) && ok;

    DigitalParallelForm parallel(setup, DigitalParallelParams{}, "0123456789ABCDEF");
    type(parallel, DigitalParallelForm::Interval, "25");
    parallel.SetTicked(3, false);
    parallel.Create(prompts);
    CDigitalParallelDlg parallelDialog(parallel);
    ok = ShootDialog(parallelDialog, out.filePath("kdx-digital-parallel-dialog.png")) && ok;

    // A copy of CH1 with a stretch drawn over and the whole inverted.
    DigitalModifyForm modify(setup, DigitalModifyParams{}, DigitalShiftParams{}, 1);
    type(modify, DigitalModifyForm::CopyStart, "0");
    type(modify, DigitalModifyForm::CopyPeriod, "400");
    modify.CopyButton(prompts);
    CDigitalModifyDlg modifyDialog(modify);
    const PixelRect plot = modifyDialog.Preview()->Plot();
    modify.Draw(plot, plot.left + 150, plot.top + 10, plot.left + 250, plot.top + 10);
    modifyDialog.Refresh();
    ok = ShootDialog(modifyDialog, out.filePath("kdx-digital-modify-dialog.png")) && ok;

    DigitalShiftParams shiftMemory;
    shiftMemory.shiftTime = 600000;
    shiftMemory.shiftTimeUnit = TimeUnitUs;
    shiftMemory.method = 2;
    DigitalShiftForm shift(doc.DigitalChannel(1), 250000, 20, 0, 1, shiftMemory);
    shift.Execute(prompts);
    CDigitalShiftDlg shiftDialog(shift);
    ok = ShootDialog(shiftDialog, out.filePath("kdx-digital-shift-dialog.png")) && ok;

    // SPI mode 0, two bytes in one frame on CH0 (SCLK), CH1 (MOSI) and CH2 (CS).
    ProtocolMemory protocolMemory;
    protocolMemory.protocol = BusProtocol::Spi;
    DigitalProtocolForm protocol(setup, protocolMemory);
    protocol.SetText(DigitalProtocolForm::Data, "A5 3C");
    protocol.Create(prompts);
    CDigitalProtocolDlg protocolDialog(protocol);
    ok = ShootDialog(protocolDialog, out.filePath("kdx-digital-protocol-dialog.png")) && ok;

    DigitalSwapForm swap(DigitalSwapParams{}, setup.channels, 250000);
    CDigitalSwapDlg swapDialog(swap);
    return ShootDialog(swapDialog, out.filePath("kdx-digital-swap-dialog.png")) && ok;
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

// The File menu open on its エクスポート submenu, painted over the window as
// the screen shows them; then the WAV and PWL options dialogs.
bool ShootExport(CMainFrame& frame, const QDir& out) {
    QMenu* file = frame.menuBar()->actions().front()->menu();
    QAction* exportItem = nullptr;
    for (QAction* a : file->actions()) {
        if (a->menu()) exportItem = a;
    }
    if (!exportItem) return false;
    frame.UpdateCommands();
    QMenuBar* bar = frame.menuBar();
    file->popup(bar->mapToGlobal(bar->actionGeometry(bar->actions().front()).bottomLeft()));
    file->setActiveAction(exportItem);
    QMenu* exports = exportItem->menu();
    exports->popup(file->mapToGlobal(file->actionGeometry(exportItem).topRight()));
    QCoreApplication::processEvents();
    QPixmap picture = frame.grab();
    {
        QPainter painter(&picture);
        for (QMenu* menu : {file, exports}) painter.drawPixmap(frame.mapFromGlobal(menu->pos()), menu->grab());
    }
    exports->hide();
    file->hide();
    bool ok = picture.save(out.filePath("kdx-export-menu.png"));
    CWavExportDlg wav(WavOptions{WavSampleFormat::Pcm24, true});
    ok = ShootDialog(wav, out.filePath("kdx-wav-export-dialog.png")) && ok;
    CPwlExportDlg pwl(PwlOptions{1, 5.0, 2}, 20);
    return ShootDialog(pwl, out.filePath("kdx-pwl-export-dialog.png")) && ok;
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
    // Zoomed in on the cursor and scrolled on by three arrow clicks: the
    // scroll bar under the plots.
    frame.RunCommand(32829);  // standard zoom
    for (int i = 0; i < 3; ++i) frame.View()->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ok = Shoot(frame, out.filePath("kdx-scrolled.png")) && ok;
    ok = ShootExport(frame, out) && ok;

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
    ok = ShootGenerators(out) && ok;
    ok = simulated && ShootOutput(frame, sim, out) && ok;
    ok = ShootImportDialogs(out, temp.path()) && ok;
    ok = ShootDigital(out) && ok;
    return ok ? 0 : 1;
}
