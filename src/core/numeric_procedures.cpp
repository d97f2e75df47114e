// Procedures run on numbers alone: reading a procedure's compiled statements
// into its numeric form, and running a call in that form.
#include "core/numeric_procedures.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "core/compiled.h"
#include "core/engine.h"
#include "core/evaluator.h"
#include "core/limits.h"
#include "core/procedure_parameters.h"
#include "core/stack_guard.h"
#include "core/statement.h"
#include "text/number.h"

namespace qel::numeric {
namespace {

// Parameters beyond this many take the ordinary way: the places live on the
// machine stack.
constexpr std::size_t kMaxParameters = 16;
// A form not made yet (statements not compiled yet, a call site not run
// yet) is tried again after this many calls, twice as many each time, up to
// kMaxWait; a form that had to be dropped this many times is not tried again.
constexpr std::uint32_t kMaxWait = 1024;
constexpr std::uint8_t kMaxDrops = 8;

// Where a number is read from or stored: a parameter's place in the call,
// or a variable outside the procedures (kept in the run until it ends).
struct Place {
    bool outer = false;
    std::uint32_t index = 0;
};

struct Procedure;
struct Call;

struct Token {
    // Reads of a parameter and the three most common operators have kinds
    // of their own: they are most of what runs.
    enum class Kind : std::uint8_t {
        Number,
        Parameter,
        Outer,
        Call,
        Add,
        Subtract,
        Multiply,
        Operator
    };
    Kind kind = Kind::Number;
    std::uint8_t op = 0;         // Operator: the evaluator's operator code
    std::uint32_t index = 0;     // Parameter, Outer
    double value = 0;            // Number
    const Call* call = nullptr;  // Call
};

// The deepest operand stack an expression may need here; deeper arithmetic
// takes the ordinary way.
constexpr std::size_t kMaxStack = 32;

// Postfix arithmetic, as the evaluator compiled it.
struct Expression {
    std::vector<Token> tokens;
};

struct Call {
    const Procedure* callee = nullptr;
    std::vector<Expression> arguments;  // one per parameter
};

struct Step {
    enum class Kind : std::uint8_t { Assign, Leave, IfLeave };
    Kind kind = Kind::Leave;
    Place place;  // Assign: the target; IfLeave: the variable compared
    const NumberComparison* comparison = nullptr;
    bool negate = false;
    bool answers = false;  // Leave, IfLeave: the leave gives an answer
    // Leave, IfLeave: the answer is a call, whose answer (a number or
    // nothing) the leave passes on as it is.
    bool answerIsCall = false;
    Expression value;  // Assign: the value; Leave, IfLeave: the answer
};

struct Procedure {
    const xxCmdData* entry = nullptr;
    // The program record the statements were read from. Watched, not held:
    // a record that went is never mistaken for a new one at its address.
    std::weak_ptr<const ProgramRecord> program;
    std::vector<Text> parameters;
    std::vector<Step> steps;
    std::vector<std::unique_ptr<Call>> calls;
};

}  // namespace

// The procedures one call may reach, made together: the first is the one
// called. They share the variables outside them.
class Cluster {
  public:
    std::vector<std::unique_ptr<Procedure>> procedures;
    // Variables outside the procedures, by name, read or written.
    std::vector<Text> outerNames;
    // Names that must name no variable for the form to hold: a procedure
    // called (a variable of its name would be read instead), and argument
    // texts (an argument naming a variable passes that variable).
    std::vector<Text> absentNames;
    std::uint64_t proceduresGeneration = 0;
    int level = 0;

