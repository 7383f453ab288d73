// The FTP servers of real hosts, run by a test: vsftpd (as installed) and
// proftpd with mod_tls (unpacked by scripts/install-deps.sh, since it
// cannot be installed beside vsftpd). Each runs in the foreground on a free
// port of 127.0.0.1 with its own configuration file in a temporary folder,
// for a local user made for the test and removed afterwards; never as a
// system service. Both keep their users inside their home folder (the
// login folder is "/"), as hosting providers do.
//
//   RealFtpServer server(RealFtpServer::Kind::Vsftpd);
//   if (const QString why = server.unavailable(); !why.isEmpty())
//       GTEST_SKIP() << qPrintable(why);
//   ASSERT_TRUE(server.start(options)) << qPrintable(server.errorString());
//   site.setValue("server", server.address());
//   ... server.home() holds what was uploaded; server.loginCount() counts logins.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace morvane::test {

// A local account for a test, removed (with nothing left behind) when the
// object goes. Needs root.
class TestUser {
public:
    TestUser() = default;
    ~TestUser();
    TestUser(const TestUser&) = delete;
    TestUser& operator=(const TestUser&) = delete;

    // Makes the user with `password` and `home` (which must exist; it is
    // given to the user). False with the reason in `error`.
    bool create(const QString& home, const QString& password, QString* error);
    void remove();
    const QString& name() const { return m_name; }

private:
    QString m_name;
};

struct RealFtpOptions {
    // TLS with the server's defaults (session reuse required on data
    // connections), demanded for the login and every data connection.
    // Empty: plain FTP.
    QString tlsCertFile;
    QString tlsKeyFile;
};

class RealFtpServer {
public:
    enum class Kind { Vsftpd, Proftpd };

    explicit RealFtpServer(Kind kind);
    ~RealFtpServer();
    RealFtpServer(const RealFtpServer&) = delete;
    RealFtpServer& operator=(const RealFtpServer&) = delete;

    // Why the server cannot be run here (not installed, not root), for a
    // skip message; empty when it can.
    QString unavailable() const;

    // Makes the user and the configuration and starts the server; returns
    // once it accepts connections. False with errorString() on failure.
    bool start(const RealFtpOptions& options = {});
    void stop();

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString userName() const { return m_user.name(); }
    QString password() const { return m_password; }
    // The user's home folder, the login folder "/".
    QString home() const;
    QString errorString() const { return m_error; }

    // The server's own log so far, and the logins it accepted in it.
    QString log() const;
    int loginCount() const;

    static QString binary(Kind kind);

private:
    bool writeConfig(const RealFtpOptions& options);
    bool waitUntilListening();

    Kind m_kind;
    std::unique_ptr<QTemporaryDir> m_dir;
    TestUser m_user;
    QString m_password;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_error;
};

// A port of 127.0.0.1 that nothing listens on just now.
int freeLocalPort();

} // namespace morvane::test
