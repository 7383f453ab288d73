#include "tree/fileoperations.h"

#include "core/platform.h"
#include "tree/directoryreader.h"
#include "tree/filesystemitem.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <memory>

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
    if (name.isEmpty())
        return nullptr;
    const QString path = joinPath(folderPath, name);

    QString error;
    const bool made = folder ? makeFolder(path, &error) : writeNewPage(path, &error);
    if (!made) {
        Platform::instance().alert(folder ? QStringLiteral("Error creating folder.")
                                          : QStringLiteral("Error writing file."),
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

} // namespace morvane
