#include "editor/sitesearch.h"

#include "core/textfile.h"

#include <QByteArrayMatcher>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

#include <cctype>
#include <chrono>
#include <cstring>
#include <utility>

namespace morvane {

namespace {

constexpr qsizetype kLineTextMax = 300;

// A quick look at a file's bytes before it is decoded: a literal search
// for ASCII text cannot match a file whose bytes do not hold it (in any
// letter case when case does not matter; line breaks, which may be CR LF
// in the file, are left to the full search). Files in UTF-16 are always
// decoded. Most files of a site hold no match, and skip the decoding.
class BytePrefilter {
public:
    BytePrefilter(const QString& pattern, FindOptions options) {
        if (options.regularExpression || pattern.isEmpty())
            return;
        for (QChar c : pattern)
            if (c.unicode() < 0x20 || c.unicode() > 0x7e)
                return;
        m_caseSensitive = options.caseSensitive;
        m_needle = pattern.toLatin1();
        if (!m_caseSensitive)
            m_needle = m_needle.toLower();
        m_matcher.setPattern(m_needle);
        m_active = true;
    }
    // False only when the bytes surely hold no match.
    bool mayMatch(const QByteArray& bytes) const {
        if (!m_active || bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff"))
            return true;
        if (m_caseSensitive)
            return m_matcher.indexIn(bytes) >= 0;
        const char first = m_needle.front();
        const char upper = char(std::toupper(static_cast<unsigned char>(first)));
        const qsizetype n = m_needle.size();
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        while (p + n <= end) {
            const void* a = std::memchr(p, first, size_t(end - p));
            const void* b = upper != first ? std::memchr(p, upper, size_t(end - p)) : nullptr;
            const char* at = static_cast<const char*>(!a ? b : !b ? a : std::min(a, b));
            if (!at || at + n > end)
                return false;
            qsizetype i = 1;
            while (i < n && std::tolower(static_cast<unsigned char>(at[i])) == m_needle[i])
                ++i;
            if (i == n)
                return true;
            p = at + 1;
        }
        return false;
    }

private:
    bool m_active = false;
    bool m_caseSensitive = false;
    QByteArray m_needle;
    QByteArrayMatcher m_matcher;
};

} // namespace

QStringList SiteSearchRequest::defaultExcludedFolders() {
    return {QStringLiteral(".git"),         QStringLiteral(".svn"),   QStringLiteral(".hg"),
            QStringLiteral("node_modules"), QStringLiteral("vendor"), QStringLiteral(".cache"),
            QStringLiteral("__pycache__"),  QStringLiteral(".idea")};
}

QList<SiteMatch> siteMatchesIn(const Finder& finder, QStringView text) {
    QList<SiteMatch> out;
    int line = 1;
    qsizetype lineStart = 0;
    qsizetype scanned = 0;
    finder.forEachMatch(text, 0, text.size() + 1, [&](const TextMatch& m) {
        // Count the line breaks up to the match, once over the text.
        for (; scanned < m.start; ++scanned) {
            if (text[scanned] == u'\n') {
                ++line;
                lineStart = scanned + 1;
            }
        }
        qsizetype lineEnd = text.indexOf(u'\n', m.start);
        if (lineEnd < 0)
            lineEnd = text.size();
        SiteMatch sm;
        sm.line = line;
        sm.column = int(m.start - lineStart) + 1;
        sm.start = m.start;
        sm.length = m.length;
        sm.lineText =
            text.sliced(lineStart, std::min(lineEnd - lineStart, kLineTextMax)).toString();
        out.append(sm);
        return true;
    });
    return out;
}

SiteSearch::SiteSearch(QObject* parent) : QObject(parent) {}

SiteSearch::~SiteSearch() {
    if (m_stop)
        m_stop->store(true);
    join();
}

void SiteSearch::join() {
    if (m_thread.joinable())
        m_thread.join();
}

void SiteSearch::stop() {
    if (m_stop)
        m_stop->store(true);
}

bool SiteSearch::start(const SiteSearchRequest& request) {
    const Finder finder(request.pattern, request.options);
    if (!finder.isUsable())
        return false;
    stop();
    join();
    m_stop = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    const int generation = ++m_generation;
    QPointer<SiteSearch> self(this);
    // Results reach this object on its own thread; a finished search of an
    // earlier start is told apart by its generation.
    const auto post = [self, generation](auto fn) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, fn = std::move(fn)] {
                if (self && self->m_generation == generation)
                    fn(*self);
            },
            Qt::QueuedConnection);
    };
    m_thread = std::thread([request, finder, stopFlag = m_stop, post] {
        using Clock = std::chrono::steady_clock;
        const BytePrefilter prefilter(request.pattern, request.options);
        QList<SiteFileResult> batch;
        int searched = 0;
        auto lastSent = Clock::now();
        bool first = true;
        const auto flush = [&] {
            if (!batch.isEmpty())
                post([b = std::exchange(batch, {})](SiteSearch& s) { Q_EMIT s.found(b); });
            const int n = searched;
            post([n](SiteSearch& s) { Q_EMIT s.progress(n); });
            lastSent = Clock::now();
        };
        // A stack of folders rather than the iterator's own recursion, so
        // that excluded folders are never entered.
        QStringList folders{request.root};
        while (!folders.isEmpty() && !stopFlag->load()) {
            QDirIterator dir(folders.takeFirst(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot |
                                                      QDir::Hidden | QDir::NoSymLinks);
            QStringList sub;
            while (dir.hasNext() && !stopFlag->load()) {
                dir.next();
                const QFileInfo info = dir.fileInfo();
                if (info.isDir()) {
                    if (!request.excludedFolders.contains(info.fileName()))
                        sub.append(info.filePath());
                    continue;
                }
                const QString path = info.filePath();
                ++searched;
                SiteFileResult result;
                result.path = path;
                if (auto open = request.openTexts.constFind(path);
                    open != request.openTexts.constEnd()) {
                    result.fromEditor = true;
                    result.matches = siteMatchesIn(finder, *open);
                } else {
                    if (info.size() > request.sizeLimit)
                        continue;
                    // The stamp first: a file written after it no longer
                    // matches it, and Replace All then leaves it alone.
                    result.stamp = stampOf(path);
                    QFile file(path);
                    if (!file.open(QIODevice::ReadOnly))
                        continue;
                    // Its size is known: a read of the size limit would
                    // set aside that much memory for every file.
                    const QByteArray bytes = file.read(info.size() + 1);
                    if (bytes.size() > request.sizeLimit || !prefilter.mayMatch(bytes))
                        continue;
                    // Recognising a file that is not text costs more than
                    // searching it: a file in UTF-8 (most of a site) is
                    // first searched as it is, and fully read only when it
                    // holds a match.
                    const QByteArrayView head =
                        QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), kSniffBytes));
                    const bool utf16 = bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff");
                    if (!utf16 && head.contains('\0'))
                        continue;
                    if (!utf16 && QUtf8StringView(bytes).isValidUtf8()) {
                        // With its line ends as the editor shows them.
                        QString quick = QString::fromUtf8(bytes);
                        if (quick.contains(u'\r')) {
                            quick.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                            quick.replace(u'\r', u'\n');
                        }
                        if (!finder.nextMatch(quick, 0))
                            continue;
                    }
                    const TextFileContents contents = decodeText(bytes);
                    if (!contents.ok)
                        continue;
                    result.matches = siteMatchesIn(finder, contents.text);
                }
                if (!result.matches.isEmpty())
                    batch.append(std::move(result));
                // The first results as soon as there are any, then a few
                // times a second.
                if ((first && !batch.isEmpty()) ||
                    Clock::now() - lastSent > std::chrono::milliseconds(100)) {
                    first = first && batch.isEmpty();
                    flush();
                }
            }
            sub.sort();
            folders = sub + folders;
        }
        flush();
        const bool stopped = stopFlag->load();
        post([stopped, searched](SiteSearch& s) {
            s.m_running = false;
            Q_EMIT s.finished(stopped, searched);
        });
    });
    return true;
}

