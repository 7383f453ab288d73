// Folder listings as servers send them, in whole lines or in pieces.
#include "transfer/ftplisting.h"

#include <gtest/gtest.h>

using namespace morvane;

TEST(FtpListing, UnixLines) {
    FtpListingEntry e;
    ASSERT_EQ(
        parseListingLine("drwxr-xr-x   2 owner    group        4096 Dec 08 04:40 a folder", &e),
        ListingLineKind::Entry);
    EXPECT_TRUE(e.isFolder);
    EXPECT_EQ(e.name, QStringLiteral("a folder"));
    EXPECT_EQ(e.owner, QStringLiteral("owner"));
    EXPECT_EQ(e.size, 4096);

    ASSERT_EQ(
        parseListingLine("-rw-r--r--   1 1001     1001    123456789 Jan  1  2024 big.bin\r", &e),
        ListingLineKind::Entry);
    EXPECT_FALSE(e.isFolder);
    EXPECT_EQ(e.size, 123456789);
    EXPECT_EQ(e.modified.date(), QDate(2024, 1, 1));
    EXPECT_EQ(e.name, QStringLiteral("big.bin"));

    ASSERT_EQ(parseListingLine("lrwxrwxrwx 1 root root 7 Mar 3 10:00 www -> public_html", &e),
              ListingLineKind::Entry);
    EXPECT_EQ(e.name, QStringLiteral("www"));
    EXPECT_EQ(e.linkTarget, QStringLiteral("public_html"));

    // Without a group column.
    ASSERT_EQ(parseListingLine("-rw-r--r-- 1 ftp 42 Feb 29 2024 ü.txt", &e),
              ListingLineKind::Entry);
    EXPECT_EQ(e.name, QStringLiteral("ü.txt"));
    EXPECT_EQ(e.size, 42);
}

TEST(FtpListing, DosLinesAndSkips) {
    FtpListingEntry e;
    ASSERT_EQ(parseListingLine("12-08-26  04:40PM       <DIR>          wwwroot", &e),
              ListingLineKind::Entry);
    EXPECT_TRUE(e.isFolder);
    EXPECT_EQ(e.modified, QDateTime(QDate(2026, 12, 8), QTime(16, 40)));
    ASSERT_EQ(parseListingLine("01-02-99  12:05AM                 1234 old file.txt", &e),
              ListingLineKind::Entry);
    EXPECT_EQ(e.size, 1234);
    EXPECT_EQ(e.name, QStringLiteral("old file.txt"));
    EXPECT_EQ(parseListingLine("total 12", &e), ListingLineKind::Skip);
    EXPECT_EQ(parseListingLine("", &e), ListingLineKind::Skip);
    EXPECT_EQ(parseListingLine("\r", &e), ListingLineKind::Skip);
    EXPECT_EQ(parseListingLine("<html><body>Not an FTP listing</body></html>", &e),
              ListingLineKind::Invalid);
    EXPECT_EQ(parseListingLine("drwxr-xr-x 2 a b notanumber Dec 08 04:40 x", &e),
              ListingLineKind::Invalid);
}

TEST(FtpListing, LinesSplitAcrossPieces) {
    const QByteArray listing = "total 2\r\n"
                               "-rw-r--r--   1 owner group 10 Dec 08 04:40 one.txt\r\n"
                               "drwxr-xr-x   2 owner group 4096 Dec 08 04:40 two\r\n"
                               "-rw-r--r--   1 owner group 3 Dec 08 04:40 three"; // no line end
    for (int piece : {1, 2, 7, 50, 1000}) {
        FtpListingParser parser;
        for (qsizetype i = 0; i < listing.size(); i += piece)
            ASSERT_TRUE(parser.feed(listing.mid(i, piece)));
        EXPECT_EQ(parser.entryCount(), 2) << piece; // the last line waits for its end
        EXPECT_TRUE(parser.finish());
        EXPECT_EQ(parser.entryCount(), 3) << piece;
    }
}

TEST(FtpListing, UnreadableListingsFail) {
    FtpListingParser garbage;
    EXPECT_FALSE(garbage.feed("-rw-r--r-- 1 o g 1 Dec 08 04:40 fine\nthis is not a listing\n"));
    EXPECT_TRUE(garbage.failed());
    EXPECT_FALSE(garbage.feed("-rw-r--r-- 1 o g 1 Dec 08 04:40 after\n"));

    FtpListingParser endless; // a "line" that never ends
    bool ok = true;
    for (int i = 0; i < 40 && ok; ++i)
        ok = endless.feed(QByteArray(1024, 'x'));
    EXPECT_FALSE(ok);

    FtpListingParser badLast;
    EXPECT_TRUE(badLast.feed("garbage without end"));
    EXPECT_FALSE(badLast.finish());
}
