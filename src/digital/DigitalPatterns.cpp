#include "digital/DigitalPatterns.h"

#include <algorithm>
#include <cstring>

namespace kdx {

void applyDigitalOperation(uint8_t* destination, const uint8_t* source, uint32_t count, DigitalOperation operation) {
    switch (operation) {
    case DigitalOperation::Replace: std::memmove(destination, source, count); break;
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
    std::memset(buffer, 0, n);
    uint32_t written = 0;
    // A repeat count far beyond what n holds stops at n, not after billions of empty turns.
    for (uint32_t r = 0; r < repeatCount && written < n; ++r) {
        const uint32_t a = std::min(c1, n - written);
        std::memset(buffer + written, level1, a);
        written += a;
        const uint32_t b = std::min(c2, n - written);
        std::memset(buffer + written, level2, b);
        written += b;
        if (c1 == 0 && c2 == 0) break;
    }
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
    for (uint32_t i = 0; i < count; ++i) samples[i] = samples[i] == 0 ? 1 : 0;
}

void swapDigital(uint8_t* first, uint8_t* second, uint8_t* temp, uint32_t count) {
    std::memcpy(temp, first, count);
    std::memcpy(first, second, count);
    std::memcpy(second, temp, count);
}

}  // namespace kdx
