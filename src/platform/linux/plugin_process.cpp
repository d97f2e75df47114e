// Process plug-ins: a program that speaks the plug-in operations as JSON
// lines over its standard input and output (docs/plugins.md). It runs in a
// process of its own, so that whatever it does — crash, hang, print
// nonsense — ends as a plug-in error and never takes the interpreter down.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/linux/json_lines.h"
#include "platform/linux/plugin_host.h"

extern char** environ;

namespace qel {

namespace {

// A reply longer than this is not a reply.
constexpr std::size_t kMaxLine = 16u << 20;
// How long a plug-in is given to end by itself once its input is closed.
constexpr int kEndGraceMs = 200;

double nowMs() {
    using namespace std::chrono;
    return double(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count()) /
           1000.0;
}

// The running program and the one socket that is its standard input and
// output. Every fault marks it dead: later calls fail at once.
class PluginProcess {
  public:
    PluginProcess(pid_t pid, int fd, ProcessPluginLimits limits)
        : pid_(pid), fd_(fd), limits_(limits) {}
    ~PluginProcess() { end(); }
    PluginProcess(const PluginProcess&) = delete;
    PluginProcess& operator=(const PluginProcess&) = delete;

    bool dead() const { return fd_ < 0; }
    const std::string& why() const { return why_; }

    // Sends one request (its "id" added) and waits for the reply with the
    // same id. Nothing, with why() saying what went wrong, on any fault.
    std::optional<json::Value> call(const std::string& fields, int timeoutMs) {
        if (dead()) return std::nullopt;
        const long long id = ++lastId_;
        std::string line =
            "{\"id\":" + std::to_string(id) + (fields.empty() ? "" : ",") + fields + "}\n";
        if (!sendAll(line)) return fail("the plug-in program stopped reading");
        const double deadline = nowMs() + timeoutMs;
        for (;;) {
            std::string reply;
            if (!readLine(reply, deadline)) return std::nullopt;
            auto value = json::Parse(reply);
            if (!value || value->kind != json::Value::Kind::Object)
                return fail("the plug-in program answered something that is not JSON: " +
                            reply.substr(0, 80));
            const json::Value* got = value->member("id");
            // A reply to an earlier request that timed out is skipped.
            if (got && got->kind == json::Value::Kind::Number && got->number < double(id)) continue;
            if (!got || got->kind != json::Value::Kind::Number || got->number != double(id))
                return fail("the plug-in program answered out of turn");
            return value;
        }
    }

    int callMs() const { return limits_.callMs; }

  private:
    std::nullopt_t fail(const std::string& why) {
        why_ = why;
        end();
        return std::nullopt;
    }

    bool sendAll(const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            ssize_t n = send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            sent += std::size_t(n);
        }
        return true;
    }

    bool readLine(std::string& line, double deadline) {
        for (;;) {
            if (std::size_t nl = buffer_.find('\n'); nl != std::string::npos) {
                line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return true;
            }
            if (buffer_.size() > kMaxLine) {
                fail("the plug-in program's reply is too long");
                return false;
            }
            const double left = deadline - nowMs();
            if (left <= 0) {
                fail("the plug-in program did not answer in time");
                return false;
            }
            pollfd p{fd_, POLLIN, 0};
            int ready = poll(&p, 1, int(left) + 1);
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) continue;
            char chunk[65536];
            ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                fail("the plug-in program ended");
                return false;
            }
            buffer_.append(chunk, std::size_t(n));
        }
    }

    void end() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
        if (pid_ <= 0) return;
        // Closing its input asks it to end; one that does not is killed.
        const double deadline = nowMs() + kEndGraceMs;
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (nowMs() >= deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            timespec pause{0, 5 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
        pid_ = -1;
    }

    pid_t pid_;
    int fd_;
    ProcessPluginLimits limits_;
    long long lastId_ = 0;
    std::string buffer_;
    std::string why_;
};

PluginAnswer answerOf(const std::optional<json::Value>& reply, const PluginProcess& process) {
    if (!reply) return {PluginStatus::Failed, text::fromUtf8(process.why())};
    const std::string status = reply->text("status");
    PluginAnswer answer;
    answer.text = text::fromUtf8(reply->text("text"));
    if (status == "handled") {
        answer.status = PluginStatus::Handled;
    } else if (status == "not_handled") {
        answer.status = PluginStatus::NotHandled;
    } else {
        answer.status = PluginStatus::Failed;
        if (status != "failed") answer.text = u"the plug-in program gave no status";
    }
    return answer;
}

