// The main frame on the offscreen platform: enable rules through the real
// actions, file commands against real files, drops, context menus, the
// time-base dialogs and the single-instance rule.
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <QtTest>
#include <memory>
#include <set>

#include "app/AboutDlg.h"
#include "app/KDXApp.h"
#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "document/qt/TimeBaseRowsGroup.h"
#include "document/qt/WaveTimeChangeDlg.h"
#include "document/qt/WaveTimeDlg.h"
#include "frame/CommandIds.h"
#include "frame/CommandTable.h"
#include "frame/qt/MainFrame.h"
#include "frame/qt/ReadoutBar.h"
#include "ui/TimeAxis.h"
#include "ui/qt/KDXView.h"
#include "ScriptedPrompts.h"

using namespace kdx;
using kdx::test::ScriptedPrompts;

namespace {

struct Fixture {
    CKDXDoc doc;
    ScriptedPrompts prompts;
    std::unique_ptr<CMainFrame> frame;
    Fixture() {
        frame = std::make_unique<CMainFrame>(doc);
        frame->SetPrompts(&prompts);
        frame->resize(1024, 768);
        frame->show();
        QCoreApplication::processEvents();
    }
    bool Enabled(int id) {
        frame->UpdateCommands();
        return frame->Action(id)->isEnabled();
    }
    void New() {
        frame->RunCommand(cmd::FileNew);
        QCoreApplication::processEvents();
    }
    QPoint Center(const PixelRect& r) const { return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
    const ViewLayout& Layout() const { return frame->View()->Model().Layout(); }
};

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }
    // A small current-format file made with the document and the writer.
    QString WriteSmallFile(const QString& name) {
        CKDXDoc source;
        source.NewWaveform(20, 1000);
        WaveformHeader header;
        DialogMemories params;
        source.CollectForSave(header, params);
        std::string message;
        WriteWaveformFile(Path(name).toStdString(), header, source.GetSampleArrays(), params, message);
        return Path(name);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
        qputenv("KDX_INI", Path("KDX.INI").toUtf8());
        RegisterFontSubstitutions();
    }

    void withoutWaveformOnlyFileAndProgramCommands() {
        Fixture f;
        f.frame->SetOutputAvailable(true);
        const std::set<int> allowed = {cmd::FileNew, cmd::FileOpen, cmd::AppAbout, cmd::AppExit,
                                       cmd::WaveformOutput};
        f.frame->UpdateCommands();
        for (const CommandInfo& c : Commands()) {
            QCOMPARE(f.frame->Action(c.id)->isEnabled(), allowed.count(c.id) == 1);
        }
        QCOMPARE(f.frame->ContextMenuAt(QPoint(400, 300)), nullptr);
        QCOMPARE(f.frame->windowTitle(), QStringLiteral("KDX"));
    }

    void newWaveformResetsEverything() {
        Fixture f;
        f.New();
        QVERIFY(f.doc.HasWaveform());
        QCOMPARE(f.doc.GetSampleCount(), 250000u);
        QCOMPARE(f.doc.GetSamplingTime(), int64_t{20});
        QCOMPARE(f.frame->windowTitle(), QStringLiteral("無題 - KDX"));
        QVERIFY(f.frame->EditAllowed());
        QVERIFY(f.frame->GetDocumentTag().empty());
        QVERIFY(!f.frame->Readout()->Field(1008).isEmpty());
        QVERIFY(!f.Enabled(cmd::FileSave));
        QVERIFY(f.Enabled(cmd::FileSaveAs));
        QVERIFY(f.Enabled(cmd::ZoomIn));
        QVERIFY(!f.Enabled(cmd::ZoomOut));
        QVERIFY(f.Enabled(cmd::Sine));

        // A time base the document refuses is reported and changes nothing.
        f.prompts.newTimeBase = TimeBaseChoice{0, 19, 1000};
        f.New();
        QCOMPARE(f.prompts.messages, QStringList{QStringLiteral("不正なパラメータです。")});
        QCOMPARE(f.doc.GetSampleCount(), 250000u);
    }

    void editLockLeavesViewSaveAndOutput() {
        Fixture f;
        f.New();
        f.frame->SetOutputAvailable(true);
        f.frame->RunCommand(cmd::ChannelCopy[1]);
        f.frame->RunCommand(cmd::ChannelInvert[0]);
        QVERIFY(f.Enabled(cmd::EditUndo));
        QVERIFY(f.Enabled(cmd::ChannelPaste[2]));

        f.frame->RunCommand(cmd::EditLock);
        QVERIFY(!f.frame->EditAllowed());
        f.frame->UpdateCommands();
        QVERIFY(f.frame->Action(cmd::EditLock)->isChecked());
        for (const CommandInfo& c : Commands()) {
            if (c.rule == EnableRule::Edit || c.rule == EnableRule::Undo || c.rule == EnableRule::Paste) {
                QVERIFY2(!f.frame->Action(c.id)->isEnabled(), QByteArray::number(c.id));
            }
        }
        QVERIFY(f.Enabled(cmd::ZoomIn));
        QVERIFY(f.Enabled(cmd::CursorStepRight));
        QVERIFY(f.Enabled(cmd::MarkAtCursor));
        QVERIFY(f.Enabled(cmd::FileSave));
        QVERIFY(f.Enabled(cmd::FileSaveAs));
        QVERIFY(f.Enabled(cmd::WaveformOutput));
        // A locked command does nothing even when triggered directly.
        const uint8_t before = f.doc.GetDigitalChannel(0)[0];
        f.frame->RunCommand(cmd::ChannelInvert[0]);
        QCOMPARE(f.doc.GetDigitalChannel(0)[0], before);

        f.frame->RunCommand(cmd::EditLock);
        QVERIFY(f.Enabled(cmd::EditUndo));
    }

