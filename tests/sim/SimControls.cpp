#include "SimControls.h"

#include <dlfcn.h>

#include <cstdlib>

#include "device/DeviceLink.h"

namespace kdx::simtest {

namespace {

template <typename Fn>
bool Resolve(void* module, const char* name, Fn& out, std::string& error) {
    out = reinterpret_cast<Fn>(dlsym(module, name));
    if (!out) error = std::string("simulator lacks ") + name;
    return out != nullptr;
}

}  // namespace

bool LoadSimControls(const char* simulatorPath, SimControls& c, std::string& error) {
    setenv("KDX_D2XX_LIBRARY", simulatorPath, 0);
    if (!LoadDeviceLibrary()) {
        error = "device library not loaded: " + DescribeLibraryLoadError(LastLibraryLoadError());
        return false;
    }
    // The same file is already mapped by the link; this only takes a reference.
    void* module = dlopen(std::getenv("KDX_D2XX_LIBRARY"), RTLD_NOW);
    if (!module) {
        error = std::string("cannot open the simulator: ") + dlerror();
        return false;
    }
    return Resolve(module, "kdxsim_configure", c.configure, error) &&
           Resolve(module, "kdxsim_last_error", c.lastError, error) && Resolve(module, "kdxsim_log", c.log, error) &&
           Resolve(module, "kdxsim_clear_log", c.clearLog, error) && Resolve(module, "kdxsim_state", c.state, error) &&
           Resolve(module, "kdxsim_samples", c.samples, error) &&
           Resolve(module, "kdxsim_unsupported_calls", c.unsupportedCalls, error) &&
           Resolve(module, "kdxsim_open_handles", c.openHandles, error);
}

}  // namespace kdx::simtest
