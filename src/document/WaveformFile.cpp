#include "document/WaveformFile.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <system_error>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(_WIN32)
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kdx {

namespace fs = std::filesystem;

namespace {

// Byte offsets inside the 1024-byte header.
namespace at {
constexpr size_t TotalTime = 0x000;
constexpr size_t SamplingStep = 0x008;
constexpr size_t SampleCount = 0x00C;
constexpr size_t TimeUnit = 0x010;
constexpr size_t DataId = 0x018;
constexpr size_t DocumentId = 0x01C;
constexpr size_t EditCount = 0x020;
constexpr size_t SignalNames = 0x024;
constexpr size_t FlagA = 0x074;
constexpr size_t EditLock = 0x078;
constexpr size_t FlagC = 0x07C;
constexpr size_t FlagD = 0x080;
constexpr size_t DocumentTag = 0x084;
constexpr size_t CursorSample = 0x094;
constexpr size_t FirstVisibleSample = 0x098;
constexpr size_t CursorX = 0x09C;
constexpr size_t TimeMarkSet = 0x0A0;
constexpr size_t TimeMarkSample = 0x0A4;
constexpr size_t TimeMarkX = 0x0A8;
constexpr size_t Ring = 0x0AC;
constexpr size_t RingHead = 0x2AC;
constexpr size_t RingWrite = 0x2B0;
constexpr size_t RingBrowse = 0x2B4;
constexpr size_t RingEmpty = 0x2B8;
constexpr size_t RingCanGoBack = 0x2BC;
constexpr size_t RingCanGoForward = 0x2C0;
constexpr size_t RingBrowsing = 0x2C4;
constexpr size_t ZoomEnabled = 0x2C8;
constexpr size_t SpareFlag = 0x2CC;
constexpr size_t ZoomTable = 0x2D0;
constexpr size_t StandardZoomIndex = 0x350;
constexpr size_t MaxZoomIndex = 0x354;
constexpr size_t ZoomIndex = 0x358;
constexpr size_t OutputBytes = 0x35C;
constexpr size_t RepeatCount = 0x37C;
constexpr size_t Retrigger = 0x380;
constexpr size_t HeaderChecksum = 0x3F8;
constexpr size_t Version = 0x3FC;
constexpr size_t FooterFieldsEnd = 0x200;
constexpr size_t FooterChecksum = 0xFFC;
}  // namespace at

constexpr size_t SignalNameWidth = 8;
constexpr size_t DocumentTagWidth = 16;

static_assert(at::Ring + 4 * EditRingSize == at::RingHead);
static_assert(at::ZoomTable + 4 * ZoomTableSize == at::StandardZoomIndex);
static_assert(at::SignalNames + SignalNameWidth * SignalNameCount == 0x06C);
static_assert(at::FooterFieldsEnd <= at::FooterChecksum && at::FooterChecksum + 4 == FooterSize);

// Little-endian fields, whatever the host's byte order.
void Put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void Put64(uint8_t* p, uint64_t v) {
    Put32(p, uint32_t(v));
    Put32(p + 4, uint32_t(v >> 32));
}
uint64_t Get64(const uint8_t* p) { return uint64_t(Get32(p)) | uint64_t(Get32(p + 4)) << 32; }
void PutI32(uint8_t* p, int32_t v) { Put32(p, uint32_t(v)); }
int32_t GetI32(const uint8_t* p) { return int32_t(Get32(p)); }
void PutBool(uint8_t* p, bool v) { Put32(p, v ? 1u : 0u); }
bool GetBool(const uint8_t* p) { return Get32(p) != 0; }

// Fixed-width text: cut to the width in bytes, padded on the right with blanks.
void PutText(uint8_t* p, size_t width, const std::string& s) {
    const size_t n = std::min(s.size(), width);
    std::memcpy(p, s.data(), n);
    std::memset(p + n, ' ', width - n);
}
bool IsBlank(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
// Bytes are kept as found; only surrounding white space goes.
std::string GetText(const uint8_t* p, size_t width) {
    size_t b = 0, e = width;
    while (b < e && IsBlank(p[b])) ++b;
    while (e > b && IsBlank(p[e - 1])) --e;
    return std::string(reinterpret_cast<const char*>(p + b), e - b);
}

uint32_t ByteSum(const uint8_t* p, size_t n) {
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += p[i];
    return sum;
}

// Every channel byte must be 0 or 1. The bytes are OR-ed together and checked
// once at the end, 64 at a time in vector registers where there are some: a
// megabyte of channels costs a few microseconds instead of a branch per
// sample.
bool AllZeroOrOne(const uint8_t* p, size_t n) {
    size_t i = 0;
    uint64_t seen = 0;
#if defined(__SSE2__)
    __m128i a = _mm_setzero_si128(), b = a, c = a, d = a;
    const auto at = [p](size_t k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)); };
    for (; i + 64 <= n; i += 64) {
        a = _mm_or_si128(a, at(i));
        b = _mm_or_si128(b, at(i + 16));
        c = _mm_or_si128(c, at(i + 32));
        d = _mm_or_si128(d, at(i + 48));
    }
    uint64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), _mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)));
    seen = lanes[0] | lanes[1];
