// The modal transfer window: a status line, a busy indicator and one
// button, over a TransferJob that does the work. The button stops a running
// job and, once the job has ended, reads "OK" and closes the window; the
// window cannot be closed any other way while the job runs. When files
// failed, a list under the status line names each with its own reason.
// When the site's password must first come from the keyring, the window
// says so and waits for the answer without blocking; Stop ends the wait.
// An upload given its files (setFiles()) shows its progress: files and
// bytes done of the totals, the speed and the time left; given a way to
// make a job for the files that failed (setRetry()), a "Retry Failed"
// button runs it in the same window.
#pragma once

#include "transfer/passwordrequest.h"
#include "transfer/servertrust.h"
#include "transfer/transferjob.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace morvane {

class TransferProgressView;

class TransferWindow : public QDialog {
    Q_OBJECT
public:
    // `password` (optional) fetches the site's password before the job
    // starts.
    TransferWindow(std::unique_ptr<TransferJob> job, QWidget* parent = nullptr,
                   std::unique_ptr<PasswordRequest> password = {});
    ~TransferWindow() override;

    // The files the job sends (relative paths) and their sizes, for the
    // progress display; before run().
    struct File {
        QString path;
        qint64 size = 0;
    };
    void setFiles(const QList<File>& files);
    // Builds the job that sends again the files that failed; before run().
    using RetryMaker = std::function<std::unique_ptr<TransferJob>(const QStringList& failed)>;
    void setRetry(RetryMaker retry) { m_retryMaker = std::move(retry); }

    TransferJob& job() { return *m_job; }
    // The status line as the job wrote it (the label may hold wrapping
    // hints).
    QString message() const;
    QLabel* labelMsg() const { return m_label; }
    QPushButton* button() const { return m_button; }
    QProgressBar* progressIndicator() const { return m_progress; }
    // The files that were not uploaded, one row each ("path: reason");
    // hidden unless some failed.
    QListWidget* failedList() const { return m_failed; }
    QPushButton* retryButton() const { return m_retry; }
    TransferProgressView* progress() const { return m_view; }

    // Starts the job and runs the window until the user presses OK.
    // Returns true exactly when the job succeeded.
    bool run();

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startJob();
    void showMessage(const QString& text);
    void growToFit();
    void actionButton();
    void curlFinished();
    void connectJob();
    void retryFailed();
    void fileSent(const QString& path);
    void showInFlight();

    std::unique_ptr<TransferJob> m_job;
    std::unique_ptr<PasswordRequest> m_password;
    QLabel* m_label = nullptr;
    QPushButton* m_button = nullptr;
    QProgressBar* m_progress = nullptr;
    QListWidget* m_failed = nullptr;
    QPushButton* m_retry = nullptr;
    TransferProgressView* m_view = nullptr;
    RetryMaker m_retryMaker;
    QTimer* m_poll = nullptr;       // reads the bytes in flight while an upload runs
    QHash<QString, qint64> m_sizes; // of the files to send; empty: no progress shown
    int m_filesSent = 0;
    qint64 m_bytesSent = 0;
    std::optional<QString> m_keyringAnswer; // for a retry's job
};

// Each runs a job in the modal transfer window until the user presses OK and
// returns true exactly when the job succeeded (TransferJob::Outcome::Succeeded).
// The Upload command runs its own window through the publish sequence;
// upload() is the same window for a plain list of files.
namespace transferwindow {
// A server whose certificate is not trusted (or has changed) is shown to
// the user, who may trust it: `site` then carries the pin and the test runs
// again with it. `password` (optional) fetches a password the site does not
// hold, before each job.
bool testConnection(Site& site, QWidget* parent, const PasswordSource& password = {});
// Shows what the site's server presented and asks whether to trust it; on
// yes pins the certificate in `site` or adds the host key to known_hosts,
// and returns true.
bool offerTrust(Site& site, const ServerIdentity& identity);
// `uploaded` (optional) receives TransferJob::uploadedFiles() when the window closes.
bool upload(const Site& site, const QStringList& files, const QString& siteFolderLocal,
            QWidget* parent, QStringList* uploaded = nullptr, const PasswordSource& password = {});
// False only when the network is known to be down; a server on this
// machine is always reachable, and an unknown state counts as connected.
bool isConnected(const Site& site);
} // namespace transferwindow

} // namespace morvane
