// Feeds arbitrary bytes to the waveform file reader. Besides not crashing,
// whatever it accepts must be a waveform a document can hold.
//
// Each input is parsed twice: as it is, and with both checksums made right,
// so that mutations also reach the checks behind the checksums (time base,
// sizes, channel bytes, footer decoding) instead of stopping at them.
//
// fuzz-max-len: 17200 (room for a file of 1000 samples)
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "document/WaveformFile.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreSum(uint8_t* block, size_t checksumAt) {
    uint32_t sum = 0;
    for (size_t i = 0; i < checksumAt; ++i) sum += block[i];
    for (int i = 0; i < 4; ++i) block[checksumAt + i] = uint8_t(sum >> (8 * i));
}

void ParseAndCheck(std::span<const uint8_t> bytes) {
    static kdx::SampleBuffers buffers;  // allocated once, like the reader's caller does
    kdx::WaveformHeader header;
    kdx::DialogMemories params;
    std::string message;
    const bool ok = kdx::ParseWaveformBytes(bytes, header, kdx::ArraysOf(buffers), params, kdx::FileFormatVersion,
                                            message);
    Require(ok == (message == kdx::MsgFileOk));
    Require(ok || message == kdx::MsgFileFormatError);  // memory never fails to read
    if (!ok) return;
    const uint32_t n = header.sampleCount;
    Require(n >= 1 && n <= kdx::MaxSampleCount);
    Require(header.samplingStep >= 1 && header.samplingStep <= kdx::MaxSamplingStep);
    Require(header.timeUnitNs == kdx::BaseClockNs);
    Require(header.totalTimeNs == uint64_t{header.samplingStep} * kdx::BaseClockNs * n);
    const bool footer = kdx::HasFooterForSize(bytes.size(), n);
    Require(footer || bytes.size() == kdx::HeaderSize + 12 * uint64_t{n});
    if (!footer || header.formatVersion != kdx::FileFormatVersion) Require(params == kdx::DialogMemories{});
    for (const auto& channel : buffers.digital)
        for (uint32_t i = 0; i < n; ++i) Require(channel[i] <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ParseAndCheck(std::span<const uint8_t>(data, size));
    if (size < kdx::HeaderSize) return 0;

    static std::vector<uint8_t> fixed;
    fixed.assign(data, data + size);
    StoreSum(fixed.data(), 0x3F8);
    const uint64_t footerAt = kdx::HeaderSize + 12 * uint64_t{Get32(fixed.data() + 0x00C)};
    if (footerAt + kdx::FooterSize <= size) StoreSum(fixed.data() + footerAt, 0xFFC);
    ParseAndCheck(fixed);
    return 0;
}
