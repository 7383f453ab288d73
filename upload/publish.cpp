#include "upload/publish.h"

#include "upload/uploadmarks.h"

#include "core/exclusions.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>

namespace morvane {

namespace {

// What a file looked like when the upload was planned. A file saved again
// while it is being sent must keep its mark: the server may have the older
// bytes.
struct Stamp {
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const QString& path) {
    const QFileInfo info(path);
    return {info.size(), info.lastModified()};
}

void reportRefusals(PublishUi& ui, const QList<uploadplan::Refusal>& refused) {
    if (refused.isEmpty())
        return;
    // One report for all of them: a folder of links must not bring an alert
    // per file.
    if (refused.size() == 1) {
        const QString& reason = refused[0].reason;
        ui.problem(
            QCoreApplication::translate("Upload", "\"%1\" was not sent.").arg(refused[0].file),
            reason.left(1).toUpper() + reason.mid(1) + QLatin1Char('.'));
        return;
    }
    QStringList lines;
    for (const uploadplan::Refusal& r : refused)
        lines << QStringLiteral("\"%1\": %2.").arg(r.file, r.reason);
    ui.problem(QCoreApplication::translate("Upload", "%1 files were not sent.").arg(refused.size()),
               lines.join(QLatin1Char('\n')));
}

} // namespace

PublishOutcome publish(const Site* site, const QString& defaultSiteFolder, UploadMarks& marks,
                       PublishUi& ui, const PublishOptions& options) {
    if (!site) {
        ui.noSiteChosen();
        return PublishOutcome::NoSiteChosen;
    }
    if (site->server().trimmed().isEmpty()) {
        ui.siteHasNoServer(*site);
        return PublishOutcome::NoServer;
    }
    QString folderError;
    const QString folder = uploadplan::siteFolderFor(*site, defaultSiteFolder, &folderError);
    if (folder.isEmpty()) {
        ui.problem(folderError, QCoreApplication::translate(
                                    "Upload", "Set the folder's full path (starting with \"/\") "
                                              "in the site's properties."));
        return PublishOutcome::BadSiteFolder;
    }

    // Another process (the other of window and command line) may have
    // changed the record since it was last read here.
    marks.reload();

    const uploadplan::MarkdownPass pass =
        uploadplan::convertMarkdown(marks.paths(), folder, options.dryRun);
    if (!options.dryRun)
        for (const QString& html : pass.htmlFiles)
            marks.mark(html);
    if (!pass.ok) {
        ui.problem(pass.error.title, pass.error.message);
        return PublishOutcome::ConversionFailed;
    }

    uploadplan::Files files = uploadplan::collectFiles(
        marks.paths(), folder, options.dryRun ? pass.htmlFiles : QStringList());
    // Excluded names (version control, editor backups, the site's own
    // patterns) are never sent; their marks go.
    const Exclusions exclusions = Exclusions::forSite(*site);
    QStringList excluded;
    for (const QString& rel : files.send) {
        if (exclusions.excludes(rel))
            excluded << rel;
    }
    for (const QString& rel : excluded)
        files.send.removeAll(rel);
    if (!options.dryRun && !excluded.isEmpty()) {
        QStringList full;
        for (const QString& rel : excluded)
            full << folder + QLatin1Char('/') + rel;
        marks.forgetSent(full);
    }
    if (files.send.isEmpty() && files.refused.isEmpty()) {
        ui.nothingToUpload();
        return PublishOutcome::NothingToUpload;
    }
    if (options.holdBack && !files.send.isEmpty()) {
        QList<uploadplan::Refusal> held;
        QString problem;
        if (!options.holdBack(*site, files.send, &held, &problem)) {
            ui.problem(QStringLiteral("Can't check the server for changes made there."), problem);
            return PublishOutcome::Failed;
        }
        for (const uploadplan::Refusal& r : held) {
            files.send.removeAll(r.file);
            files.refused.append(r);
        }
    }
    if (!ui.confirm(*site, files) || options.dryRun)
        return PublishOutcome::NotConfirmed;
    if (files.send.isEmpty()) {
        reportRefusals(ui, files.refused);
        return PublishOutcome::Failed;
    }

    QStringList sent;
    QHash<QString, Stamp> stamps;
    for (const QString& rel : files.send) {
        const QString path = folder + QLatin1Char('/') + rel;
        stamps.insert(path, stampOf(path));
    }

    auto makeJob = [&](const Site& target, const QStringList& send) {
        std::unique_ptr<TransferJob> job = TransferJob::makeUpload(target, folder, send);
        QObject::connect(job.get(), &TransferJob::fileUploaded, &marks,
                         [&marks, &stamps, &sent, folder](const QString& rel) {
                             sent << rel;
                             const QString path = folder + QLatin1Char('/') + rel;
                             auto it = stamps.constFind(path);
                             if (it != stamps.constEnd() && *it == stampOf(path))
                                 marks.forgetSent({path});
                         });
        return job;
    };
    Site target = *site;
    if (options.beforeSend)
        options.beforeSend(target, files.send);
    PublishUi::TransferPlan plan;
    for (const QString& rel : files.send)
        plan.files.append({rel, stamps.value(folder + QLatin1Char('/') + rel).size});
    plan.retry = [&](const QStringList& failed) { return makeJob(target, failed); };
    ui.planTransfer(plan);
    TransferJob::Outcome outcome = ui.runTransfer(target, makeJob(target, files.send));
    // Nothing was sent to a server not trusted yet. Once the user has seen
    // it and trusts it, the upload runs again.
    if (outcome == TransferJob::Outcome::Failed && ui.trustServer(target)) {
        if (options.keepSite && !(target == *site))
            options.keepSite(target);
        outcome = ui.runTransfer(target, makeJob(target, files.send));
    }
    if (outcome == TransferJob::Outcome::Succeeded && files.refused.isEmpty())
        marks.forgetSent(uploadplan::vanishedFiles(marks.paths(), folder));
    if (options.afterSent)
        options.afterSent(target, sent);
    // However the transfer ended, the confirmed files' marks reach the file now.
    marks.flush();
    reportRefusals(ui, files.refused);

    switch (outcome) {
    case TransferJob::Outcome::Succeeded:
        return files.refused.isEmpty() ? PublishOutcome::Uploaded : PublishOutcome::Failed;
    case TransferJob::Outcome::Cancelled:
        return PublishOutcome::Cancelled;
    case TransferJob::Outcome::Running:
    case TransferJob::Outcome::Failed:
        break;
    }
    return PublishOutcome::Failed;
}

} // namespace morvane
