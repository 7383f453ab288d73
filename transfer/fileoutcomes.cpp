#include "transfer/fileoutcomes.h"

#include "transfer/ftpaddress.h"

#include <QCoreApplication>

#include <algorithm>

namespace morvane {

namespace {

struct Words {
    QString allDone;
    QString oneFailed;  // %1 the file, %2 why
    QString someFailed; // %1 of %2 files
};

// Whole sentences for each verb, so that every language can word them its
// own way; each in the context of the job that shows it.
Words wordsFor(FileVerb verb) {
    switch (verb) {
    case FileVerb::Download:
        return {
            QCoreApplication::translate("morvane::DownloadJob", "Successful download of all files"),
            QCoreApplication::translate("morvane::DownloadJob", "Error downloading \"%1\": %2"),
            QCoreApplication::translate("morvane::DownloadJob",
                                        "Error downloading %1 of %2 files")};
    case FileVerb::Delete:
        return {
            QCoreApplication::translate("morvane::DeleteJob", "Successful deletion of all files"),
            QCoreApplication::translate("morvane::DeleteJob", "Error deleting \"%1\": %2"),
            QCoreApplication::translate("morvane::DeleteJob", "Error deleting %1 of %2 files")};
    case FileVerb::Upload:
        break;
    }
    return {QCoreApplication::translate("morvane::TransferJob", "Successful upload of all files"),
            QCoreApplication::translate("morvane::TransferJob", "Error uploading \"%1\": %2"),
            QCoreApplication::translate("morvane::TransferJob", "Error uploading %1 of %2 files")};
}

} // namespace

namespace jobsummary {

QString errorLine(const QString& error) {
    if (error.startsWith(QLatin1String("ERROR: ")))
        return error;
    return QCoreApplication::translate("morvane::TransferJob", "ERROR: %1").arg(error);
}

QString resultLine(FileVerb verb, const QStringList& failed, qsizetype total,
                   const std::function<QString(const QString&)>& failureOf) {
    const Words words = wordsFor(verb);
    if (failed.isEmpty())
        return words.allDone;
    const QString first = failureOf(failed.first());
    if (failed.size() == 1)
        return words.oneFailed.arg(ftppath::printable(failed.first()), first);
    const QString count = words.someFailed.arg(failed.size()).arg(total);
    const bool shared = std::all_of(failed.cbegin(), failed.cend(),
                                    [&](const QString& file) { return failureOf(file) == first; });
    if (shared)
        return count + QStringLiteral(": ") + first;
    return count + QCoreApplication::translate("morvane::TransferJob", "; the first, \"%1\": %2")
                       .arg(ftppath::printable(failed.first()), first);
}

} // namespace jobsummary

FileOutcomes::FileOutcomes(const QStringList& files, const QString& notRun)
    : m_files(files), m_notRun(notRun) {}

void FileOutcomes::setDone(const QString& path) {
    if (m_done.contains(path))
        return;
    m_done.insert(path);
    m_doneInOrder << path;
    m_failures.remove(path);
}

void FileOutcomes::setFailed(const QString& path, const QString& why) {
    if (!m_done.contains(path))
        m_failures.insert(path, why);
}

QStringList FileOutcomes::failedFiles() const {
    QStringList out;
    QSet<QString> seen;
    for (const QString& f : m_files) {
        if (!m_done.contains(f) && !seen.contains(f)) {
            seen.insert(f);
            out << f;
        }
    }
    return out;
}

QString FileOutcomes::failureOf(const QString& path) const {
    if (m_done.contains(path))
        return QString();
    return m_failures.value(path, m_jobError.isEmpty() ? m_notRun : m_jobError);
}

QString FileOutcomes::resultText(FileVerb verb) const {
    if (!m_jobError.isEmpty())
        return jobsummary::errorLine(m_jobError);
    const QStringList failed = failedFiles();
    return jobsummary::resultLine(verb, failed, m_done.size() + failed.size(),
                                  [this](const QString& path) { return failureOf(path); });
}

} // namespace morvane
