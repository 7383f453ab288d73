#include "upload/uploadmarks.h"

#include "core/paths.h"
#include "core/platform.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLockFile>

namespace morvane {

UploadMarks::UploadMarks(const QString& filePath, QObject* parent)
    : QObject(parent), m_record(filePath) {
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(250);
    connect(&m_writeTimer, &QTimer::timeout, this, [this] { write(); });
}

UploadMarks::~UploadMarks() {
    // A last delayed change still goes out; there is no one left to tell of
    // a failure then.
    if (m_writeTimer.isActive()) {
        m_failureShown = true;
        write();
    }
}

void UploadMarks::setWriteDelay(int milliseconds) {
    m_writeTimer.setInterval(std::max(0, milliseconds));
}

NeedingUploadRecord::LoadResult UploadMarks::load(QString* setAsidePath) {
    m_added.clear();
    m_removed.clear();
    const auto result = m_record.load(setAsidePath);
    Q_EMIT changed();
    return result;
}

void UploadMarks::applyPending(NeedingUploadRecord& record) const {
    for (const QString& p : m_added)
        record.mark(p);
    for (const QString& p : m_removed)
        record.unmark(p);
}

NeedingUploadRecord::LoadResult UploadMarks::readBack() {
    NeedingUploadRecord fresh(m_record.filePath());
    QString aside;
    const auto loaded = fresh.load(&aside);
    switch (loaded) {
    case NeedingUploadRecord::LoadResult::Missing:
    case NeedingUploadRecord::LoadResult::Loaded:
        applyPending(fresh);
        m_record = std::move(fresh);
        break;
    case NeedingUploadRecord::LoadResult::SetAside:
        // Someone else left a file that is no record; it was kept aside. What
        // this process holds is the best there is: it is written anew.
        for (const QString& p : m_record.paths())
            m_added.insert(p);
        m_removed.clear();
        applyPending(fresh);
        m_record = std::move(fresh);
        Platform::instance().alert(
            QCoreApplication::translate("morvane::UploadMarks",
                                        "The list of files needing upload could not be read."),
            QCoreApplication::translate(
                "morvane::UploadMarks",
                "It was kept as \"%1\"; the marks known here were written in its "
                "place.")
                .arg(aside));
        break;
    case NeedingUploadRecord::LoadResult::Unreadable:
        // Left as it is; the next write reports it.
        break;
    }
    return loaded;
}

void UploadMarks::reload() {
    if (readBack() == NeedingUploadRecord::LoadResult::SetAside)
        write();
    else
        Q_EMIT changed();
}

void UploadMarks::mark(const QString& path) {
    m_removed.remove(path);
    m_added.insert(path);
    m_record.mark(path);
    write();
}

void UploadMarks::unmark(const QString& path) {
    m_added.remove(path);
    m_removed.insert(path);
    m_record.unmark(path);
    write();
}

void UploadMarks::markAll(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    for (const QString& p : paths) {
        m_removed.remove(p);
        m_added.insert(p);
        m_record.mark(p);
    }
    write();
}

void UploadMarks::unmarkAll(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    forgetInMemory(paths);
    write();
}

void UploadMarks::moved(const QString& oldPath, const QStringList& newFiles) {
    QString below = oldPath;
    if (!below.endsWith(QLatin1Char('/')))
        below += QLatin1Char('/');
    QStringList gone;
    for (const QString& p : m_record.paths())
        if (p == oldPath || p.startsWith(below))
            gone << p;
    for (const QString& p : gone) {
        m_added.remove(p);
        m_removed.insert(p);
        m_record.unmark(p);
    }
    for (const QString& p : newFiles) {
        m_removed.remove(p);
        m_added.insert(p);
        m_record.mark(p);
    }
    write();
}

void UploadMarks::forgetInMemory(const QStringList& paths) {
    for (const QString& p : paths) {
        m_added.remove(p);
        m_removed.insert(p);
        m_record.unmark(p);
    }
}

void UploadMarks::forgetSent(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    forgetInMemory(paths);
    Q_EMIT changed();
    if (!m_writeTimer.isActive())
        m_writeTimer.start();
}

bool UploadMarks::flush() {
    if (!m_writeTimer.isActive())
        return m_added.isEmpty() && m_removed.isEmpty();
    return write();
}

bool UploadMarks::write() {
    m_writeTimer.stop();
    const QString path = m_record.filePath();
    paths::makePrivateFolder(QFileInfo(path).absolutePath());
    // Another process may be writing the record right now; a lock left by a
    // killed one is taken over once its process is gone. Should the lock
    // still be held after the wait, writing anyway loses less than not
    // writing.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.tryLock(2000);

    const auto loaded = readBack();
    QString error;
    const bool ok = loaded != NeedingUploadRecord::LoadResult::Unreadable && m_record.save(&error);
    if (loaded == NeedingUploadRecord::LoadResult::Unreadable)
        error = QCoreApplication::translate(
            "morvane::UploadMarks", "The existing list could not be read and was kept unchanged.");
    if (ok) {
        m_added.clear();
        m_removed.clear();
        m_failureShown = false;
    } else if (!m_failureShown) {
        // Once per run of failures: a full disk must not bring an alert for
        // every file an upload confirms. The changes stay pending and go
        // out with the next write that works.
        m_failureShown = true;
        Platform::instance().alert(
            QCoreApplication::translate("morvane::UploadMarks",
                                        "Can't save the list of files needing upload."),
            error);
    }
    Q_EMIT changed();
    return ok;
}

} // namespace morvane
