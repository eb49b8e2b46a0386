#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "document/WaveformFile.h"
#include "frame/ExportForms.h"

namespace kdx {
namespace {

TEST(ExportForms, ProposedNameTakesTheFormatsExtension) {
    const struct {
        const char* title;
        ExportFormat format;
        const char* name;
    } cases[] = {
        {"wave.kdx", ExportFormat::Csv, "wave.csv"},
        {"無題", ExportFormat::Wav, "無題.wav"},
        {"a.b.KDX", ExportFormat::Vcd, "a.b.vcd"},
        {"notkdx", ExportFormat::Pwl, "notkdx.pwl"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExportFileName(c.title, c.format), c.name) << c.title;
}

TEST(ExportForms, PwlChecksAtSamplingTime20ns) {
    const std::string edgeMessage = "[エッジ時間] 0 より大きく、サンプリング時間（20 nS）より小さくしてください";
    const std::string highMessage = "[ハイレベル] 数値を入力してください";
    const struct {
        PwlFormInput input;
        PwlField field;  // None: accepted as expected
        PwlOptions expected;
    } cases[] = {
        {{0, "junk", "1", TimeUnitNs}, PwlField::None, {-1, 3.3, 1}},  // the analog channel ignores the level
        {{0, "5", "1", TimeUnitNs}, PwlField::None, {-1, 5.0, 1}},     // but keeps a readable one
        {{1, "5", "19", TimeUnitNs}, PwlField::None, {0, 5.0, 19}},
        {{4, "-1.5E0", "0.01", TimeUnitUs}, PwlField::None, {3, -1.5, 10}},
        {{2, "", "1", TimeUnitNs}, PwlField::High, {}},
        {{2, "1e400", "1", TimeUnitNs}, PwlField::High, {}},
        {{1, "3.3", "20", TimeUnitNs}, PwlField::Edge, {}},
        {{1, "3.3", "0", TimeUnitNs}, PwlField::Edge, {}},
        {{0, "3.3", "-1", TimeUnitNs}, PwlField::Edge, {}},
        {{0, "3.3", "0.5", TimeUnitNs}, PwlField::Edge, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.high + " / " + c.input.edge);
        const PwlFormCheck check = CheckPwlForm(c.input, 20);
        EXPECT_EQ(check.field, c.field);
        if (c.field == PwlField::None) {
            ASSERT_TRUE(check.options);
            EXPECT_EQ(check.options->channel, c.expected.channel);
            EXPECT_EQ(check.options->highVolts, c.expected.highVolts);
            EXPECT_EQ(check.options->edgeNs, c.expected.edgeNs);
        } else {
            EXPECT_FALSE(check.options);
            EXPECT_EQ(check.message, c.field == PwlField::High ? highMessage : edgeMessage);
        }
    }
}

TEST(ExportForms, PwlFieldsShowAChoiceThatReadsBackTheSame) {
    const PwlFormInput defaults = PwlFormInputOf(PwlOptions{});
    EXPECT_EQ(defaults.channel, 0);
    EXPECT_EQ(defaults.high, "3.3");
    EXPECT_EQ(defaults.edge, "1");
    EXPECT_EQ(defaults.edgeUnit, TimeUnitNs);
    const PwlOptions chosen{2, 0.1, 1500};
    const auto again = CheckPwlForm(PwlFormInputOf(chosen), 2000).options;
    ASSERT_TRUE(again);
    EXPECT_EQ(again->channel, 2);
    EXPECT_EQ(again->highVolts, 0.1);
    EXPECT_EQ(again->edgeNs, 1500);
}

class ExportWrite : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("kdx_export_forms_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    static std::string Read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::filesystem::path dir;
    double analog[3] = {0.0, 1.5, -2.0};
    uint8_t bits[4][3] = {{0, 1, 0}, {1, 1, 1}, {0, 0, 0}, {1, 0, 1}};
    ExportSource Source(int64_t samplingNs) const {
        return {{analog, {bits[0], bits[1], bits[2], bits[3]}}, 3, samplingNs};
    }
};

TEST_F(ExportWrite, WavTellsTheRateErrorAndTheClipping) {
    ExportChoice choice{ExportFormat::Wav, {WavSampleFormat::Pcm16, false}, {}};
    ExportOutcome out = WriteExport(dir / "a.wav", Source(30), choice);
    EXPECT_TRUE(out.written);
    EXPECT_EQ(out.message,
              "サンプリング周波数を 33333333 Hz に丸めたため（1 / 30 nS = 33333333.333 Hz）、周波数の誤差は -0.010 ppm "
              "です。\n\n±1.0 V を超える 2 サンプルをフルスケールに制限しました。");
    EXPECT_EQ(Read(dir / "a.wav"), WavBytes(Source(30), choice.wav).bytes);

    choice.wav.format = WavSampleFormat::Float;
    out = WriteExport(dir / "a.wav", Source(20), choice);
    EXPECT_TRUE(out.written);
    EXPECT_EQ(out.message, "");
}

TEST_F(ExportWrite, EachFormatWritesItsTextAndAFailureIsTold) {
    const ExportSource source = Source(20);
    std::string csv;
    WriteCsv(source, [&csv](std::string_view piece) {
        csv += piece;
        return true;
    });
    const PwlOptions pwl{1, 5.0, 2};
    const struct {
        ExportFormat format;
        std::string text;
    } cases[] = {
        {ExportFormat::Csv, csv}, {ExportFormat::Vcd, VcdText(source)}, {ExportFormat::Pwl, PwlText(source, pwl)}};
    for (const auto& c : cases) {
        const ExportOutcome out = WriteExport(dir / "x.txt", source, {c.format, {}, pwl});
        EXPECT_TRUE(out.written);
        EXPECT_EQ(out.message, "");
        EXPECT_EQ(Read(dir / "x.txt"), c.text);
    }
    const ExportOutcome out = WriteExport(dir / "no" / "x.vcd", source, {ExportFormat::Vcd, {}, {}});
    EXPECT_FALSE(out.written);
    EXPECT_EQ(out.message, MsgFileOpenError);
}

}  // namespace
}  // namespace kdx