    // The procedure table and every program record read are as they were.
    bool stillCurrent(const Engine& engine) const {
        if (engine.procedures.generation() != proceduresGeneration) return false;
        if (level < 0 || std::size_t(level) >= engine.programLevels.size()) return false;
        const ProgramRecord* program = engine.programLevels[std::size_t(level)].get();
        for (const auto& procedure : procedures) {
            if (procedure->program.lock().get() != program) return false;
        }
        return true;
    }
};

namespace {

enum class Outcome : std::uint8_t { Made, NotYet, Never };

Outcome worse(Outcome a, Outcome b) {
    return static_cast<std::uint8_t>(a) > static_cast<std::uint8_t>(b) ? a : b;
}

bool isPlainName(const eval::ArgPlan& plan) {
    return plan.kind == eval::PlanKind::Name && !plan.hasArgumentBracket && !plan.name.empty() &&
           plan.argument.empty();
}

bool isProcedureCall(const eval::ArgPlan& plan) {
    return plan.kind == eval::PlanKind::Name && plan.hasArgumentBracket && !plan.name.empty() &&
           !plan.argument.empty();
}

// A literal that is exactly the text of its number ("2", not "02").
bool exactNumber(TextView text, double& out) {
    std::optional<double> parsed = number::parse(text);
    if (!parsed || number::format(*parsed) != text) return false;
    out = *parsed;
    return true;
}

bool sameName(TextView a, TextView b) {
    return text::equalsFolded(a, b);
}

class Maker {
  public:
    Maker(const Engine& engine, Cluster& cluster) : engine_(engine), cluster_(cluster) {}

    Outcome outcome() const { return outcome_; }

    const Procedure* procedureFor(const xxCmdData& entry) {
        for (const auto& made : cluster_.procedures) {
            if (made->entry == &entry) return made.get();
        }
        const auto* parsed = static_cast<const ParsedParameters*>(entry.parsed.get());
        if (!parsed) return noForm(Outcome::NotYet);
        if (!takesNumbers(entry, *parsed)) return noForm(Outcome::Never);
        const auto& program = engine_.programLevels[std::size_t(entry.Num)];
        auto made = std::make_unique<Procedure>();
        Procedure& procedure = *made;
        procedure.entry = &entry;
        procedure.program = program;
        for (const auto& p : parsed->params) procedure.parameters.push_back(p.name);
        // Listed before its body is read, so that a call of itself finds it.
        cluster_.procedures.push_back(std::move(made));
        readBody(procedure, program->statements, std::size_t(entry.FuncPnt));
        return &procedure;
    }

    // A name called, or an argument text, is also a variable the form reads
    // or writes: the variable would be found instead, so no form.
    void checkNamesApart() {
        for (const Text& absent : cluster_.absentNames) {
            for (const Text& outer : cluster_.outerNames) {
                if (sameName(absent, outer)) noForm(Outcome::Never);
            }
        }
    }

  private:
    // Notes why there is no form (the worst reason wins) and gives none.
    std::nullptr_t noForm(Outcome why) {
        outcome_ = worse(outcome_, why);
        return nullptr;
    }
    bool refuse(Outcome why) {
        noForm(why);
        return false;
    }

    // Positional parameters of distinct names, few enough, no results by
    // reference, a body in the program at the cluster's level.
    bool takesNumbers(const xxCmdData& entry, const ParsedParameters& parsed) const {
        if (!parsed.valid || entry.Name.empty() || entry.Name[0] == u'!') return false;
        if (parsed.params.size() > kMaxParameters || entry.Num != cluster_.level) return false;
        if (entry.Num < 0 || std::size_t(entry.Num) >= engine_.programLevels.size() ||
            !engine_.programLevels[std::size_t(entry.Num)])
            return false;
        if (entry.FuncPnt < 0 ||
            std::size_t(entry.FuncPnt) > engine_.programLevels[entry.Num]->statements.size())
            return false;
        for (std::size_t i = 0; i < parsed.params.size(); ++i) {
            if (!parsed.params[i].particle.empty()) return false;
            for (std::size_t j = 0; j < i; ++j) {
                if (sameName(parsed.params[i].name, parsed.params[j].name)) return false;
            }
        }
        return true;
    }

    void readBody(Procedure& procedure, const std::vector<StatementRecord>& statements,
                  std::size_t first) {
        for (std::size_t i = first; i < statements.size(); ++i) {
            const StatementRecord& record = statements[i];
            if (record.kind == StatementKind::End) return;
            // An empty line runs as nothing.
            if (record.source.empty()) continue;
            Step step;
            if (!readStatement(procedure, record, step)) return;
            procedure.steps.push_back(std::move(step));
        }
    }

    // The form of a compiled statement; false when it has none (yet).
    bool formOf(const StatementRecord& record, NodeForm& form) {
        switch (record.compiled.state()) {
            case CompiledSlot::State::Unseen:
            case CompiledSlot::State::Seen:
                return refuse(Outcome::NotYet);
            case CompiledSlot::State::NotCompilable:
                return refuse(Outcome::Never);
            case CompiledSlot::State::Compiled:
                break;
        }
        return record.compiled.node()->describe(form) || refuse(Outcome::Never);
    }

