// Start-up with a plain-text password in the settings file. The window never
// waits for the desktop keyring: it appears first, and the password leaves
// the file only once the keyring has confirmed it holds it. Run under an
// answering keyring of its own (KeyringStartup) and under one that takes
// every request and never answers (SilentKeyring), both on a private bus.
#include "appfixture.h"
#include "sites/passwordstore.h"

#include <QDir>
#include <QTemporaryDir>

using namespace morvane;
using namespace morvane::test;

namespace {

class KeyringStartupTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(root.path() + "/web"));
        ASSERT_TRUE(writeFile(root.path() + "/web/index.html", "<p>home"));
        const QByteArray ini = "[General]\ncurrentsite=Web\nHideInitialHelp=true\n[sites]\n"
                               "1\\sitename=Web\n1\\server=ftp.example.org\n"
                               "1\\username=user\n1\\password=secret\n"
                               "1\\serverfolder=/www\n1\\localpath=" +
                               root.path().toUtf8() + "/web\nsize=1\n";
        ASSERT_TRUE(writeFile(settingsFile(), ini));
    }
    QString settingsFile() { return settings()->fileName(); }
    bool fileHoldsPassword() { return readFile(settingsFile()).contains("password=secret"); }

    QTemporaryDir root;
};

using SilentKeyringTest = KeyringStartupTest;

} // namespace

TEST_F(KeyringStartupTest, WindowComesFirstThenThePasswordMovesToTheKeyring) {
    launch();
    // Start-up has returned with the window shown, before the keyring had a
    // turn of the event loop to answer.
    EXPECT_TRUE(app->window()->isVisible());
    EXPECT_TRUE(fileHoldsPassword());

    ASSERT_TRUE(waitUntil([&] { return !fileHoldsPassword(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(readFile(settingsFile()).contains("passwordinkeyring=1"));
    const Site* site = app->sitesController()->getPropForCurrentSite();
    ASSERT_NE(site, nullptr);
    EXPECT_TRUE(site->password().isEmpty());
    QString error;
    EXPECT_EQ(passwordstore::read(passwordstore::account(*site), &error), QString("secret"))
        << error.toStdString();
}

TEST_F(SilentKeyringTest, WindowAppearsAndTheSiteWorksWhileTheKeyringNeverAnswers) {
    launch();
    EXPECT_TRUE(app->window()->isVisible());
    // The move has asked the keyring by now; the window goes on meanwhile.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(fileHoldsPassword());
    const Site* site = app->sitesController()->getPropForCurrentSite();
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->password(), "secret");

    // The site can be edited meanwhile; its password stays in the file.
    siteDialog = [](SiteList& sites, QString& name, bool&) {
        Site* s = sitestore::find(sites, name);
        s->setValue(sitekey::serverfolder, "/public");
        return 1;
    };
    app->sitesController()->editSite("Web");
    EXPECT_EQ(siteDialogRuns, 1);
    EXPECT_EQ(app->sitesController()->getPropForCurrentSite()->serverFolder(), "/public");
    EXPECT_TRUE(fileHoldsPassword());
}
