// The fixed sketch beside each generator's fields that names its parameters:
// a display list of line segments (dimension lines with arrow heads, guides,
// axes) and text labels in a logical 1000 x 1000 space, plus where the shape's
// sample curve is plotted. The window maps it onto its illustration area.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ui/PlotPrimitives.h"

namespace kdx {

struct SketchColour {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const SketchColour&, const SketchColour&) = default;
};
inline constexpr SketchColour SketchBlack{0, 0, 0};
inline constexpr SketchColour SketchGrey{128, 128, 128};

// Arrow heads of a dimension line: vertical lines run from top (start) to
// bottom (end), horizontal ones from left (start) to right (end).
enum ArrowStyle : int {
    ArrowNone = 0,
    ArrowUpAtStart = 1,
    ArrowDownAtEnd = 2,
    ArrowLeftAtStart = 3,
    ArrowRightAtEnd = 4,
    ArrowsUpDown = 5,
    ArrowsLeftRight = 6,
};

struct SketchSegment {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // logical units
    SketchColour colour = SketchGrey;
    int arrows = ArrowNone;
};

enum class SketchAlign { Left, Centre, Right };

struct SketchLabel {
    int x = 0, y = 0;  // logical; the text is centred vertically on y
    std::string text;
    SketchAlign align = SketchAlign::Centre;
    SketchColour colour = SketchBlack;
};

inline constexpr size_t MaxSketchSegments = 50;
inline constexpr size_t MaxSketchLabels = 20;

class Sketch {
public:
    // Entries beyond the list's room are dropped.
    void Line(int x0, int y0, int x1, int y1, SketchColour colour = SketchGrey, int arrows = ArrowNone);
    void Label(int x, int y, std::string text, SketchAlign align = SketchAlign::Centre);
    void Frame(int left, int top, int right, int bottom, SketchColour colour = SketchBlack);
    void SetCurveArea(int left, int top, int right, int bottom) { curve = {left, top, right, bottom}; }

    const std::vector<SketchSegment>& Segments() const { return segments; }
    const std::vector<SketchLabel>& Labels() const { return labels; }
    // The logical rectangle the sample curve is plotted in (the fixed
    // -1.2 V .. +1.2 V scale spans its height).
    const std::array<int, 4>& CurveArea() const { return curve; }

private:
    std::vector<SketchSegment> segments;
    std::vector<SketchLabel> labels;
    std::array<int, 4> curve{};
};

// A logical coordinate (0..1000) in an area's pixels, rounded and kept inside.
int SketchX(const PixelRect& area, int a);
int SketchY(const PixelRect& area, int a);
PixelRect SketchRect(const PixelRect& area, const std::array<int, 4>& logical);

// The single pixels of a segment's arrow heads (already in pixels): the tip
// on the end point and two rows widening by one pixel on each side.
std::vector<std::pair<int, int>> ArrowHeadPixels(int x0, int y0, int x1, int y1, int arrows);

Sketch SineSketch();
Sketch RectangleSketch();
Sketch DcSketch();
Sketch RampSketch();
Sketch ExpSketch();

}  // namespace kdx
