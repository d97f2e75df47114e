// Small commands that compute and store: 入れ, 計算, 足せ, 引け, 交換.
#include "core/engine.h"
#include "core/parser.h"
#include "library/control/control.h"
#include "library/registry/standard_library.h"
#include "text/number.h"

namespace qel {

void cmdPut(StatementRecord& record, Engine& engine) {
    const Text& target = Args(record).heArg;
    if (libraryOf(engine).settings().find(target)) {
        engine.Report(ErrorId::AssignToCommand, target);
        return;
    }
    engine.SetVariable(target, engine.EvalText(Args(record).woArg));
}

void cmdCalculate(StatementRecord& record, Engine& engine) {
    bool notFound = false;
    Text expression = engine.GetVariable(Args(record).woArg, notFound);
    // A written expression is usually quoted (「1+2*3」を計算): its text is
    // the expression, not a text whose leading digits are the number.
    if (notFound) expression = engine.EvalText(Args(record).woArg);
    engine.answer = number::format(engine.EvalNumber(expression));
}

namespace {
void addTo(Engine& engine, TextView amountText, TextView variable, double sign) {
    double amount = amountText.empty() ? 1 : engine.EvalNumber(amountText);
    if (variable.find(u'（') != TextView::npos || variable.find(u'(') != TextView::npos) {
        bool notFound = false;
        double value = number::toNumber(engine.GetVariable(variable, notFound));
        engine.SetVariable(variable, number::format(value + sign * amount));
        return;
    }
    ValueText& stored = engine.variableForWriting(variable).Value;
    stored.setNumber(stored.asNumber() + sign * amount);
}
}  // namespace

void cmdAdd(StatementRecord& record, Engine& engine) {
    if (Args(record).heArg.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    addTo(engine, Args(record).woArg, Args(record).heArg, 1);
}

void cmdSubtract(StatementRecord& record, Engine& engine) {
    // から is bound before を is read: in 合計から1を引け the を argument is
    // only the 1, on the first execution as on every later one.
    Text variable = AskParticle(record, u"から");
    Text amount = Args(record).woArg;
    if (variable.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    addTo(engine, amount, variable, -1);
}

void cmdSwap(StatementRecord& record, Engine& engine) {
    Text first = AskParticle(record, u"と");
    Text second = Args(record).woArg;
    if (first.empty() || second.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    Text firstValue = engine.EvalText(first);
    Text secondValue = engine.EvalText(second);
    engine.SetVariable(first, secondValue);
    engine.SetVariable(second, firstValue);
}

}  // namespace qel
