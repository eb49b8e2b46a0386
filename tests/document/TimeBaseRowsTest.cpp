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

void ExpectRow(const TimeBaseRow& row, const char* total, const char* sampling, const char* count, const char* error)
{
    EXPECT_TRUE(row.shown);
    EXPECT_EQ(row.totalText, total);
    EXPECT_EQ(row.samplingText, sampling);
    EXPECT_EQ(row.countText, count);
    EXPECT_EQ(row.errorText, error);
}

void ExpectHidden(const TimeBaseRow& row)
{
    EXPECT_FALSE(row.shown);
    EXPECT_TRUE(row.totalText.empty() && row.samplingText.empty() && row.countText.empty() && row.errorText.empty());
}

void ExpectInvalid(const TimeBaseRows& rows)
{
    EXPECT_FALSE(rows.valid);
    EXPECT_EQ(rows.selected, -1);
    for (const auto& row : rows.rows) {
        ExpectHidden(row);
    }
}

TEST(TimeInputRows, NewPresetsGiveOneExactRow)
{
    const TimeBaseRows rows = ComputeTimeInputRows("5", UnitMs);
    ASSERT_TRUE(rows.valid);
    ExpectRow(rows.rows[0], "5 mS", "20 nS", "250000", "0.000000000 %");
    ExpectHidden(rows.rows[1]);
    ExpectHidden(rows.rows[2]);
    EXPECT_EQ(rows.selected, 0);
}

TEST(TimeInputRows, OneSecondOffersTheExactAndBothNearbyCounts)
{
    const TimeBaseRows rows = ComputeTimeInputRows("1", UnitS);
    ASSERT_TRUE(rows.valid);
    ExpectRow(rows.rows[0], "1 S", "4 uS", "250000", "0.000000000 %");
    ExpectRow(rows.rows[1], "999.9996 mS", "3.82 uS", "261780", "-0.000040000 %");
    ExpectRow(rows.rows[2], "1.00000342 S", "3.82 uS", "261781", "0.000342000 %");
    EXPECT_EQ(rows.selected, 0);
}

TEST(TimeInputRows, TotalWithoutDivisorOffersOnlyTheNearbyCounts)
{
    const TimeBaseRows rows = ComputeTimeInputRows("999983", UnitNs);  // a prime
    ExpectHidden(rows.rows[0]);
    ExpectRow(rows.rows[1], "999.98 uS", "20 nS", "49999", "-0.000300005 %");
    ExpectRow(rows.rows[2], "1 mS", "20 nS", "50000", "0.001700029 %");
    EXPECT_EQ(rows.selected, 1);
}

// 20 x a prime between 262144 and 16777216: the only exact sampling time is the
// whole total, a single sample.
TEST(TimeInputRows, ExactRowMayHoldFewerThanTenSamples)
{
    const TimeBaseRows rows = TimeInputRows(20 * 1000003);
    ExpectRow(rows.rows[0], "20.00006 mS", "20.00006 mS", "1", "0.000000000 %");
    EXPECT_EQ(rows.rows[1].count, 250000);
    EXPECT_EQ(rows.rows[2].count, 250001);
    EXPECT_EQ(rows.selected, 0);
}

// 87959257743260 = 335544340 x 262139: stepping the sampling time up by 20 ns
// finds no divisor up to 335544320 ns and would land on 335544340 ns, one step
// past the longest sampling time, which no document accepts.
TEST(TimeInputRows, NeverOffersASamplingTimeBeyondTheLongest)
{
    const TimeBaseRows rows = TimeInputRows(87959257743260);
    ExpectHidden(rows.rows[0]);
    ExpectRow(rows.rows[1], "87958.92744192 S", "335.53668 mS", "262144", "-0.000375516 %");
    ExpectHidden(rows.rows[2]);  // 262145 samples do not fit
    EXPECT_EQ(rows.selected, 1);
}

