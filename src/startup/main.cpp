#include <signal.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "startup/dap_server.h"
#include "startup/desktop_loader.h"
#include "startup/launch.h"
#include "startup/script_thread.h"

namespace {
// The number of the signal that asked the running script to stop at its next
// statement (Ctrl+C, a polite kill, a closed terminal), 0 while none came.
volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int signalNumber) {
    if (interrupted != 0) {
        // Asked a second time: whatever the script is stuck in, the process
        // ends now, as it would have without this handler.
        signal(signalNumber, SIG_DFL);
        raise(signalNumber);
        return;
    }
    interrupted = signalNumber;
}
}  // namespace

int main(int argc, char** argv) {
    // The debugger runs its scripts on a thread of its own (with the run's
    // stack) and stops them through the protocol; signals keep their
    // ordinary meaning for it.
    if (argc == 2 && std::string(argv[1]) == "--dap") return qel::RunDebugAdapterOnStdio();
    // Without SA_RESTART, so that the signal also ends a read of an answer
    // from the terminal instead of waiting for the line to be finished.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int stopSignal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the caller chose to ignore (nohup, a background job of a
        // shell without job control) stays ignored.
        struct sigaction before {};
        if (sigaction(stopSignal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(stopSignal, &action, nullptr);
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    qel::DesktopHostFactory desktop;
#ifdef QEL_DESKTOP_MODULE
    desktop = [](std::string& why) { return qel::loadDesktop(QEL_DESKTOP_MODULE, why); };
#endif
    return qel::runOnScriptStack([&] {
        return qel::runMain(args, std::cout, std::cerr, std::cin,
                            reinterpret_cast<const volatile int*>(&interrupted), desktop);
    });
}
