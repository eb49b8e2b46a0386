#include "device/OutputPanel.h"

#include <new>

#include "document/KDXDoc.h"
#include "units/UnitText.h"

namespace kdx {

namespace {

constexpr const char* RadioLabels[OutputGroupCount][3] = {
    {"リモート（ＰＣ）", "マニュアルボタン（本体）", "外部トリガー"},
    {"連続", "繰り返し", nullptr},
    {"ディスエイブル", "開始データ", nullptr},
    {"ディスエイブル", "開始データ", nullptr},
    {"レベル", "エッジ", nullptr},
    {"正", "負", nullptr},
    {"正", "負", nullptr},
    {"10 uS", "100 nS", nullptr},
    {"無効", "有効", nullptr},
};

constexpr uint8_t ExternalTriggerControl = 2;
constexpr uint8_t RepeatMode = 1;
constexpr uint8_t RetriggerFirmware = 2;  // the first firmware that knows retrigger

uint8_t& GroupField(OutputSettings& s, int group) {
    return group == GroupRetrigger ? s.retrigger : *OutputByteField(s, group);
}

}  // namespace

int OutputGroupChoices(int group) { return group == GroupStartStopControl ? 3 : 2; }

const char* OutputRadioLabel(int group, int choice) { return RadioLabels[group][choice]; }

uint8_t OutputGroupValue(const OutputSettings& settings, int group) {
    return group == GroupRetrigger ? settings.retrigger : OutputByteField(settings, group);
}

OutputControls ControlsFromSettings(const OutputSettings& settings) {
    OutputControls controls;
    for (int g = 0; g < OutputGroupCount; ++g) {
        const uint8_t value = OutputGroupValue(settings, g);
        controls.radios[g] = value < OutputGroupChoices(g) ? static_cast<int8_t>(value) : -1;
    }
    controls.repeatText = FormatUnsigned(static_cast<uint32_t>(settings.repeatCount));
    return controls;
}

bool ReadDialogSettings(const OutputControls& controls, OutputSettings& settings) {
    for (int g = 0; g < OutputGroupCount; ++g) {
        if (controls.radios[g] >= 0) GroupField(settings, g) = static_cast<uint8_t>(controls.radios[g]);
    }
    return ReadRepeatCountText(controls.repeatText, settings.outputMode, settings.repeatCount);
}

RadioChoices GeneratorMarks(const OutputSettings& device, bool valid) {
    RadioChoices marks;
    marks.fill(-1);
    if (!valid) return marks;
    for (int g = 0; g < OutputGroupCount; ++g) {
        const uint8_t value = OutputGroupValue(device, g);
        if (value < OutputGroupChoices(g)) marks[g] = static_cast<int8_t>(value);
    }
    return marks;
}

std::string GeneratorRepeatText(const OutputSettings& device, bool valid) {
    return valid ? FormatUnsigned(static_cast<uint32_t>(device.repeatCount)) : std::string();
}

TriggerEnabling TriggerGroupsEnabled(int8_t controlChoice, bool retriggerSupported) {
    const bool external = controlChoice == ExternalTriggerControl;
    return {external, external && retriggerSupported};
}

int8_t LockedPulseWidthChoice(bool hasWaveform, uint8_t syncPulseWidth) {
    if (!hasWaveform || syncPulseWidth > 1) return -1;
    return static_cast<int8_t>(1 - syncPulseWidth);
}

std::string OutputCaption(std::string_view baseCaption, std::string_view givenSerial, std::string_view displayName,
                          bool hasWaveform, std::string_view dataName) {
    if (givenSerial.empty() && !hasWaveform) return std::string(baseCaption);
    std::string caption(baseCaption);
    caption += " - ";
    if (!givenSerial.empty()) {
        caption += '[';
        caption += displayName.empty() ? givenSerial : displayName;
        caption += "] ";
    }
    if (hasWaveform) caption += dataName;
    return caption;
}

OutputPanel::OutputPanel(const CKDXDoc& doc, OutputPanelHost& host)
    : doc(doc), host(host), hasWaveform(doc.HasWaveform()), settings(doc.GetOutputSettings()) {}

OutputPanel::~OutputPanel() { ReleaseGenerator(); }

bool OutputPanel::Open(const OutputIdentity& identity) {
    try {
        words.assign(SampleWordBufferSize, 0);
    } catch (const std::bad_alloc&) {
        host.ShowMessage(MsgOutputMemoryFailed);
        return false;
    }
    givenSerial = identity.serial;
    usbSerial = UsbSerialFromUserSerial(givenSerial);
    displayName = identity.displayName;
    dataName = identity.dataName;
    baseCaption = identity.baseCaption;
    display.caption = OutputCaption(baseCaption, givenSerial, displayName, hasWaveform, dataName);
    if (!hasWaveform) settings = OutputSettings{};
    display.buttons = PanelButtons{};

    if (!generatorOpen) OpenLink();
    display.controls = ControlsFromSettings(settings);
    display.lockedPulseWidth = LockedPulseWidthChoice(hasWaveform, settings.syncPulseWidth);
    RefreshEnabling();
    ReadGeneratorSettings();
    Present();
    Poll();
    return true;
}

bool OutputPanel::OpenLink() {
    DeviceHandle opened = nullptr;
    if (OpenGenerator(usbSerial.empty() ? nullptr : usbSerial.c_str(), opened) != LINK_OK) return false;
    uint8_t area[UserAreaSize];
    if (ReadUserArea(opened, area) != LINK_OK) {
        // Without the user area the protocol is unknown; keeping the handle
        // would hold the generator and open it again on every poll.
        kdx::CloseGenerator(opened);
        return false;
    }
    useRegisterProtocol = DecodeUserArea(area).useRegisterProtocol;
    handle = opened;
    generatorOpen = true;
    return true;
}

void OutputPanel::ReleaseGenerator() {
    if (!generatorOpen) return;
    kdx::CloseGenerator(handle);
    handle = nullptr;
    generatorOpen = false;
}

void OutputPanel::ReadGeneratorSettings() {
    OutputSettings read;
    LinkStatus status = generatorOpen ? ReadDeviceSettings(handle, useRegisterProtocol, read)
                                      : static_cast<LinkStatus>(d2xx::FT_DEVICE_NOT_OPENED);
    if (status == LINK_OK && !useRegisterProtocol) {
        DeviceStatus state;
        status = ReadDeviceStatus(handle, useRegisterProtocol, state);
        if (status == LINK_OK) retriggerSupported = state.version >= RetriggerFirmware;
    }
    if (status == LINK_OK) {
        deviceSettings = read;
        deviceSettingsValid = true;
        RefreshEnabling();
    } else {
        InvalidateDeviceSettings();
    }
    RefreshMarks();
}

void OutputPanel::Poll() {
    if (!generatorOpen && !OpenLink()) {
        ShowNotConnected();
        Present();
        return;
    }
    DeviceStatus state;
    OutputSettings read;
    DeviceWaveformInfo reported;
    LinkStatus status = ReadDeviceStatus(handle, useRegisterProtocol, state);
    if (status == LINK_OK) status = ReadDeviceSettings(handle, useRegisterProtocol, read, &reported);
    if (status != LINK_OK) {
        ShowNotConnected();
        ReleaseGenerator();
        Present();
        return;
    }
    const PollView view =
        DerivePollView(state.running, state.dataLoaded, read.startStopControl, read.outputMode, hasWaveform);
    ApplyButtons(view.buttons);
    version = state.version;
    ShowState(view.state, version);
    if (!state.dataLoaded) sent.reset();  // whatever was sent is gone
    ShowHeld(JudgeHeldWaveform(hasWaveform && state.dataLoaded, WaveformInfoOf(doc), sent,
                               useRegisterProtocol ? std::nullopt : std::optional(reported)));

    const bool settingsChanged = !(read == deviceSettings);
    deviceSettings = read;
    if (view.state == DisplayState::NotConfigured) {
        // A generator without data holds no settings worth marking.
        if (deviceSettingsValid) {
            InvalidateDeviceSettings();
            RefreshMarks();
        }
    } else if (!deviceSettingsValid || settingsChanged) {
        deviceSettingsValid = true;
        RefreshMarks();
    }
    retriggerSupported = version >= RetriggerFirmware;
    RefreshEnabling();
    Present();
}

void OutputPanel::ShowNotConnected() {
    ApplyButtons({display.buttons.startLabel, false, false, false});
    if (deviceSettingsValid) {
        InvalidateDeviceSettings();
        RefreshMarks();
    }
    ShowState(DisplayState::NotConnected, 0);
    // A generator found again may be another one, or have lost its data.
    sent.reset();
    ShowHeld(HeldWaveform::Unknown);
}

void OutputPanel::ShowHeld(HeldWaveform held) {
    if (held == display.held) return;
    display.held = held;
    changed = true;
}

void OutputPanel::ShowState(DisplayState state, uint8_t shownVersion) {
    // Compared as values first: a poll that finds nothing new builds no text.
    if (shownState && *shownState == std::pair(state, shownVersion)) return;
    shownState = std::pair(state, shownVersion);
    std::string status = StatusText(state);
    std::string versionText = VersionText(shownVersion);
    if (status == display.statusText && versionText == display.versionText) return;
    display.statusText = std::move(status);
    display.versionText = std::move(versionText);
    changed = true;
}

void OutputPanel::ApplyButtons(const PanelButtons& buttons) {
    if (buttons == display.buttons) return;
    display.buttons = buttons;
    changed = true;
}

void OutputPanel::InvalidateDeviceSettings() {
    deviceSettingsValid = false;
    for (int g = 0; g < OutputGroupCount; ++g) GroupField(deviceSettings, g) = 0xFF;
    deviceSettings.repeatCount = -1;
}

void OutputPanel::RefreshMarks() {
    display.marks = GeneratorMarks(deviceSettings, deviceSettingsValid);
    display.generatorRepeatText = GeneratorRepeatText(deviceSettings, deviceSettingsValid);
    changed = true;
}

void OutputPanel::RefreshEnabling() {
    const bool repeat = display.controls.radios[GroupOutputMode] == RepeatMode;
    const TriggerEnabling trigger =
        TriggerGroupsEnabled(display.controls.radios[GroupStartStopControl], retriggerSupported);
    if (repeat == display.repeatEnabled && trigger == display.triggerGroups) return;
    display.repeatEnabled = repeat;
    display.triggerGroups = trigger;
    changed = true;
}

void OutputPanel::RadioClicked() {
    display.controls = host.ReadControls();
    changed = true;
    RefreshEnabling();
    Present();
}

void OutputPanel::SetDataName(std::string name) {
    dataName = std::move(name);
    display.caption = OutputCaption(baseCaption, givenSerial, displayName, hasWaveform, dataName);
    changed = true;
    Present();
}

bool OutputPanel::ReadDialogSettings() {
    display.controls = host.ReadControls();
    changed = true;
    return kdx::ReadDialogSettings(display.controls, settings);
}

const OutputSettings& OutputPanel::TakeSettings() {
    ReadDialogSettings();
    Present();
    return settings;
}

void OutputPanel::BeginAction(DisplayState state) {
    ApplyButtons({display.buttons.startLabel, false, false, false});
    host.SetBusy(true);
    ShowState(state, version);
    Present(true);
}

void OutputPanel::EndAction(LinkStatus status, const char* failureMessage) {
    // A failed exchange may leave part of a reply on the link, which the next
    // poll would take for its own; opening afresh resets and purges it, so
    // that poll shows the generator's actual state.
    if (status != LINK_OK) ReleaseGenerator();
    // The wait cursor goes before the message: the user is asked, not kept waiting.
    host.SetBusy(false);
    if (status != LINK_OK) host.ShowMessage(failureMessage);
}

void OutputPanel::TransferData() {
    if (!hasWaveform) return;
    if (!ReadDialogSettings()) {
        Present();
        host.ShowMessage(MsgRepeatCountInvalid);
        return;
    }
    // The time base is read now: an undone time-base change may have altered
    // it since the panel opened.
    const uint32_t count = doc.GetSampleCount();
    if (const uint32_t bad = FirstNotANumber(doc.GetSampleArrays(), count); bad < count) {
        Present();
        host.ShowMessage(NotANumberMessage(bad, doc.GetSamplingTime()));
        return;
    }
    BeginAction(DisplayState::Transferring);
    Calibration calibration;
    LinkStatus status = generatorOpen ? ReadCalibration(handle, calibration)
                                      : static_cast<LinkStatus>(d2xx::FT_DEVICE_NOT_OPENED);
    if (status == LINK_OK) {
        BuildSampleWords(calibration, useRegisterProtocol, doc.GetSampleArrays(), count, words.data());
        status = WriteWaveform(handle, useRegisterProtocol, settings, count, doc.GetSamplingStep(), doc.GetDataId(),
                               calibration, words.data());
    }
    if (status == LINK_OK) sent = WaveformInfoOf(doc);
    EndAction(status, MsgDataSetFailed);
}

void OutputPanel::StartStop() {
    const bool start = display.buttons.startLabel;
    BeginAction(DisplayState::Communicating);
    LinkStatus status = static_cast<LinkStatus>(d2xx::FT_DEVICE_NOT_OPENED);
    if (generatorOpen) {
        status = start ? StartOutput(handle, useRegisterProtocol) : StopOutput(handle, useRegisterProtocol);
    }
    EndAction(status, start ? MsgStartFailed : MsgStopFailed);
}

void OutputPanel::ForceStop() {
    BeginAction(DisplayState::Communicating);
    const LinkStatus status = generatorOpen ? ForceStopOutput(handle, useRegisterProtocol)
                                            : static_cast<LinkStatus>(d2xx::FT_DEVICE_NOT_OPENED);
    EndAction(status, MsgForceStopFailed);
}

void OutputPanel::Present(bool now) {
    if (!changed && !now) return;
    changed = false;
    host.Present(display, now);
}

}  // namespace kdx
