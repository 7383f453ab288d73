#include "sshdserver.h"

#include "ftpserver.h"
#include "testenv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace morvane::test {

namespace {

const QString kSshd = QStringLiteral("/usr/sbin/sshd");
const QString kUserAdd = QStringLiteral("/usr/sbin/useradd");
const QString kUserDel = QStringLiteral("/usr/sbin/userdel");
const QString kChpasswd = QStringLiteral("/usr/sbin/chpasswd");
const QString kKeygen = QStringLiteral("/usr/bin/ssh-keygen");

// A port of 127.0.0.1 that nothing listens on right now.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(s);
    return port;
}

QString logPath(const QTemporaryDir& base) {
    return base.path() + QStringLiteral("/sshd.log");
}

} // namespace

SshdServer::SshdServer() = default;

SshdServer::~SshdServer() {
    stop();
}

QString SshdServer::unavailableReason() {
    if (::geteuid() != 0)
        return QStringLiteral("OpenSSH tests need root (to make a test user and run sshd)");
    for (const QString& tool : {kSshd, kUserAdd, kUserDel, kChpasswd, kKeygen}) {
        if (!QFileInfo(tool).isExecutable())
            return QStringLiteral("%1 is missing (install openssh-server, see "
                                  "scripts/install-deps.sh)")
                .arg(tool);
    }
    return QString();
}

QString SshdServer::homeDir() const {
    return m_base ? m_base->path() + QStringLiteral("/home") : QString();
}

QString SshdServer::baseDir() const {
    return m_base ? m_base->path() : QString();
}

bool SshdServer::runTool(const QString& program, const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        m_error = program + QStringLiteral(": ") + p.errorString();
        return false;
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(p.readAll());
        return false;
    }
    return true;
}

bool SshdServer::start(const SshdOptions& options) {
    stop();
    m_error = unavailableReason();
    if (!m_error.isEmpty())
        return false;
    m_base =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/morvane-sshd-XXXXXX"));
    // The test user must reach its home and the test's folders.
    if (!m_base->isValid() || ::chmod(QFile::encodeName(m_base->path()).constData(), 0755) != 0) {
        m_error = QStringLiteral("can't make the server's folder");
        return false;
    }
    m_password = options.password;
    if (!makeUser())
        return false;
    if (!runTool(kKeygen, {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                           QStringLiteral("-N"), QString(), QStringLiteral("-f"),
                           m_base->path() + QStringLiteral("/host_key")}))
        return false;
    // sshd's privilege separation needs this folder; the system service
    // would make it.
    ::mkdir("/run/sshd", 0755);
    // Another program may take the free port before sshd binds it.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (startDaemon(options))
            return true;
        if (!log().contains("Address already in use") && !log().contains("Cannot bind"))
            break;
    }
    stop();
    return false;
}

bool SshdServer::makeUser() {
    // One user per test process; a name of at most 32 characters.
    static std::atomic<int> counter{0};
    m_user = QStringLiteral("mvt%1x%2").arg(::getpid()).arg(counter++);
    if (!runTool(kUserAdd, {QStringLiteral("-M"), QStringLiteral("-U"), QStringLiteral("-d"),
                            homeDir(), QStringLiteral("-s"), QStringLiteral("/bin/sh"), m_user})) {
        m_user.clear();
        return false;
    }
    if (!runTool(kChpasswd, {},
                 (m_user + QLatin1Char(':') + m_password + QLatin1Char('\n')).toUtf8()))
        return false;
    return makeUserFolder(homeDir());
}

void SshdServer::removeUser() {
    if (m_user.isEmpty())
        return;
    // -f: even while a session of it has not ended yet.
    QProcess p;
    p.start(kUserDel, {QStringLiteral("-f"), m_user});
    p.waitForFinished(30000);
    m_user.clear();
}

bool SshdServer::makeUserFolder(const QString& path) {
    const passwd* pw = ::getpwnam(m_user.toLocal8Bit().constData());
    if (!pw || !QDir().mkpath(path)) {
        m_error = QStringLiteral("can't make the folder %1").arg(path);
        return false;
    }
    // Every level below the base folder, so that the user may write there.
    QString level = QDir::cleanPath(path);
    while (level.startsWith(baseDir() + QLatin1Char('/'))) {
        const QByteArray name = QFile::encodeName(level);
        if (::chown(name.constData(), pw->pw_uid, pw->pw_gid) != 0 ||
            ::chmod(name.constData(), 0755) != 0) {
            m_error = QStringLiteral("can't give %1 to the test user").arg(level);
            return false;
        }
        level = QFileInfo(level).path();
    }
    return true;
}

