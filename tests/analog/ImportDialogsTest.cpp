// The waveform modification and external data dialogs on the offscreen
// platform: mouse strokes on the preview, reading a file with the progress
// bar and wait cursor, a file dropped on the dialog, and both commands run
// from the main frame.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <fstream>
#include <memory>
#include <vector>

#include "analog/qt/ExternalDlg.h"
#include "analog/qt/ManualDlg.h"
#include "document/KDXDoc.h"
#include "frame/CommandIds.h"
#include "frame/qt/MainFrame.h"
#include "ui/qt/KDXView.h"
#include "RecordingPrompts.h"
#include "ScriptedPrompts.h"

using namespace kdx;

namespace {

using test::RecordingPrompts;

GeneratorSetup SetupOf(CKDXDoc& doc, uint32_t cursor = 0) {
    return {{doc.GetTotalTime(), doc.GetSamplingTime()}, int64_t{cursor} * doc.GetSamplingTime(), doc.AnalogSamples()};
}

void Move(QWidget* widget, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void Drop(QWidget* widget, const QString& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
}

}  // namespace

class ImportDialogsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString Write(const QString& name, const std::string& text) {
        std::ofstream(dir.filePath(name).toStdString(), std::ios::binary) << text;
        return dir.filePath(name);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
        qputenv("KDX_INI", dir.filePath("KDX.INI").toUtf8());
    }

    // A stroke drawn right to left writes the same samples as the same
    // stroke drawn left to right.
    void strokesGiveTheSameLineEitherWay() {
        std::vector<double> lines[2];
        for (int way = 0; way < 2; ++way) {
            CKDXDoc doc;
            doc.NewWaveform(20, 1000);
            ManualForm form(SetupOf(doc), ManualParams{});
            CManualDlg dialog(form);
            dialog.show();
            dialog.UnitList(ManualForm::CopyStart)->setCurrentIndex(TimeUnitNs);
            dialog.Edit(ManualForm::CopyStart)->setText(QStringLiteral("0"));
            dialog.UnitList(ManualForm::CopyPeriod)->setCurrentIndex(TimeUnitUs);
            dialog.Edit(ManualForm::CopyPeriod)->setText(QStringLiteral("20"));
            QVERIFY(dialog.CopyButton()->isEnabled());
            QTest::mouseClick(dialog.CopyButton(), Qt::LeftButton);
            QCOMPARE(dialog.CopyButton()->text(), QStringLiteral("再コピー"));
            QVERIFY(dialog.OperationButton(GeneratorOperation::Replace)->isEnabled());

            ManualPreview* preview = dialog.Preview();
            const PixelRect plot = preview->Plot();
            const QPoint a(plot.left + 40, plot.top + 30), b(plot.left + 200, plot.bottom - 20);
            const QPoint from = way == 0 ? a : b, to = way == 0 ? b : a;
            QTest::mousePress(preview, Qt::LeftButton, Qt::NoModifier, from);
            Move(preview, to);
            QTest::mouseRelease(preview, Qt::LeftButton, Qt::NoModifier, to);
            // A move without the button belongs to no stroke.
            QTest::mouseMove(preview, QPoint(plot.left + 300, plot.top));
            lines[way].assign(form.Work(), form.Work() + form.CopiedCount());
        }
        QCOMPARE(lines[0], lines[1]);
        QCOMPARE(lines[0].size(), size_t{1000});
        QVERIFY(lines[0][130] > 0.7);   // near a, high on the plot
        QVERIFY(lines[0][600] < -0.8);  // near b
        QCOMPARE(lines[0][999], 0.0);  // beyond the stroke: as copied
    }

