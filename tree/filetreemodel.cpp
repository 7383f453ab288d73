#include "tree/filetreemodel.h"

#include "resources/resources.h"

#include <QDir>
#include <QPalette>

namespace morvane {

FileTreeModel::FileTreeModel(QObject* parent) : QAbstractItemModel(parent) {
    initResources();
    FileSystemItem::setObserver(this);
}

FileTreeModel::~FileTreeModel() {
    if (FileSystemItem::observer() == this)
        FileSystemItem::setObserver(nullptr);
}

void FileTreeModel::setMarkedTest(MarkedTest isMarked) {
    m_isMarked = std::move(isMarked);
    marksChanged();
}

void FileTreeModel::setRenameHandler(RenameHandler handler) {
    m_rename = std::move(handler);
}

void FileTreeModel::reset(const QString& rootPath) {
    FileSystemItem::setRootPath(rootPath);
    FileSystemItem::deleteAll(); // announces the reset through the observer
}

void FileTreeModel::refresh() {
    FileSystemItem::setAllInvalid();
    FileSystemItem* root = FileSystemItem::rootItem();
    relistListed(root);
    // Rows whose type changed were replaced by the listing; only the site
    // folder's own row can change its icon in place. (A dataChanged over
    // every row would make a tree view measure every row again.)
    const QModelIndex rootRow = rootIndex();
    Q_EMIT dataChanged(rootRow, rootRow, {Qt::DecorationRole});
    marksChanged();
}

// Parents before children: a folder's own listing decides which child
// nodes still exist before those are read in turn.
void FileTreeModel::relistListed(FileSystemItem* node) {
    const bool wasListed = node->isListed();
    const auto* list = node->children();
    if (!list || !wasListed)
        return;
    const std::vector<FileSystemItem*> children = *list;
    for (FileSystemItem* child : children) {
        if (child->isListed())
            relistListed(child);
    }
}

void FileTreeModel::marksChanged() {
    // Only rows that have been shown can show a stale icon; of those, only
    // the ones whose mark differs from what was shown are repainted. (The
    // repaints go out after the walk: a view may ask for data meanwhile.)
    std::vector<FileSystemItem*> stale;
    for (auto it = m_shownMark.begin(); it != m_shownMark.end();) {
        FileSystemItem* node = it->first;
        if (!node->isAttached()) {
            it = m_shownMark.erase(it);
            continue;
        }
        const bool marked = m_isMarked && m_isMarked(node->fullPath());
        if (marked != it->second)
            stale.push_back(node);
        ++it;
    }
    for (FileSystemItem* node : stale) {
        const QModelIndex i = indexForNode(node);
        Q_EMIT dataChanged(i, i, {Qt::DecorationRole});
    }
}

void FileTreeModel::markChanged(const QString& fullPath) {
    const QModelIndex i = indexForNode(FileSystemItem::registeredItem(fullPath));
    if (i.isValid())
        Q_EMIT dataChanged(i, i, {Qt::DecorationRole});
}

QModelIndex FileTreeModel::rootIndex() const {
    return index(0, 0);
}

QModelIndex FileTreeModel::indexForNode(const FileSystemItem* node) const {
    if (!node || !node->isAttached())
        return {};
    auto* item = const_cast<FileSystemItem*>(node);
    if (!node->parent())
        return createIndex(0, 0, item); // the root: the one top-level row
    const int row = node->parent()->indexOfChild(node);
    return row < 0 ? QModelIndex() : createIndex(row, 0, item);
}

FileSystemItem* FileTreeModel::nodeForIndex(const QModelIndex& index) {
    return index.isValid() ? static_cast<FileSystemItem*>(index.internalPointer()) : nullptr;
}

QModelIndex FileTreeModel::indexForPath(const QString& fullPath) {
    FileSystemItem* node = FileSystemItem::rootItem();
    const QString root = QDir::cleanPath(FileSystemItem::rootPath());
    const QString path = QDir::cleanPath(fullPath);
    if (root.isEmpty() || path.isEmpty())
        return {};
    if (path == root)
        return indexForNode(node);
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (!path.startsWith(prefix))
        return {};
    const QStringList names = path.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        if (node->numberOfChildren() < 0)
            return {};
        node = node->listedChildNamed(name);
        if (!node)
            return {};
    }
    return indexForNode(node);
}

