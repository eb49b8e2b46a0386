// The digital dialogs' forms: their fields in the dialog's order, the linked
// rows, checks and markers, the adjustments with their messages, the pattern a
// create builds and what an operation writes into which channel. Each dialog
// (and kdx-tool) drives one of them; the windows only show what they say.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "digital/DigitalPatterns.h"
#include "digital/DigitalText.h"
#include "digital/VcdReader.h"
#include "document/DialogParams.h"
#include "edit/EditForm.h"
#include "ui/PlotPrimitives.h"

namespace kdx {

// The memory messages of the dialogs, when their buffers cannot be allocated.
inline constexpr const char* MsgDigitalMemory = "ディジタル波形作成のためのメモリが確保できませんでした";
inline constexpr const char* MsgDigitalSerialMemory =
    "ディジタル波形外部データ読み込みのためのメモリが確保できませんでした";
inline constexpr const char* MsgDigitalModifyMemory = "ディジタル波形修正のためのメモリが確保できませんでした";
inline constexpr const char* MsgDigitalShiftMemory = "ディジタルシフトのためのメモリが確保できませんでした";
inline constexpr const char* MsgDigitalSwapMemory = "ディジタルデータスワップのためのメモリが確保できませんでした";
inline constexpr const char* MsgExternalWaveformMemory = "外部波形読込みのためのメモリが確保できませんでした";

inline constexpr int DigitalChannels = 4;
// The per-channel commands' "no channel given": the dialog opens on the remembered one.
inline constexpr int RememberedChannel = -2;

// What a digital dialog is opened with.
struct DigitalSetup {
    EditTimeBase base;
    int64_t editStart = 0;                             // the cursor's time
    std::array<uint8_t*, DigitalChannels> channels{};  // the document's channels
};

// Clock, serial, parallel and modification: an edit start, work lanes built
// (or copied) into, and operations that write them into channels at the edit
// start and end the dialog.
class DigitalForm : public EditForm {
public:
    // The operation buttons may be pressed.
    virtual bool ApplyEnabled() const { return OperationsEnabled(); }
    // An operation button: writes every lane its channel takes at the edit
    // start (asking when the edit start is off the grid). True when written:
    // the dialog then closes with OK.
    bool Apply(DigitalOperation operation, FormPrompts& prompts);
    // The length an operation writes (before the cut at the end), as a time.
    int64_t AppliedPeriod() const { return appliedPeriod; }
    // The lane a channel takes (-1: the channel is not written).
    virtual int LaneOf(int channel) const = 0;
    const uint8_t* Lane(int lane) const { return lanes.at(lane).data(); }
    // The samples the lanes hold since the last create (or copy).
    uint32_t LaneCount() const { return laneCount; }

protected:
    // Allocates laneCount work lanes of MaxSampleCount bytes; throws
    // std::bad_alloc when there is no memory for them.
    DigitalForm(const DigitalSetup& setup, int fieldCount, int laneCount);

    uint8_t* MutableLane(int lane) { return lanes.at(lane).data(); }
    uint8_t* Channel(int ch) const { return channels.at(ch); }
    // Before an operation writes at most room samples: a form whose pattern
    // is longer may shorten it (asking first); false ends the operation.
    virtual bool Fit(uint32_t, FormPrompts&) { return true; }
    // The lanes rebuilt shorter: count samples, an operation writing period.
    void SetBuilt(uint32_t count, int64_t period) {
        laneCount = count;
        appliedPeriod = period;
    }
    // The end of a create (or copy): the preview current with count samples
    // and an operation writing period, or cleared with "パラメータが不正です".
    bool Finish(bool ok, int64_t period, uint32_t count, FormPrompts& prompts);
    // each x count cut to the total time, without overflowing.
    int64_t CutPeriod(uint64_t count, int64_t each) const;

private:
    std::array<uint8_t*, DigitalChannels> channels;
    std::vector<std::vector<uint8_t>> lanes;
    uint32_t laneCount = 0;
    int64_t appliedPeriod = 0;
};

// A channel index a memory or a caller gives, kept to CH0..CH3.
int ValidChannelOr(int channel, int fallback);

class DigitalClockForm : public DigitalForm {
public:
    enum Id { EditStart, Time1, Time2, Repeat, Count };
    using MemoryRecord = DigitalClockParams;
    static constexpr const char* MemoryMessage = MsgDigitalMemory;

    // channel: 0..3, or RememberedChannel for the memory's.
    DigitalClockForm(const DigitalSetup& setup, const DigitalClockParams& memory, int channel);

