// The help window driven through a stand-in page view that keeps a history
// the way a browser does and asks the window before every navigation: the
// locked user guide, the free references with their buttons, modal and
// modeless showing, and the PHP manual's language against a local server.
#include "help/helpbrowser.h"
#include "help/helplinks.h"
#include "httpserver.h"
#include "recordingplatform.h"
#include "testenv.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace morvane::test {
namespace {

using help::HelpBrowser;

// A page takes the focus and every key, as the web engine's page does.
class PageWidget : public QLabel {
public:
    explicit PageWidget(QWidget* parent) : QLabel(parent) { setFocusPolicy(Qt::StrongFocus); }

protected:
    void keyPressEvent(QKeyEvent* event) override { event->accept(); }
};

class FakeView : public help::HelpView {
public:
    explicit FakeView(QWidget* parent) : m_widget(new PageWidget(parent)) {}
    QWidget* widget() override { return m_widget; }
    void load(const QUrl& url) override {
        ++loads;
        navigate(url, true, true);
    }
    void back() override { move(-1); }
    void forward() override { move(+1); }
    void reload() override { ++reloads; }
    void clearHistory() override {
        if (!history.isEmpty())
            history = {history[index]};
        index = 0;
        report();
    }

    // A click on a link in the shown page.
    void click(const QUrl& url) { navigate(url, true, false); }
    // A navigation the page's script makes on its own.
    void scriptNavigate(const QUrl& url) { navigate(url, false, false); }
    QUrl current() const { return history.isEmpty() ? QUrl() : history[index]; }

    QList<QUrl> history;
    int index = -1;
    int loads = 0;
    int reloads = 0;

private:
    void navigate(const QUrl& url, bool byUser, bool byProgram) {
        help::Navigation n;
        n.url = url;
        n.byUser = byUser;
        n.byProgram = byProgram;
        if (onNavigationRequest && !onNavigationRequest(n))
            return;
        history = history.mid(0, index + 1);
        history.append(url);
        index = int(history.size()) - 1;
        finish();
    }
    void move(int step) {
        if (index + step < 0 || index + step >= history.size())
            return;
        index += step;
        finish();
    }
    void finish() {
        if (onUrlChanged)
            onUrlChanged(current());
        report();
        if (onLoadFinished)
            onLoadFinished(true);
    }
    void report() {
        if (onHistoryChanged)
            onHistoryChanged(index > 0, index + 1 < history.size());
    }
    QLabel* m_widget;
};

class HelpBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecordingPlatform::current().clear();
        help::HelpLinks links;
        links.phpManualHost = server.base();
        links.htmlReferenceHost = QStringLiteral("https://reference.example");
        browser = std::make_unique<HelpBrowser>(
            [this](QWidget* parent) {
                auto v = std::make_unique<FakeView>(parent);
                view = v.get();
                ++viewsMade;
                return v;
            },
            links);
    }
    void TearDown() override { browser.reset(); }

    bool buttonsShown() const { return browser->buttonBack()->isVisibleTo(browser.get()); }
    QList<QUrl> opened() const { return RecordingPlatform::current().openedUrls; }

    HttpServer server;
    std::unique_ptr<HelpBrowser> browser;
    FakeView* view = nullptr;
    int viewsMade = 0;
};

const QUrl kOutside(QStringLiteral("https://www.example.org/page.html"));
const QUrl kSitesPage(QStringLiteral("morvane://help/Morvane/help/sites.html"));

TEST_F(HelpBrowserTest, TheGuideKeepsToItsPagesAndSendsTheRestToTheBrowser) {
    browser->show();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(browser->windowTitle(), QStringLiteral("Morvane Help"));
    EXPECT_EQ(view->current(), help::helpStartUrl());
    EXPECT_FALSE(buttonsShown());

    view->click(kOutside);
    EXPECT_EQ(opened(), QList<QUrl>{kOutside});
    EXPECT_EQ(view->current(), help::helpStartUrl());

    view->click(kSitesPage);
    EXPECT_EQ(view->current(), kSitesPage);
    EXPECT_EQ(opened().size(), 1);

    // A page's script cannot send the user's browser anywhere.
    view->scriptNavigate(QUrl(QStringLiteral("mailto:someone@example.org?body=secret")));
    EXPECT_EQ(view->current(), kSitesPage);
    EXPECT_EQ(opened().size(), 1);
}

