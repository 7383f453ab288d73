// One run of FTP work for a site: either the connection test (a listing of
// the server's top-level folder) or an upload of files with the server
// folders they need. A job lives on the calling thread's event loop (its
// transfers run on threads of their own, see curllanes.h); it reports each
// status line through message() and ends exactly once with finished(). Until one connection has
// logged in, only one transfer runs: a wrong password costs a single failed login and ends the job
// at once. Each file goes up under a temporary name and is renamed over the live file only once the
// server has confirmed it (see ftpsitekey).
#pragma once

#include "core/sitestore.h"
#include "transfer/siteprotocol.h"
#include "transfer/sshhostkey.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace morvane {

// Site keys the FTP engine reads besides the described ones. A missing key
// reads as the default.
namespace ftpsitekey {
// The most connections a job opens at once (default 4).
inline const QString maxConnections = QStringLiteral("maxconnections");
// "1": store each file straight under its name. By default a file goes up
// under a temporary name in the same folder and is then renamed over the
// live file, so that a failed or killed upload never leaves a broken page.
// Servers that do not allow renaming need this.
inline const QString directUpload = QStringLiteral("directupload");
// "1": after each file, compare the size the server reports (SIZE) with the
// bytes sent; a difference fails the file (before it goes live, with the
// temporary name). Off by default: it costs one round trip per file.
inline const QString sizeCheck = QStringLiteral("sizecheck");
} // namespace ftpsitekey

class TransferJob : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Running, Succeeded, Failed, Cancelled };

    ~TransferJob() override;

    // The connection test of a site: a listing of the server's top-level folder.
    static std::unique_ptr<TransferJob> makeConnectionTest(const Site& site);
    // Upload of `files` (paths relative to `siteFolderLocal`, in upload order) to the
    // site's server folder, creating the server folders they need first.
    static std::unique_ptr<TransferJob> makeUpload(const Site& site, const QString& siteFolderLocal,
                                                   const QStringList& files);

    // The site's password, when it is kept outside the site (in the
    // keyring) and was fetched before the job: the job never asks for it.
    void usePassword(const QString& password);
    void start(); // starts every transfer; returns at once (event-driven)
    // Ends the job before it started, every file failing with `why` (the
    // password could not be fetched, say).
    void failToStart(const QString& why);
    void cancel(); // stops what is running; the job then finishes
    bool isFinished() const;
    QString
    resultText() const; // "Successful connection", "Successful upload of all files", "ERROR: …", …
    Outcome outcome() const;           // Running until finished() is emitted
    bool succeeded() const;            // outcome() == Outcome::Succeeded
    QStringList uploadedFiles() const; // relative paths that were stored completely
    QStringList failedFiles() const;   // relative paths that failed or never ran
    // Why a file of failedFiles() was not uploaded (empty for any other).
    QString failureOf(const QString& relativePath) const;
    // Set when the job failed because the server could not be verified:
    // the user may then look at its certificate and choose to trust it.
    TrustProblem trustProblem() const;
    // For an SFTP server: the key it presented, when that was the problem.
    SshHostKey hostKey() const;

    // The files being sent now: relative path, size, bytes read so far
    // (for a progress display; safe to call while the job runs).
    struct InFlight {
        QString path;
        qint64 size = 0;
        qint64 sent = 0;
    };
    QList<InFlight> inFlight() const;

    // How long a transfer waits for a silent server before it fails (60 s
    // unless set before start()).
    void setReplyTimeout(int seconds);

Q_SIGNALS:
    void message(const QString& text); // each status line, in order
    // A file the server confirmed it stored completely under its own name
    // (its relative path): after the rename from its temporary name, and
    // after the size check when the site asks for one.
    void fileUploaded(const QString& relativePath);
    void finished(); // exactly once

private:
    struct Impl;
    explicit TransferJob(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

} // namespace morvane
