// Rename, move to the trash and refresh in a site folder of 10,000 files,
// through the real outline controller and a laid-out outline view with an
// expanded folder and a selected row: each timing ends when the outline
// shows the result (rows laid out, selection set). The trash is the real
// freedesktop.org trash of a private data folder.
//
// Run with --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
// and read the medians.
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "app/outlinecontroller.h"
#include "core/platform.h"
#include "editor/preferences.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "upload/uploadmarks.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

using namespace morvane;

namespace {

constexpr int kFiles = 10000;
QString g_site;
QString g_data;

// Answers every question with its second button ("To Trash") and trashes
// for real.
class BenchPlatform : public Platform {
public:
    void alert(const QString& title, const QString& message) override {
        std::fprintf(stderr, "alert: %s %s\n", qPrintable(title), qPrintable(message));
    }
    int question(const QString&, const QString&, const QStringList&, int) override { return 1; }
    bool openUrl(const QUrl&) override { return true; }
    void revealInFileManager(const QString&) override {}
    void setClipboardText(const QString&) override {}
    bool moveToTrash(const QString& path, QString* error) override {
        return moveToSystemTrash(path, error);
    }
    bool launch(const QString&, const QStringList&) override { return true; }
    void run(const QString&, const QStringList&, const QByteArray&, const RunDone& done) override {
        done(true, QString());
    }
    bool haveProgram(const QString&) const override { return false; }
    void beep() override {}
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

void makeSite(const QString& site) {
    QDir().mkpath(site);
    for (int i = 0; i < kFiles; ++i) {
        const QString name = i % 100 == 0 ? QStringLiteral("Folder %1").arg(i)
                                          : QStringLiteral("page-%1.html").arg(i * 7919 % 100003);
        const QString path = site + QLatin1Char('/') + name;
        if (i % 100 == 0) {
            QDir().mkpath(path);
            QFile f(path + QStringLiteral("/inner.html"));
            if (!f.open(QIODevice::WriteOnly))
                std::abort();
        } else {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly))
                std::abort();
        }
    }
}

// The window's outline as the program sets it up.
struct Outline {
    Outline()
        : marks(g_data + QStringLiteral("/NeedingUpload.dict")), openFiles(&window, &prefs, &marks),
          controller(window, model, openFiles, marks) {
        window.resize(1000, 800);
        window.show();
        controller.eraseOutline(g_site);
        // An expanded folder besides the site folder.
        QTreeView* view = window.outlineView();
        view->expand(model.indexForPath(g_site + QStringLiteral("/Folder 0")));
        view->doItemsLayout();
    }
    QTreeView* view() { return window.outlineView(); }
    bool folderStillExpanded() {
        return view()->isExpanded(model.indexForPath(g_site + QStringLiteral("/Folder 0")));
    }

    MainWindow window;
    Preferences prefs;
    UploadMarks marks;
    FileTreeModel model;
    OpenFilesController openFiles;
    OutlineController controller;
};

void BM_Rename(benchmark::State& state) {
    Outline o;
    FileSystemItem* node =
        o.model.nodeForIndex(o.model.indexForPath(g_site + QStringLiteral("/page-7919.html")));
    if (!node) {
        state.SkipWithError("no such row");
        return;
    }
    o.controller.selectItem(node);
    bool flip = false;
    for (auto _ : state) {
        // Across the listing: from near the top to the end and back.
        flip = !flip;
        o.controller.renameRow(node, flip ? QStringLiteral("zz-renamed.html")
                                          : QStringLiteral("page-7919.html"));
        o.view()->doItemsLayout();
    }
    if (o.controller.selectedItem() != node || !o.folderStillExpanded())
        state.SkipWithError("selection or expansion lost");
    // The next run starts from the same name.
    if (flip)
        o.controller.renameRow(node, QStringLiteral("page-7919.html"));
}

void BM_Trash(benchmark::State& state) {
    Outline o;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = QStringLiteral("page-1%1.html").arg(n++, 5, 10, QLatin1Char('0'));
        QFile f(g_site + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.close();
        o.model.refresh();
        o.controller.selectItem(o.model.nodeForIndex(o.model.indexForPath(f.fileName())));
        o.view()->doItemsLayout();
        state.ResumeTiming();
        o.controller.deleteFileOrFolder();
        o.view()->doItemsLayout();
    }
    if (!o.controller.selectedItem() || !o.folderStillExpanded())
        state.SkipWithError("selection or expansion lost");
}

void BM_Refresh(benchmark::State& state) {
    Outline o;
    FileSystemItem* node =
        o.model.nodeForIndex(o.model.indexForPath(g_site + QStringLiteral("/Folder 0/inner.html")));
    o.controller.selectItem(node);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Something to find: one new file per refresh.
        QFile f(g_site + QStringLiteral("/new-%1.html").arg(n++));
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.close();
        state.ResumeTiming();
        o.controller.actionRefresh();
        o.view()->doItemsLayout();
    }
    if (o.controller.selectedItem() != node || !o.folderStillExpanded())
        state.SkipWithError("selection or expansion lost");
}

} // namespace

BENCHMARK(BM_Rename)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Trash)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Refresh)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    // Private settings, data and trash folders.
    for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        qputenv(var, (dir.path() + QStringLiteral("/") + QString::fromLatin1(var)).toUtf8());
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    BenchPlatform platform;
    Platform::install(&platform);
    g_site = dir.path() + QStringLiteral("/site");
    g_data = dir.path() + QStringLiteral("/XDG_DATA_HOME");
    QDir().mkpath(g_data);
    makeSite(g_site);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FileSystemItem::deleteAll();
    return 0;
}
