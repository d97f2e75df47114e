// EvalText: argument text to value. The rules are tried in a fixed order
// (number, concatenation, quoted text with embedded expressions, arithmetic,
// name); the choice is made once per distinct text and kept in a plan.
#include "core/evaluator.h"

#include <algorithm>
#include <cmath>

#include "core/limits.h"
#include "core/stack_guard.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

using eval::ArgPlan;
using eval::PlanKind;
using eval::PlanPtr;
using text::npos;

namespace {

// Plans of texts met at run time (texts built by scripts and run with
// 日本語処理, for example) must not grow the cache without bound.
constexpr std::size_t kMaxCachedPlans = 200000;

constexpr TextView kOperatorChars = u"＋－＊×／÷＾％￥+-*/^%\\";

bool wrappedIn(TextView t, char16_t open, char16_t close) {
    return t.size() >= 2 && t.front() == open && t.back() == close;
}

bool hasArithmeticOperator(TextView t) {
    if (t.size() < 2) return false;
    std::size_t last = t.size() - 1;
    return text::findAnyOutside(t, kOperatorChars, text::kArithmeticBrackets, 0, last) != npos;
}

PlanPtr analyse(TextView text);

// Thrown when a text nests deeper than the stack allows; EvalText reports it.
struct TooDeep {};
// Thrown when brackets nest deeper than kMaxBracketDepth.
struct BracketsTooDeep {};
// Thrown when a text being built would pass kMaxTextLength (error 11).
struct TooLong {};

// The bracket levels the analysis is inside. Each level analyses the text
// within its brackets afresh, so the depth bounds both the stack and the
// work one expression costs.
thread_local int bracketLevels = 0;
class BracketLevel {
  public:
    BracketLevel() {
        if (++bracketLevels > kMaxBracketDepth) {
            --bracketLevels;
            throw BracketsTooDeep{};
        }
    }
    ~BracketLevel() { --bracketLevels; }
    BracketLevel(const BracketLevel&) = delete;
    BracketLevel& operator=(const BracketLevel&) = delete;
};

// Whether brackets （ ( ［ nest deeper than the limit anywhere outside 「」
// in the text: one pass, so that such a text is refused before anything is
// analysed or kept for it (a call inside a call's argument, nested many
// times over, would otherwise leave a plan for each of its arguments).
bool nestsTooDeep(TextView t) {
    int depth = 0;
    int quotes = 0;
    for (char16_t c : t) {
        if (c == u'「') {
            ++quotes;
        } else if (c == u'」') {
            if (quotes > 0) --quotes;
        } else if (quotes > 0) {
            continue;
        } else if (c == u'（' || c == u'(' || c == u'［') {
            if (++depth > kMaxBracketDepth) return true;
        } else if ((c == u'）' || c == u')' || c == u'］') && depth > 0) {
            --depth;
        }
    }
    return false;
}

// Appends a piece of a text being built, refusing to pass the length limit.
void appendLimited(Text& out, TextView piece) {
    if (piece.size() > kMaxTextLength - std::min(out.size(), kMaxTextLength)) throw TooLong{};
    out += piece;
}

PlanPtr constantPlan(TextView value) {
    auto plan = std::make_unique<ArgPlan>();
    plan->kind = PlanKind::Constant;
    plan->constant = Text(value);
    return plan;
}

// Quoted text, or text whose first ［ is outside parentheses: the ［…］ parts
// are evaluated and spliced in.
PlanPtr embeddedPlan(TextView t, bool quoted) {
    auto plan = std::make_unique<ArgPlan>();
    plan->kind = PlanKind::Embedded;
    TextView body = quoted ? t.substr(1, t.size() - 2) : t;
    std::size_t pos = 0;
    for (;;) {
        std::size_t open = body.find(u'［', pos);
        if (open == npos) break;
        std::size_t close = body.find(u'］', open + 1);
        if (close == npos) break;
        eval::EmbeddedPart part;
        part.literal = Text(body.substr(pos, open - pos));
        part.expression = Text(body.substr(open + 1, close - open - 1));
        BracketLevel level;
        part.plan = analyse(part.expression);
        plan->parts.push_back(std::move(part));
        pos = close + 1;
    }
    plan->tail = Text(body.substr(pos));
    if (plan->parts.empty()) return constantPlan(plan->tail);
    return plan;
}

PlanPtr namePlan(TextView t) {
    auto plan = std::make_unique<ArgPlan>();
    plan->kind = PlanKind::Name;
    if (t.back() == u')' || t.back() == u'）') {
        if (t.front() == u'(' || t.front() == u'（') {
            // Keeps no copy of its text: nested brackets would keep one per
            // level, the square of the depth in all.
            plan->kind = PlanKind::Inner;
            BracketLevel level;
            plan->left = analyse(t.substr(1, t.size() - 2));
            return plan;
        }
        plan->constant = Text(t);
        std::size_t open = t.find(u'（');
        if (open == npos) open = t.find(u'(');
        plan->hasArgumentBracket = true;
        if (open == npos) {
            plan->name = Text(t);
        } else {
            plan->name = Text(t.substr(0, open));
            plan->argument = Text(t.substr(open + 1, t.size() - open - 2));
        }
        return plan;
    }
    plan->constant = Text(t);
    plan->name = Text(t);
    return plan;
}

// Every rule but the number and concatenation rules, on a trimmed text.
PlanPtr analyseTrimmed(TextView t) {
    bool quoted = t.size() >= 2 && t.front() == u'「' && t.back() == u'」';
    std::size_t bracket = t.find(u'［');
    if (quoted || (bracket != npos && !text::isInsideBrackets(t, bracket, text::kParentheses))) {
        return embeddedPlan(t, quoted);
    }
    if (hasArithmeticOperator(t)) {
        auto plan = std::make_unique<ArgPlan>();
        plan->kind = PlanKind::Arithmetic;
        plan->arithmetic = eval::compileArithmetic(t);
        return plan;
    }
    return namePlan(t);
}

PlanPtr numberPlan(TextView raw) {
    bool wrapped = wrappedIn(raw, u'(', u')') || wrappedIn(raw, u'（', u'）');
    return constantPlan(wrapped ? raw.substr(1, raw.size() - 2) : raw);
}

PlanPtr analyse(TextView raw) {
    if (stackNearlyExhausted()) throw TooDeep{};
    if (number::readsAsNumber(raw)) return numberPlan(raw);
    TextView t = text::trimBlanks(raw);
    if (t.empty()) return constantPlan({});
    // a＆b＆c: each ＆ splits off the text before it, and the rest is judged
    // afresh. Done as a loop so a long chain cannot exhaust the stack.
    const TextView whole = t;
    // Each remainder is judged with its own bracket balance; counting once
    // keeps a chain of any length linear.
    text::RemainderBracketTest brackets(whole, text::kConcatBrackets);
    auto offsetOf = [&](TextView part) { return std::size_t(part.data() - whole.data()); };
    std::size_t amp = t.find(u'＆');
    if (amp == npos || brackets.inside(0, amp)) return analyseTrimmed(t);
    auto plan = std::make_unique<ArgPlan>();
    plan->kind = PlanKind::Concat;
    for (;;) {
        plan->pieces.push_back(analyse(t.substr(0, amp)));
        TextView rest = t.substr(amp + 1);
        if (number::readsAsNumber(rest)) {
            plan->pieces.push_back(numberPlan(rest));
            break;
        }
        t = text::trimBlanks(rest);
        amp = t.find(u'＆');
        // The whole text ends in no blank, so a trimmed remainder still ends
        // where the whole text does.
        if (amp == npos || brackets.inside(offsetOf(t), offsetOf(t) + amp)) {
            plan->pieces.push_back(t.empty() ? constantPlan({}) : analyseTrimmed(t));
            break;
        }
    }
    return plan;
}

}  // namespace

