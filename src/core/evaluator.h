// The analysed form of argument texts. Which evaluation rule applies to a text
// depends on the text alone, so the analysis is made once per distinct text
// and kept; only name look-ups are repeated on every evaluation.
#pragma once

#include <array>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/engine.h"
#include "text/pattern.h"

namespace qel::eval {

enum class PlanKind {
    Constant,    // a number, an empty text, a quoted text without embedding
    Concat,      // left ＆ right
    Embedded,    // text with ［expression］ parts
    Arithmetic,  // an arithmetic expression
    Inner,       // (…) around a text: the value of the inside
    Name,        // a variable, function, constant, property or procedure
};

struct ArgPlan;
using PlanPtr = std::unique_ptr<ArgPlan>;

struct EmbeddedPart {
    Text literal;     // text before the expression
    Text expression;  // the text between ［ and ］
    PlanPtr plan;     // its plan
};

struct CompiledArithmetic;

// What a call of a procedure from an expression remembers of its last run:
// the procedure (while the procedure table is unchanged) and its argument
// text taken apart.
struct CallSite {
    std::shared_ptr<xxCmdData> procedure;
    std::uint64_t proceduresGeneration = 0;
    std::shared_ptr<const void> positional;  // PositionalArguments
    std::shared_ptr<const void> function;    // the library's, for a built-in function
};

struct ArgPlan {
    PlanKind kind = PlanKind::Constant;
    Text constant;                    // Constant; the whole text for Name
    std::vector<PlanPtr> pieces;      // Concat
    PlanPtr left;                     // Inner
    std::vector<EmbeddedPart> parts;  // Embedded
    Text tail;                        // Embedded: text after the last part
    std::shared_ptr<CompiledArithmetic> arithmetic;
    Text name, argument;                // Name
    bool hasArgumentBracket = false;    // Name: written with a closing bracket
    mutable VariableLookup lookup;      // Name: where the variable was found
    mutable bool notAFunction = false;  // Name: no built-in function or constant
    mutable bool notAProperty = false;  // Name: can name no property
    mutable CallSite callSite;          // Name: when it calls a procedure
    // Name: the element index (`argument`) taken apart, once it was read as
    // an element of a variable.
    mutable std::shared_ptr<const void> indexPlan;
};

// Arithmetic compiled to postfix with its literal numbers converted.
struct ArithmeticToken {
    int op = 0;                           // 0 operand, 1 + 2 - 3 * 4 / 5 ^ 6 % 7 ￥
    double value = 0;                     // a literal number when `name` is empty
    Text name;                            // a name evaluated on every run
    std::shared_ptr<const ArgPlan> plan;  // the name's analysis
    // The name is a plain one (no bracket): most often a variable, read in
    // place without going through the name's evaluation.
    bool plainName = false;
};
struct CompiledArithmetic {
    std::vector<ArithmeticToken> tokens;
};

std::shared_ptr<CompiledArithmetic> compileArithmetic(TextView text);

// One operator of compiled arithmetic (ArithmeticToken::op) applied.
// Remainder and integer division first round both operands to the nearest
// integer (ties to even). A zero divisor gives 0: arithmetic faults must not
// stop a script, and no script should ever see "inf".
inline double applyOperator(int op, double a, double b) {
    switch (op) {
        case 1:
            return a + b;
        case 2:
            return a - b;
        case 3:
            return a * b;
        case 4:
            return b == 0 ? 0 : a / b;
        case 5:
            return std::pow(a, b);
        case 6: {
            double x = std::nearbyint(a), y = std::nearbyint(b);
            return y == 0 ? 0 : std::fmod(x, y);
        }
        case 7: {
            double x = std::nearbyint(a), y = std::nearbyint(b);
            return y == 0 ? 0 : std::trunc(x / y);
        }
        default:
            return 0;
    }
}

// The analysis of one argument text (what EvalText caches per text).
PlanPtr analyseText(TextView text);

}  // namespace qel::eval

namespace qel {

// Exact-text keys, looked up without building a key string.
struct TextHash {
    using is_transparent = void;
    // FNV-1a: the keys are short argument texts, for which this is several
    // times cheaper than the library's general-purpose string hash.
    std::size_t operator()(TextView t) const noexcept {
        std::size_t h = 1469598103934665603ull;
        for (char16_t c : t) h = (h ^ c) * 1099511628211ull;
        return h;
    }
};
struct TextEqual {
    using is_transparent = void;
    bool operator()(TextView a, TextView b) const noexcept { return a == b; }
};
template <class T>
using TextMap = std::unordered_map<Text, T, TextHash, TextEqual>;

// A procedure call's argument text split at its top-level commas: each
// piece trimmed, with its analysis (null for an empty piece).
struct PositionalArguments {
    std::vector<Text> texts;
    std::vector<std::shared_ptr<eval::ArgPlan>> plans;
    // Where each piece was last found as a variable (a piece naming a
    // variable passes that variable).
    mutable std::vector<VariableLookup> lookups;
    // A piece that is a constant, as the value a parameter takes from it,
    // its number already read (a literal 2 is not read again on every call).
    std::vector<ValueText> constants;
};

// A condition comparing a plain variable with a literal number ("n が 2 より
// 下"), taken apart once for a statement that tests it again and again.
class NumberComparison {
  public:
    NumberComparison(Text name, double right, int code)
        : name_(std::move(name)), right_(right), code_(code) {}
    // Whether the variable holds a number (then `holds` is the result);
    // otherwise the condition must take its ordinary evaluation, which
    // compares texts and reports what is wrong.
    bool test(Engine& engine, bool& holds) const;
    // The variable compared, and the comparison applied to a number it holds.
    const Text& name() const { return name_; }
    bool holdsFor(double value) const;

  private:
    Text name_;
    double right_;
    int code_;
    mutable VariableLookup lookup_;
};

// Null when the condition (one comparison, no ［…］ groups) is not of that
// form.
std::unique_ptr<NumberComparison> compileNumberComparison(Engine& engine, TextView condition);

// Element reads and writes of one statement or expression, whose index text
// never changes: `remembered` keeps that text's analysis for the next run
// (empty at first), so it is not looked up by its text every time.
Text ElementAt(Engine& engine, const xxCmdData* entry, TextView indexText,
               std::shared_ptr<const void>* remembered);
void SetVariableAt(Engine& engine, TextView target, TextView value, VariableLookup* lookup,
                   std::shared_ptr<const void>* remembered);

struct Engine::Caches {
    TextMap<std::shared_ptr<eval::ArgPlan>> plans;
    TextMap<std::shared_ptr<const void>> indexPlans;  // element indexes taken apart
    // Arithmetic texts compare without regard to the case of Latin letters.
    std::unordered_map<Text, std::shared_ptr<eval::CompiledArithmetic>, FoldedHash, FoldedEqual>
        arithmetic;
    text::PatternCache patterns{true};  // conditions' patterns ignore case
    std::array<TextMap<std::shared_ptr<const void>>, 3> comparisons;  // conditions taken apart
    TextMap<std::shared_ptr<const void>> positionalArguments;  // procedure call texts taken apart
};

}  // namespace qel
