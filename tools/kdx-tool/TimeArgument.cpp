#include "TimeArgument.h"

#include <array>
#include <cctype>

namespace kdx::tool {

std::optional<TimeArgument> SplitTimeArgument(std::string_view text, bool allowMinutesHours) {
    static constexpr std::array<std::string_view, 6> Units = {"ns", "us", "ms", "s", "m", "h"};
    // Blanks around the whole argument come from quoting in scripts.
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    size_t end = text.size();
    while (end > 0 && std::isalpha(static_cast<unsigned char>(text[end - 1]))) --end;
    std::string unit;
    for (char c : text.substr(end)) unit += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string_view number = text.substr(0, end);
    while (!number.empty() && number.back() == ' ') number.remove_suffix(1);

    TimeArgument result;
    result.number = std::string(number);
    if (unit.empty()) return result;
    for (size_t i = 0; i < Units.size(); ++i) {
        if (unit == Units[i]) {
            if (i >= 4 && !allowMinutesHours) return std::nullopt;
            result.unitListIndex = static_cast<int>(i);
            return result;
        }
    }
    return std::nullopt;
}

}  // namespace kdx::tool