TEST_F(HelpBrowserTest, ReferencesBrowseFreelyWithButtonsAndTheGuideStartsAfresh) {
    browser->showHTML();
    EXPECT_EQ(browser->windowTitle(), QStringLiteral("HTML Help"));
    EXPECT_EQ(view->current(),
              QUrl(QStringLiteral("https://reference.example/tags/ref_byfunc.asp")));
    EXPECT_TRUE(buttonsShown());
    view->click(kOutside);
    EXPECT_EQ(view->current(), kOutside);
    EXPECT_TRUE(opened().isEmpty());
    EXPECT_TRUE(browser->buttonBack()->isEnabled());

    // Back to the guide: locked again, buttons hidden, no history.
    browser->show();
    EXPECT_EQ(browser->windowTitle(), QStringLiteral("Morvane Help"));
    EXPECT_FALSE(buttonsShown());
    EXPECT_EQ(view->current(), help::helpStartUrl());
    EXPECT_EQ(view->history.size(), 1);
    EXPECT_FALSE(browser->buttonBack()->isEnabled());
    view->click(kOutside);
    EXPECT_EQ(opened(), QList<QUrl>{kOutside});
    // One window and one view for the whole program.
    EXPECT_EQ(viewsMade, 1);
}

TEST_F(HelpBrowserTest, BackAndForwardFollowTheHistory) {
    browser->showHTML();
    QToolButton* back = browser->buttonBack();
    QToolButton* forward = browser->buttonForward();
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    view->click(QUrl(QStringLiteral("https://reference.example/a")));
    view->click(QUrl(QStringLiteral("https://reference.example/b")));
    EXPECT_TRUE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    back->click();
    EXPECT_EQ(view->current(), QUrl(QStringLiteral("https://reference.example/a")));
    EXPECT_TRUE(back->isEnabled());
    EXPECT_TRUE(forward->isEnabled());
    back->click();
    EXPECT_FALSE(back->isEnabled());
    forward->click();
    forward->click();
    EXPECT_EQ(view->current(), QUrl(QStringLiteral("https://reference.example/b")));
    EXPECT_FALSE(forward->isEnabled());

    browser->buttonReload()->click();
    EXPECT_EQ(view->reloads, 1);
}

TEST_F(HelpBrowserTest, AltArrowsGoBackAndForwardAndEscapeClosesInEveryMode) {
    // The guide hides its buttons: the keys work all the same.
    const QUrl second(QStringLiteral("morvane://help/Morvane/help/editing.html"));
    const struct {
        const char* mode;
        std::function<void(HelpBrowser&)> show;
    } modes[] = {
        {"guide", [](HelpBrowser& b) { b.show(); }},
        {"reference", [](HelpBrowser& b) { b.showHTML(); }},
    };
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.mode);
        mode.show(*browser);
        ASSERT_TRUE(QTest::qWaitForWindowActive(browser.get()));
        view->click(kSitesPage);
        view->click(second);
        QWidget* keys = view->widget();
        EXPECT_TRUE(keys->hasFocus());
        QTest::keyClick(keys, Qt::Key_Left, Qt::AltModifier);
        EXPECT_EQ(view->current(), kSitesPage);
        QTest::keyClick(keys, Qt::Key_Left, Qt::AltModifier);
        QTest::keyClick(keys, Qt::Key_Left, Qt::AltModifier); // nothing further back
        EXPECT_EQ(view->index, 0);
        QTest::keyClick(keys, Qt::Key_Right, Qt::AltModifier);
        QTest::keyClick(keys, Qt::Key_Right, Qt::AltModifier);
        EXPECT_EQ(view->current(), second);
        QTest::keyClick(keys, Qt::Key_Escape);
        EXPECT_FALSE(browser->isVisible());
    }
    // The modal guide ends its run on Escape.
    bool closedByKey = false;
    QTimer::singleShot(0, browser.get(), [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(browser.get()));
        QTest::keyClick(view->widget(), Qt::Key_Escape);
        closedByKey = !browser->isVisible();
        if (!closedByKey)
            browser->close(); // fails below rather than hanging
    });
    browser->showModal();
    EXPECT_TRUE(closedByKey);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_FALSE(browser->isModalRun());
}

