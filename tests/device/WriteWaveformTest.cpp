// A whole data set, byte for byte, in both generations, and every failing
// step ending it with nothing sent after it.
#include <gtest/gtest.h>

#include "FakeD2xx.h"
#include "device/DeviceProtocol.h"

namespace kdx {
namespace {

using test::Bus;
using Bytes = std::vector<uint8_t>;

class WriteWaveformTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::InstallFakeD2xx();
        Bus().userArea = test::MakeUserArea(true, "", 410, 3686, -100000, 100000);  // 0 V at 2048, 1638 per volt
        Bus().registers[REG_DATA_READY] = 1;  // the previous waveform was complete
        // Three samples: 0 V, +1 V, -1 V; CH2's byte 2 counts as 0.
        const double analog[] = {0.0, 1.0, -1.0};
        const uint8_t channels[4][3] = {{1, 0, 1}, {0, 1, 0}, {0, 0, 2}, {1, 1, 0}};
        for (int i = 0; i < 3; ++i) {
            samples.analog[i] = analog[i];
            for (int c = 0; c < 4; ++c) {
                samples.digital[c][i] = channels[c][i];
            }
        }
        settings.startStopControl = 2;
        settings.outputMode = 1;
        settings.analogIdleOutput = 1;
        settings.triggerMode = 1;
        settings.syncPolarity = 1;
        settings.repeatCount = 300;
        settings.retrigger = 1;
    }
    void TearDown() override { FreeDeviceLibrary(); }

    LinkStatus Send(bool registerProtocol, uint32_t count = 3, uint32_t step = 70000) {
        Bus().registerProtocol = registerProtocol;
        Calibration calibration;
        LinkStatus status = ReadCalibration(nullptr, calibration);
        if (status != LINK_OK) {
            return status;
        }
        BuildSampleWords(calibration, registerProtocol, ArraysOf(samples), count, words.data());
        return WriteWaveform(nullptr, registerProtocol, settings, count, step, 0x12345678, calibration, words.data());
    }

    SampleBuffers samples;
    OutputSettings settings;
    std::vector<uint8_t> words = std::vector<uint8_t>(SampleWordBufferSize);
};

const std::vector<Bytes> RegisterSequence = {
    {0xD2, 0, 9, 0x00, 0x00, 0x2D},  // data ready 0
    {0xD2, 0, 6, 0x2B, 0x01, 0x2D},  // repeat 300 - 1
    {0xD2, 0, 7, 0x56, 0x05, 0x2D},  // settings word
    {0xD2, 0, 3, 0x00, 0x00, 0x2D},  // last sample 2, high then low
    {0xD2, 0, 2, 0x02, 0x00, 0x2D},
    {0xD2, 0, 5, 0x01, 0x00, 0x2D},  // divider 69999 = 0x1116F, high then low
    {0xD2, 0, 4, 0x6F, 0x11, 0x2D},
    {0xD2, 0, 8, 0x00, 0x08, 0x2D},  // zero code 2048
    {0xD2, 0, 0, 0x10, 0x00, 0x2D},  // sample data follows
    {0x09, 0x80, 0x6A, 0xE6, 0xA1, 0x19},
    {0xB4, 0, 1, 0x00, 0x00, 0x4B},  // status: transfer error?
    {0xD2, 0, 9, 0x01, 0x00, 0x2D},  // data ready 1
};

TEST_F(WriteWaveformTest, RegisterGenerationSendsTheExactSequence) {
    ASSERT_EQ(Send(true), LINK_OK);
    EXPECT_EQ(Bus().writes, RegisterSequence);
    EXPECT_EQ(Bus().registers[REG_DATA_READY], 1);
}

TEST_F(WriteWaveformTest, BlockGenerationSendsHeaderParametersAndWords) {
    ASSERT_EQ(Send(false), LINK_OK);
    Bytes block(256);
    const Bytes head = {0x78, 0x56, 0x34, 0x12, 3, 0, 0, 0, 0x70, 0x11, 0x01, 0, 0x2C, 0x01, 0, 0,
                        2,    1,    1,    0,    1, 0, 1, 0, 0,    0,    1};
    std::copy(head.begin(), head.end(), block.begin());
    EXPECT_EQ(Bus().writes, (std::vector<Bytes>{{0x10, 1, 0, 0}, block, {0x00, 0x98, 0x66, 0xAE, 0x9A, 0x11}}));
    EXPECT_TRUE(Bus().pending.empty());
}

