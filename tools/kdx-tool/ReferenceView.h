// The view block a freshly reset editor view holds for a waveform, computed
// for the reference client area of 1022 x 553 pixels, so that files written
// by the tool open in the editor with working zoom.
#pragma once

#include <cstdint>

#include "document/WaveformRecords.h"

namespace kdx::tool {

inline constexpr int ReferenceClientWidth = 1022;
inline constexpr int ReferenceClientHeight = 553;

ViewBlock ReferenceViewBlock(uint32_t sampleCount);

}  // namespace kdx::tool
