#include "device/OutputRules.h"

#include "document/KDXDoc.h"
#include "units/UnitText.h"

namespace kdx {

std::string UsbSerialFromUserSerial(std::string_view userSerial) {
    if (userSerial.empty()) {
        return {};
    }
    const std::string_view last4 = userSerial.size() <= 4 ? userSerial : userSerial.substr(userSerial.size() - 4);
    // The two production runs carry different USB serial prefixes; the second
    // is told apart by its last four characters.
    std::string serial = last4 == "0002" ? "QZ0000" : "QZ1001";
    serial += last4;
    return serial;
}

std::vector<std::string> HeldDifferences(const OutputSettings& written, const OutputSettings& held,
                                         const DeviceWaveformInfo* writtenWaveform,
                                         const DeviceWaveformInfo* heldWaveform) {
    std::vector<std::string> fields;
    if (writtenWaveform != nullptr && heldWaveform != nullptr) {
        if (writtenWaveform->dataId != heldWaveform->dataId) fields.emplace_back("dataId");
        if (writtenWaveform->sampleCount != heldWaveform->sampleCount) fields.emplace_back("sampleCount");
        if (writtenWaveform->samplingStep != heldWaveform->samplingStep) fields.emplace_back("samplingStep");
    }
    for (int i = 0; i < 8; ++i)
        if (OutputByteField(written, i) != OutputByteField(held, i)) fields.emplace_back(OutputByteFieldNames[i]);
    if (written.repeatCount != held.repeatCount) fields.emplace_back("repeatCount");
    if (written.retrigger != held.retrigger) fields.emplace_back("retrigger");
    return fields;
}

const char* HeldWaveformText(HeldWaveform held) {
    switch (held) {
    case HeldWaveform::Current: return "現在の波形を保持";
    case HeldWaveform::Earlier: return "以前の波形を保持";
    case HeldWaveform::Other: return "別の波形を保持";
    default: return "";
    }
}

HeldWaveform JudgeHeldWaveform(bool dataLoaded, const DeviceWaveformInfo& current,
                               const std::optional<DeviceWaveformInfo>& sent,
                               const std::optional<DeviceWaveformInfo>& reported) {
    if (!dataLoaded) return HeldWaveform::Unknown;
    // The generator's own report, where it gives one, outweighs the memory of
    // a transfer: another program may have written it since.
    const std::optional<DeviceWaveformInfo>& held = reported ? reported : sent;
    if (!held) return HeldWaveform::Unknown;
    if (*held == current) return HeldWaveform::Current;
    return sent && *held == *sent ? HeldWaveform::Earlier : HeldWaveform::Other;
}

std::string NotANumberMessage(uint32_t index, int64_t samplingNs) {
    return "数値でないアナログデータがあります（" + FormatUnsigned(uint64_t{index} + 1) + " 番目、" +
           FormatTimeAutoWithUnit(int64_t{index} * samplingNs) + "）。\n\nデータ転送を中止しました。";
}

bool ReadRepeatCountText(std::string_view text, uint8_t outputMode, int32_t& repeatCount) {
    if (outputMode != 1) {
        return true;
    }
    const std::optional<uint32_t> count = ParseUnsigned(text);
    if (!count || *count == 0 || *count > static_cast<uint32_t>(MaxRepeatCount)) {
        return false;
    }
    repeatCount = static_cast<int32_t>(*count);
    return true;
}

bool RepeatCountAcceptable(const OutputSettings& settings) {
    return settings.outputMode != 1 || (settings.repeatCount >= 1 && settings.repeatCount <= MaxRepeatCount);
}

const char* StatusText(DisplayState state) {
    switch (state) {
    case DisplayState::None:
        return "";
    case DisplayState::Communicating:
        return "VELX-9 通信中";
    case DisplayState::NotConnected:
        return "VELX-9 未接続";
    case DisplayState::NotConfigured:
        return "VELX-9 未設定";
    case DisplayState::Ready:
        return "VELX-9 レディ";
    case DisplayState::Running:
        return "VELX-9 動作中";
    case DisplayState::Transferring:
        return "VELX-9 転送中";
    case DisplayState::Error:
        return "VELX-9 異常";
    }
    return "";
}

std::string VersionText(uint8_t version) {
    return version == 0 ? std::string() : "Ver." + std::to_string(version);
}

PollView DerivePollView(bool running, bool dataLoaded, uint8_t startStopControl, uint8_t outputMode,
                        bool hasWaveform) {
    const bool remote = startStopControl == 0;
    const bool externalTrigger = startStopControl == 2;
    PollView view;
    if (running && dataLoaded) {
        view.state = DisplayState::Running;
        view.buttons = {false, false, remote && outputMode == 0, true};
    } else if (dataLoaded) {
        view.state = DisplayState::Ready;
        view.buttons = {true, hasWaveform, remote, externalTrigger};
    } else if (running) {
        view.state = DisplayState::Error;
        view.buttons = {false, hasWaveform, false, externalTrigger};
    } else {
        view.state = DisplayState::NotConfigured;
        view.buttons = {false, hasWaveform, false, externalTrigger};
    }
    return view;
}

const char* StartLabelText(bool startLabel) {
    return startLabel ? TextStart : TextStop;
}

DeviceWaveformInfo WaveformInfoOf(const CKDXDoc& doc) {
    return {doc.GetDataId(), doc.GetSampleCount(), doc.GetSamplingStep()};
}

}  // namespace kdx
