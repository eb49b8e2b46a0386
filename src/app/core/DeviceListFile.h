// The device list's sections of the settings file: read once, edited in
// memory, stored back in one write, so that a failure half-way can never leave
// the list half renumbered.
#pragma once

#include "app/core/ProfileFile.h"
#include "device/OutputSelection.h"

namespace kdx {

class IniDeviceListStore : public DeviceListStore {
public:
    explicit IniDeviceListStore(ProfileFile& file) : file(file), ini(file.Load()) {}

    std::string Read(std::string_view section, std::string_view key) override;
    void Write(std::string_view section, std::string_view key, std::string_view value) override;
    void RemoveSection(std::string_view section) override;
    // Stores the edits (nothing when there were none); false when the file
    // could not be written, which leaves it as it was.
    bool Commit();

private:
    ProfileFile& file;
    IniText ini;
    bool edited = false;
};

}  // namespace kdx
