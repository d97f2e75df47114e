// The engine state: one object per engine, owned by the Qel facade and handed
// to every command and function handler. It holds the run state of the
// language and offers the core operations (parsing, running, evaluating,
// variables, procedures, the error routine).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/cmd_data.h"
#include "core/library_port.h"
#include "core/limits.h"
#include "core/stack_guard.h"
#include "core/statement.h"
#include "platform/ports/platform.h"
#include "resources/error_catalogue.h"
#include "text/text.h"

namespace qel {

namespace eval {
struct ArgPlan;
struct CallSite;
struct CompiledArithmetic;
}  // namespace eval
struct PositionalArguments;
class CallUnderWay;

// Remembers where a name was last found, so that a statement run again in a
// loop or a procedure body finds its variable without hashing the name:
//
//  - `slot`: the position in the running procedure's local table where the
//    name stood. Every call of a procedure adds its parameters in the same
//    order, so the position holds across calls (and recursion); it is used
//    only after checking that the name there is this name, which makes it
//    exactly what the search would find.
//    When the locals table has a shape (KeyedTable::shape), `localShape`
//    remembers it, and the position (or ~0: not a local there) is trusted
//    for every table of that shape without comparing names.
//  - `outer`: the result of the search past the procedure's locals (the
//    program's locals, then the globals; null when the name is neither),
//    trusted while no variable has been created there and no program record
//    replaced or dropped since (Engine::outerCreations), at the same program
//    level.
struct VariableLookup {
    std::uint32_t slot = ~std::uint32_t(0);
    std::int32_t level = -1;
    std::uint64_t localShape = 0;
    xxCmdData* outer = nullptr;
    std::uint64_t outerStamp = ~std::uint64_t(0);
};

enum class EngineStatus : int16_t { Running = 0, Idle = 1, Paused = 2, Stopping = 3 };

enum class RunEnvironment : int32_t {
    CreatedByProgram = 0,
    Editor = 1,
    ScriptFile = 2,
    StandAlone = 3,
};

enum class ErrorMode : int { Show = 0, Procedure = 1, Ignore = 2, Continue = 3, Report = 4 };

struct ErrorState {
    int16_t lastErrorNumber = 0;
    Text lastErrorMessage;
    int32_t errorLine = 0;
    Text errorFile;
    Text errorWord;
    ErrorMode errorMode = ErrorMode::Show;
    Text errorProcedure;
};

// The events through which the engine asks its host (an editor, a debugger)
// for values and reports commands to it. The defaults answer "not handled".
class HostEvents {
  public:
    virtual ~HostEvents() = default;
    virtual void hostItemRequest(TextView item, Text& result) { (void)item, (void)result; }
    virtual void hostItemUpdate(TextView item, TextView setNormal, double setNum, TextView setPlain,
                                bool& notFound) {
        (void)item, (void)setNormal, (void)setNum, (void)setPlain;
        notFound = true;
    }
    virtual void hostCommand(TextView verb, TextView noun, bool& notFound) {
        (void)verb, (void)noun;
        notFound = true;
    }
    virtual void hostFunction(TextView name, TextView params, bool& notFound) {
        (void)name, (void)params;
        notFound = true;
    }
};

// A debugger's view of the run: told before a statement runs, but only
// while the engine is asked to watch (Engine::watchStatements), so a run
// without stop lines, steps or pending requests pays one test per statement.
class StatementWatcher {
  public:
    virtual ~StatementWatcher() = default;
    virtual void beforeWatchedStatement(const StatementRecord& record) = 0;
};

// Comparison codes of conditions.
enum Comparison : int {
    kEqual = 0,
    kNotEqual = 1,
    kGreater = 2,
    kLess = 3,
    kGreaterEqual = 4,
    kLessEqual = 5,
    kRange = 6,
    kEither = 7,
    kExists = 10,
    kUpperCase = 11,
    kLowerCase = 12,
    kHiragana = 13,
    kKatakana = 14,
    kHalfWidth = 15,
    kFullWidth = 16,
    kNumeric = 17,
    kNotNumeric = 18,
    kPattern = 19,
    kObject = 20,
    kEmpty = 21,
    kFile = 101,
    kNotFile = 102,
};

class Engine {
  public:
    Engine(Platform& platform, LibraryPort& library);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    Platform& platform;
    LibraryPort& library;
    UiHost& ui() { return *platform.ui; }
    FileSystem& files() { return *platform.files; }
    // A bundle whose clock or random source was taken away gets the defaults back.
    Clock& clock() {
        if (!platform.clock) platform.clock = std::make_unique<Clock>();
        return *platform.clock;
    }
    RandomSource& random() {
        if (!platform.random) platform.random = std::make_unique<RandomSource>();
        return *platform.random;
    }

