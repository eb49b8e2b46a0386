// Feeds arbitrary bytes to the value change dump reader. A dump is read whole
// or refused with its line and nothing kept; what is kept holds together
// (changes in time order, declared codes, values of 0, 1 and x only), and
// sampling it from anywhere gives words of four bits.
//
// fuzz-max-len: 4096
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "digital/VcdReader.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kdx::VcdData vcd;
    const kdx::VcdReadResult r = kdx::ParseVcd({data, size}, vcd);
    if (!r.Ok()) {
        Require(vcd.offered.empty() && vcd.changes.empty() && vcd.pool.empty());
        Require(r.message.find("VCD ファイル") == 0);
        return 0;
    }
    Require(!vcd.offered.empty());
    Require(vcd.scaleExponent >= 0 && vcd.scaleExponent <= 17);
    for (const kdx::VcdSignal& s : vcd.offered) Require(s.code < vcd.changes.size() && (!s.scalar || s.bit == 0));
    for (const auto& changes : vcd.changes) {
        for (size_t i = 0; i < changes.size(); ++i) {
            Require(changes[i].time <= vcd.lastTime && (i == 0 || changes[i - 1].time <= changes[i].time));
            Require(changes[i].len == 0 ? (changes[i].pos == '0' || changes[i].pos == '1' || changes[i].pos == 'x')
                                        : changes[i].pos + uint64_t{changes[i].len} <= vcd.pool.size());
        }
    }
    for (char c : vcd.pool) Require(c == '0' || c == '1' || c == 'x');
    Require(vcd.PeriodFrom(0) >= vcd.PeriodFrom(1) && vcd.PeriodFrom(1) >= 0);

    std::array<int, 4> chosen = vcd.DefaultSignals();
    chosen[3] = static_cast<int>(vcd.offered.size()) - 1;
    std::vector<uint8_t> words(64);
    for (const auto& [from, dt] : {std::pair<int64_t, int64_t>{0, 1}, {3, 7}, {999999999999, 1000000000}}) {
        const uint32_t unknown = kdx::SampleVcd(vcd, chosen, from, dt, 64, words.data());
        Require(unknown <= 64);
        for (uint8_t w : words) Require(w <= 15);
    }
    return 0;
}
