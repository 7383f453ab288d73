// Which files of a job ended well and why the others did not, and the
// job's last status line, for every job over a set of files: the upload,
// the download and the deletions on the server.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace morvane {

enum class FileVerb { Upload, Download, Delete };

namespace jobsummary {

// A job-wide error as its last status line: "ERROR: " and the error (once).
QString errorLine(const QString& error);

// The last status line of a job that ended without a job-wide error: every
// file done; or the one file that failed and why; or how many of `total`
// failed, with the reason they share or the first one's.
QString resultLine(FileVerb verb, const QStringList& failed, qsizetype total,
                   const std::function<QString(const QString&)>& failureOf);

} // namespace jobsummary

class FileOutcomes {
public:
    // `notRun`: what failureOf() says of a file that never ended while the
    // job has no error of its own ("Not fetched").
    FileOutcomes(const QStringList& files, const QString& notRun);

    void setDone(const QString& path);
    void setFailed(const QString& path, const QString& why);
    // The job stopped as a whole: the files not ended fail with this.
    void setJobError(const QString& error) { m_jobError = error; }

    const QStringList& done() const { return m_doneInOrder; } // in the order they ended
    QStringList failedFiles() const; // every file not done, in the order given, each once
    QString failureOf(const QString& path) const; // empty for a file that is done
    QString resultText(FileVerb verb) const;

private:
    QStringList m_files;
    QString m_notRun;
    QString m_jobError;
    QSet<QString> m_done;
    QStringList m_doneInOrder;
    QHash<QString, QString> m_failures;
};

} // namespace morvane
