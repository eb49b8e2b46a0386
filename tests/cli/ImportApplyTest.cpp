// kdx-tool apply import and modify-analog, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "support/ToolProcess.h"

namespace fs = std::filesystem;

namespace {

class ImportApply : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kdx-import-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        // 1000 samples of 20 ns, sample i holding i / 1000 V.
        kdx::CKDXDoc doc;
        doc.NewWaveform(20, 1000);
        for (uint32_t i = 0; i < 1000; ++i) doc.AnalogSamples()[i] = i / 1000.0;
        kdx::WaveformHeader header;
        kdx::DialogMemories params;
        doc.CollectForSave(header, params);
        std::string message;
        ASSERT_TRUE(kdx::WriteWaveformFile(dir / "w.kdx", header, doc.GetSampleArrays(), params, message));
    }
    void TearDown() override { fs::remove_all(dir); }

    kdx::testing::ToolRun Apply(const std::string& kind) {
        return kdx::testing::RunTool("", "apply " + P("w.kdx") + " -o " + P("out.kdx") + " " + kind, dir);
    }
    std::string P(const std::string& name) const { return "'" + (dir / name).string() + "'"; }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    // The analog samples of the output.
    std::vector<double> Out() const {
        kdx::WaveformHeader header;
        kdx::SampleBuffers buffers;
        kdx::DialogMemories params;
        std::string message;
        EXPECT_TRUE(kdx::ReadWaveformFile(dir / "out.kdx", header, kdx::ArraysOf(buffers), params,
                                          kdx::FileFormatVersion, message));
        return {buffers.analog.begin(), buffers.analog.begin() + header.sampleCount};
    }

    fs::path dir;
};

TEST_F(ImportApply, ImportsACsvFileAsTheDialogDoes) {
    Write("d.csv", "0.5,1.0\r\n-0.5,");
    auto r = Apply("import --file " + P("d.csv") + " --interval '40 nS' --start 200 --interpolation linear "
                   "--amplitude 2 --offset 0.1 --op add");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<double> a = Out();
    EXPECT_EQ(a[9], 0.009);
    EXPECT_DOUBLE_EQ(a[10], 0.010 + 0.1 + 2 * 0.5);
    EXPECT_DOUBLE_EQ(a[11], 0.011 + 0.1 + 2 * 0.75);
    EXPECT_DOUBLE_EQ(a[15], 0.015 + 0.1 + 2 * -0.5);
    EXPECT_EQ(a[16], 0.016);

    // From the second value, for 40 nS of the document; the stored interval
    // serves when none is given.
    r = kdx::testing::RunTool("", "apply " + P("out.kdx") + " -o " + P("out.kdx") + " import --file " + P("d.csv") +
                                      " --from-index 2 --period '40 nS' --start 0 --amplitude 1 --offset 0",
                              dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    a = Out();
    EXPECT_EQ(a[0], 1.0);
    EXPECT_EQ(a[1], 0.25);  // interpolated as stored: halfway to -0.5
    EXPECT_EQ(a[2], 0.002);

    // More values than a waveform holds: the first 262144 are converted.
    std::string many;
    for (int i = 0; i < 262150; ++i) many += "0.25\n";
    Write("many.txt", many);
    r = Apply("import --file " + P("many.txt") + " --interval '20 nS'");
    EXPECT_EQ(r.exitCode, 2);  // the data runs longer than the document
    EXPECT_NE(r.err.find("give --period"), std::string::npos) << r.err;
    r = Apply("import --file " + P("many.txt") + " --interval '20 nS' --period '20 uS'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("処理可能な最大データ数を超えています。"), std::string::npos) << r.err;
    EXPECT_EQ(Out()[999], 0.25);

    Write("bad.csv", "1 2 0x10");
    r = Apply("import --file " + P("bad.csv") + " --interval '20 nS'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "無効なデータが含まれています。\n\n読み込みを中止しました。\n" + (dir / "bad.csv").string() + "\n");
    EXPECT_EQ(Apply("import --file " + P("d.csv")).exitCode, 2);  // no interval known
    EXPECT_EQ(Apply("import --file " + P("d.csv") + " --interval 40 --from 110").exitCode, 2);  // past 100 nS: less than a sample left
}

TEST_F(ImportApply, ModifiesACopyStepByStep) {
    // Samples 100..109 (0.100 .. 0.109) doubled, their mean removed, limited
    // at 0.005 V, written over samples 500..509.
    auto r = Apply("modify-analog --copy-start '2 uS' --copy-period 200 --calc amplify:2 --calc dc --calc upper:0.005 "
                   "--start '10 uS'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<double> a = Out();
    EXPECT_NEAR(a[500], -0.009, 1e-12);
    EXPECT_NEAR(a[502], -0.005, 1e-12);
    EXPECT_EQ(a[509], 0.005);
    EXPECT_EQ(a[510], 0.51);

    r = Apply("modify-analog --copy-start 10 --copy-period 45");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("[コピー開始] [コピー期間] を調節します。"), std::string::npos) << r.err;
    EXPECT_EQ(Apply("modify-analog --copy-start 0 --copy-period 200 --calc amplify").exitCode, 2);
    EXPECT_EQ(Apply("modify-analog --copy-start 0 --copy-period 200 --calc upper:x").exitCode, 2);
    EXPECT_EQ(Apply("modify-analog --copy-start 0 --copy-period '1 mS'").exitCode, 2);
}

}  // namespace
