// The generator dialogs' behaviour without a window: field checks and
// markers, enabling, derived fields, unit lists that follow each other, the
// preview-current rule, both adjustments with their messages, the apply, and
// the runners' commit and cancel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analog/AnalogRunners.h"
#include "document/KDXDoc.h"
#include "document/WaveformLimits.h"
#include "RecordingPrompts.h"
#include "support/FailingAllocation.h"

using namespace kdx;

namespace {

using Script = test::RecordingPrompts;

// 1 mS of 50000 samples at 20 ns; the labels are in mS.
constexpr uint64_t Total = 1000000;
constexpr int64_t Dt = 20;

struct Doc {
    std::vector<double> samples = std::vector<double>(MaxSampleCount, 0.5);
    GeneratorSetup Setup(int64_t editStart = 100000) { return GeneratorSetup{{Total, Dt}, editStart, samples.data()}; }
};

// Types a time into a field in a unit, as a user picks the unit and types.
void Type(EditForm& f, int id, const std::string& text, TimeUnitIndex unit = TimeUnitNs) {
    f.SetUnit(id, unit);
    f.SetText(id, text);
}

bool Marked(const EditForm& f, int id) {
    return f.Field(id).marker;
}

}  // namespace

TEST(GeneratorFrame, EditStartAndPeriodBoundsEnablingAndTimeLabels) {
    Doc d;
    DcForm f(d.Setup(), DcParams{});
    // Opening: the edit start in the total time's unit, nothing computed.
    EXPECT_EQ(f.Field(DcForm::EditStart).text, "0.1");
    EXPECT_EQ(f.Field(DcForm::EditStart).unit, TimeUnitMs);
    EXPECT_EQ(f.Field(DcForm::Value).text, "0.000");
    EXPECT_TRUE(Marked(f, DcForm::Period));  // no unit chosen yet
    EXPECT_FALSE(f.CreateEnabled());
    EXPECT_EQ(f.StartTimeText(), "");

    const struct {
        int id;
        std::string text;
        bool valid;
    } bounds[] = {
        {DcForm::Period, "20", true},          {DcForm::Period, "19", false},     {DcForm::Period, "1000000", true},
        {DcForm::Period, "1000020", false},    {DcForm::Period, "abc", false},    {DcForm::EditStart, "999980", true},
        {DcForm::EditStart, "1000000", false}, {DcForm::EditStart, "-20", false}, {DcForm::EditStart, "0", true},
    };
    for (const auto& b : bounds) {
        Type(f, b.id, b.text);
        EXPECT_EQ(Marked(f, b.id), !b.valid) << b.id << " " << b.text;
    }
    // The create button does not depend on the edit start; the time labels do.
    Type(f, DcForm::Period, "300");
    Type(f, DcForm::EditStart, "1000000");
    EXPECT_TRUE(f.CreateEnabled());
    EXPECT_EQ(f.EndTimeText(), "");
    Type(f, DcForm::EditStart, "50", TimeUnitUs);
    EXPECT_EQ(f.StartTimeText(), "0.05 mS");  // always in the label unit, not rounded
    EXPECT_EQ(f.EndTimeText(), "0.0503 mS");
}

TEST(GeneratorFrame, PreviewGoesStaleOnPeriodOrShapeChangesButNotOnTheEditStart) {
    Doc d;
    RampForm f(d.Setup(), RampParams{});
    Script s;
    Type(f, RampForm::Period, "10", TimeUnitUs);
    f.SetText(RampForm::Final, "1");
    EXPECT_FALSE(f.OperationsEnabled());
    ASSERT_TRUE(f.Create(s));
    EXPECT_TRUE(f.OperationsEnabled());
    Type(f, RampForm::EditStart, "7", TimeUnitUs);
    f.SetText(RampForm::Final, "1");  // the same text: no change at all
    EXPECT_TRUE(f.PreviewCurrent());
    Type(f, RampForm::EditStart, "1000000");  // beyond the end: no operation, preview kept
    EXPECT_FALSE(f.OperationsEnabled());
    EXPECT_TRUE(f.PreviewCurrent());
    Type(f, RampForm::EditStart, "0");
    f.SetUnit(RampForm::Period, TimeUnitNs);  // 10 nS now
    EXPECT_FALSE(f.PreviewCurrent());
    EXPECT_TRUE(f.PreviewDrawn());  // the old curve stays, drawn pale
    EXPECT_FALSE(f.OperationsEnabled());
    EXPECT_TRUE(s.messages.empty());
}

