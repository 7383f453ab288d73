// Site passwords in the desktop keyring. Run four times: under a private session
// bus with an unlocked keyring of its own (with-keyring.sh), where plain
// passwords move out of the settings file and the dialog keeps them there;
// with a keyring that refuses (the RefusingKeyring tests, refusing-keyring.sh);
// with no session bus at all (the NoKeyring tests), where passwords
// stay in the file, the user is told once, and the file is the user's alone;
// and with a keyring that never answers (the SilentKeyring tests,
// with-keyring.sh --silent), where a transfer waits for it in the open.
#include "core/paths.h"
#include "core/sitestore.h"
#include "ftpserver.h"
#include "recordingplatform.h"
#include "sites/passwordstore.h"
#include "sites/sitedialog.h"
#include "testenv.h"
#include "transfer/transferwindow.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploadcli.h"
#include "upload/uploaddialog.h"
#include "upload/uploadmarks.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace morvane;
using namespace morvane::test;

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

CliRun upload(const QStringList& args) {
    CliRun r;
    QString in;
    QTextStream inStream(&in, QIODevice::ReadOnly);
    QTextStream outStream(&r.out, QIODevice::WriteOnly);
    QTextStream errStream(&r.err, QIODevice::WriteOnly);
    r.status = runUploadCommandLine(args, inStream, outStream, errStream);
    return r;
}

QString settingsFile() {
    return paths::openSettings()->fileName();
}

bool onlyOwnerMayRead(const QString& file) {
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return QFile::exists(file) && !(QFile::permissions(file) & others);
}

class KeyringTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetUserState();
        RecordingPlatform::current().clear();
        QDir().mkpath(root.path() + "/web");
        QDir().mkpath(root.path() + "/server");
        ASSERT_TRUE(server.start(root.path() + "/server"));
    }
    // A settings file as an older version wrote it, passwords in plain text.
    void writePlainSettings() {
        const QString file = settingsFile();
        QDir().mkpath(QFileInfo(file).absolutePath());
        const QByteArray ini = "[General]\ncurrentsite=Web\n[sites]\n"
                               "1\\sitename=Web\n1\\server=" +
                               server.address().toUtf8() +
                               "\n1\\username=user\n1\\password=secret\n"
                               "1\\serverfolder=/www\n1\\localpath=" +
                               root.path().toUtf8() +
                               "/web\n"
                               "2\\sitename=Other\n2\\server=ftp.other.example\n"
                               "2\\username=me\n2\\password=\"p@ss w=rd;#\"\n"
                               "size=2\n";
        ASSERT_TRUE(writeFile(file, ini));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                        QFile::ReadOther);
    }
    void markPage(const QByteArray& text) {
        const QString page = root.path() + "/web/index.html";
        ASSERT_TRUE(writeFile(page, text));
        NeedingUploadRecord record;
        record.setFilePath(paths::needingUploadPath());
        record.load();
        record.mark(page);
        ASSERT_TRUE(record.save());
    }

    QTemporaryDir root;
    FtpServer server;
};

using NoKeyringTest = KeyringTest;

// A site whose password the keyring keeps.
Site keyringSite(const QString& server, const QString& localFolder) {
    Site site;
    site.setValue(sitekey::sitename, "Web");
    site.setValue(sitekey::server, server);
    site.setValue(sitekey::serverfolder, "/www");
    site.setValue(sitekey::username, "user");
    site.setValue(ftpsitekey::passwordInKeyring, "1");
    site.setValue(sitekey::localpath, localFolder);
    return site;
}

// Answers the modal windows from a timer that runs inside their loops:
// confirms the upload, watches the transfer window while it waits, presses
// Stop after a number of its turns, then OK once the job has ended. Past
// its deadline it stops whatever runs, so that a fault fails the test
// instead of hanging it.
class WaitingWindowScript {
public:
    static constexpr int kTurnsBeforeStop = 5;

    WaitingWindowScript() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poke(); });
        m_timer.start();
    }
    QString waitingText;
    int turnsWhileWaiting = 0;
    QString finalStatus;
    QString barText;

private:
    static void clickLater(QPushButton* button) {
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    }
    void poke() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (modal->objectName() == QLatin1String("Upload")) {
            if (modal != m_confirmed)
                clickLater(modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
            m_confirmed = modal;
            return;
        }
        auto* window = qobject_cast<TransferWindow*>(modal);
        if (!window || window == m_closed)
            return;
        QPushButton* button = window->button();
        if (button->text() == QLatin1String("OK")) {
            finalStatus = window->message();
            barText = window->progressIndicator()->format();
            m_closed = window;
            clickLater(button);
            return;
        }
        if (!button->isEnabled())
            return; // stopping
        if (window->job().outcome() == TransferJob::Outcome::Running && turnsWhileWaiting == 0)
            waitingText = window->message();
        if (++turnsWhileWaiting == kTurnsBeforeStop || m_deadline.hasExpired())
            clickLater(button);
    }
    QTimer m_timer;
    QDeadlineTimer m_deadline{std::chrono::seconds(30)};
    QPointer<QWidget> m_confirmed;
    QPointer<QWidget> m_closed;
};

} // namespace