    void saveFollowsOutputSettingsAlone() {
        Fixture f;
        f.New();
        QVERIFY(!f.Enabled(cmd::FileSave));
        f.doc.GetOutputSettings().outputMode = 1;
        QVERIFY(f.Enabled(cmd::FileSave));
        f.prompts.savePath = Path("settings.kdx");
        f.frame->RunCommand(cmd::FileSave);
        QVERIFY(f.prompts.messages.isEmpty());
        QVERIFY(!f.Enabled(cmd::FileSave));
        QCOMPARE(f.frame->windowTitle(), QStringLiteral("settings.kdx - KDX"));
    }

    void channelCommandsAndUndo() {
        Fixture f;
        f.New();
        f.frame->RunCommand(cmd::ChannelInvert[2]);
        QCOMPARE(f.doc.GetDigitalChannel(2)[0], uint8_t{1});
        QCOMPARE(f.doc.GetDigitalChannel(2)[249999], uint8_t{1});
        f.frame->RunCommand(cmd::ChannelCopy[2]);
        f.frame->RunCommand(cmd::ChannelPaste[3]);
        QCOMPARE(f.doc.GetDigitalChannel(3)[1000], uint8_t{1});
        f.frame->RunCommand(cmd::EditUndo);
        QCOMPARE(f.doc.GetDigitalChannel(3)[1000], uint8_t{0});
        QCOMPARE(f.doc.GetDigitalChannel(2)[1000], uint8_t{1});
        QVERIFY(!f.Enabled(cmd::EditUndo));
        f.frame->RunCommand(cmd::ChannelClear[2]);
        QCOMPARE(f.doc.GetDigitalChannel(2)[5], uint8_t{0});
        // The readout follows the redrawn lanes.
        QCOMPARE(f.frame->Readout()->Field(1018), QStringLiteral("0"));
    }

    void undoOfAChannelCommandKeepsTheEditPositionsOfEarlierEdits() {
        Fixture f;
        f.New();
        CKDXView* view = f.frame->View();
        // An analog edit over 100..200, committed and applied as a generator's runner does.
        const auto analogEdit = [&](uint32_t a, uint32_t b) {
            f.doc.BeginAnalogEdit();
            f.doc.AnalogSamples()[a] = 0.5;
            f.doc.CommitAnalogEdit();
            view->OnEditApplied(a, b);
        };
        analogEdit(100, 200);
        f.frame->RunCommand(cmd::ChannelInvert[1]);
        f.frame->RunCommand(cmd::EditUndo);
        QCOMPARE(f.doc.GetDigitalChannel(1)[0], uint8_t{0});
        // The inverted channel recorded no position, so its undo takes none away.
        QCOMPARE(view->CursorSample(), 200u);
        QVERIFY(!view->Model().Ring().IsEmpty());
        QCOMPARE(view->Model().Ring().NewestEntry(), 200u);
        QVERIFY(f.Enabled(cmd::CursorBack));

        // Undoing an edit that did record its positions still drops them.
        analogEdit(300, 400);
        f.frame->RunCommand(cmd::EditUndo);
        QCOMPARE(view->CursorSample(), 300u);
        QCOMPARE(view->Model().Ring().NewestEntry(), 200u);
    }

