// The transfer window over a real job: the button stays "Stop" while the
// job runs and the window refuses to close, then reads "OK" with the final
// status line; the class operations return the job's verdict.
#include "certificates.h"
#include "ftp_support.h"

#include "recordingplatform.h"
#include "sftpserver.h"
#include "testenv.h"
#include "transfer/siteprotocol.h"
#include "transfer/transferwindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace morvane;
using namespace morvane::test;

namespace {

TransferWindow* transferWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<TransferWindow*>(w); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// Calls `step` on the visible transfer window from inside its modal loop,
// again and again until it returns true; records every status line seen.
class WindowDriver {
public:
    explicit WindowDriver(std::function<bool(TransferWindow*)> step) : m_step(std::move(step)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            TransferWindow* window = transferWindow();
            if (!window)
                return;
            statusLines << window->labelMsg()->text();
            if (m_step(window))
                m_timer.stop();
        });
        m_timer.start();
    }
    QStringList statusLines;

private:
    std::function<bool(TransferWindow*)> m_step;
    QTimer m_timer;
};

bool pressOkWhenDone(TransferWindow* window) {
    if (window->button()->isVisible() && window->button()->text() == QLatin1String("OK")) {
        window->button()->click();
        return true;
    }
    return false;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecordingPlatform::current().clear();
        ASSERT_TRUE(server.start(folders.serverRoot.path(), options()));
    }
    virtual FtpServerOptions options() { return {}; }
    FtpFixtureFolders folders;
    FtpServer server;
};

class SlowServerWindowTest : public WindowTest {
protected:
    FtpServerOptions options() override {
        FtpServerOptions o;
        o.delayMs = 150;
        return o;
    }
};

} // namespace

TEST_F(WindowTest, ConnectionTestShowsResultAndReturnsIt) {
    QString finalStatus;
    WindowDriver driver([&](TransferWindow* w) {
        finalStatus = w->labelMsg()->text();
        return pressOkWhenDone(w);
    });
    Site site = ftpSite(server);
    EXPECT_TRUE(transferwindow::testConnection(site, nullptr));
    EXPECT_EQ(finalStatus, QStringLiteral("Successful connection"));
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());

    WindowDriver again([&](TransferWindow* w) {
        finalStatus = w->labelMsg()->text();
        return pressOkWhenDone(w);
    });
    Site wrong = ftpSite(server, {}, "user", "nope");
    EXPECT_FALSE(transferwindow::testConnection(wrong, nullptr));
    EXPECT_TRUE(finalStatus.startsWith(QStringLiteral("ERROR: User Name and/or Password is wrong")))
        << qPrintable(finalStatus);
}

TEST_F(WindowTest, UploadReturnsTheStoredFiles) {
    const QStringList files{folders.addFile("index.html", "<p>"),
                            folders.addFile("img/a.png", "png")};
    WindowDriver driver(pressOkWhenDone);
    QStringList uploaded{"stale"};
    EXPECT_TRUE(transferwindow::upload(ftpSite(server, "/www"), files, folders.site.path(), nullptr,
                                       &uploaded));
    EXPECT_EQ(uploaded, files);
    EXPECT_EQ(readFile(folders.serverPath("www/img/a.png")), QByteArray("png"));

    WindowDriver failing(pressOkWhenDone);
    EXPECT_FALSE(transferwindow::upload(ftpSite(server, "/www"), {"index.html", "gone.txt"},
                                        folders.site.path(), nullptr, &uploaded));
    EXPECT_EQ(uploaded, QStringList{"index.html"});
}

TEST_F(WindowTest, InvalidServerStillEndsWithOk) {
    Site site = ftpSite(server);
    site.setValue(sitekey::server, QStringLiteral("bad host name"));
    QString finalStatus;
    WindowDriver driver([&](TransferWindow* w) {
        finalStatus = w->labelMsg()->text();
        return pressOkWhenDone(w);
    });
    EXPECT_FALSE(transferwindow::testConnection(site, nullptr));
    EXPECT_TRUE(finalStatus.startsWith(QStringLiteral("ERROR: Can't initiate FTP")))
        << qPrintable(finalStatus);
}

TEST_F(SlowServerWindowTest, WindowStaysUpWhileTheJobRuns) {
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << folders.addFile(QStringLiteral("f%1.txt").arg(i), "x");
    bool sawRunning = false;
    bool closedEarly = false;
    WindowDriver driver([&](TransferWindow* w) {
        if (!w->job().isFinished()) {
            sawRunning = true;
            EXPECT_EQ(w->button()->text(), QStringLiteral("Stop"));
            EXPECT_EQ(w->progressIndicator()->maximum(), 0); // busy
            w->close();
            w->reject();
            closedEarly = closedEarly || !w->isVisible();
            return false;
        }
        return pressOkWhenDone(w);
    });
    EXPECT_TRUE(transferwindow::upload(ftpSite(server, "/"), files, folders.site.path(), nullptr));
    EXPECT_TRUE(sawRunning);
    EXPECT_FALSE(closedEarly);
    EXPECT_TRUE(driver.statusLines.contains(QStringLiteral("Initializing FTP")));
}

