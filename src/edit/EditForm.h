// What every editing dialog with an edit start shares, without a window: the
// fields as text with their unit lists and "×" markers, the edit start and its
// check, the preview-current rule, the StartTime/EndTime labels, the
// integer-multiple adjustments with their messages, and the stretch an
// operation writes. The analog generators build on it with a period and a
// work buffer of volts (GeneratorForm); the digital dialogs with their own
// patterns and operations.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "units/UnitText.h"

namespace kdx {

// The document's time base as a dialog sees it.
struct EditTimeBase {
    uint64_t totalNs = 0;
    int64_t samplingNs = 0;
    // N: the samples of the document.
    uint32_t Count() const { return samplingNs > 0 ? static_cast<uint32_t>(totalNs / uint64_t(samplingNs)) : 0; }
};

// A field as the dialog shows it.
struct FieldState {
    std::string text;
    TimeUnitIndex unit = TimeUnitNone;  // the index in its unit list, when it has one
    bool marker = false;                // the "×" beside it
    bool enabled = true;
    uint64_t revision = 0;  // counts the changes of the text by SetText
};

// The message boxes a form shows: the dialog answers with real ones, kdx-tool
// on its error output, tests from a script.
class FormPrompts {
public:
    virtual ~FormPrompts() = default;
    // A message with an OK button only.
    virtual void Inform(const std::string& text) = 0;
    // A question with OK (true) and Cancel (false).
    virtual bool Confirm(const std::string& text) = 0;
};

inline constexpr const char* MsgInvalidParameters = "パラメータが不正です";
inline constexpr const char* EditStartLabel = "[編集開始] ";

// A time rounded down to the sampling grid, as its message names it.
struct Adjustment {
    std::string label;    // "[期間] ", "[レベル 1：時間] " ...
    std::string oldText;  // the field's text as it stood
    std::string newText;  // the rounded time in the field's unit
    std::string unitWord;
};

// "サンプリング時間の整数倍にするため、" + the labels + "を調節します。\n" and,
// for each adjustment, "\n" + old + " " + unit + "　→　" + new + " " + unit.
std::string AdjustmentMessage(const std::vector<Adjustment>& adjustments);

// The part of a stretch an operation writes.
struct EditStretch {
    uint32_t first = 0;  // s
    uint32_t count = 0;  // n, cut at the end of the document
};

class EditForm {
public:
    static constexpr int EditStartField = 0;

    virtual ~EditForm() = default;

    const EditTimeBase& TimeBase() const { return base; }
    int FieldCount() const { return static_cast<int>(fields.size()); }
    const FieldState& Field(int id) const { return fields.at(id); }

    // What the user typed or chose; a change that changes nothing (as when the
    // dialog itself rewrites a field) is ignored.
    void SetText(int id, std::string text);
    void SetUnit(int id, TimeUnitIndex unit);

    bool CreateEnabled() const { return createEnabled; }
    bool OperationsEnabled() const { return previewCurrent && editStartValid; }
    // The work buffer holds a computation made with the fields as they stand.
    bool PreviewCurrent() const { return previewCurrent; }
    // The work buffer holds a successful computation, current or stale.
    bool PreviewDrawn() const { return previewDrawn; }
    // Counts every change of the preview's state or contents, so a window
    // knows when to draw it again.
    uint64_t PreviewGeneration() const { return previewGeneration; }

    int64_t EditStartNs() const { return editStart; }
    bool EditStartValid() const { return editStartValid; }
    // The automatic unit of the total time, fixed at opening.
    TimeUnitIndex LabelUnit() const { return labelUnit; }
    const std::string& StartTimeText() const { return startTimeText; }
    const std::string& EndTimeText() const { return endTimeText; }

protected:
    // editStartNs: where the stretch begins by default (the cursor's time).
    EditForm(const EditTimeBase& base, int64_t editStartNs, int fieldCount);

    FieldState& MutableField(int id) { return fields.at(id); }

    // The full validation: the edit start, then the dialog's own fields in its
    // order, then the enabling and the time labels.
    void Validate();

    // The dialog's own checks, in its order, after the edit start; they set
    // markers and derived fields.
    virtual void CheckFields() = 0;
    // Every field but the edit start passes: "作成" may be pressed.
    virtual bool FieldsValid() const = 0;
    // The stretch's length for the time labels, when it is valid.
    virtual std::optional<int64_t> LabelPeriod() const = 0;
    // Whether a change of the field (text or unit) makes the preview stale;
    // by default every field but the edit start.
    virtual bool MakesStale(int id) const { return id != EditStartField; }
    // A new unit was chosen for the field (before validation): lists that
    // follow it take it.
    virtual void UnitChosen(int) {}

    // The preview after a create: current on success, cleared on failure.
    void SetPreviewResult(bool success);
    // The old curve stays, drawn as stale (or is cleared, see below).
    void MakeStale();
    // Dialogs whose preview goes empty instead of pale when a field changes.
    void SetStaleClearsPreview(bool clears) { staleClearsPreview = clears; }

    // Field helpers. Each reads the field's text (and unit), gives the value
    // or the fallback, and reports whether the text was read.
    bool ReadTime(int id, int64_t& value, int64_t fallback) const;
    bool ReadReal(int id, double& value, double fallback) const;
    bool ReadCount(int id, uint32_t& value, uint32_t fallback) const;
    void ShowMarker(int id, bool invalid) { fields.at(id).marker = invalid; }
    // Writes a time into a field in its unit (the empty text without a unit).
    void WriteTime(int id, int64_t ns);
    // Presets a time field from a dialog memory; a unit index that no list
    // holds counts as none.
    void SetStoredTime(int id, int64_t ns, TimeUnitIndex unit);
    // Gives the unit to every listed field that has none yet.
    void PropagateUnit(std::initializer_list<int> ids, TimeUnitIndex unit);
    // Rounds the time of a field down to the sampling grid; when that changes
    // it, rewrites the field in its unit and describes the change.
    std::optional<Adjustment> RoundToGrid(int id, int64_t& value, const char* label);

    // A time as the time labels show it: in the label unit, with its name.
    std::string TimeLabelText(int64_t ns) const;

    // The stretch of an operation over a stretch of the given length: s and
    // n cut at N, after the "[編集開始]" question when the edit start is off
    // the grid; nullopt when the user cancelled it.
    std::optional<EditStretch> PlanStretch(int64_t period, FormPrompts& prompts) const;

private:
    EditTimeBase base;
    std::vector<FieldState> fields;
    TimeUnitIndex labelUnit = TimeUnitNs;
    int64_t editStart = 0;
    bool editStartValid = false;
    bool createEnabled = false;
    bool previewCurrent = false;
    bool previewDrawn = false;
    bool staleClearsPreview = false;
    uint64_t previewGeneration = 0;
    std::string startTimeText;
    std::string endTimeText;
};

}  // namespace kdx
