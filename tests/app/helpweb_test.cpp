// The help window on the real web engine, loaded from the module beside the
// program as the installed program loads it: the built-in pages come through
// the program's own URL scheme, every one of them loads, the locked guide
// hands outside addresses to the desktop, and Back follows the history.
#include "app/helpcontroller.h"
#include "app/previewview.h"
#include "help/helpbrowser.h"
#include "help/helppages.h"
#include "recordingplatform.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QRegularExpression>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace morvane::test {
namespace {

QString titleOf(const QByteArray& html) {
    static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"));
    return title.match(QString::fromUtf8(html)).captured(1);
}

class HelpWebTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        window = new QMainWindow;
        controller = new HelpController(*window, help::HelpLinks::fromBuild(), {});
        controller->actionHelp();
    }
    static void TearDownTestSuite() {
        delete controller;
        delete window;
    }
    void SetUp() override {
        RecordingPlatform::current().clear();
        ASSERT_TRUE(QFileInfo::exists(
            webViewModuleCandidates(QCoreApplication::applicationDirPath()).first()))
            << "the web view module must be beside the test program";
        browser = controller->browser();
        ASSERT_NE(browser, nullptr);
        view = browser->view();
        view->onTitleChanged = [this](const QString& t) { title = t; };
        view->onUrlChanged = [this](const QUrl& u) { url = u; };
    }

    // Runs `action` and waits until a page has finished loading with
    // `address` shown (any address when empty), so that no load of an
    // earlier step is taken for it.
    bool actAndWait(const std::function<void()>& action, const QUrl& address, bool* ok = nullptr) {
        bool finished = false;
        auto c =
            QObject::connect(browser, &help::HelpBrowser::pageLoaded, browser, [&](bool result) {
                if (!address.isEmpty() && url != address)
                    return;
                finished = true;
                if (ok)
                    *ok = result;
            });
        action();
        const bool done = waitUntil([&] { return finished; }, std::chrono::seconds(60));
        QObject::disconnect(c);
        return done;
    }
    bool loadAndWait(const QUrl& address, bool* ok = nullptr) {
        return actAndWait([&] { view->load(address); }, address, ok);
    }
    // Shows the guide and waits for its start page.
    bool showGuide() {
        url = QUrl();
        return actAndWait([&] { controller->actionHelp(); }, {});
    }

    static inline QMainWindow* window = nullptr;
    static inline HelpController* controller = nullptr;
    help::HelpBrowser* browser = nullptr;
    help::HelpView* view = nullptr;
    QString title;
    QUrl url;
};

TEST_F(HelpWebTest, EveryBuiltInPageLoadsThroughTheProgramsScheme) {
    int pages = 0;
    for (const QString& file : help::allHelpFiles()) {
        if (!file.endsWith(QLatin1String(".html")))
            continue;
        const QUrl address(QStringLiteral("morvane://help/Morvane/help/") +
                           file.mid(QStringLiteral(":/Morvane/help/").size()));
        help::HelpPage page;
        ASSERT_TRUE(help::readHelpPage(address, &page));
        const QString expected = titleOf(page.body);
        ASSERT_FALSE(expected.isEmpty()) << file.toStdString();
        bool ok = false;
        ASSERT_TRUE(loadAndWait(address, &ok)) << file.toStdString();
        EXPECT_TRUE(ok) << file.toStdString();
        EXPECT_EQ(title, expected) << file.toStdString();
        ++pages;
    }
    EXPECT_GE(pages, 9);
    EXPECT_TRUE(RecordingPlatform::current().openedUrls.isEmpty());
}

