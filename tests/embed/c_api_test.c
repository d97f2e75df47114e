/* The engine through its C interface, as an embedding program uses it:
 * every operation, every host event, 呼び出し元 both ways, and calls made in
 * the wrong order or from the wrong place. Exits 0 when every check holds. */
#define _POSIX_C_SOURCE 200809L

#include <qelscript/qelscript.h>

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int failures;

#define CHECK(cond)                                                        \
    do {                                                                   \
        if (!(cond)) {                                                     \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            failures++;                                                    \
        }                                                                  \
    } while (0)

#define CHECK_TEXT(actual, expected)                                                      \
    do {                                                                                  \
        const char *a_ = (actual);                                                        \
        if (!a_ || strcmp(a_, (expected)) != 0) {                                         \
            fprintf(stderr, "%s:%d: got \"%s\", want \"%s\"\n", __FILE__, __LINE__,     \
                    a_ ? a_ : "(null)", (expected));                                      \
            failures++;                                                                   \
        }                                                                                 \
    } while (0)

/* ---- a recording host -------------------------------------------------------- */

struct host {
    qel_engine *engine;
    char shown[4096];    /* output stream 1 */
    char reported[4096]; /* output stream 2 */
    char events[8192];   /* every event, one a line: "request item", "update item=value|num|plain", "command verb|noun" */
    char answer[256];    /* what item_request answers */
    char stored[256];    /* what item_update stored for 値 */
    int pauses;
    int pause_line;
    /* What a "中断" or another command does from inside the callback. */
    enum { NOTHING, RESUME, STEP, STEP_IN, STEP_OUT, STOP_TWICE, RUN_AGAIN, PAUSE_TWICE, DESTROY } on_pause, on_command;
    char stacks[4096];   /* the call stack at each pause, each followed by "|" */
    qel_result inner[4]; /* results of the calls made from inside */
    const char *error_button; /* the button answering "エラー" */
};

static void note(struct host *h, const char *format, const char *a, const char *b) {
    size_t used = strlen(h->events);
    snprintf(h->events + used, sizeof h->events - used, format, a, b);
}

static const char *on_item_request(void *user, const char *item) {
    struct host *h = user;
    note(h, "request %s%s\n", item, "");
    if (strcmp(item, "エラー") == 0) return h->error_button;
    if (strcmp(item, "値") == 0) return h->stored;
    if (strcmp(item, "名前") == 0) return h->answer;
    return NULL;
}

static void on_item_update(void *user, const char *item, const char *set_normal, double set_num,
                           const char *set_plain, int *not_found) {
    struct host *h = user;
    char line[512];
    snprintf(line, sizeof line, "update %s=%s|%g|%s\n", item, set_normal, set_num, set_plain);
    note(h, "%s%s", line, "");
    if (strcmp(item, "値") != 0) {
        *not_found = 1;
        return;
    }
    snprintf(h->stored, sizeof h->stored, "%s", set_normal);
}

static void act(struct host *h, int what) {
    switch (what) {
        case RESUME: h->inner[0] = qel_do_pause(h->engine); break;
        case STEP:
            h->inner[0] = qel_step_over(h->engine);
            h->inner[1] = qel_do_pause(h->engine);
            break;
        case STEP_IN:
            h->inner[0] = qel_step_in(h->engine);
            h->inner[1] = qel_do_pause(h->engine);
            break;
        case STEP_OUT:
            h->inner[0] = qel_step_out(h->engine);
            h->inner[1] = qel_do_pause(h->engine);
            break;
        case STOP_TWICE:
            h->inner[0] = qel_do_stop(h->engine);
            h->inner[1] = qel_do_stop(h->engine);
            break;
        case RUN_AGAIN:
            h->inner[0] = qel_run(h->engine, "「入れ子」を表示", "", 0);
            h->inner[1] = qel_run_file(h->engine, "/nonexistent.qel", 0);
            h->inner[2] = qel_destroy(h->engine);
            break;
        default: break;
    }
}

