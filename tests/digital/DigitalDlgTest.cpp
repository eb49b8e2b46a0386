// The digital dialogs on the offscreen platform: drawing with the mouse in the
// modification dialog, and the channel commands through the main frame.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "DigitalTestSupport.h"
#include "ScriptedPrompts.h"
#include "app/KDXApp.h"
#include "digital/qt/DigitalDlgs.h"
#include "frame/CommandIds.h"
#include "frame/qt/MainFrame.h"
#include "ui/qt/KDXView.h"

using namespace kdx;

namespace {

// Runs act on the dialog a command opens, once it is up.
template <class Dialog>
void WhenOpen(std::function<void(Dialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            return;
        }
        act(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

void Type(CFormDlg& dialog, int id, const QString& text, int unit = TimeUnitNs) {
    if (dialog.UnitList(id) != nullptr) dialog.UnitList(id)->setCurrentIndex(unit);
    dialog.Edit(id)->setText(text);
}

}  // namespace

class DigitalDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }

    void mouseDrawingChangesTheWorkingCopy() {
        CKDXDoc doc;
        doc.NewWaveform(20, 100);
        test::RecordingPrompts prompts;
        DigitalModifyForm form(test::SetupOf(doc), DigitalModifyParams{}, DigitalShiftParams{}, 1);
        CDigitalModifyDlg dialog(form);
        dialog.SetPrompts(&prompts);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!dialog.OperationButton(DigitalOperation::Replace)->isEnabled());
        Type(dialog, DigitalModifyForm::CopyPeriod, "400");
        dialog.CopyButton()->click();
        QCOMPARE(dialog.CopyButton()->text(), QStringLiteral("再コピー"));
        QVERIFY(!dialog.CopyChannelList()->isEnabled());
        QVERIFY(dialog.OperationButton(DigitalOperation::Replace)->isEnabled());
        QCOMPARE(form.LaneCount(), 20u);