    void acceleratorsReachTheirCommands() {
        Fixture f;
        f.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        QTest::keyClick(f.frame.get(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(f.doc.HasWaveform());
        f.frame->RunCommand(cmd::ChannelInvert[0]);
        QCoreApplication::processEvents();  // the idle update enables undo
        QTest::keyClick(f.frame.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!f.doc.IsUndoAvailable());
        QCOMPARE(f.doc.GetDigitalChannel(0)[0], uint8_t{0});
        f.frame->RunCommand(cmd::ChannelInvert[1]);
        QCoreApplication::processEvents();
        QTest::keyClick(f.frame.get(), Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(f.doc.GetDigitalChannel(1)[0], uint8_t{0});
        f.frame->RunCommand(cmd::ChannelInvert[1]);
        QCoreApplication::processEvents();
        f.prompts.savePath = Path("keys.kdx");
        QTest::keyClick(f.frame.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!f.doc.IsDataModified());
        f.prompts.openPath = Path("keys.kdx");
        QTest::keyClick(f.frame.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.frame->FilePath(), Path("keys.kdx"));
    }

    void totalTimeChangeAndItsUndo() {
        Fixture f;
        f.New();
        f.frame->View()->MoveCursor(1000);
        f.prompts.timeChange = TimeBaseChoice{2500000, 20, 125000};
        f.frame->RunCommand(cmd::TotalTimeChange);
        QCOMPARE(f.doc.GetSampleCount(), 125000u);
        QCOMPARE(f.frame->View()->CursorSample(), 0u);
        QVERIFY(f.Enabled(cmd::EditUndo));
        f.frame->RunCommand(cmd::EditUndo);
        QCOMPARE(f.doc.GetSampleCount(), 250000u);
        QVERIFY(!f.doc.IsDataModified());

        // The same count changes nothing.
        f.prompts.timeChange = TimeBaseChoice{5000000, 20, 250000};
        f.frame->RunCommand(cmd::TotalTimeChange);
        QVERIFY(!f.doc.IsUndoAvailable());
    }

    void saveAndReopenRestoresViewLockAndMemories() {
        const QString path = Path("round.kdx");
        ViewBlock saved;
        DialogMemories memories;
        {
            Fixture f;
            f.New();
            f.frame->RunCommand(cmd::ZoomIn);
            f.frame->RunCommand(cmd::ZoomIn);
            f.frame->View()->OnEditApplied(100, 200);
            f.frame->View()->OnEditApplied(200, 300);
            f.frame->View()->MoveCursor(150);
            f.frame->View()->SetTimeMark(120);
            f.frame->RunCommand(cmd::EditLock);
            f.doc.Memories().sineParams.period = 123456;
            f.doc.Memories().digitalSwapParams.secondChannel = 3;
            f.frame->SetDocumentTag("TAG-0123456789abcdefgh");
            QCOMPARE(f.frame->GetDocumentTag(), std::string("TAG-0123456789ab"));
            saved = f.frame->View()->CaptureViewBlock();
            memories = f.doc.Memories();
            QVERIFY(f.frame->SaveWaveformFile(path));
        }
        Fixture f;
        f.New();
        QVERIFY(f.frame->OpenWaveformFile(path));
        QCOMPARE(f.frame->View()->CaptureViewBlock(), saved);
        QVERIFY(f.doc.Memories() == memories);
        QVERIFY(!f.frame->EditAllowed());
        QCOMPARE(f.frame->GetDocumentTag(), std::string("TAG-0123456789ab"));
        QCOMPARE(f.frame->windowTitle(), QStringLiteral("round.kdx - KDX"));
        // The ring came back: one step back from the cursor's last edit.
        QVERIFY(f.Enabled(cmd::CursorToLastEdit));
    }

    // Keys, wheel and scroll bar move the view only: the document stays
    // unmodified, and the saved view state reopens at the same place.
    void viewKeysAndWheelChangeNothingButTheViewAndReopenInPlace() {
        const QString path = Path("scrolled.kdx");
        ViewBlock saved;
        {
            Fixture f;
            f.New();
            CKDXView* view = f.frame->View();
            f.frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
            // A click gives the view the keys; a readout field keeps the focus a click gave it.
            QLineEdit* field = f.frame->Readout()->FieldWidget(cmd::ReadoutCursorTime);
            QTest::mouseClick(field, Qt::LeftButton);
            QCOMPARE(QApplication::focusWidget(), field);
            QTest::mouseClick(view, Qt::LeftButton, {}, f.Center(f.Layout().lanePlot[2]));
            QCOMPARE(QApplication::focusWidget(), view);
            QTest::keyClick(view, Qt::Key_Plus);
            QTest::keyClick(view, Qt::Key_Plus);
            QTest::keyClick(view, Qt::Key_PageDown);
            QTest::keyClick(view, Qt::Key_Right);
            const QPoint at = f.Center(f.Layout().analogPlot);
            QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, -WheelNotch), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view, &wheel);
            view->ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
            QVERIFY(!f.doc.IsDataModified());
            QCOMPARE(f.doc.GetEditCount(), 0);
            QVERIFY(!f.Enabled(cmd::FileSave));
            QVERIFY(f.Enabled(cmd::CursorStepLeft));
            saved = view->CaptureViewBlock();
            QVERIFY(saved.firstVisibleSample > 0);
            QVERIFY(f.frame->SaveWaveformFile(path));
        }
        Fixture f;
        QVERIFY(f.frame->OpenWaveformFile(path));
        QCOMPARE(f.frame->View()->CaptureViewBlock(), saved);
        QCOMPARE(f.frame->View()->ScrollBar()->value(), int(saved.firstVisibleSample));
        QVERIFY(f.frame->View()->ScrollBar()->isVisible());
    }

    void readoutFieldsAreNamedByGroupAndLabelAndTheKeysAreListed() {
        Fixture f;
        const std::pair<int, const char*> names[] = {
            {1008, "トータル時間"},           {1005, "カーソル 時間"},       {1006, "カーソル 電圧"},
            {1019, "カーソル CH3"},           {1011, "タイムマーク 時間"},   {1022, "タイムマーク CH2"},
            {1007, "インターバル マウス－カーソル"},
        };
        for (const auto& [id, name] : names) {
            QCOMPARE(f.frame->Readout()->FieldWidget(id)->accessibleName(), QString::fromUtf8(name));
        }
        std::set<QString> all;
        for (QLineEdit* edit : f.frame->Readout()->findChildren<QLineEdit*>()) all.insert(edit->accessibleName());
        QCOMPARE(all.size(), size_t{16});
        f.frame->KeyHelpAction()->trigger();
        QCOMPARE(f.prompts.messages, QStringList{QString::fromUtf8(ViewKeyHelpText)});
        QVERIFY(f.frame->KeyHelpAction()->isEnabled());
    }

    void otherFormatVersionOpensWithResetView() {
        CKDXDoc source;
        QVERIFY(source.NewWaveform(40, 5000));
        source.AnalogSamples()[10] = 0.5;
        WaveformHeader header;
        DialogMemories params;
        source.CollectForSave(header, params);
        header.formatVersion = 15;
        header.frame.editAllowed = false;
        header.view.cursorSample = 777;
        header.view.timeMarkSet = true;
        std::string message;
        const QString path = Path("old.kdx");
        QVERIFY(WriteWaveformFile(path.toStdString(), header, source.GetSampleArrays(), params, message));

        Fixture f;
        QVERIFY(f.frame->OpenWaveformFile(path));
        QCOMPARE(f.doc.GetSampleCount(), 5000u);
        QCOMPARE(f.doc.GetAnalogSamples()[10], 0.5);
        QCOMPARE(f.frame->View()->CursorSample(), 0u);
        QVERIFY(!f.frame->View()->TimeMarkSet());
        QVERIFY(f.frame->EditAllowed());
    }

    void failedOpenLeavesDocument() {
        Fixture f;
        f.New();
        QFile bad(Path("bad.kdx"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(2000, 'x'));
        bad.close();
        QVERIFY(!f.frame->OpenWaveformFile(Path("bad.kdx")));
        QCOMPARE(f.prompts.messages, QStringList{QStringLiteral("ファイルフォーマットエラーです。")});
        QCOMPARE(f.doc.GetSampleCount(), 250000u);
        QCOMPARE(f.frame->windowTitle(), QStringLiteral("無題 - KDX"));
    }

    void savePromptTextAndAnswers() {
        Fixture f;
        f.New();
        f.frame->RunCommand(cmd::ChannelInvert[0]);
        // Untitled: no "ファイル " before the title.
        QVERIFY(!f.frame->ConfirmDiscard());
        QCOMPARE(f.prompts.questions.last(),
                 QStringLiteral("無題 の内容は変更されています。\n\n変更を保存しますか？"));

        f.prompts.savePath = Path("prompt.kdx");
        QVERIFY(f.frame->SaveAs());
        f.frame->RunCommand(cmd::ChannelInvert[0]);
        f.doc.GetOutputSettings().repeatCount = 5;
        f.prompts.answers = {PromptAnswer::No};
        QVERIFY(f.frame->ConfirmDiscard());
        QCOMPARE(f.prompts.questions.last(),
                 QStringLiteral("ファイル prompt.kdx の内容は変更されています。\n\n出力設定が変更されています。\n\n"
                                "変更を保存しますか？"));

        // Yes saves to the known path.
        f.prompts.answers = {PromptAnswer::Yes};
        QVERIFY(f.frame->ConfirmDiscard());
        QVERIFY(!f.doc.IsDataModified());
        QVERIFY(!f.doc.IsOutputSettingsChanged());

        // Closing with Cancel keeps the window.
        f.frame->RunCommand(cmd::ChannelInvert[1]);
        f.prompts.answers = {PromptAnswer::Cancel};
        QVERIFY(!f.frame->close());
        QVERIFY(f.frame->isVisible());
        f.prompts.answers = {PromptAnswer::No};
        QVERIFY(f.frame->close());
    }

    void exportSubmenuWritesTheNamedFileAndTellsTheWavNotes() {
        Fixture f;
        QMenu* file = f.frame->menuBar()->actions().front()->menu();
        const QList<QAction*> items = file->actions();
        QCOMPARE(items.at(3), f.frame->Action(cmd::FileSaveAs));
        QMenu* exports = items.at(4)->menu();
        QVERIFY(exports);
        QCOMPARE(items.at(4)->text(), QStringLiteral("エクスポート(&E)"));
        QStringList texts;
        for (QAction* a : exports->actions()) texts << a->text();
        QCOMPARE(texts, (QStringList{"CSV(&C)...", "VCD(&V)...", "WAV(&W)...", "PWL(&P)..."}));
        QVERIFY(!f.Enabled(cmd::FileExportWav));
        f.New();
        QVERIFY(f.Enabled(cmd::FileExportWav));

        f.doc.GetSampleArrays().analog[7] = 1.5;  // clipped in 16-bit PCM
        f.prompts.wavOptions = WavOptions{WavSampleFormat::Pcm16, true};
        f.prompts.exportPath = Path("out.wav");
        f.frame->RunCommand(cmd::FileExportWav);
        QCOMPARE(f.prompts.exportNames, QStringList{QStringLiteral("無題.wav")});
        QCOMPARE(f.prompts.messages,
                 QStringList{QStringLiteral("±1.0 V を超える 1 サンプルをフルスケールに制限しました。")});
        QFile wav(Path("out.wav"));
        QVERIFY(wav.open(QIODevice::ReadOnly));
        QCOMPARE(wav.read(4), QByteArray("RIFF"));

        f.prompts.messages.clear();
        f.prompts.pwlOptions.reset();  // the options dialog cancelled: no file asked for
        f.frame->RunCommand(cmd::FileExportPwl);
        QCOMPARE(f.prompts.exportNames.size(), 1);
        f.prompts.savePath = Path("named.kdx");
        QVERIFY(f.frame->SaveAs());
        f.prompts.exportPath.clear();
        f.frame->RunCommand(cmd::FileExportCsv);
        QCOMPARE(f.prompts.exportNames.back(), Path("named.csv"));  // beside the document
        f.prompts.exportPath = Path("no-such-dir/x.vcd");
        f.frame->RunCommand(cmd::FileExportVcd);
        QCOMPARE(f.prompts.messages, QStringList{QStringLiteral("ファイルオープンエラーです。")});
    }

    void closeStaysWhenTheSaveDoesNotHappen() {
        Fixture f;
        f.New();
        f.frame->RunCommand(cmd::ChannelInvert[0]);
        f.prompts.answers = {PromptAnswer::Yes};
        f.prompts.savePath.clear();  // Save As cancelled
        QVERIFY(!f.frame->close());
        f.prompts.answers = {PromptAnswer::Yes};
        f.prompts.savePath = Path("no-such-dir/x.kdx");  // the write fails
        QVERIFY(!f.frame->close());
        QCOMPARE(f.prompts.messages, QStringList{QStringLiteral("ファイルオープンエラーです。")});
        QVERIFY(f.doc.IsDataModified());
    }

    void japaneseGothicStandsInForMsGothic() {
        QFont font(QStringLiteral("MSゴシック"));
        font.setPixelSize(12);
        QVERIFY2(QFontInfo(font).family().contains(QStringLiteral("IPA")), qPrintable(QFontInfo(font).family()));
        QVERIFY(QFontMetrics(font).inFont(QChar(0x6CE2)));  // 波
    }

    void droppedFilesOpenOnlyKdx() {
        WriteSmallFile("X.KDX");
        QFile::copy(Path("X.KDX"), Path("x.txt"));

        Fixture f;
        f.New();
        f.frame->RunCommand(cmd::ChannelInvert[0]);  // modified: a kdx drop asks first
        const auto drop = [&](const QString& file) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(file)});
            // A drop reaches the widget that accepted the drag's entry.
            QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(f.frame.get(), &enter);
            QDropEvent event(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(f.frame.get(), &event);
        };
        drop(Path("x.txt"));
        QVERIFY(f.prompts.questions.isEmpty());
        QCOMPARE(f.doc.GetSampleCount(), 250000u);

        f.prompts.answers = {PromptAnswer::No};
        drop(Path("X.KDX"));
        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(f.doc.GetSampleCount(), 1000u);
        QCOMPARE(f.frame->windowTitle(), QStringLiteral("X.KDX - KDX"));
    }

