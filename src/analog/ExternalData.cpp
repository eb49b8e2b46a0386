#include "analog/ExternalData.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <system_error>
#include <vector>

#include "document/WaveformFile.h"
#include "document/WaveformLimits.h"

namespace kdx {

namespace {

enum ByteClass : uint8_t { Other = 0, Separator = 1, TokenByte = 2 };

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> c{};
    for (char ch : std::string_view("\t\n\r ,;")) c[static_cast<uint8_t>(ch)] = Separator;
    for (char ch : std::string_view("0123456789+-.DEde")) c[static_cast<uint8_t>(ch)] = TokenByte;
    return c;
}
constexpr std::array<uint8_t, 256> Classes = MakeClasses();

uint8_t ClassOf(char ch) { return Classes[static_cast<uint8_t>(ch)]; }

// For a token the conversion found out of range: whether its magnitude lies
// above one (an overflow) rather than below (an underflow). The decimal
// exponent of its first significant digit decides.
bool AboveOne(std::string_view t) {
    size_t i = t.empty() || (t[0] != '-' && t[0] != '+') ? 0 : 1;
    int64_t integerDigits = 0, leadingZeros = 0;
    bool significant = false, fraction = false;
    for (; i < t.size() && t[i] != 'e' && t[i] != 'E'; ++i) {
        if (t[i] == '.') {
            fraction = true;
        } else if (t[i] != '0' || significant) {
            if (!fraction) ++integerDigits;
            significant = true;
        } else if (fraction) {
            ++leadingZeros;
        }
    }
    int64_t exponent = 0;
    if (i < t.size()) {
        ++i;
        const bool negative = i < t.size() && t[i] == '-';
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
        for (; i < t.size(); ++i) exponent = std::min<int64_t>(exponent * 10 + (t[i] - '0'), int64_t{1} << 40);
        if (negative) exponent = -exponent;
    }
    return (integerDigits > 0 ? integerDigits : -leadingZeros) + exponent > 0;
}

}  // namespace

bool ConvertDataToken(const char* token, size_t length, double& value) {
    std::string_view t(token, length);
    // The library conversion does not take a plus sign before the number.
    if (t.size() > 1 && t[0] == '+' && t[1] != '+' && t[1] != '-') t.remove_prefix(1);
    // A Fortran-style exponent letter.
    std::string mapped;
    if (t.find_first_of("Dd") != std::string_view::npos) {
        mapped.assign(t);
        for (char& ch : mapped)
            if (ch == 'D' || ch == 'd') ch = 'e';
        t = mapped;
    }
    double v = 0.0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (end != t.data() + t.size()) return false;
    if (error == std::errc::result_out_of_range) {
        if (AboveOne(t)) return false;  // beyond the double range: infinite
        v = t[0] == '-' ? -0.0 : 0.0;   // below the smallest double: zero
    } else if (error != std::errc()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

TextDataParser::TextDataParser(double* v, uint32_t cap) : values(v), capacity(cap) {
    if (capacity == 0) state = State::Full;
}

bool TextDataParser::Store(const char* token, size_t length) {
    double v = 0.0;
    if (length > MaxTokenLength || !ConvertDataToken(token, length, v)) {
        state = State::Invalid;
        return false;
    }
    values[count++] = v;
    if (count == capacity) state = State::Full;
    return true;
}

bool TextDataParser::Feed(const char* data, size_t size) {
    const char* p = data;
    const char* const end = data + size;
    if (state == State::Exceeded || state == State::Invalid) return false;
    if (!carry.empty()) {
        const char* q = p;
        while (q < end && ClassOf(*q) == TokenByte) ++q;
        if (carry.size() + static_cast<size_t>(q - p) > MaxTokenLength) {
            state = State::Invalid;
            return false;
        }
        carry.append(p, q);
        p = q;
        if (p == end) return true;
        if (ClassOf(*p) != Separator) {
            state = State::Invalid;
            return false;
        }
        if (!Store(carry.data(), carry.size())) return false;
        carry.clear();
    }
    while (p < end) {
        if (state == State::Full) {
            // The last value that fits is stored; anything but separators
            // after it is data left out.
            while (p < end && ClassOf(*p) == Separator) ++p;
            if (p == end) return true;
            state = State::Exceeded;
            return false;
        }
        const uint8_t c = ClassOf(*p);
        if (c == Separator) {
            ++p;
            continue;
        }
        if (c == Other) {
            state = State::Invalid;
            return false;
        }
        const char* q = p + 1;
        while (q < end && ClassOf(*q) == TokenByte) ++q;
        if (q == end) {
            if (static_cast<size_t>(q - p) > MaxTokenLength) {
                state = State::Invalid;
                return false;
            }
            carry.assign(p, q);
            return true;
        }
        // A token ends at a separator; any other byte makes it invalid.
        if (ClassOf(*q) != Separator) {
            state = State::Invalid;
            return false;
        }
        if (!Store(p, static_cast<size_t>(q - p))) return false;
        p = q + 1;
    }
    return true;
}

void TextDataParser::Finish() {
    if (state == State::Reading && !carry.empty()) Store(carry.data(), carry.size());
    carry.clear();
}

FileReadFailure ReadFileInPieces(const std::filesystem::path& path, const ProgressFn& progress,
                                 const std::function<bool(const char* data, size_t size)>& feed) {
    const auto fail = [](const char* message, std::string reason) {
        return FileReadFailure{message, std::move(reason)};
    };
    if (std::string problem = NotARegularFile(path); !problem.empty()) return fail(MsgFileOpenError, problem);
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(MsgFileOpenError, errno != 0 ? std::strerror(errno) : "");
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    in.seekg(0, std::ios::beg);
    if (end < 0 || !in) return fail(MsgFileReadError, "its length cannot be learnt");
    const auto size = static_cast<uint64_t>(end);

    constexpr size_t Window = size_t{1} << 20;
    std::vector<char> window(static_cast<size_t>(std::min<uint64_t>(size, Window)));
    int percent = 0;
    if (progress) progress(0);
    uint64_t position = 0;
    while (position < size) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(Window, size - position));
        errno = 0;
        in.read(window.data(), static_cast<std::streamsize>(want));
        if (static_cast<size_t>(in.gcount()) != want)  // failed, or the file shrank
            return fail(MsgFileReadError, errno != 0 ? std::strerror(errno) : "the file changed while it was read");
        size_t done = 0;
        while (done < want) {
            const uint64_t nextAt = (uint64_t(percent + 1) * size + 99) / 100;
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(want - done, nextAt - (position + done)));
            if (!feed(window.data() + done, piece)) return {};
            done += piece;
            const int now = static_cast<int>((position + done) * 100 / size);
            if (now != percent) {
                percent = now;
                if (progress) progress(percent);
            }
        }
        position += want;
    }
    // A file that grew after it was measured was being written meanwhile:
    // its end may have cut a number in two.
    if (in.peek() != std::char_traits<char>::eof()) return fail(MsgFileReadError, "the file changed while it was read");
    return {};
}

