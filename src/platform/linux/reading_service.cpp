#include "platform/linux/reading_service.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace qel {

namespace {

// Closes a descriptor once.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

// Writing into a pipe whose reader has gone raises SIGPIPE, which would end
// the whole runtime; it is held back while the child runs and a pending one
// is taken away afterwards.
class HoldSigpipe {
  public:
    HoldSigpipe() {
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &block, &old_);
    }
    ~HoldSigpipe() {
        sigset_t pending;
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE)) {
            sigset_t only;
            sigemptyset(&only);
            sigaddset(&only, SIGPIPE);
            timespec zero{0, 0};
            sigtimedwait(&only, nullptr, &zero);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    HoldSigpipe(const HoldSigpipe&) = delete;
    HoldSigpipe& operator=(const HoldSigpipe&) = delete;

  private:
    sigset_t old_;
};

}  // namespace

bool runFilter(const std::vector<std::string>& argv, const std::string& input, std::string& output,
               int timeoutMs) {
    output.clear();
    if (argv.empty()) return false;
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0) return false;
    Fd childIn(toChild[0]), parentOut(toChild[1]);
    if (::pipe2(fromChild, O_CLOEXEC) != 0) return false;
    Fd parentIn(fromChild[0]), childOut(fromChild[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childIn.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, childOut.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    HoldSigpipe hold;
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    childIn.reset();
    childOut.reset();
    if (rc != 0) return false;

    ::fcntl(parentOut.get(), F_SETFL, ::fcntl(parentOut.get(), F_GETFL) | O_NONBLOCK);
    std::size_t written = 0;
    if (input.empty()) parentOut.reset();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    bool failed = false;
    char buffer[4096];
    for (;;) {
        pollfd fds[2];
        int n = 0;
        fds[n++] = {parentIn.get(), POLLIN, 0};
        if (parentOut.get() >= 0) fds[n++] = {parentOut.get(), POLLOUT, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        int ready = ::poll(fds, nfds_t(n), int(left.count()));
        if (ready < 0) {
            if (errno == EINTR) continue;
            failed = true;
            break;
        }
        if (ready == 0) continue;
        if (n == 2 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t w = ::write(parentOut.get(), input.data() + written, input.size() - written);
            if (w > 0) written += std::size_t(w);
            if (w < 0 && errno != EAGAIN && errno != EINTR) {
                failed = true;
                parentOut.reset();
            } else if (written == input.size()) {
                parentOut.reset();  // end of input for the child
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t r = ::read(parentIn.get(), buffer, sizeof buffer);
            if (r > 0) {
                output.append(buffer, std::size_t(r));
                // A reply far larger than any reading of the input is a fault.
                if (output.size() > input.size() * 8 + 4096) {
                    failed = true;
                    break;
                }
            } else if (r == 0) {
                break;
            } else if (errno != EINTR && errno != EAGAIN) {
                failed = true;
                break;
            }
        }
    }
    parentOut.reset();
    parentIn.reset();
    if (timedOut || failed) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut || failed) return false;
    // A child that ended before taking all of its input did not answer it.
    if (written < input.size()) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ProcessReadingService::ProcessReadingService()
    : ProcessReadingService(
          {{{"mecab", "-Oyomi"}}, {{"kakasi", "-JH", "-KH", "-i", "utf8", "-o", "utf8"}}}) {}

ProcessReadingService::ProcessReadingService(std::vector<Program> programs, int timeoutMs)
    : programs_(std::move(programs)), timeoutMs_(timeoutMs) {}

std::optional<std::vector<Text>> ProcessReadingService::readings(const std::vector<Text>& phrases) {
    std::string input;
    for (const Text& phrase : phrases) {
        input += text::toUtf8(phrase);
        input += '\n';
    }
    for (const Program& program : programs_) {
        std::string output;
        if (!runFilter(program.argv, input, output, timeoutMs_)) continue;
        std::vector<Text> lines;
        std::size_t start = 0;
        for (std::size_t p = output.find('\n'); p != std::string::npos;
             p = output.find('\n', start)) {
            std::string line = output.substr(start, p - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(text::fromUtf8(line));
            start = p + 1;
        }
        // One line out for every line in, or the reply cannot be matched up.
        if (lines.size() == phrases.size()) return lines;
    }
    return std::nullopt;
}

}  // namespace qel
