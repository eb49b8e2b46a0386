// kdx-tool apply kinds of the two dialogs that work on data rather than a
// shape: `import` (the external data dialog) and `modify-analog` (the
// waveform modification dialog).
#pragma once

#include "ApplyCommands.h"

namespace kdx::tool {

void AddImportApplyKinds(CLI::App* apply, const ApplyTarget& target, int& exitCode);

}  // namespace kdx::tool
