#include "SimHarness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace kdx::simtest {

const char* SimulatorPath() {
    return KDX_SIM_LIBRARY;
}

namespace {

SimControls LoadControls() {
    SimControls c;
    std::string error;
    if (!LoadSimControls(SimulatorPath(), c, error)) ADD_FAILURE() << error;
    return c;
}

Bytes ParseHexList(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        bytes.push_back(uint8_t(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

}  // namespace

const SimControls& Sim() {
    static SimControls controls = LoadControls();
    // A test may have released the library (loading tests); take it again.
    if (!IsDeviceLibraryLoaded()) {
        EXPECT_TRUE(LoadDeviceLibrary());
    }
    return controls;
}

void Configure(json bus) {
    bus["log"] = true;
    const SimControls& sim = Sim();
    ASSERT_NE(sim.configure, nullptr);
    ASSERT_EQ(sim.configure(bus.dump().c_str()), 0) << sim.lastError();
}

json SimState() {
    return json::parse(Sim().state());
}

std::vector<LogCall> LogCalls() {
    std::vector<LogCall> calls;
    std::istringstream in(Sim().log());
    std::string line;
    while (std::getline(in, line)) {
        LogCall call;
        call.line = line;
        call.name = line.substr(0, line.find(' '));
        if (size_t eq = line.find(" = "); eq != std::string::npos) {
            call.status = uint32_t(std::stoul(line.substr(eq + 3)));
        }
        if (size_t colon = line.find(" :"); colon != std::string::npos) {
            call.bytes = ParseHexList(line.substr(colon + 2));
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

namespace {
std::vector<Bytes> Moved(const char* name) {
    std::vector<Bytes> out;
    for (const LogCall& c : LogCalls()) {
        if (c.name == name && c.status == 0) {
            out.push_back(c.bytes);
        }
    }
    return out;
}
}  // namespace

std::vector<Bytes> Writes() {
    return Moved("Write");
}

std::vector<Bytes> Reads() {
    return Moved("Read");
}

Bytes Frame(std::initializer_list<int> bytes) {
    Bytes out;
    for (int b : bytes) {
        out.push_back(uint8_t(b));
    }
    return out;
}

Bytes Concat(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::string Hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        if (!s.empty()) s += ' ';
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

}  // namespace kdx::simtest
