// From curl's results and the server's replies to the messages the user
// reads.
#include "upload/ftperror.h"
#include "upload/ftpstream.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace morvane;

namespace {

FtpError error(FtpErrorDomain domain, int code, const QString& reply = {},
               const QString& detail = {}, int curlCode = 0) {
    return {domain, code, detail, reply, curlCode};
}

} // namespace

TEST(FtpError, MessagesForEachDomain) {
    using D = FtpErrorDomain;
    EXPECT_EQ(MyStreamErrorMessage(error(D::NetDB, kHostNotFound)),
              QStringLiteral("Can't locate Server; name may be wrong"));
    EXPECT_EQ(MyStreamErrorMessage(error(D::FTP, 530)),
              QStringLiteral("User Name and/or Password is wrong"));
    EXPECT_EQ(MyStreamErrorMessage(error(D::FTP, 550)),
              QStringLiteral("File/folder not found or inaccessible"));
    EXPECT_EQ(MyStreamErrorMessage(error(D::FTP, 451)),
              QStringLiteral("Error: kCFStreamErrorDomainFTP, error code 451"));
    EXPECT_EQ(MyStreamErrorMessage(error(D::POSIX, ECONNREFUSED, {}, {}, CURLE_COULDNT_CONNECT)),
              QStringLiteral("Error: UnknownDomain, error code 111. Couldn't connect to server "
                             "(Connection refused)"));
    EXPECT_EQ(MyStreamErrorMessage(error(D::POSIX, ECONNRESET)),
              QStringLiteral("Error: UnknownDomain, error code 104. Connection reset by peer"));
    EXPECT_EQ(MyStreamErrorMessage(error(D::Curl, CURLE_OPERATION_TIMEDOUT)),
              QStringLiteral("Error: Timeout was reached, error code 28"));
    EXPECT_EQ(MyStreamErrorMessage(error(D::LocalFile, 0, {}, QStringLiteral("Permission denied"))),
              QStringLiteral("Can't read the local file: Permission denied"));
    EXPECT_EQ(MyStreamErrorMessage(error(D::SizeMismatch, 0, {},
                                         QStringLiteral("3 bytes on the "
                                                        "server, 2 sent"))),
              QStringLiteral("The server's copy of this file has the wrong size (3 bytes on the "
                             "server, 2 sent)"));
}

TEST(FtpError, TheServersReplyFollowsTheFixedText) {
    using D = FtpErrorDomain;
    EXPECT_EQ(
        MyStreamErrorMessage(error(D::FTP, 553, QStringLiteral("553 Could not create file."))),
        QStringLiteral("Error: kCFStreamErrorDomainFTP, error code 553. Server reply: "
                       "\"553 Could not create file.\""));
    EXPECT_EQ(MyStreamErrorMessage(error(D::FTP, 530, QStringLiteral("530 Login incorrect."))),
              QStringLiteral("User Name and/or Password is wrong. Server reply: \"530 Login "
                             "incorrect.\""));
    // Control characters in the reply never reach the user's terminal raw,
    // and a server cannot fill the window with its text.
    const QString hostile = MyStreamErrorMessage(
        error(D::FTP, 550, QStringLiteral("550 \x1b[2Jgone\x07") + QString(1000, 'x')));
    EXPECT_FALSE(hostile.contains(QChar(0x1b)));
    EXPECT_FALSE(hostile.contains(QChar(0x07)));
    EXPECT_TRUE(hostile.contains(QStringLiteral("\\x1B[2Jgone\\x07")));
    EXPECT_LT(hostile.size(), 400);
}

