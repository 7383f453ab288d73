#include "upload/deletiondialog.h"

#include "core/platform.h"
#include "sites/passwordstore.h"
#include "transfer/ftpaddress.h"
#include "transfer/syncwindow.h"
#include "upload/serverstate.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvane {

ServerDeletionDialog::ServerDeletionDialog(const Site& site,
                                           const sitecompare::Deletions& deletions, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("DeleteOnServer"));
    setWindowTitle(tr("Delete on the Server"));
    const qsizetype count = deletions.files.size();
    auto* title = new QLabel(
        count == 1
            ? tr("Delete 1 file in the server folder of \"%1\"?").arg(site.name())
            : tr("Delete %1 files in the server folder of \"%2\"?").arg(count).arg(site.name()),
        this);
    title->setObjectName(QStringLiteral("title"));
    title->setTextFormat(Qt::PlainText);
    title->setWordWrap(true);
    auto* note = new QLabel(tr("They are not here any more. Folders marked \"if empty\" are "
                               "removed only when nothing else is left in them."),
                            this);
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);

    // Every name, however many: nothing is deleted that was not shown.
    QStringList lines;
    for (const QString& f : deletions.files)
        lines << ftppath::printable(f);
    for (const QString& f : deletions.folders)
        lines << tr("%1/ (if empty)").arg(ftppath::printable(f));
    m_list = new QPlainTextEdit(this);
    m_list->setObjectName(QStringLiteral("files"));
    m_list->setAccessibleName(tr("Files to delete on the server"));
    m_list->setReadOnly(true);
    m_list->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_list->setPlainText(lines.join(QLatin1Char('\n')));

    auto* buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    m_delete = buttons->addButton(tr("&Delete on Server"), QDialogButtonBox::AcceptRole);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_delete->setObjectName(QStringLiteral("delete"));
    // The harmless answer is the default.
    m_cancel->setDefault(true);
    m_delete->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(note);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(520, 380);
    m_cancel->setFocus();
}

namespace serverdeletions {

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("morvane::ServerDeletionDialog", text);
}
} // namespace

Outcome run(QWidget* parent, const Site& storedSite, const QString& siteFolder,
            const QString& recordPath) {
    Platform& platform = Platform::instance();
    const QString nothing = tr("Nothing is deleted on the server.");
    QString why;
    const std::optional<Site> filled = passwordstore::fetchPassword(storedSite, &why);
    if (!filled) {
        platform.alert(nothing, why);
        return Outcome::Failed;
    }
    const Site& site = *filled;
    const Exclusions exclusions = Exclusions::forSite(site);
    const sitecompare::LocalScan local = sitecompare::scanLocal(siteFolder, exclusions);
    if (!local.ok) {
        platform.alert(nothing, local.problem);
        return Outcome::Failed;
    }
    sitecompare::Deletions deletions;
    {
        ServerWalk walk(site, exclusions);
        SyncWindow window(parent);
        if (!window.walk(walk))
            return Outcome::Failed; // the window showed why
        deletions = sitecompare::serverDeletions(local, walk, exclusions);
    }
    if (deletions.isEmpty())
        return Outcome::NothingToDelete;
    ServerDeletionDialog dialog(site, deletions, parent);
    if (dialog.exec() != QDialog::Accepted)
        return Outcome::NotConfirmed;
    SyncWindow window(parent);
    const QStringList done = window.deleteOnServer(site, deletions.files, deletions.folders);
    ServerState state;
    state.load(site, recordPath);
    for (const QString& path : done)
        state.forget(path);
    QString problem;
    if (!done.isEmpty() && !state.save(&problem))
        platform.alert(tr("The server's state could not be remembered."), problem);
    return done.size() == deletions.files.size() ? Outcome::Deleted : Outcome::Failed;
}

} // namespace serverdeletions

} // namespace morvane
