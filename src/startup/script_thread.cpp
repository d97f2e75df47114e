#include "startup/script_thread.h"

#include <pthread.h>
#include <signal.h>

#include <exception>

namespace qel {
namespace {

struct ThreadStart {
    const std::function<int()>* body;
    sigset_t signalMask;  // the caller's, for the thread to run with
    int result = 0;
    std::exception_ptr failure;
};

void* runBody(void* argument) {
    auto* start = static_cast<ThreadStart*>(argument);
    pthread_sigmask(SIG_SETMASK, &start->signalMask, nullptr);
    try {
        start->result = (*start->body)();
    } catch (...) {
        // Handed to the waiting thread, where it would have surfaced anyway.
        start->failure = std::current_exception();
    }
    return nullptr;
}

}  // namespace

int runOnScriptStack(const std::function<int()>& body) {
    ThreadStart start{&body, {}, 0, nullptr};
    // The waiting thread blocks every signal it can, so that a signal meant
    // for the process reaches the thread that runs the script; the new thread
    // starts with everything blocked and restores the caller's mask itself.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &start.signalMask);

    pthread_attr_t attributes;
    pthread_t thread;
    bool started = pthread_attr_init(&attributes) == 0;
    if (started) {
        started = pthread_attr_setstacksize(&attributes, kScriptStackBytes) == 0 &&
                  pthread_create(&thread, &attributes, runBody, &start) == 0;
        pthread_attr_destroy(&attributes);
    }
    if (started) pthread_join(thread, nullptr);
    pthread_sigmask(SIG_SETMASK, &start.signalMask, nullptr);
    if (!started) return body();
    if (start.failure) std::rethrow_exception(start.failure);
    return start.result;
}

}  // namespace qel
