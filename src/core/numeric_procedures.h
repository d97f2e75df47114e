// Procedures that only compute with numbers, run on numbers alone.
//
// A procedure whose body is made of nothing but guards that leave (もし n が
// 2 より下なら nで手順から抜ける), arithmetic stored in a variable, and a
// leave with an answer, where the arithmetic calls only procedures of the
// same kind, is read once from its compiled statements into a form that
// keeps its parameters as numbers in numbered places and calls its
// procedures directly. A call of it from an ordinary statement then runs the
// whole computation below it in that form, with no locals tables, no text
// and no per-statement dispatch.
//
// The run changes nothing outside itself until it has finished: the
// variables it writes and the procedures' answer (それ) are stored at the
// end, as the ordinary run would have left them. So at the first sign of
// anything the form does not cover (an interrupt, a watcher, a depth near the
// limit, a variable that holds no number) it is dropped and the call runs
// the ordinary way from its start, which then meets the same condition and
// handles it as it always does.
//
// A form is made for one state of the procedure table and of the program
// records its statements came from, and is made again when either changes.
#pragma once

#include <cstdint>

namespace qel {

class Engine;
class KeyedTable;
struct ParsedParameters;
struct xxCmdData;

namespace numeric {

// Runs the call of `entry` whose arguments are bound in `locals` (a table of
// the procedure's shape) on numbers alone. True when it ran, with the
// engine's state as the ordinary run of the body would leave it; false when
// the body must run the ordinary way (nothing has changed then).
bool tryRun(Engine& engine, xxCmdData& entry, const ParsedParameters& parsed,
            const KeyedTable& locals);

// How many calls this thread has run on numbers alone, so that a test can
// tell which way its calls went.
std::uint64_t callsRunOnNumbers();

}  // namespace numeric
}  // namespace qel
