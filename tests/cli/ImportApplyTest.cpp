// kdx-tool apply import and modify-analog, run as a user runs them.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
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

// Each format, chosen by the name or forced: a table and a PWL file of the
// same uneven points, joined by lines unless told otherwise; numbers forced
// on a .pwl name; a WAV channel at its own rate.
TEST_F(ImportApply, ImportsEveryFormat) {
    Write("t.csv", "Time,CH1,CH2\n0,9,0\n4e-8,9,1\n1.2e-7,9,0\n");
    Write("p.pwl", "0 0 40n 1 120n 0");
    Write("n.pwl", "1 2");
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* wav = sf_open((dir / "s.wav").c_str(), SFM_WRITE, &info);
    const short frames[] = {0, 16384, 0, -16384};
    sf_writef_short(wav, frames, 2);
    sf_close(wav);
    struct Case {
        std::string options;
        std::vector<double> first;  // the first samples after the import
        std::string err;
    };
    const Case cases[] = {
        {"--file " + P("t.csv") + " --format table --value-column 3", {0, 0.5, 1, 0.75, 0.5, 0.25, 0.006}, ""},
        {"--file " + P("p.pwl") + " --interpolation none", {0, 0, 1, 1, 1, 1, 0.006}, ""},
        {"--file " + P("n.pwl") + " --format numbers --interval 20", {1, 2, 0.002}, ""},
        {"--file " + P("s.wav") + " --wav-channel 2 --period 60", {0.5, 0.5, 0.5, 0.003},
         "サンプリング周波数 44100 Hz の間隔を 22676 ns に丸めたため、周波数の誤差は -0.00116 % です。\n"},
        {"--file " + P("p.pwl") + " --interval 20", {}, "--interval does not apply: the file gives time-value points"},
    };
    for (const Case& c : cases) {
        const auto r = Apply("import " + c.options);
        if (c.first.empty()) {
            EXPECT_EQ(r.exitCode, 2) << c.options;
            EXPECT_EQ(r.err.find(c.err), 0u) << r.err;
            continue;
        }
        ASSERT_EQ(r.exitCode, 0) << c.options << r.err;
        EXPECT_EQ(r.err, c.err);
        const std::vector<double> a = Out();
        for (size_t i = 0; i < c.first.size(); ++i) EXPECT_NEAR(a[i], c.first[i], 1e-12) << c.options << " " << i;
    }
}

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

    // From the second value, for 40 nS of the document; what was stored
    // above does not serve: amplitude 1, offset 0, no interpolation.
    r = kdx::testing::RunTool("", "apply " + P("out.kdx") + " -o " + P("out.kdx") + " import --file " + P("d.csv") +
                                      " --interval 40 --from-index 2 --period '40 nS' --start 0",
                              dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    a = Out();
    EXPECT_EQ(a[0], 1.0);
    EXPECT_EQ(a[1], 1.0);
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
    EXPECT_EQ(Apply("import --file " + P("d.csv") + " --interval 40 --from 110").exitCode, 2);  // past 100 nS: less than a sample left
    // A text file's interval is never the stored one; an interval too short
    // for one sampling time is named, not the start it leaves invalid.
    const std::pair<const char*, const char*> refused[] = {
        {"", "import needs --interval: a text file does not give it\n"},
        {" --interval 5", "invalid --interval (5 nS: the data last less than one sampling time)\n"}};
    for (const auto& [options, err] : refused) {
        r = Apply("import --file " + P("d.csv") + options);
        EXPECT_EQ(r.exitCode, 2) << options;
        EXPECT_EQ(r.err, err);
    }
}

// A file that cannot be read is named with the system's reason; a pipe is
// refused at once, not waited on.
TEST_F(ImportApply, FileFailuresNameTheFileAndTheReason) {
    ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
    const int writer = ::open((dir / "pipe.txt").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const std::string open = "ファイルオープンエラーです。\n", missing = (dir / "missing.txt").string();
    const std::pair<std::string, std::string> cases[] = {
        {"import --interval 20 --file " + P("pipe.txt"), open + (dir / "pipe.txt").string() + ": not a regular file\n"},
        {"import --interval 20 --file " + P("missing.txt"), open + missing + ": No such file or directory\n"},
        {"serial --channel 0 --bit-time 20 --bits-file " + P("missing.txt"),
         open + missing + ": No such file or directory\n"},
        {"parallel --word-time 20 --hex-file " + P("missing.txt"), open + missing + ": No such file or directory\n"},
    };
    for (const auto& [kind, err] : cases) {
        const auto r = Apply(kind);
        EXPECT_EQ(r.exitCode, 1) << kind;
        EXPECT_EQ(r.err, err);
    }
    ::close(writer);
    EXPECT_FALSE(fs::exists(dir / "out.kdx"));
}

// A result beyond the double range is refused as a shape's own is, and
// nothing is written.
TEST_F(ImportApply, ResultsThatAreNotNumbersAreRefused) {
    const std::string big = "dc --start 0 --period 40 --value 1.7e308 --op add";
    ASSERT_EQ(Apply(big).exitCode, 0);
    const std::string twice = "apply " + P("out.kdx") + " -o " + P("twice.kdx") + " " + big;
    const std::string amplified = "apply " + P("out.kdx") + " -o " + P("twice.kdx") +
                                  " modify-analog --copy-start 0 --copy-period 40 --calc amplify:10";
    for (const std::string& args : {twice, amplified}) {
        const auto r = kdx::testing::RunTool("", args, dir);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_EQ(r.err, "パラメータが不正です\n") << args;
    }
    EXPECT_FALSE(fs::exists(dir / "twice.kdx"));
    EXPECT_EQ(Apply("noise --period 40 --rms 1 --seed ''").exitCode, 2);
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

    // The calculations given are stored; the others take their defaults,
    // never what the file remembered.
    ASSERT_EQ(Apply("modify-analog --copy-start 0 --copy-period 200 --calc amplify:2 --calc lower:-0.5").exitCode, 0);
    fs::rename(dir / "out.kdx", dir / "w.kdx");
    ASSERT_EQ(Apply("modify-analog --copy-start 0 --copy-period 200 --calc shift:0.25").exitCode, 0);
    kdx::WaveformHeader header;
    kdx::SampleBuffers buffers;
    kdx::DialogMemories params;
    std::string message;
    ASSERT_TRUE(kdx::ReadWaveformFile(dir / "out.kdx", header, kdx::ArraysOf(buffers), params, kdx::FileFormatVersion,
                                      message));
    EXPECT_EQ(params.manualParams, (kdx::ManualParams{200, 0, -1, 1.0, 0.25, 1.0, -1.0}));
}

}  // namespace
