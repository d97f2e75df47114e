/*
 * Qelscript engine library (libqelscript.so.1), C interface.
 *
 * One handle is one engine: a host hands it script text, asks it about
 * errors and variables, and answers the questions the engine asks through
 * host callbacks (the object 呼び出し元 in scripts: its property reads and
 * writes and the statements addressed to it).
 *
 * Texts are NUL-terminated UTF-8, in and out. A text handed to the library
 * is copied before the call returns. A text the library hands out through a
 * `char **` parameter belongs to the caller, who releases it with qel_free();
 * on failure the parameter is set to NULL. Texts handed to callbacks are
 * valid only during the callback.
 *
 * Threads. A script runs on the thread that calls qel_run() or
 * qel_run_file(), and every callback is made on that thread. While it runs,
 * only that thread (in practice: the callbacks) may call the library, with
 * two exceptions that are safe from any thread: qel_do_pause() and
 * qel_do_stop(), which another thread uses to pause or stop a script that is
 * busy (they take effect before its next statement). Other calls from
 * another thread during a run fail with QEL_ERR_BUSY.
 *
 * The engine keeps one set of run state (variables, procedures, objects)
 * per handle; the library has no windows of its own: boxes that ask are
 * answered on the console's terms (nothing to read: cancelled) and windows a
 * script creates are virtual ones that keep every value.
 *
 * Every function returns QEL_OK or an error code; qel_last_error() then says
 * in words what went wrong. Script errors are not failures of these calls:
 * they go through the language's own error routine (see qel_set_debug_obj and
 * the "高度エラーメッセージ" switch of qel_get_set_info).
 */
#ifndef QELSCRIPT_QELSCRIPT_H
#define QELSCRIPT_QELSCRIPT_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QELSCRIPT_VERSION_MAJOR 1

typedef struct qel_engine qel_engine;

typedef enum qel_result {
    QEL_OK = 0,
    QEL_ERR_ARGUMENT = 1,    /* a NULL handle, text or result pointer */
    QEL_ERR_BUSY = 2,        /* a script is running: qel_run inside a callback, or a call
                                from another thread during a run */
    QEL_ERR_NO_PROGRAM = 3,  /* qel_run_comnd before any program was run */
    QEL_ERR_NOT_RUNNING = 4, /* qel_do_stop with no script running */
    QEL_ERR_STOPPING = 5,    /* qel_do_stop while the run is already stopping */
    QEL_ERR_FILE = 6,        /* qel_run_file: the file could not be read (an empty
                                program ran, as the language defines) */
    QEL_ERR_MEMORY = 7,      /* out of memory; the engine stays usable */
    QEL_ERR_INTERNAL = 8     /* an unexpected failure inside the engine */
} qel_result;

/* engineStatus, as qel_get_status answers it. */
enum {
    QEL_STATUS_RUNNING = 0,
    QEL_STATUS_IDLE = 1,
    QEL_STATUS_PAUSED = 2,
    QEL_STATUS_STOPPED = 3 /* the user chose Cancel in an error box */
};

/* The host events. Each member may be NULL: the event then answers "not
 * handled" (an empty text for item_request). `size` must be
 * sizeof(qel_host_callbacks); members are only ever added at the end. */
