#include "analog/Illustration.h"

#include <algorithm>
#include <cmath>

namespace kdx {

void Sketch::Line(int x0, int y0, int x1, int y1, SketchColour colour, int arrows) {
    if (segments.size() < MaxSketchSegments) segments.push_back({x0, y0, x1, y1, colour, arrows});
}

void Sketch::Label(int x, int y, std::string text, SketchAlign align) {
    if (labels.size() < MaxSketchLabels) labels.push_back({x, y, std::move(text), align, SketchBlack});
}

void Sketch::Frame(int left, int top, int right, int bottom, SketchColour colour) {
    Line(left, top, right, top, colour);
    Line(right, top, right, bottom, colour);
    Line(right, bottom, left, bottom, colour);
    Line(left, bottom, left, top, colour);
}

namespace {

int Scale(int low, int high, int a) {
    const int p = low + static_cast<int>(std::lround(static_cast<double>(high - low) / 1000.0 * a));
    return std::clamp(p, low, high);
}

}  // namespace

int SketchX(const PixelRect& area, int a) { return Scale(area.left, area.right, a); }
int SketchY(const PixelRect& area, int a) { return Scale(area.top, area.bottom, a); }

PixelRect SketchRect(const PixelRect& area, const std::array<int, 4>& r) {
    return {SketchX(area, r[0]), SketchY(area, r[1]), SketchX(area, r[2]), SketchY(area, r[3])};
}

std::vector<std::pair<int, int>> ArrowHeadPixels(int x0, int y0, int x1, int y1, int arrows) {
    std::vector<std::pair<int, int>> pixels;
    // A head pointing along (dx, dy) with its tip at (x, y).
    const auto head = [&pixels](int x, int y, int dx, int dy) {
        pixels.emplace_back(x, y);
        for (int row = 1; row <= 2; ++row) {
            for (int side = -row; side <= row; ++side) {
                pixels.emplace_back(x - dx * row + dy * side, y - dy * row + dx * side);
            }
        }
    };
    if (arrows == ArrowUpAtStart || arrows == ArrowsUpDown) head(x0, y0, 0, -1);
    if (arrows == ArrowDownAtEnd || arrows == ArrowsUpDown) head(x1, y1, 0, 1);
    if (arrows == ArrowLeftAtStart || arrows == ArrowsLeftRight) head(x0, y0, -1, 0);
    if (arrows == ArrowRightAtEnd || arrows == ArrowsLeftRight) head(x1, y1, 1, 0);
    return pixels;
}

// Each sketch plots its sample curve over 8.5 mS, so a logical x of
// 150 + t / 10000 is the time t (ns) on the curve.

Sketch SineSketch() {
    // t1 = 7.5 mS from t0 = 1 mS, amplitude 1.2 V: the curve spans
    // y 300 (+1.2 V) .. 850 (-1.2 V), 0 V at 575.
    Sketch s;
    s.SetCurveArea(150, 300, 1000, 850);
    s.Line(150, 280, 150, 870, SketchBlack);  // voltage axis
    s.Line(150, 575, 1000, 575, SketchBlack);  // time axis at the offset
    s.Line(250, 130, 250, 575);               // where the wave's cycle begins
    s.Line(150, 230, 250, 230, SketchGrey, ArrowsLeftRight);
    s.Label(200, 190, "t0");
    s.Line(250, 150, 1000, 150, SketchGrey, ArrowsLeftRight);
    s.Label(625, 110, "t1");
    s.Line(437, 300, 437, 575, SketchGrey, ArrowsUpDown);  // the first crest
    s.Line(400, 300, 475, 300);
    s.Label(475, 440, "v1", SketchAlign::Left);
    s.Line(60, 575, 145, 575, SketchGrey, ArrowRightAtEnd);
    s.Label(60, 535, "v0", SketchAlign::Left);
    return s;
}

Sketch RectangleSketch() {
    // Rise 2.5 mS, high 1.5 mS, fall 2 mS, low 1.5 mS between v2 = -1.2 V
    // (y 720) and v1 = +1.2 V (y 300); the parts end at x 400, 550, 750, 900.
    Sketch s;
    s.SetCurveArea(150, 300, 1000, 720);
    s.Line(150, 280, 150, 740, SketchBlack);
    const int ends[5] = {150, 400, 550, 750, 900};
    const char* names[4] = {"t1", "t2", "t3", "t4"};
    for (int k = 0; k < 4; ++k) {
        s.Line(ends[k], 250, ends[k + 1], 250, SketchGrey, ArrowsLeftRight);
        s.Line(ends[k + 1], 230, ends[k + 1], 300);
        s.Label((ends[k] + ends[k + 1]) / 2, 205, names[k]);
    }
    // The stretch starts halfway up the rise: t0 into the cycle, at level v0.
    s.Line(150, 790, 275, 790, SketchGrey, ArrowRightAtEnd);
    s.Label(212, 830, "t0");
    s.Line(275, 270, 275, 810, SketchBlack);
    s.Label(275, 870, "Start");
    s.Line(70, 300, 400, 300);
    s.Line(70, 510, 275, 510);
    s.Line(70, 720, 150, 720);
    s.Label(60, 300, "v1", SketchAlign::Right);
    s.Label(60, 510, "v0", SketchAlign::Right);
    s.Label(60, 720, "v2", SketchAlign::Right);
    return s;
}

Sketch DcSketch() {
    // The value 1.2 V lies on the curve area's top edge; 0 V on its bottom.
    Sketch s;
    s.SetCurveArea(150, 300, 1000, 500);
    s.Frame(100, 150, 1000, 650);
    s.Line(150, 500, 1000, 500);
    s.Label(140, 300, "v0", SketchAlign::Right);
    return s;
}

Sketch RampSketch() {
    // From v0 = -1.2 V (y 750) to v1 = +1.2 V (y 250).
    Sketch s;
    s.SetCurveArea(150, 250, 1000, 750);
    s.Line(150, 230, 150, 770, SketchBlack);
    s.Line(100, 750, 1000, 750);
    s.Line(100, 250, 1000, 250);
    s.Label(90, 750, "v0", SketchAlign::Right);
    s.Label(90, 250, "v1", SketchAlign::Right);
    return s;
}

Sketch ExpSketch() {
    // From v0 = -1.2 V (y 650) towards v1 = +1.2 V (y 200); one time
    // constant (1.7 mS) ends at x 320, where the curve has covered 63 %.
    Sketch s;
    s.SetCurveArea(150, 200, 1000, 650);
    s.Line(150, 180, 150, 670, SketchBlack);
    s.Line(100, 650, 1000, 650);
    s.Line(100, 200, 1000, 200);
    s.Line(320, 366, 320, 730);
    s.Line(150, 720, 320, 720, SketchGrey, ArrowsLeftRight);
    s.Label(235, 760, "τ");
    s.Label(90, 650, "v0", SketchAlign::Right);
    s.Label(90, 200, "v1", SketchAlign::Right);
    return s;
}

}  // namespace kdx
