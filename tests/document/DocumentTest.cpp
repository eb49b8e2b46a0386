#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <set>

#include "document/KDXDoc.h"
#include "support/FailingAllocation.h"

using namespace kdx;

namespace {

std::unique_ptr<CKDXDoc> NewDoc(int64_t samplingNs = 20, int64_t count = 1000) {
    auto doc = std::make_unique<CKDXDoc>();
    EXPECT_TRUE(doc->NewWaveform(samplingNs, count));
    return doc;
}

// Counts how often the document brings its output panel forward.
struct PanelSpy : OutputPanelLink {
    int& raised;
    explicit PanelSpy(int& raised) : raised(raised) {}
    void RestoreAndActivate() override { ++raised; }
    OutputSettings TakeSettings() override { return {}; }
    void Finish() override {}
    void SetFilePath(std::string_view) override {}
};

}  // namespace

TEST(DocumentTimeBase, AcceptsOnlyLegalSamplingTimesAndCounts) {
    CKDXDoc doc;
    EXPECT_TRUE(doc.SetTimeBase(25, 1000));
    EXPECT_EQ(doc.GetSamplingTime(), 20);  // truncated to the base clock
    EXPECT_EQ(doc.GetTotalTime(), 20000u);
    EXPECT_FALSE(doc.SetTimeBase(19, 1000));
    EXPECT_FALSE(doc.SetTimeBase(20, 262145));
    EXPECT_FALSE(doc.SetTimeBase(20, 0));
    EXPECT_FALSE(doc.SetTimeBase(20, -5));
    EXPECT_FALSE(doc.SetTimeBase(MaxSamplingTimeNs + 20, 10));
    EXPECT_TRUE(doc.SetTimeBase(MaxSamplingTimeNs, MaxSampleCount));
    EXPECT_EQ(doc.GetTotalTime(), 87960930222080u);
    // A failed call keeps the previous time base.
    EXPECT_FALSE(doc.SetTimeBase(0, 10));
    EXPECT_EQ(doc.GetSampleCount(), MaxSampleCount);
}

// A negative count so large that sampling time x count runs past the 64-bit
// range must not come out as a positive total and be taken: its low 32 bits
// would become a sample count far beyond the arrays.
TEST(DocumentTimeBase, HugeNegativeCountIsRefusedNotWrapped) {
    CKDXDoc doc;
    ASSERT_TRUE(doc.SetTimeBase(20, 1000));
    const int64_t wrapsPositive = std::numeric_limits<int64_t>::min() / 20 - 1;
    EXPECT_FALSE(doc.SetTimeBase(20, wrapsPositive));
    EXPECT_FALSE(doc.SetTimeBase(MaxSamplingTimeNs, std::numeric_limits<int64_t>::min() / 335544320 - 1));
    EXPECT_EQ(doc.GetSampleCount(), 1000u);
    EXPECT_EQ(doc.GetTotalTime(), 20000u);
}

TEST(DocumentNew, ClearsEverythingAndAppliesTheSyncRule) {
    auto doc = NewDoc(20, 999);  // 19 980 ns: short sync pulse
    EXPECT_TRUE(doc->HasWaveform());
    EXPECT_FALSE(doc->IsDataModified());
    EXPECT_EQ(doc->GetOutputSettings().syncPulseWidth, 1);
    EXPECT_FALSE(doc->IsOutputSettingsChanged());
    EXPECT_EQ(doc->GetOutputSettings().repeatCount, 1);

    doc->AnalogSamples()[5] = 0.5;
    doc->DigitalChannel(2)[7] = 1;
    doc->Memories().sineParams.v1 = 3.0;
    doc->CopyChannelToClipboard(0);
    ASSERT_TRUE(doc->NewWaveform(20, 1000));  // 20 000 ns: long pulse
    EXPECT_EQ(doc->GetOutputSettings().syncPulseWidth, 0);
    EXPECT_EQ(doc->GetAnalogSamples()[5], 0.0);
    EXPECT_EQ(doc->GetDigitalChannel(2)[7], 0);
    EXPECT_EQ(doc->Memories(), DialogMemories{});
    EXPECT_FALSE(doc->IsClipboardValid());
    EXPECT_FALSE(doc->IsUndoAvailable());
    EXPECT_EQ(doc->GetEditCount(), 0);
}

TEST(DocumentNew, FailureChangesNothing) {
    auto doc = NewDoc(40, 500);
    doc->AnalogSamples()[1] = 0.25;
    EXPECT_FALSE(doc->NewWaveform(19, 10));
    EXPECT_EQ(doc->GetSampleCount(), 500u);
    EXPECT_EQ(doc->GetAnalogSamples()[1], 0.25);
}

