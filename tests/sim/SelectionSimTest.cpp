// The bus scan of the generator selection against the simulated bus.
#include <gtest/gtest.h>

#include "SimHarness.h"
#include "device/OutputSelection.h"

namespace kdx::simtest {
namespace {

TEST(SelectionSim, ScanMarksKnownAddsNewAndSkipsUnreadable) {
    Configure({{"generators",
                {{{"user_serial", "20260001"}},
                 {{"user_serial", "20260005"}, {"protocol", "block"}},
                 {{"user_serial", "20260006"}, {"faults", {{"user_area", 4}}}},
                 {{"user_serial", "20260007"}, {"faults", {{"open", 3}}}},
                 {{"user_serial", "20260008"}, {"user_area", {{"length", 20}}}}}}});
    std::vector<DeviceEntry> list = {{"20260009", "棚", false}, {"20260005", "右", false}};
    AddAttachedGenerators(list);
    EXPECT_EQ(list, (std::vector<DeviceEntry>{{"20260009", "棚", false}, {"20260005", "右", true},
                                              {"20260001", "", true}}));
    EXPECT_EQ(Sim().openHandles(), 0);

    // A full list takes no more; a known generator is still marked.
    std::vector<DeviceEntry> full(MaxDeviceEntries - 1, DeviceEntry{"x", "", false});
    full.push_back({"20260005", "", false});
    AddAttachedGenerators(full);
    EXPECT_EQ(full.size(), size_t(MaxDeviceEntries));
    EXPECT_FALSE(full.back().connected);  // nothing is scanned once the list is full
}

}  // namespace
}  // namespace kdx::simtest
