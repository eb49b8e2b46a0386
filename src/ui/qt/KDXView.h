// CKDXView: the one view of the document window. Draws the analog trace, the
// four digital lanes, the time axis, the cursor and the time mark into an
// off-screen image of the client size, copies it on paint, and writes the
// readout bar's texts. A scroll bar under the plots shows and moves the
// window. All decisions come from ViewModel; this class draws and forwards
// mouse, wheel, key and scroll-bar input to the operations the commands use.
#pragma once

#include <QBasicTimer>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "document/KDXDoc.h"
#include "ui/GetTimeForm.h"
#include "ui/PlotPrimitives.h"
#include "ui/TimeAxis.h"
#include "ui/ViewModel.h"

class QPainter;
class QScrollBar;

namespace kdx {

// Receives the readout bar's texts by control id (1005..1023).
using ReadoutSink = std::function<void(int controlId, const QString& text)>;
// Asks the user for a position (the position dialog); nullopt when cancelled.
// Tests replace it to answer without a window.
using PositionPrompt = std::function<std::optional<uint32_t>(const GetTimeRequest& request)>;

class CKDXView : public QWidget {
    Q_OBJECT

public:
    explicit CKDXView(const CKDXDoc& doc, QWidget* parent = nullptr);
    ~CKDXView() override;

    void SetReadoutSink(ReadoutSink sink);
    void SetPositionPrompt(PositionPrompt prompt);

    // After the waveform or the time base changed: time scale, envelopes,
    // total-time and sampling readouts, clears the mark readouts, repaints.
    void RefreshAll();
    // After zoom, scroll or a full cursor move: envelopes and repaint.
    void Redraw();
    // Repaints the off-screen image from the current envelopes.
    void RepaintAll();

    // After New, a file without a current view block, a total-time change or
    // the undo of one.
    void ResetView();
    // After Open of a file with a view block of the current format.
    void RestoreViewState(const ViewBlock& block);
    // The block Save stores.
    ViewBlock CaptureViewBlock() const;

    // After a generator or digital dialog applied an edit over samples a..b.
    void OnEditApplied(uint32_t first, uint32_t end);
    // After an undo other than of a time-base change.
    void OnUndoApplied();

    // The view's commands: zoom 32776.., cursor 32790.., time mark 32795..,
    // readout-bar buttons 1015, 1016, 1117, 1118. IsCommandEnabled holds the
    // rule beyond "a waveform exists" and the frame's busy flag.
    static bool IsViewCommand(int id);
    bool IsCommandEnabled(int id);
    void RunCommand(int id);

    // Direct operations (the commands, keys, wheel and scroll bar use them).
    void MoveCursor(uint32_t position);
    // Moves the window to start at first; the cursor and mark stay.
    void ScrollTo(int64_t first);
    void SetTimeMark(uint32_t position);
    void ClearTimeMark();

    uint32_t CursorSample() const { return model.Cursor(); }
    bool TimeMarkSet() const { return model.TimeMarkSet(); }
    uint32_t TimeMarkSample() const { return model.TimeMark(); }
    const ViewModel& Model() const { return model; }

    // Context-menu hit test at a point in view coordinates: analog plot,
    // cursor marker, time-mark marker (set and visible), time axis, lane ch.
    ViewHitResult HitTest(const QPoint& pos) const;

    // The off-screen image as last painted.
    const QImage& Image() const { return image; }

    // The scroll bar under the plots, shown while part of the document is.
    QScrollBar* ScrollBar() const { return scrollBar; }

    // Drives one tick of the drag timer (tests call it directly).
    void DragTimerTick();
    bool IsDragging() const { return dragging; }

signals:
    // Cursor, mark, zoom or ring changed: the frame re-evaluates its commands.
    void viewStateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Envelopes;

    void SyncDocument();
    void SetClientSize();
    void SyncScrollBar();
    void Wheel(QWheelEvent* event, int x);
    void EnsureImage();
    void BuildEnvelopes();
    void ApplyUpdate(ViewUpdate update);
    void IncrementalCursorMove(int oldX);
    void EraseColumn(int x);
    void RedrawColumns(int x);
    void DrawCursor();
    void DrawTimeMark();
    void EraseTimeMark(int x);
    void DrawTimeGrid(QPainter& p, int xa, int xb, bool labels);
    void DrawAnalogColumns(QPainter& p, int xa, int xb);
    void DrawLaneColumns(QPainter& p, int ch, int xa, int xb);
    void WriteCursorReadouts();
    void WriteMarkReadouts();
    void ClearMarkReadouts();
    void WriteMouseReadout(int x);
    void Emit(int id, const std::string& text);
    void EndDrag();
    std::optional<uint32_t> AskPosition(const GetTimeRequest& request);
    ReadoutSamples Samples() const;

    const CKDXDoc& doc;
    ViewModel model;
    TimeScale scale;
    std::unique_ptr<Envelopes> envelopes;
    QImage image;
    QPixmap cursorBitmap;
    QPixmap markBitmap;
    QFont voltageFont;
    QFont channelFont;
    QFont timeFont;
    QColor faceColor;
    QScrollBar* scrollBar = nullptr;
    bool dragging = false;
    QPoint dragPoint;
    QBasicTimer dragTimer;
    ReadoutSink readoutSink;
    PositionPrompt positionPrompt;
    // The document's edit count right after the last edit recorded in the
    // ring; an undo takes positions away only when it undoes that edit.
    std::optional<int32_t> ringEditCount;
};

}  // namespace kdx
