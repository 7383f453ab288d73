// Runs a set of transfers for one site, for the jobs beside the upload
// that read from the server or change it: a walk of its folders, a
// download, deletions. The owner prepares each transfer when it is about
// to run and hears how each one ended; the queue keeps the rules every job
// of the program keeps. Until one connection has logged in only one
// transfer runs, so a wrong password costs a single failed login; a server
// that cannot be verified, a refused first login or a server that cannot
// be reached stops everything at once; a connection the server turns away
// as one too many lowers the number of connections; a transfer that failed
// for a passing reason (a dropped connection, 421, 425, 426) runs again a
// few times after a pause. Every transfer runs on a lane of its own (see
// curllanes.h).
#pragma once

#include "core/sitestore.h"
#include "transfer/ftpaddress.h"
#include "transfer/ftpstream.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>

namespace morvane {

// The connections a finished queue still holds open, handed to the next
// queue for the same site (a walk's to the download that follows it), so
// that the second needs no login of its own.
struct KeptConnections {
    std::unique_ptr<CurlRunner> runner;
    int lanes = 0;    // connections the runner was made for
    int accepted = 0; // of them, what the server accepted at once
    bool loggedIn = false;
    QElapsedTimer idle; // since the queue that kept them ended
};

class TransferQueue {
public:
    // Prepares transfer `id`; null with `error` set when it cannot run.
    using Prepare = std::function<std::unique_ptr<StreamInfo>(int id, FtpError* error)>;
    // Transfer `id` has ended for good (well, or failed after its reruns).
    using Ended = std::function<void(int id, const FtpTransferResult& result, StreamInfo& info)>;
    // Everything stopped: the server can't be used (`error` says why).
    using Stopped = std::function<void(const FtpError& error)>;

    // Posted calls and reruns are run in `context`'s thread and dropped
    // once it is gone.
    explicit TransferQueue(QObject* context);
    ~TransferQueue();
    TransferQueue(const TransferQueue&) = delete;
    TransferQueue& operator=(const TransferQueue&) = delete;

    // Reads the site (its password filled in): server, protocol, login,
    // trust, connection limit and server folder. False with `problem` set
    // when the site can't be used.
    bool configure(const Site& site, QString* problem);
    const FtpServerAddress& server() const { return m_server; }
    const QStringList& serverFolder() const { return m_base; } // segments
    const FtpCredentials& credentials() const { return m_credentials; }
    const FtpTransferOptions& options() const { return m_options; }
    SiteProtocol protocol() const { return m_options.protocol; }
    void setReplyTimeout(int seconds) { m_options.replyTimeoutSeconds = std::max(1, seconds); }
    // Connections at most (after configure(): the site's limit).
    void setLimit(int connections) { m_limit = std::max(1, connections); }

    void setHandlers(Prepare prepare, Ended ended, Stopped stopped);
    // Before begin(): run on these connections instead of opening new ones.
    // Ignored when they are not for as many connections as this queue's, or
    // have been idle long enough (a question answered slowly) for a server
    // or a router on the way to have dropped them unseen.
    void useConnections(std::shared_ptr<KeptConnections> kept) { m_kept = std::move(kept); }
    // Once idle: the open connections, for another queue; null when the
    // queue stopped on an error or never ran. The queue runs nothing more.
    std::shared_ptr<KeptConnections> keepConnections();
    // Makes the connection runner. False with `problem` set when libcurl
    // can't be used.
    bool begin(QString* problem);
    void enqueue(int id);
    // Stops every running transfer and forgets the queued ones.
    void stop();
    bool isIdle() const { return m_running.empty() && m_queued.empty() && m_delayed == 0; }
    // The transfers started so far (reruns included).
    int started() const { return m_started; }
    // Set when the server could not be verified.
    TrustProblem trustProblem() const { return m_trust; }
    SshHostKey hostKey() const { return m_hostKey; }

private:
    void pump();
    void launch(int id);
    void onDone(CURL* easy, CURLcode code);
    void stopAll(const FtpError& error);

    QPointer<QObject> m_context;
    // Calls the runner posts hold this weakly: the runner may outlive the
    // queue when another queue takes its connections.
    std::shared_ptr<TransferQueue*> m_self = std::make_shared<TransferQueue*>(this);
    std::shared_ptr<KeptConnections> m_kept;
    bool m_failed = false; // stopped by stopAll()
    int m_lanes = 0;       // connections the runner was made for
    FtpServerAddress m_server;
    QStringList m_base;
    FtpCredentials m_credentials;
    FtpTransferOptions m_options;
    int m_limit = 4;
    Prepare m_prepare;
    Ended m_ended;
    Stopped m_stopped;
    std::unique_ptr<CurlRunner> m_driver;
    std::deque<int> m_queued;
    std::unordered_map<int, std::unique_ptr<StreamInfo>> m_running;
    std::unordered_map<int, int> m_retries;
    std::unordered_map<int, int> m_refusals;
    int m_delayed = 0; // reruns waiting for their pause to end
    int m_started = 0;
    bool m_everLoggedIn = false;
    bool m_stopped_ = false;
    TrustProblem m_trust = TrustProblem::None;
    SshHostKey m_hostKey;
};

} // namespace morvane
