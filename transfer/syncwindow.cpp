#include "transfer/syncwindow.h"

#include "transfer/ftpaddress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvane {

namespace {

QString sizeText(qint64 bytes) {
    if (bytes < 1024)
        return SyncWindow::tr("%1 B").arg(bytes);
    if (bytes < qint64{1024} * 1024)
        return SyncWindow::tr("%1 KB").arg(double(bytes) / 1024.0, 0, 'f', 1);
    return SyncWindow::tr("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
}

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
    m_overall = new QProgressBar(this);
    m_overall->setObjectName(QStringLiteral("overall"));
    m_overall->setAccessibleName(tr("Overall progress"));
    m_overall->setRange(0, 0);
    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("counts"));
    m_counts->setAccessibleName(tr("Files and bytes done, speed and time left"));
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
    layout->addWidget(m_overall);
    layout->addWidget(m_counts);
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
    m_counts->clear();
    m_overall->setRange(0, 0);
    m_button->setText(tr("Stop"));
    m_button->setEnabled(true);
    m_clock.start();
}

void SyncWindow::showFailures(const QStringList& lines) {
    m_failed->clear();
    m_failed->addItems(lines);
    m_failed->setVisible(!lines.isEmpty());
}

void SyncWindow::showProgress(qint64 bytes, qint64 total, int done, int count) {
    m_overall->setRange(0, std::max(1, count));
    m_overall->setValue(done);
    const double seconds = std::max<qint64>(1, m_clock.elapsed()) / 1000.0;
    const double speed = double(bytes) / seconds;
    QString left;
    if (speed > 0 && total > bytes)
        left = tr(", about %1 s left").arg(qint64(double(total - bytes) / speed) + 1);
    m_counts->setText(tr("%1 of %2 files, %3 of %4, %5/s%6")
                          .arg(done)
                          .arg(count)
                          .arg(sizeText(bytes), sizeText(total), sizeText(qint64(speed)), left));
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
        m_overall->setRange(0, 1);
        m_button->setText(tr("OK"));
        m_button->setEnabled(true);
    });
    walk.start();
    if (!walk.isFinished() || !walk.succeeded())
        exec();
    m_cancel = nullptr;
    return walk.succeeded();
}

QStringList SyncWindow::download(const Site& site, const QString& siteFolder,
                                 const QList<DownloadJob::File>& files) {
    QStringList done;
    QList<DownloadJob::File> pending = files;
    while (!pending.isEmpty()) {
        DownloadJob job(site, siteFolder, pending);
        begin(pending.size() == 1 ? tr("Downloading 1 file…")
                                  : tr("Downloading %1 files…").arg(pending.size()));
        m_cancel = [&job] { job.cancel(); };
        connect(&job, &DownloadJob::message, m_status, &QLabel::setText);
        connect(&job, &DownloadJob::progress, this, &SyncWindow::showProgress);
        connect(&job, &DownloadJob::finished, this, [&] {
            m_ended = true;
            m_cancel = nullptr;
            m_status->setText(job.resultText());
            QStringList lines;
            for (const QString& f : job.failedFiles())
                lines << tr("%1: %2").arg(ftppath::printable(f), job.failureOf(f));
            showFailures(lines);
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
        done << job.downloadedFiles();
        if (!m_retryAsked)
            break;
        QList<DownloadJob::File> again;
        for (const DownloadJob::File& f : pending) {
            if (!job.downloadedFiles().contains(f.path))
                again << f;
        }
        pending = again;
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
        m_cancel = [&job] { job.cancel(); };
        int count = 0;
        connect(&job, &DeleteJob::message, this, [&](const QString& text) {
            m_status->setText(text);
            showProgress(0, 0, ++count, int(pending.size()));
        });
        connect(&job, &DeleteJob::finished, this, [&] {
            m_ended = true;
            m_cancel = nullptr;
            m_status->setText(job.resultText());
            QStringList lines;
            for (const QString& f : job.failedFiles())
                lines << tr("%1: %2").arg(ftppath::printable(f), job.failureOf(f));
            showFailures(lines);
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
        done << job.deletedFiles();
        if (!m_retryAsked)
            break;
        pending = job.failedFiles();
        emptyFolders.clear();
    }
    return done;
}

} // namespace morvane
