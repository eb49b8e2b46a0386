#include "ui/ViewGeometry.h"

#include <algorithm>

namespace kdx {

namespace {

int Round(double x) { return static_cast<int>(x + 0.5); }

PixelRect Inset(const PixelRect& r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}

PixelRect MarkerBox(const PixelRect& strip, MarkerSize size, int x) {
    int left = x - size.width / 2;
    return {left, strip.top, left + size.width - 1, strip.top + size.height - 1};
}

}  // namespace

PixelRect ViewLayout::CursorHitBox(int x) const { return MarkerBox(cursorStrip, cursorMarker, x); }
PixelRect ViewLayout::MarkHitBox(int x) const { return MarkerBox(markStrip, markMarker, x); }

ViewLayout ComputeLayout(int clientWidth, int clientHeight, MarkerSize cursorMarker, MarkerSize markMarker) {
    ViewLayout l;
    l.clientWidth = std::max(clientWidth, 0);
    l.clientHeight = std::max(clientHeight, 0);
    l.cursorMarker = cursorMarker;
    l.markMarker = markMarker;
    // Client rectangle (L, T, R, B) with R and B one past the last pixel.
    const int L = 0, T = 0, R = l.clientWidth, B = l.clientHeight;

    // Horizontal proportions; no plot is wider than an envelope holds.
    const int W = R - L;
    const double sx = W / static_cast<double>(ReferenceClientWidth);
    const int ml = Round(20 * sx);
    const int gr = Round(6 * sx);
    const int c = std::max(40, Round(40 * sx));
    int mr = ml;
    if (W - c - 2 * ml - 1 > MaxPlotColumns) mr = W - c - ml - MaxPlotColumns;
    const int M = L + ml + 1 + c;
    const int panelRight = R - mr - gr - 1;

    // Strips above the plots: time labels, ticks with the axis line, then the
    // cursor and time-mark marker strips one row apart.
    l.timeLabelStrip = {L, T, R - 1, T + 17};
    l.tickStrip = {L, T + 18, R - 1, T + 22};
    l.cursorStrip = {L, T + 24, R - 1, T + 24 + cursorMarker.height - 1};
    const int markTop = T + 24 + cursorMarker.height + 1;
    l.markStrip = {L, markTop, R - 1, markTop + markMarker.height - 1};
    const int v = markTop + markMarker.height;

    const double sy = (B - T - v) / static_cast<double>(ReferenceClientHeight);
    const int J = Round(6 * sy);
    const int O = Round(10 * sy);
    const int X = J / 2;
    const int t = std::max(1, Round(sy));

    // Analog area: the panel sits J rows inside; an even inner height keeps
    // the 0 V line on the panel's middle row.
    int analogBottom = v + Round(393 * sy);
    int innerTop = v + 1;
    if ((analogBottom - 1 - innerTop - 2 * J) % 2 != 0) --analogBottom;
    const int innerBottom = analogBottom - 1;
    l.analogArea = {L + ml, v, R - mr, analogBottom};
    l.analogPanel = {M, innerTop + J, panelRight, innerBottom - J};
    l.analogPlot = Inset(l.analogPanel, 1, 1);
    l.voltageLabelColumn = {L + ml + 1, innerTop, M - 1, innerBottom};

    // Lane area: four lanes of equal height X rows apart.
    const int laneTop = analogBottom + O;
    const int laneInnerTop = laneTop + 1;
    const int lh = std::max(0, (B - 2 * J - O - laneInnerTop - 3 * X - 1) / 4);
    for (int i = 0; i < DigitalChannelCount; ++i) {
        int top = laneInnerTop + J + i * (lh + X);
        l.laneFrame[i] = {M, top, panelRight, top + lh};
        l.lanePlot[i] = Inset(l.laneFrame[i], 1, 1);
        l.laneTrace[i] = Inset(l.lanePlot[i], 0, t);
        l.laneLabel[i] = {L + ml + 1, top + 1, M - 1, top + lh - 1};
    }
    l.laneArea = {L + ml, laneTop, R - mr, l.laneFrame[3].bottom + J + 1};
    return l;
}

int SampleToX(const SampleWindow& w, uint64_t s) {
    const uint64_t end = uint64_t{w.first} + w.count;
    if (s > end) return w.plotRight + 2;
    const double n = w.Columns();
    const double offset = static_cast<double>(static_cast<int64_t>(s) - static_cast<int64_t>(w.first));
    return w.plotLeft + static_cast<int>(n / std::max<uint32_t>(w.count, 1) * offset + 0.5);
}

uint32_t XToSample(const SampleWindow& w, int x) {
    if (x > w.plotRight) return w.first + w.count;
    if (x < w.plotLeft) return w.first;
    const double n = std::max(w.Columns(), 1);
    uint32_t s = w.first + static_cast<uint32_t>(w.count / n * (x - w.plotLeft) + 0.5);
    return std::min(s, w.first + w.count);
}

bool IsXVisible(const SampleWindow& w, int x) {
    const bool atEnd = uint64_t{w.first} + w.count == w.total;
    const int right = w.plotRight + 1;
    if (w.first > 0) return atEnd ? (x > w.plotLeft && x <= right) : (x > w.plotLeft && x < right);
    return atEnd ? (x >= w.plotLeft && x <= right) : (x >= w.plotLeft && x < right);
}

bool IsSampleVisible(const SampleWindow& w, uint64_t s) { return IsXVisible(w, SampleToX(w, s)); }

}  // namespace kdx
