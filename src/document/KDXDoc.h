// The waveform document: one analog channel and four digital channels on one
// time base, with a one-level undo, a one-channel clipboard, the output
// settings and the fourteen dialog memories. Edits reach the undo store only
// through the edit protocol (Begin...Edit before the dialog writes the arrays,
// Commit...Edit after).
//
// Every array has the full capacity, but only what a waveform reaches is ever
// given a value: the rest costs neither memory nor the time to clear it. The
// edit backup, undo and clipboard arrays are made when first used, so a
// process that never edits (or never undoes) never pays for them. Making one
// can fail: the Begin...Edit calls, ChangeTimeBase, the per-channel commands
// and CopyChannelToClipboard then throw std::bad_alloc before they change
// anything, and the commits never need memory.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "document/DialogParams.h"
#include "document/OutputSettings.h"
#include "document/WaveformLimits.h"
#include "document/WaveformRecords.h"

namespace kdx {

// What the document needs of the modeless output panel it owns, without
// knowing its toolkit.
class OutputPanelLink {
public:
    virtual ~OutputPanelLink() = default;
    // Restores the window (as after minimising) and makes it the foreground
    // one: after an edit that leaves values out of range, or on request.
    virtual void RestoreAndActivate() = 0;
    // The panel's settings after taking its controls over; a repeat count
    // that is not valid leaves the previous count in them.
    virtual OutputSettings TakeSettings() = 0;
    // Stops polling, releases the generator and hides the window.
    virtual void Finish() = 0;
    // The document was saved under this path; the panel names it.
    virtual void SetFilePath(std::string_view path) = 0;
};

// One array of MaxSampleCount elements whose elements from the reached mark on
// have never been given a value: they read as zero once reached.
template <class T>
class SampleStore {
public:
    T* Data() { return data.get(); }
    const T* Data() const { return data.get(); }
    // Makes the array when it does not exist yet; throws std::bad_alloc.
    void Allocate() {
        if (!data) data.reset(new T[MaxSampleCount]);
    }
    // Elements [0, count) hold values: those not reached before become zero.
    void Reach(uint32_t count) {
        Allocate();
        if (count <= reached) return;
        std::fill(data.get() + reached, data.get() + count, T{});
        reached = count;
    }
    // The first count elements from source.
    void Assign(const T* source, uint32_t count) {
        Allocate();
        std::copy_n(source, count, data.get());
        reached = std::max(reached, count);
    }
    // Every element zero again.
    void Clear() { std::fill_n(data.get(), reached, T{}); }
    friend void swap(SampleStore& a, SampleStore& b) noexcept {
        a.data.swap(b.data);
        std::swap(a.reached, b.reached);
    }

private:
    std::unique_ptr<T[]> data;
    uint32_t reached = 0;
};

struct UndoResult {
    bool done = false;
    int32_t kind = 0;  // channel 0..3, UndoKindAnalog, UndoKindAllDigital or UndoKindTimeBase
};

class CKDXDoc {
public:
    CKDXDoc();
    CKDXDoc(const CKDXDoc&) = delete;
    CKDXDoc& operator=(const CKDXDoc&) = delete;

    // Queries.
    bool HasWaveform() const { return hasWaveform; }
    bool IsDataModified() const { return dataModified; }
    uint64_t GetTotalTime() const { return totalTimeNs; }
    uint32_t GetSampleCount() const { return sampleCount; }
    uint32_t GetSamplingStep() const { return samplingStep; }
    int64_t GetSamplingTime() const { return int64_t{samplingStep} * BaseClockNs; }
    const double* GetAnalogSamples() const { return analogSamples.Data(); }
    double* AnalogSamples() { return analogSamples.Data(); }
    // Channel 0..3; nullptr for any other number (no storage exists for 4..7).
    const uint8_t* GetDigitalChannel(int ch) const;
    uint8_t* DigitalChannel(int ch);
    ConstSampleArrays GetSampleArrays() const;
    SampleArrays GetSampleArrays();
    int32_t GetEditCount() const { return editCount; }
    bool IsUndoAvailable() const { return undoAvailable; }
    int32_t GetUndoKind() const { return undoKind; }
    bool IsClipboardValid() const { return clipboardValid; }
    int32_t GetClipboardSourceChannel() const { return clipboardSourceChannel; }
    bool IsOutputSettingsChanged() const { return !(outputSettings == savedOutputSettings); }
    bool HasAnalogOutOfRange() const;
    int32_t GetDataId() const { return dataId; }
    const int32_t& DataIdRef() const { return dataId; }  // the output panel reads it at transfer time
    int32_t GetDocumentId() const { return documentId; }
    const std::array<std::string, SignalNameCount>& GetSignalNames() const { return signalNames; }