        // Top-left to bottom-right: ones over the first half, zeros over the
        // second (the middle sample counts as high).
        DigitalPreview* preview = dialog.Preview();
        const PixelRect plot = preview->Plot();
        QTest::mousePress(preview, Qt::LeftButton, {}, QPoint(plot.left, plot.top));
        QTest::mouseMove(preview, QPoint(plot.right, plot.bottom));
        QTest::mouseRelease(preview, Qt::LeftButton, {}, QPoint(plot.right, plot.bottom));
        const auto working = test::Samples(form.Lane(DigitalModifyForm::Working), 20);
        QCOMPARE(working, (std::vector<uint8_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(test::Samples(form.Lane(DigitalModifyForm::Reference), 20), std::vector<uint8_t>(20, 0));
        // A move without the button draws nothing.
        QTest::mouseMove(preview, QPoint(plot.left, plot.top));
        QCOMPARE(test::Samples(form.Lane(DigitalModifyForm::Working), 20), working);

        // Enter presses nothing; an operation writes and closes.
        QTest::keyClick(dialog.Edit(DigitalModifyForm::EditStart), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        dialog.OperationButton(DigitalOperation::Replace)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(test::Samples(doc.DigitalChannel(1), 20), working);
    }

    void serialDialogLoadsAFileWithItsProgress() {
        CKDXDoc doc;
        doc.NewWaveform(20, 100);
        test::RecordingPrompts prompts;
        QTemporaryDir dir;
        QFile file(dir.filePath("bits.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1,0;1\r\n1");
        file.close();
        DigitalSerialParams memory;
        memory.source = 1;
        DigitalSerialForm form(test::SetupOf(doc), memory, "", 0);
        CDigitalSerialDlg dialog(form);
        dialog.SetPrompts(&prompts);
        dialog.show();
        QVERIFY(dialog.FileRadio()->isChecked());
        QVERIFY(!dialog.Edit(DigitalTextForm::Text)->isEnabled());
        QVERIFY(dialog.BrowseButton()->isEnabled());
        dialog.LoadPath(file.fileName());
        QCOMPARE(form.FileValueCount(), 4u);
        QVERIFY(dialog.Progress()->isHidden());
        QCOMPARE(dialog.FileNameBox()->text(), file.fileName());
        Type(dialog, DigitalTextForm::Interval, "40");
        dialog.CreateButton()->click();
        QVERIFY(dialog.Preview()->Drawn());
        dialog.DirectRadio()->click();
        QVERIFY(!dialog.Preview()->Drawn());  // another source: the pattern is gone
        QVERIFY(prompts.messages.empty());
    }

    void parallelDialogSamplesAValueChangeDump() {
        CKDXDoc doc;
        doc.NewWaveform(20, 100);
        test::RecordingPrompts prompts;
        QTemporaryDir dir;
        QFile file(dir.filePath("sim.vcd"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "$timescale 1 ns $end\n$scope module top $end\n$var wire 2 # bus $end\n"
            "$var wire 1 ! clk $end\n$var wire 1 \" en $end\n$upscope $end\n$enddefinitions $end\n"
            "#0 0! 1\" b10 #\n#30 1!\n#50 x\"\n#80\n");
        file.close();
        DigitalParallelParams memory;
        memory.source = 1;
        DigitalParallelForm form(test::SetupOf(doc), memory, "");
        CDigitalParallelDlg dialog(form);
        dialog.SetPrompts(&prompts);
        dialog.show();
        using F = DigitalParallelForm;
        QVERIFY(!dialog.SignalList(0)->isEnabled() && !dialog.Edit(F::From)->isEnabled());
        QCOMPARE(dialog.SignalList(2)->accessibleName(), QStringLiteral("CH2 信号："));
        QCOMPARE(dialog.UnitList(F::Period)->accessibleName(), QStringLiteral("期間：単位"));
        dialog.LoadPath(file.fileName());
        QVERIFY(dialog.SignalList(0)->isEnabled() && dialog.Edit(F::From)->isEnabled());
        QCOMPARE(dialog.SignalList(0)->count(), 5);  // （なし） and the signals by full name
        QCOMPARE(dialog.SignalList(0)->itemText(1), QStringLiteral("top.bus[1]"));
        // The first two 1-bit signals; CH2 and CH3 have none.
        QCOMPARE(dialog.SignalList(0)->currentText(), QStringLiteral("top.clk"));
        QCOMPARE(dialog.SignalList(1)->currentText(), QStringLiteral("top.en"));
        QCOMPARE(dialog.SignalList(2)->currentIndex(), 0);
        QCOMPARE(dialog.Edit(F::Period)->text(), QStringLiteral("80"));
        dialog.SignalList(2)->setCurrentIndex(1);
        Type(dialog, F::From, "20");
        QCOMPARE(dialog.Edit(F::Period)->text(), QStringLiteral("60"));  // the rest of the dump
        dialog.CreateButton()->click();
        QCOMPARE(form.LaneCount(), 3u);
        QCOMPARE(test::Samples(form.Lane(0), 3), (std::vector<uint8_t>{0, 1, 1}));
        QCOMPARE(test::Samples(form.Lane(1), 3), (std::vector<uint8_t>{1, 1, 0}));  // x from 50 ns
        QCOMPARE(test::Samples(form.Lane(2), 3), (std::vector<uint8_t>{1, 1, 1}));
        QCOMPARE(prompts.messages, (std::vector<std::string>{VcdUnknownMessage(1)}));
    }

    void channelCommandsThroughTheFrame() {
        CKDXDoc doc;
        test::ScriptedPrompts frameAnswers;
        test::RecordingPrompts dialogAnswers;
        CMainFrame frame(doc);
        frame.SetPrompts(&frameAnswers);
        frame.SetDialogPrompts(&dialogAnswers);
        frame.show();
        frame.RunCommand(cmd::FileNew);
        frame.View()->MoveCursor(100);

        // The CH2 clock command opens on CH2 and makes it the remembered channel.
        bool opened = false;
        WhenOpen<CDigitalDlg>([&](CDigitalDlg& d) {
            opened = true;
            QCOMPARE(d.ChannelList()->currentIndex(), 2);
            QCOMPARE(d.ChannelList()->accessibleName(), QStringLiteral("編集ﾁｬﾈﾙ："));
            QCOMPARE(d.UnitList(DigitalClockForm::Time1)->accessibleName(), QStringLiteral("時間 1単位"));
            Type(d, DigitalClockForm::Time1, "40");
            Type(d, DigitalClockForm::Time2, "20");
            Type(d, DigitalClockForm::Repeat, "3");
            d.LevelList(1)->setCurrentIndex(1);
            QCOMPARE(d.LevelList(0)->currentIndex(), 0);
            d.CreateButton()->click();
            QVERIFY(d.Preview()->Drawn());
            d.OperationButton(DigitalOperation::Replace)->click();
        });
        frame.RunCommand(cmd::ChannelClock[2]);
        QVERIFY(opened);
        QCOMPARE(test::Samples(doc.DigitalChannel(2) + 100, 10), (std::vector<uint8_t>{0, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
        QCOMPARE(doc.Memories().digitalClockParams.channel, 2);
        QCOMPARE(frame.View()->CursorSample(), 109u);

        // The menu command opens on the remembered channel; Cancel changes nothing.
        opened = false;
        WhenOpen<CDigitalDlg>([&](CDigitalDlg& d) {
            opened = true;
            QCOMPARE(d.ChannelList()->currentIndex(), 2);
        });
        frame.RunCommand(cmd::DigitalClock);
        QVERIFY(opened);

        // Shift on the whole channel: executions accumulate until OK; undo
        // restores that channel.
        WhenOpen<CDigitalShiftDlg>([&](CDigitalShiftDlg& d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("ディジタルシフト － CH 2"));
            QVERIFY(!d.OkButton()->isEnabled());
            Type(d, DigitalShiftForm::ShiftTime, "-40");
            d.ExecuteButton()->click();
            d.OkButton()->click();
        });
        frame.RunCommand(cmd::ChannelShift[2]);
        QCOMPARE(test::Samples(doc.DigitalChannel(2) + 100, 8), (std::vector<uint8_t>{1, 0, 0, 1, 0, 0, 1, 0}));
        QCOMPARE(doc.GetUndoKind(), 2);
        frame.RunCommand(cmd::EditUndo);
        QCOMPARE(doc.DigitalChannel(2)[102], uint8_t{1});

        // Swap from the lane menu's shared command.
        WhenOpen<CDigitalSwapDlg>([&](CDigitalSwapDlg& d) {
            d.FirstList()->setCurrentIndex(2);
            d.SecondList()->setCurrentIndex(2);  // moves the first away
            QCOMPARE(d.FirstList()->currentIndex(), 3);
            d.accept();
        });
        frame.RunCommand(cmd::DigitalSwap);
        QCOMPARE(doc.DigitalChannel(3)[102], uint8_t{1});
        QCOMPARE(doc.DigitalChannel(2)[102], uint8_t{0});
        QCOMPARE(doc.GetUndoKind(), UndoKindAllDigital);
        QVERIFY(dialogAnswers.messages.empty());
    }

    void protocolDialogDrivesItsLanesOnly() {
        CKDXDoc doc;
        test::ScriptedPrompts frameAnswers;
        test::RecordingPrompts dialogAnswers;
        CMainFrame frame(doc);
        frame.SetPrompts(&frameAnswers);
        frame.SetDialogPrompts(&dialogAnswers);
        frame.show();
        frame.RunCommand(cmd::FileNew);
        std::fill_n(doc.DigitalChannel(3), 1000, uint8_t{1});
        using F = DigitalProtocolForm;
        bool opened = false;
        WhenOpen<CDigitalProtocolDlg>([&](CDigitalProtocolDlg& d) {
            opened = true;
            QVERIFY(!d.Edit(F::Baud)->isHidden());
            d.ProtocolList()->setCurrentIndex(int(BusProtocol::Spi));
            QVERIFY(d.Edit(F::Baud)->isHidden());
            QVERIFY(!d.Edit(F::SpiClock)->isHidden());
            QVERIFY(!d.Edit(F::Data)->isHidden());
            QCOMPARE(d.UnitList(F::Lead)->accessibleName(), QStringLiteral("CS リード時間：単位"));
            d.List(QStringLiteral("CS："))->setCurrentIndex(1);  // the same as MOSI
            QCOMPARE(d.ProblemLabel()->text(), QStringLiteral("SCLK、MOSI、CS には別々のチャンネルを選んでください"));
            QVERIFY(!d.CreateButton()->isEnabled());
            d.List(QStringLiteral("CS："))->setCurrentIndex(2);
            Type(d, F::Data, "A5");
            // Half a period idle, CS lead, 16 halves, lag, half a period idle: 20 halves of 25 samples.
            QCOMPARE(d.LengthLabel()->text(), QStringLiteral("10 uS（500 サンプル）"));
            QCOMPARE(d.RateErrorLabel()->text(), QStringLiteral("0.000000000 %"));
            d.CreateButton()->click();
            QVERIFY(d.Preview(0)->Drawn());
            QVERIFY(!d.Preview(3)->Drawn());
            d.OperationButton(DigitalOperation::Replace)->click();
        });
        frame.RunCommand(cmd::DigitalProtocol);
        QVERIFY(opened);
        // The first clock edge after the lead; CS low from half a period; CH3 as it was.
        QCOMPARE(test::Samples(doc.DigitalChannel(0) + 49, 3), (std::vector<uint8_t>{0, 1, 1}));
        QCOMPARE(test::Samples(doc.DigitalChannel(2) + 24, 2), (std::vector<uint8_t>{1, 0}));
        QCOMPARE(std::count(doc.DigitalChannel(3), doc.DigitalChannel(3) + 1000, 1), 1000);
        QCOMPARE(frame.View()->CursorSample(), 500u);
        frame.RunCommand(cmd::EditUndo);
        QCOMPARE(std::count(doc.DigitalChannel(0), doc.DigitalChannel(0) + 1000, 1), 0);

        // The next opening in the session shows the last values.
        opened = false;
        WhenOpen<CDigitalProtocolDlg>([&](CDigitalProtocolDlg& d) {
            opened = true;
            QCOMPARE(d.ProtocolList()->currentIndex(), int(BusProtocol::Spi));
            QCOMPARE(d.Edit(F::Data)->text(), QStringLiteral("A5"));
        });
        frame.RunCommand(cmd::DigitalProtocol);
        QVERIFY(opened);
        QVERIFY(dialogAnswers.messages.empty());
    }
};

QTEST_MAIN(DigitalDlgTest)
#include "DigitalDlgTest.moc"
