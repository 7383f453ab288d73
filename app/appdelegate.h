// The application's coordinator: it runs the start-up sequence, keeps the
// sites and the current site, the needing-upload record and the preferences,
// and connects the main window's controls to the subsystems that do the
// work (open files and saving, the site tree, uploading).
#pragma once

#include "core/sitestore.h"
#include "upload/needinguploadrecord.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QSettings;

namespace morvane {

class DiskWatchController;
class EncodingController;
class FileSystemItem;
class FileTreeModel;
class FolderWatcher;
class MainWindow;
class OpenFilesController;
class PrefsController;
class TextView;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence: window, preferences, folders, record, sites,
    // current site, restored selection, first-run page, reminder alert.
    // Returns false when the program cannot run (no data folder).
    bool applicationDidFinishLaunching();

    // What the program does to end itself; tests replace it.
    void setTerminateHook(std::function<void()> hook) { m_terminate = std::move(hook); }
    // The site properties dialog; returns 1 when it saved or deleted a site.
    // `name` is the site to edit (empty for a new one) and receives the name
    // the dialog saved under; `deleted` tells whether it deleted the site.
    using SiteDialogRunner =
        std::function<int(QWidget* parent, SiteList& sites, QString& name, bool& deleted)>;
    void setSiteDialogRunner(SiteDialogRunner runner) { m_siteDialog = std::move(runner); }
    // The Upload command's work once the current file is saved; true when
    // no site is chosen, so that the site dialog opens for a new site.
    using UploadRunner =
        std::function<bool(QWidget* parent, const Site* site, const QString& siteFolderLocal,
                           NeedingUploadRecord& record)>;
    void setUploadRunner(UploadRunner runner) { m_uploadRunner = std::move(runner); }
    // Attaches per-editor services (syntax colouring) to each new editor.
    void setEditorHook(std::function<void(TextView*, const QString& path)> hook);

    MainWindow* window() const { return m_window.get(); }
    PrefsController* prefsController() const { return m_prefs; }
    OpenFilesController* openFiles() const { return m_openFiles; }
    DiskWatchController* diskWatch() const { return m_diskWatch; }
    EncodingController* encodings() const { return m_encodings; }
    FolderWatcher* folderWatcher() const { return m_folderWatcher; }
    FileTreeModel* treeModel() const { return m_model; }
    NeedingUploadRecord& needingUpload() { return m_needingUpload; }
    SiteList& sites() { return m_sites; }
    QString currentSite() const { return m_currentSite; }
    QString siteFolderLocal() const { return m_siteFolderLocal; }
    QString localURL() const { return m_localURL; }
    QString defaultSiteFolderLocal() const { return m_defaultSiteFolderLocal; }
    QString needingUploadPath() const { return m_needingUploadPath; }
    bool continuousSpellCheckingEnabled() const { return m_spellChecking; }
    // Whether the outside FTP client is installed.
    bool haveCyberduck() const { return m_haveCyberduck; }

    // Sites.
    void setSitesPopup();
    const Site* getPropForCurrentSite() const;
    // An empty name takes the pop-up's selected title.
    void setSiteToCurrent(const QString& name);
    void editSite(const QString& name);
    void actionPopupSites(int index);

    // Outline.
    void outlineViewSelectionDidChange();
    void expandPath(FileSystemItem* node, const QStringList& components, int index,
                    bool makeVisible);
    void eraseOutline();
    void reloadOutline();
    FileSystemItem* selectedItem() const;
    void selectItem(FileSystemItem* item);
    void newFileOrFolder(bool folder, bool wantIndexFile);
    void actionRefresh();
    void markForUpload();
    void unmarkForUpload();

    // Commands.
    void actionSave();
    void actionCloseOpenFile();
    void actionUpload();
    void actionQuit();
    void saveFolder();
    // Takes the keyboard focus from the editor, which saves an edited file.
    void endEditing();

private:
    void setUpWindowGeometry();
    void connectWindow();
    void restoreSelection(QSettings& settings);
    void writeRecord();

    std::unique_ptr<MainWindow> m_window;
    PrefsController* m_prefs = nullptr;
    OpenFilesController* m_openFiles = nullptr;
    DiskWatchController* m_diskWatch = nullptr;
    EncodingController* m_encodings = nullptr;
    FolderWatcher* m_folderWatcher = nullptr;
    FileTreeModel* m_model = nullptr;
    NeedingUploadRecord m_needingUpload;
    SiteList m_sites;
    QString m_currentSite;
    QString m_siteFolderLocal;
    QString m_localURL;
    QString m_defaultSiteFolderLocal;
    QString m_needingUploadPath;
    bool m_spellChecking = false;
    bool m_haveCyberduck = false;
    bool m_inSelectionHandler = false;
    std::function<void()> m_terminate;
    SiteDialogRunner m_siteDialog;
    UploadRunner m_uploadRunner;
    std::function<void(TextView*, const QString&)> m_editorHook;
};

} // namespace morvane
