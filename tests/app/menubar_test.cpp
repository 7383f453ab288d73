// The menu bar as a keyboard user meets it: every command of the window is
// in it, no two commands share a key (Qt ignores an ambiguous shortcut
// altogether), and the commands that open the window's pop-ups open them.
#include "sitefixture.h"

#include <QAbstractItemView>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTimer>
#include <QToolButton>

namespace morvane::test {
namespace {

// Every action reachable from the menu bar, submenus included.
QList<QAction*> menuBarActions(QMenuBar* bar) {
    QList<QAction*> found;
    QList<QMenu*> menus;
    for (QAction* a : bar->actions())
        if (a->menu())
            menus.append(a->menu());
    while (!menus.isEmpty()) {
        QMenu* menu = menus.takeFirst();
        // Menus filled when they open are asked to fill themselves.
        QMetaObject::invokeMethod(menu, "aboutToShow");
        for (QAction* a : menu->actions()) {
            if (a->menu())
                menus.append(a->menu());
            else if (!a->isSeparator())
                found.append(a);
        }
    }
    return found;
}

QAction* byName(const QList<QAction*>& actions, const QString& name) {
    for (QAction* a : actions)
        if (a->objectName() == name)
            return a;
    return nullptr;
}

using MenuBarTest = SiteFixture;

TEST_F(MenuBarTest, EveryCommandOfTheWindowIsInTheMenuBarWithAKeyOfItsOwn) {
    const QList<QAction*> actions = menuBarActions(app->window()->menuBar());
    for (const char* name :
         {"actionSpellChecking", "actionHelp", "actionHelpPHP", "actionHelpHTML", "actionSave",
          "actionCloseOpenFile", "actionQuit", "actionBack", "actionForward", "actionReload",
          "actionPopupSites", "actionPopupOpenFiles", "actionPopupActionMenu", "actionPreferences",
          "actionRefreshFolders", "actionUpload"}) {
        QAction* a = byName(actions, QLatin1String(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_FALSE(a->text().isEmpty()) << name;
    }
    EXPECT_TRUE(byName(actions, QStringLiteral("actionSpellChecking"))->isCheckable());

    // A key bound twice does nothing at all in Qt: each key belongs to one command.
    QHash<QKeySequence, QString> owner;
    for (QAction* a : actions) {
        for (const QKeySequence& key : a->shortcuts()) {
            const QString name = a->text().isEmpty() ? a->objectName() : a->text();
            EXPECT_FALSE(owner.contains(key))
                << key.toString().toStdString() << ": " << owner.value(key).toStdString() << " and "
                << name.toStdString();
            owner.insert(key, name);
        }
    }
}

TEST_F(MenuBarTest, TheCommandsForThePopUpsOpenThem) {
    const QList<QAction*> actions = menuBarActions(app->window()->menuBar());

    byName(actions, QStringLiteral("actionPopupSites"))->trigger();
    QComboBox* sites = app->window()->popupSites();
    EXPECT_TRUE(waitUntil([&] { return sites->view()->isVisible(); }));
    sites->hidePopup();

    // The gear opens its menu once a row is selected.
    app->expandPath(FileSystemItem::rootItem(), {QString(), QStringLiteral("b.html")}, 1,
                    OutlineController::PathEnd::Select);
    QToolButton* gear = app->window()->popupActionMenu();
    ASSERT_NE(gear->menu(), nullptr);
    // The menu runs its own loop while it is open: close it from there.
    bool shown = false;
    QTimer::singleShot(0, gear->menu(), [&shown, menu = gear->menu()] {
        shown = menu->isVisible();
        menu->close();
    });
    byName(actions, QStringLiteral("actionPopupActionMenu"))->trigger();
    EXPECT_TRUE(waitUntil([&] { return shown; }));
}

} // namespace
} // namespace morvane::test
