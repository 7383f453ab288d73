#include "transfer/transferprogress.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("morvane::TransferProgress", text);
}
} // namespace

void TransferProgress::start(int filesTotal, qint64 bytesTotal, qint64 nowMs) {
    *this = TransferProgress();
    m_filesTotal = std::max(0, filesTotal);
    m_bytesTotal = std::max<qint64>(0, bytesTotal);
    m_startMs = nowMs;
    m_nowMs = nowMs;
}

void TransferProgress::setDone(int filesDone, qint64 bytesDone, qint64 nowMs) {
    m_filesDone = std::max(0, filesDone);
    m_bytesDone = std::max<qint64>(0, bytesDone);
    m_nowMs = std::max(m_nowMs, nowMs);
}

void TransferProgress::setCurrentFile(const QString& path, qint64 size) {
    m_currentPath = path;
    m_currentSize = std::max<qint64>(0, size);
    m_currentBytes = 0;
}

double TransferProgress::bytesPerSecond() const {
    if (m_bytesDone <= 0)
        return 0.0;
    const qint64 ms = std::max<qint64>(1, m_nowMs - m_startMs);
    return double(m_bytesDone) * 1000.0 / double(ms);
}

qint64 TransferProgress::secondsLeft() const {
    const double speed = bytesPerSecond();
    if (speed <= 0.0 || m_bytesTotal <= m_bytesDone)
        return -1;
    // Until a second has passed and a hundredth of the bytes is done, the
    // speed says little: the first files of a site are often its small
    // pages, sent at the pace of the server's replies rather than of the
    // line, and would promise hours for what takes seconds.
    if (m_nowMs - m_startMs < 1000 || m_bytesDone * 100 < m_bytesTotal)
        return -1;
    return qint64(std::ceil(double(m_bytesTotal - m_bytesDone) / speed));
}

QString TransferProgress::sizeText(qint64 bytes) {
    constexpr qint64 kKB = 1024;
    if (bytes < kKB)
        return tr("%1 B").arg(bytes);
    if (bytes < kKB * kKB)
        return tr("%1 KB").arg(double(bytes) / double(kKB), 0, 'f', 1);
    if (bytes < kKB * kKB * kKB)
        return tr("%1 MB").arg(double(bytes) / double(kKB * kKB), 0, 'f', 1);
    return tr("%1 GB").arg(double(bytes) / double(kKB * kKB * kKB), 0, 'f', 1);
}

QString TransferProgress::durationText(qint64 seconds) {
    if (seconds < 60)
        return tr("%1 s").arg(seconds);
    if (seconds < 3600)
        return tr("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return tr("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString TransferProgress::countsText() const {
    QString files = m_filesTotal == 1 ? tr("%1 of 1 file").arg(m_filesDone)
                                      : tr("%1 of %2 files").arg(m_filesDone).arg(m_filesTotal);
    if (m_bytesTotal <= 0)
        return files;
    QString text = tr("%1, %2 of %3, %4/s")
                       .arg(files, sizeText(m_bytesDone), sizeText(m_bytesTotal),
                            sizeText(qint64(bytesPerSecond())));
    const qint64 left = secondsLeft();
    if (left >= 0)
        text += tr(", about %1 left").arg(durationText(left));
    return text;
}

QString TransferProgress::terminalText() const {
    QString text = tr("%1/%2 files").arg(m_filesDone).arg(m_filesTotal);
    if (m_bytesTotal > 0) {
        text += tr(", %1 of %2, %3/s")
                    .arg(sizeText(m_bytesDone), sizeText(m_bytesTotal),
                         sizeText(qint64(bytesPerSecond())));
        const qint64 left = secondsLeft();
        if (left >= 0)
            text += tr(", %1 left").arg(durationText(left));
    }
    return text;
}

} // namespace morvane
