#include "app/core/StartupSettings.h"

#include "document/WaveformLimits.h"
#include "units/UnitText.h"

namespace kdx {

int MaxNumberFromText(std::string_view text) {
    const auto value = ParseUnsigned(text);
    if (!value || *value == 0 || *value > MaxNumberLimit) return 1;
    return static_cast<int>(*value);
}

int ApplyStartupSettings(ProfileStore& store) {
    if (store.Read(SettingsSectionKdx, SettingsKeyVersion, "") != ProgramVersionText) {
        store.Write(SettingsSectionKdx, SettingsKeyVersion, ProgramVersionText);
    }
    const std::string maxNumber = store.Read(SettingsSectionDevice, SettingsKeyMaxNumber, "");
    if (maxNumber.empty()) {
        store.Write(SettingsSectionDevice, SettingsKeyMaxNumber, "1");
        return 1;
    }
    return MaxNumberFromText(maxNumber);
}

std::string AboutVersionText() {
    std::string text = "KDX Version ";
    text.append(ProgramVersionText);
    text.append(ProgramBuildSuffix);
    return text;
}

}  // namespace kdx
