#include "realftpserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

namespace morvane::test {

namespace {

// Where scripts/install-deps.sh unpacks proftpd (it conflicts with vsftpd
// as a package).
const QString kProftpdRoot = QStringLiteral("/opt/morvane-test/proftpd");

bool run(const QString& program, const QStringList& args, QString* error,
         const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        *error = program + QStringLiteral(": ") + p.errorString();
        return false;
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(": ") +
                 QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return false;
    }
    return true;
}

bool writeText(const QString& path, const QString& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(text.toUtf8()) == text.toUtf8().size();
}

// Users a crashed test run left behind: their process is gone.
void removeStaleUsers(const QString& prefix) {
    QFile passwd(QStringLiteral("/etc/passwd"));
    if (!passwd.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = QString::fromLocal8Bit(passwd.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString name = line.section(QLatin1Char(':'), 0, 0);
        if (!name.startsWith(prefix))
            continue;
        const QString pid = name.mid(prefix.size()).section(QLatin1Char('x'), 0, 0);
        if (!pid.isEmpty() && !QFileInfo::exists(QStringLiteral("/proc/") + pid)) {
            QString ignored;
            run(QStringLiteral("/usr/sbin/userdel"), {QStringLiteral("-f"), name}, &ignored);
        }
    }
}

bool isEcKey(const QString& keyFile) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/openssl"),
            {QStringLiteral("pkey"), QStringLiteral("-in"), keyFile, QStringLiteral("-noout"),
             QStringLiteral("-text")});
    return p.waitForFinished(30000) && p.readAllStandardOutput().contains("ASN1 OID");
}

} // namespace

int freeLocalPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

namespace {

// True when a server on `port` of 127.0.0.1 takes a connection and greets
// it within `ms`.
bool greets(int port, int ms) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(quint16(port));
    bool greeted = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        pollfd p{fd, POLLIN, 0};
        greeted = ::poll(&p, 1, ms) == 1 && (p.revents & POLLIN);
    }
    ::close(fd);
    return greeted;
}

} // namespace

TestUser::~TestUser() {
    remove();
}

bool TestUser::create(const QString& home, const QString& password, QString* error) {
    static std::atomic<int> serial{0};
    // Short (user names are limited), and naming the process, so that a
    // later run can remove what a crashed one left.
    const QString prefix = QStringLiteral("mvtest");
    removeStaleUsers(prefix);
    const QString name =
        prefix + QString::number(::getpid()) + QLatin1Char('x') + QString::number(serial++);
    if (!run(QStringLiteral("/usr/sbin/useradd"),
             {QStringLiteral("-M"), QStringLiteral("-d"), home, QStringLiteral("-s"),
              QStringLiteral("/bin/bash"), QStringLiteral("-U"), name},
             error))
        return false;
    m_name = name;
    if (!run(QStringLiteral("/usr/sbin/chpasswd"), {}, error,
             (name + QLatin1Char(':') + password + QLatin1Char('\n')).toUtf8()))
        return false;
    const passwd* entry = ::getpwnam(name.toLocal8Bit().constData());
    if (!entry || ::chown(QFile::encodeName(home).constData(), entry->pw_uid, entry->pw_gid) != 0) {
        *error = QStringLiteral("cannot give %1 to %2").arg(home, name);
        return false;
    }
    return true;
}

void TestUser::remove() {
    if (m_name.isEmpty())
        return;
    // -f: a session process of the server may still be ending.
    QString ignored;
    run(QStringLiteral("/usr/sbin/userdel"), {QStringLiteral("-f"), m_name}, &ignored);
    m_name.clear();
}

RealFtpServer::RealFtpServer(Kind kind) : m_kind(kind) {}

RealFtpServer::~RealFtpServer() {
    stop();
}

QString RealFtpServer::binary(Kind kind) {
    if (kind == Kind::Vsftpd)
        return QStringLiteral("/usr/sbin/vsftpd");
    return kProftpdRoot + QStringLiteral("/usr/sbin/proftpd");
}

QString RealFtpServer::unavailable() const {
    const QString name =
        m_kind == Kind::Vsftpd ? QStringLiteral("vsftpd") : QStringLiteral("proftpd");
    if (!QFileInfo(binary(m_kind)).isExecutable())
        return QStringLiteral("%1 is not installed at %2 (scripts/install-deps.sh installs it)")
            .arg(name, binary(m_kind));
    if (m_kind == Kind::Proftpd &&
        !QFileInfo::exists(kProftpdRoot + QStringLiteral("/usr/lib/proftpd/mod_tls.so")))
        return QStringLiteral("proftpd's mod_tls is not unpacked in %1").arg(kProftpdRoot);
    if (::geteuid() != 0)
        return QStringLiteral("%1 runs as a local user made for the test, which needs root")
            .arg(name);
    return QString();
}

QString RealFtpServer::home() const {
    return m_dir ? m_dir->filePath(QStringLiteral("home")) : QString();
}