#endif
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, sizeof w);
        seen |= w;
    }
    for (; i < n; ++i) seen |= p[i];
    return (seen & 0xFEFEFEFEFEFEFEFEull) == 0;
}

void EncodeHeader(const WaveformHeader& h, uint8_t* out) {
    std::memset(out, 0, HeaderSize);
    Put64(out + at::TotalTime, h.totalTimeNs);
    Put32(out + at::SamplingStep, h.samplingStep);
    Put32(out + at::SampleCount, h.sampleCount);
    Put32(out + at::TimeUnit, BaseClockNs);  // the only unit the generator has
    PutI32(out + at::DataId, h.dataId);
    PutI32(out + at::DocumentId, h.documentId);
    PutI32(out + at::EditCount, h.editCount);
    for (int i = 0; i < SignalNameCount; ++i)
        PutText(out + at::SignalNames + SignalNameWidth * i, SignalNameWidth, h.signalNames[i]);

    // The frame's A and C flags and its edit permission are stored inverted.
    PutBool(out + at::FlagA, !h.frame.flagA);
    PutBool(out + at::EditLock, !h.frame.editAllowed);
    PutBool(out + at::FlagC, !h.frame.flagC);
    PutBool(out + at::FlagD, h.frame.flagD);
    PutText(out + at::DocumentTag, DocumentTagWidth, h.frame.documentTag);

    const ViewBlock& v = h.view;
    Put32(out + at::CursorSample, v.cursorSample);
    Put32(out + at::FirstVisibleSample, v.firstVisibleSample);
    PutI32(out + at::CursorX, v.cursorX);
    PutBool(out + at::TimeMarkSet, v.timeMarkSet);
    Put32(out + at::TimeMarkSample, v.timeMarkSample);
    PutI32(out + at::TimeMarkX, v.timeMarkX);
    for (int i = 0; i < EditRingSize; ++i) Put32(out + at::Ring + 4 * i, v.ring[i]);
    PutI32(out + at::RingHead, v.ringHead);
    PutI32(out + at::RingWrite, v.ringWrite);
    PutI32(out + at::RingBrowse, v.ringBrowse);
    PutBool(out + at::RingEmpty, v.ringEmpty);
    PutBool(out + at::RingCanGoBack, v.ringCanGoBack);
    PutBool(out + at::RingCanGoForward, v.ringCanGoForward);
    PutBool(out + at::RingBrowsing, v.ringBrowsing);
    PutBool(out + at::ZoomEnabled, v.zoomEnabled);
    PutBool(out + at::SpareFlag, v.spareFlag);
    for (int i = 0; i < ZoomTableSize; ++i) Put32(out + at::ZoomTable + 4 * i, v.zoomTable[i]);
    PutI32(out + at::StandardZoomIndex, v.standardZoomIndex);
    PutI32(out + at::MaxZoomIndex, v.maxZoomIndex);
    PutI32(out + at::ZoomIndex, v.zoomIndex);

    for (int i = 0; i < 8; ++i) Put32(out + at::OutputBytes + 4 * i, OutputByteField(h.output, i));
    PutI32(out + at::RepeatCount, h.output.repeatCount);
    Put32(out + at::Retrigger, h.output.retrigger);

    Put32(out + at::HeaderChecksum, ByteSum(out, at::HeaderChecksum));
    Put32(out + at::Version, h.formatVersion);
}

