// kdx-tool apply uart, spi and i2c checked by an independent decoder: the
// lanes written are handed to sigrok-cli as CSV and its uart, spi and i2c
// decoders must give back the bytes (and for I2C the addresses, directions and
// acknowledges) that went in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/ToolFixture.h"

namespace {

std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

bool HaveSigrok() {
    return std::system("command -v sigrok-cli >/dev/null 2>&1") == 0;
}

class ProtocolDecode : public kdx::testing::ToolTest {
protected:
    // Applies the kind to a fresh document at sampling time dt and decodes
    // the stretch written (from 0 to the stored cursor) with the decoder.
    // Returns the decoder's annotation lines, one string, and the stretch's length.
    std::pair<std::string, uint64_t> Decode(int dtNs, const std::string& kind, const std::string& decoder,
                                            const std::string& annotations, uint32_t count = 50000) {
        const std::string sampling = std::to_string(dtNs) + "nS --count " + std::to_string(count);
        EXPECT_EQ(Tool("new -o " + P("a.kdx") + " --sampling " + sampling).exitCode, 0);
        const auto applied = Tool("apply " + P("a.kdx") + " -o " + P("b.kdx") + " " + kind + " --start 0");
        EXPECT_EQ(applied.exitCode, 0) << kind << "\n" << applied.err;
        const auto info = nlohmann::json::parse(Tool("info " + P("b.kdx")).out);
        const uint64_t end = info["view"]["cursorSample"].get<uint64_t>();
        // index,time_ns,analog,ch0..ch3 -> ch0..ch3, the stretch only.
        std::istringstream csv(Tool("export " + P("b.kdx")).out);
        std::ofstream lanes(dir / "lanes.csv");
        std::string line;
        std::getline(csv, line);
        lanes << "ch0,ch1,ch2,ch3\n";
        for (uint64_t i = 0; i < end && std::getline(csv, line); ++i) {
            size_t comma = 0;
            for (int k = 0; k < 3; ++k) comma = line.find(',', comma) + 1;
            lanes << line.substr(comma) << '\n';
        }
        lanes.close();
        const std::string command = "sigrok-cli -I csv:column_formats=4l:samplerate=" + std::to_string(1000000000 / dtNs) +
                                    " -i '" + (dir / "lanes.csv").string() + "' -P " + decoder + " -A " + annotations +
                                    " 2>&1";
        return {Capture(command), end};
    }
};

std::string Lines(const std::string& prefix, const std::vector<std::string>& items) {
    std::string s;
    for (const std::string& i : items) s += prefix + i + "\n";
    return s;
}

}  // namespace

TEST_F(ProtocolDecode, UartEveryParityAndStopSetting) {
    if (!HaveSigrok()) GTEST_SKIP() << "sigrok-cli is not installed (scripts/install-deps.sh installs it)";
    const char* parities[][2] = {{"none", "none"}, {"odd", "odd"}, {"even", "even"}, {"mark", "one"},
                                 {"space", "zero"}};
    const char* stops[] = {"1", "1.5", "2"};
    for (int dt : {20, 200}) {
        for (int baud : {9600, 115200}) {
            for (const auto& parity : parities) {
                for (int s = 0; s < 3; ++s) {
                    const std::string kind = "uart --channel 2 --baud " + std::to_string(baud) + " --parity " +
                                             parity[0] + " --stop " + stops[s] + " --hex '48 65 6C'";
                    // One idle bit, then per byte start, 8 data, parity and the stop bits.
                    const double bits = 1 + 3 * (9 + (parity[0] == std::string("none") ? 0 : 1) + 1 + 0.5 * s);
                    const auto length = uint64_t(std::llround(bits * 1e9 / baud / dt));
                    const auto [decoded, end] =
                        Decode(dt, kind, "uart:rx=ch2:baudrate=" + std::to_string(baud) + ":parity=" + parity[1],
                               "uart=rx-data", uint32_t(length + 1000));
                    EXPECT_EQ(decoded, Lines("uart-1: ", {"48", "65", "6C"})) << kind << " at " << dt << " nS";
                    EXPECT_EQ(end, length) << kind << " at " << dt << " nS";
                }
            }
        }
    }
}

TEST_F(ProtocolDecode, UartTextMsbFirstInvertedWithGaps) {
    if (!HaveSigrok()) GTEST_SKIP() << "sigrok-cli is not installed (scripts/install-deps.sh installs it)";
    const auto [decoded, end] = Decode(20, "uart --channel 0 --baud 1M --data-bits 7 --msb-first --invert --gap 3 "
                                           "--text 'Hi\\r\\n'",
                                       "uart:rx=ch0:baudrate=1000000:data_bits=7:bit_order=msb-first:invert_rx=yes",
                                       "uart=rx-data");
    EXPECT_EQ(decoded, Lines("uart-1: ", {"48", "69", "0D", "0A"}));
}

