#include "document/TimeBaseRows.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "document/WaveformLimits.h"

namespace kdx {
namespace {

constexpr int64_t MaxCount = MaxSampleCount;
constexpr int64_t Step = BaseClockNs;
constexpr int64_t SecondsPerMinute = 60;
constexpr int64_t SecondsPerHour = 3600;

// Deviation of a row's total from the requested one, in percent. The
// difference is taken exactly in integers before going to floating point.
double ErrorPercent(int64_t rowTotalNs, int64_t requestedNs) {
    return static_cast<double>(rowTotalNs - requestedNs) * 100.0 / static_cast<double>(requestedNs);
}

TimeBaseRow MakeRow(int64_t totalNs, int64_t samplingNs, int64_t count, double errorPercent) {
    TimeBaseRow row;
    row.shown = true;
    row.totalNs = totalNs;
    row.samplingNs = samplingNs;
    row.count = count;
    row.errorPercent = errorPercent;
    row.totalText = FormatTimeAutoWithUnit(totalNs);
    row.samplingText = FormatTimeAutoWithUnit(samplingNs);
    row.countText = FormatInt64(count);
    row.errorText = ErrorPercentText(errorPercent);
    return row;
}

// value x factor, held at the ends of the 64-bit range instead of wrapping, so
// that a huge number of hours still clamps to the largest total.
int64_t SaturatingMultiply(int64_t value, int64_t factor) {
    // factor is a small positive number of seconds per unit.
    if (value > std::numeric_limits<int64_t>::max() / factor) {
        return std::numeric_limits<int64_t>::max();
    }
    if (value < std::numeric_limits<int64_t>::min() / factor) {
        return std::numeric_limits<int64_t>::min();
    }
    return value * factor;
}

// Reads a time in one of the lists' time units (0..3) or, for the total-time
// lists, minutes (4) or hours (5), which are typed as seconds.
std::optional<int64_t> ReadTimeEntry(std::string_view text, int unitListIndex, int lastListIndex) {
    if (unitListIndex < 0 || unitListIndex > lastListIndex) {
        return std::nullopt;
    }
    // Beyond the 64-bit range is still "too large", and clamps like any other.
    auto ns = ParseTimeTextSaturated(text, std::min(unitListIndex, static_cast<int>(TimeUnitS)));
    if (!ns) {
        return std::nullopt;
    }
    if (unitListIndex == TotalUnitMinutes) {
        return SaturatingMultiply(*ns, SecondsPerMinute);
    }
    if (unitListIndex == TotalUnitHours) {
        return SaturatingMultiply(*ns, SecondsPerHour);
    }
    return ns;
}

// Smallest sampling time that is a multiple of the base clock, not shorter
// than minSamplingNs, not longer than the longest sampling time, and divides
// totalNs exactly; nullopt when there is none.
//
// Stepping the sampling time up by 20 ns until it divides the total can take
// sixteen million steps for a prime total, on every keystroke. A sampling time
// 20 m divides the total exactly when 20 divides it and m divides total / 20,
// and then the count is (total / 20) / m, which is at most 262144 here. So the
// counts are searched instead, downward from the largest that fits, which finds
// the same shortest sampling time in at most 262144 steps.
std::optional<int64_t> ExactSamplingTime(int64_t totalNs, int64_t minSamplingNs) {
    if (totalNs <= 0 || totalNs % Step != 0) {
        return std::nullopt;
    }
    const int64_t units = totalNs / Step;
    const int64_t minStep = (minSamplingNs + Step - 1) / Step;
    const int64_t maxStep = MaxSamplingStep;
    if (minStep > maxStep) {
        return std::nullopt;
    }
    const int64_t largestCount = units / minStep;                   // counts above give a step below minStep
    const int64_t smallestCount = (units + maxStep - 1) / maxStep;  // counts below give a step above the largest
    for (int64_t count = largestCount; count >= std::max<int64_t>(smallestCount, 1); --count) {
        if (units % count == 0) {
            return units / count * Step;
        }
    }
    return std::nullopt;
}

}  // namespace

// The relative deviation as the dialog shows it ("%.9f %%"), written without
// the C library so that the user's locale cannot turn the point into a comma.
std::string ErrorPercentText(double percent) {
    std::array<char, 64> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), percent, std::chars_format::fixed, 9);
    std::string text(buffer.data(), result.ptr);
    text.append(" %");
    return text;
}

std::optional<int64_t> ReadTotalTimeEntry(std::string_view text, int unitListIndex, int64_t minNs, int64_t maxNs) {
    const auto ns = ReadTimeEntry(text, unitListIndex, TotalUnitHours);
    if (!ns) {
        return std::nullopt;
    }
    return std::clamp(*ns, minNs, maxNs);
}