std::string field(const char* name, TextView value) {
    return std::string(",\"") + name + "\":" + json::Quote(text::toUtf8(value));
}

class ProcessPluginObject : public PluginObject {
  public:
    ProcessPluginObject(std::shared_ptr<PluginProcess> process, long long object)
        : process_(std::move(process)), object_(object) {}
    ~ProcessPluginObject() override {
        if (!process_->dead()) process_->call(head("destroy"), process_->callMs());
    }
    ProcessPluginObject(const ProcessPluginObject&) = delete;
    ProcessPluginObject& operator=(const ProcessPluginObject&) = delete;

    PluginAnswer runCmd(TextView verb, TextView argument) override {
        return ask(head("run_cmd") + field("verb", verb) + field("argument", argument));
    }
    PluginAnswer runFunc(TextView name, TextView arguments) override {
        return ask(head("run_func") + field("name", name) + field("arguments", arguments));
    }
    PluginAnswer getData(TextView name) override {
        return ask(head("get_data") + field("name", name));
    }
    PluginAnswer setData(TextView name, TextView value) override {
        return ask(head("set_data") + field("name", name) + field("value", value));
    }
    PluginAnswer makeControl(const char*, void*, int width, int height) override {
        // A process has no way into our widgets: it gets the size only.
        return ask(head("make_control") + ",\"toolkit\":\"none\",\"width\":" +
                   std::to_string(width) + ",\"height\":" + std::to_string(height));
    }

  private:
    std::string head(const char* op) const {
        return std::string("\"op\":\"") + op + "\",\"object\":" + std::to_string(object_);
    }
    PluginAnswer ask(const std::string& fields) {
        return answerOf(process_->call(fields, process_->callMs()), *process_);
    }

    std::shared_ptr<PluginProcess> process_;
    long long object_;
};

class ProcessPluginModule : public PluginModule {
  public:
    ProcessPluginModule(std::shared_ptr<PluginProcess> process,
                        std::vector<PluginClassInfo> classes)
        : process_(std::move(process)), classes_(std::move(classes)) {}
    const std::vector<PluginClassInfo>& classes() const override { return classes_; }
    bool usable() const override { return !process_->dead(); }
    std::unique_ptr<PluginObject> create(TextView className, PluginResult& result) override {
        auto reply =
            process_->call("\"op\":\"create\"" + field("class", className), process_->callMs());
        const json::Value* object = reply ? reply->member("object") : nullptr;
        if (!reply || reply->text("status") != "handled" || !object ||
            object->kind != json::Value::Kind::Number) {
            result = {PluginFault::Unavailable, reply ? reply->text("text") : process_->why()};
            return nullptr;
        }
        return std::make_unique<ProcessPluginObject>(process_, (long long)object->number);
    }

  private:
    std::shared_ptr<PluginProcess> process_;
    std::vector<PluginClassInfo> classes_;
};

pid_t spawnWithSocket(const std::string& path, int childFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childFd, 0);
    posix_spawn_file_actions_adddup2(&actions, childFd, 1);
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = -1;
    int failed = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

}  // namespace

std::shared_ptr<PluginModule> StartProcessPlugin(const std::string& path,
                                                 const ProcessPluginLimits& limits,
                                                 PluginResult& result) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        result = {PluginFault::NotFound, "no socket for the plug-in program"};
        return nullptr;
    }
    // The child's end loses close-on-exec only in the child, through dup2.
    pid_t pid = spawnWithSocket(path, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        result = {PluginFault::NotFound, path};
        return nullptr;
    }
    auto process = std::make_shared<PluginProcess>(pid, fds[0], limits);
    auto reply = process->call("\"op\":\"classes\",\"abi\":1", limits.startMs);
    const json::Value* list = reply ? reply->member("classes") : nullptr;
    if (!list || list->kind != json::Value::Kind::Array) {
        result = {PluginFault::NotAPlugin, reply ? "no list of classes" : process->why()};
        return nullptr;
    }
    std::vector<PluginClassInfo> classes;
    for (const json::Value& c : list->array) {
        if (c.kind != json::Value::Kind::Object || c.text("name").empty()) continue;
        classes.push_back({text::fromUtf8(c.text("name")), text::fromUtf8(c.text("kind"))});
    }
    return std::make_shared<ProcessPluginModule>(process, std::move(classes));
}

}  // namespace qel
