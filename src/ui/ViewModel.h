// The waveform view's state and decisions without any drawing: zoom table and
// levels, the window of visible samples, cursor, time mark, the ring of edit
// positions, the commands' enable rules and targets, the scroll bar, wheel and
// keys, and the view block that files store. The widget asks it what changed
// and draws accordingly.
#pragma once

#include <array>
#include <cstdint>

#include "document/WaveformRecords.h"
#include "ui/ViewCommandIds.h"
#include "ui/ViewGeometry.h"

namespace kdx {

struct ZoomState {
    bool zoomEnabled = false;
    std::array<uint32_t, ZoomTableSize> zoomTable{};
    int32_t zoomIndex = 0;
    int32_t standardZoomIndex = 0;
    int32_t maxZoomIndex = 0;
};

// Halvings of the sample count down to at most columns / 8 samples (at least
// 8 pixels per sample at the deepest level); level 0, standard level in the
// middle.
void BuildZoomTable(ZoomState& zoom, uint32_t sampleCount, int columns);

// The last edits' start and end positions, 128 entries overwriting the oldest.
class EditPositionRing {
public:
    static constexpr int Size = EditRingSize;

    void Reset();
    // An edit over a..b: records a (unless it continues the newest entry) and b,
    // and starts browsing at the newest entry.
    void Record(uint32_t a, uint32_t b);
    uint32_t StepBack();
    uint32_t StepForward();
    // Resets browsing to the newest entry and returns it (0 when empty).
    uint32_t Newest();
    uint32_t NewestEntry() const;  // without touching browsing (0 when empty)
    // Drops the undone edit's entries; returns the position the cursor goes to.
    uint32_t RemoveAfterUndo();

    bool IsEmpty() const { return empty; }
    bool CanGoBack() const { return canGoBack; }
    bool CanGoForward() const { return canGoForward; }
    bool IsBrowsing() const { return browsing; }
    void SetBrowsing(bool on) { browsing = on; }
    void ResetBrowsing();
    bool LastPairNew() const { return lastPairNew; }

    // File form (last-pair-new is not stored and keeps its value).
    void StoreTo(ViewBlock& block) const;
    void LoadFrom(const ViewBlock& block, uint32_t sampleCount);

private:
    void Push(uint32_t x);
    static int Next(int i) { return (i + 1) % Size; }
    static int Prev(int i) { return (i + Size - 1) % Size; }

    std::array<uint32_t, Size> entries{};
    int head = 0;
    int write = 0;
    int browse = 0;
    bool empty = true;
    bool canGoBack = false;
    bool canGoForward = false;
    bool browsing = false;
    bool lastPairNew = true;
};

// How an operation wants the view redrawn.
enum class ViewUpdate {
    None,         // nothing on screen changed
    Incremental,  // the cursor (or mark) moved within the window: repaint its columns only
    Full,         // the window moved: recompute envelopes and repaint everything
};

// A wheel notch in the wheel events' eighths of a degree.
inline constexpr int WheelNotch = 120;

// The scroll bar under the plots: the document is its range, the window its
// page, and its value the first visible sample.
struct ScrollBarState {
    bool visible = false;  // only while the window shows part of the document
    int maximum = 0;       // the last window's first sample; the minimum is 0
    int pageStep = 1;      // the window: a click in the trough moves by one
    int singleStep = 1;    // a tenth of the window: the arrows and a wheel notch
    int value = 0;
};

// Keys the view answers while it has the keyboard focus.
enum class ViewKey { Left, Right, Home, End, PageUp, PageDown, ZoomIn, ZoomOut, WholeView };

// What a key does, in terms of the operations the buttons and commands use.
struct ViewKeyAction {
    enum Kind { None, MoveCursor, ScrollTo, Command };
    Kind kind = None;
    uint32_t position = 0;  // MoveCursor, ScrollTo
    int command = 0;        // Command: a zoom command id
};

// The keys and mouse moves listed for the user (the help's key list).
extern const char* const ViewKeyHelpText;

// What lies under a point, in the order the context menus test it.
enum class ViewHit { None, AnalogPlot, CursorMarker, MarkMarker, TimeAxis, Lane };
struct ViewHitResult {
    ViewHit hit = ViewHit::None;
    int channel = -1;  // for Lane
};

class ViewModel {
public:
    ViewModel();

    // The document's shape; a change of count clamps the state to it.
    void SetDocument(bool hasWaveform, uint32_t sampleCount, int64_t samplingTimeNs);
    bool HasWaveform() const { return hasWaveform; }
    uint32_t SampleCount() const { return sampleCount; }
    int64_t SamplingTime() const { return samplingTimeNs; }

    // Layout follows every resize; zoom, window, cursor and mark are kept.
    void SetClientSize(int width, int height);
    void SetMarkerSizes(MarkerSize cursor, MarkerSize mark);
    const ViewLayout& Layout() const { return layout; }

    // ResetView: fresh layout, empty ring, no mark, new zoom table, start of data.
    void ResetView();
    // Takes a stored block; values inconsistent with the document are clamped.
    void RestoreViewState(const ViewBlock& block);
    ViewBlock CaptureViewBlock() const;