// The header's own consistency: the time base a document can hold, a total
// time that agrees with it, and the checksum.
// What is wrong with a header, or nullptr when nothing is.
const char* HeaderProblem(const uint8_t* in) {
    const uint32_t step = Get32(in + at::SamplingStep);
    const uint32_t count = Get32(in + at::SampleCount);
    const uint32_t unit = Get32(in + at::TimeUnit);
    if (step < 1 || step > MaxSamplingStep) return "sampling step out of range";
    if (count < 1 || count > MaxSampleCount) return "sample count out of range";
    // Any other unit would give a document whose total time disagrees with
    // its step and count. 20 × 16777216 still fits in 32 bits.
    if (unit != BaseClockNs) return "time unit is not 20 ns";
    const uint32_t samplingTimeNs = unit * step;
    if (Get64(in + at::TotalTime) != uint64_t{samplingTimeNs} * count) return "total time disagrees with the time base";
    if (Get32(in + at::HeaderChecksum) != ByteSum(in, at::HeaderChecksum)) return "header checksum mismatch";
    return nullptr;
}

void DecodeHeader(const uint8_t* in, WaveformHeader& h) {
    h.totalTimeNs = Get64(in + at::TotalTime);
    h.samplingStep = Get32(in + at::SamplingStep);
    h.sampleCount = Get32(in + at::SampleCount);
    h.timeUnitNs = Get32(in + at::TimeUnit);
    h.dataId = GetI32(in + at::DataId);
    h.documentId = GetI32(in + at::DocumentId);
    h.editCount = GetI32(in + at::EditCount);
    for (int i = 0; i < SignalNameCount; ++i)
        h.signalNames[i] = GetText(in + at::SignalNames + SignalNameWidth * i, SignalNameWidth);

    h.frame.flagA = !GetBool(in + at::FlagA);
    h.frame.editAllowed = !GetBool(in + at::EditLock);
    h.frame.flagC = !GetBool(in + at::FlagC);
    h.frame.flagD = GetBool(in + at::FlagD);
    h.frame.documentTag = GetText(in + at::DocumentTag, DocumentTagWidth);

    ViewBlock& v = h.view;
    v.cursorSample = Get32(in + at::CursorSample);
    v.firstVisibleSample = Get32(in + at::FirstVisibleSample);
    v.cursorX = GetI32(in + at::CursorX);
    v.timeMarkSet = GetBool(in + at::TimeMarkSet);
    v.timeMarkSample = Get32(in + at::TimeMarkSample);
    v.timeMarkX = GetI32(in + at::TimeMarkX);
    for (int i = 0; i < EditRingSize; ++i) v.ring[i] = Get32(in + at::Ring + 4 * i);
    v.ringHead = GetI32(in + at::RingHead);
    v.ringWrite = GetI32(in + at::RingWrite);
    v.ringBrowse = GetI32(in + at::RingBrowse);
    v.ringEmpty = GetBool(in + at::RingEmpty);
    v.ringCanGoBack = GetBool(in + at::RingCanGoBack);
    v.ringCanGoForward = GetBool(in + at::RingCanGoForward);
    v.ringBrowsing = GetBool(in + at::RingBrowsing);
    v.zoomEnabled = GetBool(in + at::ZoomEnabled);
    v.spareFlag = GetBool(in + at::SpareFlag);
    for (int i = 0; i < ZoomTableSize; ++i) v.zoomTable[i] = Get32(in + at::ZoomTable + 4 * i);
    v.standardZoomIndex = GetI32(in + at::StandardZoomIndex);
    v.maxZoomIndex = GetI32(in + at::MaxZoomIndex);
    v.zoomIndex = GetI32(in + at::ZoomIndex);

    // The widened one-byte settings keep only their low byte.
    for (int i = 0; i < 8; ++i) *OutputByteField(h.output, i) = uint8_t(Get32(in + at::OutputBytes + 4 * i));
    h.output.repeatCount = GetI32(in + at::RepeatCount);
    h.output.retrigger = uint8_t(Get32(in + at::Retrigger));

    h.formatVersion = Get32(in + at::Version);
}

