#include "platform/linux/archive_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace qel {
namespace {

struct Loaded {
    ArchiveLibrary api;
    bool ok = false;
    std::string why;
};

Loaded load() {
    Loaded l;
    // Stays loaded for the rest of the process, as the objects made by it
    // may live until the end.
    void* handle = dlopen("libarchive.so.13", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        l.why =
            std::string("the archive library libarchive cannot be loaded: ") + (error ? error : "");
        return l;
    }
#define QEL_ARCHIVE_BIND(name)                                              \
    l.api.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
    if (!l.api.name) {                                                      \
        l.why = "libarchive has no " #name;                                 \
        return l;                                                           \
    }
    QEL_ARCHIVE_FUNCTIONS(QEL_ARCHIVE_BIND)
#undef QEL_ARCHIVE_BIND
    l.ok = true;
    return l;
}

const Loaded& loaded() {
    static const Loaded library = load();
    return library;
}

}  // namespace

const ArchiveLibrary* loadArchiveLibrary(std::string& why) {
    const Loaded& l = loaded();
    if (!l.ok) why = l.why;
    return l.ok ? &l.api : nullptr;
}

const ArchiveLibrary& archiveLibrary() {
    const Loaded& l = loaded();
    if (!l.ok) {
        // Only reached by code that did not ask first: a fault of ours.
        std::fprintf(stderr, "qelscript: %s\n", l.why.c_str());
        std::abort();
    }
    return l.api;
}

}  // namespace qel