TEST_F(WriteWaveformTest, OneSampleAtTheShortestStep) {
    ASSERT_EQ(Send(true, 1, 1), LINK_OK);
    for (int i = 3; i <= 6; ++i) {
        EXPECT_EQ(Bus().writes[i][3] | Bus().writes[i][4], 0) << "register " << int(Bus().writes[i][2]);
    }
    test::InstallFakeD2xx();
    Bus().userArea = test::MakeUserArea(false, "", 410, 3686, -100000, 100000);
    ASSERT_EQ(Send(false, 1, 1), LINK_OK);
    EXPECT_EQ(Bus().writes[1][4], 1);
    EXPECT_EQ(Bus().writes[1][8], 1);
}

TEST_F(WriteWaveformTest, RepeatCountOf65536FillsTheRegister) {
    settings.repeatCount = 65536;
    ASSERT_EQ(Send(true), LINK_OK);
    EXPECT_EQ(Bus().writes[1], (Bytes{0xD2, 0, 6, 0xFF, 0xFF, 0x2D}));
}

TEST_F(WriteWaveformTest, InvalidUserAreaSendsNothing) {
    Bus().userArea[30] ^= 1;
    EXPECT_EQ(Send(true), LINK_USER_AREA_INVALID);
    EXPECT_TRUE(Bus().writes.empty());
}

TEST_F(WriteWaveformTest, RegisterFailureAtAnyStepStopsThereWithDataReadyZero) {
    struct Fault {
        const char* name;
        int test::FakeBus::*index;
        bool shortCount;
        LinkStatus expected;
    };
    const Fault faults[] = {{"write fails", &test::FakeBus::failWrite, false, 4},
                            {"short write", &test::FakeBus::failWrite, true, LINK_TRANSFER_ERROR},
                            {"read fails", &test::FakeBus::failRead, false, 4},
                            {"short read", &test::FakeBus::failRead, true, LINK_TRANSFER_ERROR},
                            {"wrong echo", &test::FakeBus::corruptRead, false, LINK_TRANSFER_ERROR}};
    for (const Fault& fault : faults) {
        // Writes 0..11; reads follow every write except the sample data (write 9).
        const int steps = fault.index == &test::FakeBus::failWrite ? 12 : 11;
        for (int step = 0; step < steps; ++step) {
            SetUp();
            Bus().*fault.index = step;
            Bus().failShort = fault.shortCount;
            Bus().corruptByte = 5;
            const int lastWrite = fault.index == &test::FakeBus::failWrite ? step : (step < 9 ? step : step + 1);
            EXPECT_EQ(Send(true), fault.expected) << fault.name << " at " << step;
            EXPECT_EQ(Bus().writes.size(), static_cast<size_t>(lastWrite + 1)) << fault.name << " at " << step;
            // A lost reply to the final write leaves the generator's own flag set;
            // every earlier failure leaves it cleared.
            if (step > 0 && lastWrite < 11) {
                EXPECT_EQ(Bus().registers[REG_DATA_READY], 0) << fault.name << " at " << step;
            }
        }
    }
}

TEST_F(WriteWaveformTest, TransferErrorFlagAfterTheDataKeepsDataReadyZero) {
    Bus().registers[REG_STATUS] = StatusTransferErrorBit;
    EXPECT_EQ(Send(true), LINK_TRANSFER_ERROR);
    EXPECT_EQ(Bus().writes.size(), 11u);
    EXPECT_EQ(Bus().registers[REG_DATA_READY], 0);
}

TEST_F(WriteWaveformTest, BlockFailureAtAnyStepStopsThere) {
    for (int step = 0; step < 3; ++step) {
        SetUp();
        Bus().failWrite = step;
        EXPECT_EQ(Send(false), 4);
        EXPECT_EQ(Bus().writes.size(), static_cast<size_t>(step + 1));
        EXPECT_EQ(Bus().readCalls, 0);
    }
    SetUp();
    Bus().failRead = 1;
    Bus().failShort = true;
    EXPECT_EQ(Send(false), LINK_TRANSFER_ERROR);  // reply block cut short
    SetUp();
    Bus().blockStatus = 2;
    EXPECT_EQ(Send(false), LINK_DEVICE_REFUSED);
}

TEST_F(WriteWaveformTest, NoSamplesMeansNoTransfer) {
    EXPECT_EQ(WriteWaveform(nullptr, true, settings, 0, 1, 0, {}, words.data()), LINK_NO_TRANSFER);
    EXPECT_EQ(WriteWaveform(nullptr, false, settings, MaxSampleCount + 1, 1, 0, {}, words.data()), LINK_NO_TRANSFER);
    EXPECT_TRUE(Bus().writes.empty());
}

}  // namespace
}  // namespace kdx
