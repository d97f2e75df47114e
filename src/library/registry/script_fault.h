// How a script error travels from where it is found to the error routine.
//
// The rule, for every command, setting and function handler:
//
//  * A handler that finds a script error reports it through the error
//    routine (Engine::Report) and returns. That is the normal way.
//  * Code that cannot return a failure to its handler (a conversion deep in
//    an argument, a result that does not fit) throws ScriptFault instead.
//    It is caught in exactly two places, the fault boundaries: command
//    dispatch (commands and setting words) and function dispatch. There it
//    is reported once through the error routine, and the script goes on
//    with the next statement, or with the function's result as the handler
//    left it.
//  * Nothing else catches broadly. Any other std::exception that leaves a
//    handler is a fault of ours, not of the script: the boundary reports it
//    as ErrorId::UnknownFault with the exception's text, so it is never
//    swallowed. std::bad_alloc passes every boundary to the top level, which
//    stops the run with its own report.
//  * Engine::Abandoned is not an error: it carries the unwinding of a
//    runaway recursion and passes the boundaries untouched (see engine.h).
//  * The evaluator's own signals (too deep, too long) never leave the
//    evaluation that raised them; the outermost evaluation reports them.
#pragma once

#include <exception>
#include <new>
#include <utility>

#include "core/engine.h"
#include "resources/error_catalogue.h"
#include "text/text.h"

namespace qel {

struct ScriptFault {
    ErrorId id;
    // What the report names (%1 of the text); function dispatch names the
    // function when this is empty.
    Text word;
};

// A number that does not fit where it has to go (a count, a 32-bit integer,
// a finite result).
struct NumericOverflow : ScriptFault {
    NumericOverflow() : ScriptFault{ErrorId::NumericOverflow, {}} {}
};

// Runs a handler inside a fault boundary (see above). `name` is what a fault
// without a word of its own is reported with (empty for commands).
template <class Handler>
void runAtFaultBoundary(Engine& engine, TextView name, Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (const ScriptFault& fault) {
        engine.Report(fault.id, fault.word.empty() ? name : TextView(fault.word));
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& unexpected) {
        engine.Report(ErrorId::UnknownFault, text::fromUtf8(unexpected.what()));
    }
}

}  // namespace qel
