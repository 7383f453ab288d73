#include "ftpserver.h"

#include <QDeadlineTimer>

namespace morvane::test {

FtpServer::FtpServer() = default;
FtpServer::~FtpServer() {
    stop();
}

QString FtpServer::scriptPath() {
    return QStringLiteral(MORVANE_FTP_SERVER_SCRIPT);
}

bool FtpServer::start(const QString& rootDir, const FtpServerOptions& options) {
    stop();
    QStringList args{
        scriptPath(), QStringLiteral("--root"),     rootDir,         QStringLiteral("--user"),
        options.user, QStringLiteral("--password"), options.password};
    auto add = [&args](const char* name, int value) {
        if (value > 0)
            args << QString::fromLatin1(name) << QString::number(value);
    };
    add("--max-cons-per-ip", options.maxConnectionsPerAddress);
    add("--delay-ms", options.delayMs);
    add("--refuse-every", options.refuseEvery);
    add("--drop-every", options.dropEvery);
    add("--slow-every", options.slowEvery);
    add("--slow-ms", options.slowMs);
    add("--mute-every", options.muteEvery);
    add("--proftpd-limit", options.proftpdLimit);
    add("--full-code", options.fullCode);
    add("--trickle-listing-ms", options.trickleListingMs);
    args << QStringLiteral("--auth-failed-delay-ms") << QString::number(options.authFailedDelayMs);
    if (options.fullAfter >= 0)
        args << QStringLiteral("--full-after") << QString::number(options.fullAfter);
    if (!options.loginLog.isEmpty())
        args << QStringLiteral("--login-log") << options.loginLog;
    if (!options.requireTls.isEmpty())
        args << QStringLiteral("--require-tls") << options.requireTls;
    if (options.refuseRename)
        args << QStringLiteral("--refuse-rename");
    if (options.noRenameOver)
        args << QStringLiteral("--no-rename-over");
    if (options.wrongSize)
        args << QStringLiteral("--wrong-size");
    if (options.threaded)
        args << QStringLiteral("--threaded");
    if (options.garbageListing)
        args << QStringLiteral("--garbage-listing");
    if (options.log)
        args << QStringLiteral("--log");
    // A test that dies leaves no server behind: it stops when its input closes.
    if (!options.tlsCertFile.isEmpty())
        args << QStringLiteral("--tls-cert") << options.tlsCertFile << QStringLiteral("--tls-key")
             << options.tlsKeyFile;
    if (!options.commandLog.isEmpty())
        args << QStringLiteral("--command-log") << options.commandLog;
    args << QStringLiteral("--exit-on-stdin-eof");

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process->waitForStarted(10000)) {
        m_error = m_process->errorString();
        m_process.reset();
        return false;
    }
    // The server prints "READY <port>" once it listens.
    QDeadlineTimer deadline(20000);
    QByteArray out;
    while (!out.contains('\n')) {
        const bool exited = m_process->state() != QProcess::Running && !m_process->bytesAvailable();
        if (deadline.hasExpired() || exited) {
            m_error = QStringLiteral("the FTP server did not start");
            stop();
            return false;
        }
        m_process->waitForReadyRead(int(deadline.remainingTime()));
        out += m_process->readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("READY ")) {
        m_error = QString::fromUtf8(line);
        stop();
        return false;
    }
    m_port = line.mid(6).toInt();
    return m_port > 0;
}

void FtpServer::stop() {
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
    m_port = 0;
}

} // namespace morvane::test
