// The protocol dialog's form: UART, SPI or I2C frames from bytes on the
// channels the protocol drives, with the computed length of the stretch and
// the rate error; the other channels stay as they are. Its last values live
// for the editor session (the waveform file has no record for them).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "digital/DigitalForms.h"
#include "digital/Protocols.h"

namespace kdx {

// What the dialog remembers between openings: the choices and the field texts.
struct ProtocolMemory {
    BusProtocol protocol = BusProtocol::Uart;
    UartSettings uart;
    SpiSettings spi;
    I2cSettings i2c;
    bool textData = false;  // the data box holds text with escapes, not hex bytes
    std::vector<std::string> texts;  // by field id; empty: the defaults
    std::vector<TimeUnitIndex> units;
};

class DigitalProtocolForm : public DigitalForm {
public:
    enum Id {
        EditStart,
        Baud,
        UartGap,
        SpiClock,
        FrameBytes,
        Lead,
        Lag,
        SpiGap,
        I2cClock,
        BusGap,
        Data,
        Transactions,
        Count
    };
    using MemoryRecord = ProtocolMemory;
    static constexpr const char* MemoryMessage = MsgDigitalMemory;

    DigitalProtocolForm(const DigitalSetup& setup, const ProtocolMemory& memory);

    void SetProtocol(BusProtocol protocol);
    BusProtocol Protocol() const { return memory.protocol; }
    // The protocol's own settings; the values the fields give are the form's.
    void SetUart(const UartSettings& s);
    void SetSpi(const SpiSettings& s);
    void SetI2c(const I2cSettings& s);
    void SetTextData(bool text);
    const UartSettings& Uart() const { return memory.uart; }
    const SpiSettings& Spi() const { return memory.spi; }
    const I2cSettings& I2c() const { return memory.i2c; }
    bool TextData() const { return memory.textData; }
    // Whether a field belongs to the chosen protocol (the others are hidden).
    bool FieldShown(int id) const;

    // The first thing that keeps "作成" disabled, naming its field; empty when none.
    const std::string& Problem() const { return problem; }
    // The stretch's length ("1.0417 mS（52083 サンプル）") and the rate error, once the fields read.
    const std::string& LengthText() const { return lengthText; }
    const std::string& RateErrorText() const { return rateErrorText; }
    uint64_t LengthSamples() const { return lengthSamples; }
    // The data bytes (I2C: of every transaction).
    size_t ByteCount() const { return byteCount; }

    bool Create(FormPrompts& prompts);
    int LaneOf(int ch) const override;
    ProtocolMemory Params() const;

private:
    void CheckFields() override;
    bool FieldsValid() const override { return problem.empty(); }
    std::optional<int64_t> LabelPeriod() const override;
    bool Fit(uint32_t room, FormPrompts& prompts) override;
    void Changed();
    EncodedStretch Encode(size_t byteLimit, const LaneTargets& out) const;
    // The driven lanes of the work buffers, the others left alone.
    LaneTargets Targets(uint32_t capacity);
    bool CheckRate(int id, const char* label, bool half, double& rate);
    bool CheckOptionalTime(int id, const char* label, std::optional<double>& value);

    ProtocolMemory memory;
    std::vector<uint8_t> bytes;
    std::vector<I2cTransaction> transactions;
    size_t byteCount = 0;
    uint64_t lengthSamples = 0;
    std::string problem, lengthText, rateErrorText;
};

}  // namespace kdx
