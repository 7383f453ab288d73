#include "upload/uploadcli.h"

#include "core/paths.h"
#include "core/sitestore.h"
#include "sites/passwordstore.h"
#include "transfer/servertrust.h"
#include "upload/publish.h"
#include "upload/serverstate.h"
#include "upload/synccli.h"
#include "upload/terminalprogress.h"
#include "upload/uploadmarks.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QLoggingCategory>
#include <QSettings>
#include <QTextStream>

#include <algorithm>

namespace morvane {

namespace {

const char kUsage[] = QT_TRANSLATE_NOOP(
    "CommandLine",
    "Usage: morvane upload [--yes] [--dry-run] [--delete] [--force] [--verbose] [SITE]\n"
    "\n"
    "Uploads the changed files of SITE (the current site when omitted),\n"
    "after converting its changed Markdown files to HTML. Files the server\n"
    "confirmed lose their mark; every other file keeps it.\n"
    "\n"
    "  -y, --yes      upload (and delete) without asking for confirmation\n"
    "  -n, --dry-run  show what would be uploaded (and deleted); change nothing\n"
    "  -d, --delete   after the upload, delete the server's files that have\n"
    "                 no counterpart here (never excluded names), then the\n"
    "                 server folders left empty; every file is listed first\n"
    "  -f, --force    overwrite files changed on the server since they\n"
    "                 were last uploaded or downloaded (by default such a\n"
    "                 file is not sent, is named, and the status is 1)\n"
    "  -v, --verbose  show the FTP conversation's diagnostics\n"
    "  -h, --help     show this help\n"
    "\n"
    "When standard error is a terminal, one line there shows the progress.\n"
    "\n"
    "Exit status: 0 all files uploaded, 1 failure, 2 usage error,\n"
    "3 nothing to upload, 4 not confirmed (or --dry-run).\n");

struct Options {
    bool yes = false;
    bool dryRun = false;
    bool verbose = false;
    bool help = false;
    bool deleteOnServer = false;
    bool force = false;
    QString site;
    bool siteGiven = false;
};

bool parseArgs(const QStringList& args, Options* opts, QString* problem) {
    bool optionsEnded = false;
    for (const QString& a : args) {
        const bool option = !optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1;
        if (option && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (option && (a == QLatin1String("--yes") || a == QLatin1String("-y"))) {
            opts->yes = true;
        } else if (option && (a == QLatin1String("--dry-run") || a == QLatin1String("-n"))) {
            opts->dryRun = true;
        } else if (option && (a == QLatin1String("--verbose") || a == QLatin1String("-v"))) {
            opts->verbose = true;
        } else if (option && (a == QLatin1String("--delete") || a == QLatin1String("-d"))) {
            opts->deleteOnServer = true;
        } else if (option && (a == QLatin1String("--force") || a == QLatin1String("-f"))) {
            opts->force = true;
        } else if (option && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            opts->help = true;
        } else if (option) {
            *problem = QCoreApplication::translate("CommandLine", "unknown option \"%1\"")
                           .arg(escapeNameForTerminal(a));
            return false;
        } else if (opts->siteGiven) {
            *problem = QCoreApplication::translate("CommandLine", "more than one site given");
            return false;
        } else {
            opts->site = a;
            opts->siteGiven = true;
        }
    }
    return true;
}

// The publish sequence on a terminal: the plan and the status lines on
// standard output, problems on standard error, the question as [y/N].
class TerminalPublishUi : public PublishUi {
public:
    TerminalPublishUi(const Options& options, QTextStream& in, QTextStream& out, QTextStream& err,
                      bool progress)
        : m_options(options), m_in(in), m_out(out), m_err(err), m_progress(progress) {}

    void noSiteChosen() override {
        m_err << QCoreApplication::translate(
                     "CommandLine",
                     "Before you can upload you need to choose (and maybe set up) a site.\n"
                     "Name the site: morvane upload SITE\n")
              << Qt::flush;
    }
    void siteHasNoServer(const Site& site) override {
        m_err << QCoreApplication::translate(
                     "CommandLine",
                     "The site \"%1\" has no FTP server to upload to.\n"
                     "Enter the server in the site's properties (Sites > Edit... in the window).\n")
                     .arg(escapeNameForTerminal(site.name()))
              << Qt::flush;
    }
    void problem(const QString& title, const QString& message) override {
        m_err << escapeForTerminal(title) << '\n';
        if (!message.isEmpty())
            m_err << escapeForTerminal(message) << '\n';
        m_err << Qt::flush;
    }
    void nothingToUpload() override {
        m_out << QCoreApplication::translate("CommandLine", "Nothing to upload.\n") << Qt::flush;
    }
    bool confirm(const Site& site, const uploadplan::Files& files) override {
        // Names are shown escaped; the structure of the text is not.
        uploadplan::Files shown;
        for (const QString& f : files.send)
            shown.send << escapeNameForTerminal(f);
        for (const uploadplan::Refusal& r : files.refused)
            shown.refused.append({escapeNameForTerminal(r.file), r.reason});
        Site safe = site;
        safe.setValue(sitekey::server, escapeNameForTerminal(site.server()));
        safe.setValue(sitekey::serverfolder, escapeNameForTerminal(site.serverFolder()));
        m_out << uploadplan::confirmationText(
                     safe, shown,
                     QCoreApplication::translate("CommandLine", "These files will be uploaded:"))
              << '\n'
              << Qt::flush;
        if (m_options.dryRun)
            return false;
        if (m_options.yes)
            return true;
        m_out << QCoreApplication::translate("CommandLine", "Upload? [y/N] ") << Qt::flush;
        const QString answer = m_in.readLine().trimmed().toLower();
        return answer == QLatin1String("y") || answer == QLatin1String("yes");
    }
    void planTransfer(const TransferPlan& plan) override { m_plan = plan; }
    TransferJob::Outcome runTransfer(const Site& site, std::unique_ptr<TransferJob> job) override {
        QEventLoop loop;
        bool anyLine = false;
        TerminalProgress display(m_err, m_progress);
        QHash<QString, qint64> sizes;
        qint64 bytes = 0;
        for (const auto& [path, size] : m_plan.files) {
            sizes.insert(path, std::max<qint64>(0, size));
            bytes += std::max<qint64>(0, size);
        }
        display.start(int(m_plan.files.size()), bytes);
        int filesSent = 0;
        qint64 bytesSent = 0;
        QObject::connect(job.get(), &TransferJob::message, &loop, [&](const QString& line) {
            display.makeWay();
            m_out << escapeForTerminal(line) << '\n' << Qt::flush;
            anyLine = true;
        });
        QObject::connect(job.get(), &TransferJob::fileUploaded, &loop, [&](const QString& path) {
            bytesSent += sizes.value(path);
            display.setDone(++filesSent, bytesSent);
        });
        QObject::connect(job.get(), &TransferJob::finished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        // A password kept in the keyring is fetched first; the job starts
        // with the answer.
        const std::unique_ptr<PasswordRequest> password = passwordstore::request(site);
        if (password) {
            QObject::connect(password.get(), &PasswordRequest::answered, &loop,
                             [&job](const QString& text) {
                                 job->usePassword(text);
                                 job->start();
                             });
            QObject::connect(password.get(), &PasswordRequest::failed, &loop,
                             [&job](const QString& why) { job->failToStart(why); });
            password->start();
        } else {
            job->start();
        }
        if (!job->isFinished())
            loop.exec();
        else
            QCoreApplication::processEvents(); // the queued finished()
        display.makeWay();
        if (!anyLine)
            m_out << escapeForTerminal(job->resultText()) << '\n' << Qt::flush;
        // The summary line counts the files that failed; each is named here
        // with its own reason, one line each.
        if (job->outcome() == TransferJob::Outcome::Failed) {
            for (const QString& file : job->failedFiles())
                m_err << QCoreApplication::translate("CommandLine", "Not uploaded: \"%1\": %2")
                             .arg(escapeNameForTerminal(file),
                                  escapeForTerminal(job->failureOf(file)))
                      << '\n';
            m_err << Qt::flush;
        }
        // Trust is never decided here, where nobody may be watching: say
        // what was presented and how to review it.
        if (job->trustProblem() != TrustProblem::None)
            m_err << escapeForTerminal(
                         servertrust::commandLineHint(site, servertrust::fromJob(site, *job)))
                  << '\n'
                  << Qt::flush;
        return job->outcome();
    }

private:
    const Options& m_options;
    QTextStream& m_in;
    QTextStream& m_out;
    QTextStream& m_err;
    bool m_progress;
    TransferPlan m_plan;
};

// Plain-text passwords move to the keyring; without one they stay, and
// one line says so.
void migratePasswords(QSettings& settings, SiteList& sites, QTextStream& err) {
    const bool anyPlain = std::any_of(sites.cbegin(), sites.cend(),
                                      [](const Site& s) { return !s.password().isEmpty(); });
    if (!anyPlain)
        return;
    QString why;
    if (passwordstore::migrate(sites, &why) > 0)
        sitestore::save(settings, sites);
    if (!why.isEmpty())
        err << QCoreApplication::translate("CommandLine",
                                           "warning: passwords stay in the settings file: %1")
                   .arg(escapeForTerminal(why))
            << '\n'
            << Qt::flush;
}

int exitStatus(PublishOutcome outcome) {
    switch (outcome) {
    case PublishOutcome::Uploaded:
        return uploadexit::Uploaded;
    case PublishOutcome::NothingToUpload:
        return uploadexit::NothingToSend;
    case PublishOutcome::NotConfirmed:
        return uploadexit::NotConfirmed;
    case PublishOutcome::NoSiteChosen:
    case PublishOutcome::NoServer:
    case PublishOutcome::BadSiteFolder:
    case PublishOutcome::ConversionFailed:
    case PublishOutcome::Failed:
    case PublishOutcome::Cancelled:
        break;
    }
    return uploadexit::Failed;
}

} // namespace

namespace {
// Whether line feeds and tabs are written as they are.
enum class Breaks { Keep, Escape };

QString escapeControls(const QString& text, Breaks breaks) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const bool keep = breaks == Breaks::Keep && (c == u'\n' || c == u'\t');
        if (!keep && (c < 0x20 || (c >= 0x7F && c <= 0x9F)))
            out += QStringLiteral("\\x") +
                   QString::number(int(c), 16).rightJustified(2, QLatin1Char('0')).toUpper();
        else
            out += ch;
    }
    return out;
}
} // namespace

QString escapeForTerminal(const QString& text) {
    return escapeControls(text, Breaks::Keep);
}

QString escapeNameForTerminal(const QString& name) {
    return escapeControls(name, Breaks::Escape);
}

int runUploadCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                         QTextStream& err, bool progress) {
    Options opts;
    QString problem;
    if (!parseArgs(args, &opts, &problem)) {
        err << "morvane upload: " << problem << "\n"
            << QCoreApplication::translate("CommandLine", kUsage) << Qt::flush;
        return uploadexit::Usage;
    }
    if (opts.help) {
        out << QCoreApplication::translate("CommandLine", kUsage) << Qt::flush;
        return uploadexit::Uploaded;
    }
    if (!QCoreApplication::instance()) {
        err << "morvane upload: no application object\n" << Qt::flush;
        return uploadexit::Failed;
    }
    if (opts.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("morvane.ftp.debug=true"));

    TerminalPublishUi ui(opts, in, out, err, progress);

    // The site: the one named, else the current one.
    std::unique_ptr<QSettings> settings = paths::openSettings();
    SiteList sites = sitestore::load(*settings);
    migratePasswords(*settings, sites, err);
    const QString name = opts.siteGiven ? opts.site : sitestore::currentSiteName(*settings);
    const Site* site = name.isEmpty() ? nullptr : sitestore::find(sites, name);
    if (!name.isEmpty() && !site) {
        if (opts.siteGiven)
            err << QCoreApplication::translate("CommandLine", "Site \"%1\" doesn't exist.")
                       .arg(escapeNameForTerminal(name))
                << '\n';
        else
            err << QCoreApplication::translate("CommandLine",
                                               "Can't get properties for current site: %1")
                       .arg(escapeNameForTerminal(name))
                << '\n';
        err << Qt::flush;
        return uploadexit::Failed;
    }

    UploadMarks marks(paths::needingUploadPath());
    QString setAside;
    switch (marks.load(&setAside)) {
    case NeedingUploadRecord::LoadResult::Missing:
    case NeedingUploadRecord::LoadResult::Loaded:
        break;
    case NeedingUploadRecord::LoadResult::SetAside:
        err << QCoreApplication::translate(
                   "CommandLine",
                   "The record of files needing upload was unreadable; it was moved to \"%1\" "
                   "and a new one is started.\n")
                   .arg(escapeNameForTerminal(setAside))
            << Qt::flush;
        break;
    case NeedingUploadRecord::LoadResult::Unreadable:
        err << QCoreApplication::translate(
                   "CommandLine", "Can't read the record of files needing upload \"%1\".\n")
                   .arg(escapeNameForTerminal(marks.filePath()))
            << Qt::flush;
        return uploadexit::Failed;
    }

    PublishOptions options;
    options.dryRun = opts.dryRun;
    // A file changed on the server since it was last seen there is not
    // overwritten without --force; after the upload the server's state is
    // remembered.
    const QString recordPath = marks.filePath();
    int conflicts = 0;
    options.holdBack = [&](const Site& s, const QStringList& send, QList<uploadplan::Refusal>* held,
                           QString* problem) {
        if (opts.force)
            return true;
        const bool ok = serverstate::holdBackConflicts(s, recordPath, send, held, problem);
        conflicts = int(held->size());
        return ok;
    };
    options.beforeSend = [&](const Site& s, const QStringList& send) {
        serverstate::forgetBeforeSending(s, recordPath, send);
    };
    options.afterSent = [&](const Site& s, const QStringList& sent) {
        QString problem;
        if (!serverstate::rememberServer(s, recordPath, sent, &problem))
            err << QCoreApplication::translate(
                       "CommandLine", "warning: the server's state after the upload is not "
                                      "remembered: %1")
                       .arg(escapeForTerminal(problem))
                << '\n'
                << Qt::flush;
    };
    const PublishOutcome outcome = publish(site, paths::defaultSiteFolder(), marks, ui, options);
    // The marks of the files sent must be on disk before the status says so.
    if (marks.hasUnwrittenChanges() && !marks.flush())
        return uploadexit::Failed;
    if (conflicts > 0)
        err << QCoreApplication::translate("CommandLine",
                                           "Files changed on the server were not overwritten; "
                                           "upload with --force to overwrite them.\n")
            << Qt::flush;
    if (!opts.deleteOnServer || !site)
        return exitStatus(outcome);
    // Deletions follow an upload that went well (a file renamed here is
    // then on the server under its new name before the old one goes).
    const bool uploaded = outcome == PublishOutcome::Uploaded ||
                          outcome == PublishOutcome::NothingToUpload ||
                          (outcome == PublishOutcome::NotConfirmed && opts.dryRun);
    if (!uploaded) {
        if (outcome != PublishOutcome::NotConfirmed)
            err << QCoreApplication::translate(
                       "CommandLine",
                       "Nothing is deleted on the server: the upload did not succeed.\n")
                << Qt::flush;
        return exitStatus(outcome);
    }
    const int deleted =
        runServerDeletions(*site, uploadplan::siteFolderFor(*site, paths::defaultSiteFolder()),
                           opts.dryRun, opts.yes, in, out, err, progress);
    return deleted != uploadexit::Uploaded           ? deleted
           : outcome == PublishOutcome::NotConfirmed ? uploadexit::NotConfirmed
                                                     : uploadexit::Uploaded;
}