TEST(GeneratorFrame, CreateRoundsThePeriodDownAndReportsFailures) {
    Doc d;
    RampForm f(d.Setup(0), RampParams{});
    Script s;
    Type(f, RampForm::Period, "0.07", TimeUnitUs);
    f.SetText(RampForm::Final, "1");
    ASSERT_TRUE(f.Create(s));
    ASSERT_EQ(s.messages.size(), 1u);
    EXPECT_EQ(s.messages[0], "サンプリング時間の整数倍にするため、[期間] を調節します。\n\n0.07 uS　→　0.06 uS");
    EXPECT_EQ(f.Field(RampForm::Period).text, "0.06");
    EXPECT_EQ(f.WorkCount(), 3u);
    EXPECT_TRUE(f.PreviewCurrent());  // the rewrite is the dialog's own, not a change

    // Values whose steps leave the range of numbers are refused, and the preview goes.
    f.SetText(RampForm::Initial, "-1e308");
    f.SetText(RampForm::Final, "1e308");
    EXPECT_FALSE(f.Create(s));
    EXPECT_EQ(s.messages.back(), "パラメータが不正です");
    EXPECT_FALSE(f.PreviewDrawn());
    EXPECT_FALSE(f.OperationsEnabled());
}

TEST(GeneratorFrame, ApplyWritesTheStretchCutAtTheEndAfterTheEditStartQuestion) {
    Doc d;
    DcForm f(d.Setup(Total - Dt), DcParams{});
    Script s;
    Type(f, DcForm::Period, "200");
    f.SetText(DcForm::Value, "-1");
    ASSERT_TRUE(f.Create(s));
    ASSERT_TRUE(f.Apply(GeneratorOperation::Replace, s));  // only the last sample
    EXPECT_EQ(d.samples[49998], 0.5);
    EXPECT_EQ(d.samples[49999], -1.0);
    EXPECT_EQ(d.samples[50000], 0.5);

    // Off the grid: Cancel writes nothing, OK writes from the rounded-down sample.
    Type(f, DcForm::EditStart, "0.00005", TimeUnitMs);
    s.answers = {false, true};
    EXPECT_FALSE(f.Apply(GeneratorOperation::Add, s));
    EXPECT_EQ(d.samples[2], 0.5);
    EXPECT_EQ(s.messages.back(),
              "サンプリング時間の整数倍にするため、[編集開始] を調節します。\n\n0.00005 mS　→　0.00004 mS");
    ASSERT_TRUE(f.Apply(GeneratorOperation::Add, s));
    EXPECT_EQ(d.samples[1], 0.5);
    for (int i = 2; i < 12; ++i) EXPECT_EQ(d.samples[i], -0.5) << i;
    EXPECT_EQ(d.samples[12], 0.5);
    EXPECT_EQ(f.Field(DcForm::EditStart).text, "0.00005");  // the field itself is not rewritten
}

