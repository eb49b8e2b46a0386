#include "device/OutputSelection.h"

#include <algorithm>
#include <array>

#include "device/DeviceLink.h"
#include "device/DeviceProtocol.h"

namespace kdx {

std::string DeviceSectionName(int position) { return DeviceSectionPrefix + std::to_string(position); }

std::vector<DeviceEntry> LoadDeviceList(DeviceListStore& store) {
    std::vector<DeviceEntry> list;
    for (int i = 1; i <= MaxDeviceEntries; ++i) {
        const std::string section = DeviceSectionName(i);
        const std::string usbSerial = store.Read(section, DeviceKeyUsbSerial);
        const std::string userSerial = store.Read(section, DeviceKeyUserSerial);
        std::string serial = store.Read(section, DeviceKeySerial);
        std::string description = store.Read(section, DeviceKeyDescription);
        // Older files kept both serials; the user's is the one that names the generator.
        if (!usbSerial.empty() && !userSerial.empty()) serial = userSerial;
        store.RemoveSection(section);
        if (serial.empty()) continue;
        list.push_back({std::move(serial), std::move(description), false});
        const std::string renumbered = DeviceSectionName(static_cast<int>(list.size()));
        store.Write(renumbered, DeviceKeySerial, list.back().serial);
        store.Write(renumbered, DeviceKeyDescription, list.back().displayName);
    }
    return list;
}

void SaveDeviceList(DeviceListStore& store, const std::vector<DeviceEntry>& list) {
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string section = DeviceSectionName(static_cast<int>(i + 1));
        store.Write(section, DeviceKeySerial, list[i].serial);
        store.Write(section, DeviceKeyDescription, list[i].displayName);
    }
}

void AddAttachedGenerators(std::vector<DeviceEntry>& list) {
    if (list.size() >= static_cast<size_t>(MaxDeviceEntries)) return;
    std::array<std::array<char, SerialBufferSize>, ScanRoom> serials{};
    std::array<char*, ScanRoom + 1> buffers{};
    for (int i = 0; i < ScanRoom; ++i) buffers[i] = serials[i].data();
    int found = 0;
    if (ListGenerators(buffers.data(), found) != LINK_OK) return;
    for (int i = 0; i < found; ++i) {
        DeviceHandle handle = nullptr;
        if (OpenGenerator(serials[i].data(), handle) != LINK_OK) continue;
        uint8_t area[UserAreaSize];
        const LinkStatus status = ReadUserArea(handle, area);
        CloseGenerator(handle);
        if (status != LINK_OK) continue;
        std::string serial = UserSerialNumber(DecodeUserArea(area));
        if (serial.empty()) continue;  // nothing to tell it by
        auto known = std::find_if(list.begin(), list.end(), [&](const DeviceEntry& e) { return e.serial == serial; });
        if (known != list.end()) {
            known->connected = true;
        } else if (list.size() < static_cast<size_t>(MaxDeviceEntries)) {
            list.push_back({std::move(serial), std::string(), true});
        }
    }
}

void DeviceSelectForm::Select(int index) {
    selected = index >= 0 && index < static_cast<int>(entries.size()) ? index : -1;
}

std::string DeviceSelectForm::NameText() const { return selected >= 0 ? entries[selected].displayName : std::string(); }

bool DeviceSelectForm::EditName(std::string_view text) {
    if (selected < 0 || entries[selected].displayName == text) return false;
    entries[selected].displayName = std::string(text);
    return true;
}

OutputStartup DecideOutputStartup(int maxNumber, bool libraryLoaded) {
    if (!libraryLoaded) return OutputStartup::Unavailable;
    return maxNumber == 1 ? OutputStartup::FirstGenerator : OutputStartup::Choose;
}

std::string TitlePrefixFor(const DeviceEntry& chosen) {
    return "[" + (chosen.displayName.empty() ? chosen.serial : chosen.displayName) + "] ";
}

OutputDeviceChoice ChooseOutputDevice(int maxNumber, bool libraryLoaded, DeviceListStore& store,
                                      const std::function<int(std::vector<DeviceEntry>&)>& choose) {
    OutputDeviceChoice choice;
    switch (DecideOutputStartup(maxNumber, libraryLoaded)) {
    case OutputStartup::Unavailable: return choice;
    case OutputStartup::FirstGenerator: choice.outputAvailable = true; return choice;
    case OutputStartup::Choose: break;
    }
    std::vector<DeviceEntry> list = LoadDeviceList(store);
    AddAttachedGenerators(list);
    const int chosen = choose ? choose(list) : -1;
    SaveDeviceList(store, list);
    if (chosen < 0 || chosen >= static_cast<int>(list.size())) {
        choice.titlePrefix = NoDeviceChosenPrefix;
        return choice;
    }
    choice.outputAvailable = true;
    choice.serial = list[chosen].serial;
    choice.displayName = list[chosen].displayName;
    choice.titlePrefix = TitlePrefixFor(list[chosen]);
    return choice;
}

}  // namespace kdx
