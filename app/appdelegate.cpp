#include "app/appdelegate.h"

#include "app/diskwatchcontroller.h"
#include "app/encodingcontroller.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "editor/prefscontroller.h"
#include "editor/syntaxcolourer.h"
#include "editor/textview.h"
#include "tree/fileoperations.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "tree/folderwatcher.h"
#include "upload/sitepropcontroller.h"
#include "upload/uploadcontroller.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>

#include <filesystem>
#include <system_error>

namespace morvane {

namespace {
const QString kNoneChosen = QStringLiteral("[none chosen]");
const QString kNewSite = QStringLiteral("New...");
const QString kEditSite = QStringLiteral("Edit...");
} // namespace

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent), m_terminate([] { QCoreApplication::quit(); }) {
    // Every editor colours HTML and PHP as the user types and scrolls.
    m_editorHook = [this](TextView* view, const QString& path) {
        auto* colourer = new SyntaxColourer(view, m_prefs);
        colourer->setFilePath(path);
    };
    m_siteDialog = [](QWidget* parent, SiteList& sites, QString& name, bool& deleted) {
        SitePropController dialog(parent);
        dialog.setSites(&sites);
        dialog.setSiteName(name);
        const int result = dialog.exec();
        name = dialog.siteName();
        deleted = dialog.deleted();
        return result;
    };
    m_uploadRunner = [](QWidget* parent, const Site* site, const QString& folder,
                        NeedingUploadRecord& record) {
        return UploadCommand::run(parent, site, folder, record) ==
               UploadCommand::Outcome::NoSiteChosen;
    };
}

AppDelegate::~AppDelegate() {
    // Editors and the tree model go before the tree they point into.
    m_window.reset();
}

void AppDelegate::setEditorHook(std::function<void(TextView*, const QString&)> hook) {
    m_editorHook = std::move(hook);
    if (m_openFiles)
        m_openFiles->setEditorFactoryHook(m_editorHook);
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
    m_prefs = new PrefsController(this);
    m_prefs->prefsFromUserDefaults(*settings);

    // The outside FTP client offered by the outline's menu.
    m_haveCyberduck = !QStandardPaths::findExecutable(QStringLiteral("filezilla")).isEmpty();
    m_spellChecking = settings->value(QStringLiteral("continuousSpellCheckingEnabled")).toBool();

    const QString support = paths::supportFolder();
    if (support.isEmpty()) {
        Platform::instance().alert(QStringLiteral("Unable to locate Application Support folder."),
                                   QString());
        m_terminate();
        return false;
    }
    m_defaultSiteFolderLocal = paths::defaultSiteFolder();
    m_siteFolderLocal = m_defaultSiteFolderLocal;
    m_needingUploadPath = paths::needingUploadPath();

    // The record of files needing upload. An unreadable one is kept aside,
    // never silently replaced, and the user hears of it once.
    m_needingUpload.setFilePath(m_needingUploadPath);
    QString setAside;
    const auto loaded = m_needingUpload.load(&setAside);

    bool sitesPresent = false;
    m_sites = sitestore::load(*settings, &sitesPresent);

    m_model = new FileTreeModel(this);
    m_model->setMarkedTest([this](const QString& path) { return m_needingUpload.contains(path); });
    m_window->outlineView()->setModel(m_model);
    m_openFiles = new OpenFilesController(m_window.get(), m_prefs, &m_needingUpload, this);
    m_openFiles->setRecordChangedHook([this] { reloadOutline(); });
    m_openFiles->setEditorFactoryHook(m_editorHook);
    m_diskWatch = new DiskWatchController(m_window.get(), m_openFiles, this);
    m_encodings = new EncodingController(m_window.get(), m_openFiles, this);
    m_folderWatcher = new FolderWatcher(m_model, this);
    connect(m_window->outlineView(), &QTreeView::expanded, m_folderWatcher,
            &FolderWatcher::scheduleSync);
    connectWindow();

    std::error_code ec;
    std::filesystem::create_directories(m_defaultSiteFolderLocal.toStdString(), ec);
    if (ec)
        Platform::instance().alert(QStringLiteral("Can't create local site folder"),
                                   QString::fromStdString(ec.message()));

    setSitesPopup();
    setSiteToCurrent(sitestore::currentSiteName(*settings));

    restoreSelection(*settings);

    if (!sitesPresent) {
        FileSystemItem* root = FileSystemItem::rootItem();
        if (root->numberOfChildren() < 1) {
            selectItem(root);
            newFileOrFolder(false, true);
            if (TextView* view = m_openFiles->currentTextView())
                view->setFocus();
        }
    }

    // Let the window draw its first frame before anything else is built.
    m_window->show();
    QCoreApplication::processEvents();
    m_window->raise();
    m_window->activateWindow();

    if (loaded == NeedingUploadRecord::LoadResult::SetAside ||
        loaded == NeedingUploadRecord::LoadResult::Unreadable) {
        const QString where = loaded == NeedingUploadRecord::LoadResult::SetAside
                                  ? QStringLiteral("It was kept as \"%1\"; ").arg(setAside)
                                  : QStringLiteral("It was left unchanged; ");
        Platform::instance().alert(
            QStringLiteral("The list of files needing upload could not be read."),
            where +
                QStringLiteral("files changed earlier may need to be marked for upload again."));
    }
    Platform::instance().alert(QStringLiteral("Beta version \u2014 use with caution!."),
                               QStringLiteral("Make sure you back up your site files frequently."));
    return true;
}