int runTrustCommandLine(const QStringList& args, QTextStream& in, QTextStream& out,
                        QTextStream& err) {
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-'))) {
        err << QCoreApplication::translate(
                   "CommandLine",
                   "Usage: morvane trust SITE\n\n"
                   "Shows the certificate (FTPS) or host key (SFTP) the server of SITE\n"
                   "presents and, when you answer y, trusts it: a certificate is pinned\n"
                   "for the site, a host key is added to ~/.ssh/known_hosts.\n")
            << Qt::flush;
        return uploadexit::Usage;
    }
    std::unique_ptr<QSettings> settings = paths::openSettings();
    SiteList sites = sitestore::load(*settings);
    Site* site = sitestore::find(sites, args[0]);
    if (!site) {
        err << QCoreApplication::translate("CommandLine", "Site \"%1\" doesn't exist.")
                   .arg(escapeNameForTerminal(args[0]))
            << '\n'
            << Qt::flush;
        return uploadexit::Failed;
    }
    const ServerIdentity identity = servertrust::fetch(*site);
    if (!identity.isValid()) {
        err << QCoreApplication::translate("CommandLine", "Can't read what the server presents: %1")
                   .arg(escapeForTerminal(identity.failure))
            << '\n'
            << Qt::flush;
        return uploadexit::Failed;
    }
    if (identity.problem == TrustProblem::None) {
        out << (identity.protocol == SiteProtocol::Sftp
                    ? QCoreApplication::translate(
                          "CommandLine",
                          "The server's host key %1 is in your known hosts already.\n")
                    : QCoreApplication::translate(
                          "CommandLine", "%1\nThis certificate is trusted for the site already.\n"))
                   .arg(escapeForTerminal(identity.protocol == SiteProtocol::Sftp
                                              ? identity.fingerprint()
                                              : describeCertificate(identity.certificate)))
            << Qt::flush;
        return uploadexit::Uploaded;
    }
    out << escapeForTerminal(servertrust::question(*site, identity)) << '\n' << Qt::flush;
    if (!servertrust::mayAccept(identity))
        return uploadexit::Failed;
    out << QCoreApplication::translate("CommandLine", "Trust it? [y/N] ") << Qt::flush;
    const QString answer = in.readLine().trimmed().toLower();
    if (answer != QLatin1String("y") && answer != QLatin1String("yes")) {
        out << QCoreApplication::translate("CommandLine", "Not trusted; nothing changed.\n")
            << Qt::flush;
        return uploadexit::NotConfirmed;
    }
    QString error;
    if (!servertrust::accept(*site, identity, &error)) {
        err << QCoreApplication::translate("CommandLine", "Can't record it: %1")
                   .arg(escapeForTerminal(error))
            << '\n'
            << Qt::flush;
        return uploadexit::Failed;
    }
    sitestore::save(*settings, sites);
    if (settings->status() != QSettings::NoError) {
        err << QCoreApplication::translate("CommandLine", "Can't save the list of sites.\n")
            << Qt::flush;
        return uploadexit::Failed;
    }
    out << QCoreApplication::translate("CommandLine", "Trusted.\n") << Qt::flush;
    return uploadexit::Uploaded;
}

} // namespace morvane