TEST(SineForm, ChecksAndDerivedPhaseOrDelay) {
    Doc d;
    SineForm f(d.Setup(), SineParams{});
    Type(f, SineForm::Period, "1", TimeUnitMs);
    const struct {
        int id;
        std::string text;
        bool valid;
    } checks[] = {
        {SineForm::Amplitude, "0.0000009", false},
        {SineForm::Amplitude, "-0.000001", true},
        {SineForm::Repeat, "0", false},
        {SineForm::Repeat, "x", false},
        {SineForm::Repeat, "4294967294", true},
        {SineForm::Offset, "1.5V", false},
        {SineForm::Offset, "-.5", true},
    };
    for (const auto& c : checks) {
        f.SetText(c.id, c.text);
        EXPECT_EQ(Marked(f, c.id), !c.valid) << c.text;
    }
    Type(f, SineForm::T1, "79");
    EXPECT_TRUE(Marked(f, SineForm::T1));  // four samples per cycle at least
    f.SetText(SineForm::T1, "80");
    EXPECT_FALSE(Marked(f, SineForm::T1));

    // Delay mode: the delay is checked against t1 and the phase follows.
    f.SetUnit(SineForm::T1, TimeUnitMs);
    f.SetText(SineForm::T1, "1");
    EXPECT_EQ(f.Field(SineForm::Delay).unit, TimeUnitNs);  // it had a unit already
    for (const auto& [delay, phase] : std::vector<std::pair<std::string, std::string>>{
             {"250000", "-90.000"}, {"0", "0.000"}, {"1000000", ""}, {"-1000000", ""}}) {
        f.SetText(SineForm::Delay, delay);
        EXPECT_EQ(f.Field(SineForm::Phase).text, phase) << delay;
        EXPECT_EQ(Marked(f, SineForm::Delay), phase.empty()) << delay;
    }
    EXPECT_FALSE(f.Field(SineForm::Phase).enabled);

    // Phase mode: the delay is derived, halves away from zero, in its unit.
    f.SetText(SineForm::Delay, "0");
    Script s;
    ASSERT_TRUE(f.Create(s));
    f.SetMode(SineForm::PhaseMode);
    EXPECT_TRUE(f.PreviewCurrent());  // the radio alone changes nothing computed
    EXPECT_FALSE(f.Field(SineForm::Delay).enabled);
    for (const auto& [phase, delay] : std::vector<std::pair<std::string, std::string>>{
             {"90", "-250000"}, {"-90", "250000"}, {"0.0001", "0"}, {"0.00018", "-1"}, {"360", ""}, {"-360", ""}}) {
        f.SetText(SineForm::Phase, phase);
        EXPECT_EQ(f.Field(SineForm::Delay).text, delay) << phase;
        EXPECT_EQ(Marked(f, SineForm::Phase), delay.empty()) << phase;
    }
}

TEST(SineForm, DerivedDelayWithoutAUnitTakesTheAutomaticOneAndUnitListsFollow) {
    Doc d;
    SineParams m;
    m.period = 1000000;
    m.periodUnit = TimeUnitMs;
    m.t1 = 1000000;
    m.t1Unit = TimeUnitMs;
    m.mode = SineForm::PhaseMode;
    m.startPhaseDeg = 90;
    SineForm f(d.Setup(), m);
    EXPECT_EQ(f.Field(SineForm::Delay).text, "-250");
    EXPECT_EQ(f.Field(SineForm::Delay).unit, TimeUnitUs);

    SineForm g(d.Setup(), SineParams{});
    g.SetUnit(SineForm::Delay, TimeUnitS);
    EXPECT_EQ(g.Field(SineForm::T1).unit, TimeUnitS);  // the list without a unit follows
    g.SetUnit(SineForm::T1, TimeUnitUs);
    EXPECT_EQ(g.Field(SineForm::Delay).unit, TimeUnitS);  // one with a unit keeps it
}

