#include "app/core/DeviceListFile.h"

namespace kdx {

std::string IniDeviceListStore::Read(std::string_view section, std::string_view key) {
    return ini.Get(section, key).value_or(std::string());
}

void IniDeviceListStore::Write(std::string_view section, std::string_view key, std::string_view value) {
    ini.Set(section, key, value);
    edited = true;
}

void IniDeviceListStore::RemoveSection(std::string_view section) {
    ini.RemoveSection(section);
    edited = true;
}

bool IniDeviceListStore::Commit() {
    if (!edited) return true;
    edited = false;
    return file.Store(ini);
}

}  // namespace kdx
