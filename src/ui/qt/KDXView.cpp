#include "ui/qt/KDXView.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>
#include <climits>

#include "ui/qt/GetTimeDlg.h"
#include "ui/qt/PlotPainter.h"

// The marker bitmaps live in this library's resources; a static library must
// register them explicitly.
static void InitViewResources() { Q_INIT_RESOURCE(view); }

namespace kdx {

namespace {

using namespace plot;

const QColor WindowGrey(127, 127, 127);
const QColor PlotWhite = plot::White;
const QColor CursorRed(255, 0, 0);
const QColor MarkGreen(0, 255, 0);

constexpr int DragTimerPeriodMs = 10;

// Lines are drawn where they fall on the plots (the position after the last
// sample sits on the frame's right edge); a position outside the window is
// remembered but not drawn over the labels.
bool Drawable(const ViewLayout& l, int x) { return x >= l.PlotLeft() && x <= l.PlotRight() + 1; }

}  // namespace

struct CKDXView::Envelopes {
    ColumnEnvelope analog;
    std::array<ColumnEnvelope, DigitalChannelCount> lanes;
};

CKDXView::CKDXView(const CKDXDoc& document, QWidget* parent)
    : QWidget(parent), doc(document), envelopes(std::make_unique<Envelopes>()) {
    InitViewResources();
    cursorBitmap = QPixmap(QStringLiteral(":/kdx/view/cursor_marker.png"));
    markBitmap = QPixmap(QStringLiteral(":/kdx/view/time_mark_marker.png"));
    model.SetMarkerSizes({cursorBitmap.width(), cursorBitmap.height()}, {markBitmap.width(), markBitmap.height()});
    voltageFont = channelFont = timeFont = LabelFont();
    faceColor = palette().color(QPalette::Button);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    scrollBar = new QScrollBar(Qt::Horizontal, this);
    scrollBar->setFocusPolicy(Qt::NoFocus);
    scrollBar->setAccessibleName(QStringLiteral("表示位置"));
    scrollBar->hide();
    scrollBar->installEventFilter(this);
    connect(scrollBar, &QScrollBar::valueChanged, this, [this](int value) { ScrollTo(value); });
    SetClientSize();
}

// The plots take the client area above a strip kept for the scroll bar, so
// that they do not jump when the bar comes and goes with the zoom.
void CKDXView::SetClientSize() {
    const int reserved = scrollBar->sizeHint().height();
    model.SetClientSize(width(), std::max(height() - reserved, 0));
    const PixelRect& panel = model.Layout().analogPanel;
    scrollBar->setGeometry(panel.left, height() - reserved, std::max(panel.right - panel.left + 1, 0), reserved);
}

void CKDXView::SyncScrollBar() {
    const ScrollBarState b = model.ScrollBar();
    const QSignalBlocker blocker(scrollBar);
    scrollBar->setRange(0, b.maximum);
    scrollBar->setPageStep(b.pageStep);
    scrollBar->setSingleStep(b.singleStep);
    scrollBar->setValue(b.value);
    scrollBar->setVisible(b.visible);
}

CKDXView::~CKDXView() = default;

void CKDXView::SetReadoutSink(ReadoutSink sink) { readoutSink = std::move(sink); }
void CKDXView::SetPositionPrompt(PositionPrompt prompt) { positionPrompt = std::move(prompt); }

void CKDXView::SyncDocument() {
    model.SetDocument(doc.HasWaveform(), doc.GetSampleCount(), doc.GetSamplingTime());
}

void CKDXView::EnsureImage() {
    const QSize want(std::max(width(), 1), std::max(height(), 1));
    if (image.size() != want) image = QImage(want, QImage::Format_RGB32);
}

ReadoutSamples CKDXView::Samples() const {
    ReadoutSamples s;
    s.analog = doc.GetAnalogSamples();
    for (int ch = 0; ch < DigitalChannelCount; ++ch) s.digital[ch] = doc.GetDigitalChannel(ch);
    s.sampleCount = doc.GetSampleCount();
    s.samplingTimeNs = doc.GetSamplingTime();
    return s;
}

// ---------------------------------------------------------------------------
// Whole-view drawing

void CKDXView::RefreshAll() {
    SyncDocument();
    if (model.HasWaveform()) {
        scale = ChooseTimeScale(doc.GetTotalTime(), doc.GetSamplingTime());
        BuildEnvelopes();
        Emit(readout::TotalTime, TotalTimeReadout(doc.GetTotalTime(), scale));
        Emit(readout::Sampling, SamplingReadout(doc.GetSamplingTime()));
        ClearMarkReadouts();
        Emit(readout::MouseMinusCursor, {});
    }
    RepaintAll();
    update();
}

void CKDXView::Redraw() {
    SyncDocument();
    BuildEnvelopes();
    RepaintAll();
    update();
}

void CKDXView::BuildEnvelopes() {
    if (!model.HasWaveform() || model.SampleCount() == 0) return;
    const SampleWindow w = model.Window();
    const ViewLayout& l = model.Layout();
    // The model keeps first + w within the count; this only guards the reads.
    const uint32_t count = std::min(w.count, model.SampleCount() - std::min(w.first, model.SampleCount()));
    BuildAnalogEnvelope(doc.GetAnalogSamples() + w.first, count, l.analogPlot, envelopes->analog);
    BuildDigitalEnvelopes({doc.GetDigitalChannel(0) + w.first, doc.GetDigitalChannel(1) + w.first,
                           doc.GetDigitalChannel(2) + w.first, doc.GetDigitalChannel(3) + w.first},
                          count, l.laneTrace, envelopes->lanes);
}

void CKDXView::RepaintAll() {
    EnsureImage();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const ViewLayout& l = model.Layout();
    const PixelRect client{0, 0, image.width() - 1, image.height() - 1};
    Fill(p, client, WindowGrey);
    SyncScrollBar();
    if (!model.HasWaveform()) return;

    // 1. Strips, area insides and plots.
    Fill(p, l.timeLabelStrip, faceColor);
    Fill(p, l.tickStrip, faceColor);
    HLine(p, l.tickStrip.bottom, l.tickStrip.left, l.tickStrip.right, Black);
    Fill(p, l.cursorStrip, WindowGrey);
    Fill(p, l.markStrip, WindowGrey);
    Fill(p, Inside(l.analogArea), faceColor);
    Frame(p, l.analogArea, Black);
    Fill(p, Inside(l.laneArea), faceColor);
    Frame(p, l.laneArea, Black);
    Fill(p, l.analogPlot, PlotWhite);
    for (const PixelRect& r : l.lanePlot) Fill(p, r, PlotWhite);

    const int xa = l.PlotLeft(), xb = l.PlotRight();
    // 2. Time grid with its labels.
    DrawTimeGrid(p, xa, xb, true);
    // 3. Voltage labels.
    DrawVoltageLabels(p, l.analogPlot, l.analogPlot.left, voltageFont);
    Frame(p, l.analogArea, Black);
    // 4. Analog panel.
    DrawAnalogColumns(p, xa, xb);
    // 5. Channel labels.
    p.setFont(channelFont);
    for (int ch = 0; ch < DigitalChannelCount; ++ch) {
        const PixelRect& r = l.laneLabel[ch];
        const int centre = (r.top + r.bottom) / 2;
        const QRect box(QPoint(r.left, centre - 10), QPoint(r.right - 4, centre + 10));
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("CH%1").arg(ch));
    }
    Frame(p, l.laneArea, Black);
    // 6. Lanes.
    for (int ch = 0; ch < DigitalChannelCount; ++ch) DrawLaneColumns(p, ch, xa, xb);
    p.end();
    // 7, 8. Time mark and cursor on top. An edit changes the values under a
    // mark scrolled out of view too, so its readouts are rewritten anyway.
    if (model.IsTimeMarkVisible()) {
        DrawTimeMark();
    } else if (model.TimeMarkSet()) {
        WriteMarkReadouts();
    }
    DrawCursor();
}

