#include "tree/filesystemitem.h"

#include "tree/directoryreader.h"

#include <QHash>
#include <QLatin1StringView>

#include <algorithm>
#include <unordered_map>

namespace morvane {

struct PathHash {
    size_t operator()(const QString& path) const noexcept { return qHash(path); }
};

// The class-wide part of the tree.
struct FileTreeState {
    QString rootPath;
    FileSystemItem* root = nullptr;
    // Every node of the live tree, by its current full path.
    std::unordered_map<QString, std::unique_ptr<FileSystemItem>, PathHash> registry;
    // Nodes dropped from the tree, kept alive for whoever still holds them.
    std::vector<std::unique_ptr<FileSystemItem>> retired;
    FileTreeObserver* observer = nullptr;
    // Set while a list is being changed and the observer told about it.
    bool changing = false;

    static FileTreeState& get() {
        static FileTreeState state;
        return state;
    }

    // Enters a node under a path. Should another node already be registered
    // there, it is kept alive among the retired ones rather than destroyed
    // while a list may still point at it.
    void enter(const QString& path, std::unique_ptr<FileSystemItem> node) {
        auto [it, inserted] = registry.try_emplace(path);
        if (!inserted && it->second)
            retired.push_back(std::move(it->second));
        it->second = std::move(node);
    }
};

namespace {

FileTreeState& tree() {
    return FileTreeState::get();
}

// Marks the span of one list change (nested spans stay marked).
class ChangeGuard {
public:
    explicit ChangeGuard(FileTreeState& t) : m_tree(t), m_was(t.changing) { t.changing = true; }
    ~ChangeGuard() { m_tree.changing = m_was; }
    ChangeGuard(const ChangeGuard&) = delete;
    ChangeGuard& operator=(const ChangeGuard&) = delete;

private:
    FileTreeState& m_tree;
    bool m_was;
};

// Names the platform's own folder bookkeeping leaves behind; they are never
// part of a site. Every other name, hidden or not, is listed.
bool isSystemClutter(const QString& name) {
    return name == QLatin1StringView(".DS_Store") || name == QLatin1StringView(".localized");
}

// Position of the first child whose name is not less than `name`.
std::vector<FileSystemItem*>::const_iterator lowerBound(const std::vector<FileSystemItem*>& list,
                                                        const QString& name) {
    return std::lower_bound(list.begin(), list.end(), name,
                            [](const FileSystemItem* item, const QString& n) {
                                return nameLess(item->relativePath(), n);
                            });
}

} // namespace

FileSystemItem::FileSystemItem(const QString& path, FileSystemItem* parent)
    : m_name(lastPathComponent(path)), m_parent(parent) {}

FileSystemItem::~FileSystemItem() = default;

// --- Class-wide operations

void FileSystemItem::setRootPath(const QString& path) {
    tree().rootPath = path;
}

QString FileSystemItem::rootPath() {
    return tree().rootPath;
}

FileSystemItem* FileSystemItem::rootItem() {
    FileTreeState& t = tree();
    if (t.root)
        return t.root;
    auto node = std::make_unique<FileSystemItem>(t.rootPath, nullptr);
    node->m_attached = true;
    node->m_valid = true;
    t.root = node.get();
    t.enter(t.rootPath, std::move(node));
    return t.root;
}

void FileSystemItem::deleteAll() {
    FileTreeState& t = tree();
    if (t.observer)
        t.observer->treeAboutToBeReset();
    t.root = nullptr;
    t.registry.clear();
    t.retired.clear();
    if (t.observer)
        t.observer->treeReset();
}

void FileSystemItem::setAllInvalid() {
    FileTreeState& t = tree();
    if (!t.root)
        return;
    t.root->setInvalid();
    // The site folder itself may have appeared or gone since it was looked at.
    t.root->m_kind = Kind::Unknown;
}

FileSystemItem* FileSystemItem::registeredItem(const QString& fullPath) {
    FileTreeState& t = tree();
    const auto it = t.registry.find(fullPath);
    if (it == t.registry.end() || !it->second || !it->second->m_attached)
        return nullptr;
    return it->second.get();
}

void FileSystemItem::setObserver(FileTreeObserver* observer) {
    tree().observer = observer;
}

FileTreeObserver* FileSystemItem::observer() {
    return tree().observer;
}

// --- Listing

const std::vector<FileSystemItem*>* FileSystemItem::children() {
    if (m_state == State::Unlisted || !m_valid) {
        // A view reacting to one change (say, a selection handler run while
        // rows are removed) must not start another one inside it: it gets
        // what is known now, and the node lists itself on a later request.
        if (m_attached && !tree().changing) {
            relist();
        } else if (m_state == State::Unlisted) {
            // A node outside the tree keeps no list of its own: it answers
            // with its type only, and never reads a folder's contents.
            return looksLikeFolder() ? &m_children : nullptr;
        }
    }
    return m_state == State::Folder ? &m_children : nullptr;
}

int FileSystemItem::numberOfChildren() {
    const auto* list = children();
    return list ? int(list->size()) : -1;
}

FileSystemItem* FileSystemItem::childAtIndex(int index) {
    const auto* list = children();
    if (!list || index < 0 || index >= int(list->size()))
        return nullptr;
    return (*list)[size_t(index)];
}

void FileSystemItem::relist() {
    const QString path = fullPath();
    m_valid = true;
    if (pathKind(path) != PathKind::Folder) {
        if (m_state == State::Folder && !m_children.empty())
            removeChildren(0, int(m_children.size()) - 1);
        m_children.clear();
        m_children.shrink_to_fit();
        m_state = State::NotFolder;
        m_kind = Kind::Other;
        return;
    }

    std::vector<DirectoryEntry> entries;
    const bool readable = readDirectory(path, &entries);
    if (m_state != State::Folder) {
        // First listing, or a file that has become a folder: a fresh list.
        m_children.clear();
        m_state = State::Folder;
    }
    m_kind = Kind::Folder;
    std::erase_if(entries, [](const DirectoryEntry& e) { return isSystemClutter(e.name); });
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return nameLess(a.name, b.name);
    });

    // Walk the sorted entries and the sorted list side by side: a child
    // without an entry is gone, an entry without a child is new, and a name
    // whose type changed (a file replaced by a folder or back) is a new node.
    const size_t n = m_children.size();
    std::vector<char> gone(n, 0);
    std::vector<const DirectoryEntry*> fresh;
    if (readable) {
        size_t i = 0, j = 0;
        while (i < n || j < entries.size()) {
            if (j == entries.size() ||
                (i < n && nameLess(m_children[i]->m_name, entries[j].name))) {
                gone[i++] = 1;
            } else if (i == n || nameLess(entries[j].name, m_children[i]->m_name)) {
                fresh.push_back(&entries[j++]);
            } else {
                FileSystemItem* child = m_children[i];
                bool known = false;
                const bool wasFolder = child->knownFolder(&known);
                if (known && wasFolder != entries[j].isFolder) {
                    gone[i] = 1;
                    fresh.push_back(&entries[j]);
                } else {
                    child->m_kind = entries[j].isFolder ? Kind::Folder : Kind::Other;
                }
                ++i;
                ++j;
            }
        }
    } else {
        // An unreadable folder adds nothing and keeps what still exists.
        for (size_t i = 0; i < n; ++i) {
            if (pathKind(joinPath(path, m_children[i]->m_name)) == PathKind::Missing)
                gone[i] = 1;
        }
    }

    for (int i = int(n) - 1; i >= 0;) {
        if (!gone[size_t(i)]) {
            --i;
            continue;
        }
        const int last = i;
        while (i >= 0 && gone[size_t(i)])
            --i;
        removeChildren(i + 1, last);
    }

    // New entries go in as runs of rows that land at the same place.
    size_t k = 0;
    while (k < fresh.size()) {
        const size_t pos = size_t(lowerBound(m_children, fresh[k]->name) - m_children.begin());
        size_t end = k + 1;
        while (end < fresh.size() &&
               (pos == m_children.size() || nameLess(fresh[end]->name, m_children[pos]->m_name)))
            ++end;
        std::vector<std::unique_ptr<FileSystemItem>> nodes;
        nodes.reserve(end - k);
        for (size_t e = k; e < end; ++e) {
            auto node = std::make_unique<FileSystemItem>(QString(), this);
            node->m_name = fresh[e]->name;
            node->m_kind = fresh[e]->isFolder ? Kind::Folder : Kind::Other;
            node->m_valid = true;
            nodes.push_back(std::move(node));
        }
        insertChildren(int(pos), std::move(nodes));
        k = end;
    }
}

