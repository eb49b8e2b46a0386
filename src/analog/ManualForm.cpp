#include "analog/ManualForm.h"

#include <algorithm>
#include <cmath>

#include "analog/AnalogShapes.h"
#include "document/WaveformLimits.h"

namespace kdx {

namespace {

// The numbers' values when their text does not read.
constexpr double Fallback[ManualForm::Count] = {0.0, 0.0, 0.0, 1.0, 0.0, 1.0, -1.0};

}  // namespace

ManualForm::ManualForm(const GeneratorSetup& setup, const ManualParams& m)
    : EditForm(setup.base, setup.editStart, Count),
      samples(setup.destination),
      reference(MaxSampleCount),
      work(MaxSampleCount) {
    // Changing the copy range discards the copy: its curves go.
    SetStaleClearsPreview(true);
    MutableField(CopyStart).unit = Field(EditStart).unit;
    MutableField(CopyStart).text = Field(EditStart).text;
    SetStoredTime(CopyPeriod, m.copyPeriod, m.copyPeriodUnit);
    MutableField(Gain).text = FormatStoredReal(m.gain);
    MutableField(Shift).text = FormatStoredReal(m.levelShift);
    MutableField(Upper).text = FormatStoredReal(m.upperLimit);
    MutableField(Lower).text = FormatStoredReal(m.lowerLimit);
    Validate();
}

int ManualForm::FieldOf(int choice) {
    switch (choice) {
    case Amplify: return Gain;
    case LevelShift: return Shift;
    case UpperLimit: return Upper;
    case LowerLimit: return Lower;
    default: return -1;
    }
}

void ManualForm::CheckFields() {
    const int64_t dt = TimeBase().samplingNs;
    const auto total = static_cast<int64_t>(TimeBase().totalNs);
    copyStartValid = ReadTime(CopyStart, copyStart, 0) && copyStart >= 0 && copyStart <= total - dt;
    ShowMarker(CopyStart, !copyStartValid);
    copyPeriodValid = ReadTime(CopyPeriod, copyPeriod, 0) && copyPeriod >= dt && copyPeriod <= total;
    ShowMarker(CopyPeriod, !copyPeriodValid);
    for (int id = Gain; id <= Lower; ++id) {
        valid[id] = ReadReal(id, values[id], Fallback[id]);
        ShowMarker(id, !valid[id]);
        MutableField(id).enabled = Copied() && FieldOf(modification) == id;
    }
    MutableField(CopyStart).enabled = !frozen;
    MutableField(CopyPeriod).enabled = !frozen;
    if (copyStartValid && copyPeriodValid) {
        copyStartText = TimeLabelText(copyStart);
        copyEndText = TimeLabelText(copyStart + copyPeriod);
    } else {
        copyStartText.clear();
        copyEndText.clear();
    }
}

std::optional<int64_t> ManualForm::LabelPeriod() const {
    return copyPeriodValid ? std::optional<int64_t>(copyPeriod) : std::nullopt;
}

void ManualForm::Freeze(bool on) {
    frozen = on;
    MutableField(CopyStart).enabled = !on;
    MutableField(CopyPeriod).enabled = !on;
}

bool ManualForm::Copy(FormPrompts& prompts) {
    if (frozen) {
        Freeze(false);
        Validate();
        return false;
    }
    const int64_t dt = TimeBase().samplingNs;
    const auto total = static_cast<int64_t>(TimeBase().totalNs);
    const auto fail = [&] {
        prompts.Inform(MsgInvalidParameters);
        SetPreviewResult(false);
        Validate();
        return false;
    };
    int64_t start = 0, period = 0;
    if (!ReadTime(CopyStart, start, 0) || !ReadTime(CopyPeriod, period, 0)) return fail();
    // A range running past the end ends at it. A start outside the document
    // is refused below; it leaves the period as typed rather than negative.
    if (start >= 0 && start < total && period > total - start) {
        period = total - start;
        WriteTime(CopyPeriod, period);
    }
    std::vector<Adjustment> adjustments;
    if (const auto a = RoundToGrid(CopyStart, start, CopyStartLabel)) adjustments.push_back(*a);
    if (const auto a = RoundToGrid(CopyPeriod, period, CopyPeriodLabel)) adjustments.push_back(*a);
    if (!adjustments.empty()) prompts.Inform(AdjustmentMessage(adjustments));
    if (start < 0 || start > total - dt || period < dt || period > total) return fail();

    const uint32_t first = static_cast<uint32_t>(start / dt);
    copied = static_cast<uint32_t>(std::min<int64_t>(period / dt, int64_t{TimeBase().Count()} - first));
    std::copy_n(samples + first, copied, reference.begin());
    std::copy_n(samples + first, copied, work.begin());
    ++workGeneration;
    SetPreviewResult(true);
    Freeze(true);
    Validate();
    return true;
}

void ManualForm::SetModification(int choice) {
    modification = choice >= Amplify && choice <= LowerLimit ? choice : NoChoice;
    Validate();
}

bool ManualForm::ExecuteEnabled() const {
    if (!Copied()) return false;
    if (modification == DcRemoval) return true;
    const int id = FieldOf(modification);
    return id >= 0 && valid[id];
}

bool ManualForm::Execute(FormPrompts& prompts) {
    if (!ExecuteEnabled()) return false;
    double* x = work.data();
    const uint32_t c = copied;
    // Every result is checked before any is written: a calculation that
    // would leave a sample that is not a finite number changes nothing.
    const auto transform = [&](auto f) { return WriteIfFinite(x, c, [&](uint32_t i) { return f(x[i]); }); };
    bool done = true;
    switch (modification) {
    case Amplify: done = transform([g = values[Gain]](double v) { return v * g; }); break;
    case LevelShift: done = transform([s = values[Shift]](double v) { return v + s; }); break;
    case DcRemoval: {
        double sum = 0.0;
        for (uint32_t i = 0; i < c; ++i) sum += x[i];
        done = transform([mean = sum / c](double v) { return v - mean; });
        break;
    }
    case UpperLimit: done = transform([u = values[Upper]](double v) { return v > u ? u : v; }); break;
    case LowerLimit: done = transform([l = values[Lower]](double v) { return v < l ? l : v; }); break;
    default: break;
    }
    if (!done) {
        prompts.Inform(MsgInvalidParameters);
        return false;
    }
    ++workGeneration;
    modification = NoChoice;
    for (int id = Gain; id <= Lower; ++id)
        if (valid[id]) MutableField(id).text = FormatStoredReal(values[id]);
    Validate();
    return true;
}

bool ManualForm::InDrawingArea(const PixelRect& plot, int x, int y) {
    return x >= plot.left - 16 && x <= plot.right + 17 && y >= plot.top - 16 && y <= plot.bottom + 16;
}

void ManualForm::DrawSegment(const PixelRect& plot, int x1, int y1, int x2, int y2) {
    if (!Copied() || copied == 0) return;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const double c = copied, w = plot.Width(), h = plot.bottom - plot.top;
    const auto sampleAt = [&](int x) { return static_cast<int64_t>(c / w * (x - plot.left) + 0.5); };
    const auto voltsAt = [&](int y) { return 1.2 - (y - plot.top) / (h / 2.4); };
    const int64_t i1 = sampleAt(x1), i2 = sampleAt(x2);
    const int64_t k = i2 - i1 + 1;
    const double v1 = voltsAt(y1), v2 = voltsAt(y2);
    const double step = (v2 - v1) / static_cast<double>(k);
    // Only the samples of the copy are written.
    const int64_t j0 = std::max<int64_t>(0, -i1), j1 = std::min<int64_t>(k, int64_t{copied} - i1);
    for (int64_t j = j0; j < j1; ++j) work[static_cast<size_t>(i1 + j)] = v1 + step * static_cast<double>(j);
    ++workGeneration;
}

std::pair<int, int> ManualForm::RedrawColumns(const PixelRect& plot, int x1, int x2) const {
    const int d = copied == 0 ? 0 : static_cast<int>(plot.Width() * 2.0 / copied + 2) + 1;
    return {std::max(plot.left, std::min(x1, x2) - d), std::min(plot.right, std::max(x1, x2) + d)};
}

bool ManualForm::Apply(GeneratorOperation operation, FormPrompts& prompts) {
    if (!OperationsEnabled()) return false;
    const auto stretch = PlanStretch(copyPeriod, prompts);
    if (!stretch) return false;
    if (applyOperation(samples + stretch->first, work.data(), std::min(stretch->count, copied), operation)) return true;
    prompts.Inform(MsgInvalidParameters);
    return false;
}

ManualParams ManualForm::Params() const {
    ManualParams p;
    p.copyPeriod = copyPeriod;
    p.copyPeriodUnit = Field(CopyPeriod).unit;
    p.modification = modification;
    p.gain = values[Gain];
    p.levelShift = values[Shift];
    p.upperLimit = values[Upper];
    p.lowerLimit = values[Lower];
    return p;
}

}  // namespace kdx
