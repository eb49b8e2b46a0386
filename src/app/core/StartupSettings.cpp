#include "app/core/StartupSettings.h"

#include "app/core/ProfileFile.h"
#include "document/WaveformLimits.h"
#include "units/UnitText.h"

namespace kdx {

std::string FileProfileStore::Read(std::string_view section, std::string_view key, std::string_view defaultValue) {
    return file.Read(section, key, defaultValue);
}

void FileProfileStore::Write(std::string_view section, std::string_view key, std::string_view value) {
    file.Write(section, key, value);  // a read-only or missing directory keeps the defaults
}

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
