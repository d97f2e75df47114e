// Leaving constructs (抜ける), the multi-way branch (分岐), jumps to labels
// (飛べ) and ending the script (終了).
#include "library/control/control_flow.h"
#include "core/engine.h"
#include "core/parser.h"
#include "library/control/control.h"
#include "library/registry/script_fault.h"
#include "library/system/system_commands.h"
#include "text/brackets.h"

namespace qel {

using text::npos;

// What a 抜ける statement leaves and the value it gives, worked out on its
// first run.
struct LeaveCache : RecordCache {
    bool ready = false;
    enum class Target { If, Loop, Procedure } target = Target::Procedure;
    Text valueText;  // the で argument ("" none)
    std::shared_ptr<eval::ArgPlan> plan;
};

void cmdLeave(StatementRecord& record, Engine& engine) {
    LeaveCache& cache = recordCache<LeaveCache>(record);
    if (!cache.ready) {
        std::vector<Text> particles{u"から", u"で"};
        AskParticles(record, particles);
        const Text& target = particles[0].empty() ? Args(record).woArg : particles[0];
        if (target == u"もし") {
            cache.target = LeaveCache::Target::If;
        } else if (text::startsWith(target, u"繰り返")) {
            cache.target = LeaveCache::Target::Loop;
        }
        cache.valueText = particles[1];
        if (!cache.valueText.empty()) cache.plan = engine.PlanOf(cache.valueText);
        cache.ready = true;
    }
    if (cache.plan) engine.EvalPlannedInto(*cache.plan, cache.valueText, engine.answer);
    switch (cache.target) {
        case LeaveCache::Target::If:
            engine.requestLeave(Engine::Unwind::LeaveIf);
            break;
        case LeaveCache::Target::Loop:
            engine.requestLeave(Engine::Unwind::LeaveLoop);
            break;
        case LeaveCache::Target::Procedure:
            engine.requestLeave(Engine::Unwind::LeaveProcedure);
            break;
    }
}

namespace {

Engine::Unwind unwindFor(LeaveCache::Target target) {
    switch (target) {
        case LeaveCache::Target::If:
            return Engine::Unwind::LeaveIf;
        case LeaveCache::Target::Loop:
            return Engine::Unwind::LeaveLoop;
        case LeaveCache::Target::Procedure:
            break;
    }
    return Engine::Unwind::LeaveProcedure;
}

// The leave with its answer, as cmdLeave runs it once its cache is made.
class CompiledLeave : public CompiledStatement {
  public:
    explicit CompiledLeave(const LeaveCache& cache)
        : target_(unwindFor(cache.target)), valueText_(cache.valueText), plan_(cache.plan) {}
    void run(Engine& engine, StatementRecord& record) override {
        engine.currentStatement = &record;
        runAtFaultBoundary(engine, {}, [&] {
            if (plan_) engine.EvalPlannedInto(*plan_, valueText_, engine.answer);
            engine.requestLeave(target_);
        });
    }
    bool describe(NodeForm& form) override {
        if (target_ != Engine::Unwind::LeaveProcedure) return false;
        form.kind = NodeForm::Kind::Leave;
        form.value = plan_.get();
        return true;
    }

