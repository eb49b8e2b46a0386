// Time texts and the time grid of the waveform view. The view writes times in
// one fixed unit chosen from the total time, and drops the digits that the
// sampling time makes always zero.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ui/ViewGeometry.h"
#include "units/UnitText.h"

namespace kdx {

struct TimeScale {
    TimeUnitIndex scaleUnit = TimeUnitNs;  // unit of the total time as written by FormatTimeAuto
    std::string scaleUnitText = "nS";
    int droppedDigits = 0;  // trailing '0's of the sampling time in whole nanoseconds
};

TimeScale ChooseTimeScale(uint64_t totalTimeNs, int64_t samplingTimeNs);

// A time in the scale unit with the always-zero digits dropped, e.g.
// "1.23456 mS". Digits are never dropped past the decimal point: integer
// digits are significant (only a handful of coarse samples reach that case).
std::string FormatTimeFixed(int64_t ns, const TimeScale& scale);
// The same with the unit chosen from the value (intervals in the readout bar).
std::string FormatTimeAutoDropped(int64_t ns, int droppedDigits);

// A time-axis label: the time in the scale unit, digits not dropped.
std::string TimeGridLabel(int64_t ns, const TimeScale& scale);

// Grid step in ns for w displayed samples: one of 1, 2, 5 x 10^k near a fifth
// of the displayed span (the whole span over w when fewer than 5 samples).
int64_t TimeGridStepNs(int64_t samplingTimeNs, uint32_t displayed);

// Calls f(sample, x) for every grid line of the window whose x lies in
// [xa, xb], left to right: sample 0 when it is the first visible sample, then
// every multiple of the step strictly inside the window.
template <class F>
void ForEachTimeGridLine(const SampleWindow& window, int64_t samplingTimeNs, int xa, int xb, F&& f) {
    if (samplingTimeNs <= 0 || window.count == 0) return;
    if (window.first == 0) {
        int x0 = SampleToX(window, 0);
        if (x0 >= xa && x0 <= xb) f(uint32_t{0}, x0);
    }
    int64_t stepSamples = TimeGridStepNs(samplingTimeNs, window.count) / samplingTimeNs;
    if (stepSamples <= 0) return;
    uint64_t end = uint64_t{window.first} + window.count;
    uint64_t step = static_cast<uint64_t>(stepSamples);
    for (uint64_t m = window.first - window.first % step + step; m < end; m += step) {
        int x = SampleToX(window, m);
        if (x > xb) break;
        if (x >= xa) f(static_cast<uint32_t>(m), x);
    }
}

// Readout-bar controls the view writes.
namespace readout {
inline constexpr int CursorTime = 1005;
inline constexpr int CursorVoltage = 1006;
inline constexpr int MouseMinusCursor = 1007;
inline constexpr int TotalTime = 1008;
inline constexpr int Sampling = 1009;
inline constexpr int MarkTime = 1011;
inline constexpr int MarkVoltage = 1012;
inline constexpr int CursorMinusMark = 1013;
inline constexpr int CursorLevel[4] = {1014, 1017, 1018, 1019};
inline constexpr int MarkLevel[4] = {1020, 1021, 1022, 1023};
}  // namespace readout

// Values at a position; a position at or beyond the count reads the last sample.
struct PositionReadouts {
    std::string time;     // FormatTimeFixed
    std::string voltage;  // "%.3f V"
    std::array<std::string, DigitalChannelCount> levels;  // "%d"
};
struct ReadoutSamples {
    const double* analog = nullptr;
    std::array<const uint8_t*, DigitalChannelCount> digital{};
    uint32_t sampleCount = 0;
    int64_t samplingTimeNs = 0;
};
PositionReadouts ReadPosition(const ReadoutSamples& samples, const TimeScale& scale, uint32_t position);
std::string VoltageReadoutText(double volts);  // "%.3f V"
std::string TotalTimeReadout(uint64_t totalTimeNs, const TimeScale& scale);
std::string SamplingReadout(int64_t samplingTimeNs);  // "%s %s" with its own unit choice
// Interval readouts (1013, 1007): time of position minus time of reference.
std::string IntervalReadout(uint32_t position, uint32_t reference, int64_t samplingTimeNs, const TimeScale& scale);

}  // namespace kdx
