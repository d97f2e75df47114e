/*
 * Qelscript plug-in interface, version 1.
 *
 * A plug-in is a shared library that exports one function, named by
 * QEL_PLUGIN_ENTRY, which returns a description of the classes it offers.
 * Scripts create objects of those classes with 使う (or, for control classes,
 * with 作れ and the class's kind word) and address them with statements of
 * the form "object の verb", with property reads and writes, and with
 * 呼び出せ.
 *
 * All texts are NUL-terminated UTF-8. Texts handed to a plug-in are valid only
 * during the call; a plug-in answers with a text by calling answer->set,
 * which copies it. Every function runs on the script's thread, which on a Qt
 * host is the thread that owns the widgets: a control plug-in may make and
 * change its widgets from any of them.
 *
 * Rules that keep old plug-ins working with newer hosts:
 *  - the host passes its own version to the entry function; a plug-in built
 *    for a newer version than the host returns NULL;
 *  - a plug-in reports the version it was built for in abi_version; the host
 *    refuses a plug-in whose version it does not know;
 *  - structures only ever grow at their end; qel_plugin_control_host carries
 *    its size.
 */
#ifndef QELSCRIPT_PLUGIN_H
#define QELSCRIPT_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QEL_PLUGIN_ABI_VERSION 1u
#define QEL_PLUGIN_ENTRY "qel_plugin_entry"

/* What each operation answers. */
enum qel_plugin_status {
    QEL_PLUGIN_HANDLED = 0,     /* done; the answer (if any) was set */
    QEL_PLUGIN_NOT_HANDLED = 1, /* this object does not know the verb or name */
    QEL_PLUGIN_FAILED = 2       /* it knows it but failed; the answer says why */
};

/* Where a plug-in writes a text answer. */
typedef struct qel_plugin_text {
    void* host;
    void (*set)(struct qel_plugin_text* self, const char* utf8, size_t length);
} qel_plugin_text;

/* What the host gives a control plug-in to place itself in. */
typedef struct qel_plugin_control_host {
    uint32_t size;       /* sizeof(qel_plugin_control_host) of the host */
    const char* toolkit; /* "qt": parent is a QWidget*; "none": no native window */
    void* parent;        /* the hosting picture's native widget, or NULL */
    int32_t width;
    int32_t height;
} qel_plugin_control_host;

typedef struct qel_plugin_class {
    const char* name; /* the class name scripts write after the library name */
    /* Control classes: the kind word scripts make controls by ("カウンタ" makes
       カウンタ1, カウンタ2 ...); NULL for classes that are not controls. */
    const char* kind_word;
    void* (*create)(void); /* NULL when the object cannot be made */
    void (*destroy)(void* self);
    /* "object の verb argument": the verb and its (evaluated) argument text. */
    int (*run_cmd)(void* self, const char* verb, const char* argument, qel_plugin_text* answer);
    /* A read with arguments (object の name（arguments）) and 呼び出せ. */
    int (*run_func)(void* self, const char* name, const char* arguments, qel_plugin_text* result);
    /* Property reads and writes (object の name). */
    int (*get_data)(void* self, const char* name, qel_plugin_text* value);
    int (*set_data)(void* self, const char* name, const char* value, qel_plugin_text* why);
    /* Control classes: makes the control inside host->parent. May be NULL. */
    int (*make_control)(void* self, const qel_plugin_control_host* host, qel_plugin_text* why);
} qel_plugin_class;

typedef struct qel_plugin_module {
    uint32_t abi_version; /* QEL_PLUGIN_ABI_VERSION the plug-in was built for */
    uint32_t class_count;
    const qel_plugin_class* classes;
} qel_plugin_module;

/* The one exported function:
   const qel_plugin_module* qel_plugin_entry(uint32_t host_abi_version); */
typedef const qel_plugin_module* (*qel_plugin_entry_fn)(uint32_t host_abi_version);

#ifdef __cplusplus
}
#endif

#endif /* QELSCRIPT_PLUGIN_H */
