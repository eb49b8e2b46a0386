// The digital patterns and how a built stretch meets a channel. A channel is
// one byte per sample, 0 or 1; every builder writes a caller's work buffer
// from element 0 (the edit start) on and never allocates.
#pragma once

#include <cstdint>
#include <span>

namespace kdx {

enum class DigitalOperation : int32_t { Replace = 0, Or = 1, And = 2, Xor = 3 };

// destination[i] = / |= / &= / ^= source[i] for i < count, bytes combined
// whole; an unknown operation changes nothing.
void applyDigitalOperation(uint8_t* destination, const uint8_t* source, uint32_t count, DigitalOperation operation);

// n samples: repeatCount pairs of c1 samples at level1 and c2 samples at
// level2, cut at n (possibly inside a phase); zeros after the last pair.
void buildClockPattern(uint8_t* buffer, uint32_t n, uint32_t c1, uint32_t c2, uint8_t level1, uint8_t level2,
                       uint32_t repeatCount);

// The serial (and parallel) layout over the document's N samples: value i
// held for h samples; when the values do not all fit, the whole values that
// fit and then the first one that does not fill the remaining N mod h
// samples. Each lane takes one bit of the values: lane k is 1 where
// value & masks[k] is not 0. The values and the lanes must not overlap.
// Returns the samples written to each lane.
uint32_t buildBitLanes(const uint8_t* values, uint64_t count, uint32_t n, uint32_t h, std::span<uint8_t* const> lanes,
                       std::span<const uint8_t> masks);

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
