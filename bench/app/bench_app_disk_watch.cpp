// What watching the disk costs: an outside change to an open 10 MB file, from
// the end of the other program's write to the new text in the editor; and
// the program's CPU use while idle with 10,000 files in expanded folders
// (the folder and file watches must cost nothing while nothing changes).
#include "app/appdelegate.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/sitestore.h"
#include "editor/textview.h"
#include "quietplatform.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "tree/folderwatcher.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSettings>
#include <QTextBlock>
#include <QTimer>
#include <QTreeView>

#include "app/mainwindow.h"

#include <sys/resource.h>

namespace {

using morvane::bench::QuietPlatform;

QString g_site;

QByteArray largeText(qint64 bytes) {
    const QByteArray line = "  <div class=\"row\"><a href=\"page.html?x=1&amp;y=2\">Link text</a> "
                            "<?php echo $value; ?> <!-- note --></div>\n";
    QByteArray out;
    out.reserve(bytes + line.size());
    while (out.size() < bytes)
        out += line;
    return out;
}

void configureSite() {
    auto s = morvane::paths::openSettings();
    morvane::Site site;
    site.setValue(morvane::sitekey::sitename, QStringLiteral("Big"));
    site.setValue(morvane::sitekey::localpath, g_site);
    morvane::sitestore::save(*s, {site});
    s->setValue(QStringLiteral("currentsite"), QStringLiteral("Big"));
}

void BM_OutsideChangeOfOpen10MBFileOnScreen(benchmark::State& state) {
    const QString path = g_site + QStringLiteral("/big.html");
    const QByteArray base = largeText(10 * 1000 * 1000);
    QFile::remove(path);
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(base);
    }
    morvane::AppDelegate app;
    app.applicationDidFinishLaunching();
    app.expandPath(morvane::FileSystemItem::rootItem(), {QString(), QStringLiteral("big.html")}, 1,
                   morvane::OutlineController::PathEnd::Select);
    QCoreApplication::processEvents();
    morvane::TextView* view = app.openFiles()->currentTextView();
    if (!view) {
        state.SkipWithError("the file did not open");
        return;
    }
    int n = 0;
    for (auto _ : state) {
        // Another program rewrites the file with one more line at the end.
        const QByteArray marker = "<p>change " + QByteArray::number(++n) + "</p>";
        {
            QFile f(path);
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(base);
            f.write(marker + "\n");
        }
        QElapsedTimer t;
        t.start();
        const QDeadlineTimer deadline(10000);
        auto shown = [&] {
            const QTextBlock last = view->document()->lastBlock().previous();
            return last.text().toUtf8() == marker;
        };
        while (!shown() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        if (!shown())
            state.SkipWithError("the change never reached the editor");
    }
}
BENCHMARK(BM_OutsideChangeOfOpen10MBFileOnScreen)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5)
    ->Repetitions(3);

double cpuSeconds() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void BM_IdleWith10000FilesInExpandedFolders(benchmark::State& state) {
    const QString root = g_site + QStringLiteral("/many");
    for (int d = 0; d < 10; ++d) {
        const QString folder = root + QStringLiteral("/folder%1").arg(d);
        QDir().mkpath(folder);
        for (int i = 0; i < 1000; ++i) {
            QFile f(folder + QStringLiteral("/page%1.html").arg(i));
            f.open(QIODevice::WriteOnly);
        }
    }
    morvane::AppDelegate app;
    app.applicationDidFinishLaunching();
    QTreeView* outline = app.window()->outlineView();
    app.expandPath(morvane::FileSystemItem::rootItem(), {QString(), QStringLiteral("many")}, 1,
                   morvane::OutlineController::PathEnd::Expand);
    for (int d = 0; d < 10; ++d)
        app.expandPath(morvane::FileSystemItem::rootItem(),
                       {QString(), QStringLiteral("many"), QStringLiteral("folder%1").arg(d)}, 1,
                       morvane::OutlineController::PathEnd::Expand);
    // Let the expansion and the watches settle.
    const QDeadlineTimer settle(500);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    state.counters["rows"] =
        double(outline->model()->rowCount(static_cast<morvane::FileTreeModel*>(outline->model())
                                              ->indexForPath(root + QStringLiteral("/folder0")))) *
        10;
    int refreshes = 0;
    QObject::connect(app.folderWatcher(), &morvane::FolderWatcher::refreshed,
                     [&refreshes] { ++refreshes; });
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double before = cpuSeconds();
        QElapsedTimer t;
        t.start();
        // A real idle event loop, as the program's own between user events.
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        cpu += cpuSeconds() - before;
        wall += double(t.nsecsElapsed()) / 1e9;
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
    state.counters["refreshes"] = refreshes;
    QDir(root).removeRecursively();
}
BENCHMARK(BM_IdleWith10000FilesInExpandedFolders)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    const QString home = QDir::tempPath() + QStringLiteral("/morvane-bench-watch");
    QDir(home).removeRecursively();
    QDir().mkpath(home + QStringLiteral("/site"));
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toLocal8Bit());
    g_site = home + QStringLiteral("/site");

    QCoreApplication::setOrganizationName(QStringLiteral("Morvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Morvane"));
    QApplication app(argc, argv);
    QuietPlatform platform;
    morvane::Platform::install(&platform);
    configureSite();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QDir(home).removeRecursively();
    return 0;
}
