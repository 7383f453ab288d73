#include "transfer/curllanes.h"

#include "transfer/ftplog.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <utility>

#include <sys/socket.h>
#include <unistd.h>

namespace morvane {

namespace {
// The longest a lane waits in one go while it has transfers (see run()).
constexpr int kBusyWaitMs = 5;
} // namespace

// One thread with its own multi handle. The owner's thread hands it
// handles and takes them back through the shared fields, under `mutex`;
// curl's handles themselves are touched only by the lane while they are
// added, and only by the owner otherwise.
struct CurlLanes::Lane {
    CurlLanes* owner = nullptr;
    QObject* receiver = nullptr;
    // The TLS sessions of the lane's connection, shared by every handle the
    // lane runs. FTPS servers (vsftpd, proftpd) accept a data connection
    // only when it resumes the control connection's TLS session, and each
    // transfer is a handle of its own: without the share, a transfer on
    // the kept connection would open its data connection with a fresh
    // session and be refused. One share per lane, since a session belongs
    // to one connection (one server process): another connection resuming
    // it would be refused just the same. Declared before the multi handle,
    // so that it outlives the connections, and after its locks, which its
    // own clean-up still takes.
    std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks;
    CurlShare share;
    CurlMulti multi;
    std::thread thread;
    int busy = 0; // the owner's thread only: handles given and not yet back

    std::mutex mutex;
    std::condition_variable released;
    std::vector<std::pair<CURL*, quint64>> toAdd;
    std::vector<CURL*> toRemove;
    std::unordered_set<CURL*> held; // given to the lane and not yet ended
    std::unordered_set<curl_socket_t> live;
    bool quit = false;

    void run();
    void ended(CURL* easy, quint64 serial, CURLcode result);
    void wake() { curl_multi_wakeup(multi.get()); }
    // Makes whatever curl waits for on this lane's connection fail at once.
    void shutSockets() {
        for (curl_socket_t fd : live)
            ::shutdown(fd, SHUT_RDWR);
    }
    bool connected() {
        std::lock_guard lock(mutex);
        return !live.empty();
    }

    // The share is used by the lane's thread while a handle runs, and by
    // the owner's thread when it attaches or cleans up a handle.
    static void lockShare(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<Lane*>(self)->shareLocks[size_t(data)].lock();
    }
    static void unlockShare(CURL*, curl_lock_data data, void* self) {
        static_cast<Lane*>(self)->shareLocks[size_t(data)].unlock();
    }
    bool makeShare() {
        share.reset(curl_share_init());
        return share &&
               curl_share_setopt(share.get(), CURLSHOPT_LOCKFUNC, &Lane::lockShare) == CURLSHE_OK &&
               curl_share_setopt(share.get(), CURLSHOPT_UNLOCKFUNC, &Lane::unlockShare) ==
                   CURLSHE_OK &&
               curl_share_setopt(share.get(), CURLSHOPT_USERDATA, static_cast<void*>(this)) ==
                   CURLSHE_OK &&
               curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) ==
                   CURLSHE_OK;
    }

    static curl_socket_t openSocket(void* self, curlsocktype, curl_sockaddr* address) {
        auto* lane = static_cast<Lane*>(self);
        const curl_socket_t fd = ::socket(address->family, address->socktype, address->protocol);
        if (fd != CURL_SOCKET_BAD) {
            std::lock_guard lock(lane->mutex);
            lane->live.insert(fd);
        }
        return fd;
    }
    // Forgotten before it is closed: the owner never shuts a number that
    // may already belong to another file.
    static int closeSocket(void* self, curl_socket_t fd) {
        auto* lane = static_cast<Lane*>(self);
        {
            std::lock_guard lock(lane->mutex);
            lane->live.erase(fd);
        }
        return ::close(fd);
    }
};

void CurlLanes::Lane::ended(CURL* easy, quint64 serial, CURLcode result) {
    {
        std::lock_guard lock(mutex);
        held.erase(easy);
    }
    released.notify_all();
    CurlLanes* lanes = owner;
    QMetaObject::invokeMethod(
        receiver, [lanes, easy, serial, result] { lanes->deliver(easy, serial, result); },
        Qt::QueuedConnection);
}

void CurlLanes::Lane::run() {
    std::unordered_map<CURL*, quint64> added;
    for (;;) {
        std::vector<std::pair<CURL*, quint64>> adds;
        std::vector<CURL*> removes;
        bool stop = false;
        {
            std::lock_guard lock(mutex);
            adds.swap(toAdd);
            removes.swap(toRemove);
            stop = quit;
        }
        // Removals first: a handle that ended meanwhile is no longer in
        // `added`, and its memory may already be another handle's.
        for (CURL* easy : removes) {
            if (added.erase(easy))
                curl_multi_remove_handle(multi.get(), easy);
        }
        if (!removes.empty()) {
            {
                std::lock_guard lock(mutex);
                for (CURL* easy : removes)
                    held.erase(easy);
            }
            released.notify_all();
        }
        if (stop)
            break;
        for (const auto& [easy, serial] : adds) {
            if (curl_multi_add_handle(multi.get(), easy) == CURLM_OK)
                added.emplace(easy, serial);
            else
                ended(easy, serial, CURLE_FAILED_INIT);
        }
        int running = 0;
        curl_multi_perform(multi.get(), &running);
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            CURL* easy = msg->easy_handle;
            const CURLcode result = msg->data.result;
            curl_multi_remove_handle(multi.get(), easy);
            const auto it = added.find(easy);
            const quint64 serial = it != added.end() ? it->second : 0;
            if (it != added.end())
                added.erase(it);
            ended(easy, serial, result);
        }
        // Waits for the sockets, curl's own timeouts or wake(). While a
        // transfer runs the wait is short: a TLS reply that OpenSSL has
        // already read into its own buffer (the control connection's final
        // reply, read along with the data connection's close) makes no
        // socket readable, and curl would otherwise notice it only at the
        // end of the wait, a second per file.
        curl_multi_poll(multi.get(), nullptr, 0, added.empty() ? 1000 : kBusyWaitMs, nullptr);
    }
    {
        std::lock_guard lock(mutex);
        shutSockets();
    }
    // Closing the kept connection sends QUIT and waits for the reply; with
    // the sockets shut that fails at once.
    multi.reset();
}

