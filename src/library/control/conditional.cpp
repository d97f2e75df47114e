// もし: the one-line form (then-text, else-text) and the block form with
// 他なら / でないなら / 他でもし / もし終わり.
#include <optional>

#include "core/compiled.h"
#include "core/engine.h"
#include "core/evaluator.h"
#include "library/control/control_flow.h"
#include "library/registry/standard_library.h"
#include "text/brackets.h"

namespace qel {

using text::npos;

namespace {

struct IfParts : RecordCache {
    bool parsed = false;
    bool valid = false;
    // The branch texts as records, parsed once: a loop that runs this line
    // again reuses their resolved handlers.
    std::unique_ptr<StatementRecord> thenRecord, elseRecord;
    Text condition;
    bool anyOf = false;    // のどれか: one group holding is enough
    bool negate = false;   // でない at the end of the condition
    bool grouped = false;  // the condition holds ［…］ groups
    Text thenText;
    Text elseText;
    bool elseMarkerFirst = false;  // the form "A でないなら …"
    // The condition taken apart, kept by the engine's comparison analysis.
    mutable std::shared_ptr<const void> preparedCondition;
};

// Drops one separator character (a blank or 、) after a marker.
TextView afterSeparator(TextView text) {
    if (!text.empty() && (text::isBlank(text.front()) || text.front() == u'、'))
        text.remove_prefix(1);
    return text;
}

// A branch text ends before the other marker; blanks before it are not part
// of the text.
Text branchText(TextView text) {
    return Text(text::trimBlanks(text));
}

Text prepareCondition(TextView raw, IfParts& parts) {
    Text c(raw);
    for (char16_t& ch : c) {
        if (ch == u'　') ch = u' ';
    }
    TextView t = text::trimBlanksRight(c);
    if (text::endsWith(t, u"、")) t.remove_suffix(1);
    if (text::endsWith(t, u"のどれか")) {
        t.remove_suffix(4);
        parts.anyOf = true;
    } else if (text::endsWith(t, u"でない")) {
        t.remove_suffix(3);
        parts.negate = true;
    }
    return Text(text::trimBlanks(t));
}

// Splits the text after もし into condition, then-text and else-text.
// Returns false when there is no なら.
bool splitIf(TextView text, IfParts& parts) {
    std::size_t nara = text.find(u"なら");
    if (nara == npos) return false;
    std::size_t denai = text.find(u"でないなら");
    std::size_t thenStart = npos;
    if (denai != npos && nara == denai + 3) {
        // もし A でないなら B: the else marker comes first; a later なら may
        // still introduce a then-text.
        parts.elseMarkerFirst = true;
        parts.condition = prepareCondition(text.substr(0, denai), parts);
        std::size_t next = text.find(u"なら", denai + 5);
        TextView elsePart = text.substr(denai + 5, next == npos ? npos : next - denai - 5);
        parts.elseText = branchText(afterSeparator(elsePart));
        if (next != npos) parts.thenText = branchText(afterSeparator(text.substr(next + 2)));
        return true;
    }
    parts.condition = prepareCondition(text.substr(0, nara), parts);
    thenStart = nara + 2;
    if (denai != npos && denai > nara) {
        parts.thenText = branchText(afterSeparator(text.substr(thenStart, denai - thenStart)));
        parts.elseText = branchText(afterSeparator(text.substr(denai + 5)));
    } else {
        parts.thenText = branchText(afterSeparator(text.substr(thenStart)));
    }
    return true;
}

bool evaluate(Engine& engine, const IfParts& parts) {
    // A condition without groups is one comparison: the search for groups
    // is made once, not on every run of the line.
    bool holds = parts.grouped
                     ? engine.EvalCondition(parts.condition, kEqual, parts.anyOf ? 1 : 0,
                                            &parts.preparedCondition)
                     : engine.ParseComparison(parts.condition, kEqual, &parts.preparedCondition);
    return parts.negate ? !holds : holds;
}

// The last statement of the block at level L that starts at `from`.
std::size_t blockEnd(const ProgramRecord& program, std::size_t from, int level) {
    std::size_t end = from;
    for (std::size_t j = from; j < program.statements.size() && program.depth[j] >= level; ++j)
        end = j;
    return end;
}

void runIfAt(Engine& engine, ProgramRecord& program, std::size_t index, TextView text);

// Walks the block after the もし line at `index`.
void runBlock(Engine& engine, ProgramRecord& program, std::size_t index, bool holds) {
    const auto& statements = program.statements;
    const int here = program.depth[index];
    int level = here + 1;
    if (index + 1 < statements.size() && program.depth[index + 1] == here) level = here;

    bool executing = holds;
    bool anyExecuted = holds;
    std::size_t j = index + 1;
    bool closed = false;
    while (j < statements.size()) {
        // Leaving an enclosing loop leaves this block too: nothing after the
        // 抜ける line may run on the way out.
        if (engine.stopRequested || engine.leavingBlock()) {
            closed = true;
            break;
        }
        StatementRecord& record = program.statements[j];
        const int depth = program.depth[j];
        if (depth < level) {
            closed = true;
            break;
        }
        if (depth == level) {
            const Text& source = record.source;
            if (source == u"もし終わり") {
                closed = true;
                break;
            }
            if (source == u"他なら" || source == u"でないなら") {
                if (anyExecuted) {
                    closed = true;
                    break;
                }
                executing = anyExecuted = true;
                ++j;
                continue;
            }
            if (text::startsWith(source, u"他でもし")) {
                if (!anyExecuted) {
                    runIfAt(engine, program, j, text::trimBlanks(TextView(source).substr(4)));
                    return;
                }
                closed = true;
                break;
            }
        }
        if (!executing) {
            ++j;
            continue;
        }
        engine.currentLine = static_cast<int32_t>(j);
        engine.ExecuteStatement(record);
        const bool jumped = engine.lineJumped;
        j = nextStatement(engine, j);
        if (jumped && (j <= index || j > blockEnd(program, index + 1, level))) {
            // A jump out of the block ends it where the jump led.
            engine.currentLine = static_cast<int32_t>(j) - 1;
            engine.lineJumped = true;
            return;
        }
    }
    if (!closed && j >= statements.size()) {
        engine.currentLine = static_cast<int32_t>(index);  // the report names the もし line
        engine.Report(ErrorId::IfEndMissing);
    }
    if (engine.stopRequested) return;
    engine.endLeave(Engine::Unwind::LeaveIf);
    engine.currentLine =
        static_cast<int32_t>(blockEnd(program, std::min(j, statements.size() - 1), level));
    engine.lineJumped = true;
}

void parseParts(Engine& engine, IfParts& parts, TextView text) {
    parts.parsed = true;
    parts.valid = splitIf(text, parts);
    parts.grouped = parts.condition.find(u'［') != npos;
    if (!parts.thenText.empty())
        parts.thenRecord = std::make_unique<StatementRecord>(engine.ParseLine(parts.thenText));
    if (!parts.elseText.empty())
        parts.elseRecord = std::make_unique<StatementRecord>(engine.ParseLine(parts.elseText));
}

// The parsed form of the text after もし, kept in the statement's cache.
IfParts& partsOf(Engine& engine, StatementRecord& record, TextView text) {
    IfParts& parts = recordCache<IfParts>(record);
    if (!parts.parsed) parseParts(engine, parts, text);
    return parts;
}

// A one-line branch runs as RunComnd would run its text, on the record
// parsed once.
void runBranch(Engine& engine, StatementRecord* branch) {
    if (!branch) return;
    Restore<const StatementRecord*> keep(engine.currentStatement);
    engine.ExecuteStatement(*branch);
}

void runIfAt(Engine& engine, ProgramRecord& program, std::size_t index, TextView text) {
    // A もし outside any program (日本語処理 of one line) has no record to
    // keep its analysis in.
    std::optional<StatementRecord> scratch;
    if (index >= program.statements.size()) scratch.emplace();
    StatementRecord& holder = scratch ? *scratch : program.statements[index];
    IfParts& parts = partsOf(engine, holder, text);
    if (!parts.valid) {
        engine.Report(ErrorId::IfSyntax);
        return;
    }
    bool holds = evaluate(engine, parts);
    if (!parts.thenText.empty() || !parts.elseText.empty()) {
        runBranch(engine, holds ? parts.thenRecord.get() : parts.elseRecord.get());
        return;
    }
    if (parts.elseMarkerFirst) holds = !holds;
    if (index >= program.statements.size() || program.depth.size() != program.statements.size())
        return;
    runBlock(engine, program, index, holds);
}

// A one-line もし of a program line: its condition and branch, without the
// block walk's tests. The node keeps its own parts, so its branch records
// (and their nodes) stay with it.
class CompiledOneLineIf : public CompiledStatement {
  public:
    CompiledOneLineIf(std::unique_ptr<IfParts> parts, std::unique_ptr<NumberComparison> number)
        : parts_(std::move(parts)), number_(std::move(number)) {}
    void run(Engine& engine, StatementRecord& record) override {
        (void)record;
        bool holds = false;
        if (number_ && number_->test(engine, holds)) {
            if (parts_->negate) holds = !holds;
        } else {
            holds = evaluate(engine, *parts_);
        }
        runBranch(engine, holds ? parts_->thenRecord.get() : parts_->elseRecord.get());
    }
    // The guard at the top of a procedure: a number comparison, then a leave.
    bool describe(NodeForm& form) override {
        if (!number_ || !parts_->thenRecord || parts_->elseRecord) return false;
        form.kind = NodeForm::Kind::IfLeave;
        form.comparison = number_.get();
        form.negate = parts_->negate;
        form.branch = parts_->thenRecord.get();
        return true;
    }

