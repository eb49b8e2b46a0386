#include "app/core/FormulaHistoryFile.h"

#include <algorithm>

namespace kdx {

namespace {

std::string KeyOf(int k) { return "Expr" + std::to_string(k + 1); }

}  // namespace

std::vector<std::string> ReadFormulaHistory(const IniText& ini) {
    std::vector<std::string> history;
    for (int k = 0; k < FormulaHistoryKeys; ++k) {
        const auto value = ini.Get(SettingsSectionFormula, KeyOf(k));
        if (!value || value->empty()) break;
        history.push_back(*value);
    }
    return history;
}

void WriteFormulaHistory(IniText& ini, const std::vector<std::string>& history) {
    ini.RemoveSection(SettingsSectionFormula);
    const int count = std::min(static_cast<int>(history.size()), FormulaHistoryKeys);
    for (int k = 0; k < count; ++k) ini.Set(SettingsSectionFormula, KeyOf(k), history[static_cast<size_t>(k)]);
}

}  // namespace kdx
