// The analog generator dialogs as a user drives them, through the frame on
// the offscreen platform: typing, "作成", answering the adjustment
// questions, an operation, then the document, the undo and the cursor; Enter
// and Escape; and every field named by its label for assistive technology.
// Also the PWL export's options dialog.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <functional>
#include <vector>

#include "ScriptedPrompts.h"
#include "analog/qt/FormulaDlg.h"
#include "analog/qt/ShapeDlgs.h"
#include "app/KDXApp.h"
#include "document/KDXDoc.h"
#include "document/qt/WaveTimeChangeDlg.h"
#include "document/qt/WaveTimeDlg.h"
#include "frame/CommandIds.h"
#include "frame/qt/ExportDlgs.h"
#include "frame/qt/MainFrame.h"
#include "ui/qt/GetTimeDlg.h"
#include "ui/qt/KDXView.h"

using namespace kdx;

namespace {

struct Script : FormPrompts {
    QStringList shown;
    std::deque<bool> answers;  // empty: OK
    void Inform(const std::string& text) override { shown << QString::fromStdString(text); }
    bool Confirm(const std::string& text) override {
        shown << QString::fromStdString(text);
        if (answers.empty()) return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

struct Fixture {
    CKDXDoc doc;
    test::ScriptedPrompts prompts;
    Script script;
    std::unique_ptr<CMainFrame> frame;
    Fixture() {
        frame = std::make_unique<CMainFrame>(doc);
        frame->SetPrompts(&prompts);
        frame->SetDialogPrompts(&script);
        frame->resize(1024, 768);
        frame->show();
        frame->RunCommand(cmd::FileNew);  // 5 mS of 250000 samples at 20 nS
        QCoreApplication::processEvents();
    }
    // Runs a command whose dialog the driver works while it is up.
    template <class Dialog>
    bool Drive(int id, const std::function<void(Dialog&)>& driver) {
        bool reached = false;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                reached = true;
                driver(*dialog);
            }
        });
        frame->RunCommand(id);
        return reached;
    }
};

void Type(CFormDlg& dialog, int id, const QString& text, int unit = -1) {
    if (unit >= 0) dialog.UnitList(id)->setCurrentIndex(unit);
    dialog.Edit(id)->clear();
    QTest::keyClicks(dialog.Edit(id), text);
}

}  // namespace

class GeneratorDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
        qputenv("KDX_INI", dir.filePath("KDX.INI").toUtf8());
        RegisterFontSubstitutions();
    }

    void sineIsWrittenUndoneAndTheCursorFollows() {
        Fixture f;
        f.frame->View()->MoveCursor(1000);
        f.script.answers = {false, true};
        bool stayedOpen = false;
        QVERIFY(f.Drive<CSinDlg>(cmd::Sine, [&](CSinDlg& d) {
            QCOMPARE(d.Edit(SineForm::EditStart)->text(), QStringLiteral("0.02"));  // the cursor, in mS
            Type(d, SineForm::Period, "100.01", TimeUnitUs);
            Type(d, SineForm::T1, "25", TimeUnitUs);
            Type(d, SineForm::Delay, "0");
            Type(d, SineForm::Amplitude, "0.5");
            Type(d, SineForm::Repeat, "4");
            QVERIFY(!d.OperationButton(GeneratorOperation::Replace)->isEnabled());
            QTest::mouseClick(d.CreateButton(), Qt::LeftButton);
            QCOMPARE(d.Edit(SineForm::Period)->text(), QStringLiteral("100"));
            QVERIFY(d.Preview()->Current());
            QCOMPARE(d.EndTimeLabel()->text(), QStringLiteral("0.12 mS"));
            // Off the grid: the first answer (Cancel) keeps the dialog open.
            Type(d, SineForm::EditStart, "0.02001");
            QVERIFY(d.OperationButton(GeneratorOperation::Replace)->isEnabled());
            QTest::mouseClick(d.OperationButton(GeneratorOperation::Replace), Qt::LeftButton);
            stayedOpen = d.isVisible();
            QTest::mouseClick(d.OperationButton(GeneratorOperation::Replace), Qt::LeftButton);
        }));
        QVERIFY(stayedOpen);
        QCOMPARE(f.script.shown.size(), 3);
        QCOMPARE(f.script.shown[0],
                 QStringLiteral("サンプリング時間の整数倍にするため、[期間] を調節します。\n\n100.01 uS　→　100 uS"));
        QCOMPARE(
            f.script.shown[2],
            QStringLiteral("サンプリング時間の整数倍にするため、[編集開始] を調節します。\n\n0.02001 mS　→　0.02 mS"));

        std::vector<double> expected(MaxSampleCount);
        QVERIFY(computeSine(expected.data(), f.doc.GetTotalTime(), 20, 0, 100000, 25000, 0, 0.5, 0.0, 4));
        const double* samples = f.doc.GetAnalogSamples();
        QCOMPARE(samples[999], 0.0);
        for (int i = 0; i < 5000; ++i) QCOMPARE(samples[1000 + i], expected[i]);
        QCOMPARE(samples[6000], 0.0);
        QCOMPARE(f.doc.GetEditCount(), 1);
        QCOMPARE(f.frame->View()->CursorSample(), 6000u);  // ready for the next shape
        QCOMPARE(f.doc.Memories().sineParams.t1, int64_t{25000});

        f.frame->RunCommand(cmd::EditUndo);
        QCOMPARE(f.doc.GetAnalogSamples()[1500], 0.0);
        QCOMPARE(f.doc.GetEditCount(), 0);
    }

    void enterDoesNothingAndClosingCancels() {
        Fixture f;
        bool openAfterEnter = false, staleShown = false;
        QVERIFY(f.Drive<CDcDlg>(cmd::Dc, [&](CDcDlg& d) {
            Type(d, DcForm::Period, "10", TimeUnitUs);
            Type(d, DcForm::Value, "0.3");
            QTest::mouseClick(d.CreateButton(), Qt::LeftButton);
            Type(d, DcForm::Period, "20");  // stale: the old curve stays, pale
            staleShown = d.Preview()->Drawn() && !d.Preview()->Current() &&
                         !d.OperationButton(GeneratorOperation::Add)->isEnabled();
            QTest::keyClick(d.Edit(DcForm::Value), Qt::Key_Return);
            openAfterEnter = d.isVisible() && d.result() == 0;
            QTest::keyClick(&d, Qt::Key_Escape);
        }));
        QVERIFY(openAfterEnter);
        QVERIFY(staleShown);
        QCOMPARE(f.doc.GetEditCount(), 0);
        QVERIFY(f.doc.Memories().dcParams == DcParams{});
    }

    void formulaOffersItsHistoryAndCountsWhatItCut() {
        Fixture f;
        struct Store : FormulaHistoryStore {
            std::vector<std::string> saved = {"t", "x"};
            std::vector<std::string> Load() override { return saved; }
            void Save(const std::vector<std::string>& history) override { saved = history; }
        } store;
        f.frame->SetFormulaHistoryStore(&store);
        f.frame->View()->MoveCursor(1000);
        bool staleAfterRangeChange = false;
        QVERIFY(f.Drive<CFormulaDlg>(cmd::Formula, [&](CFormulaDlg& d) {
            QCOMPARE(d.ExpressionBox()->count(), 2);
            QCOMPARE(d.Edit(FormulaForm::Expression)->text(), QStringLiteral("t"));
            QCOMPARE(d.ExpressionBox()->accessibleName(), QStringLiteral("数式："));
            QCOMPARE(d.RangeList()->accessibleName(), QStringLiteral("範囲外の値："));
            Type(d, FormulaForm::Period, "100", TimeUnitNs);
            Type(d, FormulaForm::Expression, "2*n-3");  // -3 -1 1 3 5
            d.RangeList()->setCurrentIndex(static_cast<int>(FormulaRange::Clip));
            QTest::mouseClick(d.CreateButton(), Qt::LeftButton);
            QCOMPARE(d.ReportLabel()->text(), QStringLiteral("範囲外：3 サンプル　最大 |値|：5.000 V"));
            d.RangeList()->setCurrentIndex(static_cast<int>(FormulaRange::Scale));
            staleAfterRangeChange = d.Preview()->Drawn() && !d.Preview()->Current();
            QTest::mouseClick(d.CreateButton(), Qt::LeftButton);
            QTest::mouseClick(d.OperationButton(GeneratorOperation::Replace), Qt::LeftButton);
        }));
        QVERIFY(staleAfterRangeChange);
        const double* samples = f.doc.GetAnalogSamples();
        QCOMPARE(samples[1000], -0.6);
        QCOMPARE(samples[1004], 1.0);
        QCOMPARE(store.saved, (std::vector<std::string>{"2*n-3", "t", "x"}));
    }

    void everyFieldIsNamedByItsLabel() {
        CKDXDoc doc;
        doc.NewWaveform(20, 1000);
        const GeneratorSetup setup{{doc.GetTotalTime(), 20}, 0, doc.AnalogSamples()};
        SineForm sine(setup, {});
        RectangleForm rectangle(setup, {});
        DcForm dc(setup, {});
        RampForm ramp(setup, {});
        ExpForm exp(setup, {});
        NoiseForm noise(setup, {});
        std::vector<std::unique_ptr<QDialog>> dialogs;
        dialogs.push_back(std::make_unique<CSinDlg>(sine));
        dialogs.push_back(std::make_unique<CRectangleDlg>(rectangle));
        dialogs.push_back(std::make_unique<CDcDlg>(dc));
        dialogs.push_back(std::make_unique<CRampDlg>(ramp));
        dialogs.push_back(std::make_unique<CExpDlg>(exp));
        dialogs.push_back(std::make_unique<CNoiseDlg>(noise));
        dialogs.push_back(std::make_unique<CWaveTimeDlg>(5000000, 20, 250000));
        dialogs.push_back(std::make_unique<CWaveTimeChangeDlg>(5000000, 20, 250000));
        dialogs.push_back(std::make_unique<CGetTimeDlg>(GetTimeRequest{}));
        QStringList names;
        for (const auto& dialog : dialogs) {
            QStringList edits;
            for (QLineEdit* e : dialog->findChildren<QLineEdit*>()) {
                QVERIFY2(!e->accessibleName().isEmpty(), qPrintable(dialog->windowTitle()));
                edits << e->accessibleName();
            }
            for (QComboBox* c : dialog->findChildren<QComboBox*>()) {
                const QString name = c->accessibleName();
                QVERIFY2(name.endsWith(QStringLiteral("単位")) && edits.contains(name.chopped(2)),
                         qPrintable(dialog->windowTitle() + ": " + name));
            }
            // A label's buddy carries the label's own text.
            for (QLabel* l : dialog->findChildren<QLabel*>()) {
                if (l->buddy()) QCOMPARE(l->buddy()->accessibleName(), l->text());
            }
            names << edits;
            // StartTime and EndTime under the preview's corners, a sketch above or not.
            if (auto* g = dynamic_cast<CGeneratorDlg*>(dialog.get())) {
                g->show();
                QCoreApplication::processEvents();
                const QRect preview = g->Preview()->geometry();
                QLabel* end = g->EndTimeLabel();
                QCOMPARE(end->mapTo(g, QPoint(end->width() - 1, 0)).x(), preview.right());
                QCOMPARE(g->StartTimeLabel()->mapTo(g, QPoint(0, 0)).x(),
                         preview.left() + GeneratorPreview::LabelMargin);
            }
        }
        for (const char* expected :
             {"周期(t1)：", "遅延(t0)：", "開始位相：", "時間(t4)：", "電圧(v0)：", "直流値(v0)：", "時定数(τ)：",
              "振幅：", "トータル時間", "サンプリングデータ数", "設定 1 時間誤差", "指定時間："}) {
            QVERIFY2(names.contains(QString::fromUtf8(expected)), expected);
        }
    }

    // The PWL export's options: the high level only for a digital channel, a
    // wrong edge told and the dialog kept open, the fields named by their labels.
    void pwlExportOptionsDialog() {
        Script script;
        CPwlExportDlg dialog(PwlOptions{}, 20);
        dialog.SetPrompts(&script);
        QCOMPARE(dialog.EdgeUnitList()->accessibleName(), QStringLiteral("エッジ時間：単位"));
        QCOMPARE(dialog.HighEdit()->accessibleName(), QStringLiteral("ハイレベル："));
        QCOMPARE(dialog.ChannelList()->accessibleName(), QStringLiteral("チャンネル："));
        QVERIFY(!dialog.HighEdit()->isEnabled());
        dialog.ChannelList()->setCurrentIndex(2);
        QVERIFY(dialog.HighEdit()->isEnabled());
        dialog.EdgeEdit()->setText(QStringLiteral("20"));
        dialog.OkButton()->click();
        QCOMPARE(
            script.shown,
            QStringList{QStringLiteral("[エッジ時間] 0 より大きく、サンプリング時間（20 nS）より小さくしてください")});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.EdgeEdit()->setText(QStringLiteral("0.005"));
        dialog.EdgeUnitList()->setCurrentIndex(1);  // uS
        dialog.HighEdit()->setText(QStringLiteral("5"));
        dialog.OkButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Options().channel, 1);
        QCOMPARE(dialog.Options().highVolts, 5.0);
        QCOMPARE(dialog.Options().edgeNs, int64_t{5});
    }
};

QTEST_MAIN(GeneratorDialogTest)
#include "GeneratorDialogTest.moc"
