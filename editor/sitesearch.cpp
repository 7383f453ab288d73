#include "editor/sitesearch.h"

#include "core/textfile.h"
#include "editor/siteprefilter.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

namespace {

constexpr qsizetype kLineTextMax = 300;

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
        for (qsizetype nl; (nl = text.indexOf(u'\n', scanned)) >= 0 && nl < m.start;) {
            ++line;
            lineStart = scanned = nl + 1;
        }
        scanned = std::max(scanned, m.start);
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

namespace {

using Clock = std::chrono::steady_clock;

// A file opened for reading by its native name, closed when this goes.
class OpenedFile {
public:
    explicit OpenedFile(const QByteArray& name)
        : m_fd(::open(name.constData(), O_RDONLY | O_CLOEXEC)) {}
    ~OpenedFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
    bool ok() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // Reads up to `most` bytes into `out` (its memory kept from file to
    // file); false on a read error.
    bool readInto(QByteArray& out, qsizetype most) const {
        out.resize(most);
        qsizetype got = 0;
        while (got < most) {
            const ssize_t n = ::read(m_fd, out.data() + got, size_t(most - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                break;
            got += n;
        }
        out.resize(got);
        return true;
    }

private:
    int m_fd;
};
using Post = std::function<void(std::function<void(SiteSearch&)>)>;

// One search: the folder walk on the thread that runs it, and a few
// workers that read and search the files the walk has found so far. The
// results are handed on in the walk's order (a stable order, grouped by
// file): a file done early waits for those found before it.
class SearchRun {
public:
    SearchRun(SiteSearchRequest request, std::shared_ptr<std::atomic<bool>> stop, Post post)
        : m_request(std::move(request)), m_stop(std::move(stop)), m_post(std::move(post)),
          m_prefilter(m_request.pattern, m_request.options) {}

    void run() {
        const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
        const unsigned workers = std::clamp(cores, 2U, 4U);
        std::vector<std::thread> pool;
        pool.reserve(workers);
        for (unsigned i = 0; i < workers; ++i)
            pool.emplace_back([this] { work(); });
        walk();
        {
            const std::lock_guard lock(m_mutex);
            m_walkDone = true;
        }
        m_wake.notify_all();
        for (std::thread& t : pool)
            t.join();
        const std::lock_guard lock(m_mutex);
        flush();
        const bool stopped = m_stop->load();
        const int searched = int(m_delivered);
        m_post([stopped, searched](SiteSearch& s) { s.searchEnded(stopped, searched); });
    }

private:
    bool stopped() const { return m_stop->load(std::memory_order_relaxed); }

    // A stack of folders rather than the iterator's own recursion, so that
    // excluded folders are never entered; each folder's files in name order.
    void walk() {
        QStringList folders{m_request.root};
        while (!folders.isEmpty() && !stopped()) {
            QDirIterator dir(folders.takeFirst(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot |
                                                      QDir::Hidden | QDir::NoSymLinks);
            QStringList sub;
            std::vector<std::pair<QString, QString>> files; // name, path
            while (dir.hasNext() && !stopped()) {
                dir.next();
                const QFileInfo info = dir.fileInfo();
                if (!info.isDir())
                    files.emplace_back(info.fileName(), info.filePath());
                else if (!m_request.excludedFolders.contains(info.fileName()))
                    sub.append(info.filePath());
            }
            // By name: the folder's part of the paths is the same for all.
            std::sort(files.begin(), files.end(),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
            if (!files.empty()) {
                {
                    const std::lock_guard lock(m_mutex);
                    for (auto& file : files)
                        m_paths.push_back(std::move(file.second));
                    m_done.resize(m_paths.size());
                }
                m_wake.notify_all();
            }
            sub.sort();
            folders = sub + folders;
        }
    }

    void work() {
        // A finder of its own: a regular expression is not to be shared
        // between threads.
        const Finder finder(m_request.pattern, m_request.options);
        QByteArray buffer;
        for (;;) {
            std::size_t index = 0;
            QString path;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock,
                            [this] { return m_taken < m_paths.size() || m_walkDone || stopped(); });
                if (stopped() || m_taken >= m_paths.size())
                    return;
                index = m_taken++;
                path = m_paths[index];
            }
            auto result = std::make_unique<SiteFileResult>(searchFile(finder, path, buffer));
            const std::lock_guard lock(m_mutex);
            m_done[index] = std::move(result);
            deliver();
        }
    }

    // The file's matches (none for a file that is not searched).
    SiteFileResult searchFile(const Finder& finder, const QString& path, QByteArray& buffer) const {
        SiteFileResult result;
        result.path = path;
        if (auto open = m_request.openTexts.constFind(path);
            open != m_request.openTexts.constEnd()) {
            result.fromEditor = true;
            result.matches = siteMatchesIn(finder, *open);
            return result;
        }
        // The stamp from the file as opened: a file written after it no
        // longer matches it, and Replace All then leaves it alone.
        const OpenedFile file(QFile::encodeName(path));
        struct stat st {};
        if (!file.ok() || ::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode))
            return result;
        result.stamp.exists = true;
        result.stamp.size = std::int64_t(st.st_size);
        result.stamp.modifiedNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        result.stamp.inode = std::uint64_t(st.st_ino);
        result.stamp.device = std::uint64_t(st.st_dev);
        if (result.stamp.size > m_request.sizeLimit)
            return result;
        // Read at its size as opened into the worker's buffer (a file
        // written since no longer matches its stamp); only a file that may
        // match is copied out.
        if (!file.readInto(buffer, qsizetype(result.stamp.size)) || !m_prefilter.mayMatch(buffer))
            return result;
        const QByteArray bytes(buffer.constData(), buffer.size());
        // Recognising a file that is not text costs more than searching it:
        // a file in UTF-8 (most of a site) is first searched as it is, and
        // fully read only when it holds a match.
        const QByteArrayView head =
            QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), kSniffBytes));
        const bool utf16 = bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff");
        if (!utf16 && head.contains('\0'))
            return result;
        if (!utf16 && QUtf8StringView(bytes).isValidUtf8()) {
            // With its line ends as the editor shows them.
            QString quick = QString::fromUtf8(bytes);
            if (quick.contains(u'\r')) {
                quick.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                quick.replace(u'\r', u'\n');
            }
            if (!finder.nextMatch(quick, 0))
                return result;
        }
        const TextFileContents contents = decodeText(bytes);
        if (contents.ok)
            result.matches = siteMatchesIn(finder, contents.text);
        return result;
    }

