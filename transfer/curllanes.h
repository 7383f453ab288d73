// Transfers run on threads of their own, one connection per thread, for
// every protocol.
//
// libcurl waits for some replies without returning to its caller: the
// server's final reply after an FTP or FTPS upload (over TLS the data
// connection must end with TLS's own close, which only curl can send), and
// the closing of the file after an SFTP upload. On one event loop every
// such wait would stop every other connection, and the window with them.
// Here each lane has its own multi handle and thread, so a wait holds only
// the lane that waits.
#pragma once

#include "transfer/ftpcurl.h"

#include <QObject>

#include <memory>
#include <unordered_map>
#include <vector>

namespace morvane {

class CurlLanes : public CurlRunner {
public:
    // `lanes` threads, started at once; each keeps one connection.
    explicit CurlLanes(int lanes);
    ~CurlLanes() override;

    CurlLanes(const CurlLanes&) = delete;
    CurlLanes& operator=(const CurlLanes&) = delete;

    // False when a lane could not be made (libcurl refused a multi handle).
    bool isUsable() const;

    void setDoneHandler(DoneHandler handler) override { m_done = std::move(handler); }
    // Each lane keeps its own connection; nothing to change.
    void setConnectionCacheSize(int) override {}
    // Runs the handle on an idle lane, preferring one whose connection is
    // still open. Sets the handle's socket callbacks.
    bool add(CURL* easy) override;
    // Waits for the handle's lane to let it go; a lane that is waiting for
    // the server inside curl is woken by shutting its sockets, since the
    // connection of a transfer stopped midway is not reused anyway.
    void remove(CURL* easy) override;
    void post(std::function<void()> call) override;

private:
    struct Lane;
    struct Running {
        Lane* lane = nullptr;
        quint64 serial = 0;
    };

    void deliver(CURL* easy, quint64 serial, CURLcode result);
    Lane* pickLane() const;

    std::vector<std::unique_ptr<Lane>> m_lanes;
    // Receives what the lanes post, on the owner's thread.
    std::unique_ptr<QObject> m_receiver;
    std::unordered_map<CURL*, Running> m_running;
    quint64 m_nextSerial = 1;
    DoneHandler m_done;
};

} // namespace morvane
