// The C interface of libqelscript: a handle around one Qel, host events
// turned into callbacks, UTF-8 texts at the border, and the checks that keep
// calls in the wrong order or from the wrong thread from reaching an engine
// that cannot take them.
#include <qelscript/qelscript.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <thread>

#include "engine/qel.h"
#include "startup/embedded_platform.h"
#include "startup/line_sink.h"
#include "text/text.h"

namespace {

using qel::Text;
using qel::TextView;

Text fromC(const char* text) {
    return text ? qel::text::fromUtf8(text) : Text();
}

char* toC(TextView text) {
    std::string bytes = qel::text::toUtf8(text);
    auto* out = static_cast<char*>(std::malloc(bytes.size() + 1));
    if (!out) throw std::bad_alloc();
    std::memcpy(out, bytes.data(), bytes.size() + 1);
    return out;
}

}  // namespace

struct qel_engine final : qel::HostEvents {
    qel_engine()
        : outBuf([this](const std::string& text) { deliver(1, text); }),
          errBuf([this](const std::string& text) { deliver(2, text); }),
          out(&outBuf),
          err(&errBuf) {
        qel::EmbeddedPlatform made = qel::MakeEmbeddedPlatform(out, err, in);
        made.console->watchInterrupt(&stopFlag);
        engine = std::make_unique<qel::Qel>(std::move(made.platform));
        engine->setHost(this);
        // Another thread's qel_do_stop reaches the script through the flag
        // a terminal's interrupt would set: it also ends waits and prompts.
        engine->engine().interruptFlag = &stopFlag;
    }

    // ---- host events ---------------------------------------------------------
    void hostItemRequest(TextView item, Text& result) override {
        if (!callbacks.item_request) return;
        std::string name = qel::text::toUtf8(item);
        const char* answer = callbacks.item_request(callbacks.user, name.c_str());
        result = fromC(answer);
    }
    void hostItemUpdate(TextView item, TextView setNormal, double setNum, TextView setPlain,
                        bool& notFound) override {
        if (!callbacks.item_update) {
            notFound = true;
            return;
        }
        int missing = 0;
        callbacks.item_update(callbacks.user, qel::text::toUtf8(item).c_str(),
                              qel::text::toUtf8(setNormal).c_str(), setNum,
                              qel::text::toUtf8(setPlain).c_str(), &missing);
        notFound = missing != 0;
    }
    void hostCommand(TextView verb, TextView noun, bool& notFound) override {
        if (!callbacks.command) {
            notFound = true;
            return;
        }
        int missing = 0;
        callbacks.command(callbacks.user, qel::text::toUtf8(verb).c_str(),
                          qel::text::toUtf8(noun).c_str(), &missing);
        notFound = missing != 0;
    }
    void hostFunction(TextView name, TextView params, bool& notFound) override {
        if (!callbacks.function) {
            notFound = true;
            return;
        }
        int missing = 0;
        callbacks.function(callbacks.user, qel::text::toUtf8(name).c_str(),
                           qel::text::toUtf8(params).c_str(), &missing);
        notFound = missing != 0;
    }

    // What the script shows goes to the host, else where a console run's would.
    void deliver(int stream, const std::string& text) {
        if (callbacks.output) {
            callbacks.output(callbacks.user, stream, text.c_str());
        } else {
            (stream == 2 ? std::cerr : std::cout) << text << std::flush;
        }
    }

    bool onScriptThread() const { return runThread == std::this_thread::get_id(); }

    qel_host_callbacks callbacks{};
    qel::LineSink outBuf;
    qel::LineSink errBuf;
    std::ostream out;
    std::ostream err;
    std::istringstream in;
    std::unique_ptr<qel::Qel> engine;
    std::string lastError;
    std::atomic<bool> running{false};
    std::thread::id runThread;
    volatile int stopFlag = 0;
    std::atomic<bool> stopAsked{false};
    bool hasProgram = false;
};

