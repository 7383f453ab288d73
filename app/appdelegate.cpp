#include "app/appdelegate.h"

#include "app/diskwatchcontroller.h"
#include "app/editingfocus.h"
#include "app/editingtoolscontroller.h"
#include "app/editmenucontroller.h"
#include "app/encodingcontroller.h"
#include "app/findcontroller.h"
#include "app/focuscontroller.h"
#include "app/helpcontroller.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "app/preferencescontroller.h"
#include "app/previewcontroller.h"
#include "app/sitefindcontroller.h"
#include "app/spellingcontroller.h"
#include "app/synccontroller.h"
#include "app/unsavededitscontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "editor/preferences.h"
#include "editor/syntaxcolourer.h"
#include "editor/textview.h"
#include "sites/servershortcuts.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "tree/folderwatcher.h"
#include "upload/uploaddialog.h"
#include "upload/uploadmarks.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <QTreeView>

#include <filesystem>
#include <system_error>

namespace morvane {

AppDelegate::AppDelegate(AppSeams seams, QObject* parent)
    : QObject(parent), m_seams(std::move(seams)) {
    if (!m_seams.terminate)
        m_seams.terminate = [] { QCoreApplication::quit(); };
    // Every editor colours HTML and PHP as the user types and scrolls.
    if (!m_seams.editorServices)
        m_seams.editorServices = [this](TextView* view, const QString& path) {
            auto* colourer = colourWithPreferences(view, *m_prefs);
            colourer->setFilePath(path);
            if (m_spelling)
                m_spelling->attach(view, colourer);
        };
    if (!m_seams.upload)
        m_seams.upload = [this](QWidget* parent, const Site* site, const QString& defaultFolder,
                                UploadMarks& marks) {
            return UploadCommand::run(parent, site, defaultFolder, marks,
                                      [this](const Site& trusted) { m_sites->keepSite(trusted); });
        };
}

AppDelegate::~AppDelegate() {
    // The edit menu follows the focus, which moves while the window's
    // widgets are taken down: it goes first.
    delete m_editMenu;
    m_editMenu = nullptr;
    // So do the focus's keeper and the unsaved-edits marks (an editor that
    // loses the focus as it goes saves its file).
    delete m_focus;
    m_focus = nullptr;
    delete m_unsaved;
    m_unsaved = nullptr;
    // Editors and the tree model go before the tree they point into.
    m_window.reset();
}

bool AppDelegate::continuousSpellCheckingEnabled() const {
    return m_spelling && m_spelling->continuousSpellCheckingEnabled();
}

void AppDelegate::setUpWindowGeometry() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    // Within the screen's available area: a scaled display may be narrower
    // than the size rule's minimum.
    const QRect frame = screen ? screen->availableGeometry() : QRect();
    const float w = float(frame.width());
    const float h = float(frame.height());
    const int width = std::min(int(std::max(0.7f * w, 1100.0f)), frame.width());
    m_window->resize(width, int(h));
    m_window->move(frame.topLeft());
}

bool AppDelegate::applicationDidFinishLaunching() {
    m_window = std::make_unique<MainWindow>();
    setUpWindowGeometry();

    auto settings = paths::openSettings();
    m_prefs = new Preferences(this);
    m_prefs->prefsFromUserDefaults(*settings);

    // The outside FTP client offered by the outline's menu.
    m_haveOutsideClient = Platform::instance().haveProgram(servershortcuts::kClientProgram);

    if (paths::supportFolder().isEmpty()) {
        Platform::instance().alert(tr("Unable to locate Application Support folder."), QString());
        m_seams.terminate();
        return false;
    }

    // The record of files needing upload. An unreadable one is kept aside,
    // never silently replaced, and the user hears of it once.
    m_marks = new UploadMarks(paths::needingUploadPath(), this);
    QString setAside;
    const auto loaded = m_marks->load(&setAside);

    m_model = new FileTreeModel(this);
    m_openFiles = new OpenFilesController(m_window.get(), m_prefs, this);
    m_spelling = new SpellingController(*m_window, *m_openFiles, *settings, this);
    m_find = new FindController(*m_window, *m_openFiles, this);
    m_outline = new OutlineController(
        *m_window, *m_model, *m_openFiles, *m_marks, [this] { return getPropForCurrentSite(); },
        this);
    m_outline->setHaveOutsideClient(m_haveOutsideClient);
    m_diskWatch = new DiskWatchController(m_window.get(), m_openFiles, this);
    m_sites = new SitesController(*m_window, *m_outline, *m_openFiles, *m_diskWatch,
                                  paths::defaultSiteFolder(), m_seams.siteDialog, this);
    bool sitesPresent = false;
    m_sites->load(*settings, &sitesPresent);
    m_siteFind =
        new SiteFindController(*m_window, *m_openFiles, *m_sites, *m_outline, *m_marks, this);
    m_preview = new PreviewController(*m_window, *m_sites, *m_openFiles, *m_marks, this);
    m_sync = new SyncController(
        m_window.get(), *m_marks, [this] { return getPropForCurrentSite(); },
        [this] { actionUpload(); }, this);
    connect(m_window->actionDownloadSite(), &QAction::triggered, m_sync,
            &SyncController::downloadSite);
    connect(m_window->actionCompareWithServer(), &QAction::triggered, m_sync,
            &SyncController::compareWithServer);
    connect(m_sites, &SitesController::compareOffered, m_sync, &SyncController::offerCompare);
    m_encodings = new EncodingController(m_window.get(), m_openFiles, this);
    m_editMenu = new EditMenuController(*m_window, *m_openFiles, this);
    m_editingTools = new EditingToolsController(*m_window, *m_openFiles, *settings, this);
    m_preferences = new PreferencesController(*m_window, *m_prefs, *m_openFiles, this);
    m_focus = new FocusController(*m_window, *m_openFiles, this);
    m_unsaved = new UnsavedEditsController(*m_window, *m_openFiles, this);
    m_folderWatcher = new FolderWatcher(m_model, this);
    m_help = new HelpController(*m_window, help::HelpLinks::fromSettings(*settings),
                                m_seams.helpView, this);
    connectControllers();
    connectWindow();

    // The program's own folder is private (it holds the record); the default
    // site inside it gets the usual mode, for a local web server to read.
    paths::makePrivateFolder(paths::dataFolder());
    std::error_code ec;
    std::filesystem::create_directories(paths::defaultSiteFolder().toStdString(), ec);
    if (ec)
        Platform::instance().alert(tr("Can't create local site folder"),
                                   QString::fromStdString(ec.message()));

    m_sites->setSitesPopup();
    m_sites->setSiteToCurrent(sitestore::currentSiteName(*settings));
    m_outline->restoreSelection(*settings, m_sites->siteFolderLocal());

    if (!sitesPresent) {
        FileSystemItem* root = FileSystemItem::rootItem();
        if (root->numberOfChildren() < 1) {
            m_outline->selectItem(root);
            m_outline->newFileOrFolder(NewItemType::File, NewItemName::IndexFirst);
            if (TextView* view = m_openFiles->currentTextView())
                view->setFocus();
        }
    }

    // Let the window draw its first frame before anything else is built.
    m_window->show();
    QCoreApplication::processEvents();
    m_window->raise();
    m_window->activateWindow();
    m_sites->movePasswordsToKeyring();
    m_help->showInitialHelp(*settings);
    m_help->automaticUpdateCheck(*settings);

    reportUnreadableRecord(loaded, setAside);
    Platform::instance().alert(tr("Beta version \u2014 use with caution!."),
                               tr("Make sure you back up your site files frequently."));
    return true;
}

