#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "support/ToolFixture.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using kdx::testing::ReadText;
using kdx::testing::ToolRun;

class KdxTool : public kdx::testing::ToolTest {};

}  // namespace

TEST_F(KdxTool, TimebaseRowsAreTheDialogsTexts) {
    auto r = Tool("timebase --total 5mS");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "*\t設定 1\t5 mS\t20 nS\t250000\t0.000000000 %\n");

    r = Tool("timebase --total '1 s'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.out);
    std::string first, second, third;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_EQ(first, "*\t設定 1\t1 S\t4 uS\t250000\t0.000000000 %");
    EXPECT_EQ(second.substr(0, second.find('\t', 2)), "\t設定 2");
    EXPECT_NE(second.find("\t3.82 uS\t261780\t"), std::string::npos) << second;
    EXPECT_NE(third.find("\t3.82 uS\t261781\t"), std::string::npos) << third;

    r = Tool("timebase --sampling '25 nS' --count 1000");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "*\t設定 2\t20 uS\t20 nS\t1000\t-20.000000000 %\n"
              "\t設定 3\t40 uS\t40 nS\t1000\t60.000000000 %\n");

    // Minutes and hours are total-time units only.
    EXPECT_EQ(Tool("timebase --total '1 M'").exitCode, 0);
    EXPECT_EQ(Tool("timebase --sampling '1 H' --count 10").exitCode, 2);
    EXPECT_EQ(Tool("timebase --total abc").exitCode, 2);
    EXPECT_EQ(Tool("timebase --total '1 furlong'").exitCode, 2);
    EXPECT_EQ(Tool("timebase").exitCode, 2);
}

TEST_F(KdxTool, NewWritesAFileTheEditorCanZoom) {
    auto r = Tool("new -o " + P("a.kdx") + " --total '5 mS'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Tool("info " + P("a.kdx"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["format_version"], 16);
    EXPECT_EQ(j["total_time_ns"], 5000000);
    EXPECT_EQ(j["sampling_step"], 1);
    EXPECT_EQ(j["sample_count"], 250000);
    EXPECT_EQ(j["time_unit_ns"], 20);
    EXPECT_EQ(j["edit_count"], 0);
    EXPECT_EQ(j["edit_locked"], false);
    EXPECT_EQ(j["frame_flags"], json({{"a", true}, {"c", true}, {"d", false}}));
    EXPECT_EQ(j["has_footer"], true);
    EXPECT_EQ(j["signal_names"].size(), 9u);
    EXPECT_EQ(j["output_settings"]["repeatCount"], 1);
    EXPECT_EQ(j["output_settings"]["syncPulseWidth"], 0);
    EXPECT_EQ(j["params"].size(), 14u);
    EXPECT_EQ(j["params"]["manualParams"]["gain"], 1.0);
    EXPECT_EQ(j["params"]["digitalParallelParams"]["channels"], 15);
    const json& view = j["view"];
    EXPECT_EQ(view["zoomEnabled"], true);
    EXPECT_EQ(view["zoomTable"][0], 250000);
    EXPECT_GT(view["maxZoomIndex"], 0);
    EXPECT_EQ(view["standardZoomIndex"], view["maxZoomIndex"].get<int>() / 2);
    EXPECT_EQ(view["ringEmpty"], true);
    EXPECT_EQ(view["timeMarkSet"], false);

    // A short waveform gets the short sync pulse; --row picks another row.
    ASSERT_EQ(Tool("new -o " + P("b.kdx") + " --sampling 25 --count 500 --row 3").exitCode, 0);
    const json b = json::parse(Tool("info " + P("b.kdx")).out);
    EXPECT_EQ(b["sampling_step"], 2);
    EXPECT_EQ(b["total_time_ns"], 20000);
    EXPECT_EQ(b["output_settings"]["syncPulseWidth"], 0);
    ASSERT_EQ(Tool("new -o " + P("c.kdx") + " --total 200").exitCode, 0);
    EXPECT_EQ(json::parse(Tool("info " + P("c.kdx")).out)["output_settings"]["syncPulseWidth"], 1);

    // A row the dialog does not offer is refused and nothing is written.
    r = Tool("new -o " + P("d.kdx") + " --total '5 mS' --row 2");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(fs::exists(dir / "d.kdx"));
}

TEST_F(KdxTool, ExportWritesEverySampleExactly) {
    kdx::CKDXDoc doc;
    ASSERT_TRUE(doc.NewWaveform(40, 3));
    doc.AnalogSamples()[0] = 0.1;
    doc.AnalogSamples()[1] = -1.0 / 3.0;
    doc.AnalogSamples()[2] = 1e-300;
    doc.DigitalChannel(2)[1] = 1;
    kdx::WaveformHeader header;
    kdx::DialogMemories params;
    doc.CollectForSave(header, params);
    std::string message;
    ASSERT_TRUE(kdx::WriteWaveformFile(dir / "e.kdx", header, doc.GetSampleArrays(), params, message)) << message;

    auto r = Tool("export " + P("e.kdx"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "index,time_ns,analog,ch0,ch1,ch2,ch3");
    std::getline(lines, line);
    EXPECT_EQ(line, "0,0,0.10000000000000001,0,0,0,0");
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, 5), "1,40,");
    EXPECT_EQ(std::stod(line.substr(5, line.find(',', 5) - 5)), -1.0 / 3.0);
    EXPECT_EQ(line.substr(line.size() - 8), ",0,0,1,0");
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, 5), "2,80,");
    EXPECT_EQ(std::stod(line.substr(5, line.find(',', 5) - 5)), 1e-300);
    EXPECT_FALSE(std::getline(lines, line));
}