// Each page as the user sees it: styled, with its logo, and every link to
// another page of the guide, clicked in the page, brings that page.
TEST_F(HelpWebTest, EveryLinkOfEveryPageArrivesStyled) {
    auto* page = static_cast<PreviewView*>(view);
    auto js = [&](const QString& script) {
        QVariant result;
        bool done = false;
        page->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }, std::chrono::seconds(30)));
        return result;
    };
    int followed = 0;
    for (const QString& file : help::allHelpFiles()) {
        if (!file.endsWith(QLatin1String(".html")))
            continue;
        const QUrl address(QStringLiteral("morvane://help/Morvane/help/") +
                           file.mid(QStringLiteral(":/Morvane/help/").size()));
        ASSERT_TRUE(loadAndWait(address)) << file.toStdString();
        // The stylesheet applies and the logo is drawn.
        EXPECT_GT(
            js("document.styleSheets.length ? document.styleSheets[0].cssRules.length : 0").toInt(),
            0)
            << file.toStdString();
        EXPECT_TRUE(
            js("Array.from(document.images).every(i => i.complete && i.naturalWidth > 0)").toBool())
            << file.toStdString();
        const QStringList links = js("Array.from(document.links).map(a => a.href)").toStringList();
        for (int i = 0; i < links.size(); ++i) {
            const QUrl target(links[i]);
            if (!help::isInsideHelp(target) ||
                target.adjusted(QUrl::RemoveFragment) == address.adjusted(QUrl::RemoveFragment))
                continue;
            ASSERT_TRUE(loadAndWait(address)) << file.toStdString();
            bool ok = false;
            const bool arrived =
                actAndWait([&] { js(QStringLiteral("document.links[%1].click()").arg(i)); },
                           target.adjusted(QUrl::RemoveFragment), &ok);
            EXPECT_TRUE(arrived && ok) << file.toStdString() << " -> " << links[i].toStdString();
            help::HelpPage expected;
            ASSERT_TRUE(help::readHelpPage(target, &expected)) << links[i].toStdString();
            EXPECT_EQ(title, titleOf(expected.body)) << links[i].toStdString();
            ++followed;
        }
    }
    EXPECT_GE(followed, 80);
    EXPECT_TRUE(RecordingPlatform::current().openedUrls.isEmpty());
}

TEST_F(HelpWebTest, TheLockedGuideSendsOutsideAddressesToTheDesktopAndGoesBack) {
    ASSERT_TRUE(showGuide());
    EXPECT_FALSE(browser->buttonBack()->isEnabled());

    const QUrl outside(QStringLiteral("http://127.0.0.1:9/elsewhere.html"));
    view->load(outside);
    ASSERT_TRUE(waitUntil([&] { return !RecordingPlatform::current().openedUrls.isEmpty(); }));
    EXPECT_EQ(RecordingPlatform::current().openedUrls, QList<QUrl>{outside});
    EXPECT_EQ(url, help::helpStartUrl());

    // The refused load may still report its end after the next load began,
    // under that load's address: the page itself is waited for.
    ASSERT_TRUE(loadAndWait(QUrl(QStringLiteral("morvane://help/Morvane/help/sites.html"))));
    EXPECT_TRUE(waitUntil(
        [&] { return title == QStringLiteral("Sites and the site dialog — Morvane Help"); }));
    EXPECT_TRUE(waitUntil([&] { return browser->buttonBack()->isEnabled(); }));
    EXPECT_TRUE(actAndWait([&] { view->back(); }, help::helpStartUrl()));
    EXPECT_TRUE(browser->buttonForward()->isEnabled());
}

TEST_F(HelpWebTest, AMissingPageFailsWithoutLeavingTheGuide) {
    ASSERT_TRUE(showGuide());
    bool ok = true;
    ASSERT_TRUE(
        loadAndWait(QUrl(QStringLiteral("morvane://help/Morvane/help/no-such-page.html")), &ok));
    EXPECT_FALSE(ok);
    EXPECT_TRUE(RecordingPlatform::current().openedUrls.isEmpty());
}

TEST_F(HelpWebTest, HelpPagesCannotReadLocalFiles) {
    ASSERT_TRUE(showGuide());
    // The help window's view is the module's view, with the preview's rules.
    auto* page = static_cast<PreviewView*>(view);
    QString result;
    bool done = false;
    page->runJavaScript(
        QStringLiteral("(function(){try{var x=new XMLHttpRequest();"
                       "x.open('GET','file:///etc/passwd',false);x.send();return x.responseText}"
                       "catch(e){return 'error'}})()"),
        [&](const QVariant& v) {
            result = v.toString();
            done = true;
        });
    ASSERT_TRUE(waitUntil([&] { return done; }, std::chrono::seconds(30)));
    EXPECT_FALSE(result.contains(QLatin1String("root:")));
    EXPECT_EQ(result, QStringLiteral("error"));
}

} // namespace
} // namespace morvane::test