    bool readStatement(Procedure& procedure, const StatementRecord& record, Step& step) {
        NodeForm form;
        if (!formOf(record, form)) return false;
        switch (form.kind) {
            case NodeForm::Kind::AssignNumber:
                step.kind = Step::Kind::Assign;
                step.place = placeOf(procedure, record.head);
                return arithmetic(procedure, *form.value->arithmetic, step.value);
            case NodeForm::Kind::Leave:
                step.kind = Step::Kind::Leave;
                return answer(procedure, form.value, step);
            case NodeForm::Kind::IfLeave: {
                NodeForm leave;
                if (!formOf(*form.branch, leave)) return false;
                if (leave.kind != NodeForm::Kind::Leave) return refuse(Outcome::Never);
                step.kind = Step::Kind::IfLeave;
                step.place = placeOf(procedure, form.comparison->name());
                step.comparison = form.comparison;
                step.negate = form.negate;
                return answer(procedure, leave.value, step);
            }
        }
        return false;
    }

    bool answer(Procedure& procedure, const eval::ArgPlan* plan, Step& step) {
        step.answers = plan != nullptr;
        if (plan && isProcedureCall(*plan)) {
            Token token;
            token.kind = Token::Kind::Call;
            token.call = call(procedure, *plan);
            step.value.tokens.push_back(token);
            step.answerIsCall = true;
            return token.call != nullptr;
        }
        return !plan || value(procedure, *plan, step.value);
    }

    // A leave's answer or an argument: a number, a variable, or arithmetic.
    bool value(Procedure& procedure, const eval::ArgPlan& plan, Expression& out) {
        Token token;
        if (plan.kind == eval::PlanKind::Constant) {
            if (!exactNumber(plan.constant, token.value)) return refuse(Outcome::Never);
            out.tokens.push_back(token);
            return true;
        }
        if (isPlainName(plan)) {
            out.tokens.push_back(readOf(placeOf(procedure, plan.name)));
            return true;
        }
        if (plan.kind == eval::PlanKind::Arithmetic && plan.arithmetic)
            return arithmetic(procedure, *plan.arithmetic, out);
        return refuse(Outcome::Never);
    }

    bool arithmetic(Procedure& procedure, const eval::CompiledArithmetic& compiled,
                    Expression& out) {
        out.tokens.reserve(compiled.tokens.size());
        for (const auto& raw : compiled.tokens) {
            Token token;
            if (raw.op != 0) {
                token = operatorOf(raw.op);
            } else if (!raw.plan) {
                token.value = raw.value;
            } else if (raw.plainName && isPlainName(*raw.plan)) {
                token = readOf(placeOf(procedure, raw.plan->name));
            } else if (isProcedureCall(*raw.plan)) {
                token.kind = Token::Kind::Call;
                token.call = call(procedure, *raw.plan);
                if (!token.call) return false;
            } else {
                return refuse(Outcome::Never);
            }
            out.tokens.push_back(token);
        }
        if (stackNeeded(out) > kMaxStack) return refuse(Outcome::Never);
        return true;
    }

    static Token readOf(Place place) {
        Token token;
        token.kind = place.outer ? Token::Kind::Outer : Token::Kind::Parameter;
        token.index = place.index;
        return token;
    }

    static Token operatorOf(int op) {
        Token token;
        token.op = std::uint8_t(op);
        switch (op) {
            case 1:
                token.kind = Token::Kind::Add;
                break;
            case 2:
                token.kind = Token::Kind::Subtract;
                break;
            case 3:
                token.kind = Token::Kind::Multiply;
                break;
            default:
                token.kind = Token::Kind::Operator;
                break;
        }
        return token;
    }

    static std::size_t stackNeeded(const Expression& expression) {
        std::size_t top = 0, deepest = 0;
        for (const Token& token : expression.tokens) {
            if (token.kind >= Token::Kind::Add) {
                top = top >= 2 ? top - 1 : 1;
            } else {
                deepest = std::max(deepest, ++top);
            }
        }
        return deepest;
    }

