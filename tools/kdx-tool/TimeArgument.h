// TIME arguments of kdx-tool: a number with an optional unit word (nS, uS, mS,
// S, and for totals M and H), case-insensitive, blank between optional; no
// unit means nS. The number text is kept as typed so that the time-base rows
// read it exactly as the dialogs read their edit boxes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kdx::tool {

struct TimeArgument {
    std::string number;  // the digits as typed, e.g. "1.5"
    int unitListIndex = 0;  // 0 nS, 1 uS, 2 mS, 3 S, 4 M, 5 H
};

// nullopt when the unit word is unknown, or M/H where they are not allowed.
std::optional<TimeArgument> SplitTimeArgument(std::string_view text, bool allowMinutesHours);

}  // namespace kdx::tool
