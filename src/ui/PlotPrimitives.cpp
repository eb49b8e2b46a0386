#include "ui/PlotPrimitives.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kdx {

int PlotColumns(const PixelRect& plot) {
    return std::clamp(plot.right - plot.left + 1, 0, MaxPlotColumns);
}

namespace {

// VoltageToY with its factors worked out once, for a loop over columns; the
// same operations in the same order, so the same rows.
struct VoltageRows {
    double scale, top, half;
    explicit VoltageRows(const PixelRect& plot) {
        const double h = plot.bottom - plot.top;
        scale = -0.5 * h / PlotVoltageLimit;
        top = plot.top;
        half = 0.5 * h;
    }
    int operator()(double volts) const { return static_cast<int>(volts * scale + top + half + 0.5); }
};

}  // namespace

int VoltageToY(double volts, const PixelRect& plot) {
    return VoltageRows(plot)(volts);
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

// Smallest value index whose column is at least c (count when none), found
// from an estimate and corrected with the exact column formula, so that the
// per-column passes below group the values exactly as the formula does.
template <class ColumnOf>
uint32_t FirstIndexOfColumn(int c, uint32_t count, double estimate, ColumnOf columnOf) {
    int64_t j = std::clamp<int64_t>(static_cast<int64_t>(estimate), 0, count);
    while (j < count && columnOf(static_cast<uint32_t>(j)) < c) ++j;
    while (j > 0 && columnOf(static_cast<uint32_t>(j - 1)) >= c) --j;
    return static_cast<uint32_t>(j);
}

// The clip flag of a column is set by the last value beyond the scale.
uint8_t LastClip(const double* values, uint32_t j0, uint32_t j1) {
    for (uint32_t j = j1; j-- > j0;) {
        if (values[j] > PlotVoltageLimit) return ClipAbove;
        if (values[j] < -PlotVoltageLimit) return ClipBelow;
    }
    return ClipNone;
}

// Lowest and highest of a run of values, two at a time in vector registers
// with independent accumulators. Taking a value twice changes neither, so a
// run's last pair may overlap the one before. The comparisons are those of
// std::min(lo, v) and std::max(hi, v): a NaN is never taken, except as the
// first value, which then stays.
void RunMinMax(const double* v, uint32_t count, double& lo, double& hi) {
#if defined(__SSE2__)
    if (count >= 8) {
        const __m128d first = _mm_set1_pd(v[0]);
        __m128d lo0 = first, lo1 = first, hi0 = first, hi1 = first;
        const auto take = [&](uint32_t j) {
            const __m128d a = _mm_loadu_pd(v + j), b = _mm_loadu_pd(v + j + 2);
            lo0 = _mm_min_pd(a, lo0);  // a < lo0 ? a : lo0
            hi0 = _mm_max_pd(a, hi0);  // a > hi0 ? a : hi0
            lo1 = _mm_min_pd(b, lo1);
            hi1 = _mm_max_pd(b, hi1);
        };
        uint32_t j = 0;
        for (; j + 4 <= count; j += 4) take(j);
        if (j < count) take(count - 4);
        double l[4], h[4];
        _mm_storeu_pd(l, lo0);
        _mm_storeu_pd(l + 2, lo1);
        _mm_storeu_pd(h, hi0);
        _mm_storeu_pd(h + 2, hi1);
        lo = std::min(std::min(l[0], l[1]), std::min(l[2], l[3]));
        hi = std::max(std::max(h[0], h[1]), std::max(h[2], h[3]));
        return;
    }
#endif
    lo = hi = v[0];
    for (uint32_t j = 1; j < count; ++j) {
        lo = std::min(lo, v[j]);
        hi = std::max(hi, v[j]);
    }
}

// Whether a run of channel bytes holds a 1 (high) and anything else (low);
// stops as soon as both are found. Sixteen bytes at a time where the vector
// registers allow, the last sixteen overlapping the ones before.
void RunLevels(const uint8_t* p, uint32_t count, bool& anyHigh, bool& anyLow) {
    anyHigh = anyLow = false;
    uint32_t i = 0;
#if defined(__SSE2__)
    if (count >= 16) {
        const __m128i ones = _mm_set1_epi8(1);
        int high = 0, low = 0;  // one bit per byte seen
        const auto take = [&](uint32_t at) {
            const int m = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), ones));
            high |= m;
            low |= m ^ 0xFFFF;
        };
        for (; i + 16 <= count && !(high != 0 && low != 0); i += 16) take(i);
        if (i < count && !(high != 0 && low != 0)) take(count - 16);
        anyHigh = high != 0;
        anyLow = low != 0;
        return;
    }
