// The generator commands of kdx-tool (devices, send, start, stop, force-stop,
// status), registered on the tool's command line.
#pragma once

namespace CLI {
class App;
}

namespace kdx::tool {

// Adds the device subcommands; a command that runs stores its exit status in
// exitCode (0 success, 1 file or device failure, 2 usage or invalid parameter).
void AddDeviceCommands(CLI::App& app, int& exitCode);

}  // namespace kdx::tool
