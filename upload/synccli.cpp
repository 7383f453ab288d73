#include "upload/synccli.h"

#include "sites/passwordstore.h"

#include "core/paths.h"
#include "core/sitestore.h"
#include "transfer/deletejob.h"
#include "transfer/downloadjob.h"
#include "transfer/runtoend.h"
#include "transfer/servertrust.h"
#include "transfer/serverwalk.h"
#include "upload/serverstate.h"
#include "upload/sitecompare.h"
#include "upload/terminalprogress.h"
#include "upload/uploadcli.h"
#include "upload/uploadmarks.h"
#include "upload/uploadplan.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSettings>
#include <QTextStream>

namespace morvane {

namespace {

const char kCompareUsage[] =
    "Usage: morvane compare [--verbose] [SITE]\n"
    "\n"
    "Lists the server folder of SITE (the current site when omitted) and\n"
    "prints one line for each file that is not the same on both sides:\n"
    "\"only here\", \"only on server\" or \"differs\" (size, or modification\n"
    "time beyond what the server shows), then the path.\n"
    "\n"
    "  -v, --verbose  show the FTP conversation's diagnostics\n"
    "  -h, --help     show this help\n"
    "\n"
    "Exit status: 0 all the same, 1 something differs, 2 usage error or the\n"
    "comparison could not be made.\n";

const char kDownloadUsage[] =
    "Usage: morvane download [--yes] [--dry-run] [--verbose] [SITE] [PATH...]\n"
    "\n"
    "Fetches the files of SITE's server folder (the current site when\n"
    "omitted) that are missing here or differ, or only those at or below\n"
    "the PATHs given. A file marked for upload (unsent work) is never\n"
    "overwritten: it is named and left alone. Each file is written under a\n"
    "temporary name and renamed into place once complete.\n"
    "\n"
    "  -y, --yes      download without asking for confirmation\n"
    "  -n, --dry-run  show what would be downloaded; change nothing\n"
    "  -v, --verbose  show the FTP conversation's diagnostics\n"
    "  -h, --help     show this help\n"
    "\n"
    "When standard error is a terminal, one line there shows the progress.\n"
    "\n"
    "Exit status: 0 all files downloaded, 1 failure or files left alone,\n"
    "2 usage error, 3 nothing to download, 4 not confirmed (or --dry-run).\n";

struct Options {
    bool yes = false;
    bool dryRun = false;
    bool verbose = false;
    bool help = false;
    QStringList words; // the site, then paths
};

bool parseArgs(const QStringList& args, bool acceptsYes, Options* opts, QString* problem) {
    bool optionsEnded = false;
    for (const QString& a : args) {
        const bool option = !optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1;
        if (option && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (option && acceptsYes &&
                   (a == QLatin1String("--yes") || a == QLatin1String("-y"))) {
            opts->yes = true;
        } else if (option && acceptsYes &&
                   (a == QLatin1String("--dry-run") || a == QLatin1String("-n"))) {
            opts->dryRun = true;
        } else if (option && (a == QLatin1String("--verbose") || a == QLatin1String("-v"))) {
            opts->verbose = true;
        } else if (option && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            opts->help = true;
        } else if (option) {
            *problem = QStringLiteral("unknown option \"%1\"").arg(escapeNameForTerminal(a));
            return false;
        } else {
            opts->words << a;
        }
    }
    return true;
}

// The site named (or the current one) and its local folder.
struct Chosen {
    Site site;
    QString folder;
};

std::optional<Chosen> chooseSite(const QString& command, const Options& opts, QTextStream& err) {
    std::unique_ptr<QSettings> settings = paths::openSettings();
    const SiteList sites = sitestore::load(*settings);
    const bool named = !opts.words.isEmpty();
    const QString name = named ? opts.words.first() : sitestore::currentSiteName(*settings);
    if (name.isEmpty()) {
        err << QCoreApplication::translate("CommandLine",
                                           "No site is chosen. Name the site: morvane %1 SITE\n")
                   .arg(command)
            << Qt::flush;
        return std::nullopt;
    }
    const Site* site = sitestore::find(sites, name);
    if (!site) {
        err << QCoreApplication::translate("CommandLine", "Site \"%1\" doesn't exist.")
                   .arg(escapeNameForTerminal(name))
            << '\n'
            << Qt::flush;
        return std::nullopt;
    }
    if (site->server().trimmed().isEmpty()) {
        err << QCoreApplication::translate("CommandLine",
                                           "The site \"%1\" has no server. Enter it in the site's "
                                           "properties (Sites > Edit... in the window).\n")
                   .arg(escapeNameForTerminal(site->name()))
            << Qt::flush;
        return std::nullopt;
    }
    QString problem;
    const QString folder = uploadplan::siteFolderFor(*site, paths::defaultSiteFolder(), &problem);
    if (folder.isEmpty()) {
        err << escapeForTerminal(problem) << '\n' << Qt::flush;
        return std::nullopt;
    }
    // The keyring is asked once, here, for every listing and download that
    // follows.
    QString why;
    std::optional<Site> filled = passwordstore::fetchPassword(*site, &why);
    if (!filled) {
        err << why << "\n" << Qt::flush;
        return std::nullopt;
    }
    return Chosen{*filled, folder};
}

// Trust is never decided here: say what was presented and how to review it.
void trustHint(const Site& site, TrustProblem problem, QTextStream& err) {
    if (problem == TrustProblem::None)
        return;
    err << escapeForTerminal(servertrust::commandLineHint(site, servertrust::fetch(site))) << '\n'
        << Qt::flush;
}

// Walks the server folder; prints why it failed and returns false.
bool walkServer(const Chosen& chosen, ServerWalk& walk, QTextStream& err) {
    runToEnd(walk);
    if (!walk.succeeded()) {
        err << escapeForTerminal(walk.errorText()) << '\n' << Qt::flush;
        trustHint(chosen.site, walk.trustProblem(), err);
        return false;
    }
    for (const ServerWalk::Skipped& s : walk.skipped())
        err << QCoreApplication::translate("CommandLine", "Skipped on the server: \"%1\": %2")
                   .arg(escapeNameForTerminal(s.path), escapeForTerminal(s.reason))
            << '\n';
    err << Qt::flush;
    return true;
}

void setVerbose(const Options& opts) {
    if (opts.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("morvane.ftp.debug=true"));
}

// Whether `path` is one of `wanted` or lies below one of them.
bool isWanted(const QString& path, const QStringList& wanted) {
    if (wanted.isEmpty())
        return true;
    for (const QString& w : wanted) {
        if (path == w || path.startsWith(w + QLatin1Char('/')))
            return true;
    }
    return false;
}

// After a download or deletion job: the server's state saved (`changed`:
// files were fetched or deleted; a warning when it can't be saved), then
// each file that failed named with its reason (`failedLine`: "...: \"%1\":
// %2") and a hint when the server is not trusted. False when the job failed.
template <typename Job>
bool reportEnd(const Site& site, const Job& job, ServerState& state, bool changed,
               const QString& failedLine, QTextStream& err) {
    QString problem;
    if (changed && !state.save(&problem))
        err << QCoreApplication::translate("CommandLine",
                                           "warning: the server's state is not remembered: %1")
                   .arg(escapeForTerminal(problem))
            << '\n'
            << Qt::flush;
    if (job.succeeded())
        return true;
    for (const QString& file : job.failedFiles())
        err << failedLine.arg(escapeNameForTerminal(file), escapeForTerminal(job.failureOf(file)))
            << '\n';
    err << Qt::flush;
    trustHint(site, job.trustProblem(), err);
    return false;
}

// Why nothing is deleted on the server (empty when already said), and the
// exit status that goes with it.
int nothingDeleted(const QString& why, QTextStream& err) {
    if (!why.isEmpty())
        err << escapeForTerminal(why) << '\n';
    err << QCoreApplication::translate("CommandLine", "Nothing is deleted on the server.\n")
        << Qt::flush;
    return uploadexit::Failed;
}

} // namespace

int runCompareCommandLine(const QStringList& args, QTextStream&, QTextStream& out,
                          QTextStream& err) {
    Options opts;
    QString problem;
    if (!parseArgs(args, false, &opts, &problem) || opts.words.size() > 1) {
        if (problem.isEmpty())
            problem = QCoreApplication::translate("CommandLine", "more than one site given");
        err << QCoreApplication::translate("CommandLine", "morvane compare: %1").arg(problem)
            << '\n'
            << kCompareUsage << Qt::flush;
        return compareexit::Trouble;
    }
    if (opts.help) {
        out << kCompareUsage << Qt::flush;
        return compareexit::Same;
    }
    setVerbose(opts);
    const auto chosen = chooseSite(QStringLiteral("compare"), opts, err);
    if (!chosen)
        return compareexit::Trouble;
    const Exclusions exclusions = Exclusions::forSite(chosen->site);
    const sitecompare::LocalScan local = sitecompare::scanLocal(chosen->folder, exclusions);
    if (!local.ok) {
        err << escapeForTerminal(local.problem) << '\n' << Qt::flush;
        return compareexit::Trouble;
    }
    ServerWalk walk(chosen->site, exclusions);
    if (!walkServer(*chosen, walk, err))
        return compareexit::Trouble;
    for (const sitecompare::LocalSkip& s : local.skipped)
        err << QCoreApplication::translate("CommandLine", "Skipped here: \"%1\": %2")
                   .arg(escapeNameForTerminal(s.path), escapeForTerminal(s.reason))
            << '\n';
    err << Qt::flush;
    bool differs = false;
    for (const sitecompare::Row& row : sitecompare::compare(local.files, walk.files())) {
        if (row.state == sitecompare::State::Same)
            continue;
        differs = true;
        out << sitecompare::stateName(row.state) << ": " << escapeNameForTerminal(row.path) << '\n';
    }
    out << Qt::flush;
    return differs ? compareexit::Differs : compareexit::Same;
}

int runDownloadCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                           QTextStream& err, bool progress) {
    Options opts;
    QString problem;
    if (!parseArgs(args, true, &opts, &problem)) {
        err << QCoreApplication::translate("CommandLine", "morvane download: %1").arg(problem)
            << '\n'
            << kDownloadUsage << Qt::flush;
        return downloadexit::Usage;
    }
    if (opts.help) {
        out << kDownloadUsage << Qt::flush;
        return downloadexit::Downloaded;
    }
    setVerbose(opts);
    QStringList wanted;
    for (const QString& word : opts.words.mid(1)) {
        const QStringList names = word.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (names.isEmpty() || names.contains(QStringLiteral("..")) ||
            names.contains(QStringLiteral("."))) {
            err << QCoreApplication::translate("CommandLine",
                                               "morvane download: the path \"%1\" is not a path "
                                               "inside the site\n")
                       .arg(escapeNameForTerminal(word))
                << Qt::flush;
            return downloadexit::Usage;
        }
        wanted << names.join(QLatin1Char('/'));
    }
    const auto chosen = chooseSite(QStringLiteral("download"), opts, err);
    if (!chosen)
        return downloadexit::Failed;

    UploadMarks marks(paths::needingUploadPath());
    if (marks.load() == NeedingUploadRecord::LoadResult::Unreadable) {
        // Without the record, unsent work can't be told apart: touch nothing.
        err << QCoreApplication::translate("CommandLine",
                                           "Can't read the record of files needing upload \"%1\"; "
                                           "nothing is downloaded.\n")
                   .arg(escapeNameForTerminal(marks.filePath()))
            << Qt::flush;
        return downloadexit::Failed;
    }

    const Exclusions exclusions = Exclusions::forSite(chosen->site);
    const sitecompare::LocalScan local = sitecompare::scanLocal(chosen->folder, exclusions);
    if (!local.ok) {
        err << escapeForTerminal(local.problem) << '\n' << Qt::flush;
        return downloadexit::Failed;
    }
    ServerWalk walk(chosen->site, exclusions);
    if (!walkServer(*chosen, walk, err))
        return downloadexit::Failed;
    bool heldBack = !walk.skipped().isEmpty();

    QList<DownloadJob::File> files;
    QStringList keptHere;
    for (const sitecompare::Row& row : sitecompare::compare(local.files, walk.files())) {
        if (row.state != sitecompare::State::OnlyOnServer &&
            row.state != sitecompare::State::Differs)
            continue;
        if (!isWanted(row.path, wanted))
            continue;
        if (marks.contains(chosen->folder + QLatin1Char('/') + row.path)) {
            keptHere << row.path;
            continue;
        }
        files.append({row.path, walk.files().value(row.path)});
    }
    for (const QString& path : keptHere)
        err << QCoreApplication::translate(
                   "CommandLine", "Not downloaded, marked for upload (unsent work here): \"%1\"\n")
                   .arg(escapeNameForTerminal(path));
    err << Qt::flush;
    heldBack = heldBack || !keptHere.isEmpty();
    if (files.isEmpty()) {
        out << QCoreApplication::translate("CommandLine", "Nothing to download.\n") << Qt::flush;
        return heldBack ? downloadexit::Failed : downloadexit::NothingToFetch;
    }
    out << QCoreApplication::translate("CommandLine", "These files will be downloaded:\n");
    for (const DownloadJob::File& f : files)
        out << "  " << escapeNameForTerminal(f.path) << '\n';
    out << QCoreApplication::translate("CommandLine", "from %1 into %2")
               .arg(escapeNameForTerminal(chosen->site.server()),
                    escapeNameForTerminal(chosen->folder))
        << '\n'
        << Qt::flush;
    if (opts.dryRun)
        return downloadexit::NotConfirmed;
    if (!opts.yes) {
        out << QCoreApplication::translate("CommandLine", "Download? [y/N] ") << Qt::flush;
        const QString answer = in.readLine().trimmed().toLower();
        if (answer != QLatin1String("y") && answer != QLatin1String("yes"))
            return downloadexit::NotConfirmed;
    }

    DownloadJob job(chosen->site, chosen->folder, files);
    job.useConnections(walk.takeConnections()); // no second round of logins
    TerminalProgress display(err, progress);
    qint64 bytes = 0;
    for (const DownloadJob::File& f : files)
        bytes += std::max<qint64>(0, f.server.size);
    display.start(int(files.size()), bytes);
    QObject::connect(&job, &DownloadJob::message, &job, [&](const QString& line) {
        display.makeWay();
        out << escapeForTerminal(line) << '\n' << Qt::flush;
    });
    QObject::connect(&job, &DownloadJob::progress, &job,
                     [&](qint64 bytesDone, qint64, int filesDone, int) {
                         display.setDone(filesDone, bytesDone);
                     });
    runToEnd(job);
    display.makeWay();
    // How the server held each file fetched, for the next upload to check.
    ServerState state;
    state.load(chosen->site, marks.filePath());
    for (const QString& path : job.downloadedFiles())
        state.remember(path, walk.files().value(path));
    if (!reportEnd(chosen->site, job, state, !job.downloadedFiles().isEmpty(),
                   QCoreApplication::translate("CommandLine", "Not downloaded: \"%1\": %2"), err))
        return downloadexit::Failed;
    return heldBack ? downloadexit::Failed : downloadexit::Downloaded;
}

int runServerDeletions(const Site& siteAsStored, const QString& siteFolder, bool dryRun, bool yes,
                       QTextStream& in, QTextStream& out, QTextStream& err, bool progress) {
    QString why;
    const std::optional<Site> filled = passwordstore::fetchPassword(siteAsStored, &why);
    if (!filled)
        return nothingDeleted(why, err);
    const Site& site = *filled;
    const Exclusions exclusions = Exclusions::forSite(site);
    const sitecompare::LocalScan local = sitecompare::scanLocal(siteFolder, exclusions);
    if (!local.ok)
        return nothingDeleted(local.problem, err);
    ServerWalk walk(site, exclusions);
    if (!walkServer({site, siteFolder}, walk, err))
        return nothingDeleted(QString(), err);
    const sitecompare::Deletions deletions = sitecompare::serverDeletions(local, walk, exclusions);
    if (deletions.isEmpty()) {
        out << QCoreApplication::translate("CommandLine", "Nothing to delete on the server.\n")
            << Qt::flush;
        return uploadexit::Uploaded;
    }
    out << QCoreApplication::translate("CommandLine",
                                       "These files will be deleted on the server:\n");
    for (const QString& f : deletions.files)
        out << "  " << escapeNameForTerminal(f) << '\n';
    for (const QString& f : deletions.folders)
        out << "  " << escapeNameForTerminal(f)
            << QCoreApplication::translate("CommandLine", "/ (if empty)\n");
    out << QCoreApplication::translate("CommandLine", "in the server folder of %1")
               .arg(escapeNameForTerminal(site.name()))
        << '\n'
        << Qt::flush;
    if (dryRun)
        return uploadexit::NotConfirmed;
    if (!yes) {
        out << QCoreApplication::translate("CommandLine", "Delete? [y/N] ") << Qt::flush;
        const QString answer = in.readLine().trimmed().toLower();
        if (answer != QLatin1String("y") && answer != QLatin1String("yes"))
            return uploadexit::NotConfirmed;
    }
    DeleteJob job(site, deletions.files, deletions.folders);
    job.useConnections(walk.takeConnections());
    TerminalProgress display(err, progress);
    display.start(int(deletions.files.size()), 0);
    int count = 0;
    QObject::connect(&job, &DeleteJob::message, &job, [&](const QString& line) {
        display.makeWay();
        out << escapeForTerminal(line) << '\n' << Qt::flush;
        count = std::min(count + 1, int(deletions.files.size()));
        display.setDone(count, 0);
    });
    runToEnd(job);
    display.makeWay();
    ServerState state;
    state.load(site, paths::needingUploadPath());
    for (const QString& path : job.deletedFiles())
        state.forget(path);
    if (!reportEnd(site, job, state, !job.deletedFiles().isEmpty(),
                   QCoreApplication::translate("CommandLine", "Not deleted: \"%1\": %2"), err))
        return uploadexit::Failed;
    return uploadexit::Uploaded;
}

} // namespace morvane