TimeBaseRows ComputeTimeInputRows(std::string_view totalText, int totalUnitListIndex) {
    const auto totalNs = ReadTotalTimeEntry(totalText, totalUnitListIndex, NewMinTotalNs, NewMaxTotalNs);
    if (!totalNs) {
        return {};
    }
    return TimeInputRows(*totalNs);
}

TimeBaseRows ComputeSamplingInputRows(std::string_view samplingText, int samplingUnitListIndex,
                                      std::string_view countText) {
    const auto samplingNs =
        ReadTimeEntry(samplingText, samplingUnitListIndex, static_cast<int>(SamplingTimeUnitWords.size()) - 1);
    if (!samplingNs) {
        return {};
    }
    // The count is read without a check: anything that is not a number is 0,
    // which the clamp then raises to the smallest count.
    return SamplingInputRows(*samplingNs, ParseInt64(countText));
}

TimeBaseRows ComputeTimeChangeRows(std::string_view totalText, int totalUnitListIndex, int64_t currentSamplingNs) {
    if (currentSamplingNs < MinSamplingTimeNs || currentSamplingNs > MaxSamplingTimeNs) {
        return {};
    }
    const auto totalNs = ReadTotalTimeEntry(totalText, totalUnitListIndex, currentSamplingNs * NewMinCount,
                                            currentSamplingNs * MaxCount);
    if (!totalNs) {
        return {};
    }
    return TimeChangeRows(*totalNs, currentSamplingNs);
}

TimeBaseRows TimeInputRows(int64_t totalNs) {
    const int64_t total = std::clamp(totalNs, NewMinTotalNs, NewMaxTotalNs);
    TimeBaseRows result;
    result.valid = true;

    // Shortest sampling time whose count still fits: the smallest j with
    // total / (20 j) <= 262144, that is total < 20 j x 262145.
    const int64_t coarseNs = (total / (Step * (MaxCount + 1)) + 1) * Step;
    const int64_t coarseCount = total / coarseNs;
    const int64_t coarseTotal = coarseCount * coarseNs;

    const auto exactNs = ExactSamplingTime(total, coarseNs);
    if (exactNs) {
        result.rows[0] = MakeRow(total, *exactNs, total / *exactNs, 0.0);
        result.selected = 0;
    }
    if (!exactNs || coarseTotal != total) {
        result.rows[1] = MakeRow(coarseTotal, coarseNs, coarseCount, ErrorPercent(coarseTotal, total));
        if (coarseCount + 1 <= MaxCount) {
            const int64_t aboveTotal = (coarseCount + 1) * coarseNs;
            result.rows[2] = MakeRow(aboveTotal, coarseNs, coarseCount + 1, ErrorPercent(aboveTotal, total));
        }
        if (!exactNs) {
            result.selected = 1;
        }
    }
    return result;
}

TimeBaseRows SamplingInputRows(int64_t samplingNs, int64_t count) {
    const int64_t sampling = std::clamp(samplingNs, MinSamplingTimeNs, MaxSamplingTimeNs);
    const int64_t n = std::clamp(count, NewMinCount, MaxCount);
    TimeBaseRows result;
    result.valid = true;

    const int64_t below = sampling / Step * Step;
    if (below == sampling) {
        result.rows[0] = MakeRow(n * sampling, sampling, n, 0.0);
        result.selected = 0;
        return result;
    }
    // A sampling time between two multiples of 20 ns: offer the one below and
    // the one above, each against the total that was asked for.
    const int64_t requested = n * sampling;
    const int64_t above = below + Step;
    result.rows[1] = MakeRow(n * below, below, n, ErrorPercent(n * below, requested));
    result.rows[2] = MakeRow(n * above, above, n, ErrorPercent(n * above, requested));
    result.selected = 1;
    return result;
}

TimeBaseRows TimeChangeRows(int64_t totalNs, int64_t samplingNs) {
    if (samplingNs < MinSamplingTimeNs || samplingNs > MaxSamplingTimeNs) {
        return {};
    }
    const int64_t total = std::clamp(totalNs, samplingNs * NewMinCount, samplingNs * MaxCount);
    TimeBaseRows result;
    result.valid = true;

    const int64_t count = total / samplingNs;
    const int64_t rest = total % samplingNs;
    const int64_t belowTotal = count * samplingNs;
    result.rows[0] = MakeRow(belowTotal, samplingNs, count, rest == 0 ? 0.0 : ErrorPercent(belowTotal, total));
    result.selected = 0;
    if (rest != 0) {
        const int64_t aboveTotal = (count + 1) * samplingNs;
        result.rows[1] = MakeRow(aboveTotal, samplingNs, count + 1, ErrorPercent(aboveTotal, total));
    }
    return result;
}

}  // namespace kdx
