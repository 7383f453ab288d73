// The window's Upload command, end to end against a real FTP server: the
// Markdown pass, the confirmation dialog, the transfer window and the record
// after each outcome.
#include "core/paths.h"
#include "ftpserver.h"
#include "qtprinters.h"
#include "recordingplatform.h"
#include "sites/sitedialog.h"
#include "testenv.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploaddialog.h"
#include "upload/uploadmarks.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace morvane;
using morvane::test::FtpServer;
using morvane::test::FtpServerOptions;
using morvane::test::readFile;
using morvane::test::RecordingPlatform;
using morvane::test::writeFile;
using Outcome = morvane::PublishOutcome;

namespace {

// Answers the modal windows as they come up: the confirmation dialog with OK
// or Cancel, the transfer window with its OK button once the job has ended.
class ModalScript : public QObject {
public:
    explicit ModalScript(bool confirm) : m_confirm(confirm) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, &ModalScript::poke);
        m_timer.start();
    }
    QString confirmationText;
    int confirmations = 0;
    int transferWindows = 0;
    QString finalStatus;

private:
    // The click may open a nested modal run; doing it outside this timer's
    // slot lets the timer keep firing inside that run.
    static void clickLater(QPushButton* button) {
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    }
    void poke() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_lastClicked)
            return;

        if (modal->objectName() == QLatin1String("Upload")) {
            confirmationText = modal->findChild<QPlainTextEdit*>()->toPlainText();
            ++confirmations;
            auto* box = modal->findChild<QDialogButtonBox*>();
            clickLater(box->button(m_confirm ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel));
            m_lastClicked = modal;
            return;
        }
        for (QPushButton* b : modal->findChildren<QPushButton*>()) {
            if (b->isVisible() && b->isEnabled() && b->text() == QLatin1String("OK")) {
                ++transferWindows;
                if (auto* label = modal->findChild<QLabel*>(QStringLiteral("labelMsg")))
                    finalStatus = label->text();
                m_lastClicked = modal;
                clickLater(b);
                return;
            }
        }
    }
    bool m_confirm;
    QTimer m_timer;
    QPointer<QWidget> m_lastClicked; // a later window may reuse a freed address
};

class UploadCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecordingPlatform::current().clear();
        site = root.path() + "/web";
        other = root.path() + "/web2";
        QDir().mkpath(root.path() + "/server");
        record.setFilePath(root.path() + "/NeedingUpload.dict");
    }
    void startServer(const FtpServerOptions& options = {}) {
        ASSERT_TRUE(server.start(root.path() + "/server", options))
            << server.errorString().toStdString();
        prop.setValue(sitekey::sitename, "Web");
        prop.setValue(sitekey::server, server.address());
        prop.setValue(sitekey::serverfolder, "/www");
        prop.setValue(sitekey::username, "user");
        prop.setValue(sitekey::password, "secret");
        prop.setValue(sitekey::localpath, site);
    }
    void make(const QString& path, const QByteArray& bytes) {
        ASSERT_TRUE(writeFile(path, bytes));
        record.mark(path);
    }
    QString onServer(const QString& rel) { return root.path() + "/server/www/" + rel; }
    // Runs the window's Upload command over the record as saved on disk.
    Outcome upload(const Site* current) {
        EXPECT_TRUE(record.save());
        marks = std::make_unique<UploadMarks>(record.filePath());
        marks->load();
        const Outcome outcome =
            UploadCommand::run(nullptr, current, root.path() + "/default", *marks);
        record.load();
        return outcome;
    }
    const QList<morvane::test::RecordedAlert>& alerts() {
        return RecordingPlatform::current().alerts;
    }

    QTemporaryDir root;
    QString site;
    QString other;
    NeedingUploadRecord record;
    std::unique_ptr<UploadMarks> marks;
    FtpServer server;
    Site prop;
};

TEST_F(UploadCommandTest, WithoutASiteAsksForOne) {
    record.mark(site + "/index.html");
    EXPECT_EQ(upload(nullptr), Outcome::NoSiteChosen);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].title,
              "Before you can upload you need to choose (and maybe set up) a site.");
    EXPECT_EQ(alerts()[0].message, "Click OK to go to the Site Properties dialog.");
    EXPECT_EQ(record.size(), 1);
}

TEST_F(UploadCommandTest, OtherSitesFilesAloneAreNothingToUpload) {
    prop.setValue(sitekey::localpath, site);
    prop.setValue(sitekey::server, "ftp.example.com");
    make(other + "/x.html", "x");
    record.mark(site + "/deleted.html");
    ModalScript script(true);
    EXPECT_EQ(upload(&prop), Outcome::NothingToUpload);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].title, "Nothing to upload.");
    EXPECT_EQ(script.confirmations, 0);
    EXPECT_EQ(record.size(), 2);
}

TEST_F(UploadCommandTest, HandWrittenHtmlStopsBeforeTheDialog) {
    prop.setValue(sitekey::localpath, site);
    prop.setValue(sitekey::server, "ftp.example.com");
    make(site + "/a.md", "# A\n");
    ASSERT_TRUE(writeFile(site + "/a.html", "<p>mine</p>"));
    ModalScript script(true);
    EXPECT_EQ(upload(&prop), Outcome::ConversionFailed);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].title, "Can't convert \"a.md\" because file \"a.html\" already exists.");
    EXPECT_EQ(script.confirmations, 0);
    EXPECT_EQ(readFile(site + "/a.html"), "<p>mine</p>");
}

