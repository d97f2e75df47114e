#include "core/stack_guard.h"

#include <pthread.h>

#include <cstddef>
#include <cstdint>

namespace qel {
namespace {

// Room kept free for the work a single level does (handlers, the error
// routine, the message box of the host).
constexpr std::uintptr_t kReserveBytes = 1024 * 1024;

struct StackBounds {
    std::uintptr_t low = 0;  // lowest usable address (stacks grow down)
    bool known = false;
};

StackBounds currentThreadBounds() {
    StackBounds bounds;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return bounds;
    void* base = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &base, &size) == 0 && size > 2 * kReserveBytes) {
        bounds.low = reinterpret_cast<std::uintptr_t>(base) + kReserveBytes;
        bounds.known = true;
    }
    pthread_attr_destroy(&attr);
    return bounds;
}

}  // namespace

namespace detail {

std::uintptr_t stackLimit() {
    StackBounds bounds = currentThreadBounds();
    return bounds.known ? bounds.low : 0;
}

}  // namespace detail

}  // namespace qel
