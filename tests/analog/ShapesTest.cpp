// The shape formulas against values computed here independently, the tails
// after the last cycle, the operations, and the noise against a plain
// re-reading of its generator and table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "analog/AnalogShapes.h"
#include "document/WaveformLimits.h"

using namespace kdx;

namespace {

// A document of 1000 samples at 1000 ns unless a test says otherwise.
constexpr int64_t Dt = 1000;
constexpr uint64_t Total = 1000 * Dt;

std::vector<double> Buffer(double fill = 7.0) {
    return std::vector<double>(MaxSampleCount, fill);
}

}  // namespace

TEST(AnalogShapes, RampAndExponentialFollowTheirFormulas) {
    auto b = Buffer();
    ASSERT_TRUE(computeRamp(b.data(), Total, Dt, 0, 10 * Dt, 0.0, 1.0));
    for (int i = 0; i < 10; ++i) EXPECT_DOUBLE_EQ(b[i], 0.1 * i) << i;
    EXPECT_EQ(b[10], 7.0);  // nothing past the stretch
    ASSERT_TRUE(computeRamp(b.data(), Total, Dt, 0, Dt, -0.3, 5.0));
    EXPECT_EQ(b[0], -0.3);  // one sample: the initial value exactly

    ASSERT_TRUE(computeExponential(b.data(), Total, Dt, 0, 20 * Dt, Dt, 0.0, 1.0));
    for (int i = 0; i < 20; ++i) EXPECT_NEAR(b[i], 1.0 - std::exp(-i), 1e-15) << i;
    ASSERT_TRUE(computeExponential(b.data(), Total, Dt, 0, 3 * Dt, 2 * Dt, 1.0, -1.0));
    EXPECT_NEAR(b[2], -1.0 + 2.0 * std::exp(-1.0), 1e-15);                           // falling by the same formula
    EXPECT_FALSE(computeExponential(b.data(), Total, Dt, 0, 3 * Dt, 0, 1.0, -1.0));  // no time constant

    ASSERT_TRUE(computeDc(b.data(), Total, Dt, 0, 5 * Dt, -2.5));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b[i], -2.5);
}

TEST(AnalogShapes, EveryShapeChecksItsStretchAndTouchesNothingOnFailure) {
    auto b = Buffer();
    NoiseTable table;
    for (int64_t period : {Dt - 1, int64_t(Total) + Dt, int64_t{0}, int64_t{-Dt}}) {
        EXPECT_FALSE(computeDc(b.data(), Total, Dt, 0, period, 1.0)) << period;
        EXPECT_FALSE(computeRamp(b.data(), Total, Dt, 0, period, 0.0, 1.0)) << period;
        EXPECT_FALSE(computeExponential(b.data(), Total, Dt, 0, period, Dt, 0.0, 1.0)) << period;
        EXPECT_FALSE(computeSine(b.data(), Total, Dt, 0, period, 4 * Dt, 0, 1.0, 0.0, 1)) << period;
        EXPECT_FALSE(computeRectangle(b.data(), Total, Dt, 0, period, 0, 0, Dt, 0, Dt, 0, 1, -1, 1)) << period;
        EXPECT_FALSE(computeNoise(b.data(), Total, Dt, 0, period, 0.1, 1, table)) << period;
    }
    EXPECT_FALSE(computeSine(b.data(), Total, Dt, 0, Total, Dt - 1, 0, 1.0, 0.0, 1));                // t1 below dt
    EXPECT_FALSE(computeRectangle(b.data(), Total, Dt, 0, Total, 0, 0, Dt - 1, 0, 0, 0, 1, -1, 1));  // Tc < dt
    EXPECT_FALSE(computeRectangle(b.data(), Total, Dt, 0, Total, 5 * Dt, 0, 3 * Dt, 0, 2 * Dt, 0, 1, -1, 1));
    EXPECT_FALSE(computeRectangle(b.data(), Total, Dt, 0, Total, -5 * Dt, 0, 3 * Dt, 0, 2 * Dt, 0, 1, -1, 1));
    EXPECT_FALSE(computeNoise(b.data(), Total, Dt, 0, Total, -0.1, 1, table));
    EXPECT_FALSE(computeNoise(b.data(), Total, Dt, 0, Total, std::nan(""), 1, table));
    for (double v : b) ASSERT_EQ(v, 7.0);
}