TEST(DocumentIdentity, EveryCommittedEditRenewsTheDataIdWithinTheSameSecond) {
    auto doc = NewDoc();
    std::set<int32_t> seen{doc->GetDataId()};
    for (int i = 0; i < 50; ++i) {
        doc->BeginAnalogEdit();
        doc->CommitAnalogEdit();
        EXPECT_GE(doc->GetDataId(), 0);
        EXPECT_LE(doc->GetDataId(), 32767);
        seen.insert(doc->GetDataId());
    }
    // Fifty draws from 32768 values: repeats are possible but never all alike.
    EXPECT_GT(seen.size(), 40u);

    // Undo brings back the samples, and with them the identity they had.
    const int32_t before = doc->GetDataId();
    doc->BeginDigitalEdit(1);
    doc->CommitDigitalEdit(1, true);
    doc->Undo();
    EXPECT_EQ(doc->GetDataId(), before);
    // After an edit that cannot be undone, the older step's samples are new data.
    doc->BeginAnalogEdit();
    doc->CommitAnalogEdit();
    const int32_t analog = doc->GetDataId();
    doc->BeginDigitalEdit(2);
    doc->CommitDigitalEdit(2, false);
    const int32_t shifted = doc->GetDataId();
    doc->Undo();
    EXPECT_NE(doc->GetDataId(), analog);
    EXPECT_NE(doc->GetDataId(), shifted);
}

TEST(DocumentUndo, ModifiedFlagFollowsTheEditCount) {
    auto doc = NewDoc();
    doc->BeginAnalogEdit();
    doc->AnalogSamples()[3] = 0.7;
    doc->CommitAnalogEdit();
    EXPECT_TRUE(doc->IsDataModified());
    auto r = doc->Undo();
    EXPECT_TRUE(r.done);
    EXPECT_EQ(r.kind, UndoKindAnalog);
    EXPECT_EQ(doc->GetAnalogSamples()[3], 0.0);
    EXPECT_FALSE(doc->IsDataModified());
    EXPECT_FALSE(doc->Undo().done);  // no redo, no second step

    // Edit, edit, undo: still modified.
    for (int i = 0; i < 2; ++i) {
        doc->BeginAnalogEdit();
        doc->AnalogSamples()[3] = 0.1 * (i + 1);
        doc->CommitAnalogEdit();
    }
    doc->Undo();
    EXPECT_TRUE(doc->IsDataModified());
    EXPECT_DOUBLE_EQ(doc->GetAnalogSamples()[3], 0.1);
    EXPECT_EQ(doc->GetEditCount(), 1);
}

TEST(DocumentUndo, UndoPastASaveCountsAsAChange) {
    auto doc = NewDoc();
    doc->BeginAnalogEdit();
    doc->AnalogSamples()[0] = 0.5;
    doc->CommitAnalogEdit();
    doc->MarkSaved();
    EXPECT_FALSE(doc->IsDataModified());
    doc->Undo();
    EXPECT_TRUE(doc->IsDataModified());
}

TEST(DocumentUndo, DigitalKindsRestoreOnlyWhatTheyCover) {
    auto doc = NewDoc();
    std::fill_n(doc->DigitalChannel(1), 1000, uint8_t{1});
    std::fill_n(doc->DigitalChannel(2), 1000, uint8_t{1});
    ASSERT_TRUE(doc->ClearChannel(2));
    doc->DigitalChannel(1)[0] = 0;  // not part of the undo step
    auto r = doc->Undo();
    EXPECT_EQ(r.kind, 2);
    EXPECT_EQ(doc->GetDigitalChannel(2)[999], 1);
    EXPECT_EQ(doc->GetDigitalChannel(1)[0], 0);

    doc->BeginDigitalEdit(UndoKindAllDigital);
    for (int ch = 0; ch < 4; ++ch) doc->DigitalChannel(ch)[10] = 1;
    doc->CommitDigitalEdit(UndoKindAllDigital, true);
    doc->Undo();
    EXPECT_EQ(doc->GetDigitalChannel(0)[10], 0);
    EXPECT_EQ(doc->GetDigitalChannel(3)[10], 0);
    EXPECT_EQ(doc->GetDigitalChannel(1)[10], 1);
}

