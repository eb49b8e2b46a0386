#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "ui/PlotPrimitives.h"

namespace kdx {
namespace {

const PixelRect Plot{0, 0, 99, 240};  // 100 columns, H = 240: 0.01 V per row

TEST(AnalogEnvelope, ExactLimitsSitOnTheEdgesWithoutFlagBeyondThemAreFlagged) {
    auto e = std::make_unique<ColumnEnvelope>();
    const std::vector<double> v{1.2, -1.2, 1.2000001, -1.2000001, 5.0};
    const PixelRect plot{0, 0, 4, 240};
    BuildAnalogEnvelope(v.data(), 5, plot, *e);
    EXPECT_EQ(e->clip[0], ClipNone);
    EXPECT_EQ(e->minY[0], 0);
    EXPECT_EQ(e->clip[1], ClipNone);
    EXPECT_EQ(e->lastY[1], 240);
    EXPECT_EQ(e->clip[2], ClipAbove);
    EXPECT_EQ(e->lastY[2], 0);
    EXPECT_EQ(e->clip[3], ClipBelow);
    EXPECT_EQ(e->lastY[3], 240);
    const EnvelopeStroke above = StrokeAt(*e, plot, 4, true);
    EXPECT_EQ(above.markerY, 0);
    EXPECT_EQ(StrokeAt(*e, plot, 3, true).markerY, 240);
    EXPECT_EQ(StrokeAt(*e, plot, 3, false).markerY, -1);
}

TEST(AnalogEnvelope, FewValuesGiveFlatStepsJoinedVertically) {
    auto e = std::make_unique<ColumnEnvelope>();
    const PixelRect wide{0, 0, MaxPlotColumns - 1, 240};
    const std::vector<double> v{0.0, 1.0, -1.0};
    BuildAnalogEnvelope(v.data(), 3, wide, *e);
    // Values land in columns 0, 1333 and 2667; the columns between repeat.
    for (int c : {1, 700, 1332}) {
        EXPECT_EQ(e->minY[c], 120) << c;
        EXPECT_EQ(e->maxY[c], 120) << c;
    }
    EXPECT_EQ(e->minY[1333], 20);
    EXPECT_EQ(e->maxY[1333], 120);  // the join down to the previous step
    EXPECT_EQ(e->minY[1334], 20);
    EXPECT_EQ(e->maxY[1334], 20);
    EXPECT_EQ(e->minY[2667], 20);
    EXPECT_EQ(e->maxY[2667], 220);
    EXPECT_EQ(e->maxY[3999], 220);
    EXPECT_EQ(e->minY[3999], 220);
}

TEST(AnalogEnvelope, PinnedStepKeepsItsMarkerAcrossEmptyColumns) {
    auto e = std::make_unique<ColumnEnvelope>();
    const PixelRect plot{0, 0, 9, 240};
    const std::vector<double> v{2.0, 0.0};
    BuildAnalogEnvelope(v.data(), 2, plot, *e);
    for (int x = 0; x < 5; ++x) {
        const EnvelopeStroke s = StrokeAt(*e, plot, x, true);
        EXPECT_EQ(s.yTop, 0) << x;
        EXPECT_EQ(s.yBottom, 0) << x;
        EXPECT_EQ(s.markerY, 0) << x;
    }
    EXPECT_EQ(StrokeAt(*e, plot, 5, true).markerY, -1);
    EXPECT_EQ(StrokeAt(*e, plot, 6, true).yTop, 120);
}

TEST(AnalogEnvelope, ManyValuesBecomeOneMinMaxStrokePerColumn) {
    auto e = std::make_unique<ColumnEnvelope>();
    std::vector<double> v(262144);
    for (size_t i = 0; i < v.size(); ++i) v[i] = std::sin(i * 0.001);
    BuildAnalogEnvelope(v.data(), static_cast<uint32_t>(v.size()), Plot, *e);
    for (int c = 0; c < 100; ++c) {
        EXPECT_LE(e->minY[c], e->maxY[c]);
        EXPECT_GE(e->minY[c], VoltageToY(1.0, Plot));
        EXPECT_LE(e->maxY[c], VoltageToY(-1.0, Plot));
    }
    // Column 1 holds samples 1311..3932, across the sine's peak.
    EXPECT_EQ(e->minY[1], VoltageToY(1.0, Plot));
}

TEST(AnalogEnvelope, NonNumbersDrawOnTheZeroLine) {
    auto e = std::make_unique<ColumnEnvelope>();
    const std::vector<double> v{std::nan(""), 0.5};
    BuildAnalogEnvelope(v.data(), 2, {0, 0, 1, 240}, *e);
    EXPECT_EQ(e->lastY[0], 120);
}

TEST(DigitalEnvelope, LevelsAreTwoRowStrokesAndEmptyColumnsRepeat) {
    auto e = std::make_unique<ColumnEnvelope>();
    const PixelRect trace{0, 10, 7, 30};
    const uint8_t bits[4] = {0, 1, 1, 0};
    BuildDigitalEnvelope(bits, 4, trace, *e);
    // Sample i lands in column 2i; high level y = 11, low level y = 30.
    EXPECT_EQ(e->minY[0], 29);
    EXPECT_EQ(e->maxY[0], 30);
    EXPECT_EQ(e->minY[1], 29);  // repeats the low level
    EXPECT_EQ(e->minY[2], 10);
    EXPECT_EQ(e->maxY[2], 30);  // the rising edge joins the previous low level
    EXPECT_EQ(e->minY[3], 10);
    EXPECT_EQ(e->maxY[3], 11);
    EXPECT_EQ(e->minY[6], 10);  // falling edge: from the previous high level
    EXPECT_EQ(e->maxY[6], 30);
    EXPECT_EQ(e->maxY[7], 30);
    EXPECT_EQ(e->minY[7], 29);
}

TEST(VoltageGrid, LabelsCarrySignsExceptAtZero) {
    EXPECT_EQ(VoltageLabelText(VoltageLabelLevel(0)), "+1.0V");
    EXPECT_EQ(VoltageLabelText(VoltageLabelLevel(4)), "+0.2V");
    EXPECT_EQ(VoltageLabelText(VoltageLabelLevel(5)), "0.0V");
    EXPECT_EQ(VoltageLabelText(VoltageLabelLevel(6)), "-0.2V");
    EXPECT_EQ(VoltageLabelText(VoltageLabelLevel(10)), "-1.0V");
    const auto lines = VoltageGridLines(Plot);
    EXPECT_EQ(lines[0].y, 0);
    EXPECT_EQ(lines[12].y, 240);
    EXPECT_FALSE(lines[6].major);
    EXPECT_TRUE(lines[14].major);
    EXPECT_EQ(lines[14].y, 120);
}

}  // namespace
}  // namespace kdx
