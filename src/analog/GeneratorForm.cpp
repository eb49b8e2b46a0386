#include "analog/GeneratorForm.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "document/WaveformLimits.h"

namespace kdx {

std::string FormatStoredReal(double value) {
    std::string text = FormatReal3(value);
    const auto back = ParseReal(text);
    if (back && *back == value) return text;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.assign(buffer, result.ptr);
    // The entry takes an exponent without its plus sign.
    if (const auto plus = text.find("e+"); plus != std::string::npos) text.erase(plus + 1, 1);
    return text;
}

GeneratorForm::GeneratorForm(const GeneratorSetup& setup, int fieldCount, bool withIllustration)
    : EditForm(setup.base, setup.editStart, fieldCount), destination(setup.destination), work(MaxSampleCount) {
    if (withIllustration) illustration.resize(MaxSampleCount);
}

void GeneratorForm::CheckFields() {
    CheckBeforePeriod();
    const int64_t dt = TimeBase().samplingNs;
    periodValid = ReadTime(PeriodField, period, 0) && period >= dt &&
                  static_cast<uint64_t>(period) <= TimeBase().totalNs;
    ShowMarker(PeriodField, !periodValid);
    CheckShape();
}

std::optional<int64_t> GeneratorForm::LabelPeriod() const {
    return periodValid ? std::optional<int64_t>(period) : std::nullopt;
}

bool GeneratorForm::Create(FormPrompts& prompts) {
    int64_t p = 0;
    bool ok = ReadTime(PeriodField, p, 0) && ReadShape();
    if (ok) {
        if (const auto adjustment = RoundToGrid(PeriodField, p, PeriodLabel)) prompts.Inform(AdjustmentMessage({*adjustment}));
        ok = ComputeShape(work.data(), p);
    }
    if (ok) {
        workCount = static_cast<uint32_t>(p / TimeBase().samplingNs);
        // Samples that are not numbers (a sum beyond the double range) could
        // neither be shown nor sent to a generator.
        ok = std::all_of(work.begin(), work.begin() + workCount, [](double v) { return std::isfinite(v); });
    }
    if (ok) {
        createdPeriod = p;
    } else {
        workCount = 0;
        prompts.Inform(CreateFailureMessage());
    }
    SetPreviewResult(ok);
    Validate();
    return ok;
}

bool GeneratorForm::Apply(GeneratorOperation operation, FormPrompts& prompts) {
    if (!OperationsEnabled()) return false;
    const auto stretch = PlanStretch(createdPeriod, prompts);
    if (!stretch) return false;
    // A combined sample that is not a number is refused as a shape's own is.
    if (applyOperation(destination + stretch->first, work.data(), stretch->count, operation)) return true;
    prompts.Inform(CreateFailureMessage());
    return false;
}

}  // namespace kdx
