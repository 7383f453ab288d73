#include "core/confinedfile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane::confinedfile {

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other)
        reset(other.release());
    return *this;
}

int Fd::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void Fd::reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

namespace {

// The path with every link resolved, or an empty text (errno set).
QByteArray resolved(const QString& path) {
    char buffer[PATH_MAX];
    if (!::realpath(QFile::encodeName(path).constData(), buffer))
        return QByteArray();
    return QByteArray(buffer);
}

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// The words for a failed open of a name that was resolved a moment ago.
QString changedOrFailed(int code) {
    if (code == ELOOP || code == ENOTDIR)
        return QCoreApplication::translate(
            "ConfinedFile", "it was replaced by a symbolic link after the upload was planned");
    if (code == ENOENT)
        return QCoreApplication::translate("ConfinedFile",
                                           "it was moved or removed after the upload was planned");
    return systemError(code);
}

Opened failed(const QString& problem) {
    Opened o;
    o.problem = problem;
    return o;
}

} // namespace

Opened openInside(const QString& folder, const QString& path) {
    const QByteArray root = resolved(folder);
    if (root.isEmpty())
        return failed(
            QCoreApplication::translate("ConfinedFile", "the site folder can't be read (%1)")
                .arg(systemError(errno)));
    const QByteArray real = resolved(path);
    if (real.isEmpty())
        return failed(errno == ENOENT
                          ? QCoreApplication::translate("ConfinedFile", "it no longer exists")
                          : systemError(errno));
    const QByteArray prefix = root == "/" ? root : root + '/';
    if (!real.startsWith(prefix) || real.size() == prefix.size())
        return failed(QCoreApplication::translate(
            "ConfinedFile", "a symbolic link leads it outside the site folder"));
    const QList<QByteArray> parts = real.mid(prefix.size()).split('/');

    Fd dir(::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.isValid())
        return failed(
            QCoreApplication::translate("ConfinedFile", "the site folder can't be read (%1)")
                .arg(systemError(errno)));
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        Fd next(::openat(dir.get(), parts[i].constData(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.isValid())
            return failed(changedOrFailed(errno));
        dir = std::move(next);
    }
    // Non-blocking: opening a FIFO for reading must not wait for a writer.
    Fd file(::openat(dir.get(), parts.last().constData(),
                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.isValid())
        return failed(changedOrFailed(errno));
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        return failed(systemError(errno));
    if (!S_ISREG(st.st_mode))
        return failed(
            S_ISDIR(st.st_mode)
                ? QCoreApplication::translate("ConfinedFile", "it is a folder")
                : QCoreApplication::translate("ConfinedFile", "it is not a regular file"));
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return failed(systemError(errno));
    Opened o;
    o.fd = std::move(file);
    return o;
}

} // namespace morvane::confinedfile