    // A procedure called from arithmetic, as its earlier runs found it: not
    // a function, not a property, a procedure of the table as it is now.
    const Call* call(Procedure& caller, const eval::ArgPlan& plan) {
        const eval::CallSite& site = plan.callSite;
        if (!site.procedure || !site.positional) return noForm(Outcome::NotYet);
        if (!plan.notAFunction || !plan.notAProperty) return noForm(Outcome::Never);
        if (site.proceduresGeneration != engine_.procedures.generation())
            return noForm(Outcome::NotYet);
        if (parameterIndex(caller, plan.name)) return noForm(Outcome::Never);
        noteAbsent(plan.name);
        const auto& given = *static_cast<const PositionalArguments*>(site.positional.get());
        auto made = std::make_unique<Call>();
        made->callee = procedureFor(*site.procedure);
        if (!made->callee) return nullptr;
        if (given.texts.size() != made->callee->parameters.size()) return noForm(Outcome::Never);
        made->arguments.resize(given.texts.size());
        for (std::size_t i = 0; i < given.texts.size(); ++i) {
            if (!argument(caller, given.texts[i], given.plans[i].get(), made->arguments[i]))
                return nullptr;
        }
        caller.calls.push_back(std::move(made));
        return caller.calls.back().get();
    }

    // An argument naming a variable passes it; anything else is evaluated.
    bool argument(Procedure& caller, const Text& text, const eval::ArgPlan* plan, Expression& out) {
        if (text.empty() || !plan) return refuse(Outcome::Never);
        if (auto slot = parameterIndex(caller, text)) {
            out.tokens.push_back(readOf({false, *slot}));
            return true;
        }
        if (!isPlainName(*plan)) noteAbsent(text);
        return value(caller, *plan, out);
    }

    std::optional<std::uint32_t> parameterIndex(const Procedure& procedure, TextView name) const {
        for (std::size_t i = 0; i < procedure.parameters.size(); ++i) {
            if (sameName(procedure.parameters[i], name)) return std::uint32_t(i);
        }
        return std::nullopt;
    }

    Place placeOf(const Procedure& procedure, TextView name) {
        if (auto slot = parameterIndex(procedure, name)) return {false, *slot};
        auto& names = cluster_.outerNames;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (sameName(names[i], name)) return {true, std::uint32_t(i)};
        }
        names.emplace_back(name);
        return {true, std::uint32_t(names.size() - 1)};
    }

    void noteAbsent(TextView name) {
        for (const Text& absent : cluster_.absentNames) {
            if (absent == name) return;
        }
        cluster_.absentNames.emplace_back(name);
    }

    const Engine& engine_;
    Cluster& cluster_;
    Outcome outcome_ = Outcome::Made;
};

thread_local std::uint64_t runsOnNumbers = 0;

// Thrown to drop a run: nothing has been stored yet.
struct Dropped {};

// The number a value keeps when a computed number is stored (setNumber):
// whole numbers as they are, others as their text reads.
double keptFraction(double value) {
    if (!std::isfinite(value)) return 0;
    return number::parse(number::format(value)).value_or(0);
}

inline double kept(double value) {
    if (std::fabs(value) < 1e15 && static_cast<double>(static_cast<long long>(value)) == value)
        [[likely]]
        return value + 0.0;
    return keptFraction(value);
}

class Run {
  public:
    Run(Engine& engine, const Cluster& cluster) : engine_(engine), cluster_(cluster) {}

    // Finds the variables outside as the procedures' statements would find
    // them; false when the form does not hold now.
    bool prepare() {
        const std::size_t count = cluster_.outerNames.size();
        outer_.assign(count, {});
        for (std::size_t i = 0; i < count; ++i) {
            Outer& outer = outer_[i];
            outer.entry = findOutside(cluster_.outerNames[i]);
            if (!outer.entry) continue;
            // One variable under two names (宣言) would need one place.
            for (std::size_t j = 0; j < i; ++j) {
                if (outer_[j].entry == outer.entry) return false;
            }
            outer.readable = outer.entry->Value.holdsExactNumber(outer.value);
        }
        for (const Text& name : cluster_.absentNames) {
            if (findOutside(name)) return false;
        }
        depthLeft_ = kMaxNestingDepth - engine_.nestingDepth;
        interrupt_ = engine_.interruptFlag;
        budgetLeft_ = engine_.statementBudget;
        return depthLeft_ > 0;
    }

