#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <functional>
#include <map>
#include <memory>

#include "document/KDXDoc.h"
#include "ui/qt/GetTimeDlg.h"
#include "ui/qt/KDXView.h"

using namespace kdx;

namespace {

const QRgb Grey = qRgb(127, 127, 127);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb Yellow = qRgb(255, 255, 0);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);

QRgb At(const CKDXView& v, int x, int y) { return v.Image().pixel(x, y) | 0xFF000000u; }

// Optional screenshots for looking at the rendering by eye.
void Shot(const CKDXView& v, const char* name) {
    const QString dir = qEnvironmentVariable("KDX_SHOT_DIR");
    if (!dir.isEmpty()) v.Image().save(dir + "/" + name + ".png");
}

}  // namespace

class ViewWidgetTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CKDXDoc> doc;
    std::unique_ptr<CKDXView> view;
    std::map<int, QString> readouts;

    void NewView(int64_t sampling, uint32_t count, int width = 1022, int height = 553) {
        view.reset();
        doc = std::make_unique<CKDXDoc>();
        if (count > 0) QVERIFY(doc->NewWaveform(sampling, count));
        view = std::make_unique<CKDXView>(*doc);
        readouts.clear();
        view->SetReadoutSink([this](int id, const QString& text) { readouts[id] = text; });
        view->resize(width, height);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        if (count > 0) view->ResetView();
    }

    int XOf(uint32_t sample) const { return SampleToX(view->Model().Window(), sample); }
    const ViewLayout& Layout() const { return view->Model().Layout(); }

    void SendMouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(pos), view->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &e);
    }

    void SendWheel(QPoint pos, QPoint angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                   QWidget* target = nullptr) {
        QWidget* w = target ? target : view.get();
        QWheelEvent e(QPointF(pos), w->mapToGlobal(QPointF(pos)), QPoint(), angle, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w, &e);
    }

    uint32_t First() const { return view->Model().FirstVisible(); }
    uint32_t Shown() const { return view->Model().Displayed(); }
    int Level() const { return view->Model().Zoom().zoomIndex; }

    // The label box must hold exactly the pixels the same text draws there.
    bool LabelDrawn(const QRect& box, int flags, const QString& text) {
        QImage expected(view->Image().size(), QImage::Format_RGB32);
        expected.fill(view->palette().color(QPalette::Button));
        QPainter p(&expected);
        QFont font(QStringLiteral("MSゴシック"));
        font.setPixelSize(12);
        p.setFont(font);
        p.setPen(Qt::black);
        QRect bounds;
        p.drawText(box, flags, text, &bounds);
        p.end();
        int inked = 0;
        for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
            for (int x = bounds.left(); x <= bounds.right(); ++x) {
                if (expected.pixel(x, y) != view->Image().pixel(x, y)) return false;
                if (qGray(expected.pixel(x, y)) < 100) ++inked;
            }
        }
        return inked > 5;
    }

