#include "transfer/transferwindow.h"

#include "core/platform.h"
#include "transfer/ftpaddress.h"
#include "transfer/servertrust.h"
#include "transfer/transferprogressview.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QNetworkInformation>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace morvane {

namespace {
QString kOK() {
    return QCoreApplication::translate("morvane::TransferWindow", "OK");
}
QString kStop() {
    return QCoreApplication::translate("morvane::TransferWindow", "Stop");
}
// The window grows with a long message up to this width, then wraps it.
constexpr int kMaxWidth = 640;

// A message may hold a long path or server reply with no space in it; a
// zero-width space after its separators (or every so many characters) lets
// such a run wrap instead of widening the window past the screen. Runs of
// ordinary length are left as they are.
QString wrappable(const QString& text) {
    constexpr qsizetype kLongRun = 40;
    QString out;
    out.reserve(text.size() + text.size() / 16);
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i;
        while (end < text.size() && !text.at(end).isSpace())
            ++end;
        if (end - i <= kLongRun) {
            out += text.mid(i, end - i);
        } else {
            qsizetype sinceBreak = 0;
            for (qsizetype k = i; k < end; ++k) {
                const QChar c = text.at(k);
                out += c;
                const bool separator =
                    c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('_');
                if (k + 1 < end && (separator || ++sinceBreak >= kLongRun)) {
                    out += QChar(0x200B);
                    sinceBreak = 0;
                }
            }
        }
        for (; end < text.size() && text.at(end).isSpace(); ++end)
            out += text.at(end);
        i = end;
    }
    return out;
}
} // namespace

TransferWindow::TransferWindow(std::unique_ptr<TransferJob> job, QWidget* parent,
                               std::unique_ptr<PasswordRequest> password)
    : QDialog(parent), m_job(std::move(job)), m_password(std::move(password)) {
    setObjectName(QStringLiteral("ConnectFTP"));
    setWindowTitle(tr("Morvane"));
    setModal(true);
    setMinimumWidth(420);
    setMaximumWidth(kMaxWidth);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("labelMsg"));
    m_label->setAccessibleName(tr("Transfer status"));
    m_label->setWordWrap(true);
    m_label->setTextFormat(Qt::PlainText);
    // A failure's text can be selected and copied, to search for it or
    // send it to the server's administrator.
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressIndicator"));
    m_progress->setAccessibleName(tr("Transfer progress"));
    m_progress->setRange(0, 0); // busy: spins while the job runs
    m_progress->setTextVisible(false);
    m_failed = new QListWidget(this);
    m_failed->setObjectName(QStringLiteral("failedList"));
    m_failed->setAccessibleName(tr("Files not uploaded"));
    m_failed->setWordWrap(true);
    m_failed->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_failed->hide();
    m_view = new TransferProgressView(this);
    m_view->hide();
    m_retry = new QPushButton(tr("Retry Failed"), this);
    m_retry->setObjectName(QStringLiteral("retryFailed"));
    m_retry->setAccessibleName(tr("Retry the files that failed"));
    m_retry->setAutoDefault(false);
    m_retry->hide();
    m_button = new QPushButton(kStop(), this);
    m_button->setObjectName(QStringLiteral("button"));
    // Named by its text ("Stop", then "OK"), as it reads.
    m_button->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_progress);
    layout->addWidget(m_view);
    layout->addWidget(m_failed, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_retry);
    row->addWidget(m_button);
    layout->addLayout(row);

    connect(m_button, &QPushButton::clicked, this, &TransferWindow::actionButton);
    connect(m_retry, &QPushButton::clicked, this, &TransferWindow::retryFailed);
    // The bytes of the files on their way, a few times a second.
    m_poll = new QTimer(this);
    m_poll->setInterval(250);
    connect(m_poll, &QTimer::timeout, this, &TransferWindow::showInFlight);
    connectJob();
}

TransferWindow::~TransferWindow() = default;

void TransferWindow::connectJob() {
    if (!m_sizes.isEmpty())
        m_poll->start();
    connect(m_job.get(), &TransferJob::message, this, &TransferWindow::showMessage);
    connect(m_job.get(), &TransferJob::fileUploaded, this, &TransferWindow::fileSent);
    connect(m_job.get(), &TransferJob::finished, this, &TransferWindow::curlFinished);
}