typedef struct qel_host_callbacks {
    size_t size;
    void* user; /* handed back to every callback */
    /* hostItemRequest: a script reads a property of 呼び出し元 (also the
     * engine asking an editor which button answers an error, item "エラー").
     * Return the value, or NULL for empty; the engine copies it at once. A
     * value of exactly "True" reaches the script as "{no}". */
    const char* (*item_request)(void* user, const char* item);
    /* hostItemUpdate: a script writes a property of 呼び出し元. set_normal is
     * the evaluated value, set_num its leading number (0 when none),
     * set_plain the value as written. Set *not_found to nonzero when the host
     * has no such property. */
    void (*item_update)(void* user, const char* item, const char* set_normal, double set_num,
                        const char* set_plain, int* not_found);
    /* hostCommand: a statement addressed to 呼び出し元 ("呼び出し元の verb"),
     * 報告, errors sent to an attached editor ("エラー"), and pauses ("中断",
     * with the reason as noun: "" for qel_do_pause, "停止行" for a stop line,
     * "ステップ" for a finished step). Set *not_found to nonzero for a verb the
     * host does not know (the statement is then looked up as usual). */
    void (*command)(void* user, const char* verb, const char* noun, int* not_found);
    /* hostFunction: declared for hosts; the engine does not raise it. */
    void (*function)(void* user, const char* name, const char* params, int* not_found);
    /* What the script shows (stream 1: 表示 and the like) and its error
     * reports outside an editor (stream 2), in pieces of whole lines where
     * possible. NULL: standard output and standard error. */
    void (*output)(void* user, int stream, const char* text);
} qel_host_callbacks;

/* A value of qel_get_set_info: nothing, a text, a number or a truth value. */
typedef enum qel_value_kind {
    QEL_VALUE_EMPTY = 0,
    QEL_VALUE_TEXT = 1,
    QEL_VALUE_NUMBER = 2,
    QEL_VALUE_BOOLEAN = 3
} qel_value_kind;

typedef struct qel_value {
    qel_value_kind kind;
    char* text;    /* QEL_VALUE_TEXT: the text (release with qel_value_clear) */
    double number; /* QEL_VALUE_NUMBER; QEL_VALUE_BOOLEAN: 1 or 0 */
} qel_value;

/* ---- the library ------------------------------------------------------------ */
const char* qel_version(void); /* "MAJOR.MINOR.PATCH"; static, not freed */
void qel_free(void* text);     /* releases a text the library handed out (NULL is fine) */
void qel_value_clear(qel_value* value);

/* ---- handles ------------------------------------------------------------------ */
/* A new engine, idle; NULL when out of memory. */
qel_engine* qel_new(void);
/* Destroys the engine. Not allowed while its script runs (the call is then
 * refused with QEL_ERR_BUSY and the handle stays valid). */
qel_result qel_destroy(qel_engine* engine);
/* What the last failing call on this handle went wrong with, in words;
 * "" after success. Valid until the next call on the handle. */
const char* qel_last_error(const qel_engine* engine);
/* Sets (copies) the host callbacks; NULL removes them. */
qel_result qel_set_host(qel_engine* engine, const qel_host_callbacks* callbacks);

/* ---- operations of the engine --------------------------------------------------- */
/* DoPause: toggles paused (status 2) and running (0); pausing raises
 * command("中断", ""). Safe from any thread: from a thread other than the
 * script's, the pause happens before the script's next statement. */
qel_result qel_do_pause(qel_engine* engine);
/* DoStop: stops the running script (and tears down what the run opened).
 * Safe from any thread. QEL_ERR_NOT_RUNNING when no script runs,
 * QEL_ERR_STOPPING when a stop was already asked for in this run. */
qel_result qel_do_stop(qel_engine* engine);
/* GetErrLine: the 1-based line of the last error, else of the running statement. */
qel_result qel_get_err_line(qel_engine* engine, int* line);
/* GetErrWord: the word the last error message named. */
qel_result qel_get_err_word(qel_engine* engine, char** word);
/* GetStatus: one of QEL_STATUS_*. */
qel_result qel_get_status(qel_engine* engine, int* status);
/* GetFunc: evaluates an argument text (a variable, an expression, a function call). */
qel_result qel_get_func(qel_engine* engine, const char* text, char** result);
/* GetObjName: the script's name of a control object, given by its name or
 * handle text. */
qel_result qel_get_obj_name(qel_engine* engine, const char* object, char** name);
/* GetForEditor: 1 every global as "◆name" CR LF value CR LF; 3 every variable
 * name, procedure locals first (name TAB "手順内のみ"), one a line. */
qel_result qel_get_for_editor(qel_engine* engine, int flag, char** result);
/* Run: runs program text; file_name (may be NULL or "") names it in error
 * messages and chooses the working folder. preserve nonzero keeps variables,
 * procedures and the working folder of the previous run. Returns when the
 * script ends or is stopped. */
