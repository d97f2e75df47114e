// User procedures: registration of 手順は heads, calls as commands and inside
// expressions, parameters by position or by particle, by-reference results.
#include <optional>

#include "core/engine.h"
#include "core/evaluator.h"
#include "core/limits.h"
#include "core/numeric_procedures.h"
#include "core/parser.h"
#include "core/procedure_parameters.h"
#include "core/stack_guard.h"
#include "core/values.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

using text::npos;

namespace {

constexpr TextView kProcedureHead = u"手順は　";

// A stop inside a called body (Ctrl+C, 終了, the host's stop): the statement
// or expression that made the call must not go on with what the call left
// half done, or a command would act on an empty or partial value (save it to
// a file, send it). The enclosing level ends its run there; a call a host
// made from outside any run just returns.
void abandonCallerIfStopped(const Engine& engine) {
    if (engine.stopRequested && engine.nestingDepth > 0) throw Engine::Abandoned{};
}

// Parses the parameter list; false when a bracketed name without particle
// follows a positional item.
bool parseParameters(TextView list, std::vector<Parameter>& params) {
    bool sawPositional = false;
    for (const Text& raw : values::splitArguments(list)) {
        TextView item = text::trimBlanks(raw);
        Parameter p;
        if (!item.empty() && item.front() == u'［') {
            std::size_t close = item.find(u'］');
            if (close == npos) {
                p.name = Text(item);
            } else {
                p.name = Text(item.substr(1, close - 1));
                p.particle = Text(text::trimBlanks(item.substr(close + 1)));
                if (p.particle.empty() && sawPositional) return false;
            }
        } else {
            p.name = Text(item);
        }
        if (p.particle.empty()) sawPositional = true;
        params.push_back(std::move(p));
    }
    return true;
}

std::vector<Text> splitPositional(TextView argText) {
    Text unified = values::unifySeparators(argText);
    std::vector<Text> args;
    if (text::trimBlanks(unified).empty()) return args;
    std::size_t start = 0;
    for (std::size_t p = text::findOutside(unified, u",", text::kArgumentBrackets); p != npos;
         p = text::findOutside(unified, u",", text::kArgumentBrackets, start)) {
        args.push_back(unified.substr(start, p - start));
        start = p + 1;
    }
    args.push_back(unified.substr(start));
    return args;
}

bool isBadProcedureName(TextView name) {
    return name.empty() || text::contains(name, u"、") || text::contains(name, u",") ||
           text::contains(name, u"。") || number::readsAsNumber(name);
}

// Spare variable entries kept for the next call's parameters.
constexpr std::size_t kEntryPoolLimit = 64;

TextView keyOf(TextView name) {
    return !name.empty() && name[0] == u'!' ? name.substr(1) : name;
}

}  // namespace

namespace {

// What the calls under way on this thread hold by plain pointer (their
// procedure entries and program records), innermost last. A count past the
// limit records no more, and then nothing kept is let go early.
constexpr std::size_t kHeldLimit = 4096;
thread_local const void* heldByCalls[kHeldLimit];
thread_local std::size_t heldCount = 0;

bool heldByACall(const void* item) {
    for (std::size_t i = 0; i < heldCount; ++i) {
        if (heldByCalls[i] == item) return true;
    }
    return false;
}

}  // namespace

