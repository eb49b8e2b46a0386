// The formula dialog's expression history in the settings file: section
// [Formula], keys Expr1 (the newest) .. Expr20.
#pragma once

#include <string>
#include <vector>

#include "app/core/ProfileFile.h"

namespace kdx {

inline constexpr const char* SettingsSectionFormula = "Formula";
inline constexpr int FormulaHistoryKeys = 20;

// The entries in order, up to the first missing or empty key.
std::vector<std::string> ReadFormulaHistory(const IniText& ini);
// Replaces the section with the entries (at most 20).
void WriteFormulaHistory(IniText& ini, const std::vector<std::string>& history);

}  // namespace kdx