TEST_F(KeyringTest, PlainPasswordsMoveToTheKeyringAndUploadsStillWork) {
    writePlainSettings();
    markPage("<p>from the keyring");
    const CliRun run = upload({"--yes", "Web"});
    EXPECT_EQ(run.status, uploadexit::Uploaded) << qPrintable(run.out + run.err);
    EXPECT_TRUE(run.err.isEmpty()) << qPrintable(run.err);
    EXPECT_EQ(readFile(root.path() + "/server/www/index.html"), "<p>from the keyring");

    // The file holds no password any more, the keyring holds both.
    const QByteArray ini = readFile(settingsFile());
    EXPECT_FALSE(ini.contains("secret")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("p@ss")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("password="));
    EXPECT_TRUE(onlyOwnerMayRead(settingsFile()));
    const SiteList sites = sitestore::load(*paths::openSettings());
    ASSERT_EQ(sites.size(), 2);
    QString error;
    EXPECT_EQ(passwordstore::read(passwordstore::account(sites[0]), &error), QString("secret"))
        << error.toStdString();
    EXPECT_EQ(passwordstore::read(passwordstore::account(sites[1]), &error),
              QString("p@ss w=rd;#"));

    // The next run finds nothing to move and still logs in.
    markPage("<p>again");
    const CliRun second = upload({"--yes", "Web"});
    EXPECT_EQ(second.status, uploadexit::Uploaded) << qPrintable(second.out + second.err);
    EXPECT_EQ(readFile(root.path() + "/server/www/index.html"), "<p>again");
}

TEST_F(KeyringTest, SiteEditedInTheDialogKeepsItsPasswordInTheKeyring) {
    SiteList sites;
    Site site;
    site.setValue(sitekey::sitename, "Web");
    site.setValue(sitekey::server, server.address());
    site.setValue(sitekey::username, "user");
    sites.append(site);
    auto openDialog = [&](SiteDialog& d) {
        d.setSites(&sites);
        d.setConnectionTest([](const Site&, QWidget*) { return true; });
        d.setSiteName("Web");
    };
    {
        SiteDialog d;
        openDialog(d);
        d.fieldPassword->setText("n3w secret");
        d.actionOK();
    }
    EXPECT_FALSE(readFile(settingsFile()).contains("n3w"));
    EXPECT_TRUE(sites[0].password().isEmpty());
    EXPECT_EQ(sites[0].value(ftpsitekey::passwordInKeyring), "1");
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
    {
        // Shown again from the keyring once it answers; saved untouched,
        // it stays there.
        SiteDialog d;
        openDialog(d);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return d.fieldPassword->text() == "n3w secret"; }, 30000));
        d.fieldUserName->setText("renamed");
        d.actionOK();
    }
    QString error;
    EXPECT_EQ(passwordstore::read(passwordstore::account(sites[0]), &error), QString("n3w secret"));
    EXPECT_FALSE(passwordstore::read("ftp://user@" + server.address(), &error))
        << "the old account's entry is gone";
    {
        // Cleared: no password anywhere.
        SiteDialog d;
        openDialog(d);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d.fieldPassword->text().isEmpty(); }, 30000));
        d.fieldPassword->clear();
        d.actionOK();
    }
    EXPECT_FALSE(sites[0].values().contains(ftpsitekey::passwordInKeyring));
    EXPECT_FALSE(passwordstore::read(passwordstore::account(sites[0]), &error));
    EXPECT_TRUE(onlyOwnerMayRead(settingsFile()));
}

TEST_F(NoKeyringTest, PasswordsStayInTheFileWithOneWarningAndAPrivateFile) {
    ASSERT_TRUE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"));
    writePlainSettings();
    markPage("<p>plain");
    const CliRun run = upload({"--yes", "Web"});
    EXPECT_EQ(run.status, uploadexit::Uploaded) << qPrintable(run.out + run.err);
    EXPECT_EQ(run.err.count('\n'), 1) << qPrintable(run.err);
    EXPECT_TRUE(run.err.startsWith("warning: passwords stay in the settings file"));
    EXPECT_FALSE(run.err.contains("secret"));
    EXPECT_TRUE(readFile(settingsFile()).contains("password=secret"));
    EXPECT_EQ(readFile(root.path() + "/server/www/index.html"), "<p>plain");

    // The dialog says so once, however often a password is saved.
    SiteList sites = sitestore::load(*paths::openSettings());
    for (int i = 0; i < 2; ++i) {
        SiteDialog d;
        d.setSites(&sites);
        d.setConnectionTest([](const Site&, QWidget*) { return true; });
        d.setSiteName("Web");
        d.fieldPassword->setText(QString("changed%1").arg(i));
        d.actionOK();
    }
    EXPECT_EQ(RecordingPlatform::current().alerts.size(), 1);
    EXPECT_TRUE(RecordingPlatform::current().alerts.value(0).title.contains("settings file"));
    EXPECT_FALSE(RecordingPlatform::current().alerts.value(0).message.contains("changed"));
    EXPECT_TRUE(readFile(settingsFile()).contains("password=changed1"));
    // Group and others lose access the first time the list is saved.
    EXPECT_TRUE(onlyOwnerMayRead(settingsFile()));
}