    // ---- engine state ------------------------------------------------------
    EngineStatus engineStatus = EngineStatus::Idle;
    bool stopRequested = false;
    int32_t currentLine = 0;
    int32_t currentLevel = 0;
    std::vector<std::shared_ptr<ProgramRecord>> programLevels;
    RunEnvironment runEnvironment = RunEnvironment::CreatedByProgram;
    Text currentFile;
    Text appTitle = u"Qelvane";
    Text commandLineText;
    bool hostedWindowMode = false;
    bool hostRunFlag = false;
    bool detailedErrors = false;
    std::vector<bool> stopLines = std::vector<bool>(1, false);
    HostEvents* host = nullptr;
    StatementWatcher* watcher = nullptr;
    // Whether the watcher is told about statements. Atomic because a host
    // on another thread raises it to have a pause or stop carried out
    // before the next statement.
    std::atomic<bool> watchStatements{false};
    // Whether the library asks to be called before every statement
    // (LibraryPort::beforeStatement). Raised by the library when it has work
    // there; the library lowers it when it finds none.
    bool libraryWatchesStatements = false;

    ErrorState errors;
    // The result of the last command, function or procedure that gave one
    // (それ). A procedure's number result stays a number on its way back to
    // the arithmetic that called it.
    ValueText answer;
    // What the running statements are being left for. One state at a time:
    //
    //   None            statements run one after another.
    //   LeaveIf         set by 抜ける(もし); the もし block that encloses it
    //                   stops and clears it (endLeave).
    //   LeaveLoop       set by 抜ける(繰り返し); an enclosing もし block or 分岐
    //                   case stops, the loop stops and clears it.
    //   LeaveProcedure  set by 抜ける; blocks and loops stop, the procedure
    //                   body clears it when it returns.
    //   Runaway         set by ReportTooDeep inside a nested level (and by a
    //                   file run that nested too deep): every level abandons
    //                   what it still had to do (Abandoned), up to the main
    //                   program's list or the outermost call a host made,
    //                   which clears it (passOnUnwinding).
    //
    // A leave that nothing encloses at the main program's top level is
    // cleared after its statement (runStatements), so it cannot end later
    // loops; text run inside a statement passes it on to that statement. A
    // leave never replaces Runaway; ResetRunState clears everything.
    //
    // Two flags are deliberately not part of it. lineJumped says that a
    // statement chose the line to go on after (a ジャンプ, or a block form
    // moving past its end); it is consumed by whoever advances the line and
    // may be set together with a leave (a もし block that ends because its
    // loop is left still moves the line past itself). inProcedure is the
    // scope of names, not a way out.
    enum class Unwind : std::uint8_t { None, LeaveIf, LeaveLoop, LeaveProcedure, Runaway };
    Unwind unwind = Unwind::None;
    void requestLeave(Unwind target) {
        if (unwind != Unwind::Runaway) unwind = target;
    }
    void endLeave(Unwind target) {
        if (unwind == target) unwind = Unwind::None;
    }
    bool leavingProcedure() const { return unwind == Unwind::LeaveProcedure; }
    // What ends a loop pass (or a 分岐 case): its own leave or its procedure's.
    bool leavingLoop() const {
        return unwind == Unwind::LeaveLoop || unwind == Unwind::LeaveProcedure;
    }
    // What ends a もし block: any leave.
    bool leavingBlock() const { return leavingLoop() || unwind == Unwind::LeaveIf; }
    bool unwinding() const { return unwind == Unwind::Runaway; }
    void startUnwinding() { unwind = Unwind::Runaway; }
    void endUnwinding() { endLeave(Unwind::Runaway); }

    bool lineJumped = false;
    bool inProcedure = false;
    // The Command statement that started executing last (its source names the
    // statement in protection prompts).
    const StatementRecord* currentStatement = nullptr;

