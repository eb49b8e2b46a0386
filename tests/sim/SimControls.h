// The simulator's kdxsim_* controls, from the same loaded object as the
// link's, for any test program (GoogleTest, QtTest, benchmarks, screenshots).
#pragma once

#include <cstdint>
#include <string>

namespace kdx::simtest {

struct SimControls {
    int (*configure)(const char*) = nullptr;
    const char* (*lastError)() = nullptr;
    const char* (*log)() = nullptr;
    void (*clearLog)() = nullptr;
    const char* (*state)() = nullptr;
    uint32_t (*samples)(int, uint8_t*, uint32_t) = nullptr;
    int (*unsupportedCalls)() = nullptr;
    int (*openHandles)() = nullptr;
};

// Points KDX_D2XX_LIBRARY at simulatorPath (unless the environment already
// names a library), loads the device library and resolves the controls.
// False with the reason when either fails.
bool LoadSimControls(const char* simulatorPath, SimControls& out, std::string& error);

}  // namespace kdx::simtest
