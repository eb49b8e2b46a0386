#include "ui/qt/PlotPainter.h"

#include <QPainter>
#include <QString>
#include <algorithm>

namespace kdx::plot {

QRect ToQRect(const PixelRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)); }

void Fill(QPainter& p, const PixelRect& r, const QColor& c) {
    if (r.right >= r.left && r.bottom >= r.top) p.fillRect(ToQRect(r), c);
}
void VLine(QPainter& p, int x, int y0, int y1, const QColor& c) { Fill(p, {x, y0, x, y1}, c); }
void HLine(QPainter& p, int y, int x0, int x1, const QColor& c) { Fill(p, {x0, y, x1, y}, c); }
void Frame(QPainter& p, const PixelRect& r, const QColor& c) {
    HLine(p, r.top, r.left, r.right, c);
    HLine(p, r.bottom, r.left, r.right, c);
    VLine(p, r.left, r.top, r.bottom, c);
    VLine(p, r.right, r.top, r.bottom, c);
}
PixelRect Inside(const PixelRect& r) { return {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}; }

QFont LabelFont() {
    QFont font(QStringLiteral("MSゴシック"));
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

void DrawVoltageGrid(QPainter& p, const PixelRect& plot, int x0, int x1) {
    for (const GridLine& g : VoltageGridLines(plot))
        HLine(p, g.y, std::max(x0, plot.left), std::min(x1, plot.right), g.major ? Black : GridGrey);
}

void DrawVoltageGrid(QPainter& p, const PixelRect& plot) { DrawVoltageGrid(p, plot, plot.left, plot.right); }

void DrawVoltageLabels(QPainter& p, const PixelRect& plot, int labelEdge, const QFont& font) {
    p.setPen(Black);
    p.setFont(font);
    for (int i = 0; i < VoltageLabelCount; ++i) {
        const double level = VoltageLabelLevel(i);
        const int y = VoltageToY(level, plot);
        const QRect box(QPoint(labelEdge - 60, y - 10), QPoint(labelEdge - 5, y + 10));
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(VoltageLabelText(level)));
    }
}

void DrawEnvelope(QPainter& p, const ColumnEnvelope& envelope, const PixelRect& plot, int x0, int x1,
                  const QColor& trace, const QColor& marker) {
    const bool markers = marker.isValid();
    for (int x = std::max(x0, plot.left); x <= std::min(x1, plot.right); ++x) {
        const EnvelopeStroke s = StrokeAt(envelope, plot, x, markers);
        if (s.yTop <= s.yBottom) VLine(p, x, s.yTop, s.yBottom, trace);
        if (s.markerY >= 0) Fill(p, {x, s.markerY, x, s.markerY}, marker);
    }
}

}  // namespace kdx::plot
