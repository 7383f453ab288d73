// The Help menu in the main window: the guide shown once at the first
// start, the menu's items (outside links only when their address is set),
// the update check at start-up and on demand, and the site dialog's Help
// button opening the guide modally.
#include "../help/httpserver.h"
#include "app/helpcontroller.h"
#include "appfixture.h"
#include "help/helpbrowser.h"
#include "help/updatechecker.h"
#include "sites/sitedialog.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace morvane::test {
namespace {

QAction* findAction(QMenu* menu, const char* name) {
    for (QAction* a : menu->actions())
        if (a->objectName() == QLatin1String(name))
            return a;
    return nullptr;
}

using HelpMenuTest = AppFixture;

TEST_F(HelpMenuTest, TheGuideOpensAtTheFirstStartOnly) {
    launch();
    help::HelpBrowser* browser = app->helpController()->browser();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_FALSE(browser->isModalRun());
    auto* view = static_cast<StubHelpView*>(browser->view());
    EXPECT_EQ(view->loaded, QList<QUrl>{help::helpStartUrl()});
    EXPECT_TRUE(settings()->value(QStringLiteral("HideInitialHelp")).toBool());
    // The backup reminder still follows.
    EXPECT_TRUE(alertTitles().contains(QStringLiteral("Beta version \u2014 use with caution!.")));

    quitAndForget();
    launch();
    EXPECT_EQ(app->helpController()->browser(), nullptr);
}

TEST_F(HelpMenuTest, TheMenuBarHasTheHelpMenuWithItsCommands) {
    launch();
    QMenu* menu = app->helpController()->menu();
    EXPECT_TRUE(app->window()->menuBar()->actions().contains(menu->menuAction()));
    for (const char* name : {"actionHelp", "actionHelpPHP", "actionHelpHTML", "actionAbout"}) {
        QAction* a = findAction(menu, name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_TRUE(a->isEnabled()) << name;
        EXPECT_FALSE(a->text().isEmpty()) << name;
    }
    EXPECT_EQ(findAction(menu, "actionHelp")->shortcut(), QKeySequence(QKeySequence::HelpContents));
    // This build sets none of the outside addresses: their items are left out.
    const help::HelpLinks built = help::HelpLinks::fromBuild();
    EXPECT_EQ(findAction(menu, "actionWebsite") != nullptr, !built.websiteUrl().isEmpty());
    EXPECT_EQ(findAction(menu, "actionSupport") != nullptr, !built.supportUrl().isEmpty());
    EXPECT_EQ(findAction(menu, "actionRate") != nullptr, !built.rateUrl().isEmpty());
    EXPECT_EQ(findAction(menu, "actionUpdateCheck") != nullptr,
              !built.updateServiceUrl().isEmpty());
}

TEST_F(HelpMenuTest, TheUpdateCheckRunsAtStartUpAndOnRequest) {
    HttpServer server;
    server.answer("/update", 200, "YES");
    settings()->setValue(QStringLiteral("UpdateCheckURL"),
                         server.base() + QStringLiteral("/update"));
    settings()->sync();
    launch();
    ASSERT_TRUE(waitUntil([&] { return !server.requests.isEmpty(); }));
    EXPECT_TRUE(
        server.requests.first().startsWith("/update?product=Morvane&platform=linux&version="));
    EXPECT_TRUE(settings()->contains(QStringLiteral("LastUpdateCheck")));
    ASSERT_TRUE(waitUntil([&] { return !app->helpController()->updateChecker()->isRunning(); }));
    EXPECT_FALSE(alertTitles().contains(QStringLiteral("App is up-to-date.")));

    QAction* check = findAction(app->helpController()->menu(), "actionUpdateCheck");
    ASSERT_NE(check, nullptr);
    check->trigger();
    ASSERT_TRUE(
        waitUntil([&] { return alertTitles().contains(QStringLiteral("App is up-to-date.")); }));
    EXPECT_EQ(server.requests.size(), 2);

    // Within the week the next start asks nothing.
    quitAndForget();
    launch();
    QCoreApplication::processEvents();
    EXPECT_EQ(server.requests.size(), 2);
}

TEST_F(HelpMenuTest, TheSiteDialogsHelpButtonOpensTheGuideModally) {
    // The program's own site dialog, not the fixture's stand-in.
    AppSeams seams;
    seams.terminate = [] {};
    seams.helpView = [](QWidget* parent) { return std::make_unique<StubHelpView>(parent); };
    app = std::make_unique<AppDelegate>(std::move(seams));
    ASSERT_TRUE(app->applicationDidFinishLaunching());
    app->helpController()->browser()->close();

    bool helpButtonShown = false;
    bool helpWasModal = false;
    QTimer::singleShot(0, app.get(), [&] {
        auto* dialog = qobject_cast<SiteDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* help = dialog->findChild<QPushButton*>(QStringLiteral("buttonHelp"));
        ASSERT_NE(help, nullptr);
        helpButtonShown = help->isVisible();
        QTimer::singleShot(0, app.get(), [&] {
            QWidget* modal = QApplication::activeModalWidget();
            helpWasModal = modal == app->helpController()->browser();
            if (modal)
                modal->close();
        });
        help->click(); // returns when the guide is closed
        dialog->findChild<QPushButton*>(QStringLiteral("buttonCancel"))->click();
    });
    app->editSite(QString());
    EXPECT_TRUE(helpButtonShown);
    EXPECT_TRUE(helpWasModal);
}

// The outside links, with addresses as a deployment would set them.
TEST(HelpLinksMenu, OutsideItemsOpenTheirAddresses) {
    RecordingPlatform::current().clear();
    QMainWindow window;
    help::HelpLinks links;
    links.website = QStringLiteral("https://morvane.example/");
    links.supportMail = QStringLiteral("support@morvane.example");
    links.rate = QStringLiteral("https://store.example/morvane");
    HelpController controller(
        window, links, [](QWidget* parent) { return std::make_unique<StubHelpView>(parent); });
    QMenu* menu = controller.menu();
    for (const char* name : {"actionWebsite", "actionSupport", "actionRate"}) {
        QAction* a = findAction(menu, name);
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    const QList<QUrl> opened = RecordingPlatform::current().openedUrls;
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://morvane.example/")));
    EXPECT_EQ(opened[1].toString(),
              QStringLiteral("mailto:support@morvane.example?subject=Morvane-Linux"));
    EXPECT_EQ(opened[2], QUrl(QStringLiteral("https://store.example/morvane")));
    // No update service: no update item.
    EXPECT_EQ(findAction(menu, "actionUpdateCheck"), nullptr);
}

} // namespace
} // namespace morvane::test
