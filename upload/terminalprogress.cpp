#include "upload/terminalprogress.h"

#include <QTextStream>

namespace morvane {

namespace {
// Back to the line's start, and the line erased.
constexpr const char* kClearLine = "\r\x1b[K";
} // namespace

TerminalProgress::TerminalProgress(QTextStream& err, bool enabled)
    : m_err(err), m_enabled(enabled) {
    m_clock.start();
}

TerminalProgress::~TerminalProgress() {
    makeWay();
}

void TerminalProgress::start(int filesTotal, qint64 bytesTotal) {
    m_clock.restart();
    m_model.start(filesTotal, bytesTotal, 0);
}

void TerminalProgress::setDone(int filesDone, qint64 bytesDone) {
    m_model.setDone(filesDone, bytesDone, m_clock.elapsed());
    if (!m_enabled)
        return;
    m_err << kClearLine << m_model.terminalText() << Qt::flush;
    m_shown = true;
}

void TerminalProgress::makeWay() {
    if (!m_shown)
        return;
    m_err << kClearLine << Qt::flush;
    m_shown = false;
}

} // namespace morvane
