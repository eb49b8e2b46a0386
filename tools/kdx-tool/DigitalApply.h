// kdx-tool apply's digital kinds: the clock, serial, parallel, modification,
// shift, swap and protocol (uart, spi, i2c) dialogs and the channel commands
// invert, clear and copy, each through the dialog's form or the document's
// command as the editor runs it.
#pragma once

#include "ApplyCommands.h"

namespace kdx::tool {

void AddDigitalApplyKinds(CLI::App* apply, const ApplyTarget& target, int& exitCode);

}  // namespace kdx::tool