TEST_F(UploadCommandTest, CancelSendsNothingAndKeepsTheRecord) {
    startServer();
    make(site + "/index.html", "<p>hi</p>");
    make(site + "/a.md", "# A\n");

    ModalScript script(false);
    EXPECT_EQ(upload(&prop), Outcome::NotConfirmed);
    EXPECT_EQ(script.confirmations, 1);
    EXPECT_EQ(script.transferWindows, 0);
    // The HTML file was made before the dialog opened and is listed.
    EXPECT_EQ(script.confirmationText,
              "Click OK to upload these files:\n\n\ta.html\n\ta.md\n\tindex.html\n\nto:\n\n\t" +
                  server.address() + "/www");
    EXPECT_TRUE(QFileInfo::exists(site + "/a.html"));
    EXPECT_FALSE(QFileInfo::exists(onServer("index.html")));
    // The new HTML file is marked (and written), nothing is forgotten.
    EXPECT_EQ(record.paths(),
              QStringList({site + "/a.html", site + "/a.md", site + "/index.html"}));
}

TEST_F(UploadCommandTest, FullSuccessForgetsOnlyWhatWasSent) {
    startServer();
    make(site + "/index.html", "<p>hi</p>");
    make(site + "/img/logo.png", "PNG");
    make(site + "/notes.md", "# Notes\n");
    make(other + "/x.html", "other site");
    record.mark(site + "/deleted.html");
    record.mark("/elsewhere/y.css");

    ModalScript script(true);
    EXPECT_EQ(upload(&prop), Outcome::Uploaded);
    EXPECT_EQ(script.transferWindows, 1);
    EXPECT_EQ(script.finalStatus, "Successful upload of all files");
    EXPECT_EQ(readFile(onServer("index.html")), "<p>hi</p>");
    EXPECT_EQ(readFile(onServer("img/logo.png")), "PNG");
    EXPECT_EQ(readFile(onServer("notes.md")), "# Notes\n");
    EXPECT_TRUE(readFile(onServer("notes.html")).contains("<h1>Notes</h1>"));

    const QStringList kept{"/elsewhere/y.css", other + "/x.html"};
    EXPECT_EQ(record.paths(), kept);
    NeedingUploadRecord onDisk(record.filePath());
    ASSERT_EQ(onDisk.load(), NeedingUploadRecord::LoadResult::Loaded);
    EXPECT_EQ(onDisk.paths(), kept);
}

TEST_F(UploadCommandTest, AFailureKeepsTheMarksOfTheFilesNotSentOnly) {
    FtpServerOptions options;
    options.refuseEvery = 2; // the second stored file is refused
    startServer(options);
    make(site + "/a.html", "a");
    make(site + "/b.html", "b");
    make(site + "/c.html", "c");
    make(other + "/x.html", "x");

    ModalScript script(true);
    EXPECT_EQ(upload(&prop), Outcome::Failed);
    EXPECT_EQ(script.transferWindows, 1);
    QStringList unsent;
    for (const QString f : {"a.html", "b.html", "c.html"}) {
        if (QFileInfo::exists(onServer(f)))
            EXPECT_FALSE(record.contains(site + "/" + f)) << f.toStdString();
        else
            unsent << f;
    }
    ASSERT_EQ(unsent.size(), 1);
    EXPECT_EQ(record.paths(), QStringList({site + "/" + unsent[0], other + "/x.html"}));
}

TEST_F(UploadCommandTest, ASiteWithoutServerSendsNothing) {
    prop.setValue(sitekey::sitename, "Web");
    prop.setValue(sitekey::localpath, site);
    make(site + "/index.html", "x");
    ModalScript script(true);
    EXPECT_EQ(upload(&prop), Outcome::NoServer);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].title, "The site \"Web\" has no FTP server to upload to.");
    EXPECT_EQ(script.confirmations, 0);
    EXPECT_TRUE(record.contains(site + "/index.html"));
}

// The site dialog's OK runs the real connection test in the transfer window.
TEST_F(UploadCommandTest, SiteDialogTestsTheConnectionBeforeSaving) {
    morvane::test::resetUserState();
    startServer();
    ASSERT_TRUE(writeFile(root.path() + "/server/index.html", "live"));
    SiteList sites;
    SiteDialog dialog;
    dialog.setSites(&sites);
    dialog.setSiteName(QString());
    dialog.fieldSiteName->setText("Web");
    dialog.fieldServer->setText(server.address());
    dialog.fieldUserName->setText("user");
    dialog.fieldPassword->setText("wrong");

    ModalScript script(true);
    dialog.actionOK();
    EXPECT_EQ(script.transferWindows, 1);
    EXPECT_TRUE(script.finalStatus.startsWith("ERROR: ")) << script.finalStatus.toStdString();
    EXPECT_FALSE(dialog.buttonSkipTest->isHidden());
    EXPECT_TRUE(sites.isEmpty());

    dialog.fieldPassword->setText("secret");
    dialog.actionOK();
    EXPECT_EQ(script.transferWindows, 2);
    EXPECT_EQ(script.finalStatus, "Successful connection");
    EXPECT_EQ(dialog.result(), 1);
    ASSERT_EQ(sites.size(), 1);
    EXPECT_EQ(sites[0].password(), "secret");
    EXPECT_EQ(sitestore::load(*paths::openSettings()), sites);
}

} // namespace
