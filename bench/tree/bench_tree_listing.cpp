// Run with --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
// and read the medians. Times are wall-clock: the work is mostly system
// calls on a warm page cache.
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

using morvane::FileSystemItem;
using morvane::FileTreeModel;

namespace {

constexpr int kFiles = 10000;
QString g_site;

// A site folder of 10,000 files (a few folders among them, names of mixed
// case and length), made once per run.
void makeSite(const QString& site) {
    QDir().mkpath(site);
    for (int i = 0; i < kFiles; ++i) {
        const QString name = i % 100 == 0 ? QStringLiteral("Folder %1").arg(i)
                                          : QStringLiteral("page-%1.html").arg(i * 7919 % 100003);
        const QString path = site + QLatin1Char('/') + name;
        if (i % 100 == 0) {
            QDir().mkpath(path);
        } else {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly))
                std::abort();
        }
    }
}

void resetTree() {
    FileSystemItem::setRootPath(g_site);
    FileSystemItem::deleteAll();
}

void BM_ItemFirstListing(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        resetTree();
        state.ResumeTiming();
        benchmark::DoNotOptimize(FileSystemItem::rootItem()->numberOfChildren());
    }
    resetTree();
}

void BM_ItemUnchangedRefresh(benchmark::State& state) {
    resetTree();
    FileSystemItem* root = FileSystemItem::rootItem();
    if (root->numberOfChildren() != kFiles)
        state.SkipWithError("unexpected listing");
    for (auto _ : state) {
        FileSystemItem::setAllInvalid();
        benchmark::DoNotOptimize(root->numberOfChildren());
    }
    resetTree();
}

void BM_ModelFirstListing(benchmark::State& state) {
    FileTreeModel model;
    for (auto _ : state) {
        state.PauseTiming();
        model.reset(g_site);
        const QModelIndex root = model.rootIndex();
        state.ResumeTiming();
        model.fetchMore(root);
        benchmark::DoNotOptimize(model.rowCount(root));
    }
}

void BM_ModelUnchangedRefresh(benchmark::State& state) {
    FileTreeModel model;
    model.reset(g_site);
    model.fetchMore(model.rootIndex());
    for (auto _ : state)
        model.refresh();
}

// The outline as the user sees it: the site folder expanded in a view that
// lays out its rows (the first listing happens in that layout).
void BM_ViewFirstListing(benchmark::State& state) {
    FileTreeModel model;
    QTreeView view;
    view.setModel(&model);
    view.resize(300, 800);
    view.show();
    for (auto _ : state) {
        state.PauseTiming();
        model.reset(g_site);
        view.doItemsLayout();
        state.ResumeTiming();
        view.expand(model.rootIndex());
        view.doItemsLayout();
        benchmark::DoNotOptimize(model.rowCount(model.rootIndex()));
    }
}

void BM_ViewUnchangedRefresh(benchmark::State& state) {
    FileTreeModel model;
    QTreeView view;
    view.setModel(&model);
    view.resize(300, 800);
    view.show();
    model.reset(g_site);
    view.expand(model.rootIndex());
    view.doItemsLayout();
    for (auto _ : state) {
        model.refresh();
        view.doItemsLayout();
    }
}

// For comparison: the same folder read the plain Qt way, one QFileInfo
// per entry with its type, names sorted the same way.
void BM_BaselineQDirInfoList(benchmark::State& state) {
    for (auto _ : state) {
        const QFileInfoList infos = QDir(g_site).entryInfoList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
        std::vector<std::pair<QString, bool>> entries;
        entries.reserve(size_t(infos.size()));
        for (const QFileInfo& info : infos)
            entries.emplace_back(info.fileName(), info.isDir());
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return morvane::nameLess(a.first, b.first); });
        benchmark::DoNotOptimize(entries.data());
    }
}

} // namespace

BENCHMARK(BM_BaselineQDirInfoList)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ItemFirstListing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ItemUnchangedRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ModelFirstListing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ModelUnchangedRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewFirstListing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewUnchangedRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    g_site = dir.path() + QStringLiteral("/site");
    makeSite(g_site);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FileSystemItem::deleteAll();
    return 0;
}
