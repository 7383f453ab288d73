// The site properties dialog: creates, edits and deletes the entries of the
// sites list, tests the FTP connection before it saves, and keeps the list
// sorted and stored.
#pragma once

#include "core/sitestore.h"
#include "transfer/passwordrequest.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QPlainTextEdit;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSettings;

namespace morvane {

class SiteDialog : public QDialog {
    Q_OBJECT
public:
    explicit SiteDialog(QWidget* parent = nullptr);
    ~SiteDialog() override;

    // The list to edit, changed in place; it must outlive the dialog.
    void setSites(SiteList* sites);
    // The site to edit; empty for a new site. Fills the fields.
    void setSiteName(const QString& name);
    // The store the list is written to; by default the program's settings.
    void setSettings(QSettings* settings);

    // The name under which the dialog last saved (or tried to save) the site.
    QString siteName() const { return m_siteName; }
    // True when the dialog ended by deleting a site.
    bool deleted() const { return m_deleted; }
    SiteList* sites() const { return m_sites; }

    // The connection test; the default runs it in the transfer window. It
    // may add to the site what the user decided on the way (a trusted
    // certificate), which is then saved with it.
    using ConnectionTest = std::function<bool(Site&, QWidget* parent)>;
    void setConnectionTest(ConnectionTest test) { m_test = std::move(test); }
    // The folder chooser: starts in `startDir` (may be empty); on
    // confirmation returns true with the chosen folder and the folder the
    // chooser was showing. The default is the system's folder chooser.
    using FolderChooser = std::function<bool(QWidget* parent, const QString& startDir,
                                             QString* chosen, QString* shownDir)>;
    void setFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }
    // The local folder as typed, made ready to store: "~" stands for the home
    // folder. Empty when it cannot be stored, with `problem` saying why (a
    // path that is not absolute, a folder that does not exist). An empty
    // entry stays empty with no problem: the site then uses the default
    // site folder.
    static QString localFolderToStore(const QString& typed, QString* problem);

    // Shows the help pages; the Help button is hidden while none is set.
    void setHelpHandler(std::function<void()> help);

    QLineEdit* fieldSiteName = nullptr;
    QLineEdit* fieldServer = nullptr;
    QLineEdit* fieldServerFolder = nullptr;
    QLineEdit* fieldUserName = nullptr;
    QLineEdit* fieldPassword = nullptr;
    QLineEdit* fieldLocalPath = nullptr;
    QLineEdit* fieldLocalURL = nullptr;
    // Upload under a temporary name, then rename (off: straight under the
    // real name, for servers that refuse renames).
    QCheckBox* checkTemporaryName = nullptr;
    // Compare the server's size of each file with the bytes sent.
    QCheckBox* checkSizes = nullptr;
    // The site's own names never uploaded, downloaded, compared or deleted.
    QPlainTextEdit* fieldExclude = nullptr;
    QComboBox* comboProtocol = nullptr;
    QPushButton* buttonSkipTest = nullptr;
    // Hidden for a site that does not exist yet.
    QPushButton* buttonDelete = nullptr;

public Q_SLOTS:
    void actionOK();
    void actionSkipTest();
    void actionCancel();
    void actionDelete();
    void actionHelp();
    void actionChooseLocalPath();

private:
    void showSite(const Site& site);
    void showPasswordFromKeyring(const Site& site);
    void saveSiteAndStopModal(const Site& site);
    bool storeList(QString* error);
    QSettings& settings();

    SiteList* m_sites = nullptr;
    QString m_siteName;
    QString m_editedName; // the entry being edited, empty for a new site
    Site m_lastOK;        // the values written by the last OK
    bool m_deleted = false;
    bool m_passwordShownFromKeyring = false; // the password field came from the keyring
    std::unique_ptr<PasswordRequest> m_passwordRequest;
    ConnectionTest m_test;
    FolderChooser m_chooser;
    std::function<void()> m_help;
    QPushButton* m_buttonHelp = nullptr;
    QSettings* m_settings = nullptr;
    std::unique_ptr<QSettings> m_ownSettings;
};

} // namespace morvane
