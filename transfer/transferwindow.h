// The modal transfer window: a status line, a busy indicator and one
// button, over a TransferJob that does the work. The button stops a running
// job and, once the job has ended, reads "OK" and closes the window; the
// window cannot be closed any other way while the job runs. When files
// failed, a list under the status line names each with its own reason.
// When the site's password must first come from the keyring, the window
// says so and waits for the answer without blocking; Stop ends the wait.
#pragma once

#include "transfer/passwordrequest.h"
#include "transfer/servertrust.h"
#include "transfer/transferjob.h"

#include <QDialog>

#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace morvane {

class TransferWindow : public QDialog {
    Q_OBJECT
public:
    // `password` (optional) fetches the site's password before the job
    // starts.
    TransferWindow(std::unique_ptr<TransferJob> job, QWidget* parent = nullptr,
                   std::unique_ptr<PasswordRequest> password = {});
    ~TransferWindow() override;

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

    std::unique_ptr<TransferJob> m_job;
    std::unique_ptr<PasswordRequest> m_password;
    QLabel* m_label = nullptr;
    QPushButton* m_button = nullptr;
    QProgressBar* m_progress = nullptr;
    QListWidget* m_failed = nullptr;
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