static void on_command(void *user, const char *verb, const char *noun, int *not_found) {
    struct host *h = user;
    note(h, "command %s|%s\n", verb, noun);
    if (strcmp(verb, "中断") == 0) {
        int level = -1;
        h->pauses++;
        qel_current_line(h->engine, &h->pause_line, &level);
        char *stack = NULL;
        if (qel_call_stack(h->engine, &stack) == QEL_OK) {
            size_t used = strlen(h->stacks);
            snprintf(h->stacks + used, sizeof h->stacks - used, "%s|", stack);
        }
        qel_free(stack);
        act(h, h->on_pause);
        return;
    }
    if (strcmp(verb, "合図") == 0) {
        act(h, h->on_command);
        return;
    }
    if (strcmp(verb, "報告") == 0 || strcmp(verb, "エラー") == 0) return;
    *not_found = 1;
}

static void on_output(void *user, int stream, const char *text) {
    struct host *h = user;
    char *into = stream == 1 ? h->shown : h->reported;
    size_t size = stream == 1 ? sizeof h->shown : sizeof h->reported;
    size_t used = strlen(into);
    snprintf(into + used, size - used, "%s", text);
}

static qel_engine *engine_with(struct host *h) {
    memset(h, 0, sizeof *h);
    h->engine = qel_new();
    qel_host_callbacks callbacks = {0};
    callbacks.size = sizeof callbacks;
    callbacks.user = h;
    callbacks.item_request = on_item_request;
    callbacks.item_update = on_item_update;
    callbacks.command = on_command;
    callbacks.output = on_output;
    CHECK(qel_set_host(h->engine, &callbacks) == QEL_OK);
    h->error_button = "1";
    return h->engine;
}

static char *func(qel_engine *e, const char *text) {
    static char kept[1024];
    char *out = NULL;
    CHECK(qel_get_func(e, text, &out) == QEL_OK);
    snprintf(kept, sizeof kept, "%s", out ? out : "(null)");
    qel_free(out);
    return kept;
}

/* ---- the checks -------------------------------------------------------------- */

static void wrong_order_and_bad_arguments(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    int status = -1;
    CHECK(qel_get_status(e, &status) == QEL_OK && status == QEL_STATUS_IDLE);
    CHECK(qel_run_comnd(e, "「早すぎ」を表示") == QEL_ERR_NO_PROGRAM);
    CHECK(strstr(qel_last_error(e), "no program") != NULL);
    CHECK(qel_do_stop(e) == QEL_ERR_NOT_RUNNING);
    CHECK(strlen(qel_last_error(e)) > 0);
    CHECK(qel_run(NULL, "x", "", 0) == QEL_ERR_ARGUMENT);
    CHECK(qel_run(e, NULL, "", 0) == QEL_ERR_ARGUMENT);
    CHECK(qel_get_func(e, "1", NULL) == QEL_ERR_ARGUMENT);
    CHECK(qel_set_stop_line(e, NULL, 3) == QEL_ERR_ARGUMENT);
    CHECK(qel_set_stop_line(e, NULL, 0) == QEL_OK);
    qel_host_callbacks tiny = {0};
    tiny.size = 1;
    CHECK(qel_set_host(e, &tiny) == QEL_ERR_ARGUMENT);
    CHECK(qel_last_error(NULL) != NULL);
    CHECK(strcmp(h.shown, "") == 0);
    CHECK(qel_destroy(e) == QEL_OK);
    CHECK(qel_destroy(NULL) == QEL_ERR_ARGUMENT);
}

