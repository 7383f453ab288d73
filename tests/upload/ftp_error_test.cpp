// From curl's results and the server's replies to the messages the user
// reads.
#include "qtprinters.h"
#include "transfer/ftperror.h"
#include "transfer/ftpstream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

using namespace morvane;

namespace {

FtpError error(FtpErrorDomain domain, int code, const QString& reply = {},
               const QString& detail = {}, int curlCode = 0) {
    return {domain, code, detail, reply, curlCode};
}

} // namespace

// Every message says what happened in plain words, keeps the server's own
// words, and ends with what to do; none is a bare domain name and number.
TEST(FtpError, EachFailureSaysWhatHappenedAndWhatToDo) {
    using D = FtpErrorDomain;
    struct Case {
        FtpError error;
        QStringList parts; // in this order
    };
    const std::vector<Case> cases{
        {error(D::NetDB, kHostNotFound),
         {"Can't locate Server; name may be wrong", "Check the server name in Site Properties"}},
        {error(D::FTP, 530, "530 Login incorrect."),
         {"User Name and/or Password is wrong", "Server reply: \"530 Login incorrect.\"",
          "Check the user name and password in Site Properties."}},
        {error(D::FTP, 550, "550 No such file or directory."),
         {"File/folder not found or inaccessible", "\"550 No such file or directory.\"",
          "Check the Server Folder in Site Properties"}},
        {error(D::FTP, 553, "553 Could not create file."),
         {"The server refused to store the file under this name or in this folder",
          "Server reply: \"553 Could not create file.\"", "may write in the Server Folder"}},
        {error(D::FTP, 451, "451 Injected failure."),
         {"The server failed while handling the file", "\"451 Injected failure.\"",
          "Upload again"}},
        // vsftpd and pure-ftpd answer a full disk with 451.
        {error(D::FTP, 451, "451 Failure writing to local file."),
         {"could not write the file; its disk or your account's quota may be full",
          "\"451 Failure writing to local file.\"", kNoSpaceAdvice()}},
        {error(D::FTP, 451, "451 Error during write to file: No space left on device"),
         {"The server has no space left for this file.", kNoSpaceAdvice()}},
        {error(D::FTP, 522, "522 SSL connection failed: session reuse required"),
         {"refused the encrypted data connection",
          "\"522 SSL connection failed: session reuse required\"", "Try again"}},
        {error(D::FTP, 425, "425 Can't open data connection."),
         {"could not open the data connection", "\"425 Can't open data connection.\"", "firewall"}},
        {error(D::FTP, 426, "426 Failure reading network stream."),
         {"broke off the transfer", "\"426 Failure reading network stream.\"", "Upload again"}},
        {error(D::FTP, 421, "421 Too many connections."),
         {"closed the connection", "\"421 Too many connections.\"", "Try again in a while."}},
        {error(D::FTP, 599), {"(FTP reply 599)", "send the server's reply to your host"}},
        {error(D::POSIX, ECONNREFUSED, {}, {}, CURLE_COULDNT_CONNECT),
         {"Can't connect to the server: it refused the connection", "(Connection refused)",
          "Check the server name, port and protocol in Site Properties"}},
        {error(D::POSIX, ECONNRESET),
         {"The connection to the server was dropped (Connection reset by peer)", "Upload again"}},
        {error(D::Curl, CURLE_OPERATION_TIMEDOUT),
         {"The server stopped answering", "Try again later"}},
        {error(D::Curl, CURLE_SSH, "Upload failed: Operation failed (4/-31)"),
         {"The SFTP server reported a failure", "Operation failed (4/-31)", "Upload again"}},
        {error(D::Curl, CURLE_REMOTE_ACCESS_DENIED, "Upload failed: Permission denied (3/-31)"),
         {"denied access", "Permission denied (3/-31)", "Check the Server Folder"}},
        {error(D::Curl, CURLE_REMOTE_DISK_FULL),
         {"The server has no space left for this file.", kNoSpaceAdvice()}},
        {error(D::LocalFile, 0, {}, "Permission denied"),
         {"Can't read the local file: Permission denied", "that you may read it"}},
        {error(D::SizeMismatch, 0, {}, "3 bytes on the server, 2 sent"),
         {"The server's copy of this file has the wrong size (3 bytes on the server, 2 sent)",
          "Upload again"}},
    };
    for (const Case& c : cases) {
        const QString text = streamErrorMessage(c.error);
        qsizetype at = 0;
        for (const QString& part : c.parts) {
            const qsizetype found = text.indexOf(part, at);
            EXPECT_GE(found, 0) << "missing \"" << part.toStdString() << "\" in "
                                << text.toStdString();
            at = std::max(at, found);
        }
        for (const char* bare : {"kCFStream", "UnknownDomain", "error code"})
            EXPECT_FALSE(text.contains(QLatin1String(bare))) << text.toStdString();
        EXPECT_TRUE(text.endsWith('.')) << text.toStdString();
    }
}