// Counts a call (or a body run) under way for as long as it lives, with
// what it holds. When the last one ends, what was dropped meanwhile
// (keepWhileCalling) goes; before that, whatever no call holds any more, so
// a long call that keeps replacing procedures does not pile them up.
class CallUnderWay {
  public:
    CallUnderWay(Engine& engine, const void* holds) : engine_(engine) {
        ++engine.callsUnderWay_;
        hold(holds);
    }
    // What the call holds once its body begins (its program record).
    void alsoHold(const void* item) { hold(item); }
    ~CallUnderWay() {
        heldCount -= held_;
        --engine_.callsUnderWay_;
        if (!engine_.keptForCalls_.empty()) [[unlikely]]
            letGoOfUnheld(engine_);
    }
    // Moved out before they go: what they hold may end other things.
    static void letGoOfUnheld(Engine& engine) {
        std::vector<std::shared_ptr<const void>> dropped;
        auto& kept = engine.keptForCalls_;
        if (engine.callsUnderWay_ == 0) {
            dropped.swap(kept);
            return;
        }
        if (heldCount > kHeldLimit) return;
        for (auto& item : kept) {
            if (!heldByACall(item.get())) dropped.push_back(std::move(item));
        }
        std::erase(kept, nullptr);
    }
    CallUnderWay(const CallUnderWay&) = delete;
    CallUnderWay& operator=(const CallUnderWay&) = delete;

  private:
    void hold(const void* item) {
        if (heldCount < kHeldLimit) heldByCalls[heldCount] = item;
        ++heldCount;
        ++held_;
    }

    Engine& engine_;
    std::size_t held_ = 0;
};

void Engine::RegisterProcedures(std::vector<StatementRecord>& statements, int programNumber) {
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const Text& source = statements[i].source;
        if (!text::startsWith(source, kProcedureHead)) continue;
        TextView name = TextView(source).substr(kProcedureHead.size());
        Text params;
        std::size_t open = name.find(u'（');
        if (open != npos) {
            std::size_t close = name.rfind(u'）');
            TextView inside = close != npos && close > open
                                  ? name.substr(open + 1, close - open - 1)
                                  : name.substr(open + 1);
            params = values::unifySeparators(inside);
            name = name.substr(0, open);
        }
        name = text::trimBlanks(name);
        if (isBadProcedureName(name)) {
            Report(ErrorId::BadProcedureName, name, {}, int(i) + 1);
            return;
        }
        auto entry = std::make_shared<xxCmdData>();
        entry->Name = Text(name);
        entry->Value = params;
        entry->FuncPnt = int32_t(i) + 1;
        entry->Num = programNumber;
        keepWhileCalling(procedures.findShared(keyOf(name)));
        procedures.remove(keyOf(name));
        procedures.add(keyOf(name), std::move(entry));
    }
    if (!keptForCalls_.empty()) CallUnderWay::letGoOfUnheld(*this);
}

