// File ▸ Download Site… and File ▸ Compare with Server: the site's server
// folder beside its local folder, in the window. The server folder is
// listed in the transfer window; a download never overwrites a file marked
// for upload without asking ("Keep Mine" / "Take the Server's", or the
// same for all); deletions on the server happen only after a confirmation
// that lists every file.
#pragma once

#include "core/sitestore.h"
#include "transfer/downloadjob.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QWidget;

namespace morvane {

class CompareDialog;
class UploadMarks;

class SyncController : public QObject {
    Q_OBJECT
public:
    // `site` gives the current site (null when none); `upload` runs the
    // window's Upload command.
    SyncController(QWidget* window, UploadMarks& marks, std::function<const Site*()> site,
                   std::function<void()> upload, QObject* parent = nullptr);

    void downloadSite();
    void compareWithServer();
    // Asks whether to compare a new site, whose folder already holds files,
    // with its server ("Compare with Server" is the default); yes compares.
    void offerCompare();

    // Tests answer the comparison themselves: called with the dialog before
    // it runs; when set, the dialog is not run (the hook chooses).
    void setCompareHook(std::function<void(CompareDialog&)> hook) {
        m_compareHook = std::move(hook);
    }

private:
    struct Prepared;
    bool prepare(Prepared* out);
    void download(const Prepared& p, const QStringList& paths);
    void deleteOnServer(const Prepared& p, const QStringList& paths);

    QPointer<QWidget> m_window;
    UploadMarks& m_marks;
    std::function<const Site*()> m_site;
    std::function<void()> m_upload;
    std::function<void(CompareDialog&)> m_compareHook;
};

} // namespace morvane
