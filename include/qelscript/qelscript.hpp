// Qelscript engine library, C++ interface: a thin header-only layer over
// qelscript.h. Failures throw qelscript::Error (with the library's code and
// message); texts are UTF-8 std::string; the host events are the virtual
// functions of qelscript::Host, whose defaults answer "not handled".
#ifndef QELSCRIPT_QELSCRIPT_HPP
#define QELSCRIPT_QELSCRIPT_HPP

#include <qelscript/qelscript.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace qelscript {

class Error : public std::runtime_error {
  public:
    Error(qel_result code, const std::string& message) : std::runtime_error(message), code_(code) {}
    qel_result code() const noexcept { return code_; }

  private:
    qel_result code_;
};

class Host {
  public:
    virtual ~Host() = default;
    // A property read of 呼び出し元; the answer is copied by the engine.
    virtual std::string itemRequest(const std::string& item) {
        (void)item;
        return {};
    }
    // A property write of 呼び出し元; false: no such property.
    virtual bool itemUpdate(const std::string& item, const std::string& setNormal, double setNum,
                            const std::string& setPlain) {
        (void)item, (void)setNormal, (void)setNum, (void)setPlain;
        return false;
    }
    // A statement addressed to 呼び出し元, 報告, エラー, 中断; false: not handled.
    virtual bool command(const std::string& verb, const std::string& noun) {
        (void)verb, (void)noun;
        return false;
    }
    // Declared for hosts; not raised by the engine.
    virtual bool function(const std::string& name, const std::string& params) {
        (void)name, (void)params;
        return false;
    }
    // What the script shows (stream 1) and its error reports (stream 2).
    virtual void output(int stream, const std::string& text) {
        std::fputs(text.c_str(), stream == 2 ? stderr : stdout);
    }
};

using Value = std::variant<std::monostate, std::string, double, bool>;

class Engine {
  public:
    Engine() : handle_(qel_new()) {
        if (!handle_) throw Error(QEL_ERR_MEMORY, "out of memory");
    }
    ~Engine() {
        if (handle_) qel_destroy(handle_);
    }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The host must outlive the engine (or be replaced first); nullptr removes it.
    void setHost(Host* host) {
        host_ = host;
        if (!host) {
            check(qel_set_host(handle_, nullptr));
            return;
        }
        qel_host_callbacks callbacks{};
        callbacks.size = sizeof callbacks;
        callbacks.user = this;
        callbacks.item_request = &Engine::onItemRequest;
        callbacks.item_update = &Engine::onItemUpdate;
        callbacks.command = &Engine::onCommand;
        callbacks.function = &Engine::onFunction;
        callbacks.output = &Engine::onOutput;
        check(qel_set_host(handle_, &callbacks));
    }

