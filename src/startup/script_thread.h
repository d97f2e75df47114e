// The run's own stack: scripts nest (procedures, texts, blocks, brackets),
// and the depth they may reach is fixed (core/limits.h), so the stack it
// needs must not depend on the stack limit of the shell that started us.
#pragma once

#include <functional>

namespace qel {

// The stack the run gets. A level of a heavy kind (a procedure called from
// inside an expression inside three loops and two もし blocks) takes about
// 6 KiB in an optimised build, so kMaxNestingDepth of them take about 18 MiB;
// this leaves room for unoptimised and sanitizer builds, whose frames are
// several times larger, and for the stack check's reserve. Only the pages a
// run touches are ever used.
constexpr unsigned long kScriptStackBytes = 256ul * 1024 * 1024;

// Runs `body` on a thread with a stack of kScriptStackBytes and returns its
// result; the calling thread only waits. Process signals (Ctrl+C and the
// like) go to that thread, so that they interrupt its blocking reads as they
// would on the main thread. Where no such thread can be made (an address
// space limit), `body` runs on the calling thread: the stack check still
// stops a runaway, only sooner.
int runOnScriptStack(const std::function<int()>& body);

}  // namespace qel
