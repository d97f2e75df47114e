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
// This thread's limit, read on first use. Constant-initialised, so that a
// read is one load: a thread-local with a run-time initialiser goes through
// its guard function on every use, and this is asked several times a call.
constexpr std::uintptr_t kLimitNotRead = 1;
inline constinit thread_local std::uintptr_t threadStackLimit = kLimitNotRead;
}  // namespace detail

// True when less than a safe reserve (plus `extraBytes`) of the current
// thread's stack is left. Inline: the evaluator asks before every step.
inline bool stackNearlyExhausted(unsigned long extraBytes = 0) {
    std::uintptr_t limit = detail::threadStackLimit;
    if (limit == detail::kLimitNotRead) [[unlikely]]
        limit = detail::threadStackLimit = detail::stackLimit();
    auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return limit != 0 && here < limit + extraBytes;
}

}  // namespace qel
