// One read of a folder that also tells which entries are folders, without a
// separate status call per entry where the file system already says (the
// entry type from readdir); only symbolic links and entries of unknown type
// cost a stat.
#pragma once

#include <QString>

#include <vector>

namespace morvane {

struct DirectoryEntry {
    QString name;
    bool isFolder = false;
};

enum class PathKind { Missing, Folder, Other };

// What is at `path` after following symbolic links. A link that leads
// nowhere (dangling, or a loop) counts as missing.
PathKind pathKind(const QString& path);

// Appends the entries of the folder at `path` to `entries`, without "." and
// "..", in no defined order. Entries at which nothing exists (dangling
// links, link loops, entries that vanished meanwhile) and names that cannot
// be addressed through a QString path (bytes that are not valid UTF-8) are
// left out. Returns false, leaving `entries` as it was, when the folder
// cannot be read completely.
bool readDirectory(const QString& path, std::vector<DirectoryEntry>* entries);

// Path helpers with the rules the tree uses: one "/" between the parts, and
// the last component of a path ignoring trailing slashes ("/" for "/").
QString joinPath(const QString& folder, const QString& name);
QString lastPathComponent(const QString& path);
QString parentPath(const QString& path);

} // namespace morvane