void FileSystemItem::removeChildren(int first, int last) {
    FileTreeState& t = tree();
    FileTreeObserver* obs = m_attached ? t.observer : nullptr;
    const ChangeGuard guard(t);
    if (obs)
        obs->childrenAboutToBeRemoved(this, first, last);
    for (int i = first; i <= last; ++i)
        m_children[size_t(i)]->retireSubtree();
    m_children.erase(m_children.begin() + first, m_children.begin() + last + 1);
    if (obs)
        obs->childrenRemoved();
}

void FileSystemItem::insertChildren(int position,
                                    std::vector<std::unique_ptr<FileSystemItem>> nodes) {
    if (nodes.empty())
        return;
    FileTreeState& t = tree();
    FileTreeObserver* obs = m_attached ? t.observer : nullptr;
    const ChangeGuard guard(t);
    if (obs)
        obs->childrenAboutToBeInserted(this, position, position + int(nodes.size()) - 1);
    const QString folder = fullPath();
    std::vector<FileSystemItem*> raw;
    raw.reserve(nodes.size());
    for (auto& node : nodes) {
        node->m_parent = this;
        node->m_attached = m_attached;
        raw.push_back(node.get());
        if (m_attached) {
            const QString path = joinPath(folder, node->m_name);
            t.enter(path, std::move(node));
        } else {
            t.retired.push_back(std::move(node));
        }
    }
    m_children.insert(m_children.begin() + position, raw.begin(), raw.end());
    if (obs)
        obs->childrenInserted();
}