    void SetChannel(int ch);
    int ChannelIndex() const { return channel; }
    // Choosing a level for row 0 or 1 gives the other row the other level.
    void SetLevel(int row, int level);
    int Level(int row) const { return levels[row]; }
    int64_t PeriodNs() const { return period; }
    bool PeriodValid() const { return periodValid; }

    // "作成": times rounded down to the grid (one message naming the rows),
    // the pattern built; false with "パラメータが不正です" when it cannot be.
    bool Create(FormPrompts& prompts);
    DigitalClockParams Params() const;
    int LaneOf(int ch) const override { return ch == channel ? 0 : -1; }

private:
    void CheckFields() override;
    bool FieldsValid() const override { return t1Valid && t2Valid && repeatValid && periodValid; }
    std::optional<int64_t> LabelPeriod() const override;
    void UnitChosen(int id) override;

    int channel = 0;
    int levels[2] = {1, 0};
    int64_t t1 = 0, t2 = 0, period = 0;
    uint32_t repeat = 1;
    bool t1Valid = false, t2Valid = false, repeatValid = false, periodValid = false;
};

// Where the serial and parallel dialogs take their values from.
enum class DigitalSource : int32_t { Direct = 0, File = 1 };

// Serial and parallel: a typed text or values loaded from a file, each held
// for one interval time.
class DigitalTextForm : public DigitalForm {
public:
    enum Id { EditStart, Interval, Text, Count };

    void SetSource(DigitalSource source);
    DigitalSource Source() const { return source; }
    bool BrowseEnabled() const { return source == DigitalSource::File; }
    // The values the pattern is built from: typed or loaded.
    uint64_t ValueCount() const { return valueCount; }
    uint32_t FileValueCount() const { return fileCount; }
    const std::string& FileName() const { return fileName; }
    int64_t PeriodNs() const { return period; }

    // Loads a text file (the parallel dialog also takes .kdx files): on
    // success its values replace the loaded ones; a rejected file leaves them
    // as they were. Messages go to prompts. True when values were taken.
    virtual bool LoadFile(const std::string& path, FormPrompts& prompts, const ReadProgress& progress = {});
    // Why the last file could not be opened or read, as the system says (or
    // the fault a waveform file was refused for); empty when it was read.
    const std::string& LoadReason() const { return loadReason; }
    virtual bool Create(FormPrompts& prompts);

protected:
    DigitalTextForm(const DigitalSetup& setup, int laneCount, DigitalTextKind kind, DigitalSource source,
                    const std::string& text, int fieldCount = Count);

    // Whether the typed text is a valid source; sets the values it holds.
    virtual bool CheckText(const std::string& text, uint64_t& count) = 0;
    // CheckText of the text field, run only when the text has changed.
    bool CheckTyped(uint64_t& count);
    // Builds the lanes from h samples per value.
    virtual void Build(uint32_t h) = 0;
    bool TakeFileValues(const DigitalReadResult& result, FormPrompts& prompts);
    void SetFileName(std::string name) { fileName = std::move(name); }
    std::string& MutableLoadReason() { return loadReason; }
    const uint8_t* FileValues() const { return fileValues.data(); }
    uint8_t* Scratch() { return scratch.data(); }
    void CheckFields() override;
    bool FieldsValid() const override { return intervalValid && sourceValid && periodValid; }
    // The values a file gives for the pattern.
    virtual uint64_t FileValuesOffered() const { return fileCount; }

private:
    std::optional<int64_t> LabelPeriod() const override;

    DigitalTextKind kind;
    DigitalSource source;
    std::vector<uint8_t> fileValues;
    std::vector<uint8_t> scratch;
    uint32_t fileCount = 0;
    std::string fileName, loadReason;
    uint64_t valueCount = 0;
    uint64_t checkedRevision = ~uint64_t{0};  // the text revision CheckText last saw
    uint64_t typedCount = 0;
    bool typedValid = false;
    int64_t interval = 0, period = 0;
    bool intervalValid = false, sourceValid = false, periodValid = false;
};

class DigitalSerialForm : public DigitalTextForm {
public:
    using MemoryRecord = DigitalSerialParams;
    static constexpr const char* MemoryMessage = MsgDigitalSerialMemory;

    DigitalSerialForm(const DigitalSetup& setup, const DigitalSerialParams& memory, const std::string& text,
                      int channel);
    void SetChannel(int ch);
    int ChannelIndex() const { return channel; }
    DigitalSerialParams Params() const;
    int LaneOf(int ch) const override { return ch == channel ? 0 : -1; }

private:
    bool CheckText(const std::string& text, uint64_t& count) override;
    void Build(uint32_t h) override;

