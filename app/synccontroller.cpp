#include "app/synccontroller.h"

#include "sites/passwordstore.h"

#include "core/exclusions.h"
#include "core/paths.h"
#include "core/platform.h"
#include "transfer/ftpaddress.h"
#include "transfer/syncwindow.h"
#include "upload/comparedialog.h"
#include "upload/serverstate.h"
#include "upload/sitecompare.h"
#include "upload/uploadmarks.h"
#include "upload/uploadplan.h"

#include <QWidget>

namespace morvane {

namespace {

// A list of names for a question, shortened after so many.
QString listed(const QStringList& paths, int most = 30) {
    QStringList shown;
    for (const QString& p : paths.mid(0, most))
        shown << ftppath::printable(p);
    if (paths.size() > most)
        shown << SyncController::tr("…and %1 more").arg(paths.size() - most);
    return shown.join(QLatin1Char('\n'));
}

} // namespace

struct SyncController::Prepared {
    Site site;
    QString folder;
    QMap<QString, ServerEntry> server;
    QStringList serverFolders;
    QList<sitecompare::Row> rows;
    QStringList localFolders;
    QStringList skipped;
    QSet<QString> unlisted; // server folders holding names the walk left out
};

SyncController::SyncController(QWidget* window, UploadMarks& marks,
                               std::function<const Site*()> site, std::function<void()> upload,
                               QObject* parent)
    : QObject(parent), m_window(window), m_marks(marks), m_site(std::move(site)),
      m_upload(std::move(upload)) {}

// The current site, its folder, and both sides of it.
bool SyncController::prepare(Prepared* out) {
    const Site* site = m_site ? m_site() : nullptr;
    if (!site) {
        Platform::instance().alert(tr("No site is chosen."),
                                   tr("Choose a site, or make one with Sites ▸ New…"));
        return false;
    }
    if (site->server().trimmed().isEmpty()) {
        Platform::instance().alert(tr("This site has no server."),
                                   tr("Enter the server in the site's properties."));
        return false;
    }
    QString problem;
    out->site = *site;
    SyncWindow window(m_window);
    if (std::unique_ptr<PasswordRequest> asked = passwordstore::request(*site)) {
        QString why;
        const std::optional<QString> password = window.waitForPassword(*asked, &why);
        if (!password) {
            if (!why.isEmpty()) // empty: the user stopped waiting
                Platform::instance().alert(tr("The password could not be read from the keyring."),
                                           why);
            return false;
        }
        out->site.setValue(sitekey::password, *password);
    }
    out->folder = uploadplan::siteFolderFor(*site, paths::defaultSiteFolder(), &problem);
    if (out->folder.isEmpty()) {
        Platform::instance().alert(problem, QString());
        return false;
    }
    const Exclusions exclusions = Exclusions::forSite(*site);
    const sitecompare::LocalScan local = sitecompare::scanLocal(out->folder, exclusions);
    if (!local.ok) {
        Platform::instance().alert(local.problem, QString());
        return false;
    }
    ServerWalk walk(out->site, exclusions);
    if (!window.walk(walk))
        return false;
    out->server = walk.files();
    out->serverFolders = walk.folders();
    out->localFolders = local.folders;
    for (const QString& folder : walk.folders()) {
        if (walk.holdsUnlisted(folder))
            out->unlisted.insert(folder);
    }
    for (const ServerWalk::Skipped& s : walk.skipped())
        out->skipped << tr("%1 (%2)").arg(s.path, s.reason);
    // A server file where the local scan saw nothing it could read (a link,
    // an unreadable folder) is not offered as "only on the server": deleting
    // it there would not follow any deletion here.
    for (const sitecompare::Row& row : sitecompare::compare(local.files, walk.files())) {
        if (row.state == sitecompare::State::Same ||
            (row.state == sitecompare::State::OnlyOnServer &&
             sitecompare::skippedHere(local, row.path)))
            continue;
        out->rows << row;
    }
    for (const sitecompare::LocalSkip& s : local.skipped)
        out->skipped << tr("%1 (here: %2)").arg(s.path, s.reason);
    if (!out->skipped.isEmpty())
        Platform::instance().alert(tr("Some names were skipped."), listed(out->skipped));
    return true;
}

void SyncController::downloadSite() {
    Prepared p;
    if (!prepare(&p))
        return;
    QStringList paths;
    for (const sitecompare::Row& row : p.rows) {
        if (row.state == sitecompare::State::OnlyOnServer ||
            row.state == sitecompare::State::Differs)
            paths << row.path;
    }
    if (paths.isEmpty()) {
        Platform::instance().alert(tr("Nothing to download."),
                                   tr("Every file on the server is here already."));
        return;
    }
    if (Platform::instance().question(
            (paths.size() == 1 ? tr("Download 1 file from the server?")
                               : tr("Download %1 files from the server?").arg(paths.size())),
            listed(paths), {tr("Cancel"), tr("Download")}, 1) != 1)
        return;
    download(p, paths);
}

void SyncController::download(const Prepared& p, const QStringList& paths) {
    // Unsent work here is never overwritten without asking.
    enum class All { Ask, KeepMine, TakeTheirs };
    All all = All::Ask;
    QList<DownloadJob::File> files;
    for (const QString& path : paths) {
        const QString full = p.folder + QLatin1Char('/') + path;
        if (m_marks.contains(full)) {
            bool take = all == All::TakeTheirs;
            if (all == All::Ask) {
                const int answer = Platform::instance().question(
                    tr("\"%1\" has changes here that are not uploaded yet.")
                        .arg(ftppath::printable(path)),
                    tr("Keep your version, or take the server's in its place?"),
                    {tr("Keep Mine"), tr("Take the Server's"), tr("Keep Mine for All"),
                     tr("Take the Server's for All")},
                    0);
                take = answer == 1 || answer == 3;
                if (answer == 2)
                    all = All::KeepMine;
                if (answer == 3)
                    all = All::TakeTheirs;
            }
            if (!take)
                continue;
        }
        files.append({path, p.server.value(path)});
    }
    if (files.isEmpty())
        return;
    SyncWindow window(m_window);
    const QStringList done = window.download(p.site, p.folder, files);
    // What was fetched is the server's now: no marks, and remembered.
    QStringList full;
    for (const QString& path : done)
        full << p.folder + QLatin1Char('/') + path;
    QStringList marked;
    for (const QString& f : full) {
        if (m_marks.contains(f))
            marked << f;
    }
    m_marks.unmarkAll(marked);
    ServerState state;
    state.load(p.site, m_marks.filePath());
    for (const QString& path : done)
        state.remember(path, p.server.value(path));
    QString problem;
    if (!done.isEmpty() && !state.save(&problem))
        Platform::instance().alert(tr("The server's state could not be remembered."), problem);
}

void SyncController::deleteOnServer(const Prepared& p, const QStringList& paths) {
    if (paths.isEmpty())
        return;
    if (Platform::instance().question(
            (paths.size() == 1 ? tr("Delete 1 file on the server?")
                               : tr("Delete %1 files on the server?").arg(paths.size())),
            tr("These files will be deleted in the server folder; they are not here:\n\n%1")
                .arg(listed(paths, 200)),
            {tr("Cancel"), tr("Delete on Server")}, 0) != 1)
        return;
    const QStringList folders = sitecompare::foldersLeftEmpty(
        p.serverFolders, p.server.keys(), paths, p.localFolders,
        [&p](const QString& folder) { return p.unlisted.contains(folder); });
    SyncWindow window(m_window);
    const QStringList done = window.deleteOnServer(p.site, paths, folders);
    ServerState state;
    state.load(p.site, m_marks.filePath());
    for (const QString& path : done)
        state.forget(path);
    QString problem;
    if (!done.isEmpty() && !state.save(&problem))
        Platform::instance().alert(tr("The server's state could not be remembered."), problem);
}

void SyncController::offerCompare() {
    const Site* site = m_site ? m_site() : nullptr;
    if (!site)
        return;
    if (Platform::instance().question(
            tr("Compare \"%1\" with its server?").arg(site->name()),
            tr("The site's folder already holds files. A comparison lists the files that are "
               "only here, only on the server, or differ, and changes nothing by itself."),
            {tr("Not Now"), tr("Compare with Server")}, 1) == 1)
        compareWithServer();
}

void SyncController::compareWithServer() {
    Prepared p;
    if (!prepare(&p))
        return;
    if (p.rows.isEmpty()) {
        Platform::instance().alert(tr("Every file is the same here and on the server."), QString());
        return;
    }
    CompareDialog dialog(p.rows, m_window);
    if (m_compareHook)
        m_compareHook(dialog);
    else if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList chosen = dialog.chosenFiles();
    switch (dialog.action()) {
    case CompareDialog::Action::Upload: {
        QStringList full;
        for (const QString& path : chosen)
            full << p.folder + QLatin1Char('/') + path;
        m_marks.markAll(full);
        if (m_upload)
            m_upload();
        return;
    }
    case CompareDialog::Action::Download:
        download(p, chosen);
        return;
    case CompareDialog::Action::Delete:
        deleteOnServer(p, chosen);
        return;
    case CompareDialog::Action::None:
        return;
    }
}

} // namespace morvane
