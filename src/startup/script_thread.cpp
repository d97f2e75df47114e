#include "startup/script_thread.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <exception>

namespace qel {
namespace {

struct ThreadStart {
    const std::function<int()>* body;
    sigset_t signalMask;  // the caller's, for the thread to run with
    int result = 0;
    std::exception_ptr failure;
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t finished = PTHREAD_COND_INITIALIZER;
    bool done = false;
};

// The thread that ran the script is kept (asleep) until the process ends
// instead of ending: a desktop run made its GUI application on this thread,
// and Qt's own objects that live until exit (its plug-ins) still refer to the
// thread's data, which Qt frees when the thread ends — the process then
// faulted in its exit handlers.
[[noreturn]] void parkForever() {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    for (;;) pause();
}

void* runBody(void* argument) {
    auto* start = static_cast<ThreadStart*>(argument);
    pthread_sigmask(SIG_SETMASK, &start->signalMask, nullptr);
    try {
        start->result = (*start->body)();
    } catch (...) {
        // Handed to the waiting thread, where it would have surfaced anyway.
        start->failure = std::current_exception();
    }
    pthread_mutex_lock(&start->lock);
    start->done = true;
    pthread_cond_signal(&start->finished);
    pthread_mutex_unlock(&start->lock);
    // `start` belongs to the waiting thread from here on.
    parkForever();
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
    if (started) {
        pthread_detach(thread);
        pthread_mutex_lock(&start.lock);
        while (!start.done) pthread_cond_wait(&start.finished, &start.lock);
        pthread_mutex_unlock(&start.lock);
    }
    pthread_sigmask(SIG_SETMASK, &start.signalMask, nullptr);
    if (!started) return body();
    if (start.failure) std::rethrow_exception(start.failure);
    return start.result;
}

}  // namespace qel
