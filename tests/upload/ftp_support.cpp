#include "ftp_support.h"

#include "testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>

namespace morvane::test {

Site ftpSite(const FtpServer& server, const QString& serverFolder, const QString& user,
             const QString& password) {
    Site site;
    site.setValue(sitekey::sitename, QStringLiteral("Test"));
    site.setValue(sitekey::server, server.address());
    site.setValue(sitekey::username, user);
    site.setValue(sitekey::password, password);
    site.setValue(sitekey::serverfolder, serverFolder);
    return site;
}

JobRun runJob(TransferJob& job, std::chrono::milliseconds deadline) {
    JobRun run;
    QObject::connect(&job, &TransferJob::message, [&run](const QString& m) { run.messages << m; });
    QObject::connect(&job, &TransferJob::finished, [&run] { ++run.finishedSignals; });
    job.start();
    run.finished = waitUntil([&] { return run.finishedSignals > 0; }, deadline);
    // Give a second, wrong finished() the chance to show itself.
    QCoreApplication::processEvents();
    run.result = job.resultText();
    run.succeeded = job.succeeded();
    run.uploaded = job.uploadedFiles();
    run.failed = job.failedFiles();
    return run;
}

QString FtpFixtureFolders::addFile(const QString& relative, const QByteArray& bytes) const {
    writeFile(localPath(relative), bytes);
    return relative;
}

QStringList filesBelow(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

QStringList temporaryFiles(const QString& root) {
    QStringList out;
    for (const QString& f : filesBelow(root))
        if (f.endsWith(QLatin1String(".morvane-upload")))
            out << f;
    return out;
}

} // namespace morvane::test
