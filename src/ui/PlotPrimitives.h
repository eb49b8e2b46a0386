// Plot primitives shared by the waveform view and the generator previews: a
// fixed -1.2 V .. +1.2 V voltage scale, its grid and labels, and the column
// envelope that reduces any number of samples to one stroke per pixel column.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kdx {

inline constexpr int MaxPlotColumns = 4000;
inline constexpr double PlotVoltageLimit = 1.2;

// A rectangle of pixels; every coordinate is a pixel inside it (right and
// bottom inclusive).
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool ContainsX(int x) const { return x >= left && x <= right; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

inline constexpr uint8_t ClipNone = 0;
inline constexpr uint8_t ClipBelow = 1;  // a value was below -1.2 V
inline constexpr uint8_t ClipAbove = 2;  // a value was above +1.2 V

// One stroke per pixel column (index = x - plot left).
struct ColumnEnvelope {
    std::array<int32_t, MaxPlotColumns> lastY{};
    std::array<int32_t, MaxPlotColumns> minY{};
    std::array<int32_t, MaxPlotColumns> maxY{};
    std::array<uint8_t, MaxPlotColumns> clip{};  // unused by the digital lanes
};

// What DrawEnvelope paints in one column: a vertical trace stroke covering
// yTop..yBottom (inclusive) and, when markerY >= 0, one marker pixel.
struct EnvelopeStroke {
    int x = 0;
    int yTop = 0;
    int yBottom = 0;
    int markerY = -1;
};

// Pixel columns of a plot, never more than an envelope holds.
int PlotColumns(const PixelRect& plot);

// y of a voltage on the fixed scale: +1.2 V on plot.top, -1.2 V on plot.bottom.
int VoltageToY(double volts, const PixelRect& plot);

// The first value of each of n columns over count values, and count at the
// end: bounds[c] to bounds[c + 1] is column c, value j lying in column
// (int)(j * n / count + 0.5). bounds holds n + 1 entries.
void AnalogColumnBounds(uint32_t count, int n, uint32_t* bounds);

// Reduces count values (volts) to the plot's columns; values beyond +-1.2 V
// are pinned to the edge and flagged.
void BuildAnalogEnvelope(const double* values, uint32_t count, const PixelRect& plot, ColumnEnvelope& envelope);

// Reduces count channel bytes (0 or 1) to the columns of a lane trace
// rectangle: 1 on the high level (top + 1), 0 on the low level (bottom).
void BuildDigitalEnvelope(const uint8_t* levels, uint32_t count, const PixelRect& trace, ColumnEnvelope& envelope);

// The four lanes at once, each exactly as BuildDigitalEnvelope builds it:
// lanes as wide as each other share their column boundaries and are read
// together, column by column.
void BuildDigitalEnvelopes(const std::array<const uint8_t*, 4>& levels, uint32_t count,
                           const std::array<PixelRect, 4>& traces, std::array<ColumnEnvelope, 4>& envelopes);

// The stroke of column x (plot.left <= x <= plot.right); withMarkers false for
// the lanes.
EnvelopeStroke StrokeAt(const ColumnEnvelope& envelope, const PixelRect& plot, int x, bool withMarkers);

// The voltage grid: 13 grey levels +1.2 .. -1.2 V, then black at +1, 0, -1 V.
struct GridLine {
    int y = 0;
    bool major = false;
};
inline constexpr int VoltageGridLineCount = 16;
std::array<GridLine, VoltageGridLineCount> VoltageGridLines(const PixelRect& plot);

// The labelled levels +1.0, +0.8, ..., -1.0 V.
inline constexpr int VoltageLabelCount = 11;
double VoltageLabelLevel(int index);
// "+1.0V" above 0.1 V, "0.0V" at zero, "-0.4V" below.
std::string VoltageLabelText(double level);

}  // namespace kdx