    void contextMenusFollowHitTests() {
        Fixture f;
        f.New();
        const ViewLayout& l = f.Layout();
        QCOMPARE(f.frame->ContextMenuAt(f.Center(l.analogPlot)), f.frame->AnalogMenu());
        QMenu* zoom = f.frame->ContextMenuAt(f.Center(l.timeLabelStrip));
        QVERIFY(zoom);
        QVERIFY(zoom->actions().contains(f.frame->Action(cmd::ZoomSetStandard)));
        QVERIFY(zoom->actions().contains(f.frame->Action(cmd::ZoomRestoreStandard)));
        for (int ch = 0; ch < 4; ++ch) {
            QMenu* lane = f.frame->ContextMenuAt(f.Center(l.lanePlot[ch]));
            QVERIFY(lane);
            QVERIFY(lane->actions().contains(f.frame->Action(cmd::ChannelInvert[ch])));
            // The lane's dialogs show the pictures of their tool-bar buttons.
            for (const auto& [own, general] : {std::pair(cmd::ChannelClock[ch], cmd::DigitalClock),
                                               std::pair(cmd::ChannelSerial[ch], cmd::DigitalSerial),
                                               std::pair(cmd::ChannelModify[ch], cmd::DigitalModify)}) {
                QVERIFY(!f.frame->Action(general)->icon().isNull());
                QCOMPARE(f.frame->Action(own)->icon().pixmap(16).toImage(),
                         f.frame->Action(general)->icon().pixmap(16).toImage());
            }
        }
        const PixelRect cursorBox = l.CursorHitBox(l.PlotLeft());
        QMenu* cursor = f.frame->ContextMenuAt(f.Center(cursorBox));
        QVERIFY(cursor);
        QVERIFY(cursor->actions().contains(f.frame->Action(cmd::CursorToStart)));

        // Beside the cursor, setting the mark at the cursor says what it sets,
        // follows the command's rule and sets the mark.
        QAction* setMark = cursor->actions().back();
        QCOMPARE(setMark->text(), QStringLiteral("タイムマークを設置"));
        QCOMPARE(f.frame->Action(cmd::MarkAtCursor)->text(), QStringLiteral("カーソル位置に設置"));
        f.frame->UpdateCommands();
        QVERIFY(setMark->isEnabled());
        setMark->trigger();
        QVERIFY(f.frame->View()->Model().TimeMarkSet());
        f.frame->UpdateCommands();
        QVERIFY(!setMark->isEnabled());
    }