// The export's text is printf's, byte for byte: the README's waveforms, and
// random doubles of every kind (any bit pattern, and the short decimals whose
// shortest text differs from their 17 digits) at the longest sampling time.
TEST_F(KdxTool, ExportTextIsPrintfsForEveryKindOfValue) {
    const auto printfText = [](const fs::path& file) {
        kdx::SampleBuffers b;
        kdx::WaveformHeader h;
        kdx::DialogMemories params;
        std::string message;
        EXPECT_TRUE(kdx::ReadWaveformFile(file, h, ArraysOf(b), params, kdx::FileFormatVersion, message)) << message;
        std::string text = "index,time_ns,analog,ch0,ch1,ch2,ch3\n";
        char line[128];
        for (uint32_t i = 0; i < h.sampleCount; ++i) {
            const int n = std::snprintf(line, sizeof line, "%u,%lld,%.17g,%u,%u,%u,%u\n", i,
                                        static_cast<long long>(int64_t{h.samplingStep} * 20 * i), b.analog[i],
                                        b.digital[0][i], b.digital[1][i], b.digital[2][i], b.digital[3][i]);
            text.append(line, static_cast<size_t>(n));
        }
        return text;
    };
    for (const std::string& step :
         {"new -o " + P("w.kdx") + " --sampling 20nS --count 50000",
          "apply " + P("w.kdx") + " -o " + P("w.kdx") + " ramp --period 100uS --initial 0 --final 0.5",
          "apply " + P("w.kdx") + " -o " + P("w.kdx") + " sine --period 200uS --t1 100uS --amplitude 0.4 --offset 0.5 --repeat 2",
          "apply " + P("w.kdx") + " -o " + P("w.kdx") +
              " rectangle --period 500uS --t1 10uS --t2 40uS --t3 10uS --t4 40uS --v1 0.8 --v2 -0.8 --repeat 5",
          "apply " + P("w.kdx") + " -o " + P("w.kdx") + " noise --start 0 --period 1mS --rms 20 --op add --seed 1",
          "apply " + P("w.kdx") + " -o " + P("w.kdx") + " clock --channel 2 --time1 1uS --time2 3uS --repeat 100 --start 0",
          "demo -o " + P("demo.kdx")})
        ASSERT_EQ(Tool(step).exitCode, 0) << step;

    std::mt19937_64 rng(17);
    kdx::SampleBuffers b;
    for (uint32_t i = 0; i < kdx::MaxSampleCount; ++i) {
        if (i % 2 == 0) {
            b.analog[i] = std::bit_cast<double>(rng());  // NaN, infinities, subnormals, both zeros
        } else {
            char decimal[32];
            std::snprintf(decimal, sizeof decimal, "%s%llue%d", rng() & 1 ? "-" : "",
                          static_cast<unsigned long long>(rng() % 100000), static_cast<int>(rng() % 40) - 25);
            b.analog[i] = std::strtod(decimal, nullptr);  // 0.1 prints as 0.10000000000000001
        }
        for (auto& channel : b.digital) channel[i] = rng() & 1;
    }
    kdx::WaveformHeader h;
    h.samplingStep = kdx::MaxSamplingStep;
    h.sampleCount = kdx::MaxSampleCount;
    h.totalTimeNs = uint64_t{kdx::MaxSamplingStep} * 20 * kdx::MaxSampleCount;
    std::string message;
    ASSERT_TRUE(kdx::WriteWaveformFile(dir / "random.kdx", h, ArraysOf(std::as_const(b)), {}, message)) << message;

    for (const char* name : {"w.kdx", "demo.kdx", "random.kdx"}) {
        const auto r = Tool("export " + P(name));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.out == printfText(dir / name)) << name;
    }
}

