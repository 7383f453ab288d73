// The window's Upload with "Also delete on the server files deleted here",
// end to end against a real FTP server: what the confirmation names, what
// goes and what stays (excluded names and anything outside the server
// folder always stay), nothing deleted on Cancel, and a refused deletion
// reported as a failure.
#include "core/exclusions.h"
#include "ftpserver.h"
#include "recordingplatform.h"
#include "testenv.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploaddialog.h"
#include "upload/uploadmarks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace morvane;
using morvane::test::FtpServer;
using morvane::test::FtpServerOptions;
using morvane::test::RecordingPlatform;
using morvane::test::writeFile;

namespace {

// Answers the modal windows as they come up: ticks (or not) the deletion
// box and confirms the upload, confirms or cancels the list of deletions,
// and presses OK in a transfer or sync window once its job has ended.
class DeletionScript : public QObject {
public:
    DeletionScript(bool tick, bool confirmDeletions) : m_tick(tick), m_confirm(confirmDeletions) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, &DeletionScript::poke);
        m_timer.start();
    }
    bool boxShown = false;
    bool boxOnAtFirst = true;
    QString boxName;
    int deletionDialogs = 0;
    QString deletionList;
    QStringList failedRows; // of the windows that stayed open

private:
    static void clickLater(QPushButton* button) {
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    }
    void poke() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_lastClicked)
            return;
        if (modal->objectName() == QLatin1String("Upload")) {
            auto* box = modal->findChild<QCheckBox*>(QStringLiteral("deleteOnServer"));
            boxShown = box && box->isVisibleTo(modal);
            if (box) {
                boxOnAtFirst = box->isChecked();
                boxName = box->accessibleName();
                box->setChecked(m_tick);
            }
            clickLater(modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
            m_lastClicked = modal;
            return;
        }
        if (modal->objectName() == QLatin1String("DeleteOnServer")) {
            ++deletionDialogs;
            deletionList =
                modal->findChild<QPlainTextEdit*>(QStringLiteral("files"))->toPlainText();
            clickLater(modal->findChild<QPushButton*>(m_confirm ? QStringLiteral("delete")
                                                                : QStringLiteral("cancel")));
            m_lastClicked = modal;
            return;
        }
        for (QPushButton* b : modal->findChildren<QPushButton*>()) {
            if (b->isVisible() && b->isEnabled() && b->text() == QLatin1String("OK")) {
                if (auto* list = modal->findChild<QListWidget*>(QStringLiteral("failedList")))
                    for (int i = 0; i < list->count(); ++i)
                        failedRows << list->item(i)->text();
                m_lastClicked = modal;
                clickLater(b);
                return;
            }
        }
    }
    bool m_tick;
    bool m_confirm;
    QTimer m_timer;
    QPointer<QWidget> m_lastClicked;
};

class UploadDeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecordingPlatform::current().clear();
        site = root.path() + "/web";
        record.setFilePath(root.path() + "/NeedingUpload.dict");
        // Here: the page kept and a new page to send.
        ASSERT_TRUE(writeFile(site + "/keep.html", "<p>keep</p>"));
        ASSERT_TRUE(writeFile(site + "/new.html", "<p>new</p>"));
        record.mark(site + "/new.html");
        // There: the kept page, pages deleted here, excluded names, and
        // files beside the server folder.
        for (const char* rel : {"www/keep.html", "www/old.html", "www/sub/gone.html",
                                "www/.git/config", "www/private/x.html", "www/notes.bak",
                                "outside.html", "www2/old.html", "www-old/old.html"})
            ASSERT_TRUE(writeFile(server(rel), "server copy"));
    }
    QString server(const QString& rel) const { return root.path() + "/server/" + rel; }
    void startServer(const FtpServerOptions& options = {}) {
        ASSERT_TRUE(ftp.start(root.path() + "/server", options)) << ftp.errorString().toStdString();
        prop.setValue(sitekey::sitename, "Web");
        prop.setValue(sitekey::server, ftp.address());
        prop.setValue(sitekey::serverfolder, "/www");
        prop.setValue(sitekey::username, "user");
        prop.setValue(sitekey::password, "secret");
        prop.setValue(sitekey::localpath, site);
        prop.setValue(sitekey::exclude, "private/\n*.bak");
    }
    PublishOutcome upload() {
        EXPECT_TRUE(record.save());
        marks = std::make_unique<UploadMarks>(record.filePath());
        marks->load();
        return UploadCommand::run(nullptr, &prop, root.path() + "/default", *marks);
    }

    QTemporaryDir root;
    QString site;
    NeedingUploadRecord record;
    std::unique_ptr<UploadMarks> marks;
    FtpServer ftp;
    Site prop;
};