PlanPtr eval::analyseText(TextView text) {
    return analyse(text);
}

std::shared_ptr<ArgPlan> Engine::planFor(TextView text) {
    auto& plans = caches().plans;
    auto it = plans.find(text);
    if (it != plans.end()) return it->second;
    if (nestsTooDeep(text)) throw BracketsTooDeep{};
    if (plans.size() >= kMaxCachedPlans) plans.clear();
    std::shared_ptr<ArgPlan> plan(analyse(text));
    plans.emplace(Text(text), plan);
    return plan;
}

namespace {

// Runs an evaluation; what made it impossible to finish is reported here,
// once, by the outermost evaluation that met it, and the value is `failed`.
template <class Result, class Body>
Result reportingFailures(Engine& engine, TextView text, Result failed, Body&& body) {
    try {
        return body();
    } catch (const TooDeep&) {
        engine.ReportTooDeep(text);
    } catch (const BracketsTooDeep&) {
        engine.Report(ErrorId::BracketsNestedTooDeep, number::format(kMaxBracketDepth));
    } catch (const TooLong&) {
        engine.Report(ErrorId::NumberTooLarge);
    }
    return failed;
}

}  // namespace

std::shared_ptr<ArgPlan> Engine::tryPlanFor(TextView text) {
    try {
        return planFor(text);
    } catch (const TooDeep&) {
    } catch (const BracketsTooDeep&) {
    }
    return nullptr;
}

