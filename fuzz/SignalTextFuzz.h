// Shared by the table and PWL fuzz targets: the text is cut into lines and
// given to a line parser; what it keeps must be a valid set of points, and
// their resampling must stay between the lowest and highest value.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "analog/SignalFiles.h"

namespace kdx::fuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

template <class Parser>
void CheckPoints(Parser& parser, std::string_view text, const std::vector<double>& times,
                 const std::vector<double>& values, uint32_t capacity) {
    size_t lines = 0;
    for (size_t at = 0; at <= text.size(); ++lines) {
        const size_t end = std::min(text.find('\n', at), text.size());
        if (!parser.Line(text.substr(at, end - at))) break;
        at = end + 1;
    }
    parser.Finish();
    const LineParseState state = parser.GetState();
    Require(parser.Count() <= capacity);
    if (state == LineParseState::Invalid) {
        Require(parser.Fault() != LineFault::None && parser.ErrorLine() <= lines + 1);
        return;
    }
    Require(parser.Count() > 0);
    const uint32_t n = parser.Count();
    std::vector<double> ns(n);
    for (uint32_t i = 0; i < n; ++i) {
        Require(std::isfinite(times[i]) && std::isfinite(values[i]));
        Require(i == 0 || times[i] >= times[i - 1]);
        ns[i] = (times[i] - times[0]) * 1e9;
    }
    const double low = *std::min_element(values.begin(), values.begin() + n);
    const double high = *std::max_element(values.begin(), values.begin() + n);
    if (!std::isfinite(high - low)) return;  // a line between such values overflows
    const double span = ns[n - 1];
    if (!(span < 1e15)) return;
    const int64_t end = static_cast<int64_t>(span) + 1;
    const int64_t step = std::max<int64_t>(1, end / 64);
    std::vector<double> work(64);
    for (const InterpolationMode mode : {InterpolationMode::None, InterpolationMode::Linear}) {
        Require(ConvertPoints(work.data(), 64, ns.data(), values.data(), n, 0, end, step, 1.0, 0.0, mode));
        const double slack = (std::abs(low) + std::abs(high)) * 1e-12;
        for (int64_t i = 0; i < std::min<int64_t>(64, end / step); ++i)
            Require(work[i] >= low - slack && work[i] <= high + slack);
    }
}

}  // namespace kdx::fuzz