TEST(DocumentTimeBaseChange, ShorteningAndUndoKeepHiddenSamples) {
    auto doc = NewDoc(20, 1000);
    for (int i = 0; i < 1000; ++i) {
        doc->AnalogSamples()[i] = i / 1000.0;
        doc->DigitalChannel(0)[i] = i & 1;
    }
    ASSERT_TRUE(doc->ChangeTimeBase(20, 400));
    EXPECT_EQ(doc->GetSampleCount(), 400u);
    EXPECT_TRUE(doc->IsDataModified());
    EXPECT_EQ(doc->GetDigitalChannel(0)[999], 1);  // beyond the count, untouched
    auto r = doc->Undo();
    EXPECT_EQ(r.kind, UndoKindTimeBase);
    EXPECT_EQ(doc->GetSampleCount(), 1000u);
    EXPECT_EQ(doc->GetTotalTime(), 20000u);
    EXPECT_DOUBLE_EQ(doc->GetAnalogSamples()[999], 0.999);
    EXPECT_EQ(doc->GetDigitalChannel(0)[999], 1);
    EXPECT_FALSE(doc->IsDataModified());
}

TEST(DocumentTimeBaseChange, LengtheningClearsTheNewSamplesAndFailureKeepsUndo) {
    auto doc = NewDoc(20, 1000);
    std::fill_n(doc->AnalogSamples(), MaxSampleCount, 0.3);
    std::fill_n(doc->DigitalChannel(3), MaxSampleCount, uint8_t{1});
    ASSERT_TRUE(doc->ChangeTimeBase(20, 2000));
    EXPECT_EQ(doc->GetAnalogSamples()[999], 0.3);
    EXPECT_EQ(doc->GetAnalogSamples()[1000], 0.0);
    EXPECT_EQ(doc->GetAnalogSamples()[1999], 0.0);
    EXPECT_EQ(doc->GetDigitalChannel(3)[1999], 0);
    EXPECT_EQ(doc->GetAnalogSamples()[2000], 0.3);  // beyond the new count

    const int32_t count = doc->GetEditCount();
    EXPECT_FALSE(doc->ChangeTimeBase(20, 300000));
    EXPECT_EQ(doc->GetEditCount(), count);
    EXPECT_EQ(doc->GetUndoKind(), UndoKindTimeBase);
}

TEST(DocumentChannels, InvertCopyPasteClear) {
    auto doc = NewDoc(20, 100);
    doc->DigitalChannel(0)[0] = 2;  // a stray byte inverts to 0
    doc->DigitalChannel(0)[1] = 0;
    ASSERT_TRUE(doc->InvertChannel(0));
    EXPECT_EQ(doc->GetDigitalChannel(0)[0], 0);
    EXPECT_EQ(doc->GetDigitalChannel(0)[1], 1);

    EXPECT_FALSE(doc->PasteChannel(3));  // nothing copied yet
    doc->DigitalChannel(1)[5] = 1;
    ASSERT_TRUE(doc->CopyChannelToClipboard(1));
    EXPECT_FALSE(doc->IsDataModified() && doc->GetUndoKind() == 1);
    doc->DigitalChannel(1)[5] = 0;  // later edits of the source do not reach the clipboard
    ASSERT_TRUE(doc->PasteChannel(3));
    EXPECT_EQ(doc->GetDigitalChannel(3)[5], 1);
    EXPECT_EQ(doc->GetUndoKind(), 3);

    ASSERT_TRUE(doc->CopyChannel(0, 2));
    EXPECT_TRUE(std::equal(doc->GetDigitalChannel(0), doc->GetDigitalChannel(0) + 100, doc->GetDigitalChannel(2)));
    EXPECT_EQ(doc->GetUndoKind(), 2);

    for (int bad : {-1, 4, 7}) {
        EXPECT_FALSE(doc->InvertChannel(bad));
        EXPECT_FALSE(doc->ClearChannel(bad));
        EXPECT_FALSE(doc->CopyChannelToClipboard(bad));
        EXPECT_FALSE(doc->CopyChannel(bad, 0));
        EXPECT_EQ(doc->GetDigitalChannel(bad), nullptr);
    }
}

TEST(DocumentOutputSettings, ChangeIsTrackedUntilSaved) {
    auto doc = NewDoc();
    EXPECT_FALSE(doc->IsOutputSettingsChanged());
    doc->GetOutputSettings().repeatCount = 7;
    EXPECT_TRUE(doc->IsOutputSettingsChanged());
    EXPECT_FALSE(doc->IsDataModified());
    doc->MarkSaved();
    EXPECT_FALSE(doc->IsOutputSettingsChanged());
    doc->GetOutputSettings().retrigger = 1;
    EXPECT_TRUE(doc->IsOutputSettingsChanged());
}

