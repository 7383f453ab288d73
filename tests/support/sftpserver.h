// A real SFTP server for tests: runs tests/support/sftp_server.py (asyncssh)
// on 127.0.0.1 and a free port, with its own host key, serving one folder.
#pragma once

#include <QProcess>
#include <QString>

#include <memory>

namespace morvane::test {

struct SftpServerOptions {
    QString user = QStringLiteral("user");
    QString password = QStringLiteral("secret"); // empty: no password logins
    QString authorizedKeys;                      // an authorized_keys file for key logins
    QString hostKey;                             // the private host key file (required)
    int port = 0;                                // 0: a free one
    QString authLog; // a file that gets "connect", "auth …", "password ok"… per event
    QString plant;   // a file name the server puts into every folder it makes
};

class SftpServer {
public:
    SftpServer() = default;
    ~SftpServer() { stop(); }
    SftpServer(const SftpServer&) = delete;
    SftpServer& operator=(const SftpServer&) = delete;

    bool start(const QString& rootDir, const SftpServerOptions& options);
    void stop();

    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString errorString() const { return m_error; }

private:
    std::unique_ptr<QProcess> m_process;
    QString m_passwordFile;
    int m_port = 0;
    QString m_error;
};

} // namespace morvane::test