TextDataResult ReadTextDataFile(const std::filesystem::path& path, double* values, const ProgressFn& progress) {
    TextDataResult result;
    TextDataParser parser(values, MaxSampleCount);
    FileReadFailure failure =
        ReadFileInPieces(path, progress, [&parser](const char* data, size_t size) { return parser.Feed(data, size); });
    if (!failure.message.empty()) {
        result.message = std::move(failure.message);
        result.reason = std::move(failure.reason);
        return result;
    }
    parser.Finish();
    switch (parser.GetState()) {
    case TextDataParser::State::Invalid: result.message = MsgExternalInvalidData; return result;
    case TextDataParser::State::Exceeded: result.message = MsgExternalTooMany; break;
    default: break;
    }
    result.loaded = true;
    result.count = parser.Count();
    return result;
}

ExternalFileKind ExternalFileKindOf(const std::string& name) {
    // Characters, not bytes: a UTF-8 continuation byte does not start one.
    size_t characters = 0;
    for (char ch : name)
        if ((static_cast<uint8_t>(ch) & 0xC0) != 0x80) ++characters;
    if (characters <= 3) return ExternalFileKind::None;
    return HasKdxExtension(name) ? ExternalFileKind::Waveform : ExternalFileKind::Text;
}

void BuildDataPreview(const double* data, uint32_t count, double* preview, double& min, double& max) {
    min = max = count > 0 ? data[0] : 0.0;
    for (uint32_t i = 1; i < count; ++i) {
        min = std::min(min, data[i]);
        max = std::max(max, data[i]);
    }
    const double range = max - min;
    const bool flat = range > -1e-6 && range < 1e-6;
    for (uint32_t i = 0; i < count; ++i) preview[i] = flat ? 0.0 : -1.2 + (data[i] - min) * 2.4 / range;
}

bool ConvertExternalData(double* work, uint32_t workCount, const double* data, uint32_t count, int64_t intervalNs,
                         int64_t startNs, int64_t lengthNs, int64_t samplingNs, double amplitude, double offset,
                         InterpolationMode interpolation) {
    std::fill_n(work, workCount, 0.0);
    if (intervalNs <= 0 || samplingNs <= 0 || startNs < 0 || count == 0) return false;
    const int64_t n = std::min<int64_t>(lengthNs / samplingNs, workCount);
    const bool linear = interpolation == InterpolationMode::Linear && count > 1;
    const double interval = static_cast<double>(intervalNs);
    // The position p = start + i dt as k = p / interval and r = p - k interval,
    // stepped exactly in integers instead of divided afresh for every sample.
    const int64_t stepWhole = samplingNs / intervalNs, stepRest = samplingNs % intervalNs;
    int64_t k = startNs / intervalNs, r = startNs % intervalNs;
    for (int64_t i = 0; i < n; ++i) {
        if (k >= count) return false;
        if (!linear) {
            work[i] = data[k] * amplitude + offset;
        } else {
            const double increment = k == count - 1 ? 0.0 : static_cast<double>(r) / interval * (data[k + 1] - data[k]);
            work[i] = offset + amplitude * (data[k] + increment);
        }
        k += stepWhole;
        r += stepRest;
        if (r >= intervalNs) {
            r -= intervalNs;
            ++k;
        }
    }
    return true;
}

}  // namespace kdx