TEST(AnalogShapes, SineRunsItsCyclesThenHoldsZero) {
    auto b = Buffer();
    const int64_t t1 = 50 * Dt, t0 = 7 * Dt;
    // A period of ten cycles with three repeats: 150 samples of sine, then 0 V (not the offset).
    ASSERT_TRUE(computeSine(b.data(), Total, Dt, 123, 10 * t1, t1, t0, 0.8, 0.25, 3));
    for (int i = 0; i < 150; ++i) {
        const double expected = 0.25 + 0.8 * std::sin(2.0 * M_PI * double(i * Dt - t0) / double(t1));
        ASSERT_NEAR(b[i], expected, 1e-12) << i;
    }
    for (int i = 150; i < 500; ++i) ASSERT_EQ(b[i], 0.0) << i;
    EXPECT_EQ(b[500], 7.0);

    // A repeat count whose product with t1 passes the 64-bit range runs to
    // the end of the period instead of wrapping to a short or negative count.
    const int64_t longCycle = 4000000000000;
    ASSERT_TRUE(computeSine(b.data(), Total, Dt, 0, Total, longCycle, 0, 1.0, 0.0, 0xFFFFFFFFu));
    EXPECT_NEAR(b[999], std::sin(2.0 * M_PI * 999e3 / 4e12), 1e-15);
    EXPECT_NE(b[999], 0.0);
}

TEST(AnalogShapes, RectangleTracesItsCycleFromTheStartPoint) {
    auto b = Buffer();
    // Rise 4, high 2, fall 2, low 2 samples between -1 and +1.
    const double cycle[10] = {-1, -0.5, 0, 0.5, 1, 1, 1, 0, -1, -1};
    ASSERT_TRUE(computeRectangle(b.data(), Total, Dt, 0, 25 * Dt, 0, 4 * Dt, 2 * Dt, 2 * Dt, 2 * Dt, 99, 1, -1, 2));
    for (int i = 0; i < 20; ++i) ASSERT_DOUBLE_EQ(b[i], cycle[i % 10]) << i;
    for (int i = 20; i < 25; ++i) ASSERT_EQ(b[i], 0.0) << i;  // after two cycles

    // Started inside the previous cycle's low part (t0 = -t4), and mid-fall.
    struct {
        int64_t t0;
        int offset;
    } starts[] = {{-2 * Dt, 8}, {7 * Dt, 7}, {-9 * Dt, 1}};
    for (const auto& s : starts) {
        ASSERT_TRUE(
            computeRectangle(b.data(), Total, Dt, 0, 10 * Dt, s.t0, 4 * Dt, 2 * Dt, 2 * Dt, 2 * Dt, 0, 1, -1, 5));
        for (int i = 0; i < 10; ++i) ASSERT_DOUBLE_EQ(b[i], cycle[(i + s.offset) % 10]) << s.t0 << " " << i;
    }

    // No rise or fall: a true rectangle, v1 for t2 and v2 for t4.
    ASSERT_TRUE(computeRectangle(b.data(), Total, Dt, 0, 10 * Dt, 0, 0, 3 * Dt, 0, 2 * Dt, 0, 0.7, 0.2, 2));
    const double square[5] = {0.7, 0.7, 0.7, 0.2, 0.2};
    for (int i = 0; i < 10; ++i) ASSERT_EQ(b[i], square[i % 5]) << i;

    // A cycle near the 64-bit limit and a huge repeat count neither wrap nor overflow.
    const int64_t huge = std::numeric_limits<int64_t>::max() / 2;
    ASSERT_TRUE(computeRectangle(b.data(), Total, Dt, 0, Total, huge - 1, 0, huge, 0, huge, 0, 1, -1, 0xFFFFFFFFu));
    EXPECT_EQ(b[0], 1.0);     // the last nanosecond of the high part
    EXPECT_EQ(b[999], -1.0);  // then the low part, to the end of the period
}