static void caller_both_ways(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    snprintf(h.answer, sizeof h.answer, "花子");
    snprintf(h.stored, sizeof h.stored, "41");
    const char *script =
        "「［呼び出し元の名前］さん」を表示\n"
        "呼び出し元の値は　呼び出し元の値＋１\n"
        "呼び出し元の合図\n"
        "呼び出し元の無い物は　５\n"
        "合計は　１０\n";
    CHECK(qel_run(e, script, "caller.qel", 0) == QEL_OK);
    CHECK_TEXT(h.shown, "花子さん\n");
    CHECK_TEXT(h.stored, "42");
    CHECK(strstr(h.events, "request 名前\n") != NULL);
    CHECK(strstr(h.events, "update 値=42|42|呼び出し元の値＋１\n") != NULL);
    CHECK(strstr(h.events, "command 合図|\n") != NULL);
    /* A property the host does not know is the script's error. */
    CHECK(strstr(h.events, "update 無い物=５|5|５\n") != NULL);
    CHECK(strstr(h.reported, "無い物") != NULL);
    /* "True" from the host reads as {no}. */
    snprintf(h.answer, sizeof h.answer, "True");
    CHECK_TEXT(func(e, "呼び出し元の名前"), "{no}");

    /* After the run: its variables stay for queries and single statements. */
    CHECK_TEXT(func(e, "合計＋１"), "11");
    CHECK(qel_run_comnd(e, "合計は　合計×２") == QEL_OK);
    CHECK_TEXT(func(e, "合計"), "20");
    char *text = NULL;
    CHECK(qel_get_for_editor(e, 1, &text) == QEL_OK && text && strstr(text, "◆合計\r\n20\r\n"));
    qel_free(text);
    CHECK(qel_get_for_editor(e, 3, &text) == QEL_OK && text && strstr(text, "合計"));
    qel_free(text);
    CHECK(qel_get_for_editor(e, 2, &text) == QEL_OK && text && strcmp(text, "") == 0);
    qel_free(text);
    qel_destroy(e);
}

static void set_info_values(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    qel_value v;
    CHECK(qel_get_set_info(e, "変数", "２＋３", &v) == QEL_OK && v.kind == QEL_VALUE_TEXT);
    CHECK_TEXT(v.text, "5");
    qel_value_clear(&v);
    CHECK(v.kind == QEL_VALUE_EMPTY && v.text == NULL);
    CHECK(qel_get_set_info(e, "チェック", "", &v) == QEL_OK && v.kind == QEL_VALUE_BOOLEAN &&
          v.number == 1);
    CHECK(qel_get_set_info(e, "処理状況", "", &v) == QEL_OK && v.kind == QEL_VALUE_NUMBER &&
          v.number == 0);
    CHECK(qel_get_set_info(e, "バージョン", "", &v) == QEL_OK && v.kind == QEL_VALUE_TEXT &&
          strlen(v.text) > 0);
    qel_value_clear(&v);
    CHECK(qel_get_set_info(e, "知らない言葉", "x", &v) == QEL_OK && v.kind == QEL_VALUE_EMPTY);
    /* A program given without running it is one to run statements in. */
    CHECK(qel_get_set_info(e, "プログラム", "手順は　挨拶\n  「やあ」を表示\n終わり\n", &v) ==
          QEL_OK);
    CHECK(qel_run_comnd(e, "挨拶") == QEL_OK);
    CHECK_TEXT(h.shown, "やあ\n");
    /* Colours and the properties of the script's objects. */
    CHECK(qel_get_set_info(e, "色", "赤", &v) == QEL_OK && v.kind == QEL_VALUE_NUMBER &&
          v.number == 255);
    CHECK(qel_get_set_info(e, "色", "色ではない", &v) == QEL_OK && v.number == 0);
    CHECK(qel_run(e, "「ラベル1」を作る\nラベル1の名前は、「お名前」\n", "", 0) == QEL_OK);
    CHECK(qel_get_set_info(e, "オブジェクトの設定", "ラベル1の名前", &v) == QEL_OK &&
          v.kind == QEL_VALUE_TEXT);
    CHECK_TEXT(v.text, "お名前");
    qel_value_clear(&v);
    CHECK(qel_get_set_info(e, "オブジェクトの設定", "無いラベルの名前", &v) == QEL_OK);
    CHECK_TEXT(v.text, "");
    qel_value_clear(&v);
    CHECK(qel_set_obj(e, &h) == QEL_OK);
    CHECK(qel_set_obj(e, NULL) == QEL_OK);
    qel_destroy(e);
}

