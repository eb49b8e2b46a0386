// The link against the simulated bus: listing, opening, exchanges and the
// user area, with the exact library calls the generator sees.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "SimHarness.h"
#include "device/DeviceLink.h"

namespace kdx::simtest {
namespace {

class LinkSim : public ::testing::Test {
protected:
    void TearDown() override {
        // The program never calls the EEPROM writers or the plain open, and
        // leaves nothing open behind a failed operation.
        EXPECT_EQ(Sim().unsupportedCalls(), 0);
        EXPECT_EQ(Sim().openHandles(), 0);
    }

    // Lists with room for `room` serial numbers.
    LinkStatus List(int room, std::vector<std::string>& serials, int& count) {
        std::vector<std::array<char, SerialBufferSize>> storage(static_cast<size_t>(room));
        std::vector<char*> buffers;
        for (auto& b : storage) buffers.push_back(b.data());
        buffers.push_back(nullptr);
        LinkStatus status = ListGenerators(buffers.data(), count);
        serials.clear();
        for (int i = 0; i < count && i < room; ++i) serials.emplace_back(storage[size_t(i)].data());
        return status;
    }

    std::vector<std::string> CallNames() {
        std::vector<std::string> names;
        for (const LogCall& c : LogCalls()) names.push_back(c.name);
        return names;
    }
};

TEST_F(LinkSim, ListsOnlyExactDescriptionsAndSkipsFailedSerialQueries) {
    Configure({{"generators",
                {{{"usb_serial", "QZ10010001"}},
                 {{"usb_serial", "QZ10019998"}, {"description", "VELX-9"}},
                 {{"usb_serial", "QZ10019997"}, {"description", "VELX-9  X"}},
                 {{"usb_serial", "QZ10019996"}, {"faults", {{"list_serial", 4}}}},
                 {{"usb_serial", "QZ10019995"}, {"faults", {{"list_description", 4}}}},
                 {{"usb_serial", "QZ00000002"}, {"protocol", "block"}}}}});
    std::vector<std::string> serials;
    int count = -1;
    // Room for exactly the two that qualify: a failed serial query must not use up a buffer.
    ASSERT_EQ(List(2, serials, count), LINK_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(serials, (std::vector<std::string>{"QZ10010001", "QZ00000002"}));
}

TEST_F(LinkSim, ListingReportsWhatFitsWhenRoomRunsOut) {
    Configure({{"generators", {json::object(), json::object(), json::object()}}});
    std::vector<std::string> serials;
    int count = -1;
    ASSERT_EQ(List(2, serials, count), LINK_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(serials, (std::vector<std::string>{"QZ10010001", "QZ00000002"}));
}

TEST_F(LinkSim, ListingWithNoGeneratorOrAFailingCount) {
    Configure({{"generators", json::array()}});
    std::vector<std::string> serials;
    int count = -1;
    EXPECT_EQ(List(4, serials, count), LINK_OK);
    EXPECT_EQ(count, 0);

    Configure({{"list_status", 4}, {"generators", {json::object()}}});
    count = -1;
    EXPECT_EQ(List(4, serials, count), 4);
    EXPECT_EQ(count, 0);
}

TEST_F(LinkSim, UnpluggedGeneratorLeavesTheBus) {
    Configure({{"generators", {{{"faults", {{"unplug_after_writes", 0}}}}, json::object()}}});
    std::vector<std::string> serials;
    int count = -1;
    ASSERT_EQ(List(4, serials, count), LINK_OK);
    EXPECT_EQ(serials, std::vector<std::string>{"QZ00000002"});
    DeviceHandle h = nullptr;
    EXPECT_EQ(OpenGenerator("QZ10010001", h), LinkStatus(d2xx::FT_DEVICE_NOT_FOUND));
}

TEST_F(LinkSim, OpenResetsPurgesAndSetsTimeOutsInOrder) {
    Configure({{"generators", {json::object(), json::object()}}});
    DeviceHandle h = nullptr;
    ASSERT_EQ(OpenGenerator("QZ00000002", h), LINK_OK);
    EXPECT_EQ(CloseGenerator(h), LINK_OK);
    std::vector<std::string> lines;
    for (const LogCall& c : LogCalls()) lines.push_back(c.line);
    EXPECT_EQ(lines, (std::vector<std::string>{"OpenEx serial=\"QZ00000002\" = 0 g1", "ResetDevice g1 = 0",
                                               "Purge g1 mask=3 = 0", "SetTimeouts g1 read=2000 write=10000 = 0",
                                               "Close g1 = 0"}));
}

TEST_F(LinkSim, OpenWithoutSerialTakesTheFirstGeneratorByDescription) {
    Configure({{"generators", {{{"description", "VELX-8  "}}, json::object(), json::object()}}});
    DeviceHandle h = nullptr;
    ASSERT_EQ(OpenGenerator(nullptr, h), LINK_OK);
    CloseGenerator(h);
    EXPECT_EQ(LogCalls().front().line, "OpenEx description=\"VELX-9  \" = 0 g1");
}

TEST_F(LinkSim, FailedOpenStepsCloseTheHandleAndReturnTheirStatus) {
    struct Case {
        const char* fault;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"open", {"OpenEx"}},
        {"reset", {"OpenEx", "ResetDevice", "Close"}},
        {"purge", {"OpenEx", "ResetDevice", "Purge", "Close"}},
        {"timeouts", {"OpenEx", "ResetDevice", "Purge", "SetTimeouts", "Close"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Configure({{"generators", {{{"faults", {{c.fault, 3}}}}}}});
        DeviceHandle h = nullptr;
        EXPECT_EQ(OpenGenerator(nullptr, h), 3);
        EXPECT_EQ(CallNames(), c.calls);
        EXPECT_EQ(Sim().openHandles(), 0);
    }
}

TEST_F(LinkSim, ExchangesAndUserAreaCountBytes) {
    Configure({{"generators",
                {{{"user_area", {{"length", 49}}}, {"faults", {{"reads", {{{"at", 1}, {"bytes", 5}}}}}}}}}});
    DeviceHandle h = nullptr;
    ASSERT_EQ(OpenGenerator(nullptr, h), LINK_OK);
    const Bytes request = Frame({0xB4, 0x00, 0x01, 0x00, 0x00, 0x4B});
    std::array<uint8_t, 6> reply{};
    EXPECT_EQ(Transact(h, request.data(), 6, reply.data(), 6), LINK_TRANSFER_ERROR);  // 5 of 6 bytes
    EXPECT_EQ(Transact(h, nullptr, 0, nullptr, 0), LINK_NO_TRANSFER);
    std::array<uint8_t, UserAreaSize> area{};
    EXPECT_EQ(ReadUserArea(h, area.data()), LINK_USER_AREA_INVALID);
    CloseGenerator(h);
    EXPECT_EQ(CallNames(), (std::vector<std::string>{"OpenEx", "ResetDevice", "Purge", "SetTimeouts", "Write", "Read",
                                                     "EE_UARead", "Close"}));
}

TEST_F(LinkSim, LibraryStatusesPassThrough) {
    Configure({{"generators",
                {{{"faults", {{"user_area", 11}, {"writes", {{{"at", 1}, {"status", 10}}}}}}}}}});
    DeviceHandle h = nullptr;
    ASSERT_EQ(OpenGenerator(nullptr, h), LINK_OK);
    const Bytes request = Frame({0xB4, 0x00, 0x01, 0x00, 0x00, 0x4B});
    std::array<uint8_t, 6> reply{};
    EXPECT_EQ(Transact(h, request.data(), 6, reply.data(), 6), 10);
    std::array<uint8_t, UserAreaSize> area{};
    EXPECT_EQ(ReadUserArea(h, area.data()), 11);
    CloseGenerator(h);
    // A failed write is not followed by a read.
    EXPECT_TRUE(Reads().empty());
}

// Loading refuses a missing file and a library that lacks one entry point,
// and leaves nothing loaded; the simulator is then loaded again.
TEST(LibraryLoading, MissingFileOrEntryPointIsRefused) {
    Sim();
    const std::string simulator = std::getenv("KDX_D2XX_LIBRARY");
    FreeDeviceLibrary();

    setenv("KDX_D2XX_LIBRARY", "/nonexistent/libftd2xx.so", 1);
    EXPECT_FALSE(LoadDeviceLibrary());
    EXPECT_FALSE(IsDeviceLibraryLoaded());
    EXPECT_EQ(LastLibraryLoadError().kind, LibraryLoadFailure::LibraryNotFound);

    setenv("KDX_D2XX_LIBRARY", KDX_SIM_MISSING_ENTRY_LIBRARY, 1);
    EXPECT_FALSE(LoadDeviceLibrary());
    EXPECT_FALSE(IsDeviceLibraryLoaded());
    EXPECT_EQ(LastLibraryLoadError().kind, LibraryLoadFailure::EntryPointMissing);
    EXPECT_EQ(LastLibraryLoadError().detail, "FT_EE_UARead");
    // Without a library no generator is reachable.
    int count = -1;
    char* none[] = {nullptr};
    EXPECT_NE(ListGenerators(none, count), LINK_OK);
    EXPECT_EQ(count, 0);

    setenv("KDX_D2XX_LIBRARY", simulator.c_str(), 1);
    EXPECT_TRUE(LoadDeviceLibrary());
}

}  // namespace
}  // namespace kdx::simtest
