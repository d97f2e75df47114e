// The errors of regular-expression matching, shared by the conditions of the
// core and the pattern functions and commands of the library.
#pragma once

#include "text/text.h"

namespace qel {

class Engine;

// Fault number shown with error 38 for a pattern the engine rejects (the
// number scripts of this language know for a syntax error in a regular
// expression).
constexpr int kPatternSyntaxFault = 5017;

// Reports a match that failed for another reason than finding nothing
// (`code` is the negative result of the match): the engine's match, depth
// and heap limits and lack of memory as ErrorId::PatternTooComplex naming
// the pattern, anything else as ErrorId::BadPattern.
void ReportPatternMatchFailure(Engine& engine, int code, TextView pattern);

}  // namespace qel