TEST(FtpError, FullDisksAndQuotas) {
    using D = FtpErrorDomain;
    const QString full = QStringLiteral("The server has no space left for this file.");
    EXPECT_EQ(MyStreamErrorMessage(error(D::FTP, 452, QStringLiteral("452 Disk full."))),
              QStringLiteral("Error: kCFStreamErrorDomainFTP, error code 452. The server has no "
                             "space left for this file. Server reply: \"452 Disk full.\""));
    EXPECT_TRUE(MyStreamErrorMessage(error(D::FTP, 552)).contains(full));
    // 451 and 426 say it only in their text.
    EXPECT_TRUE(MyStreamErrorMessage(error(D::FTP, 451, QStringLiteral("451 Quota exceeded")))
                    .contains(full));
    EXPECT_TRUE(MyStreamErrorMessage(error(D::FTP, 426,
                                           QStringLiteral("426 No space left on device; "
                                                          "transfer aborted.")))
                    .contains(full));
    EXPECT_FALSE(
        MyStreamErrorMessage(error(D::FTP, 451, QStringLiteral("451 Local error"))).contains(full));
    EXPECT_TRUE(MyStreamErrorMessage(error(D::POSIX, ENOSPC)).contains(full));
}

TEST(FtpError, ServersDemandingEncryption) {
    using D = FtpErrorDomain;
    const QString secure = kSecureConnectionMessage;
    const QString vsftpd = QStringLiteral("530 Non-anonymous sessions must use encryption.");
    const QString pureftpd =
        QStringLiteral("421 Sorry, cleartext sessions and weak ciphers are not accepted on this "
                       "server. Please reconnect using TLS security mechanisms.");
    EXPECT_EQ(MyStreamErrorMessage(error(D::FTP, 530, vsftpd)),
              secure + QStringLiteral(" Server reply: \"") + vsftpd + '"');
    EXPECT_TRUE(MyStreamErrorMessage(error(D::FTP, 421, pureftpd)).startsWith(secure));
    EXPECT_TRUE(MyStreamErrorMessage(error(D::FTP, 550,
                                           QStringLiteral("550 SSL/TLS required on "
                                                          "the control channel")))
                    .startsWith(secure));
    EXPECT_TRUE(demandsSecureConnection(534, QString()));
    // A plain refusal is not one.
    EXPECT_FALSE(demandsSecureConnection(530, QStringLiteral("530 Login incorrect.")));
    EXPECT_FALSE(demandsSecureConnection(421, QStringLiteral("421 Too many connections.")));
    EXPECT_FALSE(demandsSecureConnection(550, QStringLiteral("550 /secure/x: No such file")));
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
    const QString text =
        MyStreamErrorMessage(error(FtpErrorDomain::Curl, CURLE_SSL_CACERT_BADFILE));
    EXPECT_LE(text.size(), 198);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Error: ")));
}

TEST(FtpReplies, LinesInPiecesAndMultiLineReplies) {
    const QByteArray session = "220-Welcome\r\n220-to the test\r\n220 server\r\n"
                               "331 Password required\r\n"
                               "230 Logged in\r\n"
                               "213 4096\r\n"
                               "350 Ready for destination name.\r\n"
                               "550-Rename failed:\r\n 550 is in the text\r\n550 end\r\n";
    for (int piece : {1, 3, 1000}) {
        FtpReplies replies;
        std::vector<int> codes;
        for (qsizetype i = 0; i < session.size(); i += piece) {
            const QByteArray part = session.mid(i, piece);
            for (int c : replies.feed(part.constData(), size_t(part.size())))
                codes.push_back(c);
        }
        EXPECT_EQ(codes, (std::vector<int>{220, 331, 230, 213, 350, 550})) << piece;
        EXPECT_TRUE(replies.greeted());
        EXPECT_TRUE(replies.loggedIn());
        EXPECT_TRUE(replies.renameAccepted());
        EXPECT_FALSE(replies.confirmed());
        EXPECT_EQ(replies.reportedSize(), 4096);
        EXPECT_EQ(replies.errorCode(), 550);
        EXPECT_EQ(replies.errorText(),
                  QStringLiteral("550 Rename failed:  550 is in the text end"));
    }
    FtpReplies refused;
    const QByteArray no = "220 Hi\r\n331 Password\r\n530 Login incorrect.\r\n";
    refused.feed(no.constData(), size_t(no.size()));
    EXPECT_FALSE(refused.loggedIn());
    EXPECT_EQ(refused.errorText(), QStringLiteral("530 Login incorrect."));
}
