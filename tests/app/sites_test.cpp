// The sites pop-up and the change of site.
#include "appfixture.h"
#include "transfer/siteprotocol.h"
#include "upload/uploaddialog.h"

#include <QDir>

using namespace morvane;
using namespace morvane::test;

class SitesTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        auto s = settings();
        Site b, a, dup;
        b.setValue(sitekey::sitename, "beta");
        b.setValue(sitekey::localpath, homeDir() + "/beta");
        a.setValue(sitekey::sitename, "Alpha");
        a.setValue(sitekey::localpath, "");
        dup.setValue(sitekey::sitename, "beta");
        sitestore::save(*s, SiteList{a, b, dup});
        writeFile(homeDir() + "/beta/page.html", "beta page");
    }
    int indexOf(const QString& title) {
        return app->window()->popupSites()->findText(title, Qt::MatchExactly);
    }
};

TEST_F(SitesTest, PopupListsEachTitleOnceThenTheCommands) {
    launch();
    EXPECT_EQ(popupTitles(app->window()->popupSites()),
              (QStringList{"[none chosen]", "Alpha", "beta", "", "New...", "Edit..."}));
}

TEST_F(SitesTest, ChoosingASiteShowsItsFolderAndStoresIt) {
    launch();
    app->actionPopupSites(indexOf("beta"));
    EXPECT_EQ(app->currentSite(), "beta");
    EXPECT_EQ(app->siteFolderLocal(), homeDir() + "/beta");
    EXPECT_EQ(FileSystemItem::rootItem()->numberOfChildren(), 1);
    EXPECT_EQ(settings()->value("currentsite").toString(), "beta");

    // An empty local path means the default site folder.
    app->actionPopupSites(indexOf("Alpha"));
    EXPECT_EQ(app->siteFolderLocal(), paths::defaultSiteFolder());

    app->actionPopupSites(indexOf("[none chosen]"));
    EXPECT_TRUE(app->currentSite().isEmpty());
    EXPECT_FALSE(settings()->contains("currentsite"));
}

TEST_F(SitesTest, SwitchingSitesSavesTheEditedFileUnderTheOldRoot) {
    launch();
    app->actionPopupSites(indexOf("beta"));
    selectPath("page.html");
    ASSERT_EQ(currentName(), "page.html");
    typeAtEnd("!");
    app->actionPopupSites(indexOf("Alpha"));
    EXPECT_EQ(readFile(homeDir() + "/beta/page.html"), QByteArray("beta page!"));
    EXPECT_TRUE(app->needingUpload().contains(homeDir() + "/beta/page.html"));
    EXPECT_FALSE(QFileInfo::exists(paths::defaultSiteFolder() + "/page.html"));
}

// A certificate the user trusted during an upload stays with the site: in
// the list the window holds and in the stored file; other entries,
// including a second one of the same name, stay as they were.
TEST_F(SitesTest, SiteChangedDuringAnUploadIsKeptAndStored) {
    launch();
    Site beta;
    beta.setValue(sitekey::sitename, "beta");
    beta.setValue(sitekey::localpath, homeDir() + "/beta");
    beta.setValue(ftpsitekey::tlsPin, "sha256//AAAA");
    app->sitesController()->keepSite(beta);
    const SiteList stored = sitestore::load(*settings());
    ASSERT_EQ(stored.size(), 3);
    const Site* first = sitestore::find(stored, "beta");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->value(ftpsitekey::tlsPin), "sha256//AAAA");
    EXPECT_EQ(sitestore::find(app->sitesController()->sites(), "beta")->value(ftpsitekey::tlsPin),
              "sha256//AAAA");
    int pinned = 0;
    for (const Site& s : stored)
        pinned += s.value(ftpsitekey::tlsPin).isEmpty() ? 0 : 1;
    EXPECT_EQ(pinned, 1);
}

TEST_F(SitesTest, NewAndEditOpenTheDialogAndItsResultDecidesTheSite) {
    launch();
    app->actionPopupSites(indexOf("beta"));

    // Cancelled: nothing changes, the pop-up shows the current site again.
    siteDialog = [](SiteList&, QString&, bool&) { return 0; };
    app->actionPopupSites(indexOf("New..."));
    EXPECT_EQ(siteDialogRuns, 1);
    EXPECT_EQ(app->currentSite(), "beta");
    EXPECT_EQ(app->window()->popupSites()->currentText(), "beta");

    // Saved a new site: it becomes current.
    siteDialog = [this](SiteList& sites, QString& name, bool&) {
        EXPECT_TRUE(name.isEmpty());
        Site g;
        g.setValue(sitekey::sitename, "Gamma");
        g.setValue(sitekey::localpath, homeDir() + "/gamma");
        sites.append(g);
        name = "Gamma";
        return 1;
    };
    app->actionPopupSites(indexOf("New..."));
    EXPECT_EQ(app->currentSite(), "Gamma");
    EXPECT_GE(indexOf("Gamma"), 0);

    // Deleted the current site: no site is current.
    siteDialog = [](SiteList& sites, QString& name, bool& deleted) {
        EXPECT_EQ(name, "Gamma");
        sites.removeIf([](const Site& s) { return s.name() == "Gamma"; });
        deleted = true;
        return 1;
    };
    app->actionPopupSites(indexOf("Edit..."));
    EXPECT_TRUE(app->currentSite().isEmpty());
    EXPECT_EQ(indexOf("Gamma"), -1);
    EXPECT_FALSE(settings()->contains("currentsite"));
    EXPECT_EQ(app->siteFolderLocal(), paths::defaultSiteFolder());
}

