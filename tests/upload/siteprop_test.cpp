// The site properties dialog: what it saves, where, and what it hands back.
#include "core/paths.h"
#include "qtprinters.h"
#include "recordingplatform.h"
#include "sites/sitedialog.h"
#include "testenv.h"
#include "transfer/siteprotocol.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace morvane;
using morvane::test::RecordingPlatform;

namespace {

Site makeSite(const QString& name, const QString& server = "ftp.example.com") {
    Site s;
    s.setValue(sitekey::sitename, name);
    s.setValue(sitekey::server, server);
    s.setValue(sitekey::serverfolder, "/");
    return s;
}

QStringList names(const SiteList& sites) {
    QStringList out;
    for (const Site& s : sites)
        out << s.name();
    return out;
}

SiteList storedSites() {
    return sitestore::load(*paths::openSettings());
}

class SitePropTest : public ::testing::Test {
protected:
    void SetUp() override {
        morvane::test::resetUserState();
        RecordingPlatform::current().clear();
        sites = {makeSite("Alpha"), makeSite("Gamma")};
        dialog.setSites(&sites);
        dialog.setConnectionTest([this](const Site& s, QWidget*) {
            tested.append(s);
            return testPasses;
        });
    }
    const QList<morvane::test::RecordedAlert>& alerts() {
        return RecordingPlatform::current().alerts;
    }

