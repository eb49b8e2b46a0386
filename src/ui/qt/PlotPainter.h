// Painting the plot primitives with a QPainter: exact one-pixel lines, the
// voltage grid and labels, the column strokes of an envelope, and the
// program's 12-pixel label font. Shared by the waveform view and the
// generator dialogs' previews, so both draw voltages the same way.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

#include "ui/PlotPrimitives.h"

class QPainter;

namespace kdx::plot {

inline const QColor GridGrey(200, 200, 200);
inline const QColor Black(0, 0, 0);
inline const QColor White(255, 255, 255);
inline const QColor TraceBlue(0, 0, 255);
inline const QColor MarkerYellow(255, 255, 0);

QRect ToQRect(const PixelRect& r);
// Every line of a plot is horizontal or vertical and one pixel wide, so it
// is filled as a one-pixel rectangle: exact pixels, no pen end rules.
void Fill(QPainter& p, const PixelRect& r, const QColor& c);
void VLine(QPainter& p, int x, int y0, int y1, const QColor& c);
void HLine(QPainter& p, int y, int x0, int x1, const QColor& c);
void Frame(QPainter& p, const PixelRect& r, const QColor& c);
PixelRect Inside(const PixelRect& r);

// "MSゴシック", 12 pixels, normal weight.
QFont LabelFont();

// The voltage grid across columns x0..x1 of the plot (the whole plot by default).
void DrawVoltageGrid(QPainter& p, const PixelRect& plot, int x0, int x1);
void DrawVoltageGrid(QPainter& p, const PixelRect& plot);
// The labels +1.0V .. -1.0V, right-aligned with their right end 4 pixels left
// of labelEdge, each centred on its level of the plot.
void DrawVoltageLabels(QPainter& p, const PixelRect& plot, int labelEdge, const QFont& font);
// The strokes of columns x0..x1 of an envelope; markers where values were
// pinned to an edge (none when marker is invalid).
void DrawEnvelope(QPainter& p, const ColumnEnvelope& envelope, const PixelRect& plot, int x0, int x1,
                  const QColor& trace, const QColor& marker = QColor());

}  // namespace kdx::plot
