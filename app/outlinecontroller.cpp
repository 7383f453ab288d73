#include "app/outlinecontroller.h"

#include "app/editingfocus.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "editor/textview.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "upload/uploadmarks.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QToolButton>
#include <QTreeView>

namespace morvane {

OutlineController::OutlineController(MainWindow& window, FileTreeModel& model,
                                     OpenFilesController& openFiles, UploadMarks& marks,
                                     QObject* parent)
    : QObject(parent), m_window(window), m_model(model), m_openFiles(openFiles), m_marks(marks) {
    m_model.setMarkedTest([this](const QString& path) { return m_marks.contains(path); });
    connect(&m_marks, &UploadMarks::changed, this, &OutlineController::refreshUploadMarks);

    QTreeView* outline = m_window.outlineView();
    outline->setModel(&m_model);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { outlineViewSelectionDidChange(); });
    connect(&m_openFiles, &OpenFilesController::popupChoseFile, this, [this](OpenFile* file) {
        // Select the file's row when it is visible, else the site folder's.
        FileSystemItem* item = file->item;
        const QModelIndex index = m_model.indexForNode(item);
        if (index.isValid() && m_window.outlineView()->visualRect(index).isValid())
            selectItem(item);
        else
            selectItem(FileSystemItem::rootItem());
    });
    connect(m_window.actionRefresh(), &QAction::triggered, this, &OutlineController::actionRefresh);
    connect(m_window.actionNewFile(), &QAction::triggered, this,
            [this] { newFileOrFolder(NewItemType::File); });
    connect(m_window.actionNewFolder(), &QAction::triggered, this,
            [this] { newFileOrFolder(NewItemType::Folder); });
    connect(m_window.actionMarkForUpload(), &QAction::triggered, this,
            &OutlineController::markForUpload);
    connect(m_window.actionUnmarkForUpload(), &QAction::triggered, this,
            &OutlineController::unmarkForUpload);
    buildRowMenu();
}

void OutlineController::buildRowMenu() {
    // The gear and the outline's context menu offer the commands that act on
    // the selected row.
    m_rowMenu = new QMenu(&m_window);
    m_rowMenu->addAction(m_window.actionNewFile());
    m_rowMenu->addAction(m_window.actionNewFolder());
    m_rowMenu->addSeparator();
    m_rowMenu->addAction(m_window.actionMarkForUpload());
    m_rowMenu->addAction(m_window.actionUnmarkForUpload());
    m_rowMenu->addSeparator();
    m_rowMenu->addAction(m_window.actionRefresh());
    connect(m_rowMenu, &QMenu::aboutToShow, this, [this] {
        FileSystemItem* item = selectedItem();
        const bool file = item && item->numberOfChildren() < 0;
        const bool marked = file && m_marks.contains(item->fullPath());
        m_window.actionMarkForUpload()->setVisible(file && !marked);
        m_window.actionUnmarkForUpload()->setVisible(marked);
    });
    m_window.popupActionMenu()->setMenu(m_rowMenu);
    connect(m_window.outlineView(), &QWidget::customContextMenuRequested, this,
            &OutlineController::showContextMenu);
}

void OutlineController::showContextMenu(const QPoint& pos) {
    QTreeView* outline = m_window.outlineView();
    const QModelIndex index = outline->indexAt(pos);
    if (index.isValid())
        selectItem(m_model.nodeForIndex(index));
    m_rowMenu->popup(outline->viewport()->mapToGlobal(pos));
}

FileSystemItem* OutlineController::selectedItem() const {
    const QModelIndexList rows = m_window.outlineView()->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : m_model.nodeForIndex(rows.first());
}

void OutlineController::selectItem(FileSystemItem* item) {
    const QModelIndex index = m_model.indexForNode(item);
    if (!index.isValid())
        return;
    m_window.outlineView()->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void OutlineController::outlineViewSelectionDidChange() {
    if (m_inSelectionHandler)
        return;
    m_inSelectionHandler = true;
    endEditing(m_openFiles);
    if (FileSystemItem* item = selectedItem())
        m_openFiles.openItem(item);
    if (TextView* view = m_openFiles.currentTextView())
        if (m_openFiles.currentFile() && m_openFiles.currentFile()->editMode)
            view->setFocus();
    m_inSelectionHandler = false;
}

void OutlineController::expandPath(FileSystemItem* node, const QStringList& components, int index,
                                   PathEnd end) {
    QTreeView* outline = m_window.outlineView();
    for (; index < components.size(); ++index) {
        FileSystemItem* next = nullptr;
        const int n = node->numberOfChildren();
        for (int i = 0; i < n; ++i) {
            FileSystemItem* child = node->childAtIndex(i);
            if (child->relativePath() == components[index]) {
                next = child;
                break;
            }
        }
        if (!next)
            return;
        outline->expand(m_model.indexForNode(next));
        node = next;
    }
    if (end == PathEnd::Expand)
        return;
    outline->scrollTo(m_model.indexForNode(node), QAbstractItemView::PositionAtCenter);
    selectItem(node);
}

void OutlineController::restoreSelection(QSettings& settings, const QString& siteFolderLocal) {
    const QVariant stored = settings.value(QStringLiteral("path"));
    if (stored.typeId() != QMetaType::QString)
        return;
    const QString path = stored.toString();
    if (path.isEmpty())
        return;
    // The stored path is matched from the component after the site folder's
    // parent on, so a path left by a sibling site selects the same relative
    // item here.
    QString parent = siteFolderLocal;
    while (parent.size() > 1 && parent.endsWith(QLatin1Char('/')))
        parent.chop(1);
    parent = parent.left(std::max<qsizetype>(0, parent.lastIndexOf(QLatin1Char('/'))));
    const qsizetype b = parent.size();
    if (b + 1 >= path.size())
        return;
    const QStringList components = path.mid(b + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    expandPath(FileSystemItem::rootItem(), components, 1, PathEnd::Select);
}

void OutlineController::saveFolder() {
    FileSystemItem* item = selectedItem();
    if (!item)
        return;
    auto settings = paths::openSettings();
    settings->setValue(QStringLiteral("path"), item->fullPath());
    settings->sync();
}

void OutlineController::eraseOutline(const QString& rootPath) {
    endEditing(m_openFiles);
    m_model.reset(rootPath);
    m_window.outlineView()->expand(m_model.indexForNode(FileSystemItem::rootItem()));
}

void OutlineController::refreshUploadMarks() {
    m_model.marksChanged();
}

void OutlineController::actionRefresh() {
    endEditing(m_openFiles);
    m_model.refresh();
    for (const auto& f : m_openFiles.openFiles())
        if (f->editor)
            m_openFiles.readFileIntoTextView(f.get());
    // A command-line upload may have changed the marks meanwhile.
    m_marks.reload();
}

void OutlineController::newFileOrFolder(NewItemType type, NewItemName name) {
    FileSystemItem* selected = selectedItem();
    if (!selected)
        return;
    FileSystemItem* created = morvane::newFileOrFolder(selected, type, name);
    if (!created)
        return;
    if (type == NewItemType::File)
        m_marks.mark(created->fullPath());
    m_window.outlineView()->expand(m_model.indexForNode(created->parent()));
    selectItem(created);
}

void OutlineController::markForUpload() {
    FileSystemItem* item = selectedItem();
    if (!item || item->numberOfChildren() >= 0)
        return;
    m_marks.mark(item->fullPath());
}

void OutlineController::unmarkForUpload() {
    FileSystemItem* item = selectedItem();
    if (!item)
        return;
    m_marks.unmark(item->fullPath());
}

} // namespace morvane
