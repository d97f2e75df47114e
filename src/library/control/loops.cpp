// 繰り返: counted, endless, counter from/to, over the lines of a list; with a
// one-line body in 「」 or a block body up to its 繰り返し終わり.
#include <cmath>

#include "core/engine.h"
#include "core/parser.h"
#include "library/control/control.h"
#include "library/control/control_flow.h"
#include "library/registry/standard_library.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

using text::npos;

namespace {

bool isLoopEnd(const StatementRecord& record) {
    return text::contains(Args(record).head, u"繰り返") &&
           text::contains(Args(record).head, u"終わり");
}

// Whether a command line reaches the loop command when it runs: a verb that
// merely contains 繰り返 may belong to another command (繰り返しから抜ける
// reaches 抜ける, which comes first in the table) or name a procedure.
bool dispatchesToRepeat(const StatementRecord& record, Engine& engine) {
    if (record.handler) return record.handler == cmdRepeat;
    StandardLibrary& library = libraryOf(engine);
    if (const xxCmdData* exact = library.commands().find(Args(record).head))
        return exact->command == cmdRepeat;
    if (engine.procedures.find(record.source) || engine.procedures.find(Args(record).head))
        return false;
    for (const auto& [key, entry] : library.commands().inOrder()) {
        (void)key;
        if (Args(record).head.find(entry->Name) != npos) return entry->command == cmdRepeat;
    }
    return false;
}

// A nested loop with a block body (a loop line without a one-line body).
bool opensLoopBlock(const StatementRecord& record, Engine& engine) {
    return record.kind == StatementKind::Command && text::contains(Args(record).head, u"繰り返") &&
           !text::contains(Args(record).head, u"終わり") &&
           Args(record).woArg.find(u'「') == Text::npos && dispatchesToRepeat(record, engine);
}

// The line that ends the block body starting after `loopLine`: the first
// 繰り返…終わり at the same nesting, or a procedure's 終わり, or the end.
std::size_t scanLoopEnd(const std::vector<StatementRecord>& statements, std::size_t loopLine,
                        Engine& engine) {
    int nesting = 0;
    for (std::size_t j = loopLine + 1; j < statements.size(); ++j) {
        const StatementRecord& record = statements[j];
        if (record.kind == StatementKind::End) return j;
        if (isLoopEnd(record)) {
            if (nesting == 0) return j;
            --nesting;
        } else if (opensLoopBlock(record, engine)) {
            ++nesting;
        }
    }
    return statements.size();
}

// The same for every loop line of a program at once, in one pass with a
// stack of the open blocks (-1 for the other lines): a scan per loop, each
// time it starts, would make deeply nested loops quadratic.
std::vector<std::int32_t> markLoopEnds(const std::vector<StatementRecord>& statements,
                                       Engine& engine) {
    std::vector<std::int32_t> ends(statements.size(), -1);
    std::vector<std::size_t> open;
    for (std::size_t j = 0; j < statements.size(); ++j) {
        const StatementRecord& record = statements[j];
        if (record.kind == StatementKind::End) {
            for (std::size_t line : open) ends[line] = std::int32_t(j);
            open.clear();
        } else if (isLoopEnd(record)) {
            if (!open.empty()) {
                ends[open.back()] = std::int32_t(j);
                open.pop_back();
            }
        } else if (opensLoopBlock(record, engine)) {
            open.push_back(j);
        }
    }
    for (std::size_t line : open) ends[line] = std::int32_t(statements.size());
    return ends;
}

// The end of the loop block at `loopLine` of the running program, from the
// program's table (made on the first block loop it runs). A loop line the
// table does not know (a spelling of the command the nesting count does not
// recognise) is scanned on its own.
std::size_t findLoopEnd(ProgramRecord& program, std::size_t loopLine, Engine& engine) {
    if (program.loopEnds.size() != program.statements.size()) {
        program.loopEnds = markLoopEnds(program.statements, engine);
    }
    std::int32_t end = program.loopEnds[loopLine];
    return end >= 0 ? std::size_t(end) : scanLoopEnd(program.statements, loopLine, engine);
}

// The pieces of a one-line body, split at 。 outside brackets. Empty when a
// piece before the last 。 holds なら (such a body never runs).
bool parseOneLineBody(Engine& engine, TextView body, std::vector<StatementRecord>& out) {
    std::size_t start = 0;
    std::vector<TextView> pieces;
    for (std::size_t p = text::findOutside(body, u"。", text::kSyntaxBrackets); p != npos;
         p = text::findOutside(body, u"。", text::kSyntaxBrackets, start)) {
        pieces.push_back(body.substr(start, p - start));
        start = p + 1;
    }
    pieces.push_back(body.substr(start));
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        if (text::contains(pieces[i], u"なら")) return false;
    }
    for (TextView piece : pieces) {
        TextView t = text::trimBlanks(piece);
        if (!t.empty()) out.push_back(engine.ParseLine(t));
    }
    return true;
}

