// kdx-tool apply with the analog shapes, run as a script runs it: each shape
// against the shape's own computation, the options a dialog would refuse, the
// dialog's messages, the memories and cursor in the file, chained applies.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "analog/AnalogShapes.h"
#include "document/WaveformFile.h"
#include "support/ToolFixture.h"

using nlohmann::json;

namespace {

class KdxToolApply : public kdx::testing::ToolTest {
protected:
    // 1 mS of 50000 samples at 20 nS.
    void SetUp() override {
        ToolTest::SetUp();
        ASSERT_EQ(Tool("new -o " + P("w.kdx") + " --sampling 20nS --count 50000").exitCode, 0);
    }
    std::unique_ptr<kdx::SampleBuffers> Samples(const std::string& name) {
        auto b = std::make_unique<kdx::SampleBuffers>();
        kdx::WaveformHeader header;
        kdx::DialogMemories params;
        std::string message;
        EXPECT_TRUE(
            kdx::ReadWaveformFile(dir / name, header, kdx::ArraysOf(*b), params, kdx::FileFormatVersion, message));
        return b;
    }
    json Info(const std::string& name) { return json::parse(Tool("info " + P(name)).out); }
};

constexpr uint64_t Total = 1000000;
constexpr int64_t Dt = 20;

}  // namespace

TEST_F(KdxToolApply, EachShapeIsTheDialogsComputation) {
    using Compute = std::function<bool(double*)>;
    const struct {
        std::string args;
        int64_t period;
        Compute compute;
    } shapes[] = {
        {"sine --period 200uS --t1 50uS --amplitude 0.8 --offset 0.1 --repeat 3 --t0 5uS", 200000,
         [](double* b) { return kdx::computeSine(b, Total, Dt, 0, 200000, 50000, 5000, 0.8, 0.1, 3); }},
        {"sine --period 200uS --t1 50uS --amplitude 0.8 --phase 90", 200000,  // t0 = -12.5 uS
         [](double* b) { return kdx::computeSine(b, Total, Dt, 0, 200000, 50000, -12500, 0.8, 0.0, 1); }},
        {"rectangle --period 200uS --t1 10uS --t2 20uS --t3 10uS --t4 20uS --v1 1 --v2 -1 --repeat 2 --v0 0", 200000,
         [](double* b) {
             return kdx::computeRectangle(b, Total, Dt, 0, 200000, 5000, 10000, 20000, 10000, 20000, 0, 1, -1, 2);
         }},
        {"dc --period 30uS --value -0.7 --op add", 30000,
         [](double* b) { return kdx::computeDc(b, Total, Dt, 0, 30000, -0.7); }},
        {"ramp --period 30uS --initial 1 --final -1", 30000,
         [](double* b) { return kdx::computeRamp(b, Total, Dt, 0, 30000, 1, -1); }},
        {"exp --period 30uS --initial 0 --final 1 --tau 5uS", 30000,
         [](double* b) { return kdx::computeExponential(b, Total, Dt, 0, 30000, 5000, 0, 1); }},
        {"noise --period 30uS --pp 66 --seed 7", 30000,
         [](double* b) {
             kdx::NoiseTable table;
             return kdx::computeNoise(b, Total, Dt, 0, 30000, 0.01, 7, table);
         }},
    };
    std::vector<double> expected(kdx::MaxSampleCount);
    for (const auto& s : shapes) {
        const auto run = Tool("apply " + P("w.kdx") + " -o " + P("out.kdx") + " " + s.args + " --start 0.1mS");
        ASSERT_EQ(run.exitCode, 0) << s.args << "\n" << run.err;
        ASSERT_TRUE(s.compute(expected.data()));
        const auto out = Samples("out.kdx");
        EXPECT_EQ(out->analog[4999], 0.0) << s.args;
        for (int64_t i = 0; i < s.period / Dt; ++i) ASSERT_EQ(out->analog[5000 + i], expected[i]) << s.args << " " << i;
        EXPECT_EQ(out->analog[5000 + s.period / Dt], 0.0) << s.args;
    }
}

