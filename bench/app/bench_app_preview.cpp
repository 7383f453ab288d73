// What the preview costs. The first preview of a session (the web-engine
// module loaded and the view made) against a minimal program of our own
// that creates a QWebEngineView and loads the same page, both run side by
// side as fresh processes; later previews of a 10 KB page from disk; and
// the program's peak memory before and after its first preview.
#include "app/appdelegate.h"
#include "app/openfilescontroller.h"
#include "app/previewcontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/sitestore.h"
#include "quietplatform.h"
#include "tree/filesystemitem.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using morvane::bench::QuietPlatform;

long peakKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

QByteArray page(int bytes, const QByteArray& title) {
    QByteArray out = "<!doctype html><title>" + title + "</title><body>\n";
    while (out.size() < bytes)
        out += "<p>A paragraph of the page, with <a href='x.html'>a link</a> and text.</p>\n";
    return out + "</body>";
}

QString g_site;

bool waitFor(morvane::PreviewController* p, const std::function<void()>& action) {
    bool done = false;
    auto c =
        QObject::connect(p, &morvane::PreviewController::pageLoaded, p, [&](bool) { done = true; });
    action();
    const QDeadlineTimer deadline(30000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QObject::disconnect(c);
    return done;
}

void configure() {
    auto s = morvane::paths::openSettings();
    morvane::Site site;
    site.setValue(morvane::sitekey::sitename, QStringLiteral("Bench"));
    site.setValue(morvane::sitekey::localpath, g_site);
    morvane::sitestore::save(*s, {site});
    s->setValue(QStringLiteral("currentsite"), QStringLiteral("Bench"));
    s->setValue(QStringLiteral("HideInitialHelp"), true);
}

// Child mode: the program's first preview, printed as "nanoseconds
// peak-before-KiB peak-after-KiB".
int firstPreviewChild() {
    configure();
    morvane::AppDelegate app;
    app.applicationDidFinishLaunching();
    const long before = peakKiB();
    morvane::OpenFilesController* files = app.openFiles();
    app.expandPath(morvane::FileSystemItem::rootItem(), {QString(), QStringLiteral("small.html")},
                   1, morvane::OutlineController::PathEnd::Select);
    QElapsedTimer t;
    const bool ok = waitFor(app.preview(), [&] {
        t.start();
        files->currentFile()->editMode = false;
        app.preview()->previewFile(files->currentFile());
    });
    const qint64 ns = t.nsecsElapsed();
    std::printf("%lld %ld %ld\n", static_cast<long long>(ok ? ns : -1), before, peakKiB());
    return ok ? 0 : 1;
}

QList<qint64> runChild(const QString& program, const QStringList& args, QString* rest) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
    QList<qint64> out;
    for (const QByteArray& part : parts)
        out << part.toLongLong();
    if (rest)
        *rest = QString::fromUtf8(p.readAllStandardError()).right(200);
    return out;
}

void BM_FirstPreviewOfASession(benchmark::State& state) {
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> ratios;
    long before = 0, after = 0, minimalPeak = 0;
    for (auto _ : state) {
        const QList<qint64> minimal = runChild(QStringLiteral(MINIMAL_WEBVIEW_BINARY),
                                               {g_site + QStringLiteral("/small.html")}, nullptr);
        const QList<qint64> ours = runChild(self, {QStringLiteral("--first-preview")}, nullptr);
        if (minimal.size() < 2 || ours.size() < 3 || ours[0] < 0 || minimal[0] <= 0) {
            state.SkipWithError("a child did not load the page");
            return;
        }
        state.SetIterationTime(double(ours[0]) / 1e9);
        ratios.push_back(double(ours[0]) / double(minimal[0]));
        state.counters["minimal_ms"] = double(minimal[0]) / 1e6;
        before = long(ours[1]);
        after = long(ours[2]);
        minimalPeak = long(minimal[1]);
    }
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty())
        state.counters["median_ratio_to_minimal"] = ratios[ratios.size() / 2];
    state.counters["peak_MiB_before"] = double(before) / 1024;
    state.counters["peak_MiB_after"] = double(after) / 1024;
    state.counters["minimal_peak_MiB"] = double(minimalPeak) / 1024;
}
BENCHMARK(BM_FirstPreviewOfASession)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void BM_LaterPreviewOf10KBPage(benchmark::State& state) {
    configure();
    morvane::AppDelegate app;
    app.applicationDidFinishLaunching();
    morvane::OpenFilesController* files = app.openFiles();
    QList<morvane::OpenFile*> pages;
    for (const char* name : {"ten1.html", "ten2.html"}) {
        app.expandPath(morvane::FileSystemItem::rootItem(), {QString(), QLatin1String(name)}, 1,
                       morvane::OutlineController::PathEnd::Select);
        files->currentFile()->editMode = false;
        pages << files->currentFile();
    }
    waitFor(app.preview(), [&] { app.preview()->previewFile(pages[0]); });
    int n = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        const bool ok = waitFor(app.preview(), [&] {
            t.start();
            app.preview()->previewFile(pages[++n % 2]);
        });
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        if (!ok)
            state.SkipWithError("the page did not load");
    }
}
BENCHMARK(BM_LaterPreviewOf10KBPage)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(30)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QTemporaryDir home;
    if (qEnvironmentVariableIsEmpty("MORVANE_BENCH_HOME")) {
        qputenv("MORVANE_BENCH_HOME", home.path().toUtf8());
    }
    const QByteArray root = qgetenv("MORVANE_BENCH_HOME");
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    // As the program does: the web engine is loaded as a module later.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication qapp(argc, argv);
    QuietPlatform platform;
    morvane::Platform::install(&platform);
    g_site = QString::fromUtf8(root) + QStringLiteral("/site");
    writeFile(g_site + QStringLiteral("/small.html"), page(600, "Small"));
    writeFile(g_site + QStringLiteral("/ten1.html"), page(10 * 1024, "Ten 1"));
    writeFile(g_site + QStringLiteral("/ten2.html"), page(10 * 1024, "Ten 2"));
    if (argc > 1 && QByteArray(argv[1]) == "--first-preview")
        return firstPreviewChild();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
