#include "app/outlinecontroller.h"

#include "app/editingfocus.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/exclusions.h"
#include "core/paths.h"
#include "core/platform.h"
#include "editor/textview.h"
#include "tree/directoryreader.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "tree/renamedelegate.h"
#include "upload/uploadmarks.h"

#include <QAction>
#include <QDirIterator>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QToolButton>
#include <QTreeView>

namespace morvane {

OutlineController::OutlineController(MainWindow& window, FileTreeModel& model,
                                     OpenFilesController& openFiles, UploadMarks& marks,
                                     std::function<const Site*()> currentSite, QObject* parent)
    : QObject(parent), m_window(window), m_model(model), m_openFiles(openFiles), m_marks(marks),
      m_site(std::move(currentSite)) {
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
    m_outlineView = outline;
    m_markAction = m_window.actionMarkForUpload();
    m_unmarkAction = m_window.actionUnmarkForUpload();
    connect(m_window.actionMarkForUpload(), &QAction::triggered, this,
            &OutlineController::markForUpload);
    connect(m_window.actionUnmarkForUpload(), &QAction::triggered, this,
            &OutlineController::unmarkForUpload);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &OutlineController::updateMarkCommands);
    connect(&m_marks, &UploadMarks::changed, this, &OutlineController::updateMarkCommands);
    updateMarkCommands();
    setUpRowCommands();
}

void OutlineController::setUpRowCommands() {
    QTreeView* outline = m_window.outlineView();
    // Names are edited in place: F2, a slow second click on the selected
    // row, or the Rename command.
    m_delegate = new RenameDelegate(outline);
    m_delegate->setCommitHandler([this](const QModelIndex& index, const QString& name) {
        return renameRow(FileTreeModel::nodeForIndex(index), name);
    });
    outline->setItemDelegate(m_delegate);
    outline->setEditTriggers(QAbstractItemView::SelectedClicked |
                             QAbstractItemView::EditKeyPressed);

    // Delete moves the selected row to the trash, only while the outline
    // has the focus (in the editor the key deletes text).
    m_outlineDelete = new QAction(tr("Delete"), outline);
    m_outlineDelete->setShortcut(QKeySequence::Delete);
    m_outlineDelete->setShortcutContext(Qt::WidgetShortcut);
    connect(m_outlineDelete, &QAction::triggered, this, &OutlineController::deleteFileOrFolder);
    outline->addAction(m_outlineDelete);

    m_gearMenu = new QMenu(&m_window);
    m_gearMenu->setObjectName(QStringLiteral("gearMenu"));
    connect(m_gearMenu, &QMenu::aboutToShow, this, &OutlineController::fillGearMenu);
    m_window.popupActionMenu()->setAccessibleName(tr("Actions for the selected item"));
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &OutlineController::updateGearMenu);
    updateGearMenu();
    connect(outline, &QWidget::customContextMenuRequested, this,
            &OutlineController::showContextMenu);
    outline->viewport()->installEventFilter(this);
}

bool OutlineController::eventFilter(QObject* watched, QEvent* event) {
    // A right-click on empty space neither opens a menu nor clears the
    // selection: it does nothing.
    if (event->type() == QEvent::MouseButtonPress &&
        watched == m_window.outlineView()->viewport()) {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::RightButton &&
            !m_window.outlineView()->indexAt(press->position().toPoint()).isValid())
            return true;
    }
    return QObject::eventFilter(watched, event);
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
    // A row chosen in the outline itself (a click, the arrow keys) shows its
    // file while the focus stays in the outline, so that the keys go on
    // walking it and F2 and Delete act on the row; Return moves on to the
    // text. A row chosen by a command gives its text the focus.
    QTreeView* outline = m_window.outlineView();
    const bool inOutline = outline->hasFocus();
    if (inOutline)
        m_openFiles.save(OpenFilesController::SaveMode::IfEdited);
    else
        endEditing(m_openFiles);
    if (FileSystemItem* item = selectedItem())
        m_openFiles.openItem(item);
    if (inOutline)
        outline->setFocus(Qt::OtherFocusReason);
    else if (TextView* view = m_openFiles.currentTextView())
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
    const Site* site = m_site ? m_site() : nullptr;
    m_model.setExclusions(site ? Exclusions::forSite(*site) : Exclusions());
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
    if (name != NewItemName::IndexFirst)
        rename();
}