struct LoopPlan {
    bool endless = false;
    bool hasCount = false;
    double count = 0;
    bool hasLimit = false;
    double limit = 0;
    Text counter;  // variable counted on each pass
    VariableLookup counterLookup;
    bool internalCounter = false;
    double internalValue = 0;
    bool eachLine = false;  // それぞれ
    std::vector<Text> lines;
};

// Runs one pass of a block body [first, end); false when the pass left the
// body by a jump (execution then goes on where the jump led).
bool runBlockPass(Engine& engine, std::vector<StatementRecord>& statements, std::size_t first,
                  std::size_t end) {
    std::size_t j = first;
    while (j < end) {
        if (engine.stopRequested || engine.leavingLoop()) return true;
        engine.currentLine = static_cast<int32_t>(j);
        engine.ExecuteStatement(statements[j]);
        j = nextStatement(engine, j);
        if (j < first || j > end) {
            // A jump out of the body ends the loop where the jump led.
            engine.currentLine = static_cast<int32_t>(j) - 1;
            return false;
        }
    }
    return true;
}

// Runs one pass of a one-line body; false when a statement jumped (the
// loop then ends, and execution goes on at the label the jump found).
bool runOneLinePass(Engine& engine, std::vector<StatementRecord>& body) {
    for (auto& record : body) {
        if (engine.stopRequested || engine.leavingLoop()) return true;
        const int32_t loopLine = engine.currentLine;
        engine.ExecuteStatement(record);
        if (engine.lineJumped) return false;
        engine.currentLine = loopLine;
    }
    return true;
}

// After a pass: advances the counter; true when the limit has been reached.
bool advanceCounter(Engine& engine, LoopPlan& plan) {
    double value = 0;
    if (plan.internalCounter) {
        value = plan.internalValue;
        plan.internalValue = value + 1;
    } else if (!plan.counter.empty()) {
        ValueText& counter = engine.variableForWriting(plan.counter, plan.counterLookup).Value;
        value = counter.asNumber();
        counter.setNumber(value + 1);
    }
    // Reaching or passing the limit ends the loop, so a start beyond the
    // limit cannot make the loop endless.
    return plan.hasLimit && value >= plan.limit;
}

}  // namespace