void CKDXView::DrawTimeGrid(QPainter& p, int xa, int xb, bool labels) {
    const ViewLayout& l = model.Layout();
    const int64_t sampling = model.SamplingTime();
    p.setFont(timeFont);
    p.setPen(Black);
    const QFontMetrics metrics(timeFont);
    int labelsRight = INT_MIN;  // right end of the last label drawn
    ForEachTimeGridLine(model.Window(), sampling, xa, xb, [&](uint32_t sample, int x) {
        if (labels) {
            const QString text = QString::fromStdString(TimeGridLabel(int64_t{sample} * sampling, scale));
            // Centred on its line, but kept whole inside the strip; a label
            // that would run into the one before it is left out (its line stays).
            const int width = metrics.horizontalAdvance(text);
            const int left = std::clamp(x - width / 2, 2, std::max(2, l.timeLabelStrip.right - 1 - width));
            if (left >= labelsRight + 4) {
                const QRect box(QPoint(left, l.timeLabelStrip.top), QPoint(left + width, l.timeLabelStrip.bottom));
                p.drawText(box, Qt::AlignLeft | Qt::AlignBottom | Qt::TextDontClip, text);
                labelsRight = left + width;
            }
        }
        VLine(p, x, l.tickStrip.top, l.tickStrip.bottom, Black);
        VLine(p, x, l.analogPlot.top, l.analogPlot.bottom, GridGrey);
        for (const PixelRect& r : l.lanePlot) VLine(p, x, r.top, r.bottom, GridGrey);
    });
}

