// One run of FTP work for a site: either the connection test (a listing of
// the server's top-level folder) or an upload of files with the server
// folders they need. A job is event-driven on the calling thread's event
// loop; it reports each status line through message() and ends exactly once
// with finished().
#pragma once

#include "app/sitestore.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace morvane {

class TransferJob : public QObject {
    Q_OBJECT
public:
    ~TransferJob() override;

    // The connection test of a site: a listing of the server's top-level folder.
    static std::unique_ptr<TransferJob> makeConnectionTest(const Site& site);
    // Upload of `files` (paths relative to `siteFolderLocal`, in upload order) to the
    // site's server folder, creating the server folders they need first.
    static std::unique_ptr<TransferJob> makeUpload(const Site& site, const QString& siteFolderLocal,
                                                   const QStringList& files);

    void start();  // starts every transfer; returns at once (event-driven)
    void cancel(); // stops what is running; the job then finishes
    bool isFinished() const;
    QString
    resultText() const; // "Successful connection", "Successful upload of all files", "ERROR: …", …
    bool succeeded() const;            // resultText() begins with "Success"
    QStringList uploadedFiles() const; // relative paths that were stored completely
    QStringList failedFiles() const;   // relative paths that failed or never ran

    // How long a transfer waits for a silent server before it fails (60 s
    // unless set before start()).
    void setReplyTimeout(int seconds);

Q_SIGNALS:
    void message(const QString& text); // each status line, in order
    void finished();                   // exactly once

private:
    struct Impl;
    explicit TransferJob(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

// The modal transfer window. Each runs the job in the window until the user presses OK
// and returns true exactly when the job's result begins with "Success".
namespace ConnectFTPController {
bool testConnection(const Site& site, QWidget* parent);
// `uploaded` (optional) receives TransferJob::uploadedFiles() when the window closes.
bool upload(const Site& site, const QStringList& files, const QString& siteFolderLocal,
            QWidget* parent, QStringList* uploaded = nullptr);
} // namespace ConnectFTPController

} // namespace morvane
