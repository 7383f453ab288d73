// The outline's context and gear menus, the commands that hand a row to
// other programs, and the server shortcuts.
#include "app/mainwindow.h"
#include "app/outlinecontroller.h"
#include "core/platform.h"
#include "core/sitestore.h"
#include "sites/passwordstore.h"
#include "sites/servershortcuts.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "tree/imagetag.h"
#include "upload/uploadmarks.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeView>

#include <functional>

namespace morvane {

QMenu* OutlineController::menuForRow(FileSystemItem* node, MenuKind kind, QWidget* parent) {
    if (!node || !node->isAttached())
        return nullptr;
    const bool gear = kind == MenuKind::Gear;
    const QString path = node->fullPath();
    const bool file = node->numberOfChildren() < 0;
    const bool image = file && isImageName(node->relativePath());

    // Each menu has actions of its own: what one menu shows or hides never
    // reaches another (nor the File menu).
    auto* menu = new QMenu(tr("menu"), parent);
    auto add = [this, menu](const QString& title, const std::function<void()>& command,
                            const QKeySequence& keys = {}) {
        QAction* a = menu->addAction(title);
        if (!keys.isEmpty()) {
            // Shown as a hint; the keys act in the outline itself.
            a->setShortcut(keys);
            a->setShortcutContext(Qt::WidgetShortcut);
        }
        connect(a, &QAction::triggered, this, [command] { command(); });
    };
    // The gear's face is the button itself rather than a first item.
    if (file) {
        if (m_marks.contains(path))
            add(tr("Unmark for Upload"), [this] { unmarkForUpload(); });
        else
            add(tr("Mark for Upload"), [this] { markForUpload(); });
        menu->addSeparator();
    }
    add(tr("New File"), [this] { newFileOrFolder(NewItemType::File); });
    add(tr("New Folder"), [this] { newFileOrFolder(NewItemType::Folder); });
    add(
        tr("Rename"), [this] { rename(); }, QKeySequence(Qt::Key_F2));
    add(
        tr("Delete"), [this] { deleteFileOrFolder(); }, QKeySequence::Delete);
    menu->addSeparator();
    add(tr("Show in File Manager"), [this] { showInFileManager(); });
    if (file)
        add(tr("Open with Default Application"), [this] { openWithDefaultApplication(); });
    if (gear) {
        add(tr("Open Site in File Manager"), [this] { openSiteInFileManager(); });
        if (m_haveClient)
            add(tr("Open Site in FileZilla"), [this] { openSiteInOutsideClient(); });
    }
    if (image) {
        menu->addSeparator();
        add(tr("Copy <img> Tag"), [this] { copyImageTag(); });
    }
    return menu;
}

void OutlineController::showContextMenu(const QPoint& pos) {
    QTreeView* outline = m_window.outlineView();
    const QModelIndex index = outline->indexAt(pos);
    // Empty space has no menu: a command there would act on a row the
    // pointer is not on.
    if (!index.isValid())
        return;
    FileSystemItem* node = FileTreeModel::nodeForIndex(index);
    selectItem(node);
    QMenu* menu = menuForRow(node, MenuKind::Context, outline);
    if (!menu)
        return;
    if (m_contextMenu)
        m_contextMenu->deleteLater();
    m_contextMenu = menu;
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(outline->viewport()->mapToGlobal(pos));
}

void OutlineController::updateGearMenu() {
    // No row, no menu: the button then offers nothing.
    m_window.popupActionMenu()->setMenu(selectedItem() ? m_gearMenu : nullptr);
    m_window.popupActionMenu()->setEnabled(selectedItem() != nullptr);
}

void OutlineController::fillGearMenu() {
    // Built anew each time it opens, so the marks and the row are current.
    m_gearMenu->clear();
    QMenu* built = menuForRow(selectedItem(), MenuKind::Gear, m_gearMenu);
    if (!built)
        return;
    const QList<QAction*> actions = built->actions();
    for (QAction* a : actions) {
        a->setParent(m_gearMenu);
        m_gearMenu->addAction(a);
    }
    built->deleteLater();
}

void OutlineController::showInFileManager() {
    if (FileSystemItem* node = selectedItem())
        Platform::instance().revealInFileManager(node->fullPath());
}

void OutlineController::openWithDefaultApplication() {
    FileSystemItem* node = selectedItem();
    if (!node)
        return;
    const QString path = node->fullPath();
    if (!Platform::instance().openUrl(QUrl::fromLocalFile(path)))
        Platform::instance().alert(tr("Can't open \"%1\".").arg(node->relativePath()),
                                   tr("No application is set up to open this kind of file."));
}

void OutlineController::copyImageTag() {
    FileSystemItem* node = selectedItem();
    if (!node || node->numberOfChildren() >= 0)
        return;
    const QString tag = imageTag(node->fullPath(), FileSystemItem::rootPath());
    if (!tag.isEmpty())
        Platform::instance().setClipboardText(tag);
}

namespace {
QString runtimeFolder() {
    const QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return dir.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : dir;
}

// The site to use, or none after telling the user why there is none.
const Site* serverSite(const std::function<const Site*()>& provider) {
    const Site* site = provider ? provider() : nullptr;
    if (site && servershortcuts::folderAddress(*site))
        return site;
    Platform::instance().alert(
        QObject::tr("This site has no usable server address."),
        QObject::tr("Enter the server and its folder in the site's properties."));
    return nullptr;
}
} // namespace

void OutlineController::openSiteInFileManager() {
    const Site* found = serverSite(m_site);
    if (!found)
        return;
    // A copy: the keyring may take a while to answer, and the window's
    // site list may change meanwhile.
    const Site site = *found;
    Platform& platform = Platform::instance();
    const QString mounted = servershortcuts::mountedFolder(site, runtimeFolder());
    const QUrl address = *servershortcuts::folderAddress(site);
    if (!mounted.isEmpty() && QFileInfo::exists(mounted)) {
        platform.revealInFileManager(mounted);
        return;
    }
    if (!platform.haveProgram(servershortcuts::kMountProgram)) {
        // Without GVfs's tool the file manager is given the address itself.
        platform.openUrl(address);
        return;
    }
    const QString serverName = site.server();
    const QString folder = site.serverFolder();
    auto mount = [mounted, address, serverName, folder](const Site& withPassword) {
        Platform::instance().run(
            servershortcuts::kMountProgram, servershortcuts::mountArguments(withPassword),
            servershortcuts::mountInput(withPassword),
            [mounted, address, serverName, folder](bool ok, const QString& error) {
                Platform& p = Platform::instance();
                const bool there = !mounted.isEmpty() && QFileInfo::exists(mounted);
                if (!ok && !there) {
                    // "Already mounted" elsewhere is no failure: only a folder
                    // that is not there is.
                    p.beep();
                    qWarning("Server %s/%s reported error: %s", qPrintable(serverName),
                             qPrintable(folder), qPrintable(error));
                    p.alert(QObject::tr("Can't open the site's server folder."), error);
                    return;
                }
                if (there)
                    p.revealInFileManager(mounted);
                else
                    p.openUrl(address);
            });
    };
    // The password may live in the desktop keyring rather than in the site:
    // asked through the event loop, the window goes on meanwhile. The
    // request belongs to this controller until it has answered.
    std::unique_ptr<PasswordRequest> request = passwordstore::request(site);
    if (!request) {
        mount(site);
        return;
    }
    PasswordRequest* pending = request.release();
    pending->setParent(this);
    connect(pending, &PasswordRequest::answered, this,
            [pending, site, mount](const QString& password) {
                pending->deleteLater();
                Site filled = site;
                filled.setValue(sitekey::password, password);
                mount(filled);
            });
    connect(pending, &PasswordRequest::failed, this, [pending](const QString& why) {
        pending->deleteLater();
        Platform::instance().alert(OutlineController::tr("Can't open the site's server folder."),
                                   why);
    });
    pending->start();
}

void OutlineController::openSiteInOutsideClient() {
    const Site* site = serverSite(m_site);
    if (!site)
        return;
    // The password stays out of the address: an argument is readable by
    // every user of the machine. The client asks for it.
    if (!Platform::instance().launch(servershortcuts::kClientProgram,
                                     servershortcuts::clientArguments(*site)))
        Platform::instance().alert(tr("Can't launch FileZilla"), QString());
}

} // namespace morvane
