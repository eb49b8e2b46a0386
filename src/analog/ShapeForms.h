// The six analog shapes' forms: their fields in the dialog's order, the checks
// and derived fields, and how their memories preset them and are taken back.
#pragma once

#include <cstdint>
#include <memory>

#include "analog/GeneratorForm.h"
#include "document/DialogParams.h"

namespace kdx {

// The memory messages of the dialogs, when their buffers cannot be allocated.
inline constexpr const char* MsgSineMemory = "正弦波作成のためのメモリが確保できませんでした";
inline constexpr const char* MsgRectangleMemory = "矩形波作成のためのメモリが確保できませんでした";
inline constexpr const char* MsgDcMemory = "直流波形作成のためのメモリが確保できませんでした";
inline constexpr const char* MsgRampMemory = "ランプ波形作成のためのメモリが確保できませんでした";
inline constexpr const char* MsgExpMemory = "指数関数波形作成のためのメモリが確保できませんでした";
inline constexpr const char* MsgNoiseMemory = "ランダムノイズ作成のためのメモリが確保できませんでした";

class SineForm : public GeneratorForm {
public:
    enum Id { EditStart, Period, T1, Delay, Phase, Amplitude, Offset, Repeat, Count };
    enum Mode { DelayMode = 0, PhaseMode = 1 };
    using MemoryRecord = SineParams;
    static constexpr const char* MemoryMessage = MsgSineMemory;

    SineForm(const GeneratorSetup& setup, const SineParams& memory);
    // Which of delay and start phase the user enters; the other is derived.
    void SetMode(int mode);
    int Mode() const { return mode; }
    SineParams Params() const;

private:
    void CheckShape() override;
    bool ShapeValid() const override;
    bool ReadShape() override;
    bool ComputeShape(double* buffer, int64_t period) override;
    void UnitChosen(int id) override;
    void CheckDelay();
    void CheckPhase();

    int mode = DelayMode;
    int64_t t1 = 0, t0 = 0;
    double phase = 0.0, amplitude = 0.0, offset = 0.0;
    uint32_t repeat = 1;
    bool t1Valid = false, t0Valid = false, phaseValid = false, amplitudeValid = false, offsetValid = false,
         repeatValid = false;
};

class RectangleForm : public GeneratorForm {
public:
    enum Id { EditStart, Period, T1, T2, T3, T4, V1, V2, T0, V0, Repeat, Count };
    enum Mode { TimeMode = 0, VoltageMode = 1 };
    using MemoryRecord = RectangleParams;
    static constexpr const char* MemoryMessage = MsgRectangleMemory;

    RectangleForm(const GeneratorSetup& setup, const RectangleParams& memory);
    void SetMode(int mode);
    int Mode() const { return mode; }
    RectangleParams Params() const;
    // Tc = t1 + t2 + t3 + t4, stopping at the 64-bit limit.
    int64_t Cycle() const;

private:
    void CheckShape() override;
    bool ShapeValid() const override;
    bool ReadShape() override;
    bool ComputeShape(double* buffer, int64_t period) override;
    void UnitChosen(int id) override;

    int mode = TimeMode;
    int64_t t[5] = {};  // t0 .. t4
    double v0 = 0.0, v1 = 0.0, v2 = 0.0;
    uint32_t repeat = 1;
    bool valid[Count] = {};
    bool cycleValid = false;  // the cycle test, which has no marker of its own
};

class DcForm : public GeneratorForm {
public:
    enum Id { EditStart, Period, Value, Count };
    using MemoryRecord = DcParams;
    static constexpr const char* MemoryMessage = MsgDcMemory;

    DcForm(const GeneratorSetup& setup, const DcParams& memory);
    DcParams Params() const;

private:
    void CheckShape() override;
    bool ShapeValid() const override { return valueValid; }
    bool ReadShape() override;
    bool ComputeShape(double* buffer, int64_t period) override;

    double value = 0.0;
    bool valueValid = false;
};

class RampForm : public GeneratorForm {
public:
    enum Id { EditStart, Period, Initial, Final, Count };
    using MemoryRecord = RampParams;
    static constexpr const char* MemoryMessage = MsgRampMemory;

    RampForm(const GeneratorSetup& setup, const RampParams& memory);
    RampParams Params() const;

private:
    void CheckShape() override;
    bool ShapeValid() const override { return initialValid && finalValid; }
    bool ReadShape() override;
    bool ComputeShape(double* buffer, int64_t period) override;

    double initial = 0.0, finalValue = 0.0;
    bool initialValid = false, finalValid = false;
};

class ExpForm : public GeneratorForm {
public:
    enum Id { EditStart, Period, Initial, Final, Tau, Count };
    using MemoryRecord = ExpParams;
    static constexpr const char* MemoryMessage = MsgExpMemory;

    ExpForm(const GeneratorSetup& setup, const ExpParams& memory);
    ExpParams Params() const;

private:
    void CheckShape() override;
    bool ShapeValid() const override { return initialValid && finalValid && tauValid; }
    bool ReadShape() override;
    bool ComputeShape(double* buffer, int64_t period) override;

    double initial = 0.0, finalValue = 0.0;
    int64_t tau = 0;
    bool initialValid = false, finalValid = false, tauValid = false;
};

class NoiseForm : public GeneratorForm {
public:
    // The amplitude's unit list holds "mV rms" (0) and "mV p-p" (1); the
    // companion shows the amplitude in the other unit.
    enum Id { EditStart, Period, Amplitude, Companion, CompanionUnit, Count };
    enum AmplitudeUnit { Rms = 0, PeakToPeak = 1 };
    using MemoryRecord = NoiseParams;
    static constexpr const char* MemoryMessage = MsgNoiseMemory;
    static constexpr double PeakToPeakPerRms = 6.6;

    NoiseForm(const GeneratorSetup& setup, const NoiseParams& memory);
    NoiseParams Params() const;
    double Sigma() const { return sigma; }  // volts
    // The generator's seed for the next create; by default the time of the create.
    void SetSeed(uint32_t value) { seed = value; }

private:
    void CheckShape() override;
    bool ShapeValid() const override { return amplitudeValid; }
    bool ReadShape() override;
    bool ComputeShape(double* buffer, int64_t period) override;
    // rms in mV of an amplitude in the given unit.
    static double RmsOf(double amplitude, TimeUnitIndex unit);

    std::unique_ptr<NoiseTable> table;
    double sigma = 0.0;
    bool amplitudeValid = false;
    std::optional<uint32_t> seed;
};

// The names of the amplitude units.
inline constexpr const char* NoiseUnitNames[2] = {"mV rms", "mV p-p"};

}  // namespace kdx
