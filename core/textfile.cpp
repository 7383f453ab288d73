#include "core/textfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Closes the descriptor it holds.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Splits off the line ends: fills `ends` and returns the text with every
// end turned into '\n'.
QString normaliseLineEnds(const QString& in, std::vector<LineEnd>& ends) {
    if (!in.contains(u'\r')) {
        const qsizetype n = in.count(u'\n');
        ends.assign(size_t(n), LineEnd::LF);
        return in;
    }
    QString out;
    out.reserve(in.size());
    const QChar* p = in.constData();
    const qsizetype n = in.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = p[i];
        if (c == u'\r') {
            if (i + 1 < n && p[i + 1] == u'\n') {
                ends.push_back(LineEnd::CRLF);
                ++i;
            } else {
                ends.push_back(LineEnd::CR);
            }
            out += u'\n';
        } else {
            if (c == u'\n')
                ends.push_back(LineEnd::LF);
            out += c;
        }
    }
    return out;
}

LineEnd mostCommon(const std::vector<LineEnd>& ends) {
    size_t counts[3] = {0, 0, 0};
    for (LineEnd e : ends)
        ++counts[size_t(e)];
    if (counts[1] > counts[0] && counts[1] >= counts[2])
        return LineEnd::CRLF;
    if (counts[2] > counts[0] && counts[2] > counts[1])
        return LineEnd::CR;
    return LineEnd::LF;
}

const char* endBytes(LineEnd e) {
    switch (e) {
    case LineEnd::CRLF:
        return "\r\n";
    case LineEnd::CR:
        return "\r";
    case LineEnd::LF:
        break;
    }
    return "\n";
}

QString withLineEnds(const QString& text, const TextFormat& format) {
    const bool allLF = format.defaultLineEnd == LineEnd::LF &&
                       std::all_of(format.lineEnds.begin(), format.lineEnds.end(),
                                   [](LineEnd e) { return e == LineEnd::LF; });
    if (allLF)
        return text;
    QString out;
    out.reserve(text.size() + text.size() / 32);
    size_t line = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype nl = text.indexOf(u'\n', start);
        if (nl < 0) {
            out += QStringView(text).sliced(start);
            break;
        }
        out += QStringView(text).sliced(start, nl - start);
        const LineEnd e =
            line < format.lineEnds.size() ? format.lineEnds[line] : format.defaultLineEnd;
        out += QLatin1String(endBytes(e));
        ++line;
        start = nl + 1;
    }
    return out;
}

TextFileContents failure(ReadStatus status, const QString& why) {
    TextFileContents r;
    r.status = status;
    r.notText = status == ReadStatus::NotText;
    r.error = why;
    return r;
}

TextFileContents success(const QString& decoded, TextFormat format) {
    TextFileContents r;
    r.status = ReadStatus::Ok;
    r.ok = true;
    r.text = normaliseLineEnds(decoded, format.lineEnds);
    format.defaultLineEnd = mostCommon(format.lineEnds);
    r.format = std::move(format);
    return r;
}

} // namespace

TextFileContents decodeText(const QByteArray& bytes, bool nulMarksBinary) {
    using namespace encoding;
    TextFormat format;

    // UTF-16 announces itself with a byte-order mark, and is full of NULs.
    const bool le = bytes.startsWith("\xFF\xFE");
    if (le || bytes.startsWith("\xFE\xFF")) {
        QString text;
        format.encoding = le ? kUtf16LE : kUtf16BE;
        format.byteOrderMark = true;
        if (decode(format.encoding, QByteArrayView(bytes).sliced(2), &text))
            return success(text, std::move(format));
    }

    if (looksLikeNotText(bytes, nulMarksBinary))
        return failure(ReadStatus::NotText, QString());

    // UTF-8 first. A second byte-order mark right after the first is text,
    // not a marker: it is kept as U+FEFF so that it is written back.
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    QString text;
    if (decode(kUtf8, QByteArrayView(bytes).sliced(bom ? 3 : 0), &text)) {
        format.byteOrderMark = bom;
        return success(text, std::move(format));
    }

    // The charset the page declares, unless it is the UTF-8 just refused.
    const QString head = QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), 4096)));
    if (const auto declared = findDeclaredCharset(head)) {
        format.declaredCharset = declared->label;
        const QString name = canonicalName(declared->label);
        if (!name.isEmpty() && name != kUtf8 && !isUtf16(name)) {
            format.encoding = name;
            QByteArray back;
            if (!isSupported(name))
                return failure(ReadStatus::Undecodable,
                               QCoreApplication::translate(
                                   "TextFile",
                                   "The file is written in %1, which this program cannot "
                                   "convert here. It is shown read-only rather than guessed at.")
                                   .arg(displayName(name)));
            if (!decode(name, bytes, &text))
                return failure(ReadStatus::Undecodable,
                               QCoreApplication::translate(
                                   "TextFile",
                                   "The file says it is written in %1, but it holds bytes that "
                                   "are not valid %1.")
                                   .arg(displayName(name)));
            if (!encode(name, text, &back) || back != bytes)
                return failure(ReadStatus::Undecodable,
                               QCoreApplication::translate(
                                   "TextFile",
                                   "The file's %1 text could not be written back exactly as it "
                                   "is.")
                                   .arg(displayName(name)));
            return success(text, std::move(format));
        }
    }

    // What browsers read a page without a usable declaration as. Every byte
    // maps to one character and back.
    format.encoding = kWindows1252;
    decode(kWindows1252, bytes, &text);
    return success(text, std::move(format));
}

