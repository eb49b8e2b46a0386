#include "analog/ShapeForms.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kdx {

namespace {

// A time derived in floating point, kept inside the 64-bit range whatever
// was typed (the conversion of a larger double would be undefined).
int64_t TruncateToTime(double value) {
    constexpr double limit = 9.2e18;
    if (!(value > -limit)) return -static_cast<int64_t>(limit);
    if (value >= limit) return static_cast<int64_t>(limit);
    return static_cast<int64_t>(value);
}

int64_t SaturatingSum(std::initializer_list<int64_t> terms) {
    int64_t sum = 0;
    for (int64_t t : terms) {
        if (__builtin_add_overflow(sum, t, &sum))
            sum = t > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    return sum;
}

TimeUnitIndex UnitOf(const FieldState& f) { return f.unit; }

}  // namespace

// ---- Sine ----

SineForm::SineForm(const GeneratorSetup& setup, const SineParams& m) : GeneratorForm(setup, Count, true) {
    SetStoredTime(Period, m.period, m.periodUnit);
    SetStoredTime(T1, m.t1, m.t1Unit);
    SetStoredTime(Delay, m.t0, m.t0Unit);
    MutableField(Phase).text = FormatStoredReal(m.startPhaseDeg);
    MutableField(Amplitude).text = FormatStoredReal(m.v1);
    MutableField(Offset).text = FormatStoredReal(m.v0);
    MutableField(Repeat).text = FormatInt64(m.repeatCount);
    mode = m.mode == PhaseMode ? PhaseMode : DelayMode;
    MutableField(Delay).enabled = mode == DelayMode;
    MutableField(Phase).enabled = mode == PhaseMode;
    DrawIllustration([](double* b, int64_t total, int64_t dt) {
        return computeSine(b, total, dt, 0, total, 7500000, 1000000, 1.2, 0.0, 2);
    });
    Validate();
}

void SineForm::SetMode(int m) {
    m = m == PhaseMode ? PhaseMode : DelayMode;
    if (m == mode) return;
    mode = m;
    MutableField(Delay).enabled = mode == DelayMode;
    MutableField(Phase).enabled = mode == PhaseMode;
    Validate();
}

void SineForm::UnitChosen(int id) {
    if (id == T1 || id == Delay) PropagateUnit({T1, Delay}, Field(id).unit);
}

void SineForm::CheckShape() {
    t1Valid = ReadTime(T1, t1, 0) && t1 >= 4 * TimeBase().samplingNs;
    ShowMarker(T1, !t1Valid);
    amplitudeValid = ReadReal(Amplitude, amplitude, 0.0) && (amplitude <= -0.000001 || amplitude >= 0.000001);
    ShowMarker(Amplitude, !amplitudeValid);
    // The field the user enters first, so that the other is derived from it.
    if (mode == PhaseMode) {
        CheckPhase();
        CheckDelay();
    } else {
        CheckDelay();
        CheckPhase();
    }
    offsetValid = ReadReal(Offset, offset, 0.0);
    ShowMarker(Offset, !offsetValid);
    repeatValid = ReadCount(Repeat, repeat, 1) && repeat >= 1;
    ShowMarker(Repeat, !repeatValid);
}

void SineForm::CheckDelay() {
    if (mode == PhaseMode) {
        t0Valid = true;
        ShowMarker(Delay, false);
        ReadTime(Delay, t0, 0);
        return;
    }
    t0Valid = ReadTime(Delay, t0, 0) && ((t1 > 0 && t0 > -t1 && t0 < t1) || (t0 == 0 && t1 == 0));
    ShowMarker(Delay, !t0Valid);
    if (t0Valid) {
        phase = t0 == 0 || t1 == 0 ? 0.0 : static_cast<double>(t0) * -360.0 / static_cast<double>(t1);
        MutableField(Phase).text = FormatReal3(phase);
    } else {
        MutableField(Phase).text.clear();
    }
}

void SineForm::CheckPhase() {
    if (mode == DelayMode) {
        phaseValid = true;
        ShowMarker(Phase, false);
        return;
    }
    phaseValid = ReadReal(Phase, phase, 0.0) && phase > -360.0 && phase < 360.0;
    ShowMarker(Phase, !phaseValid);
    FieldState& delay = MutableField(Delay);
    if (!phaseValid) {
        delay.text.clear();
        return;
    }
    // The delay nearest to the phase, halves away from zero.
    const double scaled = phase * static_cast<double>(t1);
    t0 = TruncateToTime(phase >= 0 ? -scaled / 360.0 - 0.5 : 0.5 - scaled / 360.0);
    if (delay.unit != TimeUnitNone) {
        delay.text = FormatTimeInUnit(t0, delay.unit).value_or("");
    } else {
        const AutoTimeText text = FormatTimeAuto(t0);
        delay.text = text.text;
        delay.unit = text.unit;
    }
}

bool SineForm::ShapeValid() const {
    return t1Valid && amplitudeValid && t0Valid && phaseValid && offsetValid && repeatValid;
}

bool SineForm::ReadShape() {
    return ReadTime(T1, t1, 0) && ReadTime(Delay, t0, 0) && ReadReal(Amplitude, amplitude, 0.0) &&
           ReadReal(Phase, phase, 0.0) && ReadReal(Offset, offset, 0.0) && ReadCount(Repeat, repeat, 1);
}

bool SineForm::ComputeShape(double* buffer, int64_t period) {
    return computeSine(buffer, TimeBase().totalNs, TimeBase().samplingNs, EditStartNs(), period, t1, t0, amplitude,
                       offset, repeat);
}

SineParams SineForm::Params() const {
    SineParams p;
    p.period = PeriodNs();
    p.t1 = t1;
    p.t0 = t0;
    p.periodUnit = UnitOf(Field(Period));
    p.t1Unit = UnitOf(Field(T1));
    p.t0Unit = UnitOf(Field(Delay));
    p.startPhaseDeg = phase;
    p.v1 = amplitude;
    p.v0 = offset;
    p.repeatCount = static_cast<int32_t>(repeat);
    p.mode = mode;
    return p;
}

// ---- Rectangle ----

RectangleForm::RectangleForm(const GeneratorSetup& setup, const RectangleParams& m)
    : GeneratorForm(setup, Count, true) {
    SetStoredTime(Period, m.period, m.periodUnit);
    SetStoredTime(T0, m.t0, m.t0Unit);
    SetStoredTime(T1, m.t1, m.t1Unit);
    SetStoredTime(T2, m.t2, m.t2Unit);
    SetStoredTime(T3, m.t3, m.t3Unit);
    SetStoredTime(T4, m.t4, m.t4Unit);
    MutableField(V0).text = FormatStoredReal(m.v0);
    MutableField(V1).text = FormatStoredReal(m.v1);
    MutableField(V2).text = FormatStoredReal(m.v2);
    MutableField(Repeat).text = FormatInt64(m.repeatCount);
    mode = m.mode == VoltageMode ? VoltageMode : TimeMode;
    MutableField(T0).enabled = mode == TimeMode;
    MutableField(V0).enabled = mode == VoltageMode;
    DrawIllustration([](double* b, int64_t total, int64_t dt) {
        return computeRectangle(b, total, dt, 0, total, 0, 2500000, 1500000, 2000000, 1500000, 0.0, 1.2, -1.2, 2);
    });
    Validate();
}

void RectangleForm::SetMode(int m) {
    m = m == VoltageMode ? VoltageMode : TimeMode;
    if (m == mode) return;
    mode = m;
    MutableField(T0).enabled = mode == TimeMode;
    MutableField(V0).enabled = mode == VoltageMode;
    Validate();
}

void RectangleForm::UnitChosen(int id) {
    if (id == T0 || (id >= T1 && id <= T4)) PropagateUnit({T0, T1, T2, T3, T4}, Field(id).unit);
}

int64_t RectangleForm::Cycle() const { return SaturatingSum({t[1], t[2], t[3], t[4]}); }

void RectangleForm::CheckShape() {
    const int64_t dt = TimeBase().samplingNs;
    const auto total = static_cast<int64_t>(TimeBase().totalNs);
    // A rise or fall needs two samples, a level one; 0 leaves the part out.
    const int ids[4] = {T1, T2, T3, T4};
    const int64_t shortest[4] = {2 * dt, dt, 2 * dt, dt};
    for (int k = 0; k < 4; ++k) {
        int64_t& value = t[k + 1];
        valid[ids[k]] = ReadTime(ids[k], value, 0) && (value == 0 || (value >= shortest[k] && value <= total));
        ShowMarker(ids[k], !valid[ids[k]]);
    }
    const bool v1Read = ReadReal(V1, v1, 0.0);
    const bool v2Read = ReadReal(V2, v2, 0.0);
    valid[V1] = v1Read && v1 != v2;
    valid[V2] = v2Read && v1 != v2;
    ShowMarker(V1, !valid[V1]);
    ShowMarker(V2, !valid[V2]);

    const int64_t tc = Cycle();
    if (mode == TimeMode) {
        valid[T0] = ReadTime(T0, t[0], 0) && tc > 0 && t[0] > -tc && t[0] < tc;
        ShowMarker(T0, !valid[T0]);
        valid[V0] = true;
        ShowMarker(V0, false);
        if (valid[T0]) {
            // The level of the cycle where the stretch begins.
            const int64_t w = t[0] < 0 ? t[0] + tc : t[0];
            const int64_t highEnd = SaturatingSum({t[1], t[2]});
            const int64_t fallEnd = SaturatingSum({t[1], t[2], t[3]});
            if (w == 0) {
                v0 = v2;
            } else if (w < t[1]) {
                v0 = v2 + (v1 - v2) * static_cast<double>(w) / static_cast<double>(t[1]);
            } else if (w < highEnd) {
                v0 = v1;
            } else if (w >= fallEnd || t[3] <= 0) {
                v0 = v2;
            } else {
                v0 = v1 + (v2 - v1) * static_cast<double>(w - t[1] - t[2]) / static_cast<double>(t[3]);
            }
            MutableField(V0).text = FormatReal3(v0);
        } else {
            MutableField(V0).text.clear();
        }
    } else {
        valid[V0] = ReadReal(V0, v0, 0.0) && v0 >= std::min(v1, v2) && v0 <= std::max(v1, v2);
        ShowMarker(V0, !valid[V0]);
        valid[T0] = true;
        ShowMarker(T0, false);
        if (valid[V0]) {
            // Where on the rise the level is v0.
            t[0] = std::fabs(v1 - v2) < 0.000001
                       ? 0
                       : TruncateToTime((v0 - v2) * static_cast<double>(t[1]) / (v1 - v2) + 0.5);
            WriteTime(T0, t[0]);
        } else {
            MutableField(T0).text.clear();
        }
    }
    valid[Repeat] = ReadCount(Repeat, repeat, 1) && repeat >= 1;
    ShowMarker(Repeat, !valid[Repeat]);
    cycleValid = tc >= dt;
}

bool RectangleForm::ShapeValid() const {
    for (int id : {T1, T2, T3, T4, V1, V2, T0, V0, Repeat})
        if (!valid[id]) return false;
    return cycleValid;
}

bool RectangleForm::ReadShape() {
    bool ok = true;
    const int ids[5] = {T0, T1, T2, T3, T4};
    for (int k = 0; k < 5; ++k) ok = ReadTime(ids[k], t[k], 0) && ok;
    return ReadReal(V0, v0, 0.0) && ReadReal(V1, v1, 0.0) && ReadReal(V2, v2, 0.0) && ReadCount(Repeat, repeat, 1) &&
           ok;
}

bool RectangleForm::ComputeShape(double* buffer, int64_t period) {
    return computeRectangle(buffer, TimeBase().totalNs, TimeBase().samplingNs, EditStartNs(), period, t[0], t[1], t[2],
                            t[3], t[4], v0, v1, v2, repeat);
}

RectangleParams RectangleForm::Params() const {
    RectangleParams p;
    p.period = PeriodNs();
    p.t0 = t[0];
    p.t1 = t[1];
    p.t2 = t[2];
    p.t3 = t[3];
    p.t4 = t[4];
    p.periodUnit = UnitOf(Field(Period));
    p.t0Unit = UnitOf(Field(T0));
    p.t1Unit = UnitOf(Field(T1));
    p.t2Unit = UnitOf(Field(T2));
    p.t3Unit = UnitOf(Field(T3));
    p.t4Unit = UnitOf(Field(T4));
    p.v0 = v0;
    p.v1 = v1;
    p.v2 = v2;
    p.repeatCount = static_cast<int32_t>(repeat);
    p.mode = mode;
    return p;
}

// ---- DC ----

DcForm::DcForm(const GeneratorSetup& setup, const DcParams& m) : GeneratorForm(setup, Count, true) {
    SetStoredTime(Period, m.period, m.periodUnit);
    MutableField(Value).text = FormatStoredReal(m.value);
    DrawIllustration([](double* b, int64_t total, int64_t dt) { return computeDc(b, total, dt, 0, total, 1.2); });
    Validate();
}

void DcForm::CheckShape() {
    valueValid = ReadReal(Value, value, 0.0);
    ShowMarker(Value, !valueValid);
}

bool DcForm::ReadShape() { return ReadReal(Value, value, 0.0); }

bool DcForm::ComputeShape(double* buffer, int64_t period) {
    return computeDc(buffer, TimeBase().totalNs, TimeBase().samplingNs, EditStartNs(), period, value);
}

DcParams DcForm::Params() const { return DcParams{PeriodNs(), UnitOf(Field(Period)), value}; }

// ---- Ramp ----

RampForm::RampForm(const GeneratorSetup& setup, const RampParams& m) : GeneratorForm(setup, Count, true) {
    SetStoredTime(Period, m.period, m.periodUnit);
    MutableField(Initial).text = FormatStoredReal(m.initialValue);
    MutableField(Final).text = FormatStoredReal(m.finalValue);
    DrawIllustration(
        [](double* b, int64_t total, int64_t dt) { return computeRamp(b, total, dt, 0, total, -1.2, 1.2); });
    Validate();
}

void RampForm::CheckShape() {
    const bool initialRead = ReadReal(Initial, initial, 0.0);
    const bool finalRead = ReadReal(Final, finalValue, 0.0);
    // A ramp between equal values is no ramp: both are marked.
    initialValid = initialRead && initial != finalValue;
    finalValid = finalRead && initial != finalValue;
    ShowMarker(Initial, !initialValid);
    ShowMarker(Final, !finalValid);
}

bool RampForm::ReadShape() { return ReadReal(Initial, initial, 0.0) && ReadReal(Final, finalValue, 0.0); }

bool RampForm::ComputeShape(double* buffer, int64_t period) {
    return computeRamp(buffer, TimeBase().totalNs, TimeBase().samplingNs, EditStartNs(), period, initial, finalValue);
}

RampParams RampForm::Params() const { return RampParams{PeriodNs(), UnitOf(Field(Period)), initial, finalValue}; }

// ---- Exponential ----

ExpForm::ExpForm(const GeneratorSetup& setup, const ExpParams& m) : GeneratorForm(setup, Count, true) {
    SetStoredTime(Period, m.period, m.periodUnit);
    SetStoredTime(Tau, m.timeConstant, m.timeConstantUnit);
    MutableField(Initial).text = FormatStoredReal(m.initialValue);
    MutableField(Final).text = FormatStoredReal(m.finalValue);
    DrawIllustration([](double* b, int64_t total, int64_t dt) {
        return computeExponential(b, total, dt, 0, total, 1700000, -1.2, 1.2);
    });
    Validate();
}

void ExpForm::CheckShape() {
    const bool initialRead = ReadReal(Initial, initial, 0.0);
    const bool finalRead = ReadReal(Final, finalValue, 0.0);
    tauValid = ReadTime(Tau, tau, 0) && tau >= 1;
    ShowMarker(Tau, !tauValid);
    initialValid = initialRead && initial != finalValue;
    finalValid = finalRead && initial != finalValue;
    ShowMarker(Initial, !initialValid);
    ShowMarker(Final, !finalValid);
}

bool ExpForm::ReadShape() {
    return ReadReal(Initial, initial, 0.0) && ReadReal(Final, finalValue, 0.0) && ReadTime(Tau, tau, 0);
}

bool ExpForm::ComputeShape(double* buffer, int64_t period) {
    return computeExponential(buffer, TimeBase().totalNs, TimeBase().samplingNs, EditStartNs(), period, tau, initial,
                              finalValue);
}

ExpParams ExpForm::Params() const {
    return ExpParams{PeriodNs(), tau, UnitOf(Field(Period)), UnitOf(Field(Tau)), initial, finalValue};
}

// ---- Random noise ----

NoiseForm::NoiseForm(const GeneratorSetup& setup, const NoiseParams& m)
    : GeneratorForm(setup, Count, false), table(std::make_unique<NoiseTable>()) {
    SetStoredTime(Period, m.period, m.periodUnit);
    MutableField(Amplitude).text = FormatReal3(m.rms * 1000.0);
    MutableField(Amplitude).unit = Rms;
    MutableField(Companion).enabled = false;
    MutableField(CompanionUnit).enabled = false;
    Validate();
}

double NoiseForm::RmsOf(double amplitude, TimeUnitIndex unit) {
    return unit == PeakToPeak ? amplitude / PeakToPeakPerRms : amplitude;
}

void NoiseForm::CheckShape() {
    const TimeUnitIndex unit = Field(Amplitude).unit;
    MutableField(CompanionUnit).text = unit == Rms ? NoiseUnitNames[PeakToPeak] : unit == PeakToPeak ? NoiseUnitNames[Rms] : "";
    double amplitude = 0.0;
    if (!ReadReal(Amplitude, amplitude, 0.0)) {
        sigma = 0.0;
        amplitudeValid = false;
        ShowMarker(Amplitude, true);
        MutableField(Companion).text.clear();
        return;
    }
    const double rms = RmsOf(amplitude, unit);
    MutableField(Companion).text = FormatReal3(unit == PeakToPeak ? rms : amplitude * PeakToPeakPerRms);
    sigma = rms / 1000.0;
    amplitudeValid = sigma >= 0.000001;
    ShowMarker(Amplitude, !amplitudeValid);
}

bool NoiseForm::ReadShape() {
    double amplitude = 0.0;
    if (!ReadReal(Amplitude, amplitude, 0.0)) return false;
    sigma = RmsOf(amplitude, Field(Amplitude).unit) / 1000.0;
    return true;
}

bool NoiseForm::ComputeShape(double* buffer, int64_t period) {
    return computeNoise(buffer, TimeBase().totalNs, TimeBase().samplingNs, EditStartNs(), period, sigma,
                        seed.value_or(NoiseSeedNow()), *table);
}

NoiseParams NoiseForm::Params() const { return NoiseParams{PeriodNs(), UnitOf(Field(Period)), sigma}; }

}  // namespace kdx
