// The site list and the current site in the settings store: what is written
// reads back exactly, and settings edited by hand or by older versions read
// as something sound without losing what can be kept.

#include "core/paths.h"
#include "core/sitestore.h"
#include "inisettings.h"
#include "qtprinters.h"
#include "testenv.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace morvane {
namespace {

using test::writeFile;

Site makeSite(const QString& name, const QString& tag = QString()) {
    Site s;
    s.setValue(sitekey::sitename, name);
    s.setValue(sitekey::localpath, QStringLiteral("/home/me/sites/") + name + tag);
    s.setValue(sitekey::localURL, QStringLiteral("http://localhost/") + tag);
    s.setValue(sitekey::server, QStringLiteral("ftp.example.com"));
    s.setValue(sitekey::username, QStringLiteral("me") + tag);
    s.setValue(sitekey::password, QStringLiteral("p,a=s;s#w\"o'r\\d ") + tag);
    s.setValue(sitekey::serverfolder, QStringLiteral("/public_html"));
    return s;
}

class SitesTest : public test::IniSettingsTest {};

const QStringList& oddNames() {
    static const QStringList names = {
        QStringLiteral("My Site"),
        QStringLiteral("  padded  "),
        QString::fromUtf8("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"),
        QStringLiteral("two\nlines"),
        QStringLiteral("cr\rand\r\ncrlf"),
        QStringLiteral("tab\there"),
        QStringLiteral("comma, separated"),
        QStringLiteral("a=b;c#d"),
        QStringLiteral("\"quoted\" and 'single'"),
        QStringLiteral("back\\slash/slash"),
        QStringLiteral("@Variant(not really)"),
        QStringLiteral("@@at"),
        QStringLiteral("[section]"),
        QStringLiteral("[none chosen]"),
        QStringLiteral("true"),
        QStringLiteral("42"),
    };
    return names;
}

TEST_F(SitesTest, ListRoundTripsExactlyAndInOrder) {
    SiteList sites;
    int i = 0;
    for (const QString& name : oddNames())
        sites.append(makeSite(name, QString::number(i++)));
    // Keys the program does not know survive too.
    sites[0].setValue(QStringLiteral("futureKey"), QStringLiteral("kept"));
    // Empty values are kept as empty values.
    sites[1].setValue(sitekey::localpath, QString());
    {
        auto s = open();
        sitestore::save(*s, sites);
    }
    auto s = open();
    bool present = false;
    const SiteList back = sitestore::load(*s, &present);
    EXPECT_TRUE(present);
    ASSERT_EQ(back.size(), sites.size());
    for (qsizetype k = 0; k < sites.size(); ++k)
        EXPECT_EQ(back[k].values(), sites[k].values()) << sites[k].name().toStdString();
    EXPECT_EQ(back[0].value(QStringLiteral("futureKey")), QStringLiteral("kept"));
}

TEST_F(SitesTest, SavingAShorterListDropsTheOldEntries) {
    {
        auto s = open();
        sitestore::save(*s, {makeSite(QStringLiteral("a")), makeSite(QStringLiteral("b")),
                             makeSite(QStringLiteral("c"))});
        sitestore::save(*s, {makeSite(QStringLiteral("b"))});
    }
    auto s = open();
    const SiteList back = sitestore::load(*s);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0].name(), QStringLiteral("b"));

    sitestore::save(*s, {});
    bool present = false;
    EXPECT_TRUE(sitestore::load(*s, &present).isEmpty());
}

TEST_F(SitesTest, MissingSitesKeyIsAnEmptyList) {
    auto s = openWith("[General]\ncurrentsite=x\n");
    bool present = true;
    EXPECT_TRUE(sitestore::load(*s, &present).isEmpty());
    EXPECT_FALSE(present);
}

TEST_F(SitesTest, SitesThatAreNotAListReadAsEmptyAndCanBeReplaced) {
    for (const QByteArray& ini :
         {QByteArray("[General]\nsites=hello\n"), QByteArray("[General]\nsites=a, b, c\n"),
          QByteArray("[General]\nsites=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)\n"),
          QByteArray("[General]\nsites=\n")}) {
        SCOPED_TRACE(ini.toStdString());
        auto s = openWith(ini);
        bool present = false;
        EXPECT_TRUE(sitestore::load(*s, &present).isEmpty());
        EXPECT_TRUE(present);
        // Saving a list replaces the stray value with a proper array.
        sitestore::save(*s, {makeSite(QStringLiteral("new"))});
        s.reset();
        s = open();
        const SiteList back = sitestore::load(*s);
        ASSERT_EQ(back.size(), 1);
        EXPECT_EQ(back[0].name(), QStringLiteral("new"));
    }
}

