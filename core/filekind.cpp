#include "core/filekind.h"

#include <QCoreApplication>
#include <QFile>
#include <QMimeDatabase>

#include <sys/stat.h>

namespace morvane {

FileStamp stampOf(const QString& path) {
    struct stat st {};
    FileStamp stamp;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = std::int64_t(st.st_size);
    stamp.modifiedNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.inode = std::uint64_t(st.st_ino);
    stamp.device = std::uint64_t(st.st_dev);
    return stamp;
}

bool looksLikeNotText(QByteArrayView head, bool nulMarksBinary) {
    head = head.first(std::min(head.size(), kSniffBytes));
    if (head.isEmpty())
        return false;
    if (nulMarksBinary && head.contains('\0'))
        return true;
    // The shared MIME database, by content only: a name says nothing about
    // what a file holds. Its fallbacks for data without a signature
    // ("text/plain" and "application/octet-stream") decide nothing: such
    // bytes go on to be decoded as text.
    static const QMimeDatabase db;
    const QMimeType type = db.mimeTypeForData(head.toByteArray());
    if (!type.isValid() || type.isDefault() || type.inherits(QStringLiteral("text/plain")))
        return false;
    const QString name = type.name();
    return name != QLatin1String("application/x-zerosize");
}

QString describeFileType(unsigned mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return QCoreApplication::translate("FileKind", "a regular file");
    case S_IFDIR:
        return QCoreApplication::translate("FileKind", "a folder");
    case S_IFIFO:
        return QCoreApplication::translate("FileKind", "a named pipe (FIFO)");
    case S_IFCHR:
        return QCoreApplication::translate("FileKind", "a character device");
    case S_IFBLK:
        return QCoreApplication::translate("FileKind", "a block device");
    case S_IFSOCK:
        return QCoreApplication::translate("FileKind", "a socket");
    default:
        return QCoreApplication::translate("FileKind", "not a regular file");
    }
}

} // namespace morvane