TEST_F(KdxTool, RetimeChangesTheCountAndKeepsTheSamples) {
    ASSERT_EQ(Tool("demo -o " + P("demo.kdx")).exitCode, 0);
    auto r = Tool("retime " + P("demo.kdx") + " --total '2.5 mS' -o " + P("short.kdx"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json before = json::parse(Tool("info " + P("demo.kdx")).out);
    const json after = json::parse(Tool("info " + P("short.kdx")).out);
    EXPECT_EQ(after["sample_count"], 125000);
    EXPECT_EQ(after["edit_count"], before["edit_count"].get<int>() + 1);
    EXPECT_NE(after["data_id"], json());
    EXPECT_EQ(after["view"]["zoomTable"][0], 125000);
    const std::string a = Tool("export " + P("demo.kdx")).out, b = Tool("export " + P("short.kdx")).out;
    EXPECT_EQ(a.substr(0, 200000), b.substr(0, 200000));

    r = Tool("timebase --change-from " + P("demo.kdx") + " --total '2.50001 mS'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("*\t設定 1\t2.5 mS\t20 nS\t125000\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\t設定 2\t2.50002 mS\t20 nS\t125001\t"), std::string::npos) << r.out;
}

TEST_F(KdxTool, FailuresUseTheDocumentedStatusAndMessages) {
    // The editor's message, then the path and the reason.
    auto r = Tool("info " + P("missing.kdx"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ファイルオープンエラーです。\n" + (dir / "missing.kdx").string() + ": No such file or directory\n");
    EXPECT_TRUE(r.out.empty());

    std::ofstream(dir / "junk.kdx") << "not a waveform";
    r = Tool("export " + P("junk.kdx"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ファイルフォーマットエラーです。\n" + (dir / "junk.kdx").string() +
                         ": shorter than a waveform header\n");

    r = Tool("new -o " + P("no/such/dir/x.kdx") + " --total 1mS");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "ファイルオープンエラーです。\n" + (dir / "no/such/dir/x.kdx").string() + ": No such file or directory\n");

    r = Tool("frobnicate");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "kdx-tool: unknown command frobnicate (kdx-tool --help lists them)\n");
    EXPECT_EQ(Tool("new --total 1mS").exitCode, 2);  // no -o
    EXPECT_EQ(Tool("new -o " + P("x.kdx") + " --total 1mS --row 4").exitCode, 2);
    EXPECT_EQ(Tool("new -o " + P("x.kdx") + " --total 1mS --sampling 20 --count 10").exitCode, 2);
}

TEST_F(KdxTool, OutputThatCannotBeWrittenIsAFailure) {
    ASSERT_EQ(Tool("new -o " + P("f.kdx") + " --total 1mS").exitCode, 0);
    for (const std::string& args : {"info " + P("f.kdx"), "export " + P("f.kdx"), std::string("timebase --total 1S")}) {
        const int raw = std::system(("'" + std::string(KDX_TOOL_PATH) + "' " + args + " >/dev/full 2>'" +
                                     (dir / "err").string() + "'")
                                        .c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1) << args;
        EXPECT_EQ(ReadText(dir / "err"), "kdx-tool: the output could not be written\n") << args;
    }
}

TEST_F(KdxTool, TimeArgumentsMayCarryBlanksAroundThem) {
    EXPECT_EQ(Tool("timebase --total ' 5 mS '").out, Tool("timebase --total 5mS").out);
    EXPECT_EQ(Tool("timebase --total ' 5 mS '").exitCode, 0);
}

TEST_F(KdxTool, InfoStaysValidJsonWhateverTheTextBytes) {
    kdx::CKDXDoc doc;
    ASSERT_TRUE(doc.NewWaveform(20, 10));
    kdx::WaveformHeader header;
    kdx::DialogMemories params;
    doc.CollectForSave(header, params);
    header.signalNames[0] = std::string("\x82\xa0\xff\"\\", 5);
    header.frame.documentTag = std::string("\x01\x80tag", 5);
    std::string message;
    ASSERT_TRUE(kdx::WriteWaveformFile(dir / "t.kdx", header, doc.GetSampleArrays(), params, message));
    auto r = Tool("info " + P("t.kdx"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(json::accept(r.out));
}
