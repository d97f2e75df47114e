// The errors of regular-expression matching, shared by the conditions of the
// core and the pattern functions and commands of the library.
#pragma once

#include <memory>

#include "text/pattern.h"
#include "text/text.h"

namespace qel {

class Engine;

// Fault number shown with error 38 for a pattern the engine rejects (the
// number scripts of this language know for a syntax error in a regular
// expression).
constexpr int kPatternSyntaxFault = 5017;

// Compiles a pattern; a pattern that cannot be read is reported as error 38
// and gives null.
std::unique_ptr<text::Pattern> CompilePattern(Engine& engine, TextView source, bool ignoreCase);

// Reports a pattern operation that did not succeed and answers whether it
// failed: a pattern or replacement that cannot be read as error 38, a subject
// the pattern is too complex for as error 95 naming the pattern, no memory as
// error 28. A result the caller's length check refused was reported there.
bool PatternFailed(Engine& engine, text::PatternStatus status, TextView pattern);

}  // namespace qel