template <class>
struct UnknownFieldType : std::false_type {};

// Walks the fourteen memories in footer order; Fn(offset, field) sees every
// field with the footer offset it occupies.
template <class Memories, class Fn>
size_t WalkFooterFields(Memories& params, Fn&& fn) {
    size_t offset = 0;
    ForEachField(params, [&](const char*, auto& record) {
        ForEachField(record, [&](const char*, auto& field) {
            using T = std::remove_cvref_t<decltype(field)>;
            fn(offset, field);
            offset += std::is_same_v<T, int64_t> || std::is_same_v<T, double> ? 8 : 4;
        });
    });
    return offset;
}

void EncodeFooter(const DialogMemories& params, uint8_t* out) {
    std::memset(out, 0, FooterSize);
    [[maybe_unused]] const size_t end = WalkFooterFields(params, [out](size_t offset, const auto& field) {
        using T = std::remove_cvref_t<decltype(field)>;
        uint8_t* p = out + offset;
        if constexpr (std::is_same_v<T, int64_t>) Put64(p, uint64_t(field));  // two i32, low half first
        else if constexpr (std::is_same_v<T, int32_t>) PutI32(p, field);
        else if constexpr (std::is_same_v<T, double>) Put64(p, std::bit_cast<uint64_t>(field));
        else if constexpr (std::is_same_v<T, uint8_t>) Put32(p, field);
        else static_assert(UnknownFieldType<T>::value);
    });
    assert(end == at::FooterFieldsEnd);  // the memories fill the footer up to its zero area
    Put32(out + at::FooterChecksum, ByteSum(out, at::FooterChecksum));
}

void DecodeFooter(const uint8_t* in, DialogMemories& params) {
    WalkFooterFields(params, [in](size_t offset, auto& field) {
        using T = std::remove_cvref_t<decltype(field)>;
        const uint8_t* p = in + offset;
        if constexpr (std::is_same_v<T, int64_t>) field = int64_t(Get64(p));
        else if constexpr (std::is_same_v<T, int32_t>) field = GetI32(p);
        else if constexpr (std::is_same_v<T, double>) field = std::bit_cast<double>(Get64(p));
        else if constexpr (std::is_same_v<T, uint8_t>) field = p[0];
        else static_assert(UnknownFieldType<T>::value);
    });
}

[[maybe_unused]] void SwapDoubles(double* d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        uint8_t b[8];
        std::memcpy(b, &d[i], 8);
        std::reverse(b, b + 8);
        std::memcpy(&d[i], b, 8);
    }
}

// Input sources for the reader: the same steps run over a file being read
// and over bytes already in memory. Read returns how many bytes arrived;
// fewer than asked means the end was reached or the source failed.
class MemorySource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t Read(void* dst, size_t n) {
        const size_t k = std::min(n, bytes_.size() - pos_);
        if (k != 0) std::memcpy(dst, bytes_.data() + pos_, k);
        pos_ += k;
        return k;
    }
    bool Failed() const { return false; }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

class FileSource {
public:
    explicit FileSource(std::FILE* f) : f_(f) {}
    size_t Read(void* dst, size_t n) {
        if (n == 0) return 0;
        const size_t k = std::fread(dst, 1, n, f_);
        if (k != n && std::ferror(f_) && error_ == 0) error_ = errno;
        return k;
    }
    bool Failed() const { return std::ferror(f_) != 0; }
    int Error() const { return error_; }

private:
    std::FILE* f_;
    int error_ = 0;
};

