// The generator's command language over the link: the EEPROM user area and
// its calibration, the 16-bit sample words, and the two protocol generations
// (6-byte register frames; 4-byte headers with 256-byte parameter blocks).
// Every operation dispatches on useRegisterProtocol, which comes from user-area
// byte 19 when the generator is opened. Nothing is retried; the first failing
// step's status is returned and nothing after it is sent.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/DeviceLink.h"
#include "document/OutputSettings.h"
#include "document/WaveformLimits.h"
#include "document/WaveformRecords.h"

namespace kdx {

// ---- User area and calibration ----

struct UserArea {
    bool useRegisterProtocol = true;  // byte 19 non-zero
    std::string serialText;           // zero-terminated text at 20, at most 16 bytes
    uint16_t code1 = 0;
    uint16_t code2 = 0;
    int32_t volt1 = 0;  // units of 10 uV
    int32_t volt2 = 0;
    uint16_t checksum = 0;  // as stored at 48
};

UserArea DecodeUserArea(const uint8_t* bytes50);
// Wrapping sum of the 24 little-endian words at offsets 0..46.
uint16_t UserAreaChecksum(const uint8_t* bytes50);
bool UserAreaChecksumValid(const uint8_t* bytes50);
// The user's serial number: characters 8 to 15 of the serial text.
std::string UserSerialNumber(const UserArea& area);

// code = volts * slope + intercept.
struct Calibration {
    double slope = 0.0;      // codes per volt
    double intercept = 0.0;  // codes
};

// LINK_USER_AREA_INVALID on a bad checksum or equal calibration voltages.
LinkStatus CalibrationFromUserArea(const uint8_t* bytes50, Calibration& out);
LinkStatus ReadCalibration(DeviceHandle handle, Calibration& out);
// 12-bit analog code of one value, rounded half up and clamped to 0..4095.
uint16_t AnalogCode(double volts, const Calibration& calibration);
// Code of 0 V for the register protocol: intercept rounded half up, unclamped, low 16 bits.
uint16_t ZeroCode(const Calibration& calibration);

// ---- Sample words ----

inline constexpr uint32_t SampleWordBufferSize = MaxSampleCount * 2;  // 524288 bytes

// Fills 2 * sampleCount bytes of words (low byte first) from the analog array
// and bit 0 of each channel byte. Register layout: code << 4 | CH3..CH0;
// block layout: CH3..CH0 << 12 | code. sampleCount is capped at MaxSampleCount.
void BuildSampleWords(const Calibration& calibration, bool useRegisterProtocol, ConstSampleArrays samples,
                      uint32_t sampleCount, uint8_t* words);
// The first of sampleCount analog values that is not a number, or sampleCount
// when none is. No code stands for such a value (an infinity clamps as any
// value out of range does), so a waveform holding one is not sent.
uint32_t FirstNotANumber(ConstSampleArrays samples, uint32_t sampleCount);

// ---- What the generator reports ----

struct DeviceStatus {
    bool running = false;
    bool dataLoaded = false;
    uint8_t version = 0;  // firmware version; 0 shows no version text
    friend bool operator==(const DeviceStatus&, const DeviceStatus&) = default;
};

// The waveform description the block protocol returns beside the settings.
struct DeviceWaveformInfo {
    int32_t dataId = 0;
    uint32_t sampleCount = 0;
    uint32_t samplingStep = 0;
    friend bool operator==(const DeviceWaveformInfo&, const DeviceWaveformInfo&) = default;
};

// ---- Register protocol ----

using RegisterFrame = std::array<uint8_t, 6>;

inline constexpr uint8_t RegisterWriteOpcode = 0xD2;
inline constexpr uint8_t RegisterReadOpcode = 0xB4;

inline constexpr uint8_t REG_COMMAND = 0;
inline constexpr uint8_t REG_STATUS = 1;
inline constexpr uint8_t REG_LAST_SAMPLE_LOW = 2;
inline constexpr uint8_t REG_LAST_SAMPLE_HIGH = 3;
inline constexpr uint8_t REG_DIVIDER_LOW = 4;
inline constexpr uint8_t REG_DIVIDER_HIGH = 5;
inline constexpr uint8_t REG_REPEAT = 6;
inline constexpr uint8_t REG_SETTINGS = 7;
inline constexpr uint8_t REG_ZERO_CODE = 8;
inline constexpr uint8_t REG_DATA_READY = 9;

// REG_COMMAND values.
inline constexpr uint16_t RegisterCommandStart = 0x01;
inline constexpr uint16_t RegisterCommandStop = 0x02;
inline constexpr uint16_t RegisterCommandForceStop = 0x80;
inline constexpr uint16_t RegisterCommandSampleData = 0x10;

// REG_STATUS bits.
inline constexpr uint16_t StatusRunningBit = 0x0001;
inline constexpr uint16_t StatusTransferErrorBit = 0x0010;
inline constexpr uint16_t StatusDataLoadedBit = 0x0020;

RegisterFrame BuildRegisterWrite(uint8_t reg, uint16_t value);
RegisterFrame BuildRegisterRead(uint8_t reg);
// A reply echoes bytes 0, 1 and 5 of its request; byte 2 is not checked.
bool RegisterReplyEchoes(const RegisterFrame& request, const RegisterFrame& reply);
uint16_t RegisterReplyValue(const RegisterFrame& reply);
DeviceStatus DecodeRegisterStatus(uint16_t value);

// Settings word of REG_SETTINGS; repeatCount is not part of it.
uint16_t EncodeSettingsWord(const OutputSettings& settings);
// Sets the nine one-byte fields from the word; repeatCount is left as it is.
void DecodeSettingsWord(uint16_t word, OutputSettings& settings);
// repeatCount 1..65536 <-> register value 0..0xFFFF.
uint16_t EncodeRepeatRegister(int32_t repeatCount);
int32_t DecodeRepeatRegister(uint16_t value);

// One register write or read as one 6-byte exchange with its echo check.
LinkStatus WriteRegister(DeviceHandle handle, uint8_t reg, uint16_t value);
LinkStatus ReadRegister(DeviceHandle handle, uint8_t reg, uint16_t& value);

// ---- Block protocol ----

using BlockHeader = std::array<uint8_t, 4>;
inline constexpr uint32_t ParameterBlockSize = 256;

inline constexpr uint8_t BlockCommandStart = 0x01;
inline constexpr uint8_t BlockCommandStop = 0x02;
inline constexpr uint8_t BlockCommandForceStop = 0x03;
inline constexpr uint8_t BlockCommandDataSet = 0x10;
inline constexpr uint8_t BlockCommandQuery = 0x20;

inline constexpr uint8_t BlockReplyOk = 0;
inline constexpr uint8_t BlockReplyRefused = 2;

BlockHeader BuildBlockHeader(uint8_t command);
// LINK_OK, LINK_DEVICE_REFUSED (status 2) or LINK_TRANSFER_ERROR (wrong
// command byte, or any other status).
LinkStatus CheckBlockReply(const BlockHeader& reply, uint8_t command);
// Query reply: header byte 2 bit 0 running, bit 1 data loaded; block byte 24 version.
DeviceStatus DecodeBlockStatus(const BlockHeader& reply, const uint8_t* block256);

struct ParameterBlock {
    DeviceWaveformInfo waveform;
    OutputSettings settings;
    uint8_t version = 0;  // reply only; 0 when sent
};
// Writes all 256 bytes; the bytes not listed are 0.
void EncodeParameterBlock(const ParameterBlock& fields, uint8_t* block256);
ParameterBlock DecodeParameterBlock(const uint8_t* block256);

// ---- Operations ----

LinkStatus StartOutput(DeviceHandle handle, bool useRegisterProtocol);
LinkStatus StopOutput(DeviceHandle handle, bool useRegisterProtocol);
LinkStatus ForceStopOutput(DeviceHandle handle, bool useRegisterProtocol);
LinkStatus ReadDeviceStatus(DeviceHandle handle, bool useRegisterProtocol, DeviceStatus& out);
// Register protocol: REG_REPEAT then REG_SETTINGS (waveform left untouched);
// block protocol: one query, which also gives the waveform description.
LinkStatus ReadDeviceSettings(DeviceHandle handle, bool useRegisterProtocol, OutputSettings& out,
                              DeviceWaveformInfo* waveform = nullptr);

// Writes the settings and the sample words built by BuildSampleWords with the
// same calibration (its zero code goes to the register protocol; the block
// protocol sends dataId instead). Register protocol: REG_DATA_READY is cleared
// first and set only when every step before it succeeded. A sampleCount of 0
// or above MaxSampleCount gives LINK_NO_TRANSFER without touching the device.
LinkStatus WriteWaveform(DeviceHandle handle, bool useRegisterProtocol, const OutputSettings& settings,
                         uint32_t sampleCount, uint32_t samplingStep, int32_t dataId,
                         const Calibration& calibration, const uint8_t* words);

}  // namespace kdx
