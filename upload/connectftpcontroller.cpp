#include "upload/connectftpcontroller.h"

#include "core/platform.h"
#include "upload/ftpaddress.h"

#include <QCloseEvent>
#include <QLabel>
#include <QNetworkInformation>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvane {

namespace {
const QString kOK = QStringLiteral("OK");
const QString kStop = QStringLiteral("Stop");
} // namespace

ConnectFTPWindow::ConnectFTPWindow(std::unique_ptr<TransferJob> job, QWidget* parent)
    : QDialog(parent), m_job(std::move(job)) {
    setObjectName(QStringLiteral("ConnectFTP"));
    setWindowTitle(QStringLiteral("Morvane"));
    setModal(true);
    setMinimumWidth(420);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("labelMsg"));
    m_label->setWordWrap(true);
    m_label->setTextFormat(Qt::PlainText);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressIndicator"));
    m_progress->setRange(0, 0); // busy: spins while the job runs
    m_progress->setTextVisible(false);
    m_button = new QPushButton(kStop, this);
    m_button->setObjectName(QStringLiteral("button"));
    m_button->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_progress);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_button);
    layout->addLayout(row);

    connect(m_button, &QPushButton::clicked, this, &ConnectFTPWindow::actionButton);
    connect(m_job.get(), &TransferJob::message, m_label, &QLabel::setText);
    connect(m_job.get(), &TransferJob::finished, this, &ConnectFTPWindow::curlFinished);
}

ConnectFTPWindow::~ConnectFTPWindow() = default;

bool ConnectFTPWindow::run() {
    m_job->start();
    exec();
    return m_job->succeeded();
}

void ConnectFTPWindow::actionButton() {
    if (m_button->text() == kOK) {
        accept();
        return;
    }
    m_button->setEnabled(false);
    m_job->cancel();
}

void ConnectFTPWindow::curlFinished() {
    m_progress->setRange(0, 1);
    m_progress->setValue(1);
    m_button->setText(kOK);
    m_button->setEnabled(true);
    m_button->setDefault(true);
    m_button->setFocus();
}

void ConnectFTPWindow::reject() {
    // Escape closes the window only once the job has ended.
    if (m_job->isFinished())
        QDialog::reject();
}

void ConnectFTPWindow::closeEvent(QCloseEvent* event) {
    if (m_job->isFinished())
        QDialog::closeEvent(event);
    else
        event->ignore();
}

namespace ConnectFTPController {

bool isConnected(const Site& site) {
    const auto address = FtpServerAddress::parse(site.server());
    if (address && address->isLocalHost())
        return true;
    if (!QNetworkInformation::instance())
        QNetworkInformation::loadDefaultBackend();
    const QNetworkInformation* info = QNetworkInformation::instance();
    return !info || info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

namespace {
bool runWindow(const Site& site, std::unique_ptr<TransferJob> job, QWidget* parent,
               QStringList* uploaded) {
    if (uploaded)
        uploaded->clear();
    if (!isConnected(site)) {
        Platform::instance().alert(QStringLiteral("You are not connected to the internet."),
                                   QString());
        return false;
    }
    ConnectFTPWindow window(std::move(job), parent);
    const bool ok = window.run();
    if (uploaded)
        *uploaded = window.job().uploadedFiles();
    return ok;
}
} // namespace

bool testConnection(const Site& site, QWidget* parent) {
    return runWindow(site, TransferJob::makeConnectionTest(site), parent, nullptr);
}

bool upload(const Site& site, const QStringList& files, const QString& siteFolderLocal,
            QWidget* parent, QStringList* uploaded) {
    return runWindow(site, TransferJob::makeUpload(site, siteFolderLocal, files), parent, uploaded);
}

} // namespace ConnectFTPController

} // namespace morvane
