// Keeps the outline in step with the disk without a manual refresh: every
// folder of the site tree that has been listed (the site folder and the
// folders the user opened) is watched, and a change made there by any
// program (a file created, removed or renamed, or an HTML file written by
// the Markdown conversion) brings one refresh of the tree. Bursts are
// coalesced: a checkout of thousands of files is one refresh, not thousands.
// The refresh keeps nodes, so the outline keeps its selection and expanded
// rows.
#pragma once

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace morvane {

class FileTreeModel;

class FolderWatcher : public QObject {
    Q_OBJECT
public:
    explicit FolderWatcher(FileTreeModel* model, QObject* parent = nullptr);

    // Watches exactly the listed folders of the tree (done on its own after
    // the tree's rows change; views call it when a row is expanded).
    void sync();
    void scheduleSync();

    // Whether a seen change still waits for its refresh.
    bool hasPendingRefresh() const { return m_refresh.isActive(); }
    QStringList watchedFolders() const { return m_watcher.directories(); }

Q_SIGNALS:
    // The tree was refreshed after changes seen on disk.
    void refreshed();

private:
    void folderChanged();
    void refreshNow();

    FileTreeModel* m_model;
    QFileSystemWatcher m_watcher;
    QTimer m_refresh;
    QTimer m_sync;
    QElapsedTimer m_burst;
    bool m_firstSync = true;
};

} // namespace morvane
