// Typing helpers and Find in Site where they cost most:
//  - BM_FindInSite: a site of 10,000 files (100 MB) searched for a word that
//    a few hundred of them hold, until the search ends, with the time to
//    the first result; beside it `grep -rn` and `rg -n` on the same folder
//    (when installed), run once each per iteration;
//  - BM_ReplaceInSite: Replace All over 1,000 closed files with 10 matches
//    each, until the last file is written, with the longest gap between two
//    turns of the window's event loop meanwhile (a 1 ms timer ticks);
//    BM_ReplaceInSiteOnWindowThread is the same work done the earlier way,
//    file after file on the window's thread, drawing every 25 files but
//    taking no input until the end;
//  - BM_CompletionKey: a key press in the 30 MB HTML+PHP file until the
//    completion list is updated: p50/p99/max.
// The site is made once in $MORVANE_SITE_BENCH_DIR (default
// /tmp/morvane-site-bench); the 30 MB file comes from
// scripts/gen-syntax-bench-files.py (see bench/syntax).
#include "benchfiles.h"

#include "editor/editingtools.h"
#include "editor/preferences.h"
#include "editor/sitereplace.h"
#include "editor/sitesearch.h"
#include "editor/textview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

using namespace morvane;

namespace {

QString siteDir() {
    const QByteArray dir = qgetenv("MORVANE_SITE_BENCH_DIR");
    return QString::fromLocal8Bit(dir.isEmpty() ? QByteArray("/tmp/morvane-site-bench") : dir);
}

// 10,000 pages of 10 KB in 100 folders; every 37th page holds the footer
// year searched for.
void makeSite(const QString& root) {
    if (QFile::exists(root + QStringLiteral("/done")))
        return;
    QByteArray filler;
    while (filler.size() < 10000)
        filler += "<p class=\"text\">Lorem ipsum dolor sit amet, consectetur adipiscing.</p>\n";
    for (int i = 0; i < 10000; ++i) {
        const QString folder = root + QStringLiteral("/f%1").arg(i / 100);
        QDir().mkpath(folder);
        QFile f(folder + QStringLiteral("/page%1.html").arg(i));
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.write(filler);
        if (i % 37 == 0)
            f.write("<footer>&copy; 2023 Example</footer>\n");
    }
    QFile done(root + QStringLiteral("/done"));
    if (!done.open(QIODevice::WriteOnly))
        std::abort();
}

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void report(benchmark::State& state, std::vector<double>& v, const std::string& prefix) {
    std::sort(v.begin(), v.end());
    auto pct = [&](double p) { return v.empty() ? 0.0 : v[std::size_t(p * double(v.size() - 1))]; };
    state.counters[prefix + "p50"] = pct(0.5);
    state.counters[prefix + "p99"] = pct(0.99);
    state.counters[prefix + "max"] = v.empty() ? 0.0 : v.back();
}

double runTool(const QString& program, const QStringList& args) {
    if (QStandardPaths::findExecutable(program).isEmpty())
        return -1;
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.waitForFinished(-1);
    return double(t.nsecsElapsed()) / 1e6;
}

void BM_FindInSite(benchmark::State& state) {
    const QString root = siteDir();
    makeSite(root);
    std::vector<double> total, first, grep, rg;
    for (auto _ : state) {
        SiteSearch search;
        SiteSearchRequest request;
        request.root = root;
        request.pattern = QStringLiteral("2023");
        bool done = false;
        int files = 0;
        double firstMs = -1;
        QElapsedTimer t;
        QObject::connect(&search, &SiteSearch::found, [&](const QList<SiteFileResult>& f) {
            if (firstMs < 0)
                firstMs = double(t.nsecsElapsed()) / 1e6;
            files += int(f.size());
        });
        QObject::connect(&search, &SiteSearch::finished, [&] { done = true; });
        t.start();
        search.start(request);
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        total.push_back(double(t.nsecsElapsed()) / 1e6);
        first.push_back(firstMs);
        if (files != 271)
            state.SkipWithError("wrong number of files found");
        state.PauseTiming();
        grep.push_back(
            runTool(QStringLiteral("grep"), {QStringLiteral("-rn"), request.pattern, root}));
        rg.push_back(runTool(QStringLiteral("rg"), {QStringLiteral("-n"), request.pattern, root}));
        state.ResumeTiming();
    }
    report(state, total, "search_ms_");
    report(state, first, "first_result_ms_");
    report(state, grep, "grep_ms_");
    report(state, rg, "rg_ms_");
}
BENCHMARK(BM_FindInSite)->Iterations(5)->Unit(benchmark::kMillisecond);

// 1,000 closed pages with ten matches each, written afresh.
QList<SiteReplaceFile> makeReplaceSite(const QString& root) {
    QDir(root).removeRecursively();
    QList<SiteReplaceFile> files;
    const QByteArray body =
        QByteArray("<p class=\"text\">Lorem ipsum</p>\n<footer>&copy; 2023 Example</footer>\n")
            .repeated(10);
    for (int i = 0; i < 1000; ++i) {
        const QString folder = root + QStringLiteral("/f%1").arg(i / 100);
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/page%1.html").arg(i);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(body) != body.size())
            std::abort();
        f.close();
        files.append({path, stampOf(path)});
    }
    return files;
}

// Ticks of the window's event loop: the longest time between two.
struct LoopGaps {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    double longestMs = 0;
    LoopGaps() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        clock.start();
        timer.start();
    }
    void tick() {
        const qint64 now = clock.nsecsElapsed();
        longestMs = std::max(longestMs, double(now - last) / 1e6);
        last = now;
    }
};

