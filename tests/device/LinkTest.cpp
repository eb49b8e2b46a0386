// The USB link against an in-process fake library: enumeration, opening,
// exchanges and the user area, plus loading a real shared library by name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "FakeD2xx.h"
#include "device/DeviceLink.h"

namespace kdx {
namespace {

using test::Bus;
using Strings = std::vector<std::string>;

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { test::InstallFakeD2xx(); }
    void TearDown() override { FreeDeviceLibrary(); }

    // Enumerates with room for `room` serials; returns what was found.
    Strings List(int room, LinkStatus& status, int& count) {
        buffers.assign(room, std::array<char, SerialBufferSize>{});
        std::vector<char*> list;
        for (auto& buffer : buffers) {
            list.push_back(buffer.data());
        }
        list.push_back(nullptr);
        status = ListGenerators(list.data(), count);
        Strings found;
        for (int i = 0; i < count && i < room; ++i) {
            found.emplace_back(buffers[i].data());
        }
        return found;
    }

    std::vector<std::array<char, SerialBufferSize>> buffers;
};

TEST_F(LinkTest, ListsOnlyDescriptionsThatAreExactlyTheModelAndTwoBlanks) {
    Bus().devices = {{"VELX-9  ", "QZ10010001"}, {"VELX-9", "A"},          {"VELX-9  X", "B"},
                     {"VELX-9   ", "C"},         {"OTHER", "D"},           {"VELX-9  ", "QZ00000002"}};
    LinkStatus status;
    int count = -1;
    EXPECT_EQ(List(8, status, count), (Strings{"QZ10010001", "QZ00000002"}));
    EXPECT_EQ(status, LINK_OK);
    EXPECT_EQ(count, 2);
}

TEST_F(LinkTest, FailedQueriesSkipTheDeviceWithoutUsingABuffer) {
    Bus().devices = {{"VELX-9  ", "S1", false, true},
                     {"VELX-9  ", "S2", true, false},
                     {"VELX-9  ", "QZ10019999"},
                     {"VELX-9  ", "LONGERTHAN10"}};  // would not fit the caller's buffer
    LinkStatus status;
    int count = -1;
    EXPECT_EQ(List(4, status, count), (Strings{"QZ10019999"}));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(buffers[1][0], '\0');
}

TEST_F(LinkTest, EmptyBusAndFailingCountBothReportNone) {
    LinkStatus status;
    int count = -1;
    List(2, status, count);
    EXPECT_EQ(status, LINK_OK);
    EXPECT_EQ(count, 0);

    Bus().devices = {{"VELX-9  ", "S1"}};
    Bus().numberStatus = d2xx::FT_IO_ERROR;
    count = -1;
    List(2, status, count);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(count, 0);
}

TEST_F(LinkTest, MoreGeneratorsThanRoomReportsThoseFound) {
    Bus().devices = {{"VELX-9  ", "S1"}, {"VELX-9  ", "S2"}, {"VELX-9  ", "S3"}};
    LinkStatus status;
    int count = -1;
    EXPECT_EQ(List(2, status, count), (Strings{"S1", "S2"}));
    EXPECT_EQ(status, LINK_OK);
    EXPECT_EQ(count, 2);
}

TEST_F(LinkTest, OpensBySerialOrByDescriptionThenResetsPurgesAndSetsTimeouts) {
    DeviceHandle handle = nullptr;
    EXPECT_EQ(OpenGenerator("QZ10011234", handle), LINK_OK);
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(Bus().calls, (Strings{"OpenEx 1 QZ10011234", "Reset", "Purge 3", "Timeouts 2000 10000"}));

    Bus().calls.clear();
    EXPECT_EQ(OpenGenerator(nullptr, handle), LINK_OK);
    EXPECT_EQ(Bus().calls.front(), "OpenEx 2 VELX-9  ");
    Bus().calls.clear();
    EXPECT_EQ(OpenGenerator("", handle), LINK_OK);
    EXPECT_EQ(Bus().calls.front(), "OpenEx 2 VELX-9  ");
}

TEST_F(LinkTest, FailedOpenStepsCloseTheHandleAndReturnTheirStatus) {
    DeviceHandle handle = nullptr;
    Bus().openStatus = d2xx::FT_DEVICE_NOT_FOUND;
    EXPECT_EQ(OpenGenerator(nullptr, handle), 2);
    EXPECT_EQ(Bus().calls.size(), 1u);  // nothing open, nothing to close

    struct Case {
        d2xx::FT_STATUS test::FakeBus::*step;
        size_t callsBeforeClose;
    };
    for (Case c : {Case{&test::FakeBus::resetStatus, 2}, Case{&test::FakeBus::purgeStatus, 3},
                   Case{&test::FakeBus::timeoutsStatus, 4}}) {
        test::InstallFakeD2xx();
        Bus().*c.step = d2xx::FT_IO_ERROR;
        handle = reinterpret_cast<DeviceHandle>(1);
        EXPECT_EQ(OpenGenerator("S", handle), 4);
        EXPECT_EQ(handle, nullptr);
        ASSERT_EQ(Bus().calls.size(), c.callsBeforeClose + 1);
        EXPECT_EQ(Bus().calls.back(), "Close");
    }
}

TEST_F(LinkTest, TransactMovesExactlyWhatWasAsked) {
    DeviceHandle handle = nullptr;
    ASSERT_EQ(OpenGenerator(nullptr, handle), LINK_OK);
    Bus().calls.clear();
    uint8_t out[6] = {1, 2, 3, 4, 5, 6};
    uint8_t in[6] = {};

    EXPECT_EQ(Transact(handle, nullptr, 6, in, 0), LINK_NO_TRANSFER);
    EXPECT_EQ(Transact(handle, out, 0, nullptr, 6), LINK_NO_TRANSFER);
    EXPECT_TRUE(Bus().calls.empty());

    EXPECT_EQ(Transact(handle, out, 6, nullptr, 0), LINK_OK);  // a raw stream: write only
    EXPECT_EQ(Bus().calls, (Strings{"Write 6"}));

    Bus().pending = {9, 9, 9, 9, 9};  // 5 of 6 bytes before the time-out
    EXPECT_EQ(Transact(handle, nullptr, 0, in, 6), LINK_TRANSFER_ERROR);

    Bus().failWrite = Bus().writeCalls;
    Bus().failShort = true;
    EXPECT_EQ(Transact(handle, out, 6, in, 6), LINK_TRANSFER_ERROR);
    EXPECT_EQ(Bus().calls.back(), "Write 6");  // no read after a short write

    Bus().failWrite = Bus().writeCalls;
    Bus().failShort = false;
    Bus().failStatus = d2xx::FT_IO_ERROR;
    EXPECT_EQ(Transact(handle, out, 6, in, 6), 4);
}

TEST_F(LinkTest, UserAreaMustBeFiftyBytes) {
    uint8_t area[UserAreaSize];
    Bus().userArea.assign(50, 0x5A);
    EXPECT_EQ(ReadUserArea(nullptr, area), LINK_OK);
    EXPECT_EQ(area[49], 0x5A);
    Bus().userArea.resize(49);
    EXPECT_EQ(ReadUserArea(nullptr, area), LINK_USER_AREA_INVALID);
    Bus().userAreaStatus = d2xx::FT_EEPROM_READ_FAILED;
    EXPECT_EQ(ReadUserArea(nullptr, area), 11);
}

TEST(LibraryLoading, LoadsByTheNameInTheEnvironmentAndNeedsAllEntryPoints) {
    FreeDeviceLibrary();
    setenv("KDX_D2XX_LIBRARY", KDX_FAKE_D2XX_PARTIAL, 1);
    EXPECT_FALSE(LoadDeviceLibrary());
    EXPECT_FALSE(IsDeviceLibraryLoaded());
    EXPECT_EQ(LastLibraryLoadError().kind, LibraryLoadFailure::EntryPointMissing);
    EXPECT_EQ(LastLibraryLoadError().detail, "FT_EE_UARead");

    setenv("KDX_D2XX_LIBRARY", "/nonexistent/libftd2xx.so", 1);
    EXPECT_FALSE(LoadDeviceLibrary());
    EXPECT_EQ(LastLibraryLoadError().kind, LibraryLoadFailure::LibraryNotFound);
    EXPECT_NE(DescribeLibraryLoadError(LastLibraryLoadError()).find("/nonexistent/libftd2xx.so"), std::string::npos);

    setenv("KDX_D2XX_LIBRARY", KDX_FAKE_D2XX_FULL, 1);
    ASSERT_TRUE(LoadDeviceLibrary());
    EXPECT_TRUE(LoadDeviceLibrary());
    int count = -1;
    char buffer[SerialBufferSize];
    char* list[] = {buffer, nullptr};
    EXPECT_EQ(ListGenerators(list, count), LINK_OK);  // the stand-in has three devices, one a generator
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(buffer, "QZ10010042");
    EXPECT_TRUE(FreeDeviceLibrary());
    EXPECT_FALSE(IsDeviceLibraryLoaded());
    unsetenv("KDX_D2XX_LIBRARY");
}

}  // namespace
}  // namespace kdx
