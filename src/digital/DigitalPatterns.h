// The digital patterns and how a built stretch meets a channel. A channel is
// one byte per sample, 0 or 1; every builder writes a caller's work buffer
// from element 0 (the edit start) on and never allocates.
#pragma once

#include <cstdint>

namespace kdx {

enum class DigitalOperation : int32_t { Replace = 0, Or = 1, And = 2, Xor = 3 };

// destination[i] = / |= / &= / ^= source[i] for i < count, bytes combined
// whole; an unknown operation changes nothing.
void applyDigitalOperation(uint8_t* destination, const uint8_t* source, uint32_t count, DigitalOperation operation);

// n samples: repeatCount pairs of c1 samples at level1 and c2 samples at
// level2, cut at n (possibly inside a phase); zeros after the last pair.
void buildClockPattern(uint8_t* buffer, uint32_t n, uint32_t c1, uint32_t c2, uint8_t level1, uint8_t level2,
                       uint32_t repeatCount);

// The serial (and parallel) layout over the document's N samples: bit i held
// for h samples; when the bits do not all fit, the whole bits that fit and
// then the first bit that does not fills the remaining N mod h samples.
// bitOf(i) gives bit i (0 or 1) for i < bitCount. Returns the samples written.
template <class BitOf>
uint32_t buildSerialPattern(uint8_t* buffer, uint32_t n, uint32_t h, uint64_t bitCount, BitOf&& bitOf) {
    if (h == 0 || bitCount == 0) return 0;
    uint64_t whole = bitCount;
    uint32_t rest = 0;
    if (uint64_t{n} < bitCount * h) {
        whole = n / h;
        rest = n % h;
    }
    uint8_t* out = buffer;
    if (h == 1) {
        // One sample per bit: a plain loop the compiler can unroll.
        for (uint64_t i = 0; i < whole; ++i) out[i] = bitOf(i);
        return static_cast<uint32_t>(whole);
    }
    for (uint64_t i = 0; i < whole; ++i) {
        const uint8_t bit = bitOf(i);
        for (uint32_t k = 0; k < h; ++k) *out++ = bit;
    }
    if (rest > 0) {
        const uint8_t bit = bitOf(whole);
        for (uint32_t k = 0; k < rest; ++k) *out++ = bit;
    }
    return static_cast<uint32_t>(out - buffer);
}

// Shift methods: what fills the samples the shift vacates.
enum class ShiftMethod : int32_t { FillZero = 0, FillOne = 1, Rotate = 2 };

// Moves a stretch of length samples by k samples (later when positive),
// through temp (length bytes), back into stretch. |k| beyond the length is
// taken as the length.
void shiftDigital(uint8_t* stretch, uint8_t* temp, uint32_t length, int64_t k, ShiftMethod method);

// Every sample becomes 1 if it was 0 and 0 otherwise.
void invertDigital(uint8_t* samples, uint32_t count);

// Exchanges count samples of two channels through temp.
void swapDigital(uint8_t* first, uint8_t* second, uint8_t* temp, uint32_t count);

}  // namespace kdx
