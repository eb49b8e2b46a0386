// The simulator's configuration: which generators are attached, what they
// hold, which faults they show and where the log goes (format in README.md).
#pragma once

#include <string>
#include <vector>

#include "SimGenerator.h"

namespace kdx::sim {

struct GeneratorSetup {
    GeneratorConfig config;
    GeneratorMemory memory;
};

struct SimSetup {
    uint32_t listStatus = 0;  // FT_ListDevices(count) fails with this when non-zero
    std::string logPath;      // append the log to this file
    bool logToMemory = false; // keep the log for kdxsim_log()
    std::string stateFile;    // generators' state kept here between processes
    std::vector<GeneratorSetup> generators;
};

// One generator with factory contents, the index-th of a default bus.
GeneratorSetup DefaultGenerator(int index);
// The bus without a configuration file: one register-protocol generator.
SimSetup DefaultSetup();
// False with a message when the text is not a valid configuration.
bool ParseSimConfig(const std::string& text, SimSetup& out, std::string& error);
// 16-bit wrapping sum of the 24 little-endian words before the checksum.
uint16_t UserAreaSum(const std::array<uint8_t, SimUserAreaSize>& area);
// Held state of every generator by USB serial, for the state file.
std::string SaveHeldState(const std::vector<const SimGenerator*>& generators);
// Restores the generators found in the text; unknown serials and a text that
// is not valid are ignored (the generators keep their power-up state).
void RestoreHeldState(const std::string& text, const std::vector<SimGenerator*>& generators);
// The generator's state as JSON text (for tests and the README's examples).
std::string StateJson(const std::vector<const SimGenerator*>& generators);

}  // namespace kdx::sim
