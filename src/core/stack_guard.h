// Scripts can nest without bound (recursive procedures, deeply bracketed
// expressions, text run by text). Before going deeper the core asks whether
// the machine stack still has room, and reports an error instead of letting
// the process die.
#pragma once

#include <cstdint>

namespace qel {

namespace detail {
// The lowest address this thread's stack may reach before the reserve (0
// when the bounds cannot be read: nothing is then ever reported).
std::uintptr_t stackLimit();
}  // namespace detail

// True when less than a safe reserve (plus `extraBytes`) of the current
// thread's stack is left. Inline: the evaluator asks before every step.
inline bool stackNearlyExhausted(unsigned long extraBytes = 0) {
    thread_local const std::uintptr_t limit = detail::stackLimit();
    auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return limit != 0 && here < limit + extraBytes;
}

}  // namespace qel
