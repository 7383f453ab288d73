#include "editor/matchcounter.h"

#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace morvane {

namespace {

// Counts up to the limit; stops early (returning false) once `abandoned`
// says the count is no longer wanted.
template <class Abandoned>
bool countInto(const Finder& finder, QStringView text, MatchCounter::Count& count,
               Abandoned&& abandoned) {
    bool wanted = true;
    finder.forEachMatch(text, 0, text.size() + 1, [&](const TextMatch& m) {
        if (abandoned()) {
            wanted = false;
            return false;
        }
        if (qsizetype(count.starts.size()) == MatchCounter::kLimit) {
            count.more = true;
            return false;
        }
        count.starts.push_back(m.start);
        return true;
    });
    return wanted && !abandoned();
}

} // namespace

struct MatchCounter::Shared {
    struct Job {
        quint64 request = 0;
        QString pattern;
        FindOptions options;
        QString text;
    };

    std::mutex mutex;
    std::condition_variable wake;
    // The request still wanted; a running count of any other one stops at
    // its next match.
    std::atomic<quint64> wanted{0};
    std::optional<Job> next;
    bool working = false;
    bool quit = false;
    // Cleared (under the mutex) when the counter goes, so that a count
    // finishing late posts its result nowhere.
    MatchCounter* receiver = nullptr;
    std::thread thread;

    static void run(const std::shared_ptr<Shared>& s) {
        std::unique_lock lock(s->mutex);
        for (;;) {
            s->wake.wait(lock, [&] { return s->quit || s->next.has_value(); });
            if (s->quit)
                return;
            Job job = std::move(*s->next);
            s->next.reset();
            s->working = true;
            lock.unlock();
            Count count;
            bool done = false;
            {
                // A search of its own: nothing of it is shared with the
                // window's thread.
                const Finder finder(job.pattern, job.options);
                done = countInto(finder, job.text, count, [&] {
                    return s->wanted.load(std::memory_order_relaxed) != job.request;
                });
            }
            job.text = QString();
            lock.lock();
            s->working = false;
            if (done && s->receiver) {
                MatchCounter* to = s->receiver;
                QMetaObject::invokeMethod(
                    to,
                    [to, request = job.request, c = std::move(count)] { to->deliver(request, c); },
                    Qt::QueuedConnection);
            }
            s->wake.notify_all();
        }
    }
};

MatchCounter::MatchCounter(QObject* parent) : QObject(parent), m_shared(new Shared) {
    m_shared->receiver = this;
}

MatchCounter::~MatchCounter() {
    std::shared_ptr<Shared> s = m_shared;
    bool stuck = false;
    {
        std::unique_lock lock(s->mutex);
        s->receiver = nullptr;
        s->quit = true;
        s->wanted = 0;
        s->next.reset();
        s->wake.notify_all();
        // An abandoned count stops at its next match. A single search step
        // of a pathological expression can take long; the window does not
        // wait for it: the thread is left to end on its own (it holds all
        // it uses).
        s->wake.wait_for(lock, std::chrono::milliseconds(500), [&] { return !s->working; });
        stuck = s->working;
    }
    if (s->thread.joinable()) {
        if (stuck)
            s->thread.detach();
        else
            s->thread.join();
    }
}

void MatchCounter::start(const Finder& finder, const QString& text) {
    const quint64 request = ++m_requests;
    m_busy = true;
    std::lock_guard lock(m_shared->mutex);
    m_shared->wanted = request;
    m_shared->next = Shared::Job{request, finder.pattern(), finder.options(), text};
    if (!m_shared->thread.joinable())
        m_shared->thread = std::thread(&Shared::run, m_shared);
    m_shared->wake.notify_all();
}

void MatchCounter::cancel() {
    m_busy = false;
    std::lock_guard lock(m_shared->mutex);
    m_shared->wanted = 0;
    m_shared->next.reset();
}

void MatchCounter::deliver(quint64 request, const Count& count) {
    if (!m_busy || request != m_requests)
        return;
    m_busy = false;
    Q_EMIT counted(count);
}

MatchCounter::Count MatchCounter::countNow(const Finder& finder, QStringView text) {
    Count count;
    countInto(finder, text, count, [] { return false; });
    return count;
}

} // namespace morvane
