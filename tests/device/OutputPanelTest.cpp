// What the output dialog shows and takes over, and the start-up choice of
// generator, without a window or a generator.
#include <gtest/gtest.h>

#include <map>

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

TEST(OutputPanelTest, ReadDialogSettingsFromTheControls) {
    OutputSettings before;
    before.repeatCount = 12;
    before.syncPulseWidth = 1;
    OutputControls controls = ControlsFromSettings(before);
    EXPECT_EQ(controls.repeatText, "12");
    EXPECT_EQ(controls.radios[GroupSyncPulseWidth], 1);

    // Radios are taken whatever the count says; a group with none checked keeps its value.
    controls.radios = {2, 1, 1, 1, 1, 1, 1, -1, 1};
    struct Row {
        const char* text;
        bool ok;
        int32_t count;
    };
    const Row repeat[] = {{"65536", true, 65536}, {"1", true, 1},    {"0", false, 12},
                          {"65537", false, 12},   {"abc", false, 12}, {"", false, 12}};
    for (const Row& r : repeat) {
        OutputSettings s = before;
        controls.repeatText = r.text;
        EXPECT_EQ(ReadDialogSettings(controls, s), r.ok) << r.text;
        EXPECT_EQ(s.repeatCount, r.count) << r.text;
        EXPECT_EQ(s.startStopControl, 2);
        EXPECT_EQ(s.retrigger, 1);
        EXPECT_EQ(s.syncPulseWidth, 1);
    }
    // Continuous mode ignores the text.
    OutputSettings s = before;
    controls.radios[GroupOutputMode] = 0;
    controls.repeatText = "abc";
    EXPECT_TRUE(ReadDialogSettings(controls, s));
    EXPECT_EQ(s.repeatCount, 12);

    // A value no radio stands for (from a file) checks none.
    before.startStopControl = 7;
    EXPECT_EQ(ControlsFromSettings(before).radios[GroupStartStopControl], -1);
}

TEST(OutputPanelTest, MarksEnablingAndTheLockedPulseWidth) {
    OutputSettings device;
    device.startStopControl = 2;
    device.outputMode = 1;
    device.triggerPolarity = 1;
    device.syncPulseWidth = 9;  // outside its group: no mark
    device.repeatCount = 65536;
    const RadioChoices marks = GeneratorMarks(device, true);
    EXPECT_EQ(marks, (RadioChoices{2, 1, 0, 0, 0, 1, 0, -1, 0}));
    EXPECT_EQ(GeneratorRepeatText(device, true), "65536");
    RadioChoices none;
    none.fill(-1);
    EXPECT_EQ(GeneratorMarks(device, false), none);
    EXPECT_EQ(GeneratorRepeatText(device, false), "");

    struct Row {
        int8_t control;
        bool retriggerSupported;
        TriggerEnabling enabled;
    };
    const Row rows[] = {{0, true, {false, false}}, {1, true, {false, false}}, {-1, true, {false, false}},
                        {2, false, {true, false}}, {2, true, {true, true}}};
    for (const Row& r : rows) EXPECT_EQ(TriggerGroupsEnabled(r.control, r.retriggerSupported), r.enabled);

    EXPECT_EQ(LockedPulseWidthChoice(true, 0), 1);  // 10 uS: "100 nS" may not be chosen
    EXPECT_EQ(LockedPulseWidthChoice(true, 1), 0);
    EXPECT_EQ(LockedPulseWidthChoice(false, 0), -1);
}

// The settings file's device sections in memory.
struct MemoryStore : DeviceListStore {
    std::map<std::string, std::map<std::string, std::string>> sections;
    int edits = 0;
    std::string Read(std::string_view section, std::string_view key) override {
        const auto s = sections.find(std::string(section));
        if (s == sections.end()) return {};
        const auto k = s->second.find(std::string(key));
        return k == s->second.end() ? std::string() : k->second;
    }
    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        sections[std::string(section)][std::string(key)] = value;
        ++edits;
    }
    void RemoveSection(std::string_view section) override {
        sections.erase(std::string(section));
        ++edits;
    }
};

TEST(OutputSelectionTest, DeviceListIsRenumberedInTheNewForm) {
    MemoryStore store;
    store.sections["VELX-9.Device1"] = {{"SerialNo", "20260001"}, {"Description", "左"}};
    store.sections["VELX-9.Device3"] = {{"USBSerialNo", "QZ10010007"}, {"UserSerialNo", "20260007"}};
    store.sections["VELX-9.Device5"] = {{"Description", "no serial"}};
    store.sections["VELX-9.Device7"] = {{"UserSerialNo", "ignored"}, {"SerialNo", "20260009"}};
    const std::vector<DeviceEntry> list = LoadDeviceList(store);
    EXPECT_EQ(list, (std::vector<DeviceEntry>{{"20260001", "左"}, {"20260007", ""}, {"20260009", ""}}));
    using Keys = std::map<std::string, std::string>;
    EXPECT_EQ(store.sections, (std::map<std::string, Keys>{
                                  {"VELX-9.Device1", {{"SerialNo", "20260001"}, {"Description", "左"}}},
                                  {"VELX-9.Device2", {{"SerialNo", "20260007"}, {"Description", ""}}},
                                  {"VELX-9.Device3", {{"SerialNo", "20260009"}, {"Description", ""}}}}));
}

TEST(OutputSelectionTest, StartUpDecisionAndPrefix) {
    EXPECT_EQ(DecideOutputStartup(1, false), OutputStartup::Unavailable);
    EXPECT_EQ(DecideOutputStartup(2, false), OutputStartup::Unavailable);
    EXPECT_EQ(DecideOutputStartup(1, true), OutputStartup::FirstGenerator);
    EXPECT_EQ(DecideOutputStartup(255, true), OutputStartup::Choose);
    EXPECT_EQ(TitlePrefixFor({"20260001", "", false}), "[20260001] ");
    EXPECT_EQ(TitlePrefixFor({"20260001", "ベンチ1", false}), "[ベンチ1] ");

    // Without a choice to make, no dialog runs and no section is touched.
    MemoryStore store;
    store.sections["VELX-9.Device4"] = {{"SerialNo", "20260004"}};
    int asked = 0;
    const auto choose = [&](std::vector<DeviceEntry>&) { return ++asked, 0; };
    for (bool loaded : {false, true}) {
        const OutputDeviceChoice choice = ChooseOutputDevice(1, loaded, store, choose);
        EXPECT_EQ(choice.outputAvailable, loaded);
        EXPECT_EQ(choice.titlePrefix, "");
        EXPECT_EQ(choice.serial, "");
    }
    EXPECT_EQ(ChooseOutputDevice(3, false, store, choose).titlePrefix, "");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(store.edits, 0);
}

TEST(OutputSelectionTest, SelectFormEditsTheChosenName) {
    DeviceSelectForm form({{"20260001", "a", false}, {"20260002", "", true}});
    EXPECT_FALSE(form.EntryChosen());
    EXPECT_FALSE(form.EditName("x"));  // nothing chosen: nothing to name
    form.Select(1);
    EXPECT_TRUE(form.EntryChosen());
    EXPECT_EQ(form.NameText(), "");
    EXPECT_TRUE(form.EditName("右"));
    EXPECT_FALSE(form.EditName("右"));
    EXPECT_EQ(form.Entries()[1].displayName, "右");
    form.Select(5);
    EXPECT_EQ(form.Selected(), -1);
    EXPECT_EQ(form.NameText(), "");
}

}  // namespace
}  // namespace kdx
