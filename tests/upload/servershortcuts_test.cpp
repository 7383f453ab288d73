// What the server shortcuts hand to GVfs and to the outside FTP client.
#include "sites/servershortcuts.h"
#include "transfer/siteprotocol.h"

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::servershortcuts;

namespace {

Site site(const QString& server, const QString& folder, const QString& user = "bob",
          const QString& password = "s3cret") {
    Site s;
    s.setValue(sitekey::server, server);
    s.setValue(sitekey::serverfolder, folder);
    s.setValue(sitekey::username, user);
    s.setValue(sitekey::password, password);
    return s;
}

TEST(ServerShortcutsTest, AddressOfTheServerFolder) {
    const struct {
        const char* folder;
        const char* address;
    } cases[] = {
        {"/", "ftp://bob@example.com"},
        {"", "ftp://bob@example.com"},
        {"/www", "ftp://bob@example.com/www"},
        {"/www/site", "ftp://bob@example.com/www/site"},
        {"www/site/", "ftp://bob@example.com/www/site"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const auto a = folderAddress(site("example.com", QString::fromUtf8(c.folder)));
        ASSERT_TRUE(a.has_value());
        EXPECT_EQ(a->toString(QUrl::FullyEncoded), QString::fromUtf8(c.address));
        EXPECT_EQ(mountArguments(site("example.com", QString::fromUtf8(c.folder))),
                  (QStringList{"mount", QString::fromUtf8(c.address)}));
    }
    EXPECT_EQ(folderAddress(site("ftp://example.com:2121", "/www"))->toString(),
              QStringLiteral("ftp://bob@example.com:2121/www"));
}

TEST(ServerShortcutsTest, PasswordNeverInAnArgumentAndOddValuesStayInside) {
    const QString password = QStringLiteral("p@ss:w'o\"rd; rm -rf ~ $(x)");
    const Site s = site("example.com", "/www/it's here", "me@home'x", password);
    const QStringList all = mountArguments(s) + clientArguments(s);
    for (const QString& arg : all) {
        EXPECT_FALSE(arg.contains(QStringLiteral("p@ss"))) << arg.toStdString();
        EXPECT_FALSE(arg.contains(QStringLiteral("rm -rf"))) << arg.toStdString();
    }
    ASSERT_EQ(clientArguments(s).size(), 1);
    // Each value is percent-encoded inside the one address argument.
    EXPECT_EQ(clientArguments(s)[0],
              QStringLiteral("ftp://me%40home'x@example.com/www/it's%20here"));
    EXPECT_EQ(mountInput(s), password.toUtf8() + '\n');
}

TEST(ServerShortcutsTest, AnonymousSiteMountsAnonymously) {
    const Site s = site("example.com", "/pub", "", "");
    EXPECT_EQ(mountArguments(s), (QStringList{"mount", "--anonymous", "ftp://example.com/pub"}));
    EXPECT_TRUE(mountInput(s).isEmpty());
}

TEST(ServerShortcutsTest, WhereGvfsShowsTheMountedFolder) {
    EXPECT_EQ(mountedFolder(site("example.com", "/www/site"), "/run/user/1000"),
              QStringLiteral("/run/user/1000/gvfs/ftp:host=example.com,user=bob/www/site"));
    EXPECT_EQ(mountedFolder(site("example.com", "/"), "/run/user/1000"),
              QStringLiteral("/run/user/1000/gvfs/ftp:host=example.com,user=bob"));
    EXPECT_EQ(mountedFolder(site("example.com:2121", "/www", ""), "/r"),
              QStringLiteral("/r/gvfs/ftp:host=example.com,port=2121/www"));
}

TEST(ServerShortcutsTest, UnusableServerGivesNothing) {
    for (const char* server : {"", "http://example.com", "user:pw@example.com"}) {
        SCOPED_TRACE(server);
        const Site s = site(QString::fromUtf8(server), "/www");
        EXPECT_FALSE(folderAddress(s).has_value());
        EXPECT_TRUE(mountArguments(s).isEmpty());
        EXPECT_TRUE(clientArguments(s).isEmpty());
    }
}

// A secure site is browsed over its own protocol: handing its account to a
// plain FTP mount would send the password in clear.
TEST(ServerShortcutsTest, SecureSitesAreBrowsedOverTheirOwnProtocol) {
    Site ftps = site("example.com", "/www");
    ftps.setValue(ftpsitekey::protocol, "ftps");
    EXPECT_EQ(folderAddress(ftps)->toString(QUrl::FullyEncoded), "ftps://bob@example.com/www");
    EXPECT_EQ(mountArguments(ftps), (QStringList{"mount", "ftps://bob@example.com/www"}));
    EXPECT_EQ(mountedFolder(ftps, "/run/user/0"),
              "/run/user/0/gvfs/ftps:host=example.com,user=bob/www");

    Site sftp = site("example.com:2222", "/www");
    sftp.setValue(ftpsitekey::protocol, "sftp");
    EXPECT_EQ(folderAddress(sftp)->toString(QUrl::FullyEncoded), "sftp://bob@example.com:2222/www");
    Site inHome = site("example.com:2222", "www");
    inHome.setValue(ftpsitekey::protocol, "sftp");
    EXPECT_EQ(folderAddress(inHome)->toString(QUrl::FullyEncoded),
              "sftp://bob@example.com:2222/~/www");
    EXPECT_TRUE(mountedFolder(sftp, "/run/user/0").isEmpty());

    // Implicit TLS has no address the desktop understands; a stored protocol
    // this program does not know gives none either.
    Site implicit = site("example.com", "/www");
    implicit.setValue(ftpsitekey::protocol, "ftps-implicit");
    EXPECT_FALSE(folderAddress(implicit).has_value());
    Site unknown = site("example.com", "/www");
    unknown.setValue(ftpsitekey::protocol, "gopher");
    EXPECT_FALSE(folderAddress(unknown).has_value());
    EXPECT_TRUE(mountArguments(unknown).isEmpty());
}

} // namespace
