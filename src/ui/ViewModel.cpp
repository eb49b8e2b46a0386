#include "ui/ViewModel.h"

#include <algorithm>

namespace kdx {

void BuildZoomTable(ZoomState& z, uint32_t sampleCount, int columns) {
    z.zoomTable.fill(0);
    const uint32_t q = columns > 0 ? static_cast<uint32_t>(columns) / 8 : 0;
    z.zoomTable[0] = sampleCount;
    if (q < sampleCount) {
        // Halve down to at most q samples, never to an empty window.
        const uint32_t floor = std::max(q, 1u);
        int i = 0;
        do {
            z.zoomTable[i + 1] = z.zoomTable[i] >> 1;
            ++i;
        } while (z.zoomTable[i] > floor && i + 1 < ZoomTableSize);
        z.maxZoomIndex = i;
        z.standardZoomIndex = i / 2;
        z.zoomEnabled = true;
        z.zoomIndex = 0;
    } else {
        z.maxZoomIndex = z.standardZoomIndex = z.zoomIndex = 0;
        z.zoomEnabled = false;
    }
}

// ---------------------------------------------------------------------------
// Edit-position ring

void EditPositionRing::Reset() {
    head = write = browse = 0;
    empty = true;
    canGoBack = canGoForward = browsing = false;
    lastPairNew = true;
}

void EditPositionRing::Push(uint32_t x) {
    entries[write] = x;
    write = Next(write);
    if (write == head) head = Next(head);  // the oldest entry is overwritten
    empty = false;
}

void EditPositionRing::ResetBrowsing() {
    browse = Prev(write);
    canGoBack = true;
    canGoForward = false;
}

void EditPositionRing::Record(uint32_t a, uint32_t b) {
    if (empty) {
        Push(a);
        Push(b);
        lastPairNew = true;
    } else {
        // An edit that starts where the previous one ended records only its end.
        if (a == entries[Prev(write)]) {
            lastPairNew = false;
        } else {
            Push(a);
            lastPairNew = true;
        }
        Push(b);
    }
    ResetBrowsing();
    browsing = true;
}

uint32_t EditPositionRing::StepBack() {
    canGoForward = true;
    // Never step past the oldest entry, whatever flags a file brought along.
    if (browse != head) browse = Prev(browse);
    if (browse == head) canGoBack = false;
    return entries[browse];
}

uint32_t EditPositionRing::StepForward() {
    canGoBack = true;
    if (Next(browse) != write) browse = Next(browse);
    if (Next(browse) == write) canGoForward = false;
    return entries[browse];
}

uint32_t EditPositionRing::Newest() {
    if (empty) return 0;
    ResetBrowsing();
    return entries[browse];
}

uint32_t EditPositionRing::NewestEntry() const { return empty ? 0 : entries[Prev(write)]; }

uint32_t EditPositionRing::RemoveAfterUndo() {
    if (empty) return 0;
    write = Prev(write);  // the undone edit's end
    ResetBrowsing();
    const uint32_t result = entries[browse];
    browsing = true;
    if (lastPairNew) {  // its start was recorded too
        write = Prev(write);
        ResetBrowsing();
        browsing = false;
    }
    if (write == head) {
        empty = true;
        canGoBack = canGoForward = browsing = false;
    }
    return result;
}

void EditPositionRing::StoreTo(ViewBlock& block) const {
    block.ring = entries;
    block.ringHead = head;
    block.ringWrite = write;
    block.ringBrowse = browse;
    block.ringEmpty = empty;
    block.ringCanGoBack = canGoBack;
    block.ringCanGoForward = canGoForward;
    block.ringBrowsing = browsing;
}

void EditPositionRing::LoadFrom(const ViewBlock& block, uint32_t sampleCount) {
    auto wrap = [](int32_t i) { return static_cast<int>(((i % Size) + Size) % Size); };
    for (int i = 0; i < Size; ++i) entries[i] = std::min(block.ring[i], sampleCount);
    head = wrap(block.ringHead);
    write = wrap(block.ringWrite);
    browse = wrap(block.ringBrowse);
    empty = block.ringEmpty;
    canGoBack = block.ringCanGoBack;
    canGoForward = block.ringCanGoForward;
    browsing = block.ringBrowsing;
}

// ---------------------------------------------------------------------------
// View model

ViewModel::ViewModel() { layout = ComputeLayout(clientWidth, clientHeight, cursorMarker, markMarker); }

void ViewModel::SetDocument(bool has, uint32_t count, int64_t sampling) {
    const bool changed = has != hasWaveform || count != sampleCount;
    hasWaveform = has;
    sampleCount = count;
    samplingTimeNs = sampling > 0 ? sampling : BaseClockNs;
    if (changed) ClampToDocument();
}

void ViewModel::SetClientSize(int width, int height) {
    clientWidth = width;
    clientHeight = height;
    layout = ComputeLayout(clientWidth, clientHeight, cursorMarker, markMarker);
}

void ViewModel::SetMarkerSizes(MarkerSize cursor, MarkerSize mark) {
    cursorMarker = cursor;
    markMarker = mark;
    layout = ComputeLayout(clientWidth, clientHeight, cursorMarker, markMarker);
}

void ViewModel::ResetView() {
    layout = ComputeLayout(clientWidth, clientHeight, cursorMarker, markMarker);
    ring.Reset();
    timeMarkSet = false;
    BuildZoomTable(zoom, sampleCount, layout.Columns());
    firstVisibleSample = 0;
    cursorSample = previousCursorSample = 0;
    cursorX = SampleToX(Window(), 0);
}

void ViewModel::RestoreViewState(const ViewBlock& b) {
    layout = ComputeLayout(clientWidth, clientHeight, cursorMarker, markMarker);
    cursorSample = previousCursorSample = b.cursorSample;
    firstVisibleSample = b.firstVisibleSample;
    cursorX = b.cursorX;
    timeMarkSet = b.timeMarkSet;
    timeMarkSample = b.timeMarkSample;
    timeMarkX = b.timeMarkX;
    ring.LoadFrom(b, sampleCount);
    zoom.zoomEnabled = b.zoomEnabled;
    spareFlag = b.spareFlag;
    zoom.zoomTable = b.zoomTable;
    zoom.standardZoomIndex = b.standardZoomIndex;
    zoom.maxZoomIndex = b.maxZoomIndex;
    zoom.zoomIndex = b.zoomIndex;
    ClampToDocument();
}

ViewBlock ViewModel::CaptureViewBlock() const {
    ViewBlock b;
    b.cursorSample = cursorSample;
    b.firstVisibleSample = firstVisibleSample;
    b.cursorX = cursorX;
    b.timeMarkSet = timeMarkSet;
    b.timeMarkSample = timeMarkSample;
    b.timeMarkX = timeMarkX;
    ring.StoreTo(b);
    b.zoomEnabled = zoom.zoomEnabled;
    b.spareFlag = spareFlag;
    b.zoomTable = zoom.zoomTable;
    b.standardZoomIndex = zoom.standardZoomIndex;
    b.maxZoomIndex = zoom.maxZoomIndex;
    b.zoomIndex = zoom.zoomIndex;
    return b;
}

// A stored view block comes from a file and may disagree with the document:
// every index is brought into range so that no window reaches past the data.
void ViewModel::ClampToDocument() {
    zoom.maxZoomIndex = std::clamp(zoom.maxZoomIndex, 0, ZoomTableSize - 1);
    zoom.zoomIndex = std::clamp(zoom.zoomIndex, 0, zoom.maxZoomIndex);
    zoom.standardZoomIndex = std::clamp(zoom.standardZoomIndex, 0, zoom.maxZoomIndex);
    if (sampleCount == 0) return;
    bool tableUsable = true;
    for (int i = 0; i <= zoom.maxZoomIndex; ++i) {
        if (zoom.zoomTable[i] == 0 || zoom.zoomTable[i] > sampleCount) tableUsable = false;
    }
    if (!tableUsable) {
        // A table that cannot be shown is replaced by a fresh one at the whole view.
        BuildZoomTable(zoom, sampleCount, layout.Columns());
        firstVisibleSample = 0;
    }
    firstVisibleSample = std::min(firstVisibleSample, sampleCount - Displayed());
    cursorSample = std::min(cursorSample, sampleCount);
    previousCursorSample = std::min(previousCursorSample, sampleCount);
    timeMarkSample = std::min(timeMarkSample, sampleCount);
}

uint32_t ViewModel::Displayed() const {
    if (sampleCount == 0) return 1;
    uint32_t w = zoom.zoomTable[std::clamp(zoom.zoomIndex, 0, ZoomTableSize - 1)];
    return std::clamp(w, 1u, sampleCount);
}

SampleWindow ViewModel::Window() const {
    SampleWindow w;
    w.first = firstVisibleSample;
    w.count = Displayed();
    w.total = std::max(sampleCount, 1u);
    w.plotLeft = layout.PlotLeft();
    w.plotRight = layout.PlotRight();
    return w;
}

void ViewModel::CenterOnCursor() {
    const uint64_t c = cursorSample, w = Displayed(), h = w / 2, n = sampleCount;
    if (c < h) firstVisibleSample = 0;
    else if (c + (w - h) <= n) firstVisibleSample = static_cast<uint32_t>(c - h);
    else firstVisibleSample = static_cast<uint32_t>(n > w ? n - w : 0);
}

ScrollBarState ViewModel::ScrollBar() const {
    ScrollBarState b;
    const uint32_t w = Displayed();
    b.visible = hasWaveform && sampleCount > w;
    b.maximum = static_cast<int>(sampleCount > w ? sampleCount - w : 0);
    b.pageStep = static_cast<int>(w);
    b.singleStep = static_cast<int>(ScrollStep());
    b.value = static_cast<int>(firstVisibleSample);
    return b;
}

uint32_t ViewModel::ScrollStep() const { return std::max(Displayed() / 10, 1u); }

ViewUpdate ViewModel::ScrollTo(int64_t first) {
    if (!hasWaveform || sampleCount == 0) return ViewUpdate::None;
    const int64_t last = sampleCount - Displayed();
    const auto target = static_cast<uint32_t>(std::clamp<int64_t>(first, 0, last));
    if (target == firstVisibleSample) return ViewUpdate::None;
    firstVisibleSample = target;
    return ViewUpdate::Full;
}

ViewUpdate ViewModel::WheelScroll(int delta) {
    // Kept as turns times the step, so that every part of a notch counts once.
    const uint32_t step = ScrollStep();
    if (step != wheelScrollCarryStep) {
        wheelScrollCarry = 0;
        wheelScrollCarryStep = step;
    }
    wheelScrollCarry += int64_t{delta} * step;
    const int64_t samples = wheelScrollCarry / WheelNotch;
    wheelScrollCarry -= samples * WheelNotch;
    if (samples == 0) return ViewUpdate::None;
    const ViewUpdate u = ScrollTo(int64_t{firstVisibleSample} - samples);
    if (u == ViewUpdate::None) wheelScrollCarry = 0;  // against a bound
    return u;
}

ViewUpdate ViewModel::WheelZoom(int delta, int x) {
    wheelZoomCarry += delta;
    const int levels = wheelZoomCarry / WheelNotch;
    wheelZoomCarry -= levels * WheelNotch;
    if (levels == 0) return ViewUpdate::None;
    const ViewUpdate u = ZoomAt(levels, x);
    if (u == ViewUpdate::None) wheelZoomCarry = 0;
    return u;
}

ViewUpdate ViewModel::ZoomAt(int levels, int x) {
    if (!hasWaveform || sampleCount == 0 || !zoom.zoomEnabled) return ViewUpdate::None;
    const int target = std::clamp(zoom.zoomIndex + levels, 0, zoom.maxZoomIndex);
    if (target == zoom.zoomIndex) return ViewUpdate::None;
    const int column = std::clamp(x, layout.PlotLeft(), layout.PlotRight());
    const uint32_t anchor = XToSample(Window(), column);
    zoom.zoomIndex = target;
    SampleWindow fromStart = Window();
    fromStart.first = 0;
    // The new window puts the anchor back under the column, or stops at a bound.
    const int64_t first = int64_t{anchor} - XToSample(fromStart, column);
    firstVisibleSample = static_cast<uint32_t>(std::clamp<int64_t>(first, 0, sampleCount - Displayed()));
    return ViewUpdate::Full;
}

ViewKeyAction ViewModel::KeyAction(ViewKey key, bool shift) const {
    using K = ViewKeyAction;
    if (!hasWaveform || sampleCount == 0) return {};
    const uint32_t w = Displayed();
    // One screen column's worth of samples, at least one.
    const auto columns = static_cast<uint32_t>(std::max(layout.Columns(), 1));
    const uint32_t step = shift ? std::max((w + columns / 2) / columns, 1u) : 1u;
    const int64_t c = cursorSample;
    auto cursorTo = [this](int64_t p) {
        return K{K::MoveCursor, static_cast<uint32_t>(std::clamp<int64_t>(p, 0, sampleCount)), 0};
    };
    auto scrollTo = [this](int64_t first) {
        const int64_t last = sampleCount - Displayed();
        return K{K::ScrollTo, static_cast<uint32_t>(std::clamp<int64_t>(first, 0, last)), 0};
    };
    switch (key) {
    case ViewKey::Left: return cursorTo(c - step);
    case ViewKey::Right: return cursorTo(c + step);
    case ViewKey::Home: return cursorTo(0);
    case ViewKey::End: return cursorTo(int64_t{sampleCount} - 1);
    case ViewKey::PageUp: return scrollTo(int64_t{firstVisibleSample} - w);
    case ViewKey::PageDown: return scrollTo(int64_t{firstVisibleSample} + w);
    case ViewKey::ZoomIn: return {K::Command, 0, viewcmd::ZoomIn};
    case ViewKey::ZoomOut: return {K::Command, 0, viewcmd::ZoomOut};
    case ViewKey::WholeView: return {K::Command, 0, viewcmd::WholeView};
    }
    return {};
}

const char* const ViewKeyHelpText =
    "キー操作（波形表示をクリックしてから）\n"
    "← →：カーソルを1サンプル移動\n"
    "Shift+← →：カーソルを画面の1ドット分移動\n"
    "Home / End：カーソルを先頭 / 最後のサンプルへ移動\n"
    "PageUp / PageDown：1画面分スクロール\n"
    "+ / -：カーソルを中心に拡大 / 縮小\n"
    "0：全体表示\n"
    "\n"
    "マウス操作\n"
    "ホイール：1/10画面分スクロール\n"
    "Ctrl+ホイール：マウス位置を中心に拡大 / 縮小\n"
    "スクロールバー：矢印で1/10画面、空き部分で1画面分スクロール";

bool ViewModel::IsTimeMarkVisible() const { return timeMarkSet && IsSampleVisible(Window(), timeMarkSample); }
bool ViewModel::IsCursorVisible() const { return IsSampleVisible(Window(), cursorSample); }

bool ViewModel::IsViewCommand(int id) {
    auto in = [id](const auto& list) { return std::find(list.begin(), list.end(), id) != list.end(); };
    return in(viewcmd::ZoomCommands) || in(viewcmd::CursorCommands) || in(viewcmd::MarkCommands);
}

bool ViewModel::IsCommandEnabled(int id) {
    using namespace viewcmd;
    if (!hasWaveform || sampleCount == 0) return false;
    const ZoomState& z = zoom;
    // The "last edit" rules: standing on the newest entry re-arms browsing.
    auto lastEditAvailable = [this] {
        if (ring.IsEmpty()) return false;
        if (cursorSample == ring.NewestEntry()) {
            ring.ResetBrowsing();
            ring.SetBrowsing(true);
            return false;
        }
        return true;
    };
    switch (id) {
    case WholeView: return z.zoomEnabled && z.zoomIndex != 0;
    case StandardZoom: return z.zoomEnabled && z.zoomIndex != z.standardZoomIndex;
    case MaximumZoom:
    case ZoomIn: return z.zoomEnabled && z.zoomIndex < z.maxZoomIndex;
    case ZoomOut: return z.zoomEnabled && z.zoomIndex != 0;
    case SetStandardZoom:
        return z.zoomEnabled && z.zoomIndex != 0 && z.zoomIndex != z.standardZoomIndex &&
               z.zoomIndex != z.maxZoomIndex;
    case RestoreStandardZoom: return z.zoomEnabled && z.standardZoomIndex != z.maxZoomIndex / 2;

    case CursorToMark: return timeMarkSet && cursorSample != timeMarkSample;
    case CursorToStart:
    case CursorLeft:
    case CursorHalfLeft: return cursorSample != 0;
    case CursorToLastEdit: return lastEditAvailable();
    case CursorBack: return !ring.IsEmpty() && ring.CanGoBack() && ring.IsBrowsing();
    case CursorForward: return !ring.IsEmpty() && ring.CanGoForward() && ring.IsBrowsing();
    case CursorToGiven: return true;
    case CursorRight:
    case CursorHalfRight: return cursorSample < sampleCount;

    case MarkAtCursor:
    case MarkAtStart:
    case MarkAtGiven: return !timeMarkSet;
    case MarkAtLastEdit: return !timeMarkSet && lastEditAvailable();
    case MarkToCursor: return timeMarkSet && timeMarkSample != cursorSample;
    case MarkToStart:
    case MarkToGiven: return timeMarkSet;
    case MarkToLastEdit: return timeMarkSet && lastEditAvailable();
    case MarkDelete: return IsTimeMarkVisible();
    default: return false;
    }
}

void ViewModel::ShowWholeView() {
    zoom.zoomIndex = 0;
    firstVisibleSample = 0;
}

ViewUpdate ViewModel::RunZoomCommand(int id) {
    using namespace viewcmd;
    if (!hasWaveform || sampleCount == 0) return ViewUpdate::None;
    ZoomState& z = zoom;
    switch (id) {
    case WholeView: ShowWholeView(); return ViewUpdate::Full;
    case StandardZoom: z.zoomIndex = z.standardZoomIndex; break;
    case MaximumZoom: z.zoomIndex = z.maxZoomIndex; break;
    case ZoomIn:
        if (z.zoomIndex >= z.maxZoomIndex) return ViewUpdate::None;
        ++z.zoomIndex;
        break;
    case ZoomOut:
        if (z.zoomIndex <= 0) return ViewUpdate::None;
        --z.zoomIndex;
        break;
    case SetStandardZoom: z.standardZoomIndex = z.zoomIndex; return ViewUpdate::None;
    case RestoreStandardZoom: z.standardZoomIndex = z.maxZoomIndex / 2; return ViewUpdate::None;
    default: return ViewUpdate::None;
    }
    CenterOnCursor();
    return ViewUpdate::Full;
}

ViewUpdate ViewModel::ToggleZoom() {
    if (zoom.zoomEnabled && zoom.zoomIndex != zoom.standardZoomIndex) return RunZoomCommand(viewcmd::StandardZoom);
    if (zoom.zoomEnabled && zoom.zoomIndex != 0) return RunZoomCommand(viewcmd::WholeView);
    return ViewUpdate::None;
}

uint32_t ViewModel::CursorCommandTarget(int id) {
    using namespace viewcmd;
    const uint32_t half = Displayed() / 2;
    switch (id) {
    case CursorToMark: return timeMarkSample;
    case CursorToStart: return 0;
    case CursorToLastEdit: return ring.Newest();
    case CursorBack: return ring.StepBack();
    case CursorForward: return ring.StepForward();
    case CursorLeft: return cursorSample > 0 ? cursorSample - 1 : 0;
    case CursorRight: return std::min(cursorSample + 1, sampleCount);
    case CursorHalfLeft: return cursorSample < half ? 0 : cursorSample - half;
    case CursorHalfRight:
        return uint64_t{cursorSample} + half > sampleCount ? sampleCount : cursorSample + half;
    default: return cursorSample;
    }
}

uint32_t ViewModel::MarkCommandTarget(int id) {
    using namespace viewcmd;
    switch (id) {
    case MarkAtCursor:
    case MarkToCursor: return cursorSample;
    case MarkAtStart:
    case MarkToStart: return 0;
    case MarkAtLastEdit:
    case MarkToLastEdit: return ring.Newest();
    default: return timeMarkSample;
    }
}

bool ViewModel::MarkCommandMoves(int id) {
    using namespace viewcmd;
    return id == MarkToCursor || id == MarkToStart || id == MarkToLastEdit || id == MarkToGiven;
}

ViewUpdate ViewModel::MoveCursor(uint32_t position, bool keepBrowsing) {
    if (!hasWaveform || sampleCount == 0) return ViewUpdate::None;
    previousCursorSample = cursorSample;
    cursorSample = std::min(position, sampleCount);
    ring.SetBrowsing(keepBrowsing);
    if (IsCursorVisible()) return ViewUpdate::Incremental;
    CenterOnCursor();
    return ViewUpdate::Full;
}

ViewUpdate ViewModel::SetTimeMark(uint32_t position) {
    if (!hasWaveform || sampleCount == 0) return ViewUpdate::None;
    timeMarkSample = std::min(position, sampleCount);
    timeMarkSet = true;
    if (IsTimeMarkVisible()) return ViewUpdate::Incremental;
    ShowWholeView();  // brings the mark into view
    return ViewUpdate::Full;
}

ViewUpdate ViewModel::ClearTimeMark() {
    const bool wasVisible = IsTimeMarkVisible();
    timeMarkSet = false;
    return wasVisible ? ViewUpdate::Incremental : ViewUpdate::None;
}

ViewUpdate ViewModel::OnEditApplied(uint32_t a, uint32_t b) {
    if (!hasWaveform || sampleCount == 0) return ViewUpdate::None;
    b = std::min(b, sampleCount);
    a = std::min(a, b);
    ring.Record(a, b);
    previousCursorSample = cursorSample;
    cursorSample = b;
    if (!IsCursorVisible()) {
        // Show the edit from its start, zooming out until its end is in view;
        // the window never reaches past the last sample.
        auto startAt = [this, a] { firstVisibleSample = std::min(a, sampleCount - Displayed()); };
        startAt();
        while (!IsCursorVisible() && zoom.zoomIndex > 0) {
            --zoom.zoomIndex;
            startAt();
        }
        if (zoom.zoomIndex == 0) firstVisibleSample = 0;
    }
    return ViewUpdate::Full;
}

ViewUpdate ViewModel::AfterUndo() {
    if (!hasWaveform || sampleCount == 0) return ViewUpdate::None;
    previousCursorSample = cursorSample;
    cursorSample = std::min(ring.RemoveAfterUndo(), sampleCount);
    if (!IsCursorVisible()) CenterOnCursor();
    return ViewUpdate::Full;
}

bool ViewModel::GrabsCursor(int x, int y) const {
    if (!hasWaveform) return false;
    return InCursorHitBox(x, y) || std::abs(x - cursorX) <= 2;
}

uint32_t ViewModel::DragScrollStep() const {
    const uint32_t w = Displayed();
    const int span = std::max(layout.PlotRight() - layout.PlotLeft(), 1);
    const int64_t g = static_cast<int64_t>(static_cast<double>(w) / span * 25);
    return static_cast<uint32_t>(std::clamp<int64_t>(g, 1, w));
}

ViewUpdate ViewModel::DragTick(int x) {
    if (!hasWaveform || sampleCount == 0) return ViewUpdate::None;
    const uint32_t s = XToSample(Window(), x);
    if (IsSampleVisible(Window(), s)) {
        if (s == cursorSample) return ViewUpdate::None;
        previousCursorSample = cursorSample;
        cursorSample = s;
        ring.SetBrowsing(false);
        return ViewUpdate::Incremental;
    }
    // Past an edge: scroll 25 pixels' worth, stopping at either end of the data.
    const uint32_t g = DragScrollStep();
    const uint32_t lastFirst = sampleCount - Displayed();
    if (x <= layout.PlotLeft()) firstVisibleSample = firstVisibleSample > g ? firstVisibleSample - g : 0;
    else if (x >= layout.PlotRight() + 1) firstVisibleSample = std::min(firstVisibleSample + g, lastFirst);
    previousCursorSample = cursorSample;
    cursorSample = XToSample(Window(), x);
    ring.SetBrowsing(false);
    return ViewUpdate::Full;
}

bool ViewModel::InTimeAxis(int x, int y) const {
    return layout.timeLabelStrip.Contains(x, y) || layout.tickStrip.Contains(x, y);
}

bool ViewModel::InCursorHitBox(int x, int y) const { return layout.CursorHitBox(cursorX).Contains(x, y); }

bool ViewModel::InMarkHitBox(int x, int y) const {
    return IsTimeMarkVisible() && layout.MarkHitBox(timeMarkX).Contains(x, y);
}

bool ViewModel::InPlots(int x, int y) const {
    if (layout.analogPlot.Contains(x, y)) return true;
    return std::any_of(layout.lanePlot.begin(), layout.lanePlot.end(),
                       [x, y](const PixelRect& r) { return r.Contains(x, y); });
}

bool ViewModel::InPlotColumns(int x) const { return x >= layout.PlotLeft() && x <= layout.PlotRight(); }

ViewHitResult ViewModel::HitTest(int x, int y) const {
    if (!hasWaveform) return {};
    if (layout.analogPlot.Contains(x, y)) return {ViewHit::AnalogPlot, -1};
    if (InCursorHitBox(x, y)) return {ViewHit::CursorMarker, -1};
    if (InMarkHitBox(x, y)) return {ViewHit::MarkMarker, -1};
    if (InTimeAxis(x, y)) return {ViewHit::TimeAxis, -1};
    for (int ch = 0; ch < DigitalChannelCount; ++ch) {
        if (layout.lanePlot[ch].Contains(x, y)) return {ViewHit::Lane, ch};
    }
    return {};
}

ViewBlock ResetViewBlock(uint32_t sampleCount, int clientWidth, int clientHeight) {
    ViewModel model;
    model.SetClientSize(clientWidth, clientHeight);
    model.SetDocument(true, sampleCount, BaseClockNs);
    model.ResetView();
    return model.CaptureViewBlock();
}

}  // namespace kdx
