// kdx-tool's generator commands, run as a separate process against the
// simulated generator: stdout JSON, stderr texts, exit statuses, and the bytes
// the generator received.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>
#include <string>

#include "document/WaveformFile.h"
#include "support/ToolProcess.h"

namespace kdx {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

using testing::ReadText;
using testing::ToolRun;

class DeviceCommands : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("kdx_tool_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A new bus, and a fresh log for it.
    void Bus(const json& bus) {
        std::ofstream(dir / "bus.json") << bus.dump();
        fs::remove(dir / "sim.log");
    }

    // Runs kdx-tool with the simulator (or another library) as its D2XX library.
    ToolRun Tool(const std::string& args, const std::string& library = KDX_SIM_LIBRARY) {
        std::string environment;
        if (!library.empty()) environment += "KDX_D2XX_LIBRARY='" + library + "' ";
        else environment += "env -u KDX_D2XX_LIBRARY ";
        environment += "KDX_SIM_STATE= ";  // only a test that asks for one keeps state
        environment += "KDX_SIM_CONFIG='" + (dir / "bus.json").string() + "' ";
        environment += "KDX_SIM_LOG='" + (dir / "sim.log").string() + "' ";
        return testing::RunTool(environment, args, dir);
    }

    std::string SimLog() { return ReadText(dir / "sim.log"); }

    // A waveform file of three samples at 200 ns with these output settings.
    std::string WriteFile(const OutputSettings& output, double middle = 0.0, int32_t dataId = 77) {
        WaveformHeader header;
        header.sampleCount = 3;
        header.samplingStep = 10;
        header.totalTimeNs = 3 * 10 * 20;
        header.dataId = dataId;
        header.output = output;
        SampleBuffers buffers;
        buffers.analog[0] = -1.0;
        buffers.analog[1] = middle;
        buffers.analog[2] = 1.0;
        buffers.digital[0][1] = 1;
        buffers.digital[3][2] = 1;
        const fs::path path = dir / "wave.kdx";
        std::string message;
        EXPECT_TRUE(WriteWaveformFile(path, header, ArraysOf(std::as_const(buffers)), DialogMemories{}, message))
            << message;
        return path.string();
    }

    fs::path dir;
};

TEST_F(DeviceCommands, DevicesListsEveryGeneratorOrItsError) {
    Bus({{"generators",
          {{{"user_serial", "11110001"}},
           {{"protocol", "block"},
            {"user_serial", "22220002"},
            {"version", 4},
            {"user_area", {{"code1", 0}, {"code2", 4000}, {"volt1", 0}, {"volt2", 200000}}},
            {"state", {{"running", true}, {"data_loaded", true}}}},
           {{"user_serial", "33330003"}, {"faults", {{"open", 3}}}},
           {{"user_serial", "44440004"}, {"user_area", {{"length", 40}}}},
           {{"user_serial", "55550005"}, {"user_area", {{"bad_checksum", true}}}}}}});
    const ToolRun run = Tool("devices");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json list = json::parse(run.out);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0], json::parse(R"({"usb_serial":"QZ10010001","user_serial":"11110001","protocol":"register",
        "version":1,"running":false,"data_loaded":false,"calibration":{"slope":1638.0,"intercept":2048.0}})"));
    EXPECT_EQ(list[1]["usb_serial"], "QZ00000002");
    EXPECT_EQ(list[1]["protocol"], "block");
    EXPECT_EQ(list[1]["version"], 4);
    EXPECT_EQ(list[1]["running"], true);
    EXPECT_EQ(list[1]["data_loaded"], true);
    EXPECT_EQ(list[1]["calibration"], json::parse(R"({"slope":2000.0,"intercept":0.0})"));
    EXPECT_EQ(list[2], json::parse(R"({"usb_serial":"QZ10010003","error":3})"));
    EXPECT_EQ(list[3], json::parse(R"({"usb_serial":"QZ10010004","error":20})"));
    EXPECT_EQ(list[4]["user_serial"], "55550005");
    EXPECT_TRUE(list[4]["calibration"].is_null());
    // Every generator opened was closed again; nothing else was touched.
    const std::string log = SimLog();
    EXPECT_EQ(log.find("Unsupported"), std::string::npos);
}