    void readoutButtonsStepTheCursor() {
        Fixture f;
        f.New();
        QToolButton* right = f.frame->Readout()->Button(cmd::CursorStepRight);
        QVERIFY(right->isEnabled());
        QVERIFY(!f.frame->Readout()->Button(cmd::CursorStepLeft)->isEnabled());
        QTest::mouseClick(right, Qt::LeftButton);
        QCOMPARE(f.frame->View()->CursorSample(), 1u);
        QCOMPARE(QApplication::focusWidget(), f.frame->Readout()->FieldWidget(cmd::ReadoutCursorTime));
        QVERIFY(!right->isEnabled());  // until the idle update
        f.frame->UpdateCommands();
        QVERIFY(right->isEnabled());
        QVERIFY(f.frame->Readout()->Button(cmd::CursorStepLeft)->isEnabled());
        QVERIFY(!f.frame->Readout()->Field(1005).isEmpty());
    }

    void readoutFieldsShowTheirWholeText() {
        Fixture f;
        f.frame->resize(1000, 700);
        QCoreApplication::processEvents();
        ReadoutBar* bar = f.frame->Readout();
        // Room for the text inside a field's frame and margins, as the style draws it.
        const auto room = [](QLineEdit* edit) {
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.rect = edit->rect();
            option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
            const QMargins margins = edit->textMargins();
            return edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() -
                   margins.left() - margins.right() - 4;  // the line edit's own margin of 2 on each side
        };
        const auto fits = [&](int id, const QString& text) {
            bar->SetField(id, text);
            QCoreApplication::processEvents();  // the layouts follow the new width
            QLineEdit* edit = bar->FieldWidget(id);
            return edit->fontMetrics().horizontalAdvance(text) <= room(edit);
        };
        // A negative interval keeps its sign; the longest times keep their leading digits.
        QVERIFY(fits(readout::CursorMinusMark, QStringLiteral("-3.74996 mS")));
        QVERIFY(fits(readout::MouseMinusCursor, QStringLiteral("-999.99998 mS")));
        QVERIFY(fits(readout::CursorMinusMark, QStringLiteral("-87960.93022208 S")));
        QVERIFY(fits(readout::TotalTime, QStringLiteral("87960.93022208 S")));
        QVERIFY(fits(readout::CursorVoltage, QStringLiteral("-1234.567 V")));
        // The wider bar scrolls sideways, and the scroll bar covers no field.
        auto* area = qobject_cast<QScrollArea*>(bar->parentWidget()->parentWidget());
        QVERIFY(area);
        QVERIFY(area->horizontalScrollBar()->isVisible());
        QVERIFY(area->viewport()->height() >= bar->sizeHint().height());
    }