    SiteList sites;
    SiteDialog dialog;
    QList<Site> tested;
    bool testPasses = true;
};

TEST_F(SitePropTest, NewSiteIsTestedSortedAndStored) {
    dialog.setSiteName(QString());
    EXPECT_TRUE(dialog.fieldSiteName->text().isEmpty());
    dialog.fieldSiteName->setText("Beta");
    dialog.fieldServer->setText("127.0.0.1");
    dialog.fieldServerFolder->setText("www");
    dialog.fieldUserName->setText("me");
    dialog.fieldPassword->setText("secret");
    ASSERT_TRUE(QDir::home().mkpath("beta"));
    dialog.fieldLocalPath->setText("~/beta");
    dialog.fieldLocalURL->setText("http://localhost/beta/");
    dialog.actionOK();

    ASSERT_EQ(tested.size(), 1);
    EXPECT_EQ(tested[0].serverFolder(), "www");
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(dialog.siteName(), "Beta");
    EXPECT_FALSE(dialog.deleted());
    EXPECT_EQ(names(sites), QStringList({"Alpha", "Beta", "Gamma"}));
    const Site* beta = sitestore::find(sites, "Beta");
    ASSERT_TRUE(beta);
    EXPECT_EQ(beta->values().size(), 7);
    EXPECT_EQ(beta->password(), "secret");
    EXPECT_EQ(beta->localURL(), "http://localhost/beta/");
    EXPECT_EQ(beta->localPath(), QDir::homePath() + "/beta");
    EXPECT_EQ(storedSites(), sites);
}

// A local folder is stored only as an absolute path to a folder that exists:
// a relative one would be resolved against wherever the program runs.
TEST_F(SitePropTest, LocalFolderMustBeAnExistingAbsoluteFolder) {
    ASSERT_TRUE(QDir::home().mkpath("site"));
    QFile file(QDir::home().filePath("plain.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString home = QDir::homePath();
    const QList<QPair<QString, QString>> refused{
        {"relsite", "The local folder must be a full path"},
        {"site/../site", "The local folder must be a full path"},
        {"~missing", "The local folder must be a full path"},
        {home + "/missing", "doesn't exist"},
        {"~/plain.txt", "is not a folder"}};
    for (const auto& [typed, why] : refused) {
        SCOPED_TRACE(typed.toStdString());
        RecordingPlatform::current().clear();
        tested.clear();
        dialog.setSiteName("Alpha");
        dialog.fieldLocalPath->setText(typed);
        dialog.actionOK();
        ASSERT_EQ(alerts().size(), 1);
        EXPECT_TRUE(alerts()[0].title.contains(why)) << alerts()[0].title.toStdString();
        EXPECT_TRUE(tested.isEmpty()) << "nothing is tested or stored";
        EXPECT_TRUE(sitestore::find(sites, "Alpha")->localPath().isEmpty());
    }
    const QList<QPair<QString, QString>> stored{
        {"~/site", home + "/site"}, {"~", home}, {home + "/site/", home + "/site"}, {"", ""}};
    for (const auto& [typed, path] : stored) {
        SCOPED_TRACE(typed.toStdString());
        RecordingPlatform::current().clear();
        SiteDialog d;
        d.setSites(&sites);
        d.setConnectionTest([](const Site&, QWidget*) { return true; });
        d.setSiteName("Alpha");
        d.fieldLocalPath->setText(typed);
        d.actionOK();
        EXPECT_TRUE(alerts().isEmpty());
        EXPECT_EQ(sitestore::find(sites, "Alpha")->localPath(), path);
    }
}

// A relative folder stays relative (below the login folder) and an
// absolute one absolute; an empty one is the login folder, stored as "/".
TEST_F(SitePropTest, ServerFolderKeepsWhereItStarts) {
    const QList<QPair<QString, QString>> cases{{"www", "www"},
                                               {"", "/"},
                                               {"/www", "/www"},
                                               {"a/b", "a/b"},
                                               {"/var/www/site", "/var/www/site"},
                                               {"//abs", "//abs"}};
    for (const auto& [typed, stored] : cases) {
        SiteDialog d;
        d.setSites(&sites);
        d.setConnectionTest([](const Site&, QWidget*) { return true; });
        d.setSiteName("Alpha");
        d.fieldServerFolder->setText(typed);
        d.actionOK();
        EXPECT_EQ(sitestore::find(sites, "Alpha")->serverFolder(), stored) << typed.toStdString();
    }
}

TEST_F(SitePropTest, RenameKeepsOneEntryAndOtherKeys) {
    sites[1].setValue("maxconnections", "2");
    dialog.setSiteName("Gamma");
    EXPECT_EQ(dialog.fieldSiteName->text(), "Gamma");
    EXPECT_EQ(dialog.fieldServerFolder->text(), "/");
    dialog.fieldSiteName->setText("Aardvark");
    dialog.actionOK();

    EXPECT_EQ(names(sites), QStringList({"Aardvark", "Alpha"}));
    EXPECT_EQ(sites[0].value("maxconnections"), "2");
    EXPECT_EQ(dialog.siteName(), "Aardvark");
    EXPECT_EQ(names(storedSites()), QStringList({"Aardvark", "Alpha"}));
}

TEST_F(SitePropTest, EmptyOrDuplicateNameIsRefusedBeforeTheTest) {
    dialog.setSiteName(QString());
    dialog.actionOK();
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].title, "Site name can't be empty.");

    dialog.fieldSiteName->setText("Gamma"); // another site's name
    dialog.actionOK();
    ASSERT_EQ(alerts().size(), 2);
    EXPECT_EQ(alerts()[1].title, "A site named \"Gamma\" already exists.");

    EXPECT_TRUE(tested.isEmpty());
    EXPECT_EQ(sites.size(), 2);
    EXPECT_EQ(dialog.result(), 0);
}

TEST_F(SitePropTest, SkipTestSavesTheValuesOfTheLastOK) {
    testPasses = false;
    dialog.setSiteName("Alpha");
    EXPECT_TRUE(dialog.buttonSkipTest->isHidden());
    dialog.fieldServer->setText("first.example.com");
    dialog.actionOK();
    EXPECT_FALSE(dialog.buttonSkipTest->isHidden());
    EXPECT_EQ(dialog.result(), 0);
    // Nothing stored, and the list keeps its old values until a save.
    EXPECT_TRUE(storedSites().isEmpty());
    EXPECT_EQ(sites[0].server(), "ftp.example.com");

    dialog.fieldServer->setText("edited-after.example.com");
    dialog.actionSkipTest();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(names(sites), QStringList({"Alpha", "Gamma"}));
    EXPECT_EQ(sites[0].server(), "first.example.com");
    EXPECT_EQ(storedSites(), sites);
}

TEST_F(SitePropTest, CancelAfterAFailedTestChangesNothing) {
    testPasses = false;
    dialog.setSiteName("Alpha");
    dialog.fieldServer->setText("typo.example.com");
    dialog.actionOK();
    dialog.actionCancel();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(sites[0].server(), "ftp.example.com");
    EXPECT_TRUE(storedSites().isEmpty());
}

TEST_F(SitePropTest, DeleteRemovesTheTypedSiteAndStoresAtOnce) {
    sitestore::save(*paths::openSettings(), sites);
    dialog.setSiteName("Alpha");
    dialog.fieldSiteName->setText("Gamma"); // the name typed, not the one opened

    dialog.actionDelete(); // no answer queued: the default button, Cancel
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].title, "Delete site \"Gamma\"?");
    EXPECT_EQ(alerts()[0].message, "Can't be undone. Has no effect on server.");
    EXPECT_EQ(sites.size(), 2);

    RecordingPlatform::current().queueAnswer(int(alerts()[0].buttons.indexOf("Delete")));
    dialog.actionDelete();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_TRUE(dialog.deleted());
    EXPECT_EQ(names(sites), QStringList{"Alpha"});
    EXPECT_EQ(names(storedSites()), QStringList{"Alpha"});
}

