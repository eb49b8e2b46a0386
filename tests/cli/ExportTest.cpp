// kdx-tool export's VCD and PWL files, read back by an independent reader
// (sigrok-cli) or by the sample-and-hold rule the generator plays.
#include <gtest/gtest.h>

#include <bit>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "document/KDXDoc.h"
#include "document/WaveformFile.h"
#include "support/ToolFixture.h"

namespace fs = std::filesystem;

namespace {

using kdx::testing::ReadText;

constexpr uint32_t Count = 60;
constexpr int64_t Dt = 40;

class Export : public kdx::testing::ToolTest {
protected:
    // Irregular bits on every channel and analog values that need all 17 digits.
    void SetUp() override {
        ToolTest::SetUp();
        ASSERT_TRUE(doc.NewWaveform(Dt, Count));
        uint32_t x = 12345;
        for (uint32_t i = 0; i < Count; ++i) {
            x = x * 1103515245u + 12345u;
            for (int ch = 0; ch < 4; ++ch) doc.DigitalChannel(ch)[i] = (x >> (16 + ch * 3)) & 1;
            const double fresh = (double(x >> 8) / (1 << 24)) * 2 - 1.0 / 3;
            doc.AnalogSamples()[i] = i % 7 == 3 ? doc.AnalogSamples()[i - 1] : fresh;
        }
        doc.AnalogSamples()[5] = 1e-300;
        doc.AnalogSamples()[6] = -0.0;
        Save("w.kdx");
    }

    void Save(const std::string& name) {
        kdx::WaveformHeader header;
        kdx::DialogMemories params;
        doc.CollectForSave(header, params);
        std::string message;
        ASSERT_TRUE(kdx::WriteWaveformFile(dir / name, header, doc.GetSampleArrays(), params, message));
    }

    // The value held at time t by the lines "time value" (linear between points).
    static double PwlAt(const std::vector<std::pair<double, double>>& points, double t) {
        for (size_t k = 1; k < points.size(); ++k) {
            const auto [t0, v0] = points[k - 1];
            const auto [t1, v1] = points[k];
            if (t == t1) return v1;
            if (t < t1) return v0 + (v1 - v0) * (t - t0) / (t1 - t0);
        }
        return points.back().second;
    }