void BM_ReplaceInSite(benchmark::State& state) {
    const QString root = siteDir() + QStringLiteral("-replace");
    std::vector<double> total, gaps;
    qsizetype replaced = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QList<SiteReplaceFile> files = makeReplaceSite(root);
        state.ResumeTiming();
        SiteReplace replace;
        bool done = false;
        QObject::connect(&replace, &SiteReplace::filesDone,
                         [&](const QList<SiteReplaceOutcome>& out, int, int) {
                             for (const SiteReplaceOutcome& o : out)
                                 replaced += o.result.count;
                         });
        QObject::connect(&replace, &SiteReplace::finished, [&] { done = true; });
        QElapsedTimer t;
        t.start();
        LoopGaps loop;
        replace.start(files, QStringLiteral("2023"), {}, QStringLiteral("2024"));
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        loop.tick();
        total.push_back(double(t.nsecsElapsed()) / 1e6);
        gaps.push_back(loop.longestMs);
    }
    if (replaced != qsizetype(state.iterations()) * 10000)
        state.SkipWithError("wrong number of matches replaced");
    report(state, total, "replace_ms_");
    report(state, gaps, "longest_loop_gap_ms_");
}
BENCHMARK(BM_ReplaceInSite)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ReplaceInSiteOnWindowThread(benchmark::State& state) {
    const QString root = siteDir() + QStringLiteral("-replace");
    std::vector<double> total, gaps;
    for (auto _ : state) {
        state.PauseTiming();
        const QList<SiteReplaceFile> files = makeReplaceSite(root);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        LoopGaps loop;
        const Finder finder(QStringLiteral("2023"), {});
        int n = 0;
        for (const SiteReplaceFile& f : files) {
            replaceInFile(f.path, f.stamp, finder, QStringLiteral("2024"));
            if (++n % 25 == 0)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        loop.tick();
        total.push_back(double(t.nsecsElapsed()) / 1e6);
        gaps.push_back(loop.longestMs);
    }
    report(state, total, "replace_ms_");
    report(state, gaps, "longest_loop_gap_ms_");
}
BENCHMARK(BM_ReplaceInSiteOnWindowThread)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_CompletionKey(benchmark::State& state) {
    Preferences prefs;
    TextView view(&prefs);
    view.resize(900, 700);
    view.show();
    view.setTextFromProgram(bench::readBenchFile("bench-30mb.php"), TextFormat{});
    EditingTools* tools = EditingTools::of(&view);
    QTextCursor c(view.document());
    c.setPosition((view.document()->characterCount() - 1) / 2);
    c.insertText(QStringLiteral("\n"));
    view.setTextCursor(c);
    QCoreApplication::processEvents();
    std::vector<double> ms, cpu;
    QElapsedTimer t;
    const auto key = [&](int code, const QString& text) {
        const double cpu0 = threadCpuMs();
        t.start();
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QApplication::sendEvent(&view, &press);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpu0);
    };
    int shown = 0;
    for (auto _ : state) {
        key(Qt::Key_S, QStringLiteral("s"));
        key(Qt::Key_E, QStringLiteral("e"));
        shown += tools->completionShown();
        key(Qt::Key_Backspace, QString());
        key(Qt::Key_Backspace, QString());
        QCoreApplication::processEvents();
    }
    state.counters["list_shown"] = shown;
    report(state, ms, "key_ms_");
    // The work itself, without the time spent waiting for a core.
    report(state, cpu, "key_cpu_ms_");
}
BENCHMARK(BM_CompletionKey)->Iterations(100)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