TEST_F(SitePropTest, DeleteOfBlankOrUnknownNameAlerts) {
    dialog.setSiteName(QString());
    dialog.actionDelete();
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].title, "Site name is blank.");

    dialog.fieldSiteName->setText("Nobody");
    RecordingPlatform::current().queueAnswer(0);
    dialog.actionDelete();
    ASSERT_EQ(alerts().size(), 3);
    EXPECT_EQ(alerts()[2].title, "Site \"Nobody\" doesn't exist.");
    EXPECT_FALSE(dialog.deleted());
    EXPECT_EQ(sites.size(), 2);
}

TEST_F(SitePropTest, FolderChooserFillsPathAndRemembersWhereItWas) {
    QStringList starts;
    dialog.setFolderChooser([&](QWidget*, const QString& start, QString* chosen, QString* shown) {
        starts << start;
        *chosen = "/home/me/sites/blog";
        *shown = "/home/me/sites";
        return true;
    });
    dialog.setSiteName(QString());
    dialog.actionChooseLocalPath();
    EXPECT_EQ(dialog.fieldLocalPath->text(), "/home/me/sites/blog");
    dialog.actionChooseLocalPath();
    EXPECT_EQ(starts, QStringList({"", "/home/me/sites"}));
    EXPECT_EQ(paths::openSettings()->value("LocalPath").toString(), "/home/me/sites");

    dialog.setFolderChooser([](QWidget*, const QString&, QString*, QString*) { return false; });
    dialog.fieldLocalPath->setText("kept");
    dialog.actionChooseLocalPath();
    EXPECT_EQ(dialog.fieldLocalPath->text(), "kept");
}

TEST_F(SitePropTest, ExecEndsWithOneAfterSaveAndZeroAfterCancel) {
    dialog.setSiteName("Alpha");
    QTimer::singleShot(0, &dialog, [this] { dialog.findChild<QPushButton*>("buttonOK")->click(); });
    EXPECT_EQ(dialog.exec(), 1);

    SiteDialog second;
    second.setSites(&sites);
    second.setSiteName("Alpha");
    QTimer::singleShot(0, &second,
                       [&] { second.findChild<QPushButton*>("buttonCancel")->click(); });
    EXPECT_EQ(second.exec(), 0);
}

} // namespace

TEST_F(SitePropTest, DeleteIsOfferedOnlyForAnExistingSite) {
    dialog.setSiteName(QString());
    EXPECT_TRUE(dialog.buttonDelete->isHidden());
    dialog.setSiteName("Alpha");
    EXPECT_FALSE(dialog.buttonDelete->isHidden());
    dialog.setSiteName("No such site");
    EXPECT_TRUE(dialog.buttonDelete->isHidden());
}