TEST(RectangleForm, ChecksCycleAndStartPoint) {
    Doc d;
    RectangleForm f(d.Setup(), RectangleParams{});
    f.SetUnit(RectangleForm::T1, TimeUnitNs);  // all five time lists follow
    for (int id : {RectangleForm::T0, RectangleForm::T2, RectangleForm::T3, RectangleForm::T4})
        EXPECT_EQ(f.Field(id).unit, TimeUnitNs);
    Type(f, RectangleForm::Period, "1", TimeUnitUs);
    for (int id : {RectangleForm::T0, RectangleForm::T1, RectangleForm::T2, RectangleForm::T3, RectangleForm::T4})
        f.SetText(id, "0");
    f.SetText(RectangleForm::V1, "1");
    f.SetText(RectangleForm::V2, "-1");
    // All four times 0: each is fine but there is no cycle (and no start in it).
    for (int id : {RectangleForm::T1, RectangleForm::T2, RectangleForm::T3, RectangleForm::T4, RectangleForm::V1})
        EXPECT_FALSE(Marked(f, id)) << id;
    EXPECT_TRUE(Marked(f, RectangleForm::T0));
    EXPECT_FALSE(f.CreateEnabled());

    const struct {
        int id;
        std::string text;
        bool valid;
    } checks[] = {
        {RectangleForm::T1, "20", false}, {RectangleForm::T1, "40", true},       {RectangleForm::T2, "20", true},
        {RectangleForm::T3, "20", false}, {RectangleForm::T3, "0", true},        {RectangleForm::T4, "19", false},
        {RectangleForm::T4, "20", true},  {RectangleForm::T2, "1000020", false}, {RectangleForm::T2, "60", true},
    };
    for (const auto& c : checks) {
        f.SetText(c.id, c.text);
        EXPECT_EQ(Marked(f, c.id), !c.valid) << c.id << " " << c.text;
    }
    EXPECT_TRUE(f.CreateEnabled());  // cycle 40 + 60 + 0 + 20 = 120 ns

    // Time mode: -Tc < t0 < Tc; a negative start lies in the previous cycle.
    for (const auto& [t0, v0] : std::vector<std::pair<std::string, std::string>>{
             {"0", "-1.000"}, {"20", "0.000"}, {"50", "1.000"}, {"-10", "-1.000"}, {"120", ""}, {"-120", ""}}) {
        f.SetText(RectangleForm::T0, t0);
        EXPECT_EQ(f.Field(RectangleForm::V0).text, v0) << t0;
        EXPECT_EQ(Marked(f, RectangleForm::T0), v0.empty()) << t0;
    }

    // Voltage mode: the start is where the rise reaches v0.
    f.SetMode(RectangleForm::VoltageMode);
    for (const auto& [v0, t0] :
         std::vector<std::pair<std::string, std::string>>{{"1", "40"}, {"-1", "0"}, {"0", "20"}, {"1.01", ""}}) {
        f.SetText(RectangleForm::V0, v0);
        EXPECT_EQ(f.Field(RectangleForm::T0).text, t0) << v0;
    }
    // Equal levels mark both; then only v0 = v1 is accepted, at the cycle's start.
    f.SetText(RectangleForm::V2, "1");
    EXPECT_TRUE(Marked(f, RectangleForm::V1) && Marked(f, RectangleForm::V2));
    f.SetText(RectangleForm::V0, "1");
    EXPECT_FALSE(Marked(f, RectangleForm::V0));
    EXPECT_EQ(f.Field(RectangleForm::T0).text, "0");
}

TEST(ShapeForms, EqualValuesTimeConstantAndNoiseAmplitude) {
    Doc d;
    RampForm ramp(d.Setup(), RampParams{});
    EXPECT_TRUE(Marked(ramp, RampForm::Initial) && Marked(ramp, RampForm::Final));  // 0 and 0
    ramp.SetText(RampForm::Final, "0.1");
    EXPECT_FALSE(Marked(ramp, RampForm::Initial) || Marked(ramp, RampForm::Final));

    ExpForm exp(d.Setup(), ExpParams{});
    exp.SetText(ExpForm::Final, "1");
    Type(exp, ExpForm::Tau, "0");
    EXPECT_TRUE(Marked(exp, ExpForm::Tau));
    exp.SetText(ExpForm::Tau, "1");
    EXPECT_FALSE(Marked(exp, ExpForm::Tau));

    NoiseForm noise(d.Setup(), NoiseParams{0, -1, 0.0123456});
    EXPECT_EQ(noise.Field(NoiseForm::Amplitude).text, "12.346");
    EXPECT_EQ(noise.Field(NoiseForm::Amplitude).unit, NoiseForm::Rms);
    const struct {
        std::string text;
        int unit;
        std::string companion, companionUnit;
        bool valid;
    } amplitudes[] = {
        {"10", NoiseForm::Rms, "66.000", "mV p-p", true},     {"66", NoiseForm::PeakToPeak, "10.000", "mV rms", true},
        {"0.0005", NoiseForm::Rms, "0.003", "mV p-p", false}, {"0.001", NoiseForm::Rms, "0.007", "mV p-p", true},
        {"-3", NoiseForm::Rms, "-19.800", "mV p-p", false},   {"x", NoiseForm::Rms, "", "mV p-p", false},
    };
    for (const auto& a : amplitudes) {
        noise.SetUnit(NoiseForm::Amplitude, a.unit);
        noise.SetText(NoiseForm::Amplitude, a.text);
        EXPECT_EQ(noise.Field(NoiseForm::Companion).text, a.companion) << a.text;
        EXPECT_EQ(noise.Field(NoiseForm::CompanionUnit).text, a.companionUnit) << a.text;
        EXPECT_EQ(Marked(noise, NoiseForm::Amplitude), !a.valid) << a.text;
    }
    noise.SetUnit(NoiseForm::Amplitude, NoiseForm::PeakToPeak);
    noise.SetText(NoiseForm::Amplitude, "66");
    EXPECT_DOUBLE_EQ(noise.Sigma(), 0.01);
}