    void ctrlPPrintsTheView() {
        Fixture f;
        f.frame->UpdateCommands();
        QVERIFY(!f.frame->PrintAction()->isEnabled());  // nothing to print yet
        QVERIFY(!f.frame->PrintView());
        QCOMPARE(f.prompts.printerAsked, 0);
        f.New();
        f.frame->UpdateCommands();
        QVERIFY(f.frame->PrintAction()->isEnabled());
        QCOMPARE(f.frame->PrintAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));

        // Cancelling the print dialog prints nothing.
        QVERIFY(!f.frame->PrintView());
        QCOMPARE(f.prompts.printerAsked, 1);

        f.prompts.printPdfPath = Path("view.pdf");
        f.frame->activateWindow();
        QTest::keyClick(f.frame.get(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(f.prompts.printerAsked, 2);
        QFile pdf(f.prompts.printPdfPath);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.contains("/Image"));  // the view went onto the page

        // A printer that cannot be opened is reported, not passed over.
        f.prompts.printPdfPath = Path("no-such-folder/view.pdf");
        QVERIFY(!f.frame->PrintView());
        QCOMPARE(f.prompts.messages.size(), 1);
    }

    void busyCommandIsDisabledAndNotReentered() {
        Fixture f;
        int asked = 0;
        bool checked = false;
        f.prompts.whileAskingNewTimeBase = [&] {
            ++asked;
            if (checked) return;
            checked = true;
            QVERIFY(f.frame->IsBusy(cmd::FileNew));
            QCoreApplication::processEvents();  // the idle update runs inside the dialog's loop
            QVERIFY(!f.frame->Action(cmd::FileNew)->isEnabled());
            QVERIFY(f.frame->Action(cmd::FileOpen)->isEnabled());
            auto* button = qobject_cast<QToolButton*>(f.frame->ToolBar()->widgetForAction(f.frame->Action(cmd::FileNew)));
            QVERIFY(button && button->isDown());
            f.frame->RunCommand(cmd::FileNew);  // ignored while running
        };
        f.New();
        QCOMPARE(asked, 1);
        QVERIFY(!f.frame->IsBusy(cmd::FileNew));
        QVERIFY(f.Enabled(cmd::FileNew));
    }

    void aboutBoxTexts() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("KDXのﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(about.VersionLabel()->text(), QStringLiteral("KDX Version 6.1"));
        bool purpose = false;
        for (QLabel* label : about.findChildren<QLabel*>()) {
            purpose = purpose || label->text() == QStringLiteral("VELX-9 波形データ編集・書き込みプログラム");
        }
        QVERIFY(purpose);
    }