  private:
    std::unique_ptr<IfParts> parts_;
    std::unique_ptr<NumberComparison> number_;  // null: the ordinary evaluation
};

}  // namespace

std::unique_ptr<CompiledStatement> compileConditional(StatementRecord& record, Engine& engine) {
    // The block form walks the lines after it and stays as it is.
    auto parts = std::make_unique<IfParts>();
    parseParts(engine, *parts, record.woArg);
    if (!parts->valid || (parts->thenText.empty() && parts->elseText.empty())) return nullptr;
    std::unique_ptr<NumberComparison> number;
    if (!parts->grouped) number = compileNumberComparison(engine, parts->condition);
    return std::make_unique<CompiledOneLineIf>(std::move(parts), std::move(number));
}

std::size_t nextStatement(Engine& engine, std::size_t executed) {
    if (engine.lineJumped) {
        engine.lineJumped = false;
        return static_cast<std::size_t>(std::max(engine.currentLine, -1) + 1);
    }
    return executed + 1;
}

void StandardLibrary::runConditional(StatementRecord& record, ProgramRecord& program,
                                     Engine& engine) {
    std::size_t index = static_cast<std::size_t>(std::max(engine.currentLine, 0));
    // A one-line もし run by RunComnd is not a line of the program: its
    // block form has no block to walk.
    const bool programLine =
        index < program.statements.size() && &program.statements[index] == &record;
    IfParts& parts = partsOf(engine, record, record.woArg);
    if (!parts.valid) {
        engine.Report(ErrorId::IfSyntax);
        return;
    }
    bool holds = evaluate(engine, parts);
    // The one-line form (a branch text after なら or でないなら) runs its
    // branch here, without the block walk's set-up: it is the usual guard at
    // the top of a procedure, run on every call.
    if (!programLine || !parts.thenText.empty() || !parts.elseText.empty()) {
        runBranch(engine, holds ? parts.thenRecord.get() : parts.elseRecord.get());
        return;
    }
    if (parts.elseMarkerFirst) holds = !holds;
    if (program.depth.size() != program.statements.size()) return;
    runBlock(engine, program, index, holds);
}

}  // namespace qel