void FileSystemItem::retireSubtree() {
    if (m_state == State::Folder) {
        for (FileSystemItem* child : m_children)
            child->retireSubtree();
    }
    if (!m_attached)
        return;
    FileTreeState& t = tree();
    const auto it = t.registry.find(fullPath());
    if (it != t.registry.end() && it->second.get() == this) {
        t.retired.push_back(std::move(it->second));
        t.registry.erase(it);
    }
    m_attached = false;
}

// --- Changes made by the program itself

FileSystemItem* FileSystemItem::addChild(std::unique_ptr<FileSystemItem> node) {
    if (!node || !m_attached || m_state != State::Folder)
        return nullptr;
    if (FileSystemItem* existing = listedChildNamed(node->m_name)) {
        existing->setInvalid();
        existing->m_kind = Kind::Unknown;
        return existing;
    }
    FileSystemItem* raw = node.get();
    const int pos = int(lowerBound(m_children, node->m_name) - m_children.begin());
    node->m_valid = true;
    std::vector<std::unique_ptr<FileSystemItem>> nodes;
    nodes.push_back(std::move(node));
    insertChildren(pos, std::move(nodes));
    return raw;
}

void FileSystemItem::collectPaths(std::vector<std::pair<FileSystemItem*, QString>>* out) const {
    out->emplace_back(const_cast<FileSystemItem*>(this), fullPath());
    if (m_state == State::Folder) {
        for (const FileSystemItem* child : m_children)
            child->collectPaths(out);
    }
}