void OutlineController::rename() {
    FileSystemItem* node = selectedItem();
    if (!node)
        return;
    if (!mayRename(node))
        return;
    QTreeView* outline = m_window.outlineView();
    const QModelIndex index = m_model.indexForNode(node);
    outline->scrollTo(index);
    outline->setCurrentIndex(index);
    outline->edit(index);
}

namespace {
// The files now at or below `path` (the path itself for a file), as the
// outline lists them.
QStringList filesAt(const QString& path) {
    if (pathKind(path) != PathKind::Folder)
        return {path};
    QStringList files;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString name = it.fileName();
        if (name != QLatin1String(".DS_Store") && name != QLatin1String(".localized"))
            files << file;
    }
    return files;
}
} // namespace

bool OutlineController::renameRow(FileSystemItem* node, const QString& name) {
    if (!node)
        return true;
    const QString oldPath = node->fullPath();
    switch (renameItem(node, name)) {
    case RenameResult::Refused:
        return false;
    case RenameResult::Unchanged:
        return true;
    case RenameResult::Renamed:
        break;
    }
    const QString newPath = node->fullPath();
    // The server has none of these files under their new paths: each is
    // marked, and the marks of the old paths go.
    m_marks.moved(oldPath, filesAt(newPath));
    m_openFiles.pathRenamed(oldPath, newPath);
    m_window.outlineView()->scrollTo(m_model.indexForNode(node));
    return true;
}

int OutlineController::visualRow(FileSystemItem* node) const {
    const QModelIndex target = m_model.indexForNode(node);
    if (!target.isValid())
        return -1;
    QTreeView* outline = m_window.outlineView();
    int row = 0;
    for (QModelIndex i = m_model.rootIndex(); i.isValid(); i = outline->indexBelow(i), ++row)
        if (i == target)
            return row;
    return -1;
}

FileSystemItem* OutlineController::nodeAtVisualRow(int row) const {
    QTreeView* outline = m_window.outlineView();
    QModelIndex i = m_model.rootIndex();
    for (int r = 0; i.isValid() && r < row; ++r)
        i = outline->indexBelow(i);
    return FileTreeModel::nodeForIndex(i);
}

int OutlineController::visualRowCount() const {
    QTreeView* outline = m_window.outlineView();
    int rows = 0;
    for (QModelIndex i = m_model.rootIndex(); i.isValid(); i = outline->indexBelow(i))
        ++rows;
    return rows;
}

void OutlineController::deleteFileOrFolder() {
    FileSystemItem* node = selectedItem();
    if (!node)
        return;
    const int row = visualRow(node);
    Platform& platform = Platform::instance();
    const int answer = platform.question(tr("Move \"%1\" to trash?").arg(node->relativePath()),
                                         QString(), {tr("Cancel"), tr("To Trash")}, 0);
    if (answer != 1 || !node->isAttached())
        return;
    const QString path = node->fullPath();
    // Edits go to the trash with their file: saved first, so that nothing
    // writes the file again once it is gone.
    endEditing(m_openFiles);
    if (!m_openFiles.saveBelow(path)) {
        platform.alert(tr("Can't move to trash."),
                       tr("An open file in \"%1\" has changes that are not saved yet.")
                           .arg(node->relativePath()));
        return;
    }
    if (!trashItem(node))
        return;
    m_openFiles.forgetPath(path);

    QTreeView* outline = m_window.outlineView();
    outline->clearSelection();
    m_model.refresh();
    outline->expand(m_model.rootIndex());
    // The row after the one that went, or the last row.
    const int rows = visualRowCount();
    const int next = row + 1 < rows ? row + 1 : rows - 1;
    if (FileSystemItem* n = nodeAtVisualRow(next))
        selectItem(n);
}

} // namespace morvane
