// The outline's item model over the site file tree: one top-level row, the
// site folder (titled with its own name), and below it the tree of
// FileSystemItem nodes. Index internal pointers are the nodes themselves, so
// a node's identity is its row's identity: views keep their expanded rows
// and selection across a refresh because the nodes survive it.
//
// Folders are listed when the view asks to fetch them (expanding a row);
// the model's questions (rowCount, hasChildren, data) never read a folder,
// so painting the outline never touches the disk beyond one status call for
// a node whose type is not yet known.
#pragma once

#include "core/exclusions.h"
#include "tree/filesystemitem.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <functional>
#include <unordered_map>

namespace morvane {

class FileTreeModel : public QAbstractItemModel, private FileTreeObserver {
    Q_OBJECT
public:
    enum Role {
        FullPathRole = Qt::UserRole + 1, // QString, the node's full path
    };

    // Whether a file needs uploading (its row shows the upload icon).
    using MarkedTest = std::function<bool(const QString& fullPath)>;
    // Carries out an in-place rename typed into a row; returns whether the
    // new name was taken.
    using RenameHandler = std::function<bool(FileSystemItem* node, const QString& newName)>;

    // Becomes the tree's observer; there is one outline model at a time.
    explicit FileTreeModel(QObject* parent = nullptr);
    ~FileTreeModel() override;

    void setMarkedTest(MarkedTest isMarked);
    // The names of the site that take no part in uploads, downloads and
    // comparisons are shown greyed out.
    void setExclusions(const Exclusions& exclusions);
    void setRenameHandler(RenameHandler handler);

    // A change of site: stores the new root path and drops every node
    // (views see a model reset). Open files holding nodes must be closed
    // first.
    void reset(const QString& rootPath);

    // Brings the rows in line with the disk: every folder listed so far is
    // read again; nodes that still exist stay the same nodes (and rows),
    // gone ones are removed and new ones inserted with the proper row
    // signals, so expanded rows and the selection survive.
    void refresh();

    // The needing-upload marks changed: repaint the icons of the rows whose
    // mark differs from the one they show, or of the one row for `fullPath`.
    void marksChanged();
    void markChanged(const QString& fullPath);

    QModelIndex rootIndex() const;
    QModelIndex indexForNode(const FileSystemItem* node) const;
    static FileSystemItem* nodeForIndex(const QModelIndex& index);
    // The row for a full path under the site folder, listing the folders on
    // the way down (their rows are inserted, not expanded). Invalid when the
    // path is outside the site or nothing is there.
    QModelIndex indexForPath(const QString& fullPath);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The one column is "Name" (the header is hidden, but a screen reader
    // still reads it; without a title it would read the column's number).
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void childrenAboutToBeInserted(FileSystemItem* parent, int first, int last) override;
    void childrenInserted() override;
    void childrenAboutToBeRemoved(FileSystemItem* parent, int first, int last) override;
    void childrenRemoved() override;
    void childAboutToBeMoved(FileSystemItem* parent, int from, int to) override;
    void childMoved() override;
    void itemChanged(FileSystemItem* item) override;
    void treeAboutToBeReset() override;
    void treeReset() override;

    void relistListed(FileSystemItem* node);
    const QIcon& iconFor(FileSystemItem* node) const;

    MarkedTest m_isMarked;
    Exclusions m_exclusions;
    RenameHandler m_rename;
    bool m_moving = false;
    mutable bool m_iconsLoaded = false;
    mutable QIcon m_folderIcon, m_fileIcon, m_uploadIcon;
    // The mark each file row was last painted with.
    mutable std::unordered_map<FileSystemItem*, bool> m_shownMark;
};

} // namespace morvane
