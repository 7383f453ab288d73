#include "transfer/transferqueue.h"

#include "transfer/curllanes.h"
#include "transfer/ftplog.h"

#include <QTimer>

#include <algorithm>

namespace morvane {

namespace {

constexpr int kDefaultConnections = 4;
constexpr int kMaxConnections = 64;
constexpr int kMaxRetries = 3;
constexpr int kRetryDelayMs = 250;
constexpr int kMaxRefusals = 20;
constexpr qint64 kMaxKeptIdleMs = 15000;

int connectionLimit(const Site& site) {
    bool ok = false;
    const int n = site.value(QStringLiteral("maxconnections")).trimmed().toInt(&ok, 10);
    if (!ok || n < 1)
        return kDefaultConnections;
    return std::min(n, kMaxConnections);
}

} // namespace

TransferQueue::TransferQueue(QObject* context) : m_context(context) {}

TransferQueue::~TransferQueue() {
    stop();
}

bool TransferQueue::configure(const Site& site, QString* problem) {
    const QString serverText = site.server().trimmed();
    const auto protocol = siteprotocol::of(site);
    if (serverText.isEmpty()) {
        *problem = QStringLiteral("This site has no server. Enter one in Site Properties.");
        return false;
    }
    if (!protocol) {
        *problem = QStringLiteral(
                       "The site's protocol \"%1\" is not known. Choose one in Site Properties.")
                       .arg(ftppath::printable(site.value(ftpsitekey::protocol)));
        return false;
    }
    m_options.protocol = *protocol;
    m_options.pinnedKey = site.value(ftpsitekey::tlsPin).trimmed().toLatin1();
    if (!m_options.pinnedKey.isEmpty() && !m_options.pinnedKey.startsWith("sha256//")) {
        *problem = QStringLiteral(
            "The certificate trusted for this site is stored in a form this program does not "
            "read. Trust the server's certificate again.");
        return false;
    }
    auto server = FtpServerAddress::parse(serverText, siteprotocol::scheme(*protocol));
    if (!server) {
        *problem = QStringLiteral("The server name \"%1\" is not a valid FTP address.")
                       .arg(ftppath::printable(serverText));
        return false;
    }
    QString why;
    const auto base = server->takeServerFolder(site.serverFolder(), &why);
    if (!base) {
        *problem = QStringLiteral("The server folder \"%1\" can't be used: %2.")
                       .arg(ftppath::printable(site.serverFolder()), why);
        return false;
    }
    m_server = *server;
    m_base = *base;
    m_credentials = {site.userName(), site.password()};
    m_limit = connectionLimit(site);
    return true;
}

void TransferQueue::setHandlers(Prepare prepare, Ended ended, Stopped stopped) {
    m_prepare = std::move(prepare);
    m_ended = std::move(ended);
    m_stopped = std::move(stopped);
}

bool TransferQueue::begin(QString* problem) {
    ensureCurlInitialised();
    if (const char* why = curlLoadProblem()) {
        *problem = QString::fromUtf8(why) + QLatin1Char('.');
        return false;
    }
    // Every protocol on lanes: after a download or a listing, curl waits
    // for the server's final reply without returning (plain FTP too), which
    // on one event loop would hold every other connection meanwhile.
    if (m_kept && m_kept->runner && m_kept->lanes == m_limit &&
        m_kept->idle.elapsed() < kMaxKeptIdleMs) {
        m_driver = std::move(m_kept->runner);
        m_lanes = m_kept->lanes;
        m_everLoggedIn = m_kept->loggedIn;
        m_limit = std::max(1, std::min(m_limit, m_kept->accepted));
    } else {
        auto lanes = std::make_unique<CurlLanes>(m_limit);
        if (!lanes->isUsable()) {
            *problem = QStringLiteral("libcurl made no connection runner.");
            return false;
        }
        m_driver = std::move(lanes);
        m_lanes = m_limit;
    }
    m_kept.reset();
    m_driver->setConnectionCacheSize(m_limit);
    m_driver->setDoneHandler([this](CURL* easy, CURLcode code) { onDone(easy, code); });
    return true;
}

void TransferQueue::enqueue(int id) {
    if (m_stopped_)
        return;
    m_queued.push_back(id);
    pump();
}

void TransferQueue::pump() {
    if (!m_driver || m_stopped_)
        return;
    const int allowed = m_everLoggedIn ? m_limit : 1;
    while (!m_stopped_ && int(m_running.size()) < allowed && !m_queued.empty()) {
        const int id = m_queued.front();
        m_queued.pop_front();
        launch(id);
    }
}

void TransferQueue::launch(int id) {
    FtpError error;
    std::unique_ptr<StreamInfo> info = m_prepare(id, &error);
    if (!info) {
        if (error.domain == FtpErrorDomain::Setup) {
            stopAll(error);
            return;
        }
        // This one transfer can't run (a local file that can't be written).
        StreamInfo none;
        FtpTransferResult r;
        r.error = error;
        m_ended(id, r, none);
        return;
    }
    info->tag = id;
    info->onLogin = [self = std::weak_ptr<TransferQueue*>(m_self), runner = m_driver.get()] {
        runner->post([self] {
            const auto alive = self.lock();
            if (!alive)
                return;
            TransferQueue* queue = *alive;
            if (queue->m_everLoggedIn)
                return;
            queue->m_everLoggedIn = true;
            queue->pump();
        });
    };
    if (!m_driver->add(info->easy.get())) {
        stopAll({FtpErrorDomain::Setup, 0, QStringLiteral("libcurl refused the transfer."), {}, 0});
        return;
    }
    ++m_started;
    m_running.emplace(id, std::move(info));
}

void TransferQueue::onDone(CURL* easy, CURLcode code) {
    StreamInfo* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    auto it = raw ? m_running.find(raw->tag) : m_running.end();
    if (it == m_running.end())
        return;
    std::unique_ptr<StreamInfo> info = std::move(it->second);
    m_running.erase(it);
    const int id = info->tag;
    const FtpTransferResult r = ftpTransferResult(*info, code);
    if (r.loggedIn)
        m_everLoggedIn = true;
    const bool turnedAway = r.loginRefused || (m_everLoggedIn && r.connectionTurnedAway);
    if (r.insecure) {
        if (r.trust != TrustProblem::None) {
            m_trust = r.trust;
            m_hostKey = r.hostKey;
        } else if (!r.error.loggedIn && r.error.code == CURLE_SSL_PINNEDPUBKEYNOTMATCH) {
            m_trust = TrustProblem::Changed;
        } else if (!r.error.loggedIn && (r.error.code == CURLE_PEER_FAILED_VERIFICATION ||
                                         r.error.code == CURLE_SSL_ISSUER_ERROR)) {
            m_trust = TrustProblem::Untrusted;
        }
        stopAll(r.error);
        return;
    }
    if (!m_everLoggedIn && (r.unreachable || r.loginRefused)) {
        stopAll(r.error);
        return;
    }
    if (turnedAway && m_everLoggedIn &&
        !demandsSecureConnection(r.error.code, r.error.serverReply) &&
        m_refusals[id] < kMaxRefusals) {
        // One connection too many: keep to the ones the server accepted.
        ++m_refusals[id];
        m_limit = std::max(1, std::min(m_limit, int(m_running.size())));
        m_driver->setConnectionCacheSize(m_limit);
        m_queued.push_front(id);
        pump();
        return;
    }
    if (r.transient && m_retries[id] < kMaxRetries) {
        const int delayMs = kRetryDelayMs << m_retries[id];
        ++m_retries[id];
        ++m_delayed;
        qCInfo(lcFtp).noquote() << "Trying" << ftppath::printable(info->itemName) << "again in"
                                << delayMs << "ms after:" << streamErrorMessage(r.error);
        QTimer::singleShot(delayMs, m_context.data(), [this, id] {
            --m_delayed;
            if (m_stopped_)
                return;
            m_queued.push_front(id);
            pump();
        });
        return;
    }
    // The next transfer goes out first: what the owner does with this one
    // (a downloaded file's commit waits for the disk) then overlaps with the
    // server's replies to the next, instead of holding the connection idle.
    pump();
    m_ended(id, r, *info);
    info.reset();
    pump();
}

void TransferQueue::stopAll(const FtpError& error) {
    if (m_stopped_)
        return;
    m_failed = true;
    stop();
    if (m_stopped)
        m_stopped(error);
}

void TransferQueue::stop() {
    m_stopped_ = true;
    m_queued.clear();
    if (m_driver) {
        for (auto& [id, info] : m_running)
            m_driver->remove(info->easy.get());
    }
    m_running.clear();
}

std::shared_ptr<KeptConnections> TransferQueue::keepConnections() {
    if (!m_driver || m_failed || !m_running.empty() || m_delayed > 0)
        return nullptr;
    stop();
    auto kept = std::make_shared<KeptConnections>();
    kept->lanes = m_lanes;
    kept->accepted = m_limit;
    kept->loggedIn = m_everLoggedIn;
    kept->idle.start();
    m_driver->setDoneHandler({});
    kept->runner = std::move(m_driver);
    return kept;
}

} // namespace morvane
