// libcurl, loaded when the first transfer starts rather than at program
// start. libcurl brings some thirty libraries with it (TLS, Kerberos, LDAP,
// SSH…); loading them at every launch made the window and the command-line
// tools start noticeably slower, though most sessions never transfer.
//
// This file defines the libcurl entry points the program uses. Each resolves
// the real function from libcurl.so.4 on first use. When libcurl cannot be
// loaded, lacks a function, or is older than the version the program was
// built and tested with (an older one may silently lack a setting the
// transfers rely on), the functions fail the way libcurl itself reports
// failure (null handles, CURLE_FAILED_INIT), and curlLoadProblem() says why.
//
// The variadic setters and getters pass exactly one argument; its type
// follows from the option number, as libcurl's own headers define it.
// The type-checking macros would rename the definitions below.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <dlfcn.h>

#include "transfer/ftpcurl.h"

#include <cstdarg>
#include <mutex>
#include <string>

namespace {

struct CurlApi {
    bool loaded = false;
    std::string problem;                                               // why it is not loaded
    const curl_easyoption* (*easy_option_by_id)(CURLoption) = nullptr; // optional
    curl_version_info_data* (*version_info)(CURLversion);
    CURLcode (*global_init)(long);
    CURL* (*easy_init)();
    void (*easy_cleanup)(CURL*);
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
    const char* (*easy_strerror)(CURLcode);
    CURLM* (*multi_init)();
    CURLMcode (*multi_cleanup)(CURLM*);
    CURLMcode (*multi_add_handle)(CURLM*, CURL*);
    CURLMcode (*multi_remove_handle)(CURLM*, CURL*);
    CURLMcode (*multi_setopt)(CURLM*, CURLMoption, ...);
    CURLMsg* (*multi_info_read)(CURLM*, int*);
    CURLMcode (*multi_perform)(CURLM*, int*);
    CURLMcode (*multi_poll)(CURLM*, curl_waitfd[], unsigned int, int, int*);
    CURLMcode (*multi_wakeup)(CURLM*);
    curl_slist* (*slist_append)(curl_slist*, const char*);
    void (*slist_free_all)(curl_slist*);
    CURLSH* (*share_init)();
    CURLSHcode (*share_cleanup)(CURLSH*);
    CURLSHcode (*share_setopt)(CURLSH*, CURLSHoption, ...);
};

template <typename F> bool resolve(void* lib, const char* name, F*& out) {
    out = reinterpret_cast<F*>(dlsym(lib, name));
    return out != nullptr;
}

const CurlApi& api() {
    static CurlApi a{};
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept loaded for the life of the process.
        void* lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            a.problem = std::string("libcurl could not be loaded: ") + dlerror();
            return;
        }
        resolve(lib, "curl_easy_option_by_id", a.easy_option_by_id);
        a.loaded = resolve(lib, "curl_version_info", a.version_info) &&
                   resolve(lib, "curl_global_init", a.global_init) &&
                   resolve(lib, "curl_easy_init", a.easy_init) &&
                   resolve(lib, "curl_easy_cleanup", a.easy_cleanup) &&
                   resolve(lib, "curl_easy_setopt", a.easy_setopt) &&
                   resolve(lib, "curl_easy_getinfo", a.easy_getinfo) &&
                   resolve(lib, "curl_easy_strerror", a.easy_strerror) &&
                   resolve(lib, "curl_multi_init", a.multi_init) &&
                   resolve(lib, "curl_multi_cleanup", a.multi_cleanup) &&
                   resolve(lib, "curl_multi_add_handle", a.multi_add_handle) &&
                   resolve(lib, "curl_multi_remove_handle", a.multi_remove_handle) &&
                   resolve(lib, "curl_multi_setopt", a.multi_setopt) &&
                   resolve(lib, "curl_multi_info_read", a.multi_info_read) &&
                   resolve(lib, "curl_multi_perform", a.multi_perform) &&
                   resolve(lib, "curl_multi_poll", a.multi_poll) &&
                   resolve(lib, "curl_multi_wakeup", a.multi_wakeup) &&
                   resolve(lib, "curl_slist_append", a.slist_append) &&
                   resolve(lib, "curl_slist_free_all", a.slist_free_all) &&
                   resolve(lib, "curl_share_init", a.share_init) &&
                   resolve(lib, "curl_share_cleanup", a.share_cleanup) &&
                   resolve(lib, "curl_share_setopt", a.share_setopt);
        if (!a.loaded) {
            a.problem = "libcurl lacks a function the program needs";
            return;
        }
        const curl_version_info_data* found = a.version_info(CURLVERSION_NOW);
        if (!found || found->version_num < LIBCURL_VERSION_NUM) {
            a.loaded = false;
            a.problem = std::string("libcurl ") + (found && found->version ? found->version : "?") +
                        " is older than " LIBCURL_VERSION
                        ", the version this program was built with; please install a newer "
                        "libcurl";
        }
    });
    return a;
}