TEST(TimeInputRows, TotalIsClampedIntoRange)
{
    const TimeBaseRows low = ComputeTimeInputRows("100", UnitNs);
    ExpectRow(low.rows[0], "200 nS", "20 nS", "10", "0.000000000 %");
    EXPECT_EQ(ComputeTimeInputRows("-5", UnitS).rows[0].totalNs, NewMinTotalNs);

    // The largest total: exactly the longest sampling time x 262144.
    for (const auto& [text, unit] : std::vector<std::pair<const char*, int>>{
             {"87960930.22208", UnitS}, {"100", TotalUnitHours}, {"99999999999999999999", TotalUnitHours},
             {"99999999999999999999999", UnitNs}, {"153722867280912930", TotalUnitMinutes}}) {
        const TimeBaseRows high = ComputeTimeInputRows(text, unit);
        ASSERT_TRUE(high.valid) << text;
        EXPECT_EQ(high.rows[0].totalNs, NewMaxTotalNs) << text;
        EXPECT_EQ(high.rows[0].samplingNs, MaxSamplingTimeNs) << text;
        EXPECT_EQ(high.rows[0].count, 262144) << text;
        ExpectHidden(high.rows[2]);
    }
}

TEST(TimeInputRows, MinutesAndHoursAreTypedAsSeconds)
{
    EXPECT_EQ(ReadTotalTimeEntry("1.5", TotalUnitMinutes, NewMinTotalNs, NewMaxTotalNs), 90'000'000'000);
    EXPECT_EQ(ReadTotalTimeEntry("1", TotalUnitHours, NewMinTotalNs, NewMaxTotalNs), 3'600'000'000'000);
    EXPECT_EQ(ReadTotalTimeEntry("0.000000001", TotalUnitHours, NewMinTotalNs, NewMaxTotalNs), 3600);
    EXPECT_EQ(ReadTotalTimeEntry("0.0000000001", TotalUnitHours, NewMinTotalNs, NewMaxTotalNs), std::nullopt);
    EXPECT_EQ(ReadTotalTimeEntry("-99999999999999999999", TotalUnitHours, NewMinTotalNs, NewMaxTotalNs),
              NewMinTotalNs);
}

TEST(TimeInputRows, UnreadableEntryLeavesEveryRowEmpty)
{
    ExpectInvalid(ComputeTimeInputRows("", UnitMs));
    ExpectInvalid(ComputeTimeInputRows("abc", UnitMs));
    ExpectInvalid(ComputeTimeInputRows("1.5", UnitNs));
    ExpectInvalid(ComputeTimeInputRows("5", -1));
    ExpectInvalid(ComputeTimeInputRows("5", 6));
}

// The search as the dialog describes it, step by step, with the sampling time
// kept within range: an independent check of the shortcut.
struct ReferenceRows {
    int64_t coarseNs = 0;
    int64_t exactNs = 0;  // 0: no exact row
};

ReferenceRows SteppedSearch(int64_t total)
{
    int64_t j = total / 524288 / 2 / 20;
    while (!(j > 0 && total / (20 * j) <= 262144)) {
        ++j;
    }
    ReferenceRows reference;
    reference.coarseNs = 20 * j;
    int64_t k = reference.coarseNs;
    while (k <= MaxSamplingTimeNs && total % k != 0) {
        k += 20;
    }
    reference.exactNs = (k <= MaxSamplingTimeNs && total % k == 0) ? k : 0;
    return reference;
}

TEST(TimeInputRows, AgreesWithTheSteppedSearch)
{
    std::vector<int64_t> totals = {200, 220, 5'000'000, 1'000'000'000, 20 * 1000003, 5242900, 5242920, 87959257743260};
    std::mt19937_64 random(11);
    for (int i = 0; i < 80; ++i) {
        totals.push_back(200 + static_cast<int64_t>(random() % 100'000'000'000) / 20 * 20);  // mostly with divisors
        totals.push_back(200 + static_cast<int64_t>(random() % 10'000'000) / 20 * 20);
    }
    for (const int64_t total : totals) {
        const ReferenceRows reference = SteppedSearch(total);
        const TimeBaseRows rows = TimeInputRows(total);
        EXPECT_TRUE(rows.rows[0].shown || rows.rows[1].shown) << total;
        EXPECT_EQ(rows.rows[0].shown, reference.exactNs != 0) << total;
        if (reference.exactNs != 0) {
            EXPECT_EQ(rows.rows[0].samplingNs, reference.exactNs) << total;
        }
        if (rows.rows[1].shown) {
            EXPECT_EQ(rows.rows[1].samplingNs, reference.coarseNs) << total;
        }
        for (const auto& row : rows.rows) {
            if (row.shown) {
                EXPECT_EQ(row.totalNs, row.samplingNs * row.count) << total;
                EXPECT_EQ(row.samplingNs % 20, 0) << total;
                EXPECT_LE(row.count, 262144) << total;
            }
        }
        ASSERT_GE(rows.selected, 0);
        EXPECT_TRUE(rows.rows[static_cast<size_t>(rows.selected)].shown) << total;
    }
}

TEST(SamplingInputRows, OffGridSamplingTimeOffersBothNeighbours)
{
    const TimeBaseRows rows = ComputeSamplingInputRows("25", UnitNs, "1000");
    ExpectHidden(rows.rows[0]);
    ExpectRow(rows.rows[1], "20 uS", "20 nS", "1000", "-20.000000000 %");
    ExpectRow(rows.rows[2], "40 uS", "40 nS", "1000", "60.000000000 %");
    EXPECT_EQ(rows.selected, 1);
}

TEST(SamplingInputRows, OnGridSamplingTimeIsExact)
{
    const TimeBaseRows rows = ComputeSamplingInputRows("1", 1, "250000");
    ExpectRow(rows.rows[0], "250 mS", "1 uS", "250000", "0.000000000 %");
    ExpectHidden(rows.rows[1]);
    ExpectHidden(rows.rows[2]);
    EXPECT_EQ(rows.selected, 0);
}

TEST(SamplingInputRows, EntriesAreClamped)
{
    EXPECT_EQ(ComputeSamplingInputRows("20", UnitNs, "abc").rows[0].count, 10);
    EXPECT_EQ(ComputeSamplingInputRows("20", UnitNs, "-5").rows[0].count, 10);
    EXPECT_EQ(ComputeSamplingInputRows("20", UnitNs, "99999999999999999999999").rows[0].count, 262144);
    EXPECT_EQ(ComputeSamplingInputRows("0.01", 1, "100").rows[0].samplingNs, 20);
    EXPECT_EQ(ComputeSamplingInputRows("400", UnitMs, "100").rows[0].samplingText, "335.54432 mS");
    EXPECT_EQ(ComputeSamplingInputRows("99999999999999999999999", UnitMs, "262144").rows[0].totalNs, NewMaxTotalNs);
}

TEST(SamplingInputRows, UnreadableSamplingTimeLeavesEveryRowEmpty)
{
    ExpectInvalid(ComputeSamplingInputRows("1.5", UnitNs, "100"));
    ExpectInvalid(ComputeSamplingInputRows("", UnitNs, "100"));
    ExpectInvalid(ComputeSamplingInputRows("1", UnitS, "100"));  // the sampling list ends at mS
}

TEST(TimeChangeRows, SameTotalKeepsTheCount)
{
    const TimeBaseRows rows = ComputeTimeChangeRows("5", UnitMs, 20);
    ExpectRow(rows.rows[0], "5 mS", "20 nS", "250000", "0.000000000 %");
    ExpectHidden(rows.rows[1]);
    ExpectHidden(rows.rows[2]);
    EXPECT_EQ(rows.selected, 0);
}

TEST(TimeChangeRows, InBetweenTotalOffersCountsBelowAndAbove)
{
    const TimeBaseRows rows = ComputeTimeChangeRows("5.00001", UnitMs, 20);
    ExpectRow(rows.rows[0], "5 mS", "20 nS", "250000", "-0.000200000 %");
    ExpectRow(rows.rows[1], "5.00002 mS", "20 nS", "250001", "0.000200000 %");
    ExpectHidden(rows.rows[2]);
    EXPECT_EQ(rows.selected, 0);
}

TEST(TimeChangeRows, TotalIsClampedToTheCountRange)
{
    const TimeBaseRows full = ComputeTimeChangeRows("99999999999999999999", TotalUnitHours, 1000);
    EXPECT_EQ(full.rows[0].count, 262144);
    EXPECT_EQ(full.rows[0].totalNs, 262'144'000);
    ExpectHidden(full.rows[1]);
    EXPECT_EQ(ComputeTimeChangeRows("1", UnitNs, 1000).rows[0].count, 10);
    EXPECT_EQ(ComputeTimeChangeRows("87960930.22208", UnitS, MaxSamplingTimeNs).rows[0].count, 262144);
}

TEST(TimeChangeRows, InvalidEntryOrSamplingTimeLeavesEveryRowEmpty)
{
    ExpectInvalid(ComputeTimeChangeRows("x", UnitMs, 20));
    ExpectInvalid(ComputeTimeChangeRows("5", UnitMs, 0));
    ExpectInvalid(ComputeTimeChangeRows("5", UnitMs, MaxSamplingTimeNs + 20));
}

}  // namespace
}  // namespace kdx