TEST(DocumentOutOfRange, AnalogCommitBringsThePanelForward) {
    auto doc = NewDoc(20, 100);
    struct {
        int raised = 0;
    } panel;  // outlives the spy the document owns
    doc->OpenOutputDialog([&] { return std::make_unique<PanelSpy>(panel.raised); });
    doc->BeginAnalogEdit();
    doc->AnalogSamples()[10] = 1.0;  // the edge itself is in range
    doc->CommitAnalogEdit();
    EXPECT_EQ(panel.raised, 0);
    doc->BeginAnalogEdit();
    doc->AnalogSamples()[10] = 1.5;
    doc->CommitAnalogEdit();
    EXPECT_EQ(panel.raised, 1);
    doc->InvertChannel(0);  // digital edits never raise it
    EXPECT_EQ(panel.raised, 1);
    doc->AnalogSamples()[10] = 0.0;
    doc->AnalogSamples()[100] = 5.0;  // beyond the count does not count
    EXPECT_FALSE(doc->HasAnalogOutOfRange());
}

TEST(DocumentLoad, WithAndWithoutMemories) {
    auto doc = NewDoc();
    SampleBuffers buffers;
    buffers.analog[0] = 0.75;
    buffers.digital[3][1] = 1;
    WaveformHeader header;
    header.totalTimeNs = 40 * 50;
    header.samplingStep = 2;
    header.sampleCount = 50;
    header.dataId = 1234;
    header.documentId = 4321;
    header.editCount = 9;
    header.signalNames[0] = "AN";
    header.output.repeatCount = 12;
    header.output.syncPulseWidth = 0;  // overwritten: 2000 ns is short
    DialogMemories params;
    params.dcParams.value = 0.5;

    doc->LoadFromFile(header, ArraysOf(buffers), params, true);
    EXPECT_EQ(doc->GetSampleCount(), 50u);
    EXPECT_EQ(doc->GetSamplingTime(), 40);
    EXPECT_EQ(doc->GetAnalogSamples()[0], 0.75);
    EXPECT_EQ(doc->GetDigitalChannel(3)[1], 1);
    EXPECT_EQ(doc->GetDataId(), 1234);
    EXPECT_EQ(doc->GetDocumentId(), 4321);
    EXPECT_EQ(doc->GetEditCount(), 9);
    EXPECT_EQ(doc->GetSignalNames()[0], "AN");
    EXPECT_EQ(doc->Memories().dcParams.value, 0.5);
    EXPECT_EQ(doc->GetOutputSettings().repeatCount, 12);
    EXPECT_EQ(doc->GetOutputSettings().syncPulseWidth, 1);
    EXPECT_FALSE(doc->IsOutputSettingsChanged());
    // An undo of the loaded state brings the count back to the file's.
    doc->InvertChannel(0);
    doc->Undo();
    EXPECT_FALSE(doc->IsDataModified());

    doc->LoadFromFile(header, ArraysOf(buffers), params, false);
    EXPECT_EQ(doc->GetEditCount(), 0);
    EXPECT_EQ(doc->GetSignalNames()[0], "");
    EXPECT_EQ(doc->Memories(), DialogMemories{});
    EXPECT_EQ(doc->GetOutputSettings().repeatCount, 12);

    WaveformHeader saved;
    DialogMemories savedParams;
    doc->CollectForSave(saved, savedParams);
    EXPECT_EQ(saved.totalTimeNs, 2000u);
    EXPECT_EQ(saved.samplingStep, 2u);
    EXPECT_EQ(saved.sampleCount, 50u);
    EXPECT_EQ(saved.timeUnitNs, 20u);
    EXPECT_EQ(saved.dataId, doc->GetDataId());
    EXPECT_EQ(saved.formatVersion, FileFormatVersion);
}

#include <filesystem>

#include "document/WaveformFile.h"

