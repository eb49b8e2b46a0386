#include "analog/SignalFiles.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>

#include "document/WaveformFile.h"
#include "document/WaveformLimits.h"

namespace kdx {

namespace {

constexpr std::string_view Blanks = " \t\r";

std::string_view Trim(std::string_view s, std::string_view blanks) {
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// A table field: a decimal number, with "," for "." when the file's separator is ";".
bool FieldNumber(std::string_view field, bool decimalComma, double& value) {
    if (field.empty() || field.size() > TextDataParser::MaxTokenLength) return false;
    if (!decimalComma || field.find(',') == std::string_view::npos)
        return ConvertDataToken(field.data(), field.size(), value);
    std::array<char, TextDataParser::MaxTokenLength> copy;
    for (size_t i = 0; i < field.size(); ++i) copy[i] = field[i] == ',' ? '.' : field[i];
    return ConvertDataToken(copy.data(), field.size(), value);
}

std::string LineFaultText(LineFault fault) {
    switch (fault) {
    case LineFault::NotNumbers: return "数値として読めない項目があります。";
    case LineFault::NoColumn: return "時刻または値の列がありません。";
    case LineFault::TimeDecreases: return "時刻が前のデータより前に戻っています。";
    case LineFault::NoValue: return "時刻に対応する値がありません。";
    case LineFault::NoData: return "読み込めるデータがありません。";
    case LineFault::None: break;
    }
    return {};
}

// A longer line is no table's and holds more PWL pairs than are ever kept.
constexpr size_t MaxLineLength = size_t{64} << 20;

// Reads a regular file and hands each line (without its line feed) to line
// until it returns false; progress sees the percentage read. An empty message
// means the file was read (or the reading was stopped).
SignalReadResult ReadLines(const std::filesystem::path& path, const ProgressFn& progress,
                           const std::function<bool(std::string_view)>& line) {
    SignalReadResult result;
    std::string carry;
    size_t lines = 0;
    enum class End { Read, Stopped, TooLong } ended = End::Read;
    const auto feed = [&](const char* data, size_t size) {
        std::string_view rest(data, size);
        for (size_t end; (end = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(end + 1)) {
            if (carry.size() + end > MaxLineLength) {
                ended = End::TooLong;
                return false;
            }
            bool more;
            if (carry.empty()) {
                more = line(rest.substr(0, end));
            } else {
                carry.append(rest.substr(0, end));
                more = line(carry);
                carry.clear();
            }
            ++lines;
            if (!more) {
                ended = End::Stopped;
                return false;
            }
        }
        if (carry.size() + rest.size() > MaxLineLength) {
            ended = End::TooLong;
            return false;
        }
        carry.append(rest);
        return true;
    };
    FileReadFailure failure = ReadFileInPieces(path, progress, feed);
    if (!failure.message.empty()) {
        result.message = std::move(failure.message);
        result.reason = std::move(failure.reason);
    } else if (ended == End::TooLong) {
        result.message = MsgExternalInvalidData;
        result.reason = "line " + std::to_string(lines + 1) + " is longer than 64 MiB";
    } else if (ended == End::Read && !carry.empty()) {
        line(carry);
    }
    return result;
}

std::string FormatGeneral(double value) {
    std::array<char, 32> text{};
    const auto r = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::general, 3);
    return std::string(text.data(), r.ptr);
}

}  // namespace

SourceReader SourceReaderFor(const std::string& name, SourceFormat format) {
    switch (format) {
    case SourceFormat::Numbers: return SourceReader::Numbers;
    case SourceFormat::Table: return SourceReader::Table;
    case SourceFormat::Pwl: return SourceReader::Pwl;
    case SourceFormat::Wav: return SourceReader::Wav;
    case SourceFormat::Auto: break;
    }
    switch (ExternalFileKindOf(name)) {
    case ExternalFileKind::None: return SourceReader::None;
    case ExternalFileKind::Waveform: return SourceReader::Waveform;
    case ExternalFileKind::Text: break;
    }
    if (HasExtension(name, ".wav")) return SourceReader::Wav;
    if (HasExtension(name, ".pwl")) return SourceReader::Pwl;
    return SourceReader::Numbers;
}

TableParser::TableParser(uint32_t tc, uint32_t vc, double* t, double* v, uint32_t cap)
    : timeColumn(tc), valueColumn(vc), times(t), values(v), capacity(cap) {}

bool TableParser::Stop(LineFault f) {
    state = LineParseState::Invalid;
    fault = f;
    errorLine = lineNumber;
    return false;
}

bool TableParser::Line(std::string_view line) {
    ++lineNumber;
    if (state == LineParseState::Exceeded || state == LineParseState::Invalid) return false;
    line = Trim(line, " \r");
    if (Trim(line, Blanks).empty()) return true;
    if (separatorMode < 0) separatorMode = line.find(';') != std::string_view::npos ? 1 : 0;
    const bool comma = separatorMode == 1;
    const std::string_view hard = comma ? ";\t" : ",;\t";
    const bool split = line.find_first_of(hard) != std::string_view::npos;
    uint32_t column = 0;
    bool numbers = true;
    double t = 0.0, v = 0.0;
    const auto take = [&](std::string_view field) {
        ++column;
        double x = 0.0;
        if (!FieldNumber(Trim(field, " "), comma, x)) {
            numbers = false;
            return;
        }
        if (column == timeColumn) t = x;
        if (column == valueColumn) v = x;
    };
    for (size_t at = 0; at <= line.size();) {
        const size_t next = split ? line.find_first_of(hard, at) : line.find(' ', at);
        const size_t stop = next == std::string_view::npos ? line.size() : next;
        // Blanks repeat freely; a separator after the last field ends nothing more.
        const bool trailing = split && stop == line.size() && at == stop && column > 0;
        if ((split || stop > at) && !trailing) take(line.substr(at, stop - at));
        at = stop + 1;
    }
    if (!numbers) {
        if (count > 0) return Stop(LineFault::NotNumbers);
        if (header.empty()) header.assign(line);
        return true;
    }
    if (column < std::max(timeColumn, valueColumn) || timeColumn == 0 || valueColumn == 0)
        return Stop(LineFault::NoColumn);
    if (state == LineParseState::Full) {
        state = LineParseState::Exceeded;
        return false;
    }
    if (count > 0 && t < times[count - 1]) return Stop(LineFault::TimeDecreases);
    times[count] = t;
    values[count] = v;
    if (++count == capacity) state = LineParseState::Full;
    return true;
}

void TableParser::Finish() {
    if (count == 0 && state == LineParseState::Reading) {
        Stop(LineFault::NoData);
        errorLine = 0;
    }
}

bool ConvertSpiceNumber(std::string_view t, double& value) {
    if (t.size() > TextDataParser::MaxTokenLength) return false;
    const auto digit = [&t](size_t i) { return i < t.size() && t[i] >= '0' && t[i] <= '9'; };
    size_t i = t.empty() || (t[0] != '+' && t[0] != '-') ? 0 : 1;
    size_t digits = 0;
    for (; digit(i); ++i) ++digits;
    if (i < t.size() && t[i] == '.')
        for (++i; digit(i); ++i) ++digits;
    if (digits == 0) return false;
    size_t mantissaEnd = i;
    int64_t exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        const bool negative = j < t.size() && t[j] == '-';
        if (j < t.size() && (t[j] == '-' || t[j] == '+')) ++j;
        if (digit(j)) {
            for (; digit(j); ++j) exponent = std::min<int64_t>(exponent * 10 + (t[j] - '0'), 100000);
            if (negative) exponent = -exponent;
            i = j;
        }
    }
    std::string letters(t.substr(i));
    for (char& c : letters) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c < 'a' || c > 'z') return false;
    }
    int scale = 0;
    if (letters.starts_with("meg")) {
        scale = 6;
    } else if (!letters.empty()) {
        switch (letters[0]) {
        case 'f': scale = -15; break;
        case 'p': scale = -12; break;
        case 'n': scale = -9; break;
        case 'u': scale = -6; break;
        case 'm': scale = -3; break;
        case 'k': scale = 3; break;
        case 'g': scale = 9; break;
        case 't': scale = 12; break;
        default: break;
        }
    }
    // The scale joins the exponent, so that 2.5n is read as 2.5e-9 exactly is.
    const std::string number = std::string(t.substr(0, mantissaEnd)) + "e" + std::to_string(exponent + scale);
    return ConvertDataToken(number.data(), number.size(), value);
}