// The document's undo copy of the edit is made when the dialog opens; without
// memory for it the dialog's own message shows and the dialog never opens.
TEST(AnalogRunners, NoMemoryForTheUndoCopyShowsTheDialogsMessage) {
    CKDXDoc doc;
    ASSERT_TRUE(doc.NewWaveform(20, 50000));
    Script s;
    bool opened = false;
    {
        kdx::testing::FailLargeAllocations fail(100000);
        EXPECT_FALSE(RunDcDialog(doc, 0, s, [&](DcForm&) { return opened = true; }));
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(s.messages, std::vector<std::string>{MsgDcMemory});
    EXPECT_EQ(doc.GetEditCount(), 0);
}

TEST(AnalogRunners, OkStoresTheMemoryAndCommitsCancelChangesNothing) {
    CKDXDoc doc;
    ASSERT_TRUE(doc.NewWaveform(20, 50000));
    Script s;
    const int32_t id = doc.GetDataId();
    // Cancel: nothing stored, nothing committed.
    EXPECT_FALSE(RunSineDialog(doc, 10, s, [](SineForm& f) {
        Type(f, SineForm::Period, "5", TimeUnitUs);
        return false;
    }));
    EXPECT_EQ(doc.GetEditCount(), 0);
    EXPECT_EQ(doc.Memories().sineParams, SineParams{});

    const auto range = RunSineDialog(doc, 49990, s, [&s](SineForm& f) {
        Type(f, SineForm::Period, "1", TimeUnitUs);
        Type(f, SineForm::T1, "0.2", TimeUnitUs);
        f.SetText(SineForm::Delay, "0");  // empty until typed: no unit was stored
        f.SetText(SineForm::Amplitude, "1");
        f.SetText(SineForm::Repeat, "2");
        return f.Create(s) && f.Apply(GeneratorOperation::Replace, s);
    });
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 49990u);
    EXPECT_EQ(range->end, 50040u);  // past the end: the view cuts it
    EXPECT_EQ(doc.GetEditCount(), 1);
    EXPECT_NE(doc.GetDataId(), id);
    const SineParams& m = doc.Memories().sineParams;
    EXPECT_EQ(m.period, 1000);
    EXPECT_EQ(m.periodUnit, TimeUnitUs);
    EXPECT_EQ(m.t1, 200);
    EXPECT_EQ(m.t0Unit, TimeUnitUs);
    EXPECT_EQ(m.repeatCount, 2);
    EXPECT_NE(doc.GetAnalogSamples()[49991], 0.0);
    ASSERT_TRUE(doc.Undo().done);
    EXPECT_EQ(doc.GetAnalogSamples()[49991], 0.0);

    // The next opening shows the memory; a unit no list holds counts as none.
    doc.Memories().sineParams.t0Unit = 7;
    RunSineDialog(doc, 0, s, [](SineForm& f) {
        EXPECT_EQ(f.Field(SineForm::Period).text, "1");
        EXPECT_EQ(f.Field(SineForm::T1).text, "0.2");
        EXPECT_EQ(f.Field(SineForm::Amplitude).text, "1.000");
        EXPECT_EQ(f.Field(SineForm::Delay).unit, TimeUnitNone);
        EXPECT_EQ(f.Field(SineForm::Delay).text, "");
        return false;
    });
}