TEST_F(DeviceCommands, WithoutAUsableLibraryEveryCommandSaysSo) {
    Bus({{"generators", {json::object()}}});
    ToolRun run = Tool("devices", "/nonexistent/libftd2xx.so");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("/nonexistent/libftd2xx.so"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());

    run = Tool("status", KDX_SIM_MISSING_ENTRY_LIBRARY);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("FT_EE_UARead"), std::string::npos) << run.err;

    // No variable at all: the vendor's library by name, absent on a test machine.
    if (void* vendor = dlopen("libftd2xx.so", RTLD_NOW)) {
        dlclose(vendor);
        GTEST_SKIP() << "the vendor's library is installed here";
    }
    run = Tool("devices", "");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("libftd2xx.so"), std::string::npos) << run.err;
}

TEST_F(DeviceCommands, SendWritesTheFilesSamplesAndSettings) {
    Bus({{"generators", {{{"protocol", "block"}}}}});
    OutputSettings output;
    output.outputMode = 1;
    output.repeatCount = 5;
    output.syncPulseWidth = 1;
    const ToolRun run = Tool("send '" + WriteFile(output) + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.empty());
    // Header, then the parameter block (data identity 77, 3 samples, step 10,
    // repeat 5, mode 1, pulse width 1), then the words.
    const std::string log = SimLog();
    EXPECT_NE(log.find("Write g0 length=4 = 0 written=4 : 10 01 00 00\n"), std::string::npos) << log;
    EXPECT_NE(log.find("written=256 : 4D 00 00 00 03 00 00 00 0A 00 00 00 05 00 00 00 00 01 00 00 00 00 00 01 00"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("written=6 : 9A 01 00 18 66 8E\n"), std::string::npos) << log;
}

// The settings sent are the document's after Open: a waveform of 20 uS or
// more gets the long sync pulse whatever the file says, and a file of another
// format version gets a fresh data identity.
TEST_F(DeviceCommands, SendAppliesTheDocumentsRulesToTheFile) {
    Bus({{"generators", {{{"protocol", "block"}}}}});
    OutputSettings output;
    output.syncPulseWidth = 1;
    WaveformHeader header;
    header.sampleCount = 1000;
    header.samplingStep = 1;
    header.totalTimeNs = 20000;
    header.dataId = 77;
    header.formatVersion = 15;
    header.output = output;
    SampleBuffers buffers;
    const fs::path path = dir / "old.kdx";
    std::string message;
    ASSERT_TRUE(WriteWaveformFile(path, header, ArraysOf(std::as_const(buffers)), DialogMemories{}, message));

    ASSERT_EQ(Tool("send '" + path.string() + "'").exitCode, 0);
    const std::string log = SimLog();
    // Parameter block: identity, count 1000 (E8 03), step 1, repeat 1, then
    // the eight settings bytes with the pulse width (the last) now 0.
    const size_t block = log.find("written=256 : ");
    ASSERT_NE(block, std::string::npos) << log;
    const std::string bytes = log.substr(block + 14, 24 * 3);
    EXPECT_NE(bytes.substr(0, 12), "4D 00 00 00 ") << bytes;
    EXPECT_EQ(bytes.substr(12, 36), "E8 03 00 00 01 00 00 00 01 00 00 00 ") << bytes;
    EXPECT_EQ(bytes.substr(48), "00 00 00 00 00 00 00 00 ") << bytes;
}

TEST_F(DeviceCommands, SendRefusesAnInvalidRepeatCountBeforeTouchingTheGenerator) {
    Bus({{"generators", {json::object()}}});
    OutputSettings output;
    output.outputMode = 1;
    output.repeatCount = 65537;
    const ToolRun run = Tool("send '" + WriteFile(output) + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "繰り返し回数が不正です。\n");
    EXPECT_EQ(SimLog().find("OpenEx"), std::string::npos);
}

TEST_F(DeviceCommands, SendFailuresGiveThePanelsMessageAndTheStatus) {
    Bus({{"generators", {{{"protocol", "block"}, {"faults", {{"replies", {{{"status", 2}}}}}}}}}});
    ToolRun run = Tool("send '" + WriteFile(OutputSettings{}) + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "データ設定できませんでした。\nthe generator refused (link status 22)\n");

    Bus({{"generators", {{{"user_area", {{"bad_checksum", true}}}}}}});
    run = Tool("send '" + WriteFile(OutputSettings{}) + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "データ設定できませんでした。\nthe generator's user area is invalid (link status 20)\n");
    EXPECT_EQ(SimLog().find("Write"), std::string::npos);

    run = Tool("send '" + (dir / "missing.kdx").string() + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, std::string(MsgFileOpenError) + "\n" + (dir / "missing.kdx").string() +
                           ": No such file or directory\n");
}

TEST_F(DeviceCommands, SerialIsConvertedAsThePanelDoes) {
    Bus({{"generators",
          {{{"user_serial", "12345678"}, {"state", {{"data_loaded", true}}}}, {{"user_serial", "87650002"}}}}});
    EXPECT_EQ(Tool("start --serial 00005678").exitCode, 0);
    EXPECT_EQ(Tool("stop --serial 0002").exitCode, 0);
    const std::string log = SimLog();
    EXPECT_NE(log.find("OpenEx serial=\"QZ10015678\" = 0 g0"), std::string::npos) << log;
    EXPECT_NE(log.find("OpenEx serial=\"QZ00000002\" = 0 g1"), std::string::npos) << log;
    EXPECT_NE(log.find("Write g0 length=6 = 0 written=6 : D2 00 00 01 00 2D"), std::string::npos);
    EXPECT_NE(log.find("Write g1 length=6 = 0 written=6 : D2 00 00 02 00 2D"), std::string::npos);

    const ToolRun run = Tool("force-stop --serial 99999999");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "強制ストップできませんでした。\nno generator was found (link status 2)\n");
}