void cmdRepeat(StatementRecord& record, Engine& engine) {
    Text oneLine = Args(record).woArg;
    const std::vector<Text>& particles = AskParticlesOnce(record, {u"回", u"に", u"まで", u"から"});
    const Text& countArg = particles[0];
    Text counterArg = particles[1];
    const Text& limitArg = particles[2];
    const Text& fromArg = particles[3];

    LoopPlan plan;
    plan.endless = text::startsWith(record.source, u"永遠に");
    plan.eachLine = text::contains(Args(record).head, u"それぞれ");
    if (!countArg.empty()) {
        plan.hasCount = true;
        plan.count = engine.EvalNumber(countArg);
    }
    if (counterArg == u"永遠") {
        plan.endless = true;
        counterArg.clear();
    } else if (text::startsWith(counterArg, u"永遠")) {
        plan.endless = true;
        counterArg = Text(text::trimBlanks(TextView(counterArg).substr(2)));
        if (text::startsWith(counterArg, u"、")) counterArg.erase(0, 1);
    }
    if (!limitArg.empty()) {
        plan.hasLimit = true;
        plan.limit = engine.EvalNumber(limitArg);
    }

    auto& program = engine.currentProgram();
    auto& statements = program.statements;
    const std::size_t loopLine = static_cast<std::size_t>(std::max(engine.currentLine, 0));
    const bool inProgram = loopLine < statements.size() && &statements[loopLine] == &record;

    if (plan.eachLine) {
        bool notFound = false;
        Text list = engine.GetVariable(oneLine, notFound);
        if (!notFound) {
            std::size_t start = 0;
            for (std::size_t p = list.find(kCRLF); p != npos; p = list.find(kCRLF, start)) {
                plan.lines.push_back(list.substr(start, p - start));
                start = p + 2;
            }
            plan.lines.push_back(list.substr(start));
        }
        oneLine.clear();
    } else if (!plan.endless && !plan.hasCount && !plan.hasLimit) {
        if (text::contains(Args(record).head, u"終わり")) {
            engine.Report(ErrorId::LoopSyntax);
            return;
        }
        plan.endless = true;
    }

    if (!counterArg.empty()) {
        plan.counter = counterArg;
        double start = 0;
        if (!fromArg.empty()) {
            start = engine.EvalNumber(fromArg);
        } else {
            bool notFound = false;
            start = number::toNumber(engine.GetVariable(counterArg, notFound));
        }
        engine.SetVariable(counterArg, number::format(start));
    } else if (plan.hasLimit) {
        plan.internalCounter = true;
        plan.internalValue = fromArg.empty() ? 1 : engine.EvalNumber(fromArg);
    }

    std::vector<StatementRecord> body;
    const bool oneLineForm = !oneLine.empty();
    if (oneLineForm) {
        std::size_t open = oneLine.find(u'「');
        std::size_t close = oneLine.rfind(u'」');
        if (open == npos || close == npos || close <= open) {
            engine.Report(ErrorId::QuoteBracketsMissing);
            return;
        }
        if (!parseOneLineBody(engine, TextView(oneLine).substr(open + 1, close - open - 1), body))
            return;
    }
    const std::size_t endLine =
        oneLineForm || !inProgram ? loopLine : findLoopEnd(program, loopLine, engine);

    bool leftByJump = false;
    if (!oneLineForm && !inProgram) return;  // a block form run as one line has no body
    for (double pass = 0;; ++pass) {
        if (engine.loopPassCheck() || engine.leavingLoop()) break;
        if (plan.eachLine) {
            if (pass >= double(plan.lines.size())) break;
            engine.answer = plan.lines[std::size_t(pass)];
        } else if (plan.hasCount && pass >= plan.count) {
            break;
        }
        if (plan.endless) engine.ui().pumpEvents();
        if (oneLineForm) {
            if (!runOneLinePass(engine, body)) {
                leftByJump = true;
                break;
            }
        } else if (inProgram && !runBlockPass(engine, statements, loopLine + 1, endLine)) {
            leftByJump = true;
            break;
        }
        if (advanceCounter(engine, plan)) break;
    }
    engine.endLeave(Engine::Unwind::LeaveLoop);
    if (!oneLineForm && inProgram && !leftByJump && !engine.stopRequested) {
        engine.currentLine = static_cast<int32_t>(std::min(endLine, statements.size() - 1));
    }
    if (!oneLineForm && inProgram) engine.lineJumped = true;
}

}  // namespace qel
