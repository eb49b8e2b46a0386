#include "units/UnitText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace kdx {
namespace {

constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();

TEST(NumberText, NormalizeAndStructureCheck) {
    EXPECT_EQ(NormalizeNumberText("-.5"), "-0.5");
    EXPECT_EQ(NormalizeNumberText("5."), "5.0");
    EXPECT_TRUE(IsNumberText("-1.5", true, true));
    EXPECT_FALSE(IsNumberText("-1", false, true));
    EXPECT_FALSE(IsNumberText("1.5", true, false));
    for (const char* bad : {"", "-", ".", "1-2", "--1", "1.2.3", ".5", "-.5", "5.", "1e3", " 1", "+1"}) {
        EXPECT_FALSE(IsNumberText(bad, true, true)) << bad;
    }
}

TEST(TimeText, ParseShiftsTheDecimalPointExactly) {
    EXPECT_EQ(ParseTimeText("1.5", TimeUnitUs), 1500);
    EXPECT_EQ(ParseTimeText(".5", TimeUnitMs), 500000);
    EXPECT_EQ(ParseTimeText("-.5", TimeUnitUs), -500);
    EXPECT_EQ(ParseTimeText("5.", TimeUnitS), 5000000000);
    // Through floating point this would come out one nanosecond short.
    EXPECT_EQ(ParseTimeText("1.000000007", TimeUnitS), 1000000007);
    EXPECT_EQ(ParseTimeText("0000000000000000000000000000012", TimeUnitNs), 12);

    EXPECT_EQ(ParseTimeText("1.2345", TimeUnitUs), std::nullopt);  // finer than 1 ns
    EXPECT_EQ(ParseTimeText("1.5", TimeUnitNs), std::nullopt);
    EXPECT_EQ(ParseTimeText("1", TimeUnitNone), std::nullopt);
    EXPECT_EQ(ParseTimeText("1", 4), std::nullopt);
    for (const char* bad : {"1-2", "--1", "1.2.3", "-", "", "1e3", "+1", " 1", "0x10", "nan"}) {
        EXPECT_EQ(ParseTimeText(bad, TimeUnitNs), std::nullopt) << bad;
    }
}

TEST(TimeText, ParseFailsBeyondTheRangeInsteadOfWrapping) {
    EXPECT_EQ(ParseTimeText("9223372036854775807", TimeUnitNs), Int64Max);
    EXPECT_EQ(ParseTimeText("-9223372036854775808", TimeUnitNs), Int64Min);
    EXPECT_EQ(ParseTimeText("9223372036854775808", TimeUnitNs), std::nullopt);
    EXPECT_EQ(ParseTimeText("9223372036.854775808", TimeUnitS), std::nullopt);
    EXPECT_EQ(ParseTimeText("18446744073709551617", TimeUnitNs), std::nullopt);  // 2^64 + 1 would wrap to 1

    EXPECT_EQ(ParseTimeTextSaturated("18446744073709551617", TimeUnitNs), Int64Max);
    EXPECT_EQ(ParseTimeTextSaturated("-99999999999999999999", TimeUnitMs), Int64Min);
    EXPECT_EQ(ParseTimeTextSaturated("1.5", TimeUnitNs), std::nullopt);
}

TEST(TimeText, Format) {
    const struct {
        int64_t ns;
        const char* text;
        TimeUnitIndex unit;
    } cases[] = {
        {0, "0", TimeUnitNs},
        {999, "999", TimeUnitNs},
        {1500, "1.5", TimeUnitUs},
        {2000, "2", TimeUnitUs},
        {-1500, "-1.5", TimeUnitUs},
        {1000000, "1", TimeUnitMs},
        {1234567890, "1.23456789", TimeUnitS},
        {Int64Min, "-9223372036.854775808", TimeUnitS},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTimeAuto(c.ns).text, c.text) << c.ns;
        EXPECT_EQ(FormatTimeAuto(c.ns).unit, c.unit) << c.ns;
    }
    EXPECT_EQ(FormatTimeAutoWithUnit(1500), "1.5 uS");
    EXPECT_EQ(UnitWordOrMark(TimeUnitNone), "？");

    EXPECT_EQ(FormatTimeInUnit(20, TimeUnitUs), "0.02");
    EXPECT_EQ(FormatTimeInUnit(1500, TimeUnitNs), "1500");
    EXPECT_EQ(FormatTimeInUnit(3000000000, TimeUnitS), "3");
    EXPECT_EQ(FormatTimeInUnit(-20, TimeUnitMs), "-0.00002");
    EXPECT_EQ(FormatTimeInUnit(20, TimeUnitNone), std::nullopt);
}

