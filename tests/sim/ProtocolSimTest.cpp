// Whole data sets, commands and reads in both protocol generations against the
// simulated generator: the exact bytes it receives, and where every injected
// fault stops the operation.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SimHarness.h"
#include "device/DeviceProtocol.h"

namespace kdx::simtest {
namespace {

// Five samples covering both clamps, the calibration points, 0 V and a
// channel byte of 2 (only bit 0 counts).
struct KnownDocument {
    SampleBuffers buffers;
    uint32_t count = 5;
    uint32_t step = 50;
    int32_t dataId = 0x12345678;
    OutputSettings settings;

    KnownDocument() {
        const double analog[5] = {-1.0, 0.0, 1.0, 2.0, -2.0};
        const uint8_t ch[4][5] = {{1, 0, 0, 0, 2}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 1}};
        for (int i = 0; i < 5; ++i) {
            buffers.analog[size_t(i)] = analog[i];
            for (int c = 0; c < 4; ++c) buffers.digital[size_t(c)][size_t(i)] = ch[c][i];
        }
        settings.startStopControl = 2;
        settings.outputMode = 1;
        settings.analogIdleOutput = 1;
        settings.digitalIdleOutput = 0;
        settings.triggerMode = 1;
        settings.triggerPolarity = 0;
        settings.syncPolarity = 1;
        settings.syncPulseWidth = 1;
        settings.repeatCount = 300;
        settings.retrigger = 1;
    }
};

// Default calibration of the simulator: -1 V at 410, +1 V at 3686, so the
// codes are 410, 2048, 3686, 4095 (clamped) and 0 (clamped).
const Bytes RegisterWords = Frame({0xA1, 0x19, 0x02, 0x80, 0x64, 0xE6, 0xF8, 0xFF, 0x08, 0x00});
const Bytes BlockWords = Frame({0x9A, 0x11, 0x00, 0x28, 0x66, 0x4E, 0xFF, 0x8F, 0x00, 0x80});

Bytes WriteFrame(int reg, int value) {
    return Frame({0xD2, 0x00, reg, value & 0xFF, value >> 8, 0x2D});
}

const std::vector<Bytes> RegisterDataSet = {
    WriteFrame(9, 0),       WriteFrame(6, 299),   WriteFrame(7, 0x05D6), WriteFrame(3, 0),
    WriteFrame(2, 4),       WriteFrame(5, 0),     WriteFrame(4, 49),     WriteFrame(8, 0x0800),
    WriteFrame(0, 0x10),    RegisterWords,        Frame({0xB4, 0x00, 0x01, 0x00, 0x00, 0x4B}),
    WriteFrame(9, 1)};

Bytes BlockParameters() {
    Bytes b(256, 0);
    const uint8_t head[27] = {0x78, 0x56, 0x34, 0x12, 5, 0, 0, 0, 50, 0, 0, 0, 0x2C, 0x01, 0,
                              0,    2,    1,    1,    0, 1, 0, 1, 1, 0, 0, 1};
    std::copy(std::begin(head), std::end(head), b.begin());
    return b;
}

json Generator(const char* protocol, json faults = json::object()) {
    return {{"protocol", protocol}, {"faults", std::move(faults)}};
}

class ProtocolSim : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(Sim().unsupportedCalls(), 0);
        EXPECT_EQ(Sim().openHandles(), 0);
    }

    // The output panel's transfer: open, user area, calibration, words, write.
    LinkStatus Send(const KnownDocument& doc) {
        DeviceHandle h = nullptr;
        LinkStatus status = OpenGenerator(nullptr, h);
        if (status != LINK_OK) return status;
        uint8_t area[UserAreaSize];
        status = ReadUserArea(h, area);
        const bool registerProtocol = DecodeUserArea(area).useRegisterProtocol;
        Calibration calibration;
        if (status == LINK_OK) status = ReadCalibration(h, calibration);
        if (status == LINK_OK) {
            BuildSampleWords(calibration, registerProtocol, ArraysOf(doc.buffers), doc.count, words.data());
            status = WriteWaveform(h, registerProtocol, doc.settings, doc.count, doc.step, doc.dataId, calibration,
                                   words.data());
        }
        CloseGenerator(h);
        return status;
    }

    template <typename Op>
    LinkStatus WithOpen(bool registerProtocol, Op op) {
        DeviceHandle h = nullptr;
        LinkStatus status = OpenGenerator(nullptr, h);
        if (status == LINK_OK) {
            status = op(h, registerProtocol);
            CloseGenerator(h);
        }
        return status;
    }

    std::vector<uint8_t> words = std::vector<uint8_t>(SampleWordBufferSize);
};

