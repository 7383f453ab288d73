#include "transfer/ftpstream.h"

#include "transfer/ftplog.h"

#include "core/confinedfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace morvane {

namespace {

// Hands curl the local file in pieces, never more than the size it had when
// the transfer started; a file that became shorter fails the transfer.
size_t readLocalFile(char* buffer, size_t size, size_t count, void* userp) {
    auto* info = static_cast<StreamInfo*>(userp);
    const qint64 wanted = std::min<qint64>(qint64(size * count), info->fileSize - info->bytesRead);
    const qint64 n = wanted > 0 ? info->file->read(buffer, wanted) : 0;
    if (n < 0 || (n == 0 && info->bytesRead < info->fileSize)) {
        info->localError = n < 0 ? info->file->errorString()
                                 : QCoreApplication::translate(
                                       "FtpError", "the file became shorter while it was sent");
        qCDebug(lcFtp) << "Local file read failed:" << info->localError;
        return CURL_READFUNC_ABORT;
    }
    info->bytesRead += n;
    if (n == 0)
        info->endReached = true;
    return size_t(n);
}

// True once a listing has taken longer than allowed since its first byte.
bool listingOverdue(StreamInfo* info) {
    if (!info->listingClock.isValid() || info->listingClock.elapsed() <= info->listingLimitMs)
        return false;
    info->listingTooSlow = true;
    return true;
}

size_t receiveListing(char* data, size_t size, size_t count, void* userp) {
    auto* info = static_cast<StreamInfo*>(userp);
    const size_t n = size * count;
    if (!info->listingClock.isValid())
        info->listingClock.start();
    if (listingOverdue(info) || !info->listing.feed(QByteArray(data, qsizetype(n))))
        return 0; // ends the transfer (unreadable, too slow, or enough of it read)
    return n;
}

size_t discardListing(char*, size_t size, size_t count, void*) {
    return size * count;
}

// Called by curl about once a second while a listing runs, data or not.
int listingProgress(void* userp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return listingOverdue(static_cast<StreamInfo*>(userp)) ? 1 : 0;
}

// Every reply line of the control connection passes here.
size_t receiveReply(char* data, size_t size, size_t count, void* userp) {
    auto* info = static_cast<StreamInfo*>(userp);
    const size_t n = size * count;
    const bool wasLoggedIn = info->replies.loggedIn();
    for (int code : info->replies.feed(data, n)) {
        if (code == 213 && info->expectedSize >= 0 &&
            info->replies.reportedSize() != info->expectedSize) {
            // Stop here: the rename that would follow must not put a
            // damaged file in place of the live one.
            info->sizeMismatch = true;
            return 0;
        }
    }
    if (!wasLoggedIn && info->replies.loggedIn() && info->onLogin)
        info->onLogin();
    return n;
}

// Sets curl options one by one and keeps the first refusal: libcurl is
// loaded at run time, and an older one must not silently drop a setting
// such as the protocol limit.
class OptionSetter {
public:
    explicit OptionSetter(CURL* easy) : m_easy(easy) {}

