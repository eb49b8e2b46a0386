// The output panel without its window: what each control shows, the opening,
// the 100 ms poll and the three actions on the generator. The dialog binds
// its widgets to the display computed here, hands over what the user set, and
// shows messages and the wait cursor when asked.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/OutputRules.h"
#include "document/OutputSettings.h"

namespace kdx {

class CKDXDoc;

inline constexpr const char* OutputDialogTitle = "波形出力";
// Appended to the caption of the radio that matches what the generator holds.
inline constexpr const char* GeneratorMark = " *";

// The nine radio groups, in the order of the settings' fields.
enum OutputGroup : int {
    GroupStartStopControl,
    GroupOutputMode,
    GroupAnalogIdle,
    GroupDigitalIdle,
    GroupTriggerMode,
    GroupTriggerPolarity,
    GroupSyncPolarity,
    GroupSyncPulseWidth,
    GroupRetrigger,
    OutputGroupCount,
};

int OutputGroupChoices(int group);
const char* OutputRadioLabel(int group, int choice);
uint8_t OutputGroupValue(const OutputSettings& settings, int group);

using RadioChoices = std::array<int8_t, OutputGroupCount>;  // -1: none

// The dialog's copies of its controls: the checked radio of each group and
// the repeat count as typed.
struct OutputControls {
    RadioChoices radios{};
    std::string repeatText;
    friend bool operator==(const OutputControls&, const OutputControls&) = default;
};

OutputControls ControlsFromSettings(const OutputSettings& settings);
// The radios into the settings (a group with none checked keeps its value);
// in repeat mode also the count, which must be 1..65536: otherwise false, and
// the previous count stays.
bool ReadDialogSettings(const OutputControls& controls, OutputSettings& settings);

// The radio of each group that carries the generator's mark; none while the
// generator's settings are not known or for a value outside the group.
RadioChoices GeneratorMarks(const OutputSettings& device, bool valid);
// The generator's repeat count as its box shows it (empty while not known).
std::string GeneratorRepeatText(const OutputSettings& device, bool valid);

struct TriggerEnabling {
    bool trigger = false;    // "トリガーモード" and "トリガー極性"
    bool retrigger = false;  // "再トリガー"
    friend bool operator==(const TriggerEnabling&, const TriggerEnabling&) = default;
};
// Only under external-trigger control; retrigger also needs firmware 2.
TriggerEnabling TriggerGroupsEnabled(int8_t controlChoice, bool retriggerSupported);

// The pulse-width radio a document with a waveform may not switch to (the
// width follows from its total time), or -1.
int8_t LockedPulseWidthChoice(bool hasWaveform, uint8_t syncPulseWidth);

// baseCaption " - " ["[" name "] "] [dataName]; the name is the display name,
// or the serial without one. Nothing is added without a serial or a waveform.
std::string OutputCaption(std::string_view baseCaption, std::string_view givenSerial, std::string_view displayName,
                          bool hasWaveform, std::string_view dataName);

// Everything the dialog shows, as the panel last computed it.
struct OutputPanelDisplay {
    std::string caption;
    OutputControls controls;
    RadioChoices marks;
    std::string generatorRepeatText;
    bool repeatEnabled = false;  // the count box, its "回" and the generator's count
    TriggerEnabling triggerGroups;
    int8_t lockedPulseWidth = -1;
    std::string statusText;
    std::string versionText;
    HeldWaveform held = HeldWaveform::Unknown;  // shown beside the status
    PanelButtons buttons;

    OutputPanelDisplay() { marks.fill(-1); }
    friend bool operator==(const OutputPanelDisplay&, const OutputPanelDisplay&) = default;
};

// What the panel needs of its window.
class OutputPanelHost {
public:
    virtual ~OutputPanelHost() = default;
    // Shows the display; now: paint at once (before a blocking exchange).
    virtual void Present(const OutputPanelDisplay& display, bool now) = 0;
    // The controls as the user left them.
    virtual OutputControls ReadControls() = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void SetBusy(bool busy) = 0;  // the wait cursor
};

// Who the panel talks to and how its caption names things.
struct OutputIdentity {
    std::string serial;       // the user's serial number chosen at start-up; empty: the first generator
    std::string displayName;  // its display name, may be empty
    std::string dataName;     // the document title without the generator prefix
    std::string baseCaption = OutputDialogTitle;
};

class OutputPanel {
public:
    // The document's waveform presence and settings are copied now; its
    // samples, data identity and time base are read when a transfer runs.
    OutputPanel(const CKDXDoc& doc, OutputPanelHost& host);
    ~OutputPanel();
    OutputPanel(const OutputPanel&) = delete;
    OutputPanel& operator=(const OutputPanel&) = delete;

    // The opening: buffer, caption, generator, controls, first poll. False
    // (after its message) when the sample-word buffer cannot be had.
    bool Open(const OutputIdentity& identity);
    void Poll();
    void TransferData();
    void StartStop();
    void ForceStop();
    // Any radio: all controls are taken over; the enabling follows from them.
    void RadioClicked();
    void SetDataName(std::string name);
    // Takes the controls over; an invalid repeat count keeps the previous one.
    const OutputSettings& TakeSettings();
    // Closes the generator when it is open (the dialog is closing).
    void ReleaseGenerator();

    const OutputPanelDisplay& Display() const { return display; }
    const OutputSettings& Settings() const { return settings; }
    bool GeneratorOpen() const { return generatorOpen; }
    bool DeviceSettingsValid() const { return deviceSettingsValid; }
    const std::string& UsbSerial() const { return usbSerial; }

private:
    bool OpenLink();
    void ReadGeneratorSettings();
    void ShowNotConnected();
    void ShowState(DisplayState state, uint8_t shownVersion);
    void ApplyButtons(const PanelButtons& buttons);
    void InvalidateDeviceSettings();
    void ShowHeld(HeldWaveform held);
    void RefreshMarks();
    void RefreshEnabling();
    bool ReadDialogSettings();
    void BeginAction(DisplayState state);
    void EndAction(LinkStatus status, const char* failureMessage);
    void Present(bool now = false);

    const CKDXDoc& doc;
    OutputPanelHost& host;
    bool hasWaveform = false;
    OutputSettings settings;

    std::string usbSerial;
    std::string givenSerial;
    std::string displayName;
    std::string dataName;
    std::string baseCaption;

    DeviceHandle handle = nullptr;
    bool generatorOpen = false;
    bool useRegisterProtocol = true;
    uint8_t version = 0;
    bool retriggerSupported = false;

    OutputSettings deviceSettings;
    bool deviceSettingsValid = false;
    std::optional<DeviceWaveformInfo> sent;  // what the last transfer wrote, while the generator keeps it

    OutputPanelDisplay display;
    std::optional<std::pair<DisplayState, uint8_t>> shownState;  // what the status texts were made from
    bool changed = true;  // the display differs from what was last presented
    std::vector<uint8_t> words;
};

}  // namespace kdx
