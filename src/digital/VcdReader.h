// Value change dumps (VCD) read for the digital channels: the header's
// timescale, scopes and variables, then every change of every variable, kept
// so that any of the file's 1-bit signals (or single bits of its vectors) can
// be sampled afterwards at the document's sampling time.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

// A signal the channels may take: a 1-bit variable, or one bit of a vector.
struct VcdSignal {
    std::string name;    // the full name: scopes and reference joined by '.', a bit as name[k]
    uint32_t code = 0;   // the identifier code whose changes it follows
    uint32_t bit = 0;    // the bit counted from the right of the vector's value (0 for a 1-bit variable)
    bool scalar = true;  // declared with one bit
};

// What the reader keeps of a file.
struct VcdData {
    // The timescale as a power of ten of femtoseconds (1 fs: 0, 100 s: 17).
    int scaleExponent = 3;
    std::vector<VcdSignal> offered;  // in declaration order, vectors bit by bit from the left
    uint64_t lastTime = 0;           // the last timestamp, in timescale units
    uint64_t changeCount = 0;        // the value changes read (reals included)

    // A change of one identifier code: at time, a scalar value or a vector's
    // characters in the pool.
    struct Change {
        uint64_t time;
        uint32_t pos;  // the scalar's character when len is 0
        uint32_t len;
    };
    std::vector<std::vector<Change>> changes;  // by code
    std::string pool;                          // the vectors' values, '0' '1' 'x' 'z'

    // The signals the channels take by default: the first four 1-bit
    // variables in declaration order (-1 where the file has fewer).
    std::array<int, 4> DefaultSignals() const;
    // The signal of a full name, or of a reference that names one signal
    // only; -1 when none (or several) match.
    int Find(const std::string& name) const;
    // The last timestamp less from, in nanoseconds rounded up (0 when from is later).
    int64_t PeriodFrom(int64_t fromNs) const;
};

struct VcdReadResult {
    std::string message;  // empty when the file was read; else the dialog's message
    std::string reason;   // why a file could not be opened or read, as the system says
    bool Ok() const { return message.empty(); }
};

// The dialog's message for a malformed file: its line and what is wrong there.
std::string VcdLineMessage(uint64_t line, const std::string& what);
// The message when sampling read x or z as 0.
std::string VcdUnknownMessage(uint64_t samples);

// A dump's name: it ends in ".vcd", in any case.
bool HasVcdExtension(std::string_view path);

// Reads the bytes of a dump into data (replaced whole); a malformed dump
// gives its message and leaves data empty.
VcdReadResult ParseVcd(std::span<const uint8_t> bytes, VcdData& data);
// The same from a file; a path that is not a regular file is refused before it is opened.
VcdReadResult ReadVcdFile(const std::filesystem::path& path, VcdData& data);

// Samples the chosen signals (one per channel, -1: always 0) at fromNs + i * dtNs,
// i < count: each sample takes the last change at or before its time. Word i
// gets channel c's bit in bit c; x, z and no change yet read as 0. Returns
// how many samples read x or z (or no value yet) on any channel of counted
// (bit c: channel c).
uint32_t SampleVcd(const VcdData& data, const std::array<int, 4>& chosen, int64_t fromNs, int64_t dtNs, uint32_t count,
                   uint8_t* words, unsigned counted = 15);

}  // namespace kdx