    void doPause() { check(qel_do_pause(handle_)); }
    void doStop() { check(qel_do_stop(handle_)); }
    int getErrLine() {
        int line = 0;
        check(qel_get_err_line(handle_, &line));
        return line;
    }
    std::string getErrWord() {
        return text([&](char** out) { return qel_get_err_word(handle_, out); });
    }
    int getStatus() {
        int status = 0;
        check(qel_get_status(handle_, &status));
        return status;
    }
    std::string getFunc(const std::string& expression) {
        return text([&](char** out) { return qel_get_func(handle_, expression.c_str(), out); });
    }
    std::string getObjName(const std::string& object) {
        return text([&](char** out) { return qel_get_obj_name(handle_, object.c_str(), out); });
    }
    std::string getForEditor(int flag) {
        return text([&](char** out) { return qel_get_for_editor(handle_, flag, out); });
    }
    void run(const std::string& program, const std::string& fileName = {}, bool preserve = false) {
        check(qel_run(handle_, program.c_str(), fileName.c_str(), preserve));
    }
    void runComnd(const std::string& statement) {
        check(qel_run_comnd(handle_, statement.c_str()));
    }
    void runFile(const std::string& fileName, bool preserve = false) {
        check(qel_run_file(handle_, fileName.c_str(), preserve));
    }
    Value getSetInfo(const std::string& syurui, const std::string& naiyou = {}) {
        qel_value value{};
        check(qel_get_set_info(handle_, syurui.c_str(), naiyou.c_str(), &value));
        Value result;
        switch (value.kind) {
            case QEL_VALUE_TEXT:
                result = std::string(value.text ? value.text : "");
                break;
            case QEL_VALUE_NUMBER:
                result = value.number;
                break;
            case QEL_VALUE_BOOLEAN:
                result = value.number != 0;
                break;
            case QEL_VALUE_EMPTY:
                break;
        }
        qel_value_clear(&value);
        return result;
    }
    void setObj(void* window) { check(qel_set_obj(handle_, window)); }
    void setDebugObj(bool attached) { check(qel_set_debug_obj(handle_, attached)); }
    void setStopLine(const std::vector<bool>& lines) {
        std::vector<unsigned char> flags(lines.begin(), lines.end());
        check(qel_set_stop_line(handle_, flags.data(), flags.size()));
    }
    void errMessage(const std::string& msg, int errNum, int icon, const std::string& prg) {
        check(qel_err_message(handle_, msg.c_str(), errNum, icon, prg.c_str()));
    }
    void stepOver() { check(qel_step_over(handle_)); }
    void stepIn() { check(qel_step_in(handle_)); }
    void stepOut() { check(qel_step_out(handle_)); }
    void setFileStopLine(const std::string& path, const std::vector<bool>& lines) {
        std::vector<unsigned char> flags(lines.begin(), lines.end());
        check(qel_set_file_stop_line(handle_, path.c_str(), flags.data(), flags.size()));
    }
    // One line per frame, innermost first: name TAB line TAB file.
    std::string callStack() {
        return text([&](char** out) { return qel_call_stack(handle_, out); });
    }
    std::pair<int, int> currentLine() {
        int line = 0, level = 0;
        check(qel_current_line(handle_, &line, &level));
        return {line, level};
    }

    qel_engine* handle() { return handle_; }

  private:
    void check(qel_result code) {
        if (code != QEL_OK) throw Error(code, qel_last_error(handle_));
    }
    template <class Call>
    std::string text(Call&& call) {
        char* out = nullptr;
        check(call(&out));
        std::string result = out ? out : "";
        qel_free(out);
        return result;
    }

    // Callbacks must not throw into the engine: an exception from the host
    // ends as "not handled".
    static const char* onItemRequest(void* user, const char* item) {
        auto* self = static_cast<Engine*>(user);
        try {
            self->answer_ = self->host_ ? self->host_->itemRequest(item) : std::string();
        } catch (...) {
            self->answer_.clear();
        }
        return self->answer_.c_str();
    }
    static void onItemUpdate(void* user, const char* item, const char* setNormal, double setNum,
                             const char* setPlain, int* notFound) {
        auto* self = static_cast<Engine*>(user);
        try {
            *notFound =
                !(self->host_ && self->host_->itemUpdate(item, setNormal, setNum, setPlain));
        } catch (...) {
            *notFound = 1;
        }
    }
    static void onCommand(void* user, const char* verb, const char* noun, int* notFound) {
        auto* self = static_cast<Engine*>(user);
        try {
            *notFound = !(self->host_ && self->host_->command(verb, noun));
        } catch (...) {
            *notFound = 1;
        }
    }
    static void onFunction(void* user, const char* name, const char* params, int* notFound) {
        auto* self = static_cast<Engine*>(user);
        try {
            *notFound = !(self->host_ && self->host_->function(name, params));
        } catch (...) {
            *notFound = 1;
        }
    }
    static void onOutput(void* user, int stream, const char* text) {
        auto* self = static_cast<Engine*>(user);
        try {
            if (self->host_) self->host_->output(stream, text);
        } catch (...) {
        }
    }

    qel_engine* handle_;
    Host* host_ = nullptr;
    std::string answer_;
};

}  // namespace qelscript

#endif  // QELSCRIPT_QELSCRIPT_HPP
