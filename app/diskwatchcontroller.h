// Keeps the open files in step with the disk. Each open text file is watched;
// it is also compared with the disk (size, modification time, inode) when the
// program becomes active again and before each save. A file changed by
// another program is taken into its editor at once when the editor holds no
// edits; with edits, nothing is written until the user chooses, in a bar
// above the editor, to reload or to keep theirs. A file removed from disk
// keeps its editor and text; the bar offers to save it again or to close it.
#pragma once

#include "app/openfile.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace morvane {

class FileChangeBar;
class MainWindow;
class OpenFilesController;

class DiskWatchController : public QObject {
    Q_OBJECT
public:
    DiskWatchController(MainWindow* window, OpenFilesController* openFiles,
                        QObject* parent = nullptr);

    // Compares the file with the disk and acts on a difference.
    void check(OpenFile* file);
    void checkAll();

    // The choices in the bar, for the current file.
    void reload(OpenFile* file);
    void keepMine(OpenFile* file);
    void saveAgain(OpenFile* file);
    void closeGone(OpenFile* file);

    // Before the open files are left (quit, change of site): asks about each
    // file for which two versions exist (edits in the editor, another
    // program's change on disk or a removal). False when the user cancelled.
    bool resolvePendingBeforeLeaving();

    // Whether a change seen by the watcher waits to be looked at.
    bool hasPendingChanges() const { return m_pending.isActive(); }
    QStringList watchedFiles() const { return m_watcher.files(); }

Q_SIGNALS:
    // The open files were compared with the disk after a change was seen.
    void checked();

private:
    void watch(OpenFile* file);
    void unwatch(OpenFile* file);
    void pathChanged(const QString& path);
    void checkChangedPaths();
    void updateBar();

    // Held apart from the window: the window may be part way through its
    // destruction when a last save asks for a check.
    QPointer<FileChangeBar> m_bar;
    OpenFilesController* m_openFiles;
    QFileSystemWatcher m_watcher;
    QTimer m_pending;
    QSet<QString> m_changed;
};

} // namespace morvane