bool Engine::CallProcedure(TextView name, TextView arguments, bool asCommand,
                           StatementRecord* record, eval::CallSite* site) {
    // The entry is held by the procedure table or the call site; whatever
    // drops it from both while this call is under way keeps it until the
    // call ends (keepWhileCalling).
    xxCmdData* entry = nullptr;
    std::shared_ptr<xxCmdData> found;
    if (site && site->procedure && site->proceduresGeneration == procedures.generation()) {
        entry = site->procedure.get();
    } else {
        found = procedures.findShared(name);
        entry = found.get();
        if (site) {
            site->procedure = found;
            site->proceduresGeneration = procedures.generation();
        }
    }
    if (!entry) return false;
    CallUnderWay underWay(*this, entry);
    if (unwinding()) throw Abandoned{};
    // Checked before the arguments are bound, so that a runaway is reported
    // naming the procedure.
    if (!mayNestDeeper()) {
        ReportTooDeep(entry->Name);
        return true;
    }

    if (entry->Value.empty()) {
        if (!asCommand && !arguments.empty()) {
            Report(ErrorId::FunctionTakesNoArguments, entry->Name);
            return true;
        }
        if (asCommand && record && Args(*record).marked.find(kParticleMark) != Text::npos) {
            Report(ErrorId::CommandTakesNoArguments, entry->Name);
            return true;
        }
        Restore<std::shared_ptr<KeyedTable>> keep(procLocals);
        procLocals.reset();
        answer.clear();
        runBody(*entry, &underWay);
        abandonCallerIfStopped(*this);
        return true;
    }

    if (!entry->parsed) {
        auto parsed = std::make_shared<ParsedParameters>();
        parsed->valid = parseParameters(entry->Value, parsed->params);
        for (const auto& p : parsed->params) parsed->anyPositional |= p.particle.empty();
        entry->parsed = parsed;
    }
    const auto& parsedParams = *static_cast<const ParsedParameters*>(entry->parsed.get());
    if (!parsedParams.valid) {
        Report(ErrorId::BadParameterList, entry->Name);
        return true;
    }
    const std::vector<Parameter>& params = parsedParams.params;
    const bool positional = parsedParams.anyPositional;

    // The argument texts, one per parameter. Calls in expressions are taken
    // apart once per distinct text, with the analysis of each argument.
    std::vector<Text> bound;
    const PositionalArguments* given = nullptr;
    if (positional) {
        TextView argText = asCommand ? (record ? TextView(record->woArg) : TextView()) : arguments;
        if (site) {
            if (!site->positional) site->positional = positionalArgumentsShared(argText);
            given = static_cast<const PositionalArguments*>(site->positional.get());
        } else {
            given = &positionalArgumentsOf(argText);
        }
    } else {
        std::vector<Text> particles;
        for (const auto& p : params) particles.push_back(p.particle);
        if (asCommand && record) {
            AskParticles(*record, particles);
        } else {
            // Inside an expression: the argument text is bound by particle
            // like a command line, and by position when it names none.
            Text marked(arguments);
            std::vector<Text> pieces = SplitParticles(marked, particles);
            if (pieces.size() == 1) given = &positionalArgumentsOf(arguments);
        }
        if (!given) bound = std::move(particles);
    }
    auto argumentAt = [&](std::size_t i) -> TextView {
        if (given) return i < given->texts.size() ? TextView(given->texts[i]) : TextView();
        return text::trimBlanks(bound[i]);
    };

    // Arguments are evaluated in the caller's scope; an argument that names
    // a variable passes its value and is remembered for writing back.
    std::shared_ptr<KeyedTable> locals = parsedParams.spare
                                             ? std::move(parsedParams.spare)
                                             : takeLocalsTable(parsedParams.localsShape);
    const bool reused = locals->shape() == parsedParams.localsShape;
    const bool byReference = !entry->Name.empty() && entry->Name[0] == u'!';
    std::vector<Text> writeBack(byReference ? params.size() : 0);
    for (std::size_t i = 0; i < params.size(); ++i) {
        TextView arg = argumentAt(i);
        std::shared_ptr<xxCmdData> fresh;
        if (!reused) fresh = takeVariableEntry(params[i].name);
        xxCmdData* value = reused ? &locals->entryAt(i) : fresh.get();
        const bool givenHere = given && i < given->texts.size();
        const xxCmdData* variable = nullptr;
        if (!arg.empty()) {
            variable = givenHere ? FindVariable(arg, given->lookups[i]) : FindVariable(arg);
        }
        if (variable) {
            value->Value = variable->Value;
            if (byReference) writeBack[i] = Text(arg);
        } else if (!arg.empty()) {
            const eval::ArgPlan* plan = givenHere ? given->plans[i].get() : nullptr;
            if (plan && plan->kind == eval::PlanKind::Constant) {
                value->Value = given->constants[i];
            } else if (plan && plan->kind == eval::PlanKind::Arithmetic) {
                // Kept as the number it is; written out when read as text.
                value->Value.setNumber(EvalPlannedNumber(*plan, arg));
            } else {
                value->Value = plan ? EvalPlanned(*plan, arg) : EvalText(arg);
            }
        }
        // A parameter the call leaves out still exists (empty), so the body
        // never reaches a global of the same name by accident.
        if (!reused) locals->add(params[i].name, std::move(fresh));
    }
    // Two parameters of one name make one local: such a table is not marked.
    if (!reused && locals->size() == params.size()) locals->setShape(parsedParams.localsShape);

    // A procedure that only computes with numbers runs on numbers alone,
    // when it can; otherwise (and then nothing has changed) the body runs.
    if (byReference || !numeric::tryRun(*this, *entry, parsedParams, *locals)) {
        // The caller's scope comes back however the body ends. The tables
        // are moved, not copied, as this happens on every call: the locals
        // come back out of procLocals when the body returns.
        struct ScopeSwap {
            std::shared_ptr<KeyedTable>& slot;
            std::shared_ptr<KeyedTable> saved;
            ~ScopeSwap() { slot = std::move(saved); }
        } swap{procLocals, std::move(procLocals)};
        procLocals = std::move(locals);
        answer.clear();
        // The depth was checked above; the arguments ran at this depth.
        runBody(*entry, &underWay);
        locals = std::move(procLocals);
        abandonCallerIfStopped(*this);
    }
    if (byReference && locals) {
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (writeBack[i].empty()) continue;
            if (const xxCmdData* final = locals->find(params[i].name))
                SetVariable(writeBack[i], final->Value);
        }
    }
    // A table something still holds (text run by 日本語処理 that kept the
    // scope) is not reused; values are dropped at once, so no long text
    // stays alive in the spare.
    if (!parsedParams.spare && locals && locals.use_count() == 1 &&
        locals->shape() == parsedParams.localsShape && locals->emptyValuesKeepingShape()) {
        parsedParams.spare = std::move(locals);
        return true;
    }
    giveBackLocalsTable(std::move(locals));
    return true;
}