void AppDelegate::reportUnreadableRecord(NeedingUploadRecord::LoadResult loaded,
                                         const QString& setAside) {
    if (loaded != NeedingUploadRecord::LoadResult::SetAside &&
        loaded != NeedingUploadRecord::LoadResult::Unreadable)
        return;
    const QString where = loaded == NeedingUploadRecord::LoadResult::SetAside
                              ? tr("It was kept as \"%1\"; ").arg(setAside)
                              : tr("It was left unchanged; ");
    Platform::instance().alert(
        tr("The list of files needing upload could not be read."),
        where + tr("files changed earlier may need to be marked for upload again."));
}

void AppDelegate::connectControllers() {
    // Each new editor gets its services (colouring, spelling marks).
    connect(m_openFiles, &OpenFilesController::editorCreated, this,
            [this](TextView* view, const QString& path) { m_seams.editorServices(view, path); });
    // A saved file is the version the server should get.
    connect(m_openFiles, &OpenFilesController::saved, m_marks, &UploadMarks::mark);
    // A file whose text its encoding cannot hold: the user is asked, then the
    // save is tried again.
    connect(m_openFiles, &OpenFilesController::cannotEncode, m_encodings,
            &EncodingController::resolveUnencodable);
    connect(m_openFiles, &OpenFilesController::previewRequested, m_preview,
            &PreviewController::previewFile);
    connect(m_window->outlineView(), &QTreeView::expanded, m_folderWatcher,
            &FolderWatcher::scheduleSync);
    connect(m_sites, &SitesController::helpRequested, m_help, &HelpController::actionHelpModal);
}

void AppDelegate::connectWindow() {
    MainWindow* w = m_window.get();
    connect(w->actionSave(), &QAction::triggered, this, &AppDelegate::actionSave);
    connect(w->actionClose(), &QAction::triggered, this, &AppDelegate::actionCloseOpenFile);
    connect(w->actionQuit(), &QAction::triggered, this, &AppDelegate::actionQuit);
    connect(w->actionUpload(), &QAction::triggered, this, &AppDelegate::actionUpload);
    connect(w, &MainWindow::closeRequested, this, &AppDelegate::actionQuit);
}

void AppDelegate::actionBack() {
    m_preview->actionBack();
}

void AppDelegate::actionForward() {
    m_preview->actionForward();
}

void AppDelegate::actionReload() {
    m_preview->actionReload();
}

void AppDelegate::actionSave() {
    m_openFiles->save(OpenFilesController::SaveMode::Always);
}

void AppDelegate::actionCloseOpenFile() {
    endEditing(*m_openFiles);
    m_openFiles->closeCurrent();
}

void AppDelegate::actionUpload() {
    endEditing(*m_openFiles);
    const PublishOutcome outcome = m_seams.upload(m_window.get(), getPropForCurrentSite(),
                                                  m_sites->defaultSiteFolderLocal(), *m_marks);
    if (outcome == PublishOutcome::NoSiteChosen)
        m_sites->editSite(QString());
    else if (outcome == PublishOutcome::NoServer)
        m_sites->editSite(m_sites->currentSite());
}

void AppDelegate::actionQuit() {
    endEditing(*m_openFiles);
    if (!m_diskWatch->resolvePendingBeforeLeaving())
        return;
    m_outline->saveFolder();
    m_seams.terminate();
}

} // namespace morvane
