#include "tree/directoryreader.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool isAscii(const char* s, std::size_t len) {
    for (std::size_t i = 0; i < len; ++i) {
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

PathKind pathKind(const QString& path) {
    if (path.isEmpty())
        return PathKind::Missing;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return PathKind::Missing;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool readDirectory(const QString& path, std::vector<DirectoryEntry>* entries) {
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    DirHandle dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return false;
    }
    const std::size_t start = entries->size();
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir.get());
        if (!e) {
            if (errno != 0) {
                // A read that stopped half-way must not look like a folder
                // whose other entries were deleted.
                entries->resize(start);
                return false;
            }
            break;
        }
        const char* name = e->d_name;
        const std::size_t len = std::strlen(name);
        if ((len == 1 && name[0] == '.') || (len == 2 && name[0] == '.' && name[1] == '.'))
            continue;
        bool folder = false;
        switch (e->d_type) {
        case DT_DIR:
            folder = true;
            break;
        case DT_REG:
        case DT_FIFO:
        case DT_SOCK:
        case DT_CHR:
        case DT_BLK:
            folder = false;
            break;
        default: {
            // Links and file systems that do not report types: follow the
            // link; nothing there means the entry is not shown.
            struct stat st;
            if (::fstatat(::dirfd(dir.get()), name, &st, 0) != 0)
                continue;
            folder = S_ISDIR(st.st_mode);
            break;
        }
        }
        QString decoded;
        if (isAscii(name, len)) {
            decoded = QString::fromLatin1(name, qsizetype(len));
        } else {
            const QByteArray bytes(name, qsizetype(len));
            decoded = QFile::decodeName(bytes);
            // A name that does not survive the trip through QString could
            // not be opened, renamed or uploaded by its listed name.
            if (QFile::encodeName(decoded) != bytes)
                continue;
        }
        entries->push_back({std::move(decoded), folder});
    }
    return true;
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString lastPathComponent(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    if (end == 1 && path.at(0) == QLatin1Char('/'))
        return QStringLiteral("/");
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'), end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

QString parentPath(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'), end - 1);
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

} // namespace morvane