void CKDXView::DrawAnalogColumns(QPainter& p, int xa, int xb) {
    const ViewLayout& l = model.Layout();
    Frame(p, l.analogPanel, Black);
    const PixelRect& plot = l.analogPlot;
    DrawVoltageGrid(p, plot, xa, xb);
    DrawEnvelope(p, envelopes->analog, plot, xa, xb, TraceBlue, MarkerYellow);
}

void CKDXView::DrawLaneColumns(QPainter& p, int ch, int xa, int xb) {
    const ViewLayout& l = model.Layout();
    Frame(p, l.laneFrame[ch], Black);
    const PixelRect& trace = l.laneTrace[ch];
    const int x0 = std::max(xa, trace.left), x1 = std::min(xb, trace.right);
    HLine(p, trace.top, x0, x1, GridGrey);
    HLine(p, trace.bottom, x0, x1, GridGrey);
    DrawEnvelope(p, envelopes->lanes[ch], trace, x0, x1, TraceBlue);
}

// ---------------------------------------------------------------------------
// Cursor and time mark

void CKDXView::DrawCursor() {
    const ViewLayout& l = model.Layout();
    const int x = SampleToX(model.Window(), model.Cursor());
    model.NoteCursorDrawn(x);
    if (Drawable(l, x)) {
        QPainter p(&image);
        VLine(p, x, l.cursorStrip.bottom + 1, l.LinesBottom(), CursorRed);
        p.drawPixmap(x - cursorBitmap.width() / 2, l.cursorStrip.top, cursorBitmap);
    }
    WriteCursorReadouts();
}

void CKDXView::DrawTimeMark() {
    const ViewLayout& l = model.Layout();
    const int x = SampleToX(model.Window(), model.TimeMark());
    model.NoteTimeMarkDrawn(x);
    if (Drawable(l, x)) {
        QPainter p(&image);
        VLine(p, x, l.markStrip.bottom + 1, l.LinesBottom(), MarkGreen);
        p.drawPixmap(x - markBitmap.width() / 2, l.markStrip.top, markBitmap);
    }
    WriteMarkReadouts();
}

// Paints column x below the cursor strip in the background of each region it
// crosses, then redraws the content of the columns around it.
void CKDXView::EraseColumn(int x) {
    const ViewLayout& l = model.Layout();
    if (!Drawable(l, x)) return;  // nothing was drawn there
    QPainter p(&image);
    const int top = l.cursorStrip.bottom + 1, bottom = l.LinesBottom();
    VLine(p, x, top, bottom, WindowGrey);
    auto paint = [&](const PixelRect& r, const QColor& c) {
        if (r.ContainsX(x)) VLine(p, x, std::max(r.top, top), std::min(r.bottom, bottom), c);
    };
    paint(Inside(l.analogArea), faceColor);
    paint(Inside(l.laneArea), faceColor);
    paint(l.analogPlot, PlotWhite);
    for (const PixelRect& r : l.lanePlot) paint(r, PlotWhite);
}

void CKDXView::RedrawColumns(int x) {
    const ViewLayout& l = model.Layout();
    if (!Drawable(l, x)) return;
    QPainter p(&image);
    // Frames are restored over the full three columns, the plot content only
    // over the plot's columns.
    p.setClipRect(QRect(QPoint(x - 1, 0), QPoint(x + 1, image.height() - 1)));
    const int xa = std::clamp(x - 1, l.PlotLeft(), l.PlotRight());
    const int xb = std::clamp(x + 1, l.PlotLeft(), l.PlotRight());
    DrawTimeGrid(p, xa, xb, false);
    Frame(p, l.analogArea, Black);
    Frame(p, l.laneArea, Black);
    DrawAnalogColumns(p, xa, xb);
    for (int ch = 0; ch < DigitalChannelCount; ++ch) DrawLaneColumns(p, ch, xa, xb);
}

