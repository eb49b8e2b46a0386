#include "digital/Protocols.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "units/UnitText.h"

namespace kdx {

namespace {

// The lines a protocol drives, each written from its last edge up to the
// next; a level holds until the next edge (or the end).
class Lines {
public:
    Lines(const LaneTargets& out, double dtNs) : out(out), dt(dtNs) {}

    // Times are never negative: adding a half and truncating rounds to nearest.
    uint64_t Sample(double ns) const { return static_cast<uint64_t>(ns / dt + 0.5); }
    void Begin(int ch, uint8_t level) {
        used[ch] = true;
        levels[ch] = level;
    }
    void Set(int ch, uint64_t sample, uint8_t level) {
        Fill(ch, sample);
        levels[ch] = level;
    }
    EncodedStretch End(double idealNs) {
        const uint64_t n = Sample(idealNs);
        for (int ch = 0; ch < 4; ++ch)
            if (used[ch]) Fill(ch, n);
        EncodedStretch e;
        e.samples = n;
        // The real rate is the asked one times the ideal length over the real one.
        if (n > 0) e.rateErrorPercent = (idealNs / (double(n) * dt) - 1.0) * 100.0;
        return e;
    }

private:
    void Fill(int ch, uint64_t until) {
        until = std::max(until, written[ch]);
        uint8_t* lane = out.lanes[ch];
        const uint64_t from = std::min<uint64_t>(written[ch], out.capacity);
        const uint64_t to = std::min<uint64_t>(until, out.capacity);
        if (lane != nullptr && to > from) std::memset(lane + from, levels[ch], to - from);
        written[ch] = until;
    }