// An SFTP failure says SFTP's words: the SSH session that could not start,
// a login with keys only, and host keys (never "certificate").
TEST(FtpError, SftpFailuresSpeakOfSsh) {
    FtpError init(FtpErrorDomain::Curl, CURLE_FAILED_INIT, {}, {}, CURLE_FAILED_INIT);
    init.ssh = true;
    EXPECT_TRUE(streamErrorMessage(init).startsWith("The SSH session could not start"))
        << streamErrorMessage(init).toStdString();

    FtpError keys(FtpErrorDomain::FTP, 530);
    keys.ssh = true;
    keys.keyLogin = true;
    const QString none = streamErrorMessage(keys);
    EXPECT_FALSE(none.contains("Password is wrong")) << none.toStdString();
    EXPECT_TRUE(none.contains("no SSH key was found")) << none.toStdString();
    EXPECT_TRUE(none.contains("Enter the password in Site Properties")) << none.toStdString();
    keys.keysOffered = "~/.ssh/id_ed25519";
    EXPECT_TRUE(streamErrorMessage(keys).contains("none of your SSH keys (~/.ssh/id_ed25519)"));

    FtpError key(FtpErrorDomain::Security, CURLE_PEER_FAILED_VERIFICATION);
    key.ssh = true;
    key.hostKey = sshhostkey::fromBase64(
        "AAAAC3NzaC1lZDI1NTE5AAAAIOMqqnkVzrm0SdG6UOoqKLsabgH5C9okWi0dh2l9GKJl");
    ASSERT_TRUE(key.hostKey.isValid());
    key.knownHostsName = "[example.com]:2222";
    key.trust = TrustProblem::Untrusted;
    const QString unknown = streamErrorMessage(key);
    EXPECT_TRUE(unknown.contains("host key is not in your known hosts")) << unknown.toStdString();
    EXPECT_TRUE(unknown.contains(key.hostKey.fingerprint()));
    key.trust = TrustProblem::Changed;
    key.hostKey.knownPrint = "SHA256:theOldOne";
    const QString changed = streamErrorMessage(key);
    EXPECT_TRUE(changed.startsWith("WARNING: the server's host key has changed"));
    EXPECT_TRUE(changed.contains("Known key: SHA256:theOldOne")) << changed.toStdString();
    EXPECT_TRUE(changed.contains("Presented now: ssh-ed25519 " + key.hostKey.fingerprint()));
    EXPECT_TRUE(changed.contains("ssh-keygen -R \"[example.com]:2222\""));
    key.trust = TrustProblem::Revoked;
    const QString revoked = streamErrorMessage(key);
    EXPECT_TRUE(revoked.contains("revoked")) << revoked.toStdString();
    EXPECT_FALSE(revoked.contains("Accept")) << revoked.toStdString();
    for (const QString& text : {unknown, changed, revoked})
        EXPECT_FALSE(text.contains("certificate")) << text.toStdString();
}

// Security failures say what had been sent: nothing before the login; the
// login (over verified TLS) but no file when a data connection failed.
TEST(FtpError, SecurityMessagesSayWhatWasSent) {
    struct Case {
        CURLcode code;
        bool loggedIn;
        const char* says;
    };
    const std::vector<Case> cases{
        {CURLE_USE_SSL_FAILED, false, "its reply to AUTH TLS was a refusal"},
        {CURLE_USE_SSL_FAILED, true, "its reply to PROT P was a refusal"},
        {CURLE_PEER_FAILED_VERIFICATION, false, "not trusted by this system"},
        {CURLE_PEER_FAILED_VERIFICATION, true, "certificate on the data connection"},
        {CURLE_SSL_PINNEDPUBKEYNOTMATCH, false, "has changed since you trusted it"},
        {CURLE_SSL_PINNEDPUBKEYNOTMATCH, true, "another certificate on the data connection"},
        {CURLE_SSL_CONNECT_ERROR, true, "secure data connection"},
    };
    for (const Case& c : cases) {
        FtpError e(FtpErrorDomain::Security, c.code, {}, {}, c.code);
        e.loggedIn = c.loggedIn;
        const QString text = streamErrorMessage(e);
        EXPECT_TRUE(text.contains(QLatin1String(c.says))) << text.toStdString();
        EXPECT_EQ(text.contains("nothing was sent"), !c.loggedIn) << text.toStdString();
        EXPECT_EQ(text.contains("user name and password had been sent, over the verified"),
                  c.loggedIn)
            << text.toStdString();
    }
}