namespace {

qel_result fail(qel_engine* engine, qel_result code, const char* why) {
    engine->lastError = why;
    return code;
}

// Runs one operation with the checks every operation shares: a handle, no
// call from another thread while a script runs, and no exception crossing
// into C.
template <class Body>
qel_result guarded(qel_engine* engine, Body&& body) {
    if (!engine) return QEL_ERR_ARGUMENT;
    if (engine->running.load() && !engine->onScriptThread())
        return fail(engine, QEL_ERR_BUSY,
                    "a script is running on another thread; only qel_do_pause and qel_do_stop "
                    "may be called from here");
    engine->lastError.clear();
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return fail(engine, QEL_ERR_MEMORY, "out of memory");
    } catch (const std::exception& problem) {
        engine->lastError = std::string("internal error: ") + problem.what();
        return QEL_ERR_INTERNAL;
    } catch (...) {
        return fail(engine, QEL_ERR_INTERNAL, "internal error");
    }
}

qel_result needText(qel_engine* engine, const void* pointer, const char* what) {
    if (pointer) return QEL_OK;
    return fail(engine, QEL_ERR_ARGUMENT, what);
}

// Run and RunFile: one run at a time, begun outside every callback.
template <class Body>
qel_result runScript(qel_engine* engine, Body&& body) {
    if (engine->running.load())
        return fail(engine, QEL_ERR_BUSY,
                    "a script is already running: qel_run and qel_run_file cannot be called from "
                    "inside a callback");
    engine->stopFlag = 0;
    engine->stopAsked.store(false);
    engine->runThread = std::this_thread::get_id();
    engine->running.store(true);
    struct Finish {
        qel_engine* e;
        ~Finish() {
            // A stop asked for from another thread ends with the run; left
            // set, it would stop every statement run after it.
            e->stopFlag = 0;
            e->running.store(false);
            e->runThread = {};
            e->hasProgram = true;
            e->out.flush();
            e->err.flush();
        }
    } finish{engine};
    return body();
}

}  // namespace