    LaneTargets out;
    double dt;
    std::array<bool, 4> used{};
    std::array<uint8_t, 4> levels{};
    std::array<uint64_t, 4> written{};
};

uint8_t Bit(uint32_t value, int i) {
    return static_cast<uint8_t>((value >> i) & 1);
}

// A hexadecimal digit's value; -1 for any other character.
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

std::vector<int> DrivenChannels(const UartSettings& s) {
    return {s.channel};
}

std::vector<int> DrivenChannels(const SpiSettings& s) {
    return {s.sclk, s.mosi, s.cs};
}

std::vector<int> DrivenChannels(const I2cSettings& s) {
    return {s.scl, s.sda};
}

EncodedStretch EncodeUart(const UartSettings& s, const std::vector<uint8_t>& bytes, size_t byteLimit, double dtNs,
                          const LaneTargets& out) {
    // Time counts in half bits (for 1.5 stop bits); an edge k bits in lies at
    // k x bit / dt exactly as if counted in whole bits.
    const double half = UartBitNs(s.baud) / 2;
    const uint8_t idle = s.invert ? 0 : 1;
    Lines lines(out, dtNs);
    const auto at = [&](uint64_t h) { return lines.Sample(double(h) * half); };
    lines.Begin(s.channel, idle);
    uint64_t h = 2;  // one bit idle first
    const auto send = [&](uint8_t bit) {
        lines.Set(s.channel, at(h), bit ^ uint8_t(s.invert));
        h += 2;
    };
    const size_t count = std::min(byteLimit, bytes.size());
    for (size_t i = 0; i < count; ++i) {
        const uint32_t value = bytes[i];
        send(0);
        for (int k = 0; k < s.dataBits; ++k) send(Bit(value, s.msbFirst ? s.dataBits - 1 - k : k));
        const uint8_t ones = static_cast<uint8_t>(__builtin_popcount(value) & 1);
        switch (s.parity) {
            case UartParity::None: break;
            case UartParity::Odd: send(ones ^ 1); break;
            case UartParity::Even: send(ones); break;
            case UartParity::Mark: send(1); break;
            case UartParity::Space: send(0); break;
        }
        lines.Set(s.channel, at(h), idle);
        h += uint64_t(s.stopHalves) + 2 * uint64_t{s.gapBits};
    }
    return lines.End(double(h) * half);
}

EncodedStretch EncodeSpi(const SpiSettings& s, const std::vector<uint8_t>& bytes, size_t byteLimit, double dtNs,
                         const LaneTargets& out) {
    const double half = HalfClockNs(s.clockHz);
    const double lead = s.leadNs.value_or(half), lag = s.lagNs.value_or(half), gap = s.gapNs.value_or(half);
    // A time as so many half periods, leads, lags and gaps from the start.
    struct When {
        uint64_t halves = 1, leads = 0, lags = 0, gaps = 0;  // half a period idle first
    } t;
    const auto ns = [&](const When& w) {
        return double(w.halves) * half + double(w.leads) * lead + double(w.lags) * lag + double(w.gaps) * gap;
    };
    const uint8_t idleClock = static_cast<uint8_t>(s.mode >> 1 & 1);
    const bool phase = s.mode & 1;
    const uint8_t csIdle = s.csActiveHigh ? 0 : 1;
    Lines lines(out, dtNs);
    const auto set = [&](int ch, uint8_t level) { lines.Set(ch, lines.Sample(ns(t)), level); };
    lines.Begin(s.sclk, idleClock);
    lines.Begin(s.mosi, 0);
    lines.Begin(s.cs, csIdle);
    const size_t count = std::min(byteLimit, bytes.size());
    const size_t perFrame = s.frameBytes == 0 ? count : s.frameBytes;
    for (size_t first = 0; first < count; first += perFrame) {
        if (first > 0) ++t.gaps;
        const size_t last = std::min(count, first + perFrame);
        const uint64_t bits = (last - first) * 8;
        const auto bitAt = [&](uint64_t k) {
            const uint8_t byte = bytes[first + k / 8];
            return Bit(byte, s.lsbFirst ? int(k % 8) : 7 - int(k % 8));
        };
        set(s.cs, csIdle ^ 1);
        // Phase 0: each bit stands before the edge that samples it (the leading one).
        if (!phase) set(s.mosi, bitAt(0));
        ++t.leads;
        for (uint64_t k = 0; k < bits; ++k) {
            set(s.sclk, idleClock ^ 1);
            if (phase) set(s.mosi, bitAt(k));
            ++t.halves;
            set(s.sclk, idleClock);
            if (!phase && k + 1 < bits) set(s.mosi, bitAt(k + 1));
            ++t.halves;
        }
        ++t.lags;
        set(s.cs, csIdle);
        set(s.mosi, 0);
    }
    ++t.halves;
    return lines.End(ns(t));
}

EncodedStretch EncodeI2c(const I2cSettings& s, const std::vector<I2cTransaction>& transactions, size_t byteLimit,
                         double dtNs, const LaneTargets& out) {
    // Time counts in quarter periods: SDA changes in the middle of SCL's low half.
    const double quarter = HalfClockNs(s.clockHz) / 2;
    const double gap = s.gapNs.value_or(4 * quarter);
    uint64_t q = 4, gaps = 0;  // one period idle first
    Lines lines(out, dtNs);
    const auto at = [&](uint64_t k) { return lines.Sample(double(k) * quarter + double(gaps) * gap); };
    lines.Begin(s.scl, 1);
    lines.Begin(s.sda, 1);
    // SCL high half a period, then low: t is at its fall.
    const auto clockHigh = [&] {
        q += 2;
        lines.Set(s.scl, at(q), 1);
        q += 2;
    };
    // SDA changes while SCL is low, strictly before it rises again.
    const auto sdaLow = [&](uint8_t level) { lines.Set(s.sda, std::min(at(q + 1), at(q + 2) - 1), level); };
    const auto start = [&] {
        lines.Set(s.sda, at(q), 0);
        q += 2;
        lines.Set(s.scl, at(q), 0);
    };
    const auto byte = [&](uint32_t value, uint8_t ack) {
        for (int k = 7; k >= -1; --k) {
            sdaLow(k >= 0 ? Bit(value, k) : ack);
            clockHigh();
            lines.Set(s.scl, at(q), 0);
        }
    };
    const auto repeatedStart = [&] {
        sdaLow(1);
        q += 2;
        lines.Set(s.scl, at(q), 1);
        q += 2;
        start();
    };
    const uint8_t slaveAck = s.nack ? 1 : 0;
    size_t left = byteLimit;
    bool open = false;  // a transaction ended without a stop
    for (size_t i = 0; i < transactions.size(); ++i) {
        const I2cTransaction& tx = transactions[i];
        const size_t count = std::min(left, tx.data.size());
        if (count == 0 && !tx.data.empty()) break;
        left -= count;
        if (open) {
            repeatedStart();
        } else {
            if (i > 0) ++gaps;
            start();
        }
        if (s.tenBit) {
            const uint32_t high = 0xF0 | (tx.address >> 7 & 6);
            byte(high, slaveAck);
            byte(tx.address & 0xFF, slaveAck);
            if (tx.read) {
                repeatedStart();
                byte(high | 1, slaveAck);
            }
        } else {
            byte((tx.address & 0x7F) << 1 | uint32_t(tx.read), slaveAck);
        }
        // The master acknowledges every byte it reads but the last.
        for (size_t k = 0; k < count; ++k) byte(tx.data[k], tx.read ? uint8_t(k + 1 == count) : slaveAck);
        const bool more = i + 1 < transactions.size() && (left > 0 || transactions[i + 1].data.empty());
        open = s.repeatedStart && more;
        if (!open) {
            sdaLow(0);
            q += 2;
            lines.Set(s.scl, at(q), 1);
            q += 2;
            lines.Set(s.sda, at(q), 1);
        }
    }
    q += 4;
    return lines.End(double(q) * quarter + double(gaps) * gap);
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        size_t j = i;
        uint32_t value = 0;
        while (j < text.size() && HexValue(text[j]) >= 0 && j - i < 3)
            value = value * 16 + uint32_t(HexValue(text[j++]));
        if (j == i || j - i > 2 || (j < text.size() && text[j] != ' ' && text[j] != '\t')) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(value));
        i = j;
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

std::optional<std::vector<uint8_t>> ParseEscapedText(std::string_view text) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes.push_back(static_cast<uint8_t>(text[i]));
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case 'r': bytes.push_back('\r'); break;
            case 'n': bytes.push_back('\n'); break;
            case 't': bytes.push_back('\t'); break;
            case '\\': bytes.push_back('\\'); break;
            case 'x': {
                const auto hex = i + 2 < text.size() ? ParseHexBytes(text.substr(i + 1, 2)) : std::nullopt;
                if (!hex || hex->size() != 1 || text[i + 1] == ' ' || text[i + 2] == ' ') return std::nullopt;
                bytes.push_back(hex->front());
                i += 2;
                break;
            }
            default: return std::nullopt;
        }
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

std::optional<I2cTransaction> ParseI2cTransaction(std::string_view text) {
    I2cTransaction tx;
    if (text.size() < 3 || (text[0] != 'w' && text[0] != 'r') || text[1] != ':') return std::nullopt;
    tx.read = text[0] == 'r';
    const std::string_view rest = text.substr(2);
    const size_t colon = rest.find(':');
    const std::string_view address = rest.substr(0, colon);
    if (address.empty() || address.size() > 3) return std::nullopt;
    for (char c : address) {
        if (HexValue(c) < 0) return std::nullopt;
        tx.address = tx.address * 16 + uint32_t(HexValue(c));
    }
    if (colon != std::string_view::npos) {
        const std::string_view data = rest.substr(colon + 1);
        if (data.find_first_not_of(" \t") != std::string_view::npos) {
            auto bytes = ParseHexBytes(data);
            if (!bytes) return std::nullopt;
            tx.data = std::move(*bytes);
        }
    }
    return tx;
}

std::optional<double> ParseRate(std::string_view text) {
    double factor = 1;
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && (text.back() == 'k' || text.back() == 'K' || text.back() == 'M')) {
        factor = text.back() == 'M' ? 1e6 : 1e3;
        text.remove_suffix(1);
    }
    const auto value = ParseReal(text);
    if (!value || !std::isfinite(*value) || *value <= 0) return std::nullopt;
    return *value * factor;
}

}  // namespace kdx
