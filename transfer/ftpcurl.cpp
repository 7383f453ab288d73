#include "transfer/ftpcurl.h"

#include "transfer/ftplog.h"

#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <mutex>
#include <utility>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// curl_multi_socket_all is deprecated in favour of socket_action, but it is
// the one call that runs every transfer and reports all sockets afresh.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace morvane {

void ensureCurlInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The notifiers of one of curl's sockets. A notifier may be dropped while
// its own activation is being handled, so they are deleted later.
struct CurlMultiDriver::SocketWatch {
    QPointer<QSocketNotifier> read;
    QPointer<QSocketNotifier> write;
    bool curlRead = false;
    bool curlWrite = false;
    std::vector<CURL*> resume; // paused handles waiting for this socket

    ~SocketWatch() {
        for (QSocketNotifier* n : {read.data(), write.data()}) {
            if (n) {
                n->setEnabled(false);
                n->deleteLater();
            }
        }
    }
};

CurlMultiDriver::CurlMultiDriver(QObject* parent) : QObject(parent) {
    ensureCurlInitialised();
    m_multi.reset(curl_multi_init());
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
    // Without its callbacks the multi handle would run nothing: a refusal
    // leaves the driver without one, and every add() then fails.
    if (m_multi && (curl_multi_setopt(m_multi.get(), CURLMOPT_SOCKETFUNCTION,
                                      &CurlMultiDriver::socketCallback) != CURLM_OK ||
                    curl_multi_setopt(m_multi.get(), CURLMOPT_SOCKETDATA, this) != CURLM_OK ||
                    curl_multi_setopt(m_multi.get(), CURLMOPT_TIMERFUNCTION,
                                      &CurlMultiDriver::timerCallback) != CURLM_OK ||
                    curl_multi_setopt(m_multi.get(), CURLMOPT_TIMERDATA, this) != CURLM_OK)) {
        qCDebug(lcFtp) << "libcurl refused the multi handle's callbacks";
        m_multi.reset();
    }
}

CurlMultiDriver::~CurlMultiDriver() {
    // Closing a cached FTP connection sends QUIT and waits for the reply
    // without returning to the event loop. Every transfer has ended by now,
    // so shut the sockets first: the QUIT then fails at once.
    for (curl_socket_t fd : m_live)
        ::shutdown(fd, SHUT_RDWR);
    // Closing the connections calls the socket callback; let it run while
    // the members still exist, then drop the notifiers.
    m_done = nullptr;
    m_multi.reset();
    m_watches.clear();
}

bool CurlMultiDriver::trackSockets(CURL* easy, SocketLog* log) {
    log->driver = this;
    // A connection keeps the close callback of the handle that opened it and
    // may outlive that handle, so the close callback gets the driver.
    return curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &CurlMultiDriver::openSocket) ==
               CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, static_cast<void*>(log)) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &CurlMultiDriver::closeSocket) ==
               CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, static_cast<void*>(this)) == CURLE_OK;
}

curl_socket_t CurlMultiDriver::openSocket(void* logp, curlsocktype, curl_sockaddr* address) {
    auto* log = static_cast<SocketLog*>(logp);
    const curl_socket_t fd = ::socket(address->family, address->socktype, address->protocol);
    if (fd != CURL_SOCKET_BAD) {
        log->opened.push_back(fd);
        log->driver->m_live.insert(fd);
    }
    return fd;
}

int CurlMultiDriver::closeSocket(void* self, curl_socket_t fd) {
    static_cast<CurlMultiDriver*>(self)->m_live.erase(fd);
    return ::close(fd);
}

namespace {

int portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    return -1;
}

// The local and the remote port of a connected socket.
std::pair<int, int> portsOf(curl_socket_t fd) {
    sockaddr_storage local{};
    sockaddr_storage remote{};
    socklen_t localLength = sizeof local;
    socklen_t remoteLength = sizeof remote;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0 ||
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &remoteLength) != 0)
        return {-1, -1};
    return {portOf(local), portOf(remote)};
}

} // namespace

// The control connection of `easy`. curl reports a socket to the socket
// callback only when what is watched on it changes, so a cached connection
// taken over by the next transfer may never be reported for that transfer.
// curl does keep the control connection's ports for each transfer, reused
// connection or not; the live socket with both of them is that connection
// (a data connection has another remote port).
curl_socket_t CurlMultiDriver::controlSocket(CURL* easy) const {
    long local = 0;
    long remote = 0;
    if (curl_easy_getinfo(easy, CURLINFO_LOCAL_PORT, &local) == CURLE_OK &&
        curl_easy_getinfo(easy, CURLINFO_PRIMARY_PORT, &remote) == CURLE_OK && local > 0 &&
        remote > 0) {
        for (curl_socket_t fd : m_live) {
            if (portsOf(fd) == std::pair<int, int>(int(local), int(remote)))
                return fd;
        }
    }
    const auto reply = m_replySocket.find(easy);
    if (reply != m_replySocket.end() && m_live.count(reply->second))
        return reply->second;
    return CURL_SOCKET_BAD;
}

bool CurlMultiDriver::pauseUntilFinalReply(CURL* easy, const SocketLog& log) {
    const curl_socket_t control = controlSocket(easy);
    if (control == CURL_SOCKET_BAD) {
        qCDebug(lcFtp) << "The control connection of an upload is not known";
        return false;
    }
    curl_socket_t data = CURL_SOCKET_BAD;
    for (curl_socket_t fd : log.opened) {
        if (fd == control || !m_live.count(fd))
            continue;
        if (data != CURL_SOCKET_BAD) {
            qCDebug(lcFtp) << "The data connection of an upload is not known";
            return false; // more than one candidate: leave it to curl
        }
        data = fd;
    }
    if (data == CURL_SOCKET_BAD || ::shutdown(data, SHUT_WR) != 0) {
        qCDebug(lcFtp) << "The data connection of an upload is not known";
        return false;
    }
    resumeWhenReadable(control, easy);
    return true;
}

