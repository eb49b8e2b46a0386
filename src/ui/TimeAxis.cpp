#include "ui/TimeAxis.h"

#include <algorithm>
#include <cstdio>

namespace kdx {

namespace {

// Digits after the decimal point of a unit (0 for nS).
int FractionDigits(TimeUnitIndex unit) {
    switch (unit) {
    case TimeUnitUs: return 3;
    case TimeUnitMs: return 6;
    case TimeUnitS: return 9;
    default: return 0;
    }
}

// |ns| in the unit with the point placed, zero-padded so that at least one
// integer digit stands before it; nS ends in a bare point.
std::string FixedDigits(uint64_t magnitude, TimeUnitIndex unit) {
    const int d = FractionDigits(unit);
    std::string digits = std::to_string(magnitude);
    if (d == 0) return digits + ".";
    if (static_cast<int>(digits.size()) < d + 1) digits.insert(0, d + 1 - digits.size(), '0');
    digits.insert(digits.size() - d, ".");
    return digits;
}

std::string DropAndJoin(int64_t ns, TimeUnitIndex unit, int droppedDigits) {
    const bool negative = ns < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(ns) : static_cast<uint64_t>(ns);
    std::string text = FixedDigits(magnitude, unit);
    // The dropped digits are zero in every multiple of the sampling time, but
    // only below the point: never cut into the integer digits.
    const int drop = std::clamp(droppedDigits, 0, FractionDigits(unit) + 1);
    text.resize(text.size() - drop);
    std::string unitText{UnitWordOrMark(unit)};
    return (negative ? "-" : "") + JoinValueUnit(text, unitText);
}

}  // namespace

TimeScale ChooseTimeScale(uint64_t totalTimeNs, int64_t samplingTimeNs) {
    TimeScale scale;
    scale.scaleUnit = FormatTimeAuto(static_cast<int64_t>(totalTimeNs)).unit;
    scale.scaleUnitText = std::string{UnitWordOrMark(scale.scaleUnit)};
    std::string sampling = FormatInt64(samplingTimeNs);
    int zeros = 0;
    for (auto it = sampling.rbegin(); it != sampling.rend() && *it == '0'; ++it) ++zeros;
    if (samplingTimeNs == 0) zeros = 0;
    scale.droppedDigits = zeros;
    return scale;
}

std::string FormatTimeFixed(int64_t ns, const TimeScale& scale) {
    return DropAndJoin(ns, scale.scaleUnit, scale.droppedDigits);
}

std::string FormatTimeAutoDropped(int64_t ns, int droppedDigits) {
    const uint64_t magnitude = ns < 0 ? 0 - static_cast<uint64_t>(ns) : static_cast<uint64_t>(ns);
    TimeUnitIndex unit = TimeUnitS;
    if (magnitude < 1000) unit = TimeUnitNs;
    else if (magnitude < 1000000) unit = TimeUnitUs;
    else if (magnitude <= 999999999) unit = TimeUnitMs;
    return DropAndJoin(ns, unit, droppedDigits);
}

std::string TimeGridLabel(int64_t ns, const TimeScale& scale) {
    auto text = FormatTimeInUnit(ns, scale.scaleUnit);
    return JoinValueUnit(text ? *text : std::string{}, scale.scaleUnitText);
}

int64_t TimeGridStepNs(int64_t samplingTimeNs, uint32_t displayed) {
    if (samplingTimeNs <= 0 || displayed == 0) return 0;
    const int64_t span = samplingTimeNs * displayed;
    int64_t q = span / std::min<int64_t>(displayed, 5);
    int64_t power = 1;
    while (q >= 10) {
        q /= 10;
        power *= 10;
    }
    int64_t mantissa = 10;
    if (q <= 1) mantissa = 1;
    else if (q <= 3) mantissa = 2;
    else if (q <= 7) mantissa = 5;
    return mantissa * power;
}

std::string VoltageReadoutText(double volts) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f V", volts);
    return buf;
}

PositionReadouts ReadPosition(const ReadoutSamples& samples, const TimeScale& scale, uint32_t position) {
    PositionReadouts r;
    r.time = FormatTimeFixed(static_cast<int64_t>(position) * samples.samplingTimeNs, scale);
    if (samples.sampleCount == 0) return r;
    // The position after the last sample reads the last sample.
    const uint32_t i = std::min(position, samples.sampleCount - 1);
    if (samples.analog) r.voltage = VoltageReadoutText(samples.analog[i]);
    for (int ch = 0; ch < DigitalChannelCount; ++ch) {
        if (samples.digital[ch]) r.levels[ch] = std::to_string(static_cast<int>(samples.digital[ch][i]));
    }
    return r;
}

std::string TotalTimeReadout(uint64_t totalTimeNs, const TimeScale& scale) {
    return FormatTimeFixed(static_cast<int64_t>(totalTimeNs), scale);
}

std::string SamplingReadout(int64_t samplingTimeNs) { return FormatTimeAutoWithUnit(samplingTimeNs); }

std::string IntervalReadout(uint32_t position, uint32_t reference, int64_t samplingTimeNs, const TimeScale& scale) {
    const int64_t t = (static_cast<int64_t>(position) - static_cast<int64_t>(reference)) * samplingTimeNs;
    return FormatTimeAutoDropped(t, scale.droppedDigits);
}

}  // namespace kdx