    void toolBarInTableOrder() {
        Fixture f;
        QList<int> ids;
        for (QAction* a : f.frame->ToolBar()->actions()) ids << (a->isSeparator() ? 0 : a->data().toInt());
        const auto layout = ToolBarLayout();
        QCOMPARE(ids, QList<int>(layout.begin(), layout.end()));
        QCOMPARE(f.frame->minimumSize(), QSize(710, 500));
    }

    void newTimeBaseDialogRowsFollowTyping() {
        CWaveTimeDlg dialog(5000000, 20, 250000);
        TimeBaseRowsGroup* rows = dialog.Rows();
        QCOMPARE(dialog.TotalEdit()->text(), QStringLiteral("5"));
        QCOMPARE(dialog.TotalUnitList()->currentText(), QStringLiteral("mS"));
        QCOMPARE(rows->Field(0, 0)->text(), QStringLiteral("5 mS"));
        QCOMPARE(rows->Field(0, 2)->text(), QStringLiteral("250000"));
        QVERIFY(rows->Field(1, 0)->text().isEmpty());
        QVERIFY(!dialog.SamplingEdit()->isEnabled());

        dialog.TotalEdit()->clear();
        QVERIFY(!dialog.OkButton()->isEnabled());
        QTest::keyClicks(dialog.TotalEdit(), "1");
        dialog.TotalUnitList()->setCurrentIndex(3);  // S
        QVERIFY(dialog.OkButton()->isEnabled());
        QCOMPARE(rows->Field(0, 1)->text(), QStringLiteral("4 uS"));
        QCOMPARE(rows->Field(1, 2)->text(), QStringLiteral("261780"));
        QCOMPARE(rows->Field(2, 2)->text(), QStringLiteral("261781"));
        QVERIFY(rows->RowRadio(0)->isChecked());
        QTest::keyClicks(dialog.TotalEdit(), "x");
        QVERIFY(!dialog.OkButton()->isEnabled());
        QVERIFY(rows->Field(0, 0)->text().isEmpty());

        // A click on the chosen way of input keeps it chosen (the rows' own
        // radios below must not make the two a group of their own).
        QTest::mouseClick(dialog.TimeModeRadio(), Qt::LeftButton);
        QVERIFY(dialog.TimeModeRadio()->isChecked() && dialog.TotalEdit()->isEnabled());
        QTest::mouseClick(dialog.SamplingModeRadio(), Qt::LeftButton);
        QTest::mouseClick(dialog.SamplingModeRadio(), Qt::LeftButton);
        QVERIFY(dialog.SamplingModeRadio()->isChecked() && !dialog.TimeModeRadio()->isChecked());
        QVERIFY(dialog.SamplingEdit()->isEnabled());
        QVERIFY(!dialog.TotalEdit()->isEnabled());
        dialog.SamplingEdit()->setText(QStringLiteral("25"));
        dialog.SamplingUnitList()->setCurrentIndex(0);
        dialog.CountEdit()->setText(QStringLiteral("1000"));
        QVERIFY(rows->Field(0, 0)->text().isEmpty());
        QCOMPARE(rows->Field(1, 1)->text(), QStringLiteral("20 nS"));
        QCOMPARE(rows->Field(2, 1)->text(), QStringLiteral("40 nS"));
        QVERIFY(rows->RowRadio(1)->isChecked());
        dialog.CountEdit()->setText(QStringLiteral("abc"));
        QCOMPARE(rows->Field(1, 2)->text(), QStringLiteral("10"));

        // Choosing row 3 and OK gives its values.
        QTest::mouseClick(rows->RowRadio(2), Qt::LeftButton);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.SamplingTime(), int64_t{40});
        QCOMPARE(dialog.SampleCount(), int64_t{10});
    }

    void timeChangeDialogRows() {
        CWaveTimeChangeDlg dialog(5000000, 20, 250000);
        TimeBaseRowsGroup* rows = dialog.Rows();
        QCOMPARE(rows->Field(0, 2)->text(), QStringLiteral("250000"));
        QVERIFY(rows->Field(1, 0)->text().isEmpty());
        dialog.TotalEdit()->setText(QStringLiteral("5.00001"));
        QCOMPARE(rows->Field(0, 2)->text(), QStringLiteral("250000"));
        QCOMPARE(rows->Field(1, 2)->text(), QStringLiteral("250001"));
        QTest::mouseClick(rows->RowRadio(1), Qt::LeftButton);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(dialog.SampleCount(), int64_t{250001});
    }

    void secondProcessInSingleInstanceMode() {
        const auto writeIni = [&](const char* maxNumber) {
            QFile ini(Path("KDX.INI"));
            QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ini.write(QByteArray("[VELX-9]\r\nMaxNumber=") + maxNumber + "\r\n");
        };
        const auto start = [](QProcess& p) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(KDX_INSTANCE_PROBE), {});
            return p.waitForStarted();
        };
        const auto firstLine = [](QProcess& p) {
            while (!p.canReadLine() && p.waitForReadyRead(30000)) {
            }
            return QString::fromUtf8(p.readLine()).trimmed();
        };

        writeIni("1");
        QProcess first;
        QVERIFY(start(first));
        QCOMPARE(firstLine(first), QStringLiteral("started"));
        QProcess second;
        QVERIFY(start(second));
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(second.readAllStandardOutput()).trimmed(), QStringLiteral("既に起動しています。"));
        QCOMPARE(second.exitCode(), 1);

        writeIni("2");
        QProcess third;
        QVERIFY(start(third));
        QCOMPARE(firstLine(third), QStringLiteral("started"));
        for (QProcess* p : {&first, &third}) {
            p->closeWriteChannel();
            QVERIFY(p->waitForFinished(30000));
            QCOMPARE(p->exitCode(), 0);
        }
    }

    void singleInstanceRule() {
        // The lock directly: a live holder refuses a second lock; a lock left
        // by a dead process is taken over.
        {
            auto first = CKDXApp::AcquireInstanceLock();
            QVERIFY(first);
            bool heldElsewhere = false;
            QVERIFY(!CKDXApp::AcquireInstanceLock(&heldElsewhere));
            QVERIFY(heldElsewhere);
        }
        {
            // A lock that cannot be made at all is not another instance.
            bool heldElsewhere = true;
            QVERIFY(!CKDXApp::LockInstanceAt(Path("no-such-folder/KDX.lock"), &heldElsewhere));
            QVERIFY(!heldElsewhere);
        }
        QVERIFY(CKDXApp::AcquireInstanceLock());
        {
            // A lock file of a process that no longer runs.
            QFile stale(Path("KDX.lock"));
            QVERIFY(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
            stale.write("2147483600\nkdx\n" + QSysInfo::machineHostName().toUtf8() + "\n");
            stale.close();
            QVERIFY(CKDXApp::AcquireInstanceLock());
        }

        // The start-up sequence twice in one process stands for two starts.
        const auto writeIni = [&](const char* maxNumber) {
            QFile ini(Path("KDX.INI"));
            QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ini.write(QByteArray("[KDX]\r\nVersion=6.0\r\n[VELX-9]\r\nMaxNumber=") + maxNumber + "\r\n");
        };
        writeIni("abc");
        {
            ScriptedPrompts p1, p2;
            CKDXApp first, second;
            QVERIFY(first.RunStartup({"kdx"}, &p1, false));
            QVERIFY(!second.RunStartup({"kdx"}, &p2, false));
            QCOMPARE(p2.messages, QStringList{QStringLiteral("既に起動しています。")});
            QVERIFY(!second.Frame());
            QFile ini(Path("KDX.INI"));
            QVERIFY(ini.open(QIODevice::ReadOnly));
            const QByteArray text = ini.readAll();
            QVERIFY(text.contains("Version=6.1"));
            QVERIFY(text.contains("MaxNumber=abc"));
        }
        writeIni("2");
        {
            ScriptedPrompts p1, p2;
            CKDXApp first, second;
            QVERIFY(first.RunStartup({"kdx"}, &p1, false));
            QVERIFY(second.RunStartup({"kdx", WriteSmallFile("cmd.Kdx")}, &p2, false));
            QCOMPARE(second.MaxNumber(), 2);
            QVERIFY(p2.messages.isEmpty());
            QVERIFY(second.Document()->HasWaveform());  // the command-line file opened
        }
    }

    // An installed editor (no KDX_INI, no KDX.INI beside it) makes the user's
    // own file at its first start and finds it again at the next.
    void perUserSettingsAreKeptBetweenStarts() {
        if (QFile::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/KDX.INI")))
            QSKIP("a KDX.INI beside the test program makes it a portable copy");
        const QByteArray named = qgetenv("KDX_INI");
        qunsetenv("KDX_INI");
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        const QString perUser = Path("config/KDX/KDX.INI");
        {
            ScriptedPrompts p;
            CKDXApp app;
            QVERIFY(app.RunStartup({"kdx"}, &p, false));
            QCOMPARE(app.SettingsPath(), perUser);
        }
        QFile ini(perUser);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QByteArray text = ini.readAll();
        ini.close();
        QVERIFY(text.contains("Version=6.1"));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text.replace("MaxNumber=1", "MaxNumber=2"));
        ini.close();
        {
            ScriptedPrompts p;
            CKDXApp app;
            QVERIFY(app.RunStartup({"kdx"}, &p, false));
            QCOMPARE(app.MaxNumber(), 2);
        }
        qputenv("KDX_INI", named);
        qunsetenv("XDG_CONFIG_HOME");
    }

    // Last: the toolkit's translations stay installed for the rest of the run.
    void standardDialogsSpeakJapanese() {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")))
            QSKIP("the toolkit's Japanese translations are not installed");
        QVERIFY(InstallToolkitTranslations());
        QFileDialog dialog(nullptr, QStringLiteral("開く"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        QVERIFY(lookIn);
        QVERIFY2(lookIn->text() != QStringLiteral("Look in:"), qPrintable(lookIn->text()));
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        QVERIFY(buttons->button(QDialogButtonBox::Cancel));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text().contains(QStringLiteral("Cancel")), false);
    }
};

QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