  private:
    Engine::Unwind target_;
    Text valueText_;
    std::shared_ptr<eval::ArgPlan> plan_;
};

}  // namespace

std::unique_ptr<CompiledStatement> compileLeave(StatementRecord& record, Engine& engine) {
    (void)engine;
    const auto* cache = dynamic_cast<const LeaveCache*>(record.cache.get());
    if (!cache || !cache->ready) return nullptr;
    return std::make_unique<CompiledLeave>(*cache);
}

void cmdStop(StatementRecord& record, Engine& engine) {
    if (Args(record).woArg.empty()) {
        engine.stopRequested = true;
    } else if (Args(record).woArg == u"ウィンドウズ") {
        EndSessionCommand(engine, SessionAction::PowerOff);
    }
}

void cmdJump(StatementRecord& record, Engine& engine) {
    Text label = Args(record).heArg;
    if (label.empty()) {
        engine.Report(ErrorId::LabelNotFound, label);
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
    engine.Report(ErrorId::LabelNotFound, label);
}

// ---- 分岐 ---------------------------------------------------------------------

namespace {

struct CaseLabel {
    bool isDefault = false;
    Text caseText;  // without の場合
    Text oneLine;   // the command after の場合, for a one-line case
};

bool isBranchStart(const StatementRecord& record) {
    return text::contains(record.source, u"について分岐");
}
bool isBranchEnd(const StatementRecord& record) {
    return record.source == u"分岐終わり";
}

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
    if (!rest.empty() && (text::isBlank(rest.front()) || rest.front() == u'、'))
        rest.remove_prefix(1);
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
        {u"より上", kGreater}, {u"より下", kLess},     {u"以上", kGreaterEqual},
        {u"以下", kLessEqual}, {u"でない", kNotEqual},
    };
    for (const auto& [ending, code] : kEndings) {
        if (text::endsWith(caseText, ending)) {
            return engine.CompareValues(subject,
                                        caseText.substr(0, caseText.size() - ending.size()), code);
        }
    }
    return engine.CompareValues(subject, caseText, kEqual);
}

// The matching 分岐終わり at or after `from`, or npos when a procedure's
// 終わり or the end of the list comes first; `stop` is then that line (or the
// list size). Error 42 is the caller's.
std::size_t findBranchEnd(const std::vector<StatementRecord>& statements, std::size_t from,
                          std::size_t& stop) {
    int nesting = 0;
    for (std::size_t j = from; j < statements.size(); ++j) {
        if (statements[j].kind == StatementKind::End) {
            stop = j;
            return npos;
        }
        if (isBranchStart(statements[j])) {
            ++nesting;
        } else if (isBranchEnd(statements[j])) {
            if (nesting == 0) return j;
            --nesting;
        }
    }
    stop = statements.size();
    return npos;
}

// The first line at or after `from` that ends a case's statements: the next
// case label or 分岐終わり of this branch (inner branches skipped), a
// procedure's 終わり, or the end of the list.
std::size_t caseEnd(const std::vector<StatementRecord>& statements, std::size_t from) {
    int nesting = 0;
    for (std::size_t k = from; k < statements.size(); ++k) {
        const StatementRecord& candidate = statements[k];
        if (candidate.kind == StatementKind::End) return k;
        if (isBranchStart(candidate)) {
            ++nesting;
        } else if (isBranchEnd(candidate)) {
            if (nesting == 0) return k;
            --nesting;
        } else if (CaseLabel next; nesting == 0 && asCaseLabel(candidate, next)) {
            return k;
        }
    }
    return statements.size();
}

}  // namespace

void cmdBranch(StatementRecord& record, Engine& engine) {
    if (Args(record).heArg.empty()) {
        engine.Report(ErrorId::ValueRequired, u"変数");
        return;
    }
    Text subject = engine.EvalText(Args(record).heArg);
    auto& statements = engine.currentProgram().statements;
    const std::size_t line = static_cast<std::size_t>(std::max(engine.currentLine, 0));
    if (line >= statements.size() || &statements[line] != &record)
        return;  // no lines to branch over

    std::size_t end = npos;
    // Where a branch without its 分岐終わり gives up: a branch never reaches
    // past the 終わり of the procedure it is in.
    std::size_t stop = statements.size();
    int nesting = 0;
    for (std::size_t j = line + 1; j < statements.size(); ++j) {
        const StatementRecord& candidate = statements[j];
        if (candidate.kind == StatementKind::End) {
            stop = j;
            break;
        }
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
        CaseLabel label;
        if (!asCaseLabel(candidate, label) || !caseMatches(engine, subject, label)) continue;
        if (!label.oneLine.empty()) {
            engine.lineJumped = false;
            engine.RunComnd(label.oneLine);
            if (engine.lineJumped) return;  // a jump: execution goes on where it led
            end = findBranchEnd(statements, j + 1, stop);
            break;
        }
        // Run the case's statements up to the next case label.
        const std::size_t last = caseEnd(statements, j + 1);
        std::size_t k = j + 1;
        while (k < last) {
            // Leaving an enclosing loop ends the case as well.
            if (engine.stopRequested || engine.leavingLoop()) break;
            engine.currentLine = static_cast<int32_t>(k);
            engine.ExecuteStatement(statements[k]);
            k = nextStatement(engine, k);
            if (k <= j || k > last) {
                // A jump out of the case ends the branch where the jump led.
                engine.currentLine = static_cast<int32_t>(k) - 1;
                engine.lineJumped = true;
                return;
            }
        }
        end = findBranchEnd(statements, last, stop);
        break;
    }
    if (engine.stopRequested) return;
    if (end == npos) {
        engine.currentLine = static_cast<int32_t>(line);  // the report names the 分岐 line
        engine.Report(ErrorId::SwitchEndMissing);
        // Nothing more of the branch runs: execution goes on at the
        // procedure's 終わり, or the run ends with the list.
        end = std::max(stop, line + 1) - 1;
    }
    engine.currentLine = static_cast<int32_t>(end);
    engine.lineJumped = true;
}

}  // namespace qel