TextFileContents decodeTextAs(const QByteArray& bytes, const QString& name) {
    using namespace encoding;
    TextFormat format;
    format.encoding = name;
    QByteArrayView body(bytes);
    if (name == kUtf8 && bytes.startsWith("\xEF\xBB\xBF")) {
        format.byteOrderMark = true;
        body = body.sliced(3);
    } else if ((name == kUtf16LE && bytes.startsWith("\xFF\xFE")) ||
               (name == kUtf16BE && bytes.startsWith("\xFE\xFF"))) {
        format.byteOrderMark = true;
        body = body.sliced(2);
    } else if (isUtf16(name)) {
        format.byteOrderMark = true; // written with one, so that it reads back as UTF-16
    }
    if (const auto declared = findDeclaredCharset(
            QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), 4096)))))
        format.declaredCharset = declared->label;
    QString text;
    if (!decode(name, body, &text))
        return failure(
            ReadStatus::Undecodable,
            QCoreApplication::translate("TextFile", "The file holds bytes that are not valid %1.")
                .arg(displayName(name)));
    TextFileContents r = success(text, std::move(format));
    QByteArray back;
    if (!encodeText(r.text, r.format, &back) || (back != bytes && !isUtf16(name)))
        return failure(
            ReadStatus::Undecodable,
            QCoreApplication::translate(
                "TextFile", "The file's %1 text could not be written back exactly as it is.")
                .arg(displayName(name)));
    return r;
}

namespace {

// Reads a regular file of at most `sizeLimit` bytes and decodes it with `decode`.
template <typename Decode>
TextFileContents readAndDecode(const QString& path, std::int64_t sizeLimit, Decode decode) {
    // Opening does not wait: a named pipe without a writer would otherwise
    // block the window for good.
    const FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        return failure(ReadStatus::Unreadable, systemError(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return failure(ReadStatus::Unreadable, systemError(errno));
    if (!S_ISREG(st.st_mode)) {
        TextFileContents r =
            failure(ReadStatus::NotRegular,
                    QCoreApplication::translate("TextFile", "This is %1, not a regular file.")
                        .arg(describeFileType(st.st_mode)));
        return r;
    }
    if (sizeLimit >= 0 && st.st_size > sizeLimit) {
        TextFileContents r = failure(ReadStatus::TooLarge,
                                     QCoreApplication::translate("TextFile", "The file is %1 MB.")
                                         .arg(st.st_size / kMegabyte));
        r.size = st.st_size;
        return r;
    }

    QByteArray bytes;
    // One byte more than the file holds, so that the read that finds its end
    // needs no larger buffer.
    bytes.resize(qsizetype(st.st_size) + 1);
    qsizetype have = 0;
    for (;;) {
        // The file may grow while it is read: read up to its end.
        if (have == bytes.size())
            bytes.resize(std::max<qsizetype>(bytes.size() * 2, 4096));
        const ssize_t n = ::read(fd.get(), bytes.data() + have, size_t(bytes.size() - have));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failure(ReadStatus::Unreadable, systemError(errno));
        }
        if (n == 0)
            break;
        have += n;
    }
    bytes.truncate(have);

    TextFileContents r = decode(bytes);
    r.size = have;
    r.stamp.exists = true;
    r.stamp.size = std::int64_t(st.st_size);
    r.stamp.modifiedNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    r.stamp.inode = std::uint64_t(st.st_ino);
    r.stamp.device = std::uint64_t(st.st_dev);
    return r;
}

} // namespace

TextFileContents readTextFile(const QString& path, std::int64_t sizeLimit, bool nulMarksBinary) {
    return readAndDecode(path, sizeLimit, [nulMarksBinary](const QByteArray& bytes) {
        return decodeText(bytes, nulMarksBinary);
    });
}

TextFileContents readTextFileAs(const QString& path, const QString& encoding,
                                std::int64_t sizeLimit) {
    return readAndDecode(path, sizeLimit, [&encoding](const QByteArray& bytes) {
        // A file that is not text stays refused, whatever encoding is asked.
        TextFileContents guessed = decodeText(bytes);
        if (guessed.status == ReadStatus::NotText)
            return guessed;
        return decodeTextAs(bytes, encoding);
    });
}

bool encodeText(const QString& text, const TextFormat& format, QByteArray* out,
                qsizetype* firstBad) {
    const QString full = withLineEnds(text, format);
    QByteArray bytes;
    if (!encoding::encode(format.encoding, full, &bytes)) {
        // Line ends are plain ASCII: the culprit is in the text itself.
        if (firstBad) {
            QByteArray ignored;
            *firstBad = 0;
            encoding::encode(format.encoding, text, &ignored, firstBad);
        }
        return false;
    }
    if (format.byteOrderMark) {
        if (format.encoding == encoding::kUtf16LE)
            bytes.prepend("\xFF\xFE");
        else if (format.encoding == encoding::kUtf16BE)
            bytes.prepend("\xFE\xFF");
        else if (format.encoding == encoding::kUtf8)
            bytes.prepend("\xEF\xBB\xBF");
    }
    *out = std::move(bytes);
    return true;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    // Write through a symbolic link to the file it names, so the link stays.
    QString target = path;
    QFileInfo info(path);
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops) {
        target = info.symLinkTarget();
        info = QFileInfo(target);
    }

    if (info.isSymLink()) {
        // A loop of links: replacing one of them with a file would break it.
        if (error)
            *error = systemError(ELOOP);
        return false;
    }

    QSaveFile file(target);
    // QSaveFile keeps the permissions of an existing file. Unbuffered: a
    // buffered write that the system takes only in part (disk full, file size
    // limit) would otherwise be committed as if whole, truncating the file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace morvane
