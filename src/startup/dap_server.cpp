#include "startup/dap_server.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <istream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "engine/qel.h"
#include "lsp/json_rpc.h"
#include "platform/ports/ui_host.h"
#include "startup/embedded_platform.h"
#include "startup/launch.h"
#include "startup/line_sink.h"
#include "startup/script_thread.h"
#include "text/text.h"

namespace qel {

using lsp::Json;

namespace {

// Reads of a message that never fail: a missing member, or one of another
// type, reads as null, "", 0, false or an empty array, as the protocol's
// optional fields are meant.
const Json& member(const Json& value, std::string_view name) {
    static const Json none;
    if (!value.is_object()) return none;
    auto it = value.find(name);
    return it == value.end() ? none : *it;
}
std::string str(const Json& value) {
    return value.is_string() ? value.get<std::string>() : std::string();
}
double number(const Json& value) {
    return value.is_number() ? value.get<double>() : 0.0;
}
bool boolean(const Json& value) {
    return value.is_boolean() && value.get<bool>();
}
const Json& array(const Json& value) {
    static const Json empty = Json::array();
    return value.is_array() ? value : empty;
}

}  // namespace

namespace {

constexpr int kThreadId = 1;
constexpr int kLocalsReference = 1;
constexpr int kGlobalsReference = 2;

std::string utf8(TextView text) {
    return text::toUtf8(text);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string normalPath(const std::string& path) {
    std::error_code ec;
    auto full = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return ec ? path : full.string();
}

// How many lines a program file has (its statements are its lines).
std::size_t countLines(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return 0;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return splitLines(bytes).size();
}

enum class Resume { None, Continue, StepOver, StepIn, StepOut, Stop };

class DebugSession final : public HostEvents {
  public:
    explicit DebugSession(const std::function<void(const std::string&)>& write)
        : write_(write),
          outSink_([this](const std::string& text) { sendOutput("stdout", text); }),
          errSink_([this](const std::string& text) { sendOutput("stderr", text); }),
          out_(&outSink_),
          err_(&errSink_) {}

    ~DebugSession() override { stopScript(); }

    // Returns whether the session goes on.
    bool handle(const std::string& body) {
        if (lsp::NestedDeeperThan(body, lsp::kMaxJsonDepth)) {
            sendProtocolError("JSON nested too deeply (more than " +
                              std::to_string(lsp::kMaxJsonDepth) + " levels)");
            return true;
        }
        const Json message = Json::parse(body, nullptr, false);
        if (message.is_discarded() || !message.is_object()) {
            sendProtocolError(message.is_discarded() ? "invalid JSON"
                                                     : "a message must be a JSON object");
            return true;
        }
        const Json& request = message;
        if (str(member(request, "type")) != "request" || str(member(request, "command")).empty()) {
            sendProtocolError("not a request (\"type\": \"request\" with a \"command\")");
            return true;
        }
        return dispatch(request);
    }

    void sendProtocolError(const std::string& why) {
        send(Json{{"type", "response"},
                  {"request_seq", 0},
                  {"success", false},
                  {"command", ""},
                  {"message", why}});
    }

    void endOfInput() { stopScript(); }

  private:
    // ---- messages ------------------------------------------------------------
    void send(Json message) {
        std::lock_guard<std::mutex> lock(writeMutex_);
        message["seq"] = ++seq_;
        std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
        write_("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    void respond(const Json& request, Json body = Json::object()) {
        send(Json{{"type", "response"},
                  {"request_seq", number(member(request, "seq"))},
                  {"success", true},
                  {"command", str(member(request, "command"))},
                  {"body", std::move(body)}});
    }
    void fail(const Json& request, const std::string& why) {
        send(Json{{"type", "response"},
                  {"request_seq", number(member(request, "seq"))},
                  {"success", false},
                  {"command", str(member(request, "command"))},
                  {"message", why},
                  {"body", Json{{"error", Json{{"id", 1}, {"format", why}}}}}});
    }
    void event(const std::string& name, Json body = Json::object()) {
        send(Json{{"type", "event"}, {"event", name}, {"body", std::move(body)}});
    }
    void sendOutput(const std::string& category, const std::string& text) {
        event("output", Json{{"category", category}, {"output", text}});
    }

    bool dispatch(const Json& request) {
        const std::string command = str(member(request, "command"));
        const Json& args = member(request, "arguments");
        if (command == "initialize") {
            respond(request, Json{{"supportsConfigurationDoneRequest", true},
                                  {"supportsEvaluateForHovers", true},
                                  {"supportsExceptionInfoRequest", true},
                                  {"supportsTerminateRequest", true}});
            event("initialized");
        } else if (command == "launch") {
            launch(request, args);
        } else if (command == "setBreakpoints") {
            setBreakpoints(request, args);
        } else if (command == "setExceptionBreakpoints") {
            respond(request, Json{{"breakpoints", Json::array()}});
        } else if (command == "configurationDone") {
            configured_ = true;
            respond(request);
            startIfReady();
        } else if (command == "threads") {
            respond(request,
                    Json{{"threads", Json::array({Json{{"id", kThreadId}, {"name", "メイン"}}})}});
        } else if (command == "stackTrace") {
            stackTrace(request);
        } else if (command == "scopes") {
            respond(request,
                    Json{{"scopes", Json::array({Json{{"name", "手順内の変数"},
                                                      {"variablesReference", kLocalsReference},
                                                      {"expensive", false}},
                                                 Json{{"name", "全体の変数"},
                                                      {"variablesReference", kGlobalsReference},
                                                      {"expensive", false}}})}});
        } else if (command == "variables") {
            variables(request, int(number(member(args, "variablesReference"))));
        } else if (command == "continue") {
            resume(request, Resume::Continue);
        } else if (command == "next") {
            resume(request, Resume::StepOver);
        } else if (command == "stepIn") {
            resume(request, Resume::StepIn);
        } else if (command == "stepOut") {
            resume(request, Resume::StepOut);
        } else if (command == "pause") {
            if (running_.load() && engine_ && !isPaused()) engine_->RequestPause();
            respond(request);
        } else if (command == "evaluate") {
            evaluate(request, args);
        } else if (command == "exceptionInfo") {
            exceptionInfo(request);
        } else if (command == "terminate") {
            stopScript();
            respond(request);
        } else if (command == "disconnect") {
            stopScript();
            respond(request);
            return false;
        } else {
            fail(request, "unknown command: " + command);
        }
        return true;
    }

    // ---- launching -----------------------------------------------------------
    void launch(const Json& request, const Json& args) {
        if (launched_) {
            fail(request, "the program was already launched");
            return;
        }
        std::string program = str(member(args, "program"));
        if (program.empty()) {
            fail(request, "launch needs \"program\", the path of the script to debug");
            return;
        }
        std::string cwd = str(member(args, "cwd"));
        std::error_code ec;
        if (!cwd.empty()) {
            std::filesystem::current_path(cwd, ec);
            if (ec) {
                fail(request, "cannot change to the folder " + cwd + ": " + ec.message());
                return;
            }
        }
        programPath_ = normalPath(program);
        std::ifstream probe(programPath_, std::ios::binary);
        if (!probe) {
            fail(request, "cannot read the script file " + program);
            return;
        }
        std::vector<std::string> scriptArgs;
        for (const Json& a : array(member(args, "args"))) scriptArgs.push_back(str(a));
        commandLine_ = JoinScriptArguments(scriptArgs);
        stopOnEntry_ = boolean(member(args, "stopOnEntry"));
        launched_ = true;
        respond(request);
        startIfReady();
    }

    void startIfReady() {
        if (!launched_ || !configured_ || started_) return;
        started_ = true;
        EmbeddedPlatform made = MakeEmbeddedPlatform(out_, err_, noAnswers_);
        made.console->watchInterrupt(&stopFlag_);
        engine_ = std::make_unique<Qel>(std::move(made.platform));
        engine_->setHost(this);
        engine_->engine().interruptFlag = &stopFlag_;
        // An editor is attached: 報告 and errors come to us, not to boxes.
        engine_->SetDebugObj(true);
        engine_->GetSetInfo(u"高度エラーメッセージ", u"True");
        engine_->SetStopLine(stopLinesFor(programPath_));
        for (const auto& [path, lines] : breakpoints_) {
            (void)lines;
            engine_->SetFileStopLines(text::fromUtf8(path), stopLinesFor(path));
        }
        if (stopOnEntry_) {
            entryPending_ = true;
            engine_->StepOver();
        }
        running_.store(true);
        script_ = std::thread([this] { runScript(); });
    }

    void runScript() {
        runOnScriptStack([this] {
            engine_->GetSetInfo(u"コマンドライン", text::fromUtf8(commandLine_));
            engine_->RunFile(text::fromUtf8(programPath_), false);
            return 0;
        });
        out_.flush();
        err_.flush();
        const int exitCode = engine_->GetStatus() == int(EngineStatus::Stopping) ? 1 : 0;
        running_.store(false);
        event("exited", Json{{"exitCode", exitCode}});
        event("terminated");
    }

    void stopScript() {
        if (!script_.joinable()) return;
        stopFlag_ = 15;
        resumeWith(Resume::Stop);
        script_.join();
    }

    // ---- breakpoints -----------------------------------------------------------
    std::vector<bool> stopLinesFor(const std::string& path) {
        std::vector<bool> lines;
        auto it = breakpoints_.find(path);
        if (it == breakpoints_.end()) return lines;
        for (int line : it->second) {
            if (line < 1) continue;
            if (lines.size() < std::size_t(line)) lines.resize(std::size_t(line));
            lines[std::size_t(line) - 1] = true;
        }
        return lines;
    }

    void setBreakpoints(const Json& request, const Json& args) {
        std::string path = str(member(member(args, "source"), "path"));
        if (path.empty()) {
            fail(request, "setBreakpoints needs source.path");
            return;
        }
        path = normalPath(path);
        std::vector<int> lines;
        for (const Json& b : array(member(args, "breakpoints")))
            lines.push_back(int(number(member(b, "line"))));
        if (member(args, "breakpoints").is_null())
            for (const Json& l : array(member(args, "lines"))) lines.push_back(int(number(l)));
        breakpoints_[path] = lines;
        std::error_code ec;
        const bool exists = std::filesystem::is_regular_file(path, ec);
        const std::size_t lineCount = exists ? countLines(path) : 0;
        Json answered = Json::array();
        for (int line : lines) {
            const bool onProgram = line >= 1 && std::size_t(line) <= lineCount;
            Json b{{"verified", onProgram}, {"line", line}};
            if (!exists) {
                b["message"] = "there is no script file " + path;
            } else if (!onProgram) {
                b["message"] = "the program has no line " + std::to_string(line);
            }
            answered.push_back(std::move(b));
        }
        if (engine_) {
            // A file the program runs (実行, 参照) halts on its own lines; the
            // program itself may run its own file so too.
            if (path == programPath_) engine_->RequestStopLines(stopLinesFor(path));
            engine_->RequestFileStopLines(text::fromUtf8(path), stopLinesFor(path));
        }
        respond(request, Json{{"breakpoints", std::move(answered)}});
    }

    // ---- standing paused -----------------------------------------------------------
    // On the script's thread: stands paused (before the client hears of it,
    // so that its first look-up finds the script paused), tells the client
    // why, and waits for its word, meanwhile doing the look-ups it asks for.
    Resume haltAndWait(Json stoppedBody) {
        std::unique_lock<std::mutex> lock(pauseMutex_);
        paused_ = true;
        resume_ = stopFlag_ != 0 ? Resume::Stop : Resume::None;
        lock.unlock();
        stoppedBody["threadId"] = kThreadId;
        stoppedBody["allThreadsStopped"] = true;
        event("stopped", std::move(stoppedBody));
        lock.lock();
        while (resume_ == Resume::None) {
            pauseChanged_.wait(lock, [this] { return resume_ != Resume::None || !work_.empty(); });
            while (!work_.empty()) {
                auto job = std::move(work_.front());
                work_.pop_front();
                lock.unlock();
                job();
                lock.lock();
            }
        }
        paused_ = false;
        return resume_;
    }

    bool isPaused() {
        std::lock_guard<std::mutex> lock(pauseMutex_);
        return paused_;
    }

    bool resumeWith(Resume how) {
        std::lock_guard<std::mutex> lock(pauseMutex_);
        if (!paused_) return false;
        resume_ = how;
        // From now on the script counts as running (a pause asked for next
        // is a new one), whenever its thread wakes.
        paused_ = false;
        pauseChanged_.notify_all();
        return true;
    }

    // From the protocol's thread: runs `job` on the script's thread while it
    // stands paused; false when it is not paused.
    bool whilePaused(const std::function<void()>& job) {
        std::unique_lock<std::mutex> lock(pauseMutex_);
        if (!paused_) return false;
        bool done = false;
        work_.push_back([&] {
            evaluating_ = true;
            job();
            evaluating_ = false;
            std::lock_guard<std::mutex> doneLock(pauseMutex_);
            done = true;
            pauseChanged_.notify_all();
        });
        pauseChanged_.notify_all();
        pauseChanged_.wait(lock, [&] { return done; });
        return true;
    }

    // The answer goes out before the script moves on, so that the client
    // hears it before the next stop. Only this thread resumes the script.
    void resume(const Json& request, Resume how) {
        if (!isPaused()) {
            fail(request, "the script is not paused");
            return;
        }
        if (how == Resume::Continue) {
            respond(request, Json{{"allThreadsContinued", true}});
        } else {
            respond(request);
        }
        resumeWith(how);
    }

    // The running statement, then every statement that called a procedure
    // or ran a file on the way to it. A frame of a text run by 日本語処理
    // has no file to show.
    void stackTrace(const Json& request) {
        std::vector<Qel::StackFrame> stack;
        const bool ok = whilePaused([&] {
            stack = engine_->CallStack();
            if (stoppedOnError_ && !stack.empty()) stack.front().line = engine_->GetErrLine();
        });
        if (!ok) {
            fail(request, "the script is not paused");
            return;
        }
        Json frames = Json::array();
        int id = 0;
        for (const Qel::StackFrame& at : stack) {
            Json frame{{"id", ++id}, {"name", utf8(at.name)}, {"line", at.line}, {"column", 1}};
            if (!at.filePath.empty()) {
                const std::string path = normalPath(utf8(at.filePath));
                frame["source"] =
                    Json{{"name", std::filesystem::path(path).filename().string()}, {"path", path}};
            } else {
                frame["presentationHint"] = "label";
            }
            frames.push_back(std::move(frame));
        }
        // Clients may ask for a window of the frames.
        const auto start =
            std::size_t(std::max(0.0, number(member(member(request, "arguments"), "startFrame"))));
        const auto levels =
            std::size_t(std::max(0.0, number(member(member(request, "arguments"), "levels"))));
        const std::size_t total = frames.size();
        Json window = Json::array();
        for (std::size_t i = start; i < total && (levels == 0 || i < start + levels); ++i)
            window.push_back(frames[i]);
        respond(request, Json{{"stackFrames", std::move(window)}, {"totalFrames", total}});
    }

    void variables(const Json& request, int reference) {
        Json list = Json::array();
        const bool ok = whilePaused([&] {
            const std::string names = utf8(engine_->GetForEditor(3));
            for (const std::string& line : splitLines(names)) {
                const std::size_t tab = line.find('\t');
                const bool local = tab != std::string::npos;
                if (local != (reference == kLocalsReference) || line.empty()) continue;
                const std::string name = line.substr(0, tab);
                list.push_back(Json{{"name", name},
                                    {"value", utf8(engine_->GetFunc(text::fromUtf8(name)))},
                                    {"variablesReference", 0}});
            }
        });
        if (!ok) {
            fail(request, "the script is not paused");
            return;
        }
        respond(request, Json{{"variables", std::move(list)}});
    }

    // The debug console evaluates what it is given; a line that begins with
    // ":" (or "：") is run as a statement instead.
    void evaluate(const Json& request, const Json& args) {
        std::string expression = str(member(args, "expression"));
        bool statement = false;
        for (std::string prefix : {":", "："}) {
            if (expression.rfind(prefix, 0) == 0) {
                statement = true;
                expression.erase(0, prefix.size());
            }
        }
        std::string result;
        std::string problem;
        const bool ok = whilePaused([&] {
            evaluationError_.clear();
            if (statement) {
                engine_->RunComnd(text::fromUtf8(expression));
            } else {
                result = utf8(engine_->GetFunc(text::fromUtf8(expression)));
            }
            problem = evaluationError_;
        });
        if (!ok) {
            fail(request, "the script is not paused: evaluate while it stands at a breakpoint");
        } else if (!problem.empty()) {
            fail(request, problem);
        } else {
            respond(request, Json{{"result", result}, {"variablesReference", 0}});
        }
    }

    void exceptionInfo(const Json& request) {
        std::string message;
        {
            std::lock_guard<std::mutex> lock(pauseMutex_);
            message = lastError_;
        }
        if (message.empty()) {
            fail(request, "the script did not stop on an error");
            return;
        }
        respond(request,
                Json{{"exceptionId", "エラー"}, {"description", message}, {"breakMode", "always"}});
    }

    // ---- host events (on the script's thread) -----------------------------------------
    void hostCommand(TextView verb, TextView noun, bool& notFound) override {
        if (verb == u"中断") {
            haltForPause(noun);
        } else if (verb == u"エラー") {
            haltForError(utf8(noun));
        } else if (verb == u"報告") {
            sendOutput("console", utf8(noun) + "\n");
        } else {
            notFound = true;
        }
    }

    void hostItemRequest(TextView item, Text& result) override {
        // The button that answers the error box the editor stands in for.
        if (item == u"エラー") result = errorAnswer_ == kCancel ? u"2" : u"1";
    }

    void haltForPause(TextView noun) {
        // What the console asked for runs while the script stands paused:
        // a stop line inside it (a procedure it calls) does not halt again.
        if (evaluating_) {
            engine_->DoPause();
            return;
        }
        std::string reason = "pause";
        if (noun == Qel::kStopLineReason) reason = "breakpoint";
        if (noun == Qel::kStepReason) reason = entryPending_ ? "entry" : "step";
        entryPending_ = false;
        const Resume how = haltAndWait(Json{{"reason", reason}});
        engine_->DoPause();  // stands running again
        startStep(how);
        if (how == Resume::Stop) engine_->DoStop();
    }

    void haltForError(const std::string& message) {
        if (evaluating_) {
            // An error inside what the console asked for is its answer.
            evaluationError_ = message;
            errorAnswer_ = kOk;
            return;
        }
        {
            std::lock_guard<std::mutex> lock(pauseMutex_);
            lastError_ = message;
        }
        stoppedOnError_ = true;
        // The error is where the user's step ended; continuing from here
        // must not halt later for it.
        engine_->EndStep();
        const Resume how =
            haltAndWait(Json{{"reason", "exception"}, {"description", message}, {"text", message}});
        stoppedOnError_ = false;
        errorAnswer_ = how == Resume::Stop ? kCancel : kOk;
        startStep(how);
    }

    void startStep(Resume how) {
        if (how == Resume::StepOver) engine_->StepOver();
        if (how == Resume::StepIn) engine_->StepIn();
        if (how == Resume::StepOut) engine_->StepOut();
    }

    std::function<void(const std::string&)> write_;
    std::mutex writeMutex_;
    long long seq_ = 0;

    LineSink outSink_;
    LineSink errSink_;
    std::ostream out_;
    std::ostream err_;
    std::istringstream noAnswers_;  // boxes that ask are cancelled
    std::unique_ptr<Qel> engine_;
    volatile int stopFlag_ = 0;
    std::thread script_;
    std::atomic<bool> running_{false};

    bool launched_ = false;
    bool configured_ = false;
    bool started_ = false;
    bool stopOnEntry_ = false;
    std::string programPath_;
    std::string commandLine_;
    std::map<std::string, std::vector<int>> breakpoints_;

    std::mutex pauseMutex_;
    std::condition_variable pauseChanged_;
    bool paused_ = false;
    Resume resume_ = Resume::None;
    std::deque<std::function<void()>> work_;
    std::string lastError_;

    // The script's thread only.
    bool entryPending_ = false;
    bool stoppedOnError_ = false;
    bool evaluating_ = false;
    std::string evaluationError_;
    int errorAnswer_ = kOk;
};

}  // namespace

int RunDebugAdapter(std::istream& in, const std::function<void(const std::string&)>& write) {
    DebugSession session(write);
    for (;;) {
        lsp::Frame frame = lsp::ReadFrame(in);
        switch (frame.kind) {
            case lsp::Frame::Kind::Body:
                if (!session.handle(frame.body)) return 0;
                continue;
            case lsp::Frame::Kind::BadHeader:
                session.sendProtocolError(frame.problem);
                continue;
            case lsp::Frame::Kind::TooLarge:
                // Its body is not read, so what follows cannot be told
                // apart from it: the session ends, as at the end of input.
            case lsp::Frame::Kind::CutShort:
                session.sendProtocolError(frame.problem);
                break;
            case lsp::Frame::Kind::End:
                break;
        }
        session.endOfInput();
        return 1;
    }
}

int RunDebugAdapterOnStdio() {
    // The protocol keeps standard output to itself: anything else that
    // writes there (a library, a stray print) goes to standard error.
    const int protocolFd = dup(STDOUT_FILENO);
    if (protocolFd < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::cerr << "qelscript: cannot set up standard output for the debugger\n";
        return 2;
    }
    // A client that goes away ends the session through the end of input,
    // not through a signal at the next write.
    signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    const int status = RunDebugAdapter(std::cin, [protocolFd](const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(protocolFd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            done += std::size_t(n);
        }
    });
    close(protocolFd);
    return status;
}

}  // namespace qel
