// What the output dialog shows and takes over, and the start-up choice of
// generator, without a window or a generator.
#include <gtest/gtest.h>

#include "device/OutputPanel.h"
#include "device/OutputSelection.h"

namespace kdx {
namespace {

TEST(OutputPanelTest, Caption) {
    struct Row {
        const char* serial;
        const char* name;
        bool waveform;
        const char* caption;
    };
    const Row rows[] = {
        {"", "", false, "波形出力"},
        {"", "", true, "波形出力 - a.kdx"},
        {"20260001", "", false, "波形出力 - [20260001] "},
        {"20260001", "ベンチ1", true, "波形出力 - [ベンチ1] a.kdx"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(OutputCaption(OutputDialogTitle, r.serial, r.name, r.waveform, "a.kdx"), r.caption);
    }
}

TEST(OutputPanelTest, ControlsTakenOverAndMarked) {
    OutputSettings before;
    before.repeatCount = 12;
    before.syncPulseWidth = 1;
    before.startStopControl = 7;  // a value from a file no radio stands for
    OutputControls controls = ControlsFromSettings(before);
    EXPECT_EQ(controls.radios, (RadioChoices{-1, 0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(controls.repeatText, "12");

    // The radios are taken even when the count is refused; a group with none
    // checked keeps its value.
    controls.radios = {-1, 1, 1, 1, 1, 1, 1, 0, 1};
    controls.repeatText = "0";
    OutputSettings s = before;
    EXPECT_FALSE(ReadDialogSettings(controls, s));
    EXPECT_EQ(s.startStopControl, 7);
    EXPECT_EQ(s.outputMode, 1);
    EXPECT_EQ(s.syncPulseWidth, 0);
    EXPECT_EQ(s.retrigger, 1);
    EXPECT_EQ(s.repeatCount, 12);

    // Marks only for known settings, and only for values a radio stands for.
    EXPECT_EQ(GeneratorMarks(before, true), (RadioChoices{-1, 0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(GeneratorMarks(before, false), (RadioChoices{-1, -1, -1, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(GeneratorRepeatText(before, false), "");
    EXPECT_EQ(LockedPulseWidthChoice(true, 1), 0);  // 100 nS: "10 uS" may not be chosen
    EXPECT_EQ(LockedPulseWidthChoice(false, 1), -1);
}

TEST(OutputSelectionTest, StartUpDecisionAndPrefix) {
    EXPECT_EQ(DecideOutputStartup(1, false), OutputStartup::Unavailable);
    EXPECT_EQ(DecideOutputStartup(2, false), OutputStartup::Unavailable);
    EXPECT_EQ(DecideOutputStartup(1, true), OutputStartup::FirstGenerator);
    EXPECT_EQ(DecideOutputStartup(255, true), OutputStartup::Choose);
    EXPECT_EQ(TitlePrefixFor({"20260001", "", false}), "[20260001] ");
    EXPECT_EQ(TitlePrefixFor({"20260001", "ベンチ1", false}), "[ベンチ1] ");
}

TEST(OutputSelectionTest, SelectFormEditsOnlyTheChosenName) {
    DeviceSelectForm form({{"20260001", "a", false}, {"20260002", "", true}});
    EXPECT_FALSE(form.EditName("x"));  // nothing chosen: nothing to name
    form.Select(1);
    EXPECT_TRUE(form.EditName("右"));
    EXPECT_FALSE(form.EditName("右"));
    EXPECT_EQ(form.Entries()[1].displayName, "右");
    form.Select(5);
    EXPECT_FALSE(form.EntryChosen());
    EXPECT_EQ(form.NameText(), "");
}

}  // namespace
}  // namespace kdx
