// The protocol frames: where the edges fall, the shortest bit allowed, the
// data texts, and the form's refusals and its cut at the document's end.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "DigitalTestSupport.h"
#include "digital/ProtocolForm.h"
#include "digital/Protocols.h"

using namespace kdx;
using kdx::test::RecordingPrompts;
using kdx::test::SetupOf;

namespace {

std::vector<uint64_t> Edges(const std::vector<uint8_t>& lane, uint64_t count) {
    std::vector<uint64_t> edges;
    for (uint64_t i = 1; i < count; ++i)
        if (lane[i] != lane[i - 1]) edges.push_back(i);
    return edges;
}

}  // namespace

TEST(Protocols, UartEdgeKFallsAtItsNearestSampleWithoutDrift) {
    // 0x55 sent LSB first changes level at every bit boundary: edge k (k = 1
    // the first start bit) lies k bit times from the stretch start.
    const std::vector<uint8_t> bytes(1000, 0x55);
    UartSettings s;
    s.baud = 115200;  // 8.68 samples of 1 uS per bit
    std::vector<uint8_t> lane(100000, 7);
    LaneTargets out;
    out.lanes[0] = lane.data();
    out.capacity = uint32_t(lane.size());
    const EncodedStretch e = EncodeUart(s, bytes, bytes.size(), 1000, out);
    EXPECT_EQ(e.samples, 86814u);  // 10001 bits
    EXPECT_EQ(lane[0], 1);
    EXPECT_EQ(lane[e.samples - 1], 1);
    EXPECT_EQ(lane[e.samples], 7);  // nothing past the stretch
    const auto edges = Edges(lane, e.samples);
    ASSERT_EQ(edges.size(), 10000u);
    for (uint64_t k = 1; k <= edges.size(); ++k)
        ASSERT_EQ(edges[k - 1], uint64_t(std::llround(double(k) * (1e9 / 115200) / 1000))) << "edge " << k;
    EXPECT_EQ(edges.front(), 9u);
    EXPECT_EQ(edges.back(), 86806u);  // 10000 x 8.6806 = 86805.6: the error never exceeds half a sample
    EXPECT_NEAR(e.rateErrorPercent, (10001 * 8680.5555 / 86814000 - 1) * 100, 1e-4);
}

TEST(Protocols, ShortestHalfBitIsOneSample) {
    CKDXDoc doc;
    doc.NewWaveform(20, 1000);
    const struct {
        BusProtocol protocol;
        int field;
        const char* ok;
        const char* tooFast;
        const char* label;
    } cases[] = {
        {BusProtocol::Uart, DigitalProtocolForm::Baud, "50M", "50000001", "[ボーレート] "},
        {BusProtocol::Spi, DigitalProtocolForm::SpiClock, "25M", "25000001", "[クロック周波数] "},
        {BusProtocol::I2c, DigitalProtocolForm::I2cClock, "25M", "25000001", "[クロック周波数] "},
    };
    for (const auto& c : cases) {
        ProtocolMemory m;
        m.protocol = c.protocol;
        DigitalProtocolForm f(SetupOf(doc), m);
        f.SetText(c.field, c.ok);
        EXPECT_TRUE(f.CreateEnabled()) << c.ok << " " << f.Problem();
        f.SetText(c.field, c.tooFast);
        EXPECT_FALSE(f.CreateEnabled()) << c.tooFast;
        EXPECT_TRUE(f.Field(c.field).marker);
        EXPECT_EQ(f.Problem().rfind(c.label, 0), 0u) << f.Problem();
    }
}