static void calls_from_inside_callbacks(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    h.on_command = RUN_AGAIN;
    CHECK(qel_run(e, "呼び出し元の合図\n「続き」を表示\n", "", 0) == QEL_OK);
    CHECK(h.inner[0] == QEL_ERR_BUSY);
    CHECK(h.inner[1] == QEL_ERR_BUSY);
    CHECK(h.inner[2] == QEL_ERR_BUSY);
    CHECK_TEXT(h.shown, "続き\n");

    /* DoStop from the script's own thread, twice. */
    memset(h.inner, 0, sizeof h.inner);
    h.shown[0] = 0;
    h.on_command = STOP_TWICE;
    CHECK(qel_run(e, "「前」を表示\n呼び出し元の合図\n「後」を表示\n", "", 0) == QEL_OK);
    CHECK(h.inner[0] == QEL_OK);
    CHECK(h.inner[1] == QEL_ERR_STOPPING);
    CHECK_TEXT(h.shown, "前\n");
    /* The next run starts afresh. */
    h.shown[0] = 0;
    h.on_command = NOTHING;
    CHECK(qel_run(e, "「また」を表示\n", "", 0) == QEL_OK);
    CHECK_TEXT(h.shown, "また\n");
    qel_destroy(e);
}

static void pauses_and_stop_lines(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    int status = -1;
    /* DoPause toggles; only the pause raises 中断. */
    CHECK(qel_do_pause(e) == QEL_OK);
    CHECK(qel_get_status(e, &status) == QEL_OK && status == QEL_STATUS_PAUSED);
    CHECK(qel_do_pause(e) == QEL_OK);
    CHECK(qel_get_status(e, &status) == QEL_OK && status == QEL_STATUS_RUNNING);
    CHECK(h.pauses == 1 && strstr(h.events, "command 中断|\n"));

    const char *script =
        "Ａは　１\n"
        "Ａは　Ａ＋１\n"
        "手順は　増やす\n"
        "  Ａは　Ａ＋１０\n"
        "終わり\n"
        "増やす\n"
        "Ｂは　Ａ\n";
    /* A stop-line array longer than the program; line 2 and line 7 halt. */
    unsigned char flags[100] = {0};
    flags[1] = 1;
    flags[6] = 1;
    flags[99] = 1;
    CHECK(qel_set_stop_line(e, flags, sizeof flags) == QEL_OK);
    h.events[0] = 0;
    h.pauses = 0;
    h.on_pause = RESUME;
    CHECK(qel_run(e, script, "stops.qel", 0) == QEL_OK);
    CHECK(h.pauses == 2);
    CHECK(h.pause_line == 7);
    CHECK(strstr(h.events, "command 中断|停止行\n") != NULL);
    CHECK(h.inner[0] == QEL_OK);
    CHECK_TEXT(func(e, "Ｂ"), "12");

    /* A shorter one: lines past its end never halt. */
    unsigned char one[1] = {0};
    CHECK(qel_set_stop_line(e, one, 1) == QEL_OK);
    h.pauses = 0;
    CHECK(qel_run(e, script, "stops.qel", 0) == QEL_OK);
    CHECK(h.pauses == 0);

    /* A step from line 2 goes over the procedure's body to the next lines. */
    unsigned char at2[2] = {0, 1};
    CHECK(qel_set_stop_line(e, at2, 2) == QEL_OK);
    h.pauses = 0;
    h.on_pause = STEP;
    h.events[0] = 0;
    CHECK(qel_run(e, script, "stops.qel", 0) == QEL_OK);
    /* line 2 (stop line), then steps: 3 is a procedure head (skipped by the
     * runner), 6 calls it (its body is not stepped into), 7. */
    CHECK(h.pauses == 3);
    CHECK(h.pause_line == 7);
    CHECK(strstr(h.events, "command 中断|ステップ\n") != NULL);
    CHECK(strstr(h.events, "Ａは　Ａ＋１０") == NULL);

    /* Stepping before a run stops on the first statement. */
    CHECK(qel_set_stop_line(e, NULL, 0) == QEL_OK);
    h.pauses = 0;
    h.on_pause = RESUME;
    CHECK(qel_step_over(e) == QEL_OK);
    CHECK(qel_run(e, script, "stops.qel", 0) == QEL_OK);
    CHECK(h.pauses == 1 && h.pause_line == 1);
    qel_destroy(e);
}

