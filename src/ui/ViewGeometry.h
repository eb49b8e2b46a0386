// Geometry of the waveform view: the panel layout computed from the client
// size, and the mapping between sample positions and pixel columns.
#pragma once

#include <array>
#include <cstdint>

#include "document/WaveformLimits.h"
#include "ui/PlotPrimitives.h"

namespace kdx {

struct MarkerSize {
    int width = 0;
    int height = 0;
};

// The marker bitmaps drawn above the plots; their heights feed the layout.
inline constexpr MarkerSize CursorMarkerSize{11, 9};
inline constexpr MarkerSize TimeMarkMarkerSize{11, 9};

// Proportions of the layout are given for this client area and scale with it.
inline constexpr int ReferenceClientWidth = 1022;
inline constexpr int ReferenceClientHeight = 553;

// Every rectangle of the view. Frames are drawn on their border pixels; plots
// are the frames' insides.
struct ViewLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    PixelRect timeLabelStrip;
    PixelRect tickStrip;  // its bottom row carries the black axis line
    PixelRect cursorStrip;
    PixelRect markStrip;
    PixelRect analogArea;   // outer frame
    PixelRect analogPanel;  // frame around the plot
    PixelRect analogPlot;
    PixelRect voltageLabelColumn;
    PixelRect laneArea;  // outer frame
    std::array<PixelRect, DigitalChannelCount> laneFrame;
    std::array<PixelRect, DigitalChannelCount> lanePlot;
    std::array<PixelRect, DigitalChannelCount> laneTrace;
    std::array<PixelRect, DigitalChannelCount> laneLabel;
    MarkerSize cursorMarker;
    MarkerSize markMarker;

    int PlotLeft() const { return analogPlot.left; }
    int PlotRight() const { return analogPlot.right; }
    // Columns shared by the analog plot and the lanes (at most MaxPlotColumns).
    int Columns() const { return analogPlot.right - analogPlot.left + 1; }
    // Bottom row of the lane CH3 frame: where cursor and time-mark lines end.
    int LinesBottom() const { return laneFrame[3].bottom; }
    // Marker hit boxes, bitmap-sized and centred on the x the line was drawn at.
    PixelRect CursorHitBox(int x) const;
    PixelRect MarkHitBox(int x) const;
};

// The layout for a client area of the given size; a degenerate size gives a
// layout with an empty plot rather than a failure.
ViewLayout ComputeLayout(int clientWidth, int clientHeight, MarkerSize cursorMarker = CursorMarkerSize,
                         MarkerSize markMarker = TimeMarkMarkerSize);

// The window of samples shown across the plot columns.
struct SampleWindow {
    uint32_t first = 0;  // firstVisibleSample
    uint32_t count = 1;  // w, the displayed sample count (at least 1)
    uint32_t total = 1;  // N, the document's sample count
    int plotLeft = 0;
    int plotRight = 0;
    int Columns() const { return plotRight - plotLeft + 1; }
};

// x of a sample position; positions past the window map to plotRight + 2.
int SampleToX(const SampleWindow& window, uint64_t sample);
// Sample position under column x, clamped to the window [first, first + w].
uint32_t XToSample(const SampleWindow& window, int x);
// Whether a column lies inside the plot, with the edge rules that decide when
// a move can be drawn incrementally.
bool IsXVisible(const SampleWindow& window, int x);
bool IsSampleVisible(const SampleWindow& window, uint64_t sample);

}  // namespace kdx