    void run(const Procedure& procedure, double* arguments) {
        answerEmpty_ = true;
        call(procedure, arguments);
    }

    // Stores what the run wrote, as the statements would have: variables
    // that did not exist become globals in the order they were first written.
    void commit() {
        for (std::uint32_t index : written_) {
            Outer& outer = outer_[index];
            xxCmdData& entry =
                outer.entry ? *outer.entry : engine_.createGlobal(cluster_.outerNames[index]);
            entry.Value.setNumber(outer.value);
        }
        engine_.statementBudget = budgetLeft_;
        if (answerEmpty_) {
            engine_.answer.clear();
        } else {
            engine_.answer.setNumber(answer_);
        }
    }

  private:
    struct Outer {
        xxCmdData* entry = nullptr;
        double value = 0;
        bool readable = false;  // holds a number (at first, or once written)
        bool written = false;
    };

    xxCmdData* findOutside(TextView name) const {
        const auto& program = engine_.programLevels[std::size_t(cluster_.level)];
        if (program->locals) {
            if (xxCmdData* entry = program->locals->find(name)) return entry;
        }
        return engine_.globals.find(name);
    }

    // `places` holds the arguments, and then the parameters' values.
    double call(const Procedure& procedure, double* places) {
        // The same limits as a call that runs the ordinary way.
        constexpr unsigned long kLevelReserveBytes = 256 * 1024;
        if (depthLeft_ <= 0 || stackNearlyExhausted(kLevelReserveBytes) || engine_.stopRequested)
            throw Dropped{};
        --depthLeft_;
        answerEmpty_ = true;
        runSteps(procedure, places);
        ++depthLeft_;
        return answerEmpty_ ? 0 : answer_;
    }

    // Whether the ordinary run would stop or hand over before a statement;
    // a statement budget is counted down as the ordinary run counts it.
    void checkBeforeStatement() {
        if ((interrupt_ && *interrupt_) || engine_.watchStatements.load(std::memory_order_relaxed))
            [[unlikely]]
            throw Dropped{};
        if (budgetLeft_ >= 0) [[unlikely]] {
            if (budgetLeft_ == 0) throw Dropped{};
            --budgetLeft_;
        }
    }

    void runSteps(const Procedure& procedure, double* places) {
        for (const Step& step : procedure.steps) {
            checkBeforeStatement();
            switch (step.kind) {
                case Step::Kind::Assign:
                    store(step.place, places, kept(evaluate(step.value, places)));
                    break;
                case Step::Kind::IfLeave:
                    if (step.comparison->holdsFor(load(step.place, places)) == step.negate) break;
                    // The branch is a statement of its own.
                    checkBeforeStatement();
                    leave(step, places);
                    return;
                case Step::Kind::Leave:
                    leave(step, places);
                    return;
            }
        }
    }

    void leave(const Step& step, const double* places) {
        if (!step.answers) return;
        if (step.answerIsCall) {
            evaluate(step.value, places);
            return;
        }
        answer_ = kept(evaluate(step.value, places));
        answerEmpty_ = false;
    }

    double load(Place place, const double* places) const {
        return place.outer ? loadOuter(place.index) : places[place.index];
    }

    double loadOuter(std::uint32_t index) const {
        const Outer& outer = outer_[index];
        // A variable that holds no number, or none yet, is read otherwise.
        if (!outer.readable) throw Dropped{};
        return outer.value;
    }

    void store(Place place, double* places, double value) {
        if (!place.outer) {
            places[place.index] = value;
            return;
        }
        Outer& outer = outer_[place.index];
        outer.value = value;
        outer.readable = true;
        if (!outer.written) {
            outer.written = true;
            written_.push_back(place.index);
        }
    }