TEST(Protocols, DataTexts) {
    using Bytes = std::vector<uint8_t>;
    EXPECT_EQ(ParseHexBytes("48 65  6c\t0"), (Bytes{0x48, 0x65, 0x6C, 0x00}));
    for (const char* bad : {"", "  ", "486", "4G", "48,65"}) EXPECT_FALSE(ParseHexBytes(bad)) << bad;
    EXPECT_EQ(ParseEscapedText("A\\r\\n\\t\\\\\\x7f\\x00é"),
              (Bytes{'A', '\r', '\n', '\t', '\\', 0x7F, 0x00, 0xC3, 0xA9}));
    for (const char* bad : {"", "\\", "\\q", "\\x4", "\\x4g"}) EXPECT_FALSE(ParseEscapedText(bad)) << bad;
    const auto tx = ParseI2cTransaction("r:3FF:01 02");
    ASSERT_TRUE(tx);
    EXPECT_TRUE(tx->read);
    EXPECT_EQ(tx->address, 0x3FFu);
    EXPECT_EQ(tx->data, (Bytes{1, 2}));
    for (const char* bad : {"x:50:00", "w:", "w:1000:00", "w:50:0g"}) EXPECT_FALSE(ParseI2cTransaction(bad)) << bad;
    EXPECT_EQ(ParseRate("1M"), 1e6);
    EXPECT_EQ(ParseRate("100k"), 1e5);
    for (const char* bad : {"", "0", "-5", "1G"}) EXPECT_FALSE(ParseRate(bad)) << bad;
}

TEST(Protocols, FormRefusesWhatTheFramesCannotCarry) {
    CKDXDoc doc;
    doc.NewWaveform(20, 1000);
    ProtocolMemory m;
    DigitalProtocolForm uart(SetupOf(doc), m);
    uart.SetText(DigitalProtocolForm::Data, "20 41");
    UartSettings u = uart.Uart();
    u.dataBits = 5;  // 0x41 needs 7
    uart.SetUart(u);
    EXPECT_TRUE(uart.Field(DigitalProtocolForm::Data).marker);
    m.protocol = BusProtocol::Spi;
    m.spi.cs = m.spi.sclk;
    DigitalProtocolForm spi(SetupOf(doc), m);
    EXPECT_FALSE(spi.CreateEnabled());
    EXPECT_EQ(spi.Problem(), "SCLK、MOSI、CS には別々のチャンネルを選んでください");
    m.protocol = BusProtocol::I2c;
    DigitalProtocolForm i2c(SetupOf(doc), m);
    i2c.SetText(DigitalProtocolForm::Transactions, "w:50:01; r:80");  // 80 is past 7 bits
    EXPECT_TRUE(i2c.Field(DigitalProtocolForm::Transactions).marker);
    I2cSettings s = i2c.I2c();
    s.tenBit = true;
    i2c.SetI2c(s);
    EXPECT_TRUE(i2c.CreateEnabled()) << i2c.Problem();
}

TEST(Protocols, FramesPastTheEndAreCutToTheBytesThatFit) {
    // 1 uS a sample, 1 MBd: a byte is 10 samples after the idle one.
    CKDXDoc doc;
    doc.NewWaveform(1000, 60);
    std::fill_n(doc.DigitalChannel(3), 60, uint8_t{1});
    ProtocolMemory m;
    m.uart.channel = 1;
    for (bool answer : {false, true}) {
        DigitalProtocolForm f(SetupOf(doc, 20000), m);
        f.SetText(DigitalProtocolForm::Baud, "1M");
        f.SetText(DigitalProtocolForm::Data, "01 02 03 04 05");
        RecordingPrompts prompts;
        prompts.answers = {answer};
        ASSERT_TRUE(f.Create(prompts));
        EXPECT_EQ(f.LengthSamples(), 51u);
        EXPECT_EQ(f.Apply(DigitalOperation::Replace, prompts), answer);
        ASSERT_EQ(prompts.messages.size(), 1u);
        // 40 samples from the edit start: the idle bit and three frames.
        EXPECT_EQ(prompts.messages[0],
                  "データ 5 バイトのうち、編集開始から波形の終わりまでに入るのは 3 バイトです。\n3 バイトを書き込みます。");
        const uint8_t* ch1 = doc.DigitalChannel(1);
        EXPECT_EQ(ch1[20], answer ? 1 : 0);
        EXPECT_EQ(ch1[21], 0);  // the start bit, or nothing
        EXPECT_EQ(std::count(ch1, ch1 + 60, 1), answer ? 8 : 0) << "the idle bit, the stops and the data's ones";
        EXPECT_EQ(f.AppliedPeriod(), answer ? 31000 : 51000);
        EXPECT_EQ(std::count(doc.DigitalChannel(3), doc.DigitalChannel(3) + 60, 1), 60);
    }
}
