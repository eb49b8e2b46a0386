// External data: the text reader (tokens, separators, the limit, messages,
// progress, files changing while read), the conversion, and the form's
// loading and coupled fields.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analog/ExternalForm.h"
#include "document/KDXDoc.h"
#include "RecordingPrompts.h"
#include "document/WaveformFile.h"
#include "document/WaveformLimits.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

using test::RecordingPrompts;

class TempDir {
public:
    TempDir() : path(fs::temp_directory_path() / ("kdx_external_" + std::to_string(std::random_device{}()))) {
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path Write(const std::string& name, const std::string& content) const {
        std::ofstream(path / name, std::ios::binary) << content;
        return path / name;
    }
    fs::path path;
};

std::string Numbers(uint32_t n, const char* separator) {
    std::string s;
    for (uint32_t i = 0; i < n; ++i) s += std::to_string(i % 1000) + separator;
    return s;
}

// What the C library reads, with the Fortran exponent letter taken for E.
double Strtod(std::string token) {
    for (char& c : token)
        if (c == 'D' || c == 'd') c = 'E';
    return std::strtod(token.c_str(), nullptr);
}

TEST(TextDataReader, ReadsNumbersAndStopsAtWhatIsNotOne) {
    struct Case {
        std::string text;
        std::vector<double> values;
        std::string message;  // the invalid-data message loads nothing
    };
    const Case cases[] = {
        {"1,2;3\n4 5", {1, 2, 3, 4, 5}, ""},
        {"1.5e-3\t-2D1", {0.0015, -20}, ""},
        {"+.5 -.5e+1 7d-1\r\n,,;", {0.5, -5, 0.7}, ""},
        {"1e-400 5.", {0.0, 5.0}, ""},  // below the smallest double reads as zero
        {"", {}, ""},
        {"0x10", {}, MsgExternalInvalidData},
        {"1 1V 2", {}, MsgExternalInvalidData},
        {"1e400", {}, MsgExternalInvalidData},  // infinite
        {"3 1e", {}, MsgExternalInvalidData},   // not read whole
        {"1 2 --3", {}, MsgExternalInvalidData},
        {"0." + std::string(397, '0') + "5", {0.0}, ""},  // as long as a number may be
        {"0." + std::string(398, '0') + "5", {}, MsgExternalInvalidData},
    };
    TempDir dir;
    std::vector<double> values(MaxSampleCount);
    for (const Case& c : cases) {
        const TextDataResult r = ReadTextDataFile(dir.Write("data.csv", c.text), values.data());
        EXPECT_EQ(r.message, c.message) << c.text;
        EXPECT_EQ(r.loaded, c.message.empty()) << c.text;
        if (!r.loaded) continue;
        ASSERT_EQ(r.count, c.values.size()) << c.text;
        for (size_t i = 0; i < c.values.size(); ++i) EXPECT_DOUBLE_EQ(values[i], c.values[i]) << c.text;

        // Fed a byte at a time, tokens straddle every piece boundary.
        std::vector<double> pieces(16);
        TextDataParser parser(pieces.data(), 16);
        for (char ch : c.text) parser.Feed(&ch, 1);
        parser.Finish();
        ASSERT_EQ(parser.Count(), r.count) << c.text;
        EXPECT_EQ(std::memcmp(pieces.data(), values.data(), r.count * sizeof(double)), 0) << c.text;
    }

    // A token grown past any number stops the reading at once, not at its end.
    TextDataParser parser(values.data(), 16);
    const std::string digits(TextDataParser::MaxTokenLength, '1');
    EXPECT_TRUE(parser.Feed(digits.data(), digits.size()));
    EXPECT_FALSE(parser.Feed("1", 1));
}

// Only a regular file is opened: a pipe with a writer that never ends would
// hold the reader for ever.
TEST(TextDataReader, RefusesWhatIsNotARegularFileWithTheReason) {
    TempDir dir;
    const fs::path fifo = dir.path / "pipe.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int writer = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "1 2\n", 4), 4);
    const struct {
        fs::path path;
        const char* reason;
    } cases[] = {{fifo, "not a regular file"},
                 {dir.path, "Is a directory"},
                 {dir.path / "missing.csv", "No such file or directory"}};
    std::vector<double> values(MaxSampleCount);
    for (const auto& c : cases) {
        const TextDataResult r = ReadTextDataFile(c.path, values.data());
        EXPECT_FALSE(r.loaded);
        EXPECT_EQ(r.message, MsgFileOpenError) << c.path;
        EXPECT_EQ(r.reason, c.reason) << c.path;
    }
    ::close(writer);
}

TEST(TextDataReader, KeepsTheLimitAndWarnsOnlyWhenMoreDataFollows) {
    struct Case {
        std::string text;
        bool warned;
    };
    const std::string full = Numbers(MaxSampleCount - 1, ",") + "7";
    const Case cases[] = {
        {Numbers(300000, "\n"), true},
        {full + "\r\n", false},  // a complete file ending in a line break
        {full + " \t;", false},
        {full, false},
        {full + "\n8", true},
        {full + "\nx", true},
    };
    TempDir dir;
    std::vector<double> values(MaxSampleCount);
    for (const Case& c : cases) {
        const TextDataResult r = ReadTextDataFile(dir.Write("big.txt", c.text), values.data());
        EXPECT_TRUE(r.loaded);
        EXPECT_EQ(r.count, MaxSampleCount);
        EXPECT_EQ(r.message, c.warned ? MsgExternalTooMany : "") << c.text.substr(c.text.size() - 4);
    }
}

// A large file of numbers in every written form, read as the C library reads
// the same tokens, bit for bit; it spans several windows, so tokens are cut by
// window ends, and the progress runs from 0 to 100 in steps.
TEST(TextDataReader, AgreesWithTheLibraryConversionOnALargeFile) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(-1000.0, 1000.0);
    std::uniform_int_distribution<int> exponent(-320, 300);
    const char* separators[] = {",", ";", " ", "\t", "\r\n", "\n", ", "};
    const char* formats[] = {"%.17g", "%.3f", "%.6e", "%.12E", "%g", "%+.9g", "%.0f."};
    std::string text;
    std::vector<std::string> tokens;
    while (tokens.size() < 200000) {
        char buffer[64];
        const double v = mantissa(rng) * std::pow(10.0, exponent(rng) % 12);
        std::snprintf(buffer, sizeof buffer, formats[rng() % 7], v);
        std::string token = buffer;
        if (rng() % 5 == 0) {
            token = std::to_string(rng() % 100000) + (rng() % 2 ? "D" : "d") + std::to_string(exponent(rng));
        }
        tokens.push_back(token);
        text += token + separators[rng() % 7];
    }
    TempDir dir;
    std::vector<double> values(MaxSampleCount);
    std::vector<int> progress;
    const TextDataResult r =
        ReadTextDataFile(dir.Write("large.csv", text), values.data(), [&](int p) { progress.push_back(p); });
    ASSERT_TRUE(r.message.empty()) << r.message;
    ASSERT_EQ(r.count, tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const double expected = Strtod(tokens[i]);
        ASSERT_EQ(std::memcmp(&values[i], &expected, sizeof(double)), 0) << tokens[i];
    }
    ASSERT_GE(text.size(), size_t{2} << 20);
    ASSERT_EQ(progress.size(), 101u);
    for (int p = 0; p <= 100; ++p) EXPECT_EQ(progress[p], p);
}

