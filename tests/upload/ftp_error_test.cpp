// From curl's results to the messages the user reads.
#include "upload/ftperror.h"

#include <gtest/gtest.h>

using namespace morvane;

TEST(FtpError, MessagesForEachDomain) {
    EXPECT_EQ(MyStreamErrorMessage({FtpErrorDomain::NetDB, kHostNotFound, {}}),
              QStringLiteral("Can't locate Server; name may be wrong"));
    EXPECT_EQ(MyStreamErrorMessage({FtpErrorDomain::FTP, 530, {}}),
              QStringLiteral("User Name and/or Password is wrong"));
    EXPECT_EQ(MyStreamErrorMessage({FtpErrorDomain::FTP, 550, {}}),
              QStringLiteral("File/folder not found or inaccessible"));
    EXPECT_EQ(MyStreamErrorMessage({FtpErrorDomain::FTP, 451, {}}),
              QStringLiteral("Error: kCFStreamErrorDomainFTP, error code 451"));
    EXPECT_EQ(MyStreamErrorMessage({FtpErrorDomain::POSIX, 111, {}}),
              QStringLiteral("Error: UnknownDomain, error code 111"));
    EXPECT_EQ(MyStreamErrorMessage({FtpErrorDomain::Curl, CURLE_OPERATION_TIMEDOUT, {}}),
              QStringLiteral("Error: Timeout was reached, error code 28"));
    EXPECT_EQ(
        MyStreamErrorMessage({FtpErrorDomain::LocalFile, 0, QStringLiteral("Permission denied")}),
        QStringLiteral("Can't read the local file: Permission denied"));
}

TEST(FtpError, CurlResultsMapOntoDomains) {
    auto map = [](CURLcode c, long reply, long os) {
        const FtpError e = ftpErrorFromCurl(c, reply, os);
        return std::make_pair(e.domain, e.code);
    };
    using D = FtpErrorDomain;
    EXPECT_EQ(map(CURLE_OK, 226, 0).first, D::None);
    EXPECT_EQ(map(CURLE_COULDNT_RESOLVE_HOST, 0, 0), std::make_pair(D::NetDB, kHostNotFound));
    EXPECT_EQ(map(CURLE_LOGIN_DENIED, 530, 0), std::make_pair(D::FTP, 530));
    EXPECT_EQ(map(CURLE_LOGIN_DENIED, 0, 0), std::make_pair(D::FTP, 530));
    EXPECT_EQ(map(CURLE_UPLOAD_FAILED, 553, 0), std::make_pair(D::FTP, 553));
    EXPECT_EQ(map(CURLE_QUOTE_ERROR, 550, 0), std::make_pair(D::FTP, 550));
    EXPECT_EQ(map(CURLE_COULDNT_CONNECT, 0, 111), std::make_pair(D::POSIX, 111));
    // A positive reply before a dropped connection is not the error.
    EXPECT_EQ(map(CURLE_PARTIAL_FILE, 226, 0), std::make_pair(D::Curl, int(CURLE_PARTIAL_FILE)));
    EXPECT_EQ(map(CURLE_SEND_ERROR, 150, 104), std::make_pair(D::POSIX, 104));
}

TEST(FtpError, LongTextsAreCut) {
    const QString text = MyStreamErrorMessage({FtpErrorDomain::Curl, CURLE_SSL_CACERT_BADFILE, {}});
    EXPECT_LE(text.size(), 198);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Error: ")));
}
