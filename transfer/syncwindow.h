// The modal window over the transfers beside the upload: a listing of the
// server folder, a download, deletions on the server. It shows the file
// being fetched, an overall bar (files done of total, bytes done of total,
// the speed and the time left), and the files that failed with their
// messages and a "Retry Failed" button. A run that went well closes the
// window by itself; otherwise it stays until OK, with the failures shown.
#pragma once

#include "transfer/deletejob.h"
#include "transfer/downloadjob.h"
#include "transfer/passwordrequest.h"
#include "transfer/serverwalk.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace morvane {

class TransferProgressView;

class SyncWindow : public QDialog {
    Q_OBJECT
public:
    explicit SyncWindow(QWidget* parent = nullptr);
    ~SyncWindow() override;

    // Each runs its job in the window until it has ended (and, after a
    // failure, until OK). walk() returns whether the listing succeeded;
    // download() and deleteOnServer() the files done, over every retry.
    bool walk(ServerWalk& walk);
    // Waits in the window, with Stop, for the keyring's answer before the
    // listing: the password, or nothing with `why` (empty when the user
    // stopped). The keyring may take long (one that asks to be unlocked);
    // the window stays the one place where that shows.
    std::optional<QString> waitForPassword(PasswordRequest& request, QString* why);
    QStringList download(const Site& site, const QString& siteFolder,
                         const QList<DownloadJob::File>& files);
    QStringList deleteOnServer(const Site& site, const QStringList& files,
                               const QStringList& folders);

    QLabel* status() const { return m_status; }
    TransferProgressView* progress() const { return m_progress; }
    QProgressBar* overall() const;
    QLabel* counts() const;
    QListWidget* failedList() const { return m_failed; }
    QPushButton* retryButton() const { return m_retry; }
    QPushButton* button() const { return m_button; }

public Q_SLOTS:
    void reject() override;

private:
    void begin(const QString& text);
    // Runs `job` in the window until it has ended and, after a failure,
    // until OK or Retry Failed; true when Retry Failed was pressed.
    template <typename Job> bool runJob(Job& job);

    QLabel* m_status = nullptr;
    TransferProgressView* m_progress = nullptr;
    QListWidget* m_failed = nullptr;
    QPushButton* m_retry = nullptr;
    QPushButton* m_button = nullptr;
    std::function<void()> m_cancel;
    bool m_ended = false;
    bool m_retryAsked = false;
};

} // namespace morvane
