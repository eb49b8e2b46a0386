// What the bit and word fuzz targets check of the text reader, whatever the
// bytes: values in range, the count and outcome the rules give, the same
// outcome however the bytes arrive in pieces, a progress that only rises, and
// the limit of 262144 values with its message only when a value follows.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "digital/DigitalText.h"
#include "document/WaveformLimits.h"

namespace kdx::fuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

// The rules spelled out plainly, to compare the reader against.
inline DigitalReadStatus Expected(const uint8_t* data, size_t size, DigitalTextKind kind, uint32_t already,
                                  uint32_t& count) {
    count = already;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t c = data[i];
        if (c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ',' || c == ';') continue;
        const bool value = kind == DigitalTextKind::Bits
                               ? (c == '0' || c == '1')
                               : ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
        if (count == MaxSampleCount) return DigitalReadStatus::TooMany;
        if (!value) return DigitalReadStatus::InvalidData;
        ++count;
    }
    return DigitalReadStatus::Ok;
}

inline void CheckText(const uint8_t* data, size_t size, DigitalTextKind kind) {
    static std::vector<uint8_t> out(MaxSampleCount), again(MaxSampleCount);
    static const std::vector<uint8_t> prefix(MaxSampleCount - 2, '1');
    const uint8_t top = kind == DigitalTextKind::Bits ? 1 : 15;

    // Whole, with the progress watched.
    int last = 0;
    const DigitalReadResult whole = ParseDigitalText({data, size}, kind, out.data(), [&](int p) {
        Require(p > last && p <= 100);
        last = p;
    });
    uint32_t count = 0;
    Require(whole.status == Expected(data, size, kind, 0, count));
    if (whole.Taken()) {
        Require(whole.count == count);
        for (uint32_t i = 0; i < whole.count; ++i) Require(out[i] <= top);
    }

    // In two pieces, split where the first byte says.
    const size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    DigitalTextParser parser(kind, again.data(), size, {});
    if (parser.Feed(data, cut)) parser.Feed(data + cut, size - cut);
    const DigitalReadResult split = parser.Finish();
    Require(split.status == whole.status);
    if (whole.Taken()) Require(split.count == whole.count && std::memcmp(out.data(), again.data(), whole.count) == 0);

    // Just short of the limit, so the bytes meet it: the quarter of a million
    // values before them are read once, and every input goes on from a copy
    // of the reader in that state.
    static const auto preFed = [](DigitalTextKind k) {
        DigitalTextParser p(k, again.data(), MaxSampleCount, {});
        p.Feed(prefix.data(), prefix.size());
        return p;
    };
    static const DigitalTextParser fedBits = preFed(DigitalTextKind::Bits);
    static const DigitalTextParser fedWords = preFed(DigitalTextKind::HexWords);
    DigitalTextParser near = kind == DigitalTextKind::Bits ? fedBits : fedWords;
    near.Feed(data, size);
    const DigitalReadResult limited = near.Finish();
    Require(limited.status == Expected(data, size, kind, static_cast<uint32_t>(prefix.size()), count));
    if (limited.Taken()) Require(limited.count == count && limited.count <= MaxSampleCount);
}

}  // namespace kdx::fuzz
