#include "upload/uploaddialog.h"

#include "core/platform.h"
#include "sites/passwordstore.h"
#include "transfer/syncwindow.h"
#include "transfer/transferwindow.h"
#include "upload/deletiondialog.h"
#include "upload/serverstate.h"
#include "upload/uploadmarks.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDebug>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace morvane {

UploadDialog::UploadDialog(const Site& site, const uploadplan::Files& files, QWidget* parent)
    : QDialog(parent), m_prop(site), m_files(files) {
    setObjectName(QStringLiteral("Upload"));
    setWindowTitle(tr("Upload"));

    m_textView = new QPlainTextEdit(this);
    m_textView->setObjectName(QStringLiteral("textView"));
    m_textView->setAccessibleName(tr("Files to upload"));
    m_textView->setReadOnly(true);
    m_textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = QApplication::font();
    font.setPointSize(14);
    m_textView->setFont(font);
    m_textView->setPlainText(confirmationText());

    // Off by default: deleting on the server is chosen each time.
    m_deleteBox = new QCheckBox(tr("Also &delete on the server files deleted here"), this);
    m_deleteBox->setObjectName(QStringLiteral("deleteOnServer"));
    m_deleteBox->setAccessibleName(tr("Also delete on the server files deleted here"));
    m_deleteBox->setToolTip(tr("After the upload, the server folder is listed and every file "
                               "to be deleted is shown for you to confirm."));
    m_deleteBox->setChecked(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &UploadDialog::actionOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &UploadDialog::actionCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_textView);
    layout->addWidget(m_deleteBox);
    layout->addWidget(buttons);
    resize(520, 360);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

QString UploadDialog::confirmationText() const {
    return uploadplan::confirmationText(m_prop, m_files, tr("Click OK to upload these files:"));
}

bool UploadDialog::deleteOnServer() const {
    return m_deleteBox->isChecked();
}

void UploadDialog::actionOK() {
    done(1);
}

void UploadDialog::actionCancel() {
    done(0);
}

void WindowPublishUi::noSiteChosen() {
    Platform::instance().alert(
        QCoreApplication::translate(
            "morvane::UploadDialog",
            "Before you can upload you need to choose (and maybe set up) a site."),
        QCoreApplication::translate("morvane::UploadDialog",
                                    "Click OK to go to the Site Properties dialog."));
}

void WindowPublishUi::siteHasNoServer(const Site& site) {
    Platform::instance().alert(
        QCoreApplication::translate("morvane::UploadDialog",
                                    "The site \"%1\" has no FTP server to upload to.")
            .arg(site.name()),
        QCoreApplication::translate("morvane::UploadDialog",
                                    "Click OK to enter the server in the Site Properties dialog."));
}

void WindowPublishUi::problem(const QString& title, const QString& message) {
    Platform::instance().alert(title, message);
}

void WindowPublishUi::nothingToUpload() {
    Platform::instance().alert(
        QCoreApplication::translate("morvane::UploadDialog", "Nothing to upload."), QString());
}

bool WindowPublishUi::confirm(const Site& site, const uploadplan::Files& files) {
    UploadDialog dialog(site, files, m_parent);
    const bool ok = dialog.exec() != 0;
    m_deleteChosen = ok && dialog.deleteOnServer();
    return ok;
}

TransferJob::Outcome WindowPublishUi::runTransfer(const Site& site,
                                                  std::unique_ptr<TransferJob> job) {
    if (!transferwindow::isConnected(site)) {
        Platform::instance().alert(
            QCoreApplication::translate("morvane::UploadDialog",
                                        "You are not connected to the internet."),
            QString());
        return TransferJob::Outcome::Failed;
    }
    TransferWindow window(std::move(job), m_parent, passwordstore::request(site));
    QList<TransferWindow::File> files;
    for (const auto& [path, size] : m_plan.files)
        files.append({path, size});
    window.setFiles(files);
    window.setRetry(m_plan.retry);
    window.run();
    m_untrusted.reset();
    if (window.job().trustProblem() != TrustProblem::None)
        m_untrusted = servertrust::fromJob(site, window.job());
    return window.job().outcome();
}

bool WindowPublishUi::trustServer(Site& site) {
    if (!m_untrusted)
        return false;
    const ServerIdentity identity = *std::exchange(m_untrusted, std::nullopt);
    return transferwindow::offerTrust(site, identity);
}

namespace UploadCommand {

PublishOutcome run(QWidget* parent, const Site* currentSite, const QString& defaultSiteFolder,
                   UploadMarks& marks, std::function<void(const Site&)> keepSite) {
    WindowPublishUi ui(parent);
    PublishOptions options;
    options.keepSite = std::move(keepSite);
    // A file changed on the server since it was last seen there is never
    // overwritten without asking; after the upload the server's state is
    // remembered.
    const QString recordPath = marks.filePath();
    options.holdBack = [&](const Site& site, const QStringList& send,
                           QList<uploadplan::Refusal>* held, QString* problem) {
        QMap<QString, ServerEntry> now;
        QList<uploadplan::Refusal> conflicts;
        if (!serverstate::holdBackConflicts(site, recordPath, send, &conflicts, problem, &now))
            return false;
        const QString folder = uploadplan::siteFolderFor(site, defaultSiteFolder);
        QList<DownloadJob::File> theirs;
        for (const uploadplan::Refusal& c : conflicts) {
            const int answer = Platform::instance().question(
                QObject::tr("\"%1\" was changed on the server since it was last uploaded or "
                            "downloaded.")
                    .arg(c.file),
                c.reason.left(1).toUpper() + c.reason.mid(1) + QLatin1Char('.'),
                {QObject::tr("Skip"), QObject::tr("Overwrite"), QObject::tr("Take the Server's")},
                0);
            if (answer == 1)
                continue; // overwritten
            held->append(c);
            if (answer != 2)
                continue;
            // The local version goes to the trash, so nothing is lost.
            QString why;
            const QString full = folder + QLatin1Char('/') + c.file;
            if (Platform::instance().moveToTrash(full, &why)) {
                marks.unmark(full);
                theirs.append({c.file, now.value(c.file)});
            } else {
                Platform::instance().alert(
                    QObject::tr("\"%1\" could not be moved to the trash.").arg(c.file), why);
            }
        }
        if (!theirs.isEmpty() && !folder.isEmpty()) {
            SyncWindow window(parent);
            const QStringList done = window.download(site, folder, theirs);
            ServerState state;
            state.load(site, recordPath);
            for (const QString& path : done)
                state.remember(path, now.value(path));
            QString why;
            state.save(&why);
        }
        return true;
    };
    options.beforeSend = [&](const Site& site, const QStringList& send) {
        serverstate::forgetBeforeSending(site, recordPath, send);
    };
    options.afterSent = [&](const Site& site, const QStringList& sent) {
        QString problem;
        if (!serverstate::rememberServer(site, recordPath, sent, &problem))
            qWarning().noquote() << "The server's state after the upload is not remembered:"
                                 << problem;
    };
    const PublishOutcome outcome = publish(currentSite, defaultSiteFolder, marks, ui, options);
    if (!ui.deleteChosen() || !currentSite)
        return outcome;
    // Deletions follow an upload that sent everything (a file renamed here
    // is then on the server under its new name before the old one goes).
    if (outcome != PublishOutcome::Uploaded) {
        if (outcome == PublishOutcome::Failed)
            Platform::instance().alert(
                QCoreApplication::translate("morvane::UploadDialog",
                                            "Nothing is deleted on the server."),
                QCoreApplication::translate("morvane::UploadDialog",
                                            "The upload did not succeed."));
        return outcome;
    }
    const QString folder = uploadplan::siteFolderFor(*currentSite, defaultSiteFolder);
    switch (serverdeletions::run(parent, *currentSite, folder, recordPath)) {
    case serverdeletions::Outcome::Failed:
        return PublishOutcome::Failed;
    case serverdeletions::Outcome::NothingToDelete:
        Platform::instance().alert(
            QCoreApplication::translate("morvane::UploadDialog",
                                        "Nothing to delete on the server."),
            QCoreApplication::translate("morvane::UploadDialog",
                                        "Every file in the server folder is here too."));
        break;
    case serverdeletions::Outcome::NotConfirmed:
    case serverdeletions::Outcome::Deleted:
        break;
    }
    return outcome;
}

} // namespace UploadCommand

} // namespace morvane
