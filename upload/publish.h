// The one publish sequence of the program, used by the window's Upload
// command and by `morvane upload` alike:
//
//   plan -> Markdown conversion -> confirmation -> transfer -> record update
//
// Each caller supplies a PublishUi: dialogs for the window, the terminal for
// the command line. The sequence itself shows nothing and waits for nothing
// but the UI's answers.
//
// Marks: a file loses its mark as soon as the server confirms it (written
// within a short delay, so a killed upload resumes where it stopped), unless
// it changed on disk after the upload was planned. Every other file keeps its
// mark, whatever way the upload ended. After an upload that sent everything,
// the marks of the site's files that no longer exist go too.
#pragma once

#include "core/sitestore.h"
#include "transfer/transferjob.h"
#include "upload/uploadplan.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

namespace morvane {

class UploadMarks;

class PublishUi {
public:
    virtual ~PublishUi() = default;

    // No site is chosen.
    virtual void noSiteChosen() = 0;
    // The site names no server to upload to.
    virtual void siteHasNoServer(const Site& site) = 0;
    // The command cannot go on (an unusable site folder, a failed
    // conversion, files refused): a title and an informative line.
    virtual void problem(const QString& title, const QString& message) = 0;
    virtual void nothingToUpload() = 0;
    // Shows what will be sent and where; true to go on.
    virtual bool confirm(const Site& site, const uploadplan::Files& files) = 0;
    // What the transfers that follow send: each file (relative path) with
    // its size, for a progress display, and how to make a job that sends
    // again the files that failed (for a "Retry Failed").
    struct TransferPlan {
        QList<QPair<QString, qint64>> files;
        std::function<std::unique_ptr<TransferJob>(const QStringList& failed)> retry;
    };
    virtual void planTransfer(const TransferPlan& plan) { (void)plan; }
    // Runs the job to its end and returns how it ended (a job that never
    // starts, say because the network is down, counts as Failed).
    virtual TransferJob::Outcome runTransfer(const Site& site,
                                             std::unique_ptr<TransferJob> job) = 0;
    // The transfer just run failed because the server is not trusted yet
    // (a certificate the system does not vouch for, an unknown host key):
    // shows what the server presented and asks. True when the user trusted
    // it; a pinned certificate is then in `site`. Only a window asks.
    virtual bool trustServer(Site& site) {
        (void)site;
        return false;
    }
};

enum class PublishOutcome {
    NoSiteChosen,     // told the UI; the window opens the site dialog for a new site
    NoServer,         // told the UI; the window opens the site's properties
    BadSiteFolder,    // the stored local folder is unusable (told the UI)
    ConversionFailed, // a Markdown file could not be converted (told the UI)
    NothingToUpload,  // told the UI
    NotConfirmed,     // the user declined (or a dry run)
    Failed,           // the transfer ended with files not sent, or files were refused
    Cancelled,        // the user stopped the transfer
    Uploaded          // every file sent
};

struct PublishOptions {
    bool dryRun = false; // convert and send nothing, change nothing; ends at the confirmation
    // Receives the site when the user trusted its server's certificate
    // during the upload, for the site list's owner to keep.
    std::function<void(const Site&)> keepSite;
    // Before the confirmation: the files among those to send (relative
    // paths) that must not go, with why (changed on the server since they
    // were last seen there). False with `problem` set when that can't be
    // known: the upload then stops.
    std::function<bool(const Site&, const QStringList& send, QList<uploadplan::Refusal>* held,
                       QString* problem)>
        holdBack;
    // Just before the transfer: the files about to be sent.
    std::function<void(const Site&, const QStringList& send)> beforeSend;
    // After the transfer: the files the server confirmed (relative paths).
    std::function<void(const Site&, const QStringList& sent)> afterSent;
};

// `site` is the site to publish (null when none is chosen); its local folder
// defaults to `defaultSiteFolder`. The record is read again before the plan
// is made, so marks made elsewhere meanwhile count.
PublishOutcome publish(const Site* site, const QString& defaultSiteFolder, UploadMarks& marks,
                       PublishUi& ui, const PublishOptions& options = {});

} // namespace morvane