TEST(AnalogShapes, OperationsCombineWholeStretchesAndZeroTailsMatter) {
    const double before[4] = {1.0, -2.0, 3.0, 4.0};
    const double stretch[4] = {0.5, 0.5, 0.0, 0.0};  // a shape with a zero tail
    const struct {
        GeneratorOperation op;
        double after[4];
    } cases[] = {
        {GeneratorOperation::Replace, {0.5, 0.5, 0.0, 0.0}},
        {GeneratorOperation::Add, {1.5, -1.5, 3.0, 4.0}},
        {GeneratorOperation::Subtract, {0.5, -2.5, 3.0, 4.0}},
        {GeneratorOperation::Multiply, {0.5, -1.0, 0.0, 0.0}},
        {static_cast<GeneratorOperation>(9), {1.0, -2.0, 3.0, 4.0}},
    };
    for (const auto& c : cases) {
        double d[5] = {before[0], before[1], before[2], before[3], 42.0};
        applyOperation(d, stretch, 4, c.op);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(d[i], c.after[i]) << static_cast<int>(c.op) << " " << i;
        EXPECT_EQ(d[4], 42.0);
    }

    // A combination beyond the double range anywhere writes nothing.
    const double big[2] = {1.7e308, 0.0};
    const double nan[2] = {0.0, std::nan("")};
    const struct {
        GeneratorOperation op;
        const double* source;
    } refused[] = {{GeneratorOperation::Add, big},
                   {GeneratorOperation::Subtract, big},
                   {GeneratorOperation::Multiply, big},
                   {GeneratorOperation::Replace, nan}};
    for (const auto& c : refused) {
        double d[2] = {(c.op == GeneratorOperation::Subtract ? -1 : 1) * 1.7e308, 5.0};
        const double was[2] = {d[0], d[1]};
        EXPECT_FALSE(applyOperation(d, c.source, 2, c.op)) << static_cast<int>(c.op);
        EXPECT_EQ(std::memcmp(d, was, sizeof d), 0) << static_cast<int>(c.op);
    }
}

namespace {

// The noise generator read literally: a fresh table, both exponentials of
// every trapezoid, the 15-bit linear congruential draws and the bisection.
std::vector<double> ReferenceNoise(double sigma, uint32_t seed, int n) {
    const int size = 1200000;
    std::vector<double> f(size);
    const double h = 6 * sigma / 1200000;
    const double k = h / (std::sqrt(6.283185307179586) * sigma);
    f[0] = 0;
    for (int i = 1; i < size; ++i) {
        const double xa = (i - 1) * h / sigma, xb = i * h / sigma;
        f[i] = f[i - 1] + ((std::exp(-xa * xa / 2) + std::exp(-xb * xb / 2)) * k) * 0.5;
    }
    uint32_t state = seed;
    const auto rand = [&state] {
        state = state * 214013u + 2531011u;
        return int((state >> 16) & 0x7FFF);
    };
    std::vector<double> out(n);
    for (int i = 0; i < n; ++i) {
        const int r1 = rand(), r2 = rand();
        const double w = ((r1 * 32768 + r2) / 1073741823.0 - 0.5) * 0.99999999;
        const double b = std::fabs(w);
        int lo = 0, hi = size - 1;
        while (hi - lo >= 2) {
            const int mid = (lo + hi) / 2;
            (b <= f[mid] ? hi : lo) = mid;
        }
        const double fraction = (b - f[lo]) / (f[hi] - f[lo]);
        const double value = fraction < 1 ? lo * h + fraction * h : lo * h;
        out[i] = w < 0 ? -value : value;
    }
    return out;
}

}  // namespace

TEST(AnalogNoise, SamplesEqualTheGeneratorAndTableBitForBit) {
    auto b = Buffer();
    NoiseTable table;
    // One table serves both sigmas in turn, rebuilt for each.
    const int n = 50000;
    for (double sigma : {0.01, 0.25, 0.01}) {
        const std::vector<double> expected = ReferenceNoise(sigma, 4242, n);
        ASSERT_TRUE(computeNoise(b.data(), uint64_t{n} * 20, 20, 0, int64_t{n} * 20, sigma, 4242, table));
        for (int i = 0; i < n; ++i) ASSERT_EQ(b[i], expected[i]) << sigma << " " << i;
    }
    // No deviation is silence, not a table of 0 / 0.
    ASSERT_TRUE(computeNoise(b.data(), Total, Dt, 0, 1000 * Dt, 0.0, 4242, table));
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(b[i], 0.0);
}

TEST(AnalogNoise, LongStretchHasZeroMeanSigmaRmsAndBoundedPeaks) {
    auto b = Buffer();
    NoiseTable table;
    const double sigma = 0.05;
    const uint64_t total = uint64_t{MaxSampleCount} * 20;
    ASSERT_TRUE(computeNoise(b.data(), total, 20, 0, int64_t(total), sigma, 20261208, table));
    double sum = 0, squares = 0, peak = 0;
    for (double v : b) {
        sum += v;
        squares += v * v;
        peak = std::max(peak, std::fabs(v));
    }
    const double n = MaxSampleCount;
    EXPECT_NEAR(sum / n, 0.0, 5 * sigma / std::sqrt(n));
    EXPECT_NEAR(std::sqrt(squares / n), sigma, 0.01 * sigma);
    EXPECT_LT(peak, 5.7 * sigma);
    EXPECT_GT(peak, 3.5 * sigma);
}
