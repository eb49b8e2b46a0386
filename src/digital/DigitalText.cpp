#include "digital/DigitalText.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "document/WaveformFile.h"
#include "document/WaveformLimits.h"

namespace kdx {

namespace {

constexpr uint8_t Separator = 16;
constexpr uint8_t Invalid = 17;

// What each byte is: a value 0..15, a separator or invalid.
std::array<uint8_t, 256> ClassTable(DigitalTextKind kind) {
    std::array<uint8_t, 256> t{};
    t.fill(Invalid);
    for (unsigned char c : {'\t', '\n', '\r', ' ', ',', ';'}) t[c] = Separator;
    t['0'] = 0;
    t['1'] = 1;
    if (kind == DigitalTextKind::HexWords) {
        for (int d = 0; d < 10; ++d) t['0' + d] = static_cast<uint8_t>(d);
        for (int d = 0; d < 6; ++d) {
            t['A' + d] = static_cast<uint8_t>(10 + d);
            t['a' + d] = static_cast<uint8_t>(10 + d);
        }
    }
    return t;
}

const std::array<uint8_t, 256> BitClasses = ClassTable(DigitalTextKind::Bits);
const std::array<uint8_t, 256> HexClasses = ClassTable(DigitalTextKind::HexWords);

}  // namespace

std::string DigitalReadResult::Message() const {
    switch (status) {
        case DigitalReadStatus::TooMany:
            return MsgTooManyData;
        case DigitalReadStatus::OpenError:
            return MsgFileOpenError;
        case DigitalReadStatus::ReadError:
            return MsgFileReadError;
        case DigitalReadStatus::InvalidData:
            return MsgInvalidData;
        default:
            return {};
    }
}

DigitalTextParser::DigitalTextParser(DigitalTextKind kind, uint8_t* buffer, uint64_t totalBytes,
                                     const ReadProgress& report)
    : classes(kind == DigitalTextKind::Bits ? BitClasses.data() : HexClasses.data()),
      bits(kind == DigitalTextKind::Bits),
      out(buffer),
      total(totalBytes),
      percent(0),
      progress(report) {
    nextStep = progress && total > 0 ? (total + 99) / 100 : ~uint64_t{0};
}

void DigitalTextParser::Report(uint64_t bytes) {
    if (!progress || total == 0 || bytes < nextStep) return;
    const int now = static_cast<int>(std::min<uint64_t>(bytes * 100 / total, 100));
    if (now != percent) {
        percent = now;
        progress(percent);
    }
    // The first byte count at which the percent is one more.
    nextStep = (uint64_t(percent + 1) * total + 99) / 100;
}

size_t DigitalTextParser::BitRun(const uint8_t* data, size_t i, size_t end) {
    // Runs of '0'/'1' characters 32 at a time: the low bit of each is its bit
    // byte, already in order. A block with anything else in it goes through
    // the byte rules.
    constexpr size_t Block = 32;
    while (i + Block <= end && count + Block <= MaxSampleCount) {
#if defined(__SSE2__)
        const __m128i high = _mm_set1_epi8(static_cast<char>(0xFE)), digits = _mm_set1_epi8(0x30);
        const __m128i one = _mm_set1_epi8(1);
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16));
        const __m128i same = _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(a, high), digits),
                                           _mm_cmpeq_epi8(_mm_and_si128(b, high), digits));
        if (_mm_movemask_epi8(same) != 0xFFFF) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count), _mm_and_si128(a, one));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count + 16), _mm_and_si128(b, one));
#else
        constexpr uint64_t Ones = 0x0101010101010101u, Digits = 0x30 * Ones;
        uint64_t x[4];
        std::memcpy(x, data + i, Block);
        if (((x[0] & ~Ones) ^ Digits) | ((x[1] & ~Ones) ^ Digits) | ((x[2] & ~Ones) ^ Digits) |
            ((x[3] & ~Ones) ^ Digits))
            break;
        for (uint64_t& w : x) w &= Ones;
        std::memcpy(out + count, x, Block);
#endif
        count += Block;
        i += Block;
    }
    return i;
}

bool DigitalTextParser::Feed(const uint8_t* data, size_t size) {
    size_t i = 0;
    while (i < size && !done) {
        // Run to the next progress step without looking at the progress.
        const size_t end =
            nextStep > consumed ? static_cast<size_t>(std::min<uint64_t>(size, i + (nextStep - consumed))) : size;
        const size_t begin = i;
        if (bits) i = BitRun(data, i, end);
        for (; i < end; ++i) {
            const uint8_t c = classes[data[i]];
            if (c == Separator) continue;
            if (c == Invalid && count < MaxSampleCount) {
                status = DigitalReadStatus::InvalidData;
                done = true;
                ++i;
                break;
            }
            if (count == MaxSampleCount) {
                // Data beyond the limit is not read; only separators there
                // mean that nothing was left out.
                status = DigitalReadStatus::TooMany;
                done = true;
                ++i;
                break;
            }
            out[count++] = c;
        }
        consumed += i - begin;
        Report(consumed);
    }
    return !done;
}

DigitalReadResult DigitalTextParser::Finish() const {
    DigitalReadResult r;
    r.status = status;
    r.count = count;
    return r;
}

DigitalReadResult ParseDigitalText(std::span<const uint8_t> bytes, DigitalTextKind kind, uint8_t* out,
                                   const ReadProgress& progress) {
    DigitalTextParser parser(kind, out, bytes.size(), progress);
    parser.Feed(bytes.data(), bytes.size());
    return parser.Finish();
}

DigitalReadResult ReadDigitalTextFile(const std::filesystem::path& path, DigitalTextKind kind, uint8_t* out,
                                      const ReadProgress& progress) {
    DigitalReadResult failed;
    failed.reason = NotARegularFile(path);
    if (!failed.reason.empty()) {
        failed.status = DigitalReadStatus::OpenError;
        return failed;
    }
    errno = 0;
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
        failed.status = DigitalReadStatus::OpenError;
        failed.reason = errno != 0 ? std::strerror(errno) : "";
        return failed;
    }
    // The length for the progress, from the open file itself.
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        failed.reason = std::strerror(errno);
        std::fclose(file);
        failed.status = DigitalReadStatus::ReadError;
        return failed;
    }
    DigitalTextParser parser(kind, out, length > 0 ? static_cast<uint64_t>(length) : 0, progress);
    constexpr size_t ChunkSize = 65536;
    const auto chunk = std::make_unique_for_overwrite<uint8_t[]>(ChunkSize);
    bool more = true;
    while (more) {
        const size_t got = std::fread(chunk.get(), 1, ChunkSize, file);
        if (got == 0) break;
        more = parser.Feed(chunk.get(), got);
    }
    const bool readError = more && std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (readError) {
        failed.status = DigitalReadStatus::ReadError;
        failed.reason = std::strerror(error);
        return failed;
    }
    return parser.Finish();
}

}  // namespace kdx
