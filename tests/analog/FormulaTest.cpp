// The formula generator without a window: the variables at chosen samples,
// the added functions at their edges, unit suffixes, the range choices,
// where a bad expression is reported, the refusal of values that are not
// numbers, and the expression history.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "analog/AnalogRunners.h"
#include "document/KDXDoc.h"
#include "document/WaveformLimits.h"
#include "RecordingPrompts.h"

using namespace kdx;

namespace {

// Documents of 50000 samples at 20 ns.
constexpr int64_t Dt = 20;

// The expression's value at stretch sample i of a 100-sample stretch from
// document sample 5000 over the given samples.
double ValueAt(const std::string& text, uint32_t i, const double* document = nullptr) {
    auto compiled = FormulaProgram::Compile(text, FormulaStretch{Dt, 100 * Dt, document, 50000, 5000});
    EXPECT_TRUE(std::holds_alternative<FormulaProgram>(compiled)) << text;
    if (!std::holds_alternative<FormulaProgram>(compiled)) return std::nan("");
    std::vector<double> out(100);
    std::get<FormulaProgram>(compiled).Evaluate(out.data(), 100);
    return out[i];
}

FormulaSyntaxError ErrorOf(const std::string& text) {
    auto compiled = FormulaProgram::Compile(text, FormulaStretch{Dt, Dt, nullptr, 0, 0});
    EXPECT_TRUE(std::holds_alternative<FormulaSyntaxError>(compiled)) << text;
    return std::holds_alternative<FormulaSyntaxError>(compiled) ? std::get<FormulaSyntaxError>(compiled)
                                                                 : FormulaSyntaxError{};
}

}  // namespace

TEST(Formula, VariablesFunctionsAndSuffixes) {
    std::vector<double> document(50000, 0.5);
    document[5003] = -0.25;
    const struct {
        const char* text;
        uint32_t i;
        double expected;
    } cases[] = {
        {"t", 3, 60.0 / 1e9},  // (i x dt) / 1e9
        {"t", 99, 1980.0 / 1e9},
        {"n", 7, 7.0},
        {"T", 0, 2000.0 / 1e9},
        {"dt", 0, 20.0 / 1e9},
        {"fs", 0, 5e7},
        {"x", 3, -0.25},  // the document at edit start + i
        {"x", 4, 0.5},
        {"pi", 0, std::numbers::pi},
        {"e", 0, std::numbers::e},
        {"frac(-0.25)", 0, 0.75},
        {"frac(-1)", 0, 0.0},
        {"saw(0)", 0, -1.0},
        {"saw(0.75)", 0, 0.5},
        {"sq(0.49)", 0, 1.0},
        {"sq(0.5)", 0, -1.0},
        {"sq(-0.25)", 0, -1.0},
        {"tri(0)", 0, -1.0},
        {"tri(0.5)", 0, 1.0},
        {"tri(1.25)", 0, 0.0},
        {"pulse(0, 0)", 0, 0.0},
        {"pulse(0.999, 1)", 0, 1.0},
        {"pulse(0.3, 0.25)", 0, 0.0},
        {"step(0)", 0, 1.0},
        {"step(-1e-300)", 0, 0.0},
        {"sinc(0)", 0, 1.0},
        {"sinc(0.5)", 0, 2.0 / std::numbers::pi},
        {"clip(2, -1, 1)", 0, 1.0},
        {"clip(-3, -1, 1)", 0, -1.0},
        {"n > 2 ? 2^3 : max(1, 4, 2)", 1, 4.0},
        {"1kHz", 0, 1e3},
        {"2MHz", 0, 2e6},
        {"5Hz", 0, 5.0},
        {"3ns", 0, 3e-9},
        {"5ms", 0, 5e-3},
        {"7s", 0, 7.0},
        {"250mV", 0, 0.25},
        {"2V", 0, 2.0},
        {"1.5e3Hz", 0, 1500.0},
        {".5us*2", 0, 1e-6},
    };
    for (const auto& c : cases) EXPECT_EQ(ValueAt(c.text, c.i, document.data()), c.expected) << c.text;
    // Past the end of the document x is 0.0.
    const double edgeDocument[3] = {0.5, 0.75, 9.0};
    auto edge = FormulaProgram::Compile("x", FormulaStretch{Dt, 3 * Dt, edgeDocument, 2, 1});
    double out[3] = {};
    std::get<FormulaProgram>(edge).Evaluate(out, 3);
    EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{0.75, 0.0, 0.0}));
    EXPECT_NEAR(ValueAt("10us", 0), 1e-5, 1e-5 * 1e-15);
    // Time is real time: the familiar sine is exactly the C++ one.
    for (uint32_t i : {1u, 37u, 99u})
        EXPECT_EQ(ValueAt("sin(2*pi*1kHz*t)", i), std::sin(2 * std::numbers::pi * 1000.0 * (i * 20.0 / 1e9)));
}