bool RealFtpServer::start(const RealFtpOptions& options) {
    stop();
    m_error.clear();
    if (const QString why = unavailable(); !why.isEmpty()) {
        m_error = why;
        return false;
    }
    m_dir = std::make_unique<QTemporaryDir>();
    // The user must reach its home inside the test's folder.
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ExeGroup | QFile::ExeOther);
    if (!QDir().mkpath(home()) || !QDir().mkpath(m_dir->filePath(QStringLiteral("empty")))) {
        m_error = QStringLiteral("cannot make the server's folders");
        return false;
    }
    m_password = QStringLiteral("Pw-%1-secret").arg(::getpid());
    if (!m_user.create(home(), m_password, &m_error))
        return false;
    // A free port may be taken between the check and the server's bind:
    // try a few.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freeLocalPort();
        if (m_port == 0 || !writeConfig(options)) {
            m_error = QStringLiteral("cannot write the server's configuration");
            return false;
        }
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->setStandardOutputFile(m_dir->filePath(QStringLiteral("output.log")));
        const QString config = m_dir->filePath(QStringLiteral("server.conf"));
        if (m_kind == Kind::Vsftpd)
            m_process->start(binary(m_kind), {config});
        else
            m_process->start(binary(m_kind), {QStringLiteral("-n"), QStringLiteral("-q"),
                                              QStringLiteral("-c"), config});
        if (waitUntilListening())
            return true;
        m_process->kill();
        m_process->waitForFinished(5000);
        m_process.reset();
    }
    QFile output(m_dir->filePath(QStringLiteral("output.log")));
    output.open(QIODevice::ReadOnly);
    m_error = QStringLiteral("the server did not start: ") +
              QString::fromLocal8Bit(output.readAll()).trimmed();
    return false;
}

bool RealFtpServer::waitUntilListening() {
    if (!m_process->waitForStarted(10000))
        return false;
    // Neither server says when it listens: try to connect until it greets,
    // it exits or the deadline passes.
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (greets(m_port, 5000))
            return true;
        // Waits a little for the process to get there, or to end.
        if (m_process->waitForFinished(50) || m_process->state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

bool RealFtpServer::writeConfig(const RealFtpOptions& options) {
    const QString dir = m_dir->path();
    const QString log = m_dir->filePath(QStringLiteral("server.log"));
    const bool tls = !options.tlsCertFile.isEmpty();
    QString text;
    if (m_kind == Kind::Vsftpd) {
        // Run by hand: in the foreground, on the test's port, without the
        // seccomp sandbox (which refuses some of what the test machine's
        // kernel offers). Everything else, TLS included, keeps its default:
        // a data connection must reuse the control connection's session.
        text = QStringLiteral("listen=YES\nlisten_ipv6=NO\nbackground=NO\n"
                              "listen_address=127.0.0.1\nlisten_port=%1\n"
                              "pam_service_name=vsftpd\nseccomp_sandbox=NO\n"
                              "secure_chroot_dir=%2/empty\n"
                              "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
                              "local_umask=022\nchroot_local_user=YES\n"
                              "allow_writeable_chroot=YES\n"
                              "xferlog_enable=YES\nvsftpd_log_file=%3\nlog_ftp_protocol=YES\n")
                   .arg(m_port)
                   .arg(dir, log);
        if (tls)
            text += QStringLiteral("ssl_enable=YES\nrsa_cert_file=%1\nrsa_private_key_file=%2\n")
                        .arg(options.tlsCertFile, options.tlsKeyFile);
    } else {
        const QString modules = kProftpdRoot + QStringLiteral("/usr/lib/proftpd");
        text = QStringLiteral("ServerType standalone\nServerName \"Morvane test\"\n"
                              "DefaultServer on\nPort %1\nDefaultAddress 127.0.0.1\n"
                              "SocketBindTight on\nUseIPv6 off\nUser nobody\nGroup nogroup\n"
                              "PidFile %2/proftpd.pid\nScoreboardFile %2/proftpd.scoreboard\n"
                              "DelayTable none\nWtmpLog off\nUseReverseDNS off\n"
                              "RequireValidShell off\nAuthOrder mod_auth_unix.c\n"
                              "DefaultRoot ~\nUmask 022\nMaxInstances 200\n"
                              "SystemLog %3\nTransferLog %2/transfer.log\n"
                              "LogFormat login \"LOGIN %m %s\"\n"
                              "ExtendedLog %2/login.log AUTH login\n"
                              "ModulePath %4\n")
                   .arg(m_port)
                   .arg(dir, log, modules);
        if (tls) {
            const QString kind =
                isEcKey(options.tlsKeyFile) ? QStringLiteral("EC") : QStringLiteral("RSA");
            // mod_tls's defaults otherwise: a data connection must reuse
            // the control connection's TLS session.
            text += QStringLiteral("LoadModule mod_tls.c\nTLSEngine on\nTLSRequired on\n"
                                   "TLSLog %1/tls.log\nTLS%2CertificateFile %3\n"
                                   "TLS%2CertificateKeyFile %4\nTLSVerifyClient off\n")
                        .arg(dir, kind, options.tlsCertFile, options.tlsKeyFile);
        }
    }
    return writeText(m_dir->filePath(QStringLiteral("server.conf")), text);
}

void RealFtpServer::stop() {
    if (m_process) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
        m_process.reset();
    }
    // Sessions of the server run as the user: they end with the server's
    // connections, before the user goes.
    m_user.remove();
    m_port = 0;
}

QString RealFtpServer::log() const {
    if (!m_dir)
        return QString();
    QString text;
    for (const char* name : {"server.log", "login.log", "tls.log"}) {
        QFile f(m_dir->filePath(QLatin1String(name)));
        if (f.open(QIODevice::ReadOnly))
            text += QString::fromLocal8Bit(f.readAll());
    }
    return text;
}

int RealFtpServer::loginCount() const {
    // vsftpd: "[user] OK LOGIN: Client ..."; proftpd (the ExtendedLog of
    // the configuration): "LOGIN PASS 230".
    const QRegularExpression login(m_kind == Kind::Vsftpd ? QStringLiteral("\\] OK LOGIN:")
                                                          : QStringLiteral("LOGIN PASS 230"));
    return int(log().count(login));
}

} // namespace morvane::test
