// The patterns and the whole-stretch edits: operations, clock, serial layout,
// shift, invert and swap.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "digital/DigitalPatterns.h"

using namespace kdx;
using Bytes = std::vector<uint8_t>;

TEST(DigitalPatterns, OperationsCombineWholeBytes) {
    const Bytes channel = {0, 1, 0, 1, 2};
    const Bytes ones = {1, 1, 1, 1, 1};
    const struct {
        DigitalOperation op;
        Bytes expected;
    } cases[] = {
        {DigitalOperation::Replace, {1, 1, 1, 1, 1}},
        {DigitalOperation::Or, {1, 1, 1, 1, 3}},
        {DigitalOperation::And, {0, 1, 0, 1, 0}},  // ones leave a 0/1 channel as it is
        {DigitalOperation::Xor, {1, 0, 1, 0, 3}},  // and invert it
        {static_cast<DigitalOperation>(7), {0, 1, 0, 1, 2}},
    };
    for (const auto& c : cases) {
        Bytes d = channel;
        applyDigitalOperation(d.data(), ones.data(), 4, c.op);  // the fifth byte is outside the count
        Bytes expected = c.expected;
        expected[4] = 2;
        EXPECT_EQ(d, expected) << static_cast<int>(c.op);
    }
}

TEST(DigitalPatterns, ClockCutAtTheEnd) {
    Bytes b(10, 7);
    buildClockPattern(b.data(), 7, 2, 1, 1, 0, 5);  // 3 pairs fit only up to 7 samples
    EXPECT_EQ(b, (Bytes{1, 1, 0, 1, 1, 0, 1, 7, 7, 7}));
    buildClockPattern(b.data(), 6, 0, 1, 0, 1, 4);  // time 1 = 0: repeat-count ones
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), (Bytes{1, 1, 1, 1, 0, 0}));
    // A repeat count far beyond the samples stops at them.
    buildClockPattern(b.data(), 3, 1, 1, 1, 0, 4000000000u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 3), (Bytes{1, 0, 1}));
}

TEST(DigitalPatterns, SerialLayoutFillsTheRemainderWithTheNextBit) {
    // 10 bits of 3 samples over 25 samples: 8 whole bits, bit 8 in the last sample.
    const Bytes bits = {1, 0, 1, 1, 0, 0, 1, 0, 1, 1};
    const uint8_t one = 1;
    Bytes b(25, 9);
    uint8_t* lane = b.data();
    EXPECT_EQ(buildBitLanes(bits.data(), bits.size(), 25, 3, {&lane, 1}, {&one, 1}), 25u);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(b[i], bits[i / 3]) << i;
    EXPECT_EQ(b[24], bits[8]);
    // Bits that all fit leave the rest alone.
    Bytes c(10, 9);
    lane = c.data();
    EXPECT_EQ(buildBitLanes(bits.data(), 3, 10, 2, {&lane, 1}, {&one, 1}), 6u);
    EXPECT_EQ(c, (Bytes{1, 1, 0, 0, 1, 1, 9, 9, 9, 9}));
}

TEST(DigitalPatterns, FourLanesTakeOneBitEachAtOneSampleOrMore) {
    // Words past a whole block and its tail; lanes in the reversed bit order.
    Bytes words(150);
    for (size_t i = 0; i < words.size(); ++i) words[i] = uint8_t((i * 7 + i / 16) & 15);
    const std::array<uint8_t, 4> masks = {8, 4, 2, 1};
    for (const uint32_t h : {1u, 2u}) {
        std::array<Bytes, 4> lanes;
        std::array<uint8_t*, 4> out{};
        for (int k = 0; k < 4; ++k) out[k] = (lanes[k] = Bytes(300, 9)).data();
        EXPECT_EQ(buildBitLanes(words.data(), words.size(), 299, h, out, masks), h == 1 ? 150u : 299u);
        for (uint32_t s = 0; s < 150 * h && s < 299; ++s)
            for (int k = 0; k < 4; ++k) ASSERT_EQ(lanes[k][s], (words[s / h] >> (3 - k)) & 1) << h << " " << s;
        EXPECT_EQ(lanes[0][299], 9);
    }
}

TEST(DigitalPatterns, ShiftFillsOrRotates) {
    const Bytes start = {1, 1, 0, 0, 0, 0, 0, 1};
    const struct {
        int64_t k;
        ShiftMethod method;
        Bytes expected;
    } cases[] = {
        {2, ShiftMethod::FillZero, {0, 0, 1, 1, 0, 0, 0, 0}}, {2, ShiftMethod::FillOne, {1, 1, 1, 1, 0, 0, 0, 0}},
        {2, ShiftMethod::Rotate, {0, 1, 1, 1, 0, 0, 0, 0}},   {-1, ShiftMethod::FillOne, {1, 0, 0, 0, 0, 0, 1, 1}},
        {-3, ShiftMethod::Rotate, {0, 0, 0, 0, 1, 1, 1, 0}},  {8, ShiftMethod::FillOne, {1, 1, 1, 1, 1, 1, 1, 1}},
        {8, ShiftMethod::Rotate, {1, 1, 0, 0, 0, 0, 0, 1}},   {-8, ShiftMethod::FillZero, {0, 0, 0, 0, 0, 0, 0, 0}},
        {99, ShiftMethod::FillOne, {1, 1, 1, 1, 1, 1, 1, 1}},  // beyond the length: the length
    };
    for (const auto& c : cases) {
        Bytes s = start, t(8);
        shiftDigital(s.data(), t.data(), 8, c.k, c.method);
        EXPECT_EQ(s, c.expected) << c.k << " " << static_cast<int>(c.method);
    }
    // +1 then -1 with fill 0 loses the value the last sample had.
    Bytes s = start, t(8);
    shiftDigital(s.data(), t.data(), 8, 1, ShiftMethod::FillZero);
    shiftDigital(s.data(), t.data(), 8, -1, ShiftMethod::FillZero);
    EXPECT_EQ(s, (Bytes{1, 1, 0, 0, 0, 0, 0, 0}));
}

TEST(DigitalPatterns, InvertAndSwap) {
    Bytes a = {0, 1, 2, 0}, b = {1, 1, 0, 0}, t(4);
    invertDigital(a.data(), 4);
    EXPECT_EQ(a, (Bytes{1, 0, 0, 1}));  // a stray 2 counts as high
    swapDigital(a.data(), b.data(), t.data(), 3);
    EXPECT_EQ(a, (Bytes{1, 1, 0, 1}));
    EXPECT_EQ(b, (Bytes{1, 0, 0, 0}));
    swapDigital(a.data(), b.data(), t.data(), 3);
    EXPECT_EQ(a, (Bytes{1, 0, 0, 1}));
    EXPECT_EQ(b, (Bytes{1, 1, 0, 0}));
}
