// The list of sites and the current site: the sites pop-up, switching from
// one site to another, and the site properties dialog's hand-back.
#pragma once

#include "core/sitestore.h"

#include <QObject>
#include <QString>

#include <functional>

class QSettings;
class QWidget;

namespace morvane {

class DiskWatchController;
class MainWindow;
class OpenFilesController;
class OutlineController;

class SitesController : public QObject {
    Q_OBJECT
public:
    // The site properties dialog; returns 1 when it saved or deleted a site.
    // `name` is the site to edit (empty for a new one) and receives the name
    // the dialog saved under; `deleted` tells whether it deleted the site.
    using SiteDialogRunner =
        std::function<int(QWidget* parent, SiteList& sites, QString& name, bool& deleted)>;

    // `diskWatch` is asked before the site changes (a pending choice between
    // two versions of a file may hold it); `defaultSiteFolder` is the folder
    // of the default site; `siteDialog` replaces the program's own dialog
    // when given.
    SitesController(MainWindow& window, OutlineController& outline, OpenFilesController& openFiles,
                    DiskWatchController& diskWatch, const QString& defaultSiteFolder,
                    SiteDialogRunner siteDialog = {}, QObject* parent = nullptr);

    // Reads the list of sites; `present` tells whether the store had one.
    void load(QSettings& settings, bool* present);
    // Starts moving plain-text passwords to the desktop keyring, without
    // waiting for it; each site is stored again once the keyring holds its
    // password.
    void movePasswordsToKeyring();

    SiteList& sites() { return m_sites; }
    QString currentSite() const { return m_currentSite; }
    QString siteFolderLocal() const { return m_siteFolderLocal; }
    QString localURL() const { return m_localURL; }
    QString defaultSiteFolderLocal() const { return m_defaultSiteFolderLocal; }

    // Rebuilds the pop-up: "[none chosen]", the sites (each title once),
    // a separator, "New...", "Edit...".
    void setSitesPopup();
    const Site* getPropForCurrentSite() const;
    // An empty name takes the pop-up's selected title.
    void setSiteToCurrent(const QString& name);
    void editSite(const QString& name);
    void actionPopupSites(int index);
    // A site changed outside its dialog (a certificate the user trusted
    // during an upload): replaces the entry of that name and stores the list.
    void keepSite(const Site& site);

    // Site key of a site made in the dialog whose comparison with the server
    // is still to be offered: set to "1" when the dialog creates the site,
    // removed once the offer was made (or the site's folder held nothing
    // then). Sites stored without it are never offered one.
    static const QString kCompareOfferKey;

Q_SIGNALS:
    // The site dialog's Help button was pressed (the guide opens modally).
    void helpRequested();
    // The current site is new, has a server, and its folder already holds
    // files: a comparison with the server is offered (once per site).
    void compareOffered();

private:
    // Writes the list to the settings file; false when that failed.
    bool storeSites();
    // After the dialog saved `name`: offers the comparison when its time
    // has come (see kCompareOfferKey).
    void offerCompareOnce(const QString& name, bool created);

    MainWindow& m_window;
    OutlineController& m_outline;
    OpenFilesController& m_openFiles;
    DiskWatchController& m_diskWatch;
    SiteDialogRunner m_siteDialog;
    SiteList m_sites;
    QString m_currentSite;
    QString m_siteFolderLocal;
    QString m_localURL;
    QString m_defaultSiteFolderLocal;
};

} // namespace morvane