std::shared_ptr<ArgPlan> Engine::PlanOf(TextView text) {
    if (auto plan = tryPlanFor(text)) return plan;
    // The analysis failed: evaluating the text reports why, and gives the
    // empty value the plan stands for from now on.
    EvalText(text);
    return std::make_shared<ArgPlan>();
}

Text Engine::EvalText(TextView text) {
    return reportingFailures(*this, text, Text(), [&] { return runPlan(*planFor(text)); });
}

double Engine::EvalPlannedNumber(const ArgPlan& plan, TextView text) {
    return reportingFailures(*this, text, 0.0, [&] { return runArithmetic(*plan.arithmetic); });
}

Text Engine::EvalPlanned(const ArgPlan& plan, TextView text) {
    return reportingFailures(*this, text, Text(), [&] { return runPlan(plan); });
}

Text Engine::runPlan(const ArgPlan& plan) {
    if (stackNearlyExhausted()) throw TooDeep{};
    switch (plan.kind) {
        case PlanKind::Constant:
            return plan.constant;
        case PlanKind::Concat: {
            Text out;
            for (const auto& piece : plan.pieces) appendLimited(out, runPlan(*piece));
            return out;
        }
        case PlanKind::Embedded: {
            Text out;
            for (const auto& part : plan.parts) {
                appendLimited(out, part.literal);
                Text value = runPlan(*part.plan);
                if (value != part.expression) appendLimited(out, value);
            }
            appendLimited(out, plan.tail);
            return out;
        }
        case PlanKind::Arithmetic:
            return number::format(runArithmetic(*plan.arithmetic));
        case PlanKind::Inner:
            return runPlan(*plan.left);
        case PlanKind::Name:
            return evalName(plan);
    }
    return {};
}

// A name, possibly followed by an argument in brackets: a variable, a
// constant in force, a built-in function, an object property, a procedure;
// a name that is none of these stands for itself.
namespace {
template <class Result>
Result valueAs(const ValueText& value) {
    if constexpr (std::is_same_v<Result, double>) {
        return value.asNumber();
    } else {
        return value.text();
    }
}
template <class Result>
Result textAs(Text text) {
    if constexpr (std::is_same_v<Result, double>) {
        return number::toNumber(text);
    } else {
        return text;
    }
}
}  // namespace

Text Engine::evalName(const ArgPlan& plan) {
    return evalNameAs<Text>(plan);
}

