#include "editor/sitereplace.h"

#include "core/textfile.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

namespace morvane {

namespace {
constexpr int kWorkers = 4;
} // namespace

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

SiteReplace::SiteReplace(QObject* parent) : QObject(parent) {}

SiteReplace::~SiteReplace() {
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

void SiteReplace::stop() {
    if (m_stop)
        m_stop->store(true);
}

void SiteReplace::replaceEnded(bool stopped, int filesDone) {
    m_running = false;
    Q_EMIT finished(stopped, filesDone);
}

bool SiteReplace::start(const QList<SiteReplaceFile>& files, const QString& pattern,
                        FindOptions options, const QString& replacement) {
    if (m_running || !Finder(pattern, options).isUsable())
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_stop = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    QPointer<SiteReplace> self(this);
    const auto post = [self](auto fn) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, fn = std::move(fn)] {
                if (self)
                    fn(*self);
            },
            Qt::QueuedConnection);
    };
    m_thread = std::thread([files, pattern, options, replacement, stopFlag = m_stop, post] {
        using Clock = std::chrono::steady_clock;
        // A few workers: most of a file's time is the wait for the disk to
        // confirm its atomic write, and the others replace meanwhile.
        std::atomic<qsizetype> next{0};
        std::mutex mutex;
        QList<SiteReplaceOutcome> batch;
        int done = 0;
        auto lastSent = Clock::now();
        const int total = int(files.size());
        const auto report = [&] {
            post([b = std::exchange(batch, {}), done, total](SiteReplace& s) {
                Q_EMIT s.filesDone(b, done, total);
            });
            lastSent = Clock::now();
        };
        const auto work = [&] {
            const Finder finder(pattern, options); // one per thread
            for (qsizetype i; !stopFlag->load() && (i = next++) < files.size();) {
                const SiteReplaceFile& f = files[i];
                SiteReplaceOutcome outcome{f.path,
                                           replaceInFile(f.path, f.stamp, finder, replacement)};
                const std::lock_guard lock(mutex);
                batch.append(std::move(outcome));
                ++done;
                // The first file at once, so that progress shows, then a
                // few times a second.
                if (done == 1 || Clock::now() - lastSent > std::chrono::milliseconds(50))
                    report();
            }
        };
        std::vector<std::thread> helpers;
        for (int i = 1; i < kWorkers; ++i)
            helpers.emplace_back(work);
        work();
        for (std::thread& t : helpers)
            t.join();
        report();
        const bool stopped = stopFlag->load() && done < total;
        post([stopped, done](SiteReplace& s) { s.replaceEnded(stopped, done); });
    });
    return true;
}

} // namespace morvane