qel_result qel_run(qel_engine* engine, const char* program, const char* file_name, int preserve);
/* RunComnd: runs one statement in the current run state (from a callback,
 * or after a run ended). */
qel_result qel_run_comnd(qel_engine* engine, const char* statement);
/* RunFile: reads and runs a script file (UTF-8 or Shift_JIS); one pair of
 * surrounding double quotes is taken off the name. */
qel_result qel_run_file(qel_engine* engine, const char* file_name, int preserve);
/* GetSetInfo: the engine's queries and switches by keyword (変数, 手順,
 * エラー, 命令解析, 動詞, 引数, 引数２, 分割, カンマ, 配列, コマンドライン,
 * プログラム, 状態, イベント処理, 処理状況, 処理状況通知, バージョン, チェック,
 * 起動中, 高度エラーメッセージ, …); an unknown keyword answers empty. */
qel_result qel_get_set_info(qel_engine* engine, const char* syurui, const char* naiyou,
                            qel_value* result);
/* SetObj: the host supplies a window of its own (non-NULL) or none (NULL).
 * With a window the engine runs in hosted-window mode: programs are parsed
 * without registering their procedures. The library has no desktop host, so
 * the window itself is not drawn into (see docs/editors.md). */
qel_result qel_set_obj(qel_engine* engine, void* window);
/* SetDebugObj: nonzero attaches an editor (run environment 1: 報告 and error
 * reports reach the host), zero detaches it (run environment 0). */
qel_result qel_set_debug_obj(qel_engine* engine, int attached);
/* SetStopLine: flags[i] nonzero halts before line i + 1 of the main program
 * (raising command("中断", "停止行")). Lines past the array never halt; flags
 * past the program are kept and ignored. */
qel_result qel_set_stop_line(qel_engine* engine, const unsigned char* flags, size_t count);
/* ErrMessage: reports msg (or, when msg is NULL or "", message number
 * err_num) through the error routine, with box style icon and word prg. */
qel_result qel_err_message(qel_engine* engine, const char* msg, int err_num, int icon,
                           const char* prg);

/* ---- for debuggers ------------------------------------------------------------- */
/* From the "中断" callback, or before a run: halts again at the next statement
 * of the main program outside the procedures the current one calls (before
 * a run: at the first statement). */
qel_result qel_step_over(qel_engine* engine);
/* The 1-based line of the statement being run and its program level (0: the
 * main program; others: files run by 実行 and texts run by 日本語処理). */
qel_result qel_current_line(qel_engine* engine, int* line, int* level);
/* From the "中断" callback, or before a run: halts again at the next
 * statement of a file wherever it is, the first statement of a procedure or
 * file the current statement enters included. */
qel_result qel_step_in(qel_engine* engine);
/* From the "中断" callback: halts again at the first statement after the
 * running procedure or file returns to its caller. In the main program's top
 * level nothing returns: the script runs on (to a stop line or its end). */
qel_result qel_step_out(qel_engine* engine);
/* Stop lines of another file: one run by 実行 or 参照, or a .qlb library
 * whose procedures run. path names the file (relative to the process's
 * current folder); flags[i] nonzero halts before its line i + 1, raising
 * command("中断", "停止行"). count 0 clears the file's stop lines. Safe from
 * any thread: from another, they take hold before the next statement. Lines
 * of texts run by 日本語処理 never halt. */
qel_result qel_set_file_stop_line(qel_engine* engine, const char* path, const unsigned char* flags,
                                  size_t count);
/* Where the script stands, innermost first, one frame a line (LF between):
 * the name (a procedure, a file's name, 日本語処理 or メイン), TAB, the
 * 1-based line, TAB, the file's absolute path (empty for a text). Free the
 * text with qel_free. */
qel_result qel_call_stack(qel_engine* engine, char** frames);

#ifdef __cplusplus
}
#endif

#endif /* QELSCRIPT_QELSCRIPT_H */
