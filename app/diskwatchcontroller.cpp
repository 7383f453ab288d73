#include "app/diskwatchcontroller.h"

#include "app/filechangebar.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/platform.h"
#include "editor/textview.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>

namespace morvane {

namespace {
// Several write calls of one save arrive as several changes: look once they
// settle, well within what the eye notices.
constexpr int kSettleMs = 0;
} // namespace

DiskWatchController::DiskWatchController(MainWindow* window, OpenFilesController* openFiles,
                                         QObject* parent)
    : QObject(parent), m_bar(window->fileChangeBar()), m_openFiles(openFiles) {
    m_pending.setSingleShot(true);
    m_pending.setInterval(kSettleMs);
    connect(&m_pending, &QTimer::timeout, this, &DiskWatchController::checkChangedPaths);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DiskWatchController::pathChanged);

    connect(m_openFiles, &OpenFilesController::fileLoaded, this, &DiskWatchController::watch);
    connect(m_openFiles, &OpenFilesController::fileWritten, this, [this](OpenFile* file) {
        // An atomic save replaces the file: the watch must follow the new one.
        watch(file);
        updateBar();
    });
    connect(m_openFiles, &OpenFilesController::fileClosing, this, &DiskWatchController::unwatch);
    connect(m_openFiles, &OpenFilesController::fileMoved, this,
            [this](OpenFile* file, const QString& oldPath) {
                // The watch follows the file to its new name.
                if (m_watcher.files().contains(oldPath))
                    m_watcher.removePath(oldPath);
                m_changed.remove(oldPath);
                watch(file);
            });
    connect(m_openFiles, &OpenFilesController::fileShown, this, [this] { updateBar(); });
    connect(m_openFiles, &OpenFilesController::diskStateChanged, this, [this](OpenFile* file) {
        // Made again after a removal (a checkout), or replaced: watch the new file.
        if (file->disk() != DiskState::Gone)
            watch(file);
        updateBar();
    });

    // Coming back to the program is when changes made elsewhere show up.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive)
            checkAll();
    });

    FileChangeBar* bar = m_bar;
    connect(bar, &FileChangeBar::firstChosen, this, [this] {
        if (OpenFile* f = m_openFiles->currentFile()) {
            if (f->disk() == DiskState::Gone)
                saveAgain(f);
            else
                reload(f);
        }
    });
    connect(bar, &FileChangeBar::secondChosen, this, [this] {
        if (OpenFile* f = m_openFiles->currentFile()) {
            if (f->disk() == DiskState::Gone)
                closeGone(f);
            else
                keepMine(f);
        }
    });
}

void DiskWatchController::watch(OpenFile* file) {
    const QString path = file->path();
    if (!path.isEmpty() && !m_watcher.files().contains(path))
        m_watcher.addPath(path);
}

void DiskWatchController::unwatch(OpenFile* file) {
    const QString path = file->path();
    for (const auto& f : m_openFiles->openFiles())
        if (f.get() != file && f->path() == path)
            return;
    if (m_watcher.files().contains(path))
        m_watcher.removePath(path);
}

void DiskWatchController::pathChanged(const QString& path) {
    m_changed.insert(path);
    if (!m_pending.isActive())
        m_pending.start();
}

void DiskWatchController::checkChangedPaths() {
    const QSet<QString> changed = std::exchange(m_changed, {});
    for (const auto& f : m_openFiles->openFiles())
        if (changed.contains(f->path()))
            check(f.get());
    Q_EMIT checked();
}

void DiskWatchController::checkAll() {
    for (const auto& f : m_openFiles->openFiles())
        check(f.get());
}

void DiskWatchController::check(OpenFile* file) {
    if (!file || file->load != FileLoad::Text || !file->editor)
        return;
    // Replaced by another program: the watch follows the new file.
    if (QFileInfo::exists(file->path()))
        watch(file);
    file->document->checkDisk();
    if (file == m_openFiles->currentFile())
        updateBar();
}

void DiskWatchController::updateBar() {
    FileChangeBar* bar = m_bar;
    if (!bar)
        return;
    OpenFile* file = m_openFiles->currentFile();
    if (!file || file->load != FileLoad::Text || file->disk() == DiskState::Same) {
        bar->clear();
        return;
    }
    if (file->disk() == DiskState::ChangedOutside) {
        bar->showChoice(tr("\u201C%1\u201D was changed on disk by another program while you "
                           "edited it. Nothing is saved until you choose.")
                            .arg(file->name()),
                        {tr("&Reload"), tr("Drop your edits and show the file as it is on disk")},
                        {tr("&Keep Mine"), tr("Write your version over the one on disk")});
        return;
    }
    // One notice tells of every open file that is gone.
    int othersGone = 0;
    for (const auto& f : m_openFiles->openFiles())
        if (f.get() != file && f->disk() == DiskState::Gone)
            ++othersGone;
    QString message =
        tr("\u201C%1\u201D was deleted or moved away on disk. Its text is still here.")
            .arg(file->name());
    if (othersGone > 0)
        message += QLatin1Char(' ') + tr("%n other open file(s) are gone too.", "", othersGone);
    bar->showChoice(message, {tr("S&ave Again"), tr("Write the text back to the file's place")},
                    {tr("C&lose"), tr("Close the file; its text is dropped")});
}

void DiskWatchController::reload(OpenFile* file) {
    const TextFileContents c = m_openFiles->readAgain(file);
    if (!c.ok) {
        Platform::instance().alert(tr("Can't read \u201C%1\u201D.").arg(file->name()), c.error);
        return;
    }
    updateBar();
    if (file == m_openFiles->currentFile() && file->editor && file->editMode)
        file->editor->setFocus(Qt::OtherFocusReason);
}

void DiskWatchController::keepMine(OpenFile* file) {
    if (m_openFiles->writeAndMark(file))
        updateBar();
    if (file == m_openFiles->currentFile() && file->editor && file->editMode)
        file->editor->setFocus(Qt::OtherFocusReason);
}

void DiskWatchController::saveAgain(OpenFile* file) {
    keepMine(file);
}

void DiskWatchController::closeGone(OpenFile* file) {
    m_openFiles->closeFile(file);
    updateBar();
}

bool DiskWatchController::resolvePendingBeforeLeaving() {
    checkAll();
    // Copy: a choice may close a file.
    std::vector<OpenFile*> files;
    for (const auto& f : m_openFiles->openFiles())
        files.push_back(f.get());
    for (OpenFile* f : files) {
        if (f->disk() == DiskState::ChangedOutside) {
            const int answer = Platform::instance().question(
                tr("\u201C%1\u201D was changed on disk while you edited it.").arg(f->name()),
                tr("Keep your version (it is written over the one on disk), or reload the "
                   "one on disk (your edits are dropped)?"),
                {tr("Cancel"), tr("Reload"), tr("Keep Mine")}, 0);
            if (answer == 1)
                reload(f);
            else if (answer == 2)
                keepMine(f);
            else
                return false;
        } else if (f->disk() == DiskState::Gone && f->isModified()) {
            const int answer = Platform::instance().question(
                tr("\u201C%1\u201D was deleted on disk, and its editor holds edits.")
                    .arg(f->name()),
                tr("Save it again, or drop the text?"),
                {tr("Cancel"), tr("Drop"), tr("Save Again")}, 0);
            if (answer == 1)
                f->document->setModified(false); // dropped: nothing of it is to be kept
            else if (answer == 2)
                saveAgain(f);
            else
                return false;
        }
    }
    return true;
}

} // namespace morvane
