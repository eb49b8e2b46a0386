#include "digital/DigitalPatterns.h"

#include <algorithm>
#include <cstring>

namespace kdx {

void applyDigitalOperation(uint8_t* destination, const uint8_t* source, uint32_t count, DigitalOperation operation) {
    switch (operation) {
        case DigitalOperation::Replace:
            std::memmove(destination, source, count);
            break;
        case DigitalOperation::Or:
            for (uint32_t i = 0; i < count; ++i) destination[i] |= source[i];
            break;
        case DigitalOperation::And:
            for (uint32_t i = 0; i < count; ++i) destination[i] &= source[i];
            break;
        case DigitalOperation::Xor:
            for (uint32_t i = 0; i < count; ++i) destination[i] ^= source[i];
            break;
    }
}

void buildClockPattern(uint8_t* buffer, uint32_t n, uint32_t c1, uint32_t c2, uint8_t level1, uint8_t level2,
                       uint32_t repeatCount) {
    // One pair, then the pairs already written copied after themselves: the
    // pattern is periodic, so a few long copies do what many short writes would.
    const uint64_t pair = uint64_t{c1} + c2;
    const uint32_t total = static_cast<uint32_t>(std::min<uint64_t>(pair * repeatCount, n));
    const uint32_t first = std::min(c1, total);
    std::memset(buffer, level1, first);
    std::memset(buffer + first, level2, std::min<uint64_t>(pair, total) - first);
    uint32_t written = static_cast<uint32_t>(std::min<uint64_t>(pair, total));
    while (written < total) {
        const uint32_t chunk = std::min(written, total - written);
        std::memcpy(buffer + written, buffer, chunk);
        written += chunk;
    }
    std::memset(buffer + total, 0, n - total);
}

namespace {

// Blocks of a fixed length, so that the compiler turns the inner loops into
// vector code without a check for overlap (the pointers are restrict).
constexpr uint32_t Block = 64;

void SplitOne(const uint8_t* __restrict values, uint8_t* __restrict lane, uint8_t mask, uint32_t count) {
    uint32_t i = 0;
    for (; i + Block <= count; i += Block)
        for (uint32_t k = i; k < i + Block; ++k) lane[k] = uint8_t((values[k] & mask) != 0);
    for (; i < count; ++i) lane[i] = uint8_t((values[i] & mask) != 0);
}

void SplitFour(const uint8_t* __restrict values, uint8_t* __restrict a, uint8_t* __restrict b, uint8_t* __restrict c,
               uint8_t* __restrict d, const uint8_t* masks, uint32_t count) {
    const uint8_t ma = masks[0], mb = masks[1], mc = masks[2], md = masks[3];
    uint32_t i = 0;
    for (; i + Block <= count; i += Block) {
        for (uint32_t k = i; k < i + Block; ++k) {
            a[k] = uint8_t((values[k] & ma) != 0);
            b[k] = uint8_t((values[k] & mb) != 0);
            c[k] = uint8_t((values[k] & mc) != 0);
            d[k] = uint8_t((values[k] & md) != 0);
        }
    }
    for (; i < count; ++i) {
        a[i] = uint8_t((values[i] & ma) != 0);
        b[i] = uint8_t((values[i] & mb) != 0);
        c[i] = uint8_t((values[i] & mc) != 0);
        d[i] = uint8_t((values[i] & md) != 0);
    }
}

}  // namespace

uint32_t buildBitLanes(const uint8_t* values, uint64_t count, uint32_t n, uint32_t h, std::span<uint8_t* const> lanes,
                       std::span<const uint8_t> masks) {
    if (h == 0 || count == 0) return 0;
    uint64_t whole = count;
    uint32_t rest = 0;
    if (uint64_t{n} < count * h) {
        whole = n / h;
        rest = n % h;
    }
    const uint32_t w = static_cast<uint32_t>(whole);  // at most n
    if (h == 1) {
        // One sample per value: one pass over the values for all lanes.
        if (lanes.size() == 4) {
            SplitFour(values, lanes[0], lanes[1], lanes[2], lanes[3], masks.data(), w);
        } else {
            for (size_t k = 0; k < lanes.size(); ++k) SplitOne(values, lanes[k], masks[k], w);
        }
        return w;
    }
    for (size_t k = 0; k < lanes.size(); ++k) {
        uint8_t* out = lanes[k];
        const uint8_t mask = masks[k];
        for (uint32_t i = 0; i < w; ++i, out += h) std::memset(out, (values[i] & mask) != 0, h);
        if (rest > 0) std::memset(out, (values[w] & mask) != 0, rest);
    }
    return w * h + rest;
}

void shiftDigital(uint8_t* stretch, uint8_t* temp, uint32_t length, int64_t k, ShiftMethod method) {
    if (length == 0 || k == 0) return;
    const uint32_t m = static_cast<uint32_t>(std::min<int64_t>(k < 0 ? -k : k, length));
    const uint32_t keep = length - m;
    if (k > 0) {
        // Later: the first length - m samples move to the end; the front is filled.
        std::memcpy(temp + m, stretch, keep);
        if (method == ShiftMethod::Rotate) {
            std::memcpy(temp, stretch + keep, m);
        } else {
            std::memset(temp, method == ShiftMethod::FillOne ? 1 : 0, m);
        }
    } else {
        // Earlier: the last length - m samples move to the front; the end is filled.
        std::memcpy(temp, stretch + m, keep);
        if (method == ShiftMethod::Rotate) {
            std::memcpy(temp + keep, stretch, m);
        } else {
            std::memset(temp + keep, method == ShiftMethod::FillOne ? 1 : 0, m);
        }
    }
    std::memcpy(stretch, temp, length);
}

void invertDigital(uint8_t* samples, uint32_t count) {
    // Eight samples at a time: a byte's top bit after the sum is clear exactly
    // when the byte was 0, whatever the other bytes hold.
    constexpr uint64_t Low7 = 0x7F7F7F7F7F7F7F7Fu, Ones = 0x0101010101010101u;
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t x;
        std::memcpy(&x, samples + i, 8);
        const uint64_t zero = ~(((x & Low7) + Low7) | x | Low7);
        x = (zero >> 7) & Ones;
        std::memcpy(samples + i, &x, 8);
    }
    for (; i < count; ++i) samples[i] = samples[i] == 0 ? 1 : 0;
}

void swapDigital(uint8_t* first, uint8_t* second, uint8_t* temp, uint32_t count) {
    std::memcpy(temp, first, count);
    std::memcpy(first, second, count);
    std::memcpy(second, temp, count);
}

}  // namespace kdx
