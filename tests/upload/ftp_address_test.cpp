// Server texts, server folders and file names as they become FTP addresses
// and command arguments.
#include "upload/ftpaddress.h"

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
