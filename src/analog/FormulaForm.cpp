#include "analog/FormulaForm.h"

#include <algorithm>
#include <cmath>

namespace kdx {

void RememberFormula(std::vector<std::string>& history, const std::string& expression) {
    std::erase(history, expression);
    history.insert(history.begin(), expression);
    if (history.size() > FormulaHistoryLimit) history.resize(FormulaHistoryLimit);
}

FormulaRangeReport ApplyFormulaRange(double* values, uint32_t count, FormulaRange range) {
    FormulaRangeReport r;
    for (uint32_t i = 0; i < count; ++i) {
        const double magnitude = std::fabs(values[i]);
        if (magnitude > 1.0) ++r.outside;
        r.largest = std::max(r.largest, magnitude);
    }
    if (range == FormulaRange::Clip) {
        for (uint32_t i = 0; i < count; ++i) values[i] = std::clamp(values[i], -1.0, 1.0);
    } else if (range == FormulaRange::Scale && r.largest > 1.0) {
        for (uint32_t i = 0; i < count; ++i) values[i] /= r.largest;
    }
    return r;
}

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

FormulaForm::FormulaForm(const GeneratorSetup& setup, const FormulaMemory& m)
    : GeneratorForm(setup, Count, false), document(setup.destination), history(m.history), range(m.range) {
    SetStoredTime(Period, m.period, m.periodUnit);
    std::string expression = m.expression;
    if (expression.empty()) expression = history.empty() ? DefaultFormula : history.front();
    MutableField(Expression).text = expression;
    Validate();
}

void FormulaForm::SetRange(FormulaRange r) {
    if (r == range) return;
    range = r;
    MakeStale();
    Validate();
}

void FormulaForm::CheckShape() {
    expressionValid = !Trimmed(Field(Expression).text).empty();
    ShowMarker(Expression, !expressionValid);
}

bool FormulaForm::ReadShape() {
    syntaxError.reset();
    failure = MsgInvalidParameters;
    return !Trimmed(Field(Expression).text).empty();
}

bool FormulaForm::ComputeShape(double* buffer, int64_t period) {
    const int64_t dt = TimeBase().samplingNs;
    report = {};
    FormulaStretch stretch{dt, period, document, TimeBase().Count(), EditStartNs() / dt};
    auto compiled = FormulaProgram::Compile(Trimmed(Field(Expression).text), stretch);
    if (auto* error = std::get_if<FormulaSyntaxError>(&compiled)) {
        syntaxError = *error;
        failure = FormulaSyntaxMessage(*error);
        return false;
    }
    const auto count = static_cast<uint32_t>(period / dt);
    std::get<FormulaProgram>(compiled).Evaluate(buffer, count);
    const double* bad = std::find_if(buffer, buffer + count, [](double v) { return !std::isfinite(v); });
    if (bad != buffer + count) {
        const int64_t at = (bad - buffer) * dt;
        failure = "数式の値が t = " + FormatTimeAutoWithUnit(at) + " で有限の数になりません";
        return false;
    }
    report = ApplyFormulaRange(buffer, count, range);
    return true;
}

std::string FormulaForm::CreateFailureMessage() const { return failure; }

std::string FormulaForm::ReportText() const {
    if (!PreviewDrawn()) return "";
    return "範囲外：" + FormatUnsigned(report.outside) + " サンプル　最大 |値|：" + FormatReal3(report.largest) + " V";
}

FormulaMemory FormulaForm::Params() const {
    FormulaMemory m;
    m.period = PeriodNs();
    m.periodUnit = Field(Period).unit;
    m.range = range;
    m.expression = Trimmed(Field(Expression).text);
    m.history = history;
    RememberFormula(m.history, m.expression);
    return m;
}

}  // namespace kdx