QModelIndex FileTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, FileSystemItem::rootItem()) : QModelIndex();
    FileSystemItem* child = nodeForIndex(parent)->listedChild(row);
    return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex FileTreeModel::parent(const QModelIndex& child) const {
    const FileSystemItem* node = nodeForIndex(child);
    if (!node || !node->parent())
        return {};
    return indexForNode(node->parent());
}

int FileTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    if (!parent.isValid())
        return 1;
    return nodeForIndex(parent)->listedCount();
}

int FileTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool FileTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid())
        return true;
    if (parent.column() > 0)
        return false;
    return nodeForIndex(parent)->looksLikeFolder();
}

bool FileTreeModel::canFetchMore(const QModelIndex& parent) const {
    const FileSystemItem* node = nodeForIndex(parent);
    if (!node || !node->isAttached())
        return false;
    return (!node->isListed() || !node->isValid()) && node->looksLikeFolder();
}

void FileTreeModel::fetchMore(const QModelIndex& parent) {
    if (FileSystemItem* node = nodeForIndex(parent))
        node->children(); // rows arrive through the observer
}

QVariant FileTreeModel::data(const QModelIndex& index, int role) const {
    FileSystemItem* node = nodeForIndex(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->relativePath();
    case Qt::DecorationRole: {
        const QIcon& icon = iconFor(node);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case FullPathRole:
        return node->fullPath();
    case Qt::ForegroundRole: {
        FileSystemItem* root = FileSystemItem::rootItem();
        if (!root || node == root)
            return {};
        const QString top = root->fullPath() + QLatin1Char('/');
        const QString full = node->fullPath();
        if (full.startsWith(top) &&
            m_exclusions.excludes(full.mid(top.size()), node->looksLikeFolder()))
            return QVariant(QPalette().brush(QPalette::Disabled, QPalette::Text));
        return {};
    }
    default:
        return {};
    }
}

void FileTreeModel::setExclusions(const Exclusions& exclusions) {
    m_exclusions = exclusions;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::ForegroundRole});
}

const QIcon& FileTreeModel::iconFor(FileSystemItem* node) const {
    if (!m_iconsLoaded) {
        m_iconsLoaded = true;
        m_folderIcon = QIcon(QStringLiteral(":/Morvane/icons/FolderIcon.png"));
        m_fileIcon = QIcon(QStringLiteral(":/Morvane/icons/FileIcon-14x16.png"));
        m_uploadIcon = QIcon(QStringLiteral(":/Morvane/icons/FileIconUpload-14x16.png"));
    }
    if (node->looksLikeFolder())
        return m_folderIcon;
    const bool marked = m_isMarked && m_isMarked(node->fullPath());
    m_shownMark[node] = marked;
    return marked ? m_uploadIcon : m_fileIcon;
}

bool FileTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    FileSystemItem* node = nodeForIndex(index);
    if (!node || role != Qt::EditRole || !m_rename)
        return false;
    return m_rename(node, value.toString());
}

Qt::ItemFlags FileTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The site folder's own name belongs to the site's settings; every row
    // below it can be renamed in place.
    if (!index.parent().isValid())
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant FileTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == 0 &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return tr("Name");
    return QAbstractItemModel::headerData(section, orientation, role);
}

// --- Row announcements from the tree

void FileTreeModel::childrenAboutToBeInserted(FileSystemItem* parent, int first, int last) {
    beginInsertRows(indexForNode(parent), first, last);
}

void FileTreeModel::childrenInserted() {
    endInsertRows();
}

void FileTreeModel::childrenAboutToBeRemoved(FileSystemItem* parent, int first, int last) {
    beginRemoveRows(indexForNode(parent), first, last);
}

void FileTreeModel::childrenRemoved() {
    endRemoveRows();
}

void FileTreeModel::childAboutToBeMoved(FileSystemItem* parent, int from, int to) {
    const QModelIndex p = indexForNode(parent);
    m_moving = beginMoveRows(p, from, from, p, to > from ? to + 1 : to);
}

void FileTreeModel::childMoved() {
    if (m_moving)
        endMoveRows();
    m_moving = false;
}

void FileTreeModel::itemChanged(FileSystemItem* item) {
    const QModelIndex i = indexForNode(item);
    if (i.isValid())
        Q_EMIT dataChanged(i, i);
}

void FileTreeModel::treeAboutToBeReset() {
    beginResetModel();
    m_shownMark.clear();
}

void FileTreeModel::treeReset() {
    endResetModel();
}

} // namespace morvane
