#include "edit/EditForm.h"

#include <algorithm>

namespace kdx {

std::string AdjustmentMessage(const std::vector<Adjustment>& adjustments) {
    std::string text = "サンプリング時間の整数倍にするため、";
    for (const Adjustment& a : adjustments) text += a.label;
    text += "を調節します。\n";
    for (const Adjustment& a : adjustments)
        text += "\n" + a.oldText + " " + a.unitWord + "　→　" + a.newText + " " + a.unitWord;
    return text;
}

EditForm::EditForm(const EditTimeBase& timeBase, int64_t editStartNs, int fieldCount)
    : base(timeBase), fields(static_cast<size_t>(fieldCount)) {
    labelUnit = FormatTimeAuto(static_cast<int64_t>(base.totalNs)).unit;
    fields[EditStartField].unit = labelUnit;
    WriteTime(EditStartField, editStartNs);
}

void EditForm::SetText(int id, std::string text) {
    FieldState& f = fields.at(id);
    if (!f.enabled || f.text == text) return;
    f.text = std::move(text);
    ++f.revision;
    if (MakesStale(id)) MakeStale();
    Validate();
}

void EditForm::SetUnit(int id, TimeUnitIndex unit) {
    FieldState& f = fields.at(id);
    if (!f.enabled || f.unit == unit) return;
    f.unit = unit;
    UnitChosen(id);
    if (MakesStale(id)) MakeStale();
    Validate();
}

void EditForm::Validate() {
    const bool read = ReadTime(EditStartField, editStart, 0);
    const int64_t lastStart = static_cast<int64_t>(base.totalNs) - base.samplingNs;
    editStartValid = read && editStart >= 0 && editStart <= lastStart;
    ShowMarker(EditStartField, !editStartValid);
    CheckFields();
    createEnabled = FieldsValid();
    const std::optional<int64_t> period = LabelPeriod();
    if (editStartValid && period) {
        startTimeText = TimeLabelText(editStart);
        endTimeText = TimeLabelText(editStart + *period);
    } else {
        startTimeText.clear();
        endTimeText.clear();
    }
}

std::string EditForm::TimeLabelText(int64_t ns) const {
    return JoinValueUnit(FormatTimeInUnit(ns, labelUnit).value_or(""), UnitWordOrMark(labelUnit));
}

void EditForm::SetPreviewResult(bool success) {
    previewCurrent = success;
    previewDrawn = success;
    ++previewGeneration;
}

void EditForm::MakeStale() {
    if (!previewCurrent && !(staleClearsPreview && previewDrawn)) return;
    previewCurrent = false;
    if (staleClearsPreview) previewDrawn = false;
    ++previewGeneration;
}

bool EditForm::ReadTime(int id, int64_t& value, int64_t fallback) const {
    const FieldState& f = fields.at(id);
    const auto parsed = ParseTimeText(f.text, f.unit);
    value = parsed.value_or(fallback);
    return parsed.has_value();
}

bool EditForm::ReadReal(int id, double& value, double fallback) const {
    const auto parsed = ParseReal(fields.at(id).text);
    value = parsed.value_or(fallback);
    return parsed.has_value();
}

bool EditForm::ReadCount(int id, uint32_t& value, uint32_t fallback) const {
    const auto parsed = ParseUnsigned(fields.at(id).text);
    value = parsed.value_or(fallback);
    return parsed.has_value();
}

void EditForm::WriteTime(int id, int64_t ns) {
    FieldState& f = fields.at(id);
    f.text = FormatTimeInUnit(ns, f.unit).value_or("");
}

void EditForm::SetStoredTime(int id, int64_t ns, TimeUnitIndex unit) {
    fields.at(id).unit = unit >= TimeUnitNs && unit <= TimeUnitS ? unit : TimeUnitNone;
    WriteTime(id, ns);
}

void EditForm::PropagateUnit(std::initializer_list<int> ids, TimeUnitIndex unit) {
    for (int id : ids) {
        if (fields.at(id).unit == TimeUnitNone) fields.at(id).unit = unit;
    }
}

std::optional<Adjustment> EditForm::RoundToGrid(int id, int64_t& value, const char* label) {
    const int64_t rounded = value / base.samplingNs * base.samplingNs;
    if (rounded == value) return std::nullopt;
    FieldState& f = fields.at(id);
    Adjustment a{label, f.text, "", std::string(UnitWordOrMark(f.unit))};
    WriteTime(id, rounded);
    a.newText = f.text;
    value = rounded;
    return a;
}

std::optional<EditStretch> EditForm::PlanStretch(int64_t period, FormPrompts& prompts) const {
    const int64_t dt = base.samplingNs;
    const uint32_t total = base.Count();
    const int64_t s = editStart / dt;
    EditStretch stretch;
    stretch.first = static_cast<uint32_t>(std::clamp<int64_t>(s, 0, total));
    const int64_t room = int64_t{total} - stretch.first;
    stretch.count = static_cast<uint32_t>(std::clamp<int64_t>(period / dt, 0, room));
    if (s * dt != editStart) {
        const FieldState& f = fields[EditStartField];
        const Adjustment a{EditStartLabel, f.text, FormatTimeInUnit(s * dt, f.unit).value_or(""),
                           std::string(UnitWordOrMark(f.unit))};
        if (!prompts.Confirm(AdjustmentMessage({a}))) return std::nullopt;
    }
    return stretch;
}

}  // namespace kdx
