#include "upload/uploadcli.h"

#include "core/paths.h"
#include "core/sitestore.h"
#include "upload/needinguploadrecord.h"
#include "upload/transferjob.h"
#include "upload/uploadplan.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSettings>
#include <QTextStream>

namespace morvane {

namespace {

const char kUsage[] = "Usage: morvane upload [--yes] [--dry-run] [SITE]\n"
                      "\n"
                      "Uploads the changed files of SITE (the current site when omitted),\n"
                      "after converting its changed Markdown files to HTML.\n"
                      "\n"
                      "  -y, --yes      upload without asking for confirmation\n"
                      "  -n, --dry-run  show what would be uploaded; change nothing\n"
                      "  -h, --help     show this help\n"
                      "\n"
                      "Exit status: 0 all files uploaded, 1 failure, 2 usage error,\n"
                      "3 nothing to upload, 4 not confirmed (or --dry-run).\n";

struct Options {
    bool yes = false;
    bool dryRun = false;
    bool help = false;
    QString site;
    bool siteGiven = false;
};

bool parseArgs(const QStringList& args, Options* opts, QString* problem) {
    bool optionsEnded = false;
    for (const QString& a : args) {
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (a == QLatin1String("--yes") || a == QLatin1String("-y"))) {
            opts->yes = true;
        } else if (!optionsEnded && (a == QLatin1String("--dry-run") || a == QLatin1String("-n"))) {
            opts->dryRun = true;
        } else if (!optionsEnded && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            opts->help = true;
        } else if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *problem = QStringLiteral("unknown option \"%1\"").arg(a);
            return false;
        } else if (opts->siteGiven) {
            *problem = QStringLiteral("more than one site given");
            return false;
        } else {
            opts->site = a;
            opts->siteGiven = true;
        }
    }
    return true;
}

bool confirmed(QTextStream& in, QTextStream& out) {
    out << "Upload? [y/N] " << Qt::flush;
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

// Runs the transfer on the event loop, printing each status line as the
// transfer window would show it. True when every file was sent.
bool runTransfer(const Site& site, const QString& siteFolder, const QStringList& files,
                 QTextStream& out) {
    std::unique_ptr<TransferJob> job = TransferJob::makeUpload(site, siteFolder, files);
    QEventLoop loop;
    bool anyLine = false;
    QObject::connect(job.get(), &TransferJob::message, &loop, [&](const QString& line) {
        out << line << '\n' << Qt::flush;
        anyLine = true;
    });
    QObject::connect(job.get(), &TransferJob::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    job->start();
    if (!job->isFinished())
        loop.exec();
    if (!anyLine)
        out << job->resultText() << '\n' << Qt::flush;
    return job->succeeded();
}

} // namespace

int runUploadCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                         QTextStream& err) {
    Options opts;
    QString problem;
    if (!parseArgs(args, &opts, &problem)) {
        err << "morvane upload: " << problem << "\n" << kUsage << Qt::flush;
        return uploadexit::Usage;
    }
    if (opts.help) {
        out << kUsage << Qt::flush;
        return uploadexit::Uploaded;
    }
    if (!QCoreApplication::instance()) {
        err << "morvane upload: no application object\n" << Qt::flush;
        return uploadexit::Failed;
    }

    // The site: the one named, else the current one.
    std::unique_ptr<QSettings> settings = paths::openSettings();
    const SiteList sites = sitestore::load(*settings);
    const QString name = opts.siteGiven ? opts.site : sitestore::currentSiteName(*settings);
    if (name.isEmpty()) {
        err << "Before you can upload you need to choose (and maybe set up) a site.\n"
            << "Name the site: morvane upload SITE\n"
            << Qt::flush;
        return uploadexit::Failed;
    }
    const Site* site = sitestore::find(sites, name);
    if (!site) {
        if (opts.siteGiven)
            err << QStringLiteral("Site \"%1\" doesn't exist.").arg(name) << '\n';
        else
            err << "Can't get properties for current site: " << name << '\n';
        err << Qt::flush;
        return uploadexit::Failed;
    }
    const QString siteFolder = uploadplan::siteFolderFor(*site, paths::defaultSiteFolder());

    NeedingUploadRecord record(paths::needingUploadPath());
    QString setAside;
    switch (record.load(&setAside)) {
    case NeedingUploadRecord::LoadResult::Missing:
    case NeedingUploadRecord::LoadResult::Loaded:
        break;
    case NeedingUploadRecord::LoadResult::SetAside:
        err << "The record of files needing upload was unreadable; it was moved to \"" << setAside
            << "\" and a new one is started.\n"
            << Qt::flush;
        break;
    case NeedingUploadRecord::LoadResult::Unreadable:
        err << "Can't read the record of files needing upload \"" << record.filePath() << "\".\n"
            << Qt::flush;
        return uploadexit::Failed;
    }

    const uploadplan::MarkdownPass pass =
        uploadplan::convertMarkdown(record, siteFolder, opts.dryRun);
    if (!pass.ok) {
        err << pass.error.title << '\n';
        if (!pass.error.message.isEmpty())
            err << pass.error.message << '\n';
        err << Qt::flush;
        return uploadexit::Failed;
    }
    const QStringList files =
        uploadplan::collectFiles(record, siteFolder, opts.dryRun ? pass.htmlFiles : QStringList());
    if (files.isEmpty()) {
        out << "Nothing to upload.\n" << Qt::flush;
        return uploadexit::NothingToSend;
    }

    out << uploadplan::confirmationText(*site, files) << '\n' << Qt::flush;
    if (opts.dryRun || (!opts.yes && !confirmed(in, out)))
        return uploadexit::NotConfirmed;

    if (!runTransfer(*site, siteFolder, files, out))
        return uploadexit::Failed;

    // Start from the record as it is on disk now: the editor may have marked
    // files while the transfer ran.
    NeedingUploadRecord latest(record.filePath());
    const auto reloaded = latest.load();
    NeedingUploadRecord& target =
        reloaded == NeedingUploadRecord::LoadResult::Loaded ? latest : record;
    uploadplan::forgetSentFiles(target, siteFolder, files);
    QString error;
    if (!target.save(&error)) {
        err << "Can't save the record of files needing upload \"" << target.filePath()
            << "\": " << error << '\n'
            << Qt::flush;
        return uploadexit::Failed;
    }
    return uploadexit::Uploaded;
}

} // namespace morvane