CurlLanes::CurlLanes(int lanes) : m_receiver(std::make_unique<QObject>()) {
    ensureCurlInitialised();
    for (int i = 0; i < std::max(1, lanes); ++i) {
        auto lane = std::make_unique<Lane>();
        lane->owner = this;
        lane->receiver = m_receiver.get();
        lane->multi.reset(curl_multi_init());
        if (!lane->multi || !lane->makeShare() ||
            curl_multi_setopt(lane->multi.get(), CURLMOPT_MAXCONNECTS, 1L) != CURLM_OK) {
            qCDebug(lcFtp) << "libcurl refused a multi or share handle for a transfer thread";
            lane->multi.reset();
            m_lanes.push_back(std::move(lane));
            continue;
        }
        Lane* raw = lane.get();
        lane->thread = std::thread([raw] { raw->run(); });
        m_lanes.push_back(std::move(lane));
    }
}

CurlLanes::~CurlLanes() {
    for (auto& lane : m_lanes) {
        if (!lane->thread.joinable())
            continue;
        {
            std::lock_guard lock(lane->mutex);
            lane->quit = true;
            lane->shutSockets();
        }
        lane->wake();
    }
    for (auto& lane : m_lanes) {
        if (lane->thread.joinable())
            lane->thread.join();
    }
    // Results posted but not yet delivered are dropped with the receiver.
    m_receiver.reset();
}

bool CurlLanes::isUsable() const {
    for (const auto& lane : m_lanes) {
        if (!lane->thread.joinable())
            return false;
    }
    return !m_lanes.empty();
}

CurlLanes::Lane* CurlLanes::pickLane() const {
    Lane* best = nullptr;
    bool bestConnected = false;
    for (const auto& lane : m_lanes) {
        if (!lane->thread.joinable())
            continue;
        const bool connected = lane->busy == 0 && lane->connected();
        if (!best || lane->busy < best->busy ||
            (lane->busy == best->busy && connected && !bestConnected)) {
            best = lane.get();
            bestConnected = connected;
        }
    }
    return best;
}

bool CurlLanes::add(CURL* easy) {
    Lane* lane = pickLane();
    if (!lane)
        return false;
    // A connection keeps the close callback of the handle that opened it
    // and may outlive that handle: both get the lane, which outlives them.
    if (curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &Lane::openSocket) != CURLE_OK ||
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, static_cast<void*>(lane)) != CURLE_OK ||
        curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &Lane::closeSocket) != CURLE_OK ||
        curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, static_cast<void*>(lane)) != CURLE_OK ||
        curl_easy_setopt(easy, CURLOPT_SHARE, lane->share.get()) != CURLE_OK)
        return false;
    const quint64 serial = m_nextSerial++;
    {
        std::lock_guard lock(lane->mutex);
        lane->toAdd.emplace_back(easy, serial);
        lane->held.insert(easy);
    }
    ++lane->busy;
    m_running[easy] = {lane, serial};
    lane->wake();
    return true;
}

void CurlLanes::remove(CURL* easy) {
    const auto it = m_running.find(easy);
    if (it == m_running.end())
        return;
    Lane* lane = it->second.lane;
    m_running.erase(it);
    --lane->busy;
    std::unique_lock lock(lane->mutex);
    for (auto pending = lane->toAdd.begin(); pending != lane->toAdd.end(); ++pending) {
        if (pending->first == easy) {
            lane->toAdd.erase(pending);
            lane->held.erase(easy);
            return; // never reached curl
        }
    }
    if (!lane->held.count(easy))
        return; // ended; its result is on the way and will be dropped
    lane->toRemove.push_back(easy);
    lane->shutSockets();
    lane->wake();
    lane->released.wait(lock, [&] { return !lane->held.count(easy); });
}

void CurlLanes::post(std::function<void()> call) {
    QMetaObject::invokeMethod(m_receiver.get(), std::move(call), Qt::QueuedConnection);
}

void CurlLanes::deliver(CURL* easy, quint64 serial, CURLcode result) {
    const auto it = m_running.find(easy);
    if (it == m_running.end() || it->second.serial != serial)
        return; // removed by the owner meanwhile
    --it->second.lane->busy;
    m_running.erase(it);
    if (m_done)
        m_done(easy, result);
}

} // namespace morvane
