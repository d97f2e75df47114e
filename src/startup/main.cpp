#include <signal.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "startup/desktop_loader.h"
#include "startup/launch.h"
#include "startup/script_thread.h"

namespace {
// Ctrl+C asks the running script to stop at its next statement.
volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }
}  // namespace

int main(int argc, char** argv) {
    // Without SA_RESTART, so that Ctrl+C also ends a read of an answer from
    // the terminal instead of waiting for the line to be finished.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    std::vector<std::string> args(argv + 1, argv + argc);
    qel::DesktopHostFactory desktop;
#ifdef QEL_DESKTOP_MODULE
    desktop = [](std::string& why) { return qel::loadDesktopHost(QEL_DESKTOP_MODULE, why); };
#endif
    return qel::runOnScriptStack([&] {
        return qel::runMain(args, std::cout, std::cerr, std::cin,
                            reinterpret_cast<const volatile int*>(&interrupted), desktop);
    });
}