    // As the evaluator runs arithmetic: a missing operand counts as 0, and a
    // result that is not a finite number as 0.
    double evaluate(const Expression& expression, const double* places) {
        double stack[kMaxStack];
        std::size_t top = 0;
        auto operands = [&](double& a, double& b) {
            b = top > 0 ? stack[--top] : 0;
            a = top > 0 ? stack[--top] : 0;
        };
        auto push = [&](double r) { stack[top++] = std::isfinite(r) ? r : 0; };
        double a = 0, b = 0;
        for (const Token& token : expression.tokens) {
            switch (token.kind) {
                case Token::Kind::Number:
                    stack[top++] = token.value;
                    break;
                case Token::Kind::Parameter:
                    stack[top++] = places[token.index];
                    break;
                case Token::Kind::Outer:
                    stack[top++] = loadOuter(token.index);
                    break;
                case Token::Kind::Call:
                    stack[top++] = callFrom(*token.call, places);
                    break;
                case Token::Kind::Add:
                    operands(a, b);
                    push(a + b);
                    break;
                case Token::Kind::Subtract:
                    operands(a, b);
                    push(a - b);
                    break;
                case Token::Kind::Multiply:
                    operands(a, b);
                    push(a * b);
                    break;
                case Token::Kind::Operator:
                    operands(a, b);
                    push(eval::applyOperator(token.op, a, b));
                    break;
            }
        }
        return top > 0 ? stack[top - 1] : 0;
    }

    double callFrom(const Call& call, const double* places) {
        double arguments[kMaxParameters];
        for (std::size_t i = 0; i < call.arguments.size(); ++i)
            arguments[i] = kept(evaluate(call.arguments[i], places));
        return this->call(*call.callee, arguments);
    }

    Engine& engine_;
    const Cluster& cluster_;
    std::vector<Outer> outer_;
    std::vector<std::uint32_t> written_;
    double answer_ = 0;
    bool answerEmpty_ = true;
    int depthLeft_ = 0;
    const volatile int* interrupt_ = nullptr;
    // What is left of the statement budget (negative: no budget). Stored
    // with the rest; a run that uses it up hands over, and the ordinary run
    // then stops at the same statement.
    std::int64_t budgetLeft_ = -1;
};

// The form for calls of `entry`, made or made again when due; null when
// there is none now.
const Cluster* clusterFor(Engine& engine, const xxCmdData& entry, const ParsedParameters& parsed) {
    if (parsed.numeric && parsed.numeric->stillCurrent(engine)) return parsed.numeric.get();
    parsed.numeric.reset();
    if (++parsed.callsSinceNumericTry < parsed.numericWait) return nullptr;
    parsed.callsSinceNumericTry = 0;
    auto cluster = std::make_shared<Cluster>();
    cluster->proceduresGeneration = engine.procedures.generation();
    cluster->level = entry.Num;
    Maker maker(engine, *cluster);
    maker.procedureFor(entry);
    maker.checkNamesApart();
    switch (maker.outcome()) {
        case Outcome::Made:
            parsed.numeric = std::move(cluster);
            return parsed.numeric.get();
        case Outcome::NotYet:
            parsed.numericWait =
                std::min(kMaxWait, std::max<std::uint32_t>(1, parsed.numericWait * 2));
            return nullptr;
        case Outcome::Never:
            parsed.neverNumeric = true;
            return nullptr;
    }
    return nullptr;
}

}  // namespace

bool tryRun(Engine& engine, xxCmdData& entry, const ParsedParameters& parsed,
            const KeyedTable& locals) {
    if (parsed.neverNumeric) return false;
    // A watcher or the library's own per-statement work sees each
    // statement: those runs take the ordinary way.
    if (!engine.compileStatements || engine.watchStatements.load(std::memory_order_relaxed) ||
        engine.libraryWatchesStatements)
        return false;
    if (locals.shape() != parsed.localsShape || locals.size() != parsed.params.size()) return false;
    const Cluster* cluster = clusterFor(engine, entry, parsed);
    if (!cluster) return false;
    double arguments[kMaxParameters];
    for (std::size_t i = 0; i < parsed.params.size(); ++i) {
        if (!locals.entryAt(i).Value.holdsExactNumber(arguments[i])) return false;
    }
    Run run(engine, *cluster);
    if (!run.prepare()) return false;
    try {
        run.run(*cluster->procedures.front(), arguments);
    } catch (const Dropped&) {
        if (++parsed.numericGiveUps >= kMaxDrops) parsed.neverNumeric = true;
        return false;
    }
    run.commit();
    ++runsOnNumbers;
    return true;
}

std::uint64_t callsRunOnNumbers() {
    return runsOnNumbers;
}

}  // namespace qel::numeric