// The outcome of a file operation: one of the module's messages and, for
// those who can show more (the command line), the system's reason or the
// check that failed.
struct Outcome {
    const char* message = MsgFileOk;
    std::string reason;
};

Outcome Fail(const char* message, std::string reason) { return {message, std::move(reason)}; }
Outcome FailErrno(const char* message, int error) { return {message, error != 0 ? std::strerror(error) : ""}; }

// The reader's steps. The size is learnt by reading rather than asked for
// beforehand, so a file that grows or shrinks while it is read is measured by
// the bytes actually delivered: running out early is a wrong size (format
// error) unless the source reported a failure (read error).
template <class Source>
Outcome ParseFrom(Source& src, WaveformHeader& header, SampleArrays buffers, DialogMemories& params,
                  uint32_t expectedVersion) {
    const auto shortRead = [&] {
        if constexpr (requires { src.Error(); }) {
            if (src.Failed()) return FailErrno(MsgFileReadError, src.Error());
        }
        return Fail(MsgFileFormatError, "the file ends before its samples do");
    };
    const auto readFailed = [&] {
        if constexpr (requires { src.Error(); }) return FailErrno(MsgFileReadError, src.Error());
        return Fail(MsgFileReadError, "");
    };

    uint8_t head[HeaderSize];
    if (src.Read(head, HeaderSize) != HeaderSize) {
        if (src.Failed()) return readFailed();
        return Fail(MsgFileFormatError, "shorter than a waveform header");
    }
    if (const char* problem = HeaderProblem(head)) return Fail(MsgFileFormatError, problem);
    DecodeHeader(head, header);
    const size_t n = header.sampleCount;

    // Analog values are taken as they are; any double is a sample.
    if (src.Read(buffers.analog, 8 * n) != 8 * n) return shortRead();
    if constexpr (std::endian::native != std::endian::little) SwapDoubles(buffers.analog, n);

    for (uint8_t* channel : buffers.digital) {
        if (src.Read(channel, n) != n) return shortRead();
        if (!AllZeroOrOne(channel, n)) return Fail(MsgFileFormatError, "a digital sample is neither 0 nor 1");
    }

    // Then either nothing or exactly one footer.
    uint8_t foot[FooterSize];
    const size_t footerBytes = src.Read(foot, FooterSize);
    if (src.Failed()) return readFailed();
    constexpr const char* wrongLength = "the file's length fits neither with nor without a footer";
    if (footerBytes != 0 && footerBytes != FooterSize) return Fail(MsgFileFormatError, wrongLength);
    if (footerBytes == FooterSize) {
        uint8_t extra;
        if (src.Read(&extra, 1) != 0) return Fail(MsgFileFormatError, wrongLength);
        if (src.Failed()) return readFailed();
    }

    // A footer of another format version is not read at all.
    if (footerBytes == FooterSize && header.formatVersion == expectedVersion) {
        if (Get32(foot + at::FooterChecksum) != ByteSum(foot, at::FooterChecksum))
            return Fail(MsgFileFormatError, "footer checksum mismatch");
        DecodeFooter(foot, params);
    } else {
        params = DialogMemories{};
    }
    return {};
}

// The two spots where the platform shows: opening by a path that may hold
// any characters, and pushing written data to the disk before the rename.
std::FILE* OpenFile(const fs::path& path, const char* mode) {
#if defined(_WIN32)
    wchar_t wmode[8] = {};
    for (size_t i = 0; mode[i] != '\0' && i + 1 < 8; ++i) wmode[i] = wchar_t(mode[i]);
    return _wfopen(path.c_str(), wmode);
#else
    return std::fopen(path.c_str(), mode);
#endif
}

