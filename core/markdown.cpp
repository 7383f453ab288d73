#include "core/markdown.h"

#include "core/confinedfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" {
#include <mkdio.h>
}

namespace morvane::markdown {

namespace {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// A Discount document that has not been handed to markdown() yet.
struct DocumentCleaner {
    void operator()(MMIOT* doc) const {
        if (doc)
            mkd_cleanup(doc);
    }
};
using DocumentPtr = std::unique_ptr<MMIOT, DocumentCleaner>;

// An in-memory output stream for Discount; the bytes land in a malloc'ed
// buffer that open_memstream owns until the stream is closed.
class MemoryStream {
public:
    MemoryStream() : m_file(open_memstream(&m_buffer, &m_size)) {}
    ~MemoryStream() {
        m_file.reset();
        std::free(m_buffer);
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    FILE* get() const { return m_file.get(); }
    // Closes the stream and returns what was written.
    QByteArray take() {
        m_file.reset();
        return QByteArray(m_buffer, qsizetype(m_size));
    }

private:
    char* m_buffer = nullptr;
    size_t m_size = 0;
    FilePtr m_file;
};

// Discount writes into `out` from the document `doc`; markdown() frees the
// document on success only, so ownership is given up just then.
bool render(DocumentPtr doc, FILE* out) {
    MMIOT* raw = doc.get();
    if (::markdown(raw, out, 0) != 0)
        return false;                 // doc still owns the document and frees it
    static_cast<void>(doc.release()); // markdown() freed it
    return true;
}

Error makeError(Error::Kind kind, const QString& title, const QString& message) {
    Error e;
    e.kind = kind;
    e.title = title;
    e.message = message;
    return e;
}

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

bool isMarkdownPath(const QString& path) {
    return QFileInfo(path).suffix().toLower() == QLatin1String("md");
}

QString targetPath(const QString& mdPath) {
    const QFileInfo info(mdPath);
    const QString suffix = info.suffix();
    if (suffix.isEmpty() && !info.fileName().endsWith(QLatin1Char('.')))
        return mdPath + QStringLiteral(".html");
    return mdPath.left(mdPath.size() - suffix.size()) + QStringLiteral("html");
}

bool toHtml(const QByteArray& markdownText, QByteArray* html) {
    DocumentPtr doc(mkd_string(markdownText.constData(), int(markdownText.size()), 0));
    if (!doc)
        return false;
    MemoryStream out;
    if (!out.get() || !render(std::move(doc), out.get()))
        return false;
    *html = out.take();
    return true;
}

bool mayReplaceTarget(const QString& mdPath, Error* error) {
    const QString target = targetPath(mdPath);
    const QFileInfo targetInfo(target);
    if (targetInfo.isSymLink()) {
        // The new page would be written wherever the link leads: perhaps
        // another site's page, perhaps outside every site.
        if (error)
            *error = makeError(
                Error::Kind::LinkedTarget,
                QCoreApplication::translate(
                    "Markdown", "Can't convert \"%1\" because \"%2\" is a symbolic link.")
                    .arg(QFileInfo(mdPath).fileName(), targetInfo.fileName()),
                QCoreApplication::translate(
                    "Markdown", "The HTML file made from a Markdown file is never written through "
                                "a link. Remove the link or rename the Markdown file."));
        return false;
    }
    if (!targetInfo.exists())
        return true;
    // Only our own output may go; anything else was made by the user.
    const QByteArray header(kGeneratedHeader);
    QFile existing(target);
    if (targetInfo.isFile() && existing.open(QIODevice::ReadOnly) &&
        existing.read(header.size()) == header)
        return true;
    if (error)
        *error = makeError(
            Error::Kind::ForeignTarget,
            QCoreApplication::translate("Markdown",
                                        "Can't convert \"%1\" because file \"%2\" already exists.")
                .arg(QFileInfo(mdPath).fileName(), targetInfo.fileName()),
            QCoreApplication::translate("Markdown",
                                        "Remove or rename the HTML file. See Help for Markdown "
                                        "information."));
    return false;
}

bool convertFile(const QString& mdPath, QString* htmlPath, Error* error,
                 const QString& siteFolder) {
    Error localError;
    Error& err = error ? *error : localError;
    err = Error();
    const QString target = targetPath(mdPath);
    const QString targetName = QFileInfo(target).fileName();
    const QByteArray header(kGeneratedHeader);

    if (!mayReplaceTarget(mdPath, &err))
        return false;

    DocumentPtr doc;
    {
        // Read from a handle that is checked to be a regular file inside
        // the site (or the file's own folder): never through a link that
        // leads elsewhere, nor from a FIFO or a device.
        const QString folder = siteFolder.isEmpty() ? QFileInfo(mdPath).absolutePath() : siteFolder;
        confinedfile::Opened opened = confinedfile::openInside(folder, mdPath);
        errno = 0;
        FilePtr in(opened.ok() ? ::fdopen(opened.fd.get(), "rb") : nullptr);
        if (!in) {
            err = makeError(Error::Kind::ReadFailed,
                            QCoreApplication::translate("Markdown", "Can't read \"%1\".")
                                .arg(QFileInfo(mdPath).fileName()),
                            opened.ok() ? systemError(errno) : opened.problem);
            return false;
        }
        static_cast<void>(opened.fd.release()); // the stream closes it
        doc.reset(mkd_in(in.get(), 0));
        if (!doc || std::ferror(in.get())) {
            err = makeError(Error::Kind::ReadFailed,
                            QCoreApplication::translate("Markdown", "Can't read \"%1\".")
                                .arg(QFileInfo(mdPath).fileName()),
                            QString());
            return false;
        }
    }

    MemoryStream out;
    if (!out.get()) {
        err = makeError(
            Error::Kind::WriteFailed,
            QCoreApplication::translate("Markdown", "Can't write \"%1\".").arg(targetName),
            systemError(errno));
        return false;
    }
    std::fwrite(header.constData(), 1, size_t(header.size()), out.get());
    if (!render(std::move(doc), out.get())) {
        err = makeError(Error::Kind::ConvertFailed,
                        QCoreApplication::translate("Markdown", "Can't convert \"%1\".")
                            .arg(QFileInfo(mdPath).fileName()),
                        QString());
        return false;
    }
    const QByteArray bytes = out.take();

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        err = makeError(
            Error::Kind::WriteFailed,
            QCoreApplication::translate("Markdown", "Can't write \"%1\".").arg(targetName),
            file.errorString());
        return false;
    }
    if (htmlPath)
        *htmlPath = target;
    return true;
}

} // namespace morvane::markdown
