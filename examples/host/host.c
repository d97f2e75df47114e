/*
 * A program that embeds the Qelscript engine through its C interface.
 *
 * It runs a script (the file named on the command line, or a small one of
 * its own) and stands behind the script's 呼び出し元 (the caller): the
 * script reads this program's 名前 and 回数, writes 回数, and sends it the
 * command 合図. It also hands over the handle of a button it made (writing
 * 対象), which this program turns back into the button's script name. What
 * the script shows comes back through the output callback.
 *
 * Build against an installed library:
 *     cc host.c $(pkg-config --cflags --libs qelscript) -o host
 */
#include <qelscript/qelscript.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct caller {
    qel_engine *engine;
    char count[64]; /* 呼び出し元の回数 */
    int signals;    /* how often 呼び出し元の合図 came */
};

static const char *on_item_request(void *user, const char *item) {
    struct caller *self = user;
    if (strcmp(item, "名前") == 0) return "ホスト";
    if (strcmp(item, "回数") == 0) return self->count;
    return NULL; /* unknown: empty */
}

static void on_item_update(void *user, const char *item, const char *set_normal, double set_num,
                           const char *set_plain, int *not_found) {
    struct caller *self = user;
    (void)set_num, (void)set_plain;
    if (strcmp(item, "対象") == 0) {
        /* The script knows its objects by name; a host gets a handle. */
        char *name = NULL;
        if (qel_get_obj_name(self->engine, set_normal, &name) == QEL_OK)
            printf("[host] 対象 is %s\n", name[0] ? name : "(no object)");
        qel_free(name);
        return;
    }
    if (strcmp(item, "回数") != 0) {
        *not_found = 1;
        return;
    }
    snprintf(self->count, sizeof self->count, "%s", set_normal);
}

static void on_command(void *user, const char *verb, const char *noun, int *not_found) {
    struct caller *self = user;
    if (strcmp(verb, "合図") == 0) {
        self->signals++;
        printf("[host] 合図 (%s)\n", noun);
        return;
    }
    *not_found = 1;
}

static void on_output(void *user, int stream, const char *text) {
    (void)user;
    fprintf(stream == 2 ? stderr : stdout, "[script] %s", text);
}

static const char *demo =
    "「こんにちは、［呼び出し元の名前］さん」を表示\n"
    "呼び出し元の回数は　呼び出し元の回数＋１\n"
    "「回数は［呼び出し元の回数］」を表示\n"
    "呼び出し元の合図\n"
    "「ボタン1」を作る\n"
    "「ボタン」を「送信」として作る\n"
    "呼び出し元の対象は　ボタン1のハンドル\n"
    "呼び出し元の対象は　送信のハンドル\n"
    "呼び出し元の対象は　０\n";

int main(int argc, char **argv) {
    qel_engine *engine = qel_new();
    if (!engine) return 1;
    struct caller caller = {engine, "41", 0};

    qel_host_callbacks callbacks = {0};
    callbacks.size = sizeof callbacks;
    callbacks.user = &caller;
    callbacks.item_request = on_item_request;
    callbacks.item_update = on_item_update;
    callbacks.command = on_command;
    callbacks.output = on_output;
    qel_set_host(engine, &callbacks);

    qel_result result = argc > 1 ? qel_run_file(engine, argv[1], 0)
                                 : qel_run(engine, demo, "demo.qel", 0);
    if (result != QEL_OK) fprintf(stderr, "host: %s\n", qel_last_error(engine));

    printf("[host] 回数 is now %s, %d 合図\n", caller.count, caller.signals);
    qel_destroy(engine);
    return result == QEL_OK ? 0 : 1;
}