    int channel = 0;
    std::vector<uint8_t> bits;  // the typed bits, 0 or 1, without the blanks
};

// The two ways the four bits of a word go to the channels.
inline constexpr const char* ParallelOrderNames[2] = {"BIT3：CH3－BIT0：CH0", "BIT3：CH0－BIT0：CH3"};

class DigitalParallelForm : public DigitalTextForm {
public:
    // A value change dump's fields: the time in the dump the sampling starts
    // from, and the length sampled.
    enum VcdId { From = Count, Period, AllFields };
    using MemoryRecord = DigitalParallelParams;
    static constexpr const char* MemoryMessage = MsgDigitalMemory;

    DigitalParallelForm(const DigitalSetup& setup, const DigitalParallelParams& memory, const std::string& text);
    // Order 0: channel c takes bit c; order 1: bit 3 - c.
    void SetOrder(int order);
    int Order() const { return order; }
    // Ticking a channel changes what is written, not the pattern.
    void SetTicked(int ch, bool ticked);
    bool Ticked(int ch) const { return (ticked >> ch) & 1; }
    bool ApplyEnabled() const override { return OperationsEnabled() && ticked != 0; }
    int LaneOf(int ch) const override { return Ticked(ch) ? ch : -1; }
    // Text files of hexadecimal digits, the channels of a .kdx file (which
    // also set the word time to the file's sampling time and the order to 0),
    // or a value change dump (.vcd: the word time becomes the sampling time,
    // the order 0, the start 0 and the length the dump's). A name of four
    // characters or fewer is ignored.
    bool LoadFile(const std::string& path, FormPrompts& prompts, const ReadProgress& progress = {}) override;
    // With a dump: its signals are sampled at the sampling time (the count of
    // x and z read as 0 told), then the pattern is built as from any file.
    bool Create(FormPrompts& prompts) override;
    DigitalParallelParams Params() const;

    // The loaded dump; null when the file values came from elsewhere.
    const VcdData* Vcd() const { return vcd.get(); }
    // The dump's signal a channel takes (-1: none, the channel reads 0).
    int VcdSignalOf(int ch) const { return vcdSignals.at(ch); }
    void SetVcdSignal(int ch, int signal);

private:
    bool CheckText(const std::string& text, uint64_t& count) override;
    void Build(uint32_t h) override;
    void CheckFields() override;
    bool FieldsValid() const override;
    uint64_t FileValuesOffered() const override;
    bool ImportWaveform(const std::string& path, FormPrompts& prompts, const ReadProgress& progress);
    bool ImportVcd(const std::string& path, FormPrompts& prompts, const ReadProgress& progress);

    std::unique_ptr<VcdData> vcd;
    std::array<int, DigitalChannels> vcdSignals{-1, -1, -1, -1};
    int64_t vcdFrom = 0, vcdPeriod = 0;
    int64_t proposedFrom = -1;  // the start the length was last proposed for
    bool vcdFromValid = false, vcdPeriodValid = false;
    int order = 0;
    uint8_t ticked = 15;
    std::vector<uint8_t> words;  // the typed digits' values
};

class DigitalShiftForm;

class DigitalModifyForm : public DigitalForm {
public:
    enum Id { EditStart, CopyStart, CopyPeriod, Count };
    enum LaneId { Working = 0, Reference = 1 };
    using MemoryRecord = DigitalModifyParams;
    static constexpr const char* MemoryMessage = MsgDigitalModifyMemory;

    // channel: 0..3 presets both the edit and the copy channel; RememberedChannel
    // takes the memory's. shift: the shift dialog's memory, which the "シフト"
    // button uses and updates.
    DigitalModifyForm(const DigitalSetup& setup, const DigitalModifyParams& memory, const DigitalShiftParams& shift,
                      int channel);

    void SetEditChannel(int ch);
    void SetCopyChannel(int ch);
    int EditChannel() const { return editChannel; }
    int CopyChannel() const { return copyChannel; }
    bool CopyHeld() const { return PreviewCurrent(); }
    bool Locked() const { return locked; }
    const std::string& CopyStartText() const { return copyStartText; }
    const std::string& CopyEndText() const { return copyEndText; }

