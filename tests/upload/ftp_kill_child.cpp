// Helper for the kill test: uploads every file of a site folder to a server
// folder and prints each status line as it comes, so that the test can kill
// it at a chosen point.
//
//   upload_ftp_kill_child SERVER SERVER_FOLDER SITE_FOLDER
#include "transfer/transferjob.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>

#include <cstdio>

using namespace morvane;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString siteFolder = QString::fromLocal8Bit(argv[3]);
    QStringList files;
    QDirIterator it(siteFolder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(siteFolder).relativeFilePath(it.next());
    files.sort();

    Site site;
    site.setValue(sitekey::server, QString::fromLocal8Bit(argv[1]));
    site.setValue(sitekey::serverfolder, QString::fromLocal8Bit(argv[2]));
    site.setValue(sitekey::username, QStringLiteral("user"));
    site.setValue(sitekey::password, QStringLiteral("secret"));
    auto job = TransferJob::makeUpload(site, siteFolder, files);
    QObject::connect(job.get(), &TransferJob::message, [](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    QObject::connect(job.get(), &TransferJob::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    job->start();
    if (!job->isFinished())
        app.exec();
    return job->succeeded() ? 0 : 1;
}