    kdx::CKDXDoc doc;
};

TEST_F(Export, VcdShowsTheCsvBitsInSigrokAtEverySample) {
    if (std::system("command -v sigrok-cli >/dev/null") != 0) GTEST_SKIP() << "sigrok-cli is not installed";
    auto r = Tool("export " + P("w.kdx") + " --format vcd -o " + P("w.vcd"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    const std::string vcd = ReadText(dir / "w.vcd");
    EXPECT_EQ(Tool("export " + P("w.kdx") + " --format vcd").out, vcd);  // same bytes, to standard output too
    EXPECT_EQ(vcd.substr(vcd.size() - 7), "\n#" + std::to_string(Count * Dt) + "\n");

    ASSERT_EQ(std::system(("sigrok-cli -I vcd -i " + P("w.vcd") + " -O csv >" + P("s.csv")).c_str()), 0);
    std::vector<std::string> rows;  // one per nanosecond
    std::istringstream sigrok(ReadText(dir / "s.csv"));
    for (std::string line; std::getline(sigrok, line);)
        if (!line.empty() && (line[0] == '0' || line[0] == '1')) rows.push_back(line);
    ASSERT_GE(rows.size(), (Count - 1) * Dt + 1);

    std::istringstream csv(Tool("export " + P("w.kdx")).out);
    std::string line;
    std::getline(csv, line);
    for (uint32_t i = 0; std::getline(csv, line); ++i) {
        // index,time,analog,b0,b1,b2,b3 against b0,b1,b2,b3
        EXPECT_EQ(line.substr(line.size() - 7), rows[i * Dt]) << "sample " << i;
    }

    // The reals read back to the stored doubles, held until the next change.
    double analog = 0;
    uint32_t sample = 0;
    std::istringstream lines(vcd);
    auto checkUpTo = [&](uint32_t end) {
        for (; sample < end && sample < Count; ++sample)
            EXPECT_EQ(std::bit_cast<uint64_t>(analog), std::bit_cast<uint64_t>(doc.AnalogSamples()[sample])) << sample;
    };
    while (std::getline(lines, line)) {
        if (line[0] == '#') checkUpTo(static_cast<uint32_t>(std::stoll(line.substr(1)) / Dt));
        if (line[0] == 'r') analog = std::strtod(line.c_str() + 1, nullptr);
    }
    checkUpTo(Count);
}

TEST_F(Export, PwlSampledAtEachSampleTimeGivesTheSample) {
    struct Case {
        std::string options;
        int channel;
        double high;
    };
    for (const Case& c : {Case{"", -1, 0}, Case{" --pwl-channel 2 --pwl-high 5 --pwl-edge '5 nS'", 2, 5},
                          Case{" --pwl-channel 0", 0, 3.3}}) {
        auto r = Tool("export " + P("w.kdx") + " --format pwl -o " + P("w.pwl") + c.options);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::pair<double, double>> points;
        std::istringstream lines(ReadText(dir / "w.pwl"));
        for (std::string line; std::getline(lines, line);) {
            const size_t blank = line.find(' ');
            ASSERT_NE(blank, std::string::npos) << line;
            points.emplace_back(std::strtod(line.c_str(), nullptr), std::strtod(line.c_str() + blank + 1, nullptr));
            if (points.size() > 1) {
                ASSERT_LT(points[points.size() - 2].first, points.back().first) << c.options;
            }
        }
        EXPECT_EQ(points.front().first, 0.0);
        EXPECT_EQ(points.back().first, Count * Dt / 1e9);
        for (uint32_t i = 0; i < Count; ++i) {
            const double want = c.channel < 0 ? doc.AnalogSamples()[i] : doc.DigitalChannel(c.channel)[i] ? c.high : 0;
            EXPECT_EQ(PwlAt(points, i * Dt / 1e9), want) << c.options << " sample " << i;
        }
    }
    for (const char* edge : {"40", "0", "1 mS", "fast"}) {
        auto r = Tool("export " + P("w.kdx") + " --format pwl --pwl-edge '" + edge + "'");
        EXPECT_EQ(r.exitCode, 2) << edge;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(Tool("export " + P("w.kdx") + " --format pwl --pwl-edge 40").err,
              "the edge time must be more than 0 and less than the sampling time (40 nS)\n");
}

TEST_F(Export, SoxReadsTheWavBack) {
    if (std::system("command -v sox >/dev/null") != 0) GTEST_SKIP() << "sox is not installed";
    // sox carries samples as 32-bit integers: values of k/32 in [-1, 1) pass
    // through it exactly, and two beyond full scale are clipped by PCM.
    for (uint32_t i = 0; i < Count; ++i) doc.AnalogSamples()[i] = double(int(i * 37 % 64) - 32) / 32;
    doc.AnalogSamples()[3] = 1.5;
    doc.AnalogSamples()[4] = -3;
    Save("v.kdx");
    struct Case {
        std::string options;
        int channels;
        double step;  // one PCM code; 0 for float
    };
    for (const Case& c : {Case{"", 1, 0}, Case{" --wav-format pcm16 --wav-digital", 5, 1.0 / 32768},
                          Case{" --wav-format pcm24", 1, 1.0 / 8388608}}) {
        auto r = Tool("export " + P("v.kdx") + " --format wav -o " + P("v.wav") + c.options);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, c.step == 0 ? "" : "2 samples beyond ±1.0 V were clipped to full scale\n");
        ASSERT_EQ(std::system(("sox --i " + P("v.wav") + " >" + P("i.txt") + " 2>/dev/null").c_str()), 0);
        const std::string info = ReadText(dir / "i.txt");
        EXPECT_NE(info.find("Channels       : " + std::to_string(c.channels) + "\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Sample Rate    : 2.5e+07\n"), std::string::npos) << info;
        ASSERT_EQ(std::system(("sox -D " + P("v.wav") + " -t f32 " + P("v.raw") + " 2>/dev/null").c_str()), 0);
        const std::string raw = ReadText(dir / "v.raw");
        ASSERT_EQ(raw.size(), Count * c.channels * sizeof(float)) << c.options;
        for (uint32_t i = 0; i < Count; ++i) {
            float got[5];
            std::memcpy(got, raw.data() + i * c.channels * sizeof(float), c.channels * sizeof(float));
            const double v = doc.AnalogSamples()[i];
            if (c.step == 0 && (v < -1 || v >= 1)) continue;  // sox itself clips these
            EXPECT_NEAR(got[0], c.step == 0 ? float(v) : std::clamp(v, -1.0, 1.0), c.step) << c.options << i;
            for (int ch = 1; ch < c.channels; ++ch)
                EXPECT_NEAR(got[ch], doc.DigitalChannel(ch - 1)[i], c.step) << c.options << i;
        }
    }
    // A sampling time that does not divide a second: the nearest rate, and by how much it is off.
    ASSERT_TRUE(doc.NewWaveform(60, 10));
    Save("r.kdx");
    auto r = Tool("export " + P("r.kdx") + " --format wav -o " + P("r.wav"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "WAV rate 16666667 Hz: 1 / 60 nS is 16666666.667 Hz, a rate error of +0.020 ppm\n");
}

TEST_F(Export, OutputIsWrittenAsSaveWritesIt) {
    // Through a link the named file is written and the link stays.
    fs::create_symlink("real.csv", dir / "link.csv");
    ASSERT_EQ(Tool("export " + P("w.kdx") + " -o " + P("link.csv")).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.csv"));
    EXPECT_EQ(ReadText(dir / "real.csv"), Tool("export " + P("w.kdx")).out);

    // A failure names the file and why, and leaves the old file whole.
    fs::create_directory(dir / "sub");
    auto r = Tool("export " + P("w.kdx") + " --format vcd -o " + P("sub"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ファイルオープンエラーです。\n" + (dir / "sub").string() + ": Is a directory\n");
    r = Tool("export " + P("w.kdx") + " --format vcd -o /dev/full");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ファイルオープンエラーです。\n/dev/full: not a regular file\n");
    fs::permissions(dir / "real.csv", fs::perms::owner_write, fs::perm_options::remove);
    r = Tool("export " + P("w.kdx") + " --format pwl -o " + P("real.csv"));
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(ReadText(dir / "real.csv"), Tool("export " + P("w.kdx")).out);
    EXPECT_EQ(Tool("export " + P("w.kdx") + " --format mp3").exitCode, 2);
}

}  // namespace