void CKDXView::IncrementalCursorMove(int oldX) {
    const ViewLayout& l = model.Layout();
    {
        QPainter p(&image);
        Fill(p, l.cursorStrip, WindowGrey);
    }
    EraseColumn(oldX);
    RedrawColumns(oldX);
    if (model.IsTimeMarkVisible()) DrawTimeMark();
    DrawCursor();
}

void CKDXView::EraseTimeMark(int x) {
    const ViewLayout& l = model.Layout();
    {
        QPainter p(&image);
        Fill(p, l.markStrip, WindowGrey);
    }
    EraseColumn(x);
    RedrawColumns(x);
    DrawCursor();
}

void CKDXView::ApplyUpdate(ViewUpdate u) {
    if (u == ViewUpdate::Incremental) {
        IncrementalCursorMove(model.CursorX());
        update();
    } else if (u == ViewUpdate::Full) {
        Redraw();
    }
}

void CKDXView::MoveCursor(uint32_t position) {
    SyncDocument();
    ApplyUpdate(model.MoveCursor(position));
    emit viewStateChanged();
}

void CKDXView::ScrollTo(int64_t first) {
    SyncDocument();
    if (model.ScrollTo(first) == ViewUpdate::None) return;
    Redraw();
    emit viewStateChanged();
}

void CKDXView::SetTimeMark(uint32_t position) {
    SyncDocument();
    const ViewUpdate u = model.SetTimeMark(position);
    if (u == ViewUpdate::Incremental) {
        DrawTimeMark();
        DrawCursor();
        update();
    } else if (u == ViewUpdate::Full) {
        Redraw();
    }
    emit viewStateChanged();
}

void CKDXView::ClearTimeMark() {
    SyncDocument();
    const int x = model.TimeMarkX();
    const ViewUpdate u = model.ClearTimeMark();
    ClearMarkReadouts();
    if (u == ViewUpdate::Incremental) {
        EraseTimeMark(x);
        update();
    }
    emit viewStateChanged();
}

// ---------------------------------------------------------------------------
// Readouts

void CKDXView::Emit(int id, const std::string& text) {
    if (readoutSink) readoutSink(id, QString::fromStdString(text));
}

void CKDXView::WriteCursorReadouts() {
    const PositionReadouts r = ReadPosition(Samples(), scale, model.Cursor());
    Emit(readout::CursorTime, r.time);
    Emit(readout::CursorVoltage, r.voltage);
    for (int ch = 0; ch < DigitalChannelCount; ++ch) Emit(readout::CursorLevel[ch], r.levels[ch]);
    if (model.TimeMarkSet()) {
        Emit(readout::CursorMinusMark, IntervalReadout(model.Cursor(), model.TimeMark(), model.SamplingTime(), scale));
    }
}

void CKDXView::WriteMarkReadouts() {
    const PositionReadouts r = ReadPosition(Samples(), scale, model.TimeMark());
    Emit(readout::MarkTime, r.time);
    Emit(readout::MarkVoltage, r.voltage);
    for (int ch = 0; ch < DigitalChannelCount; ++ch) Emit(readout::MarkLevel[ch], r.levels[ch]);
    Emit(readout::CursorMinusMark, IntervalReadout(model.Cursor(), model.TimeMark(), model.SamplingTime(), scale));
}

void CKDXView::ClearMarkReadouts() {
    Emit(readout::MarkTime, {});
    Emit(readout::MarkVoltage, {});
    for (int id : readout::MarkLevel) Emit(id, {});
    Emit(readout::CursorMinusMark, {});
}

void CKDXView::WriteMouseReadout(int x) {
    const uint32_t s = XToSample(model.Window(), x);
    Emit(readout::MouseMinusCursor, IntervalReadout(s, model.Cursor(), model.SamplingTime(), scale));
}

// ---------------------------------------------------------------------------
// View state and commands

void CKDXView::ResetView() {
    SyncDocument();
    ringEditCount.reset();
    EndDrag();
    model.ResetView();
    RefreshAll();
    emit viewStateChanged();
}

