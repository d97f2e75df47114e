// The statement execution loop.
#include "core/engine.h"
#include "core/limits.h"
#include "core/stack_guard.h"
#include "text/brackets.h"

namespace qel {

namespace {
// Counts a level of nesting for as long as it runs, however it ends.
class NestingLevel {
  public:
    explicit NestingLevel(int& depth) : depth_(depth) { ++depth_; }
    ~NestingLevel() { --depth_; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

  private:
    int& depth_;
};
}  // namespace

void Engine::RunStatementList(std::vector<StatementRecord>& statements) {
    if (unwinding()) throw Abandoned{};
    if (!mayNestDeeper()) {
        ReportTooDeep(currentStatement ? TextView(currentStatement->source) : TextView());
        return;
    }
    {
        NestingLevel level(nestingDepth);
        try {
            runStatements(statements);
        } catch (const Abandoned&) {
            // What this text still had to do is abandoned.
        }
    }
    passOnUnwinding();
}

void Engine::runStatements(std::vector<StatementRecord>& statements) {
    const long long last = static_cast<long long>(statements.size()) - 1;
    bool executing = true;
    for (long long i = 0; i <= last;) {
        currentLine = static_cast<int32_t>(i);
        StatementRecord& record = statements[std::size_t(i)];
        if (record.kind == StatementKind::ProcHead) executing = false;
        if (executing) ExecuteStatement(record);
        if (record.kind == StatementKind::End) executing = true;
        // The top level always goes on after the line a statement left as
        // current (jumps and blocks move it); a jump flag has no reader here.
        lineJumped = false;
        // A 抜ける with nothing left to leave at the main program's top level
        // (no procedure; a loop or block already ended, or none) must not
        // outlive its statement, or every later loop, block and branch would
        // end at once. Text run by 日本語処理 passes its 抜ける on to the
        // statement that ran it.
        if (!inProcedure && currentLevel == 0) {
            if (!unwinding()) unwind = Unwind::None;
        } else if (unwind != Unwind::None) {
            // Whatever the 抜ける leaves lies outside this text: the rest of
            // the text must not run on the way out.
            return;
        }
        i = static_cast<long long>(currentLine) + 1;
        if (stopRequested) return;
    }
}

void Engine::ExecuteStatement(StatementRecord& record) {
    if (record.source.empty()) return;
    // An interrupt stops the run before this statement: it may have come
    // while the previous one waited for an answer, which then went on as
    // cancelled.
    if (interruptFlag && *interruptFlag) {
        stopRequested = true;
        return;
    }
    if (statementBudget == 0) {
        stopRequested = true;
        return;
    }
    if (statementBudget > 0) --statementBudget;
    if (watchStatements.load(std::memory_order_relaxed)) [[unlikely]] {
        if (watcher) watcher->beforeWatchedStatement(record);
        if (stopRequested) return;
    }
    if (stackNearlyExhausted()) {
        ReportTooDeep(record.source);
        return;
    }
    if (libraryWatchesStatements) library.beforeStatement(*this);
    if (CompiledStatement* node = record.compiled.node()) {
        node->run(*this, record);
        return;
    }
    if (compileStatements && record.compiled.state() != CompiledSlot::State::NotCompilable &&
        ranCompiled(record)) {
        return;
    }
    executeByKind(record);
}

// Kept apart from ExecuteStatement, which runs for every statement: a small
// function there saves few registers on the way in and out.
void Engine::executeByKind(StatementRecord& record) {
    switch (record.kind) {
        case StatementKind::Assign:
            assign(record, record.head, record.woArg);
            break;
        case StatementKind::Setting:
            library.applySetting(record, *this);
            break;
        case StatementKind::PropertyAssign:
            if (!library.writeProperty(record.head, record.woArg, *this))
                assign(record, record.head, record.woArg);
            break;
        case StatementKind::If:
            library.runConditional(record, currentProgram(), *this);
            break;
        case StatementKind::Sequence:
            runSequence(record);
            break;
        case StatementKind::ProcCall:
        case StatementKind::ProcCallWithArgs:
            if (record.kind == StatementKind::ProcCall
                    ? CallProcedure(record.source, {}, true, &record)
                    : CallProcedure(record.head, record.source, true, &record)) {
                break;
            }
            // The procedure is gone (a file run by 実行 took its procedures
            // with it): the statement is resolved afresh.
            record.kind = StatementKind::Command;
            [[fallthrough]];
        case StatementKind::Command:
            currentStatement = &record;
            library.dispatchCommand(record, *this);
            break;
        case StatementKind::ProcHead:
        case StatementKind::End:
        case StatementKind::Label:
            break;
    }
}

bool Engine::ranCompiled(StatementRecord& record) {
    if (record.compiled.state() == CompiledSlot::State::Unseen) {
        record.compiled.markSeen();
        return false;
    }
    record.compiled.set(compile(record));
    CompiledStatement* node = record.compiled.node();
    if (node) node->run(*this, record);
    return node != nullptr;
}

std::unique_ptr<CompiledStatement> Engine::compile(StatementRecord& record) {
    switch (record.kind) {
        case StatementKind::Command:
            // Only a statement whose handler its first run resolved: the
            // dispatch would go straight to that handler from now on too.
            if (!record.handler) return nullptr;
            return library.compileStatement(record, *this);
        case StatementKind::If:
            return library.compileStatement(record, *this);
        case StatementKind::Assign:
            return compileAssignment(record);
        default:
            return nullptr;
    }
}

namespace {
// The sentences of a line, parsed once. A sentence holding なら ends the line
// (a one-line もし cannot be followed by more sentences).
struct SequenceCache : RecordCache {
    bool parsed = false;
    std::vector<StatementRecord> sentences;
};
}  // namespace

void Engine::runSequence(StatementRecord& record) {
    SequenceCache& cache = recordCache<SequenceCache>(record);
    if (!cache.parsed) {
        cache.parsed = true;
        // Each rest of the line is searched with its own bracket balance;
        // counting once keeps a line of many sentences linear.
        const TextView whole = record.source;
        text::RemainderBracketTest brackets(whole, text::kSyntaxBrackets);
        std::size_t start = 0;
        for (;;) {
            std::size_t stop = whole.find(u'。', start);
            while (stop != text::npos && brackets.inside(start, stop)) {
                stop = whole.find(u'。', stop + 1);
            }
            if (stop == text::npos) {
                cache.sentences.push_back(ParseLine(whole.substr(start)));
                break;
            }
            TextView piece = whole.substr(start, stop - start);
            if (text::contains(piece, u"なら")) break;
            cache.sentences.push_back(ParseLine(piece));
            start = stop + 1;
        }
    }
    Restore<const StatementRecord*> keep(currentStatement);
    for (std::size_t i = 0; i < cache.sentences.size(); ++i) {
        if (i > 0 && (stopRequested || leavingProcedure())) return;
        ExecuteStatement(cache.sentences[i]);
    }
}

void Engine::RunComnd(TextView line) {
    StatementRecord record = ParseLine(line);
    Restore<const StatementRecord*> keep(currentStatement);
    ExecuteStatement(record);
}

}  // namespace qel