TEST_F(SitesTest, SiteWithMissingKeysReadsThemAsEmpty) {
    auto s = openWith("[sites]\n"
                      "1\\sitename=Only a name\n"
                      "2\\sitename=Some\n"
                      "2\\server=ftp.some.org\n"
                      "size=2\n");
    const SiteList back = sitestore::load(*s);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].name(), QStringLiteral("Only a name"));
    for (const QString& key : {sitekey::localpath, sitekey::localURL, sitekey::server,
                               sitekey::username, sitekey::password, sitekey::serverfolder})
        EXPECT_TRUE(back[0].value(key).isEmpty()) << key.toStdString();
    EXPECT_EQ(back[1].server(), QStringLiteral("ftp.some.org"));
    EXPECT_TRUE(back[1].password().isEmpty());
}

TEST_F(SitesTest, EntriesOfTheWrongShape) {
    auto s = openWith("[sites]\n"
                      "1\\server=no name here\n" // no sitename: kept, shown untitled
                      "2\\sitename=Numbers\n"
                      "2\\username=12345\n" // reads as text
                      "3\\sitename=\n"      // empty name: kept too
                      "4\\sitename=Listy\n"
                      "4\\password=\"a,b\"\n" // a quoted comma is text
                      "size=6\n");            // more than there are
    const SiteList back = sitestore::load(*s);
    ASSERT_EQ(back.size(), 4);
    EXPECT_TRUE(back[0].name().isEmpty());
    EXPECT_EQ(back[0].server(), QStringLiteral("no name here"));
    EXPECT_EQ(back[0].title(), Site::unnamedTitle());
    EXPECT_EQ(back[1].name(), QStringLiteral("Numbers"));
    EXPECT_EQ(back[1].title(), QStringLiteral("Numbers"));
    EXPECT_EQ(back[1].userName(), QStringLiteral("12345"));
    EXPECT_TRUE(back[2].name().isEmpty());
    EXPECT_EQ(back[3].name(), QStringLiteral("Listy"));
    EXPECT_EQ(back[3].password(), QStringLiteral("a,b"));
}

TEST_F(SitesTest, UnnamedEntrySurvivesASaveUnchanged) {
    const QByteArray ini = "[sites]\n"
                           "1\\sitename=First\n"
                           "2\\server=ftp.nameless.org\n"
                           "2\\username=who\n"
                           "2\\localpath=/home/me/nameless\n"
                           "3\\sitename=Third\n"
                           "size=3\n";
    SiteList before;
    {
        auto s = openWith(ini);
        before = sitestore::load(*s);
        ASSERT_EQ(before.size(), 3);
        sitestore::save(*s, before);
    }
    auto s = open();
    const SiteList after = sitestore::load(*s);
    ASSERT_EQ(after.size(), 3);
    for (qsizetype i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i].values(), before[i].values()) << i;
    // No name key was invented for it.
    EXPECT_FALSE(after[1].values().contains(sitekey::sitename));
    EXPECT_EQ(after[1].server(), QStringLiteral("ftp.nameless.org"));
}

TEST_F(SitesTest, PlaceholderTitleFindsTheUnnamedSiteButNotANamedOne) {
    Site unnamed;
    unnamed.setValue(sitekey::server, QStringLiteral("a.example"));
    SiteList sites = {makeSite(QStringLiteral("x")), unnamed};
    Site* found = sitestore::find(sites, Site::unnamedTitle());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->server(), QStringLiteral("a.example"));
    // An empty name never matches: it would reach the unnamed entry
    // through a blank field.
    EXPECT_EQ(sitestore::find(sites, QString()), nullptr);
    // A site that really has the placeholder as its name wins.
    sites.append(makeSite(Site::unnamedTitle()));
    found = sitestore::find(sites, Site::unnamedTitle());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name(), Site::unnamedTitle());
}

TEST_F(SitesTest, ArraySizeMissingOrNotANumber) {
    // Hand-edited files often lack the array's size; the entries that are
    // there must not be ignored, or the next save of the list would drop them.
    for (const QByteArray& size : {QByteArray(), QByteArray("size=many\n")}) {
        SCOPED_TRACE(size.toStdString());
        auto s = openWith("[sites]\n"
                          "1\\sitename=First\n"
                          "2\\sitename=Second\n" +
                          size);
        const SiteList back = sitestore::load(*s);
        ASSERT_EQ(back.size(), 2);
        EXPECT_EQ(back[0].name(), QStringLiteral("First"));
        EXPECT_EQ(back[1].name(), QStringLiteral("Second"));
    }
}