TEST_F(DeviceCommands, CommandFailuresGiveThePanelsMessages) {
    const std::pair<const char*, const char*> cases[] = {{"start", "スタートできませんでした。"},
                                                         {"stop", "ストップできませんでした。"},
                                                         {"force-stop", "強制ストップできませんでした。"}};
    for (const auto& [command, message] : cases) {
        SCOPED_TRACE(command);
        Bus({{"generators", {{{"protocol", "block"}, {"faults", {{"replies", {{{"wrong_echo", 0}}}}}}}}}});
        const ToolRun run = Tool(command);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, std::string(message) + "\ntransfer error (link status 21)\n");
    }
}

TEST_F(DeviceCommands, StatusShowsThePanelsStateAndTheHeldSettings) {
    const json settings = {{"startStopControl", 2}, {"outputMode", 1},   {"analogIdleOutput", 0},
                           {"digitalIdleOutput", 1}, {"triggerMode", 1}, {"triggerPolarity", 0},
                           {"syncPolarity", 1},      {"syncPulseWidth", 0}, {"repeatCount", 65536},
                           {"retrigger", 1}};
    struct Case {
        bool running, loaded;
        const char* state;
    };
    const Case cases[] = {{false, false, "VELX-9 未設定"},
                          {false, true, "VELX-9 レディ"},
                          {true, true, "VELX-9 動作中"},
                          {true, false, "VELX-9 異常"}};
    for (const char* protocol : {"register", "block"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(protocol) + " " + c.state);
            // The longest waveform: a repeat run that does not end during the test.
            const json state = {{"running", c.running},  {"data_loaded", c.loaded},
                                {"sample_count", 262144}, {"sampling_step", 16777216},
                                {"settings", settings}};
            Bus({{"generators", {{{"protocol", protocol}, {"version", 2}, {"state", state}}}}});
            const ToolRun run = Tool("status");
            ASSERT_EQ(run.exitCode, 0) << run.err;
            const json j = json::parse(run.out);
            EXPECT_EQ(j, json({{"state", c.state},
                               {"version", 2},
                               {"running", c.running},
                               {"data_loaded", c.loaded},
                               {"settings", settings}}));
        }
    }

    Bus({{"generators", json::array()}});
    const ToolRun run = Tool("status");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "VELX-9 未接続\nno generator was found (link status 2)\n");
}