void CurlMultiDriver::resumeWhenReadable(curl_socket_t fd, CURL* easy) {
    auto& slot = m_watches[fd];
    if (!slot)
        slot = std::make_unique<SocketWatch>();
    slot->resume.push_back(easy);
    updateNotifiers(fd);
}

void CurlMultiDriver::setConnectionCacheSize(int connections) {
    if (m_multi &&
        curl_multi_setopt(m_multi.get(), CURLMOPT_MAXCONNECTS, long(connections)) != CURLM_OK)
        qCDebug(lcFtp) << "libcurl refused the connection cache size" << connections;
}

bool CurlMultiDriver::add(CURL* easy) {
    if (!m_multi || curl_multi_add_handle(m_multi.get(), easy) != CURLM_OK)
        return false;
    ++m_added;
    return true;
}

void CurlMultiDriver::post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CurlMultiDriver::remove(CURL* easy) {
    if (m_multi && curl_multi_remove_handle(m_multi.get(), easy) == CURLM_OK)
        --m_added;
    m_replySocket.erase(easy);
    // A handle that ends (or is stopped) while paused is resumed by nobody.
    std::vector<curl_socket_t> touched;
    for (auto& [fd, w] : m_watches) {
        auto& r = w->resume;
        const auto before = r.size();
        r.erase(std::remove(r.begin(), r.end(), easy), r.end());
        if (r.size() != before)
            touched.push_back(fd);
    }
    for (curl_socket_t fd : touched)
        updateNotifiers(fd);
}

int CurlMultiDriver::socketCallback(CURL* easy, curl_socket_t fd, int what, void* self, void*) {
    auto* driver = static_cast<CurlMultiDriver*>(self);
    driver->m_socketChanges++;
    if (what == CURL_POLL_IN || what == CURL_POLL_INOUT)
        driver->m_replySocket[easy] = fd;
    driver->watch(fd, what);
    return 0;
}

int CurlMultiDriver::timerCallback(CURLM*, long timeoutMs, void* self) {
    auto* driver = static_cast<CurlMultiDriver*>(self);
    if (timeoutMs < 0)
        driver->m_timer.stop();
    else
        driver->m_timer.start(int(timeoutMs));
    return 0;
}

void CurlMultiDriver::watch(curl_socket_t fd, int what) {
    auto& slot = m_watches[fd];
    if (!slot)
        slot = std::make_unique<SocketWatch>();
    slot->curlRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    slot->curlWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    updateNotifiers(fd);
}

void CurlMultiDriver::updateNotifiers(curl_socket_t fd) {
    auto it = m_watches.find(fd);
    if (it == m_watches.end())
        return;
    SocketWatch& w = *it->second;
    if (!w.curlRead && !w.curlWrite && w.resume.empty()) {
        m_watches.erase(it); // deletes the notifiers later
        return;
    }
    auto set = [this, fd](QPointer<QSocketNotifier>& notifier, QSocketNotifier::Type type,
                          bool on) {
        if (!on) {
            if (notifier)
                notifier->setEnabled(false);
            return;
        }
        if (!notifier) {
            notifier = new QSocketNotifier(qintptr(fd), type, this);
            if (type == QSocketNotifier::Read)
                connect(notifier, &QSocketNotifier::activated, this, [this, fd] { readable(fd); });
            else
                connect(notifier, &QSocketNotifier::activated, this,
                        [this, fd] { socketAction(fd, CURL_CSELECT_OUT); });
        }
        notifier->setEnabled(true);
    };
    set(w.read, QSocketNotifier::Read, w.curlRead || !w.resume.empty());
    set(w.write, QSocketNotifier::Write, w.curlWrite);
}

void CurlMultiDriver::readable(curl_socket_t fd) {
    auto it = m_watches.find(fd);
    if (it == m_watches.end())
        return;
    const bool curlRead = it->second->curlRead;
    const std::vector<CURL*> resume = std::move(it->second->resume);
    it->second->resume.clear();
    updateNotifiers(fd);
    for (CURL* easy : resume)
        curl_easy_pause(easy, CURLPAUSE_CONT);
    socketAction(curlRead ? fd : CURL_SOCKET_TIMEOUT, curlRead ? CURL_CSELECT_IN : 0);
}

void CurlMultiDriver::socketAction(curl_socket_t fd, int events) {
    if (!m_multi || m_inAction)
        return;
    int running = 0;
    m_inAction = true;
    curl_multi_socket_action(m_multi.get(), fd, events, &running);
    // An FTP transfer that has just been told where to open its data
    // connection (EPSV/PASV reply) can stop there without a socket to watch
    // or a timer to wait for, so it would sit until some other transfer's
    // event. Running every transfer once more opens that data connection
    // and reports its socket; repeat while a run changed what is watched.
    for (int round = 0; running > 0 && round < 8; ++round) {
        m_socketChanges = 0;
        curl_multi_socket_all(m_multi.get(), &running);
        if (m_socketChanges == 0)
            break;
    }
    m_inAction = false;
    collectDone();
}

void CurlMultiDriver::collectDone() {
    QPointer<CurlMultiDriver> alive(this);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_multi.get(), &queued)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        CURL* easy = msg->easy_handle;
        const CURLcode result = msg->data.result;
        remove(easy);
        if (m_done)
            m_done(easy, result);
        if (!alive || !m_multi)
            return;
    }
}

} // namespace morvane
