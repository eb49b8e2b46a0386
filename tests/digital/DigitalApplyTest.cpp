// kdx-tool apply's digital kinds as a process: what each writes, the messages
// and exit statuses, the stored memories and where the cursor ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document/WaveformFile.h"
#include "support/ToolFixture.h"

namespace fs = std::filesystem;
using namespace kdx;

namespace {

struct Read {
    WaveformHeader header;
    SampleBuffers samples;
    DialogMemories params;
    std::vector<uint8_t> Channel(int ch, uint32_t first, uint32_t count) const {
        const auto& c = samples.digital[ch];
        return std::vector<uint8_t>(c.begin() + first, c.begin() + first + count);
    }
};

class DigitalApply : public kdx::testing::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        ASSERT_EQ(Tool("new -o " + P("a.kdx") + " --sampling 20nS --count 20").exitCode, 0);
    }
    // Applies to a.kdx into out.kdx and reads the result.
    Read Apply(const std::string& kind, kdx::testing::ToolRun* run = nullptr) {
        const auto r = Tool("apply " + P("a.kdx") + " -o " + P("out.kdx") + " " + kind);
        if (run) *run = r;
        EXPECT_EQ(r.exitCode, 0) << kind << "\n" << r.err;
        Read read;
        std::string message;
        EXPECT_TRUE(ReadWaveformFile(dir / "out.kdx", read.header, ArraysOf(read.samples), read.params,
                                     FileFormatVersion, message))
            << kind;
        return read;
    }
    void Keep() { fs::rename(dir / "out.kdx", dir / "a.kdx"); }
};

using Bytes = std::vector<uint8_t>;

}  // namespace