TEST_F(ProtocolSim, RegisterDataSetSendsEveryRegisterInOrder) {
    Configure({{"generators", {Generator("register")}}});
    ASSERT_EQ(Send(KnownDocument()), LINK_OK);
    EXPECT_EQ(Writes(), RegisterDataSet);
    // Every frame was answered by its echo; the status read carries the generator's state.
    std::vector<Bytes> reads = Reads();
    ASSERT_EQ(reads.size(), 11u);
    EXPECT_EQ(reads[0], RegisterDataSet[0]);
    EXPECT_EQ(reads[10], RegisterDataSet[11]);
    const json g = SimState()[0];
    EXPECT_TRUE(g["data_loaded"]);
    EXPECT_EQ(g["settings"]["repeatCount"], 300);
    EXPECT_EQ(g["settings"]["retrigger"], 1);
    EXPECT_EQ(g["received_samples"], 5);
}

TEST_F(ProtocolSim, BlockDataSetSendsHeaderParametersAndWords) {
    Configure({{"generators", {Generator("block")}}});
    ASSERT_EQ(Send(KnownDocument()), LINK_OK);
    EXPECT_EQ(Writes(), (std::vector<Bytes>{Frame({0x10, 0x01, 0x00, 0x00}), BlockParameters(), BlockWords}));
    std::vector<Bytes> reads = Reads();
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0], Frame({0x10, 0x00, 0x02, 0x00}));
    const json g = SimState()[0];
    EXPECT_TRUE(g["data_loaded"]);
    EXPECT_EQ(g["data_id"], 0x12345678);
    EXPECT_EQ(g["sample_count"], 5);
    EXPECT_EQ(g["sampling_step"], 50);
}

TEST_F(ProtocolSim, SmallestTimeBaseWritesZerosAndTheLargestRepeatAllOnes) {
    KnownDocument doc;
    doc.count = 1;
    doc.step = 1;
    doc.settings = OutputSettings{};
    doc.settings.outputMode = 1;
    doc.settings.repeatCount = 65536;
    Configure({{"generators", {Generator("register")}}});
    ASSERT_EQ(Send(doc), LINK_OK);
    std::vector<Bytes> w = Writes();
    ASSERT_EQ(w.size(), 12u);
    EXPECT_EQ(w[1], WriteFrame(6, 0xFFFF));
    EXPECT_EQ(w[3], WriteFrame(3, 0));
    EXPECT_EQ(w[4], WriteFrame(2, 0));
    EXPECT_EQ(w[5], WriteFrame(5, 0));
    EXPECT_EQ(w[6], WriteFrame(4, 0));
    EXPECT_EQ(w[9], Frame({0xA1, 0x19}));

    OutputSettings back;
    EXPECT_EQ(WithOpen(true, [&](DeviceHandle h, bool r) { return ReadDeviceSettings(h, r, back); }), LINK_OK);
    EXPECT_EQ(back.repeatCount, 65536);

    Configure({{"generators", {Generator("block")}}});
    ASSERT_EQ(Send(doc), LINK_OK);
    const Bytes block = Writes()[1];
    EXPECT_EQ(Bytes(block.begin() + 4, block.begin() + 16), Frame({1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0}));
}