    template <typename T> OptionSetter& set(CURLoption option, T value) {
        if (!m_problem.isEmpty())
            return *this;
        const CURLcode rc = curl_easy_setopt(m_easy, option, value);
        if (rc != CURLE_OK) {
            const curl_easyoption* known = curl_easy_option_by_id(option);
            m_problem = QStringLiteral("libcurl refused the setting %1 (%2)")
                            .arg(known && known->name ? QString::fromLatin1(known->name)
                                                      : QString::number(int(option)),
                                 QString::fromUtf8(curl_easy_strerror(rc)));
        }
        return *this;
    }
    void fail(const QString& problem) {
        if (m_problem.isEmpty())
            m_problem = problem;
    }
    const QString& problem() const { return m_problem; }

private:
    CURL* m_easy;
    QString m_problem;
};

// curl's own words as it goes (verbose mode): only the first failed TLS
// check is kept. A data connection whose certificate fails is otherwise
// reported as whatever went wrong after it (curl falls back from EPSV to
// PASV, and reports the reply it then did not expect).
int noteTlsFailure(CURL*, curl_infotype type, char* data, size_t size, void* userp) {
    auto* info = static_cast<StreamInfo*>(userp);
    if (type != CURLINFO_TEXT || !info->tlsFailure.isEmpty())
        return 0;
    const QByteArray text(data, qsizetype(std::min<size_t>(size, 300)));
    if (text.contains("SSL certificate problem") || text.contains("pinned public key") ||
        text.contains("certificate subject name"))
        info->tlsFailure = QString::fromUtf8(text).trimmed();
    return 0;
}

// TLS on the control connection before the login and on every data
// connection. Servers such as vsftpd and proftpd accept a data connection
// only when it resumes the control connection's TLS session (each lane
// shares its sessions between its transfers, see curllanes.cpp). That
// works with TLS 1.2 only: under TLS 1.3 every data connection brings a new
// session ticket, which curl keeps in place of the control connection's,
// and the servers (which single-use or match the control session) refuse
// the next data connection with 522 or 425. So TLS 1.2 it is, with its
// strong ciphers; OpenSSL's defaults refuse anything older.
//
// The server is always verified before anything is sent: by the system's
// certificate store (or the bundle that SSL_CERT_FILE names, as for every
// OpenSSL program), or by the public key the user pinned for the site. The
// name check stays on with the store; with a pin the key alone decides,
// since the user accepted that very certificate whatever name it carries.
void setTlsOptions(OptionSetter& options, StreamInfo* info, const FtpTransferOptions& transfer) {
    options.set(CURLOPT_VERBOSE, 1L)
        .set(CURLOPT_DEBUGFUNCTION, &noteTlsFailure)
        .set(CURLOPT_DEBUGDATA, static_cast<void*>(info));
    options.set(CURLOPT_USE_SSL, long(CURLUSESSL_ALL))
        .set(CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS))
        .set(CURLOPT_SSL_SESSIONID_CACHE, 1L)
        .set(CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2) | long(CURL_SSLVERSION_MAX_TLSv1_2));
    const QByteArray caFile = qgetenv("SSL_CERT_FILE");
    if (!caFile.isEmpty())
        options.set(CURLOPT_CAINFO, caFile.constData());
    if (transfer.pinnedKey.isEmpty()) {
        options.set(CURLOPT_SSL_VERIFYPEER, 1L).set(CURLOPT_SSL_VERIFYHOST, 2L);
    } else {
        options.set(CURLOPT_SSL_VERIFYPEER, 0L)
            .set(CURLOPT_SSL_VERIFYHOST, 0L)
            .set(CURLOPT_PINNEDPUBLICKEY, transfer.pinnedKey.constData());
    }
}

// Called by curl with the server's host key, before any authentication.
// curl's own verdict is not used: it takes an entry for port 22 as the key
// of every port and knows neither "@revoked" nor "@cert-authority". The
// user's known_hosts is read here as ssh reads it; only a key it holds for
// this host and port is accepted, anything else is kept for the user to
// judge (a revoked key only to be refused) and the connection ends.
int checkHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch, void* userp) {
    auto* info = static_cast<StreamInfo*>(userp);
    if (found && found->key)
        info->hostKey = found->len == 0
                            ? sshhostkey::fromBase64(QByteArray(found->key))
                            : sshhostkey::fromBlob(QByteArray(found->key, qsizetype(found->len)));
    if (!info->hostKey.isValid()) {
        info->hostKeyProblem = TrustProblem::Untrusted;
        return CURLKHSTAT_REJECT;
    }
    info->hostKeyProblem = sshhostkey::checkKnownHosts(info->sshHost, info->sshPort, info->hostKey,
                                                       &info->hostKey.knownPrint);
    if (info->hostKeyProblem == TrustProblem::None)
        return CURLKHSTAT_FINE;
    qCDebug(lcFtp).noquote() << "SSH host key not accepted:" << info->hostKey.type
                             << info->hostKey.fingerprint();
    return CURLKHSTAT_REJECT;
}

