// The application's coordinator: it runs the start-up sequence, makes the
// controllers that do the work (sites, outline, open files) and the owner of
// the upload marks, makes every connection between them and to the main
// window's commands, and keeps the program's command names as one-line
// delegations.
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
class EditingToolsController;
class SiteFindController;
class EncodingController;
class FileSystemItem;
class FindController;
class FocusController;
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
class UnsavedEditsController;
class UploadMarks;

// The Upload command's work once the current file is saved.
using UploadRunner = std::function<PublishOutcome(
    QWidget* parent, const Site* site, const QString& defaultSiteFolder, UploadMarks& marks)>;

// What the program does at its edges, where tests put stand-ins. Each part
// left empty is the program's own.
struct AppSeams {
    // Ends the program (QCoreApplication::quit).
    std::function<void()> terminate;
    // The site properties dialog (see SitesController).
    SitesController::SiteDialogRunner siteDialog;
    // The publish sequence with the window's dialogs.
    UploadRunner upload;
    // Makes the help window's page view (the web engine's).
    help::HelpViewFactory helpView;
    // Attaches per-editor services to each new editor (syntax colouring and
    // the spelling marks).
    std::function<void(TextView*, const QString& path)> editorServices;
};

class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(AppSeams seams = {}, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence: window, preferences, folders, record, sites,
    // current site, restored selection, first-run page, reminder alert.
    // Returns false when the program cannot run (no data folder).
    bool applicationDidFinishLaunching();

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
    EditingToolsController* editingTools() const { return m_editingTools; }
    SiteFindController* siteFind() const { return m_siteFind; }
    PreferencesController* preferences() const { return m_preferences; }
    FolderWatcher* folderWatcher() const { return m_folderWatcher; }
    bool continuousSpellCheckingEnabled() const;
    SpellingController* spelling() const { return m_spelling; }
    FindController* findController() const { return m_find; }
    FocusController* focus() const { return m_focus; }
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
    void connectControllers();
    void connectWindow();
    void reportUnreadableRecord(NeedingUploadRecord::LoadResult loaded, const QString& setAside);

    std::unique_ptr<MainWindow> m_window;
    Preferences* m_prefs = nullptr;
    UploadMarks* m_marks = nullptr;
    DiskWatchController* m_diskWatch = nullptr;
    EncodingController* m_encodings = nullptr;
    EditMenuController* m_editMenu = nullptr;
    EditingToolsController* m_editingTools = nullptr;
    SiteFindController* m_siteFind = nullptr;
    PreferencesController* m_preferences = nullptr;
    FolderWatcher* m_folderWatcher = nullptr;
    FileTreeModel* m_model = nullptr;
    OpenFilesController* m_openFiles = nullptr;
    OutlineController* m_outline = nullptr;
    SitesController* m_sites = nullptr;
    PreviewController* m_preview = nullptr;
    SyncController* m_sync = nullptr;
    HelpController* m_help = nullptr;
    SpellingController* m_spelling = nullptr;
    FindController* m_find = nullptr;
    FocusController* m_focus = nullptr;
    UnsavedEditsController* m_unsaved = nullptr;
    bool m_haveOutsideClient = false;
    AppSeams m_seams;
};

} // namespace morvane