private slots:
    void noWaveformPaintsPlainGreyAndIgnoresTheMouse() {
        NewView(20, 0);
        view->RepaintAll();
        const QImage& img = view->Image();
        for (int y = 0; y < img.height(); y += 7) {
            for (int x = 0; x < img.width(); x += 7) QCOMPARE(At(*view, x, y), Grey);
        }
        SendMouse(QEvent::MouseButtonDblClick, QPoint(500, 200), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!view->IsDragging());
        QCOMPARE(view->HitTest(QPoint(500, 200)).hit, ViewHit::None);
        Shot(*view, "empty");
    }

    void traceIsBlueAndClippedValuesArePinnedWithYellowMarkers() {
        NewView(20, 1000);
        double* a = doc->AnalogSamples();
        for (int i = 0; i < 1000; ++i) a[i] = i < 300 ? 0.5 : (i < 600 ? 2.0 : -3.0);
        view->RefreshAll();
        const PixelRect plot = Layout().analogPlot;
        const int xHalf = XOf(150), xHigh = XOf(450), xLow = XOf(800);
        QCOMPARE(At(*view, xHalf, VoltageToY(0.5, plot)), Blue);
        QCOMPARE(At(*view, xHalf, plot.top + 1), qRgb(255, 255, 255));
        QCOMPARE(At(*view, xHigh, plot.top), Yellow);
        QCOMPARE(At(*view, xHigh, plot.top + 1), qRgb(255, 255, 255));
        QCOMPARE(At(*view, xLow, plot.bottom), Yellow);
        QCOMPARE(At(*view, xLow, plot.bottom - 1), qRgb(255, 255, 255));
        Shot(*view, "clipped");
    }

    void fewerSamplesThanColumnsDrawAStaircase() {
        NewView(20, 3);
        double* a = doc->AnalogSamples();
        a[0] = 0.0;
        a[1] = 1.0;
        a[2] = -1.0;
        view->RefreshAll();
        const PixelRect plot = Layout().analogPlot;
        const int y0 = VoltageToY(0.0, plot), y1 = VoltageToY(1.0, plot), ym = VoltageToY(-1.0, plot);
        // 933 columns: the samples land in columns 0, 311 and 622.
        for (int c : {5, 150, 300}) {
            QCOMPARE(At(*view, plot.left + c, y0), Blue);
            QVERIFY(At(*view, plot.left + c, y0 - 10) != Blue);
        }
        for (int y = y1; y <= y0; y += 5) QCOMPARE(At(*view, plot.left + 311, y), Blue);
        QCOMPARE(At(*view, plot.left + 400, y1), Blue);
        QVERIFY(At(*view, plot.left + 400, y1 + 10) != Blue);
        QCOMPARE(At(*view, plot.left + 900, ym), Blue);
        Shot(*view, "staircase");
    }

    void cursorRedAndTimeMarkGreenAtTheirColumns() {
        NewView(20, 1000);
        const int y = Layout().analogPlot.top + 5;
        // Columns 250 and 500 carry time grid lines; moving away must restore them.
        const QImage before = view->Image().copy();
        view->MoveCursor(500);
        view->SetTimeMark(250);
        QCOMPARE(At(*view, XOf(500), y), Red);
        QCOMPARE(At(*view, XOf(250), y), Green);
        QCOMPARE(At(*view, XOf(500), Layout().lanePlot[3].bottom), Red);
        // The old cursor column is restored when the cursor moves on.
        view->MoveCursor(700);
        for (int row = Layout().cursorStrip.bottom + 1; row <= Layout().LinesBottom(); ++row) {
            QCOMPARE(view->Image().pixel(XOf(500), row), before.pixel(XOf(500), row));
        }
        QCOMPARE(At(*view, XOf(500), VoltageToY(0.0, Layout().analogPlot)), Blue);
        QCOMPARE(At(*view, XOf(700), y), Red);
        QCOMPARE(At(*view, XOf(250), y), Green);
        QCOMPARE(readouts[readout::CursorMinusMark], QStringLiteral("9.00 uS"));
        view->ClearTimeMark();
        for (int row = Layout().markStrip.top; row <= Layout().LinesBottom(); ++row) {
            QCOMPARE(view->Image().pixel(XOf(250), row), before.pixel(XOf(250), row));
        }
        QCOMPARE(readouts[readout::MarkTime], QString());
        Shot(*view, "cursor");
    }

    // The values under a time mark scrolled out of view change with edits too.
    void offScreenMarkReadoutsFollowEdits() {
        NewView(20, 1000);
        view->SetTimeMark(900);
        view->RunCommand(viewcmd::MaximumZoom);  // the window stays at the cursor, far from the mark
        QVERIFY(view->Model().TimeMarkSet() && !view->Model().IsTimeMarkVisible());
        QCOMPARE(readouts[readout::MarkLevel[0]], QStringLiteral("0"));
        QVERIFY(doc->InvertChannel(0));
        view->Redraw();
        QCOMPARE(readouts[readout::MarkLevel[0]], QStringLiteral("1"));
    }

    void labelsAreDrawn() {
        NewView(20, 250000);
        const PixelRect plot = Layout().analogPlot;
        const char* texts[] = {"+1.0V", "0.0V", "-1.0V"};
        const double levels[] = {1.0, 0.0, -1.0};
        for (int i = 0; i < 3; ++i) {
            const int y = VoltageToY(levels[i], plot);
            const QRect box(QPoint(Layout().voltageLabelColumn.left - 20, y - 10), QPoint(plot.left - 5, y + 10));
            QVERIFY2(LabelDrawn(box, Qt::AlignRight | Qt::AlignVCenter, texts[i]), texts[i]);
        }
        for (int ch = 0; ch < 4; ++ch) {
            const PixelRect& r = Layout().laneLabel[ch];
            const int centre = (r.top + r.bottom) / 2;
            const QRect box(QPoint(r.left, centre - 10), QPoint(r.right - 4, centre + 10));
            QVERIFY(LabelDrawn(box, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("CH%1").arg(ch)));
        }
        QCOMPARE(readouts[readout::TotalTime], QStringLiteral("5.00000 mS"));
        QCOMPARE(readouts[readout::Sampling], QStringLiteral("20 nS"));
        QCOMPARE(readouts[readout::CursorTime], QStringLiteral("0.00000 mS"));
        Shot(*view, "labels");
    }

    void clockLanesDrawHighAndLowLevels() {
        NewView(20, 250000);
        const double pi = std::acos(-1.0);
        for (uint32_t i = 0; i < 250000; ++i) {
            doc->AnalogSamples()[i] = 0.9 * std::sin(2 * pi * 3 * i / 250000.0);
            for (int ch = 0; ch < 4; ++ch) doc->DigitalChannel(ch)[i] = (i / (25000u >> ch)) & 1;
        }
        view->RefreshAll();
        view->MoveCursor(100000);
        view->SetTimeMark(140000);
        view->RunCommand(viewcmd::ZoomIn);
        const PixelRect& trace = Layout().laneTrace[0];
        // CH0 alternates every 25000 samples: low at 62000, high at 88000.
        QCOMPARE(view->Model().FirstVisible(), 100000u - view->Model().Displayed() / 2);
        const int xLow = XOf(62000), xHigh = XOf(88000);
        QCOMPARE(At(*view, xLow, trace.bottom), Blue);
        QCOMPARE(At(*view, xLow, trace.bottom - 1), Blue);
        QVERIFY(At(*view, xLow, trace.top + 1) != Blue);
        QCOMPARE(At(*view, xHigh, trace.top + 1), Blue);
        QVERIFY(At(*view, xHigh, trace.bottom) != Blue);
        Shot(*view, "sine");
    }

    void longTimeLabelsStayInsideTheStrip() {
        // The longest sampling time: labels in seconds with many digits.
        NewView(335544320, 262144, 710, 460);
        view->MoveCursor(262100);
        view->RunCommand(viewcmd::MaximumZoom);
        for (int zoomOut = 0; zoomOut < 4; ++zoomOut) {
            const QColor face = view->palette().color(QPalette::Button);
            for (int y = Layout().timeLabelStrip.top; y <= Layout().timeLabelStrip.bottom; ++y) {
                QCOMPARE(QColor(view->Image().pixel(709, y)), face);
                QCOMPARE(QColor(view->Image().pixel(0, y)), face);
            }
            Shot(*view, qPrintable(QStringLiteral("long_labels%1").arg(zoomOut)));
            view->RunCommand(viewcmd::ZoomOut);
        }
    }

    void resizeKeepsZoomWindowCursorAndMark() {
        NewView(20, 262144);
        view->MoveCursor(100000);
        view->RunCommand(viewcmd::StandardZoom);
        view->SetTimeMark(99000);
        const ViewBlock before = view->CaptureViewBlock();
        view->resize(1400, 800);
        QCoreApplication::processEvents();
        QCOMPARE(view->Image().size(), QSize(1400, 800));
        const ViewBlock after = view->CaptureViewBlock();
        QCOMPARE(after.zoomIndex, before.zoomIndex);
        QVERIFY(after.zoomTable == before.zoomTable);
        QCOMPARE(after.firstVisibleSample, before.firstVisibleSample);
        QCOMPARE(after.cursorSample, 100000u);
        QCOMPARE(after.timeMarkSample, 99000u);
        const int y = Layout().analogPlot.top + 5;
        QCOMPARE(At(*view, XOf(100000), y), Red);
        QCOMPARE(At(*view, XOf(99000), y), Green);
        QCOMPARE(At(*view, 1400 - 3, 300), Grey);
        Shot(*view, "resized");
    }

    void restoredCursorOutsideTheWindowIsNotDrawnOverTheLabels() {
        NewView(20, 262144);
        const QImage whole = view->Image().copy();
        const PixelRect labels = Layout().voltageLabelColumn;
        auto labelsIntact = [&] {
            for (int x = 0; x < Layout().PlotLeft(); ++x) {
                for (int y = labels.top; y <= labels.bottom; ++y) {
                    if (view->Image().pixel(x, y) != whole.pixel(x, y)) return false;
                }
            }
            return true;
        };
        // Cursors a little before the window: their columns would fall among
        // the voltage labels.
        for (uint32_t cursor = 99700; cursor < 100000; cursor += 20) {
            ViewBlock b = view->CaptureViewBlock();
            b.zoomIndex = b.standardZoomIndex;
            b.firstVisibleSample = 100000;
            b.cursorSample = cursor;
            view->RestoreViewState(b);
            QCOMPARE(view->Model().FirstVisible(), 100000u);
            QVERIFY(labelsIntact());
            view->MoveCursor(100100);
            QCOMPARE(At(*view, XOf(100100), Layout().analogPlot.top + 5), Red);
            QVERIFY2(labelsIntact(), qPrintable(QString::number(cursor)));
        }
    }

    void dragAutoScrollStopsAtTheLastFullWindow() {
        NewView(20, 262144);
        view->MoveCursor(200000);
        view->RunCommand(viewcmd::StandardZoom);
        const QPoint grab(view->Model().CursorX(), Layout().analogPlot.top + 20);
        SendMouse(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(view->IsDragging());
        SendMouse(QEvent::MouseMove, QPoint(Layout().PlotRight() + 40, grab.y()), Qt::NoButton, Qt::LeftButton);
        const uint32_t w = view->Model().Displayed();
        uint32_t first = view->Model().FirstVisible();
        view->DragTimerTick();
        QCOMPARE(view->Model().FirstVisible(), first + view->Model().DragScrollStep());
        for (int i = 0; i < 10000 && view->Model().FirstVisible() + w < 262144u; ++i) view->DragTimerTick();
        QCOMPARE(view->Model().FirstVisible(), 262144u - w);
        view->DragTimerTick();
        view->DragTimerTick();
        QCOMPARE(view->Model().FirstVisible(), 262144u - w);
        QCOMPARE(view->CursorSample(), 262144u);
        QCOMPARE(At(*view, Layout().PlotRight() + 1, Layout().analogPlot.top + 5), Red);
        SendMouse(QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!view->IsDragging());
        QVERIFY(!view->IsCommandEnabled(viewcmd::CursorBack));
    }

    void scrollBarShowsTheDocumentWithTheWindowAsItsPage() {
        NewView(20, 262144);
        QScrollBar* bar = view->ScrollBar();
        QVERIFY(!bar->isVisible());  // the whole waveform
        QVERIFY(bar->geometry().top() > Layout().LinesBottom());
        QCOMPARE(bar->geometry().left(), Layout().analogPanel.left);
        QCOMPARE(bar->geometry().right(), Layout().analogPanel.right);
        const auto mirrorsTheWindow = [&] {
            return bar->isVisible() && bar->minimum() == 0 && bar->maximum() == int(262144 - Shown()) &&
                   bar->pageStep() == int(Shown()) && bar->singleStep() == int(Shown() / 10) &&
                   bar->value() == int(First());
        };
        view->MoveCursor(100000);
        view->RunCommand(viewcmd::StandardZoom);
        QVERIFY(mirrorsTheWindow());
        const uint32_t w = Shown(), start = First();
        struct Move {
            const char* name;
            std::function<void()> run;
            int64_t first;  // -1: only the bar is checked
        } moves[] = {
            {"arrow", [&] { bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); }, start + w / 10},
            {"trough", [&] { bar->triggerAction(QAbstractSlider::SliderPageStepSub); }, int64_t{start} + w / 10 - w},
            {"drag", [&] { bar->setValue(50000); }, 50000},
            {"to the end", [&] { bar->triggerAction(QAbstractSlider::SliderToMaximum); }, 262144 - w},
            {"trough at the end", [&] { bar->triggerAction(QAbstractSlider::SliderPageStepAdd); }, 262144 - w},
            {"wheel", [&] { SendWheel({500, 200}, {0, WheelNotch}); }, 262144 - w - w / 10},
            {"key", [&] { QTest::keyClick(view.get(), Qt::Key_PageUp); }, 262144 - 2 * w - w / 10},
            {"cursor", [&] { view->MoveCursor(100000); }, 100000 - w / 2},
            {"zoom", [&] { view->RunCommand(viewcmd::ZoomIn); }, -1},
            {"ctrl+wheel", [&] { SendWheel({500, 200}, {0, -WheelNotch}, Qt::ControlModifier); }, -1},
        };
        for (const Move& m : moves) {
            m.run();
            if (m.first >= 0) QVERIFY2(First() == m.first, m.name);
            QVERIFY2(mirrorsTheWindow(), m.name);
        }
        QCOMPARE(view->CursorSample(), 100000u);  // scrolling and zooming leave the cursor alone
        view->RunCommand(viewcmd::WholeView);
        QVERIFY(!bar->isVisible());
    }

    // Pointer at the plot's left edge, middle and right edge.
    void wheelScrollsATenthAndCtrlWheelZoomsAroundThePointer() {
        NewView(20, 262144);
        view->MoveCursor(131072);
        view->RunCommand(viewcmd::StandardZoom);
        const int y = Layout().analogPlot.top + 20;
        const int left = Layout().PlotLeft(), right = Layout().PlotRight();
        for (int x : {left, (left + right) / 2, right}) {
            const uint32_t first = First(), step = Shown() / 10;
            SendWheel({x, y}, {0, -WheelNotch});
            QCOMPARE(First(), first + step);
            SendWheel({x, y}, {WheelNotch, 0});  // a horizontal wheel
            QCOMPARE(First(), first);
            const int level = Level();
            const uint32_t anchor = XToSample(view->Model().Window(), x);
            SendWheel({x, y}, {0, WheelNotch}, Qt::ControlModifier);
            QCOMPARE(Level(), level + 1);
            QCOMPARE(XToSample(view->Model().Window(), x), anchor);
            SendWheel({x, y}, {0, -WheelNotch}, Qt::ControlModifier);
            QCOMPARE(Level(), level);
            QCOMPARE(XToSample(view->Model().Window(), x), anchor);
        }
        QCOMPARE(readouts[readout::MouseMinusCursor].isEmpty(), false);
        // Against the bounds the window stops there.
        const int level = Level();
        view->ScrollTo(0);
        SendWheel({left, y}, {0, WheelNotch});
        QCOMPARE(First(), 0u);
        SendWheel({right, y}, {0, -WheelNotch}, Qt::ControlModifier);
        QCOMPARE(Level(), level - 1);
        QCOMPARE(First(), 0u);
        view->ScrollTo(262144);
        SendWheel({left, y}, {0, WheelNotch}, Qt::ControlModifier);
        SendWheel({left, y}, {0, -WheelNotch}, Qt::ControlModifier);
        QCOMPARE(Level(), level - 1);
        QCOMPARE(First() + Shown(), 262144u);
        // Over the scroll bar the wheel scrolls as over the plots.
        QScrollBar* bar = view->ScrollBar();
        SendWheel({bar->width() / 2, bar->height() / 2}, {0, WheelNotch}, Qt::NoModifier, bar);
        QCOMPARE(First() + Shown(), 262144u - Shown() / 10);
    }

    void keysMoveTheCursorScrollAndZoom() {
        NewView(20, 262144);
        view->MoveCursor(100000);
        view->RunCommand(viewcmd::StandardZoom);
        const uint32_t w = Shown();
        const uint32_t column = (w + Layout().Columns() / 2) / Layout().Columns();
        struct Key {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            uint32_t cursor;
        } cursorKeys[] = {
            {Qt::Key_Right, Qt::NoModifier, 100001},        {Qt::Key_Left, Qt::NoModifier, 100000},
            {Qt::Key_Right, Qt::ShiftModifier, 100000 + column}, {Qt::Key_Left, Qt::ShiftModifier, 100000},
            {Qt::Key_End, Qt::NoModifier, 262143},          {Qt::Key_Home, Qt::NoModifier, 0},
        };
        for (const Key& k : cursorKeys) {
            QTest::keyClick(view.get(), k.key, k.modifiers);
            QCOMPARE(view->CursorSample(), k.cursor);
            QVERIFY(view->Model().IsCursorVisible());
            QCOMPARE(At(*view, XOf(k.cursor), Layout().analogPlot.top + 5), Red);
        }
        QTest::keyClick(view.get(), Qt::Key_Right);
        QCOMPARE(readouts[readout::CursorTime], QStringLiteral("0.00002 mS"));
        // Page keys scroll; the next cursor key brings the cursor back into view.
        QTest::keyClick(view.get(), Qt::Key_PageDown);
        QTest::keyClick(view.get(), Qt::Key_PageDown);
        QCOMPARE(First(), 2 * w);
        QTest::keyClick(view.get(), Qt::Key_PageUp);
        QCOMPARE(First(), w);
        QCOMPARE(view->CursorSample(), 1u);
        QTest::keyClick(view.get(), Qt::Key_Left);
        QCOMPARE(view->CursorSample(), 0u);
        QCOMPARE(First(), 0u);
        // Zoom keys act as the zoom commands, around the cursor.
        view->MoveCursor(200000);
        const int level = Level();
        QTest::keyClick(view.get(), Qt::Key_Plus, Qt::ShiftModifier);
        QCOMPARE(Level(), level + 1);
        QCOMPARE(First(), 200000u - Shown() / 2);
        QTest::keyClick(view.get(), Qt::Key_Minus);
        QCOMPARE(Level(), level);
        QTest::keyClick(view.get(), Qt::Key_0);
        QCOMPARE(Level(), 0);
        // Keys with Ctrl belong to the frame's accelerators.
        QTest::keyClick(view.get(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(view->CursorSample(), 200000u);
    }

    void doubleClicksMoveTheCursorAndToggleZoom() {
        NewView(20, 262144);
        const int x = Layout().PlotLeft() + 300;
        SendMouse(QEvent::MouseButtonDblClick, QPoint(x, Layout().lanePlot[1].top + 3), Qt::LeftButton,
                  Qt::LeftButton);
        QCOMPARE(view->CursorSample(), XToSample(view->Model().Window(), x));
        SendMouse(QEvent::MouseButtonDblClick, QPoint(x, 5), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(view->Model().Zoom().zoomIndex, view->Model().Zoom().standardZoomIndex);
        SendMouse(QEvent::MouseButtonDblClick, QPoint(view->Model().CursorX(), Layout().cursorStrip.top + 2),
                  Qt::LeftButton, Qt::LeftButton);
        QVERIFY(view->TimeMarkSet());
        QCOMPARE(view->TimeMarkSample(), view->CursorSample());
    }

    void positionCommandsAskThroughThePrompt() {
        NewView(20, 1000);
        GetTimeRequest seen;
        view->SetPositionPrompt([&seen](const GetTimeRequest& r) -> std::optional<uint32_t> {
            seen = r;
            return 700u;
        });
        view->RunCommand(viewcmd::CursorToGiven);
        QCOMPARE(view->CursorSample(), 700u);
        QCOMPARE(QString::fromStdString(seen.title), QStringLiteral("カーソル位置の指定"));
        QVERIFY(seen.endAcceptable);
        view->RunCommand(viewcmd::MarkAtGiven);
        QVERIFY(view->TimeMarkSet());
        QVERIFY(!seen.endAcceptable);
        QVERIFY(!seen.markReferenceEnabled);
        QCOMPARE(QString::fromStdString(seen.title), QStringLiteral("タイムマーク位置の指定"));
        view->SetPositionPrompt([](const GetTimeRequest&) { return std::optional<uint32_t>{}; });
        view->RunCommand(viewcmd::MarkToGiven);
        QCOMPARE(view->TimeMarkSample(), 700u);  // cancelled: unchanged
    }

    void positionDialogRecomputesOnEveryKeystroke() {
        GetTimeRequest r;
        r.samplingTimeNs = 20;
        r.sampleCount = 1000;
        r.cursorSample = 100;
        r.markSample = 50;
        r.markReferenceEnabled = false;
        r.endAcceptable = false;
        CGetTimeDlg dlg(r);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("時間指定"));
        QVERIFY(!dlg.ReferenceRadio(GetTimeFromMark)->isEnabled());
        QCOMPARE(dlg.ReferenceRadio(GetTimeFromCursor)->text(), QStringLiteral("ｶｰｿﾙ基準の相対時間"));
        QVERIFY(!dlg.OkButton()->isEnabled());
        dlg.UnitList()->setCurrentIndex(TimeUnitUs);
        QTest::keyClicks(dlg.TimeEdit(), "2");
        QCOMPARE(dlg.ReferenceEdit(GetTimeFromCursor)->text(), QStringLiteral("0 nS"));
        QCOMPARE(dlg.ReferenceEdit(GetTimeFromEnd)->text(), QStringLiteral("-18 uS"));
        QVERIFY(dlg.OkButton()->isEnabled());
        QTest::keyClicks(dlg.TimeEdit(), "0");  // 20 uS: the end, refused for the mark
        QVERIFY(!dlg.OkButton()->isEnabled());
        QCOMPARE(dlg.ReferenceEdit(GetTimeFromStart)->text(), QStringLiteral("20 uS"));
        QTest::keyClicks(dlg.TimeEdit(), "0");
        QVERIFY(dlg.ReferenceEdit(GetTimeFromStart)->text().isEmpty());
        dlg.ReferenceRadio(GetTimeFromEnd)->setChecked(true);
        dlg.TimeEdit()->setText("-1");
        if (!qEnvironmentVariableIsEmpty("KDX_SHOT_DIR")) {
            dlg.show();
            dlg.grab().save(qEnvironmentVariable("KDX_SHOT_DIR") + "/get_time_dialog.png");
        }
        QCOMPARE(dlg.Form().Result(), 950u);
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.Result(), 950u);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("MSゴシック"),
                               {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP", "VL Gothic"});
    ViewWidgetTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ViewWidgetTest.moc"