    // "コピー" (copies the stretch and locks the copy fields) or, while they
    // are locked, "再コピー" (unlocks them; the copy stays).
    bool CopyButton(FormPrompts& prompts);
    // Mouse drawing over a preview spanning the copy: the samples under the
    // line from (x1, y1) to (x2, y2) become 1 above the middle, 0 below. The
    // pixel columns to repaint, or nullopt when no copy is held.
    std::optional<std::pair<int, int>> Draw(const PixelRect& preview, int x1, int y1, int x2, int y2);
    void Invert();
    // The shift dialog over the working copy; after its OK, EndShift.
    std::unique_ptr<DigitalShiftForm> BeginShift();
    void EndShift(DigitalShiftForm& shift, bool ok);

    DigitalModifyParams Params() const;
    const DigitalShiftParams& ShiftParams() const { return shiftParams; }
    int LaneOf(int ch) const override { return ch == editChannel ? Working : -1; }

private:
    void CheckFields() override;
    bool FieldsValid() const override { return copyStartValid && copyPeriodValid; }
    std::optional<int64_t> LabelPeriod() const override;
    // The held copy stays whatever the fields do until the next copy.
    bool MakesStale(int) const override { return false; }
    void UnitChosen(int id) override;
    void Lock(bool on);
    bool Copy(FormPrompts& prompts);

    int editChannel = 0, copyChannel = 0;
    int64_t copyStart = 0, copyPeriod = 0;
    bool copyStartValid = false, copyPeriodValid = false;
    bool locked = false;
    int64_t heldStart = 0;  // where the held copy came from
    std::string copyStartText, copyEndText;
    DigitalShiftParams shiftParams;
};

// The shift of one stretch: a whole channel, or the modification dialog's
// working copy. Executions accumulate on a working copy until OK writes it
// over the stretch.
class DigitalShiftForm : public EditForm {
public:
    enum Id { Unused, ShiftTime, Count };  // no edit start: the stretch is given
    using MemoryRecord = DigitalShiftParams;
    static constexpr const char* MemoryMessage = MsgDigitalShiftMemory;

    // stretch: length samples of dt each, starting at originNs on the time
    // axis (for the labels); channel names the title. Throws std::bad_alloc.
    DigitalShiftForm(uint8_t* stretch, uint32_t length, int64_t samplingNs, int64_t originNs, int channel,
                     const DigitalShiftParams& memory);

    int ChannelIndex() const { return channel; }
    // "ディジタルシフト － CH n"
    std::string Title() const;
    void SetMethod(ShiftMethod method);
    ShiftMethod Method() const { return method; }
    bool ExecuteEnabled() const { return CreateEnabled(); }
    // "実行": rounds the shift toward zero to the grid (with its message) and
    // shifts the working copy once more. False when the shift does not read.
    bool Execute(FormPrompts& prompts);
    bool OkEnabled() const { return executed; }
    // OK: the working copy over the stretch.
    void Commit();
    uint32_t Length() const { return length; }
    const uint8_t* Working() const { return working.data(); }
    const uint8_t* Reference() const { return reference.data(); }
    const std::string& StretchStartText() const { return stretchStart; }
    const std::string& StretchEndText() const { return stretchEnd; }
    DigitalShiftParams Params() const;

private:
    void CheckFields() override;
    bool FieldsValid() const override { return shiftValid; }
    std::optional<int64_t> LabelPeriod() const override { return std::nullopt; }
    bool MakesStale(int) const override { return false; }

    uint8_t* stretch;
    uint32_t length;
    int channel;
    std::vector<uint8_t> reference, working, temp;
    ShiftMethod method = ShiftMethod::FillZero;
    int64_t shift = 0;
    bool shiftValid = false;
    bool executed = false;
    std::string stretchStart, stretchEnd;
};

// The swap: two different channels exchanged whole.
class DigitalSwapForm {
public:
    using MemoryRecord = DigitalSwapParams;
    static constexpr const char* MemoryMessage = MsgDigitalSwapMemory;

    // Throws std::bad_alloc when its buffer cannot be allocated.
    DigitalSwapForm(const DigitalSwapParams& memory, const std::array<uint8_t*, DigitalChannels>& channels,
                    uint32_t sampleCount);
    // Choosing a channel equal to the other moves the other one away.
    void SetFirst(int ch);
    void SetSecond(int ch);
    int First() const { return first; }
    int Second() const { return second; }
    // OK: the two channels exchanged.
    void Apply();
    DigitalSwapParams Params() const;

private:
    static int Away(int ch) { return ch == DigitalChannels - 1 ? ch - 1 : ch + 1; }
    DigitalSwapParams memory;
    std::array<uint8_t*, DigitalChannels> channels;
    uint32_t count;
    std::vector<uint8_t> temp;
    int first = 0, second = 1;
};

}  // namespace kdx