void CKDXView::RestoreViewState(const ViewBlock& block) {
    SyncDocument();
    ringEditCount.reset();
    model.RestoreViewState(block);
    EndDrag();
    RefreshAll();
    emit viewStateChanged();
}

ViewBlock CKDXView::CaptureViewBlock() const { return model.CaptureViewBlock(); }

void CKDXView::OnEditApplied(uint32_t first, uint32_t end) {
    SyncDocument();
    const ViewUpdate u = model.OnEditApplied(first, end);
    ringEditCount = doc.GetEditCount();
    if (u == ViewUpdate::Full) Redraw();
    emit viewStateChanged();
}

void CKDXView::OnUndoApplied() {
    SyncDocument();
    // Undo takes one from the edit count. Channel commands, shifts and swaps
    // record no position: undoing them leaves the ring and the cursor alone
    // instead of dropping the positions of an earlier edit.
    const bool undidRecordedEdit = ringEditCount && *ringEditCount == doc.GetEditCount() + 1;
    ringEditCount.reset();
    if (!undidRecordedEdit || model.AfterUndo() == ViewUpdate::Full) Redraw();
    emit viewStateChanged();
}

bool CKDXView::IsViewCommand(int id) { return ViewModel::IsViewCommand(id); }

bool CKDXView::IsCommandEnabled(int id) {
    SyncDocument();
    return model.IsCommandEnabled(id);
}

std::optional<uint32_t> CKDXView::AskPosition(const GetTimeRequest& request) {
    if (positionPrompt) return positionPrompt(request);
    return CGetTimeDlg::Ask(request, this);
}

void CKDXView::RunCommand(int id) {
    using namespace viewcmd;
    SyncDocument();
    if (!model.IsCommandEnabled(id)) return;
    const auto& zoomIds = ZoomCommands;
    if (std::find(zoomIds.begin(), zoomIds.end(), id) != zoomIds.end()) {
        if (model.RunZoomCommand(id) == ViewUpdate::Full) Redraw();
        emit viewStateChanged();
        return;
    }

    GetTimeRequest request;
    request.samplingTimeNs = model.SamplingTime();
    request.sampleCount = model.SampleCount();
    request.cursorSample = model.Cursor();
    request.markSample = model.TimeMark();
    request.initialReference = GetTimeFromStart;

    switch (id) {
    case CursorToGiven: {
        request.title = GetTimeCursorTitle;
        request.markReferenceEnabled = model.TimeMarkSet() && model.TimeMark() != model.Cursor();
        request.endAcceptable = true;
        if (auto p = AskPosition(request)) MoveCursor(*p);
        return;
    }
    case CursorToLastEdit:
    case CursorBack:
    case CursorForward: {
        const uint32_t target = model.CursorCommandTarget(id);
        ApplyUpdate(model.MoveCursor(target, true));
        emit viewStateChanged();
        return;
    }
    case MarkDelete: ClearTimeMark(); return;
    case MarkAtGiven:
    case MarkToGiven: {
        request.title = GetTimeMarkTitle;
        request.markReferenceEnabled = id == MarkToGiven;
        request.endAcceptable = false;
        auto p = AskPosition(request);
        if (!p) return;
        if (id == MarkToGiven) ClearTimeMark();
        SetTimeMark(*p);
        return;
    }
    default: break;
    }

    const auto& markIds = MarkCommands;
    if (std::find(markIds.begin(), markIds.end(), id) != markIds.end()) {
        const uint32_t target = model.MarkCommandTarget(id);
        if (ViewModel::MarkCommandMoves(id)) ClearTimeMark();
        SetTimeMark(target);
        return;
    }
    MoveCursor(model.CursorCommandTarget(id));
}

ViewHitResult CKDXView::HitTest(const QPoint& pos) const { return model.HitTest(pos.x(), pos.y()); }

// ---------------------------------------------------------------------------
// Events

void CKDXView::paintEvent(QPaintEvent* event) {
    if (image.isNull()) RepaintAll();
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), image, event->rect());
}

void CKDXView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The layout follows every resize; zoom, window, cursor and mark stay.
    SetClientSize();
    EnsureImage();
    Redraw();
}

void CKDXView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (image.isNull()) Redraw();
}

void CKDXView::EndDrag() {
    dragTimer.stop();
    dragging = false;
}

