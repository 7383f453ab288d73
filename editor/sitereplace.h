// Replace All in Site for the files that are not open: each one read,
// replaced and written back atomically in its own encoding and line ends,
// unless it changed on disk since it was searched, cannot be written, or
// would not hold the new text. SiteReplace does this for many files off the
// window's thread, tells how far it got, and can be stopped between two
// files: a file is either wholly rewritten or left as it was.
#pragma once

#include "core/filekind.h"
#include "editor/findengine.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace morvane {

enum class ReplaceFileStatus {
    Replaced,
    NoMatch,       // nothing matches any more
    ChangedOnDisk, // the file is not the one searched: left as it is
    ReadOnly,      // the file cannot be written
    Unencodable,   // the new text does not fit the file's encoding
    Unreadable,    // cannot be read, or is no longer text
    WriteFailed,
};
struct ReplaceFileResult {
    ReplaceFileStatus status = ReplaceFileStatus::Unreadable;
    qsizetype count = 0;
    QString error;
};
ReplaceFileResult replaceInFile(const QString& path, const FileStamp& searched,
                                const Finder& finder, const QString& replacement);

// A file to replace in, with its stamp when it was searched.
struct SiteReplaceFile {
    QString path;
    FileStamp stamp;
};
struct SiteReplaceOutcome {
    QString path;
    ReplaceFileResult result;
};

class SiteReplace : public QObject {
    Q_OBJECT
public:
    explicit SiteReplace(QObject* parent = nullptr);
    ~SiteReplace() override; // stops and waits for the file being written

    // Starts replacing in `files`. False, with nothing started, when one
    // runs already or the pattern cannot be searched for.
    bool start(const QList<SiteReplaceFile>& files, const QString& pattern, FindOptions options,
               const QString& replacement);
    // Asks the replacing to stop after the files being written; finished()
    // follows.
    void stop();
    bool isRunning() const { return m_running; }

    // Called through this object's event queue when the work is done:
    // emits finished().
    void replaceEnded(bool stopped, int filesDone);

Q_SIGNALS:
    // The files handled since the last report, in any order, and how many
    // of all have been handled.
    void filesDone(const QList<SiteReplaceOutcome>& files, int done, int total);
    void finished(bool stopped, int filesDone);

private:
    std::thread m_thread;
    std::shared_ptr<std::atomic<bool>> m_stop;
    bool m_running = false;
};

} // namespace morvane
