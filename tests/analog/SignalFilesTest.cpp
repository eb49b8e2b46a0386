// Real signals as external data: time-value tables, PWL text and WAV files,
// the resampling of uneven points, and the form loading each of them.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "RecordingPrompts.h"
#include "analog/ExternalForm.h"
#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "document/WaveformLimits.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

struct Dir {
    fs::path path = fs::temp_directory_path() / ("kdx_signals_" + std::to_string(std::random_device{}()));
    Dir() { fs::create_directories(path); }
    ~Dir() { fs::remove_all(path); }
    fs::path Write(const std::string& name, const std::string& content) const {
        std::ofstream(path / name, std::ios::binary) << content;
        return path / name;
    }
    // A sound file of frames x channels 32-bit integer samples, stored in the given format.
    fs::path WriteSound(const std::string& name, int format, int rate, int channels,
                        const std::vector<int>& samples) const {
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = SF_FORMAT_WAV | format;
        const fs::path p = path / name;
        SNDFILE* f = sf_open(p.c_str(), SFM_WRITE, &info);
        EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
        sf_command(f, SFC_SET_SCALE_INT_FLOAT_WRITE, nullptr, SF_TRUE);  // full scale is 1.0 in a float file
        sf_writef_int(f, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
        sf_close(f);
        return p;
    }
};

struct Points {
    std::vector<double> times = std::vector<double>(MaxSampleCount), values = std::vector<double>(MaxSampleCount);
    SignalReadResult Read(const fs::path& p, bool pwl, uint32_t tc = 1, uint32_t vc = 2) {
        return ReadPointFile(p, pwl, tc, vc, times.data(), values.data());
    }
};

constexpr const char* Stopped = "\n\n読み込みを中止しました。";

TEST(SignalFiles, ChoosesTheReaderByTheNameOrTheFormat) {
    using R = SourceReader;
    using F = SourceFormat;
    const std::tuple<const char*, F, R> cases[] = {
        {"/tmp/x.WAV", F::Auto, R::Wav},   {"a.Pwl", F::Auto, R::Pwl},    {"a.csv", F::Auto, R::Numbers},
        {"x.kdx", F::Auto, R::Waveform},   {"a.b", F::Auto, R::None},     {"a.b", F::Table, R::Table},
        {"x.kdx", F::Numbers, R::Numbers}, {"x.wav", F::Pwl, R::Pwl},     {"x.csv", F::Wav, R::Wav},
    };
    for (const auto& [name, format, reader] : cases) EXPECT_EQ(SourceReaderFor(name, format), reader) << name;
}

TEST(SignalFiles, ReadsTablesAndPwlOrNamesTheLineAtFault) {
    struct Case {
        const char* name;
        std::string text;
        uint32_t timeColumn, valueColumn;
        std::vector<double> times, values;
        std::string message, header;
    };
    const Case cases[] = {
        {"scope.csv", "Model,DSO\nTime (s),CH1 (V),CH2 (V)\n-1e-3,0.5,7\n0,1.5,8\r\n0,2.5,9,\n", 1, 3,
         {-1e-3, 0, 0}, {7, 8, 9}, "", "Model,DSO"},
        {"comma.csv", "Zeit;Wert\n-0,001;1,5\n0,002 ; -2,25\n", 1, 2, {-0.001, 0.002}, {1.5, -2.25}, "", "Zeit;Wert"},
        {"tabs.txt", "1\t10\n\n2\t20\n", 2, 1, {10, 20}, {1, 2}, "", ""},
        {"blanks.txt", "  1   10\n2 20  \n", 1, 2, {1, 2}, {10, 20}, "", ""},
        {"back.csv", "t,v\n0,1\n2,1\n1,1\n", 1, 2, {}, {}, "back.csv の 4 行目：時刻が前のデータより前に戻っています。", ""},
        {"word.csv", "0,1\n1,x\n", 1, 2, {}, {}, "word.csv の 2 行目：数値として読めない項目があります。", ""},
        {"narrow.csv", "t,v\n0\n", 1, 2, {}, {}, "narrow.csv の 2 行目：時刻または値の列がありません。", ""},
        {"empty.csv", "time,value\n", 1, 2, {}, {}, "empty.csv：読み込めるデータがありません。", ""},
        {"a.pwl", "* source\n(0 0 10u 1meg ; rise\n+ 2.5ns 1\n", 0, 0, {}, {},
         "a.pwl の 3 行目：時刻が前のデータより前に戻っています。", ""},
        {"b.pwl", "PWL\n", 0, 0, {}, {}, "b.pwl の 1 行目：数値として読めない項目があります。", ""},
        {"c.pwl", "0 0\n+ 1ms 5V, 2MS\n", 0, 0, {}, {}, "c.pwl の 2 行目：時刻に対応する値がありません。", ""},
        {"d.pwl", "(0,0\n+1n,2.5 2.5ns -1k)\n*end\n", 0, 0, {0, 1e-9, 2.5e-9}, {0, 2.5, -1000}, "", ""},
    };
    Dir dir;
    for (const Case& c : cases) {
        Points p;
        const bool pwl = c.timeColumn == 0;
        const SignalReadResult r = p.Read(dir.Write(c.name, c.text), pwl, c.timeColumn, c.valueColumn);
        EXPECT_EQ(r.message, c.message.empty() ? "" : c.message + Stopped) << c.name;
        EXPECT_EQ(r.loaded, c.message.empty()) << c.name;
        EXPECT_EQ(r.header, c.header) << c.name;
        if (!r.loaded) continue;
        ASSERT_EQ(r.count, c.times.size()) << c.name;
        for (size_t i = 0; i < c.times.size(); ++i) {
            EXPECT_EQ(p.times[i], c.times[i]) << c.name << " " << i;
            EXPECT_EQ(p.values[i], c.values[i]) << c.name << " " << i;
        }
    }
}

TEST(SignalFiles, ReadsSpiceNumbers) {
    const std::pair<const char*, double> good[] = {
        {"1meg", 1e6}, {"1MEG", 1e6}, {"10u", 1e-5}, {"2.5ns", 2.5e-9}, {"3MV", 3e-3}, {"-4p", -4e-12},
        {"1e3k", 1e6}, {"5V", 5}, {"2T", 2e12}, {"1g", 1e9}, {"7f", 7e-15}, {".5", 0.5}, {"+1e-3Megohm", 1e3},
    };
    for (const auto& [text, expected] : good) {
        double v = 0;
        EXPECT_TRUE(ConvertSpiceNumber(text, v)) << text;
        EXPECT_EQ(v, expected) << text;
    }
    for (const char* text : {"x", "1k5", "1.5.2", "", "-", "1e999", "1_0"}) {
        double v = 0;
        EXPECT_FALSE(ConvertSpiceNumber(text, v)) << text;
    }
}

TEST(SignalFiles, ResamplesUnevenPointsByBothInterpolations) {
    // Points at 0, 100, 100 and 400 ns: a jump at 100 ns to the later point.
    const double times[] = {0, 100, 100, 400}, values[] = {0, 1, 3, 0};
    struct Case {
        InterpolationMode mode;
        int64_t start;
        std::vector<double> expected;  // samples every 50 ns over 500 ns, as 1 + 2 v
    };
    const Case cases[] = {
        {InterpolationMode::Linear, 0, {1, 2, 7, 6, 5, 4, 3, 2, 1, 1}},
        {InterpolationMode::None, 0, {1, 1, 7, 7, 7, 7, 7, 7, 1, 1}},
        {InterpolationMode::Linear, 50, {2, 7, 6, 5, 4, 3, 2, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        std::vector<double> work(12, 9.0);
        ASSERT_TRUE(ConvertPoints(work.data(), 12, times, values, 4, c.start, 500, 50, 2.0, 1.0, c.mode));
        for (size_t i = 0; i < 10; ++i) EXPECT_DOUBLE_EQ(work[i], c.expected[i]) << c.start << " " << i;
        EXPECT_EQ(work[10], 0.0);
    }
}

TEST(SignalFiles, ReadsEverySampleFormatOfAWavChannelNormalised) {
    // Three channels; the second holds values exact in every format.
    const std::vector<int> second = {0, 0x40000000, -0x40000000, int(0x80000000), 0x20000000, 0x60000000};
    std::vector<int> samples;
    for (int v : second) samples.insert(samples.end(), {1 << 20, v, -(1 << 20)});
    Dir dir;
    for (const int format : {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT,
                             SF_FORMAT_DOUBLE}) {
        const fs::path p = dir.WriteSound("s.wav", format, 8000, 3, samples);
        std::vector<double> values(MaxSampleCount);
        const SignalReadResult r = ReadWavFile(p, 2, values.data());
        ASSERT_TRUE(r.loaded) << format << r.message << r.reason;
        EXPECT_EQ(r.message, "");
        EXPECT_EQ(r.intervalNs, 125000);
        EXPECT_EQ(r.rateNote, "");  // 8 kHz is a whole number of ns
        ASSERT_EQ(r.count, second.size());
        for (size_t i = 0; i < second.size(); ++i) EXPECT_EQ(values[i], second[i] / 2147483648.0) << format << " " << i;
        EXPECT_EQ(ReadWavFile(p, 4, values.data()).message, "s.wav：チャンネル 4 はありません（チャンネル数 3）。" + std::string(Stopped));
    }
    const SignalReadResult notSound = ReadWavFile(dir.Write("t.wav", "0 1 2"), 1, std::vector<double>(8).data());
    EXPECT_EQ(notSound.message, MsgFileFormatError);
}

TEST(SignalFiles, StatesTheRateErrorAndCutsAtTheLimit) {
    Dir dir;
    std::vector<double> values(MaxSampleCount);
    const SignalReadResult r =
        ReadWavFile(dir.WriteSound("long.wav", SF_FORMAT_PCM_16, 44100, 1, std::vector<int>(300000, 1 << 30)), 1,
                    values.data());
    EXPECT_TRUE(r.loaded);
    EXPECT_EQ(r.count, MaxSampleCount);
    EXPECT_EQ(r.message, MsgExternalTooMany);
    EXPECT_EQ(values[MaxSampleCount - 1], 0.5);
    EXPECT_EQ(r.intervalNs, 22676);
    EXPECT_EQ(r.rateNote, "サンプリング周波数 44100 Hz の間隔を 22676 ns に丸めたため、周波数の誤差は -0.00116 % です。");
}

// sox, reading the same file on its own, gives the same doubles.
TEST(SignalFiles, AgreesWithSoxOnAWavFile) {
    Dir dir;
    std::mt19937 random(7);
    std::vector<int> samples(2 * 5000);
    for (int& s : samples) s = static_cast<int>(random());
    const fs::path wav = dir.WriteSound("x.wav", SF_FORMAT_PCM_24, 48000, 2, samples);
    const fs::path raw = dir.path / "x.raw";
    const std::string command =
        "sox '" + wav.string() + "' -t raw -e floating-point -b 64 '" + raw.string() + "' remix 2";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<double> expected(5000);
    std::ifstream(raw, std::ios::binary).read(reinterpret_cast<char*>(expected.data()), 5000 * sizeof(double));
    std::vector<double> values(MaxSampleCount);
    const SignalReadResult r = ReadWavFile(wav, 2, values.data());
    ASSERT_EQ(r.count, 5000u);
    for (size_t i = 0; i < 5000; ++i) ASSERT_EQ(values[i], expected[i]) << i;
}

TEST(SignalFiles, RefusesAFifoAtOnce) {
    Dir dir;
    const fs::path fifo = dir.path / "pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Points p;
    for (const SignalReadResult& r :
         {p.Read(fifo, false), p.Read(fifo, true), ReadWavFile(fifo, 1, p.values.data())}) {
        EXPECT_FALSE(r.loaded);
        EXPECT_EQ(r.message, MsgFileOpenError);
        EXPECT_EQ(r.reason, "not a regular file");
    }
}

struct FormFixture {
    CKDXDoc doc;
    std::unique_ptr<ExternalForm> form;
    test::RecordingPrompts prompts;
    Dir dir;
    FormFixture() {
        doc.NewWaveform(20, 10000);
        form = std::make_unique<ExternalForm>(
            GeneratorSetup{{doc.GetTotalTime(), doc.GetSamplingTime()}, 0, doc.AnalogSamples()}, ExternalParams{});
    }
    const FieldState& F(int id) const { return form->Field(id); }
};

TEST(SignalFiles, FormLoadsEvenTablesAsNumbersAndUnevenOnesAsPoints) {
    FormFixture f;
    // Steps within 1 ppm of their mean: a number list at the mean step. A
    // .csv name alone calls for the number list: the table is chosen.
    f.form->SetSourceOptions({SourceFormat::Table, 1, 1, 2});
    EXPECT_EQ(f.form->Load(f.dir.Write("even.csv", "t,v\n0,0\n1e-7,1\n2.00000001e-7,2\n3e-7,3\n").string()), "");
    EXPECT_FALSE(f.form->PointsLoaded());
    EXPECT_EQ(f.form->HeaderLine(), "t,v");
    EXPECT_EQ(f.F(ExternalForm::Interval).text, "100");
    EXPECT_EQ(f.form->DataEndNs(), 400);
    f.form->SetStartMode(ExternalForm::ByDataNumber);
    EXPECT_EQ(f.form->GetStartMode(), ExternalForm::ByDataNumber);

    // Uneven: points from the first time, joined by lines; no data number.
    const std::string text = "0,0\n1e-7,1\n4e-7,4\n";
    EXPECT_EQ(f.form->Load(f.dir.Write("uneven.txt", "-1e-7,5\n" + text).string()), "");
    EXPECT_TRUE(f.form->PointsLoaded());
    EXPECT_EQ(f.form->GetStartMode(), ExternalForm::ByTime);
    EXPECT_FALSE(f.F(ExternalForm::DataNumber).enabled);
    EXPECT_FALSE(f.F(ExternalForm::Interval).enabled);
    EXPECT_EQ(f.F(ExternalForm::Interpolation).unit, int(InterpolationMode::Linear));
    EXPECT_EQ(f.form->DataEndNs(), 500);
    f.form->SetText(ExternalForm::Start, "100");
    ASSERT_TRUE(f.form->Create(f.prompts));
    ASSERT_EQ(f.form->WorkCount(), 20u);
    EXPECT_NEAR(f.form->WorkBuffer()[5], 1.0, 1e-12);
    EXPECT_NEAR(f.form->WorkBuffer()[13], 2.6, 1e-12);

    // The same points as PWL, sample-and-hold.
    f.form->SetSourceOptions({});
    EXPECT_EQ(f.form->Load(f.dir.Write("p.pwl", "0 0 100n 1 400n 4").string()), "");
    EXPECT_TRUE(f.form->PointsLoaded());
    f.form->SetUnit(ExternalForm::Interpolation, int(InterpolationMode::None));
    f.form->SetText(ExternalForm::Start, "0");
    f.form->SetText(ExternalForm::Period, "400");
    ASSERT_TRUE(f.form->Create(f.prompts));
    EXPECT_EQ(f.form->WorkBuffer()[8], 1.0);
    EXPECT_EQ(f.form->WorkBuffer()[19], 1.0);

    // A WAV file brings its interval; a failed load keeps nothing.
    const fs::path wav = f.dir.Write("bad.wav", "RIFF");
    EXPECT_EQ(f.form->Load(wav.string()), MsgFileFormatError);
    EXPECT_FALSE(f.form->DataLoaded());
    EXPECT_TRUE(f.F(ExternalForm::Interval).enabled);
}

}  // namespace
}  // namespace kdx
