#include "document/WaveformExport.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <memory>

#include "document/WaveformFile.h"

namespace kdx {

namespace {

// Identifier codes of the VCD variables: CH0..CH3, then analog.
constexpr char VcdIds[5] = {'A', 'B', 'C', 'D', 'R'};

void AppendInt(std::string& out, int64_t value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end);
}

void AppendReal(std::string& out, double value) {
    out += 'r';
    AppendDouble(out, value);
    out += ' ';
    out += VcdIds[4];
    out += '\n';
}

// Nanoseconds as exact decimal seconds: 40 -> "0.00000004".
void AppendSeconds(std::string& out, int64_t ns) {
    if (ns < 0) {
        out += '-';
        ns = -ns;
    }
    AppendInt(out, ns / 1000000000);
    int64_t fraction = ns % 1000000000;
    if (fraction == 0) return;
    char digits[11] = ".000000000";
    for (int i = 9; i >= 1; --i, fraction /= 10) digits[i] = static_cast<char>('0' + fraction % 10);
    int last = 9;
    while (digits[last] == '0') --last;
    out.append(digits, static_cast<size_t>(last + 1));
}

// printf's "%.17g" of a double. The values a waveform holds (1e-6 <= |x| <
// 2^53, not a tie at the 17th digit) are rounded here exactly, in 128-bit
// integers, which is many times faster than the general conversion; every
// other value goes to std::to_chars, which gives printf's text for all.
__extension__ typedef unsigned __int128 Wide;

constexpr std::array<Wide, 23> PowersOfTen = [] {
    std::array<Wide, 23> t{};
    t[0] = 1;
    for (size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] * 10;
    return t;
}();

char* FormatG17(char* p, char* end, double x) {
    const auto general = [&] { return std::to_chars(p, end, x, std::chars_format::general, 17).ptr; };
    const uint64_t bits = std::bit_cast<uint64_t>(x);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const int e = biased - 1075;  // |x| = m * 2^e
    if (biased == 0 || biased == 0x7FF || e > 0) return general();
    const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    // |x| lies in [2^(e+52), 2^(e+53)): its decimal exponent is this or one more.
    int exponent = (e + 52) * 78913 >> 18;  // floor((e + 52) log10 2) for |e + 52| < 1650
    if (exponent < -6) return general();
    constexpr uint64_t Lowest17 = 10000000000000000ull, Above17 = 100000000000000000ull;
    const auto digitsAt = [&](int k, uint64_t& q) {  // round(|x| * 10^(16 - k)), false on a tie
        const Wide n = m * PowersOfTen[16 - k];  // below 2^53 * 10^22 < 2^127
        const int s = -e;
        if (s == 0) {
            q = static_cast<uint64_t>(n);
            return true;
        }
        const Wide whole = n >> s, rest = n - (whole << s), half = Wide{1} << (s - 1);
        if (rest == half) return false;
        q = static_cast<uint64_t>(whole) + (rest > half ? 1 : 0);
        return true;
    };
    uint64_t q = 0;
    if (!digitsAt(exponent, q)) return general();
    if (q >= Above17) {
        ++exponent;
        if (!digitsAt(exponent, q)) return general();
    }
    if (q < Lowest17 || q >= Above17) return general();
    // Two independent halves, two digits a step.
    char digits[17];
    const auto put = [&digits](uint32_t v, int last, int first) {
        for (int i = last; i > first; i -= 2, v /= 100) {
            digits[i] = static_cast<char>('0' + v % 10);
            digits[i - 1] = static_cast<char>('0' + v / 10 % 10);
        }
        if ((last - first) % 2 == 0) digits[first] = static_cast<char>('0' + v);
    };
    put(static_cast<uint32_t>(q % 100000000), 16, 9);
    put(static_cast<uint32_t>(q / 100000000), 8, 0);
    int kept = 17;  // without the trailing zeros, as %g drops them
    while (kept > 1 && digits[kept - 1] == '0') --kept;
    if (bits >> 63) *p++ = '-';
    if (exponent < -4) {
        *p++ = digits[0];
        if (kept > 1) {
            *p++ = '.';
            p = std::copy(digits + 1, digits + kept, p);
        }
        *p++ = 'e';
        *p++ = '-';
        *p++ = static_cast<char>('0' + (-exponent) / 10);
        *p++ = static_cast<char>('0' + (-exponent) % 10);
    } else if (exponent < 0) {
        *p++ = '0';
        *p++ = '.';
        p = std::fill_n(p, -exponent - 1, '0');
        p = std::copy(digits, digits + kept, p);
    } else {
        p = std::copy(digits, digits + exponent + 1, p);
        if (kept > exponent + 1) {
            *p++ = '.';
            p = std::copy(digits + exponent + 1, digits + kept, p);
        }
    }
    return p;
}

}  // namespace

void AppendDouble(std::string& out, double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end);
}

bool WriteTextFile(const std::filesystem::path& path, const TextPieces& produce, std::string& message,
                   std::string* reason) {
    const auto body = [&produce](std::FILE* f) {
        return produce([f](std::string_view piece) {
            return piece.empty() || std::fwrite(piece.data(), 1, piece.size(), f) == piece.size();
        });
    };
    return WriteFileAtomically(path, body, message, reason);
}

