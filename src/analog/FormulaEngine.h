// A waveform written as an expression of time, compiled once for a stretch and
// evaluated at every sample. The expression parser stays inside; callers see
// only texts, numbers and the place of an error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace kdx {

// Where an expression stops making sense: the 1-based character (not byte)
// and the token found there (empty at the end of the text).
struct FormulaSyntaxError {
    int position = 0;
    std::string token;
};

// What the variables of one stretch are made of.
struct FormulaStretch {
    int64_t samplingNs = 0;  // dt
    int64_t periodNs = 0;    // T
    // The document's analog samples, read as x; x is 0.0 outside them.
    const double* document = nullptr;
    uint32_t documentCount = 0;
    int64_t firstSample = 0;  // the document sample of stretch sample 0
};

class FormulaProgram {
public:
    FormulaProgram(FormulaProgram&&) noexcept;
    FormulaProgram& operator=(FormulaProgram&&) noexcept;
    ~FormulaProgram();

    static std::variant<FormulaProgram, FormulaSyntaxError> Compile(const std::string& text,
                                                                    const FormulaStretch& stretch);
    // out[i] for stretch samples i = 0 .. count - 1; values that are not finite
    // are stored as computed.
    void Evaluate(double* out, uint32_t count);

private:
    struct Impl;
    explicit FormulaProgram(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl;
};

// "数式の 5 文字目「foo」に誤りがあります" and the like.
std::string FormulaSyntaxMessage(const FormulaSyntaxError& error);

// The added functions, as the expression calls them.
namespace formula {
double Frac(double u);
double Saw(double u);
double Sq(double u);
double Tri(double u);
double Pulse(double u, double d);
double Step(double v);
double Sinc(double v);
double Clip(double v, double lo, double hi);
}  // namespace formula

}  // namespace kdx
