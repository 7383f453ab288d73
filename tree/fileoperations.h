// New file and new folder: the part of the outline's "New file" / "New
// folder" commands that works on the disk and the tree. The coordinator
// marks a new file for upload, selects its row and opens it.
#pragma once

#include <QByteArray>
#include <QString>

namespace morvane {

class FileSystemItem;

// The page a new file starts with: nine lines, UTF-8, joined by line feeds,
// without a line end after the last one.
QByteArray newPageTemplate();

// What the New file / New folder commands make, and which name they try
// first ("index.html" for the first page of an empty site).
enum class NewItemType { File, Folder };
enum class NewItemName { Untitled, IndexFirst };

// The first name at which nothing exists yet in `folderPath` (not even a
// dangling link): "untitled.html", "untitled-2.html" … "untitled-99.html"
// for a file, "untitled folder", "untitled-2 folder" … for a folder; with
// NewItemName::IndexFirst the first try is "index.html" (or "index folder"). Empty
// when all 99 names are taken.
QString newItemName(const QString& folderPath, NewItemType type, NewItemName name);

// The folder a new item goes into for the selected row: the selected folder
// itself, or the folder holding the selected file. With nothing selected,
// and for the site folder's own row even while it is missing, the site
// folder: a new item never lands outside the site. Null for a node that is
// no longer in the tree.
FileSystemItem* newItemTarget(FileSystemItem* selected);

// Makes a new page (written atomically from the template) or folder in the
// target folder of `selected`, with the name newItemName() picks, and adds
// its node to the tree. Returns the new node; null when every name was taken
// (nothing is shown, as before) or when the file or folder could not be made:
// then the alert "Error writing file." (for a folder "Error creating
// folder.") with the system's description has been shown and the tree is
// unchanged.
FileSystemItem* newFileOrFolder(FileSystemItem* selected, NewItemType type, NewItemName name);

} // namespace morvane
