// User area, calibration, sample words and the command exchanges of both
// protocol generations against the in-process fake.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FakeD2xx.h"
#include "device/DeviceProtocol.h"

namespace kdx {
namespace {

using test::Bus;
using Bytes = std::vector<uint8_t>;

// code1 410 at -1 V, code2 3686 at +1 V: 1638 codes per volt, 0 V at 2048.
Bytes StandardUserArea(bool registerProtocol = true) {
    return test::MakeUserArea(registerProtocol, "VELX9-SN12345678", 410, 3686, -100000, 100000);
}

TEST(UserAreaTest, DecodesSelectorSerialAndCalibrationPoints) {
    const Bytes bytes = StandardUserArea(false);
    const UserArea area = DecodeUserArea(bytes.data());
    EXPECT_FALSE(area.useRegisterProtocol);
    EXPECT_EQ(area.serialText, "VELX9-SN12345678");  // fills its field with no terminator
    EXPECT_EQ(UserSerialNumber(area), "12345678");
    EXPECT_EQ(area.code2, 3686);
    EXPECT_EQ(area.volt1, -100000);
    EXPECT_TRUE(UserAreaChecksumValid(bytes.data()));
}

TEST(UserAreaTest, BadChecksumOrEqualVoltagesAreRefused) {
    Calibration calibration;
    Bytes bytes = StandardUserArea();
    bytes[0] ^= 1;
    EXPECT_EQ(CalibrationFromUserArea(bytes.data(), calibration), LINK_USER_AREA_INVALID);
    bytes = test::MakeUserArea(true, "", 100, 200, 5000, 5000);
    EXPECT_EQ(CalibrationFromUserArea(bytes.data(), calibration), LINK_USER_AREA_INVALID);
}

TEST(CalibrationTest, CodesFollowTheLineAndAreClamped) {
    Calibration calibration;
    Bytes bytes = StandardUserArea();
    ASSERT_EQ(CalibrationFromUserArea(bytes.data(), calibration), LINK_OK);
    EXPECT_DOUBLE_EQ(calibration.slope, 1638.0);
    EXPECT_DOUBLE_EQ(calibration.intercept, 2048.0);
    EXPECT_EQ(AnalogCode(1.0, calibration), 3686);  // the value at volt2 gives code2
    EXPECT_EQ(AnalogCode(-1.0, calibration), 410);
    EXPECT_EQ(AnalogCode(-1.3, calibration), 0);
    EXPECT_EQ(AnalogCode(1.3, calibration), 4095);
    EXPECT_EQ(AnalogCode(std::numeric_limits<double>::quiet_NaN(), calibration), 0);
    EXPECT_EQ(ZeroCode(calibration), 2048);

    // Points at +0.5 V and +1 V put 0 V below code 0: the zero code is not clamped.
    bytes = test::MakeUserArea(true, "", 100, 300, 50000, 100000);
    ASSERT_EQ(CalibrationFromUserArea(bytes.data(), calibration), LINK_OK);
    EXPECT_EQ(ZeroCode(calibration), static_cast<uint16_t>(-99));  // -99.5 truncated toward zero
    EXPECT_EQ(AnalogCode(0.0, calibration), 0);
}

// code1 316 at -0.86846 V, code2 3613 at +0.96646 V: 3297 codes over 1.83492 V.
// At 0.049 V the line lands exactly on 1964.5, which rounds half up to 1965.
// Dividing each voltage by 100000 before subtracting them rounds twice and
// puts the value a hair below the half, one code too low.
TEST(CalibrationTest, SlopeTakesTheVoltageDifferenceWhole) {
    const Bytes bytes = test::MakeUserArea(true, "", 316, 3613, -86846, 96646);
    Calibration calibration;
    ASSERT_EQ(CalibrationFromUserArea(bytes.data(), calibration), LINK_OK);
    EXPECT_EQ(AnalogCode(0.049, calibration), 1965);

    SampleBuffers samples;
    samples.analog[0] = 0.049;
    std::vector<uint8_t> words(SampleWordBufferSize);
    BuildSampleWords(calibration, false, ArraysOf(samples), 1, words.data());
    EXPECT_EQ(words[0] | (words[1] << 8), 1965);
}

class SampleWordsTest : public ::testing::Test {
protected:
    SampleBuffers samples;
    std::vector<uint8_t> words = std::vector<uint8_t>(SampleWordBufferSize, 0xEE);
    const Calibration unit{1.0, 0.0};  // the value is the code
};

TEST_F(SampleWordsTest, BothLayoutsLowByteFirstFromBitZeroOfEachChannel) {
    samples.analog[0] = 0xABC;
    samples.digital[0][0] = 1;
    samples.digital[1][0] = 2;  // only bit 0 counts
    samples.digital[2][0] = 3;
    samples.digital[3][0] = 1;
    BuildSampleWords(unit, true, ArraysOf(samples), 1, words.data());
    EXPECT_EQ(words[0], 0xCD);
    EXPECT_EQ(words[1], 0xAB);
    EXPECT_EQ(words[2], 0xEE);  // nothing beyond sampleCount

    BuildSampleWords(unit, false, ArraysOf(samples), 1, words.data());
    EXPECT_EQ(words[0], 0xBC);
    EXPECT_EQ(words[1], 0xDA);
}

TEST_F(SampleWordsTest, ClampsAndCoversAFullWaveform) {
    for (uint32_t i = 0; i < MaxSampleCount; ++i) {
        samples.analog[i] = (i % 2 == 0) ? -10.0 : 1e9;
    }
    BuildSampleWords(unit, true, ArraysOf(samples), MaxSampleCount + 5, words.data());
    EXPECT_EQ(words[0] | (words[1] << 8), 0);
    EXPECT_EQ(words[SampleWordBufferSize - 2] | (words[SampleWordBufferSize - 1] << 8), 4095 << 4);
}

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override { test::InstallFakeD2xx(); }
    void TearDown() override { FreeDeviceLibrary(); }
};

TEST_F(CommandTest, RegisterCommandsWriteTheCommandRegister) {
    EXPECT_EQ(StartOutput(nullptr, true), LINK_OK);
    EXPECT_EQ(StopOutput(nullptr, true), LINK_OK);
    EXPECT_EQ(ForceStopOutput(nullptr, true), LINK_OK);
    EXPECT_EQ(Bus().writes, (std::vector<Bytes>{{0xD2, 0, 0, 1, 0, 0x2D},
                                                {0xD2, 0, 0, 2, 0, 0x2D},
                                                {0xD2, 0, 0, 0x80, 0, 0x2D}}));
}

TEST_F(CommandTest, RegisterEchoOnlyInByteTwoMayDiffer) {
    Bus().corruptRead = 0;
    Bus().corruptByte = 2;
    EXPECT_EQ(StartOutput(nullptr, true), LINK_OK);
    for (int byte : {0, 1, 5}) {
        Bus().corruptRead = Bus().readCalls;
        Bus().corruptByte = byte;
        EXPECT_EQ(StartOutput(nullptr, true), LINK_TRANSFER_ERROR) << "byte " << byte;
    }
}

TEST_F(CommandTest, RegisterStatusAndSettingsReadBack) {
    Bus().registers[REG_STATUS] = 0x0321;
    Bus().registers[REG_REPEAT] = 0xFFFF;
    Bus().registers[REG_SETTINGS] = 0x0089;  // manual button, sync pulse 100 ns, bit 3 set and ignored
    DeviceStatus status;
    ASSERT_EQ(ReadDeviceStatus(nullptr, true, status), LINK_OK);
    EXPECT_EQ(status, (DeviceStatus{true, true, 3}));
    OutputSettings settings;
    ASSERT_EQ(ReadDeviceSettings(nullptr, true, settings), LINK_OK);
    EXPECT_EQ(settings.repeatCount, 65536);
    EXPECT_EQ(settings.startStopControl, 1);
    EXPECT_EQ(settings.syncPulseWidth, 1);
    EXPECT_EQ(settings.outputMode, 0);
    EXPECT_EQ(Bus().writes.size(), 3u);
    EXPECT_EQ(Bus().writes[1][2], REG_REPEAT);
    EXPECT_EQ(Bus().writes[2][2], REG_SETTINGS);
}

TEST_F(CommandTest, BlockCommandsSendOnlyTheHeaderAndCheckTheReply) {
    Bus().registerProtocol = false;
    EXPECT_EQ(StartOutput(nullptr, false), LINK_OK);
    EXPECT_EQ(StopOutput(nullptr, false), LINK_OK);
    EXPECT_EQ(ForceStopOutput(nullptr, false), LINK_OK);
    EXPECT_EQ(Bus().writes, (std::vector<Bytes>{{1, 1, 0, 0}, {2, 1, 0, 0}, {3, 1, 0, 0}}));
    EXPECT_TRUE(Bus().pending.empty());  // the reply block was read too

    Bus().blockStatus = 2;
    EXPECT_EQ(StartOutput(nullptr, false), LINK_DEVICE_REFUSED);
    Bus().blockStatus = 1;
    EXPECT_EQ(StartOutput(nullptr, false), LINK_TRANSFER_ERROR);
    Bus().blockStatus = 0;  // a wrong command byte fails even with status 0
    Bus().blockCommandOverride = 0x02;
    EXPECT_EQ(StartOutput(nullptr, false), LINK_TRANSFER_ERROR);
}

TEST_F(CommandTest, BlockQueryGivesStatusAndSettings) {
    Bus().registerProtocol = false;
    Bus().blockState = 0x02;
    ParameterBlock held;
    held.waveform = {77, 1000, 5};
    held.settings.startStopControl = 2;
    held.settings.repeatCount = 12;
    held.version = 2;
    EncodeParameterBlock(held, Bus().replyBlock.data());

    DeviceStatus status;
    ASSERT_EQ(ReadDeviceStatus(nullptr, false, status), LINK_OK);
    EXPECT_EQ(status, (DeviceStatus{false, true, 2}));
    OutputSettings settings;
    DeviceWaveformInfo waveform;
    ASSERT_EQ(ReadDeviceSettings(nullptr, false, settings, &waveform), LINK_OK);
    EXPECT_EQ(settings, held.settings);
    EXPECT_EQ(waveform.sampleCount, 1000u);
    EXPECT_EQ(Bus().writes, (std::vector<Bytes>{{0x20, 1, 0, 0}, {0x20, 1, 0, 0}}));
}

}  // namespace
}  // namespace kdx