TEST_F(SitePropTest, UploadSettingsShowAndStoreOnlyWhatDiffersFromTheDefault) {
    dialog.setSiteName("Alpha");
    EXPECT_FALSE(dialog.checkTemporaryName->accessibleName().isEmpty());
    EXPECT_FALSE(dialog.checkSizes->accessibleName().isEmpty());
    // Defaults: temporary name on, size check off.
    EXPECT_TRUE(dialog.checkTemporaryName->isChecked());
    EXPECT_FALSE(dialog.checkSizes->isChecked());
    dialog.actionOK();
    EXPECT_FALSE(sitestore::find(sites, "Alpha")->values().contains("directupload"));
    EXPECT_FALSE(sitestore::find(sites, "Alpha")->values().contains("sizecheck"));

    // The temporary name turned off for a server that refuses renames, the
    // size check on; then the temporary name back on.
    SiteDialog second;
    second.setSites(&sites);
    second.setConnectionTest([](const Site&, QWidget*) { return true; });
    second.setSiteName("Alpha");
    second.checkTemporaryName->setChecked(false);
    second.checkSizes->setChecked(true);
    second.actionOK();
    EXPECT_EQ(sitestore::find(sites, "Alpha")->value("directupload"), "1");
    EXPECT_EQ(sitestore::find(sites, "Alpha")->value("sizecheck"), "1");
    EXPECT_EQ(storedSites(), sites);

    SiteDialog third;
    third.setSites(&sites);
    third.setConnectionTest([](const Site&, QWidget*) { return true; });
    third.setSiteName("Alpha");
    EXPECT_FALSE(third.checkTemporaryName->isChecked());
    EXPECT_TRUE(third.checkSizes->isChecked());
    third.checkTemporaryName->setChecked(true);
    third.actionOK();
    EXPECT_EQ(sitestore::find(sites, "Alpha")->value("directupload"), "");
    EXPECT_EQ(sitestore::find(sites, "Alpha")->value("sizecheck"), "1");
}

TEST_F(SitePropTest, ProtocolIsStoredAndAPinBelongsToItsServer) {
    dialog.setSiteName("Alpha");
    ASSERT_EQ(dialog.comboProtocol->currentData().toString(), "ftp");
    // A site saved with plain FTP gains no key.
    ASSERT_TRUE(QDir::home().mkpath("alpha"));
    dialog.fieldLocalPath->setText("~/alpha");
    dialog.actionOK();
    EXPECT_FALSE(sitestore::find(sites, "Alpha")->values().contains(ftpsitekey::protocol));

    // FTPS, and a certificate the connection test had the user trust.
    dialog.setSiteName("Alpha");
    dialog.comboProtocol->setCurrentIndex(dialog.comboProtocol->findData("ftps"));
    dialog.setConnectionTest([](Site& s, QWidget*) {
        s.setValue(ftpsitekey::tlsPin, "sha256//pinned");
        s.setValue(ftpsitekey::tlsFingerprint, "AA:BB");
        return true;
    });
    dialog.actionOK();
    Site stored = storedSites().value(0);
    EXPECT_EQ(stored.value(ftpsitekey::protocol), "ftps");
    EXPECT_EQ(stored.value(ftpsitekey::tlsPin), "sha256//pinned");

    // Unchanged server and protocol: the pin stays.
    dialog.setConnectionTest([](const Site&, QWidget*) { return true; });
    dialog.setSiteName("Alpha");
    EXPECT_EQ(dialog.comboProtocol->currentData().toString(), "ftps");
    dialog.fieldUserName->setText("someone");
    dialog.actionOK();
    EXPECT_EQ(storedSites().value(0).value(ftpsitekey::tlsPin), "sha256//pinned");

    // Another server: the pin trusted for the old one is dropped.
    dialog.setSiteName("Alpha");
    dialog.fieldServer->setText("ftp.elsewhere.example");
    dialog.actionOK();
    stored = storedSites().value(0);
    EXPECT_FALSE(stored.values().contains(ftpsitekey::tlsPin));
    EXPECT_FALSE(stored.values().contains(ftpsitekey::tlsFingerprint));
    EXPECT_EQ(stored.value(ftpsitekey::protocol), "ftps");
}

