// Server texts, server folders and file names as they become FTP addresses
// and command arguments.
#include "transfer/ftpaddress.h"

#include <gtest/gtest.h>

using namespace morvane;

TEST(FtpAddress, ServerTextForms) {
    struct Case {
        const char* text;
        const char* authority;
        QStringList segments;
    } cases[] = {
        {"example.com", "example.com", {}},
        {"  example.com  ", "example.com", {}},
        {"ftp://Example.com:2121/", "example.com:2121", {}},
        {"FTP://example.com/pub/www", "example.com", {"pub", "www"}},
        {"127.0.0.1:21", "127.0.0.1:21", {}},
        {"[::1]:2121", "[::1]:2121", {}},
        {"bücher.example", "xn--bcher-kva.example", {}},
    };
    for (const Case& c : cases) {
        const auto a = FtpServerAddress::parse(QString::fromUtf8(c.text));
        ASSERT_TRUE(a.has_value()) << c.text;
        EXPECT_EQ(a->authority, QString::fromLatin1(c.authority)) << c.text;
        EXPECT_EQ(a->segments, c.segments) << c.text;
    }
}

TEST(FtpAddress, InvalidServerTexts) {
    for (const char* text : {"", "   ", "http://example.com", "user:pw@example.com", "exa mple.com",
                             "example.com:", "example.com:99999", "example.com:port",
                             "/just/a/path", "host\r\nUSER x", "host/dir\nx"}) {
        EXPECT_FALSE(FtpServerAddress::parse(QString::fromUtf8(text)).has_value()) << text;
    }
}

