// Drives the device layer against the simulated generator, loaded the way the
// real library is (KDX_D2XX_LIBRARY), and reads back what the generator saw.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "SimControls.h"
#include "device/DeviceLink.h"

namespace kdx::simtest {

using Bytes = std::vector<uint8_t>;
using nlohmann::json;

// Points KDX_D2XX_LIBRARY at the simulator (unless the environment already
// does), loads the device library and the controls. Fails the test when
// either cannot be loaded.
const SimControls& Sim();
const char* SimulatorPath();

// Replaces the bus; the log is kept in memory.
void Configure(json bus);
json SimState();

// One call in the simulator's log.
struct LogCall {
    std::string name;  // "Write", "Read", "OpenEx", ...
    std::string line;
    uint32_t status = 0;
    Bytes bytes;  // Write and Read: the bytes moved
};
std::vector<LogCall> LogCalls();
// The bytes of every successful FT_Write, one entry per call.
std::vector<Bytes> Writes();
std::vector<Bytes> Reads();

// Byte helpers for expected frames.
Bytes Frame(std::initializer_list<int> bytes);
Bytes Concat(const std::vector<Bytes>& parts);
std::string Hex(const Bytes& bytes);

}  // namespace kdx::simtest
