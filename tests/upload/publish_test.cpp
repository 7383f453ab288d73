// The publish sequence itself, through a scripted user interface, against a
// real FTP server: which marks survive each way an upload can end.
#include "ftpserver.h"
#include "qtprinters.h"
#include "recordingplatform.h"
#include "testenv.h"
#include "upload/publish.h"
#include "upload/uploadmarks.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace morvane;
using morvane::test::FtpServer;
using morvane::test::readFile;
using morvane::test::writeFile;

namespace {

// Answers like a user who confirms; records what it was told; runs the job
// on an event loop, letting the test act while it runs.
class ScriptedUi : public PublishUi {
public:
    void noSiteChosen() override { told << "no site"; }
    void siteHasNoServer(const Site&) override { told << "no server"; }
    void problem(const QString& title, const QString& message) override {
        told << title + " / " + message;
    }
    void nothingToUpload() override { told << "nothing"; }
    bool confirm(const Site&, const uploadplan::Files& files) override {
        planned = files;
        return answer;
    }
    TransferJob::Outcome runTransfer(const Site&, std::unique_ptr<TransferJob> job) override {
        QEventLoop loop;
        QObject::connect(job.get(), &TransferJob::fileUploaded, &loop, [&](const QString& rel) {
            confirmed << rel;
            if (onConfirmed)
                onConfirmed(*job);
        });
        QObject::connect(job.get(), &TransferJob::finished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        if (beforeStart)
            beforeStart();
        job->start();
        loop.exec();
        return job->outcome();
    }

    bool answer = true;
    QStringList told;
    QStringList confirmed;
    uploadplan::Files planned;
    std::function<void()> beforeStart;
    std::function<void(TransferJob&)> onConfirmed;
};

class PublishTest : public ::testing::Test {
protected:
    void SetUp() override {
        morvane::test::RecordingPlatform::current().clear();
        site = root.path() + "/web";
        QDir().mkpath(root.path() + "/server");
        ASSERT_TRUE(server.start(root.path() + "/server")) << server.errorString().toStdString();
        prop.setValue(sitekey::sitename, "Web");
        prop.setValue(sitekey::server, server.address());
        prop.setValue(sitekey::serverfolder, "/www");
        prop.setValue(sitekey::username, "user");
        prop.setValue(sitekey::password, "secret");
        prop.setValue(sitekey::localpath, site);
    }
    void make(const QString& rel, const QByteArray& bytes) {
        ASSERT_TRUE(writeFile(site + "/" + rel, bytes));
        marks.mark(site + "/" + rel);
    }
    QStringList markedOnDisk() const {
        NeedingUploadRecord r(marks.filePath());
        r.load();
        return r.paths();
    }
    PublishOutcome publishNow() { return publish(&prop, root.path() + "/default", marks, ui); }
    QString onServer(const QString& rel) const { return root.path() + "/server/www/" + rel; }

    QTemporaryDir root;
    QString site;
    FtpServer server;
    Site prop;
    UploadMarks marks{root.path() + "/NeedingUpload.dict"};
    ScriptedUi ui;
};

// Marks made while the upload runs (by this window or another process) stay;
// a file saved again after the plan was made keeps its mark even though the
// server confirmed it, since the server may hold the older bytes.
TEST_F(PublishTest, MarksMadeOrFilesChangedDuringTheUploadStay) {
    make("a.html", "a");
    make("b.html", "b");
    make("c.html", "c");
    ui.beforeStart = [&] {
        UploadMarks other(marks.filePath());
        other.mark(root.path() + "/web2/new.html");
        ASSERT_TRUE(writeFile(site + "/b.html", "b, edited and longer"));
    };
    EXPECT_EQ(publishNow(), PublishOutcome::Uploaded);
    EXPECT_EQ(ui.confirmed.size(), 3);
    EXPECT_EQ(markedOnDisk(), QStringList({site + "/b.html", root.path() + "/web2/new.html"}));
    EXPECT_EQ(marks.paths(), markedOnDisk());
}

// However an upload ends, the files the server confirmed lose their marks
// and no other file does.
TEST_F(PublishTest, StoppedMidwayOnlyConfirmedFilesLoseTheirMarks) {
    QStringList all;
    for (int i = 0; i < 12; ++i) {
        const QString rel = QStringLiteral("f%1.html").arg(i, 2, 10, QLatin1Char('0'));
        make(rel, QByteArray(2000, char('a' + i)));
        all << site + "/" + rel;
    }
    ui.onConfirmed = [](TransferJob& job) { job.cancel(); };
    EXPECT_EQ(publishNow(), PublishOutcome::Cancelled);
    ASSERT_GE(ui.confirmed.size(), 1);
    QStringList expected = all;
    for (const QString& rel : ui.confirmed) {
        expected.removeAll(site + "/" + rel);
        EXPECT_EQ(readFile(onServer(rel)), readFile(site + "/" + rel));
    }
    EXPECT_EQ(markedOnDisk(), expected);
}

TEST_F(PublishTest, AFileALinkLeadsOutsideFailsWithAReasonAndKeepsItsMark) {
    make("index.html", "home");
    ASSERT_TRUE(writeFile(root.path() + "/private/secret.txt", "secret"));
    ASSERT_TRUE(QFile::link(root.path() + "/private", site + "/link_out"));
    marks.mark(site + "/link_out/secret.txt");

    EXPECT_EQ(publishNow(), PublishOutcome::Failed);
    EXPECT_EQ(ui.planned.send, QStringList{"index.html"});
    EXPECT_EQ(ui.told,
              QStringList{"\"link_out/secret.txt\" was not sent. / A symbolic link leads it "
                          "outside the site folder."});
    EXPECT_EQ(readFile(onServer("index.html")), "home");
    EXPECT_FALSE(QFileInfo::exists(onServer("link_out/secret.txt")));
    EXPECT_EQ(markedOnDisk(), QStringList{site + "/link_out/secret.txt"});
}

TEST_F(PublishTest, DeclinedOrDrySendsNothingAndConvertsNothing) {
    make("a.md", "# A\n");
    ui.answer = false;
    EXPECT_EQ(publishNow(), PublishOutcome::NotConfirmed);
    EXPECT_TRUE(ui.confirmed.isEmpty());
    EXPECT_EQ(markedOnDisk(), QStringList({site + "/a.html", site + "/a.md"}));

    QFile::remove(site + "/a.html");
    marks.unmark(site + "/a.html");
    ui.answer = true;
    PublishOptions dry;
    dry.dryRun = true;
    EXPECT_EQ(publish(&prop, root.path() + "/default", marks, ui, dry),
              PublishOutcome::NotConfirmed);
    EXPECT_EQ(ui.planned.send, QStringList({"a.html", "a.md"}));
    EXPECT_FALSE(QFileInfo::exists(site + "/a.html"));
    EXPECT_TRUE(ui.confirmed.isEmpty());
    EXPECT_EQ(markedOnDisk(), QStringList{site + "/a.md"});
}

} // namespace