static void editor_reports_and_errors(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    /* Without an editor attached, 報告 does nothing and errors are shown. */
    CHECK(qel_run(e, "「一」を報告\nふがふが\n", "plain.qel", 0) == QEL_OK);
    CHECK(strstr(h.events, "報告") == NULL);
    CHECK(strstr(h.reported, "ふがふが") != NULL);
    int line = 0;
    CHECK(qel_get_err_line(e, &line) == QEL_OK && line == 2);
    char *word = NULL;
    CHECK(qel_get_err_word(e, &word) == QEL_OK && word != NULL);
    qel_free(word);

    /* Attached, with detailed errors: both reach the host; Cancel stops. */
    CHECK(qel_set_debug_obj(e, 1) == QEL_OK);
    qel_value v;
    CHECK(qel_get_set_info(e, "高度エラーメッセージ", "True", &v) == QEL_OK);
    h.events[0] = 0;
    h.shown[0] = 0;
    h.error_button = "2";
    CHECK(qel_run(e, "「二」を報告\nふがふが\n「後」を表示\n", "editor.qel", 0) == QEL_OK);
    CHECK(strstr(h.events, "command 報告|二\n") != NULL);
    CHECK(strstr(h.events, "command エラー|") != NULL);
    CHECK(strstr(h.events, "2行目") != NULL);
    CHECK(strstr(h.events, "request エラー\n") != NULL);
    CHECK_TEXT(h.shown, "");
    int status = -1;
    CHECK(qel_get_status(e, &status) == QEL_OK && status == QEL_STATUS_STOPPED);

    /* ErrMessage goes through the same routine (once a run has ended
     * normally: after a Cancel, reports stay silent). */
    CHECK(qel_run(e, "", "", 0) == QEL_OK);
    h.events[0] = 0;
    h.error_button = "1";
    CHECK(qel_err_message(e, "ホストの知らせ", 700, 48, "") == QEL_OK);
    CHECK(strstr(h.events, "command エラー|ホストの知らせ") != NULL);
    /* Detached again: errors go to the output. */
    CHECK(qel_set_debug_obj(e, 0) == QEL_OK);
    h.events[0] = 0;
    CHECK(qel_run(e, "「三」を報告\n", "", 0) == QEL_OK);
    CHECK(strstr(h.events, "報告") == NULL);
    qel_destroy(e);
}

static void files(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    CHECK(qel_run_file(e, "/nonexistent/script.qel", 0) == QEL_ERR_FILE);
    CHECK(strstr(qel_last_error(e), "/nonexistent/script.qel") != NULL);
    char path[] = "/tmp/qel_c_api_XXXXXX";
    int fd = mkstemp(path);
    CHECK(fd >= 0);
    FILE *f = fdopen(fd, "w");
    fputs("「ファイルから」を表示\n", f);
    fclose(f);
    char quoted[64];
    snprintf(quoted, sizeof quoted, "\"%s\"", path);
    CHECK(qel_run_file(e, quoted, 0) == QEL_OK);
    CHECK_TEXT(h.shown, "ファイルから\n");
    remove(path);
    qel_destroy(e);
}

/* Writes a file into the folder; returns its path (kept until the next call). */
static const char *write_file(const char *folder, const char *name, const char *text) {
    static char path[512];
    snprintf(path, sizeof path, "%s/%s", folder, name);
    FILE *f = fopen(path, "w");
    CHECK(f != NULL);
    if (f) {
        fputs(text, f);
        fclose(f);
    }
    return path;
}

/* Stop lines and steps in the files a program runs, and the call stack
 * that shows how the script got there. */
