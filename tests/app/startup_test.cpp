// Launching the program: first run, later runs, stored sites and selection,
// and bad values left in the settings store.
#include "appfixture.h"

#include <QGuiApplication>
#include <QScreen>

#include <QDir>
#include <QFile>
#include <QTest>

using namespace morvane;
using namespace morvane::test;

namespace {
const QByteArray kTemplate = "<!DOCTYPE html>\n<html>\n<head>\n    <meta charset=\"utf-8\">\n"
                             "    <title>[title goes here]</title>\n"
                             "</head>\n<body>\n[body goes here]\n</body>\n</html>";
}

class StartupTest : public AppFixture {};

TEST_F(StartupTest, FirstRunCreatesAnIndexPageOpensItAndMarksIt) {
    AppDelegate& d = launch();
    const QString folder = paths::defaultSiteFolder();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    const QString index = folder + QStringLiteral("/index.html");
    ASSERT_TRUE(QFileInfo::exists(index));
    EXPECT_TRUE(readFile(index).startsWith("<!DOCTYPE html>\n<html>\n<head>\n"));
    EXPECT_EQ(currentName(), QStringLiteral("index.html"));
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(editor()->toPlainText().contains(QStringLiteral("[title goes here]")));
    EXPECT_TRUE(d.needingUpload().contains(index));

    // The record reached the disk, not just memory.
    NeedingUploadRecord onDisk(paths::needingUploadPath());
    EXPECT_EQ(onDisk.load(), NeedingUploadRecord::LoadResult::Loaded);
    EXPECT_TRUE(onDisk.contains(index));

    EXPECT_EQ(popupTitles(d.window()->popupSites()),
              (QStringList{"[none chosen]", "", "New...", "Edit..."}));
    EXPECT_EQ(d.window()->popupSites()->currentText(), QStringLiteral("[none chosen]"));
    EXPECT_TRUE(alertTitles().contains(QStringLiteral("Beta version \u2014 use with caution!.")));
}

TEST_F(StartupTest, LaterRunsMakeNoPageAndShowTheBackupAlertEveryTime) {
    launch();
    quitAndForget();
    QFile::remove(paths::defaultSiteFolder() + "/index.html");
    writeFile(paths::defaultSiteFolder() + "/other.html", "x");
    RecordingPlatform::current().clear();
    launch();
    EXPECT_FALSE(QFileInfo::exists(paths::defaultSiteFolder() + "/index.html"));
    EXPECT_EQ(alertTitles().count(QStringLiteral("Beta version \u2014 use with caution!.")), 1);
}

TEST_F(StartupTest, StoredSiteAndSelectionAreRestored) {
    const QString siteDir = homeDir() + "/sites/alpha";
    writeFile(siteDir + "/pages/about.html", "<p>about</p>\n");
    writeFile(siteDir + "/index.html", "<p>home</p>\n");
    {
        auto s = settings();
        SiteList sites;
        Site alpha;
        alpha.setValue(sitekey::sitename, "Alpha");
        alpha.setValue(sitekey::localpath, siteDir);
        sites << alpha;
        sitestore::save(*s, sites);
        s->setValue("currentsite", "Alpha");
        s->setValue("path", siteDir + "/pages/about.html");
    }
    AppDelegate& d = launch();
    EXPECT_EQ(d.currentSite(), QStringLiteral("Alpha"));
    EXPECT_EQ(d.siteFolderLocal(), siteDir);
    EXPECT_EQ(currentName(), QStringLiteral("about.html"));
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<p>about</p>\n"));
    EXPECT_EQ(d.window()->popupSites()->currentText(), QStringLiteral("Alpha"));
    // Not a first run: the sites key was there.
    EXPECT_FALSE(QFileInfo::exists(paths::defaultSiteFolder() + "/index.html"));
}

TEST_F(StartupTest, BadSettingsValuesGiveSoundDefaults) {
    {
        auto s = settings();
        s->setValue("sites", "not a list");
        s->setValue("currentsite", "Gone");
        s->setValue("path", 42);
    }
    AppDelegate& d = launch();
    EXPECT_TRUE(d.sitesController()->sites().isEmpty());
    EXPECT_TRUE(alertTitles().contains(QStringLiteral("Can't get properties for current site:")));
    EXPECT_EQ(d.siteFolderLocal(), paths::defaultSiteFolder());
    // The stored name stays current, as the user left it.
    EXPECT_EQ(d.currentSite(), QStringLiteral("Gone"));
}

TEST_F(StartupTest, SiteFolderMissingOrAFileStillStarts) {
    const QString missing = homeDir() + "/nowhere";
    const QString file = homeDir() + "/plainfile";
    writeFile(file, "x");
    {
        auto s = settings();
        SiteList sites;
        Site a, b;
        a.setValue(sitekey::sitename, "Missing");
        a.setValue(sitekey::localpath, missing);
        b.setValue(sitekey::sitename, "File");
        b.setValue(sitekey::localpath, file);
        sites << a << b;
        sitestore::save(*s, sites);
        s->setValue("currentsite", "Missing");
    }
    AppDelegate& d = launch();
    EXPECT_FALSE(QFileInfo::exists(missing)) << "a site's own folder is never created";
    EXPECT_EQ(FileSystemItem::rootItem()->numberOfChildren(), -1);
    d.setSiteToCurrent("File");
    EXPECT_EQ(FileSystemItem::rootItem()->numberOfChildren(), -1);
    EXPECT_EQ(readFile(file), QByteArray("x"));
}

TEST_F(StartupTest, UnreadableRecordIsKeptAsideAndReportedOnce) {
    const QString record = paths::needingUploadPath();
    writeFile(record, "<?xml version=\"1.0\"?><plist><dict><key>/a</key>");
    launch();
    EXPECT_TRUE(QFileInfo::exists(record + ".corrupt"));
    EXPECT_EQ(readFile(record + ".corrupt"),
              QByteArray("<?xml version=\"1.0\"?><plist><dict><key>/a</key>"));
    int reported = 0;
    for (const auto& a : RecordingPlatform::current().alerts)
        reported += a.title.contains("could not be read");
    EXPECT_EQ(reported, 1);
    quitAndForget();
    RecordingPlatform::current().clear();
    launch();
    for (const auto& a : RecordingPlatform::current().alerts)
        EXPECT_FALSE(a.title.contains("could not be read"));
}

TEST_F(StartupTest, WindowIsAtLeast1100WideButNeverLargerThanTheScreen) {
    AppDelegate& d = launch();
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    // The offscreen screen is narrower than the size rule's minimum: the
    // window keeps within it, so nothing (the Upload button) is cut off.
    EXPECT_EQ(d.window()->width(),
              std::min(std::max(int(0.7 * avail.width()), 1100), avail.width()));
    EXPECT_LE(d.window()->width(), avail.width());
    EXPECT_LE(d.window()->height(), avail.height());
    EXPECT_GE(d.window()->x(), avail.x());
    EXPECT_GE(d.window()->y(), avail.y());
}