#endif
    for (; i < count && !(anyHigh && anyLow); ++i) {
        if (p[i] == 1) anyHigh = true;
        else anyLow = true;
    }
}

double Pinned(double v) {
    if (!(v == v)) return 0.0;  // a NaN read from a damaged file draws on the zero line
    return std::clamp(v, -PlotVoltageLimit, PlotVoltageLimit);
}

}  // namespace

void AnalogColumnBounds(uint32_t count, int n, uint32_t* bounds) {
    // Value j lies in column (int)(j * n / count + 0.5). That double is never
    // within 1 / (2 count) of an integer unless exactly on it, far beyond its
    // rounding error, so the column is floor((2jn + count) / 2count) and
    // column c starts at ceil((2c - 1) count / 2n): stepped here in integers,
    // without a division per column.
    const uint64_t den = 2 * uint64_t(n), step = 2 * uint64_t(count);
    const uint64_t stepQ = step / den, stepR = step % den;
    uint64_t q = count / den, r = count % den;  // (2c - 1) count / 2n for c = 1
    bounds[0] = 0;
    for (int c = 1; c <= n; ++c) {
        bounds[c] = static_cast<uint32_t>(std::min<uint64_t>(q + (r != 0), count));
        q += stepQ;
        r += stepR;
        if (r >= den) {
            r -= den;
            ++q;
        }
    }
}

// Every column takes the run of values that falls in it and reduces it with
// a tight min/max loop, rather than placing values one by one.
void BuildAnalogEnvelope(const double* values, uint32_t count, const PixelRect& plot, ColumnEnvelope& e) {
    const int n = PlotColumns(plot);
    const int32_t emptyMin = plot.bottom + 1000;
    std::fill_n(e.minY.begin(), n, emptyMin);
    std::fill_n(e.maxY.begin(), n, plot.top - 1000);
    std::fill_n(e.lastY.begin(), n, VoltageToY(0.0, plot));
    std::fill_n(e.clip.begin(), n, ClipNone);
    if (n <= 0 || count == 0 || values == nullptr) return;

    std::array<uint32_t, MaxPlotColumns + 1> bounds;
    AnalogColumnBounds(count, n, bounds.data());
    const VoltageRows toY(plot);
    for (int c = 0; c < n; ++c) {
        const uint32_t j0 = bounds[c], j1 = bounds[c + 1];
        if (j1 > j0) {
            double lo = 0, hi = 0;
            RunMinMax(values + j0, j1 - j0, lo, hi);
            if (hi > PlotVoltageLimit || lo < -PlotVoltageLimit) e.clip[c] = LastClip(values, j0, j1);
            e.lastY[c] = toY(Pinned(values[j1 - 1]));
            // Higher voltages lie higher up: the top of the stroke is the maximum.
            e.minY[c] = std::min(toY(Pinned(hi)), e.lastY[c]);
            e.maxY[c] = std::max(toY(Pinned(lo)), e.lastY[c]);
        }
    }
    JoinColumns(e, n, plot, emptyMin, false);
}

namespace {

// A lane's levels and stroke rows, its columns set to empty.
struct LaneRows {
    int32_t emptyMin, high, low;
};
LaneRows StartLane(const PixelRect& trace, int n, ColumnEnvelope& e) {
    const LaneRows rows{trace.bottom + 1000, trace.top + 1, trace.bottom};
    std::fill_n(e.minY.begin(), n, rows.emptyMin);
    std::fill_n(e.maxY.begin(), n, trace.top - 1000);
    std::fill_n(e.lastY.begin(), n, rows.low);
    std::fill_n(e.clip.begin(), n, ClipNone);
    return rows;
}

void SetLaneColumn(ColumnEnvelope& e, const LaneRows& rows, int c, bool anyHigh, bool anyLow, uint8_t last) {
    e.lastY[c] = last == 1 ? rows.high : rows.low;
    // A level stroke is two pixels high, reaching one row above its level.
    e.minY[c] = (anyHigh ? rows.high : rows.low) - 1;
    e.maxY[c] = anyLow ? rows.low : rows.high;
}

// The first sample of each column of a lane, and count at the end: bounds[c]
// to bounds[c + 1] is column c.
void LaneBounds(uint32_t count, int n, uint32_t* bounds) {
    const double perSample = static_cast<double>(n) / count, samplesPerColumn = static_cast<double>(count) / n;
    auto columnOf = [perSample](uint32_t i) { return static_cast<int>(perSample * i + 0.5); };
    bounds[0] = 0;
    for (int c = 0; c < n; ++c)
        bounds[c + 1] = FirstIndexOfColumn(c + 1, count, (c + 0.5) * samplesPerColumn, columnOf);
}

}  // namespace