    // Window.
    uint32_t Displayed() const;  // w
    uint32_t FirstVisible() const { return firstVisibleSample; }
    SampleWindow Window() const;
    const ZoomState& Zoom() const { return zoom; }
    void CenterOnCursor();

    // Scrolling moves the window and leaves cursor and mark where they are.
    ScrollBarState ScrollBar() const;
    // A tenth of the window, at least one sample.
    uint32_t ScrollStep() const;
    // The window starting at first, kept within the document.
    ViewUpdate ScrollTo(int64_t first);
    // Wheel turns in eighths of a degree (120 a notch; touchpads send parts of
    // one, which add up). Positive turns move toward the start.
    ViewUpdate WheelScroll(int delta);
    // With Ctrl: a zoom level per notch, positive in, keeping the sample under
    // column x there as far as the window's bounds allow.
    ViewUpdate WheelZoom(int delta, int x);
    ViewUpdate ZoomAt(int levels, int x);
    ViewKeyAction KeyAction(ViewKey key, bool shift) const;

    // Cursor and mark.
    uint32_t Cursor() const { return cursorSample; }
    uint32_t PreviousCursor() const { return previousCursorSample; }
    bool TimeMarkSet() const { return timeMarkSet; }
    uint32_t TimeMark() const { return timeMarkSample; }
    bool IsTimeMarkVisible() const;
    bool IsCursorVisible() const;
    int CursorX() const { return cursorX; }  // where the cursor line was last drawn
    int TimeMarkX() const { return timeMarkX; }
    void NoteCursorDrawn(int x) { cursorX = x; }
    void NoteTimeMarkDrawn(int x) { timeMarkX = x; }
    const EditPositionRing& Ring() const { return ring; }
    // Grabbing the cursor with the mouse ends browsing through the ring.
    void EndBrowsing() { ring.SetBrowsing(false); }

    // Command enable rules (besides a waveform existing and the command not
    // running). The rules of the "last edit" commands reset browsing to the
    // newest entry when the cursor already stands on it.
    bool IsCommandEnabled(int id);
    static bool IsViewCommand(int id);

    // Zoom commands; ViewUpdate::Full when the window changed.
    ViewUpdate RunZoomCommand(int id);
    // Double-click on the time axis: standard zoom, else whole view.
    ViewUpdate ToggleZoom();

    // Where a cursor command (not 32802) moves the cursor; steps the ring for
    // the ring commands.
    uint32_t CursorCommandTarget(int id);
    // Where a mark command (not 32804, 32808, 32795) puts the mark.
    uint32_t MarkCommandTarget(int id);
    // Whether a mark command first removes the mark.
    static bool MarkCommandMoves(int id);

    // Moves the cursor; browsing ends unless keepBrowsing (the ring commands).
    ViewUpdate MoveCursor(uint32_t position, bool keepBrowsing = false);
    // Incremental when the mark is visible; otherwise the whole view is shown.
    ViewUpdate SetTimeMark(uint32_t position);
    // Incremental when the mark was visible (erase its column), else None.
    ViewUpdate ClearTimeMark();

    // An edit over a..b was applied: records it, cursor to b, zooms out until
    // the cursor is in view.
    ViewUpdate OnEditApplied(uint32_t a, uint32_t b);
    // After an undo (not of a time-base change).
    ViewUpdate AfterUndo();

    // Dragging: whether a press at (x, y) grabs the cursor.
    bool GrabsCursor(int x, int y) const;
    // One timer tick of a drag with the mouse at column x.
    ViewUpdate DragTick(int x);
    // The drag auto-scroll step: 25 pixels' worth of samples, 1..w.
    uint32_t DragScrollStep() const;

    ViewHitResult HitTest(int x, int y) const;
    bool InTimeAxis(int x, int y) const;
    bool InCursorHitBox(int x, int y) const;
    bool InMarkHitBox(int x, int y) const;  // while the mark is set and visible
    // Analog plot or lane ch (0..3) frame inside, for double-clicks.
    bool InPlots(int x, int y) const;
    bool InPlotColumns(int x) const;

private:
    void ClampToDocument();
    void ShowWholeView();

    bool hasWaveform = false;
    uint32_t sampleCount = 0;
    int64_t samplingTimeNs = BaseClockNs;
    MarkerSize cursorMarker = CursorMarkerSize;
    MarkerSize markMarker = TimeMarkMarkerSize;
    int clientWidth = ReferenceClientWidth;
    int clientHeight = ReferenceClientHeight;
    ViewLayout layout;

    ZoomState zoom;
    uint32_t firstVisibleSample = 0;
    bool spareFlag = false;
    uint32_t cursorSample = 0;
    uint32_t previousCursorSample = 0;
    int32_t cursorX = 0;
    bool timeMarkSet = false;
    uint32_t timeMarkSample = 0;
    int32_t timeMarkX = 0;
    EditPositionRing ring;
    // Wheel turns not yet worth a whole sample or zoom level.
    int64_t wheelScrollCarry = 0;
    uint32_t wheelScrollCarryStep = 0;
    int wheelZoomCarry = 0;
};

// The view block of a freshly reset view of sampleCount samples in a client
// area of the given size (new files written without a window).
ViewBlock ResetViewBlock(uint32_t sampleCount, int clientWidth = ReferenceClientWidth,
                         int clientHeight = ReferenceClientHeight);

}  // namespace kdx
