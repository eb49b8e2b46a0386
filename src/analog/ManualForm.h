// The form of the waveform modification dialog: a stretch of the document's
// own analog samples is copied (the copy range), changed by mouse strokes on
// the preview and by one of five calculations, and written back at the edit
// start with the four operations. The copy range takes the place of the
// generators' period; the copy is both a reference (as taken) and a work copy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analog/GeneratorForm.h"
#include "document/DialogParams.h"
#include "ui/PlotPrimitives.h"

namespace kdx {

inline constexpr const char* MsgManualMemory = "アナログ波形修正のためのメモリが確保できませんでした";
inline constexpr const char* CopyStartLabel = "[コピー開始] ";
inline constexpr const char* CopyPeriodLabel = "[コピー期間] ";

class ManualForm : public EditForm {
public:
    enum Id { EditStart, CopyStart, CopyPeriod, Gain, Shift, Upper, Lower, Count };
    // The radio group "演算による修正"; NoChoice when none is chosen.
    enum Modification { NoChoice = -1, Amplify = 0, LevelShift = 1, DcRemoval = 2, UpperLimit = 3, LowerLimit = 4 };
    using MemoryRecord = ManualParams;
    static constexpr const char* MemoryMessage = MsgManualMemory;

    // Allocates the reference and work buffers; throws std::bad_alloc.
    ManualForm(const GeneratorSetup& setup, const ManualParams& memory);

    // "コピー": copies the copy range from the document (rounding it onto the
    // sampling grid and cutting it at the end, with messages) and freezes it.
    // "再コピー": only releases the range; the copy stays until it changes.
    // True when a copy was taken.
    bool Copy(FormPrompts& prompts);
    // The button reads "再コピー" while the range is frozen.
    bool CopyFrozen() const { return frozen; }
    bool CopyEnabled() const { return CreateEnabled(); }
    // The buffers hold a copy: drawing, calculations and the operations may be used.
    bool Copied() const { return PreviewCurrent(); }

    void SetModification(int choice);
    int GetModification() const { return modification; }
    bool ExecuteEnabled() const;
    // "修正実行": the chosen calculation on the copy; the choice is cleared after.
    // A result that is not a finite number anywhere is refused with the
    // invalid-parameters message and the copy stays as it was.
    bool Execute(FormPrompts& prompts);

    // Mouse strokes. A point counts when it lies in the preview's plot
    // widened by 16 pixels on the left, top and bottom and 17 on the right.
    static bool InDrawingArea(const PixelRect& plot, int x, int y);
    // A straight line from one point to another written into the work copy;
    // the same whichever way it was drawn. Nothing while not copied.
    void DrawSegment(const PixelRect& plot, int x1, int y1, int x2, int y2);
    // The pixel columns a segment's redraw covers, cut to the plot.
    std::pair<int, int> RedrawColumns(const PixelRect& plot, int x1, int x2) const;

    // An operation button: the work copy written at the edit start; true
    // when written (the dialog then closes with OK).
    bool Apply(GeneratorOperation operation, FormPrompts& prompts);

    // The copy: c samples, as taken and as changed.
    uint32_t CopiedCount() const { return copied; }
    const double* Reference() const { return reference.data(); }
    const double* Work() const { return work.data(); }
    // Counts every change of the work copy, so a window redraws it.
    uint64_t WorkGeneration() const { return workGeneration; }
    // CopyStartTime / CopyEndTime above the preview.
    const std::string& CopyStartTimeText() const { return copyStartText; }
    const std::string& CopyEndTimeText() const { return copyEndText; }

    // What the runner reports and stores.
    int64_t PeriodNs() const { return copyPeriod; }
    ManualParams Params() const;

private:
    void CheckFields() override;
    bool FieldsValid() const override { return copyStartValid && copyPeriodValid; }
    std::optional<int64_t> LabelPeriod() const override;
    bool MakesStale(int id) const override { return id == CopyStart || id == CopyPeriod; }
    // The number field of a modification, or -1 for one without.
    static int FieldOf(int choice);
    void Freeze(bool on);

    double* samples;  // the document's: copied from, written to
    std::vector<double> reference;
    std::vector<double> work;
    uint32_t copied = 0;
    uint64_t workGeneration = 0;
    bool frozen = false;
    int modification = NoChoice;
    int64_t copyStart = 0, copyPeriod = 0;
    bool copyStartValid = false, copyPeriodValid = false;
    double values[Count] = {};  // gain .. lower by field id
    bool valid[Count] = {};
    std::string copyStartText, copyEndText;
};

}  // namespace kdx
