#include "app/sitescontroller.h"

#include "app/diskwatchcontroller.h"
#include "app/editingfocus.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "app/outlinecontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "sites/passwordstore.h"
#include "sites/sitedialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalBlocker>
#include <QTabWidget>

namespace morvane {

namespace {
QString kNoneChosen() {
    return QCoreApplication::translate("morvane::SitesController", "[none chosen]");
}
QString kNewSite() {
    return QCoreApplication::translate("morvane::SitesController", "New...");
}
QString kEditSite() {
    return QCoreApplication::translate("morvane::SitesController", "Edit...");
}

// Whether the folder holds anything (hidden names too).
bool holdsFiles(const QString& folder) {
    return !folder.isEmpty() &&
           !QDir(folder)
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                .isEmpty();
}

int findTitle(const QComboBox* popup, const QString& title) {
    return popup->findText(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
}
} // namespace

const QString SitesController::kCompareOfferKey = QStringLiteral("compareoffer");

SitesController::SitesController(MainWindow& window, OutlineController& outline,
                                 OpenFilesController& openFiles, DiskWatchController& diskWatch,
                                 const QString& defaultSiteFolder, SiteDialogRunner siteDialog,
                                 QObject* parent)
    : QObject(parent), m_window(window), m_outline(outline), m_openFiles(openFiles),
      m_diskWatch(diskWatch), m_siteDialog(std::move(siteDialog)),
      m_defaultSiteFolderLocal(defaultSiteFolder) {
    if (!m_siteDialog)
        m_siteDialog = [this](QWidget* parentWidget, SiteList& sites, QString& name,
                              bool& deleted) {
            SiteDialog dialog(parentWidget);
            dialog.setHelpHandler([this] { Q_EMIT helpRequested(); });
            dialog.setSites(&sites);
            dialog.setSiteName(name);
            const int result = dialog.exec();
            name = dialog.siteName();
            deleted = dialog.deleted();
            return result;
        };
    connect(m_window.popupSites(), qOverload<int>(&QComboBox::activated), this,
            &SitesController::actionPopupSites);
}

void SitesController::load(QSettings& settings, bool* present) {
    m_sites = sitestore::load(settings, present);
}

void SitesController::movePasswordsToKeyring() {
    // Plain-text passwords move to the desktop keyring once it confirms it
    // holds them; without a keyring, or until it answers, they stay where
    // they are and the sites work as before.
    passwordstore::migrateInBackground(
        m_sites, this, [this](const QString& account, const QString& password) {
            bool changed = false;
            for (Site& site : m_sites) {
                // The site may have been edited meanwhile: only the password
                // the keyring confirmed leaves the file.
                if (site.password() != password || passwordstore::account(site) != account)
                    continue;
                site.remove(sitekey::password);
                site.setValue(ftpsitekey::passwordInKeyring, QStringLiteral("1"));
                changed = true;
            }
            if (changed)
                storeSites();
        });
}

bool SitesController::storeSites() {
    std::unique_ptr<QSettings> settings = paths::openSettings();
    sitestore::save(*settings, m_sites);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

void SitesController::keepSite(const Site& site) {
    Site* kept = site.name().isEmpty() ? nullptr : sitestore::find(m_sites, site.name());
    if (!kept)
        return; // an unnamed site is told apart by nothing stored
    *kept = site;
    if (!storeSites())
        Platform::instance().alert(tr("Can't save the list of sites."),
                                   tr("The certificate is trusted until you quit."));
}

void SitesController::setSitesPopup() {
    QComboBox* popup = m_window.popupSites();
    const QSignalBlocker block(popup);
    popup->clear();
    auto add = [popup](const QString& title) {
        // Each title at most once: a later one replaces an earlier one.
        const int existing = findTitle(popup, title);
        if (existing >= 0)
            popup->removeItem(existing);
        popup->addItem(title);
    };
    add(kNoneChosen());
    for (const Site& s : m_sites)
        add(s.title());
    popup->insertSeparator(popup->count());
    add(kNewSite());
    add(kEditSite());
    popup->setCurrentIndex(0);
}

const Site* SitesController::getPropForCurrentSite() const {
    if (m_currentSite.isEmpty())
        return nullptr;
    return sitestore::find(m_sites, m_currentSite);
}

void SitesController::setSiteToCurrent(const QString& requested) {
    // An edited file is saved while the old root still gives its path.
    endEditing(m_openFiles);
    QComboBox* popup = m_window.popupSites();
    // A file changed on disk whose user has not chosen which version to keep
    // holds the site until the choice is made (or the change is cancelled).
    if (!m_diskWatch.resolvePendingBeforeLeaving()) {
        const QSignalBlocker block(popup);
        const int i = m_currentSite.isEmpty() ? 0 : findTitle(popup, m_currentSite);
        popup->setCurrentIndex(i < 0 ? 0 : i);
        return;
    }
    const QString name = requested.isEmpty() ? popup->currentText() : requested;
    {
        const QSignalBlocker block(popup);
        if (name == kNoneChosen() || name.isEmpty()) {
            m_currentSite.clear();
            popup->setCurrentIndex(0);
        } else {
            m_currentSite = name;
            const int i = findTitle(popup, name);
            if (i >= 0)
                popup->setCurrentIndex(i);
        }
    }
    sitestore::setCurrentSiteName(*paths::openSettings(), m_currentSite);
    const Site* site = getPropForCurrentSite();
    if (!m_currentSite.isEmpty() && !site)
        Platform::instance().alert(tr("Can't get properties for current site:"), m_currentSite);
    m_siteFolderLocal = site ? site->localPath() : QString();
    m_localURL = site ? site->localURL() : QString();
    if (!m_siteFolderLocal.isEmpty() && !QDir::isAbsolutePath(m_siteFolderLocal)) {
        // Resolved against the current folder it would show (and let the user
        // edit) whatever folder the program happened to start in.
        Platform::instance().alert(
            tr("The local folder of site \"%1\" is not a full path: \"%2\".")
                .arg(m_currentSite, m_siteFolderLocal),
            tr("Set the folder's full path (starting with \"/\") in the site's "
               "properties. The default site folder is shown meanwhile."));
        m_siteFolderLocal.clear();
    }
    if (m_siteFolderLocal.isEmpty())
        m_siteFolderLocal = m_defaultSiteFolderLocal;

    // Open files belong to the old site's tree: forget them before the tree
    // is rebuilt for the new root.
    m_openFiles.closeAll();
    m_outline.eraseOutline(m_siteFolderLocal);
    {
        const QSignalBlocker block(m_window.tabView());
        m_window.tabView()->setCurrentIndex(0);
    }
    m_outline.outlineViewSelectionDidChange();
}

void SitesController::editSite(const QString& requested) {
    QComboBox* popup = m_window.popupSites();
    {
        // The pop-up shows "New..." or "Edit..." now: put it back on a site.
        const QSignalBlocker block(popup);
        const QString back = !requested.isEmpty() ? requested : m_currentSite;
        const int i = back.isEmpty() ? 0 : findTitle(popup, back);
        popup->setCurrentIndex(i >= 0 ? i : 0);
    }
    if (!m_siteDialog)
        return;
    QString name = requested;
    bool deleted = false;
    if (m_siteDialog(&m_window, m_sites, name, deleted) == 0)
        return;
    setSitesPopup();
    if (name.isEmpty() || deleted) {
        const QSignalBlocker block(popup);
        popup->setCurrentIndex(0);
        m_currentSite.clear();
        name.clear();
    }
    setSiteToCurrent(name.isEmpty() ? kNoneChosen() : name);
    if (!name.isEmpty())
        offerCompareOnce(name, requested.isEmpty());
}

void SitesController::offerCompareOnce(const QString& name, bool created) {
    Site* site = sitestore::find(m_sites, name);
    if (!site)
        return;
    if (created)
        site->setValue(kCompareOfferKey, QStringLiteral("1"));
    if (site->value(kCompareOfferKey).isEmpty())
        return;
    // Without a server there is nothing to compare with yet: the offer
    // waits for the site's next save.
    if (site->server().trimmed().isEmpty()) {
        if (created)
            storeSites();
        return;
    }
    const bool offer = name == m_currentSite && holdsFiles(m_siteFolderLocal);
    site->remove(kCompareOfferKey);
    if (!storeSites())
        Platform::instance().alert(tr("Can't save the list of sites."), QString());
    if (offer)
        Q_EMIT compareOffered();
}

void SitesController::actionPopupSites(int index) {
    endEditing(m_openFiles);
    const QString title = m_window.popupSites()->itemText(index);
    if (title == kNewSite())
        editSite(QString());
    else if (title == kEditSite())
        editSite(m_currentSite);
    else
        setSiteToCurrent(title);
}

} // namespace morvane
