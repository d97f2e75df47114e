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
            engine.ReportError(
                u"正規表現が複雑すぎるため、この文字列との照合を終えられません。\n"
                u"正規表現を簡単にするか、文字列を短くしてください。\n%1",
                kPatternTooComplex, 16, pattern.substr(0, 80));
            return;
        default:
            engine.ReportErrorNo(38, 16, number::format(kPatternSyntaxFault));
            return;
    }
}

}  // namespace qel