void AppDelegate::connectWindow() {
    MainWindow* w = m_window.get();
    connect(w->popupSites(), qOverload<int>(&QComboBox::activated), this,
            &AppDelegate::actionPopupSites);
    connect(w->outlineView()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { outlineViewSelectionDidChange(); });
    connect(m_openFiles, &OpenFilesController::popupChoseFile, this, [this](OpenFile* file) {
        // Select the file's row when it is visible, else the site folder's.
        FileSystemItem* item = file->item;
        const QModelIndex index = m_model->indexForNode(item);
        QTreeView* outline = m_window->outlineView();
        if (index.isValid() && outline->visualRect(index).isValid())
            selectItem(item);
        else
            selectItem(FileSystemItem::rootItem());
    });
    connect(w->actionSave(), &QAction::triggered, this, &AppDelegate::actionSave);
    connect(w->actionClose(), &QAction::triggered, this, &AppDelegate::actionCloseOpenFile);
    connect(w->actionQuit(), &QAction::triggered, this, &AppDelegate::actionQuit);
    connect(w->actionUpload(), &QAction::triggered, this, &AppDelegate::actionUpload);
    connect(w->actionRefresh(), &QAction::triggered, this, &AppDelegate::actionRefresh);
    connect(w->actionNewFile(), &QAction::triggered, this,
            [this] { newFileOrFolder(false, false); });
    connect(w->actionNewFolder(), &QAction::triggered, this,
            [this] { newFileOrFolder(true, false); });
    connect(w->actionMarkForUpload(), &QAction::triggered, this, &AppDelegate::markForUpload);
    connect(w->actionUnmarkForUpload(), &QAction::triggered, this, &AppDelegate::unmarkForUpload);
    // The gear and the outline's context menu offer the commands that act on
    // the selected row.
    auto* rowMenu = new QMenu(w);
    rowMenu->addAction(w->actionNewFile());
    rowMenu->addAction(w->actionNewFolder());
    rowMenu->addSeparator();
    rowMenu->addAction(w->actionMarkForUpload());
    rowMenu->addAction(w->actionUnmarkForUpload());
    rowMenu->addSeparator();
    rowMenu->addAction(w->actionRefresh());
    connect(rowMenu, &QMenu::aboutToShow, this, [this] {
        FileSystemItem* item = selectedItem();
        const bool file = item && item->numberOfChildren() < 0;
        const bool marked = file && m_needingUpload.contains(item->fullPath());
        m_window->actionMarkForUpload()->setVisible(file && !marked);
        m_window->actionUnmarkForUpload()->setVisible(marked);
    });
    w->popupActionMenu()->setMenu(rowMenu);
    connect(w->outlineView(), &QWidget::customContextMenuRequested, this,
            [this, rowMenu](const QPoint& pos) {
                QTreeView* outline = m_window->outlineView();
                const QModelIndex index = outline->indexAt(pos);
                if (index.isValid())
                    selectItem(m_model->nodeForIndex(index));
                rowMenu->popup(outline->viewport()->mapToGlobal(pos));
            });
    connect(w->actionIndent(), &QAction::triggered, this, [this] {
        if (TextView* v = m_openFiles->currentTextView())
            v->indentSelection();
    });
    connect(w->actionOutdent(), &QAction::triggered, this, [this] {
        if (TextView* v = m_openFiles->currentTextView())
            v->outdentSelection();
    });
    connect(w, &MainWindow::closeRequested, this, &AppDelegate::actionQuit);
}

// ---- sites ---------------------------------------------------------------

