// Feeds arbitrary bytes to the serial dialog's bit reader (see DigitalTextFuzz.h).
//
// fuzz-max-len: 4096
#include "DigitalTextFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kdx::fuzz::CheckText(data, size, kdx::DigitalTextKind::Bits);
    return 0;
}
