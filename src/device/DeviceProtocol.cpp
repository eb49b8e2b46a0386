#include "device/DeviceProtocol.h"

#include <cmath>
#include <cstring>

namespace kdx {
namespace {

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void Put32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

constexpr int UserAreaProtocolOffset = 19;
constexpr int UserAreaSerialOffset = 20;
constexpr int UserAreaSerialSize = 16;
constexpr int UserAreaCode1Offset = 36;
constexpr int UserAreaCode2Offset = 38;
constexpr int UserAreaVolt1Offset = 40;
constexpr int UserAreaVolt2Offset = 44;
constexpr int UserAreaChecksumOffset = 48;
constexpr double VoltUnitsPerVolt = 100000.0;  // calibration voltages are stored in 10 uV

constexpr int ParamDataIdOffset = 0;
constexpr int ParamSampleCountOffset = 4;
constexpr int ParamSamplingStepOffset = 8;
constexpr int ParamRepeatCountOffset = 12;
constexpr int ParamSettingsOffset = 16;  // the eight one-byte fields in record order
constexpr int ParamVersionOffset = 24;
constexpr int ParamRetriggerOffset = 26;

constexpr double MaxAnalogCode = 4095.0;

// A block exchange: header, then the optional parameter block and sample
// data, then the reply header and reply block. The reply is read whole before
// it is judged so that a rejected exchange leaves nothing behind on the link.
LinkStatus BlockExchange(DeviceHandle handle, uint8_t command, const uint8_t* parameterBlock, const uint8_t* data,
                         uint32_t dataLength, BlockHeader& replyHeader, uint8_t* replyBlock) {
    const BlockHeader header = BuildBlockHeader(command);
    LinkStatus status = WriteExact(handle, header.data(), static_cast<uint32_t>(header.size()));
    if (status != LINK_OK) {
        return status;
    }
    if (parameterBlock != nullptr) {
        status = WriteExact(handle, parameterBlock, ParameterBlockSize);
        if (status != LINK_OK) {
            return status;
        }
    }
    if (data != nullptr && dataLength != 0) {
        status = WriteExact(handle, data, dataLength);
        if (status != LINK_OK) {
            return status;
        }
    }
    status = ReadExact(handle, replyHeader.data(), static_cast<uint32_t>(replyHeader.size()));
    if (status != LINK_OK) {
        return status;
    }
    status = ReadExact(handle, replyBlock, ParameterBlockSize);
    if (status != LINK_OK) {
        return status;
    }
    return CheckBlockReply(replyHeader, command);
}

LinkStatus BlockCommand(DeviceHandle handle, uint8_t command) {
    BlockHeader replyHeader{};
    uint8_t replyBlock[ParameterBlockSize];
    return BlockExchange(handle, command, nullptr, nullptr, 0, replyHeader, replyBlock);
}

}  // namespace

// ---- User area and calibration ----

UserArea DecodeUserArea(const uint8_t* bytes50) {
    UserArea area;
    area.useRegisterProtocol = bytes50[UserAreaProtocolOffset] != 0;
    const char* serial = reinterpret_cast<const char*>(bytes50 + UserAreaSerialOffset);
    size_t length = 0;
    while (length < UserAreaSerialSize && serial[length] != '\0') {
        ++length;  // an unterminated text stops at the end of its field
    }
    area.serialText.assign(serial, length);
    area.code1 = Get16(bytes50 + UserAreaCode1Offset);
    area.code2 = Get16(bytes50 + UserAreaCode2Offset);
    area.volt1 = static_cast<int32_t>(Get32(bytes50 + UserAreaVolt1Offset));
    area.volt2 = static_cast<int32_t>(Get32(bytes50 + UserAreaVolt2Offset));
    area.checksum = Get16(bytes50 + UserAreaChecksumOffset);
    return area;
}

uint16_t UserAreaChecksum(const uint8_t* bytes50) {
    uint16_t sum = 0;
    for (int offset = 0; offset < UserAreaChecksumOffset; offset += 2) {
        sum = static_cast<uint16_t>(sum + Get16(bytes50 + offset));
    }
    return sum;
}

bool UserAreaChecksumValid(const uint8_t* bytes50) {
    return UserAreaChecksum(bytes50) == Get16(bytes50 + UserAreaChecksumOffset);
}

std::string UserSerialNumber(const UserArea& area) {
    return area.serialText.size() > 8 ? area.serialText.substr(8, 8) : std::string();
}

LinkStatus CalibrationFromUserArea(const uint8_t* bytes50, Calibration& out) {
    if (!UserAreaChecksumValid(bytes50)) {
        return LINK_USER_AREA_INVALID;
    }
    const UserArea area = DecodeUserArea(bytes50);
    if (area.volt1 == area.volt2) {
        return LINK_USER_AREA_INVALID;
    }
    // The voltage difference is taken whole, in doubles (the difference of two
    // extreme stored voltages overflows 32 bits), and only then scaled to
    // volts: scaling each voltage first rounds twice and can move a value
    // that falls exactly on a half code to the code below.
    const double voltSpan = (static_cast<double>(area.volt2) - static_cast<double>(area.volt1)) / VoltUnitsPerVolt;
    out.slope = (static_cast<double>(area.code2) - static_cast<double>(area.code1)) / voltSpan;
    out.intercept = static_cast<double>(area.code2) - out.slope * (area.volt2 / VoltUnitsPerVolt);
    return LINK_OK;
}

LinkStatus ReadCalibration(DeviceHandle handle, Calibration& out) {
    uint8_t area[UserAreaSize];
    LinkStatus status = ReadUserArea(handle, area);
    if (status != LINK_OK) {
        return status;
    }
    return CalibrationFromUserArea(area, out);
}

uint16_t AnalogCode(double volts, const Calibration& calibration) {
    double y = volts * calibration.slope + calibration.intercept + 0.5;
    // Written so that a value that is not a number lands on code 0 instead of
    // an undefined conversion.
    y = !(y >= 0.0) ? 0.0 : y;
    y = y > MaxAnalogCode ? MaxAnalogCode : y;
    return static_cast<uint16_t>(y);
}

uint16_t ZeroCode(const Calibration& calibration) {
    const double rounded = std::trunc(calibration.intercept + 0.5);
    if (!std::isfinite(rounded)) {
        return 0;
    }
    // Low 16 bits of the two's complement value, also beyond the integer range.
    double low = std::fmod(rounded, 65536.0);
    if (low < 0) {
        low += 65536.0;
    }
    return static_cast<uint16_t>(low);
}

// ---- Sample words ----

void BuildSampleWords(const Calibration& calibration, bool useRegisterProtocol, ConstSampleArrays samples,
                      uint32_t sampleCount, uint8_t* words) {
    if (words == nullptr) {
        return;
    }
    const uint32_t count = sampleCount < MaxSampleCount ? sampleCount : MaxSampleCount;
    const double slope = calibration.slope;
    const double offset = calibration.intercept + 0.5;
    const double* analog = samples.analog;
    const uint8_t* ch0 = samples.digital[0];
    const uint8_t* ch1 = samples.digital[1];
    const uint8_t* ch2 = samples.digital[2];
    const uint8_t* ch3 = samples.digital[3];
    // Two loops rather than a test per sample, so each stays a straight pass.
    if (useRegisterProtocol) {
        for (uint32_t i = 0; i < count; ++i) {
            double y = analog[i] * slope + offset;
            y = !(y >= 0.0) ? 0.0 : y;
            y = y > MaxAnalogCode ? MaxAnalogCode : y;
            const uint32_t code = static_cast<uint32_t>(static_cast<int32_t>(y));
            const uint32_t bits = (ch0[i] & 1u) | ((ch1[i] & 1u) << 1) | ((ch2[i] & 1u) << 2) | ((ch3[i] & 1u) << 3);
            const uint32_t word = (code << 4) | bits;
            words[2 * i] = static_cast<uint8_t>(word);
            words[2 * i + 1] = static_cast<uint8_t>(word >> 8);
        }
    } else {
        for (uint32_t i = 0; i < count; ++i) {
            double y = analog[i] * slope + offset;
            y = !(y >= 0.0) ? 0.0 : y;
            y = y > MaxAnalogCode ? MaxAnalogCode : y;
            const uint32_t code = static_cast<uint32_t>(static_cast<int32_t>(y));
            const uint32_t bits = (ch0[i] & 1u) | ((ch1[i] & 1u) << 1) | ((ch2[i] & 1u) << 2) | ((ch3[i] & 1u) << 3);
            const uint32_t word = (bits << 12) | code;
            words[2 * i] = static_cast<uint8_t>(word);
            words[2 * i + 1] = static_cast<uint8_t>(word >> 8);
        }
    }
}

uint32_t FirstNotANumber(ConstSampleArrays samples, uint32_t sampleCount) {
    const uint32_t count = sampleCount < MaxSampleCount ? sampleCount : MaxSampleCount;
    const double* analog = samples.analog;
    for (uint32_t i = 0; i < count; ++i)
        if (std::isnan(analog[i])) return i;
    return sampleCount;
}

// ---- Register protocol ----

RegisterFrame BuildRegisterWrite(uint8_t reg, uint16_t value) {
    return {RegisterWriteOpcode, 0x00, reg, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(~RegisterWriteOpcode)};
}

RegisterFrame BuildRegisterRead(uint8_t reg) {
    return {RegisterReadOpcode, 0x00, reg, 0x00, 0x00, static_cast<uint8_t>(~RegisterReadOpcode)};
}

bool RegisterReplyEchoes(const RegisterFrame& request, const RegisterFrame& reply) {
    return reply[0] == request[0] && reply[1] == request[1] && reply[5] == request[5];
}

uint16_t RegisterReplyValue(const RegisterFrame& reply) {
    return Get16(reply.data() + 3);
}

DeviceStatus DecodeRegisterStatus(uint16_t value) {
    DeviceStatus status;
    status.running = (value & StatusRunningBit) != 0;
    status.dataLoaded = (value & StatusDataLoadedBit) != 0;
    status.version = static_cast<uint8_t>(value >> 8);
    return status;
}

uint16_t EncodeSettingsWord(const OutputSettings& s) {
    unsigned word = (s.startStopControl & 3u) | ((s.outputMode & 1u) << 2) | ((s.analogIdleOutput & 1u) << 4) |
                    ((s.digitalIdleOutput & 1u) << 5) | ((s.syncPolarity & 1u) << 6) |
                    ((s.syncPulseWidth & 1u) << 7) | ((s.triggerMode & 1u) << 8) | ((s.triggerPolarity & 1u) << 9) |
                    ((s.retrigger & 1u) << 10);
    return static_cast<uint16_t>(word);
}

void DecodeSettingsWord(uint16_t word, OutputSettings& s) {
    s.startStopControl = static_cast<uint8_t>(word & 3u);
    s.outputMode = static_cast<uint8_t>((word >> 2) & 1u);
    s.analogIdleOutput = static_cast<uint8_t>((word >> 4) & 1u);
    s.digitalIdleOutput = static_cast<uint8_t>((word >> 5) & 1u);
    s.syncPolarity = static_cast<uint8_t>((word >> 6) & 1u);
    s.syncPulseWidth = static_cast<uint8_t>((word >> 7) & 1u);
    s.triggerMode = static_cast<uint8_t>((word >> 8) & 1u);
    s.triggerPolarity = static_cast<uint8_t>((word >> 9) & 1u);
    s.retrigger = static_cast<uint8_t>((word >> 10) & 1u);
}

uint16_t EncodeRepeatRegister(int32_t repeatCount) {
    return static_cast<uint16_t>(static_cast<uint32_t>(repeatCount) - 1u);
}

int32_t DecodeRepeatRegister(uint16_t value) {
    return static_cast<int32_t>(value) + 1;
}

LinkStatus WriteRegister(DeviceHandle handle, uint8_t reg, uint16_t value) {
    const RegisterFrame request = BuildRegisterWrite(reg, value);
    RegisterFrame reply{};
    LinkStatus status = Transact(handle, request.data(), request.size(), reply.data(), reply.size());
    if (status != LINK_OK) {
        return status;
    }
    return RegisterReplyEchoes(request, reply) ? LINK_OK : LINK_TRANSFER_ERROR;
}

LinkStatus ReadRegister(DeviceHandle handle, uint8_t reg, uint16_t& value) {
    const RegisterFrame request = BuildRegisterRead(reg);
    RegisterFrame reply{};
    LinkStatus status = Transact(handle, request.data(), request.size(), reply.data(), reply.size());
    if (status != LINK_OK) {
        return status;
    }
    if (!RegisterReplyEchoes(request, reply)) {
        return LINK_TRANSFER_ERROR;
    }
    value = RegisterReplyValue(reply);
    return LINK_OK;
}

// ---- Block protocol ----

BlockHeader BuildBlockHeader(uint8_t command) {
    return {command, 0x01, 0x00, 0x00};
}

LinkStatus CheckBlockReply(const BlockHeader& reply, uint8_t command) {
    if (reply[0] != command) {
        return LINK_TRANSFER_ERROR;
    }
    if (reply[1] == BlockReplyOk) {
        return LINK_OK;
    }
    return reply[1] == BlockReplyRefused ? LINK_DEVICE_REFUSED : LINK_TRANSFER_ERROR;
}

DeviceStatus DecodeBlockStatus(const BlockHeader& reply, const uint8_t* block256) {
    DeviceStatus status;
    status.running = (reply[2] & 1u) != 0;
    status.dataLoaded = (reply[2] & 2u) != 0;
    status.version = block256[ParamVersionOffset];
    return status;
}

void EncodeParameterBlock(const ParameterBlock& fields, uint8_t* block256) {
    std::memset(block256, 0, ParameterBlockSize);
    Put32(block256 + ParamDataIdOffset, static_cast<uint32_t>(fields.waveform.dataId));
    Put32(block256 + ParamSampleCountOffset, fields.waveform.sampleCount);
    Put32(block256 + ParamSamplingStepOffset, fields.waveform.samplingStep);
    Put32(block256 + ParamRepeatCountOffset, static_cast<uint32_t>(fields.settings.repeatCount));
    for (int i = 0; i < 8; ++i) {
        block256[ParamSettingsOffset + i] = OutputByteField(fields.settings, i);
    }
    block256[ParamVersionOffset] = fields.version;
    block256[ParamRetriggerOffset] = fields.settings.retrigger;
}

ParameterBlock DecodeParameterBlock(const uint8_t* block256) {
    ParameterBlock fields;
    fields.waveform.dataId = static_cast<int32_t>(Get32(block256 + ParamDataIdOffset));
    fields.waveform.sampleCount = Get32(block256 + ParamSampleCountOffset);
    fields.waveform.samplingStep = Get32(block256 + ParamSamplingStepOffset);
    fields.settings.repeatCount = static_cast<int32_t>(Get32(block256 + ParamRepeatCountOffset));
    for (int i = 0; i < 8; ++i) {
        *OutputByteField(fields.settings, i) = block256[ParamSettingsOffset + i];
    }
    fields.version = block256[ParamVersionOffset];
    fields.settings.retrigger = block256[ParamRetriggerOffset];
    return fields;
}

// ---- Operations ----

LinkStatus StartOutput(DeviceHandle handle, bool useRegisterProtocol) {
    return useRegisterProtocol ? WriteRegister(handle, REG_COMMAND, RegisterCommandStart)
                               : BlockCommand(handle, BlockCommandStart);
}

LinkStatus StopOutput(DeviceHandle handle, bool useRegisterProtocol) {
    return useRegisterProtocol ? WriteRegister(handle, REG_COMMAND, RegisterCommandStop)
                               : BlockCommand(handle, BlockCommandStop);
}

LinkStatus ForceStopOutput(DeviceHandle handle, bool useRegisterProtocol) {
    return useRegisterProtocol ? WriteRegister(handle, REG_COMMAND, RegisterCommandForceStop)
                               : BlockCommand(handle, BlockCommandForceStop);
}

LinkStatus ReadDeviceStatus(DeviceHandle handle, bool useRegisterProtocol, DeviceStatus& out) {
    if (useRegisterProtocol) {
        uint16_t value = 0;
        LinkStatus status = ReadRegister(handle, REG_STATUS, value);
        if (status == LINK_OK) {
            out = DecodeRegisterStatus(value);
        }
        return status;
    }
    BlockHeader replyHeader{};
    uint8_t replyBlock[ParameterBlockSize];
    LinkStatus status = BlockExchange(handle, BlockCommandQuery, nullptr, nullptr, 0, replyHeader, replyBlock);
    if (status == LINK_OK) {
        out = DecodeBlockStatus(replyHeader, replyBlock);
    }
    return status;
}

LinkStatus ReadDeviceSettings(DeviceHandle handle, bool useRegisterProtocol, OutputSettings& out,
                              DeviceWaveformInfo* waveform) {
    if (useRegisterProtocol) {
        uint16_t repeat = 0;
        LinkStatus status = ReadRegister(handle, REG_REPEAT, repeat);
        if (status != LINK_OK) {
            return status;
        }
        uint16_t word = 0;
        status = ReadRegister(handle, REG_SETTINGS, word);
        if (status != LINK_OK) {
            return status;
        }
        OutputSettings settings;
        settings.repeatCount = DecodeRepeatRegister(repeat);
        DecodeSettingsWord(word, settings);
        out = settings;
        return LINK_OK;
    }
    BlockHeader replyHeader{};
    uint8_t replyBlock[ParameterBlockSize];
    LinkStatus status = BlockExchange(handle, BlockCommandQuery, nullptr, nullptr, 0, replyHeader, replyBlock);
    if (status != LINK_OK) {
        return status;
    }
    const ParameterBlock fields = DecodeParameterBlock(replyBlock);
    out = fields.settings;
    if (waveform != nullptr) {
        *waveform = fields.waveform;
    }
    return LINK_OK;
}

LinkStatus WriteWaveform(DeviceHandle handle, bool useRegisterProtocol, const OutputSettings& settings,
                         uint32_t sampleCount, uint32_t samplingStep, int32_t dataId,
                         const Calibration& calibration, const uint8_t* words) {
    if (sampleCount == 0 || sampleCount > MaxSampleCount || words == nullptr) {
        return LINK_NO_TRANSFER;
    }
    const uint32_t dataLength = 2 * sampleCount;
    if (!useRegisterProtocol) {
        ParameterBlock fields;
        fields.waveform = {dataId, sampleCount, samplingStep};
        fields.settings = settings;
        uint8_t block[ParameterBlockSize];
        EncodeParameterBlock(fields, block);
        BlockHeader replyHeader{};
        uint8_t replyBlock[ParameterBlockSize];
        return BlockExchange(handle, BlockCommandDataSet, block, words, dataLength, replyHeader, replyBlock);
    }

    const uint32_t lastSample = sampleCount - 1;
    const uint32_t divider = samplingStep - 1;
    // Data ready stays 0 until every step has gone through, so a transfer cut
    // short leaves the generator without data it would take for valid.
    const struct {
        uint8_t reg;
        uint16_t value;
    } writes[] = {
        {REG_DATA_READY, 0},
        {REG_REPEAT, EncodeRepeatRegister(settings.repeatCount)},
        {REG_SETTINGS, EncodeSettingsWord(settings)},
        {REG_LAST_SAMPLE_HIGH, static_cast<uint16_t>(lastSample >> 16)},
        {REG_LAST_SAMPLE_LOW, static_cast<uint16_t>(lastSample & 0xFFFFu)},
        {REG_DIVIDER_HIGH, static_cast<uint16_t>(divider >> 16)},
        {REG_DIVIDER_LOW, static_cast<uint16_t>(divider & 0xFFFFu)},
        {REG_ZERO_CODE, ZeroCode(calibration)},
        {REG_COMMAND, RegisterCommandSampleData},
    };
    for (const auto& write : writes) {
        LinkStatus status = WriteRegister(handle, write.reg, write.value);
        if (status != LINK_OK) {
            return status;
        }
    }
    // The sample words go as one raw stream with no reply of their own.
    LinkStatus status = Transact(handle, words, dataLength, nullptr, 0);
    if (status != LINK_OK) {
        return status;
    }
    uint16_t deviceStatus = 0;
    status = ReadRegister(handle, REG_STATUS, deviceStatus);
    if (status != LINK_OK) {
        return status;
    }
    if ((deviceStatus & StatusTransferErrorBit) != 0) {
        return LINK_TRANSFER_ERROR;
    }
    return WriteRegister(handle, REG_DATA_READY, 1);
}

}  // namespace kdx
