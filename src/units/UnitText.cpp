#include "units/UnitText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <system_error>

// Every conversion here goes through <charconv>, never through the C library's
// locale-dependent functions: the window toolkit switches the process to the
// user's locale, where "1.5" could read as 1 and 0.5 could print as "0,500".

namespace kdx {
namespace {

constexpr std::array<std::string_view, 4> UnitWords = {"nS", "uS", "mS", "S"};
constexpr std::array<int, 4> UnitDecimals = {0, 3, 6, 9};

constexpr std::array<std::string_view, 16> HexBits = {
    "0000", "0001", "0010", "0011", "0100", "0101", "0110", "0111",
    "1000", "1001", "1010", "1011", "1100", "1101", "1110", "1111",
};

bool IsValidUnit(TimeUnitIndex unit) {
    return unit >= TimeUnitNs && unit <= TimeUnitS;
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

char ToUpperAscii(char ch) {
    return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

// Magnitude of a signed value, correct for the most negative one too.
uint64_t Magnitude(int64_t value) {
    return value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

std::string DecimalText(uint64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// Drops trailing zeros behind a decimal point, then the point itself if
// nothing is left behind it; digits left of the point are never touched.
void StripFraction(std::string& text) {
    const auto point = text.find('.');
    if (point == std::string::npos) {
        return;
    }
    while (text.size() > point + 1 && text.back() == '0') {
        text.pop_back();
    }
    if (text.size() == point + 1) {
        text.pop_back();
    }
}

enum class TimeReadStatus { Ok, Invalid, Overflow };

struct TimeRead {
    TimeReadStatus status = TimeReadStatus::Invalid;
    bool negative = false;
    int64_t value = 0;
};

// Moves the decimal point of the typed number right by the unit's digits, so
// the result is a whole number of nanoseconds without any rounding.
TimeRead ReadTime(std::string_view text, TimeUnitIndex unit) {
    TimeRead read;
    if (!IsValidUnit(unit)) {
        return read;
    }
    std::string digits = NormalizeNumberText(text);
    if (!IsNumberText(digits, true, true)) {
        return read;
    }
    if (digits.front() == '-') {
        read.negative = true;
        digits.erase(0, 1);
    }
    std::size_t fractionDigits = 0;
    if (const auto point = digits.find('.'); point != std::string::npos) {
        fractionDigits = digits.size() - point - 1;
        digits.erase(point, 1);
    }
    const auto allowed = static_cast<std::size_t>(UnitDecimals[static_cast<std::size_t>(unit)]);
    if (fractionDigits > allowed) {
        return read;  // finer than 1 ns
    }
    digits.append(allowed - fractionDigits, '0');

    // Leading zeros carry no value but could make a long text look too large.
    const auto firstSignificant = digits.find_first_not_of('0');
    const std::string_view significant =
        firstSignificant == std::string::npos ? std::string_view{} : std::string_view(digits).substr(firstSignificant);
    uint64_t magnitude = 0;
    if (!significant.empty()) {
        const auto result = std::from_chars(significant.data(), significant.data() + significant.size(), magnitude);
        if (result.ec != std::errc{} || result.ptr != significant.data() + significant.size()) {
            read.status = TimeReadStatus::Overflow;
            return read;
        }
    }
    const uint64_t limit = read.negative ? Magnitude(std::numeric_limits<int64_t>::min())
                                         : static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (magnitude > limit) {
        read.status = TimeReadStatus::Overflow;
        return read;
    }
    read.status = TimeReadStatus::Ok;
    read.value = read.negative ? static_cast<int64_t>(uint64_t{0} - magnitude) : static_cast<int64_t>(magnitude);
    return read;
}

// Decimal position of the leading significant digit of mantissa x 10^exponent
// (1 for 1.0, 0 for 0.5, 3 for 100): tells a number too large for a double
// from one too small, whatever the digits. Both texts are already checked.
int64_t LeadingDecimalPosition(std::string_view mantissa, std::string_view exponent) {
    if (!mantissa.empty() && mantissa.front() == '-') {
        mantissa.remove_prefix(1);
    }
    const auto point = mantissa.find('.');
    std::string_view whole = mantissa.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : mantissa.substr(point + 1);
    whole.remove_prefix(std::min(whole.find_first_not_of('0'), whole.size()));
    int64_t position = 0;
    if (!whole.empty()) {
        position = static_cast<int64_t>(whole.size());
    } else {
        position = -static_cast<int64_t>(std::min(fraction.find_first_not_of('0'), fraction.size()));
    }
    // Exponent read with saturation: beyond a billion the answer no longer changes.
    bool negativeExponent = false;
    if (!exponent.empty() && exponent.front() == '-') {
        negativeExponent = true;
        exponent.remove_prefix(1);
    }
    int64_t exponentValue = 0;
    for (const char ch : exponent) {
        exponentValue = std::min<int64_t>(exponentValue * 10 + (ch - '0'), 1'000'000'000);
    }
    return position + (negativeExponent ? -exponentValue : exponentValue);
}

}  // namespace

std::string NormalizeNumberText(std::string_view text) {
    std::string result(text);
    if (!result.empty() && result.back() == '.') {
        result.push_back('0');
    }
    if (!result.empty() && result.front() == '.') {
        result.insert(0, 1, '0');
    } else if (result.size() >= 2 && result[0] == '-' && result[1] == '.') {
        result.replace(0, 1, "-0");
    }
    return result;
}

bool IsNumberText(std::string_view text, bool allowMinus, bool allowPoint) {
    if (text.empty()) {
        return false;
    }
    std::size_t minusCount = 0;
    std::size_t pointCount = 0;
    for (const char ch : text) {
        if (IsDigit(ch)) {
            continue;
        }
        if (ch == '-' && allowMinus) {
            ++minusCount;
        } else if (ch == '.' && allowPoint) {
            ++pointCount;
        } else {
            return false;
        }
    }
    if (allowMinus && minusCount > 0) {
        if (minusCount > 1 || text.front() != '-') {
            return false;
        }
    }
    if (allowPoint && pointCount > 0) {
        const auto point = text.find('.');
        if (pointCount > 1 || point == 0 || (point == 1 && text.front() == '-') || point == text.size() - 1) {
            return false;
        }
    }
    return minusCount + pointCount < text.size();
}

std::optional<int64_t> ParseTimeText(std::string_view text, TimeUnitIndex unit) {
    const TimeRead read = ReadTime(text, unit);
    if (read.status != TimeReadStatus::Ok) {
        return std::nullopt;
    }
    return read.value;
}

std::optional<int64_t> ParseTimeTextSaturated(std::string_view text, TimeUnitIndex unit) {
    const TimeRead read = ReadTime(text, unit);
    switch (read.status) {
        case TimeReadStatus::Ok:
            return read.value;
        case TimeReadStatus::Overflow:
            return read.negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
        case TimeReadStatus::Invalid:
            break;
    }
    return std::nullopt;
}

AutoTimeText FormatTimeAuto(int64_t ns) {
    AutoTimeText result;
    std::string digits = DecimalText(Magnitude(ns));
    const std::size_t length = digits.size();
    if (length <= 3) {
        result.unit = TimeUnitNs;
    } else if (length <= 6) {
        result.unit = TimeUnitUs;
    } else if (length <= 9) {
        result.unit = TimeUnitMs;
    } else {
        result.unit = TimeUnitS;
    }
    const auto decimals = static_cast<std::size_t>(UnitDecimals[static_cast<std::size_t>(result.unit)]);
    if (decimals > 0) {
        digits.insert(length - decimals, 1, '.');
        StripFraction(digits);
    }
    result.text = ns < 0 ? "-" + digits : digits;
    return result;
}

std::optional<std::string> FormatTimeInUnit(int64_t ns, TimeUnitIndex unit) {
    if (!IsValidUnit(unit)) {
        return std::nullopt;
    }
    std::string digits = DecimalText(Magnitude(ns));
    const auto decimals = UnitDecimals[static_cast<std::size_t>(unit)];
    auto pointAt = static_cast<int>(digits.size()) - decimals;
    if (pointAt < 1) {
        digits.insert(0, static_cast<std::size_t>(1 - pointAt), '0');
        pointAt = 1;
    }
    digits.insert(static_cast<std::size_t>(pointAt), 1, '.');
    StripFraction(digits);
    return ns < 0 ? "-" + digits : digits;
}

std::optional<std::string_view> UnitWord(TimeUnitIndex unit) {
    if (!IsValidUnit(unit)) {
        return std::nullopt;
    }
    return UnitWords[static_cast<std::size_t>(unit)];
}

std::string_view UnitWordOrMark(TimeUnitIndex unit) {
    return UnitWord(unit).value_or(InvalidUnitWord);
}

std::string JoinValueUnit(std::string_view value, std::string_view unit) {
    std::string result;
    result.reserve(value.size() + 1 + unit.size());
    result.append(value).append(1, ' ').append(unit);
    return result;
}

std::string FormatTimeAutoWithUnit(int64_t ns) {
    const AutoTimeText time = FormatTimeAuto(ns);
    return JoinValueUnit(time.text, UnitWordOrMark(time.unit));
}

std::optional<double> ParseReal(std::string_view text) {
    std::string upper(text);
    for (char& ch : upper) {
        ch = ToUpperAscii(ch);
    }

    // Only digits, one leading minus, one point and one exponent letter pass the
    // checks below, so nothing the conversion would also take ("NAN", "INF",
    // hexadecimal, a leading "+", blanks) reaches it.
    std::string mantissa;
    std::string exponent;
    bool hasExponent = false;
    auto marker = upper.find('E');
    if (marker == std::string::npos) {
        marker = upper.find('D');  // the FORTRAN-style exponent letter is accepted too
    }
    if (marker != std::string::npos) {
        hasExponent = true;
        mantissa = NormalizeNumberText(std::string_view(upper).substr(0, marker));
        exponent = upper.substr(marker + 1);
        if (!IsNumberText(mantissa, true, true) || !IsNumberText(exponent, true, false)) {
            return std::nullopt;
        }
    } else {
        mantissa = NormalizeNumberText(upper);
        if (!IsNumberText(mantissa, true, true)) {
            return std::nullopt;
        }
    }

    std::string number = mantissa;
    if (hasExponent) {
        number.append(1, 'E').append(exponent);
    }
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ptr != number.data() + number.size()) {
        return std::nullopt;
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Too large is a failure (the value would be infinite); too small
        // reads as zero with its sign, as a decimal conversion rounds it.
        if (LeadingDecimalPosition(mantissa, exponent) > 0) {
            return std::nullopt;
        }
        return mantissa.front() == '-' ? -0.0 : 0.0;
    }
    if (result.ec != std::errc{}) {
        return std::nullopt;
    }
    if (value == std::numeric_limits<double>::infinity() || value == -std::numeric_limits<double>::infinity()) {
        return std::nullopt;
    }
    return value;
}

std::optional<uint32_t> ParseUnsigned(std::string_view text) {
    const std::string number = NormalizeNumberText(text);
    if (!IsNumberText(number, false, false)) {
        return std::nullopt;
    }
    uint32_t value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    // A count too large for 32 bits and the largest value itself both fail:
    // the largest value is what an overflowing conversion reports.
    if (result.ec != std::errc{} || result.ptr != number.data() + number.size() ||
        value == std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    return value;
}

int64_t ParseInt64(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r' ||
                                 text[pos] == '\v' || text[pos] == '\f')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const uint64_t limit = negative ? Magnitude(std::numeric_limits<int64_t>::min())
                                    : static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        const auto digit = static_cast<uint64_t>(text[pos] - '0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;  // saturate, and keep it there
            continue;
        }
        magnitude = magnitude * 10 + digit;
    }
    return negative ? static_cast<int64_t>(uint64_t{0} - magnitude) : static_cast<int64_t>(magnitude);
}

std::string FormatInt64(int64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string FormatUnsigned(uint64_t value) {
    return DecimalText(value);
}

std::string FormatReal3(double value) {
    // The largest double has 309 digits before the point.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 3);
    return std::string(buffer.data(), result.ptr);
}

bool IsBinaryText(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char ch : text) {
        if (ch != '0' && ch != '1') {
            return false;
        }
    }
    return true;
}

std::optional<std::string> HexToBinaryText(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::string bits;
    bits.reserve(text.size() * 4);
    for (const char raw : text) {
        const char ch = ToUpperAscii(raw);
        std::size_t index = 0;
        if (IsDigit(ch)) {
            index = static_cast<std::size_t>(ch - '0');
        } else if (ch >= 'A' && ch <= 'F') {
            index = static_cast<std::size_t>(ch - 'A' + 10);
        } else {
            return std::nullopt;
        }
        bits.append(HexBits[index]);
    }
    return bits;
}

std::optional<std::string> HexDigitToBits(char ch) {
    auto bits = HexToBinaryText(std::string_view(&ch, 1));
    if (!bits) {
        return std::nullopt;
    }
    // Element 0 is the least significant bit, as the channels take them.
    return std::string(bits->rbegin(), bits->rend());
}

int CountChar(std::string_view text, char ch) {
    int count = 0;
    for (const char c : text) {
        count += c == ch ? 1 : 0;
    }
    return count;
}

int FindFirst(std::string_view text, char ch) {
    const auto pos = text.find(ch);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

std::optional<int> CountAfterLast(std::string_view text, char ch) {
    const auto pos = text.rfind(ch);
    if (pos == std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<int>(text.size() - pos - 1);
}

}  // namespace kdx
