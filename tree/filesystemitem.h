// The tree of the current site folder: one FileSystemItem per file or
// folder, listed from the disk the first time a node's contents are asked
// for, kept afterwards, and brought back in line with the disk after the
// tree is marked invalid. A node that still exists after a refresh stays the
// same node, so whatever holds a node (an open file, a view's expanded rows
// or selection) stays valid.
//
// The tree is class-wide state: one root path, one root node, one registry
// of nodes by full path. Ownership: every node of the live tree is owned by
// the registry under its current full path; nodes that a listing drops (the
// file was deleted, or a folder became a file) are retired: taken out of the
// registry and their parent's list but kept alive until deleteAll(), since an
// open file may still hold one. A retired node never reads the disk again
// and never enters a list again.
#pragma once

#include <QString>

#include <memory>
#include <string_view>
#include <vector>

namespace morvane {

class FileSystemItem;

// Told before and after every change to a child list of the live tree, so
// that an item model can announce its rows. One observer at a time.
class FileTreeObserver {
public:
    virtual ~FileTreeObserver() = default;
    virtual void childrenAboutToBeInserted(FileSystemItem* parent, int first, int last) = 0;
    virtual void childrenInserted() = 0;
    virtual void childrenAboutToBeRemoved(FileSystemItem* parent, int first, int last) = 0;
    virtual void childrenRemoved() = 0;
    // One child moves from row `from` to row `to` (its row after the move).
    virtual void childAboutToBeMoved(FileSystemItem* parent, int from, int to) = 0;
    virtual void childMoved() = 0;
    // The node's name changed.
    virtual void itemChanged(FileSystemItem* item) = 0;
    // deleteAll(): every node goes away.
    virtual void treeAboutToBeReset() = 0;
    virtual void treeReset() = 0;
};

class FileSystemItem {
public:
    // A node named after the last component of `path`, under `parent`, not
    // yet listed and not in the tree: addChild() puts it there.
    FileSystemItem(const QString& path, FileSystemItem* parent);
    ~FileSystemItem();
    FileSystemItem(const FileSystemItem&) = delete;
    FileSystemItem& operator=(const FileSystemItem&) = delete;

    // --- The class-wide tree

    // Stores the site folder's path. Does not touch the nodes: follow it with
    // deleteAll() before the tree is used again.
    static void setRootPath(const QString& path);
    static QString rootPath();
    // The site folder's node, made on first use after each deleteAll().
    static FileSystemItem* rootItem();
    // Drops every node (live and retired) and empties the registry.
    static void deleteAll();
    // Marks every listed node invalid; each re-lists itself from the disk the
    // next time its children are asked for. Reads nothing now.
    static void setAllInvalid();
    // The live node whose full path is exactly `fullPath`, if the tree has
    // one. Never reads the disk.
    static FileSystemItem* registeredItem(const QString& fullPath);
    static void setObserver(FileTreeObserver* observer);
    static FileTreeObserver* observer();

    // --- One node

    // The child list, listing (or re-listing an invalid node) from the disk
    // first. Null for anything that is not a folder.
    const std::vector<FileSystemItem*>* children();
    // The name misleads: besides counting, it tells files from folders.
    // -1 for anything that is not a folder, else the number of children.
    int numberOfChildren();
    FileSystemItem* childAtIndex(int index);

    // Puts a node made with the constructor into this folder's list at its
    // sorted place and into the registry, and returns it. When this node is
    // not a listed folder of the live tree nothing happens and null is
    // returned. When the list already holds a node of that name (its file
    // was removed and made again since the last refresh), that node is kept,
    // marked invalid and returned instead.
    FileSystemItem* addChild(std::unique_ptr<FileSystemItem> node);

    // Renames the node: it moves to its sorted place among its siblings and
    // its full path, and that of everything below it, follows the new name.
    // A sibling that already had the name is dropped from the tree (the disk
    // now holds the renamed file there). Renaming the root node renames the
    // last component of the stored root path.
    void changeName(const QString& name);

    QString fullPath() const;
    // The node's own name (not a path, despite the name).
    QString relativePath() const { return m_name; }
    FileSystemItem* parent() const { return m_parent; }

    void setInvalid();
    bool isValid() const { return m_valid; }

    // --- Questions that never read the disk (for item models and views)

    // Listed means the node knows whether it is a folder and, if so, its
    // list; an unlisted node lists itself on the next children().
    bool isListed() const { return m_state != State::Unlisted; }
    // In the live tree (the root, or in a live node's list).
    bool isAttached() const { return m_attached; }
    int listedCount() const { return int(m_children.size()); }
    FileSystemItem* listedChild(int index) const;
    int indexOfChild(const FileSystemItem* child) const;
    FileSystemItem* listedChildNamed(const QString& name) const;
    // Whether the node is a folder as far as known: its listing, else the
    // entry type seen when its parent was listed, else one status call.
    bool looksLikeFolder() const;

private:
    enum class State { Unlisted, NotFolder, Folder };
    enum class Kind { Unknown, Folder, Other };

    void relist();
    void removeChildren(int first, int last);
    void insertChildren(int position, std::vector<std::unique_ptr<FileSystemItem>> nodes);
    void retireSubtree();
    void collectPaths(std::vector<std::pair<FileSystemItem*, QString>>* out) const;
    bool knownFolder(bool* known) const;

    QString m_name;
    FileSystemItem* m_parent = nullptr;
    State m_state = State::Unlisted;
    std::vector<FileSystemItem*> m_children; // sorted by name, owned by the registry
    bool m_valid = false;
    bool m_attached = false;
    mutable Kind m_kind = Kind::Unknown;

    friend struct FileTreeState;
};

// The order of names in a folder: by UTF-16 code unit, case-sensitive, no
// locale rules ("Zeta" before "alpha", "a b" before "a-b" before "a.b").
inline bool nameLess(const QString& a, const QString& b) {
    const std::u16string_view x(reinterpret_cast<const char16_t*>(a.constData()), size_t(a.size()));
    const std::u16string_view y(reinterpret_cast<const char16_t*>(b.constData()), size_t(b.size()));
    return x < y;
}

} // namespace morvane