static void steps_through_files_and_procedures(void) {
    char folder[] = "/tmp/qel_c_api_steps_XXXXXX";
    CHECK(mkdtemp(folder) != NULL);
    char main_path[512], sub_path[512];
    snprintf(main_path, sizeof main_path, "%s", write_file(folder, "main.qel",
             "手順は　倍\n"
             "  Ｘは　Ｘ×２\n"
             "終わり\n"
             "Ｘは　１\n"
             "「sub.qel」を実行\n"
             "Ｙは　Ｘ\n"));
    snprintf(sub_path, sizeof sub_path, "%s", write_file(folder, "sub.qel",
             "Ｘは　Ｘ＋１\n"
             "倍\n"
             "Ｘは　Ｘ＋１\n"));
    char expected[8192];

    /* A stop line in the file run by 実行, then into the procedure it calls
     * (defined in the main program), out of it, and out of the file. */
    struct host h;
    qel_engine *e = engine_with(&h);
    unsigned char at1[1] = {1};
    CHECK(qel_set_file_stop_line(e, sub_path, at1, 1) == QEL_OK);
    h.on_pause = STEP_IN;
    CHECK(qel_run_file(e, main_path, 0) == QEL_OK);
    /* stop line sub:1, step in → sub:2, step in → 倍 (main:2), step in →
     * sub:3, step in → main:6, step in: the script ends. */
    snprintf(expected, sizeof expected,
             "sub.qel\t1\t%1$s\nメイン\t5\t%2$s|"
             "sub.qel\t2\t%1$s\nメイン\t5\t%2$s|"
             "倍\t2\t%2$s\nsub.qel\t2\t%1$s\nメイン\t5\t%2$s|"
             "sub.qel\t3\t%1$s\nメイン\t5\t%2$s|"
             "メイン\t6\t%2$s|",
             sub_path, main_path);
    CHECK_TEXT(h.stacks, expected);
    CHECK_TEXT(func(e, "Ｙ"), "5");

    /* Out of the procedure to the statement after its call; out of the file
     * to the statement after 実行; out of the top level: the script ends. */
    h.stacks[0] = 0;
    h.pauses = 0;
    h.on_pause = STEP_OUT;
    unsigned char at2[2] = {0, 1};
    CHECK(qel_set_file_stop_line(e, sub_path, NULL, 0) == QEL_OK);
    CHECK(qel_set_stop_line(e, at2, 2) == QEL_OK);
    CHECK(qel_run_file(e, main_path, 0) == QEL_OK);
    snprintf(expected, sizeof expected,
             "倍\t2\t%1$s\nsub.qel\t2\t%2$s\nメイン\t5\t%1$s|"
             "sub.qel\t3\t%2$s\nメイン\t5\t%1$s|"
             "メイン\t6\t%1$s|",
             main_path, sub_path);
    CHECK_TEXT(h.stacks, expected);
    CHECK(h.pauses == 3);

    /* Bad input: no path; a file never run halts nothing. */
    CHECK(qel_set_file_stop_line(e, NULL, at1, 1) == QEL_ERR_ARGUMENT);
    CHECK(qel_set_file_stop_line(e, "", at1, 1) == QEL_ERR_ARGUMENT);
    CHECK(qel_set_file_stop_line(e, sub_path, NULL, 1) == QEL_ERR_ARGUMENT);
    CHECK(qel_set_stop_line(e, NULL, 0) == QEL_OK);
    CHECK(qel_set_file_stop_line(e, "/nonexistent/never.qel", at1, 1) == QEL_OK);
    h.pauses = 0;
    CHECK(qel_run_file(e, main_path, 0) == QEL_OK);
    CHECK(h.pauses == 0);
    qel_destroy(e);
    remove(sub_path);
    remove(main_path);
    remove(folder);
}

/* GetObjName: the handle a script hands over, or a name, gives the name the
 * object is registered under; anything else gives nothing. */
