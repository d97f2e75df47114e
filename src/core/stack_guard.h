// Scripts can nest without bound (recursive procedures, deeply bracketed
// expressions, text run by text). Before going deeper the core asks whether
// the machine stack still has room, and reports an error instead of letting
// the process die.
#pragma once

namespace qel {

// True when less than a safe reserve (plus `extraBytes`) of the current
// thread's stack is left.
bool stackNearlyExhausted(unsigned long extraBytes = 0);

}  // namespace qel