TEST_F(SlowServerWindowTest, StopEndsTheJobAsFailed) {
    QStringList files;
    for (int i = 0; i < 30; ++i)
        files << folders.addFile(QStringLiteral("d/f%1.txt").arg(i), "x");
    bool stopped = false;
    QStringList uploaded;
    WindowDriver driver([&](TransferWindow* w) {
        if (!stopped) {
            if (w->button()->text() == QLatin1String("Stop")) {
                w->button()->click();
                stopped = true;
            }
            return false;
        }
        return pressOkWhenDone(w);
    });
    EXPECT_FALSE(transferwindow::upload(ftpSite(server, "/"), files, folders.site.path(), nullptr,
                                        &uploaded));
    EXPECT_TRUE(stopped);
    EXPECT_LT(uploaded.size(), files.size());
}

TEST_F(WindowTest, FailureShowsInTheBarAndLongTextWrapsInAGrowingWindow) {
    // A missing file deep in long folder names: a long, unbroken message.
    QString deep;
    for (int i = 0; i < 8; ++i)
        deep += QStringLiteral("a_rather_long_folder_name_%1/").arg(i);
    deep += QStringLiteral("missing.html");
    const QStringList files{folders.addFile("index.html", "<p>"), deep};
    int barValue = -1;
    int barMaximum = -1;
    QString barText;
    QString finalStatus;
    bool textFits = false;
    int windowWidth = 0;
    WindowDriver driver([&](TransferWindow* w) {
        if (!w->job().isFinished() || !w->button()->isVisible())
            return false;
        QCoreApplication::processEvents(); // let the layout settle
        barValue = w->progressIndicator()->value();
        barMaximum = w->progressIndicator()->maximum();
        barText = w->progressIndicator()->text();
        finalStatus = w->message();
        QLabel* label = w->labelMsg();
        textFits = label->height() >= label->heightForWidth(label->width()) &&
                   label->width() >= label->minimumSizeHint().width();
        windowWidth = w->width();
        return pressOkWhenDone(w);
    });
    EXPECT_FALSE(transferwindow::upload(ftpSite(server, "/"), files, folders.site.path(), nullptr));
    EXPECT_TRUE(finalStatus.startsWith(QStringLiteral("Error uploading \"%1\"").arg(deep)))
        << qPrintable(finalStatus);
    EXPECT_NE(barValue, barMaximum); // not a full bar
    EXPECT_EQ(barText, QStringLiteral("Failed"));
    EXPECT_TRUE(textFits);
    EXPECT_LE(windowWidth, 640);

    WindowDriver success([&](TransferWindow* w) {
        if (!w->job().isFinished() || !w->button()->isVisible())
            return false;
        barValue = w->progressIndicator()->value();
        barText = w->progressIndicator()->text();
        return pressOkWhenDone(w);
    });
    EXPECT_TRUE(transferwindow::upload(ftpSite(server, "/"), {files.first()}, folders.site.path(),
                                       nullptr));
    EXPECT_EQ(barValue, 1);
    EXPECT_EQ(barText, QStringLiteral("Done"));
}

// Several failed files: the status line counts them, and a list names each
// with its own reason; a successful upload shows no list.
TEST_F(WindowTest, FailedFilesAreCountedAndListedEachWithItsReason) {
    const QString good = folders.addFile("index.html", "<p>");
    const QStringList files{good, "gone.html", "sub/also gone.css"};
    QString finalStatus;
    QStringList rows;
    QString listName;
    bool listShown = false;
    WindowDriver driver([&](TransferWindow* w) {
        if (!w->job().isFinished() || w->button()->text() != QLatin1String("OK"))
            return false;
        finalStatus = w->message();
        listShown = w->failedList()->isVisible();
        listName = w->failedList()->accessibleName();
        for (int i = 0; i < w->failedList()->count(); ++i)
            rows << w->failedList()->item(i)->text();
        return pressOkWhenDone(w);
    });
    EXPECT_FALSE(transferwindow::upload(ftpSite(server, "/"), files, folders.site.path(), nullptr));
    EXPECT_TRUE(finalStatus.startsWith(QStringLiteral("Error uploading 2 of 3 files")))
        << qPrintable(finalStatus);
    EXPECT_TRUE(listShown);
    EXPECT_EQ(listName, QStringLiteral("Files not uploaded"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("gone.html: Can't read the local file")))
        << qPrintable(rows[0]);
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("sub/also gone.css: Can't read the local file")))
        << qPrintable(rows[1]);

    bool shownOnSuccess = true;
    WindowDriver success([&](TransferWindow* w) {
        if (!w->job().isFinished() || w->button()->text() != QLatin1String("OK"))
            return false;
        shownOnSuccess = w->failedList()->isVisible();
        return pressOkWhenDone(w);
    });
    EXPECT_TRUE(transferwindow::upload(ftpSite(server, "/"), {good}, folders.site.path(), nullptr));
    EXPECT_FALSE(shownOnSuccess);
}

