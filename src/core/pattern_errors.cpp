#include "core/pattern_errors.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "core/engine.h"
#include "text/number.h"

namespace qel {

void ReportPatternMatchFailure(Engine& engine, int code, TextView pattern) {
    switch (code) {
        case PCRE2_ERROR_MATCHLIMIT:
        case PCRE2_ERROR_DEPTHLIMIT:
        case PCRE2_ERROR_HEAPLIMIT:
        case PCRE2_ERROR_NOMEMORY:
            // The pattern is sound; only this text makes it try too many ways.
            engine.Report(ErrorId::PatternTooComplex, pattern.substr(0, 80));
            return;
        default:
            engine.Report(ErrorId::BadPattern, number::format(kPatternSyntaxFault));
            return;
    }
}

}  // namespace qel
