// Feeds arbitrary text to the time-value table reader. The first byte chooses
// the time and value columns and a small capacity, so that short inputs reach
// the limit and every column choice is tried.
//
// fuzz-max-len: 4096
#include "SignalTextFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint32_t timeColumn = 1 + data[0] % 3, valueColumn = 1 + (data[0] / 3) % 3, capacity = 1 + data[0] / 9 % 16;
    std::vector<double> times(capacity), values(capacity);
    kdx::TableParser parser(timeColumn, valueColumn, times.data(), values.data(), capacity);
    kdx::fuzz::CheckPoints(parser, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), times, values,
                           capacity);
    return 0;
}
