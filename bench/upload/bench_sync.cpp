// Whole downloads and comparisons against a real server on this machine,
// as `morvane download --yes` and `morvane compare` run them: the local
// scan, the walk of the server folder, the comparison, the download.
//
//   BM_DownloadSite/<connections>/<reply delay ms>: 1,000 files of 2 KB in
//     20 folders into an empty site folder, fresh for each run; "walk_ms"
//     is the part the walk of the server folder took, the other counters
//     the commands the server received, by name (FTP only).
//   BM_CompareSite/<files>/<reply delay ms>: a site whose server folder is
//     identical (100 folders); counts the commands the server received, by
//     name (FTP only; "commands" is their sum).
//
// By default each benchmark starts its own threaded pyftpdlib server (see
// benchserver.h for the environment that names an external one instead).
// scripts/bench-download.sh runs BM_DownloadSite beside lftp over FTP and
// SFTP against the same server.
#include "benchserver.h"

#include "transfer/downloadjob.h"
#include "transfer/serverwalk.h"
#include "upload/sitecompare.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

using namespace morvane;
using namespace morvane::bench;

namespace {

struct Outcome {
    QString problem; // empty on success
    int fetched = 0;
    int differing = 0;
    qint64 walkMs = 0; // of the whole run, the walk of the server folder
};

// What `morvane download --yes` does once the site is chosen.
Outcome downloadSite(const Site& site, const QString& siteFolder) {
    const Exclusions exclusions = Exclusions::forSite(site);
    const sitecompare::LocalScan local = sitecompare::scanLocal(siteFolder, exclusions);
    QElapsedTimer clock;
    clock.start();
    ServerWalk walk(site, exclusions);
    runToEnd(walk);
    if (!walk.succeeded())
        return {walk.errorText()};
    const qint64 walkMs = clock.elapsed();
    QList<DownloadJob::File> files;
    for (const sitecompare::Row& row : sitecompare::compare(local.files, walk.files())) {
        if (row.state == sitecompare::State::OnlyOnServer ||
            row.state == sitecompare::State::Differs)
            files.append({row.path, walk.files().value(row.path)});
    }
    DownloadJob job(site, siteFolder, files);
    job.useConnections(walk.takeConnections());
    runToEnd(job);
    if (!job.succeeded())
        return {job.resultText()};
    return {QString(), int(job.downloadedFiles().size()), 0, walkMs};
}

// What `morvane compare` does once the site is chosen.
Outcome compareSite(const Site& site, const QString& siteFolder) {
    const Exclusions exclusions = Exclusions::forSite(site);
    const sitecompare::LocalScan local = sitecompare::scanLocal(siteFolder, exclusions);
    ServerWalk walk(site, exclusions);
    runToEnd(walk);
    if (!walk.succeeded())
        return {walk.errorText()};
    Outcome out;
    for (const sitecompare::Row& row : sitecompare::compare(local.files, walk.files())) {
        if (row.state != sitecompare::State::Same)
            ++out.differing;
    }
    return out;
}

void countCommands(benchmark::State& state, const std::map<QString, int>& commands, int runs) {
    int all = 0;
    for (const auto& [name, n] : commands) {
        state.counters[name.toStdString()] = double(n) / runs;
        all += n;
    }
    if (all > 0)
        state.counters["commands"] = double(all) / runs;
}

void BM_DownloadSite(benchmark::State& state) {
    const int connections = int(state.range(0));
    Server& server = serverWithDelay(int(state.range(1)), true);
    const QString remote = QStringLiteral("download-site");
    if (!QFileInfo::exists(server.root + QLatin1Char('/') + remote))
        writeSite(server.root + QLatin1Char('/') + remote, 1000, 20);
    takeCommands(server);
    std::map<QString, int> commands;
    int runs = 0;
    int fetched = 0;
    qint64 walkMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir local;
        state.ResumeTiming();
        const Outcome out = downloadSite(benchSite(server, remote, connections), local.path());
        state.PauseTiming();
        for (const auto& [name, n] : takeCommands(server))
            commands[name] += n;
        ++runs;
        fetched = out.fetched;
        walkMs += out.walkMs;
        if (!out.problem.isEmpty()) {
            state.SkipWithError(qPrintable(out.problem));
            break;
        }
        if (filesBelow(local.path()).size() != 1000) {
            state.SkipWithError("not every file arrived");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["files"] = fetched;
    state.counters["walk_ms"] = double(walkMs) / std::max(1, runs);
    countCommands(state, commands, std::max(1, runs));
}
BENCHMARK(BM_DownloadSite)
    ->ArgsProduct({{8}, {0, 20}})
    ->ArgNames({"connections", "delay_ms"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

void BM_CompareSite(benchmark::State& state) {
    const int count = int(state.range(0));
    Server& server = serverWithDelay(int(state.range(1)), true);
    const QString remote = QStringLiteral("compare-site-%1").arg(count);
    static QTemporaryDir local;
    const QString here = local.path() + QLatin1Char('/') + remote;
    if (!QFileInfo::exists(server.root + QLatin1Char('/') + remote)) {
        writeSite(server.root + QLatin1Char('/') + remote, count, 100);
        writeSite(here, count, 100);
        // Identical: the local copies take the server's times.
        for (const QString& path : filesBelow(here)) {
            QFile mine(here + QLatin1Char('/') + path);
            QFile theirs(server.root + QLatin1Char('/') + remote + QLatin1Char('/') + path);
            if (!mine.open(QIODevice::ReadWrite) ||
                !mine.setFileTime(QFileInfo(theirs).lastModified(),
                                  QFileDevice::FileModificationTime))
                qFatal("cannot set the benchmark site's times");
        }
    }
    takeCommands(server);
    std::map<QString, int> commands;
    int runs = 0;
    for (auto _ : state) {
        const Outcome out = compareSite(benchSite(server, remote, 8), here);
        state.PauseTiming();
        for (const auto& [name, n] : takeCommands(server))
            commands[name] += n;
        ++runs;
        if (!out.problem.isEmpty() || out.differing != 0) {
            state.SkipWithError(out.problem.isEmpty() ? "the sites differ"
                                                      : qPrintable(out.problem));
            break;
        }
        state.ResumeTiming();
    }
    state.counters["files"] = count;
    countCommands(state, commands, std::max(1, runs));
}
BENCHMARK(BM_CompareSite)
    ->ArgsProduct({{10000}, {20}})
    ->ArgNames({"files", "delay_ms"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
