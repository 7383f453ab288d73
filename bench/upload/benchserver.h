// What the transfer benchmarks share: the site they log in to, a local
// pyftpdlib server that delays its replies like a distant host (or the
// external server a script started, named in the environment), sites of
// many small files, and a job run to its end.
//
// MORVANE_BENCH_FTP_SERVER=127.0.0.1:PORT and MORVANE_BENCH_FTP_ROOT=<its
// folder>: use that server instead of starting one (the scripts do this to
// run lftp against the same server). MORVANE_BENCH_PROTOCOL ("ftps",
// "sftp"): the site's protocol against such an external server.
// MORVANE_BENCH_FTP_USER and MORVANE_BENCH_FTP_PASSWORD: another login than
// "user" / "secret".
#pragma once

#include "ftpserver.h"

#include "core/sitestore.h"
#include "transfer/runtoend.h"
#include "transfer/transferjob.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace morvane::bench {

using ::morvane::runToEnd;

inline QString envOr(const char* name, const QString& fallback) {
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? fallback : v;
}

struct Server {
    QString address;
    QString root;
    QString commandLog; // empty when the server keeps none
    std::unique_ptr<test::FtpServer> process;
    std::unique_ptr<QTemporaryDir> rootDir;
};

// The server with this reply delay, started on first use and kept for the
// process. With `countCommands`, one that writes each command's name to
// `commandLog` (an external server: MORVANE_BENCH_COMMAND_LOG, if its
// script keeps one).
inline Server& serverWithDelay(int delayMs, bool countCommands = false) {
    static std::map<std::pair<int, bool>, Server> servers;
    Server& s = servers[{delayMs, countCommands}];
    if (!s.address.isEmpty())
        return s;
    const QString external = qEnvironmentVariable("MORVANE_BENCH_FTP_SERVER");
    if (!external.isEmpty()) {
        s.address = external;
        s.root = qEnvironmentVariable("MORVANE_BENCH_FTP_ROOT");
        s.commandLog = qEnvironmentVariable("MORVANE_BENCH_COMMAND_LOG");
        return s;
    }
    s.rootDir = std::make_unique<QTemporaryDir>();
    s.root = s.rootDir->path() + QStringLiteral("/root");
    QDir().mkpath(s.root);
    s.process = std::make_unique<test::FtpServer>();
    test::FtpServerOptions options;
    options.threaded = true;
    options.delayMs = delayMs;
    if (countCommands) {
        s.commandLog = s.rootDir->path() + QStringLiteral("/commands.log");
        options.commandLog = s.commandLog;
    }
    if (!s.process->start(s.root, options))
        qFatal("FTP server did not start: %s", qPrintable(s.process->errorString()));
    s.address = s.process->address();
    return s;
}

// The commands the server has received since the last call, by name.
inline std::map<QString, int> takeCommands(const Server& server) {
    std::map<QString, int> counts;
    if (server.commandLog.isEmpty())
        return counts;
    QFile log(server.commandLog);
    if (log.open(QIODevice::ReadWrite)) {
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (!line.trimmed().isEmpty())
                ++counts[QString::fromLatin1(line.trimmed())];
        }
        log.resize(0);
    }
    return counts;
}

inline Site benchSite(const Server& server, const QString& serverFolder, int connections) {
    Site s;
    s.setValue(sitekey::server, server.address);
    s.setValue(sitekey::username, envOr("MORVANE_BENCH_FTP_USER", QStringLiteral("user")));
    s.setValue(sitekey::password, envOr("MORVANE_BENCH_FTP_PASSWORD", QStringLiteral("secret")));
    // Relative: inside the login folder, whatever the server's root.
    s.setValue(sitekey::serverfolder, serverFolder);
    s.setValue(ftpsitekey::maxConnections, QString::number(connections));
    s.setValue(ftpsitekey::protocol, qEnvironmentVariable("MORVANE_BENCH_PROTOCOL"));
    return s;
}

// `count` files of 2 KB spread over `folders` folders below `root`
// ("folder07/file123.html"); each file's first byte tells it apart.
inline void writeSite(const QString& root, int count, int folders) {
    QByteArray bytes(2048, 'x');
    for (int f = 0; f < folders; ++f)
        QDir().mkpath(root + QStringLiteral("/folder%1").arg(f, 2, 10, QLatin1Char('0')));
    for (int i = 0; i < count; ++i) {
        QFile file(root + QStringLiteral("/folder%1/file%2.html")
                              .arg(i % folders, 2, 10, QLatin1Char('0'))
                              .arg(i));
        bytes[0] = char(i);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the benchmark site");
    }
}

inline QStringList filesBelow(const QString& root) {
    QStringList list;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        list << QDir(root).relativeFilePath(it.next());
    list.sort();
    return list;
}

} // namespace morvane::bench
