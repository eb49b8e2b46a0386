#include "ui/core/PlotPrimitives.h"

#include <algorithm>
#include <cstdio>

namespace kdx {

int PlotColumns(const PixelRect& plot) {
    return std::clamp(plot.right - plot.left + 1, 0, MaxPlotColumns);
}

int VoltageToY(double volts, const PixelRect& plot) {
    double h = plot.bottom - plot.top;
    return static_cast<int>(volts * (-0.5 * h / PlotVoltageLimit) + plot.top + 0.5 * h + 0.5);
}

namespace {

// Columns that received no value repeat the level of the column before them
// (its last value, not its whole stroke: copying the stroke would smear a
// step's vertical join across every empty column after it), and every column
// reaches to its left neighbour's last level, so steps join vertically.
// Level strokes of the lanes are two rows high (level - 1 .. level).
void JoinColumns(ColumnEnvelope& e, int n, const PixelRect& plot, int32_t emptyMin, bool lanes) {
    const int32_t rise = lanes ? 1 : 0;
    for (int c = 1; c < n; ++c) {
        const int32_t prev = e.lastY[c - 1];
        if (e.minY[c] == emptyMin) {
            e.lastY[c] = prev;
            e.minY[c] = prev - rise;
            e.maxY[c] = prev;
            // A pinned level keeps its marker along the step.
            const uint8_t flag = e.clip[c - 1];
            const bool pinned = (flag == ClipAbove && prev == plot.top) || (flag == ClipBelow && prev == plot.bottom);
            e.clip[c] = !lanes && pinned ? flag : ClipNone;
        }
        if (prev < e.minY[c]) e.minY[c] = prev - rise;
        if (prev > e.maxY[c]) e.maxY[c] = prev;
    }
}

}  // namespace

void BuildAnalogEnvelope(const double* values, uint32_t count, const PixelRect& plot, ColumnEnvelope& e) {
    const int n = PlotColumns(plot);
    const int32_t emptyMin = plot.bottom + 1000;
    std::fill_n(e.minY.begin(), n, emptyMin);
    std::fill_n(e.maxY.begin(), n, plot.top - 1000);
    std::fill_n(e.lastY.begin(), n, VoltageToY(0.0, plot));
    std::fill_n(e.clip.begin(), n, ClipNone);
    if (n <= 0 || count == 0 || values == nullptr) return;

    const double perValue = static_cast<double>(n) / count;
    for (uint32_t j = 0; j < count; ++j) {
        int c = static_cast<int>(j * perValue + 0.5);
        if (c >= n) continue;
        double v = values[j];
        if (v < -PlotVoltageLimit) {
            e.clip[c] = ClipBelow;
            v = -PlotVoltageLimit;
        } else if (v > PlotVoltageLimit) {
            e.clip[c] = ClipAbove;
            v = PlotVoltageLimit;
        } else if (!(v == v)) {
            v = 0.0;  // a NaN read from a damaged file draws on the zero line
        }
        int32_t y = VoltageToY(v, plot);
        e.lastY[c] = y;
        e.minY[c] = std::min(e.minY[c], y);
        e.maxY[c] = std::max(e.maxY[c], y);
    }
    JoinColumns(e, n, plot, emptyMin, false);
}

void BuildDigitalEnvelope(const uint8_t* levels, uint32_t count, const PixelRect& trace, ColumnEnvelope& e) {
    const int n = PlotColumns(trace);
    const int32_t emptyMin = trace.bottom + 1000;
    const int32_t high = trace.top + 1;
    const int32_t low = trace.bottom;
    std::fill_n(e.minY.begin(), n, emptyMin);
    std::fill_n(e.maxY.begin(), n, trace.top - 1000);
    std::fill_n(e.lastY.begin(), n, low);
    std::fill_n(e.clip.begin(), n, ClipNone);
    if (n <= 0 || count == 0 || levels == nullptr) return;

    const double perValue = static_cast<double>(n) / count;
    for (uint32_t i = 0; i < count; ++i) {
        int c = static_cast<int>(perValue * i + 0.5);
        if (c >= n) continue;
        int32_t y = levels[i] == 1 ? high : low;
        e.lastY[c] = y;
        // A level stroke is two pixels high, reaching one row above its level.
        if (y < e.minY[c]) e.minY[c] = y - 1;
        if (y > e.maxY[c]) e.maxY[c] = y;
    }
    // A column that received no sample before the first filled one keeps the
    // empty marker; column 0 always receives sample 0.
    JoinColumns(e, n, trace, emptyMin, true);
}

EnvelopeStroke StrokeAt(const ColumnEnvelope& e, const PixelRect& plot, int x, bool withMarkers) {
    EnvelopeStroke s;
    s.x = x;
    int c = std::clamp(x - plot.left, 0, MaxPlotColumns - 1);
    s.yTop = e.minY[c];
    s.yBottom = e.maxY[c];
    if (withMarkers) {
        if (e.clip[c] == ClipBelow) s.markerY = plot.bottom;
        else if (e.clip[c] == ClipAbove) s.markerY = plot.top;
    }
    return s;
}

double VoltageLabelLevel(int index) {
    // From whole tenths so that the middle level is exactly zero.
    return (10 - 2 * index) / 10.0;
}

std::array<GridLine, VoltageGridLineCount> VoltageGridLines(const PixelRect& plot) {
    std::array<GridLine, VoltageGridLineCount> lines{};
    for (int i = 0; i < 13; ++i) lines[i] = {VoltageToY((12 - 2 * i) / 10.0, plot), false};
    lines[13] = {VoltageToY(1.0, plot), true};
    lines[14] = {VoltageToY(0.0, plot), true};
    lines[15] = {VoltageToY(-1.0, plot), true};
    return lines;
}

std::string VoltageLabelText(double level) {
    char buf[32];
    std::snprintf(buf, sizeof buf, level > 0.1 ? "+%.1fV" : "%.1fV", level);
    return buf;
}

}  // namespace kdx
