// The output dialog and the choice of generator, driven through the real
// windows on the offscreen platform against the simulated generator, which
// the frame loads as it would load the vendor's library.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/KDXApp.h"
#include "device/DeviceLink.h"
#include "device/qt/OutputDlg.h"
#include "device/qt/OutputSelectDlg.h"
#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "frame/CommandIds.h"
#include "frame/qt/MainFrame.h"
#include "ScriptedPrompts.h"
#include "SimControls.h"

using namespace kdx;
using kdx::test::ScriptedPrompts;
using nlohmann::json;

// A check inside a callback that cannot return early: records the failure and goes on.
#define EXPECT(cond)                                          \
    do {                                                      \
        if (!(cond)) QTest::qFail(#cond, __FILE__, __LINE__); \
    } while (false)

namespace {

simtest::SimControls sim;

void Configure(const json& bus) { QCOMPARE(sim.configure(bus.dump().c_str()), 0); }
json Generator(int index = 0) { return json::parse(sim.state()).at(index); }

json Running(bool running, bool loaded, int control, int mode, const char* protocol = "register") {
    // Long enough that a repeated playback never ends during a test.
    return {{"protocol", protocol},
            {"state",
             {{"running", running},
              {"data_loaded", loaded},
              {"sample_count", 262144},
              {"sampling_step", 16777216},
              {"settings", {{"startStopControl", control}, {"outputMode", mode}, {"repeatCount", 65536}}}}}};
}

// A frame with a 1000-sample waveform of known values and the output command available.
struct Rig {
    CKDXDoc doc;
    ScriptedPrompts prompts;
    std::unique_ptr<CMainFrame> frame = std::make_unique<CMainFrame>(doc);

    Rig() {
        frame->SetPrompts(&prompts);
        frame->SetOutputAvailable(true);
        frame->show();
        prompts.newTimeBase = TimeBaseChoice{20000, 20, 1000};
        frame->RunCommand(cmd::FileNew);
        doc.BeginAnalogEdit();
        doc.BeginDigitalEdit(UndoKindAllDigital);
        for (uint32_t i = 0; i < 1000; ++i) {
            doc.AnalogSamples()[i] = std::sin(i * 0.01);
            doc.DigitalChannel(int(i % 4))[i] = 1;
        }
        doc.CommitAnalogEdit();
        doc.CommitDigitalEdit(UndoKindAllDigital, true);
    }
    COutputDlg* Dialog() const { return dynamic_cast<COutputDlg*>(doc.GetOutputPanel()); }
    COutputDlg* Open() {
        frame->RunCommand(cmd::WaveformOutput);
        return Dialog();
    }
    // The user closes the window; the frame takes it over when the event loop runs.
    void CloseByUser() {
        Dialog()->close();
        QCoreApplication::processEvents();
    }
};

QString Status(COutputDlg* d) { return d->StatusLabel()->text(); }

// The start/stop label, which of the three buttons are enabled, and whether
// any radio carries the generator's mark: "スタート 110 *".
QString Buttons(COutputDlg* d) {
    QString text = d->StartStopButton()->text() + ' ';
    for (QPushButton* b : {d->TransferButton(), d->StartStopButton(), d->ForceStopButton()}) {
        text += b->isEnabled() ? '1' : '0';
    }
    for (QRadioButton* r : d->findChildren<QRadioButton*>()) {
        if (r->text().endsWith(QStringLiteral(" *"))) return text + QStringLiteral(" *");
    }
    return text;
}

}  // namespace

class OutputDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        qputenv("KDX_INI", dir.filePath(QStringLiteral("KDX.INI")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
        qunsetenv("KDX_SIM_STATE");
        std::string error;
        QVERIFY2(simtest::LoadSimControls(KDX_SIM_LIBRARY, sim, error), error.c_str());
    }

    void cleanup() {
        // Whatever a test did, no generator stays held once its windows are gone.
        QCOMPARE(sim.openHandles(), 0);
        QCOMPARE(sim.unsupportedCalls(), 0);
    }

    void notConnectedUntilAGeneratorIsAttached() {
        Configure({{"generators", json::array()}});
        Rig rig;
        COutputDlg* d = rig.Open();
        QVERIFY(d && d->isVisible() && d->Polling());
        QCOMPARE(d->windowTitle(), QStringLiteral("波形出力 - 無題"));
        QCOMPARE(Status(d), QStringLiteral("VELX-9 未接続"));
        QCOMPARE(d->VersionLabel()->text(), QString());
        QCOMPARE(Buttons(d), QStringLiteral("スタート 000"));

        Configure({{"generators", json::array({json::object()})}});
        d->PollNow();
        QCOMPARE(Status(d), QStringLiteral("VELX-9 未設定"));
        QCOMPARE(d->VersionLabel()->text(), QStringLiteral("Ver.1"));
        QCOMPARE(sim.openHandles(), 1);
        rig.CloseByUser();
        QVERIFY(!rig.doc.HasOutputDialog());
    }

    void pollStatesAndButtons_data() {
        QTest::addColumn<QByteArray>("generator");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("buttons");
        const auto row = [](const char* name, const json& g, const char* status, const char* buttons) {
            QTest::newRow(name) << QByteArray::fromStdString(g.dump()) << QString::fromUtf8(status)
                                << QString::fromUtf8(buttons);
        };
        row("not configured", Running(false, false, 0, 0), "VELX-9 未設定", "ストップ 100");
        row("not configured, external", Running(false, false, 2, 0), "VELX-9 未設定", "ストップ 101");
        row("ready", Running(false, true, 0, 1), "VELX-9 レディ", "スタート 110 *");
        row("running continuous", Running(true, true, 0, 0), "VELX-9 動作中", "ストップ 011 *");
        row("running repeat", Running(true, true, 0, 1, "block"), "VELX-9 動作中", "ストップ 001 *");
        row("error", Running(true, false, 0, 0), "VELX-9 異常", "ストップ 100 *");
        row("manual, ready", Running(false, true, 1, 0), "VELX-9 レディ", "スタート 100 *");
        row("manual, running", Running(true, true, 1, 0), "VELX-9 動作中", "ストップ 001 *");
    }

    void pollStatesAndButtons() {
        QFETCH(QByteArray, generator);
        Configure({{"generators", json::array({json::parse(generator.toStdString())})}});
        Rig rig;
        COutputDlg* d = rig.Open();
        QTEST(Status(d), "status");
        QTEST(Buttons(d), "buttons");
    }

    void marksTriggerGroupsAndLockedPulseWidth() {
        for (const char* protocol : {"register", "block"}) {
            json g = Running(false, true, 2, 1, protocol);
            g["state"]["settings"]["triggerPolarity"] = 1;
            Configure({{"generators", json::array({g})}});
            Rig rig;
            COutputDlg* d = rig.Open();
            QCOMPARE(d->Radio(GroupStartStopControl, 2)->text(), QStringLiteral("外部トリガー *"));
            QCOMPARE(d->Radio(GroupTriggerPolarity, 1)->text(), QStringLiteral("負 *"));
            QCOMPARE(d->Radio(GroupStartStopControl, 0)->text(), QStringLiteral("リモート（ＰＣ）"));
            QCOMPARE(d->GeneratorRepeatBox()->text(), QStringLiteral("65536"));
            // The dialog's own choice decides the enabling: external trigger
            // opens the trigger groups, and retrigger only for firmware 2.
            QVERIFY(!d->Radio(GroupTriggerMode, 0)->isEnabled());
            d->Radio(GroupStartStopControl, 2)->click();
            QVERIFY(d->Radio(GroupTriggerMode, 0)->isEnabled());
            QCOMPARE(d->Radio(GroupRetrigger, 1)->isEnabled(), std::string(protocol) == "block");
            QVERIFY(!d->RepeatEdit()->isEnabled());
            d->Radio(GroupOutputMode, 1)->click();
            QVERIFY(d->RepeatEdit()->isEnabled() && d->GeneratorRepeatBox()->isEnabled());
            // A 20 uS waveform has the 10 uS pulse, and cannot be given the other.
            QVERIFY(d->Radio(GroupSyncPulseWidth, 0)->isChecked());
            QVERIFY(!d->Radio(GroupSyncPulseWidth, 1)->isEnabled());
            d->PollNow();
            QVERIFY(!d->Radio(GroupSyncPulseWidth, 1)->isEnabled());
        }
    }

    void transferStartStopAndTheRepeatCount() {
        Configure({{"generators", json::array({json::object()})}});
        Rig rig;
        // A total-time change closes the dialog; undone while a later one is
        // open, the transfer must still send the document's current count.
        rig.prompts.timeChange = TimeBaseChoice{40000, 20, 2000};
        rig.frame->RunCommand(cmd::TotalTimeChange);
        COutputDlg* d = rig.Open();
        rig.frame->RunCommand(cmd::EditUndo);
        QCOMPARE(rig.doc.GetSampleCount(), 1000u);

        d->Radio(GroupOutputMode, 1)->click();
        d->Radio(GroupAnalogIdle, 1)->click();
        for (const char* bad : {"0", "65537", "abc"}) {
            d->RepeatEdit()->setText(QString::fromUtf8(bad));
            d->TransferButton()->click();
            QCOMPARE(rig.prompts.messages.takeLast(), QStringLiteral("繰り返し回数が不正です。"));
            QCOMPARE(Generator()["received_samples"], 0);
        }
        d->RepeatEdit()->setText(QStringLiteral("65536"));
        d->TransferButton()->click();
        QVERIFY(rig.prompts.messages.isEmpty());
        QCOMPARE(Status(d), QStringLiteral("VELX-9 転送中"));
        d->PollNow();
        QCOMPARE(Status(d), QStringLiteral("VELX-9 レディ"));

        // Exactly the document's words and the dialog's settings.
        std::vector<uint8_t> expected(2000), received(2000);
        BuildSampleWords({1638.0, 2048.0}, true, std::as_const(rig.doc).GetSampleArrays(), 1000, expected.data());
        QCOMPARE(sim.samples(0, received.data(), 2000), 2000u);
        QVERIFY(received == expected);
        const json held = Generator()["settings"];
        QCOMPARE(held["outputMode"], 1);
        QCOMPARE(held["analogIdleOutput"], 1);
        QCOMPARE(held["repeatCount"], 65536);
        QCOMPARE(Buttons(d), QStringLiteral("スタート 110 *"));

        // A count being typed survives the state changes the actions and polls show.
        d->RepeatEdit()->setText(QStringLiteral("12"));
        d->StartStopButton()->click();
        QCOMPARE(Status(d), QStringLiteral("VELX-9 通信中"));
        d->PollNow();
        QCOMPARE(Status(d), QStringLiteral("VELX-9 動作中"));
        QCOMPARE(d->RepeatEdit()->text(), QStringLiteral("12"));
        d->ForceStopButton()->click();
        d->PollNow();
        QCOMPARE(Status(d), QStringLiteral("VELX-9 レディ"));
        QCOMPARE(d->RepeatEdit()->text(), QStringLiteral("12"));
        QVERIFY(rig.prompts.messages.isEmpty());
    }

    void heldWaveformFollowsTransfersEditsAndUndo_data() {
        QTest::addColumn<QString>("protocol");
        QTest::newRow("register") << QStringLiteral("register");
        QTest::newRow("block") << QStringLiteral("block");
    }

    // Beside the status: whether the generator holds what the document shows,
    // in its own words and colour, after each poll.
    void heldWaveformFollowsTransfersEditsAndUndo() {
        QFETCH(QString, protocol);
        Configure({{"generators", json::array({{{"protocol", protocol.toStdString()}}})}});
        Rig rig;
        COutputDlg* d = rig.Open();
        const auto held = [&rig] {
            COutputDlg* dialog = rig.Dialog();
            dialog->PollNow();
            const QLabel* label = dialog->HeldLabel();
            return label->text() + ' ' + label->palette().color(QPalette::WindowText).name();
        };
        const QString current = QStringLiteral("現在の波形を保持 #008000");
        const QString earlier = QStringLiteral("以前の波形を保持 #c00000");
        QCOMPARE(held(), QStringLiteral(" #000000"));  // nothing held yet
        d->TransferButton()->click();
        QCOMPARE(held(), current);
        rig.frame->RunCommand(cmd::ChannelInvert[1]);
        QCOMPARE(held(), earlier);
        rig.frame->RunCommand(cmd::EditUndo);
        QCOMPARE(held(), current);
        rig.frame->RunCommand(cmd::ChannelInvert[2]);
        QCOMPARE(held(), earlier);
        d->TransferButton()->click();
        QCOMPARE(held(), current);
        QVERIFY(rig.prompts.messages.isEmpty());

        // Opened afresh, only the block protocol's read-back can tell.
        rig.CloseByUser();
        rig.Open();
        QCOMPARE(held(), protocol == QStringLiteral("block") ? current : QStringLiteral(" #000000"));

        // No code stands for a sample that is not a number: nothing is sent.
        rig.doc.AnalogSamples()[3] = std::nan("");
        const json before = Generator();
        rig.Dialog()->TransferButton()->click();
        QCOMPARE(rig.prompts.messages.takeLast(),
                 QStringLiteral("数値でないアナログデータがあります（4 番目、60 nS）。\n\nデータ転送を中止しました。"));
        QCOMPARE(Generator(), before);
    }

    void closingTakesTheSettingsAndSavingWritesThem() {
        Configure({{"generators", json::array({json::object()})}});
        Rig rig;
        rig.frame->Save();  // saved once, so that only the dialog changes it
        rig.prompts.savePath = dir.filePath(QStringLiteral("out.kdx"));
        QVERIFY(rig.frame->SaveAs());
        COutputDlg* d = rig.Open();
        QCOMPARE(d->windowTitle(), QStringLiteral("波形出力 - out.kdx"));
        d->Radio(GroupSyncPolarity, 1)->click();
        QVERIFY(rig.frame->Save());  // taken over before saving; the dialog stays
        QVERIFY(rig.doc.HasOutputDialog());
        WaveformHeader header;
        SampleBuffers buffers;
        DialogMemories params;
        std::string message;
        QVERIFY(ReadWaveformFile(rig.prompts.savePath.toStdString(), header, ArraysOf(buffers), params,
                                 FileFormatVersion, message));
        QCOMPARE(header.output.syncPolarity, uint8_t{1});

        // The output command again, and an edit that leaves values out of
        // range, bring the same dialog forward.
        d->showMinimized();
        rig.frame->RunCommand(cmd::WaveformOutput);
        QCOMPARE(rig.Dialog(), d);
        QVERIFY(!(d->windowState() & Qt::WindowMinimized));
        d->showMinimized();
        rig.doc.BeginAnalogEdit();
        rig.doc.AnalogSamples()[5] = 1.5;
        rig.doc.CommitAnalogEdit();
        QVERIFY(!(d->windowState() & Qt::WindowMinimized));
        // Saved under another name while open: the caption follows.
        rig.prompts.savePath = dir.filePath(QStringLiteral("renamed.kdx"));
        QVERIFY(rig.frame->SaveAs());
        QCOMPARE(d->windowTitle(), QStringLiteral("波形出力 - renamed.kdx"));

        // Closed with a count that is not valid: the radios go to the document, the count does not.
        d->Radio(GroupOutputMode, 1)->click();
        d->Radio(GroupDigitalIdle, 1)->click();
        d->RepeatEdit()->setText(QStringLiteral("0"));
        rig.CloseByUser();
        QVERIFY(!rig.doc.HasOutputDialog());
        const OutputSettings& s = rig.doc.GetOutputSettings();
        QCOMPARE(s.outputMode, uint8_t{1});
        QCOMPARE(s.digitalIdleOutput, uint8_t{1});
        QCOMPARE(s.repeatCount, 1);
        rig.frame->UpdateCommands();
        QVERIFY(rig.frame->Action(cmd::FileSave)->isEnabled());
    }

    void faultsLeaveTheDialogOpenAndTheDocumentAlone_data() {
        QTest::addColumn<QByteArray>("generator");
        QTest::addColumn<int>("button");  // 0 transfer, 1 start/stop, 2 forced stop
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* name, const json& g, int button, const char* message, const char* after) {
            QTest::newRow(name) << QByteArray::fromStdString(g.dump()) << button << QString::fromUtf8(message)
                                << QString::fromUtf8(after);
        };
        const char* setFailed = "データ設定できませんでした。";
        // Opening and the first poll take 5 writes (register reads, one write each).
        row("unplugged during the transfer", {{"faults", {{"unplug_after_writes", 10}}}}, 0, setFailed,
            "VELX-9 未接続");
        row("write fails", {{"faults", {{"writes", {{{"at", 9}, {"status", 4}}}}}}}, 0, setFailed, "VELX-9 未設定");
        row("data error flag", {{"faults", {{"data_error", true}}}}, 0, setFailed, "VELX-9 未設定");
        row("data set refused", {{"protocol", "block"}, {"faults", {{"replies", {{{"command", 16}, {"status", 2}}}}}}},
            0, setFailed, "VELX-9 未設定");
        json ready = Running(false, true, 0, 0, "block");
        ready["faults"] = {{"replies", {{{"command", 1}, {"status", 2}}}}};
        row("start refused", ready, 1, "スタートできませんでした。\n\n", "VELX-9 動作中");
        json running = Running(true, true, 0, 0);
        running["faults"] = {{"replies", {{{"register", 0}, {"wrong_echo", 5}}}}};
        row("stop echo wrong", running, 1, "ストップできませんでした。\n\n", "VELX-9 レディ");
        running["faults"] = {{"reads", {{{"at", 6}, {"bytes", 3}}}}};
        row("forced stop short reply", running, 2, "強制ストップできませんでした。\n\n", "VELX-9 レディ");
    }

    void faultsLeaveTheDialogOpenAndTheDocumentAlone() {
        QFETCH(QByteArray, generator);
        QFETCH(int, button);
        Configure({{"generators", json::array({json::parse(generator.toStdString())})}});
        Rig rig;
        const OutputSettings settings = rig.doc.GetOutputSettings();
        const int32_t dataId = rig.doc.GetDataId();
        const std::vector<double> analog(rig.doc.GetAnalogSamples(), rig.doc.GetAnalogSamples() + 1000);
        COutputDlg* d = rig.Open();
        QPushButton* buttons[] = {d->TransferButton(), d->StartStopButton(), d->ForceStopButton()};
        QVERIFY(buttons[button]->isEnabled());
        // The message box belongs to the action: no poll runs under it, and
        // the user is asked without a wait cursor.
        bool pollingUnderMessage = true;
        const QCursor* cursorUnderMessage = nullptr;
        rig.prompts.whileShowingMessage = [&] {
            pollingUnderMessage = d->Polling();
            cursorUnderMessage = QApplication::overrideCursor();
        };
        buttons[button]->click();
        QVERIFY(!pollingUnderMessage);
        QCOMPARE(cursorUnderMessage, nullptr);
        QFETCH(QString, message);
        QCOMPARE(rig.prompts.messages, QStringList{message});
        QVERIFY(rig.doc.HasOutputDialog() && d->isVisible() && d->Polling());
        d->PollNow();
        QTEST(Status(d), "after");
        QVERIFY(rig.doc.GetOutputSettings() == settings);
        QCOMPARE(rig.doc.GetDataId(), dataId);
        QVERIFY(std::equal(analog.begin(), analog.end(), rig.doc.GetAnalogSamples()));
        rig.CloseByUser();
    }

    void aFailedPollOrUserAreaReadHoldsNoGenerator() {
        // The third read is the poll's status: the link closes, the next poll opens it again.
        Configure({{"generators", json::array({{{"faults", {{"reads", {{{"at", 3}, {"status", 4}}}}}}}})}});
        Rig rig;
        COutputDlg* d = rig.Open();
        QCOMPARE(Status(d), QStringLiteral("VELX-9 未接続"));
        QCOMPARE(sim.openHandles(), 0);
        d->PollNow();
        QCOMPARE(Status(d), QStringLiteral("VELX-9 未設定"));
        rig.CloseByUser();

        // A user area that cannot be read: the generator is released at once,
        // not opened again and again by every poll.
        Configure({{"generators", json::array({{{"faults", {{"user_area", 4}}}}})}});
        d = rig.Open();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(Status(d), QStringLiteral("VELX-9 未接続"));
            QCOMPARE(sim.openHandles(), 0);
            d->PollNow();
        }
        QCOMPARE(Generator()["open"], false);
        rig.CloseByUser();
    }

    void startUpChoiceOfGenerator() {
        Configure({{"generators", json::array({{{"user_serial", "20260001"}}, {{"user_serial", "20260005"}}})}});
        const QString ini = dir.filePath(QStringLiteral("KDX.INI"));
        // Sections 1, 3 (in the older form) and 7.
        const QByteArray settings = "[KDX]\r\nVersion=6.1\r\n[VELX-9]\r\nMaxNumber=2\r\n"
                                    "[VELX-9.Device1]\r\nSerialNo=20260009\r\nDescription=棚\r\n"
                                    "[VELX-9.Device3]\r\nUSBSerialNo=QZ10010001\r\nUserSerialNo=20260001\r\n"
                                    "[VELX-9.Device7]\r\nSerialNo=20260008\r\nDescription=予備\r\n";
        // No choice, then the attached generator the settings lacked, named here.
        for (const int row : {-1, 3}) {
            WriteFile(ini, settings);
            ScriptedPrompts prompts;
            CKDXApp app;
            int asked = 0;
            app.SetDeviceSelectRunner([&](COutputSelectDlg& dlg) {
                ++asked;
                QTreeWidget* list = dlg.List();
                QStringList rows;  // known first, then attached ones the list lacked; attached in red
                for (int i = 0; i < list->topLevelItemCount(); ++i) {
                    const QTreeWidgetItem* item = list->topLevelItem(i);
                    const bool red = item->foreground(0).color() == QColor(255, 0, 0);
                    rows << item->text(0) + "/" + item->text(1) + (red ? "/red" : "");
                }
                EXPECT(rows == QStringList({"20260009/棚", "20260001//red", "20260008/予備", "20260005//red"}));
                EXPECT(!dlg.OkButton()->isEnabled() && !dlg.NameEdit()->isEnabled());
                if (row < 0) {
                    dlg.NoChoiceButton()->click();
                    return dlg.result();
                }
                list->setCurrentItem(list->topLevelItem(row));
                EXPECT(dlg.OkButton()->isEnabled() && dlg.NameEdit()->isEnabled());
                QTest::sendKeyEvent(QTest::Click, dlg.NameEdit(), Qt::Key_unknown, QStringLiteral("右"),
                                    Qt::NoModifier);
                EXPECT(list->topLevelItem(row)->text(1) == QStringLiteral("右"));
                dlg.OkButton()->click();
                return dlg.result();
            });
            QVERIFY(app.RunStartup({QStringLiteral("kdx")}, &prompts, false));
            QCOMPARE(asked, 1);
            CMainFrame* frame = app.Frame();
            QCOMPARE(frame->windowTitle(), row < 0 ? QStringLiteral("[VELX-9指定なし] KDX") : QStringLiteral("[右] KDX"));
            frame->UpdateCommands();
            QCOMPARE(frame->Action(cmd::WaveformOutput)->isEnabled(), row >= 0);
            // Written back whatever the answer: 1, 2, 3 in the new form, then the attached one.
            QCOMPARE(ReadFile(ini), "[KDX]\r\nVersion=6.1\r\n[VELX-9]\r\nMaxNumber=2\r\n"
                                    "[VELX-9.Device1]\r\nSerialNo=20260009\r\nDescription=棚\r\n"
                                    "[VELX-9.Device2]\r\nSerialNo=20260001\r\nDescription=\r\n"
                                    "[VELX-9.Device3]\r\nSerialNo=20260008\r\nDescription=予備\r\n"
                                    "[VELX-9.Device4]\r\nSerialNo=20260005\r\nDescription=" +
                                        QByteArray(row < 0 ? "" : "右") + "\r\n");
            if (row >= 0) {
                // The chosen generator is the one the output dialog opens.
                frame->RunCommand(cmd::FileNew);
                frame->RunCommand(cmd::WaveformOutput);
                auto* d = dynamic_cast<COutputDlg*>(app.Document()->GetOutputPanel());
                QCOMPARE(d->windowTitle(), QStringLiteral("波形出力 - [右] 無題"));
                QCOMPARE(d->Panel().UsbSerial(), std::string("QZ10010005"));
                QCOMPARE(Generator(1)["open"], true);
            }
        }

        // One generator per installation: no question, no section touched.
        QByteArray single = settings;
        single.replace("MaxNumber=2", "MaxNumber=1");
        WriteFile(ini, single);
        CKDXApp app;
        app.SetDeviceSelectRunner([](COutputSelectDlg&) {
            QTest::qFail("no selection expected", __FILE__, __LINE__);
            return 0;
        });
        ScriptedPrompts prompts;
        QVERIFY(app.RunStartup({QStringLiteral("kdx")}, &prompts, false));
        QCOMPARE(ReadFile(ini), single);
        QCOMPARE(app.Frame()->windowTitle(), QStringLiteral("KDX"));
        app.Frame()->UpdateCommands();
        QVERIFY(app.Frame()->Action(cmd::WaveformOutput)->isEnabled());
        // Closing the main window releases the library.
        QVERIFY(app.Frame()->DeviceLibraryLoaded());
        QVERIFY(app.Frame()->close());
        QVERIFY(!IsDeviceLibraryLoaded());
    }

    void everyControlIsNamedByItsVisibleLabel() {
        Configure({{"generators", json::array({json::object()})}});
        Rig rig;
        COutputDlg* d = rig.Open();
        COutputSelectDlg select({{"20260001", "", true}});
        for (QWidget* dialog : {static_cast<QWidget*>(d), static_cast<QWidget*>(&select)}) {
            QSet<QWidget*> buddies;
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                if (label->buddy()) buddies.insert(label->buddy());
            }
            for (QWidget* w : dialog->findChildren<QWidget*>()) {
                if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTreeWidget*>(w)) {
                    QVERIFY2(buddies.contains(w) || !w->accessibleName().isEmpty(), qPrintable(w->objectName()));
                } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                    QVERIFY(!b->text().isEmpty());
                }
            }
        }
        rig.CloseByUser();
    }

private:
    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray ReadFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

QTEST_MAIN(OutputDialogTest)
#include "OutputDialogTest.moc"