TEST(DocumentFile, EditedDocumentReadsBackFieldForField) {
    auto doc = NewDoc(60, 4321);
    doc->BeginAnalogEdit();
    for (uint32_t i = 0; i < doc->GetSampleCount(); ++i) doc->AnalogSamples()[i] = (i % 97) / 40.0 - 1.2;
    doc->CommitAnalogEdit();
    doc->BeginDigitalEdit(UndoKindAllDigital);
    for (uint32_t i = 0; i < doc->GetSampleCount(); ++i)
        for (int ch = 0; ch < 4; ++ch) doc->DigitalChannel(ch)[i] = static_cast<uint8_t>((i >> ch) & 1);
    doc->CommitDigitalEdit(UndoKindAllDigital, true);
    doc->GetOutputSettings() = OutputSettings{2, 1, 1, 1, 1, 1, 1, 1, 65536, 1};
    doc->Memories().sineParams.v1 = 0.9;
    doc->Memories().digitalSwapParams.secondChannel = 3;
    doc->Memories().digitalClockParams.level1 = 0;

    WaveformHeader header;
    DialogMemories params;
    doc->CollectForSave(header, params);
    header.frame = FrameBlock{false, false, true, true, "tag"};
    header.view.cursorSample = 77;
    const auto path = std::filesystem::temp_directory_path() / ("kdx-doc-" + std::to_string(::getpid()) + ".kdx");
    std::string message;
    ASSERT_TRUE(WriteWaveformFile(path, header, doc->GetSampleArrays(), params, message)) << message;

    WaveformHeader readHeader;
    DialogMemories readParams;
    SampleBuffers buffers;
    ASSERT_TRUE(ReadWaveformFile(path, readHeader, ArraysOf(buffers), readParams, FileFormatVersion, message))
        << message;
    std::filesystem::remove(path);
    EXPECT_EQ(readHeader, header);
    EXPECT_EQ(readParams, params);

    CKDXDoc reopened;
    reopened.LoadFromFile(readHeader, ArraysOf(buffers), readParams, true);
    EXPECT_EQ(reopened.GetTotalTime(), doc->GetTotalTime());
    EXPECT_EQ(reopened.GetDataId(), doc->GetDataId());
    EXPECT_EQ(reopened.GetDocumentId(), doc->GetDocumentId());
    EXPECT_EQ(reopened.GetEditCount(), 2);
    EXPECT_EQ(reopened.Memories(), doc->Memories());
    EXPECT_EQ(reopened.GetOutputSettings().repeatCount, 65536);
    EXPECT_EQ(reopened.GetOutputSettings().syncPulseWidth, 0);  // 259 260 ns: long pulse by rule
    const uint32_t n = doc->GetSampleCount();
    EXPECT_TRUE(std::equal(doc->GetAnalogSamples(), doc->GetAnalogSamples() + n, reopened.GetAnalogSamples()));
    for (int ch = 0; ch < 4; ++ch)
        EXPECT_TRUE(std::equal(doc->GetDigitalChannel(ch), doc->GetDigitalChannel(ch) + n,
                               reopened.GetDigitalChannel(ch)));
}

// The edit backup, undo and clipboard arrays are made when first needed; when
// that fails the command throws and the document is as it was, and with the
// memory back the same commands work.
TEST(DocumentMemory, ACopyThatCannotBeHadChangesNothing) {
    auto doc = NewDoc(20, 1000);
    std::fill_n(doc->AnalogSamples(), 1000, 0.25);
    doc->DigitalChannel(1)[7] = 1;
    const int32_t id = doc->GetDataId();
    const std::function<void()> commands[] = {
        [&] { doc->BeginAnalogEdit(); },
        [&] { doc->BeginDigitalEdit(2); },
        [&] { doc->BeginDigitalEdit(UndoKindAllDigital); },
        [&] { doc->InvertChannel(1); },
        [&] { doc->ClearChannel(1); },
        [&] { doc->CopyChannel(1, 0); },
        [&] { doc->CopyChannelToClipboard(1); },
        [&] { doc->ChangeTimeBase(20, 2000); },
    };
    for (const auto& command : commands) {
        {
            kdx::testing::FailLargeAllocations fail(1000);
            EXPECT_THROW(command(), std::bad_alloc);
        }
        EXPECT_EQ(doc->GetSampleCount(), 1000u);
        EXPECT_EQ(doc->GetEditCount(), 0);
        EXPECT_EQ(doc->GetDataId(), id);
        EXPECT_FALSE(doc->IsUndoAvailable());
        EXPECT_FALSE(doc->IsClipboardValid());
        EXPECT_EQ(doc->GetAnalogSamples()[999], 0.25);
        EXPECT_EQ(doc->GetDigitalChannel(1)[7], 1);
    }
    // New and Open need nothing beyond the arrays the document has.
    {
        kdx::testing::FailLargeAllocations fail(1000);
        EXPECT_TRUE(doc->NewWaveform(20, MaxSampleCount));
        EXPECT_EQ(doc->GetAnalogSamples()[999], 0.0);
    }
    ASSERT_TRUE(doc->CopyChannelToClipboard(3));
    ASSERT_TRUE(doc->InvertChannel(3));
    ASSERT_TRUE(doc->PasteChannel(2));
    EXPECT_EQ(doc->GetDigitalChannel(2)[MaxSampleCount - 1], 0);
    EXPECT_EQ(doc->GetDigitalChannel(3)[MaxSampleCount - 1], 1);
    EXPECT_EQ(doc->Undo().kind, 2);
}