TEST(FtpError, TheServersReplyFollowsTheFixedText) {
    using D = FtpErrorDomain;
    EXPECT_TRUE(
        streamErrorMessage(error(D::FTP, 553, QStringLiteral("553 Could not create file.")))
            .contains(QStringLiteral("folder. Server reply: \"553 Could not create file.\"")));
    EXPECT_TRUE(streamErrorMessage(error(D::FTP, 530, QStringLiteral("530 Login incorrect.")))
                    .startsWith(QStringLiteral("User Name and/or Password is wrong. Server reply: "
                                               "\"530 Login incorrect.\"")));
    // Control characters in the reply never reach the user's terminal raw,
    // and a server cannot fill the window with its text.
    const QString hostile = streamErrorMessage(
        error(D::FTP, 550, QStringLiteral("550 \x1b[2Jgone\x07") + QString(1000, 'x')));
    EXPECT_FALSE(hostile.contains(QChar(0x1b)));
    EXPECT_FALSE(hostile.contains(QChar(0x07)));
    EXPECT_TRUE(hostile.contains(QStringLiteral("\\x1B[2Jgone\\x07")));
    EXPECT_LT(hostile.size(), 500);
}

TEST(FtpError, FullDisksAndQuotas) {
    using D = FtpErrorDomain;
    const QString full = QStringLiteral("The server has no space left for this file.");
    EXPECT_EQ(streamErrorMessage(error(D::FTP, 452, QStringLiteral("452 Disk full."))),
              full + QStringLiteral(" Server reply: \"452 Disk full.\" ") + kNoSpaceAdvice());
    EXPECT_TRUE(streamErrorMessage(error(D::FTP, 552)).contains(full));
    // 451 and 426 say it only in their text.
    EXPECT_TRUE(streamErrorMessage(error(D::FTP, 451, QStringLiteral("451 Quota exceeded")))
                    .contains(full));
    EXPECT_TRUE(streamErrorMessage(error(D::FTP, 426,
                                         QStringLiteral("426 No space left on device; "
                                                        "transfer aborted.")))
                    .contains(full));
    EXPECT_FALSE(
        streamErrorMessage(error(D::FTP, 451, QStringLiteral("451 Local error"))).contains(full));
    EXPECT_TRUE(streamErrorMessage(error(D::POSIX, ENOSPC)).contains(full));
}

TEST(FtpError, ServersDemandingEncryption) {
    using D = FtpErrorDomain;
    const QString secure = kSecureConnectionMessage();
    const QString vsftpd = QStringLiteral("530 Non-anonymous sessions must use encryption.");
    const QString pureftpd =
        QStringLiteral("421 Sorry, cleartext sessions and weak ciphers are not accepted on this "
                       "server. Please reconnect using TLS security mechanisms.");
    EXPECT_EQ(streamErrorMessage(error(D::FTP, 530, vsftpd)),
              secure + QStringLiteral(" Server reply: \"") + vsftpd + '"');
    EXPECT_TRUE(streamErrorMessage(error(D::FTP, 421, pureftpd)).startsWith(secure));
    EXPECT_TRUE(streamErrorMessage(error(D::FTP, 550,
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

TEST(FtpError, UnknownFailuresNameCurlsWords) {
    const QString text = streamErrorMessage(error(FtpErrorDomain::Curl, CURLE_BAD_DOWNLOAD_RESUME));
    EXPECT_TRUE(text.startsWith(QStringLiteral("The transfer failed: ")));
    EXPECT_TRUE(text.contains(QStringLiteral("(libcurl error 36)"))) << text.toStdString();
    EXPECT_LE(text.size(), 300);
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
