#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "startup/launch.h"

namespace {
// Ctrl+C asks the running script to stop at its next statement.
volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }
}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, onInterrupt);
    std::vector<std::string> args(argv + 1, argv + argc);
    return qel::runMain(args, std::cout, std::cerr, std::cin,
                        reinterpret_cast<const volatile int*>(&interrupted));
}
