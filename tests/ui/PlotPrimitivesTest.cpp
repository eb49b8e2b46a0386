#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <utility>
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

// The stepped column starts against the column formula itself, value by
// value: fewer values than columns, exact ties, and the largest document.
TEST(AnalogEnvelope, ColumnStartsFollowTheColumnFormulaForEveryValue) {
    const std::pair<uint32_t, int> cases[] = {{1, 4000},     {3, 7},        {100, 100},    {4000, 4000},
                                              {8000, 4000},  {12345, 999},  {65536, 1024}, {262143, 4000},
                                              {262144, 4000}, {262144, 3},  {262144, 1}};
    std::vector<uint32_t> bounds(MaxPlotColumns + 1);
    for (const auto& [count, n] : cases) {
        AnalogColumnBounds(count, n, bounds.data());
        const double dn = n, dcount = count;
        for (uint32_t j = 0; j < count; ++j) {
            const int column = static_cast<int>(j * dn / dcount + 0.5);
            const int c = std::clamp(column, 0, n);  // past the last column: after bounds[n]
            ASSERT_GE(j, bounds[c]) << count << " values, " << n << " columns, value " << j;
            if (c < n) {
                ASSERT_LT(j, bounds[c + 1]) << count << " values, " << n << " columns, value " << j;
            }
        }
        EXPECT_LE(bounds[n], count);
    }
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

// The four-lane pass must give each lane exactly what the single pass gives:
// short and long columns, the overlapping last block, and lanes of other widths.
TEST(DigitalEnvelope, FourLanesTogetherAreEachLaneAlone) {
    struct Case {
        uint32_t count;
        int width, otherWidth;
    };
    const Case cases[] = {{1, 100, 100},    {50, 100, 100},     {100, 100, 100},      {1599, 100, 100},
                          {1600, 100, 100}, {1617, 100, 100},   {65537, 4000, 4000},  {262144, 4000, 4000},
                          {262144, 3999, 3999}, {262144, 4000, 3000}};
    uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (const Case& c : cases) {
        std::array<std::vector<uint8_t>, 4> lanes;
        for (int k = 0; k < 4; ++k) {
            lanes[k].resize(c.count);
            for (uint32_t i = 0; i < c.count; ++i) {
                const uint32_t r = next();
                // Random bits, long runs, all low, high with rare lows.
                lanes[k][i] = k == 0 ? r & 1 : k == 1 ? (i / 777) & 1 : k == 2 ? 0 : (r % 997 != 0);
            }
        }
        std::array<PixelRect, 4> traces;
        for (int k = 0; k < 4; ++k) traces[k] = {0, 10 + 40 * k, (k == 3 ? c.otherWidth : c.width) - 1, 30 + 40 * k};
        auto together = std::make_unique<std::array<ColumnEnvelope, 4>>();
        auto alone = std::make_unique<ColumnEnvelope>();
        BuildDigitalEnvelopes({lanes[0].data(), lanes[1].data(), lanes[2].data(), lanes[3].data()}, c.count, traces,
                              *together);
        for (int k = 0; k < 4; ++k) {
            BuildDigitalEnvelope(lanes[k].data(), c.count, traces[k], *alone);
            const auto& t = (*together)[k];
            const int n = PlotColumns(traces[k]);
            for (int x = 0; x < n; ++x) {
                ASSERT_EQ(t.minY[x], alone->minY[x]) << c.count << " samples, lane " << k << ", column " << x;
                ASSERT_EQ(t.maxY[x], alone->maxY[x]) << c.count << " samples, lane " << k << ", column " << x;
                ASSERT_EQ(t.lastY[x], alone->lastY[x]) << c.count << " samples, lane " << k << ", column " << x;
            }
        }
    }
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
