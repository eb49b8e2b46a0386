// Compiles arbitrary bytes as a formula and evaluates a few samples. A text
// either compiles or names a character inside it or just past its end.
//
// fuzz-max-len: 4096
#include <cstdint>
#include <string>
#include <variant>

#include "analog/FormulaEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double document[3] = {0.5, -0.5, 1.0};
    auto compiled = kdx::FormulaProgram::Compile(text, kdx::FormulaStretch{20, 80, document, 3, 1});
    if (const auto* error = std::get_if<kdx::FormulaSyntaxError>(&compiled)) {
        if (error->position < 1 || static_cast<size_t>(error->position) > size + 1) __builtin_trap();
        return 0;
    }
    double out[4];
    std::get<kdx::FormulaProgram>(compiled).Evaluate(out, 4);
    return 0;
}