    // ---- variables and procedures ------------------------------------------
    KeyedTable globals;
    std::shared_ptr<KeyedTable> procLocals;  // while a procedure runs
    KeyedTable procedures;
    // Names in force while one argument is evaluated (EvalWithConstants).
    const KeyedTable* contextConstants = nullptr;
    int procedureDepth = 0;
    // The procedures and program texts under way, each with the statement
    // it was entered from: what a debugger shows as the call stack, and how
    // deep a step is. Each frame lives on the machine stack of the call it
    // stands for (CallFrameScope), linked to its caller's: a call costs a few
    // stores, nothing is allocated.
    struct CallFrame {
        const xxCmdData* procedure = nullptr;  // null: a file or text run as a level
        int32_t level = 0;                     // the program level its statements are in
        int32_t callerLine = 0;                // 0-based
        int32_t callerLevel = 0;
        const CallFrame* caller = nullptr;
    };
    const CallFrame* innermostFrame = nullptr;
    // Files being run by 実行 or 参照 inside one another (a script may run
    // itself); bounded, so a file that always runs itself again ends with an
    // error instead of exhausting the stack.
    int fileRunDepth = 0;
    // First body statement of the running procedure (-1 at the top level):
    // jumps stay inside the procedure that makes them.
    int32_t procedureStart = -1;
    // Procedure bodies and program texts running inside one another (the
    // main program's list is 1). Bounded by kMaxNestingDepth.
    int nestingDepth = 0;
    // Thrown while unwinding (Unwind::Runaway): it ends the statement, the expression and the
    // handler a level was in the middle of, and is caught where the level
    // began (RunProcedureBody, RunStatementList). Code that calls a script
    // procedure from inside a library it must not cross (a callback) catches
    // it and lets the statement end; the level still unwinds after it.
    struct Abandoned {};

    // ---- front end (parser.cpp) --------------------------------------------
    // Text pass, line pass and classification; empty with *ok false on an
    // unclosed block comment.
    std::vector<StatementRecord> SplitProgram(TextView script, bool* ok = nullptr);
    // The same, taking the script text over (no copy of it is made).
    std::vector<StatementRecord> SplitOwnedProgram(Text script, bool* ok = nullptr);
    void PrepareLines(std::vector<Text>& lines);
    StatementRecord ParseLine(TextView line) const;
    // ParseLine of a line it takes over as the record's source.
    StatementRecord classify(Text source) const;
    bool MarkBlocks(ProgramRecord& program);
    // The one way a script text becomes a program record: parsed, its blocks
    // marked and its procedures registered under `programNumber` (each step
    // as asked; a hosted window program is only parsed). Every caller that
    // loads a program (a run, 実行, 宣言, the facade's プログラム) comes here.
    enum class LoadSteps { ParseOnly, MarkBlocks, MarkAndRegister };
    std::shared_ptr<ProgramRecord> LoadProgram(Text script, int programNumber,
                                               LoadSteps steps = LoadSteps::MarkAndRegister);

    // ---- execution (runner.cpp) --------------------------------------------
    void RunStatementList(std::vector<StatementRecord>& statements);
    void ExecuteStatement(StatementRecord& record);
    // A value stored under a plain name (no element), from its analysis: what
    // an assignment statement does on every run. Failures are reported
    // naming `valueText`, and then nothing is stored.
    void assignPlanned(TextView target, TextView valueText, const eval::ArgPlan& plan,
                       VariableLookup& lookup);
    // Whether statements run again are compiled into nodes (core/compiled.h).
    bool compileStatements = true;
    void RunComnd(TextView line);
    ProgramRecord& currentProgram() { return *programLevels.at(currentLevel); }

