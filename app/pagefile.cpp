#include "app/pagefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane::preview {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

PageFile failed(int error) {
    PageFile result;
    result.status = PageFile::Status::Failed;
    result.error = QString::fromLocal8Bit(std::strerror(error));
    return result;
}

} // namespace

PageFile readPageFile(const QString& path, qint64 limit) {
    PageFile result;
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that opening a FIFO returns at once; the type is
    // checked on what was opened, not on the name.
    const Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return failed(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return failed(errno);
    if (!S_ISREG(st.st_mode)) {
        result.status = PageFile::Status::NotRegular;
        return result;
    }
    if (st.st_size > limit) {
        result.status = PageFile::Status::TooLarge;
        return result;
    }
    // The file may grow while it is read: the bound holds for what is read.
    result.data.reserve(qsizetype(st.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failed(errno);
        }
        if (n == 0)
            break;
        if (result.data.size() + n > limit) {
            result.status = PageFile::Status::TooLarge;
            result.data.clear();
            return result;
        }
        result.data.append(buffer, qsizetype(n));
    }
    result.status = PageFile::Status::Read;
    return result;
}

void readPageFileAsync(QObject* context, const QString& path, qint64 limit,
                       std::function<void(const PageFile&)> done) {
    QThreadPool::globalInstance()->start(
        [guard = QPointer<QObject>(context), path, limit, done = std::move(done)]() mutable {
            PageFile read = readPageFile(path, limit);
            // The answer goes back through the application object, which
            // outlives the pool's work; the context is checked there.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [guard = std::move(guard), read = std::move(read), done = std::move(done)] {
                    if (guard)
                        done(read);
                },
                Qt::QueuedConnection);
        });
}

QString pageFileProblem(const QString& path, const PageFile& read) {
    const QString name = QFileInfo(path).fileName();
    switch (read.status) {
    case PageFile::Status::NotRegular:
        return QCoreApplication::translate("Preview",
                                           "\u201C%1\u201D is not a regular file (it may be a "
                                           "pipe or a device), so the preview does not read it.")
            .arg(name);
    case PageFile::Status::TooLarge:
        return QCoreApplication::translate(
                   "Preview", "\u201C%1\u201D is too large to preview from disk. Set the site's "
                              "Local URL to preview it through your local web server.")
            .arg(name);
    case PageFile::Status::Failed:
        return QCoreApplication::translate("Preview", "\u201C%1\u201D could not be read: %2")
            .arg(name, read.error);
    case PageFile::Status::Read:
        break;
    }
    return QString();
}

} // namespace morvane::preview