void BuildDigitalEnvelope(const uint8_t* levels, uint32_t count, const PixelRect& trace, ColumnEnvelope& e) {
    const int n = PlotColumns(trace);
    const LaneRows rows = StartLane(trace, n, e);
    if (n <= 0 || count == 0 || levels == nullptr) return;

    std::array<uint32_t, MaxPlotColumns + 1> bounds;
    LaneBounds(count, n, bounds.data());
    for (int c = 0; c < n; ++c) {
        const uint32_t i0 = bounds[c], i1 = bounds[c + 1];
        if (i1 > i0) {
            bool anyHigh = false, anyLow = false;
            RunLevels(levels + i0, i1 - i0, anyHigh, anyLow);
            SetLaneColumn(e, rows, c, anyHigh, anyLow, levels[i1 - 1]);
        }
    }
    JoinColumns(e, n, trace, rows.emptyMin, true);
}

void BuildDigitalEnvelopes(const std::array<const uint8_t*, 4>& levels, uint32_t count,
                           const std::array<PixelRect, 4>& traces, std::array<ColumnEnvelope, 4>& e) {
    const int n = PlotColumns(traces[0]);
    bool together = count > 0;
    for (int k = 0; k < 4; ++k)
        together = together && levels[k] != nullptr && PlotColumns(traces[k]) == n;
#if defined(__SSE2__)
    together = together && n > 0;
#else
    together = false;
#endif
    if (!together) {
        for (int k = 0; k < 4; ++k) BuildDigitalEnvelope(levels[k], count, traces[k], e[k]);
        return;
    }
#if defined(__SSE2__)
    std::array<LaneRows, 4> rows;
    for (int k = 0; k < 4; ++k) rows[k] = StartLane(traces[k], n, e[k]);
    std::array<uint32_t, MaxPlotColumns + 1> bounds;
    LaneBounds(count, n, bounds.data());
    const __m128i ones = _mm_set1_epi8(1), allSet = _mm_set1_epi8(-1);
    for (int c = 0; c < n; ++c) {
        const uint32_t i0 = bounds[c], i1 = bounds[c + 1];
        if (i1 == i0) continue;
        if (i1 - i0 < 16) {
            for (int k = 0; k < 4; ++k) {
                bool anyHigh = false, anyLow = false;
                RunLevels(levels[k] + i0, i1 - i0, anyHigh, anyLow);
                SetLaneColumn(e[k], rows[k], c, anyHigh, anyLow, levels[k][i1 - 1]);
            }
            continue;
        }
        // Every lane's run read sixteen bytes at a time, the last sixteen
        // overlapping the ones before; no early stop, so no branch per block.
        __m128i high[4], low[4];
        for (int k = 0; k < 4; ++k) high[k] = low[k] = _mm_setzero_si128();
        const auto take = [&](uint32_t at) {
            for (int k = 0; k < 4; ++k) {
                const __m128i m =
                    _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(levels[k] + at)), ones);
                high[k] = _mm_or_si128(high[k], m);
                low[k] = _mm_or_si128(low[k], _mm_andnot_si128(m, allSet));
            }
        };
        uint32_t i = i0;
        for (; i + 16 <= i1; i += 16) take(i);
        if (i < i1) take(i1 - 16);
        for (int k = 0; k < 4; ++k)
            SetLaneColumn(e[k], rows[k], c, _mm_movemask_epi8(high[k]) != 0, _mm_movemask_epi8(low[k]) != 0,
                          levels[k][i1 - 1]);
    }
    for (int k = 0; k < 4; ++k) JoinColumns(e[k], n, traces[k], rows[k].emptyMin, true);
#endif
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
