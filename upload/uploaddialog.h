// The window's Upload command: the confirmation dialog and the dialogs
// through which the publish sequence (publish.h) talks to the user.
#pragma once

#include "core/sitestore.h"
#include "transfer/servertrust.h"
#include "upload/publish.h"
#include "upload/uploadplan.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QPlainTextEdit;

namespace morvane {

class UploadMarks;

// The confirmation dialog: lists the files to send and where they go, and
// offers to delete on the server the files deleted here (off unless
// chosen). Ends with 1 for OK, 0 for Cancel.
class UploadDialog : public QDialog {
    Q_OBJECT
public:
    UploadDialog(const Site& site, const uploadplan::Files& files, QWidget* parent = nullptr);

    QString confirmationText() const;
    QCheckBox* deleteOnServerBox() const { return m_deleteBox; }
    bool deleteOnServer() const;

public Q_SLOTS:
    void actionOK();
    void actionCancel();

private:
    Site m_prop;
    uploadplan::Files m_files;
    QPlainTextEdit* m_textView = nullptr;
    QCheckBox* m_deleteBox = nullptr;
};

// The publish sequence's questions answered with the window's dialogs:
// alerts, the confirmation dialog and the modal transfer window.
class WindowPublishUi : public PublishUi {
public:
    explicit WindowPublishUi(QWidget* parent) : m_parent(parent) {}

    void noSiteChosen() override;
    void siteHasNoServer(const Site& site) override;
    void problem(const QString& title, const QString& message) override;
    void nothingToUpload() override;
    bool confirm(const Site& site, const uploadplan::Files& files) override;
    void planTransfer(const TransferPlan& plan) override { m_plan = plan; }
    TransferJob::Outcome runTransfer(const Site& site, std::unique_ptr<TransferJob> job) override;
    bool trustServer(Site& site) override;

    // Whether the user chose, in the confirmation, to delete on the server
    // the files deleted here.
    bool deleteChosen() const { return m_deleteChosen; }

private:
    QWidget* m_parent;
    TransferPlan m_plan;
    bool m_deleteChosen = false;
    std::optional<ServerIdentity> m_untrusted; // what the last transfer refused
};

namespace UploadCommand {

// The Upload command once the current file is saved: runs the publish
// sequence with the window's dialogs. When the user chose deletions in the
// confirmation, an upload that sent everything is followed by them
// (deletiondialog.h); a deletion that failed makes the outcome Failed. The caller opens the site
// dialog for NoSiteChosen (a new site) and NoServer (the current site). `keepSite` receives the
// site when the user trusted its server's certificate.
PublishOutcome run(QWidget* parent, const Site* currentSite, const QString& defaultSiteFolder,
                   UploadMarks& marks, std::function<void(const Site&)> keepSite = {});

} // namespace UploadCommand

} // namespace morvane