void CKDXView::mousePressEvent(QMouseEvent* event) {
    if (!doc.HasWaveform() || event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    if (model.GrabsCursor(pos.x(), pos.y())) {
        dragging = true;
        dragPoint = pos;
        model.EndBrowsing();
        dragTimer.start(DragTimerPeriodMs, this);
        emit viewStateChanged();
    }
}

void CKDXView::mouseMoveEvent(QMouseEvent* event) {
    if (!doc.HasWaveform()) return;
    const QPoint pos = event->position().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        dragPoint = pos;
        return;
    }
    EndDrag();
    if (model.InPlotColumns(pos.x())) WriteMouseReadout(pos.x());
}

void CKDXView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) EndDrag();
}

void CKDXView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!doc.HasWaveform() || event->button() != Qt::LeftButton) return;
    SyncDocument();
    const QPoint pos = event->position().toPoint();
    const int x = pos.x(), y = pos.y();
    if (model.InPlots(x, y)) {
        MoveCursor(XToSample(model.Window(), x));
        WriteMouseReadout(x);
    } else if (model.InTimeAxis(x, y)) {
        if (model.ToggleZoom() == ViewUpdate::Full) Redraw();
        emit viewStateChanged();
    } else if (model.InCursorHitBox(x, y)) {
        if (!model.TimeMarkSet()) SetTimeMark(model.Cursor());
    } else if (model.InMarkHitBox(x, y)) {
        ClearTimeMark();
    }
}

void CKDXView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == dragTimer.timerId()) DragTimerTick();
    else QWidget::timerEvent(event);
}

// Over the scroll bar the wheel does what it does over the plots.
bool CKDXView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scrollBar && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        Wheel(wheel, scrollBar->mapTo(this, wheel->position().toPoint()).x());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CKDXView::wheelEvent(QWheelEvent* event) { Wheel(event, event->position().toPoint().x()); }

void CKDXView::Wheel(QWheelEvent* event, int x) {
    event->accept();
    if (!doc.HasWaveform()) return;
    SyncDocument();
    // A horizontal wheel or swipe scrolls like the vertical one.
    const QPoint angle = event->angleDelta();
    const int delta = std::abs(angle.y()) >= std::abs(angle.x()) ? angle.y() : angle.x();
    const bool zoom = event->modifiers() & Qt::ControlModifier;
    const ViewUpdate u = zoom ? model.WheelZoom(delta, x) : model.WheelScroll(delta);
    if (u == ViewUpdate::None) return;
    ApplyUpdate(u);
    if (model.InPlotColumns(x)) WriteMouseReadout(x);
    emit viewStateChanged();
}

void CKDXView::keyPressEvent(QKeyEvent* event) {
    if (!doc.HasWaveform() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        QWidget::keyPressEvent(event);
        return;
    }
    static const std::pair<int, ViewKey> keys[] = {
        {Qt::Key_Left, ViewKey::Left},     {Qt::Key_Right, ViewKey::Right},       {Qt::Key_Home, ViewKey::Home},
        {Qt::Key_End, ViewKey::End},       {Qt::Key_PageUp, ViewKey::PageUp},     {Qt::Key_PageDown, ViewKey::PageDown},
        {Qt::Key_Plus, ViewKey::ZoomIn},   {Qt::Key_Minus, ViewKey::ZoomOut},     {Qt::Key_0, ViewKey::WholeView},
    };
    const auto* key = std::find_if(std::begin(keys), std::end(keys),
                                   [event](const auto& k) { return k.first == event->key(); });
    if (key == std::end(keys)) {
        QWidget::keyPressEvent(event);
        return;
    }
    SyncDocument();
    const ViewKeyAction a = model.KeyAction(key->second, event->modifiers() & Qt::ShiftModifier);
    switch (a.kind) {
    case ViewKeyAction::MoveCursor: MoveCursor(a.position); break;
    case ViewKeyAction::ScrollTo: ScrollTo(a.position); break;
    case ViewKeyAction::Command: RunCommand(a.command); break;
    default: break;
    }
}

void CKDXView::DragTimerTick() {
    if (!dragging) return;
    SyncDocument();
    const ViewUpdate u = model.DragTick(dragPoint.x());
    ApplyUpdate(u);
    if (model.InPlotColumns(dragPoint.x())) WriteMouseReadout(dragPoint.x());
    if (u != ViewUpdate::None) emit viewStateChanged();
}

}  // namespace kdx
