#include "document/TimeBaseRows.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "document/WaveformLimits.h"

namespace kdx {
namespace {

constexpr int UnitNs = 0;
constexpr int UnitMs = 2;
constexpr int UnitS = 3;

void ExpectRow(const TimeBaseRow& row, const char* total, const char* sampling, const char* count, const char* error) {
    EXPECT_TRUE(row.shown);
    EXPECT_EQ(row.totalText, total);
    EXPECT_EQ(row.samplingText, sampling);
    EXPECT_EQ(row.countText, count);
    EXPECT_EQ(row.errorText, error);
}

void ExpectHidden(const TimeBaseRow& row) {
    EXPECT_FALSE(row.shown);
    EXPECT_TRUE(row.totalText.empty() && row.countText.empty() && row.errorText.empty());
}

TEST(TimeInputRows, ExactAndNearbyCandidates) {
    const TimeBaseRows preset = ComputeTimeInputRows("5", UnitMs);
    ExpectRow(preset.rows[0], "5 mS", "20 nS", "250000", "0.000000000 %");
    ExpectHidden(preset.rows[1]);
    ExpectHidden(preset.rows[2]);
    EXPECT_EQ(preset.selected, 0);

    const TimeBaseRows second = ComputeTimeInputRows("1", UnitS);
    ExpectRow(second.rows[0], "1 S", "4 uS", "250000", "0.000000000 %");
    ExpectRow(second.rows[1], "999.9996 mS", "3.82 uS", "261780", "-0.000040000 %");
    ExpectRow(second.rows[2], "1.00000342 S", "3.82 uS", "261781", "0.000342000 %");
    EXPECT_EQ(second.selected, 0);

    const TimeBaseRows prime = ComputeTimeInputRows("999983", UnitNs);
    ExpectHidden(prime.rows[0]);
    ExpectRow(prime.rows[1], "999.98 uS", "20 nS", "49999", "-0.000300005 %");
    ExpectRow(prime.rows[2], "1 mS", "20 nS", "50000", "0.001700029 %");
    EXPECT_EQ(prime.selected, 1);

    // 20 x a prime between 262144 and 16777216: one sample of the whole total.
    ExpectRow(TimeInputRows(20 * 1000003).rows[0], "20.00006 mS", "20.00006 mS", "1", "0.000000000 %");
}

// 87959257743260 = 335544340 x 262139: stepping the sampling time up by 20 ns
// finds no divisor up to 335544320 ns and would land on 335544340 ns, one step
// past the longest sampling time, which no document accepts.
TEST(TimeInputRows, NeverOffersASamplingTimeBeyondTheLongest) {
    const TimeBaseRows rows = TimeInputRows(87959257743260);
    ExpectHidden(rows.rows[0]);
    ExpectRow(rows.rows[1], "87958.92744192 S", "335.53668 mS", "262144", "-0.000375516 %");
    ExpectHidden(rows.rows[2]);  // 262145 samples do not fit
    EXPECT_EQ(rows.selected, 1);
}

TEST(TimeInputRows, TotalIsReadInItsUnitAndClamped) {
    EXPECT_EQ(ReadTotalTimeEntry("1.5", TotalUnitMinutes, NewMinTotalNs, NewMaxTotalNs), 90'000'000'000);
    EXPECT_EQ(ReadTotalTimeEntry("0.000000001", TotalUnitHours, NewMinTotalNs, NewMaxTotalNs), 3600);
    EXPECT_EQ(ReadTotalTimeEntry("-99999999999999999999", TotalUnitHours, NewMinTotalNs, NewMaxTotalNs), NewMinTotalNs);
    ExpectRow(ComputeTimeInputRows("100", UnitNs).rows[0], "200 nS", "20 nS", "10", "0.000000000 %");

    // Too large, however typed, becomes the largest total and never wraps.
    for (const auto& [text, unit] : std::vector<std::pair<const char*, int>>{{"87960930.22208", UnitS},
                                                                             {"100", TotalUnitHours},
                                                                             {"99999999999999999999", TotalUnitHours},
                                                                             {"3000000", TotalUnitHours},
                                                                             {"200000000", TotalUnitMinutes},
                                                                             {"99999999999999999999999", UnitNs}}) {
        const TimeBaseRows high = ComputeTimeInputRows(text, unit);
        EXPECT_EQ(high.rows[0].totalNs, NewMaxTotalNs) << text;
        EXPECT_EQ(high.rows[0].samplingNs, MaxSamplingTimeNs) << text;
        ExpectHidden(high.rows[2]);
    }
}

// The search as the dialog describes it, step by step, with the sampling time
// kept within range: an independent check of the shortcut.
TEST(TimeInputRows, AgreesWithTheSteppedSearch) {
    std::vector<int64_t> totals = {200, 220, 5'000'000, 1'000'000'000, 5242900, 5242920};
    std::mt19937_64 random(11);
    for (int i = 0; i < 80; ++i) {
        totals.push_back(200 + static_cast<int64_t>(random() % 100'000'000'000) / 20 * 20);
        totals.push_back(200 + static_cast<int64_t>(random() % 10'000'000) / 20 * 20);
    }
    for (const int64_t total : totals) {
        int64_t j = total / 524288 / 2 / 20;
        while (!(j > 0 && total / (20 * j) <= 262144)) {
            ++j;
        }
        int64_t k = 20 * j;
        while (k <= MaxSamplingTimeNs && total % k != 0) {
            k += 20;
        }
        const TimeBaseRows rows = TimeInputRows(total);
        EXPECT_EQ(rows.rows[0].shown, k <= MaxSamplingTimeNs) << total;
        if (rows.rows[0].shown) {
            EXPECT_EQ(rows.rows[0].samplingNs, k) << total;
        }
        EXPECT_TRUE(!rows.rows[1].shown || rows.rows[1].samplingNs == 20 * j) << total;
        for (const auto& row : rows.rows) {
            EXPECT_TRUE(!row.shown || row.totalNs == row.samplingNs * row.count) << total;
        }
        ASSERT_GE(rows.selected, 0);
        EXPECT_TRUE(rows.rows[static_cast<size_t>(rows.selected)].shown) << total;
    }
}

TEST(SamplingInputRows, OnGridIsExactOffGridOffersBothNeighbours) {
    const TimeBaseRows exact = ComputeSamplingInputRows("1", 1, "250000");
    ExpectRow(exact.rows[0], "250 mS", "1 uS", "250000", "0.000000000 %");
    ExpectHidden(exact.rows[1]);
    EXPECT_EQ(exact.selected, 0);

    const TimeBaseRows between = ComputeSamplingInputRows("25", UnitNs, "1000");
    ExpectHidden(between.rows[0]);
    ExpectRow(between.rows[1], "20 uS", "20 nS", "1000", "-20.000000000 %");
    ExpectRow(between.rows[2], "40 uS", "40 nS", "1000", "60.000000000 %");
    EXPECT_EQ(between.selected, 1);
}

TEST(SamplingInputRows, EntriesAreClamped) {
    EXPECT_EQ(ComputeSamplingInputRows("20", UnitNs, "abc").rows[0].count, 10);
    EXPECT_EQ(ComputeSamplingInputRows("20", UnitNs, "99999999999999999999999").rows[0].count, 262144);
    EXPECT_EQ(ComputeSamplingInputRows("0.01", 1, "100").rows[0].samplingNs, 20);
    EXPECT_EQ(ComputeSamplingInputRows("400", UnitMs, "100").rows[0].samplingText, "335.54432 mS");
}

TEST(TimeChangeRows, CountFollowsTheTotal) {
    const TimeBaseRows same = ComputeTimeChangeRows("5", UnitMs, 20);
    ExpectRow(same.rows[0], "5 mS", "20 nS", "250000", "0.000000000 %");
    ExpectHidden(same.rows[1]);
    EXPECT_EQ(same.selected, 0);

    const TimeBaseRows between = ComputeTimeChangeRows("5.00001", UnitMs, 20);
    ExpectRow(between.rows[0], "5 mS", "20 nS", "250000", "-0.000200000 %");
    ExpectRow(between.rows[1], "5.00002 mS", "20 nS", "250001", "0.000200000 %");
    ExpectHidden(between.rows[2]);
    EXPECT_EQ(between.selected, 0);

    const TimeBaseRows full = ComputeTimeChangeRows("99999999999999999999", TotalUnitHours, 1000);
    EXPECT_EQ(full.rows[0].totalNs, 262'144'000);
    ExpectHidden(full.rows[1]);
    EXPECT_EQ(ComputeTimeChangeRows("1", UnitNs, 1000).rows[0].count, 10);
}

TEST(TimeBaseRows, UnreadableEntryLeavesEveryRowEmpty) {
    for (const TimeBaseRows& rows :
         {ComputeTimeInputRows("", UnitMs), ComputeTimeInputRows("1.5", UnitNs), ComputeTimeInputRows("5", 6),
          ComputeSamplingInputRows("abc", UnitNs, "100"), ComputeSamplingInputRows("1", UnitS, "100"),
          ComputeTimeChangeRows("x", UnitMs, 20), ComputeTimeChangeRows("5", UnitMs, 0)}) {
        EXPECT_FALSE(rows.valid);
        EXPECT_EQ(rows.selected, -1);
        for (const auto& row : rows.rows) {
            ExpectHidden(row);
        }
    }
}

}  // namespace
}  // namespace kdx
