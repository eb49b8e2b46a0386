// The device list's sections in a real settings file: renumbered in the new
// form, the rest of the file as it was, stored in one write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/core/DeviceListFile.h"

namespace kdx {
namespace {

TEST(DeviceListFile, SectionsComeBackNumberedWithoutGaps) {
    const auto dir = std::filesystem::temp_directory_path() / "kdx_device_list_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto path = dir / "KDX.INI";
    std::ofstream(path, std::ios::binary) << "; kept\r\n[KDX]\r\nVersion=6.1\r\n"
                                             "[VELX-9.Device1]\r\nSerialNo=20260001\r\nDescription=左の棚\r\n"
                                             "[VELX-9.Device3]\r\nUSBSerialNo=QZ10010003\r\nUserSerialNo=20260003\r\n"
                                             "[Other]\r\nKey=1\r\n"
                                             "[VELX-9.Device7]\r\nSerialNo=20260007\r\nDescription=\r\n"
                                             "[VELX-9]\r\nMaxNumber=2\r\n";
    const auto contents = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    ProfileFile file(path);
    IniDeviceListStore store(file);
    std::vector<DeviceEntry> list = LoadDeviceList(store);
    list.push_back({"20260009", "新", true});
    SaveDeviceList(store, list);
    EXPECT_EQ(contents().find("Device2"), std::string::npos);  // nothing is written before Commit
    EXPECT_TRUE(store.Commit());
    EXPECT_EQ(contents(), "; kept\r\n[KDX]\r\nVersion=6.1\r\n"
                          "[Other]\r\nKey=1\r\n"
                          "[VELX-9]\r\nMaxNumber=2\r\n"
                          "[VELX-9.Device1]\r\nSerialNo=20260001\r\nDescription=左の棚\r\n"
                          "[VELX-9.Device2]\r\nSerialNo=20260003\r\nDescription=\r\n"
                          "[VELX-9.Device3]\r\nSerialNo=20260007\r\nDescription=\r\n"
                          "[VELX-9.Device4]\r\nSerialNo=20260009\r\nDescription=新\r\n");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kdx
