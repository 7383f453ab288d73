// The menu bar as a keyboard user meets it: every command of the window is
// in it, no two commands share a key (Qt ignores an ambiguous shortcut
// altogether), and the commands that open the window's pop-ups open them.
#include "sitefixture.h"

#include "help/helppages.h"

#include <QAbstractItemView>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
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
    for (const char* name : {"actionSpellChecking",
                             "actionHelp",
                             "actionHelpPHP",
                             "actionHelpHTML",
                             "actionSave",
                             "actionCloseOpenFile",
                             "actionQuit",
                             "actionBack",
                             "actionForward",
                             "actionReload",
                             "actionPopupSites",
                             "actionPopupOpenFiles",
                             "actionPopupActionMenu",
                             "actionPreferences",
                             "actionRefreshFolders",
                             "actionUpload",
                             "actionToggleComment",
                             "actionGoToLine",
                             "actionGoToMatchingBracket",
                             "actionShowCompletions",
                             "actionFindInSite",
                             "actionReplaceInSite"}) {
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

namespace {

// A command's name as a reader sees it: no mnemonic, no trailing dots.
QString commandName(QString text) {
    text.remove(QLatin1Char('&'));
    if (text.endsWith(QLatin1String("...")))
        text.chop(3);
    if (text.endsWith(QChar(0x2026)))
        text.chop(1);
    return text.trimmed();
}

// The text inside every element `tag` of a help page, as shown: tags
// removed, entities turned back, runs of white space made one space.
QStringList elementTexts(const QString& html, const QString& tag) {
    const QRegularExpression element(QStringLiteral("<%1>(.*?)</%1>").arg(tag),
                                     QRegularExpression::DotMatchesEverythingOption);
    QStringList out;
    for (auto it = element.globalMatch(html); it.hasNext();) {
        QString text = it.next().captured(1);
        text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        out << text.simplified();
    }
    return out;
}

QString helpFile(const QString& name) {
    QFile f(QStringLiteral(":/Morvane/help/") + name);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Whether "File ▸ Save" names an item of the menu bar.
bool menuPathExists(QMenuBar* bar, const QStringList& path) {
    QList<QAction*> level = bar->actions();
    for (qsizetype i = 0; i < path.size(); ++i) {
        QAction* found = nullptr;
        for (QAction* a : level)
            if (!a->isSeparator() && commandName(a->text()) == commandName(path[i]))
                found = a;
        if (!found)
            return false;
        if (i + 1 == path.size())
            return true;
        if (!found->menu())
            return false;
        QMetaObject::invokeMethod(found->menu(), "aboutToShow");
        level = found->menu()->actions();
    }
    return false;
}

} // namespace

class HelpAgreesWithMenusTest : public SiteFixture {
protected:
    void addFiles() override { writeFile(site + "/pic.png", "not really a picture"); }
    // Every command of the menu bar and of the row menus (the ⚙ and context
    // menus) of a file, a marked file, an image and a folder.
    QList<QAction*> allCommands(std::vector<std::unique_ptr<QMenu>>& keep) {
        QList<QAction*> actions = menuBarActions(app->window()->menuBar());
        app->outline()->setHaveOutsideClient(true);
        app->needingUpload().mark(at("b.html"));
        for (const char* rel : {"a.html", "b.html", "pic.png", ""}) {
            auto* model = static_cast<FileTreeModel*>(app->window()->outlineView()->model());
            FileSystemItem* node = *rel ? FileTreeModel::nodeForIndex(model->indexForPath(at(rel)))
                                        : FileSystemItem::rootItem();
            EXPECT_NE(node, nullptr) << rel;
            for (auto kind :
                 {OutlineController::MenuKind::Gear, OutlineController::MenuKind::Context}) {
                keep.emplace_back(app->outline()->menuForRow(node, kind, nullptr));
                if (keep.back())
                    actions << keep.back()->actions();
            }
        }
        return actions;
    }
};

TEST_F(HelpAgreesWithMenusTest, EveryShortcutOfTheMenusIsOnTheKeysPage) {
    const QStringList listed = elementTexts(helpFile(QStringLiteral("shortcuts.html")), "kbd");
    ASSERT_GT(listed.size(), 20);
    std::vector<std::unique_ptr<QMenu>> keep;
    int keys = 0;
    for (QAction* a : allCommands(keep)) {
        for (const QKeySequence& key : a->shortcuts()) {
            ++keys;
            const QString text = key.toString(QKeySequence::NativeText);
            EXPECT_TRUE(listed.contains(text))
                << text.toStdString() << " (" << commandName(a->text()).toStdString()
                << ") is not on the Keys page";
        }
    }
    EXPECT_GT(keys, 25);
}

TEST_F(HelpAgreesWithMenusTest, CommandsInTheHelpPagesAreNamedAsInTheMenus) {
    std::vector<std::unique_ptr<QMenu>> keep;
    QStringList commands;
    for (QAction* a : allCommands(keep))
        if (!a->isSeparator() && !a->data().isValid()) // encodings are names, not commands
            commands << commandName(a->text());
    QMenuBar* bar = app->window()->menuBar();
    int checked = 0;
    for (const QString& file : help::allHelpFiles()) {
        if (!file.endsWith(QLatin1String(".html")))
            continue;
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        for (const QString& bold : elementTexts(html, "b")) {
            SCOPED_TRACE((file + QStringLiteral(": ") + bold).toStdString());
            // "File ▸ Save": a path through the menu bar that exists.
            if (bold.contains(QChar(0x25B8))) {
                ++checked;
                EXPECT_TRUE(menuPathExists(bar, bold.split(QStringLiteral(" \u25B8 "))));
                continue;
            }
            // A command's name is written as the menus write it.
            for (const QString& command : commands) {
                if (bold.compare(command, Qt::CaseInsensitive) == 0) {
                    ++checked;
                    EXPECT_EQ(bold, command);
                }
            }
        }
    }
    EXPECT_GT(checked, 15);
}

TEST_F(HelpAgreesWithMenusTest, EveryMenuItemIsInTitleCase) {
    // "New File", "Open with Default Application": each word but the short
    // joining ones starts with a capital, the same in every menu.
    static const QStringList small = {"a",  "an", "and", "as", "at",  "by", "for",
                                      "in", "of", "on",  "or", "the", "to", "with"};
    std::vector<std::unique_ptr<QMenu>> keep;
    for (QAction* a : allCommands(keep)) {
        if (a->isSeparator() || a->data().isValid())
            continue;
        const QString name = commandName(a->text());
        const QStringList words = name.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < words.size(); ++i) {
            const QString& w = words[i];
            if (w.startsWith(QLatin1Char('<')) || (i > 0 && small.contains(w)))
                continue;
            EXPECT_TRUE(w[0].isUpper() || w[0].isDigit()) << name.toStdString();
        }
    }
}

} // namespace
} // namespace morvane::test
