// The candidate rows of the two time-base dialogs, as a plain function of
// what the user typed: "total time setting" (File New, time input or sampling
// input) and "total time change" (sampling time kept, count follows).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "units/UnitText.h"

namespace kdx {

// Unit list entries of the total-time lists: 0..3 are time units, then
// minutes and hours (typed as seconds, multiplied).
inline constexpr int TotalUnitMinutes = 4;
inline constexpr int TotalUnitHours = 5;
inline constexpr std::array<const char*, 6> TotalTimeUnitWords = {"nS", "uS", "mS", "S", "M", "H"};
inline constexpr std::array<const char*, 3> SamplingTimeUnitWords = {"nS", "uS", "mS"};

inline constexpr int64_t NewMinTotalNs = 200;
inline constexpr int64_t NewMaxTotalNs = 87960930222080;  // 335 544 320 ns x 262144
inline constexpr int64_t NewMinCount = 10;

struct TimeBaseRow {
    bool shown = false;  // false: the row's texts are empty and its radio disabled
    int64_t totalNs = 0;
    int64_t samplingNs = 0;
    int64_t count = 0;
    double errorPercent = 0.0;
    // Texts exactly as the dialog shows them.
    std::string totalText;     // "5 mS"
    std::string samplingText;  // "20 nS"
    std::string countText;     // "250000"
    std::string errorText;     // "0.000000000 %"
};

struct TimeBaseRows {
    bool valid = false;     // false: every row empty, OK disabled
    std::array<TimeBaseRow, 3> rows{};  // "設定 1", "設定 2", "設定 3"
    int selected = -1;      // index of the selected row, -1 for none
};

// Row labels.
inline constexpr std::array<const char*, 3> TimeBaseRowLabels = {"設定 1", "設定 2", "設定 3"};

// A deviation in percent as the time-base dialog shows it: "0.000123457 %".
std::string ErrorPercentText(double percent);

// Reads a total-time entry with its list index (0..5), clamped to [minNs, maxNs].
std::optional<int64_t> ReadTotalTimeEntry(std::string_view text, int unitListIndex, int64_t minNs, int64_t maxNs);

// File New, time input.
TimeBaseRows ComputeTimeInputRows(std::string_view totalText, int totalUnitListIndex);
// File New, sampling input (sampling list index 0..2; the count text is read
// without a character check, junk counts as 0, then clamped to 10..262144).
TimeBaseRows ComputeSamplingInputRows(std::string_view samplingText, int samplingUnitListIndex,
                                      std::string_view countText);
// Total time change with the current sampling time kept; rows 1 and 2 only.
TimeBaseRows ComputeTimeChangeRows(std::string_view totalText, int totalUnitListIndex, int64_t currentSamplingNs);

// The same computations on numbers already read (used by the above).
TimeBaseRows TimeInputRows(int64_t totalNs);
TimeBaseRows SamplingInputRows(int64_t samplingNs, int64_t count);
TimeBaseRows TimeChangeRows(int64_t totalNs, int64_t samplingNs);

}  // namespace kdx