static void object_names(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    CHECK(qel_run(e, "「ボタン1」を作る\n「ボタン」を「送信」として作る\n", "objects.qel", 0) ==
          QEL_OK);
    char handle[64];
    snprintf(handle, sizeof handle, "%s", func(e, "ボタン1のハンドル"));
    char *name = NULL;
    CHECK(qel_get_obj_name(e, handle, &name) == QEL_OK);
    CHECK_TEXT(name, "ボタン１");
    qel_free(name);
    snprintf(handle, sizeof handle, "%s", func(e, "送信のハンドル"));
    CHECK(qel_get_obj_name(e, handle, &name) == QEL_OK);
    CHECK_TEXT(name, "送信");
    qel_free(name);
    CHECK(qel_get_obj_name(e, "ボタン1", &name) == QEL_OK);
    CHECK_TEXT(name, "ボタン１");
    qel_free(name);
    /* A control of another window than the current one, by its name too. */
    CHECK(qel_run_comnd(e, "「ウィンドウ」を「子」として作る") == QEL_OK);
    CHECK(qel_run_comnd(e, "「ラベル1」を作る") == QEL_OK);
    CHECK(qel_get_obj_name(e, "ボタン1", &name) == QEL_OK);
    CHECK_TEXT(name, "ボタン１");
    qel_free(name);
    CHECK(qel_get_obj_name(e, "子のラベル1", &name) == QEL_OK);
    CHECK_TEXT(name, "ラベル１");
    qel_free(name);
    /* Nothing loaded answers to these; asking changes nothing. */
    const char *none[] = {"", "0", "-3", "1e300", "ボタン9", "知らない", "子の知らない", "これ"};
    for (size_t i = 0; i < sizeof none / sizeof *none; i++) {
        CHECK(qel_get_obj_name(e, none[i], &name) == QEL_OK);
        CHECK_TEXT(name, "");
        qel_free(name);
    }
    CHECK(qel_get_obj_name(e, NULL, &name) == QEL_ERR_ARGUMENT);
    qel_destroy(e);
}

/* ---- another thread ----------------------------------------------------------- */

struct runner {
    qel_engine *engine;
    qel_result result;
};

static void *run_endless(void *arg) {
    struct runner *r = arg;
    r->result = qel_run(r->engine, "Ｎは　０\n繰り返す\n  Ｎは　Ｎ＋１\n繰り返し終わり\n", "", 0);
    return NULL;
}

static void sleep_ms(int ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

static void pause_and_stop_from_another_thread(void) {
    struct host h;
    qel_engine *e = engine_with(&h);
    h.on_pause = RESUME;
    struct runner r = {e, QEL_ERR_INTERNAL};
    pthread_t thread;
    CHECK(pthread_create(&thread, NULL, run_endless, &r) == 0);
    int status = -1;
    /* Wait until it runs (other calls from here are refused meanwhile). */
    for (int i = 0; i < 500 && qel_get_status(e, &status) != QEL_ERR_BUSY; i++) sleep_ms(10);
    CHECK(qel_get_status(e, &status) == QEL_ERR_BUSY);
    CHECK(qel_do_pause(e) == QEL_OK);
    for (int i = 0; i < 500 && h.pauses == 0; i++) sleep_ms(10);
    CHECK(h.pauses == 1);
    CHECK(qel_do_stop(e) == QEL_OK);
    CHECK(qel_do_stop(e) == QEL_ERR_STOPPING || qel_do_stop(e) == QEL_ERR_NOT_RUNNING);
    pthread_join(thread, NULL);
    CHECK(r.result == QEL_OK);
    CHECK(qel_get_status(e, &status) == QEL_OK);
    qel_destroy(e);
}

int main(void) {
    wrong_order_and_bad_arguments();
    caller_both_ways();
    set_info_values();
    calls_from_inside_callbacks();
    pauses_and_stop_lines();
    editor_reports_and_errors();
    files();
    steps_through_files_and_procedures();
    object_names();
    pause_and_stop_from_another_thread();
    if (failures) {
        fprintf(stderr, "%d checks failed\n", failures);
        return 1;
    }
    printf("all checks passed\n");
    return 0;
}