TEST_F(ProtocolDecode, SpiFourModesBothBitOrders) {
    if (!HaveSigrok()) GTEST_SKIP() << "sigrok-cli is not installed (scripts/install-deps.sh installs it)";
    for (int mode = 0; mode < 4; ++mode) {
        for (bool lsb : {false, true}) {
            const std::string kind = "spi --sclk 3 --mosi 1 --cs 0 --clock 1M --mode " + std::to_string(mode) +
                                     (lsb ? " --lsb-first" : "") + " --frame-bytes 2 --hex 'A5 01 80 7E 3C'";
            const auto [decoded, end] =
                Decode(20, kind,
                       "spi:clk=ch3:mosi=ch1:cs=ch0:cpol=" + std::to_string(mode >> 1) +
                           ":cpha=" + std::to_string(mode & 1) + ":bitorder=" + (lsb ? "lsb-first" : "msb-first"),
                       "spi=mosi-data");
            EXPECT_EQ(decoded, Lines("spi-1: ", {"A5", "01", "80", "7E", "3C"})) << kind;
        }
    }
}

TEST_F(ProtocolDecode, I2cAddressesDirectionsAndAcknowledges) {
    if (!HaveSigrok()) GTEST_SKIP() << "sigrok-cli is not installed (scripts/install-deps.sh installs it)";
    const struct {
        std::string options;
        std::vector<std::string> expected;
    } cases[] = {
        {"--clock 100k --tx 'w:50:00 10' --tx 'r:50:AB CD'",
         {"Start", "Write", "Address write: 50", "ACK", "Data write: 00", "ACK", "Data write: 10", "ACK", "Stop", "Start",
          "Read", "Address read: 50", "ACK", "Data read: AB", "ACK", "Data read: CD", "NACK", "Stop"}},
        {"--clock 400k --repeated-start --tx 'w:3C:0F' --tx 'r:3C:55'",
         {"Start", "Write", "Address write: 3C", "ACK", "Data write: 0F", "ACK", "Start repeat", "Read", "Address read: 3C", "ACK",
          "Data read: 55", "NACK", "Stop"}},
        {"--clock 400k --nack --tx 'w:12:34'",
         {"Start", "Write", "Address write: 12", "NACK", "Data write: 34", "NACK", "Stop"}},
        // 10-bit: 11110 and the two high address bits, then the low byte; a read
        // goes on with a repeated start and the first byte again with R set.
        {"--clock 100k --ten-bit --tx 'w:2A5:11' --tx 'r:2A5:22'",
         {"Start", "Write", "Address write: 7A", "ACK", "Data write: A5", "ACK", "Data write: 11", "ACK", "Stop", "Start",
          "Write", "Address write: 7A", "ACK", "Data write: A5", "ACK", "Start repeat", "Read", "Address read: 7A", "ACK",
          "Data read: 22", "NACK", "Stop"}},
    };
    for (const auto& c : cases) {
        const auto [decoded, end] =
            Decode(20, "i2c --scl 1 --sda 2 " + c.options, "i2c:scl=ch1:sda=ch2",
                   "i2c=start:repeat-start:address-read:address-write:data-read:data-write:ack:nack:stop");
        EXPECT_EQ(decoded, Lines("i2c-1: ", c.expected)) << c.options;
    }
}

TEST_F(ProtocolDecode, InvalidOptionsNameTheOptionAndWriteNothing) {
    ASSERT_EQ(Tool("new -o " + P("a.kdx") + " --sampling 20nS --count 1000").exitCode, 0);
    const struct {
        std::string kind, error;
    } cases[] = {
        {"uart --channel 0 --baud 60M --hex 41", "[ボーレート] 1ビットの時間がサンプリング時間より短くなります\ninvalid --baud (60M)"},
        {"uart --channel 0 --baud 9600", "give one of --hex and --text"},
        {"uart --channel 0 --baud 1M --data-bits 6 --hex 41", "invalid --hex (41)"},
        {"spi --sclk 0 --mosi 1 --cs 1 --clock 1M --hex 41", "invalid --cs: the same channel as --mosi"},
        {"spi --sclk 0 --mosi 1 --cs 2 --clock 1M --lag 10nS --hex 41", "invalid --lag (10 nS)"},
        {"i2c --scl 0 --sda 1 --tx 'w:80:00'", "invalid --tx (w:80:00)"},
        {"i2c --scl 0 --sda 1 --tx 'w:50' --hex 00", "i2c takes its bytes from --tx, not --hex or --text"},
    };
    for (const auto& c : cases) {
        const auto run = Tool("apply " + P("a.kdx") + " -o " + P("b.kdx") + " " + c.kind);
        EXPECT_EQ(run.exitCode, 2) << c.kind;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.kind << "\n" << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "b.kdx")) << c.kind;
    }
}
