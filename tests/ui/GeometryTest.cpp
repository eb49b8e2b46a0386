#include <gtest/gtest.h>

#include "ui/ViewGeometry.h"

namespace kdx {
namespace {

TEST(ViewLayout, ReferenceSizeMatchesHandComputedRectangles) {
    const ViewLayout l = ComputeLayout(1022, 553, {11, 9}, {11, 9});
    EXPECT_EQ(l.timeLabelStrip, (PixelRect{0, 0, 1021, 17}));
    EXPECT_EQ(l.tickStrip, (PixelRect{0, 18, 1021, 22}));
    EXPECT_EQ(l.cursorStrip, (PixelRect{0, 24, 1021, 32}));
    EXPECT_EQ(l.markStrip, (PixelRect{0, 34, 1021, 42}));
    // sy = 510 / 553: J = 6, O = 9, X = 3, t = 1.
    EXPECT_EQ(l.analogArea, (PixelRect{20, 43, 1002, 405}));
    EXPECT_EQ(l.analogPanel, (PixelRect{61, 50, 995, 398}));
    EXPECT_EQ(l.analogPlot, (PixelRect{62, 51, 994, 397}));
    EXPECT_EQ(l.voltageLabelColumn, (PixelRect{21, 44, 60, 404}));
    EXPECT_EQ(l.Columns(), 933);
    // Lane height (553 - 12 - 9 - 415 - 9 - 1) / 4 = 26, lanes 29 rows apart.
    EXPECT_EQ(l.laneFrame[0], (PixelRect{61, 421, 995, 447}));
    EXPECT_EQ(l.laneFrame[3], (PixelRect{61, 508, 995, 534}));
    EXPECT_EQ(l.lanePlot[0], (PixelRect{62, 422, 994, 446}));
    EXPECT_EQ(l.laneTrace[0], (PixelRect{62, 423, 994, 445}));
    EXPECT_EQ(l.laneLabel[2], (PixelRect{21, 480, 60, 504}));
    EXPECT_EQ(l.laneArea, (PixelRect{20, 414, 1002, 541}));
    EXPECT_EQ(l.LinesBottom(), 534);
    EXPECT_EQ(l.CursorHitBox(100), (PixelRect{95, 24, 105, 32}));
}

TEST(ViewLayout, LargerClientScalesAndKeepsTheZeroLineOnAPixelRow) {
    const ViewLayout l = ComputeLayout(1600, 900, {11, 9}, {11, 9});
    // sx = 1600 / 1022: ml = 31, gr = 9, c = 63; sy = 857 / 553: J = 9, O = 15, X = 4, t = 2.
    EXPECT_EQ(l.analogPlot.left, 96);
    EXPECT_EQ(l.analogPlot.right, 1558);
    // Inner height 607 - 18 is odd, so the area's bottom is raised by one.
    EXPECT_EQ(l.analogArea, (PixelRect{31, 43, 1569, 651}));
    EXPECT_EQ(l.analogPlot, (PixelRect{96, 54, 1558, 640}));
    EXPECT_EQ(l.laneFrame[0], (PixelRect{95, 676, 1559, 722}));
    EXPECT_EQ(l.laneFrame[3], (PixelRect{95, 826, 1559, 872}));
    EXPECT_EQ(l.laneTrace[0], (PixelRect{96, 679, 1558, 719}));
    EXPECT_EQ(l.laneArea.bottom, 882);
}

TEST(ViewLayout, VeryWideClientNeverExceedsTheEnvelopeColumns) {
    for (int width : {4100, 4200, 6000, 9000}) {
        const ViewLayout l = ComputeLayout(width, 900);
        EXPECT_LE(l.Columns(), MaxPlotColumns) << width;
    }
    // Past the limit the right margin takes up the rest: 4000 - gap - 3 columns.
    EXPECT_EQ(ComputeLayout(6000, 900).Columns(), 4000 - 35 - 3);
}

TEST(ViewLayout, DegenerateClientGivesNoPlotInsteadOfFailing) {
    const ViewLayout l = ComputeLayout(0, 0);
    EXPECT_LE(l.Columns(), 0);
}

SampleWindow Window(uint32_t first, uint32_t count, uint32_t total) { return {first, count, total, 0, 99}; }

TEST(SampleMapping, EndPositionMapsOneColumnPastThePlot) {
    const SampleWindow w = Window(0, 100, 100);
    EXPECT_EQ(SampleToX(w, 0), 0);
    EXPECT_EQ(SampleToX(w, 50), 50);
    EXPECT_EQ(SampleToX(w, 100), 100);
    EXPECT_EQ(SampleToX(w, 101), 101);  // past the window: right + 2
    EXPECT_EQ(XToSample(w, -5), 0u);
    EXPECT_EQ(XToSample(w, 200), 100u);
    const SampleWindow zoomed = Window(1000, 10, 5000);
    EXPECT_EQ(SampleToX(zoomed, 1005), 50);
    EXPECT_EQ(XToSample(zoomed, 50), 1005u);
    EXPECT_EQ(SampleToX(zoomed, 2000), 101);
    EXPECT_LT(SampleToX(zoomed, 990), 0);
}

TEST(SampleMapping, VisibilityEdgeRulesDependOnWhereTheWindowStands) {
    // Whole data shown: both edges inclusive.
    EXPECT_TRUE(IsXVisible(Window(0, 100, 100), 0));
    EXPECT_TRUE(IsXVisible(Window(0, 100, 100), 100));
    // At the start of longer data: the right edge + 1 is outside.
    EXPECT_TRUE(IsXVisible(Window(0, 50, 100), 0));
    EXPECT_FALSE(IsXVisible(Window(0, 50, 100), 100));
    // Flush with the end: the left edge is outside, the end position inside.
    EXPECT_FALSE(IsXVisible(Window(50, 50, 100), 0));
    EXPECT_TRUE(IsXVisible(Window(50, 50, 100), 100));
    // In the middle: both edges outside.
    EXPECT_FALSE(IsXVisible(Window(20, 50, 100), 0));
    EXPECT_FALSE(IsXVisible(Window(20, 50, 100), 100));
    EXPECT_TRUE(IsXVisible(Window(20, 50, 100), 1));
    EXPECT_TRUE(IsXVisible(Window(20, 50, 100), 99));
    EXPECT_FALSE(IsSampleVisible(Window(20, 50, 100), 71));
}

}  // namespace
}  // namespace kdx
