// The command line's one-line progress display on standard error: files
// and bytes done of the totals, the speed and the time left, rewritten in
// place. It shows only when enabled (standard error is a terminal); then
// nothing extra is written at all. The figures come from TransferProgress,
// as in the windows.
#pragma once

#include "transfer/transferprogress.h"

#include <QElapsedTimer>

class QTextStream;

namespace morvane {

class TerminalProgress {
public:
    TerminalProgress(QTextStream& err, bool enabled);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void start(int filesTotal, qint64 bytesTotal);
    void setDone(int filesDone, qint64 bytesDone);
    // Clears the line, so that a line of other output starts at its left.
    void makeWay();

private:
    QTextStream& m_err;
    bool m_enabled;
    bool m_shown = false;
    TransferProgress m_model;
    QElapsedTimer m_clock;
};

} // namespace morvane