bool FlushToDisk(std::FILE* f) {
    if (std::fflush(f) != 0) return false;
#if defined(_WIN32)
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

// A replaced file keeps its owner and group where the process may give them
// away (the superuser); anyone else's save makes the file theirs, as any new
// file is.
void KeepOwner(const fs::path& old, const fs::path& file) {
#if !defined(_WIN32)
    struct stat st {};
    if (::stat(old.c_str(), &st) != 0 || (st.st_uid == ::geteuid() && st.st_gid == ::getegid())) return;
    [[maybe_unused]] const int refused = ::chown(file.c_str(), st.st_uid, st.st_gid);
#else
    (void)old;
    (void)file;
#endif
}

bool WriteAll(std::FILE* f, const void* data, size_t n) { return n == 0 || std::fwrite(data, 1, n, f) == n; }

bool WriteAnalog(std::FILE* f, const double* analog, size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        return WriteAll(f, analog, 8 * n);
    } else {
        double chunk[512];
        for (size_t done = 0; done < n;) {
            const size_t k = std::min(n - done, std::size(chunk));
            std::memcpy(chunk, analog + done, 8 * k);
            SwapDoubles(chunk, k);
            if (!WriteAll(f, chunk, 8 * k)) return false;
            done += k;
        }
        return true;
    }
}

// A name in the target's directory that no other save picks at the same
// moment; short, so that a target name near the length limit still works.
fs::path TemporaryNameFor(const fs::path& target) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    char name[32];
    std::snprintf(name, sizeof name, "~kdx%016llx.tmp", static_cast<unsigned long long>(rng()));
    return target.parent_path() / name;
}

// Saving through a symbolic link writes the file it names, whether that file
// exists yet or not, and leaves the link as it is; a chain of links is
// followed to its end. nullopt (with errno set) for a loop of links.
std::optional<fs::path> ResolveTarget(const fs::path& path) {
    constexpr int MaxLinks = 40;  // as the system's own path resolution
    fs::path target = path;
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(target, ec)); ++hops) {
        if (hops == MaxLinks) {
            errno = ELOOP;
            return std::nullopt;
        }
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) return target;  // unreadable: the open below reports why
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

}  // namespace

std::string NotARegularFile(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) return ec ? ec.message() : std::strerror(ENOENT);
    if (fs::is_directory(status)) return std::strerror(EISDIR);
    if (!fs::is_regular_file(status)) return "not a regular file";
    return {};
}