PwlParser::PwlParser(double* t, double* v, uint32_t cap) : times(t), values(v), capacity(cap) {}

bool PwlParser::Stop(LineFault f) {
    state = LineParseState::Invalid;
    fault = f;
    errorLine = f == LineFault::TimeDecreases || f == LineFault::NoValue ? timeLine : lineNumber;
    return false;
}

bool PwlParser::Line(std::string_view line) {
    ++lineNumber;
    if (state == LineParseState::Exceeded || state == LineParseState::Invalid) return false;
    line = Trim(line, Blanks);
    if (line.empty() || line[0] == '*') return true;
    line = line.substr(0, line.find(';'));
    if (line[0] == '+') line.remove_prefix(1);
    constexpr std::string_view Separators = " \t\r,()";
    for (size_t at = line.find_first_not_of(Separators); at != std::string_view::npos;
         at = line.find_first_not_of(Separators, at)) {
        const size_t stop = std::min(line.find_first_of(Separators, at), line.size());
        double x = 0.0;
        if (!ConvertSpiceNumber(line.substr(at, stop - at), x)) return Stop(LineFault::NotNumbers);
        at = stop;
        if (state == LineParseState::Full) {
            state = LineParseState::Exceeded;
            return false;
        }
        if (!haveTime) {
            pendingTime = x;
            timeLine = lineNumber;
            haveTime = true;
            continue;
        }
        haveTime = false;
        if (count > 0 && pendingTime < times[count - 1]) return Stop(LineFault::TimeDecreases);
        times[count] = pendingTime;
        values[count] = x;
        if (++count == capacity) state = LineParseState::Full;
    }
    return true;
}

