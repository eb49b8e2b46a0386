#include "SimConfig.h"

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

namespace kdx::sim {
namespace {

using nlohmann::json;

// Settings in record order; index 8 is the retrigger flag.
constexpr const char* SettingNames[9] = {"startStopControl", "outputMode",      "analogIdleOutput",
                                         "digitalIdleOutput", "triggerMode",    "triggerPolarity",
                                         "syncPolarity",      "syncPulseWidth", "retrigger"};

// Register-protocol settings word: bit position of each setting above.
constexpr int SettingBits[9] = {0, 2, 4, 5, 8, 9, 6, 7, 10};

uint16_t SettingsWord(const std::array<uint8_t, 9>& s) {
    uint16_t word = uint16_t(s[0] & 3);
    for (int i = 1; i < 9; ++i) {
        word = uint16_t(word | (s[size_t(i)] & 1) << SettingBits[i]);
    }
    return word;
}

std::array<uint8_t, 9> SettingsFromWord(uint16_t word) {
    std::array<uint8_t, 9> s{};
    s[0] = uint8_t(word & 3);
    for (int i = 1; i < 9; ++i) {
        s[size_t(i)] = uint8_t(word >> SettingBits[i] & 1);
    }
    return s;
}

void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

std::string UsbSerialFor(const std::string& userSerial) {
    std::string tail = userSerial.size() > 4 ? userSerial.substr(userSerial.size() - 4) : userSerial;
    return (tail == "0002" ? "QZ0000" : "QZ1001") + tail;
}

struct UserAreaFields {
    std::string head = "VELX-9 EEPROM UA";  // bytes 0..18, not interpreted by the host
    int selector = -1;                       // -1: from the protocol
    std::string serialText;
    uint32_t code1 = 410;
    uint32_t code2 = 3686;
    int32_t volt1 = -100000;  // 10 uV units: -1 V
    int32_t volt2 = 100000;   // +1 V
};

void BuildUserArea(const UserAreaFields& f, bool registerProtocol, std::array<uint8_t, SimUserAreaSize>& area) {
    area.fill(0);
    std::memcpy(area.data(), f.head.data(), std::min<size_t>(f.head.size(), 19));
    area[19] = uint8_t(f.selector >= 0 ? f.selector : (registerProtocol ? 1 : 0));
    std::memcpy(area.data() + 20, f.serialText.data(), std::min<size_t>(f.serialText.size(), 16));
    PutLe16(area.data() + 36, f.code1);
    PutLe16(area.data() + 38, f.code2);
    PutLe32(area.data() + 40, uint32_t(f.volt1));
    PutLe32(area.data() + 44, uint32_t(f.volt2));
    PutLe16(area.data() + 48, UserAreaSum(area));
}

std::vector<uint8_t> ParseHex(const std::string& text) {
    std::vector<uint8_t> bytes;
    int nibble = -1;
    for (char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c == ' ' || c == ',' || c == ':') continue;
        else throw std::runtime_error("bad hex digit in user_area.hex");
        if (nibble < 0) {
            nibble = v;
        } else {
            bytes.push_back(uint8_t(nibble << 4 | v));
            nibble = -1;
        }
    }
    if (nibble >= 0) throw std::runtime_error("odd number of hex digits in user_area.hex");
    return bytes;
}

template <typename T>
void Take(const json& j, const char* key, T& out) {
    if (j.contains(key)) out = j.at(key).get<T>();
}

std::vector<CallFault> ParseCallFaults(const json& list) {
    std::vector<CallFault> faults;
    for (const json& f : list) {
        CallFault fault;
        fault.at = f.at("at").get<int64_t>();
        Take(f, "status", fault.status);
        Take(f, "bytes", fault.bytes);
        faults.push_back(fault);
    }
    return faults;
}

std::vector<ReplyFault> ParseReplyFaults(const json& list) {
    std::vector<ReplyFault> faults;
    for (const json& f : list) {
        ReplyFault fault;
        Take(f, "at", fault.at);
        Take(f, "register", fault.reg);
        Take(f, "command", fault.command);
        if (f.contains("wrong_echo")) {
            fault.kind = ReplyFault::Kind::WrongEcho;
            fault.byte = f.at("wrong_echo").get<int>();
        } else if (f.contains("short")) {
            fault.kind = ReplyFault::Kind::Short;
            fault.bytes = f.at("short").get<uint32_t>();
        } else if (f.contains("status")) {
            fault.kind = ReplyFault::Kind::Status;
            fault.status = f.at("status").get<int>();
        } else {
            throw std::runtime_error("a reply fault needs wrong_echo, short or status");
        }
        faults.push_back(fault);
    }
    return faults;
}

GeneratorSetup ParseGenerator(const json& g, int index) {
    GeneratorSetup setup;
    GeneratorConfig& c = setup.config;
    GeneratorMemory& m = setup.memory;

    if (g.contains("protocol")) {
        const std::string protocol = g.at("protocol").get<std::string>();
        if (protocol != "register" && protocol != "block") {
            throw std::runtime_error("protocol must be \"register\" or \"block\"");
        }
        c.registerProtocol = protocol == "register";
        c.version = c.registerProtocol ? 1 : 2;
    }
    std::string userSerial = "2026" + std::string(index < 9 ? "000" : "00") + std::to_string(index + 1);
    Take(g, "user_serial", userSerial);
    c.usbSerial = UsbSerialFor(userSerial);
    Take(g, "usb_serial", c.usbSerial);
    Take(g, "description", c.description);
    Take(g, "version", c.version);
    Take(g, "sink", c.sink);

    UserAreaFields ua;
    ua.serialText = "VELX9SN-" + userSerial;
    const json ju = g.value("user_area", json::object());
    Take(ju, "head", ua.head);
    Take(ju, "selector", ua.selector);
    Take(ju, "serial_text", ua.serialText);
    Take(ju, "code1", ua.code1);
    Take(ju, "code2", ua.code2);
    Take(ju, "volt1", ua.volt1);
    Take(ju, "volt2", ua.volt2);
    BuildUserArea(ua, c.registerProtocol, c.userArea);
    if (ju.contains("checksum")) {
        PutLe16(c.userArea.data() + 48, ju.at("checksum").get<uint32_t>());
    }
    if (ju.value("bad_checksum", false)) {
        PutLe16(c.userArea.data() + 48, uint32_t(UserAreaSum(c.userArea) + 1));
    }
    if (ju.contains("hex")) {
        std::vector<uint8_t> bytes = ParseHex(ju.at("hex").get<std::string>());
        if (bytes.size() != SimUserAreaSize) throw std::runtime_error("user_area.hex must hold 50 bytes");
        std::memcpy(c.userArea.data(), bytes.data(), SimUserAreaSize);
    }
    Take(ju, "length", c.userAreaLength);

    const json js = g.value("state", json::object());
    Take(js, "running", m.running);
    Take(js, "data_loaded", m.dataLoaded);
    Take(js, "data_id", m.dataId);
    Take(js, "sample_count", m.sampleCount);
    Take(js, "sampling_step", m.samplingStep);
    const json jset = js.value("settings", json::object());
    for (int i = 0; i < 9; ++i) {
        Take(jset, SettingNames[i], m.settings[size_t(i)]);
    }
    Take(jset, "repeatCount", m.repeatCount);
    // The register generator holds the same state in its registers.
    const uint32_t last = m.sampleCount > 0 ? m.sampleCount - 1 : 0;
    const uint32_t divider = m.samplingStep > 0 ? m.samplingStep - 1 : 0;
    m.registers[2] = uint16_t(last);
    m.registers[3] = uint16_t(last >> 16);
    m.registers[4] = uint16_t(divider);
    m.registers[5] = uint16_t(divider >> 16);
    m.registers[6] = uint16_t(m.repeatCount - 1);
    m.registers[7] = SettingsWord(m.settings);
    m.registers[9] = m.dataLoaded ? 1 : 0;
    if (js.contains("settings_word")) {
        m.registers[7] = js.at("settings_word").get<uint16_t>();
    }

    const json jf = g.value("faults", json::object());
    Take(jf, "open", c.openStatus);
    Take(jf, "reset", c.resetStatus);
    Take(jf, "purge", c.purgeStatus);
    Take(jf, "timeouts", c.timeoutsStatus);
    Take(jf, "user_area", c.userAreaStatus);
    Take(jf, "list_description", c.listDescriptionStatus);
    Take(jf, "list_serial", c.listSerialStatus);
    Take(jf, "data_error", c.dataError);
    Take(jf, "unplug_after_writes", c.unplugAfterWrites);
    if (jf.contains("replies")) c.replyFaults = ParseReplyFaults(jf.at("replies"));
    if (jf.contains("writes")) c.writeFaults = ParseCallFaults(jf.at("writes"));
    if (jf.contains("reads")) c.readFaults = ParseCallFaults(jf.at("reads"));
    return setup;
}

}  // namespace