// With a state file the simulated generator keeps what it holds from one
// kdx-tool process to the next, as a real one does.
TEST_F(DeviceCommands, SendStartAndStopAcrossProcesses) {
    Bus({{"state_file", (dir / "held.json").string()}, {"generators", {{{"protocol", "block"}}}}});
    OutputSettings output;
    output.repeatCount = 9;
    ASSERT_EQ(Tool("send '" + WriteFile(output) + "'").exitCode, 0);
    ToolRun run = Tool("status");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)["state"], "VELX-9 レディ");
    EXPECT_EQ(json::parse(run.out)["settings"]["repeatCount"], 9);

    ASSERT_EQ(Tool("start").exitCode, 0);
    run = Tool("status");
    EXPECT_EQ(json::parse(run.out)["state"], "VELX-9 動作中");  // continuous: runs until stopped
    ASSERT_EQ(Tool("stop").exitCode, 0);
    run = Tool("status");
    EXPECT_EQ(json::parse(run.out)["state"], "VELX-9 レディ");
}

// What the generator holds is read back: no start without a waveform, no
// send that reports success while the generator holds something else, and
// status says whether it holds a file's waveform where the protocol can tell.
TEST_F(DeviceCommands, CommandsCheckWhatTheGeneratorHolds) {
    Bus({{"generators", {json::object()}}});
    ToolRun run = Tool("start");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "スタートできませんでした。\nthe generator holds no waveform: no waveform is loaded (send one first)\n");
    EXPECT_EQ(SimLog().find("D2 00 00 01 00 2D"), std::string::npos);

    // Register 7 read back with its low byte inverted.
    Bus({{"generators", {{{"faults", {{"replies", {{{"register", 7}, {"wrong_echo", 3}}}}}}}}}});
    run = Tool("send '" + WriteFile(OutputSettings{}) + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "データ設定できませんでした。\nthe generator holds other values than were sent: startStopControl, "
                       "outputMode, analogIdleOutput, digitalIdleOutput, syncPolarity, syncPulseWidth\n");

    for (const char* protocol : {"register", "block"}) {
        SCOPED_TRACE(protocol);
        fs::remove(dir / "held.json");
        Bus({{"state_file", (dir / "held.json").string()}, {"generators", {{{"protocol", protocol}}}}});
        const std::string other = (dir / "other.kdx").string();
        fs::rename(WriteFile(OutputSettings{}, 0.0, 78), other);
        const std::string sent = WriteFile(OutputSettings{});
        ASSERT_EQ(Tool("send '" + sent + "'").exitCode, 0);
        const bool block = protocol == std::string("block");
        for (const auto& [file, held] : {std::pair(sent, json(true)), std::pair(other, json(false))}) {
            run = Tool("status '" + file + "'");
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(json::parse(run.out)["holds_file"], block ? held : json(nullptr)) << file;
        }
    }
}

// The device list's rule holds everywhere: a bridge whose serial is longer
// than a generator's is neither listed nor opened as the first generator.
TEST_F(DeviceCommands, ADeviceTheListLeavesOutIsNeverOpened) {
    Bus({{"generators", {{{"usb_serial", "QZ100100012"}, {"state", {{"data_loaded", true}}}}}}});
    EXPECT_EQ(json::parse(Tool("devices").out), json::array());
    for (const char* command : {"status", "start", "stop"}) {
        const ToolRun run = Tool(command);
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_NE(run.err.find("\nno generator was found (link status 2)\n"), std::string::npos) << run.err;
    }
    EXPECT_EQ(SimLog().find("OpenEx"), std::string::npos);
}

TEST_F(DeviceCommands, SendRefusesASampleThatIsNotANumber) {
    Bus({{"generators", {json::object()}}});
    const std::string path = WriteFile(OutputSettings{}, std::nan(""));
    const ToolRun run = Tool("send '" + path + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "数値でないアナログデータがあります（2 番目、200 nS）。\n\nデータ転送を中止しました。\n" + path + "\n");
    EXPECT_EQ(SimLog().find("OpenEx"), std::string::npos);
}

TEST_F(DeviceCommands, UsageErrorsExitWithTwo) {
    Bus({{"generators", {json::object()}}});
    EXPECT_EQ(Tool("send").exitCode, 2);
    EXPECT_EQ(Tool("status --bogus").exitCode, 2);
    EXPECT_EQ(Tool("start --serial").exitCode, 2);
}

}  // namespace
}  // namespace kdx