    void readingShowsProgressAndAWaitCursor() {
        std::string text;
        for (int i = 0; i < 150000; ++i) text += "0.123456789,";
        const QString file = Write("big.csv", text);
        CKDXDoc doc;
        doc.NewWaveform(20, 1000);
        ExternalForm form(SetupOf(doc), ExternalParams{});
        CExternalDlg dialog(form);
        dialog.show();
        QVERIFY(!dialog.ProgressBar()->isVisible());
        std::vector<int> values;
        bool shownWhileReading = true, busyWhileReading = true;
        connect(dialog.ProgressBar(), &QProgressBar::valueChanged, this, [&](int value) {
            values.push_back(value);
            shownWhileReading = shownWhileReading && dialog.ProgressBar()->isVisible();
            const QCursor* cursor = QApplication::overrideCursor();
            busyWhileReading = busyWhileReading && cursor != nullptr && cursor->shape() == Qt::WaitCursor;
        });
        dialog.LoadFile(file);
        QVERIFY(values.size() >= 100);
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.back(), 100);
        QVERIFY(shownWhileReading);
        QVERIFY(busyWhileReading);
        QVERIFY(!dialog.ProgressBar()->isVisible());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(dialog.CountLabel()->text(), QStringLiteral("150000"));
        QCOMPARE(dialog.FileNameBox()->text(), file);
    }

    // A dropped file is loaded like a chosen one; what cannot be read is
    // said and leaves the name empty.
    void droppedFilesLoad() {
        CKDXDoc doc;
        doc.NewWaveform(20, 1000);
        ExternalForm form(SetupOf(doc), ExternalParams{40, TimeUnitNs, 1.0, 0.0, 0});
        CExternalDlg dialog(form);
        RecordingPrompts prompts;
        dialog.SetPrompts(&prompts);
        dialog.show();
        Drop(&dialog, Write("bad.txt", "1 2 0x10"));
        QCOMPARE(prompts.messages, std::vector<std::string>{MsgExternalInvalidData});
        QVERIFY(dialog.FileNameBox()->text().isEmpty());
        QVERIFY(!dialog.CreateButton()->isEnabled());

        const QString good = Write("good.csv", "0.5;0.25\r\n");
        Drop(dialog.Edit(ExternalForm::Offset), good);  // over a field, still the dialog's
        QCOMPARE(dialog.FileNameBox()->text(), good);
        QCOMPARE(dialog.CountLabel()->text(), QStringLiteral("2"));
        QCOMPARE(dialog.Edit(GeneratorForm::PeriodField)->text(), QStringLiteral("80"));
        QCOMPARE(dialog.CreateButton()->text(), QStringLiteral("ﾃﾞｰﾀ変換"));
        QTest::mouseClick(dialog.CreateButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.OperationButton(GeneratorOperation::Replace), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(doc.GetAnalogSamples()[1], 0.5);
        QCOMPARE(doc.GetAnalogSamples()[2], 0.25);
    }

    // The format and the columns read the chosen file again: a table of
    // uneven times is points, joined by lines, with no data number.
    void formatAndColumnsReloadTheFile() {
        CKDXDoc doc;
        doc.NewWaveform(20, 1000);
        ExternalForm form(SetupOf(doc), ExternalParams{40, TimeUnitNs, 1.0, 0.0, 0});
        CExternalDlg dialog(form);
        RecordingPrompts prompts;
        dialog.SetPrompts(&prompts);
        dialog.show();
        QCOMPARE(dialog.FormatList()->accessibleName(), QStringLiteral("形式："));
        QCOMPARE(dialog.ValueColumnBox()->accessibleName(), QStringLiteral("値列："));
        dialog.LoadFile(Write("t.csv", "Time,A,B\n0,1,5\n1e-7,2,6\n3e-7,3,7\n"));
        QCOMPARE(prompts.messages, std::vector<std::string>{MsgExternalInvalidData});  // numbers by the name
        QVERIFY(!dialog.TimeColumnBox()->isEnabled());
        dialog.FormatList()->setCurrentIndex(int(SourceFormat::Table));
        QCOMPARE(dialog.CountLabel()->text(), QStringLiteral("3"));
        QCOMPARE(dialog.HeaderLabel()->text(), QStringLiteral("Time,A,B"));
        QVERIFY(dialog.TimeColumnBox()->isEnabled() && !dialog.ChannelBox()->isEnabled());
        QVERIFY(!dialog.NumberRadio()->isEnabled());
        QVERIFY(!dialog.Edit(ExternalForm::Interval)->isEnabled());
        QCOMPARE(dialog.InterpolationList()->currentIndex(), 1);
        dialog.ValueColumnBox()->setValue(3);
        QCOMPARE(dialog.Edit(GeneratorForm::PeriodField)->text(), QStringLiteral("300"));
        QTest::mouseClick(dialog.CreateButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.OperationButton(GeneratorOperation::Replace), Qt::LeftButton);
        QCOMPARE(doc.GetAnalogSamples()[1], 5.2);
        QCOMPARE(doc.GetAnalogSamples()[10], 6.5);
    }

    // Both commands from the menu: the dialog opens at the cursor, and the
    // applied stretch moves the cursor to its end.
    void commandsRunFromTheFrame() {
        CKDXDoc doc;
        test::ScriptedPrompts prompts;
        CMainFrame frame(doc);
        frame.SetPrompts(&prompts);
        RecordingPrompts dialogPrompts;
        frame.SetDialogPrompts(&dialogPrompts);
        frame.show();
        prompts.newTimeBase = TimeBaseChoice{20000, 20, 1000};
        frame.RunCommand(cmd::FileNew);
        frame.View()->MoveCursor(100);
        const QString file = Write("frame.csv", "1 1 1 1");

        QString title;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<CExternalDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            title = dialog->windowTitle();
            dialog->UnitList(ExternalForm::Interval)->setCurrentIndex(TimeUnitNs);
            dialog->Edit(ExternalForm::Interval)->setText(QStringLiteral("20"));
            dialog->LoadFile(file);
            QTest::mouseClick(dialog->CreateButton(), Qt::LeftButton);
            QTest::mouseClick(dialog->OperationButton(GeneratorOperation::Replace), Qt::LeftButton);
        });
        frame.RunCommand(cmd::ExternalData);
        QCOMPARE(title, QStringLiteral("外部データの変換"));
        QCOMPARE(doc.GetAnalogSamples()[103], 1.0);
        QCOMPARE(frame.View()->CursorSample(), 104u);

        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<CManualDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            title = dialog->windowTitle();
            QCOMPARE(dialog->Edit(ManualForm::CopyStart)->text(), dialog->Edit(EditForm::EditStartField)->text());
            dialog->reject();
        });
        frame.RunCommand(cmd::AnalogModify);
        QCOMPARE(title, QStringLiteral("波形の修正"));
        QCOMPARE(frame.View()->CursorSample(), 104u);
    }
};

QTEST_MAIN(ImportDialogsTest)
#include "ImportDialogsTest.moc"