// The kind of argument an option number takes (libcurl's CURLOPTTYPE_*).
enum class ArgKind { Long, Pointer, OffT };
ArgKind kindOf(int option) {
    if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
        return ArgKind::OffT;
    if (option >= CURLOPTTYPE_OBJECTPOINT)
        return ArgKind::Pointer;
    return ArgKind::Long;
}

// Passes a setter's one variadic argument on with the type its option takes.
template <typename Result, typename Handle, typename Option>
Result forwardOption(Result (*setter)(Handle, Option, ...), Handle handle, Option option,
                     va_list ap) {
    // curl_off_t is long on some platforms and not on others, so the two
    // integer cases stay apart even where they read alike.
    const ArgKind kind = kindOf(option);
    if (kind == ArgKind::OffT)
        return setter(handle, option, va_arg(ap, curl_off_t));
    if (kind == ArgKind::Long)
        return setter(handle, option, va_arg(ap, long));
    return setter(handle, option, va_arg(ap, void*));
}

} // namespace

namespace morvane {
const char* curlLoadProblem() {
    return api().loaded ? nullptr : api().problem.c_str();
}

void ensureCurlInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
} // namespace morvane

extern "C" {

const curl_easyoption* curl_easy_option_by_id(CURLoption id) {
    return api().loaded && api().easy_option_by_id ? api().easy_option_by_id(id) : nullptr;
}

curl_version_info_data* curl_version_info(CURLversion age) {
    return api().loaded ? api().version_info(age) : nullptr;
}

CURLcode curl_global_init(long flags) {
    return api().loaded ? api().global_init(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
    return api().loaded ? api().easy_init() : nullptr;
}

void curl_easy_cleanup(CURL* handle) {
    if (api().loaded)
        api().easy_cleanup(handle);
}

CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
    if (!api().loaded)
        return CURLE_FAILED_INIT;
    va_list ap;
    va_start(ap, option);
    const CURLcode rc = forwardOption(api().easy_setopt, handle, option, ap);
    va_end(ap);
    return rc;
}

CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
    if (!api().loaded)
        return CURLE_FAILED_INIT;
    // Every kind of information is returned through a pointer.
    va_list ap;
    va_start(ap, info);
    void* out = va_arg(ap, void*);
    va_end(ap);
    return api().easy_getinfo(handle, info, out);
}

const char* curl_easy_strerror(CURLcode code) {
    return api().loaded ? api().easy_strerror(code) : "libcurl is not available";
}

CURLM* curl_multi_init() {
    return api().loaded ? api().multi_init() : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    return api().loaded ? api().multi_cleanup(multi) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy) {
    return api().loaded ? api().multi_add_handle(multi, easy) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy) {
    return api().loaded ? api().multi_remove_handle(multi, easy) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_setopt(CURLM* multi, CURLMoption option, ...) {
    if (!api().loaded)
        return CURLM_BAD_HANDLE;
    va_list ap;
    va_start(ap, option);
    const CURLMcode rc = forwardOption(api().multi_setopt, multi, option, ap);
    va_end(ap);
    return rc;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* msgs_in_queue) {
    if (!api().loaded) {
        if (msgs_in_queue)
            *msgs_in_queue = 0;
        return nullptr;
    }
    return api().multi_info_read(multi, msgs_in_queue);
}

CURLMcode curl_multi_perform(CURLM* multi, int* running_handles) {
    return api().loaded ? api().multi_perform(multi, running_handles) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra_fds[], unsigned int extra_nfds,
                          int timeout_ms, int* ret) {
    return api().loaded ? api().multi_poll(multi, extra_fds, extra_nfds, timeout_ms, ret)
                        : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_wakeup(CURLM* multi) {
    return api().loaded ? api().multi_wakeup(multi) : CURLM_BAD_HANDLE;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    return api().loaded ? api().slist_append(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (api().loaded)
        api().slist_free_all(list);
}

CURLSH* curl_share_init() {
    return api().loaded ? api().share_init() : nullptr;
}

CURLSHcode curl_share_cleanup(CURLSH* share) {
    return api().loaded ? api().share_cleanup(share) : CURLSHE_INVALID;
}

CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...) {
    if (!api().loaded)
        return CURLSHE_INVALID;
    // What to share takes an int; the lock functions and their data a
    // pointer.
    va_list ap;
    va_start(ap, option);
    CURLSHcode rc = CURLSHE_BAD_OPTION;
    if (option == CURLSHOPT_SHARE || option == CURLSHOPT_UNSHARE) {
        const int what = va_arg(ap, int);
        rc = api().share_setopt(share, option, what);
    } else if (option == CURLSHOPT_LOCKFUNC || option == CURLSHOPT_UNLOCKFUNC ||
               option == CURLSHOPT_USERDATA) {
        void* pointer = va_arg(ap, void*);
        rc = api().share_setopt(share, option, pointer);
    }
    va_end(ap);
    return rc;
}

} // extern "C"
