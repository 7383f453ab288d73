// The one owner of the needing-upload record: every mark and unmark of the
// program goes through it. Each change is written at once (or, for the
// stream of files an upload confirms, within a short delay), a failed write
// is shown to the user, and changed() tells the outline to repaint its
// upload icons.
//
// The record file is shared with other processes (a `morvane upload` run
// from a terminal while the window is open): every write first reads the
// file again under a lock and applies this process's own unwritten changes
// on top, so neither side undoes the other's marks.
#pragma once

#include "upload/needinguploadrecord.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace morvane {

class UploadMarks : public QObject {
    Q_OBJECT
public:
    explicit UploadMarks(const QString& filePath, QObject* parent = nullptr);
    ~UploadMarks() override;

    QString filePath() const { return m_record.filePath(); }

    // Reads the record at start-up; reports nothing itself (the caller tells
    // the user about a record that had to be set aside).
    NeedingUploadRecord::LoadResult load(QString* setAsidePath = nullptr);
    // Reads the record file again, keeping this process's unwritten changes.
    void reload();

    bool contains(const QString& path) const { return m_record.contains(path); }
    QStringList paths() const { return m_record.paths(); }
    int size() const { return m_record.size(); }

    void mark(const QString& path);
    void unmark(const QString& path);
    // Several files at once (the files of folders chosen in the outline):
    // one write.
    void markAll(const QStringList& paths);
    void unmarkAll(const QStringList& paths);
    // A file or folder was renamed or moved away from `oldPath`: the marks of
    // that path and of every path below it go, and each of `newFiles` (the
    // files now at the new place) is marked, since the server holds none of
    // them under their new paths. One write.
    void moved(const QString& oldPath, const QStringList& newFiles);
    // Files the server confirmed: their marks go now, and reach the file
    // within writeDelay() (several confirmations share one write).
    void forgetSent(const QStringList& paths);
    // Writes a delayed change now. False when the write failed.
    bool flush();
    // Changes made here that the record file does not hold yet (delayed, or
    // their write failed).
    bool hasUnwrittenChanges() const { return !m_added.isEmpty() || !m_removed.isEmpty(); }

    // How long confirmations wait to share a write (250 ms unless set).
    void setWriteDelay(int milliseconds);
    int writeDelay() const { return m_writeTimer.interval(); }

Q_SIGNALS:
    // The set of marked paths may have changed.
    void changed();

private:
    bool write();
    // Reads the file into memory with this process's unwritten changes on top.
    NeedingUploadRecord::LoadResult readBack();
    void forgetInMemory(const QStringList& paths);
    void applyPending(NeedingUploadRecord& record) const;

    NeedingUploadRecord m_record;
    // Changes made here since the last successful write.
    QSet<QString> m_added;
    QSet<QString> m_removed;
    QTimer m_writeTimer;
    bool m_failureShown = false; // until a write succeeds again
};

} // namespace morvane