// A server the system does not trust: the connection test shows its
// certificate and asks; declining leaves the site as it was, trusting pins
// the certificate in the site and the test then passes.
TEST(WindowTrustTest, ConnectionTestOffersTheCertificateAndPinsItOnlyWhenAccepted) {
    RecordingPlatform::current().clear();
    Certificates certs;
    ASSERT_TRUE(certs.makeAuthority());
    ASSERT_TRUE(certs.makeSelfSigned(QStringLiteral("self")));
    qputenv("SSL_CERT_FILE", certs.path(QStringLiteral("ca.pem")).toLocal8Bit());
    FtpFixtureFolders folders;
    FtpServer server;
    FtpServerOptions options;
    options.tlsCertFile = certs.path(QStringLiteral("self.pem"));
    options.tlsKeyFile = certs.path(QStringLiteral("self.key"));
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    Site site = ftpSite(server);
    site.setValue(ftpsitekey::protocol, QStringLiteral("ftps"));
    WindowDriver driver([](TransferWindow* w) {
        pressOkWhenDone(w);
        return false; // every window the test opens
    });

    RecordingPlatform::current().queueAnswer(0); // Cancel
    EXPECT_FALSE(transferwindow::testConnection(site, nullptr));
    EXPECT_TRUE(site.value(ftpsitekey::tlsPin).isEmpty());
    ASSERT_EQ(RecordingPlatform::current().alerts.size(), 1);
    const RecordedAlert asked = RecordingPlatform::current().alerts[0];
    EXPECT_TRUE(asked.message.contains(certs.fingerprint(QStringLiteral("self"))))
        << qPrintable(asked.message);
    EXPECT_TRUE(asked.message.contains(QStringLiteral("ftp.small-host.test")));
    EXPECT_EQ(asked.buttons.value(0), QStringLiteral("Cancel"));

    RecordingPlatform::current().queueAnswer(1); // Trust
    EXPECT_TRUE(transferwindow::testConnection(site, nullptr));
    EXPECT_TRUE(site.value(ftpsitekey::tlsPin).startsWith(QStringLiteral("sha256//")));
    EXPECT_EQ(site.value(ftpsitekey::tlsFingerprint), certs.fingerprint(QStringLiteral("self")));
    qunsetenv("SSL_CERT_FILE");
}

// An SFTP server whose host key is not known: accepted in the connection
// test, the key is added to known_hosts and the test passes.
TEST(WindowTrustTest, ConnectionTestAddsAnAcceptedHostKeyToKnownHosts) {
    RecordingPlatform::current().clear();
    QDir(QDir::homePath() + "/.ssh").removeRecursively();
    qunsetenv("SSH_AUTH_SOCK");
    QTemporaryDir keys;
    QProcess keygen;
    keygen.start("/usr/bin/ssh-keygen",
                 {"-q", "-t", "ed25519", "-N", "", "-f", keys.filePath("host")});
    ASSERT_TRUE(keygen.waitForFinished(30000) && keygen.exitCode() == 0);
    FtpFixtureFolders folders;
    SftpServer server;
    SftpServerOptions options;
    options.hostKey = keys.filePath("host");
    ASSERT_TRUE(server.start(folders.serverRoot.path(), options));
    Site site;
    site.setValue(sitekey::server, server.address());
    site.setValue(sitekey::username, "user");
    site.setValue(sitekey::password, "secret");
    site.setValue(ftpsitekey::protocol, "sftp");
    WindowDriver driver([](TransferWindow* w) {
        pressOkWhenDone(w);
        return false;
    });
    RecordingPlatform::current().queueAnswer(1); // Accept
    EXPECT_TRUE(transferwindow::testConnection(site, nullptr));
    ASSERT_EQ(RecordingPlatform::current().alerts.size(), 1);
    EXPECT_TRUE(RecordingPlatform::current().alerts[0].message.contains("SHA256:"));
    EXPECT_TRUE(readFile(QDir::homePath() + "/.ssh/known_hosts").contains("ssh-ed25519"));
}
