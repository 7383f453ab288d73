// The launched program with its real preview: the web-engine module beside
// the test program, a local web server of the test's own, and ways to read
// what the preview shows through the web view itself.
#pragma once

#include "app/previewcontroller.h"
#include "app/previewview.h"
#include "sitefixture.h"
#include "siteserver.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <chrono>

namespace morvane::test {

class PreviewFixture : public SiteFixture {
protected:
    void SetUp() override {
        server = std::make_unique<SiteServer>(homeDir());
        SiteFixture::SetUp();
        ASSERT_TRUE(QFileInfo::exists(
            webViewModuleCandidates(QCoreApplication::applicationDirPath()).first()))
            << "the web view module must be beside the test program";
        connection = QObject::connect(app->preview(), &PreviewController::pageLoaded,
                                      app->preview(), [this](bool ok) {
                                          ++loads;
                                          lastOk = ok;
                                      });
    }
    void TearDown() override {
        QObject::disconnect(connection);
        SiteFixture::TearDown();
        server.reset();
    }

    void setLocalUrl(const QString& url) {
        Site* one = sitestore::find(app->sitesController()->sites(), QStringLiteral("One"));
        ASSERT_NE(one, nullptr);
        one->setValue(sitekey::localURL, url);
        app->setSiteToCurrent(QStringLiteral("One"));
    }

    PreviewView* view() const { return app->preview()->view(); }

    // Runs `action` and waits for the preview's next finished page.
    bool actAndWait(const std::function<void()>& action) {
        const int before = loads;
        action();
        return waitUntil([&] { return loads > before; }, std::chrono::seconds(60));
    }
    // Previews a file of the site as a click in the Preview tab would.
    bool previewAndWait(const QString& relative) {
        return actAndWait([&] {
            selectPath(relative);
            app->window()->tabView()->setCurrentIndex(1);
        });
    }

    // The result of a script run in the page.
    QVariant js(const QString& script) {
        QVariant result;
        bool done = false;
        view()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }, std::chrono::seconds(30)))
            << script.toStdString();
        return result;
    }
    // Waits until the page takes the pointer: a page that has loaded may not
    // have drawn its first frame yet, and a click sent before then is lost.
    // Mouse moves (which no page acts on here) are sent until one arrives.
    bool waitForPointer(QWidget* target, QPoint at) {
        js(QStringLiteral("window.__pointerSeen = false;"
                          "document.addEventListener('mousemove',"
                          " () => { window.__pointerSeen = true; }, {once: true})"));
        for (int attempt = 0; attempt < 50; ++attempt) {
            QTest::mouseMove(target, at + QPoint(attempt % 2, 0));
            if (waitUntil([&] { return js(QStringLiteral("window.__pointerSeen")).toBool(); },
                          std::chrono::milliseconds(200)))
                return true;
        }
        return false;
    }
    // Clicks and waits until the page has seen the click, so that what the
    // test does next comes after it.
    bool clickSeen(QWidget* target, QPoint at) {
        js(QStringLiteral("if (window.__clicks === undefined) { window.__clicks = 0;"
                          " document.addEventListener('mouseup', () => { ++window.__clicks; },"
                          " true); }"));
        const int before = js(QStringLiteral("window.__clicks")).toInt();
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        return waitUntil([&] { return js(QStringLiteral("window.__clicks")).toInt() > before; });
    }
    QString pageText() {
        return js(QStringLiteral("document.body ? document.body.innerText : ''")).toString();
    }
    QString labelURL() const { return app->window()->labelURL()->text(); }
    QString labelTitle() const { return app->window()->labelTitle()->text(); }
    bool backEnabled() const { return app->window()->buttonBack()->isEnabled(); }

    std::unique_ptr<SiteServer> server;
    QMetaObject::Connection connection;
    int loads = 0;
    bool lastOk = false;
};

} // namespace morvane::test
