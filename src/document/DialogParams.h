// The last-used parameters of the fourteen editing dialogs. The document keeps
// them, the file footer stores them and each dialog is preset from them. The
// defaults below are the values File New starts with.
//
// Each record has a ForEachField visitor listing its fields in footer order
// with a stable name; the file writer and reader and kdx-tool's JSON all walk
// the records through it, so the order is written down exactly once.
#pragma once

#include <cstdint>
#include <type_traits>

namespace kdx {

struct SineParams {
    int64_t period = 0, t1 = 0, t0 = 0;
    int32_t periodUnit = -1, t1Unit = -1, t0Unit = -1;
    double startPhaseDeg = 0.0, v1 = 0.0, v0 = 0.0;
    int32_t repeatCount = 1;
    int32_t mode = 0;  // 0 delay, 1 start phase
    friend bool operator==(const SineParams&, const SineParams&) = default;
};

struct RectangleParams {
    int64_t period = 0, t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4 = 0;
    int32_t periodUnit = -1, t0Unit = -1, t1Unit = -1, t2Unit = -1, t3Unit = -1, t4Unit = -1;
    double v0 = 0.0, v1 = 0.0, v2 = 0.0;
    int32_t repeatCount = 1;
    int32_t mode = 0;  // 0 time, 1 voltage
    friend bool operator==(const RectangleParams&, const RectangleParams&) = default;
};

struct DcParams {
    int64_t period = 0;
    int32_t periodUnit = -1;
    double value = 0.0;
    friend bool operator==(const DcParams&, const DcParams&) = default;
};

struct RampParams {
    int64_t period = 0;
    int32_t periodUnit = -1;
    double initialValue = 0.0, finalValue = 0.0;
    friend bool operator==(const RampParams&, const RampParams&) = default;
};

struct ExpParams {
    int64_t period = 0, timeConstant = 0;
    int32_t periodUnit = -1, timeConstantUnit = -1;
    double initialValue = 0.0, finalValue = 0.0;
    friend bool operator==(const ExpParams&, const ExpParams&) = default;
};

struct NoiseParams {
    int64_t period = 0;
    int32_t periodUnit = -1;
    double rms = 0.0;
    friend bool operator==(const NoiseParams&, const NoiseParams&) = default;
};

struct ManualParams {
    int64_t copyPeriod = 0;
    int32_t copyPeriodUnit = -1;
    int32_t modification = 0;
    double gain = 1.0, levelShift = 0.0, upperLimit = 1.0, lowerLimit = -1.0;
    friend bool operator==(const ManualParams&, const ManualParams&) = default;
};

struct ExternalParams {
    int64_t interval = 0;
    int32_t intervalUnit = -1;
    double amplitude = 1.0, offset = 0.0;
    int32_t interpolation = 0;
    friend bool operator==(const ExternalParams&, const ExternalParams&) = default;
};

struct DigitalClockParams {
    int64_t time1 = 0, time2 = 0;
    int32_t time1Unit = -1, time2Unit = -1;
    uint8_t level1 = 1, level2 = 0;
    int32_t repeatCount = 1;
    int32_t channel = 0;
    friend bool operator==(const DigitalClockParams&, const DigitalClockParams&) = default;
};

struct DigitalSerialParams {
    int64_t bitTime = 0;
    int32_t bitTimeUnit = -1;
    int32_t channel = 0;
    int32_t source = 0;  // 0 direct input, 1 file
    friend bool operator==(const DigitalSerialParams&, const DigitalSerialParams&) = default;
};

struct DigitalParallelParams {
    int64_t wordTime = 0;
    int32_t wordTimeUnit = -1;
    int32_t bitOrder = 0;
    uint8_t channels = 15;  // bit c ticks CH c
    int32_t source = 0;
    friend bool operator==(const DigitalParallelParams&, const DigitalParallelParams&) = default;
};

struct DigitalModifyParams {
    int64_t copyPeriod = 0;
    int32_t copyPeriodUnit = -1;
    int32_t editChannel = 0;
    int32_t copyChannel = 0;
    friend bool operator==(const DigitalModifyParams&, const DigitalModifyParams&) = default;
};

struct DigitalShiftParams {
    int64_t length = 0, shiftTime = 0;
    int32_t lengthUnit = -1, shiftTimeUnit = -1;
    int32_t method = 0;
    friend bool operator==(const DigitalShiftParams&, const DigitalShiftParams&) = default;
};

struct DigitalSwapParams {
    int64_t length = 0;
    int32_t lengthUnit = -1;
    int32_t firstChannel = 0, secondChannel = 1;
    friend bool operator==(const DigitalSwapParams&, const DigitalSwapParams&) = default;
};

// All fourteen memories, in document and footer order.
struct DialogMemories {
    SineParams sineParams;
    RectangleParams rectangleParams;
    DcParams dcParams;
    RampParams rampParams;
    ExpParams expParams;
    NoiseParams noiseParams;
    ManualParams manualParams;
    ExternalParams externalParams;
    DigitalClockParams digitalClockParams;
    DigitalSerialParams digitalSerialParams;
    DigitalParallelParams digitalParallelParams;
    DigitalModifyParams digitalModifyParams;
    DigitalShiftParams digitalShiftParams;
    DigitalSwapParams digitalSwapParams;
    friend bool operator==(const DialogMemories&, const DialogMemories&) = default;
};

// Field visitors: f(name, field) for every field, in footer order. The field
// type tells its footer form: int64_t a time (two i32, low half first),
// int32_t an i32, double an f64, uint8_t a b32 (only the low byte read back).
// P may be const or not.
#define KDX_VISITOR(Type) \
    template <class P, class F> \
        requires std::is_same_v<std::remove_const_t<P>, Type> \
    void ForEachField(P& p, F&& f)
#define KDX_F(name) f(#name, p.name)

KDX_VISITOR(SineParams) {
    KDX_F(period); KDX_F(t1); KDX_F(t0); KDX_F(periodUnit); KDX_F(t1Unit); KDX_F(t0Unit);
    KDX_F(startPhaseDeg); KDX_F(v1); KDX_F(v0); KDX_F(repeatCount); KDX_F(mode);
}
KDX_VISITOR(RectangleParams) {
    KDX_F(period); KDX_F(t0); KDX_F(t1); KDX_F(t2); KDX_F(t3); KDX_F(t4);
    KDX_F(periodUnit); KDX_F(t0Unit); KDX_F(t1Unit); KDX_F(t2Unit); KDX_F(t3Unit); KDX_F(t4Unit);
    KDX_F(v0); KDX_F(v1); KDX_F(v2); KDX_F(repeatCount); KDX_F(mode);
}
KDX_VISITOR(DcParams) { KDX_F(period); KDX_F(periodUnit); KDX_F(value); }
KDX_VISITOR(RampParams) { KDX_F(period); KDX_F(periodUnit); KDX_F(initialValue); KDX_F(finalValue); }
KDX_VISITOR(ExpParams) {
    KDX_F(period); KDX_F(timeConstant); KDX_F(periodUnit); KDX_F(timeConstantUnit);
    KDX_F(initialValue); KDX_F(finalValue);
}
KDX_VISITOR(NoiseParams) { KDX_F(period); KDX_F(periodUnit); KDX_F(rms); }
KDX_VISITOR(ManualParams) {
    KDX_F(copyPeriod); KDX_F(copyPeriodUnit); KDX_F(modification);
    KDX_F(gain); KDX_F(levelShift); KDX_F(upperLimit); KDX_F(lowerLimit);
}
KDX_VISITOR(ExternalParams) {
    KDX_F(interval); KDX_F(intervalUnit); KDX_F(amplitude); KDX_F(offset); KDX_F(interpolation);
}
KDX_VISITOR(DigitalClockParams) {
    KDX_F(time1); KDX_F(time2); KDX_F(time1Unit); KDX_F(time2Unit);
    KDX_F(level1); KDX_F(level2); KDX_F(repeatCount); KDX_F(channel);
}
KDX_VISITOR(DigitalSerialParams) { KDX_F(bitTime); KDX_F(bitTimeUnit); KDX_F(channel); KDX_F(source); }
KDX_VISITOR(DigitalParallelParams) {
    KDX_F(wordTime); KDX_F(wordTimeUnit); KDX_F(bitOrder); KDX_F(channels); KDX_F(source);
}
KDX_VISITOR(DigitalModifyParams) { KDX_F(copyPeriod); KDX_F(copyPeriodUnit); KDX_F(editChannel); KDX_F(copyChannel); }
KDX_VISITOR(DigitalShiftParams) {
    KDX_F(length); KDX_F(shiftTime); KDX_F(lengthUnit); KDX_F(shiftTimeUnit); KDX_F(method);
}
KDX_VISITOR(DigitalSwapParams) { KDX_F(length); KDX_F(lengthUnit); KDX_F(firstChannel); KDX_F(secondChannel); }

// f(name, record) for the fourteen memories in footer order.
KDX_VISITOR(DialogMemories) {
    KDX_F(sineParams); KDX_F(rectangleParams); KDX_F(dcParams); KDX_F(rampParams);
    KDX_F(expParams); KDX_F(noiseParams); KDX_F(manualParams); KDX_F(externalParams);
    KDX_F(digitalClockParams); KDX_F(digitalSerialParams); KDX_F(digitalParallelParams);
    KDX_F(digitalModifyParams); KDX_F(digitalShiftParams); KDX_F(digitalSwapParams);
}

#undef KDX_F
#undef KDX_VISITOR

}  // namespace kdx