void TransferWindow::setFiles(const QList<File>& files) {
    m_sizes.clear();
    qint64 bytes = 0;
    for (const File& f : files) {
        m_sizes.insert(f.path, std::max<qint64>(0, f.size));
        bytes += std::max<qint64>(0, f.size);
    }
    m_filesSent = 0;
    m_bytesSent = 0;
    // The overall bar takes the busy indicator's place; the indicator keeps
    // how the job ended for whoever reads it.
    m_view->setVisible(!files.isEmpty());
    m_progress->setVisible(files.isEmpty());
    m_view->start(int(files.size()), bytes);
    if (!files.isEmpty())
        m_poll->start();
}

void TransferWindow::fileSent(const QString& path) {
    if (m_sizes.isEmpty())
        return;
    ++m_filesSent;
    m_bytesSent += m_sizes.value(path);
    m_view->setDone(m_filesSent, m_bytesSent);
    showInFlight(); // the files still on their way count too
}

void TransferWindow::showInFlight() {
    QList<TransferProgressView::Flight> running;
    for (const TransferJob::InFlight& f : m_job->inFlight())
        running.append({f.path, f.size, f.sent});
    m_view->showInFlight(running);
}

// The files that failed go again in a new job, in this window.
void TransferWindow::retryFailed() {
    const QStringList failed = m_job->failedFiles();
    if (!m_retryMaker || failed.isEmpty())
        return;
    std::unique_ptr<TransferJob> next = m_retryMaker(failed);
    if (!next)
        return;
    m_job = std::move(next);
    connectJob();
    m_failed->clear();
    m_failed->hide();
    m_retry->hide();
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progress->setProperty("failed", false);
    // The retry's progress is over the files it sends.
    qint64 bytes = 0;
    for (const QString& f : failed)
        bytes += m_sizes.value(f);
    m_filesSent = 0;
    m_bytesSent = 0;
    m_view->start(int(failed.size()), bytes);
    m_button->setText(kStop());
    m_button->setDefault(false);
    if (m_keyringAnswer)
        m_job->usePassword(*m_keyringAnswer);
    m_job->start();
}

bool TransferWindow::run() {
    startJob();
    exec();
    return m_job->succeeded();
}

// The job starts once the password is there; until then the window shows
// that it waits, and Stop works as during the transfer.
void TransferWindow::startJob() {
    if (!m_password) {
        m_job->start();
        return;
    }
    showMessage(tr("Waiting for the keyring…"));
    connect(m_password.get(), &PasswordRequest::answered, this, [this](const QString& password) {
        m_keyringAnswer = password;
        m_job->usePassword(password);
        m_job->start();
    });
    connect(m_password.get(), &PasswordRequest::failed, this,
            [this](const QString& why) { m_job->failToStart(why); });
    m_password->start();
}

void TransferWindow::actionButton() {
    if (m_button->text() == kOK()) {
        accept();
        return;
    }
    m_button->setEnabled(false);
    if (m_password)
        m_password->cancel(); // a late answer starts nothing
    m_job->cancel();
}

void TransferWindow::showMessage(const QString& text) {
    m_label->setText(wrappable(text));
    m_label->setToolTip(text.size() > 200 ? text : QString());
    growToFit();
}

// The window grows to show the whole status line (before it is shown, its
// first size is worked out from its contents anyway).
void TransferWindow::growToFit() {
    if (!isVisible())
        return;
    layout()->activate();
    const int needed = heightForWidth(width());
    if (needed > height())
        resize(width(), needed);
}

QString TransferWindow::message() const {
    QString text = m_label->text();
    text.remove(QChar(0x200B));
    return text;
}

void TransferWindow::curlFinished() {
    // The bar shows how the job ended: full for success, empty and marked
    // for a failure or a stop.
    const bool ok = m_job->succeeded();
    m_progress->setRange(0, 1);
    m_progress->setValue(ok ? 1 : 0);
    m_progress->setTextVisible(true);
    m_progress->setFormat(ok                                                    ? tr("Done")
                          : m_job->outcome() == TransferJob::Outcome::Cancelled ? tr("Stopped")
                                                                                : tr("Failed"));
    m_progress->setProperty("failed", !ok);
    m_poll->stop();
    m_view->finish(ok);
    if (m_job->outcome() == TransferJob::Outcome::Failed) {
        const QStringList failed = m_job->failedFiles();
        for (const QString& file : failed) {
            const QString text = tr("%1: %2").arg(ftppath::printable(file), m_job->failureOf(file));
            auto* item = new QListWidgetItem(text, m_failed);
            item->setToolTip(text);
        }
        m_failed->setVisible(!failed.isEmpty());
        m_retry->setVisible(m_retryMaker && !failed.isEmpty() &&
                            m_job->trustProblem() == TrustProblem::None);
        if (!failed.isEmpty())
            resize(width(), std::max(height(), 360));
    }
    growToFit();
    m_button->setText(kOK());
    m_button->setEnabled(true);
    m_button->setDefault(true);
    m_button->setFocus();
}

