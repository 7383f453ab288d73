// The outline's commands that change the site folder, the part that works on
// the disk and the tree: new file and new folder, rename, move to the trash.
// The outline controller marks files for upload, selects rows and looks
// after the open files.
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
// its node to the tree. Returns the new node; null after an alert when every
// name was taken, or when the file or folder could not be made ("Error
// writing file.", for a folder "Error creating folder.", with the system's
// description); the tree is unchanged then.
FileSystemItem* newFileOrFolder(FileSystemItem* selected, NewItemType type, NewItemName name);

// Why a typed name cannot become the new name of an item, or an empty text
// when it can: an empty name, a "/" (it would move the item into another
// folder), a NUL character, "." and "..".
QString renameProblem(const QString& name);

enum class RenameResult {
    Renamed,   // on disk and in the tree
    Unchanged, // the name typed is the name it has: nothing to do
    Refused,   // an alert said why; the name stays as it was
};

// Renames the node's file or folder in its own folder to `name` and moves
// the node to its sorted place. An existing item is never replaced: that is
// refused with "Can't rename – file name already exists." / "Choose a
// different name."; names renameProblem() objects to, the site folder's own
// row and every other failure with "Can't rename." and the reason.
RenameResult renameItem(FileSystemItem* node, const QString& name);

// Whether the node's name may be edited at all: false, after the alert
// renameItem() would show, for the site folder's own row and for a node no
// longer in the tree.
bool mayRename(FileSystemItem* node);

// Moves the node's file or folder to the trash. False, after the alert
// "Can't move to trash." with the system's reason, when that failed; the
// tree is not touched either way (a refresh follows the disk).
bool trashItem(FileSystemItem* node);

} // namespace morvane