const PositionalArguments& Engine::positionalArgumentsOf(TextView argText) {
    return *static_cast<const PositionalArguments*>(positionalArgumentsShared(argText).get());
}

const std::shared_ptr<const void>& Engine::positionalArgumentsShared(TextView argText) {
    auto& cache = caches().positionalArguments;
    auto it = cache.find(argText);
    if (it == cache.end()) {
        if (cache.size() >= 100000) cache.clear();
        auto made = std::make_shared<PositionalArguments>();
        for (const Text& piece : splitPositional(argText)) {
            made->texts.emplace_back(text::trimBlanks(piece));
            made->plans.push_back(made->texts.back().empty() ? nullptr
                                                             : tryPlanFor(made->texts.back()));
        }
        made->lookups.resize(made->texts.size());
        made->constants.resize(made->texts.size());
        for (std::size_t i = 0; i < made->texts.size(); ++i) {
            const eval::ArgPlan* plan = made->plans[i].get();
            if (!plan || plan->kind != eval::PlanKind::Constant) continue;
            made->constants[i] = plan->constant;
            // A literal written exactly as its number reads (2, not 007 or
            // 2.50) is kept as that number, so each call copies a number
            // instead of a text; its text is written out when read.
            double number = 0;
            if (made->constants[i].readsAsNumber(number) &&
                number::format(number) == plan->constant) {
                made->constants[i].setNumber(number);
            }
        }
        it = cache.emplace(Text(argText), std::move(made)).first;
    }
    return it->second;
}

std::shared_ptr<xxCmdData> Engine::takeVariableEntry(TextView name) {
    if (entryPool_.empty()) {
        auto entry = std::make_shared<xxCmdData>();
        entry->Name = Text(name);
        return entry;
    }
    std::shared_ptr<xxCmdData> entry = std::move(entryPool_.back());
    entryPool_.pop_back();
    entry->Name.assign(name.data(), name.size());
    return entry;
}

std::shared_ptr<KeyedTable> Engine::takeLocalsTable(std::uint64_t shape) {
    // Recursion gives tables back in the order it took them: the one wanted
    // is nearly always the last.
    for (std::size_t i = localsPool_.size(); i-- > 0;) {
        if (localsPool_[i]->shape() != shape) continue;
        std::swap(localsPool_[i], localsPool_.back());
        std::shared_ptr<KeyedTable> table = std::move(localsPool_.back());
        localsPool_.pop_back();
        return table;
    }
    if (localsPool_.empty()) return std::make_shared<KeyedTable>();
    std::shared_ptr<KeyedTable> table = std::move(localsPool_.back());
    localsPool_.pop_back();
    // Another procedure's table: its entries serve this call's parameters.
    table->clearInto([this](std::shared_ptr<xxCmdData> entry) {
        if (entry.use_count() != 1 || entryPool_.size() >= kEntryPoolLimit) return;
        entryPool_.push_back(std::move(entry));
    });
    return table;
}