TEST(FtpAddress, UrlsEncodeEverySegment) {
    const auto a = FtpServerAddress::parse(QStringLiteral("h:21/base dir"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->url({}, true), QByteArray("ftp://h:21/base%20dir/"));
    EXPECT_EQ(a->url({QStringLiteral("a#b"), QStringLiteral("100%.txt")}, false),
              QByteArray("ftp://h:21/base%20dir/a%23b/100%25.txt"));
    EXPECT_EQ(a->url({QStringLiteral("what?"), QStringLiteral("ü;x")}, false),
              QByteArray("ftp://h:21/base%20dir/what%3F/%C3%BC%3Bx"));
    const auto root = FtpServerAddress::parse(QStringLiteral("h"));
    EXPECT_EQ(root->url({}, true), QByteArray("ftp://h/"));
}

// A server folder that starts with "/" is taken from the server's root,
// any other from the login folder; the file addresses, folder requests,
// renames and deletes (command paths) all follow it, on every protocol.
TEST(FtpAddress, AbsoluteAndRelativeServerFolders) {
    struct Case {
        const char* server;
        const char* scheme;
        const char* folder;
        const char* fileUrl;     // of "a b.html" below the folder
        const char* commandPath; // of "img/x.png" below the folder
    } cases[] = {
        {"h", "sftp", "/var/www/site", "sftp://h/var/www/site/a%20b.html",
         "/var/www/site/img/x.png"},
        {"h", "sftp", "//abs", "sftp://h/abs/a%20b.html", "/abs/img/x.png"},
        {"h", "sftp", "www", "sftp://h/~/www/a%20b.html", "www/img/x.png"},
        {"h", "sftp", "/", "sftp://h/~/a%20b.html", "img/x.png"},
        {"h", "sftp", "", "sftp://h/~/a%20b.html", "img/x.png"},
        {"h", "ftp", "/var/www", "ftp://h/%2Fvar/www/a%20b.html", "/var/www/img/x.png"},
        {"h", "ftp", "www/site", "ftp://h/www/site/a%20b.html", "www/site/img/x.png"},
        {"h", "ftps", "/var/www", "ftps://h/%2Fvar/www/a%20b.html", "/var/www/img/x.png"},
        {"h", "ftp", ".", "ftp://h/a%20b.html", "img/x.png"},
        // The server text's own folder is below the login folder; an
        // absolute server folder replaces it.
        {"h/pub", "ftp", "www", "ftp://h/pub/www/a%20b.html", "pub/www/img/x.png"},
        {"h/pub", "sftp", "/srv", "sftp://h/srv/a%20b.html", "/srv/img/x.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.scheme) + " " + c.server + " " + c.folder);
        auto a =
            FtpServerAddress::parse(QString::fromLatin1(c.server), QString::fromLatin1(c.scheme));
        ASSERT_TRUE(a);
        const auto base = a->takeServerFolder(QString::fromLatin1(c.folder));
        ASSERT_TRUE(base);
        EXPECT_EQ(a->url(*base + QStringList{"a b.html"}, false), QByteArray(c.fileUrl));
        EXPECT_EQ(a->commandPath(*base + QStringList{"img", "x.png"}),
                  QString::fromLatin1(c.commandPath));
    }
}

TEST(FtpAddress, LocalHosts) {
    for (const char* local : {"localhost", "127.0.0.1:2121", "[::1]", "LOCALHOST"})
        EXPECT_TRUE(FtpServerAddress::parse(QString::fromLatin1(local))->isLocalHost()) << local;
    EXPECT_FALSE(FtpServerAddress::parse(QStringLiteral("example.com"))->isLocalHost());
}

TEST(FtpPath, ServerFolders) {
    EXPECT_EQ(*ftppath::splitFolder(QString()), QStringList());
    EXPECT_EQ(*ftppath::splitFolder(QStringLiteral("/")), QStringList());
    EXPECT_EQ(*ftppath::splitFolder(QStringLiteral(".")), QStringList());
    EXPECT_EQ(*ftppath::splitFolder(QStringLiteral("/www//site/")), (QStringList{"www", "site"}));
    EXPECT_EQ(*ftppath::splitFolder(QStringLiteral("./www")), QStringList{"www"});
    EXPECT_FALSE(ftppath::splitFolder(QStringLiteral("www\rx")));
}

TEST(FtpPath, RelativeFiles) {
    EXPECT_EQ(*ftppath::splitRelativeFile(QStringLiteral("img/a b.png")),
              (QStringList{"img", "a b.png"}));
    for (const QString& bad :
         {QString(), QStringLiteral("/"), QStringLiteral("../x"), QStringLiteral("a/./b"),
          QStringLiteral("a\nb"), QStringLiteral("a") + QChar(0)})
        EXPECT_FALSE(ftppath::splitRelativeFile(bad)) << qPrintable(bad);
}

TEST(FtpPath, RefusedNamesSayWhy) {
    EXPECT_EQ(ftppath::nameProblem(QStringLiteral("plain name ü.html")), QString());
    EXPECT_EQ(ftppath::nameProblem(QStringLiteral("a\tb")),
              QStringLiteral("The name contains the control character U+0009 (tab)"));
    EXPECT_EQ(ftppath::nameProblem(QStringLiteral("a") + QChar(0x7f)),
              QStringLiteral("The name contains the control character U+007F (delete)"));
    EXPECT_EQ(ftppath::nameProblem(QStringLiteral("a") + QChar(0x9b)),
              QStringLiteral("The name contains the control character U+009B"));
    EXPECT_EQ(ftppath::nameProblem(QStringLiteral("win\\path")),
              QStringLiteral("The name contains a backslash (\\)"));
    QString why;
    EXPECT_FALSE(ftppath::splitRelativeFile(QStringLiteral("a/../b"), &why));
    EXPECT_EQ(why, QStringLiteral("The path contains a \"..\" segment"));
    EXPECT_FALSE(ftppath::splitFolder(QStringLiteral("www\tx"), &why));
    EXPECT_EQ(why, QStringLiteral("The name contains the control character U+0009 (tab)"));
    // Names that look odd but are fine.
    EXPECT_TRUE(ftppath::splitRelativeFile(QStringLiteral("..hidden/...x")));
    EXPECT_EQ(ftppath::printable(QStringLiteral("a\tb\r\n\x1b[0m") + QChar(0x85)),
              QStringLiteral("a\\tb\\r\\n\\x1B[0m\\x85"));
}

TEST(FtpPath, TemporaryNames) {
    EXPECT_EQ(ftppath::temporaryName(QStringLiteral("index.php")),
              QStringLiteral(".index.php.morvane-upload"));
    // Long names stay within 255 bytes, stay distinct and stay the same
    // from one run to the next (a left-over is then replaced).
    const QString longA = QString(300, QChar(0x00fc)) + QStringLiteral("a.html");
    const QString longB = QString(300, QChar(0x00fc)) + QStringLiteral("b.html");
    const QString tempA = ftppath::temporaryName(longA);
    EXPECT_LE(tempA.toUtf8().size(), 255);
    EXPECT_TRUE(tempA.startsWith('.'));
    EXPECT_TRUE(tempA.endsWith(QStringLiteral(".morvane-upload")));
    EXPECT_NE(tempA, ftppath::temporaryName(longB));
    EXPECT_EQ(tempA, ftppath::temporaryName(longA));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(80);
    EXPECT_FALSE(
        ftppath::temporaryName(emoji).toUtf8().contains("\xEF\xBF\xBD")); // no broken pairs
}