// Never deleted, whatever the case: excluded names, and everything beside
// the server folder (including folders whose names start like it).
const char* const kAlwaysStay[] = {"www/keep.html",   "www/.git/config", "www/private/x.html",
                                   "www/notes.bak",   "outside.html",    "www2/old.html",
                                   "www-old/old.html"};

TEST_F(UploadDeletionTest, DeletesOnlyWhatTheConfirmedListNamed) {
    struct Case {
        const char* name;
        bool tick;
        bool confirm;
        QStringList refuse; // DELE refused by the server for these
        PublishOutcome outcome;
        int dialogs;
        QStringList gone;
        QStringList kept;
        int failedRows;
    };
    const QString listed = "old.html\nsub/gone.html\nsub/ (if empty)";
    const Case cases[] = {
        {"confirmed",
         true,
         true,
         {},
         PublishOutcome::Uploaded,
         1,
         {"www/old.html", "www/sub/gone.html", "www/sub"},
         {},
         0},
        {"cancelled",
         true,
         false,
         {},
         PublishOutcome::Uploaded,
         1,
         {},
         {"www/old.html", "www/sub/gone.html"},
         0},
        {"box left off",
         false,
         true,
         {},
         PublishOutcome::Uploaded,
         0,
         {},
         {"www/old.html", "www/sub/gone.html"},
         0},
        {"deletion refused",
         true,
         true,
         {"old.html"},
         PublishOutcome::Failed,
         1,
         {"www/sub/gone.html"},
         {"www/old.html"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        FtpServerOptions options;
        options.refuseDeleteNames = c.refuse;
        startServer(options);
        DeletionScript script(c.tick, c.confirm);
        EXPECT_EQ(upload(), c.outcome);
        EXPECT_TRUE(script.boxShown);
        EXPECT_FALSE(script.boxOnAtFirst) << "deleting is never chosen by default";
        EXPECT_EQ(script.boxName, "Also delete on the server files deleted here");
        EXPECT_EQ(script.deletionDialogs, c.dialogs);
        if (c.dialogs > 0) {
            EXPECT_EQ(script.deletionList, listed) << "every file is named before deletion";
        }
        EXPECT_TRUE(QFileInfo::exists(server("www/new.html"))) << "the upload ran first";
        for (const QString& rel : c.gone)
            EXPECT_FALSE(QFileInfo::exists(server(rel))) << rel.toStdString();
        for (const QString& rel : c.kept)
            EXPECT_TRUE(QFileInfo::exists(server(rel))) << rel.toStdString();
        for (const char* rel : kAlwaysStay)
            EXPECT_TRUE(QFileInfo::exists(server(rel))) << rel;
        EXPECT_EQ(script.failedRows.size(), c.failedRows)
            << script.failedRows.join('|').toStdString();
        if (c.failedRows > 0) {
            EXPECT_TRUE(script.failedRows[0].startsWith("old.html: "));
        }
        ftp.stop();
        root.remove();
        ASSERT_TRUE(QDir().mkpath(root.path()));
    }
}

// Retry Failed in the upload's window sends again the files that failed,
// in the same window, and their marks go once the server has them.
TEST_F(UploadDeletionTest, RetryFailedSendsTheFailedFilesAgain) {
    FtpServerOptions options;
    // Its stores fail more often than the job tries again by itself.
    options.abortNames = {"new.html"};
    options.faultTimes = 4;
    startServer(options);
    int retries = 0;
    QTimer timer;
    QPointer<QWidget> clicked;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == clicked)
            return;
        if (modal->objectName() == QLatin1String("Upload")) {
            clicked = modal;
            QMetaObject::invokeMethod(
                modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                &QPushButton::click, Qt::QueuedConnection);
            return;
        }
        auto* retry = modal->findChild<QPushButton*>(QStringLiteral("retryFailed"));
        if (retry && retry->isVisible() && retries == 0) {
            ++retries;
            retry->click();
            return;
        }
        for (QPushButton* b : modal->findChildren<QPushButton*>()) {
            if (b->isVisible() && b->isEnabled() && b->text() == QLatin1String("OK")) {
                clicked = modal;
                QMetaObject::invokeMethod(b, &QPushButton::click, Qt::QueuedConnection);
                return;
            }
        }
    });
    timer.start();
    EXPECT_EQ(upload(), PublishOutcome::Uploaded);
    EXPECT_EQ(retries, 1);
    EXPECT_EQ(morvane::test::readFile(server("www/new.html")), "<p>new</p>");
    record.load();
    EXPECT_FALSE(record.paths().contains(site + "/new.html")) << "sent on the retry: unmarked";
}

} // namespace