TEST_F(HelpBrowserTest, ModalShowingReturnsWhenTheWindowCloses) {
    bool wasModal = false;
    QTimer::singleShot(0, browser.get(), [&] {
        wasModal = browser->isModalRun() && QApplication::activeModalWidget() == browser.get();
        browser->close();
    });
    browser->showModal();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_FALSE(browser->isModalRun());
    EXPECT_EQ(view->current(), help::helpStartUrl());

    // Shown modelessly afterwards, it is not modal.
    browser->show();
    EXPECT_FALSE(browser->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(HelpBrowserTest, ClosingTheModelessWindowLeavesOtherModalRunsAlone) {
    QDialog outer;
    bool outerStillRunning = false;
    QTimer::singleShot(0, &outer, [&] {
        browser->show();
        browser->close();
        // Give a wrongly ended run the chance to return.
        QTimer::singleShot(0, &outer, [&] {
            outerStillRunning = outer.isVisible();
            outer.accept();
        });
    });
    EXPECT_EQ(outer.exec(), QDialog::Accepted);
    EXPECT_TRUE(outerStillRunning);
}

TEST_F(HelpBrowserTest, ModalHelpOverAModelessOneBecomesModal) {
    browser->show();
    bool wasModal = false;
    QTimer::singleShot(0, browser.get(), [&] {
        wasModal = QApplication::activeModalWidget() == browser.get();
        browser->close();
    });
    browser->showModal();
    EXPECT_TRUE(wasModal);
}

TEST_F(HelpBrowserTest, ThePhpManualIsShownInTheUsersLanguageOrInEnglish) {
    server.answer("/manual/de/", 200, "<html>Handbuch</html>");
    server.answer("/manual/en/", 200, "<html>Manual</html>");
    QSignalSpy chosen(browser.get(), &HelpBrowser::phpManualChosen);

    browser->showPHP({QStringLiteral("de-DE"), QStringLiteral("en-US")});
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(browser->windowTitle(), QStringLiteral("PHP Help"));
    EXPECT_TRUE(buttonsShown());
    ASSERT_TRUE(chosen.wait(10000));
    EXPECT_EQ(view->current(), QUrl(server.base() + QStringLiteral("/manual/de/")));

    browser->showPHP({QStringLiteral("fr-FR")});
    ASSERT_TRUE(chosen.wait(10000));
    EXPECT_EQ(view->current(), QUrl(server.base() + QStringLiteral("/manual/en/")));
    EXPECT_EQ(server.requests.last(), "/manual/fr/");
    // Every link of a reference stays in the window.
    view->click(kOutside);
    EXPECT_TRUE(opened().isEmpty());
}

TEST_F(HelpBrowserTest, AnUnreachableManualFallsBackToEnglish) {
    help::HelpLinks links;
    links.phpManualHost = QStringLiteral("http://127.0.0.1:%1").arg(HttpServer::closedPort());
    HelpBrowser unreachable([](QWidget* parent) { return std::make_unique<FakeView>(parent); },
                            links);
    QSignalSpy chosen(&unreachable, &HelpBrowser::phpManualChosen);
    unreachable.showPHP({QStringLiteral("it")});
    ASSERT_TRUE(chosen.wait(10000));
    EXPECT_EQ(chosen.first().first().toUrl(), links.phpManualFallbackUrl());
}

TEST_F(HelpBrowserTest, TheWindowWaitsForNoManualAndALateAnswerIsDropped) {
    server.answer("/manual/de/", 200, "<html>Handbuch</html>");
    server.hold();
    QSignalSpy chosen(browser.get(), &HelpBrowser::phpManualChosen);
    browser->showPHP({QStringLiteral("de")});
    EXPECT_TRUE(browser->isVisible());
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 1; }));

    // The user turns to the guide before the manual answers.
    browser->show();
    server.release();
    EXPECT_FALSE(chosen.wait(300));
    EXPECT_EQ(view->current(), help::helpStartUrl());
    EXPECT_FALSE(buttonsShown());
}

} // namespace
} // namespace morvane::test
