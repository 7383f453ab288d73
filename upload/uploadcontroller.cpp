#include "upload/uploadcontroller.h"

#include "core/platform.h"
#include "upload/connectftpcontroller.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploadplan.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvane {

UploadController::UploadController(const Site& site, const QStringList& files,
                                   const QString& siteFolderLocal, QWidget* parent)
    : QDialog(parent), m_prop(site), m_files(files), m_siteFolderLocal(siteFolderLocal),
      m_transfer([](const Site& s, const QStringList& f, const QString& folder, QWidget* w) {
          return ConnectFTPController::upload(s, f, folder, w);
      }) {
    setObjectName(QStringLiteral("Upload"));
    setWindowTitle(QStringLiteral("Upload"));

    m_textView = new QPlainTextEdit(this);
    m_textView->setObjectName(QStringLiteral("textView"));
    m_textView->setReadOnly(true);
    m_textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = QApplication::font();
    font.setPointSize(14);
    m_textView->setFont(font);
    m_textView->setPlainText(confirmationText());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &UploadController::actionOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &UploadController::actionCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_textView);
    layout->addWidget(buttons);
    resize(520, 360);
}

QString UploadController::confirmationText() const {
    return uploadplan::confirmationText(m_prop, m_files);
}

void UploadController::actionOK() {
    if (m_transferRan)
        return; // a second OK while the transfer window is up
    m_transferRan = true;
    const bool sent = m_transfer(m_prop, m_files, m_siteFolderLocal, this);
    done(sent ? 1 : 0);
}

void UploadController::actionCancel() {
    done(0);
}

namespace UploadCommand {

Outcome run(QWidget* parent, const Site* currentSite, const QString& siteFolderLocal,
            NeedingUploadRecord& record) {
    Platform& platform = Platform::instance();
    if (!currentSite) {
        platform.alert(
            QStringLiteral("Before you can upload you need to choose (and maybe set up) a site."),
            QStringLiteral("Click OK to go to the Site Properties dialog."));
        return Outcome::NoSiteChosen;
    }

    const uploadplan::MarkdownPass pass = uploadplan::convertMarkdown(record, siteFolderLocal);
    if (!pass.ok) {
        platform.alert(pass.error.title, pass.error.message);
        return Outcome::ConversionFailed;
    }

    const QStringList files = uploadplan::collectFiles(record, siteFolderLocal);
    if (files.isEmpty()) {
        platform.alert(QStringLiteral("Nothing to upload."), QString());
        return Outcome::NothingToUpload;
    }

    UploadController dialog(*currentSite, files, siteFolderLocal, parent);
    const int result = dialog.exec();
    if (result == 0)
        return dialog.transferRan() ? Outcome::Failed : Outcome::Cancelled;

    uploadplan::forgetSentFiles(record, siteFolderLocal, files);
    QString error;
    if (!record.save(&error))
        platform.alert(QStringLiteral("Can't save the list of files needing upload."), error);
    return Outcome::Uploaded;
}

} // namespace UploadCommand

} // namespace morvane
