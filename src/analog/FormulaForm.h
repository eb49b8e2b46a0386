// The formula generator's form: edit start, period and an expression of time,
// with a choice of what to do with values beyond the output range. Its memory
// lives with the editor session and the user's settings (the expression
// history), not in the waveform file, whose footer has no room for text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analog/FormulaEngine.h"
#include "analog/GeneratorForm.h"

namespace kdx {

inline constexpr const char* MsgFormulaMemory = "数式波形作成のためのメモリが確保できませんでした";
inline constexpr const char* DefaultFormula = "sin(2*pi*1kHz*t)";
inline constexpr size_t FormulaHistoryLimit = 20;

// What happens to values beyond the output range of -1.0 V .. +1.0 V.
enum class FormulaRange : int32_t { Keep = 0, Clip = 1, Scale = 2 };
inline constexpr const char* FormulaRangeNames[3] = {"keep", "clip", "scale"};

struct FormulaMemory {
    int64_t period = 0;
    int32_t periodUnit = -1;
    FormulaRange range = FormulaRange::Keep;
    std::string expression;            // the last one applied in this session
    std::vector<std::string> history;  // newest first
};

// Puts an expression at the head of the history, once, keeping the newest 20.
void RememberFormula(std::vector<std::string>& history, const std::string& expression);

// Where the expression history is kept between sessions.
class FormulaHistoryStore {
public:
    virtual ~FormulaHistoryStore() = default;
    virtual std::vector<std::string> Load() = 0;
    virtual void Save(const std::vector<std::string>& history) = 0;
};

// The samples of a stretch beyond the output range, before the range choice.
struct FormulaRangeReport {
    uint32_t outside = 0;
    double largest = 0.0;  // the largest |value|
};

// Counts the values beyond -1.0 .. +1.0 and then treats them by the choice.
FormulaRangeReport ApplyFormulaRange(double* values, uint32_t count, FormulaRange range);

class FormulaForm : public GeneratorForm {
public:
    enum Id { EditStart, Period, Expression, Count };
    using MemoryRecord = FormulaMemory;
    static constexpr const char* MemoryMessage = MsgFormulaMemory;

    FormulaForm(const GeneratorSetup& setup, const FormulaMemory& memory);
    void SetRange(FormulaRange range);
    FormulaRange Range() const { return range; }
    const std::vector<std::string>& History() const { return history; }
    // The count line: what the last create found beyond the range (empty
    // while there is no preview).
    std::string ReportText() const;
    // The syntax error of the last create, when that was its failure.
    const std::optional<FormulaSyntaxError>& SyntaxError() const { return syntaxError; }
    // The memory after OK: the expression used heads the history.
    FormulaMemory Params() const;

private:
    void CheckShape() override;
    bool ShapeValid() const override { return expressionValid; }
    bool ReadShape() override;
    bool ComputeShape(double* buffer, int64_t period) override;
    std::string CreateFailureMessage() const override;

    const double* document;
    std::vector<std::string> history;
    FormulaRange range = FormulaRange::Keep;
    bool expressionValid = false;
    std::optional<FormulaSyntaxError> syntaxError;
    std::string failure;
    FormulaRangeReport report;
};

}  // namespace kdx
