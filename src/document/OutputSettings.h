// The generator's output settings as the document stores them and the file
// carries them; their encoding for the generator belongs to the device layer.
#pragma once

#include <cstdint>

namespace kdx {

struct OutputSettings {
    uint8_t startStopControl = 0;   // 0 remote, 1 manual button, 2 external trigger
    uint8_t outputMode = 0;         // 0 continuous, 1 repeat
    uint8_t analogIdleOutput = 0;   // 0 disabled, 1 start data
    uint8_t digitalIdleOutput = 0;  // 0 disabled, 1 start data
    uint8_t triggerMode = 0;        // 0 level, 1 edge
    uint8_t triggerPolarity = 0;    // 0 positive, 1 negative
    uint8_t syncPolarity = 0;       // 0 positive, 1 negative
    uint8_t syncPulseWidth = 0;     // 0 "10 uS", 1 "100 nS"
    int32_t repeatCount = 1;        // 1..65536
    uint8_t retrigger = 0;          // 0 disabled, 1 enabled

    friend bool operator==(const OutputSettings&, const OutputSettings&) = default;
};

// The eight one-byte fields in file and protocol order (the fields 1 to 8).
inline uint8_t* OutputByteField(OutputSettings& s, int index) {
    uint8_t* fields[8] = {&s.startStopControl, &s.outputMode, &s.analogIdleOutput, &s.digitalIdleOutput,
                          &s.triggerMode,      &s.triggerPolarity, &s.syncPolarity, &s.syncPulseWidth};
    return fields[index];
}
inline uint8_t OutputByteField(const OutputSettings& s, int index) {
    return *OutputByteField(const_cast<OutputSettings&>(s), index);
}

// Names of the ten fields as tools and logs show them, in record order.
inline constexpr const char* OutputByteFieldNames[8] = {
    "startStopControl", "outputMode",      "analogIdleOutput", "digitalIdleOutput",
    "triggerMode",      "triggerPolarity", "syncPolarity",     "syncPulseWidth"};

}  // namespace kdx