// A session bus whose keyring refuses: the service runs but has no default
// collection ("Object does not exist at path …/collection/login"), or no
// service answers at all. Run under refusing-keyring.sh.
using RefusingKeyringTest = KeyringTest;

TEST_F(RefusingKeyringTest, TheNoteSaysInPlainWordsThatThePasswordStaysInTheFile) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"));
    QString why;
    ASSERT_FALSE(passwordstore::write(QStringLiteral("ftp://me@host"), QStringLiteral("pw"), &why));
    const QStringList raw = {
        "/org/freedesktop", "Object does not exist", "org.freedesktop", "D-Bus", "DBus",
        ".service"};
    for (const QString& text : raw)
        EXPECT_FALSE(why.contains(text, Qt::CaseInsensitive)) << why.toStdString();
    EXPECT_TRUE(why.contains(QLatin1String("not available"))) << why.toStdString();

    SiteList sites;
    SiteDialog d;
    d.setSites(&sites);
    d.setConnectionTest([](const Site&, QWidget*) { return true; });
    d.setSiteName(QString());
    d.fieldSiteName->setText("Web");
    d.fieldServer->setText("ftp.example.com");
    d.fieldPassword->setText("secret");
    d.actionOK();
    ASSERT_EQ(RecordingPlatform::current().alerts.size(), 1);
    const RecordedAlert& note = RecordingPlatform::current().alerts.first();
    EXPECT_TRUE(note.message.contains(QLatin1String("keyring is not available")))
        << note.message.toStdString();
    EXPECT_TRUE(note.message.contains(QLatin1String("stays in the settings file")))
        << note.message.toStdString();
    for (const QString& text : raw)
        EXPECT_FALSE(note.message.contains(text, Qt::CaseInsensitive))
            << note.message.toStdString();
    EXPECT_TRUE(readFile(settingsFile()).contains("password=secret"));
}

// A keyring that takes every request and never answers, like one waiting
// for an unlock prompt nobody sees. Run under with-keyring.sh --silent.
using SilentKeyringTest = KeyringTest;

// Each way a transfer starts from the window: the transfer window shows at
// once that it waits for the keyring, its loop keeps running, and Stop
// ends the job as stopped, with nothing sent.
TEST_F(SilentKeyringTest, TransferWindowWaitsForTheKeyringInTheOpenAndStopEndsIt) {
    struct Case {
        const char* name;
        std::function<bool(Site&)> run; // true when the transfer counted as done
        const char* finalStatus;
    };
    markPage("<p>waiting");
    UploadMarks marks(paths::needingUploadPath());
    marks.load();
    const Case cases[] = {
        {"Upload command",
         [&](Site& site) {
             return UploadCommand::run(nullptr, &site, QString(), marks) !=
                    PublishOutcome::Cancelled;
         },
         "ERROR: Cancelled"},
        {"connection test",
         [](Site& site) {
             return transferwindow::testConnection(site, nullptr, &passwordstore::request);
         },
         "Cancelled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Site site = keyringSite(server.address(), root.path() + "/web");
        WaitingWindowScript script;
        EXPECT_FALSE(c.run(site));
        EXPECT_EQ(script.waitingText, QString::fromUtf8("Waiting for the keyring…"));
        EXPECT_GE(script.turnsWhileWaiting, WaitingWindowScript::kTurnsBeforeStop);
        EXPECT_EQ(script.finalStatus, c.finalStatus);
        EXPECT_EQ(script.barText, "Stopped");
    }
    EXPECT_FALSE(QFileInfo::exists(root.path() + "/server/www/index.html"));
    marks.reload();
    EXPECT_EQ(marks.paths(), QStringList{root.path() + "/web/index.html"});
}

// The site dialog opens at once on a site whose password the keyring keeps;
// the field says it waits, and saving meanwhile leaves the password in the
// keyring.
TEST_F(SilentKeyringTest, SiteDialogOpensAtOnceAndSavingKeepsThePasswordInTheKeyring) {
    SiteList sites{keyringSite(server.address(), root.path() + "/web")};
    SiteDialog d;
    d.setSites(&sites);
    d.setConnectionTest([](const Site&, QWidget*) { return true; });
    d.setSiteName("Web");
    EXPECT_TRUE(d.fieldPassword->text().isEmpty());
    EXPECT_EQ(d.fieldPassword->placeholderText(), QString::fromUtf8("Waiting for the keyring…"));
    d.fieldServerFolder->setText("/public");
    d.actionOK();
    EXPECT_EQ(sites[0].serverFolder(), "/public");
    EXPECT_EQ(sites[0].value(ftpsitekey::passwordInKeyring), "1");
    EXPECT_TRUE(sites[0].password().isEmpty());
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
}
