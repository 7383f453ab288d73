// File ▸ Compare with Server and File ▸ Download Site in the window,
// against a pyftpdlib server on 127.0.0.1: the list of files that differ,
// the question before unsent work is replaced, and downloads that leave no
// upload marks.
#include "sitefixture.h"

#include "app/synccontroller.h"
#include "ftpserver.h"
#include "upload/comparedialog.h"

#include <QPushButton>
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

} // namespace
} // namespace morvane::test
