// libcurl for the transfer engine: owning handles for curl's objects, its
// loading and initialisation, and what runs a job's transfers (CurlLanes,
// one thread per connection, whatever the protocol).
#pragma once

#include <curl/curl.h>

#include <functional>
#include <memory>

namespace morvane {

// Owning handles for curl's objects.
struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

struct CurlShareDeleter {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};
using CurlShare = std::unique_ptr<CURLSH, CurlShareDeleter>;

// Initialises libcurl once per process, before the first handle is made.
void ensureCurlInitialised();

// Why libcurl cannot be used (not found, lacking a function, or older than
// the version this program was built and tested with), or null when it
// can. Loads libcurl on the first call.
const char* curlLoadProblem();

// What runs a job's transfers. Connections are kept between transfers, so
// consecutive transfers to one server reuse them. A runner never owns the
// easy handles; their owner removes them (remove()) or receives them back
// through the done handler. All calls come from the owner's thread, and
// the done handler and posted calls run there.
class CurlRunner {
public:
    using DoneHandler = std::function<void(CURL* easy, CURLcode result)>;

    virtual ~CurlRunner() = default;

    // Called once for each handle that ended, after it was removed from
    // curl; it may add or remove handles.
    virtual void setDoneHandler(DoneHandler handler) = 0;
    // The number of idle connections kept for reuse.
    virtual void setConnectionCacheSize(int connections) = 0;
    virtual bool add(CURL* easy) = 0;
    // Stops a handle that has not ended; it is curl's no longer once this
    // returns.
    virtual void remove(CURL* easy) = 0;
    // Runs `call` soon on the owner's thread. May be called from inside
    // curl's callbacks, whatever thread they run on; dropped when the
    // runner is destroyed first.
    virtual void post(std::function<void()> call) = 0;
};

} // namespace morvane
