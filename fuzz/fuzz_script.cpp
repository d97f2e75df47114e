// Runs arbitrary bytes as a script file: decoded as the runtime decodes a
// script it loads, then parsed and executed on the console host with no
// output, a virtual clock and an empty, read-only file system.
//
// Two limits keep one input from running forever without hiding real hangs:
// a statement budget (endless loops and recursion end cleanly), and a CPU
// time limit that interrupts the run between statements as Ctrl+C would.
// A single statement that takes longer than libFuzzer's -timeout is still
// reported, which is what we want to find.
#include <signal.h>
#include <sys/time.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

#include "engine/qel.h"
#include "platform/headless/console_host.h"
#include "platform/headless/seeded_random.h"
#include "text/text.h"

namespace {

constexpr std::int64_t kStatementBudget = 5000;
constexpr long kCpuLimitMs = 1000;

// A disk with nothing on it that refuses every change: fuzzed scripts must
// never read the developer's files or write anywhere. Operations added to the
// port later belong here too, doing nothing.
class EmptyFileSystem : public qel::FileSystem {
  public:
    bool readFile(const std::string&, std::string&) override { return false; }
    bool fileExists(const std::string&) override { return false; }
    bool folderExists(const std::string& path) override { return path == "/" || path == kFolder; }
    std::string currentFolder() override { return kFolder; }
    bool setCurrentFolder(const std::string&) override { return true; }
    std::string executablePath() override { return "/fuzz/qelscript"; }
    std::optional<double> modifiedTime(const std::string&) override { return std::nullopt; }

  private:
    static constexpr const char* kFolder = "/fuzz/";
};

static_assert(std::is_same_v<std::sig_atomic_t, int>, "the engine reads the flag as int");
volatile std::sig_atomic_t outOfTime = 0;

void onCpuLimit(int) {
    outOfTime = 1;
}

void setCpuTimer(long ms) {
    itimerval timer{};
    timer.it_value.tv_sec = ms / 1000;
    timer.it_value.tv_usec = (ms % 1000) * 1000;
    setitimer(ITIMER_VIRTUAL, &timer, nullptr);
}

std::ostream& discard() {
    static std::ostream sink(nullptr);  // no buffer: every write is dropped
    return sink;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    struct sigaction action {};
    action.sa_handler = onCpuLimit;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGVTALRM, &action, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qel::Text script = qel::text::normaliseLineEnds(qel::text::decodeFileBytes(bytes));

    static std::istringstream noInput;
    qel::ConsoleOptions options;
    options.virtualClock = true;
    qel::Platform platform;
    auto host = std::make_unique<qel::ConsoleHost>(options, discard(), discard(), noInput);
    // A fixed date and fixed random numbers: an input that fails fails again.
    host->useVirtualClock(platform).setWallTime(
        qel::Clock::TimePoint(std::chrono::hours(24 * 20000)));
    platform.random = std::make_unique<qel::SeededRandom>(1);
    platform.ui = std::move(host);
    platform.files = std::make_unique<EmptyFileSystem>();
    // The other ports stay empty: scripts see those services as missing, and
    // nothing outside the process is started or reached.
    qel::Qel qel(std::move(platform));
    qel::Engine& engine = qel.engine();
    engine.statementBudget = kStatementBudget;
    engine.interruptFlag = &outOfTime;
    engine.runEnvironment = qel::RunEnvironment::ScriptFile;

    outOfTime = 0;
    setCpuTimer(kCpuLimitMs);
    qel.Run(script, u"/fuzz/fuzz.qel", false);
    setCpuTimer(0);
    return 0;
}
