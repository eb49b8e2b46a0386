// The output panel's serial conversion, repeat-count check and poll table.
#include <gtest/gtest.h>

#include "device/OutputRules.h"

namespace kdx {
namespace {

TEST(OutputRulesTest, UsbSerialFromTheLastFourCharacters) {
    EXPECT_EQ(UsbSerialFromUserSerial("12340002"), "QZ00000002");
    EXPECT_EQ(UsbSerialFromUserSerial("12345678"), "QZ10015678");
    EXPECT_EQ(UsbSerialFromUserSerial("78"), "QZ100178");
    EXPECT_EQ(UsbSerialFromUserSerial(""), "");
}

// The generator's own report outweighs the memory of a transfer: it may have
// been written by another program since.
TEST(OutputRulesTest, HeldWaveformFromTheTransferAndTheReport) {
    const DeviceWaveformInfo now{5, 1000, 1}, sent{4, 1000, 1}, foreign{9, 1000, 1};
    const std::optional<DeviceWaveformInfo> none;
    const struct {
        bool loaded;
        std::optional<DeviceWaveformInfo> sent, reported;
        HeldWaveform held;
    } cases[] = {
        {true, now, none, HeldWaveform::Current},     {true, sent, none, HeldWaveform::Earlier},
        {false, now, now, HeldWaveform::Unknown},     {true, none, none, HeldWaveform::Unknown},
        {true, none, now, HeldWaveform::Current},     {true, sent, sent, HeldWaveform::Earlier},
        {true, sent, foreign, HeldWaveform::Other},   {true, now, foreign, HeldWaveform::Other},
        {true, none, DeviceWaveformInfo{5, 999, 1}, HeldWaveform::Other},
    };
    for (const auto& c : cases) EXPECT_EQ(JudgeHeldWaveform(c.loaded, now, c.sent, c.reported), c.held);
}

TEST(OutputRulesTest, RepeatCountOnlyCheckedInRepeatMode) {
    int32_t count = 7;
    for (const char* bad : {"0", "65537", "abc", "", "-1", "4294967295"}) {
        EXPECT_FALSE(ReadRepeatCountText(bad, 1, count)) << bad;
        EXPECT_EQ(count, 7);
    }
    EXPECT_TRUE(ReadRepeatCountText("65536", 1, count));
    EXPECT_EQ(count, 65536);
    EXPECT_TRUE(ReadRepeatCountText("xyz", 0, count));
    EXPECT_EQ(count, 65536);

    OutputSettings settings;
    settings.repeatCount = 0;
    EXPECT_TRUE(RepeatCountAcceptable(settings));
    settings.outputMode = 1;
    EXPECT_FALSE(RepeatCountAcceptable(settings));
    settings.repeatCount = 65536;
    EXPECT_TRUE(RepeatCountAcceptable(settings));
}

TEST(OutputRulesTest, PollTable) {
    struct Row {
        bool running, dataLoaded;
        uint8_t control, mode;
        DisplayState state;
        PanelButtons buttons;
    };
    const Row rows[] = {
        {false, false, 0, 0, DisplayState::NotConfigured, {false, true, false, false}},
        {false, false, 2, 0, DisplayState::NotConfigured, {false, true, false, true}},
        {false, true, 0, 1, DisplayState::Ready, {true, true, true, false}},
        {false, true, 2, 0, DisplayState::Ready, {true, true, false, true}},
        {true, true, 0, 0, DisplayState::Running, {false, false, true, true}},
        {true, true, 0, 1, DisplayState::Running, {false, false, false, true}},
        {true, false, 0, 0, DisplayState::Error, {false, true, false, false}},
    };
    for (const Row& row : rows) {
        const PollView view = DerivePollView(row.running, row.dataLoaded, row.control, row.mode, true);
        EXPECT_EQ(view.state, row.state) << StatusText(row.state);
        EXPECT_EQ(view.buttons, row.buttons) << StatusText(row.state);
    }
    // Manual-button control never offers start or stop; no waveform, no transfer.
    for (bool running : {false, true}) {
        for (bool loaded : {false, true}) {
            EXPECT_FALSE(DerivePollView(running, loaded, 1, 0, true).buttons.startStopEnabled);
            EXPECT_FALSE(DerivePollView(running, loaded, 1, 0, false).buttons.dataTransferEnabled);
        }
    }
}

TEST(OutputRulesTest, Texts) {
    EXPECT_STREQ(StatusText(DisplayState::Ready), "VELX-9 レディ");
    EXPECT_STREQ(StatusText(DisplayState::None), "");
    EXPECT_EQ(VersionText(0), "");
    EXPECT_EQ(VersionText(12), "Ver.12");
}

}  // namespace
}  // namespace kdx