TEST_F(SitesTest, LookupIsExactAndTakesTheFirstMatch) {
    SiteList sites = {makeSite(QStringLiteral("Dup"), QStringLiteral("first")),
                      makeSite(QStringLiteral("dup")),
                      makeSite(QStringLiteral("Dup"), QStringLiteral("second"))};
    const Site* found = sitestore::find(std::as_const(sites), QStringLiteral("Dup"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->userName(), QStringLiteral("mefirst"));
    EXPECT_EQ(sitestore::find(std::as_const(sites), QStringLiteral("DUP")), nullptr);
    EXPECT_EQ(sitestore::find(std::as_const(sites), QStringLiteral("Dup ")), nullptr);
    EXPECT_EQ(sitestore::find(std::as_const(sites), QString()), nullptr);

    // The mutable lookup edits the entry in the list itself.
    Site* edit = sitestore::find(sites, QStringLiteral("Dup"));
    ASSERT_NE(edit, nullptr);
    edit->setValue(sitekey::server, QStringLiteral("changed"));
    EXPECT_EQ(sites[0].server(), QStringLiteral("changed"));
    EXPECT_NE(sites[2].server(), QStringLiteral("changed"));
}

TEST_F(SitesTest, SortIsCaseSensitiveAndStable) {
    SiteList sites = {makeSite(QStringLiteral("b")),
                      makeSite(QStringLiteral("B")),
                      makeSite(QStringLiteral("a"), QStringLiteral("1")),
                      makeSite(QString::fromUtf8("\xC3\xA4")),
                      makeSite(QStringLiteral("A")),
                      makeSite(QStringLiteral("a"), QStringLiteral("2"))};
    sitestore::sortByName(sites);
    QStringList names;
    for (const Site& s : sites)
        names << s.name();
    EXPECT_EQ(names, (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("a"),
                                  QStringLiteral("a"), QStringLiteral("b"),
                                  QString::fromUtf8("\xC3\xA4")}));
    EXPECT_EQ(sites[2].userName(), QStringLiteral("me1"));
    EXPECT_EQ(sites[3].userName(), QStringLiteral("me2"));
}

TEST_F(SitesTest, CurrentSiteRoundTripsAndEmptyRemovesTheKey) {
    for (const QString& name : oddNames()) {
        SCOPED_TRACE(name.toStdString());
        {
            auto s = open();
            sitestore::setCurrentSiteName(*s, name);
        }
        auto s = open();
        EXPECT_EQ(sitestore::currentSiteName(*s), name);
    }
    auto s = open();
    sitestore::setCurrentSiteName(*s, QString());
    EXPECT_FALSE(s->contains(QStringLiteral("currentsite")));
    EXPECT_TRUE(sitestore::currentSiteName(*s).isEmpty());
}

TEST_F(SitesTest, CurrentSiteOfTheWrongTypeOrNamingNoSite) {
    auto s = openWith("[General]\ncurrentsite=a, b\n");
    EXPECT_TRUE(sitestore::currentSiteName(*s).isEmpty());

    s = openWith("[General]\ncurrentsite=Gone\n[sites]\n1\\sitename=Here\nsize=1\n");
    const QString name = sitestore::currentSiteName(*s);
    EXPECT_EQ(name, QStringLiteral("Gone"));
    EXPECT_EQ(sitestore::find(sitestore::load(*s), name), nullptr);

    s = openWith("[currentsite]\nnested=1\n");
    EXPECT_TRUE(sitestore::currentSiteName(*s).isEmpty());
}

TEST_F(SitesTest, TopLevelKeysStayBesideTheSitesArray) {
    {
        auto s = open();
        s->setValue(QStringLiteral("path"), QStringLiteral("/home/me/sites/a/index.html"));
        s->setValue(QStringLiteral("HideInitialHelp"), true);
        sitestore::save(*s, {makeSite(QStringLiteral("a"))});
        sitestore::setCurrentSiteName(*s, QStringLiteral("a"));
        sitestore::save(*s, {makeSite(QStringLiteral("a")), makeSite(QStringLiteral("b"))});
    }
    auto s = open();
    EXPECT_EQ(s->value(QStringLiteral("path")).toString(),
              QStringLiteral("/home/me/sites/a/index.html"));
    EXPECT_TRUE(s->value(QStringLiteral("HideInitialHelp")).toBool());
    EXPECT_EQ(sitestore::currentSiteName(*s), QStringLiteral("a"));
    EXPECT_EQ(sitestore::load(*s).size(), 2);
}

TEST(Paths, SettingsAndDataLiveInTheXdgFolders) {
    EXPECT_EQ(paths::supportFolder(), test::dataHome());
    EXPECT_EQ(paths::defaultSiteFolder(),
              test::dataHome() + QStringLiteral("/Morvane/DefaultSite"));
    EXPECT_EQ(paths::needingUploadPath(),
              test::dataHome() + QStringLiteral("/Morvane/NeedingUpload.dict"));
    auto s = paths::openSettings();
    EXPECT_EQ(s->format(), QSettings::IniFormat);
    EXPECT_EQ(s->fileName(), test::configHome() + QStringLiteral("/Morvane/Morvane.conf"));
}

} // namespace
} // namespace morvane