TEST_F(SitesTest, UploadWithoutASiteOpensTheDialogForANewSite) {
    launch();
    app->actionUpload();
    EXPECT_EQ(uploadRuns, 1);
    EXPECT_EQ(siteDialogRuns, 1);
}

// The real Upload command: a site with no server is not offered an upload
// "to: /"; its properties open instead. A site whose folder was stored as a
// relative path shows the default folder, never the current folder's.
TEST_F(SitesTest, UploadForASiteWithoutServerOpensItsPropertiesAndRelativeFoldersAreRefused) {
    {
        auto s = settings();
        SiteList sites = sitestore::load(*s);
        Site rel;
        rel.setValue(sitekey::sitename, "Relative");
        rel.setValue(sitekey::localpath, "beta");
        sites.append(rel);
        sitestore::save(*s, sites);
    }
    launch([](AppSeams& seams) {
        seams.upload = [](QWidget* parent, const Site* site, const QString& folder,
                          UploadMarks& marks) {
            return UploadCommand::run(parent, site, folder, marks);
        };
    });
    QString editedName;
    siteDialog = [&](SiteList&, QString& name, bool&) {
        editedName = name;
        return 0;
    };
    app->actionPopupSites(indexOf("beta"));
    writeFile(homeDir() + "/beta/page.html", "changed");
    app->needingUpload().mark(homeDir() + "/beta/page.html");
    RecordingPlatform::current().clear();
    app->actionUpload();
    EXPECT_EQ(alertTitles(), QStringList{"The site \"beta\" has no FTP server to upload to."});
    EXPECT_EQ(siteDialogRuns, 1);
    EXPECT_EQ(editedName, "beta");
    EXPECT_TRUE(app->needingUpload().contains(homeDir() + "/beta/page.html"));

    const QString cwd = QDir::currentPath();
    QDir::setCurrent(homeDir());
    RecordingPlatform::current().clear();
    app->actionPopupSites(indexOf("Relative"));
    QDir::setCurrent(cwd);
    EXPECT_EQ(alertTitles(),
              QStringList{"The local folder of site \"Relative\" is not a full path: \"beta\"."});
    EXPECT_EQ(app->siteFolderLocal(), paths::defaultSiteFolder());
}

// A site made in the dialog whose folder already holds files is offered a
// comparison with its server once: at its first save that has a server,
// never again after, and never for a site stored before (no offer pending).
TEST_F(SitesTest, ANewSiteHoldingFilesIsOfferedACompareOnce) {
    struct Save {
        const char* site;
        const char* server; // as saved in the dialog
        bool files;         // the folder holds files by then
        bool offered;
    };
    struct Case {
        const char* name;
        std::vector<Save> saves; // the first save creates the site (but for "beta")
    };
    const Case cases[] = {
        {"files and server",
         {{"gamma", "127.0.0.1:21", true, true}, {"gamma", "127.0.0.1:21", true, false}}},
        {"an empty folder",
         {{"delta", "127.0.0.1:21", false, false}, {"delta", "127.0.0.1:21", true, false}}},
        {"the server entered later",
         {{"eps", "", true, false},
          {"eps", "127.0.0.1:21", true, true},
          {"eps", "127.0.0.1:21", true, false}}},
        {"a site stored before", {{"beta", "127.0.0.1:21", true, false}}},
    };
    launch();
    const QString question = "Compare \"%1\" with its server?";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool first = true;
        for (const Save& save : c.saves) {
            const QString name = save.site;
            const QString folder = homeDir() + "/" + name;
            QDir().mkpath(folder);
            if (save.files)
                writeFile(folder + "/index.html", "<p>live</p>");
            siteDialog = [&](SiteList& sites, QString& edited, bool&) {
                Site* existing = sitestore::find(sites, name);
                if (!existing) {
                    Site s;
                    s.setValue(sitekey::sitename, name);
                    sites.append(s);
                    existing = &sites.last();
                }
                existing->setValue(sitekey::localpath, folder);
                existing->setValue(sitekey::server, save.server);
                edited = name;
                return 1;
            };
            RecordingPlatform::current().clear();
            RecordingPlatform::current().queueAnswer(0); // "Not Now"
            const bool create = first && name != "beta";
            app->actionPopupSites(indexOf(create ? "New..." : name));
            if (!create)
                app->actionPopupSites(indexOf("Edit..."));
            first = false;
            EXPECT_EQ(alertTitles().contains(question.arg(name)), save.offered)
                << name.toStdString() << " " << alertTitles().join('|').toStdString();
        }
    }
    // The offer pending is stored with the site, and gone once made.
    const SiteList stored = sitestore::load(*settings());
    for (const char* name : {"gamma", "delta", "eps"}) {
        const Site* site = sitestore::find(stored, name);
        ASSERT_NE(site, nullptr) << name;
        EXPECT_EQ(site->value("compareoffer"), "") << name;
    }
}
