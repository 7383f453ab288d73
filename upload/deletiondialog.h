// The deletions of the window's upload ("Also delete on the server files
// deleted here"): after the upload, one walk of the server folder, the
// files there with no counterpart here (excluded names never), a
// confirmation that names every one of them, then the deletions and the
// folders left empty, in the sync window.
#pragma once

#include "core/sitestore.h"
#include "upload/sitecompare.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace morvane {

// Names every file to be deleted (and the folders removed if empty);
// "Cancel" is the default. Accepted means delete.
class ServerDeletionDialog : public QDialog {
    Q_OBJECT
public:
    ServerDeletionDialog(const Site& site, const sitecompare::Deletions& deletions,
                         QWidget* parent = nullptr);

    QPlainTextEdit* list() const { return m_list; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QPlainTextEdit* m_list = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_cancel = nullptr;
};

namespace serverdeletions {

enum class Outcome { Deleted, NothingToDelete, NotConfirmed, Failed };

// Lists the site's server folder and, once the user confirmed the list,
// deletes the server's files that have no counterpart in `siteFolder`.
// The deleted files are forgotten in the server state beside `recordPath`.
// Failures are shown (the listing's, each file's) and give Failed.
Outcome run(QWidget* parent, const Site& site, const QString& siteFolder,
            const QString& recordPath);

} // namespace serverdeletions

} // namespace morvane
