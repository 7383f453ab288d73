#include "tree/folderwatcher.h"

#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"

#include <QSet>

namespace morvane {

namespace {

// A change is acted on once the folder has been quiet this long, or at the
// latest this long after the first change of a burst.
constexpr int kQuietMs = 150;
constexpr int kLongestWaitMs = 1000;
// The first watches wait until start-up is over: a watch is cheap while the
// program runs but costs the kernel a pause when the process ends, which a
// program that quits at once (or a start-up measurement) need not pay.
constexpr int kFirstSyncDelayMs = 300;

void collectListedFolders(FileSystemItem* node, QSet<QString>& out) {
    if (!node->isListed() || !node->looksLikeFolder())
        return;
    out.insert(node->fullPath());
    const int n = node->listedCount();
    for (int i = 0; i < n; ++i)
        collectListedFolders(node->listedChild(i), out);
}

} // namespace

FolderWatcher::FolderWatcher(FileTreeModel* model, QObject* parent)
    : QObject(parent), m_model(model) {
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kQuietMs);
    connect(&m_refresh, &QTimer::timeout, this, &FolderWatcher::refreshNow);
    m_sync.setSingleShot(true);
    m_sync.setInterval(kFirstSyncDelayMs);
    connect(&m_sync, &QTimer::timeout, this, [this] {
        const bool first = m_firstSync;
        m_firstSync = false;
        m_sync.setInterval(0);
        sync();
        // Whatever changed before the first watches were set is picked up.
        if (first)
            folderChanged();
    });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderWatcher::folderChanged);

    // Listing a folder (expanding it) and a refresh change the rows; the
    // set of watched folders follows once the change is complete.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &FolderWatcher::scheduleSync);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &FolderWatcher::scheduleSync);
    connect(m_model, &QAbstractItemModel::rowsMoved, this, &FolderWatcher::scheduleSync);
    connect(m_model, &QAbstractItemModel::modelReset, this, &FolderWatcher::scheduleSync);
}

void FolderWatcher::scheduleSync() {
    if (!m_sync.isActive())
        m_sync.start();
}

void FolderWatcher::sync() {
    m_firstSync = false;
    QSet<QString> wanted;
    if (!FileSystemItem::rootPath().isEmpty())
        collectListedFolders(FileSystemItem::rootItem(), wanted);
    const QStringList watched = m_watcher.directories();
    QStringList gone;
    for (const QString& path : watched)
        if (!wanted.remove(path))
            gone << path;
    if (!gone.isEmpty())
        m_watcher.removePaths(gone);
    if (!wanted.isEmpty())
        m_watcher.addPaths(QStringList(wanted.begin(), wanted.end()));
}

void FolderWatcher::folderChanged() {
    if (!m_refresh.isActive()) {
        m_burst.start();
        m_refresh.start();
    } else if (m_burst.elapsed() < kLongestWaitMs) {
        m_refresh.start(); // still busy: wait for the quiet
    }
}

void FolderWatcher::refreshNow() {
    m_model->refresh();
    sync();
    Q_EMIT refreshed();
}

} // namespace morvane
