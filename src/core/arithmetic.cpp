// Arithmetic: compiled once per distinct expression text to postfix with its
// literal numbers converted; only names are evaluated again on each run.
#include <cmath>

#include "core/evaluator.h"
#include "text/number.h"

namespace qel {
namespace eval {
namespace {

constexpr TextView kOperators = u"+-*/^%()\\";

// The multiplication that carries a sign written after another operator
// (10/-2, 2^-2): it binds its operand before that operator applies, yet a
// power written after the operand still comes first (3*-2^2 is -12).
constexpr char16_t kSignOperator = u'\x01';

char16_t halfWidthOperator(char16_t c) {
    switch (c) {
        case u'＋':
            return u'+';
        case u'－':
            return u'-';
        case u'＊':
            return u'*';
        case u'／':
            return u'/';
        case u'×':
            return u'*';
        case u'÷':
            return u'/';
        case u'＾':
            return u'^';
        case u'（':
            return u'(';
        case u'）':
            return u')';
        case u'￥':
            return u'\\';
        case u'％':
            return u'%';
        default:
            return c;
    }
}

int operatorCode(char16_t c) {
    switch (c) {
        case u'+':
            return 1;
        case u'-':
            return 2;
        case u'*':
            return 3;
        case u'/':
            return 4;
        case u'^':
            return 5;
        case u'%':
            return 6;
        case u'\\':
            return 7;
        case kSignOperator:
            return 3;
        default:
            return 0;
    }
}

int priority(char16_t op) {
    switch (op) {
        case u'+':
        case u'-':
            return 1;
        case kSignOperator:
        case u'*':
        case u'/':
        case u'\\':
        case u'%':
            return 2;
        case u'^':
            return 3;
        default:
            return 0;
    }
}

struct RawToken {
    char16_t op = 0;  // 0 for an operand
    Text operand;
};

// Splits the expression into operands and operators. A bracket right after an
// operand character is the argument bracket of a name: it stays inside the
// operand (as full-width brackets) together with everything up to its match.
std::vector<RawToken> tokenise(const Text& expr) {
    std::vector<RawToken> tokens;
    Text operand;
    auto flush = [&] {
        if (!operand.empty()) tokens.push_back({0, std::move(operand)});
        operand.clear();
    };
    for (std::size_t i = 0; i < expr.size(); ++i) {
        char16_t c = expr[i];
        if (kOperators.find(c) == TextView::npos) {
            operand += c;
            continue;
        }
        bool atStart = tokens.empty() && operand.empty();
        // A minus with no operand before it is a sign: at the start, after
        // "(", and (so that 3*-2 is -6) after another operator.
        bool afterOperator =
            operand.empty() && !tokens.empty() && tokens.back().op != 0 && tokens.back().op != u')';
        if (c == u'-' && (atStart || afterOperator)) {
            tokens.push_back({0, u"-1"});
            tokens.push_back({afterOperator ? kSignOperator : u'*', {}});
            continue;
        }
        if (c == u'(' && !operand.empty()) {
            int depth = 1;
            operand += u'（';
            for (++i; i < expr.size(); ++i) {
                char16_t d = expr[i];
                if (d == u'(') ++depth;
                if (d == u')' && --depth == 0) break;
                operand += d == u'(' ? u'（' : d == u')' ? u'）' : d;
            }
            operand += u'）';
            continue;
        }
        flush();
        tokens.push_back({c, {}});
    }
    flush();
    return tokens;
}

// Shunting-yard; every operator is left-associative, so 2^3^2 is 64.
std::vector<RawToken> toPostfix(std::vector<RawToken>&& tokens) {
    std::vector<RawToken> out, stack;
    for (auto& token : tokens) {
        if (token.op == 0) {
            out.push_back(std::move(token));
        } else if (token.op == u'(') {
            stack.push_back(std::move(token));
        } else if (token.op == u')') {
            while (!stack.empty() && stack.back().op != u'(') {
                out.push_back(std::move(stack.back()));
                stack.pop_back();
            }
            if (!stack.empty()) stack.pop_back();
        } else if (token.op == kSignOperator) {
            // A prefix has no left operand yet, so it takes nothing off the
            // stack.
            stack.push_back(std::move(token));
        } else {
            while (!stack.empty() && stack.back().op != u'(' &&
                   priority(stack.back().op) >= priority(token.op)) {
                out.push_back(std::move(stack.back()));
                stack.pop_back();
            }
            stack.push_back(std::move(token));
        }
    }
    while (!stack.empty()) {
        if (stack.back().op != u'(') out.push_back(std::move(stack.back()));
        stack.pop_back();
    }
    return out;
}

}  // namespace

std::shared_ptr<CompiledArithmetic> compileArithmetic(TextView text) {
    Text expr(text);
    for (char16_t& c : expr) c = halfWidthOperator(c);
    auto compiled = std::make_shared<CompiledArithmetic>();
    for (auto& raw : toPostfix(tokenise(expr))) {
        ArithmeticToken token;
        token.op = operatorCode(raw.op);
        if (token.op == 0) {
            Text operand(text::trimBlanks(raw.operand));
            if (auto value = number::parse(operand)) {
                token.value = *value;
            } else {
                token.plan = analyseText(operand);
                token.plainName = token.plan->kind == PlanKind::Name &&
                                  !token.plan->hasArgumentBracket && !token.plan->name.empty();
                token.name = std::move(operand);
            }
        }
        compiled->tokens.push_back(std::move(token));
    }
    return compiled;
}

}  // namespace eval

double Engine::runArithmetic(const eval::CompiledArithmetic& compiled) {
    // Small expressions stay on the machine stack; a missing operand (as in
    // 2*-3, where - is binary) counts as 0 rather than failing.
    double small[16];
    std::unique_ptr<double[]> large;
    double* stack = small;
    if (compiled.tokens.size() > 16) {
        large = std::make_unique<double[]>(compiled.tokens.size());
        stack = large.get();
    }
    std::size_t top = 0;
    for (const auto& token : compiled.tokens) {
        if (token.op == 0) {
            const eval::ArgPlan* plan = token.plan.get();
            if (!plan) {
                stack[top++] = token.value;
                continue;
            }
            // A plain variable, the usual operand, is read here in place.
            const xxCmdData* variable =
                token.plainName ? FindVariable(plan->name, plan->lookup) : nullptr;
            stack[top++] = variable ? variable->Value.asNumber() : numberOfPlan(*plan);
            continue;
        }
        double b = top > 0 ? stack[--top] : 0;
        double a = top > 0 ? stack[--top] : 0;
        double r = eval::applyOperator(token.op, a, b);
        stack[top++] = std::isfinite(r) ? r : 0;
    }
    return top > 0 ? stack[top - 1] : 0;
}

}  // namespace qel