bool SshdServer::mountSmallDisk(const QString& path, const QString& size, QString* why) {
    const passwd* pw = ::getpwnam(m_user.toLocal8Bit().constData());
    if (!pw || !makeUserFolder(path)) {
        *why = m_error;
        return false;
    }
    const QByteArray data = QStringLiteral("size=%1,mode=0755,uid=%2,gid=%3")
                                .arg(size)
                                .arg(pw->pw_uid)
                                .arg(pw->pw_gid)
                                .toLatin1();
    const QByteArray target = QFile::encodeName(path);
    if (::mount("tmpfs", target.constData(), "tmpfs", MS_NOSUID | MS_NODEV, data.constData()) !=
        0) {
        *why = QStringLiteral("mounting a tmpfs is not allowed here (%1)")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_mounts << path;
    return true;
}

bool SshdServer::startDaemon(const SshdOptions& options) {
    stopProcess(m_process);
    m_port = freePort();
    const QString base = m_base->path();
    QStringList config{
        QStringLiteral("Port %1").arg(m_port),
        QStringLiteral("ListenAddress 127.0.0.1"),
        QStringLiteral("HostKey %1/host_key").arg(base),
        QStringLiteral("PidFile %1/sshd.pid").arg(base),
        QStringLiteral("AllowUsers %1").arg(m_user),
        QStringLiteral("PasswordAuthentication yes"),
        QStringLiteral("KbdInteractiveAuthentication no"),
        QStringLiteral("PubkeyAuthentication no"),
        QStringLiteral("PermitRootLogin no"),
        QStringLiteral("UsePAM no"),
        QStringLiteral("StrictModes no"),
        QStringLiteral("LogLevel VERBOSE"),
        QStringLiteral("Subsystem sftp internal-sftp"),
        QStringLiteral("ForceCommand internal-sftp"),
    };
    config += options.extraConfig;
    const QString configFile = base + QStringLiteral("/sshd_config");
    QFile::remove(logPath(*m_base));
    if (!writeFile(configFile, (config.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8())) {
        m_error = QStringLiteral("can't write sshd_config");
        return false;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    m_process->start(kSshd, {QStringLiteral("-D"), QStringLiteral("-f"), configFile,
                             QStringLiteral("-E"), logPath(*m_base)});
    if (!m_process->waitForStarted(10000)) {
        m_error = m_process->errorString();
        return false;
    }
    // It says so in its log once it listens.
    QDeadlineTimer deadline(20000);
    while (!log().contains("Server listening on")) {
        if (m_process->state() != QProcess::Running || deadline.hasExpired()) {
            m_error = QStringLiteral("sshd did not start: ") + QString::fromLocal8Bit(log());
            return false;
        }
        m_process->waitForFinished(50); // returns early only when sshd ends
    }
    return true;
}

void SshdServer::stop() {
    stopProcess(m_process);
    for (const QString& mount : std::as_const(m_mounts))
        ::umount2(QFile::encodeName(mount).constData(), MNT_DETACH);
    m_mounts.clear();
    removeUser();
    m_base.reset();
    m_port = 0;
}

QByteArray SshdServer::hostKeyLine() const {
    return m_base ? readFile(m_base->path() + QStringLiteral("/host_key.pub")).trimmed()
                  : QByteArray();
}

bool SshdServer::trustIn(const QString& knownHostsFile) const {
    const QList<QByteArray> parts = hostKeyLine().split(' ');
    if (parts.size() < 2 || m_port == 0)
        return false;
    const QString folder = QFileInfo(knownHostsFile).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile file(knownHostsFile);
    if (!file.open(QIODevice::Append))
        return false;
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray line =
        "[127.0.0.1]:" + QByteArray::number(m_port) + ' ' + parts[0] + ' ' + parts[1] + '\n';
    return file.write(line) == line.size();
}

QByteArray SshdServer::log() const {
    return m_base ? readFile(logPath(*m_base)) : QByteArray();
}

} // namespace morvane::test