// The first of the usual private key files that exists, for logins
// without a password (the SSH agent is asked first).
QString defaultKeyFile() {
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        QString path = QDir::homePath() + QStringLiteral("/.ssh/") + QLatin1String(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return QString();
}

// SFTP: the host key checked against the user's known_hosts; the login
// with the password, or without one through the agent and the default key
// files. No user name means the local one, as ssh does.
void setSshOptions(OptionSetter& options, StreamInfo* info, const QByteArray& url,
                   const FtpCredentials& credentials) {
    const QUrl address(QString::fromUtf8(url));
    info->sshHost = address.host();
    info->sshPort = address.port(22);
    options.set(CURLOPT_SSH_KNOWNHOSTS, QFile::encodeName(sshhostkey::knownHostsPath()).constData())
        .set(CURLOPT_SSH_KEYFUNCTION, &checkHostKey)
        .set(CURLOPT_SSH_KEYDATA, static_cast<void*>(info));
    QString user = credentials.userName;
    if (user.isEmpty())
        user = qEnvironmentVariable("USER", QDir::home().dirName());
    options.set(CURLOPT_USERNAME, user.toUtf8().constData());
    if (!credentials.password.isEmpty()) {
        options.set(CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD))
            .set(CURLOPT_PASSWORD, credentials.password.toUtf8().constData());
        return;
    }
    options.set(CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_AGENT | CURLSSH_AUTH_PUBLICKEY));
    // What a refused login then names: the keys that were offered.
    info->sshKeyLogin = true;
    QStringList offered;
    if (!qEnvironmentVariableIsEmpty("SSH_AUTH_SOCK"))
        offered << QCoreApplication::translate("FtpError", "the SSH agent");
    const QString key = defaultKeyFile();
    if (!key.isEmpty())
        offered << QStringLiteral("~/.ssh/") + QFileInfo(key).fileName();
    info->sshKeysOffered = offered.join(QStringLiteral(", "));
    if (!key.isEmpty()) {
        options.set(CURLOPT_SSH_PRIVATE_KEYFILE, QFile::encodeName(key).constData());
        const QString pub = key + QStringLiteral(".pub");
        if (QFileInfo::exists(pub))
            options.set(CURLOPT_SSH_PUBLIC_KEYFILE, QFile::encodeName(pub).constData());
    }
}

void setCredentials(OptionSetter& options, const FtpCredentials& credentials) {
    if (credentials.userName.isEmpty())
        return; // anonymous login
    // Separate options, so that no character in them has to be escaped.
    options.set(CURLOPT_USERNAME, credentials.userName.toUtf8().constData());
    options.set(CURLOPT_PASSWORD, credentials.password.toUtf8().constData());
}

// Options every transfer shares: FTP only and never through a proxy (the
// proxy variables of the environment would otherwise send the password to
// the proxy, and the proxy's answer would pass for the server's), passive
// mode to the address of the control connection, a connect timeout that
// covers the login (curl counts it as part of connecting), no CWD (paths go whole
// into each command, so a reused connection never depends on where the
// previous transfer left it), time limits so that a silent server cannot
// hold a job forever, and no signals (transfers run on threads of their own).
void setCommonOptions(OptionSetter& options, StreamInfo* info, const QByteArray& url,
                      const FtpCredentials& credentials, const FtpTransferOptions& transfer) {
    const long replyTimeout = std::max(1L, transfer.replyTimeoutSeconds);
    options.set(CURLOPT_URL, url.constData())
        .set(CURLOPT_PROTOCOLS_STR, transfer.protocol == SiteProtocol::FtpsImplicit ? "ftps"
                                    : transfer.protocol == SiteProtocol::Sftp       ? "sftp"
                                                                                    : "ftp")
        .set(CURLOPT_PROXY, "")
        .set(CURLOPT_NOPROXY, "*")
        .set(CURLOPT_NOSIGNAL, 1L)
        .set(CURLOPT_PRIVATE, static_cast<void*>(info))
        .set(CURLOPT_ERRORBUFFER, static_cast<char*>(info->curlError))
        .set(CURLOPT_HEADERFUNCTION, &receiveReply)
        .set(CURLOPT_HEADERDATA, static_cast<void*>(info))
        .set(CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD))
        .set(CURLOPT_FTP_USE_EPSV, 1L)
        .set(CURLOPT_FTP_SKIP_PASV_IP, 1L)
        .set(CURLOPT_CONNECTTIMEOUT, std::max(30L, replyTimeout))
        .set(CURLOPT_SERVER_RESPONSE_TIMEOUT, replyTimeout);
    // Each reply must come within the reply timeout of its command. Data:
    // a stored file may be large, and may take as long as it needs as long
    // as it moves (a server that takes in a mere trickle counts as
    // stalled); a listing must arrive whole within the reply timeout of its
    // first byte, however much trickles in meanwhile.
    if (info->kind == FtpTransferKind::Store || info->kind == FtpTransferKind::Fetch) {
        options.set(CURLOPT_LOW_SPEED_LIMIT, 512L).set(CURLOPT_LOW_SPEED_TIME, replyTimeout);
    } else if (info->kind == FtpTransferKind::Listing) {
        info->listingLimitMs = replyTimeout * 1000;
        options.set(CURLOPT_LOW_SPEED_LIMIT, 1L)
            .set(CURLOPT_LOW_SPEED_TIME, replyTimeout)
            .set(CURLOPT_XFERINFOFUNCTION, &listingProgress)
            .set(CURLOPT_XFERINFODATA, static_cast<void*>(info))
            .set(CURLOPT_NOPROGRESS, 0L);
    }
    if (siteprotocol::usesTls(transfer.protocol))
        setTlsOptions(options, info, transfer);
    if (transfer.protocol == SiteProtocol::Sftp) {
        info->ssh = true;
        setSshOptions(options, info, url, credentials);
        return;
    }
    setCredentials(options, credentials);
}