template <class Result>
Result Engine::evalNameAs(const ArgPlan& plan) {
    if (plan.name.empty()) return textAs<Result>({});
    if (const xxCmdData* variable = FindVariable(plan.name, plan.lookup)) {
        if (plan.argument.empty()) return valueAs<Result>(variable->Value);
        return textAs<Result>(ElementAt(*this, variable, plan.argument, &plan.indexPlan));
    }
    if (!plan.hasArgumentBracket && contextConstants) {
        if (const xxCmdData* constant = contextConstants->find(plan.name))
            return valueAs<Result>(constant->Value);
    }
    // The function registry and the named constants never change while an
    // engine lives, so a name found to be neither is not looked up again.
    Text result;
    if (!plan.notAFunction) {
        if (library.callFunction(plan.name, plan.argument, result, *this, &plan.callSite.function))
            return textAs<Result>(std::move(result));
        plan.notAFunction = true;
    }
    if (!plan.notAProperty) {
        if (library.readProperty(plan.name, plan.argument, result, *this))
            return textAs<Result>(std::move(result));
        plan.notAProperty = !library.mayNameProperty(plan.name);
    }
    if (CallProcedure(plan.name, plan.argument, false, nullptr, &plan.callSite))
        return valueAs<Result>(answer);
    if (!plan.name.empty() && !plan.argument.empty()) {
        Report(ErrorId::FunctionOrArrayNotFound, plan.constant);
        if (errors.errorMode == ErrorMode::Report) {
            Report(ErrorId::VariableHoldsNothing, plan.constant);
        }
    }
    return textAs<Result>(plan.constant);
}

void Engine::EvalPlannedInto(const ArgPlan& plan, TextView text, ValueText& out) {
    if (plan.kind == PlanKind::Arithmetic) {
        bool computed = false;
        double value = reportingFailures(*this, text, 0.0, [&] {
            double result = runArithmetic(*plan.arithmetic);
            computed = true;
            return result;
        });
        // A failure (too deep, too long) leaves nothing, as EvalPlanned does.
        if (computed) {
            out.setNumber(value);
        } else {
            out.clear();
        }
        return;
    }
    if (plan.kind == PlanKind::Name && !plan.hasArgumentBracket && !plan.name.empty()) {
        if (const xxCmdData* variable = FindVariable(plan.name, plan.lookup)) {
            out = variable->Value;
            return;
        }
    }
    out = EvalPlanned(plan, text);
}

// X は、X＆… appends to X in place instead of copying X's whole text: what
// builds long texts in loops stays linear. Taken only when the pieces after
// X cannot run script code (texts, and variables read as they are), so the
// result is exactly that of evaluating and storing.
bool Engine::tryAppendInPlace(TextView target, const ArgPlan& plan) {
    if (plan.kind != PlanKind::Concat || plan.pieces.size() < 2) return false;
    const ArgPlan& first = *plan.pieces[0];
    if (first.kind != PlanKind::Name || first.hasArgumentBracket || first.name != target)
        return false;
    xxCmdData* variable = FindVariable(target, first.lookup);
    if (!variable) return false;
    Text tail;
    for (std::size_t i = 1; i < plan.pieces.size(); ++i) {
        const ArgPlan& piece = *plan.pieces[i];
        if (piece.kind == PlanKind::Constant) {
            appendLimited(tail, piece.constant);
        } else if (piece.kind == PlanKind::Name && !piece.hasArgumentBracket &&
                   !piece.name.empty()) {
            const xxCmdData* other = FindVariable(piece.name, piece.lookup);
            if (!other) return false;
            appendLimited(tail, other->Value.text());
        } else {
            return false;
        }
    }
    // The variable keeps its value when the result would be too long.
    if (tail.size() > kMaxTextLength - variable->Value.text().size()) throw TooLong{};
    variable->Value += tail;
    return true;
}