bool WriteCsv(const ExportSource& source, const std::function<bool(std::string_view)>& put) {
    // Lines made with to_chars into one buffer handed out in large pieces: no
    // format parsing, no locale, and the whole text never held at once.
    constexpr size_t BufferSize = size_t{1} << 20;
    constexpr size_t LongestLine = 96;  // 10 + 20 + 24 + 4 x 4 digits and separators, with room
    constexpr std::string_view Head = "index,time_ns,analog,ch0,ch1,ch2,ch3\n";
    const auto buffer = std::make_unique_for_overwrite<char[]>(BufferSize);
    char* const begin = buffer.get();
    char* const end = begin + BufferSize;
    char* p = std::copy(Head.begin(), Head.end(), begin);
    const auto& s = source.samples;
    for (uint32_t i = 0; i < source.count; ++i) {
        if (end - p < static_cast<ptrdiff_t>(LongestLine)) {
            if (!put({begin, static_cast<size_t>(p - begin)})) return false;
            p = begin;
        }
        p = std::to_chars(p, end, i).ptr;
        *p++ = ',';
        p = std::to_chars(p, end, source.samplingNs * i).ptr;
        *p++ = ',';
        p = FormatG17(p, end, s.analog[i]);
        for (const auto* channel : s.digital) {
            *p++ = ',';
            p = std::to_chars(p, end, unsigned{channel[i]}).ptr;
        }
        *p++ = '\n';
    }
    return put({begin, static_cast<size_t>(p - begin)});
}

std::string VcdText(const ExportSource& source) {
    const auto& s = source.samples;
    std::string out =
        "$version kdx $end\n"
        "$timescale 1 ns $end\n"
        "$scope module kdx $end\n";
    for (int ch = 0; ch < DigitalChannelCount; ++ch)
        out += std::string("$var wire 1 ") + VcdIds[ch] + " CH" + std::to_string(ch) + " $end\n";
    out += std::string("$var real 64 ") + VcdIds[4] + " analog $end\n";
    out += "$upscope $end\n$enddefinitions $end\n";
    if (source.count == 0) return out;
    // A sine changes every sample: about 30 bytes each, the clocks fewer.
    out.reserve(out.size() + size_t{source.count} * 40);
    out += "#0\n$dumpvars\n";
    for (int ch = 0; ch < DigitalChannelCount; ++ch) {
        out += s.digital[ch][0] ? '1' : '0';
        out += VcdIds[ch];
        out += '\n';
    }
    AppendReal(out, s.analog[0]);
    out += "$end\n";
    // Each sample's changes are put together first and appended at once: the
    // sine makes this the loop of the whole export.
    char changes[64];
    char stamp[24] = "#";
    for (uint32_t i = 1; i < source.count; ++i) {
        char* p = changes;
        for (int ch = 0; ch < DigitalChannelCount; ++ch) {
            const bool bit = s.digital[ch][i] != 0;
            if (bit == (s.digital[ch][i - 1] != 0)) continue;
            *p++ = bit ? '1' : '0';
            *p++ = VcdIds[ch];
            *p++ = '\n';
        }
        if (std::memcmp(&s.analog[i], &s.analog[i - 1], sizeof(double)) != 0) {
            *p++ = 'r';
            p = std::to_chars(p, changes + sizeof changes, s.analog[i]).ptr;
            *p++ = ' ';
            *p++ = VcdIds[4];
            *p++ = '\n';
        }
        if (p == changes) continue;
        char* t = std::to_chars(stamp + 1, stamp + sizeof stamp - 1, source.samplingNs * i).ptr;
        *t++ = '\n';
        out.append(stamp, t);
        out.append(changes, p);
    }
    out += '#';
    AppendInt(out, source.samplingNs * source.count);
    out += '\n';
    return out;
}

std::optional<std::string> PwlEdgeProblem(int64_t edgeNs, int64_t samplingNs) {
    if (edgeNs > 0 && edgeNs < samplingNs) return std::nullopt;
    return "the edge time must be more than 0 and less than the sampling time (" + std::to_string(samplingNs) +
           " nS)";
}

std::string PwlText(const ExportSource& source, const PwlOptions& options) {
    std::string out;
    if (source.count == 0) return out;
    const auto& s = source.samples;
    auto value = [&](uint32_t i) {
        return options.channel < 0 ? s.analog[i] : s.digital[options.channel][i] ? options.highVolts : 0.0;
    };
    auto point = [&](int64_t ns, double v) {
        AppendSeconds(out, ns);
        out += ' ';
        AppendDouble(out, v);
        out += '\n';
    };
    point(0, value(0));
    for (uint32_t i = 1; i < source.count; ++i) {
        const double before = value(i - 1), now = value(i);
        if (std::memcmp(&before, &now, sizeof(double)) == 0) continue;
        const int64_t t = source.samplingNs * i;
        point(t - options.edgeNs, before);
        point(t, now);
    }
    point(source.samplingNs * source.count, value(source.count - 1));
    return out;
}

}  // namespace kdx
