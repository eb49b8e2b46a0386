#include <gtest/gtest.h>

#include "ui/GetTimeForm.h"

namespace kdx {
namespace {

// 1000 samples of 20 ns (20 uS in all), cursor at 100, mark at 50.
GetTimeRequest Request(bool markEnabled, bool endAcceptable) {
    GetTimeRequest r;
    r.markReferenceEnabled = markEnabled;
    r.samplingTimeNs = 20;
    r.sampleCount = 1000;
    r.cursorSample = 100;
    r.markSample = 50;
    r.endAcceptable = endAcceptable;
    return r;
}

TEST(GetTimeForm, ShowsThePositionInEveryReference) {
    GetTimeForm f(Request(true, true));
    EXPECT_FALSE(f.IsValid());
    EXPECT_FALSE(f.IsOkEnabled());
    f.SetUnit(TimeUnitUs);
    f.SetText("3");
    ASSERT_TRUE(f.IsValid());
    EXPECT_EQ(f.ReferenceTexts()[GetTimeFromStart], "3 uS");
    EXPECT_EQ(f.ReferenceTexts()[GetTimeFromCursor], "1 uS");
    EXPECT_EQ(f.ReferenceTexts()[GetTimeFromMark], "2 uS");
    EXPECT_EQ(f.ReferenceTexts()[GetTimeFromEnd], "-17 uS");
    EXPECT_EQ(f.Result(), 150u);
    f.SetReference(GetTimeFromCursor);
    EXPECT_EQ(f.Result(), 250u);
    f.SetText("-1.5");
    EXPECT_EQ(f.Result(), 25u);
    f.SetReference(GetTimeFromEnd);
    EXPECT_EQ(f.Result(), 925u);
}

TEST(GetTimeForm, OutsideTheDataOrUnreadableEmptiesTheFields) {
    GetTimeForm f(Request(true, true));
    f.SetText("20001");
    EXPECT_FALSE(f.IsValid());
    for (const auto& t : f.ReferenceTexts()) EXPECT_TRUE(t.empty());
    f.SetText("-1");
    EXPECT_FALSE(f.IsOkEnabled());
    f.SetText("1.5");  // finer than 1 ns
    EXPECT_FALSE(f.IsValid());
    f.SetText("abc");
    EXPECT_FALSE(f.IsValid());
    f.SetReference(GetTimeFromEnd);
    f.SetText("-9223372036854775807");  // must not wrap around into range
    EXPECT_FALSE(f.IsValid());
    f.SetText("9223372036854775807");
    EXPECT_FALSE(f.IsValid());
}

TEST(GetTimeForm, TheMarkCannotBePlacedAtTheEndTheCursorCan) {
    GetTimeForm cursor(Request(false, true));
    cursor.SetText("20000");
    EXPECT_TRUE(cursor.IsOkEnabled());
    EXPECT_EQ(cursor.Result(), 1000u);

    GetTimeForm mark(Request(false, false));
    mark.SetText("20000");
    EXPECT_TRUE(mark.IsValid());
    EXPECT_FALSE(mark.IsOkEnabled());
    EXPECT_FALSE(mark.Result().has_value());
    mark.SetText("19980");
    EXPECT_EQ(mark.Result(), 999u);
}

TEST(GetTimeForm, DisabledMarkReferenceStaysEmptyAndCannotBeChosen) {
    GetTimeForm f(Request(false, true));
    f.SetText("100");
    EXPECT_TRUE(f.ReferenceTexts()[GetTimeFromMark].empty());
    f.SetReference(GetTimeFromMark);
    EXPECT_EQ(f.Reference(), GetTimeFromStart);
    // A time between samples rounds down to the sample before it.
    f.SetText("39");
    EXPECT_EQ(f.Result(), 1u);
}

}  // namespace
}  // namespace kdx
