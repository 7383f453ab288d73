// The Upload command of the main window and its confirmation dialog.
#pragma once

#include "core/sitestore.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QPlainTextEdit;

namespace morvane {

class NeedingUploadRecord;

// The confirmation dialog: lists the files to send and where they go; OK runs
// the transfer window. Ends with 1 when every file was sent, 0 otherwise.
class UploadController : public QDialog {
    Q_OBJECT
public:
    UploadController(const Site& site, const QStringList& files, const QString& siteFolderLocal,
                     QWidget* parent = nullptr);

    // Runs the transfer; the default is the transfer window.
    using Transfer = std::function<bool(const Site&, const QStringList& files,
                                        const QString& siteFolderLocal, QWidget* parent)>;
    void setTransfer(Transfer transfer) { m_transfer = std::move(transfer); }

    // True once OK started the transfer (tells a failed transfer from Cancel).
    bool transferRan() const { return m_transferRan; }
    QString confirmationText() const;

public Q_SLOTS:
    void actionOK();
    void actionCancel();

private:
    Site m_prop;
    QStringList m_files;
    QString m_siteFolderLocal;
    Transfer m_transfer;
    bool m_transferRan = false;
    QPlainTextEdit* m_textView = nullptr;
};

namespace UploadCommand {

enum class Outcome {
    NoSiteChosen,     // alert shown; the caller opens the site dialog for a new site
    ConversionFailed, // a Markdown file could not be converted (alert shown)
    NothingToUpload,  // "Nothing to upload." shown
    Cancelled,        // the user cancelled the confirmation
    Failed,           // the transfer did not send every file; the record is unchanged
    Uploaded          // every file sent; the record updated and written
};

// The Upload command: converts the site's changed Markdown files, asks for
// confirmation, runs the transfer window and, when every file was sent,
// removes their marks from `record` and writes it. `currentSite` is the
// current site's entry (null when no site is current or it has no entry).
// The caller takes the keyboard focus from the editor first (so the current
// file is saved) and reloads the outline afterwards.
Outcome run(QWidget* parent, const Site* currentSite, const QString& siteFolderLocal,
            NeedingUploadRecord& record);

} // namespace UploadCommand

} // namespace morvane