    // With the lock held: hands on the files done in the walk's order, the
    // first results as soon as there are any, then a few times a second.
    void deliver() {
        while (m_delivered < m_done.size() && m_done[m_delivered]) {
            std::unique_ptr<SiteFileResult> r = std::move(m_done[m_delivered]);
            ++m_delivered;
            if (!r->matches.isEmpty())
                m_batch.append(std::move(*r));
        }
        if ((m_first && !m_batch.isEmpty()) ||
            Clock::now() - m_lastSent > std::chrono::milliseconds(100)) {
            m_first = m_first && m_batch.isEmpty();
            flush();
        }
    }

    // With the lock held, so that batches leave in order.
    void flush() {
        if (!m_batch.isEmpty())
            m_post([b = std::exchange(m_batch, {})](SiteSearch& s) { Q_EMIT s.found(b); });
        const int n = int(m_delivered);
        m_post([n](SiteSearch& s) { Q_EMIT s.progress(n); });
        m_lastSent = Clock::now();
    }

    const SiteSearchRequest m_request;
    const std::shared_ptr<std::atomic<bool>> m_stop;
    const Post m_post;
    const BytePrefilter m_prefilter;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<QString> m_paths;                        // found by the walk
    std::vector<std::unique_ptr<SiteFileResult>> m_done; // by index, until handed on
    std::size_t m_taken = 0;
    std::size_t m_delivered = 0;
    bool m_walkDone = false;
    QList<SiteFileResult> m_batch;
    bool m_first = true;
    Clock::time_point m_lastSent = Clock::now();
};

} // namespace

bool SiteSearch::start(const SiteSearchRequest& request) {
    if (!Finder(request.pattern, request.options).isUsable())
        return false;
    stop();
    join();
    m_stop = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    const int generation = ++m_generation;
    QPointer<SiteSearch> self(this);
    // Results reach this object on its own thread; those of an earlier
    // start are told apart by their generation.
    Post post = [self, generation](std::function<void(SiteSearch&)> fn) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, fn = std::move(fn)] {
                if (self && self->m_generation == generation)
                    fn(*self);
            },
            Qt::QueuedConnection);
    };
    m_thread = std::thread(
        [run = std::make_shared<SearchRun>(request, m_stop, std::move(post))] { run->run(); });
    return true;
}

void SiteSearch::searchEnded(bool stopped, int filesSearched) {
    m_running = false;
    Q_EMIT finished(stopped, filesSearched);
}

} // namespace morvane
