#include "sftpserver.h"

#include "ftpserver.h"
#include "testenv.h"

#include <QFile>

namespace morvane::test {

bool SftpServer::start(const QString& rootDir, const SftpServerOptions& options) {
    stop();
    QStringList args{QStringLiteral(MORVANE_SFTP_SERVER_SCRIPT),
                     QStringLiteral("--root"),
                     rootDir,
                     QStringLiteral("--user"),
                     options.user,
                     QStringLiteral("--host-key"),
                     options.hostKey};
    if (!options.password.isEmpty()) {
        // In a file beside the host key, never on the command line.
        m_passwordFile = options.hostKey + QStringLiteral(".password");
        if (!writeFile(m_passwordFile, options.password.toUtf8())) {
            m_error = QStringLiteral("can't write the password file");
            return false;
        }
        args << QStringLiteral("--password-file") << m_passwordFile;
    }
    if (!options.authorizedKeys.isEmpty())
        args << QStringLiteral("--authorized-keys") << options.authorizedKeys;
    if (options.port > 0)
        args << QStringLiteral("--port") << QString::number(options.port);
    if (!options.authLog.isEmpty())
        args << QStringLiteral("--auth-log") << options.authLog;
    if (!options.plant.isEmpty())
        args << QStringLiteral("--plant") << options.plant;
    args << QStringLiteral("--exit-on-stdin-eof");
    m_port = startReadyProcess(m_process, args, QProcessEnvironment::systemEnvironment(), &m_error);
    return m_port > 0;
}

void SftpServer::stop() {
    stopProcess(m_process);
    if (!m_passwordFile.isEmpty())
        QFile::remove(m_passwordFile);
    m_passwordFile.clear();
    m_port = 0;
}

} // namespace morvane::test
