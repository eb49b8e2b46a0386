// Feeds arbitrary text to the PWL reader; the first byte sets a small
// capacity, so that short inputs reach the limit.
//
// fuzz-max-len: 4096
#include "SignalTextFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint32_t capacity = 1 + data[0] % 16;
    std::vector<double> times(capacity), values(capacity);
    kdx::PwlParser parser(times.data(), values.data(), capacity);
    kdx::fuzz::CheckPoints(parser, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), times, values,
                           capacity);
    return 0;
}
