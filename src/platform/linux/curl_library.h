// libcurl, loaded the first time a script transfers something. Linking it
// would load it and its dozens of dependencies (TLS, Kerberos, LDAP …) into
// every run, which costs each script several milliseconds at start-up.
#pragma once

#include <curl/curl.h>

#include <string>

namespace qel {

struct CurlLibrary {
    decltype(&::curl_global_init) global_init;
    decltype(&::curl_easy_init) easy_init;
    decltype(&::curl_easy_cleanup) easy_cleanup;
    decltype(&::curl_easy_setopt) easy_setopt;
    decltype(&::curl_easy_getinfo) easy_getinfo;
    decltype(&::curl_easy_strerror) easy_strerror;
    decltype(&::curl_multi_init) multi_init;
    decltype(&::curl_multi_cleanup) multi_cleanup;
    decltype(&::curl_multi_add_handle) multi_add_handle;
    decltype(&::curl_multi_remove_handle) multi_remove_handle;
    decltype(&::curl_multi_perform) multi_perform;
    decltype(&::curl_multi_poll) multi_poll;
    decltype(&::curl_multi_info_read) multi_info_read;
    decltype(&::curl_slist_append) slist_append;
    decltype(&::curl_slist_free_all) slist_free_all;
};

// The loaded library with its global set-up done, or null with the reason in
// `why` when it cannot be loaded (the library is not installed).
const CurlLibrary* curlLibrary(std::string& why);

}  // namespace qel
