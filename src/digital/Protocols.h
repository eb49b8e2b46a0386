// Serial bus frames on the digital channels: UART, SPI and I2C from bytes.
// Every edge falls on the sample nearest its ideal time, counted from the
// stretch's start (never from the edge before), so no error accumulates over
// many frames. A stretch starts and ends with its lines idle, so a decoder
// sees the first frame whatever the lanes held before.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

enum class BusProtocol : int32_t { Uart = 0, Spi = 1, I2c = 2 };
enum class UartParity : int32_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

struct UartSettings {
    int channel = 0;
    double baud = 9600;
    int dataBits = 8;  // 5..9; a ninth bit is 0
    UartParity parity = UartParity::None;
    int stopHalves = 2;  // stop bits in halves: 2, 3 or 4
    bool msbFirst = false;
    bool invert = false;  // idle low, start bit high
    uint32_t gapBits = 0;
};

struct SpiSettings {
    int sclk = 0, mosi = 1, cs = 2;
    int mode = 0;  // bit 1 the clock's idle level, bit 0 the phase
    double clockHz = 1e6;
    bool lsbFirst = false;
    bool csActiveHigh = false;
    uint32_t frameBytes = 0;  // 0: every byte in one frame
    // Times in nS; none: half a clock period.
    std::optional<double> leadNs, lagNs, gapNs;
};

struct I2cTransaction {
    bool read = false;
    uint32_t address = 0;
    std::vector<uint8_t> data;  // written, or the levels the slave drives for a read
};

struct I2cSettings {
    int scl = 0, sda = 1;
    double clockHz = 100e3;
    bool tenBit = false;
    bool nack = false;  // the slave's acknowledge bits left high
    bool repeatedStart = false;
    std::optional<double> gapNs;  // the bus-free time; none: one clock period
};

// Which channels each protocol drives.
std::vector<int> DrivenChannels(const UartSettings& s);
std::vector<int> DrivenChannels(const SpiSettings& s);
std::vector<int> DrivenChannels(const I2cSettings& s);

// Where encoded lanes go: one buffer per channel (nullptr: not kept) of at
// least capacity samples; samples past capacity are dropped.
struct LaneTargets {
    std::array<uint8_t*, 4> lanes{};
    uint32_t capacity = 0;
};

// What an encoding gives: its length in samples and how far the real rate is
// from the asked one over it, in percent.
struct EncodedStretch {
    uint64_t samples = 0;
    double rateErrorPercent = 0.0;
};

// Encodes the first byteLimit bytes (I2C: data bytes, in the order of the
// transactions; a transaction cut to no bytes is left out unless it had none).
EncodedStretch EncodeUart(const UartSettings& s, const std::vector<uint8_t>& bytes, size_t byteLimit, double dtNs,
                          const LaneTargets& out);
EncodedStretch EncodeSpi(const SpiSettings& s, const std::vector<uint8_t>& bytes, size_t byteLimit, double dtNs,
                         const LaneTargets& out);
EncodedStretch EncodeI2c(const I2cSettings& s, const std::vector<I2cTransaction>& transactions, size_t byteLimit,
                         double dtNs, const LaneTargets& out);

// The shortest time a protocol holds a level, in nS: a UART bit, half an SPI
// or I2C clock period.
inline double UartBitNs(double baud) { return 1e9 / baud; }
inline double HalfClockNs(double hz) { return 0.5e9 / hz; }

// "48 65 6C": hexadecimal bytes separated by blanks (two digits at most each).
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);
// Text with \r \n \t \\ and \xHH escapes, as its UTF-8 bytes.
std::optional<std::vector<uint8_t>> ParseEscapedText(std::string_view text);
// "w:50:00 10": the direction, a hexadecimal address and the data bytes.
std::optional<I2cTransaction> ParseI2cTransaction(std::string_view text);
// Rates: a number of Hz with an optional k or M.
std::optional<double> ParseRate(std::string_view text);

}  // namespace kdx