    // ---- evaluation (evaluator.cpp, conditions.cpp) --------------------------
    Text EvalText(TextView text);
    // What EvalText(text) gives, from the text's analysis that a caller
    // keeps (PlanOf) instead of looking it up again on every run.
    Text EvalPlanned(const eval::ArgPlan& plan, TextView text);
    // The value of an arithmetic plan as the number it is.
    double EvalPlannedNumber(const eval::ArgPlan& plan, TextView text);
    // What EvalPlanned gives, stored into `out` keeping a number a number
    // (an arithmetic result, or a variable holding one).
    void EvalPlannedInto(const eval::ArgPlan& plan, TextView text, ValueText& out);
    std::shared_ptr<eval::ArgPlan> PlanOf(TextView text);
    // The analysis of a text kept per text, or null when the text cannot be
    // analysed (too deep): the caller then evaluates the text itself, which
    // reports why.
    std::shared_ptr<eval::ArgPlan> tryPlanFor(TextView text);
    double EvalArithmetic(TextView text);
    double EvalNumber(TextView text);
    // `prepared`, when given, keeps the analysis of a condition that a
    // statement evaluates again and again (it must stay with that text).
    bool EvalCondition(TextView text, int comparison, int mode,
                       std::shared_ptr<const void>* prepared = nullptr);
    bool ParseComparison(TextView text, int comparison,
                         std::shared_ptr<const void>* prepared = nullptr);
    bool CompareValues(TextView left, TextView rightText, int code);
    Text EvalWithConstants(int tableNumber, TextView text);

    // ---- variables (variables.cpp) -----------------------------------------
    Text GetVariable(TextView name, bool& notFound, TextView index = {});
    xxCmdData* FindVariable(TextView name);
    // Inline for the common case, a procedure-local (or known non-local)
    // name in a locals table of a known shape.
    xxCmdData* FindVariable(TextView name, VariableLookup& lookup) {
        if (!inProcedure || !procLocals) return findOuterVariable(name, lookup);
        const std::uint64_t shape = procLocals->shape();
        if (shape != 0 && lookup.localShape == shape) {
            if (lookup.slot < procLocals->size()) return &procLocals->entryAt(lookup.slot);
            return findOuterVariable(name, lookup);
        }
        return findVariableSlowly(name, lookup);
    }
    // Counts variables created in a program's locals or the globals (see
    // VariableLookup).
    std::uint64_t outerCreations = 0;
    // Called wherever program records are replaced or dropped: their locals
    // may be gone, so remembered look-ups must not be trusted.
    void programsChanged() { ++outerCreations; }
    // `lookup`, when given, remembers where the variable was found for the
    // next run of the same statement.
    void SetVariable(TextView target, TextView value, VariableLookup* lookup = nullptr);
    // The element `indexText` (the text inside the brackets) of a variable.
    Text ElementOf(const xxCmdData* entry, TextView indexText);
    // Stores a whole value under a plain name (no element), taking the text.
    void AssignVariable(TextView name, Text value);
    // The variable a write goes to: found by the scope search, else a new global.
    xxCmdData& variableForWriting(TextView name);
    xxCmdData& variableForWriting(TextView name, VariableLookup& lookup);
    // A new global, as writing a name that no scope has makes one.
    xxCmdData& createGlobal(TextView name);
    void DeclareLocals(TextView list);
    void DeclareLocals(const std::vector<Text>& names);
    // The names a ここだけの変数 list declares.
    static std::vector<Text> LocalNames(TextView list);

    // ---- procedures (procedures.cpp) ---------------------------------------
    void RegisterProcedures(std::vector<StatementRecord>& statements, int programNumber);
    // `site`, for a call written in an expression, remembers the procedure and
    // the argument text taken apart for the next run of the same call.
    bool CallProcedure(TextView name, TextView arguments, bool asCommand, StatementRecord* record,
                       eval::CallSite* site = nullptr);
    void RunProcedureBody(xxCmdData& entry);
    bool RunProcedureByName(TextView name);
    bool RunProcedureEntry(xxCmdData* entry);
    // A call holds its procedure entry and its program record by plain
    // pointer: counted references cost each call several locked instructions.
    // Whatever drops a procedure entry or a program record hands it here
    // first, and it is kept until no call is under way (callsUnderWay).
    void keepWhileCalling(std::shared_ptr<const void> dropped) {
        if (callsUnderWay_ > 0 && dropped) keptForCalls_.push_back(std::move(dropped));
    }
    // The entries of a procedure table about to be replaced or emptied.
    void keepWhileCalling(const KeyedTable& droppedProcedures) {
        if (callsUnderWay_ == 0) return;
        for (const auto& [name, entry] : droppedProcedures.inOrder()) keepWhileCalling(entry);
    }
    int callsUnderWay() const { return callsUnderWay_; }

