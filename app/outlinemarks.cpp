// Mark and Unmark for Upload on the outline's selection: several rows
// (Shift and Ctrl), and folders, whose files are marked or unmarked all
// at once, excluded names aside.
#include "app/mainwindow.h"
#include "app/outlinecontroller.h"
#include "core/exclusions.h"
#include "core/sitestore.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "upload/sitecompare.h"
#include "upload/uploadmarks.h"

#include <QTreeView>

#include <algorithm>

namespace morvane {

QList<FileSystemItem*> OutlineController::selectedItems() const {
    // The view kept from the start, never the window's accessor: the record's
    // signal that asks for this may come while the window is torn down.
    QList<FileSystemItem*> out;
    if (!m_outlineView || !m_outlineView->selectionModel())
        return out;
    for (const QModelIndex& row : m_outlineView->selectionModel()->selectedRows()) {
        if (FileSystemItem* item = m_model.nodeForIndex(row))
            out << item;
    }
    return out;
}

QStringList OutlineController::filesForMarks() const {
    const QList<FileSystemItem*> items = selectedItems();
    if (items.isEmpty())
        return {};
    const QString root =
        FileSystemItem::rootItem() ? FileSystemItem::rootItem()->fullPath() : QString();
    const Site* site = m_site ? m_site() : nullptr;
    const Exclusions exclusions = site ? Exclusions::forSite(*site) : Exclusions();
    auto relative = [&root](const QString& full) {
        return full.startsWith(root + QLatin1Char('/')) ? full.mid(root.size() + 1) : QString();
    };
    QStringList files;
    for (FileSystemItem* item : items) {
        const QString full = item->fullPath();
        if (item->numberOfChildren() < 0) {
            files << full;
            continue;
        }
        const QString rel = relative(full);
        if (!rel.isEmpty() && exclusions.excludes(rel, true))
            continue;
        // What lies in the folder on disk now, links not followed.
        const sitecompare::LocalScan scan = sitecompare::scanLocal(full, Exclusions());
        for (auto it = scan.files.constBegin(); it != scan.files.constEnd(); ++it) {
            const QString path = full + QLatin1Char('/') + it.key();
            const QString fromRoot = relative(path);
            if (!exclusions.excludes(fromRoot.isEmpty() ? it.key() : fromRoot))
                files << path;
        }
    }
    files.removeDuplicates();
    return files;
}

void OutlineController::markForUpload() {
    QStringList unmarked;
    for (const QString& f : filesForMarks()) {
        if (!m_marks.contains(f))
            unmarked << f;
    }
    m_marks.markAll(unmarked);
}

void OutlineController::unmarkForUpload() {
    QStringList marked;
    for (FileSystemItem* item : selectedItems()) {
        const QString full = item->fullPath();
        const QString below = full + QLatin1Char('/');
        for (const QString& p : m_marks.paths()) {
            if (p == full || (item->numberOfChildren() >= 0 && p.startsWith(below)))
                marked << p;
        }
    }
    marked.removeDuplicates();
    m_marks.unmarkAll(marked);
}

// Each command is offered where it changes something: Mark where a file
// of the selection is not marked, Unmark where one is.
void OutlineController::updateMarkCommands() {
    if (!m_outlineView || !m_markAction || !m_unmarkAction)
        return;
    bool canMark = false;
    for (const QString& f : filesForMarks()) {
        if (!m_marks.contains(f)) {
            canMark = true;
            break;
        }
    }
    bool canUnmark = false;
    const QStringList marks = m_marks.paths();
    for (FileSystemItem* item : selectedItems()) {
        const QString full = item->fullPath();
        const QString below = full + QLatin1Char('/');
        const bool folder = item->numberOfChildren() >= 0;
        canUnmark = std::any_of(marks.cbegin(), marks.cend(), [&](const QString& p) {
            return p == full || (folder && p.startsWith(below));
        });
        if (canUnmark)
            break;
    }
    m_markAction->setEnabled(canMark);
    m_unmarkAction->setEnabled(canUnmark);
}

} // namespace morvane
