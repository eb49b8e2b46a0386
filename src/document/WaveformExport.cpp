#include "document/WaveformExport.h"

#include <charconv>
#include <cstring>

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

}  // namespace

void AppendDouble(std::string& out, double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end);
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
