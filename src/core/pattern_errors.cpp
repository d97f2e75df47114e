#include "core/pattern_errors.h"

#include "core/engine.h"
#include "text/number.h"

namespace qel {

namespace {

void reportMalformed(Engine& engine) {
    engine.Report(ErrorId::BadPattern, number::format(kPatternSyntaxFault));
}

}  // namespace

std::unique_ptr<text::Pattern> CompilePattern(Engine& engine, TextView source, bool ignoreCase) {
    auto compiled = text::Pattern::compile(source, ignoreCase);
    if (!compiled) reportMalformed(engine);
    return compiled;
}

bool PatternFailed(Engine& engine, text::PatternStatus status, TextView pattern) {
    switch (status) {
        case text::PatternStatus::kOk:
            return false;
        case text::PatternStatus::kTooComplex:
            // The pattern is sound; only this text makes it try too many ways.
            engine.Report(ErrorId::PatternTooComplex, pattern.substr(0, 80));
            return true;
        case text::PatternStatus::kOutOfMemory:
            engine.Report(ErrorId::PatternsUnavailable);
            return true;
        case text::PatternStatus::kRefused:
            return true;
        case text::PatternStatus::kMalformed:
            break;
    }
    reportMalformed(engine);
    return true;
}

}  // namespace qel
