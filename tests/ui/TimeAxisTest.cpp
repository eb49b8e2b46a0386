#include <gtest/gtest.h>

#include <vector>

#include "ui/TimeAxis.h"

namespace kdx {
namespace {

TEST(TimeScale, UnitFromTotalTimeDroppedDigitsFromSamplingTime) {
    TimeScale s = ChooseTimeScale(5000000, 20);
    EXPECT_EQ(s.scaleUnit, TimeUnitMs);
    EXPECT_EQ(s.scaleUnitText, "mS");
    EXPECT_EQ(s.droppedDigits, 1);
    s = ChooseTimeScale(262144000, 1000);
    EXPECT_EQ(s.scaleUnit, TimeUnitMs);
    EXPECT_EQ(s.droppedDigits, 3);
    EXPECT_EQ(ChooseTimeScale(20 * 40, 20).scaleUnit, TimeUnitNs);
    EXPECT_EQ(ChooseTimeScale(87960930222080, 335544320).scaleUnit, TimeUnitS);
}

TEST(FormatTimeFixed, WritesTheScaleUnitWithoutTheAlwaysZeroDigits) {
    const TimeScale ms = ChooseTimeScale(5000000, 20);
    EXPECT_EQ(FormatTimeFixed(1234560, ms), "1.23456 mS");
    EXPECT_EQ(FormatTimeFixed(0, ms), "0.00000 mS");
    EXPECT_EQ(FormatTimeFixed(20, ms), "0.00002 mS");
    EXPECT_EQ(FormatTimeFixed(-20, ms), "-0.00002 mS");
    EXPECT_EQ(FormatTimeFixed(5000000, ms), "5.00000 mS");
    const TimeScale us = ChooseTimeScale(20000, 20);
    EXPECT_EQ(FormatTimeFixed(40, us), "0.04 uS");
    const TimeScale s = ChooseTimeScale(3000000000, 20000);
    EXPECT_EQ(FormatTimeFixed(1500000000, s), "1.50000 S");
    // Unit nS: the point is the first character dropped.
    const TimeScale ns = ChooseTimeScale(500, 20);
    EXPECT_EQ(FormatTimeFixed(40, ns), "40 nS");
    // Fraction digits equal to the dropped ones leave the point standing.
    const TimeScale us1000 = ChooseTimeScale(20000, 1000);
    EXPECT_EQ(FormatTimeFixed(3000, us1000), "3. uS");
}

TEST(FormatTimeFixed, NeverDropsIntegerDigits) {
    // 5 samples of 100 ns: unit nS with two dropped digits would read "3".
    const TimeScale ns = ChooseTimeScale(500, 100);
    EXPECT_EQ(ns.droppedDigits, 2);
    EXPECT_EQ(FormatTimeFixed(300, ns), "300 nS");
    EXPECT_EQ(FormatTimeAutoDropped(100, 2), "100 nS");
    EXPECT_EQ(FormatTimeAutoDropped(0, 5), "0 nS");
    // 3 samples of 100 ms: unit mS (6 decimals) with 8 dropped digits.
    const TimeScale ms = ChooseTimeScale(300000000, 100000000);
    EXPECT_EQ(ms.droppedDigits, 8);
    EXPECT_EQ(FormatTimeFixed(200000000, ms), "200 mS");
}

TEST(FormatTimeAutoDropped, ChoosesTheUnitFromTheInterval) {
    EXPECT_EQ(FormatTimeAutoDropped(1500, 1), "1.50 uS");
    EXPECT_EQ(FormatTimeAutoDropped(-1500, 1), "-1.50 uS");
    EXPECT_EQ(FormatTimeAutoDropped(999999999, 0), "999.999999 mS");
    EXPECT_EQ(FormatTimeAutoDropped(1000000000, 1), "1.00000000 S");
    EXPECT_EQ(FormatTimeAutoDropped(980, 1), "980 nS");
}

TEST(TimeGrid, StepMantissaFromTheLeadingDigit) {
    EXPECT_EQ(TimeGridStepNs(20, 150), 500);   // a fifth of 3000 ns is 600: digit 6 -> 5
    EXPECT_EQ(TimeGridStepNs(20, 80), 200);    // 320: digit 3 -> 2
    EXPECT_EQ(TimeGridStepNs(20, 50), 200);    // 200: digit 2 -> 2
    EXPECT_EQ(TimeGridStepNs(20, 250), 1000);  // 1000: digit 1 -> 1
    EXPECT_EQ(TimeGridStepNs(20, 225), 1000);  // 900: digit 9 -> 10
    // Fewer than 5 samples: the span is divided by their number.
    EXPECT_EQ(TimeGridStepNs(1000, 3), 1000);
    EXPECT_EQ(TimeGridStepNs(1000, 5), 1000);
}

std::vector<uint32_t> GridSamples(const SampleWindow& w, int64_t sampling) {
    std::vector<uint32_t> out;
    ForEachTimeGridLine(w, sampling, w.plotLeft, w.plotRight + 1, [&](uint32_t s, int) { out.push_back(s); });
    return out;
}

TEST(TimeGrid, LineAtTheFirstSampleOnlyWhenItIsZero) {
    // 150 samples of 20 ns: step 500 ns = 25 samples.
    SampleWindow w{0, 150, 150, 0, 299};
    EXPECT_EQ(GridSamples(w, 20), (std::vector<uint32_t>{0, 25, 50, 75, 100, 125}));
    w = {25, 100, 150, 0, 299};  // 25 is a multiple but the first visible sample
    EXPECT_EQ(TimeGridStepNs(20, 100), 500);
    EXPECT_EQ(GridSamples(w, 20), (std::vector<uint32_t>{50, 75, 100}));
}

TEST(TimeGrid, LabelsUseTheScaleUnitWithoutDroppingDigits) {
    const TimeScale ms = ChooseTimeScale(5000000, 20);
    EXPECT_EQ(TimeGridLabel(1000000, ms), "1 mS");
    EXPECT_EQ(TimeGridLabel(1500000, ms), "1.5 mS");
    EXPECT_EQ(TimeGridLabel(0, ms), "0 mS");
}

TEST(Readouts, PositionAtOrPastTheCountReadsTheLastSample) {
    const double analog[3] = {0.1, 0.2, -0.25};
    const uint8_t ch0[3] = {0, 0, 1};
    const uint8_t ch1[3] = {1, 1, 0};
    ReadoutSamples s;
    s.analog = analog;
    s.digital = {ch0, ch1, ch0, ch1};
    s.sampleCount = 3;
    s.samplingTimeNs = 20;
    const TimeScale scale = ChooseTimeScale(60, 20);
    PositionReadouts r = ReadPosition(s, scale, 3);
    EXPECT_EQ(r.time, "60 nS");
    EXPECT_EQ(r.voltage, "-0.250 V");
    EXPECT_EQ(r.levels[0], "1");
    EXPECT_EQ(r.levels[1], "0");
    r = ReadPosition(s, scale, 1);
    EXPECT_EQ(r.voltage, "0.200 V");
    EXPECT_EQ(IntervalReadout(1, 3, 20, scale), "-40 nS");
    EXPECT_EQ(SamplingReadout(20), "20 nS");
    EXPECT_EQ(SamplingReadout(1500), "1.5 uS");
}

}  // namespace
}  // namespace kdx