TEST_F(SitePropTest, UnknownProtocolIsShownAndKept) {
    sites[0].setValue(ftpsitekey::protocol, "gopher");
    dialog.setSiteName("Alpha");
    EXPECT_TRUE(dialog.comboProtocol->currentText().contains("gopher"));
    ASSERT_TRUE(QDir::home().mkpath("alpha"));
    dialog.fieldLocalPath->setText("~/alpha");
    dialog.actionOK();
    EXPECT_EQ(storedSites().value(0).value(ftpsitekey::protocol), "gopher");
    // The next site shown has the ordinary choices only.
    dialog.setSiteName("Gamma");
    EXPECT_EQ(dialog.comboProtocol->count(), int(siteprotocol::offered().size()));
}

TEST_F(SitePropTest, UnnamedSiteIsEditedUnderThePlaceholderAndNamed) {
    Site unnamed;
    unnamed.setValue(sitekey::server, "ftp.nameless.example");
    sites.append(unnamed);
    dialog.setSiteName(Site::unnamedTitle());
    EXPECT_EQ(dialog.fieldServer->text(), "ftp.nameless.example");
    EXPECT_TRUE(dialog.fieldSiteName->text().isEmpty());
    dialog.fieldSiteName->setText("Named at last");
    dialog.actionOK();
    EXPECT_EQ(names(sites), QStringList({"Alpha", "Gamma", "Named at last"}));
    EXPECT_EQ(sitestore::find(sites, "Named at last")->server(), "ftp.nameless.example");
}

namespace {
// The controls a Tab can reach, in the order a reader meets them: row by
// row from the top (controls whose heights overlap share a row), each row
// from left to right.
QList<QWidget*> visualOrder(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisibleTo(window) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
            !w->focusProxy())
            controls << w;
    const auto rect = [window](QWidget* w) {
        return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
    };
    std::stable_sort(controls.begin(), controls.end(),
                     [&](QWidget* a, QWidget* b) { return rect(a).top() < rect(b).top(); });
    QList<QList<QWidget*>> rows;
    int rowBottom = -1;
    for (QWidget* w : controls) {
        if (rows.isEmpty() || rect(w).top() > rowBottom) {
            rows.append(QList<QWidget*>());
            rowBottom = rect(w).bottom();
        }
        rows.last() << w;
        rowBottom = std::max(rowBottom, rect(w).bottom());
    }
    QList<QWidget*> order;
    for (QList<QWidget*>& row : rows) {
        std::stable_sort(row.begin(), row.end(),
                         [&](QWidget* a, QWidget* b) { return rect(a).left() < rect(b).left(); });
        order << row;
    }
    return order;
}
} // namespace

TEST_F(SitePropTest, TabWalksTheControlsInTheOrderTheyAreShown) {
    // Filling the dialog by Tab must put each value in the field the user
    // sees next; the hidden buttons show up for an existing site.
    for (const QString& name : {QString(), QStringLiteral("Alpha")}) {
        SCOPED_TRACE(name.toStdString());
        SiteDialog dialog;
        dialog.setSites(&sites);
        dialog.setSiteName(name);
        dialog.setHelpHandler([] {});
        dialog.show();
        dialog.activateWindow();
        dialog.fieldSiteName->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.fieldSiteName->hasFocus(); }));

        const QList<QWidget*> expected = visualOrder(&dialog);
        ASSERT_GE(expected.size(), 12);
        ASSERT_EQ(expected.first(), dialog.fieldSiteName);
        QList<QWidget*> walked{QApplication::focusWidget()};
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == walked.first())
                break;
            walked << QApplication::focusWidget();
        }
        const auto names = [](const QList<QWidget*>& widgets) {
            QStringList out;
            for (QWidget* w : widgets)
                out << (w ? w->objectName() + QLatin1Char('/') + w->metaObject()->className()
                          : QStringLiteral("none"));
            return out;
        };
        EXPECT_EQ(names(walked), names(expected));
    }
}