void TransferWindow::reject() {
    // Escape closes the window only once the job has ended.
    if (m_job->isFinished())
        QDialog::reject();
}

void TransferWindow::closeEvent(QCloseEvent* event) {
    if (m_job->isFinished())
        QDialog::closeEvent(event);
    else
        event->ignore();
}

namespace transferwindow {

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
std::unique_ptr<PasswordRequest> requestFor(const Site& site, const PasswordSource& password) {
    return password ? password(site) : nullptr;
}

bool runWindow(const Site& site, std::unique_ptr<TransferJob> job, QWidget* parent,
               QStringList* uploaded, const PasswordSource& password) {
    if (uploaded)
        uploaded->clear();
    if (!isConnected(site)) {
        Platform::instance().alert(
            QCoreApplication::translate("morvane::TransferWindow",
                                        "You are not connected to the internet."),
            QString());
        return false;
    }
    TransferWindow window(std::move(job), parent, requestFor(site, password));
    const bool ok = window.run();
    if (uploaded)
        *uploaded = window.job().uploadedFiles();
    return ok;
}
} // namespace

bool offerTrust(Site& site, const ServerIdentity& identity) {
    Platform& platform = Platform::instance();
    if (!identity.isValid()) {
        platform.alert(QCoreApplication::translate("morvane::TransferWindow",
                                                   "Can't read what the server presents."),
                       identity.failure);
        return false;
    }
    const bool ssh = identity.protocol == SiteProtocol::Sftp;
    const QString title =
        identity.problem == TrustProblem::Revoked
            ? QCoreApplication::translate("morvane::TransferWindow",
                                          "The server's host key is revoked")
        : identity.problem == TrustProblem::Changed
            ? (ssh ? QCoreApplication::translate("morvane::TransferWindow",
                                                 "The server's host key has changed")
                   : QCoreApplication::translate("morvane::TransferWindow",
                                                 "The server's certificate has changed"))
            : (ssh ? QCoreApplication::translate("morvane::TransferWindow",
                                                 "The server's host key is not known")
                   : QCoreApplication::translate("morvane::TransferWindow",
                                                 "The server's certificate is not trusted"));
    const QString text = servertrust::question(site, identity);
    if (!servertrust::mayAccept(identity)) {
        platform.alert(title, text);
        return false;
    }
    // The harmless answer is the default.
    const QString yes =
        ssh ? QCoreApplication::translate("morvane::TransferWindow", "Accept This Key")
            : QCoreApplication::translate("morvane::TransferWindow", "Trust This Certificate");
    if (platform.question(title, text,
                          {QCoreApplication::translate("morvane::TransferWindow", "Cancel"), yes},
                          0) != 1)
        return false;
    QString error;
    if (!servertrust::accept(site, identity, &error)) {
        platform.alert(QCoreApplication::translate("morvane::TransferWindow",
                                                   "Can't record the server's key."),
                       error);
        return false;
    }
    return true;
}

bool testConnection(Site& site, QWidget* parent, const PasswordSource& password) {
    if (!isConnected(site)) {
        Platform::instance().alert(
            QCoreApplication::translate("morvane::TransferWindow",
                                        "You are not connected to the internet."),
            QString());
        return false;
    }
    ServerIdentity identity;
    {
        TransferWindow window(TransferJob::makeConnectionTest(site), parent,
                              requestFor(site, password));
        if (window.run())
            return true;
        if (window.job().trustProblem() == TrustProblem::None)
            return false;
        identity = servertrust::fromJob(site, window.job());
    }
    // Once more, with what the user chose to trust.
    if (!offerTrust(site, identity))
        return false;
    TransferWindow again(TransferJob::makeConnectionTest(site), parent, requestFor(site, password));
    return again.run();
}

bool upload(const Site& site, const QStringList& files, const QString& siteFolderLocal,
            QWidget* parent, QStringList* uploaded, const PasswordSource& password) {
    return runWindow(site, TransferJob::makeUpload(site, siteFolderLocal, files), parent, uploaded,
                     password);
}

} // namespace transferwindow

} // namespace morvane