std::unique_ptr<StreamInfo> newTransfer(FtpTransferKind kind, const QString& itemName,
                                        FtpError* error) {
    auto info = std::make_unique<StreamInfo>();
    info->kind = kind;
    info->itemName = itemName;
    info->easy.reset(curl_easy_init());
    if (!info->easy) {
        const char* why = curlLoadProblem();
        *error = {FtpErrorDomain::Setup,
                  0,
                  why ? QString::fromUtf8(why) : QStringLiteral("libcurl made no handle"),
                  {},
                  0};
        qCDebug(lcFtp) << "curl_easy_init failed:" << error->detail;
        return nullptr;
    }
    return info;
}

std::unique_ptr<StreamInfo> checked(std::unique_ptr<StreamInfo> info, const OptionSetter& options,
                                    FtpError* error) {
    if (options.problem().isEmpty())
        return info;
    *error = {FtpErrorDomain::Setup, 0, options.problem(), {}, 0};
    qCDebug(lcFtp) << "Transfer not started:" << options.problem();
    return nullptr;
}

} // namespace

QString ftpCommandPath(const FtpServerAddress& server, const QStringList& segments) {
    QString path = server.commandPath(segments);
    if (server.scheme != QLatin1String("sftp"))
        return path;
    QString quoted = path;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

std::unique_ptr<StreamInfo> prepareStore(const FtpServerAddress& server,
                                         const QStringList& remotePath, const QString& localFile,
                                         const QString& localRoot,
                                         const FtpCredentials& credentials, const QString& itemName,
                                         FtpError* error, const FtpTransferOptions& transfer) {
    if (localFile.isEmpty()) {
        // A folder: MKD with the folder's whole path. The connection is
        // switched to binary first, so that a size check made later on it
        // is answered. (SFTP has no modes.) A folder that exists already is
        // refused, which costs no connection (see ftpCommands); the job
        // goes on, and knows which folders it made.
        const QStringList commands =
            transfer.protocol == SiteProtocol::Sftp
                ? QStringList{QStringLiteral("mkdir ") + ftpCommandPath(server, remotePath)}
                : QStringList{QStringLiteral("TYPE I"),
                              QStringLiteral("MKD ") + ftpCommandPath(server, remotePath)};
        auto info = ftpCommands(server, commands, credentials, itemName, error, transfer);
        if (info)
            info->kind = FtpTransferKind::MakeFolder;
        return info;
    }

    // The file is sent from the handle opened here, which is checked to be
    // a regular file inside the site folder whatever became of its path
    // since the upload was planned.
    confinedfile::Opened opened = confinedfile::openInside(localRoot, localFile);
    auto file = std::make_unique<QFile>();
    if (!opened.ok() ||
        !file->open(opened.fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString why = opened.ok() ? file->errorString() : opened.problem;
        qCDebug(lcFtp) << "Opening the local file failed:" << why;
        *error = {FtpErrorDomain::LocalFile, 0, why, {}, 0};
        return nullptr;
    }
    static_cast<void>(opened.fd.release()); // the QFile closes it
    auto info = newTransfer(FtpTransferKind::Store, itemName, error);
    if (!info)
        return nullptr;
    info->file = std::move(file);
    info->fileSize = info->file->size();
    OptionSetter options(info->easy.get());
    setCommonOptions(options, info.get(), server.url(remotePath, false), credentials, transfer);
    options.set(CURLOPT_UPLOAD, 1L)
        .set(CURLOPT_READFUNCTION, &readLocalFile)
        .set(CURLOPT_READDATA, static_cast<void*>(info.get()));
    return checked(std::move(info), options, error);
}

std::unique_ptr<StreamInfo> ftpCommands(const FtpServerAddress& server, const QStringList& commands,
                                        const FtpCredentials& credentials, const QString& itemName,
                                        FtpError* error, const FtpTransferOptions& transfer) {
    auto info = newTransfer(FtpTransferKind::Commands, itemName, error);
    if (!info)
        return nullptr;
    OptionSetter options(info->easy.get());
    curl_slist* head = nullptr;
    const bool ftp = transfer.protocol != SiteProtocol::Sftp;
    for (const QString& command : commands) {
        const bool optional = command.startsWith(QLatin1Char('*'));
        if (ftp)
            info->optionalCommands.push_back(optional);
        const QString sent = ftp && !optional ? QLatin1Char('*') + command : command;
        curl_slist* list = curl_slist_append(head, sent.toUtf8().constData());
        if (!list) {
            options.fail(QStringLiteral("libcurl could not hold a command"));
            break;
        }
        head = list;
    }
    info->commands.reset(head);
    // Log in (or reuse a connection), send the commands, transfer nothing.
    setCommonOptions(options, info.get(), server.url({}, true), credentials, transfer);
    options.set(CURLOPT_NOBODY, 1L).set(CURLOPT_QUOTE, info->commands.get());
    return checked(std::move(info), options, error);
}

bool ftpBeforeStore(StreamInfo& info, const QString& command, FtpError* error) {
    curl_slist* list = curl_slist_append(nullptr, command.toUtf8().constData());
    info.commands.reset(list);
    OptionSetter options(info.easy.get());
    if (!list)
        options.fail(QStringLiteral("libcurl could not hold a command"));
    options.set(CURLOPT_QUOTE, list);
    if (options.problem().isEmpty())
        return true;
    *error = {FtpErrorDomain::Setup, 0, options.problem(), {}, 0};
    return false;
}

std::unique_ptr<StreamInfo> prepareTransfer(FtpTransferKind kind, const QByteArray& url,
                                            const FtpCredentials& credentials,
                                            const QString& itemName, FtpError* error,
                                            const FtpTransferOptions& transfer) {
    auto info = newTransfer(kind, itemName, error);
    if (!info)
        return nullptr;
    OptionSetter options(info->easy.get());
    setCommonOptions(options, info.get(), url, credentials, transfer);
    return checked(std::move(info), options, error);
}

std::unique_ptr<StreamInfo> prepareListing(const FtpServerAddress& server,
                                           const FtpCredentials& credentials, FtpError* error,
                                           const FtpTransferOptions& transfer) {
    auto info = newTransfer(FtpTransferKind::Listing, QString(), error);
    if (!info)
        return nullptr;
    OptionSetter options(info->easy.get());
    setCommonOptions(options, info.get(), server.url({}, true), credentials, transfer);
    // An SFTP listing's lines are the server's own; reading the folder is
    // what shows that the login and the folder work.
    if (transfer.protocol == SiteProtocol::Sftp)
        options.set(CURLOPT_WRITEFUNCTION, &discardListing);
    else
        options.set(CURLOPT_WRITEFUNCTION, &receiveListing)
            .set(CURLOPT_WRITEDATA, static_cast<void*>(info.get()));
    return checked(std::move(info), options, error);
}

} // namespace morvane