void Engine::giveBackLocalsTable(std::shared_ptr<KeyedTable> table) {
    // A table something still holds (text run by 日本語処理 that kept the
    // scope) is left alone; deep recursion keeps at most a few spare ones.
    constexpr std::size_t kPoolLimit = 32;
    if (table.use_count() != 1 || localsPool_.size() >= kPoolLimit) return;
    // Values are dropped at once (a long text must not stay alive in a spare
    // table); a table that kept its shape keeps its entries for the next call
    // of its procedure.
    if (table->shape() == 0 || !table->emptyValuesKeepingShape()) {
        table->clearInto([this](std::shared_ptr<xxCmdData> entry) {
            if (entry.use_count() != 1) return;
            entry->Value.clear();
            if (entryPool_.size() < kEntryPoolLimit) entryPool_.push_back(std::move(entry));
        });
    }
    localsPool_.push_back(std::move(table));
}

void Engine::RunProcedureBody(xxCmdData& entry) {
    if (unwinding()) throw Abandoned{};
    if (!mayNestDeeper()) {
        ReportTooDeep(entry.Name);
        return;
    }
    runBody(entry);
}

void Engine::runBody(xxCmdData& entry, CallUnderWay* call) {
    // An argument may have started an unwinding.
    if (unwinding()) throw Abandoned{};
    if (entry.Num < 0 || std::size_t(entry.Num) >= programLevels.size()) return;
    // Not counted: a record replaced or dropped while the body runs is kept
    // until the call ends (keepWhileCalling). A call already under way
    // holds it too; a body run by itself (an event's procedure) is a call
    // of its own.
    ProgramRecord* program = programLevels[std::size_t(entry.Num)].get();
    std::optional<CallUnderWay> ownCall;
    if (call) {
        call->alsoHold(program);
    } else {
        ownCall.emplace(*this, program);
    }
    const int32_t savedLine = currentLine;
    const int32_t savedLevel = currentLevel;
    Restore<ErrorMode> keepMode(errors.errorMode);
    Restore<bool> keepInProcedure(inProcedure);
    Restore<int32_t> keepStart(procedureStart);
    inProcedure = true;
    procedureStart = entry.FuncPnt;
    ++procedureDepth;

    CallFrameScope frame(*this, &entry, entry.Num);
    currentLevel = entry.Num;
    auto& statements = program->statements;
    long long i = entry.FuncPnt;
    ++nestingDepth;
    try {
        while (!stopRequested && !unwinding() && !leavingProcedure()) {
            if (i < 0 || std::size_t(i) >= statements.size()) break;
            StatementRecord& record = statements[std::size_t(i)];
            if (record.kind == StatementKind::End) break;
            currentLine = static_cast<int32_t>(i);
            ExecuteStatement(record);
            lineJumped = false;
            i = static_cast<long long>(currentLine) + 1;
        }
    } catch (const Abandoned&) {
        // The rest of the body is abandoned; the state is restored below.
    } catch (...) {
        --nestingDepth;
        --procedureDepth;
        throw;
    }
    --nestingDepth;

    endLeave(Unwind::LeaveProcedure);
    if (!stopRequested) {
        currentLine = savedLine;
        currentLevel = savedLevel;
    }
    --procedureDepth;
    passOnUnwinding();
}

bool Engine::RunProcedureByName(TextView name) {
    std::shared_ptr<xxCmdData> entry = procedures.findShared(name);
    return RunProcedureEntry(entry.get());
}

bool Engine::RunProcedureEntry(xxCmdData* entry) {
    if (!entry) return false;
    Restore<std::shared_ptr<KeyedTable>> keep(procLocals);
    procLocals.reset();
    RunProcedureBody(*entry);
    return true;
}

}  // namespace qel