uint16_t UserAreaSum(const std::array<uint8_t, SimUserAreaSize>& area) {
    uint32_t sum = 0;
    for (size_t i = 0; i < 48; i += 2) {
        sum += uint32_t(area[i] | area[i + 1] << 8);
    }
    return uint16_t(sum);
}

GeneratorSetup DefaultGenerator(int index) {
    return ParseGenerator(json::object(), index);
}

SimSetup DefaultSetup() {
    SimSetup setup;
    setup.generators.push_back(DefaultGenerator(0));
    return setup;
}

bool ParseSimConfig(const std::string& text, SimSetup& out, std::string& error) {
    try {
        const json j = json::parse(text);
        SimSetup setup;
        Take(j, "list_status", setup.listStatus);
        Take(j, "state_file", setup.stateFile);
        if (j.contains("log")) {
            if (j.at("log").is_boolean()) {
                setup.logToMemory = j.at("log").get<bool>();
            } else {
                setup.logPath = j.at("log").get<std::string>();
            }
        }
        int index = 0;
        for (const json& g : j.value("generators", json::array())) {
            setup.generators.push_back(ParseGenerator(g, index++));
        }
        out = std::move(setup);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

std::string SaveHeldState(const std::vector<const SimGenerator*>& generators) {
    json all = json::object();
    for (const SimGenerator* g : generators) {
        const GeneratorMemory& m = g->Memory();
        all[g->Config().usbSerial] = {
            {"running", m.running},         {"data_loaded", m.dataLoaded},     {"registers", m.registers},
            {"data_id", m.dataId},          {"sample_count", m.sampleCount},   {"sampling_step", m.samplingStep},
            {"repeat_count", m.repeatCount}, {"settings", m.settings},         {"received_samples", m.receivedSamples},
            {"play_start_ns", g->PlayStartNs()}, {"transfer_error", g->TransferErrorFlag()}};
    }
    return all.dump();
}

void RestoreHeldState(const std::string& text, const std::vector<SimGenerator*>& generators) {
    const json all = json::parse(text, nullptr, false);
    if (!all.is_object()) {
        return;
    }
    for (SimGenerator* g : generators) {
        if (!all.contains(g->Config().usbSerial)) {
            continue;
        }
        try {
            const json& j = all.at(g->Config().usbSerial);
            GeneratorMemory m;
            m.running = j.at("running").get<bool>();
            m.dataLoaded = j.at("data_loaded").get<bool>();
            m.registers = j.at("registers").get<std::array<uint16_t, 10>>();
            m.dataId = j.at("data_id").get<int32_t>();
            m.sampleCount = j.at("sample_count").get<uint32_t>();
            m.samplingStep = j.at("sampling_step").get<uint32_t>();
            m.repeatCount = j.at("repeat_count").get<int32_t>();
            m.settings = j.at("settings").get<std::array<uint8_t, 9>>();
            m.receivedSamples = j.at("received_samples").get<uint32_t>();
            g->Restore(m, j.at("play_start_ns").get<int64_t>(), j.at("transfer_error").get<bool>());
        } catch (const std::exception&) {
            // A damaged entry leaves that generator as configured.
        }
    }
}

std::string StateJson(const std::vector<const SimGenerator*>& generators) {
    json list = json::array();
    for (const SimGenerator* g : generators) {
        const GeneratorMemory& m = g->Memory();
        const bool reg = g->Config().registerProtocol;
        json settings = json::object();
        const std::array<uint8_t, 9> s = reg ? SettingsFromWord(m.registers[7]) : m.settings;
        for (int i = 0; i < 9; ++i) {
            settings[SettingNames[i]] = s[size_t(i)];
        }
        settings["repeatCount"] = reg ? int32_t{m.registers[6]} + 1 : m.repeatCount;
        json o = {
            {"usb_serial", g->Config().usbSerial},
            {"protocol", reg ? "register" : "block"},
            {"open", g->IsOpen()},
            {"unplugged", g->Unplugged()},
            {"running", m.running},
            {"data_loaded", m.dataLoaded},
            {"received_samples", m.receivedSamples},
            {"settings", settings},
        };
        if (reg) {
            o["registers"] = m.registers;
            o["status"] = g->StatusRegister();
        } else {
            o["data_id"] = m.dataId;
            o["sample_count"] = m.sampleCount;
            o["sampling_step"] = m.samplingStep;
        }
        list.push_back(o);
    }
    return list.dump();
}

}  // namespace kdx::sim
