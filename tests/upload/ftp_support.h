// Helpers shared by the FTP tests: a site pointing at a test server, a
// local site folder, and running a job to its end.
#pragma once

#include "core/sitestore.h"
#include "ftpserver.h"
#include "qtprinters.h"
#include "transfer/transferjob.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace morvane::test {

Site ftpSite(const FtpServer& server, const QString& serverFolder = QString(),
             const QString& user = QStringLiteral("user"),
             const QString& password = QStringLiteral("secret"));

struct JobRun {
    bool finished = false;
    int finishedSignals = 0;
    QStringList messages;
    QString result;
    bool succeeded = false;
    QStringList uploaded;
    QStringList failed;
};

// Starts the job and spins the event loop until it has finished (with a
// generous deadline), recording what it reported.
JobRun runJob(TransferJob& job, std::chrono::milliseconds deadline = std::chrono::seconds(120));

// A server root and a local site folder in temporary folders.
struct FtpFixtureFolders {
    QTemporaryDir serverRoot;
    QTemporaryDir site;
    QString serverPath(const QString& relative) const { return serverRoot.path() + '/' + relative; }
    QString localPath(const QString& relative) const { return site.path() + '/' + relative; }
    // Writes a local site file and returns its relative path.
    QString addFile(const QString& relative, const QByteArray& bytes) const;
};

// Every file below `root`, hidden ones too, relative to it and sorted.
QStringList filesBelow(const QString& root);
// Those of them under the upload's temporary names.
QStringList temporaryFiles(const QString& root);

} // namespace morvane::test
