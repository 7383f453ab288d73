// A real FTP server for tests and benchmarks: runs tests/support/ftp_server.py
// (pyftpdlib, with the system Python) on 127.0.0.1 and a free port.
//
//   FtpServer server;
//   ASSERT_TRUE(server.start(rootDir, options));
//   site.setValue("server", server.address()); // "127.0.0.1:PORT"
#pragma once

#include <QProcess>
#include <QString>

#include <memory>

namespace morvane::test {

struct FtpServerOptions {
    QString user = QStringLiteral("user");
    QString password = QStringLiteral("secret");
    int maxConnectionsPerAddress = 0; // 0: no limit
    int delayMs = 0;                  // delay before every reply (a distant host)
    bool threaded = false;            // one thread per connection
    int refuseEvery = 0;              // answer every k-th STOR with 451
    int dropEvery = 0;                // drop every k-th STOR's connections mid-transfer
    int slowEvery = 0;                // delay every k-th STOR's final reply by slowMs
    int slowMs = 300;
    int muteEvery = 0;           // never send every k-th STOR's final reply
    bool garbageListing = false; // answer LIST with lines that are no listing
    bool log = false;            // the server's command log on its stderr
    // proftpd's way with a per-host limit: a login while more than this many
    // connections from the address are open is refused with 530.
    int proftpdLimit = 0;
    QString loginLog;              // a file that gets "ok", "failed" or "refused" per login
    int authFailedDelayMs = 1000;  // before the 530 of a wrong password
    QString requireTls;            // "vsftpd" or "pureftpd": refuse cleartext logins so
    int fullAfter = -1;            // stop every STOR after this many bytes…
    int fullCode = 452;            // …with this reply (452 or 552)
    bool refuseRename = false;     // refuse every RNFR
    QStringList refuseDeleteNames; // DELE of a path holding one of these: 550
    bool noRenameOver = false;     // refuse RNTO onto an existing file
    bool wrongSize = false;        // SIZE reports one byte more than the file has
    int trickleListingMs = 0;      // LIST sends a line every N ms, forever
    // FTPS: TLS demanded on control and data connections, with this
    // certificate chain and key (PEM files).
    QString tlsCertFile;
    QString tlsKeyFile;
    bool implicitTls = false; // TLS from the first byte (implicit FTPS)
    QString commandLog;       // a file that gets each command's name as it arrives
    // Files (parts of their names) whose store fails, the first
    // `faultTimes` times: answered 426 once the data has arrived, as
    // vsftpd does now and then, or with both connections dropped.
    QStringList abortNames;
    QStringList dropNames;
    int faultTimes = 1;
    // Files (parts of their names) whose download sends half the file and
    // then drops the connection without the final reply.
    QStringList cutRetrNames;
    bool refuseProt = false; // FTPS: answer PROT P with 534 (after the login)
    // FTPS: present this certificate and key on data connections instead
    // (as a machine in the middle of them would).
    QString dataTlsCertFile;
    QString dataTlsKeyFile;
};

// Starts a test server script with the system Python and waits for its
// "READY <port>" line; returns the port, or 0 with `error` set. Secrets go
// in `env`, never on the command line.
int startReadyProcess(std::unique_ptr<QProcess>& process, const QStringList& args,
                      const QProcessEnvironment& env, QString* error);
void stopProcess(std::unique_ptr<QProcess>& process);

class FtpServer {
public:
    FtpServer();
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // Starts serving `rootDir` and returns once the server accepts
    // connections (it says so on its standard output). False on failure,
    // with the reason in errorString().
    bool start(const QString& rootDir, const FtpServerOptions& options = {});
    void stop();

    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString errorString() const { return m_error; }

    // The path of the server script, for scripts that start it themselves.
    static QString scriptPath();

private:
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_error;
};

} // namespace morvane::test