// Whatever is displayed must read back as the same number of nanoseconds.
TEST(TimeText, FormattedTimesReadBackExactly) {
    std::vector<int64_t> values = {0, 1, -1, 20, 1000, 1001, 335544320, Int64Max, Int64Min};
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) {
        values.push_back(static_cast<int64_t>(random()) >> (random() % 63));
    }
    for (const int64_t ns : values) {
        const AutoTimeText autoText = FormatTimeAuto(ns);
        EXPECT_EQ(ParseTimeText(autoText.text, autoText.unit), ns) << ns;
        for (TimeUnitIndex unit = TimeUnitNs; unit <= TimeUnitS; ++unit) {
            EXPECT_EQ(ParseTimeText(*FormatTimeInUnit(ns, unit), unit), ns) << ns << " unit " << unit;
        }
    }
}

TEST(RealText, StrictDecimalWithEOrDExponent) {
    EXPECT_EQ(ParseReal("1.5e-3"), 1.5e-3);
    EXPECT_EQ(ParseReal("1.5D2"), 150.0);
    EXPECT_EQ(ParseReal("-.5E1"), -5.0);
    EXPECT_EQ(ParseReal(".5"), 0.5);
    EXPECT_EQ(ParseReal("0.1"), 0.1);
    // Everything the C library would also take stays out: signs, blanks, NaN, infinity, hexadecimal.
    for (const char* bad : {"1.5e+3", "1e", "e5", "abc", "1.5V", "", "nan", "inf", "-infinity", "0x10", "0x1p3", "+1",
                            " 1", "1 ", "1e5e3", "1e5d3", "1d2e3", "1E--3"}) {
        EXPECT_EQ(ParseReal(bad), std::nullopt) << bad;
    }
}

TEST(RealText, TooLargeFailsAndTooSmallIsZero) {
    EXPECT_EQ(ParseReal("1e400"), std::nullopt);
    EXPECT_EQ(ParseReal("1" + std::string(400, '0')), std::nullopt);
    EXPECT_EQ(ParseReal("1" + std::string(400, '0') + "E-300"), 1e100);
    EXPECT_EQ(ParseReal("1e99999999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseReal("1.7976931348623157e308"), std::numeric_limits<double>::max());
    const auto tiny = ParseReal("-1e-400");
    ASSERT_TRUE(tiny.has_value());
    EXPECT_EQ(*tiny, 0.0);
    EXPECT_TRUE(std::signbit(*tiny));
    EXPECT_EQ(ParseReal("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(CountText, UnsignedAndInt64) {
    EXPECT_EQ(ParseUnsigned("4294967294"), 4294967294u);
    for (const char* bad : {"4294967295", "4294967296", "99999999999999999999", "", "-1", "1.0", "5.", "+1"}) {
        EXPECT_EQ(ParseUnsigned(bad), std::nullopt) << bad;
    }
    // The count of the time-base dialog is read like atoi; junk is 0 and
    // huge values stay at the end of the range instead of wrapping.
    EXPECT_EQ(ParseInt64("abc"), 0);
    EXPECT_EQ(ParseInt64("12abc"), 12);
    EXPECT_EQ(ParseInt64("-9223372036854775808"), Int64Min);
    EXPECT_EQ(ParseInt64("18446744073709551617"), Int64Max);
    EXPECT_EQ(ParseInt64("-99999999999999999999999"), Int64Min);
}

// The three-decimal display must match "%.3f" in the classic locale, digit for digit.
TEST(PlainText, Real3MatchesPrintf) {
    for (const double v : {0.0, -0.0, -1.2, 0.0005, 0.0015, 2.0005, -0.0004, 1e15, 123.4565, 1e300, 1.0 / 3}) {
        char expected[512];
        std::snprintf(expected, sizeof expected, "%.3f", v);
        EXPECT_EQ(FormatReal3(v), expected) << v;
    }
}

// The window toolkit puts the process into the user's locale; a comma locale
// must not change how numbers are read or written.
TEST(PlainText, IndependentOfTheUserLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "no comma locale installed";
    }
    EXPECT_EQ(ParseReal("1.5"), 1.5);
    EXPECT_EQ(FormatReal3(0.5), "0.500");
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(BitText, BinaryAndHexadecimal) {
    EXPECT_FALSE(IsBinaryText(""));
    EXPECT_FALSE(IsBinaryText("012"));
    EXPECT_EQ(HexToBinaryText("a5"), "10100101");
    EXPECT_EQ(HexToBinaryText(""), std::nullopt);
    EXPECT_EQ(HexToBinaryText("0x1"), std::nullopt);
    EXPECT_EQ(HexDigitToBits('1'), "1000");  // least significant bit first
    EXPECT_EQ(HexDigitToBits('c'), "0011");
    EXPECT_EQ(HexDigitToBits('G'), std::nullopt);
}

}  // namespace
}  // namespace kdx
