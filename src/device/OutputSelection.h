// The choice of generator at start-up, for installations that drive several:
// the device list kept in the settings file, the generators attached now, the
// selection dialog's form, and the prefix that names the choice in the title.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

struct DeviceEntry {
    std::string serial;       // the user's serial number
    std::string displayName;  // may be empty
    bool connected = false;   // found on the bus during this selection
    friend bool operator==(const DeviceEntry&, const DeviceEntry&) = default;
};

inline constexpr int MaxDeviceEntries = 256;
inline constexpr int ScanRoom = 127;  // serial numbers one bus scan takes
inline constexpr const char* DeviceSectionPrefix = "VELX-9.Device";
inline constexpr const char* DeviceKeySerial = "SerialNo";
inline constexpr const char* DeviceKeyDescription = "Description";
inline constexpr const char* DeviceKeyUsbSerial = "USBSerialNo";    // older files
inline constexpr const char* DeviceKeyUserSerial = "UserSerialNo";  // older files
inline constexpr const char* NoDeviceChosenPrefix = "[VELX-9指定なし] ";

// The device sections of the settings file.
class DeviceListStore {
public:
    virtual ~DeviceListStore() = default;
    // Empty when the key or its section is absent.
    virtual std::string Read(std::string_view section, std::string_view key) = 0;
    virtual void Write(std::string_view section, std::string_view key, std::string_view value) = 0;
    virtual void RemoveSection(std::string_view section) = 0;
};

// "VELX-9.Device" followed by the position in decimal.
std::string DeviceSectionName(int position);
// Reads sections 1 to 256, takes an older section's user serial, drops those
// without a serial and writes the rest back numbered from 1, new keys only.
std::vector<DeviceEntry> LoadDeviceList(DeviceListStore& store);
// Writes every entry back at its position.
void SaveDeviceList(DeviceListStore& store, const std::vector<DeviceEntry>& list);
// Marks the generators attached now as connected and appends those the list
// lacks, with no display name, while it has room; a generator that cannot be
// opened or whose user area cannot be read is left out.
void AddAttachedGenerators(std::vector<DeviceEntry>& list);

// The selection dialog without its window.
class DeviceSelectForm {
public:
    explicit DeviceSelectForm(std::vector<DeviceEntry> entries) : entries(std::move(entries)) {}
    const std::vector<DeviceEntry>& Entries() const { return entries; }
    int Selected() const { return selected; }
    void Select(int index);  // -1 or out of range: none
    // OK and the display-name edit need a selected entry.
    bool EntryChosen() const { return selected >= 0; }
    std::string NameText() const;
    // Stores a typed display name in the selected entry; true when it changed.
    bool EditName(std::string_view text);

private:
    std::vector<DeviceEntry> entries;
    int selected = -1;
};

enum class OutputStartup {
    Unavailable,     // no device library: output stays disabled
    FirstGenerator,  // one generator per installation: the first one attached
    Choose,          // several: the user chooses one for this instance
};
OutputStartup DecideOutputStartup(int maxNumber, bool libraryLoaded);

// "[" + display name + "] ", or the serial when there is no display name.
std::string TitlePrefixFor(const DeviceEntry& chosen);

struct OutputDeviceChoice {
    bool outputAvailable = false;
    std::string serial;
    std::string displayName;
    std::string titlePrefix;
};

// The start-up decision and, when it says so, the selection: the list is
// read and normalised, the bus scanned, choose shows it (display names may be
// edited there) and returns the chosen position or -1, and the list is
// written back whatever the answer.
OutputDeviceChoice ChooseOutputDevice(int maxNumber, bool libraryLoaded, DeviceListStore& store,
                                      const std::function<int(std::vector<DeviceEntry>&)>& choose);

}  // namespace kdx
