// Leaving constructs (抜ける), the multi-way branch (分岐), jumps to labels
// (飛べ) and ending the script (終了).
#include "core/engine.h"
#include "core/parser.h"
#include "core/text/brackets.h"
#include "library/control_flow.h"
#include "library/handlers.h"

namespace qel {

using text::npos;

void cmdLeave(StatementRecord& record, Engine& engine) {
    const std::vector<Text>& particles = AskParticlesOnce(record, {u"から", u"で"});
    const Text& target = particles[0].empty() ? record.woArg : particles[0];
    if (!particles[1].empty()) engine.answer = engine.EvalText(particles[1]);
    if (target == u"もし") {
        engine.leaveIf = true;
    } else if (text::startsWith(target, u"繰り返")) {
        engine.leaveLoop = true;
    } else {
        engine.leaveRequested = true;
    }
}

void cmdStop(StatementRecord& record, Engine& engine) {
    if (record.woArg.empty()) {
        engine.stopRequested = true;
    } else if (record.woArg == u"ウィンドウズ") {
        engine.ReportError(u"「%1」は、このビルドではまだ使えません。", 997, 48, u"ウィンドウズの終了");
    }
}

void cmdJump(StatementRecord& record, Engine& engine) {
    Text label = record.heArg;
    if (label.empty()) {
        engine.ReportErrorNo(29, 16, label);
        return;
    }
    if (!text::endsWith(label, u"：")) label += u"：";
    auto& statements = engine.currentProgram().statements;
    // Inside a procedure only its own body is searched: a jump never leaves
    // the procedure that makes it.
    std::size_t first = 0;
    std::size_t last = statements.size();
    if (engine.inProcedure && engine.procedureStart >= 0) {
        first = std::size_t(engine.procedureStart);
        for (std::size_t j = first; j < statements.size(); ++j) {
            if (statements[j].kind == StatementKind::End) {
                last = j;
                break;
            }
        }
    }
    for (std::size_t j = first; j < last; ++j) {
        if (statements[j].kind == StatementKind::Label && statements[j].source == label) {
            engine.currentLine = static_cast<int32_t>(j);
            engine.lineJumped = true;
            return;
        }
    }
    engine.ReportErrorNo(29, 16, label);
}

// ---- 分岐 ---------------------------------------------------------------------

namespace {

struct CaseLabel {
    bool isDefault = false;
    Text caseText;  // without の場合
    Text oneLine;   // the command after の場合, for a one-line case
};

bool isBranchStart(const StatementRecord& record) { return text::contains(record.source, u"について分岐"); }
bool isBranchEnd(const StatementRecord& record) { return record.source == u"分岐終わり"; }

// A line that labels a case: 他の場合, or a line holding の場合 after its
// first character.
bool asCaseLabel(const StatementRecord& record, CaseLabel& label) {
    const Text& source = record.source;
    if (source == u"他の場合") {
        label.isDefault = true;
        return true;
    }
    std::size_t at = source.find(u"の場合");
    if (at == npos || at == 0) return false;
    label.caseText = source.substr(0, at);
    TextView rest = TextView(source).substr(at + 3);
    if (!rest.empty() && (text::isBlank(rest.front()) || rest.front() == u'、')) rest.remove_prefix(1);
    label.oneLine = Text(text::trimBlanks(rest));
    return true;
}

bool caseMatches(Engine& engine, const Text& subject, const CaseLabel& label) {
    if (label.isDefault) return true;
    TextView caseText = label.caseText;
    for (TextView separator : {TextView(u","), TextView(u"、"), TextView(u"，")}) {
        if (text::findOutside(caseText, separator, text::kSyntaxBrackets) == npos) continue;
        std::size_t start = 0;
        for (;;) {
            std::size_t p = text::findOutside(caseText, separator, text::kSyntaxBrackets, start);
            TextView alternative = caseText.substr(start, p == npos ? npos : p - start);
            if (engine.CompareValues(subject, alternative, kEqual)) return true;
            if (p == npos) return false;
            start = p + separator.size();
        }
    }
    static const std::pair<TextView, int> kEndings[] = {
        {u"より上", kGreater}, {u"より下", kLess},      {u"以上", kGreaterEqual},
        {u"以下", kLessEqual}, {u"でない", kNotEqual},
    };
    for (const auto& [ending, code] : kEndings) {
        if (text::endsWith(caseText, ending)) {
            return engine.CompareValues(subject, caseText.substr(0, caseText.size() - ending.size()), code);
        }
    }
    return engine.CompareValues(subject, caseText, kEqual);
}

// The matching 分岐終わり after `from`, or npos (error 42 is the caller's).
std::size_t findBranchEnd(const std::vector<StatementRecord>& statements, std::size_t from) {
    int nesting = 0;
    for (std::size_t j = from; j < statements.size(); ++j) {
        if (isBranchStart(statements[j])) {
            ++nesting;
        } else if (isBranchEnd(statements[j])) {
            if (nesting == 0) return j;
            --nesting;
        }
    }
    return npos;
}

}  // namespace

void cmdBranch(StatementRecord& record, Engine& engine) {
    if (record.heArg.empty()) {
        engine.ReportErrorNo(40, 48, u"変数");
        return;
    }
    Text subject = engine.EvalText(record.heArg);
    auto& statements = engine.currentProgram().statements;
    const std::size_t line = static_cast<std::size_t>(std::max(engine.currentLine, 0));
    if (line >= statements.size() || &statements[line] != &record) return;  // no lines to branch over

    std::size_t end = npos;
    int nesting = 0;
    for (std::size_t j = line + 1; j < statements.size(); ++j) {
        const StatementRecord& candidate = statements[j];
        if (isBranchStart(candidate)) {
            ++nesting;
            continue;
        }
        if (isBranchEnd(candidate)) {
            if (nesting == 0) {
                end = j;
                break;
            }
            --nesting;
            continue;
        }
        if (nesting > 0) continue;
        if (candidate.kind == StatementKind::End) {
            engine.ReportErrorNo(42, 48);
            return;
        }
        CaseLabel label;
        if (!asCaseLabel(candidate, label) || !caseMatches(engine, subject, label)) continue;
        if (!label.oneLine.empty()) {
            engine.RunComnd(label.oneLine);
            end = findBranchEnd(statements, j + 1);
            break;
        }
        // Run the case's statements up to the next case label.
        std::size_t k = j + 1;
        while (k < statements.size()) {
            if (engine.stopRequested || engine.leaveRequested) break;
            CaseLabel next;
            if (isBranchEnd(statements[k]) || asCaseLabel(statements[k], next)) break;
            engine.currentLine = static_cast<int32_t>(k);
            engine.ExecuteStatement(statements[k]);
            k = nextStatement(engine, k);
        }
        end = findBranchEnd(statements, std::min(k, statements.size()));
        break;
    }
    if (end == npos) {
        if (!engine.stopRequested) engine.ReportErrorNo(42, 48);
        end = statements.size() - 1;
    }
    if (engine.stopRequested) return;
    engine.currentLine = static_cast<int32_t>(end);
    engine.lineJumped = true;
}

}  // namespace qel
