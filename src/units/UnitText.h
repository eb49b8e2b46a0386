// Engineering-unit text: checks, parses and writes the times, voltages, counts
// and bit patterns that users type into the dialogs. Times are converted by
// shifting the decimal point in the digit string, never through floating
// point, so "1.5" in microseconds is exactly 1500 ns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

// Index of a time unit in every unit list: 0 "nS", 1 "uS", 2 "mS", 3 "S".
using TimeUnitIndex = int;
inline constexpr TimeUnitIndex TimeUnitNone = -1;
inline constexpr TimeUnitIndex TimeUnitNs = 0;
inline constexpr TimeUnitIndex TimeUnitUs = 1;
inline constexpr TimeUnitIndex TimeUnitMs = 2;
inline constexpr TimeUnitIndex TimeUnitS = 3;

// Word shown for an invalid unit index (a full-width question mark).
inline constexpr std::string_view InvalidUnitWord = "？";

// A time written with the unit chosen from its number of digits.
struct AutoTimeText {
    std::string text;
    TimeUnitIndex unit = TimeUnitNs;
};

// Completes a bare decimal point: "5." -> "5.0", ".5" -> "0.5", "-.5" -> "-0.5".
std::string NormalizeNumberText(std::string_view text);
// Structural check of a decimal number with an optional leading minus and point.
bool IsNumberText(std::string_view text, bool allowMinus, bool allowPoint);
// Time entry in the given unit; fails on more precision than 1 ns and on a
// time beyond the 64-bit nanosecond range.
std::optional<int64_t> ParseTimeText(std::string_view text, TimeUnitIndex unit);
// The same, but a time beyond the 64-bit range gives the nearest end of that
// range instead of failing; for entries that are clamped into bounds anyway.
std::optional<int64_t> ParseTimeTextSaturated(std::string_view text, TimeUnitIndex unit);
// Time display with the unit chosen from the number of digits.
AutoTimeText FormatTimeAuto(int64_t ns);
// Time display in a given unit; nullopt for an invalid index (including -1).
std::optional<std::string> FormatTimeInUnit(int64_t ns, TimeUnitIndex unit);
// Unit word of an index; nullopt for an invalid index (UnitWordOrMark gives "？").
std::optional<std::string_view> UnitWord(TimeUnitIndex unit);
std::string_view UnitWordOrMark(TimeUnitIndex unit);
// "value unit", the form every value with its unit is shown in ("%s %s").
std::string JoinValueUnit(std::string_view value, std::string_view unit);
// FormatTimeAuto joined with its unit word, e.g. "1.5 uS".
std::string FormatTimeAutoWithUnit(int64_t ns);
// Real-number entry (volts, factors), with an optional E or D exponent.
std::optional<double> ParseReal(std::string_view text);
// Count entry; 4294967295 (the conversion's overflow value) is refused.
std::optional<uint32_t> ParseUnsigned(std::string_view text);
// Plain decimal conversion of a checked digit string; never fails. Reads like
// atoi: leading blanks, a sign, then digits up to the first other character
// (0 for junk); a value beyond the 64-bit range gives the nearest end of it.
int64_t ParseInt64(std::string_view text);
std::string FormatInt64(int64_t value);
std::string FormatUnsigned(uint64_t value);
// "%.3f".
std::string FormatReal3(double value);
// Non-empty and only '0' and '1'.
bool IsBinaryText(std::string_view text);
// "a5" -> "10100101"; nullopt when empty or not hexadecimal.
std::optional<std::string> HexToBinaryText(std::string_view text);
// One hexadecimal digit to four bit characters, least significant bit first.
std::optional<std::string> HexDigitToBits(char ch);
int CountChar(std::string_view text, char ch);
int FindFirst(std::string_view text, char ch);
// Characters after the last occurrence of ch; nullopt when ch does not occur.
std::optional<int> CountAfterLast(std::string_view text, char ch);

}  // namespace kdx