// The generator's own calibration shapes the codes and the zero code; a
// negative intercept goes out as the low 16 bits of its truncation.
TEST_F(ProtocolSim, UserAreaCalibrationShapesCodesAndZeroCode) {
    struct Case {
        json area;
        std::vector<double> volts;
        int zeroCode;
        Bytes words;
    };
    const Case cases[] = {
        {{{"code1", 0}, {"code2", 4095}, {"volt1", -100000}, {"volt2", 100000}},
         {0.0, 1.0, -1.0, 0.25},
         0x0800,
         Frame({0x00, 0x80, 0xF0, 0xFF, 0x00, 0x00, 0xF0, 0x9F})},
        {{{"code1", 0}, {"code2", 4000}, {"volt1", 100000}, {"volt2", 300000}},
         {1.0, 2.0},
         0xF831,  // -1999
         Frame({0x00, 0x00, 0x00, 0x7D})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.area.dump());
        KnownDocument doc;
        doc.count = uint32_t(c.volts.size());
        for (size_t i = 0; i < c.volts.size(); ++i) {
            doc.buffers.analog[i] = c.volts[i];
            for (auto& ch : doc.buffers.digital) ch[i] = 0;
        }
        Configure({{"generators", {{{"user_area", c.area}}}}});
        ASSERT_EQ(Send(doc), LINK_OK);
        const std::vector<Bytes> w = Writes();
        ASSERT_EQ(w.size(), 12u);
        EXPECT_EQ(w[7], WriteFrame(8, c.zeroCode));
        EXPECT_EQ(w[9], c.words);
    }
}

TEST_F(ProtocolSim, InvalidUserAreaStopsTheTransferBeforeAnythingIsSent) {
    const json areas[] = {{{"bad_checksum", true}}, {{"volt1", 5000}, {"volt2", 5000}}, {{"length", 40}}};
    for (const json& area : areas) {
        SCOPED_TRACE(area.dump());
        Configure({{"generators", {{{"user_area", area}}}}});
        EXPECT_EQ(Send(KnownDocument()), LINK_USER_AREA_INVALID);
        EXPECT_TRUE(Writes().empty());
    }
}

// A fault at each reply of the register data set: the operation ends there,
// nothing after it is sent, and the generator is left without valid data.
TEST_F(ProtocolSim, RegisterFaultAtEachStepStopsThere) {
    // Writes sent by the time reply k is read: the sample stream has no reply.
    const size_t writesAtReply[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12};
    for (int k = 1; k <= 11; ++k) {
        const json faults[] = {
            {{"replies", {{{"at", k}, {"wrong_echo", 0}}}}},
            {{"replies", {{{"at", k}, {"wrong_echo", 5}}}}},
            {{"replies", {{{"at", k}, {"short", 5}}}}},
        };
        for (const json& f : faults) {
            SCOPED_TRACE("reply " + std::to_string(k) + " " + f.dump());
            Configure({{"generators", {Generator("register", f)}}});
            EXPECT_EQ(Send(KnownDocument()), LINK_TRANSFER_ERROR);
            std::vector<Bytes> w = Writes();
            ASSERT_EQ(w.size(), writesAtReply[k]);
            EXPECT_TRUE(std::equal(w.begin(), w.end(), RegisterDataSet.begin()));
            if (k < 11) {
                EXPECT_EQ(SimState()[0]["registers"][9], 0);
                EXPECT_FALSE(SimState()[0]["data_loaded"]);
            }
        }
    }
}