bool HasExtension(std::string_view path, std::string_view tail) {
    if (path.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = path[path.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

bool HasKdxExtension(std::string_view path) { return HasExtension(path, "kdx"); }

std::string FileNameOf(std::string_view path) {
    const size_t sep = path.find_last_of("/\\");
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

bool HasFooterForSize(uint64_t fileSize, uint32_t sampleCount) {
    return fileSize == 5120 + 12 * uint64_t{sampleCount};
}

namespace {

// The old file stays whole until the new one is complete: everything goes
// to a temporary file beside it, which then replaces it in one rename. A
// target that could not be opened for writing (a directory, a read-only
// file) is refused as before, with the open error.
Outcome WriteAtomically(const fs::path& path, const FileBody& body) {
    const std::optional<fs::path> resolved = ResolveTarget(path);
    if (!resolved) return FailErrno(MsgFileOpenError, errno);
    const fs::path& target = *resolved;
    std::error_code ec;
    const fs::file_status old = fs::status(target, ec);
    const bool replacing = fs::exists(old);
    if (replacing && fs::is_directory(old)) return FailErrno(MsgFileOpenError, EISDIR);
    if (replacing && !fs::is_regular_file(old)) return Fail(MsgFileOpenError, "not a regular file");
    if (replacing && (old.permissions() & fs::perms::owner_write) == fs::perms::none)
        return FailErrno(MsgFileOpenError, EACCES);

    fs::path tmp;
    std::FILE* f = nullptr;
    for (int attempt = 0; attempt < 4 && f == nullptr; ++attempt) {
        tmp = TemporaryNameFor(target);
        errno = 0;
        f = OpenFile(tmp, "wbx");
    }
    if (f == nullptr) return FailErrno(MsgFileOpenError, errno);
    std::setvbuf(f, nullptr, _IONBF, 0);  // few large writes; a stdio buffer would only copy

    errno = 0;
    bool ok = body(f) && FlushToDisk(f);
    int error = ok ? 0 : errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        error = errno;
    }

    if (ok && replacing) {
        // The old file's read and write rights carry over, nothing else: a
        // save must never hand on a set-user-ID or an execute bit.
        constexpr fs::perms ReadWrite = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                        fs::perms::group_write | fs::perms::others_read | fs::perms::others_write;
        KeepOwner(target, tmp);
        fs::permissions(tmp, old.permissions() & ReadWrite, ec);
    }
    std::string reason = ok ? "" : error != 0 ? std::strerror(error) : "";
    if (ok) {
        fs::rename(tmp, target, ec);
        ok = !ec;
        if (ec) reason = ec.message();
    }
    if (!ok) {
        fs::remove(tmp, ec);
        return Fail(MsgFileWriteError, reason);
    }
    return {};
}

Outcome WriteFile(const fs::path& path, const WaveformHeader& header, ConstSampleArrays samples,
                  const DialogMemories& params) {
    const size_t n = header.sampleCount;
    // More samples than any buffer holds cannot be written; nothing is touched.
    bool samplesPresent = samples.analog != nullptr;
    for (const uint8_t* channel : samples.digital) samplesPresent = samplesPresent && channel != nullptr;
    if (n > MaxSampleCount || (n != 0 && !samplesPresent)) return Fail(MsgFileWriteError, "no samples to write");

    uint8_t head[HeaderSize];
    uint8_t foot[FooterSize];
    EncodeHeader(header, head);
    EncodeFooter(params, foot);
    return WriteAtomically(path, [&](std::FILE* f) {
        bool ok = WriteAll(f, head, HeaderSize) && WriteAnalog(f, samples.analog, n);
        for (const uint8_t* channel : samples.digital) ok = ok && WriteAll(f, channel, n);
        return ok && WriteAll(f, foot, FooterSize);
    });
}

Outcome ReadFile(const fs::path& path, WaveformHeader& header, SampleArrays buffers, DialogMemories& params,
                 uint32_t expectedVersion) {
    if (std::string problem = NotARegularFile(path); !problem.empty())
        return Fail(MsgFileOpenError, std::move(problem));
    errno = 0;
    std::FILE* f = OpenFile(path, "rb");
    if (f == nullptr) return FailErrno(MsgFileOpenError, errno);
    std::setvbuf(f, nullptr, _IONBF, 0);  // the large blocks go straight into the caller's buffers
    FileSource src(f);
    Outcome result = ParseFrom(src, header, buffers, params, expectedVersion);
    std::fclose(f);
    return result;
}

bool Report(Outcome outcome, std::string& message, std::string* reason) {
    message = outcome.message;
    if (reason) *reason = std::move(outcome.reason);
    return outcome.message == MsgFileOk;
}

}  // namespace

bool WriteWaveformFile(const fs::path& path, const WaveformHeader& header, ConstSampleArrays samples,
                       const DialogMemories& params, std::string& message, std::string* reason) {
    return Report(WriteFile(path, header, samples, params), message, reason);
}

bool WriteFileAtomically(const fs::path& path, const FileBody& body, std::string& message, std::string* reason) {
    return Report(WriteAtomically(path, body), message, reason);
}

bool ReadWaveformFile(const fs::path& path, WaveformHeader& header, SampleArrays buffers, DialogMemories& params,
                      uint32_t expectedVersion, std::string& message, std::string* reason) {
    return Report(ReadFile(path, header, buffers, params, expectedVersion), message, reason);
}

bool ParseWaveformBytes(std::span<const uint8_t> bytes, WaveformHeader& header, SampleArrays buffers,
                        DialogMemories& params, uint32_t expectedVersion, std::string& message, std::string* reason) {
    MemorySource src(bytes);
    return Report(ParseFrom(src, header, buffers, params, expectedVersion), message, reason);
}

}  // namespace kdx