namespace {
struct AssignCache : RecordCache {
    std::shared_ptr<ArgPlan> plan;
    VariableLookup lookup;
    bool plain = false;
    std::shared_ptr<const void> indexPlan;  // the target's element index taken apart
};

// An assignment to a plain name whose value text was analysed on its first
// run: stored straight from the plan.
class CompiledAssignment : public CompiledStatement {
  public:
    explicit CompiledAssignment(std::shared_ptr<ArgPlan> plan) : plan_(std::move(plan)) {}
    void run(Engine& engine, StatementRecord& record) override {
        engine.assignPlanned(record.head, record.woArg, *plan_, lookup_);
    }
    // The target is the record's head, a plain name.
    bool describe(NodeForm& form) override {
        if (plan_->kind != PlanKind::Arithmetic || !plan_->arithmetic) return false;
        form.kind = NodeForm::Kind::AssignNumber;
        form.value = plan_.get();
        return true;
    }

  private:
    std::shared_ptr<ArgPlan> plan_;
    VariableLookup lookup_;
};
}  // namespace

std::unique_ptr<CompiledStatement> Engine::compileAssignment(StatementRecord& record) {
    const auto* cache = dynamic_cast<const AssignCache*>(record.cache.get());
    if (!cache || !cache->plan || !cache->plain) return nullptr;
    return std::make_unique<CompiledAssignment>(cache->plan);
}

void Engine::assignPlanned(TextView target, TextView valueText, const ArgPlan& plan,
                           VariableLookup& lookup) {
    reportingFailures(*this, valueText, 0, [&] {
        assignPlain(target, plan, lookup);
        return 0;
    });
}

void Engine::assignPlain(TextView target, const ArgPlan& plan, VariableLookup& lookup) {
    if (plan.kind == PlanKind::Concat && tryAppendInPlace(target, plan)) return;
    if (plan.kind == PlanKind::Arithmetic) {
        double value = runArithmetic(*plan.arithmetic);
        variableForWriting(target, lookup).Value.setNumber(std::isfinite(value) ? value : 0);
        return;
    }
    Text value = runPlan(plan);
    variableForWriting(target, lookup).Value = std::move(value);
}

// An assignment statement. The statement keeps the analysis of its value and
// where its variable was found; a value appended to the variable itself is
// appended in place, and a number computed by arithmetic is stored as a
// number (written out only when its text is read, as EvalText would write it).
void Engine::assign(StatementRecord& record, TextView target, TextView valueText) {
    AssignCache& cache = recordCache<AssignCache>(record);
    // On a failure the statement stores nothing: the variable keeps its value.
    reportingFailures(*this, valueText, 0, [&] {
        if (!cache.plan) {
            cache.plan = planFor(valueText);
            cache.plain = target.find(u'（') == npos && target.find(u'(') == npos;
        }
        // The record keeps its plan for as long as the statement exists.
        const ArgPlan* plan = cache.plan.get();
        if (!cache.plain) {
            SetVariableAt(*this, target, runPlan(*plan), &cache.lookup, &cache.indexPlan);
            return 0;
        }
        assignPlain(target, *plan, cache.lookup);
        return 0;
    });
}

double Engine::EvalNumber(TextView text) {
    return number::toNumber(EvalText(text));
}

// The number an operand of arithmetic stands for, when it is not a plain
// variable (runArithmetic reads those in place).
double Engine::numberOfPlan(const ArgPlan& plan) {
    if (plan.kind == PlanKind::Name) {
        if (stackNearlyExhausted()) throw TooDeep{};
        return evalNameAs<double>(plan);
    }
    return number::toNumber(runPlan(plan));
}

double Engine::EvalArithmetic(TextView text) {
    return reportingFailures(*this, text, 0.0, [&] {
        auto& cache = caches().arithmetic;
        auto it = cache.find(text);
        if (it == cache.end()) {
            if (nestsTooDeep(text)) throw BracketsTooDeep{};
            it = cache.emplace(Text(text), eval::compileArithmetic(text)).first;
        }
        std::shared_ptr<eval::CompiledArithmetic> compiled = it->second;
        return runArithmetic(*compiled);
    });
}

Text Engine::EvalWithConstants(int tableNumber, TextView text) {
    Restore<const KeyedTable*> restore(contextConstants);
    contextConstants = &resourceConstants(tableNumber);
    return EvalText(text);
}

}  // namespace qel
