// The waveform modification form: the copy and its adjustments, the copy
// button's states, the five calculations and their enabling, mouse strokes,
// and writing the copy back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analog/AnalogRunners.h"
#include "analog/ManualForm.h"
#include "document/KDXDoc.h"
#include "RecordingPrompts.h"

namespace kdx {
namespace {

using test::RecordingPrompts;

// 1000 samples of 20 ns holding i / 1000 V; the edit start 2 uS (sample 100).
struct Fixture {
    CKDXDoc doc;
    std::unique_ptr<ManualForm> form;
    RecordingPrompts prompts;
    Fixture() {
        doc.NewWaveform(20, 1000);
        for (uint32_t i = 0; i < 1000; ++i) doc.AnalogSamples()[i] = i / 1000.0;
        GeneratorSetup setup{{doc.GetTotalTime(), doc.GetSamplingTime()}, 2000, doc.AnalogSamples()};
        form = std::make_unique<ManualForm>(setup, ManualParams{});
    }
    // Copies n samples from sample first (times in nS).
    bool CopyRange(uint32_t first, uint32_t n) {
        form->SetUnit(ManualForm::CopyStart, TimeUnitNs);
        form->SetText(ManualForm::CopyStart, std::to_string(first * 20));
        form->SetUnit(ManualForm::CopyPeriod, TimeUnitNs);
        form->SetText(ManualForm::CopyPeriod, std::to_string(n * 20));
        return form->Copy(prompts);
    }
    const FieldState& F(int id) const { return form->Field(id); }
};

TEST(ManualForm, AdjustsTheCopyRangeWithOneMessage) {
    struct Case {
        std::string start, period;  // in nS
        std::string startAfter, periodAfter;
        std::string message;
        uint32_t copied;
    };
    const Case cases[] = {
        // Past the end: shortened to end at the total time, the field rewritten.
        {"19000", "5000", "19000", "1000", "", 50},
        {"10", "45", "0", "40",
         "サンプリング時間の整数倍にするため、[コピー開始] [コピー期間] を調節します。\n\n10 nS　→　0 nS\n45 nS　→　40 nS", 2},
        {"40", "45", "40", "40", "サンプリング時間の整数倍にするため、[コピー期間] を調節します。\n\n45 nS　→　40 nS", 2},
        {"19990", "100", "19980", "0", MsgInvalidParameters, 0},  // shorter than a sample once on the grid
        {"-20", "100", "-20", "100", MsgInvalidParameters, 0},
        {"30000", "100", "30000", "100", MsgInvalidParameters, 0},  // beyond the end: the period kept
        {"x", "100", "x", "100", MsgInvalidParameters, 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.form->SetUnit(ManualForm::CopyStart, TimeUnitNs);
        f.form->SetText(ManualForm::CopyStart, c.start);
        f.form->SetUnit(ManualForm::CopyPeriod, TimeUnitNs);
        f.form->SetText(ManualForm::CopyPeriod, c.period);
        EXPECT_EQ(f.form->Copy(f.prompts), c.copied > 0) << c.start;
        EXPECT_EQ(f.F(ManualForm::CopyStart).text, c.startAfter) << c.start;
        EXPECT_EQ(f.F(ManualForm::CopyPeriod).text, c.periodAfter) << c.start;
        std::string shown;
        for (const std::string& m : f.prompts.messages) shown += (shown.empty() ? "" : "|") + m;
        if (c.message == MsgInvalidParameters && c.startAfter != c.start) {
            EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
        } else {
            EXPECT_EQ(shown, c.message) << c.start;
        }
        EXPECT_EQ(f.form->CopiedCount(), c.copied) << c.start;
        EXPECT_EQ(f.form->Copied(), c.copied > 0) << c.start;
    }
}

TEST(ManualForm, CopyButtonFreezesReleasesAndDiscards) {
    Fixture f;
    EXPECT_FALSE(f.form->OperationsEnabled());
    ASSERT_TRUE(f.CopyRange(500, 10));
    EXPECT_EQ(f.form->Reference()[0], 0.5);
    EXPECT_EQ(f.form->Work()[9], 0.509);
    EXPECT_TRUE(f.form->CopyFrozen());
    EXPECT_FALSE(f.F(ManualForm::CopyPeriod).enabled);
    EXPECT_TRUE(f.form->OperationsEnabled());
    EXPECT_EQ(f.form->CopyStartTimeText(), "10 uS");
    EXPECT_EQ(f.form->CopyEndTimeText(), "10.2 uS");
    EXPECT_EQ(f.form->StartTimeText(), "2 uS");
    EXPECT_EQ(f.form->EndTimeText(), "2.2 uS");

    // "再コピー" releases the range and keeps the copy ...
    EXPECT_FALSE(f.form->Copy(f.prompts));
    EXPECT_FALSE(f.form->CopyFrozen());
    EXPECT_TRUE(f.F(ManualForm::CopyPeriod).enabled);
    EXPECT_TRUE(f.form->Copied());
    // ... until the range changes.
    f.form->SetText(ManualForm::CopyPeriod, "400");
    EXPECT_FALSE(f.form->Copied());
    EXPECT_FALSE(f.form->PreviewDrawn());
    EXPECT_FALSE(f.form->OperationsEnabled());
    EXPECT_TRUE(f.prompts.messages.empty());
}

TEST(ManualForm, CalculationsChangeTheWorkCopyOnly) {
    struct Case {
        int choice;
        std::string value;
        std::vector<double> expected;
    };
    // The copy holds 0.1, 0.2, 0.3, 0.4, 0.5 (mean 0.3).
    const Case cases[] = {
        {ManualForm::Amplify, "2", {0.2, 0.4, 0.6, 0.8, 1.0}},
        {ManualForm::LevelShift, "-0.1", {0.0, 0.1, 0.2, 0.3, 0.4}},
        {ManualForm::DcRemoval, "", {-0.2, -0.1, 0.0, 0.1, 0.2}},
        {ManualForm::UpperLimit, "0.25", {0.1, 0.2, 0.25, 0.25, 0.25}},
        {ManualForm::LowerLimit, "0.35", {0.35, 0.35, 0.35, 0.4, 0.5}},
    };
    const int fieldOf[] = {ManualForm::Gain, ManualForm::Shift, -1, ManualForm::Upper, ManualForm::Lower};
    for (const Case& c : cases) {
        Fixture f;
        for (int i = 0; i < 5; ++i) f.doc.AnalogSamples()[100 + i] = (i + 1) / 10.0;
        ASSERT_TRUE(f.CopyRange(100, 5));
        f.form->SetModification(c.choice);
        for (int id = ManualForm::Gain; id <= ManualForm::Lower; ++id)
            EXPECT_EQ(f.F(id).enabled, id == fieldOf[c.choice]) << c.choice;
        if (fieldOf[c.choice] >= 0) {
            f.form->SetText(fieldOf[c.choice], "junk");
            EXPECT_FALSE(f.form->ExecuteEnabled());
            EXPECT_TRUE(f.F(fieldOf[c.choice]).marker);
            f.form->SetText(fieldOf[c.choice], c.value);
        }
        ASSERT_TRUE(f.form->Execute(f.prompts));
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(f.form->Work()[i], c.expected[i], 1e-15) << c.choice << " " << i;
            EXPECT_EQ(f.form->Reference()[i], (i + 1) / 10.0);
        }
        // The choice is cleared: nothing more to execute.
        EXPECT_EQ(f.form->GetModification(), ManualForm::NoChoice);
        EXPECT_FALSE(f.form->ExecuteEnabled());
        EXPECT_FALSE(f.F(ManualForm::Gain).enabled);
    }
    Fixture f;
    f.form->SetModification(ManualForm::DcRemoval);
    EXPECT_FALSE(f.form->Execute(f.prompts));  // nothing copied

    // A result beyond the double range is refused and the copy kept.
    ASSERT_TRUE(f.CopyRange(500, 2));
    for (int step = 0; step < 2; ++step) {
        f.form->SetModification(ManualForm::Amplify);
        f.form->SetText(ManualForm::Gain, "1e308");
        EXPECT_EQ(f.form->Execute(f.prompts), step == 0);
    }
    EXPECT_DOUBLE_EQ(f.form->Work()[1], 0.501e308);
    EXPECT_EQ(f.prompts.messages, std::vector<std::string>{MsgInvalidParameters});
}

// A plot 100 pixels wide (left 10) and 241 high: 0.01 V per pixel row.
TEST(ManualForm, StrokesDrawTheSameLineEitherWay) {
    const PixelRect plot{10, 0, 109, 240};
    std::vector<double> lines[2];
    for (int way = 0; way < 2; ++way) {
        Fixture f;
        ASSERT_TRUE(f.CopyRange(0, 200));  // two samples per column
        if (way == 0) {
            f.form->DrawSegment(plot, 20, 120, 20, 120);
            f.form->DrawSegment(plot, 20, 120, 30, 20);
        } else {
            f.form->DrawSegment(plot, 30, 20, 30, 20);
            f.form->DrawSegment(plot, 30, 20, 20, 120);
        }
        lines[way].assign(f.form->Work(), f.form->Work() + 200);
    }
    EXPECT_EQ(lines[0], lines[1]);
    // Samples 20 .. 40 from 0.0 V towards 1.0 V in 21 steps; the rest untouched.
    EXPECT_EQ(lines[0][19], 0.019);
    EXPECT_DOUBLE_EQ(lines[0][20], 0.0);
    EXPECT_DOUBLE_EQ(lines[0][30], 10.0 / 21);
    EXPECT_DOUBLE_EQ(lines[0][40], 20.0 / 21);
    EXPECT_EQ(lines[0][41], 0.041);

    // Past either end of the plot only the copy's samples are written.
    Fixture f;
    ASSERT_TRUE(f.CopyRange(0, 50));
    f.form->DrawSegment(plot, -6, 0, 126, 0);
    for (uint32_t i = 0; i < 50; ++i) EXPECT_DOUBLE_EQ(f.form->Work()[i], 1.2) << i;
    EXPECT_TRUE(ManualForm::InDrawingArea(plot, -6, -16));
    EXPECT_TRUE(ManualForm::InDrawingArea(plot, 126, 256));
    EXPECT_FALSE(ManualForm::InDrawingArea(plot, -7, 0));
    EXPECT_FALSE(ManualForm::InDrawingArea(plot, 127, 0));
    EXPECT_EQ(f.form->RedrawColumns(plot, 50, 40), std::make_pair(33, 57));
}

TEST(ManualForm, RunnerWritesTheChangedCopyBack) {
    CKDXDoc doc;
    doc.NewWaveform(20, 1000);
    for (uint32_t i = 0; i < 1000; ++i) doc.AnalogSamples()[i] = i / 1000.0;
    RecordingPrompts prompts;
    // Doubled in place: the edit start (the cursor) is the copy start.
    const auto range = RunManualDialog(doc, 300, prompts, [&](ManualForm& form) {
        form.SetUnit(ManualForm::CopyPeriod, TimeUnitNs);
        form.SetText(ManualForm::CopyPeriod, "200");
        form.Copy(prompts);
        form.SetModification(ManualForm::Amplify);
        form.SetText(ManualForm::Gain, "2");
        form.Execute(prompts);
        return form.Apply(GeneratorOperation::Replace, prompts);
    });
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 300u);
    EXPECT_EQ(range->end, 310u);
    EXPECT_EQ(doc.GetAnalogSamples()[299], 0.299);
    EXPECT_EQ(doc.GetAnalogSamples()[300], 0.6);
    EXPECT_EQ(doc.GetAnalogSamples()[309], 0.618);
    EXPECT_EQ(doc.GetAnalogSamples()[310], 0.31);
    EXPECT_EQ(doc.Memories().manualParams, (ManualParams{200, TimeUnitNs, ManualForm::NoChoice, 2.0, 0.0, 1.0, -1.0}));
}

}  // namespace
}  // namespace kdx
