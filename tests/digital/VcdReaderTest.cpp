// The value change dump reader: timescales, sampling off the grid, x and z,
// vectors bit by bit, malformed lines and what is not a regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "digital/VcdReader.h"
#include "document/WaveformFile.h"

using namespace kdx;

namespace {

using Bytes = std::vector<uint8_t>;

VcdReadResult Parse(const std::string& text, VcdData& data) {
    return ParseVcd({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, data);
}

// One wire "a" under the timescale, then the body.
std::string OneWire(const std::string& timescale, const std::string& body) {
    return "$timescale " + timescale +
           " $end\n$scope module top $end\n$var wire 1 ! a $end\n$upscope $end\n"
           "$enddefinitions $end\n" +
           body;
}

// Channel 0's bits, sampled from the signal of that name.
Bytes Sample(const VcdData& data, int signal, int64_t fromNs, int64_t dtNs, uint32_t count,
             uint32_t* unknown = nullptr) {
    Bytes words(count);
    const uint32_t u = SampleVcd(data, {signal, -1, -1, -1}, fromNs, dtNs, count, words.data());
    if (unknown) *unknown = u;
    return words;
}

}  // namespace

TEST(VcdReader, EveryTimescaleSamplesTheLastChangeAtOrBeforeEachSample) {
    const struct {
        std::string timescale;
        std::string body;
        int64_t fromNs, dtNs;
        Bytes bits;
    } cases[] = {
        // 15 ns, 20 ns, 29.99 ns, 30.01 ns: rounding to the grid would give other samples.
        {"10 ps", "#0 0!\n#1500 1!\n#2000 0!\n#2999 1!\n#3001 0!\n", 0, 10, {0, 0, 0, 1, 0}},
        {"10ps", "#0 0!\n#1500 1!\n#2000 0!\n#2999 1!\n#3001 0!\n", 5, 10, {0, 1, 0, 0, 0}},
        {"1 fs", "#0\n0!\n#20000000\n1!\n", 0, 10, {0, 0, 1}},
        {"100 fs", "#0\n0!\n#200001\n1!\n", 0, 10, {0, 0, 0, 1}},
        {"1 ps", "#0 1! #10000 0! #10000 1!\n", 0, 10, {1, 1, 1}},  // the last of equal times counts
        {"100 ns", "#0 0! #3 1!\n", 0, 100, {0, 0, 0, 1}},
        {"1 us", "#0 0! #1 1!\n", 900, 50, {0, 0, 1}},
        {"10 ms", "#0 0! #1 1!\n", 10000000 - 20, 20, {0, 1}},
        {"100 s", "#0 0! #1 1!\n", 100000000000 - 10, 10, {0, 1}},  // 10^17 fs a unit
        {"1 s", "#0 1! #18446744073709551615 0!\n", 0, 1000000000, {1, 1}},
    };
    for (const auto& c : cases) {
        VcdData data;
        ASSERT_TRUE(Parse(OneWire(c.timescale, c.body), data).Ok()) << c.timescale;
        EXPECT_EQ(Sample(data, 0, c.fromNs, c.dtNs, uint32_t(c.bits.size())), c.bits) << c.timescale << " " << c.body;
    }
}

TEST(VcdReader, VectorsOfferTheirBitsAndUnknownsReadAsZeroCounted) {
    const std::string text =
        "$date today $end\n$timescale 1 ns $end\n$scope module top $end\n$scope module cpu $end\n"
        "$var wire 1 ! clk $end\n$var reg 4 \" data [7:4] $end\n$var real 64 # v $end\n$upscope $end\n"
        "$var wire 3 $% up[0:2] $end\n$var wire 1 & en [5] $end\n$var event 1 ' tick $end\n$upscope $end\n"
        "$enddefinitions $end\n"
        "#0\n$dumpvars\nx!\nbz1 \"\nr0.5 #\nb1 $%\n$end\n"
        "#10\n1!\nb1010 \"\nb0x $%\n$comment anything $end\n#20\nZ!\n";
    VcdData data;
    ASSERT_TRUE(Parse(text, data).Ok());
    std::vector<std::string> names;
    for (const VcdSignal& s : data.offered) names.push_back(s.name);
    EXPECT_EQ(names, (std::vector<std::string>{"top.cpu.clk", "top.cpu.data[7]", "top.cpu.data[6]", "top.cpu.data[5]",
                                               "top.cpu.data[4]", "top.up[0]", "top.up[1]", "top.up[2]", "top.en[5]"}));
    EXPECT_EQ(data.DefaultSignals(), (std::array<int, 4>{0, 8, -1, -1}));
    EXPECT_EQ(data.Find("top.cpu.clk"), 0);
    EXPECT_EQ(data.Find("data[4]"), 4);
    EXPECT_EQ(data.Find("clk[4]"), -1);
    EXPECT_EQ(data.PeriodFrom(5), 15);

    const struct {
        std::string name;
        Bytes bits;        // at 0, 10, 20
        uint32_t unknown;  // samples of x, z or no value yet
    } cases[] = {
        {"top.cpu.clk", {0, 1, 0}, 2},     {"top.cpu.data[7]", {0, 1, 1}, 1},  // z1 extends with z
        {"top.cpu.data[4]", {1, 0, 0}, 0}, {"top.up[2]", {1, 0, 0}, 2},  // [0:2]: the rightmost character is bit 2
        {"top.up[1]", {0, 0, 0}, 0},                                     // "1" extends with 0 to 001
        {"top.up[0]", {0, 0, 0}, 0},       {"top.en[5]", {0, 0, 0}, 3},
    };
    for (const auto& c : cases) {
        uint32_t unknown = 0;
        EXPECT_EQ(Sample(data, data.Find(c.name), 0, 10, 3, &unknown), c.bits) << c.name;
        EXPECT_EQ(unknown, c.unknown) << c.name;
    }
    // Samples with an unknown on any channel count once.
    Bytes words(3);
    EXPECT_EQ(SampleVcd(data, {0, data.Find("top.cpu.data[7]"), -1, -1}, 0, 10, 3, words.data()), 2u);
    EXPECT_EQ(words, (Bytes{0, 3, 2}));
    // Counted on CH1 only: clk's unknowns are not written.
    EXPECT_EQ(SampleVcd(data, {0, data.Find("top.cpu.data[7]"), -1, -1}, 0, 10, 3, words.data(), 2), 1u);
}

TEST(VcdReader, MalformedDumpsNameTheLineAndKeepNothing) {
    const std::string head = "$timescale 1 ns $end\n$var wire 1 ! a $end\n$enddefinitions $end\n";
    const struct {
        std::string text;
        uint64_t line;
        std::string what;
    } cases[] = {
        {"$timescale 3 ns $end\n", 1, "時間単位が不正です：3 ns"},
        {"$timescale 1 ns $end\n$var wire 1 ! a\n", 2, "$var の $end がありません"},
        {"$timescale 1 ns $end\n$var wire 0 ! a $end\n", 2, "変数のビット数が不正です：0"},
        {"$upscope $end\n", 1, "対応する $scope がありません"},
        {"$var wire 1 ! a $end\n", 1, "$enddefinitions がありません"},
        {"wire\n", 1, "ヘッダーに不明な記述があります：wire"},
        {head + "#0\n1!\n1?\n", 6, "宣言されていない識別子です：?"},
        {head + "#10\n#5\n", 5, "時刻が前の時刻より前です：#5"},
        {head + "#1x\n", 4, "時刻が不正です：#1x"},
        {head + "#18446744073709551616\n", 4, "時刻が不正です：#18446744073709551616"},
        {head + "b102 !\n", 4, "ベクトルの値が不正です：b102"},
        {head + "\n\nq!\n", 6, "不明な記述です：q!"},
        {head + "$comment open\n", 4, "$comment の $end がありません"},
        {"$timescale 1 ns $end\n$var real 64 ! a $end\n$enddefinitions $end\n", 0, ""},
    };
    for (const auto& c : cases) {
        VcdData data;
        const VcdReadResult r = Parse(c.text, data);
        EXPECT_EQ(r.message, c.line == 0 ? "VCD ファイルに 1 ビットの信号がありません。\n\n読み込みを中止しました。"
                                         : VcdLineMessage(c.line, c.what))
            << c.text;
        EXPECT_TRUE(data.offered.empty() && data.changes.empty()) << c.text;
    }
}

TEST(VcdReader, APipeIsRefusedUnopened) {
    const auto dir = std::filesystem::temp_directory_path() / ("kdx-vcd-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto fifo = dir / "dump.vcd";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    VcdData data;
    const VcdReadResult r = ReadVcdFile(fifo, data);  // would wait for a writer if it were opened
    EXPECT_EQ(r.message, MsgFileOpenError);
    EXPECT_FALSE(r.reason.empty());
    std::filesystem::remove_all(dir);
}