void FileSystemItem::changeName(const QString& name) {
    if (name == m_name)
        return;
    if (!m_attached) {
        m_name = name;
        return;
    }
    FileTreeState& t = tree();
    FileSystemItem* parent = m_parent;
    const bool inList =
        parent && parent->m_state == State::Folder && parent->indexOfChild(this) >= 0;
    if (inList) {
        FileSystemItem* clash = parent->listedChildNamed(name);
        if (clash && clash != this) {
            const int at = parent->indexOfChild(clash);
            parent->removeChildren(at, at);
        }
    }

    std::vector<std::pair<FileSystemItem*, QString>> oldPaths;
    collectPaths(&oldPaths);

    if (inList) {
        auto& list = parent->m_children;
        const int from = parent->indexOfChild(this);
        // The row this node ends up in once it is out of its old place.
        int to = int(std::lower_bound(list.begin(), list.begin() + from, name,
                                      [](const FileSystemItem* item, const QString& n) {
                                          return nameLess(item->m_name, n);
                                      }) -
                     list.begin());
        if (to == from) {
            to = int(std::lower_bound(list.begin() + from + 1, list.end(), name,
                                      [](const FileSystemItem* item, const QString& n) {
                                          return nameLess(item->m_name, n);
                                      }) -
                     list.begin()) -
                 1;
        }
        const ChangeGuard guard(t);
        if (to != from && t.observer)
            t.observer->childAboutToBeMoved(parent, from, to);
        if (to < from)
            std::rotate(list.begin() + to, list.begin() + from, list.begin() + from + 1);
        else if (to > from)
            std::rotate(list.begin() + from, list.begin() + from + 1, list.begin() + to + 1);
        m_name = name;
        if (to != from && t.observer)
            t.observer->childMoved();
    } else {
        m_name = name;
        if (this == t.root) {
            const QString folder = parentPath(t.rootPath);
            t.rootPath = folder.isEmpty() ? name : joinPath(folder, name);
        }
    }

    // Move the registry entries of this node and everything below it to
    // their new paths.
    for (auto& [node, oldPath] : oldPaths) {
        auto handle = t.registry.extract(oldPath);
        if (handle.empty())
            continue;
        if (handle.mapped().get() != node) {
            t.registry.insert(std::move(handle));
            continue;
        }
        handle.key() = node->fullPath();
        auto result = t.registry.insert(std::move(handle));
        if (!result.inserted)
            t.retired.push_back(std::move(result.node.mapped()));
    }
    if (t.observer)
        t.observer->itemChanged(this);
}

QString FileSystemItem::fullPath() const {
    const FileTreeState& t = tree();
    if (this == t.root)
        return t.rootPath;
    if (!m_parent)
        return m_name;
    return joinPath(m_parent->fullPath(), m_name);
}

void FileSystemItem::setInvalid() {
    m_valid = false;
    if (m_state == State::Folder) {
        for (FileSystemItem* child : m_children)
            child->setInvalid();
    }
}

// --- Questions that never read a folder

FileSystemItem* FileSystemItem::listedChild(int index) const {
    if (m_state != State::Folder || index < 0 || index >= int(m_children.size()))
        return nullptr;
    return m_children[size_t(index)];
}

int FileSystemItem::indexOfChild(const FileSystemItem* child) const {
    if (!child || m_state != State::Folder)
        return -1;
    const auto it = lowerBound(m_children, child->m_name);
    if (it != m_children.end() && *it == child)
        return int(it - m_children.begin());
    // Only reached mid-rename, while the list is being reordered.
    const auto found = std::find(m_children.begin(), m_children.end(), child);
    return found == m_children.end() ? -1 : int(found - m_children.begin());
}

FileSystemItem* FileSystemItem::listedChildNamed(const QString& name) const {
    if (m_state != State::Folder)
        return nullptr;
    const auto it = lowerBound(m_children, name);
    if (it != m_children.end() && (*it)->m_name == name)
        return *it;
    return nullptr;
}

bool FileSystemItem::looksLikeFolder() const {
    bool known = false;
    const bool folder = knownFolder(&known);
    if (known)
        return folder;
    m_kind = pathKind(fullPath()) == PathKind::Folder ? Kind::Folder : Kind::Other;
    return m_kind == Kind::Folder;
}

bool FileSystemItem::knownFolder(bool* known) const {
    *known = true;
    switch (m_state) {
    case State::Folder:
        return true;
    case State::NotFolder:
        return false;
    case State::Unlisted:
        break;
    }
    *known = m_kind != Kind::Unknown;
    return m_kind == Kind::Folder;
}

} // namespace morvane
