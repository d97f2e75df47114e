// An engine on the console host with no output and a virtual clock, the way
// tests run scripts: what the benchmark programs measure against.
#pragma once

#include <istream>
#include <memory>
#include <ostream>
#include <sstream>

#include "engine/qel.h"
#include "platform/headless/console_host.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/system_clock.h"

namespace qel::bench {

inline std::ostream& discard() {
    static std::ostream sink(nullptr);  // no buffer: every write is dropped
    return sink;
}

inline std::unique_ptr<Qel> makeQel() {
    static std::istringstream noInput;
    ConsoleOptions options;
    options.virtualClock = true;
    Platform platform;
    auto host = std::make_unique<ConsoleHost>(options, discard(), discard(), noInput);
    host->useVirtualClock(platform, std::make_unique<SystemClock>());
    platform.ui = std::move(host);
    platform.files = std::make_unique<PosixFileSystem>();
    auto qel = std::make_unique<Qel>(std::move(platform));
    qel->engine().runEnvironment = RunEnvironment::ScriptFile;
    return qel;
}

}  // namespace qel::bench
