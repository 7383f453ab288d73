// Counts the matches of a search in a copy of a text, on a thread of its
// own, so that the window answers while a large file is counted. The count
// stops at kLimit matches (the find bar then says "10,000+"), and a new
// count abandons the one still running: only the latest count is ever
// reported, so a count of text that has changed since is never shown.
#pragma once

#include "editor/findengine.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace morvane {

class MatchCounter : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kLimit = 10'000;

    struct Count {
        // The starts of the matches, in order; at most kLimit of them.
        std::vector<qsizetype> starts;
        // There are more than kLimit matches.
        bool more = false;
    };

    explicit MatchCounter(QObject* parent = nullptr);
    ~MatchCounter() override;

    // Starts counting the matches of `finder` in `text` (a copy that the
    // counting thread shares; the caller may change its own afterwards).
    // A count still running is abandoned.
    void start(const Finder& finder, const QString& text);
    // Abandons the count running, if any: it is not reported.
    void cancel();
    // A count was started and has been neither reported nor abandoned.
    bool isBusy() const { return m_busy; }

    // The same count, done on the calling thread (for the tests and the
    // benchmarks, and for texts too small to be worth a thread).
    static Count countNow(const Finder& finder, QStringView text);

Q_SIGNALS:
    // The latest count started, on the thread this object lives in.
    void counted(const morvane::MatchCounter::Count& count);

private:
    struct Shared;
    void deliver(quint64 request, const Count& count);

    std::shared_ptr<Shared> m_shared;
    quint64 m_requests = 0;
    bool m_busy = false;
};

} // namespace morvane
