#include "analog/FormulaEngine.h"

#include <muParser.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>

namespace kdx {

namespace formula {

double Frac(double u) { return u - std::floor(u); }
double Saw(double u) { return 2.0 * Frac(u) - 1.0; }
// The comparisons would turn NaN into a level; it is passed on instead, so
// that a stretch with a meaningless sample is refused as a whole.
double Sq(double u) { return std::isnan(u) ? u : Frac(u) < 0.5 ? 1.0 : -1.0; }
double Tri(double u) { return 1.0 - 4.0 * std::fabs(Frac(u) - 0.5); }
double Pulse(double u, double d) { return std::isnan(u) || std::isnan(d) ? u + d : Frac(u) < d ? 1.0 : 0.0; }
double Step(double v) { return std::isnan(v) ? v : v >= 0.0 ? 1.0 : 0.0; }
double Sinc(double v) {
    if (v == 0.0) return 1.0;
    const double a = std::numbers::pi * v;
    return std::sin(a) / a;
}
double Clip(double v, double lo, double hi) {
    if (std::isnan(v) || std::isnan(lo) || std::isnan(hi)) return v + lo + hi;
    return std::min(std::max(v, lo), hi);
}

}  // namespace formula

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Unit suffixes, longer before shorter where one begins another. A negative
// power of ten divides by its exact inverse, so 10us is the double nearest
// 1e-5 as the literal 1e-5 is.
struct Suffix {
    const char* name;
    double factor;
    bool divide;
};
constexpr Suffix Suffixes[] = {{"kHz", 1e3, false}, {"MHz", 1e6, false}, {"Hz", 1.0, false}, {"ns", 1e9, true},
                               {"us", 1e6, true},   {"ms", 1e3, true},   {"mV", 1e3, true},  {"s", 1.0, false},
                               {"V", 1.0, false}};

// A number as written, whatever the locale, with its unit suffix when one
// follows straight after it.
int ReadNumber(const char* text, int* position, double* value) {
    if (!IsDigit(text[0]) && !(text[0] == '.' && IsDigit(text[1]))) return 0;
    const char* end = text + std::strlen(text);
    double number = 0.0;
    const auto result = std::from_chars(text, end, number, std::chars_format::general);
    if (result.ec != std::errc()) return 0;
    const char* next = result.ptr;
    for (const Suffix& s : Suffixes) {
        const size_t length = std::strlen(s.name);
        if (std::strncmp(next, s.name, length) != 0 || IsNameChar(next[length])) continue;
        number = s.divide ? number / s.factor : number * s.factor;
        next += length;
        break;
    }
    *value = number;
    *position += static_cast<int>(next - text);
    return 1;
}

// The 1-based character of a byte offset in UTF-8 text.
int CharacterPosition(const std::string& text, size_t byte) {
    byte = std::min(byte, text.size());
    int position = 1;
    for (size_t i = 0; i < byte; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++position;
    return position;
}

// The token as the user wrote it: whole characters, no blanks around it.
std::string CleanToken(std::string token) {
    while (!token.empty() && (token.back() == ' ' || token.back() == '\t')) token.pop_back();
    size_t keep = token.size();
    // Cut a character the parser split.
    for (size_t i = token.size(); i-- > 0;) {
        const auto c = static_cast<unsigned char>(token[i]);
        if ((c & 0xC0) == 0x80) continue;
        const size_t need = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (i + need > token.size()) keep = i;
        break;
    }
    token.resize(keep);
    return token;
}

// The first comma outside brackets: the parser would take it as a second result.
std::optional<size_t> TopLevelComma(const std::string& text) {
    int depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') ++depth;
        if (text[i] == ')') --depth;
        if (text[i] == ',' && depth <= 0) return i;
    }
    return std::nullopt;
}

}  // namespace

struct FormulaProgram::Impl {
    mu::Parser parser;
    FormulaStretch stretch;
    double t = 0.0, n = 0.0, x = 0.0;
    bool usesT = true, usesX = true;  // only the variables used are computed
};

FormulaProgram::FormulaProgram(std::unique_ptr<Impl> p) : impl(std::move(p)) {}
FormulaProgram::FormulaProgram(FormulaProgram&&) noexcept = default;
FormulaProgram& FormulaProgram::operator=(FormulaProgram&&) noexcept = default;
FormulaProgram::~FormulaProgram() = default;

std::variant<FormulaProgram, FormulaSyntaxError> FormulaProgram::Compile(const std::string& text,
                                                                         const FormulaStretch& stretch) {
    auto impl = std::make_unique<Impl>();
    impl->stretch = stretch;
    mu::Parser& p = impl->parser;
    try {
        p.AddValIdent(ReadNumber);
        p.DefineConst("pi", std::numbers::pi);
        p.DefineConst("e", std::numbers::e);
        p.DefineConst("T", static_cast<double>(stretch.periodNs) / 1e9);
        p.DefineConst("dt", static_cast<double>(stretch.samplingNs) / 1e9);
        p.DefineConst("fs", 1e9 / static_cast<double>(stretch.samplingNs));
        p.DefineVar("t", &impl->t);
        p.DefineVar("n", &impl->n);
        p.DefineVar("x", &impl->x);
        p.DefineFun("frac", formula::Frac);
        p.DefineFun("saw", formula::Saw);
        p.DefineFun("sq", formula::Sq);
        p.DefineFun("tri", formula::Tri);
        p.DefineFun("pulse", formula::Pulse);
        p.DefineFun("step", formula::Step);
        p.DefineFun("sinc", formula::Sinc);
        p.DefineFun("clip", formula::Clip);
        p.SetExpr(text);
        p.Eval();  // parses, so that every syntax error is found here
        if (p.GetNumResults() != 1) {
            const size_t comma = TopLevelComma(text).value_or(text.size());
            return FormulaSyntaxError{CharacterPosition(text, comma), comma < text.size() ? "," : ""};
        }
        const auto& used = p.GetUsedVar();
        impl->usesT = used.contains("t");
        impl->usesX = used.contains("x");
    } catch (const mu::Parser::exception_type& e) {
        const auto byte = static_cast<size_t>(std::max(0, static_cast<int>(e.GetPos())));
        return FormulaSyntaxError{CharacterPosition(text, byte), byte < text.size() ? CleanToken(e.GetToken()) : ""};
    }
    return FormulaProgram(std::move(impl));
}

// One sample at a time on this thread: the parser's bulk evaluation is no
// faster on one core, and on several it starts a pool of threads that spin
// while the editor waits and slow down badly when the cores are busy.
void FormulaProgram::Evaluate(double* out, uint32_t count) {
    const FormulaStretch& s = impl->stretch;
    uint32_t i = 0;
    try {
        for (; i < count; ++i) {
            impl->n = static_cast<double>(i);
            // The time in integers, then one division.
            if (impl->usesT) impl->t = static_cast<double>(int64_t{i} * s.samplingNs) / 1e9;
            if (impl->usesX) {
                const int64_t at = s.firstSample + i;
                impl->x = s.document && at >= 0 && at < int64_t{s.documentCount} ? s.document[at] : 0.0;
            }
            out[i] = impl->parser.Eval();
        }
    } catch (const mu::Parser::exception_type&) {
        std::fill(out + i, out + count, std::nan(""));
    }
}

std::string FormulaSyntaxMessage(const FormulaSyntaxError& error) {
    const std::string where = "数式の " + std::to_string(error.position) + " 文字目";
    if (error.token.empty()) return where + "（式の終わり）に誤りがあります";
    return where + "「" + error.token + "」に誤りがあります";
}

}  // namespace kdx
