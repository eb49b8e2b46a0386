#include "document/KDXDoc.h"

#include <algorithm>
#include <cstring>

namespace kdx {

namespace {

// The sync pulse of a very short waveform must be the short one, whatever the
// settings came from.
constexpr uint64_t ShortSyncPulseBelowNs = 20000;

template <class T> void CopyPrefix(const SampleStore<T>& from, SampleStore<T>& to, uint32_t count) {
    to.Assign(from.Data(), count);
}

// The backup becomes the undo copy. A commit without its begin hands over
// zeros, as an untouched backup held them.
template <class T> void HandOver(SampleStore<T>& backup, SampleStore<T>& undo, uint32_t count) {
    backup.Reach(count);
    swap(backup, undo);
}

}  // namespace

CKDXDoc::CKDXDoc() : random(std::random_device{}()) {
    // The sample arrays exist from the start (callers may hold their
    // addresses); none of their memory is touched yet.
    analogSamples.Allocate();
    for (auto& channel : digitalSamples) channel.Allocate();
}

const uint8_t* CKDXDoc::GetDigitalChannel(int ch) const {
    return ValidChannel(ch) ? digitalSamples[ch].Data() : nullptr;
}

uint8_t* CKDXDoc::DigitalChannel(int ch) { return ValidChannel(ch) ? digitalSamples[ch].Data() : nullptr; }

ConstSampleArrays CKDXDoc::GetSampleArrays() const {
    return {analogSamples.Data(),
            {digitalSamples[0].Data(), digitalSamples[1].Data(), digitalSamples[2].Data(), digitalSamples[3].Data()}};
}

SampleArrays CKDXDoc::GetSampleArrays() {
    return {analogSamples.Data(),
            {digitalSamples[0].Data(), digitalSamples[1].Data(), digitalSamples[2].Data(), digitalSamples[3].Data()}};
}

bool CKDXDoc::HasAnalogOutOfRange() const {
    return std::any_of(analogSamples.Data(), analogSamples.Data() + sampleCount,
                       [](double v) { return v < -1.0 || v > 1.0; });
}

int32_t CKDXDoc::NewRandomValue() { return std::uniform_int_distribution<int32_t>(0, 32767)(random); }

bool CKDXDoc::SetTimeBase(int64_t samplingTimeNs, int64_t count) {
    // A count below 1 is refused before the product is formed: a huge negative
    // one would run the product past the 64-bit range and wrap to a total
    // that looks legal.
    if (samplingTimeNs < MinSamplingTimeNs || count < 1 || count > int64_t{MaxSampleCount}) return false;
    const int64_t step = samplingTimeNs / BaseClockNs;  // a time between two clock steps is truncated
    if (step == 0 || step > int64_t{MaxSamplingStep}) return false;
    const int64_t total = step * BaseClockNs * count;
    if (total < int64_t{BaseClockNs}) return false;
    samplingStep = static_cast<uint32_t>(step);
    sampleCount = static_cast<uint32_t>(count);
    totalTimeNs = static_cast<uint64_t>(total);
    return true;
}

void CKDXDoc::ApplySyncRule() {
    const uint8_t width = totalTimeNs < ShortSyncPulseBelowNs ? 1 : 0;
    outputSettings.syncPulseWidth = width;
    savedOutputSettings.syncPulseWidth = width;
}

void CKDXDoc::ResetMemories() {
    memories = DialogMemories{};
    digitalSerialText.clear();
    digitalParallelText.clear();
}

bool CKDXDoc::NewWaveform(int64_t samplingTimeNs, int64_t count) {
    if (!SetTimeBase(samplingTimeNs, count)) return false;
    // Everything ever reached is cleared; the undo arrays are not, as no undo
    // can read them before an edit has written them again.
    analogSamples.Clear();
    analogSamples.Reach(sampleCount);
    for (auto& channel : digitalSamples) {
        channel.Clear();
        channel.Reach(sampleCount);
    }
    editCount = openedEditCount = savedEditCount = 0;
    outputSettings = savedOutputSettings = OutputSettings{};
    ApplySyncRule();
    ResetMemories();
    signalNames = {};
    hasWaveform = true;
    dataModified = false;
    undoAvailable = false;
    clipboardValid = false;
    documentId = NewRandomValue();
    dataId = NewRandomValue();
    return true;
}

void CKDXDoc::LoadFromFile(const WaveformHeader& header, ConstSampleArrays samples, const DialogMemories& params,
                           bool withMemories) {
    // The reader has validated the header; a count or step out of range here
    // would be a caller's fault, so clamp rather than overrun the arrays.
    const uint32_t n = std::min(header.sampleCount, MaxSampleCount);
    analogSamples.Assign(samples.analog, n);
    for (int ch = 0; ch < DigitalChannelCount; ++ch) digitalSamples[ch].Assign(samples.digital[ch], n);

    totalTimeNs = header.totalTimeNs;
    samplingStep = header.samplingStep;
    sampleCount = n;
    timeUnitNs = BaseClockNs;
    if (withMemories) {
        dataId = header.dataId;
        documentId = header.documentId;
        signalNames = header.signalNames;
        editCount = openedEditCount = header.editCount;
        memories = params;
        digitalSerialText.clear();
        digitalParallelText.clear();
    } else {
        dataId = NewRandomValue();
        documentId = NewRandomValue();
        editCount = openedEditCount = 0;
        signalNames = {};
        ResetMemories();
    }
    savedEditCount = editCount;
    outputSettings = savedOutputSettings = header.output;
    ApplySyncRule();
    hasWaveform = true;
    dataModified = false;
    undoAvailable = false;
    clipboardValid = false;
}

void CKDXDoc::CollectForSave(WaveformHeader& header, DialogMemories& params) const {
    header.totalTimeNs = totalTimeNs;
    header.samplingStep = samplingStep;
    header.sampleCount = sampleCount;
    header.timeUnitNs = timeUnitNs;
    header.dataId = dataId;
    header.documentId = documentId;
    header.editCount = editCount;
    header.signalNames = signalNames;
    header.output = outputSettings;
    header.formatVersion = FileFormatVersion;
    params = memories;
}

void CKDXDoc::MarkSaved() {
    dataModified = false;
    savedOutputSettings = outputSettings;
    savedEditCount = editCount;
}

void CKDXDoc::NoticeOutOfRange() {
    if (outputDialog != nullptr && HasAnalogOutOfRange()) outputDialog->RestoreAndActivate();
}

void CKDXDoc::OpenOutputDialog(const std::function<std::unique_ptr<OutputPanelLink>()>& make) {
    if (outputDialog == nullptr) outputDialog = make();
}

void CKDXDoc::TakeOutputDialogSettings() {
    if (outputDialog != nullptr) outputSettings = outputDialog->TakeSettings();
}

void CKDXDoc::CloseOutputDialog() {
    if (outputDialog == nullptr) return;
    TakeOutputDialogSettings();
    outputDialog->Finish();
    outputDialog.reset();
}

void CKDXDoc::BringOutputDialogToFront() {
    if (outputDialog != nullptr) outputDialog->RestoreAndActivate();
}

void CKDXDoc::SetOutputDialogFilePath(std::string_view path) {
    if (outputDialog != nullptr) outputDialog->SetFilePath(path);
}

bool CKDXDoc::ChangeTimeBase(int64_t samplingTimeNs, int64_t count) {
    const uint32_t oldSamplingNs = static_cast<uint32_t>(GetSamplingTime());
    const uint32_t oldCount = sampleCount;
    BeginFullEdit();
    if (!SetTimeBase(samplingTimeNs, count)) return false;
    if (sampleCount > oldCount) {
        analogSamples.Reach(sampleCount);
        std::fill(analogSamples.Data() + oldCount, analogSamples.Data() + sampleCount, 0.0);
        for (auto& channel : digitalSamples) {
            channel.Reach(sampleCount);
            std::fill(channel.Data() + oldCount, channel.Data() + sampleCount, uint8_t{0});
        }
    }
    undoSamplingTimeNs = oldSamplingNs;
    undoSampleCount = oldCount;
    HandOver(editBackupAnalog, undoAnalog, oldCount);
    for (int ch = 0; ch < DigitalChannelCount; ++ch) HandOver(editBackupDigital[ch], undoDigital[ch], oldCount);
    ++editCount;
    undoKind = UndoKindTimeBase;
    undoAvailable = true;
    dataModified = true;
    RenewDataId(true);
    NoticeOutOfRange();
    return true;
}

void CKDXDoc::BeginAnalogEdit() { CopyPrefix(analogSamples, editBackupAnalog, sampleCount); }

void CKDXDoc::CommitAnalogEdit() {
    HandOver(editBackupAnalog, undoAnalog, sampleCount);
    ++editCount;
    undoKind = UndoKindAnalog;
    undoAvailable = true;
    dataModified = true;
    RenewDataId(true);
    NoticeOutOfRange();
}

void CKDXDoc::BeginDigitalEdit(int32_t kind) {
    if (ValidChannel(kind)) {
        CopyPrefix(digitalSamples[kind], editBackupDigital[kind], sampleCount);
    } else if (kind == UndoKindAllDigital) {
        for (int ch = 0; ch < DigitalChannelCount; ++ch)
            CopyPrefix(digitalSamples[ch], editBackupDigital[ch], sampleCount);
    }
}

void CKDXDoc::HandOverDigital(int32_t kind) {
    if (ValidChannel(kind)) {
        HandOver(editBackupDigital[kind], undoDigital[kind], sampleCount);
    } else if (kind == UndoKindAllDigital) {
        for (int ch = 0; ch < DigitalChannelCount; ++ch) HandOver(editBackupDigital[ch], undoDigital[ch], sampleCount);
    }
}

void CKDXDoc::CommitDigitalEdit(int32_t kind, bool makeUndoable) {
    HandOverDigital(kind);
    ++editCount;
    if (makeUndoable) {
        undoAvailable = true;
        undoKind = kind;
    }
    dataModified = true;
    RenewDataId(makeUndoable);
}

void CKDXDoc::RenewDataId(bool undoable) {
    // The undo step brings back the samples the old identity named, so it
    // brings back that identity too; an edit that cannot be undone leaves the
    // older step's samples no longer what any identity named.
    undoDataId = undoable ? std::optional<int32_t>(dataId) : std::nullopt;
    dataId = NewRandomValue();
}

void CKDXDoc::BeginFullEdit() {
    BeginAnalogEdit();
    BeginDigitalEdit(UndoKindAllDigital);
}

UndoResult CKDXDoc::Undo() {
    if (!undoAvailable) return {};
    if (ValidChannel(undoKind)) {
        CopyPrefix(undoDigital[undoKind], digitalSamples[undoKind], sampleCount);
    } else if (undoKind == UndoKindAllDigital) {
        for (int ch = 0; ch < DigitalChannelCount; ++ch) CopyPrefix(undoDigital[ch], digitalSamples[ch], sampleCount);
    } else if (undoKind == UndoKindAnalog) {
        CopyPrefix(undoAnalog, analogSamples, sampleCount);
    } else if (undoKind == UndoKindTimeBase) {
        SetTimeBase(undoSamplingTimeNs, undoSampleCount);
        CopyPrefix(undoAnalog, analogSamples, undoSampleCount);
    }
    --editCount;
    // Back at the count of the last New, Open or Save the samples are those of
    // the file again. Undoing past a save leaves them different from the file,
    // which must count as a change, or closing would drop the undone state.
    dataModified = editCount != savedEditCount;
    undoAvailable = false;
    dataId = undoDataId.value_or(NewRandomValue());
    undoDataId.reset();
    return {true, undoKind};
}

bool CKDXDoc::InvertChannel(int ch) {
    if (!ValidChannel(ch)) return false;
    BeginDigitalEdit(ch);
    uint8_t* channel = digitalSamples[ch].Data();
    std::transform(channel, channel + sampleCount, channel, [](uint8_t v) { return static_cast<uint8_t>(v == 0 ? 1 : 0); });
    CommitDigitalEdit(ch, true);
    return true;
}

bool CKDXDoc::CopyChannelToClipboard(int ch) {
    if (!ValidChannel(ch)) return false;
    CopyPrefix(digitalSamples[ch], clipboardDigital, sampleCount);
    clipboardSourceChannel = ch;
    clipboardValid = true;
    return true;
}

bool CKDXDoc::PasteChannel(int ch) {
    if (!ValidChannel(ch) || !clipboardValid) return false;
    BeginDigitalEdit(ch);
    // Copied from a shorter waveform, the clipboard reads zero past its end.
    clipboardDigital.Reach(sampleCount);
    CopyPrefix(clipboardDigital, digitalSamples[ch], sampleCount);
    CommitDigitalEdit(ch, true);
    return true;
}

bool CKDXDoc::CopyChannel(int sourceCh, int targetCh) {
    if (!ValidChannel(sourceCh) || !ValidChannel(targetCh)) return false;
    BeginDigitalEdit(targetCh);
    CopyPrefix(digitalSamples[sourceCh], digitalSamples[targetCh], sampleCount);
    CommitDigitalEdit(targetCh, true);
    return true;
}

bool CKDXDoc::ClearChannel(int ch) {
    if (!ValidChannel(ch)) return false;
    BeginDigitalEdit(ch);
    std::fill_n(digitalSamples[ch].Data(), sampleCount, uint8_t{0});
    CommitDigitalEdit(ch, true);
    return true;
}

}  // namespace kdx
