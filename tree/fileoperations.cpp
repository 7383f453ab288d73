#include "tree/fileoperations.h"

#include "core/platform.h"
#include "tree/directoryreader.h"
#include "tree/filesystemitem.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>

namespace morvane {

namespace {

// Anything at the path, including a link that leads nowhere: a new item
// must never replace it.
bool somethingExists(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool writeNewPage(const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray page = newPageTemplate();
    if (file.write(page) != page.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

// Makes the folder and any missing folders above it.
bool makeFolder(const QString& path, QString* error) {
    const QByteArray encoded = QFile::encodeName(path);
    if (::mkdir(encoded.constData(), 0777) == 0)
        return true;
    int err = errno;
    if (err == ENOENT) {
        const QString parent = parentPath(path);
        if (parent.isEmpty() || parent == path) {
            *error = qt_error_string(err);
            return false;
        }
        if (pathKind(parent) != PathKind::Folder && !makeFolder(parent, error))
            return false;
        if (::mkdir(encoded.constData(), 0777) == 0)
            return true;
        err = errno;
    }
    *error = qt_error_string(err);
    return false;
}

} // namespace

QByteArray newPageTemplate() {
    return QByteArrayLiteral("<!DOCTYPE html>\n"
                             "<html>\n"
                             "<head>\n"
                             "    <meta charset=\"utf-8\">\n"
                             "    <title>[title goes here]</title>\n"
                             "</head>\n"
                             "<body>\n"
                             "[body goes here]\n"
                             "</body>\n"
                             "</html>");
}

QString newItemName(const QString& folderPath, NewItemType type, NewItemName first) {
    const QString suffix =
        type == NewItemType::Folder ? QStringLiteral(" folder") : QStringLiteral(".html");
    const QString base =
        first == NewItemName::IndexFirst ? QStringLiteral("index") : QStringLiteral("untitled");
    for (int i = 1; i <= 99; ++i) {
        QString name = i == 1 ? base + suffix : QStringLiteral("untitled-%1%2").arg(i).arg(suffix);
        if (!somethingExists(joinPath(folderPath, name)))
            return name;
    }
    return QString();
}

FileSystemItem* newItemTarget(FileSystemItem* selected) {
    FileSystemItem* root = FileSystemItem::rootItem();
    if (!selected || selected == root)
        return root;
    if (!selected->isAttached())
        return nullptr;
    if (selected->numberOfChildren() < 0)
        return selected->parent() ? selected->parent() : root;
    return selected;
}

FileSystemItem* newFileOrFolder(FileSystemItem* selected, NewItemType type, NewItemName first) {
    const bool folder = type == NewItemType::Folder;
    FileSystemItem* target = newItemTarget(selected);
    if (!target)
        return nullptr;
    // List the target first, so that the new node joins a list that is up
    // to date with the disk.
    target->children();
    const QString folderPath = target->fullPath();
    const QString name = newItemName(folderPath, type, first);
    if (name.isEmpty()) {
        Platform::instance().alert(
            folder ? QCoreApplication::translate("FileOperations", "Can't make a new folder.")
                   : QCoreApplication::translate("FileOperations", "Can't make a new file."),
            folder
                ? QCoreApplication::translate(
                      "FileOperations", "The names \"untitled folder\" to \"untitled-99 folder\" "
                                        "are all taken in \"%1\". Rename some of them first.")
                      .arg(target->relativePath())
                : QCoreApplication::translate(
                      "FileOperations", "The names \"untitled.html\" to \"untitled-99.html\" are "
                                        "all taken in \"%1\". Rename some of them first.")
                      .arg(target->relativePath()));
        return nullptr;
    }
    const QString path = joinPath(folderPath, name);

    QString error;
    const bool made = folder ? makeFolder(path, &error) : writeNewPage(path, &error);
    if (!made) {
        Platform::instance().alert(
            folder ? QCoreApplication::translate("FileOperations", "Error creating folder.")
                   : QCoreApplication::translate("FileOperations", "Error writing file."),
            error);
        return nullptr;
    }
    FileSystemItem* node = target->addChild(std::make_unique<FileSystemItem>(path, target));
    if (!node) {
        // The target had no list to join: the site folder was missing and
        // has just been made along with the new folder. List it afresh.
        target->setInvalid();
        target->children();
        node = target->listedChildNamed(name);
    }
    return node;
}

namespace {

QString kCantRename() {
    return QCoreApplication::translate("FileOperations", "Can't rename.");
}

// Moves `from` to `to` unless something is at `to` already; the check and
// the move are one step where the file system allows it. Returns 0 or the
// error number.
int moveNoReplace(const QString& from, const QString& to) {
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int err = errno;
    if (err != EINVAL && err != ENOSYS)
        return err;
    // A file system without that kind of move: check, then move.
    if (somethingExists(to))
        return EEXIST;
    return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
}

} // namespace

QString renameProblem(const QString& name) {
    if (name.isEmpty())
        return QCoreApplication::translate("FileOperations", "A name can't be empty.");
    if (name.contains(QLatin1Char('/')))
        return QCoreApplication::translate("FileOperations",
                                           "A name can't contain \"/\": it separates folders.");
    if (name.contains(QChar(0)))
        return QCoreApplication::translate("FileOperations",
                                           "A name can't contain a NUL character.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\".\" and \"..\" name folders that already exist.");
    return QString();
}

bool mayRename(FileSystemItem* node) {
    Platform& platform = Platform::instance();
    if (!node || !node->isAttached()) {
        platform.alert(kCantRename(),
                       QCoreApplication::translate("FileOperations",
                                                   "The item is no longer in the site folder."));
        return false;
    }
    if (!node->parent() || node == FileSystemItem::rootItem()) {
        // The site's settings hold the folder's path: renaming it here
        // would leave the site without its folder.
        platform.alert(kCantRename(), QCoreApplication::translate(
                                          "FileOperations",
                                          "The site folder's name is part of the site's settings. "
                                          "Rename it in the file manager, then choose it again in "
                                          "the site's properties."));
        return false;
    }
    return true;
}

RenameResult renameItem(FileSystemItem* node, const QString& name) {
    if (node && name == node->relativePath())
        return RenameResult::Unchanged;
    if (!mayRename(node))
        return RenameResult::Refused;
    const QString problem = renameProblem(name);
    if (!problem.isEmpty()) {
        Platform::instance().alert(kCantRename(), problem);
        return RenameResult::Refused;
    }
    const QString oldPath = node->fullPath();
    const QString newPath = joinPath(parentPath(oldPath), name);
    const int err = moveNoReplace(oldPath, newPath);
    Platform& platform = Platform::instance();
    if (err == EEXIST || err == ENOTEMPTY) {
        platform.alert(QCoreApplication::translate("FileOperations",
                                                   "Can't rename \u2013 file name already exists."),
                       QCoreApplication::translate("FileOperations", "Choose a different name."));
        return RenameResult::Refused;
    }
    if (err != 0) {
        platform.alert(kCantRename(), qt_error_string(err));
        return RenameResult::Refused;
    }
    node->changeName(name);
    return RenameResult::Renamed;
}

bool trashItem(FileSystemItem* node) {
    if (!node)
        return false;
    QString error;
    if (Platform::instance().moveToTrash(node->fullPath(), &error))
        return true;
    Platform::instance().alert(
        QCoreApplication::translate("FileOperations", "Can't move to trash."), error);
    return false;
}

} // namespace morvane