TEST_F(DigitalApply, PatternKindsWriteAtTheEditStartAndMoveTheCursor) {
    kdx::testing::ToolRun run;
    Read r = Apply("clock --channel 1 --time1 30nS --time2 '0.02 uS' --repeat 3 --start 40nS", &run);
    EXPECT_EQ(run.err, "サンプリング時間の整数倍にするため、[レベル 1：時間] を調節します。\n\n30 nS　→　20 nS\n");
    EXPECT_EQ(r.Channel(1, 0, 9), (Bytes{0, 0, 1, 0, 1, 0, 1, 0, 0}));
    EXPECT_EQ(r.header.view.cursorSample, 8u);
    EXPECT_EQ(r.params.digitalClockParams.channel, 1);
    EXPECT_EQ(r.header.editCount, 1);
    Keep();

    // Serial from the stored cursor (8), then XOR over it.
    std::ofstream(dir / "bits.txt") << "1,1;0\r\n1\n";
    r = Apply("serial --channel 1 --bit-time 20nS --bits-file " + P("bits.txt") + " --op xor");
    EXPECT_EQ(r.Channel(1, 6, 7), (Bytes{1, 0, 1, 1, 0, 1, 0}));
    EXPECT_EQ(r.header.view.cursorSample, 12u);
    Keep();

    r = Apply("parallel --hex 5A --word-time 40nS --channels 03 --order 1 --start 0");
    EXPECT_EQ(r.Channel(0, 0, 4), (Bytes{0, 0, 1, 1}));  // order 1: CH0 takes bit 3
    EXPECT_EQ(r.Channel(3, 0, 4), (Bytes{1, 1, 0, 0}));
    EXPECT_EQ(r.Channel(1, 0, 4), (Bytes{0, 0, 1, 0}));  // not ticked: as it was
    EXPECT_EQ(r.params.digitalParallelParams.channels, 9);
    Keep();

    // A copy of CH1 from 0, inverted and rotated, written to CH2 at 20 ns.
    r = Apply(
        "modify --channel 2 --copy-channel 1 --copy-start 0 --copy-period 100nS --start 20nS "
        "--edit invert --edit shift:-20nS:rotate");
    EXPECT_EQ(r.Channel(2, 0, 7), (Bytes{0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(r.params.digitalModifyParams.copyChannel, 1);
    EXPECT_EQ(r.params.digitalShiftParams.method, 2);
    Keep();

    // A waveform file's channels, with its sampling time as the word time.
    r = Apply("parallel --kdx " + P("a.kdx") + " --start 0");
    for (int ch = 0; ch < 4; ++ch) {
        Read before;
        std::string message;
        ASSERT_TRUE(ReadWaveformFile(dir / "a.kdx", before.header, ArraysOf(before.samples), before.params,
                                     FileFormatVersion, message));
        EXPECT_EQ(r.Channel(ch, 0, 20), before.Channel(ch, 0, 20)) << ch;
    }
    EXPECT_EQ(r.params.digitalParallelParams.wordTime, 20);
}

TEST_F(DigitalApply, ChannelKindsKeepTheCursor) {
    Apply("clock --channel 0 --time1 40nS --time2 20nS --repeat 2 --start 0");
    Keep();
    Read r = Apply("shift --channel 0 --shift 20nS --method fill1");
    EXPECT_EQ(r.Channel(0, 0, 7), (Bytes{1, 1, 1, 0, 1, 1, 0}));
    EXPECT_EQ(r.header.view.cursorSample, 6u);
    EXPECT_EQ(r.params.digitalShiftParams.shiftTime, 20);
    Keep();
    r = Apply("copy --from 0 --to 3");
    EXPECT_EQ(r.Channel(3, 0, 7), (Bytes{1, 1, 1, 0, 1, 1, 0}));
    Keep();
    r = Apply("swap --first 3 --second 2");
    EXPECT_EQ(r.Channel(2, 0, 3), (Bytes{1, 1, 1}));
    EXPECT_EQ(r.Channel(3, 0, 3), (Bytes{0, 0, 0}));
    EXPECT_EQ(r.params.digitalSwapParams.firstChannel, 3);
    Keep();
    r = Apply("invert --channel 2");
    EXPECT_EQ(r.Channel(2, 0, 4), (Bytes{0, 0, 0, 1}));
    Keep();
    r = Apply("clear --channel 0");
    EXPECT_EQ(r.Channel(0, 0, 20), Bytes(20, 0));
    EXPECT_EQ(r.header.view.cursorSample, 6u);
    EXPECT_EQ(r.header.editCount, 6);
}

TEST_F(DigitalApply, BadOptionsAndFilesChangeNothing) {
    std::ofstream(dir / "bad.txt") << "1 0 2";
    std::string limit(MaxSampleCount, '0');
    std::ofstream(dir / "full.txt") << limit << "\n";
    std::ofstream(dir / "more.txt") << limit << "1";
    const struct {
        std::string kind;
        int status;
        std::string err;  // a part of the error output
    } cases[] = {
        {"clock --channel 4 --time1 20 --time2 20", 2, "--channel"},
        {"clock --channel 0 --time1 abc --time2 20", 2, "--time1"},
        {"clock --channel 0 --time1 '1 furlong' --time2 20", 2, "--time1"},
        {"clock --channel 0 --time1 0 --time2 0", 2, "パラメータが不正です"},
        {"clock --channel 0 --time1 20 --time2 20 --start 400nS", 2, "--start"},
        {"serial --channel 0 --bit-time 20nS --bits 102", 2, "--bits"},
        {"serial --channel 0 --bit-time 20nS", 2, "--bits-file"},
        {"serial --channel 0 --bit-time 20nS --bits-file " + P("bad.txt"), 1, "無効なデータが含まれています。"},
        {"serial --channel 0 --bit-time 20nS --bits-file " + P("none.txt"), 1, "ファイルオープンエラーです。"},
        {"parallel --hex '5 A' --word-time 20nS", 2, "--hex"},
        {"parallel --hex 5 --word-time 20nS --channels 04", 2, "--channels"},
        {"parallel --hex 5", 2, "--word-time"},
        {"parallel --kdx " + P("bad.txt") + " --word-time 20nS", 2, "--kdx"},
        {"modify --channel 0 --copy-period 100nS --edit flip", 2, "--edit"},
        {"modify --channel 0 --copy-period 1uS --copy-start 400nS", 2, "--copy-start"},
        {"shift --channel 0 --shift 0", 2, "--shift"},
        {"shift --channel 0 --shift 20nS --method spin", 2, "--method"},
        {"swap --first 1 --second 1", 2, "--second"},
        {"copy --from 0", 2, "--to"},
    };
    for (const auto& c : cases) {
        const auto r = Tool("apply " + P("a.kdx") + " -o " + P("out.kdx") + " " + c.kind);
        EXPECT_EQ(r.exitCode, c.status) << c.kind << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.kind << "\n" << r.err;
        EXPECT_FALSE(fs::exists(dir / "out.kdx")) << c.kind;
    }
    // The limit itself gives no message; one more bit warns and keeps the first 262144.
    kdx::testing::ToolRun run;
    Apply("serial --channel 0 --bit-time 20nS --bits-file " + P("full.txt"), &run);
    EXPECT_EQ(run.err, "");
    Apply("serial --channel 0 --bit-time 20nS --bits-file " + P("more.txt"), &run);
    EXPECT_EQ(
        run.err,
        std::string("処理可能な最大データ数を超えています。\n\nすべてのデータを読み込むことができませんでした。") +
            "\n");
}

TEST_F(DigitalApply, VcdExportedThenImportedGivesTheSameChannels) {
    Apply("clock --channel 0 --time1 20nS --time2 40nS --repeat 6 --start 0");
    Keep();
    Apply("clock --channel 2 --time1 60nS --time2 20nS --repeat 5 --start 0");
    Keep();
    Apply("serial --channel 3 --bit-time 20nS --bits 1101100111010 --start 40nS");
    Keep();
    ASSERT_EQ(Tool("export " + P("a.kdx") + " --format vcd -o " + P("a.vcd")).exitCode, 0);
    ASSERT_EQ(Tool("new -o " + P("e.kdx") + " --sampling 20nS --count 20").exitCode, 0);
    const auto r = Tool("apply " + P("e.kdx") + " -o " + P("out.kdx") + " vcd --file " + P("a.vcd"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Tool("export " + P("out.kdx")).out, Tool("export " + P("a.kdx")).out);
}

TEST_F(DigitalApply, VcdOffTheGridSamplesAsSigrokReadsTheDump) {
    if (std::system("command -v sigrok-cli >/dev/null") != 0) GTEST_SKIP() << "sigrok-cli is not installed";
    // Two wires in 10 ps units, changing on, just before and just after the 20 ns grid and between.
    std::ostringstream vcd;
    vcd << "$timescale 10 ps $end\n$scope module t $end\n$var wire 1 ! p $end\n$var wire 1 \" q $end\n"
           "$upscope $end\n$enddefinitions $end\n#0\n0!\n1\"\n";
    uint32_t seed = 7;
    for (uint64_t time = 0, k = 0; k < 60; ++k) {
        seed = seed * 1103515245u + 12345u;
        const uint64_t step =
            (seed >> 16) % 3 == 0 ? 2000 - time % 2000 + (seed >> 20) % 3 - 1 : (seed >> 18) % 900 + 1;
        time += step;
        if (time >= 40000) break;
        vcd << '#' << time << '\n' << ((seed >> 24) & 1) << ((seed >> 25) & 1 ? '!' : '"') << '\n';
    }
    vcd << "#40000\n";
    std::ofstream(dir / "g.vcd") << vcd.str();
    const Read r = Apply("vcd --file " + P("g.vcd") + " --channels 01 --start 0");
    ASSERT_EQ(std::system(("sigrok-cli -I vcd -i " + P("g.vcd") + " -O csv >" + P("s.csv") + " 2>/dev/null").c_str()),
              0);
    std::ifstream sigrok(dir / "s.csv");
    std::vector<std::string> rows;  // one per 10 ps: "p,q"
    for (std::string line; std::getline(sigrok, line);)
        if (!line.empty() && (line[0] == '0' || line[0] == '1')) rows.push_back(line);
    ASSERT_GE(rows.size(), 19u * 2000 + 1);
    for (uint32_t i = 0; i < 20; ++i) {
        const std::string mine =
            std::to_string(r.samples.digital[0][i]) + "," + std::to_string(r.samples.digital[1][i]);
        EXPECT_EQ(mine, rows[i * 2000]) << "sample " << i;
    }
}

TEST_F(DigitalApply, VcdSignalsStartAndLengthChooseWhatIsSampled) {
    std::ofstream(dir / "d.vcd") << "$timescale 10 ps $end\n$scope module t $end\n"
                                    "$var wire 1 a clk $end\n$var wire 4 b bus [3:0] $end\n$upscope $end\n"
                                    "$enddefinitions $end\n#0\n1a\nb0001 b\n#3001\n0a\n#4000\nxa\nb10z0 b\n#9999\n";
    kdx::testing::ToolRun run;
    // bus[3] to CH1, clk to CH2, sampled every 20 ns from 30 ns for 60 ns (70 rounded down to the grid).
    Read r = Apply("vcd --file " + P("d.vcd") +
                       " --signals bus[3],t.clk --channels 12 --from 30nS --period 70nS "
                       "--start 20nS",
                   &run);
    EXPECT_EQ(run.err,
              "サンプリング時間の整数倍にするため、[期間] を調節します。\n\n70 nS　→　60 nS\n"
              "値が x または z の 2 サンプルを 0 として読み込みました。\n");
    EXPECT_EQ(r.Channel(1, 0, 5), (Bytes{0, 0, 1, 1, 0}));
    EXPECT_EQ(r.Channel(2, 0, 5), (Bytes{0, 1, 0, 0, 0}));  // 1 at 30 ns (the 0 comes at 30.01), then x
    EXPECT_EQ(r.header.view.cursorSample, 4u);

    // The default: the first 1-bit signals to the channels named, over the rest of the dump.
    r = Apply("vcd --file " + P("d.vcd") + " --channels 3 --start 0", &run);
    EXPECT_EQ(r.Channel(3, 0, 6), (Bytes{1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(r.header.view.cursorSample, 5u);  // 99.99 ns: five samples

    std::ofstream(dir / "bad.vcd") << "$timescale 1 ns $end\n$var wire 1 ! a $end\n$enddefinitions $end\n#5\n#4\n";
    ASSERT_EQ(::mkfifo((dir / "pipe.vcd").c_str(), 0600), 0);
    fs::remove(dir / "out.kdx");
    const struct {
        std::string kind;
        int status;
        std::string err;  // a part of the error output
    } cases[] = {
        {"vcd --file " + P("d.vcd") + " --signals clk,bus[7]", 2, "--signals: bus[7]"},
        {"vcd --file " + P("d.vcd") + " --signals clk", 2, "--channels 0123 needs 4 signals; --signals names 1"},
        {"vcd --file " + P("d.vcd") + " --channels 01", 2, "the file has 1-bit signals: 1"},
        {"vcd --file " + P("d.vcd") + " --channels 00 --signals clk,clk", 2, "each channel once"},
        {"vcd --file " + P("d.vcd") + " --channels 0 --from 100nS", 2, "--period"},
        {"vcd --file " + P("d.txt"), 2, "a .vcd file"},
        {"vcd --file " + P("bad.vcd"), 1, "VCD ファイルの 5 行目が不正です。\n時刻が前の時刻より前です：#4"},
        {"vcd --file " + P("pipe.vcd"), 1, "ファイルオープンエラーです。"},
    };
    for (const auto& c : cases) {
        const auto t = Tool("apply " + P("a.kdx") + " -o " + P("out.kdx") + " " + c.kind);
        EXPECT_EQ(t.exitCode, c.status) << c.kind << "\n" << t.err;
        EXPECT_NE(t.err.find(c.err), std::string::npos) << c.kind << "\n" << t.err;
        EXPECT_FALSE(fs::exists(dir / "out.kdx")) << c.kind;
    }
}