    // ---- errors (errors.cpp) ------------------------------------------------
    // Reports an error of the catalogue (resources/error_catalogue.h) with its
    // number, text and icon. `word` replaces %1; `word2`, when given, is what
    // is recorded as the error's word instead; `line` is 1-based, or -1 for
    // the statement that runs now.
    int Report(ErrorId id, TextView word = {}, TextView word2 = {}, int line = -1);
    // The same with another icon than the error's usual one.
    int Report(ErrorId id, ErrorIcon icon, TextView word = {}, TextView word2 = {}, int line = -1);
    // An error of the catalogue whose text the caller composes (the host's
    // own message, or the catalogue's text with a reason added).
    int ReportText(ErrorId id, TextView message, TextView word = {});
    // The error routine itself, for numbers and texts that come from outside
    // (the host's ErrMessage): a bare number is looked up in the message table.
    int ReportError(TextView message, int number, int style, TextView word = {},
                    TextView word2 = {}, int line = -1);
    int ReportErrorNo(int number, int style, TextView word = {}, TextView word2 = {},
                      int line = -1);
    void ClearErrorState();

    // ---- host events (host.cpp) ---------------------------------------------
    Text RaiseHostEvent(int mode, TextView item, TextView value);
    // Pauses the script for the program hosting it (or lets a paused one go
    // on): the host's "中断" command is the pause.
    void TogglePause();

    // ---- resources (resources.cpp) ------------------------------------------
    // A numbered resource table's text with CR LF line ends (cached for the process).
    TextView resourceTable(int number);
    // The value of key in resource table `number`, empty when missing.
    Text resourceLookup(int number, TextView key);
    // The table as a collection of name -> value entries.
    const KeyedTable& resourceConstants(int number);

    // ---- run state ------------------------------------------------------------
    // Resets what every run starts from (variables, procedures, errors, caches).
    void ResetRunState();
    void DoStopRequest();  // sets stopRequested and tears the run down
    // Set asynchronously (an interrupt from the terminal); turned into a stop
    // request before the next statement.
    const volatile int* interruptFlag = nullptr;
    // Statements the engine may still execute before it stops the run as an
    // interrupt would; negative means no limit. Hosts that run untrusted text
    // (the fuzzer) set it, so endless loops and recursion end. Resets keep it.
    std::int64_t statementBudget = -1;
    // A pass of a loop that may spin without executing any statement (an
    // empty body) counts as a statement here: interrupts and the budget are
    // honoured. Returns whether the run is stopping.
    bool loopPassCheck() {
        if (interruptFlag && *interruptFlag) stopRequested = true;
        if (statementBudget == 0) stopRequested = true;
        if (statementBudget > 0) --statementBudget;
        return stopRequested;
    }

    // Evaluation caches, keyed by the exact argument text.
    struct Caches;
    Caches& caches() { return *caches_; }

    // Reports that a script nested deeper than kMaxNestingDepth or the
    // machine stack allows (once per runaway). Inside a nested level it then
    // starts the unwinding: it throws Abandoned.
    void ReportTooDeep(TextView where);
    // Whether one more procedure or program text may begin. A level needs
    // more room than one statement: a runaway is caught here, naming what it
    // called, before a deeper check trips somewhere inside it.
    bool mayNestDeeper() const {
        constexpr unsigned long kLevelReserveBytes = 256 * 1024;
        return nestingDepth < kMaxNestingDepth && !stackNearlyExhausted(kLevelReserveBytes);
    }

