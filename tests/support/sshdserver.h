// The real OpenSSH server for tests: /usr/sbin/sshd started by hand with a
// configuration of its own (host key, pid file, a free port of 127.0.0.1,
// password logins, the built-in SFTP server and nothing else), for a local
// user made for the test and removed afterwards. Never the system service.
// It needs root (to make the user and for sshd itself); tests skip with
// SshdServer::unavailableReason() where that is missing.
//
//   if (const QString why = SshdServer::unavailableReason(); !why.isEmpty())
//       GTEST_SKIP() << why.toStdString();
//   SshdServer server;
//   ASSERT_TRUE(server.start()) << server.errorString().toStdString();
//   ASSERT_TRUE(server.trustIn(QDir::homePath() + "/.ssh/known_hosts"));
//   site.setValue("server", server.address());
//   site.setValue("username", server.user());
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace morvane::test {

struct SshdOptions {
    QString password = QStringLiteral("secret");
    // More sshd_config lines ("MaxStartups 1:100:1", "PerSourceMaxStartups 1"…).
    QStringList extraConfig;
};

class SshdServer {
public:
    SshdServer();
    ~SshdServer();
    SshdServer(const SshdServer&) = delete;
    SshdServer& operator=(const SshdServer&) = delete;

    // Why sshd can't be run here (not root, no sshd, no useradd), or an
    // empty text when it can.
    static QString unavailableReason();

    // Makes the test user and its home, then starts sshd and returns once it
    // listens. False on failure, with the reason in errorString().
    bool start(const SshdOptions& options = {});
    // Stops sshd, unmounts what mountSmallDisk() mounted, removes the user.
    void stop();

    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString user() const { return m_user; }
    QString password() const { return m_password; }
    // The user's home: the folder a login starts in.
    QString homeDir() const;
    // A folder outside the home (world-readable) for the test's own
    // folders, such as the target of an absolute server folder.
    QString baseDir() const;
    QString errorString() const { return m_error; }

    // Creates the folder `path` (and its parents below baseDir()) owned by
    // the test user.
    bool makeUserFolder(const QString& path);
    // Mounts a tmpfs of `size` ("1m") on `path`, owned by the test user.
    // False where mounting is not allowed (`why` says so).
    bool mountSmallDisk(const QString& path, const QString& size, QString* why);

    // The server's public host key line ("ssh-ed25519 AAAA… comment").
    QByteArray hostKeyLine() const;
    // Adds the server's key to a known_hosts file the way ssh writes it
    // ("[127.0.0.1]:PORT ssh-ed25519 AAAA…"), creating the file (0600) and
    // its folder (0700) when missing.
    bool trustIn(const QString& knownHostsFile) const;
    // sshd's log so far (LogLevel VERBOSE: "Accepted password for …" per
    // login, "Connection from …" per connection).
    QByteArray log() const;

private:
    bool runTool(const QString& program, const QStringList& args, const QByteArray& input = {});
    bool makeUser();
    void removeUser();
    bool startDaemon(const SshdOptions& options);

    std::unique_ptr<QTemporaryDir> m_base;
    std::unique_ptr<QProcess> m_process;
    QStringList m_mounts;
    QString m_user;
    QString m_password;
    int m_port = 0;
    QString m_error;
};

} // namespace morvane::test