extern "C" {

const char* qel_version(void) {
    return QEL_VERSION;
}

void qel_free(void* text) {
    std::free(text);
}

void qel_value_clear(qel_value* value) {
    if (!value) return;
    std::free(value->text);
    *value = qel_value{};
}

qel_engine* qel_new(void) {
    try {
        return new qel_engine();
    } catch (...) {
        return nullptr;
    }
}

qel_result qel_destroy(qel_engine* engine) {
    if (!engine) return QEL_ERR_ARGUMENT;
    if (engine->running.load())
        return fail(engine, QEL_ERR_BUSY, "the engine cannot be destroyed while its script runs");
    delete engine;
    return QEL_OK;
}

const char* qel_last_error(const qel_engine* engine) {
    return engine ? engine->lastError.c_str() : "no engine (NULL handle)";
}

qel_result qel_set_host(qel_engine* engine, const qel_host_callbacks* callbacks) {
    return guarded(engine, [&] {
        qel_host_callbacks copy{};
        if (callbacks) {
            if (callbacks->size < offsetof(qel_host_callbacks, output))
                return fail(engine, QEL_ERR_ARGUMENT,
                            "qel_host_callbacks.size is not sizeof(qel_host_callbacks)");
            std::memcpy(&copy, callbacks, std::min(callbacks->size, sizeof copy));
        }
        engine->out.flush();
        engine->err.flush();
        engine->callbacks = copy;
        return QEL_OK;
    });
}

qel_result qel_do_pause(qel_engine* engine) {
    if (!engine) return QEL_ERR_ARGUMENT;
    if (engine->running.load() && !engine->onScriptThread()) {
        engine->engine->RequestPause();
        return QEL_OK;
    }
    return guarded(engine, [&] {
        engine->engine->DoPause();
        return QEL_OK;
    });
}

qel_result qel_do_stop(qel_engine* engine) {
    if (!engine) return QEL_ERR_ARGUMENT;
    if (!engine->running.load())
        return fail(engine, QEL_ERR_NOT_RUNNING, "no script is running: there is nothing to stop");
    if (engine->stopAsked.exchange(true))
        return fail(engine, QEL_ERR_STOPPING, "the script is already stopping");
    if (!engine->onScriptThread()) {
        engine->stopFlag = 15;
        return QEL_OK;
    }
    return guarded(engine, [&] {
        engine->engine->DoStop();
        return QEL_OK;
    });
}

qel_result qel_get_err_line(qel_engine* engine, int* line) {
    return guarded(engine, [&] {
        if (!line) return needText(engine, line, "no place for the line");
        *line = engine->engine->GetErrLine();
        return QEL_OK;
    });
}

qel_result qel_get_err_word(qel_engine* engine, char** word) {
    return guarded(engine, [&] {
        if (!word) return needText(engine, word, "no place for the word");
        *word = nullptr;
        *word = toC(engine->engine->GetErrWord());
        return QEL_OK;
    });
}

qel_result qel_get_status(qel_engine* engine, int* status) {
    return guarded(engine, [&] {
        if (!status) return needText(engine, status, "no place for the status");
        *status = engine->engine->GetStatus();
        return QEL_OK;
    });
}

qel_result qel_get_func(qel_engine* engine, const char* text, char** result) {
    return guarded(engine, [&] {
        if (!text || !result) return needText(engine, nullptr, "a NULL text or result");
        *result = nullptr;
        *result = toC(engine->engine->GetFunc(fromC(text)));
        return QEL_OK;
    });
}

qel_result qel_get_obj_name(qel_engine* engine, const char* object, char** name) {
    return guarded(engine, [&] {
        if (!object || !name) return needText(engine, nullptr, "a NULL object or result");
        *name = nullptr;
        *name = toC(engine->engine->GetObjName(fromC(object)));
        return QEL_OK;
    });
}

qel_result qel_get_for_editor(qel_engine* engine, int flag, char** result) {
    return guarded(engine, [&] {
        if (!result) return needText(engine, result, "no place for the result");
        *result = nullptr;
        *result = toC(engine->engine->GetForEditor(flag));
        return QEL_OK;
    });
}

qel_result qel_run(qel_engine* engine, const char* program, const char* file_name, int preserve) {
    return guarded(engine, [&] {
        if (!program) return needText(engine, program, "no program text (NULL)");
        return runScript(engine, [&] {
            engine->engine->RunOwned(fromC(program), fromC(file_name), preserve != 0);
            return QEL_OK;
        });
    });
}

qel_result qel_run_file(qel_engine* engine, const char* file_name, int preserve) {
    return guarded(engine, [&] {
        if (!file_name) return needText(engine, file_name, "no file name (NULL)");
        return runScript(engine, [&] {
            if (engine->engine->RunFile(fromC(file_name), preserve != 0)) return QEL_OK;
            return fail(engine, QEL_ERR_FILE,
                        (std::string("cannot read the script file ") + file_name).c_str());
        });
    });
}

qel_result qel_run_comnd(qel_engine* engine, const char* statement) {
    return guarded(engine, [&] {
        if (!statement) return needText(engine, statement, "no statement (NULL)");
        if (!engine->running.load() && !engine->hasProgram)
            return fail(engine, QEL_ERR_NO_PROGRAM,
                        "no program has been run yet: run one (qel_run) before single statements");
        engine->engine->RunComnd(fromC(statement));
        return QEL_OK;
    });
}

qel_result qel_get_set_info(qel_engine* engine, const char* syurui, const char* naiyou,
                            qel_value* result) {
    return guarded(engine, [&] {
        if (!syurui || !result) return needText(engine, nullptr, "a NULL keyword or result");
        *result = qel_value{};
        qel::SetInfoValue value = engine->engine->GetSetInfo(fromC(syurui), fromC(naiyou));
        if (const Text* text = std::get_if<Text>(&value)) {
            result->text = toC(*text);
            result->kind = QEL_VALUE_TEXT;
        } else if (const double* number = std::get_if<double>(&value)) {
            result->number = *number;
            result->kind = QEL_VALUE_NUMBER;
        } else if (const bool* truth = std::get_if<bool>(&value)) {
            result->number = *truth ? 1 : 0;
            result->kind = QEL_VALUE_BOOLEAN;
        }
        // プログラム gives the engine a program to run statements in.
        if (std::strcmp(syurui, "プログラム") == 0) engine->hasProgram = true;
        return QEL_OK;
    });
}

qel_result qel_set_obj(qel_engine* engine, void* window) {
    return guarded(engine, [&] {
        engine->engine->SetObj(window != nullptr);
        return QEL_OK;
    });
}

qel_result qel_set_debug_obj(qel_engine* engine, int attached) {
    return guarded(engine, [&] {
        engine->engine->SetDebugObj(attached != 0);
        return QEL_OK;
    });
}

qel_result qel_set_stop_line(qel_engine* engine, const unsigned char* flags, size_t count) {
    return guarded(engine, [&] {
        if (!flags && count > 0) return needText(engine, flags, "no stop-line flags (NULL)");
        std::vector<bool> lines(count);
        for (size_t i = 0; i < count; ++i) lines[i] = flags[i] != 0;
        engine->engine->SetStopLine(std::move(lines));
        return QEL_OK;
    });
}

qel_result qel_err_message(qel_engine* engine, const char* msg, int err_num, int icon,
                           const char* prg) {
    return guarded(engine, [&] {
        engine->engine->ErrMessage(fromC(msg), err_num, icon, fromC(prg));
        return QEL_OK;
    });
}

qel_result qel_step_over(qel_engine* engine) {
    return guarded(engine, [&] {
        engine->engine->StepOver();
        return QEL_OK;
    });
}

qel_result qel_step_in(qel_engine* engine) {
    return guarded(engine, [&] {
        engine->engine->StepIn();
        return QEL_OK;
    });
}

qel_result qel_step_out(qel_engine* engine) {
    return guarded(engine, [&] {
        engine->engine->StepOut();
        return QEL_OK;
    });
}

qel_result qel_set_file_stop_line(qel_engine* engine, const char* path, const unsigned char* flags,
                                  size_t count) {
    if (!engine) return QEL_ERR_ARGUMENT;
    if (!path || !*path) return fail(engine, QEL_ERR_ARGUMENT, "no file path");
    if (!flags && count > 0) return fail(engine, QEL_ERR_ARGUMENT, "no stop-line flags (NULL)");
    std::vector<bool> lines(count);
    for (size_t i = 0; i < count; ++i) lines[i] = flags[i] != 0;
    // Another thread's stop lines wait for the script's next statement.
    if (engine->running.load() && !engine->onScriptThread()) {
        try {
            engine->engine->RequestFileStopLines(fromC(path), std::move(lines));
        } catch (...) {
            return fail(engine, QEL_ERR_MEMORY, "out of memory");
        }
        return QEL_OK;
    }
    return guarded(engine, [&] {
        engine->engine->SetFileStopLines(fromC(path), std::move(lines));
        return QEL_OK;
    });
}

qel_result qel_call_stack(qel_engine* engine, char** frames) {
    return guarded(engine, [&] {
        if (!frames) return needText(engine, frames, "no place for the frames");
        *frames = nullptr;
        Text out;
        for (const auto& frame : engine->engine->CallStack()) {
            if (!out.empty()) out += u'\n';
            out += frame.name + u'\t' + qel::text::fromUtf8(std::to_string(frame.line)) + u'\t' +
                   frame.filePath;
        }
        *frames = toC(out);
        return QEL_OK;
    });
}

qel_result qel_current_line(qel_engine* engine, int* line, int* level) {
    return guarded(engine, [&] {
        if (!line || !level) return needText(engine, nullptr, "no place for the line or level");
        *line = engine->engine->CurrentLine();
        *level = engine->engine->CurrentLevel();
        return QEL_OK;
    });
}

}  // extern "C"