void AppDelegate::setSitesPopup() {
    QComboBox* popup = m_window->popupSites();
    const QSignalBlocker block(popup);
    popup->clear();
    auto add = [popup](const QString& title) {
        // Each title at most once: a later one replaces an earlier one.
        const int existing = popup->findText(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (existing >= 0)
            popup->removeItem(existing);
        popup->addItem(title);
    };
    add(kNoneChosen);
    for (const Site& s : m_sites)
        add(s.name());
    popup->insertSeparator(popup->count());
    add(kNewSite);
    add(kEditSite);
    popup->setCurrentIndex(0);
}

const Site* AppDelegate::getPropForCurrentSite() const {
    if (m_currentSite.isEmpty())
        return nullptr;
    return sitestore::find(m_sites, m_currentSite);
}

void AppDelegate::setSiteToCurrent(const QString& requested) {
    // An edited file is saved while the old root still gives its path.
    endEditing();
    if (!m_diskWatch->resolvePendingBeforeLeaving()) {
        const QSignalBlocker block(m_window->popupSites());
        const int i = m_window->popupSites()->findText(m_currentSite, Qt::MatchExactly);
        m_window->popupSites()->setCurrentIndex(m_currentSite.isEmpty() || i < 0 ? 0 : i);
        return;
    }
    QComboBox* popup = m_window->popupSites();
    QString name = requested.isEmpty() ? popup->currentText() : requested;
    {
        const QSignalBlocker block(popup);
        if (name == kNoneChosen || name.isEmpty()) {
            m_currentSite.clear();
            popup->setCurrentIndex(0);
        } else {
            m_currentSite = name;
            const int i = popup->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (i >= 0)
                popup->setCurrentIndex(i);
        }
    }
    {
        auto settings = paths::openSettings();
        sitestore::setCurrentSiteName(*settings, m_currentSite);
    }
    const Site* site = getPropForCurrentSite();
    if (!m_currentSite.isEmpty() && !site)
        Platform::instance().alert(QStringLiteral("Can't get properties for current site:"),
                                   m_currentSite);
    m_siteFolderLocal = site ? site->localPath() : QString();
    m_localURL = site ? site->localURL() : QString();
    if (m_siteFolderLocal.isEmpty())
        m_siteFolderLocal = m_defaultSiteFolderLocal;

    // Open files belong to the old site's tree: forget them before the tree
    // is rebuilt for the new root.
    m_openFiles->closeAll();
    eraseOutline();
    {
        const QSignalBlocker block(m_window->tabView());
        m_window->tabView()->setCurrentIndex(0);
    }
    outlineViewSelectionDidChange();
}

void AppDelegate::editSite(const QString& requested) {
    QComboBox* popup = m_window->popupSites();
    {
        const QSignalBlocker block(popup);
        const QString back = !requested.isEmpty() ? requested : m_currentSite;
        const int i =
            back.isEmpty() ? 0 : popup->findText(back, Qt::MatchExactly | Qt::MatchCaseSensitive);
        popup->setCurrentIndex(i >= 0 ? i : 0);
    }
    if (!m_siteDialog)
        return;
    QString name = requested;
    bool deleted = false;
    const int result = m_siteDialog(m_window.get(), m_sites, name, deleted);
    if (result == 0)
        return;
    setSitesPopup();
    if (name.isEmpty() || deleted) {
        const QSignalBlocker block(popup);
        popup->setCurrentIndex(0);
        m_currentSite.clear();
        name.clear();
    }
    setSiteToCurrent(name.isEmpty() ? kNoneChosen : name);
}

void AppDelegate::actionPopupSites(int index) {
    endEditing();
    const QString title = m_window->popupSites()->itemText(index);
    if (title == kNewSite)
        editSite(QString());
    else if (title == kEditSite)
        editSite(m_currentSite);
    else
        setSiteToCurrent(title);
}

// ---- outline -------------------------------------------------------------

FileSystemItem* AppDelegate::selectedItem() const {
    const QModelIndexList rows = m_window->outlineView()->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : m_model->nodeForIndex(rows.first());
}

void AppDelegate::selectItem(FileSystemItem* item) {
    const QModelIndex index = m_model->indexForNode(item);
    if (!index.isValid())
        return;
    QTreeView* outline = m_window->outlineView();
    outline->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
}

void AppDelegate::outlineViewSelectionDidChange() {
    if (m_inSelectionHandler)
        return;
    m_inSelectionHandler = true;
    endEditing();
    if (FileSystemItem* item = selectedItem())
        m_openFiles->openItem(item);
    if (TextView* view = m_openFiles->currentTextView())
        if (m_openFiles->currentFile() && m_openFiles->currentFile()->editMode)
            view->setFocus();
    m_inSelectionHandler = false;
}

void AppDelegate::expandPath(FileSystemItem* node, const QStringList& components, int index,
                             bool makeVisible) {
    QTreeView* outline = m_window->outlineView();
    for (; index < components.size(); ++index) {
        FileSystemItem* next = nullptr;
        const int n = node->numberOfChildren();
        for (int i = 0; i < n; ++i) {
            FileSystemItem* child = node->childAtIndex(i);
            if (child->relativePath() == components[index]) {
                next = child;
                break;
            }
        }
        if (!next)
            return;
        outline->expand(m_model->indexForNode(next));
        node = next;
    }
    if (!makeVisible)
        return;
    const QModelIndex target = m_model->indexForNode(node);
    outline->scrollTo(target, QAbstractItemView::PositionAtCenter);
    selectItem(node);
}

void AppDelegate::restoreSelection(QSettings& settings) {
    const QVariant stored = settings.value(QStringLiteral("path"));
    if (stored.typeId() != QMetaType::QString)
        return;
    const QString path = stored.toString();
    if (path.isEmpty())
        return;
    QString parent = m_siteFolderLocal;
    while (parent.size() > 1 && parent.endsWith(QLatin1Char('/')))
        parent.chop(1);
    parent = parent.left(std::max<qsizetype>(0, parent.lastIndexOf(QLatin1Char('/'))));
    const qsizetype b = parent.size();
    if (b + 1 >= path.size())
        return;
    const QStringList components = path.mid(b + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    expandPath(FileSystemItem::rootItem(), components, 1, true);
}

void AppDelegate::eraseOutline() {
    endEditing();
    m_model->reset(m_siteFolderLocal);
    QTreeView* outline = m_window->outlineView();
    outline->expand(m_model->indexForNode(FileSystemItem::rootItem()));
}

void AppDelegate::reloadOutline() {
    m_model->marksChanged();
}

void AppDelegate::writeRecord() {
    m_needingUpload.save();
    reloadOutline();
}

void AppDelegate::newFileOrFolder(bool folder, bool wantIndexFile) {
    FileSystemItem* selected = selectedItem();
    if (!selected)
        return;
    FileSystemItem* created = morvane::newFileOrFolder(selected, folder, wantIndexFile);
    if (!created)
        return;
    if (!folder) {
        m_needingUpload.mark(created->fullPath());
        writeRecord();
    }
    m_window->outlineView()->expand(m_model->indexForNode(created->parent()));
    selectItem(created);
}

void AppDelegate::actionRefresh() {
    endEditing();
    m_model->refresh();
    for (const auto& f : m_openFiles->openFiles())
        if (f->editor)
            m_openFiles->readFileIntoTextView(f.get());
}

void AppDelegate::markForUpload() {
    FileSystemItem* item = selectedItem();
    if (!item || item->numberOfChildren() >= 0)
        return;
    m_needingUpload.mark(item->fullPath());
    writeRecord();
}

void AppDelegate::unmarkForUpload() {
    FileSystemItem* item = selectedItem();
    if (!item)
        return;
    m_needingUpload.unmark(item->fullPath());
    writeRecord();
}

// ---- commands ------------------------------------------------------------

void AppDelegate::endEditing() {
    TextView* view = m_openFiles ? m_openFiles->currentTextView() : nullptr;
    const bool editorHadFocus = view && view->hasFocus();
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
    // Losing the focus saves an edited file; an editor that never had the
    // focus (edited programmatically, or the window inactive) is saved here.
    if (!editorHadFocus && m_openFiles)
        m_openFiles->save(false);
}

void AppDelegate::actionSave() {
    m_openFiles->save(true);
}

void AppDelegate::actionCloseOpenFile() {
    endEditing();
    m_openFiles->closeCurrent();
}

void AppDelegate::actionUpload() {
    endEditing();
    if (!m_uploadRunner)
        return;
    const bool noSite =
        m_uploadRunner(m_window.get(), getPropForCurrentSite(), m_siteFolderLocal, m_needingUpload);
    reloadOutline();
    if (noSite)
        editSite(QString());
}

void AppDelegate::saveFolder() {
    FileSystemItem* item = selectedItem();
    if (!item)
        return;
    auto settings = paths::openSettings();
    settings->setValue(QStringLiteral("path"), item->fullPath());
    settings->sync();
}

void AppDelegate::actionQuit() {
    endEditing();
    if (!m_diskWatch->resolvePendingBeforeLeaving())
        return;
    saveFolder();
    m_terminate();
}

} // namespace morvane
