#include "transfer/syncwindow.h"

#include "transfer/ftpaddress.h"
#include "transfer/transferprogressview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace morvane {

namespace {
// How often the bytes of the files in flight are read.
constexpr int kPollMs = 250;
} // namespace

SyncWindow::SyncWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SyncWindow"));
    setWindowTitle(tr("Morvane"));
    setModal(true);
    setMinimumWidth(460);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setAccessibleName(tr("Transfer status"));
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_progress = new TransferProgressView(this);
    m_failed = new QListWidget(this);
    m_failed->setObjectName(QStringLiteral("failedList"));
    m_failed->setAccessibleName(tr("Files that failed"));
    m_failed->setWordWrap(true);
    m_failed->hide();
    m_retry = new QPushButton(tr("Retry Failed"), this);
    m_retry->setObjectName(QStringLiteral("retryFailed"));
    m_retry->setAccessibleName(tr("Retry the files that failed"));
    m_retry->setAutoDefault(false);
    m_retry->hide();
    m_button = new QPushButton(tr("Stop"), this);
    m_button->setObjectName(QStringLiteral("button"));
    m_button->setAccessibleName(tr("Stop or close"));
    m_button->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(m_failed, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_retry);
    row->addWidget(m_button);
    layout->addLayout(row);

    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_ended) {
            accept();
            return;
        }
        m_button->setEnabled(false);
        if (m_cancel)
            m_cancel();
    });
    connect(m_retry, &QPushButton::clicked, this, [this] {
        m_retryAsked = true;
        accept();
    });
}

SyncWindow::~SyncWindow() = default;

QProgressBar* SyncWindow::overall() const {
    return m_progress->overall();
}

QLabel* SyncWindow::counts() const {
    return m_progress->counts();
}

void SyncWindow::reject() {
    // Escape and the window's close button stop a running job; once it has
    // ended they close the window.
    if (m_ended) {
        QDialog::reject();
        return;
    }
    if (m_cancel)
        m_cancel();
}

void SyncWindow::begin(const QString& text) {
    m_ended = false;
    m_retryAsked = false;
    m_status->setText(text);
    m_failed->clear();
    m_failed->hide();
    m_retry->hide();
    m_progress->startBusy();
    m_button->setText(tr("Stop"));
    m_button->setEnabled(true);
}

template <typename Job> bool SyncWindow::runJob(Job& job) {
    m_cancel = [&job] { job.cancel(); };
    connect(&job, &Job::finished, this, [this, &job] {
        m_ended = true;
        m_cancel = nullptr;
        m_status->setText(job.resultText());
        QStringList lines;
        for (const QString& f : job.failedFiles())
            lines << tr("%1: %2").arg(ftppath::printable(f), job.failureOf(f));
        m_progress->finish(lines.isEmpty());
        m_failed->clear();
        m_failed->addItems(lines);
        m_failed->setVisible(!lines.isEmpty());
        if (lines.isEmpty()) {
            accept();
            return;
        }
        m_retry->setVisible(job.trustProblem() == TrustProblem::None);
        m_button->setText(tr("OK"));
        m_button->setEnabled(true);
    });
    job.start();
    exec();
    m_cancel = nullptr;
    return m_retryAsked;
}

bool SyncWindow::walk(ServerWalk& walk) {
    begin(tr("Listing the server folder…"));
    m_cancel = [&walk] { walk.cancel(); };
    connect(&walk, &ServerWalk::finished, this, [this, &walk] {
        m_ended = true;
        m_cancel = nullptr;
        if (walk.succeeded()) {
            accept();
            return;
        }
        m_status->setText(walk.errorText());
        m_progress->finish(false);
        m_button->setText(tr("OK"));
        m_button->setEnabled(true);
    });
    walk.start();
    if (!walk.isFinished() || !walk.succeeded())
        exec();
    m_cancel = nullptr;
    return walk.succeeded();
}

std::optional<QString> SyncWindow::waitForPassword(PasswordRequest& request, QString* why) {
    begin(tr("Waiting for the keyring…"));
    std::optional<QString> password;
    bool over = false;
    // m_cancel is let go only after the wait: Stop runs inside it.
    const auto end = [this, &over](int result) {
        over = true;
        m_ended = true;
        done(result);
    };
    m_cancel = [&request, why, end] {
        request.cancel();
        if (why)
            why->clear();
        end(Rejected);
    };
    const QMetaObject::Connection answered =
        connect(&request, &PasswordRequest::answered, this, [&](const QString& given) {
            password = given;
            end(Accepted);
        });
    const QMetaObject::Connection failed =
        connect(&request, &PasswordRequest::failed, this, [&](const QString& problem) {
            if (why)
                *why = problem;
            end(Rejected);
        });
    request.start();
    if (!over)
        exec();
    disconnect(answered);
    disconnect(failed);
    m_cancel = nullptr;
    return password;
}

QStringList SyncWindow::download(const Site& site, const QString& siteFolder,
                                 const QList<DownloadJob::File>& files) {
    QStringList done;
    QList<DownloadJob::File> pending = files;
    while (!pending.isEmpty()) {
        DownloadJob job(site, siteFolder, pending);
        begin(pending.size() == 1 ? tr("Downloading 1 file…")
                                  : tr("Downloading %1 files…").arg(pending.size()));
        qint64 bytes = 0;
        for (const DownloadJob::File& f : pending)
            bytes += std::max<qint64>(0, f.server.size);
        m_progress->start(int(pending.size()), bytes);
        connect(&job, &DownloadJob::message, m_status, &QLabel::setText);
        // The bytes of the files on their way count too, read a few times a
        // second and whenever a file is done.
        auto showInFlight = [this, &job] {
            QList<TransferProgressView::Flight> running;
            for (const DownloadJob::InFlight& f : job.inFlight())
                running.append({f.path, f.size, f.received});
            m_progress->showInFlight(running);
        };
        connect(&job, &DownloadJob::progress, m_progress,
                [this, showInFlight](qint64 bytesDone, qint64, int filesDone, int) {
                    m_progress->setDone(filesDone, bytesDone);
                    showInFlight();
                });
        QTimer poll;
        poll.setInterval(kPollMs);
        connect(&poll, &QTimer::timeout, m_progress, showInFlight);
        connect(&job, &DownloadJob::finished, &poll, &QTimer::stop);
        poll.start();
        const bool again = runJob(job);
        done << job.downloadedFiles();
        if (!again)
            break;
        QList<DownloadJob::File> left;
        for (const DownloadJob::File& f : pending) {
            if (!job.downloadedFiles().contains(f.path))
                left << f;
        }
        pending = left;
    }
    return done;
}

QStringList SyncWindow::deleteOnServer(const Site& site, const QStringList& files,
                                       const QStringList& folders) {
    QStringList done;
    QStringList pending = files;
    QStringList emptyFolders = folders;
    while (!pending.isEmpty() || !emptyFolders.isEmpty()) {
        DeleteJob job(site, pending, emptyFolders);
        begin(pending.size() == 1 ? tr("Deleting 1 file on the server…")
                                  : tr("Deleting %1 files on the server…").arg(pending.size()));
        m_progress->start(int(pending.size()), 0);
        int count = 0;
        connect(&job, &DeleteJob::message, this, [&](const QString& text) {
            m_status->setText(text);
            count = std::min(count + 1, int(pending.size()));
            m_progress->setDone(count, 0);
        });
        const bool again = runJob(job);
        done << job.deletedFiles();
        if (!again)
            break;
        pending = job.failedFiles();
        emptyFolders.clear();
    }
    return done;
}

} // namespace morvane