TEST_F(KdxToolApply, RefusedOptionsNameThemselvesAndWriteNothing) {
    const struct {
        std::string args;
        std::string err;  // what stderr begins with
    } refused[] = {
        {"sine --period 200uS --t1 60nS --amplitude 1", "invalid --t1 (60 nS)"},  // fewer than 4 samples a cycle
        {"sine --period 200uS --t1 50uS --amplitude 0", "invalid --amplitude (0)"},
        {"rectangle --period 1uS --v1 1 --v2 1 --t2 100nS", "invalid --v1 (1), --v2 (1)"},
        {"rectangle --period 1uS --v1 1 --v2 0", "invalid --t1 + --t2 + --t3 + --t4: no cycle"},
        {"dc --period 2mS --value 1", "invalid --period (2 mS)"},
        {"dc --period 1uS --value 1 --start 1mS", "invalid --start (1 mS, beyond the last sample)"},
        {"dc --period 1xS --value 1", "invalid --period: 1xS"},
        {"noise --period 1uS --rms 0.0005", "invalid --rms (0.0005)"},
        {"noise --period 1uS", "noise needs --rms or --pp"},
    };
    for (const auto& r : refused) {
        const auto run = Tool("apply " + P("w.kdx") + " -o " + P("out.kdx") + " " + r.args);
        EXPECT_EQ(run.exitCode, 2) << r.args;
        EXPECT_EQ(run.err.rfind(r.err, 0), 0u) << r.args << "\n" << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.kdx")) << r.args;
    }
    EXPECT_EQ(Tool("apply " + P("w.kdx") + " -o " + P("out.kdx") + " dc --period 1uS --value 1 --op divide").exitCode,
              2);

    // Adjustments are the dialog's messages, answered OK.
    const auto run = Tool("apply " + P("w.kdx") + " -o " + P("out.kdx") + " dc --period 1.01uS --value 1 --start 30nS");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err,
              "サンプリング時間の整数倍にするため、[期間] を調節します。\n\n1.01 uS　→　1 uS\n"
              "サンプリング時間の整数倍にするため、[編集開始] を調節します。\n\n30 nS　→　20 nS\n");
}

TEST_F(KdxToolApply, ChainedAppliesFollowOnAndKeepTheMemories) {
    const json before = Info("w.kdx");
    ASSERT_EQ(Tool("apply " + P("w.kdx") + " -o " + P("w.kdx") + " dc --period 10uS --value 0.5").exitCode, 0);
    ASSERT_EQ(Tool("apply " + P("w.kdx") + " -o " + P("w.kdx") + " ramp --period 4uS --initial 0 --final 1").exitCode,
              0);
    const json after = Info("w.kdx");
    EXPECT_EQ(after["edit_count"], 2);
    EXPECT_NE(after["data_id"], before["data_id"]);
    EXPECT_EQ(after["view"]["cursorSample"], 700);  // 500 + 200: ready for the next shape
    EXPECT_EQ(after["params"]["dcParams"], (json{{"period", 10000}, {"periodUnit", 1}, {"value", 0.5}}));
    EXPECT_EQ(after["params"]["rampParams"]["finalValue"], 1.0);
    const auto samples = Samples("w.kdx");
    EXPECT_EQ(samples->analog[499], 0.5);
    EXPECT_EQ(samples->analog[500], 0.0);  // the ramp begins where the DC ended
    EXPECT_EQ(samples->analog[699], 199.0 / 200);
    EXPECT_EQ(samples->analog[700], 0.0);
}

TEST_F(KdxToolApply, FormulaIsTheDialogsComputationAndRefusesBadExpressions) {
    const auto run = Tool("apply " + P("w.kdx") + " -o " + P("out.kdx") +
                          " formula --period 1uS --expr 'sin(2*pi*1MHz*t) + x' --start 0.1mS --op add");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto out = Samples("out.kdx");
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(out->analog[5000 + i], std::sin(2 * std::numbers::pi * 1e6 * (i * 20.0 / 1e9))) << i;
    EXPECT_EQ(out->analog[5050], 0.0);
    std::filesystem::remove(dir / "out.kdx");

    const struct {
        std::string args;
        std::string err;  // what stderr ends with
    } refused[] = {
        {"--expr '2+*3'", "invalid --expr: error at character 3 (*)\n"},
        {"--expr 'sin(t'", "invalid --expr: error at character 6 (end of expression)\n"},
        {"--expr '1/(n-3)'", "数式の値が t = 60 nS で有限の数になりません\n"},
        {"--expr 't' --range wrap", "--range: wrap not in {keep,clip,scale}\n"},
    };
    for (const auto& r : refused) {
        const auto bad = Tool("apply " + P("w.kdx") + " -o " + P("out.kdx") + " formula --period 1uS " + r.args);
        EXPECT_EQ(bad.exitCode, 2) << r.args;
        EXPECT_TRUE(bad.err.ends_with(r.err)) << r.args << "\n" << bad.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.kdx")) << r.args;
    }
}
