// File ▸ Compare with Server and File ▸ Download Site in the window,
// against a pyftpdlib server on 127.0.0.1: the list of files that differ,
// the question before unsent work is replaced, and downloads that leave no
// upload marks.
#include "sitefixture.h"

#include "app/synccontroller.h"
#include "ftpserver.h"
#include "transfer/syncwindow.h"
#include "upload/comparedialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace morvane::test {
namespace {

class SyncWindowTest : public SiteFixture {
protected:
    void SetUp() override {
        SiteFixture::SetUp();
        ASSERT_TRUE(
            writeFile(serverRoot.path() + "/www/a.html", "<p>a, edited on the server</p>\n"));
        ASSERT_TRUE(writeFile(serverRoot.path() + "/www/new/page.html", "<p>new</p>\n"));
        ASSERT_TRUE(writeFile(serverRoot.path() + "/www/.git/HEAD", "ref"));
        ASSERT_TRUE(server.start(serverRoot.path())) << server.errorString().toStdString();
        quitAndForget();
        auto s = settings();
        SiteList sites = sitestore::load(*s);
        sites[0].setValue(sitekey::server, server.address());
        sites[0].setValue(sitekey::serverfolder, "/www");
        sites[0].setValue(sitekey::username, "user");
        sites[0].setValue(sitekey::password, "secret");
        sitestore::save(*s, sites);
        s.reset();
        launch();
        RecordingPlatform::current().clear();
    }
    QStringList rows(const CompareDialog& dialog) const {
        QStringList out;
        for (int i = 0; i < dialog.list()->topLevelItemCount(); ++i)
            out << dialog.list()->topLevelItem(i)->text(0) + ": " +
                       dialog.list()->topLevelItem(i)->text(1);
        return out;
    }

    QTemporaryDir serverRoot;
    FtpServer server;
};

TEST_F(SyncWindowTest, CompareListsTheDifferencesAndADownloadAsksBeforeReplacingUnsentWork) {
    app->needingUpload().mark(at("a.html"));
    QStringList listed;
    app->sync()->setCompareHook([&](CompareDialog& dialog) {
        listed = rows(dialog);
        EXPECT_TRUE(dialog.uploadButton()->isEnabled());
        EXPECT_TRUE(dialog.deleteButton()->isEnabled());
        dialog.downloadButton()->click();
    });
    RecordingPlatform::current().queueAnswer(0); // "Keep Mine" for a.html
    app->window()->actionCompareWithServer()->trigger();
    EXPECT_EQ(listed, (QStringList{"a.html: Differs", "b.html: Only here",
                                   "new/page.html: Only on the server"}));
    EXPECT_EQ(readFile(at("a.html")), "<p>a</p>\n") << "unsent work is kept";
    EXPECT_EQ(readFile(at("new/page.html")), "<p>new</p>\n");
    EXPECT_FALSE(QFile::exists(at(".git/HEAD"))) << "excluded names are never fetched";
    EXPECT_TRUE(marked("a.html"));
    EXPECT_FALSE(marked("new/page.html")) << "a downloaded file gets no mark";

    // Download Site: the marked file again, now taken from the server.
    RecordingPlatform::current().queueAnswer(1); // Download
    RecordingPlatform::current().queueAnswer(1); // "Take the Server's"
    app->window()->actionDownloadSite()->trigger();
    EXPECT_EQ(readFile(at("a.html")), "<p>a, edited on the server</p>\n");
    EXPECT_FALSE(marked("a.html"));
    // The questions asked, and nothing else.
    EXPECT_EQ(alertTitles(),
              (QStringList{"\"a.html\" has changes here that are not uploaded yet.",
                           "Download 1 file from the server?",
                           "\"a.html\" has changes here that are not uploaded yet."}));
}

// Yes to the offer made for a new site whose folder holds files compares it
// with its server.
TEST_F(SyncWindowTest, TheOfferToANewSiteHoldingFilesCompares) {
    siteDialog = [&](SiteList& sites, QString& name, bool&) {
        Site s = sites[0];
        s.setValue(sitekey::sitename, "Fresh");
        sites.append(s);
        name = "Fresh";
        return 1;
    };
    QStringList listed;
    app->sync()->setCompareHook([&](CompareDialog& dialog) { listed = rows(dialog); });
    RecordingPlatform::current().queueAnswer(1); // "Compare with Server"
    app->actionPopupSites(app->window()->popupSites()->findText("New...", Qt::MatchExactly));
    EXPECT_EQ(app->currentSite(), "Fresh");
    EXPECT_EQ(alertTitles(), QStringList{"Compare \"Fresh\" with its server?"});
    EXPECT_EQ(listed, (QStringList{"a.html: Differs", "b.html: Only here",
                                   "new/page.html: Only on the server"}));
}

// A keyring that answers only when the test says so.
class HeldRequest : public PasswordRequest {
public:
    void start() override { started = true; }
    void cancel() override { cancelled = true; }
    bool started = false;
    bool cancelled = false;
};

// Before a listing the window waits for the keyring, with Stop, instead of
// a wait no window shows: the answer, a failure and Stop each end it.
TEST(SyncWindowKeyring, TheWindowWaitsForTheKeyringAndStopEndsTheWait) {
    enum class End { Answer, Fail, Stop };
    struct Case {
        const char* name;
        End end;
        std::optional<QString> password;
        QString why;
        bool cancelled;
    };
    const Case cases[] = {
        {"answered", End::Answer, QStringLiteral("secret"), QStringLiteral("unset"), false},
        {"failed", End::Fail, std::nullopt, QStringLiteral("The keyring is locked."), false},
        {"stopped", End::Stop, std::nullopt, QString(), true},
    };
    for (const Case& c : cases) {
        SyncWindow window;
        HeldRequest request;
        bool sawWaiting = false;
        QTimer::singleShot(0, &window, [&] {
            sawWaiting = window.isVisible() && request.started &&
                         window.status()->text() == QStringLiteral("Waiting for the keyring…") &&
                         window.button()->isEnabled();
            switch (c.end) {
            case End::Answer:
                Q_EMIT request.answered(QStringLiteral("secret"));
                break;
            case End::Fail:
                Q_EMIT request.failed(QStringLiteral("The keyring is locked."));
                break;
            case End::Stop:
                window.button()->click();
                break;
            }
        });
        QString why = QStringLiteral("unset");
        const std::optional<QString> got = window.waitForPassword(request, &why);
        EXPECT_TRUE(sawWaiting) << c.name;
        EXPECT_EQ(got, c.password) << c.name;
        EXPECT_EQ(why, c.why) << c.name;
        EXPECT_EQ(request.cancelled, c.cancelled) << c.name;
        EXPECT_FALSE(window.isVisible()) << c.name;
    }
}

} // namespace
} // namespace morvane::test
