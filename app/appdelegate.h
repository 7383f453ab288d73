// The application's coordinator: it runs the start-up sequence, makes the
// controllers that do the work (sites, outline, open files) and the owner of
// the upload marks, connects the main window's commands to them, and keeps
// the program's command names as one-line delegations.
#pragma once

#include "app/outlinecontroller.h"
#include "app/sitescontroller.h"
#include "help/helpview.h"
#include "upload/needinguploadrecord.h"
#include "upload/publish.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace morvane {

class DiskWatchController;
class EditMenuController;
class EncodingController;
class FileSystemItem;
class FindController;
class FileTreeModel;
class HelpController;
class FolderWatcher;
class MainWindow;
class OpenFilesController;
class PreviewController;
class SyncController;
class PreferencesController;
class Preferences;
class SpellingController;
class TextView;
class UploadMarks;

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
    // The site properties dialog (see SitesController). Set before start-up.
    void setSiteDialogRunner(SitesController::SiteDialogRunner runner) {
        m_siteDialog = std::move(runner);
    }
    // The Upload command's work once the current file is saved (the publish
    // sequence with the window's dialogs unless replaced).
    using UploadRunner = std::function<PublishOutcome(
        QWidget* parent, const Site* site, const QString& defaultSiteFolder, UploadMarks& marks)>;
    void setUploadRunner(UploadRunner runner) { m_uploadRunner = std::move(runner); }
    // Makes the help window's page view (tests give a stand-in); call before
    // the start-up sequence.
    void setHelpViewFactory(help::HelpViewFactory factory) {
        m_helpViewFactory = std::move(factory);
    }
    // Attaches per-editor services (syntax colouring) to each new editor.
    void setEditorHook(std::function<void(TextView*, const QString& path)> hook);

    MainWindow* window() const { return m_window.get(); }
    Preferences* preferenceValues() const { return m_prefs; }
    OpenFilesController* openFiles() const { return m_openFiles; }
    SitesController* sitesController() const { return m_sites; }
    OutlineController* outline() const { return m_outline; }
    SyncController* sync() const { return m_sync; }
    PreviewController* preview() const { return m_preview; }
    UploadMarks& needingUpload() { return *m_marks; }
    QString currentSite() const { return m_sites->currentSite(); }
    QString siteFolderLocal() const { return m_sites->siteFolderLocal(); }
    HelpController* helpController() const { return m_help; }
    DiskWatchController* diskWatch() const { return m_diskWatch; }
    EncodingController* encodings() const { return m_encodings; }
    EditMenuController* editMenu() const { return m_editMenu; }
    PreferencesController* preferences() const { return m_preferences; }
    FolderWatcher* folderWatcher() const { return m_folderWatcher; }
    bool continuousSpellCheckingEnabled() const;
    SpellingController* spelling() const { return m_spelling; }
    FindController* findController() const { return m_find; }
    // Whether the outside FTP client is installed (the name comes from the
    // client first offered; here it probes for FileZilla).
    bool haveOutsideClient() const { return m_haveOutsideClient; }

    // Sites.
    const Site* getPropForCurrentSite() const { return m_sites->getPropForCurrentSite(); }
    void setSiteToCurrent(const QString& name) { m_sites->setSiteToCurrent(name); }
    void editSite(const QString& name) { m_sites->editSite(name); }
    void actionPopupSites(int index) { m_sites->actionPopupSites(index); }

    // Outline.
    void expandPath(FileSystemItem* node, const QStringList& components, int index,
                    OutlineController::PathEnd end) {
        m_outline->expandPath(node, components, index, end);
    }
    void newFileOrFolder(NewItemType type, NewItemName name) {
        m_outline->newFileOrFolder(type, name);
    }
    void actionRefresh() { m_outline->actionRefresh(); }
    void markForUpload() { m_outline->markForUpload(); }
    void unmarkForUpload() { m_outline->unmarkForUpload(); }
    void saveFolder() { m_outline->saveFolder(); }

    // Preview.
    void actionBack();
    void actionForward();
    void actionReload();

    // Commands.
    void actionSave();
    void actionCloseOpenFile();
    void actionUpload();
    void actionQuit();

private:
    void setUpWindowGeometry();
    void connectWindow();
    void reportUnreadableRecord(NeedingUploadRecord::LoadResult loaded, const QString& setAside);

    std::unique_ptr<MainWindow> m_window;
    Preferences* m_prefs = nullptr;
    UploadMarks* m_marks = nullptr;
    DiskWatchController* m_diskWatch = nullptr;
    EncodingController* m_encodings = nullptr;
    EditMenuController* m_editMenu = nullptr;
    PreferencesController* m_preferences = nullptr;
    FolderWatcher* m_folderWatcher = nullptr;
    FileTreeModel* m_model = nullptr;
    OpenFilesController* m_openFiles = nullptr;
    OutlineController* m_outline = nullptr;
    SitesController* m_sites = nullptr;
    PreviewController* m_preview = nullptr;
    SyncController* m_sync = nullptr;
    HelpController* m_help = nullptr;
    help::HelpViewFactory m_helpViewFactory;
    SpellingController* m_spelling = nullptr;
    FindController* m_find = nullptr;
    bool m_haveOutsideClient = false;
    std::function<void()> m_terminate;
    SitesController::SiteDialogRunner m_siteDialog;
    UploadRunner m_uploadRunner;
    std::function<void(TextView*, const QString&)> m_editorHook;
};

} // namespace morvane
