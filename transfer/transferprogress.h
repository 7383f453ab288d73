// The numbers a transfer's progress display shows, without a widget: files
// done of the total, bytes done of the total, the speed so far and the time
// left, and the file being sent or fetched with its own bytes. The windows
// (transferprogressview.h) and the command line's one-line display read
// their texts from here, so the figures are worked out in one place.
#pragma once

#include <QString>

namespace morvane {

class TransferProgress {
public:
    // A file larger than this gets a bar of its own.
    static constexpr qint64 kFileBarAbove = qint64{1024} * 1024;

    // The totals of the run; `nowMs` is a monotonic clock in milliseconds
    // (the speed is the bytes done over the time since the start).
    void start(int filesTotal, qint64 bytesTotal, qint64 nowMs);
    void setDone(int filesDone, qint64 bytesDone, qint64 nowMs);
    // The file in flight (relative path, its size) and its bytes so far.
    void setCurrentFile(const QString& path, qint64 size);
    void setCurrentBytes(qint64 bytes) { m_currentBytes = bytes; }

    int filesDone() const { return m_filesDone; }
    int filesTotal() const { return m_filesTotal; }
    qint64 bytesDone() const { return m_bytesDone; }
    qint64 bytesTotal() const { return m_bytesTotal; }
    QString currentFile() const { return m_currentPath; }
    qint64 currentSize() const { return m_currentSize; }
    qint64 currentBytes() const { return m_currentBytes; }

    // Bytes per second since the start; 0 before any byte is done.
    double bytesPerSecond() const;
    // Whole seconds left at the speed so far, rounded up; -1 when it can't
    // be told (no speed yet, nothing left, no byte total, or less than a
    // second or a hundredth of the bytes done).
    qint64 secondsLeft() const;
    // Whether the current file is large enough for a bar of its own.
    bool showsFileBar() const { return m_currentSize > kFileBarAbove; }

    // "3 of 10 files, 1.2 MB of 5.0 MB, 300.0 KB/s, about 12 s left"; a run
    // without bytes (deletions) shows the files only.
    QString countsText() const;
    // The same, short, for a terminal line.
    QString terminalText() const;
    // "512 B", "1.5 KB", "3.2 MB", "1.1 GB".
    static QString sizeText(qint64 bytes);
    // "12 s", "3 min 5 s", "2 h 10 min".
    static QString durationText(qint64 seconds);

private:
    int m_filesTotal = 0;
    int m_filesDone = 0;
    qint64 m_bytesTotal = 0;
    qint64 m_bytesDone = 0;
    qint64 m_startMs = 0;
    qint64 m_nowMs = 0;
    QString m_currentPath;
    qint64 m_currentSize = 0;
    qint64 m_currentBytes = 0;
};

} // namespace morvane