  private:
    xxCmdData* findVariableSlowly(TextView name, VariableLookup& lookup);
    // The search past the procedure's locals: the program's locals, then
    // the globals.
    xxCmdData* findOuterVariable(TextView name, VariableLookup& lookup) {
        if (lookup.outerStamp == outerCreations && lookup.level == currentLevel)
            return lookup.outer;
        return searchOuterVariable(name, lookup);
    }
    xxCmdData* searchOuterVariable(TextView name, VariableLookup& lookup);
    // After a nested level ended: the unwinding goes on into the enclosing
    // level, unless that is the outermost one.
    void passOnUnwinding() {
        if (nestingDepth <= 1) {
            endUnwinding();
        } else if (unwinding()) {
            throw Abandoned{};
        }
    }
    void runStatements(std::vector<StatementRecord>& statements);
    // A procedure body, once the caller has checked that it may nest deeper.
    void runBody(xxCmdData& entry, CallUnderWay* call = nullptr);
    // Compiles a record on its second run and runs the node; false when the
    // statement is to run the ordinary way (its first run, or no node).
    [[gnu::noinline]] bool ranCompiled(StatementRecord& record);
    [[gnu::noinline]] void executeByKind(StatementRecord& record);
    std::unique_ptr<CompiledStatement> compile(StatementRecord& record);
    std::unique_ptr<CompiledStatement> compileAssignment(StatementRecord& record);
    void assignPlain(TextView target, const eval::ArgPlan& plan, VariableLookup& lookup);
    Text runPlan(const eval::ArgPlan& plan);
    Text evalName(const eval::ArgPlan& plan);
    // evalName read as a number (Result double) or as text (Result Text):
    // one order of look-ups for both, and a value that is a number already
    // (a variable's, a procedure's result) is not written out to be read back.
    template <class Result>
    Result evalNameAs(const eval::ArgPlan& plan);
    double runArithmetic(const eval::CompiledArithmetic& compiled);
    double numberOfPlan(const eval::ArgPlan& plan);
    void runSequence(StatementRecord& record);
    void assign(StatementRecord& record, TextView target, TextView valueText);
    bool tryAppendInPlace(TextView target, const eval::ArgPlan& plan);
    // The analysis of a text, kept per text. Throws when the text cannot be
    // analysed (too deep); tryPlanFor gives null then, for callers that
    // evaluate the text itself instead, which reports it.
    std::shared_ptr<eval::ArgPlan> planFor(TextView text);
    bool patternMatches(TextView pattern, TextView subject);
    // The second half of a comparison: both sides evaluated, the code final.
    bool judgeComparison(TextView left, Text right, Text low, Text high, int code, bool quoted);
    // Procedure-local tables are made and dropped on every call; emptied
    // ones are kept for the next call instead of going back to the heap.
    // One of this procedure's own tables (`shape`) when one is spare: its
    // parameters' entries are in place, emptied.
    std::shared_ptr<KeyedTable> takeLocalsTable(std::uint64_t shape);
    // A call's argument text split at its top-level commas, trimmed, each
    // piece with its analysis; kept per distinct text.
    const PositionalArguments& positionalArgumentsOf(TextView argText);
    const std::shared_ptr<const void>& positionalArgumentsShared(TextView argText);
    void giveBackLocalsTable(std::shared_ptr<KeyedTable> table);
    std::vector<std::shared_ptr<KeyedTable>> localsPool_;
    // A fresh variable entry named `name`, reusing one a finished call left.
    std::shared_ptr<xxCmdData> takeVariableEntry(TextView name);
    std::vector<std::shared_ptr<xxCmdData>> entryPool_;
    // See keepWhileCalling.
    int callsUnderWay_ = 0;
    std::vector<std::shared_ptr<const void>> keptForCalls_;
    friend class CallUnderWay;

    std::unique_ptr<Caches> caches_;
    std::unordered_map<int, Text> resourceTexts_;
    std::unordered_map<int, std::unique_ptr<KeyedTable>> resourceConstants_;
};

// yyyy/mm/dd hh:nn:ss.
Text dateTimeText(const LocalTime& time);

// Enters a call frame (Engine::innermostFrame) for as long as it lives.
class CallFrameScope {
  public:
    CallFrameScope(Engine& engine, const xxCmdData* procedure, int32_t level)
        : engine_(engine),
          frame_{procedure, level, engine.currentLine, engine.currentLevel, engine.innermostFrame} {
        engine.innermostFrame = &frame_;
    }
    ~CallFrameScope() { engine_.innermostFrame = frame_.caller; }
    CallFrameScope(const CallFrameScope&) = delete;
    CallFrameScope& operator=(const CallFrameScope&) = delete;

  private:
    Engine& engine_;
    const Engine::CallFrame frame_;
};

// Restores a value when a scope ends (saved positions around nested runs).
template <class T>
class Restore {
  public:
    explicit Restore(T& slot) : slot_(slot), saved_(slot) {}
    ~Restore() { slot_ = saved_; }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

  private:
    T& slot_;
    T saved_;
};

}  // namespace qel
