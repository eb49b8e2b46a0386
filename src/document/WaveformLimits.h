// Capacities and time-base limits shared by the document, the file, the view
// and the generator link.
#pragma once

#include <cstdint>

namespace kdx {

inline constexpr uint32_t MaxSampleCount = 262144;  // capacity of every sample array
inline constexpr int DigitalChannelCount = 4;       // CH0..CH3 have storage
inline constexpr int SignalNameCount = 9;           // analog, then digital 0..7
inline constexpr uint32_t BaseClockNs = 20;         // every sampling time is a multiple
inline constexpr uint32_t MaxSamplingStep = 16777216;
inline constexpr int64_t MinSamplingTimeNs = BaseClockNs;
inline constexpr int64_t MaxSamplingTimeNs = int64_t{MaxSamplingStep} * BaseClockNs;  // 335 544 320
inline constexpr uint32_t FileFormatVersion = 16;
inline constexpr const char* ProgramVersionText = "6.1";
inline constexpr const char* ProgramBuildSuffix = "";

// Channel numbers of the multi-channel undo and edit kinds.
inline constexpr int32_t UndoKindAnalog = -1;
inline constexpr int32_t UndoKindAllDigital = -2;
inline constexpr int32_t UndoKindTimeBase = -10;

}  // namespace kdx