// A file written meanwhile (as a logger does) is not taken for the data it held
// at one moment: growing or shrinking during the read is a read error.
TEST(TextDataReader, RefusesAFileThatChangesWhileRead) {
    TempDir dir;
    std::vector<double> values(MaxSampleCount);
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "123456.789,";
    for (const bool grow : {true, false}) {
        const fs::path path = dir.Write("changing.csv", text);
        bool changed = false;
        const TextDataResult r = ReadTextDataFile(path, values.data(), [&](int p) {
            if (p != 10 || changed) return;
            changed = true;
            if (grow) {
                std::ofstream(path, std::ios::binary | std::ios::app) << "12345";
            } else {
                fs::resize_file(path, 100);
            }
        });
        EXPECT_FALSE(r.loaded);
        EXPECT_EQ(r.message, MsgFileReadError);
    }
}

TEST(ExternalData, ChoosesTheReaderByTheName) {
    EXPECT_EQ(ExternalFileKindOf("a.b"), ExternalFileKind::None);
    EXPECT_EQ(ExternalFileKindOf("日本語"), ExternalFileKind::None);
    EXPECT_EQ(ExternalFileKindOf("/tmp/X.KDX"), ExternalFileKind::Waveform);
    EXPECT_EQ(ExternalFileKindOf("ckdx"), ExternalFileKind::Waveform);
    EXPECT_EQ(ExternalFileKindOf("/tmp/x.csv"), ExternalFileKind::Text);
}