    OutputSettings& GetOutputSettings() { return outputSettings; }
    const OutputSettings& GetOutputSettings() const { return outputSettings; }
    const OutputSettings& GetSavedOutputSettings() const { return savedOutputSettings; }
    DialogMemories& Memories() { return memories; }
    const DialogMemories& Memories() const { return memories; }
    std::string& DigitalSerialText() { return digitalSerialText; }
    std::string& DigitalParallelText() { return digitalParallelText; }

    // Life cycle.
    bool NewWaveform(int64_t samplingTimeNs, int64_t count);
    // Open: copies header.sampleCount samples from the reader's buffers, then
    // takes the time base, and with memories (a file of the current format)
    // the identities, count, names and dialog memories; without, new ones.
    void LoadFromFile(const WaveformHeader& header, ConstSampleArrays samples, const DialogMemories& params,
                      bool withMemories);
    // Fills the document's part of the header record (time base, identities,
    // edit count, names, output settings) and the memories for the writer.
    void CollectForSave(WaveformHeader& header, DialogMemories& params) const;
    void MarkSaved();

    // Time base.
    bool SetTimeBase(int64_t samplingTimeNs, int64_t count);
    bool ChangeTimeBase(int64_t samplingTimeNs, int64_t count);

    // Edit protocol.
    void BeginAnalogEdit();
    void CommitAnalogEdit();
    void BeginDigitalEdit(int32_t kind);
    void CommitDigitalEdit(int32_t kind, bool makeUndoable);
    void BeginFullEdit();

    UndoResult Undo();

    // Per-channel commands; false only for a channel number outside 0..3
    // (and for Paste with an empty clipboard).
    bool InvertChannel(int ch);
    bool CopyChannelToClipboard(int ch);
    bool PasteChannel(int ch);
    bool CopyChannel(int sourceCh, int targetCh);
    bool ClearChannel(int ch);

    // The modeless output panel, at most one, owned here; the frame makes it.
    bool HasOutputDialog() const { return outputDialog != nullptr; }
    OutputPanelLink* GetOutputPanel() const { return outputDialog.get(); }
    // Keeps what make returns (nothing when it fails); nothing happens while
    // a panel exists.
    void OpenOutputDialog(const std::function<std::unique_ptr<OutputPanelLink>()>& make);
    // The panel's settings into outputSettings (before saving or asking to).
    void TakeOutputDialogSettings();
    // Takes its settings, lets it finish and destroys it.
    void CloseOutputDialog();
    void BringOutputDialogToFront();
    void SetOutputDialogFilePath(std::string_view path);

    // A fresh identity value, 0..32767.
    int32_t NewRandomValue();
    // Seeds the identity generator (tests that need repeatable identities).
    void SeedRandom(uint32_t seed) { random.seed(seed); }

private:
    void ApplySyncRule();
    void ResetMemories();
    void NoticeOutOfRange();
    void RenewDataId(bool undoable);
    // The undo step takes the backups of a digital kind.
    void HandOverDigital(int32_t kind);
    static bool ValidChannel(int ch) { return ch >= 0 && ch < DigitalChannelCount; }

    bool hasWaveform = false;
    bool dataModified = false;
    uint64_t totalTimeNs = 0;
    uint32_t sampleCount = 0;
    uint32_t samplingStep = 0;
    uint32_t timeUnitNs = BaseClockNs;
    int32_t dataId = 0;
    std::optional<int32_t> undoDataId;  // the identity the undo step's samples had
    int32_t documentId = 0;
    SampleStore<double> analogSamples;
    std::array<SampleStore<uint8_t>, DigitalChannelCount> digitalSamples;
    std::array<std::string, SignalNameCount> signalNames{};
    // A commit hands the backup over to the undo step, which needs no copy;
    // the old undo array becomes the next edit's backup.
    SampleStore<double> editBackupAnalog;
    std::array<SampleStore<uint8_t>, DigitalChannelCount> editBackupDigital;
    uint32_t undoSamplingTimeNs = 0;
    uint32_t undoSampleCount = 0;
    SampleStore<double> undoAnalog;
    std::array<SampleStore<uint8_t>, DigitalChannelCount> undoDigital;
    bool undoAvailable = false;
    int32_t undoKind = 0;
    SampleStore<uint8_t> clipboardDigital;
    int32_t clipboardSourceChannel = 0;
    bool clipboardValid = false;
    OutputSettings outputSettings;
    OutputSettings savedOutputSettings;
    int32_t editCount = 0;
    int32_t openedEditCount = 0;
    int32_t savedEditCount = 0;  // editCount as of the last New, Open or Save
    DialogMemories memories;
    std::string digitalSerialText;
    std::string digitalParallelText;
    std::unique_ptr<OutputPanelLink> outputDialog;
    std::mt19937 random;
};

}  // namespace kdx