TEST(Formula, SyntaxErrorsNameTheCharacterAndToken) {
    const struct {
        const char* text;
        int position;
        const char* token;
    } cases[] = {
        {"2+*3", 3, "*"},          {"foo+1", 1, "foo"},       {"sin(", 5, ""},      {"sin(t", 6, ""},
        {"2 3", 3, "3"},           {"10 us", 4, "us"},        {"2s*ü", 4, "ü"},     {"sin(t), 2", 7, ","},
        {"10usx", 3, "usx"},     {"", 1, ""},
    };
    for (const auto& c : cases) {
        const FormulaSyntaxError e = ErrorOf(c.text);
        EXPECT_EQ(e.position, c.position) << c.text;
        EXPECT_EQ(e.token, c.token) << c.text;
    }
    EXPECT_EQ(FormulaSyntaxMessage({3, "*"}), "数式の 3 文字目「*」に誤りがあります");
    EXPECT_EQ(FormulaSyntaxMessage({5, ""}), "数式の 5 文字目（式の終わり）に誤りがあります");
}

TEST(Formula, RangeChoices) {
    const struct {
        FormulaRange range;
        std::vector<double> in, out;
    } cases[] = {
        {FormulaRange::Keep, {0.5, -2.0, 1.5, 1.0}, {0.5, -2.0, 1.5, 1.0}},
        {FormulaRange::Clip, {0.5, -2.0, 1.5, 1.0}, {0.5, -1.0, 1.0, 1.0}},
        {FormulaRange::Scale, {0.5, -2.0, 1.5, 1.0}, {0.25, -1.0, 0.75, 0.5}},
        {FormulaRange::Scale, {0.5, -1.0}, {0.5, -1.0}},  // nothing beyond: kept
    };
    for (const auto& c : cases) {
        std::vector<double> v = c.in;
        const FormulaRangeReport r = ApplyFormulaRange(v.data(), static_cast<uint32_t>(v.size()), c.range);
        EXPECT_EQ(v, c.out);
        EXPECT_EQ(r.outside, c.in.size() == 4 ? 2u : 0u);  // before the choice
        EXPECT_EQ(r.largest, c.in.size() == 4 ? 2.0 : 1.0);
    }
}

TEST(Formula, HistoryKeepsTheNewestTwentyOnce) {
    std::vector<std::string> h;
    for (int k = 0; k < 25; ++k) RememberFormula(h, "t*" + std::to_string(k));
    ASSERT_EQ(h.size(), 20u);
    EXPECT_EQ(h.front(), "t*24");
    EXPECT_EQ(h.back(), "t*5");
    RememberFormula(h, "t*10");
    ASSERT_EQ(h.size(), 20u);
    EXPECT_EQ(h[0], "t*10");
    EXPECT_EQ(h[1], "t*24");
    EXPECT_EQ(std::count(h.begin(), h.end(), "t*10"), 1);
}

TEST(FormulaForm, CreateReportsAndRefusesAndTheRunnerKeepsTheDocument) {
    CKDXDoc doc;
    ASSERT_TRUE(doc.NewWaveform(Dt, 50000));
    doc.GetAnalogSamples();
    test::RecordingPrompts s;
    FormulaMemory memory;
    memory.history = {"t"};
    std::string report;
    const auto run = [&](const std::string& text, FormulaRange range, uint32_t cursor) {
        return RunFormulaDialog(doc, cursor, s, memory, [&](FormulaForm& f) {
            EXPECT_EQ(f.Field(FormulaForm::Expression).text, memory.expression.empty() ? "t" : memory.expression);
            f.SetUnit(FormulaForm::Period, TimeUnitNs);
            f.SetText(FormulaForm::Period, "100");
            f.SetText(FormulaForm::Expression, text);
            f.SetRange(range);
            if (!f.Create(s)) return false;
            report = f.ReportText();
            return f.Apply(GeneratorOperation::Replace, s);
        });
    };
    // 5 samples of 1 + n/4 beyond the range from the second: scaled by the largest.
    ASSERT_TRUE(run("x + 1 + n/4", FormulaRange::Scale, 49000));
    EXPECT_EQ(report, "範囲外：4 サンプル　最大 |値|：2.000 V");
    EXPECT_EQ(doc.GetAnalogSamples()[49000], 0.5);
    EXPECT_EQ(doc.GetAnalogSamples()[49004], 1.0);
    EXPECT_EQ(memory.expression, "x + 1 + n/4");
    EXPECT_EQ(memory.history, (std::vector<std::string>{"x + 1 + n/4", "t"}));
    EXPECT_EQ(memory.range, FormulaRange::Scale);

    // x reads the document where each value is written.
    ASSERT_TRUE(run("x - n/4", FormulaRange::Clip, 49003));
    const std::vector<double> written(doc.GetAnalogSamples() + 49003, doc.GetAnalogSamples() + 49009);
    EXPECT_EQ(written, (std::vector<double>{0.875, 0.75, -0.5, -0.75, -1.0, 0.0}));

    const std::vector<double> before(doc.GetAnalogSamples(), doc.GetAnalogSamples() + 50000);
    const int editCount = doc.GetEditCount();
    s.messages.clear();
    EXPECT_FALSE(run("1/(n-2)", FormulaRange::Keep, 100));
    EXPECT_FALSE(run("sqrt(-1)", FormulaRange::Keep, 100));
    EXPECT_FALSE(run("2+*3", FormulaRange::Keep, 100));
    EXPECT_EQ(s.messages, (std::vector<std::string>{"数式の値が t = 40 nS で有限の数になりません",
                                                    "数式の値が t = 0 nS で有限の数になりません",
                                                    "数式の 3 文字目「*」に誤りがあります"}));
    EXPECT_EQ(std::vector<double>(doc.GetAnalogSamples(), doc.GetAnalogSamples() + 50000), before);
    EXPECT_EQ(doc.GetEditCount(), editCount);
}