TEST(ExternalData, ConvertsWithAndWithoutInterpolation) {
    const double data[] = {0.0, 1.0, -1.0};
    struct Case {
        InterpolationMode mode;
        int64_t start, length;
        double amplitude, offset;
        std::vector<double> expected;
    };
    const Case cases[] = {
        // 100 ns data on a 20 ns grid: each value five times.
        {InterpolationMode::None, 0, 300, 1.0, 0.0, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, -1, -1, -1, -1, -1, 0}},
        // Even steps towards the next value; the last value repeats.
        {InterpolationMode::Linear, 0, 300, 1.0, 0.0,
         {0, 0.2, 0.4, 0.6, 0.8, 1, 0.6, 0.2, -0.2, -0.6, -1, -1, -1, -1, -1, 0}},
        // From 40 ns, for less than the data holds, scaled and offset.
        {InterpolationMode::Linear, 40, 100, 2.0, 0.5, {0.5 + 2 * 0.4, 0.5 + 2 * 0.6, 0.5 + 2 * 0.8, 2.5, 2.5 - 2 * 0.4,
                                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // The last sampling time of the data.
        {InterpolationMode::Linear, 280, 20, 1.0, 0.0, {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<double> work(16, 9.0);
        ASSERT_TRUE(ConvertExternalData(work.data(), 16, data, 3, 100, c.start, c.length, 20, c.amplitude, c.offset,
                                        c.mode));
        for (size_t i = 0; i < work.size(); ++i) EXPECT_NEAR(work[i], c.expected[i], 1e-12) << i;
    }
    // Intervals that do not divide the sampling time, either way: each sample
    // takes the value at its own position, p = start + i dt.
    std::vector<double> ramp(100);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = std::sin(double(i));
    for (const int64_t interval : {7, 30, 33}) {
        std::vector<double> work(40);
        const int64_t start = 50, length = 99 * interval - start;
        ASSERT_TRUE(ConvertExternalData(work.data(), 40, ramp.data(), 100, interval, start, length, 20, 1.0, 0.0,
                                        InterpolationMode::Linear));
        for (int64_t i = 0; i < std::min<int64_t>(40, length / 20); ++i) {
            const int64_t p = start + i * 20, k = p / interval;
            const double expected = ramp[k] + double(p - k * interval) / double(interval) * (ramp[k + 1] - ramp[k]);
            EXPECT_EQ(work[i], expected) << interval << " " << i;
        }
    }
    std::vector<double> work(16);
    EXPECT_FALSE(ConvertExternalData(work.data(), 16, data, 3, 100, 300, 20, 20, 1, 0, InterpolationMode::None));
    // One value: nothing to interpolate towards.
    ASSERT_TRUE(ConvertExternalData(work.data(), 5, data + 1, 1, 100, 0, 100, 20, 1, 0, InterpolationMode::Linear));
    EXPECT_EQ(work, std::vector<double>({1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ExternalData, StretchesThePreviewBetweenTheExtremes) {
    const double data[] = {-3.0, 1.0, 0.0};
    double preview[3], min = 0, max = 0;
    BuildDataPreview(data, 3, preview, min, max);
    EXPECT_EQ(min, -3.0);
    EXPECT_EQ(max, 1.0);
    EXPECT_DOUBLE_EQ(preview[0], -1.2);
    EXPECT_DOUBLE_EQ(preview[1], 1.2);
    EXPECT_DOUBLE_EQ(preview[2], 0.6);
    const double flat[] = {0.5, 0.5000001};
    BuildDataPreview(flat, 2, preview, min, max);
    EXPECT_EQ(preview[0], 0.0);
    EXPECT_EQ(preview[1], 0.0);
}

// ---- The form ----

struct FormFixture {
    CKDXDoc doc;
    std::unique_ptr<ExternalForm> form;
    RecordingPrompts prompts;
    TempDir dir;
    explicit FormFixture(int64_t samplingNs = 20, uint32_t count = 10000, ExternalParams memory = {}) {
        doc.NewWaveform(samplingNs, count);
        GeneratorSetup setup{{doc.GetTotalTime(), doc.GetSamplingTime()}, 0, doc.AnalogSamples()};
        form = std::make_unique<ExternalForm>(setup, memory);
    }
    const FieldState& F(int id) const { return form->Field(id); }
    // A waveform file of n samples at the sampling time, the analog value of
    // sample i being i / 1000, of the given format version.
    fs::path WriteKdx(uint32_t n, int64_t samplingNs, uint32_t version = FileFormatVersion) const {
        CKDXDoc source;
        source.NewWaveform(samplingNs, n);
        for (uint32_t i = 0; i < n; ++i) source.AnalogSamples()[i] = i / 1000.0;
        WaveformHeader header;
        DialogMemories params;
        source.CollectForSave(header, params);
        header.formatVersion = version;
        std::string message;
        const fs::path path = dir.path / "source.kdx";
        EXPECT_TRUE(WriteWaveformFile(path, header, source.GetSampleArrays(), params, message));
        return path;
    }
};

TEST(ExternalForm, LoadsAWaveformFileWithItsInterval) {
    for (const uint32_t version : {FileFormatVersion, 15u}) {
        FormFixture f;
        EXPECT_FALSE(f.form->CreateEnabled());
        EXPECT_EQ(f.form->Load(f.WriteKdx(1000, 100, version).string()), "");
        EXPECT_TRUE(f.form->DataLoaded());
        EXPECT_EQ(f.form->LoadedCount(), 1000u);
        EXPECT_EQ(f.F(ExternalForm::Interval).text, "100");
        EXPECT_EQ(f.F(ExternalForm::Interval).unit, TimeUnitNs);
        EXPECT_EQ(f.form->DataEndNs(), 100000);
        EXPECT_EQ(f.form->DataEndText(), "100 uS");
        // The period proposed: the whole data from the conversion start 0.
        EXPECT_EQ(f.F(ExternalForm::Period).text, "100");
        EXPECT_EQ(f.F(ExternalForm::Period).unit, TimeUnitUs);
        EXPECT_EQ(f.form->MaxValueText(), "0.999");
        EXPECT_EQ(f.form->MinValueText(), "0.000");
        EXPECT_TRUE(f.form->CreateEnabled());
        ASSERT_TRUE(f.form->Create(f.prompts));
        EXPECT_EQ(f.form->WorkCount(), 5000u);
        EXPECT_DOUBLE_EQ(f.form->WorkBuffer()[4999], 0.999);
    }
}

TEST(ExternalForm, ForgetsAFailedLoadAndLoadsNothingForAShortName) {
    FormFixture f;
    const fs::path good = f.dir.Write("good.csv", "1 2 3");
    const fs::path bad = f.dir.Write("bad.csv", "1 2 x");
    EXPECT_EQ(f.form->Load(good.string()), "");
    EXPECT_EQ(f.form->FileName(), good.string());
    EXPECT_EQ(f.form->Load(bad.string()), MsgExternalInvalidData);
    EXPECT_FALSE(f.form->DataLoaded());
    EXPECT_EQ(f.form->LoadedCount(), 0u);
    EXPECT_EQ(f.form->FileName(), "");
    EXPECT_EQ(f.form->Load(good.string()), "");
    EXPECT_EQ(f.form->Load("a.b"), "");
    EXPECT_FALSE(f.form->DataLoaded());
    const fs::path broken = f.dir.Write("broken.kdx", "not a waveform");
    EXPECT_EQ(f.form->Load(broken.string()), MsgFileFormatError);
}

// Interval 100 ns for 1000 values: the conversion start by time and by data
// number describe one position; a start must leave a sampling time of data.
TEST(ExternalForm, CouplesTheStartFieldsAndThePeriod) {
    FormFixture f;
    f.form->Load(f.dir.Write("d.txt", Numbers(1000, " ")).string());
    f.form->SetUnit(ExternalForm::Interval, TimeUnitNs);
    f.form->SetText(ExternalForm::Interval, "100");
    EXPECT_EQ(f.form->DataEndNs(), 100000);
    EXPECT_EQ(f.F(ExternalForm::Period).text, "100");  // uS
    EXPECT_EQ(f.F(ExternalForm::DataNumber).text, "1");

    // A start moved forward cuts the period at the end of the data.
    f.form->SetText(ExternalForm::Start, "99980");
    EXPECT_FALSE(f.F(ExternalForm::Start).marker);
    EXPECT_EQ(f.F(ExternalForm::DataNumber).text, "1000");
    EXPECT_EQ(f.F(ExternalForm::Period).text, "20");
    EXPECT_EQ(f.F(ExternalForm::Period).unit, TimeUnitNs);
    ASSERT_TRUE(f.form->Create(f.prompts));
    EXPECT_EQ(f.form->WorkCount(), 1u);
    f.form->SetText(ExternalForm::Start, "99981");
    EXPECT_TRUE(f.F(ExternalForm::Start).marker);
    EXPECT_FALSE(f.form->CreateEnabled());

    f.form->SetStartMode(ExternalForm::ByDataNumber);
    struct Case {
        std::string number;
        bool valid;
        std::string time;
    };
    const Case cases[] = {{"1", true, "0"}, {"1000", true, "99.9"}, {"1001", false, ""}, {"0", false, ""}};
    for (const Case& c : cases) {
        f.form->SetText(ExternalForm::DataNumber, c.number);
        EXPECT_EQ(f.F(ExternalForm::DataNumber).marker, !c.valid) << c.number;
        EXPECT_EQ(f.F(ExternalForm::Start).text, c.time) << c.number;
    }
    EXPECT_FALSE(f.F(ExternalForm::Start).enabled);

    // Data at 10 ns on a 20 ns document: the last value is the last 10 ns,
    // less than one sample, so it cannot start a conversion.
    f.form->SetText(ExternalForm::Interval, "10");
    f.form->SetText(ExternalForm::DataNumber, "999");
    EXPECT_FALSE(f.F(ExternalForm::DataNumber).marker);
    f.form->SetText(ExternalForm::DataNumber, "1000");
    EXPECT_TRUE(f.F(ExternalForm::DataNumber).marker);

    // An interval whose data end lies beyond the 64-bit time range is refused.
    f.form->SetUnit(ExternalForm::Interval, TimeUnitS);
    f.form->SetText(ExternalForm::Interval, "10000000");
    EXPECT_TRUE(f.F(ExternalForm::Interval).marker);
    EXPECT_EQ(f.form->DataEndNs(), 0);
}

TEST(ExternalForm, ConvertsIntoTheWorkBufferAndAppliesLikeAGenerator) {
    FormFixture f(20, 10000, ExternalParams{100, TimeUnitNs, 2.0, 0.5, 1});
    EXPECT_EQ(f.F(ExternalForm::Amplitude).text, "2.000");
    f.form->Load(f.dir.Write("d.csv", "0,1,-1").string());
    EXPECT_EQ(f.F(ExternalForm::Period).text, "300");
    // A period beyond the data: the rest of the stretch stays 0.0.
    f.form->SetText(ExternalForm::Period, "330");
    ASSERT_TRUE(f.form->Create(f.prompts));
    ASSERT_EQ(f.form->WorkCount(), 16u);
    EXPECT_DOUBLE_EQ(f.form->WorkBuffer()[1], 0.5 + 2 * 0.2);
    EXPECT_DOUBLE_EQ(f.form->WorkBuffer()[14], -1.5);
    EXPECT_EQ(f.form->WorkBuffer()[15], 0.0);
    ASSERT_EQ(f.prompts.messages.size(), 1u);  // the period rounded to 320 ns
    EXPECT_NE(f.prompts.messages[0].find("[期間] "), std::string::npos);

    // A change of the interval that moves the data end makes the preview stale.
    f.form->SetText(ExternalForm::Interval, "200");
    EXPECT_FALSE(f.form->OperationsEnabled());
    EXPECT_TRUE(f.form->PreviewDrawn());

    // Samples beyond the double range are a conversion error.
    f.form->SetText(ExternalForm::Amplitude, "1e308");
    f.form->SetText(ExternalForm::Offset, "1e308");
    EXPECT_FALSE(f.form->Create(f.prompts));
    EXPECT_EQ(f.prompts.messages.back(), MsgConversionError);
    EXPECT_FALSE(f.form->PreviewDrawn());
}

}  // namespace
}  // namespace kdx