ReplaceFileResult replaceInFile(const QString& path, const FileStamp& searched,
                                const Finder& finder, const QString& replacement) {
    ReplaceFileResult result;
    if (!(stampOf(path) == searched)) {
        result.status = ReplaceFileStatus::ChangedOnDisk;
        return result;
    }
    // A file without its owner's write permission counts as read-only even
    // for a user who could write it anyway.
    const QFileInfo info(path);
    if (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner)) {
        result.status = ReplaceFileStatus::ReadOnly;
        return result;
    }
    const TextFileContents contents = readTextFile(path);
    if (!contents.ok) {
        result.error = contents.error;
        return result;
    }
    if (!(contents.stamp == searched)) {
        result.status = ReplaceFileStatus::ChangedOnDisk;
        return result;
    }
    const Finder::Replaced replaced = finder.replaceAll(contents.text, replacement);
    if (replaced.count == 0) {
        result.status = ReplaceFileStatus::NoMatch;
        return result;
    }
    const QString text =
        contents.text.first(replaced.from) + replaced.text + contents.text.sliced(replaced.to);
    // The line ends of the lines before the change stay as they were; the
    // ends after it move with the lines when the replacement adds or
    // removes line breaks.
    TextFormat format = contents.format;
    const qsizetype oldBreaks =
        contents.text.sliced(replaced.from, replaced.to - replaced.from).count(u'\n');
    const qsizetype newBreaks = replaced.text.count(u'\n');
    if (oldBreaks != newBreaks) {
        const size_t firstLine = size_t(contents.text.first(replaced.from).count(u'\n'));
        auto& ends = format.lineEnds;
        const size_t at = std::min(firstLine, ends.size());
        if (newBreaks > oldBreaks)
            ends.insert(ends.begin() + ptrdiff_t(at), size_t(newBreaks - oldBreaks),
                        format.defaultLineEnd);
        else
            ends.erase(ends.begin() + ptrdiff_t(at),
                       ends.begin() +
                           ptrdiff_t(std::min(ends.size(), at + size_t(oldBreaks - newBreaks))));
    }
    QByteArray bytes;
    if (!encodeText(text, format, &bytes)) {
        result.status = ReplaceFileStatus::Unencodable;
        return result;
    }
    // Once more just before writing: another program may have written the
    // file while it was being replaced here.
    if (!(stampOf(path) == searched)) {
        result.status = ReplaceFileStatus::ChangedOnDisk;
        return result;
    }
    if (!writeFileAtomically(path, bytes, &result.error)) {
        result.status = ReplaceFileStatus::WriteFailed;
        return result;
    }
    result.status = ReplaceFileStatus::Replaced;
    result.count = replaced.count;
    return result;
}

} // namespace morvane
