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
    QStringList args{scriptPath(), QStringLiteral("--root"), rootDir, QStringLiteral("--user"),
                     options.user};
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
    if (!options.refuseDeleteNames.isEmpty())
        args << QStringLiteral("--refuse-delete-names") << options.refuseDeleteNames.join(',');
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
    if (!options.tlsCertFile.isEmpty())
        args << QStringLiteral("--tls-cert") << options.tlsCertFile << QStringLiteral("--tls-key")
             << options.tlsKeyFile;
    if (options.implicitTls)
        args << QStringLiteral("--implicit-tls");
    if (!options.cutRetrNames.isEmpty())
        args << QStringLiteral("--cut-retr-names") << options.cutRetrNames.join(QLatin1Char(','));
    if (!options.abortNames.isEmpty())
        args << QStringLiteral("--abort-names") << options.abortNames.join(QLatin1Char(','));
    if (!options.dropNames.isEmpty())
        args << QStringLiteral("--drop-names") << options.dropNames.join(QLatin1Char(','));
    add("--fault-times", options.faultTimes);
    if (options.refuseProt)
        args << QStringLiteral("--refuse-prot");
    if (!options.dataTlsCertFile.isEmpty())
        args << QStringLiteral("--data-tls-cert") << options.dataTlsCertFile
             << QStringLiteral("--data-tls-key") << options.dataTlsKeyFile;
    if (!options.commandLog.isEmpty())
        args << QStringLiteral("--command-log") << options.commandLog;
    // A test that dies leaves no server behind: it stops when its input closes.
    args << QStringLiteral("--exit-on-stdin-eof");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MORVANE_TEST_PASSWORD"), options.password);
    m_port = startReadyProcess(m_process, args, env, &m_error);
    return m_port > 0;
}

int startReadyProcess(std::unique_ptr<QProcess>& process, const QStringList& args,
                      const QProcessEnvironment& env, QString* error) {
    process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setProcessEnvironment(env);
    process->start(QStringLiteral("/usr/bin/python3"), args);
    auto fail = [&](const QString& why) {
        *error = why;
        stopProcess(process);
        return 0;
    };
    if (!process->waitForStarted(10000))
        return fail(process->errorString());
    // The server prints "READY <port>" once it listens.
    QDeadlineTimer deadline(20000);
    QByteArray out;
    while (!out.contains('\n')) {
        const bool exited = process->state() != QProcess::Running && !process->bytesAvailable();
        if (deadline.hasExpired() || exited)
            return fail(QStringLiteral("the server did not start"));
        process->waitForReadyRead(int(deadline.remainingTime()));
        out += process->readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("READY "))
        return fail(QString::fromUtf8(line));
    return line.mid(6).toInt();
}

void stopProcess(std::unique_ptr<QProcess>& process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    process.reset();
}

void FtpServer::stop() {
    stopProcess(m_process);
    m_port = 0;
}

} // namespace morvane::test