TEST_F(ProtocolSim, RegisterLibraryFailuresAndTheErrorFlag) {
    struct Case {
        const char* name;
        json faults;
        LinkStatus status;
        size_t writes;
    };
    const Case cases[] = {
        {"frame write fails", {{"writes", {{{"at", 3}, {"status", 4}}}}}, 4, 2},
        {"sample stream short", {{"writes", {{{"at", 10}, {"bytes", 4}}}}}, LINK_TRANSFER_ERROR, 10},
        {"read fails", {{"reads", {{{"at", 9}, {"status", 4}}}}}, 4, 9},
        {"error flag after data", {{"data_error", true}}, LINK_TRANSFER_ERROR, 11},
        {"unplugged mid-way", {{"unplug_after_writes", 4}}, LinkStatus(d2xx::FT_IO_ERROR), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Configure({{"generators", {Generator("register", c.faults)}}});
        EXPECT_EQ(Send(KnownDocument()), c.status);
        std::vector<Bytes> w = Writes();
        ASSERT_EQ(w.size(), c.writes);
        if (c.writes > 9) {
            // Short stream: only what the bridge took was logged.
            EXPECT_TRUE(std::equal(w.begin(), w.begin() + 9, RegisterDataSet.begin()));
        } else {
            EXPECT_TRUE(std::equal(w.begin(), w.end(), RegisterDataSet.begin()));
        }
        EXPECT_EQ(SimState()[0]["registers"][9], 0);
        EXPECT_FALSE(SimState()[0]["data_loaded"]);
    }
}

TEST_F(ProtocolSim, RegisterEchoMayDifferInTheRegisterByte) {
    Configure({{"generators", {Generator("register", {{"replies", {{{"wrong_echo", 2}}}}})}}});
    EXPECT_EQ(Send(KnownDocument()), LINK_OK);
    EXPECT_EQ(Writes().size(), 12u);
}

TEST_F(ProtocolSim, BlockFaultsStopTheDataSet) {
    struct Case {
        const char* name;
        json faults;
        LinkStatus status;
        size_t writes;
        bool generatorTookData;  // only the reply was damaged
    };
    const Case cases[] = {
        {"refused", {{"replies", {{{"status", 2}}}}}, LINK_DEVICE_REFUSED, 3, false},
        {"other status", {{"replies", {{{"status", 5}}}}}, LINK_TRANSFER_ERROR, 3, false},
        {"wrong command byte", {{"replies", {{{"wrong_echo", 0}}}}}, LINK_TRANSFER_ERROR, 3, true},
        {"short header", {{"replies", {{{"short", 3}}}}}, LINK_TRANSFER_ERROR, 3, true},
        {"short block", {{"reads", {{{"at", 2}, {"bytes", 100}}}}}, LINK_TRANSFER_ERROR, 3, true},
        {"parameter block write fails", {{"writes", {{{"at", 2}, {"status", 4}}}}}, 4, 1, false},
        {"unplugged after header", {{"unplug_after_writes", 1}}, LinkStatus(d2xx::FT_IO_ERROR), 1, false},
        {"short sample write", {{"writes", {{{"at", 3}, {"bytes", 6}}}}}, LINK_TRANSFER_ERROR, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Configure({{"generators", {Generator("block", c.faults)}}});
        EXPECT_EQ(Send(KnownDocument()), c.status);
        EXPECT_EQ(Writes().size(), c.writes);
        EXPECT_EQ(SimState()[0]["data_loaded"], c.generatorTookData);
        // A failed write or a missing sample is never followed by a read.
        if (c.writes < 3 || std::string(c.name) == "short sample write") {
            EXPECT_TRUE(Reads().empty());
        }
    }
}

TEST_F(ProtocolSim, CommandsSendTheirFramesAndHeaders) {
    Configure({{"generators", {Generator("register")}}});
    EXPECT_EQ(WithOpen(true, StartOutput), LINK_OK);
    EXPECT_EQ(WithOpen(true, StopOutput), LINK_OK);
    EXPECT_EQ(WithOpen(true, ForceStopOutput), LINK_OK);
    EXPECT_EQ(Writes(), (std::vector<Bytes>{WriteFrame(0, 1), WriteFrame(0, 2), WriteFrame(0, 0x80)}));

    Configure({{"generators", {Generator("block")}}});
    EXPECT_EQ(WithOpen(false, StartOutput), LINK_OK);
    EXPECT_EQ(WithOpen(false, StopOutput), LINK_OK);
    EXPECT_EQ(WithOpen(false, ForceStopOutput), LINK_OK);
    EXPECT_EQ(Writes(), (std::vector<Bytes>{Frame({1, 1, 0, 0}), Frame({2, 1, 0, 0}), Frame({3, 1, 0, 0})}));
    // Each reply header and block was read.
    EXPECT_EQ(Reads().size(), 6u);

    Configure({{"generators", {Generator("block", {{"replies", {{{"command", 1}, {"status", 2}}}}})}}});
    EXPECT_EQ(WithOpen(false, StartOutput), LINK_DEVICE_REFUSED);
    EXPECT_EQ(WithOpen(false, StopOutput), LINK_OK);
}

TEST_F(ProtocolSim, StatusAndSettingsReadBackInBothProtocols) {
    const json settings = {{"startStopControl", 2}, {"outputMode", 1}, {"analogIdleOutput", 1},
                           {"digitalIdleOutput", 1}, {"triggerMode", 0}, {"triggerPolarity", 1},
                           {"syncPolarity", 0},      {"syncPulseWidth", 1}, {"repeatCount", 65536},
                           {"retrigger", 1}};
    OutputSettings expected;
    expected.startStopControl = 2;
    expected.outputMode = 1;
    expected.analogIdleOutput = 1;
    expected.digitalIdleOutput = 1;
    expected.triggerPolarity = 1;
    expected.syncPulseWidth = 1;
    expected.repeatCount = 65536;
    expected.retrigger = 1;

    for (const char* protocol : {"register", "block"}) {
        SCOPED_TRACE(protocol);
        const bool reg = std::string(protocol) == "register";
        json g = Generator(protocol);
        g["version"] = 3;
        g["state"] = {{"data_loaded", true}, {"sample_count", 7}, {"sampling_step", 9}, {"settings", settings}};
        Configure({{"generators", {g}}});
        DeviceStatus status;
        OutputSettings read;
        EXPECT_EQ(WithOpen(reg, [&](DeviceHandle h, bool r) { return ReadDeviceStatus(h, r, status); }), LINK_OK);
        EXPECT_EQ(status, (DeviceStatus{false, true, 3}));
        EXPECT_EQ(WithOpen(reg, [&](DeviceHandle h, bool r) { return ReadDeviceSettings(h, r, read); }), LINK_OK);
        EXPECT_EQ(read, expected);
        if (reg) {
            // Status, then repeat count, then settings word.
            EXPECT_EQ(Writes(), (std::vector<Bytes>{Frame({0xB4, 0, 1, 0, 0, 0x4B}), Frame({0xB4, 0, 6, 0, 0, 0x4B}),
                                                    Frame({0xB4, 0, 7, 0, 0, 0x4B})}));
        } else {
            EXPECT_EQ(Writes(), (std::vector<Bytes>{Frame({0x20, 1, 0, 0}), Frame({0x20, 1, 0, 0})}));
        }
    }

    // Bit 3 of the settings word means nothing and is not an error.
    json g = Generator("register");
    g["state"] = {{"settings_word", 0x0008 | 0x0001}};
    Configure({{"generators", {g}}});
    OutputSettings read;
    EXPECT_EQ(WithOpen(true, [&](DeviceHandle h, bool r) { return ReadDeviceSettings(h, r, read); }), LINK_OK);
    EXPECT_EQ(read.startStopControl, 1);
    EXPECT_EQ(read.outputMode, 0);
}

TEST_F(ProtocolSim, ReadsFailWhenTheGeneratorAnswersWrongly) {
    Configure({{"generators", {Generator("register", {{"replies", {{{"register", 1}, {"wrong_echo", 1}}}}})}}});
    DeviceStatus status;
    EXPECT_EQ(WithOpen(true, [&](DeviceHandle h, bool r) { return ReadDeviceStatus(h, r, status); }),
              LINK_TRANSFER_ERROR);
    Configure({{"generators", {Generator("block", {{"replies", {{{"command", 0x20}, {"wrong_echo", 0}}}}})}}});
    OutputSettings settings;
    EXPECT_EQ(WithOpen(false, [&](DeviceHandle h, bool r) { return ReadDeviceSettings(h, r, settings); }),
              LINK_TRANSFER_ERROR);
}

// Playback: continuous output runs until stopped; a repeat run ends by itself.
TEST_F(ProtocolSim, PlaybackRunsAndRepeatRunsEndByThemselves) {
    for (const char* protocol : {"register", "block"}) {
        SCOPED_TRACE(protocol);
        const bool reg = std::string(protocol) == "register";
        Configure({{"generators", {Generator(protocol)}}});
        KnownDocument doc;
        doc.settings = OutputSettings{};  // continuous, remote
        ASSERT_EQ(Send(doc), LINK_OK);
        DeviceStatus status;
        auto readStatus = [&](DeviceHandle h, bool r) { return ReadDeviceStatus(h, r, status); };
        ASSERT_EQ(WithOpen(reg, StartOutput), LINK_OK);
        ASSERT_EQ(WithOpen(reg, readStatus), LINK_OK);
        EXPECT_TRUE(status.running);
        ASSERT_EQ(WithOpen(reg, StopOutput), LINK_OK);
        ASSERT_EQ(WithOpen(reg, readStatus), LINK_OK);
        EXPECT_FALSE(status.running);
        EXPECT_TRUE(status.dataLoaded);

        // Twice 5 samples of 1 us: over after 10 us.
        doc.settings.outputMode = 1;
        doc.settings.repeatCount = 2;
        ASSERT_EQ(Send(doc), LINK_OK);
        ASSERT_EQ(WithOpen(reg, StartOutput), LINK_OK);
        bool ended = false;
        for (int i = 0; i < 2000 && !ended; ++i) {
            ASSERT_EQ(WithOpen(reg, readStatus), LINK_OK);
            ended = !status.running;
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(ended);
        EXPECT_TRUE(status.dataLoaded);
    }
}

TEST_F(ProtocolSim, StartWithoutDataDoesNotRun) {
    Configure({{"generators", {Generator("register")}}});
    DeviceStatus status;
    ASSERT_EQ(WithOpen(true, StartOutput), LINK_OK);
    ASSERT_EQ(WithOpen(true, [&](DeviceHandle h, bool r) { return ReadDeviceStatus(h, r, status); }), LINK_OK);
    EXPECT_EQ(status, (DeviceStatus{false, false, 1}));
}

TEST_F(ProtocolSim, FullSizeWaveformArrivesIntact) {
    KnownDocument doc;
    doc.count = MaxSampleCount;
    for (uint32_t i = 0; i < doc.count; ++i) {
        doc.buffers.analog[i] = (double(i % 4096) - 2048.0) / 1638.0;
        doc.buffers.digital[i % 4][i] = 1;
    }
    for (const char* protocol : {"register", "block"}) {
        SCOPED_TRACE(protocol);
        Configure({{"generators", {Generator(protocol)}}});
        ASSERT_EQ(Send(doc), LINK_OK);
        std::vector<uint8_t> received(SampleWordBufferSize);
        ASSERT_EQ(Sim().samples(0, received.data(), uint32_t(received.size())), SampleWordBufferSize);
        EXPECT_TRUE(received == words);
        EXPECT_TRUE(SimState()[0]["data_loaded"]);
    }
}

}  // namespace
}  // namespace kdx::simtest
