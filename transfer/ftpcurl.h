// libcurl's multi-socket interface driven by the Qt event loop: socket
// notifiers for curl's sockets and one timer for its timeouts, all on the
// thread that owns the driver. Nothing here blocks; transfers progress as
// the event loop delivers socket events, also while a modal window runs.
#pragma once

#include <QObject>
#include <QTimer>

#include <curl/curl.h>

#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QSocketNotifier;

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

// Runs easy handles on one multi handle, on the owner's event loop.
class CurlMultiDriver : public QObject, public CurlRunner {
    Q_OBJECT
public:
    explicit CurlMultiDriver(QObject* parent = nullptr);
    ~CurlMultiDriver() override;

    void setDoneHandler(DoneHandler handler) override { m_done = std::move(handler); }
    void setConnectionCacheSize(int connections) override;
    bool add(CURL* easy) override;
    void remove(CURL* easy) override;
    void post(std::function<void()> call) override;
    int runningCount() const { return m_added; }

    // Resumes the paused handle `easy` once `fd` has something to read.
    void resumeWhenReadable(curl_socket_t fd, CURL* easy);

    // The sockets curl opened through this driver's handles and has not
    // closed yet (see trackSockets()).
    const std::unordered_set<curl_socket_t>& liveSockets() const { return m_live; }
    // Sockets opened for one handle while it runs.
    struct SocketLog {
        CurlMultiDriver* driver = nullptr;
        std::vector<curl_socket_t> opened;
    };
    // Makes curl open and close the handle's sockets through the driver,
    // so that they are known; `log` must outlive the handle's run. False
    // when libcurl refused the callbacks.
    bool trackSockets(CURL* easy, SocketLog* log);

    // For an FTP upload whose read callback has just reached the end of the
    // file: curl, told so, would wait for the server's final reply without
    // returning to the event loop. Instead this ends the data connection's
    // sending side (which is what makes the server reply) and arranges to
    // resume `easy` once the reply is readable. Returns true when the read
    // callback should now return CURL_READFUNC_PAUSE; false when the
    // connection's sockets are not known, and curl should be told of the
    // end directly.
    bool pauseUntilFinalReply(CURL* easy, const SocketLog& log);

private:
    struct SocketWatch;

    static int socketCallback(CURL* easy, curl_socket_t fd, int what, void* self, void* socketp);
    static int timerCallback(CURLM* multi, long timeoutMs, void* self);
    static curl_socket_t openSocket(void* log, curlsocktype purpose, curl_sockaddr* address);
    static int closeSocket(void* self, curl_socket_t fd);
    curl_socket_t controlSocket(CURL* easy) const;
    void watch(curl_socket_t fd, int what);
    void updateNotifiers(curl_socket_t fd);
    void readable(curl_socket_t fd);
    void socketAction(curl_socket_t fd, int events);
    void collectDone();

    CurlMulti m_multi;
    QTimer m_timer;
    std::unordered_map<curl_socket_t, std::unique_ptr<SocketWatch>> m_watches;
    DoneHandler m_done;
    std::unordered_set<curl_socket_t> m_live;
    std::unordered_map<CURL*, curl_socket_t> m_replySocket; // last socket curl read for a handle
    int m_added = 0;
    bool m_inAction = false;
    int m_socketChanges = 0; // socket callbacks during the last run
};

} // namespace morvane
