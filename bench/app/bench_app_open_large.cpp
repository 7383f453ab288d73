// A 10 MB HTML file: from its selection in the outline to an editable,
// coloured editor, in the real window offscreen; then the peak memory of the
// program holding it, beside a bare QPlainTextEdit holding the same text
// (each measured in a fresh child process).
#include "app/appdelegate.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/sitestore.h"
#include "editor/textview.h"
#include "quietplatform.h"
#include "tree/filesystemitem.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSettings>

#include <cstdio>
#include <cstring>

namespace {

using morvane::bench::QuietPlatform;

QString g_site;

void makeLargeFile(const QString& path, qint64 bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    const QByteArray line = "  <div class=\"row\"><a href=\"page.html?x=1&amp;y=2\">Link text</a> "
                            "<?php echo $value; ?> <!-- note --></div>\n";
    for (qint64 written = 0; written < bytes; written += line.size())
        f.write(line);
}

void configureSite() {
    auto s = morvane::paths::openSettings();
    morvane::Site site;
    site.setValue(morvane::sitekey::sitename, QStringLiteral("Big"));
    site.setValue(morvane::sitekey::localpath, g_site);
    morvane::sitestore::save(*s, {site});
    s->setValue(QStringLiteral("currentsite"), QStringLiteral("Big"));
}

void openBigFile(morvane::AppDelegate& app) {
    app.expandPath(morvane::FileSystemItem::rootItem(), {QString(), QStringLiteral("big.html")}, 1,
                   morvane::OutlineController::PathEnd::Select);
    QCoreApplication::processEvents();
}

void BM_OpenLargeFileToEditable(benchmark::State& state) {
    morvane::AppDelegate app;
    app.applicationDidFinishLaunching();
    for (auto _ : state) {
        state.PauseTiming();
        app.setSiteToCurrent(QStringLiteral("Big")); // forgets the open file
        QCoreApplication::processEvents();
        state.ResumeTiming();
        openBigFile(app);
        morvane::TextView* view = app.openFiles()->currentTextView();
        if (!view || view->document()->characterCount() < 1000000 || view->isReadOnly())
            state.SkipWithError("the file did not open");
    }
}
BENCHMARK(BM_OpenLargeFileToEditable)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

// The process's own high-water mark (VmHWM): unlike getrusage's maximum,
// it is not inherited from the parent across exec.
long peakKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

int peakChild(const char* mode) {
    if (std::strcmp(mode, "bare") == 0) {
        QFile f(g_site + QStringLiteral("/big.html"));
        f.open(QIODevice::ReadOnly);
        QPlainTextEdit edit;
        edit.resize(1100, 900);
        edit.setPlainText(QString::fromUtf8(f.readAll()));
        edit.show();
        QCoreApplication::processEvents();
    } else {
        morvane::AppDelegate app;
        app.applicationDidFinishLaunching();
        openBigFile(app);
        QCoreApplication::processEvents();
    }
    std::printf("%ld\n", peakKilobytes());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    const bool child = argc == 3 && std::strcmp(argv[1], "--peak") == 0;
    QString home = child ? qEnvironmentVariable("MORVANE_BENCH_HOME") : QString();
    if (!child) {
        home = QDir::tempPath() + QStringLiteral("/morvane-bench-open");
        QDir(home).removeRecursively();
        QDir().mkpath(home + QStringLiteral("/site"));
        makeLargeFile(home + QStringLiteral("/site/big.html"), 10 * 1000 * 1000);
        qputenv("MORVANE_BENCH_HOME", home.toLocal8Bit());
    }
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
    if (child)
        return peakChild(argv[2]);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    for (const char* mode : {"app", "bare"}) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--peak"), QString::fromLatin1(mode)});
        p.waitForFinished(120000);
        std::printf("peak memory (%s): %s MB\n", mode,
                    qPrintable(QString::number(
                        p.readAllStandardOutput().trimmed().toLong() / 1024.0, 'f', 1)));
    }
    QDir(home).removeRecursively();
    return 0;
}
