// Whole upload jobs against a real FTP server on this machine.
//
//   BM_UploadSite/<connections>/<reply delay ms>/<temp name>/<size check>:
//     1,000 files of 2 KB in 20 folders, into a fresh server folder each
//     iteration; each file under a temporary name renamed into place (1) or
//     straight under its name (0), with the server's size checked (1) or not.
//   BM_UploadLargeFile: one 1 GB file; reports the process's peak memory.
//
// By default each benchmark starts its own threaded pyftpdlib server. With
// MORVANE_BENCH_FTP_SERVER=127.0.0.1:PORT and MORVANE_BENCH_FTP_ROOT=<its
// folder> it uses that one instead (scripts/bench-upload.sh does this to run
// lftp against the same server), and MORVANE_BENCH_SITE names an existing
// local site folder to send. MORVANE_BENCH_PROTOCOL ("ftps", "sftp") makes
// the sites use that protocol against such an external server (its
// certificate trusted through SSL_CERT_FILE, its host key in
// ~/.ssh/known_hosts). MORVANE_BENCH_FTP_USER and MORVANE_BENCH_FTP_PASSWORD
// log in to it as another user than "user" / "secret".
//
//   BM_FirstConnection: a connection test (connect, TLS or SSH handshake,
//     login, listing) on a new connection.
#include "benchserver.h"
#include "transfer/transferjob.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <map>
#include <memory>

using namespace morvane;
using morvane::bench::envOr;
using morvane::bench::Server;
using morvane::bench::serverWithDelay;

namespace {

// 1,000 files of 2 KB in 20 folders, made once per process.
const QString& smallSite(QStringList* files) {
    static QTemporaryDir dir;
    static QStringList list;
    static QString path = envOr("MORVANE_BENCH_SITE", QString());
    if (list.isEmpty()) {
        if (path.isEmpty()) {
            path = dir.path();
            bench::writeSite(path, 1000, 20);
        }
        list = bench::filesBelow(path);
    }
    *files = list;
    return path;
}

bool runToEnd(TransferJob& job) {
    bench::runToEnd(job);
    return job.succeeded();
}

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_UploadSite(benchmark::State& state) {
    const int connections = int(state.range(0));
    Server& server = serverWithDelay(int(state.range(1)));
    const bool temporaryName = state.range(2) != 0;
    const bool sizeCheck = state.range(3) != 0;
    QStringList files;
    const QString site = smallSite(&files);
    int run = 0;
    for (auto _ : state) {
        const QString folder = QStringLiteral("morvane-%1-%2").arg(connections).arg(run++);
        Site s;
        s.setValue(sitekey::server, server.address);
        s.setValue(sitekey::username, envOr("MORVANE_BENCH_FTP_USER", QStringLiteral("user")));
        s.setValue(sitekey::password,
                   envOr("MORVANE_BENCH_FTP_PASSWORD", QStringLiteral("secret")));
        // Relative: inside the login folder, whatever the server's root.
        s.setValue(sitekey::serverfolder, folder);
        s.setValue(ftpsitekey::maxConnections, QString::number(connections));
        s.setValue(ftpsitekey::directUpload, temporaryName ? QString() : QStringLiteral("1"));
        s.setValue(ftpsitekey::sizeCheck, sizeCheck ? QStringLiteral("1") : QString());
        s.setValue(ftpsitekey::protocol, qEnvironmentVariable("MORVANE_BENCH_PROTOCOL"));
        auto job = TransferJob::makeUpload(s, site, files);
        if (!runToEnd(*job)) {
            state.SkipWithError(qPrintable(job->resultText()));
            break;
        }
        // MORVANE_BENCH_KEEP=1: the caller checks what arrived and removes it.
        state.PauseTiming();
        if (qEnvironmentVariable("MORVANE_BENCH_KEEP") != QLatin1String("1"))
            QDir(server.root + '/' + folder).removeRecursively();
        state.ResumeTiming();
    }
    state.counters["files"] = double(files.size());
}
BENCHMARK(BM_UploadSite)
    ->ArgsProduct({{4, 8}, {0, 20}, {1, 0}, {1, 0}})
    ->ArgNames({"connections", "delay_ms", "temp", "size"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_FirstConnection(benchmark::State& state) {
    Server& server = serverWithDelay(0);
    for (auto _ : state) {
        Site s;
        s.setValue(sitekey::server, server.address);
        s.setValue(sitekey::username, envOr("MORVANE_BENCH_FTP_USER", QStringLiteral("user")));
        s.setValue(sitekey::password,
                   envOr("MORVANE_BENCH_FTP_PASSWORD", QStringLiteral("secret")));
        s.setValue(ftpsitekey::protocol, qEnvironmentVariable("MORVANE_BENCH_PROTOCOL"));
        auto job = TransferJob::makeConnectionTest(s);
        if (!runToEnd(*job))
            state.SkipWithError(qPrintable(job->resultText()));
    }
}
BENCHMARK(BM_FirstConnection)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_UploadLargeFile(benchmark::State& state) {
    Server& server = serverWithDelay(0);
    QTemporaryDir dir;
    {
        QFile f(dir.path() + QStringLiteral("/large.bin"));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write the large file");
        QByteArray block(1 << 20, '\x5a');
        for (int i = 0; i < 1024; ++i)
            f.write(block);
    }
    const long before = peakRssKiB();
    for (auto _ : state) {
        Site s;
        s.setValue(sitekey::server, server.address);
        s.setValue(sitekey::username, envOr("MORVANE_BENCH_FTP_USER", QStringLiteral("user")));
        s.setValue(sitekey::password,
                   envOr("MORVANE_BENCH_FTP_PASSWORD", QStringLiteral("secret")));
        s.setValue(sitekey::serverfolder, QStringLiteral("large"));
        auto job = TransferJob::makeUpload(s, dir.path(), {QStringLiteral("large.bin")});
        if (!runToEnd(*job))
            state.SkipWithError(qPrintable(job->resultText()));
    }
    QDir(server.root + QStringLiteral("/large")).removeRecursively();
    state.counters["peak_rss_MiB"] = double(peakRssKiB()) / 1024.0;
    state.counters["peak_rss_before_MiB"] = double(before) / 1024.0;
    state.SetBytesProcessed(int64_t(state.iterations()) * (int64_t(1) << 30));
}
BENCHMARK(BM_UploadLargeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