void PwlParser::Finish() {
    if (state != LineParseState::Reading) return;
    if (haveTime) {
        Stop(LineFault::NoValue);
    } else if (count == 0) {
        Stop(LineFault::NoData);
        errorLine = 0;
    }
}

int64_t EvenStepNs(const double* times, uint32_t count) {
    if (count < 2) return 0;
    const double mean = (times[count - 1] - times[0]) / (count - 1);
    if (!(mean > 0.0) || mean * 1e9 > 9e18) return 0;
    const double tolerance = mean * 1e-6;
    for (uint32_t i = 1; i < count; ++i)
        if (std::abs(times[i] - times[i - 1] - mean) > tolerance) return 0;
    return std::max<int64_t>(std::llround(mean * 1e9), 0);
}

SignalReadResult ReadPointFile(const std::filesystem::path& path, bool pwl, uint32_t timeColumn, uint32_t valueColumn,
                               double* times, double* values, const ProgressFn& progress) {
    TableParser table(timeColumn, valueColumn, times, values, MaxSampleCount);
    PwlParser points(times, values, MaxSampleCount);
    SignalReadResult result =
        ReadLines(path, progress, [&](std::string_view line) { return pwl ? points.Line(line) : table.Line(line); });
    if (!result.message.empty()) return result;
    pwl ? points.Finish() : table.Finish();
    const LineParseState state = pwl ? points.GetState() : table.GetState();
    if (state == LineParseState::Invalid) {
        const size_t line = pwl ? points.ErrorLine() : table.ErrorLine();
        const std::string name = FileNameOf(path.generic_string());
        result.message = name + (line > 0 ? " の " + std::to_string(line) + " 行目：" : "：") +
                         LineFaultText(pwl ? points.Fault() : table.Fault()) + "\n\n読み込みを中止しました。";
        return result;
    }
    if (state == LineParseState::Exceeded) result.message = MsgExternalTooMany;
    result.loaded = true;
    result.count = pwl ? points.Count() : table.Count();
    if (!pwl) result.header = table.Header();
    return result;
}

std::string RateNote(int64_t rate, int64_t intervalNs) {
    if (rate <= 0 || intervalNs <= 0 || 1000000000 % rate == 0) return {};
    const double error = (1e9 / (static_cast<double>(intervalNs) * static_cast<double>(rate)) - 1.0) * 100.0;
    return "サンプリング周波数 " + std::to_string(rate) + " Hz の間隔を " + std::to_string(intervalNs) +
           " ns に丸めたため、周波数の誤差は " + FormatGeneral(error) + " % です。";
}

bool ConvertPoints(double* work, uint32_t workCount, const double* timesNs, const double* values, uint32_t count,
                   int64_t startNs, int64_t lengthNs, int64_t samplingNs, double amplitude, double offset,
                   InterpolationMode interpolation) {
    std::fill_n(work, workCount, 0.0);
    if (samplingNs <= 0 || startNs < 0 || count == 0) return false;
    const int64_t n = std::min<int64_t>(lengthNs / samplingNs, workCount);
    const bool linear = interpolation == InterpolationMode::Linear;
    uint32_t j = 0;  // the last point at or before the sample's time
    for (int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(startNs + i * samplingNs);
        while (j + 1 < count && timesNs[j + 1] <= t) ++j;
        double v = values[j];
        if (linear && j + 1 < count && t > timesNs[j])
            v += (t - timesNs[j]) / (timesNs[j + 1] - timesNs[j]) * (values[j + 1] - values[j]);
        work[i] = offset + amplitude * v;
    }
    return true;
}

}  // namespace kdx
