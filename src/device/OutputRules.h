// The output panel's rules that do not need a window: the USB serial formed
// from a user's serial number, the repeat-count check, the state table of the
// poll, and the panel's texts. The panel and kdx-tool both use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "device/DeviceProtocol.h"
#include "document/OutputSettings.h"

namespace kdx {

class CKDXDoc;

// "QZ0000" + the last four characters when they are "0002", else "QZ1001" +
// them (all of it when shorter). Empty stays empty (open the first generator).
std::string UsbSerialFromUserSerial(std::string_view userSerial);

// Largest repeat count the generator holds (its register carries count - 1).
inline constexpr int32_t MaxRepeatCount = 65536;

// In repeat mode (outputMode 1) the text must be an unsigned decimal count of
// 1..65536, stored into repeatCount; otherwise false and repeatCount is kept.
// In continuous mode the text is ignored and the result is true.
bool ReadRepeatCountText(std::string_view text, uint8_t outputMode, int32_t& repeatCount);
// The same check on a stored count (a file's settings).
bool RepeatCountAcceptable(const OutputSettings& settings);

enum class DisplayState { None, Communicating, NotConnected, NotConfigured, Ready, Running, Transferring, Error };

// "" for None, else "VELX-9 ..." as the panel shows it.
const char* StatusText(DisplayState state);
// "Ver.%d", empty for version 0.
std::string VersionText(uint8_t version);

struct PanelButtons {
    bool startLabel = true;  // true "スタート", false "ストップ"
    bool dataTransferEnabled = false;
    bool startStopEnabled = false;
    bool forceStopEnabled = false;
    friend bool operator==(const PanelButtons&, const PanelButtons&) = default;
};

struct PollView {
    DisplayState state = DisplayState::None;
    PanelButtons buttons;
};

// The poll's table from the generator's state and the control and mode it
// holds: start and stop only under remote control, a running output stopped
// from here only in continuous mode, the forced stop while running or under
// external-trigger control.
PollView DerivePollView(bool running, bool dataLoaded, uint8_t startStopControl, uint8_t outputMode,
                        bool hasWaveform);

const char* StartLabelText(bool startLabel);

// The fields in which what a generator holds differs from what was written to
// it, by their names: the settings in both protocols, and when both waveform
// descriptions are given (the block protocol) the identity, sample count and
// sampling step. Empty when it holds what was written.
std::vector<std::string> HeldDifferences(const OutputSettings& written, const OutputSettings& held,
                                         const DeviceWaveformInfo* writtenWaveform = nullptr,
                                         const DeviceWaveformInfo* heldWaveform = nullptr);

// What the generator holds of the document's waveform, as far as can be told:
// nothing known (not connected, no data, or a register-protocol generator this
// panel has not written), the current waveform, an earlier version of it
// (the document was edited since it was sent), or another waveform (the
// identity, count or step the block protocol reports belong to neither).
enum class HeldWaveform { Unknown, Current, Earlier, Other };
// What the panel shows next to the status; empty for Unknown.
const char* HeldWaveformText(HeldWaveform held);
// current: the document's waveform now; sent: what this panel last wrote, if
// anything; reported: what a block-protocol generator says it holds.
// What the document's waveform is, as the generator describes what it holds.
DeviceWaveformInfo WaveformInfoOf(const CKDXDoc& doc);

HeldWaveform JudgeHeldWaveform(bool dataLoaded, const DeviceWaveformInfo& current,
                               const std::optional<DeviceWaveformInfo>& sent,
                               const std::optional<DeviceWaveformInfo>& reported);

// The refusal of a waveform holding an analog value that is not a number,
// naming the first such sample by its number (counted from 1) and time.
std::string NotANumberMessage(uint32_t index, int64_t samplingNs);

inline constexpr const char* TextStart = "スタート";
inline constexpr const char* TextStop = "ストップ";
inline constexpr const char* MsgDataSetFailed = "データ設定できませんでした。";
inline constexpr const char* MsgRepeatCountInvalid = "繰り返し回数が不正です。";
inline constexpr const char* MsgStartFailed = "スタートできませんでした。\n\n";
inline constexpr const char* MsgStopFailed = "ストップできませんでした。\n\n";
inline constexpr const char* MsgForceStopFailed = "強制ストップできませんでした。\n\n";
inline constexpr const char* MsgOutputMemoryFailed = "波形出力のためのメモリが確保できませんでした";

}  // namespace kdx
