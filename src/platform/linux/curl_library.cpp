#include "platform/linux/curl_library.h"

#include <dlfcn.h>

namespace qel {
namespace {

struct Loaded {
    CurlLibrary api{};
    bool ok = false;
    std::string why;
};

template <class F>
bool bind(void* handle, const char* name, F& slot, std::string& why) {
    slot = reinterpret_cast<F>(dlsym(handle, name));
    if (!slot) why = std::string("libcurl has no ") + name;
    return slot != nullptr;
}

Loaded load() {
    Loaded l;
    // The library stays loaded for the rest of the process: handles and
    // its global state must outlive every transfer.
    void* handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        l.why =
            std::string("the network library libcurl cannot be loaded: ") + (error ? error : "");
        return l;
    }
    CurlLibrary& a = l.api;
    l.ok = bind(handle, "curl_global_init", a.global_init, l.why) &&
           bind(handle, "curl_easy_init", a.easy_init, l.why) &&
           bind(handle, "curl_easy_cleanup", a.easy_cleanup, l.why) &&
           bind(handle, "curl_easy_setopt", a.easy_setopt, l.why) &&
           bind(handle, "curl_easy_getinfo", a.easy_getinfo, l.why) &&
           bind(handle, "curl_easy_strerror", a.easy_strerror, l.why) &&
           bind(handle, "curl_multi_init", a.multi_init, l.why) &&
           bind(handle, "curl_multi_cleanup", a.multi_cleanup, l.why) &&
           bind(handle, "curl_multi_add_handle", a.multi_add_handle, l.why) &&
           bind(handle, "curl_multi_remove_handle", a.multi_remove_handle, l.why) &&
           bind(handle, "curl_multi_perform", a.multi_perform, l.why) &&
           bind(handle, "curl_multi_poll", a.multi_poll, l.why) &&
           bind(handle, "curl_multi_info_read", a.multi_info_read, l.why) &&
           bind(handle, "curl_slist_append", a.slist_append, l.why) &&
           bind(handle, "curl_slist_free_all", a.slist_free_all, l.why);
    if (l.ok && a.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        l.ok = false;
        l.why = "the network library libcurl cannot start";
    }
    return l;
}

}  // namespace

const CurlLibrary* curlLibrary(std::string& why) {
    // The runtime transfers on its one thread; a static initialiser loads
    // the library exactly once.
    static const Loaded loaded = load();
    if (!loaded.ok) why = loaded.why;
    return loaded.ok ? &loaded.api : nullptr;
}

}  // namespace qel
