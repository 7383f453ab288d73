// The owner of the upload marks: every change reaches the file, a failed
// write is told once, two processes sharing the file do not undo each
// other's marks, confirmations share writes, and the state files are private.
#include "core/paths.h"
#include "qtprinters.h"
#include "recordingplatform.h"
#include "testenv.h"
#include "upload/uploadmarks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace morvane;
using morvane::test::RecordingPlatform;
using morvane::test::waitUntil;
using morvane::test::writeFile;

namespace {

QStringList onDisk(const QString& path) {
    NeedingUploadRecord r(path);
    r.load();
    return r.paths();
}

int modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
}

class MarksTest : public ::testing::Test {
protected:
    void SetUp() override { RecordingPlatform::current().clear(); }
    QString path() const { return dir.path() + "/data/NeedingUpload.dict"; }
    int alertCount() const { return int(RecordingPlatform::current().alerts.size()); }
    QTemporaryDir dir;
};

TEST_F(MarksTest, EveryChangeIsWrittenAndSignalled) {
    UploadMarks marks(path());
    QSignalSpy changed(&marks, &UploadMarks::changed);
    marks.mark("/s/a.html");
    marks.mark("/s/b.html");
    marks.mark("/s/a.html"); // again: still one entry
    EXPECT_EQ(onDisk(path()), QStringList({"/s/a.html", "/s/b.html"}));
    marks.unmark("/s/a.html");
    marks.unmark("/s/never.html");
    EXPECT_EQ(onDisk(path()), QStringList{"/s/b.html"});
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(alertCount(), 0);
    // A new record and its folder are private.
    EXPECT_EQ(modeOf(path()), 0600);
    EXPECT_EQ(modeOf(dir.path() + "/data"), 0700);
}

TEST_F(MarksTest, AMoveTakesTheOldMarksAwayAndMarksTheNewFilesInOneWrite) {
    UploadMarks marks(path());
    marks.mark("/s/dir/a.html");
    marks.mark("/s/dir/sub/b.html");
    marks.mark("/s/dirt.html"); // shares the prefix, not the folder
    marks.mark("/s/other.html");
    QSignalSpy changed(&marks, &UploadMarks::changed);
    marks.moved("/s/dir", {"/s/new/a.html", "/s/new/sub/b.html", "/s/new/c.html"});
    EXPECT_EQ(changed.count(), 1);
    const QStringList expected{"/s/dirt.html", "/s/new/a.html", "/s/new/c.html",
                               "/s/new/sub/b.html", "/s/other.html"};
    EXPECT_EQ(marks.paths(), expected);
    EXPECT_EQ(onDisk(path()), expected);

    // A file's own rename.
    marks.moved("/s/other.html", {"/s/renamed.html"});
    EXPECT_FALSE(marks.contains("/s/other.html"));
    EXPECT_TRUE(onDisk(path()).contains("/s/renamed.html"));
    EXPECT_EQ(alertCount(), 0);
}

TEST_F(MarksTest, AModeTheUserSetIsKept) {
    UploadMarks marks(path());
    marks.mark("/s/a.html");
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0640), 0);
    marks.mark("/s/b.html");
    EXPECT_EQ(modeOf(path()), 0640);
}

// A full disk or a lost folder must not bring one alert per saved file, and
// the marks must go out once writing works again.
TEST_F(MarksTest, AFailedWriteIsToldOnceAndRetriedWithTheNextChange) {
    const QString blocked = dir.path() + "/blocker/NeedingUpload.dict";
    ASSERT_TRUE(writeFile(dir.path() + "/blocker", "a file where the folder should be"));
    UploadMarks marks(blocked);
    marks.mark("/s/a.html");
    marks.mark("/s/b.html");
    marks.forgetSent({"/s/a.html"});
    EXPECT_FALSE(marks.flush());
    ASSERT_EQ(alertCount(), 1);
    EXPECT_EQ(RecordingPlatform::current().alerts[0].title,
              "Can't save the list of files needing upload.");
    EXPECT_FALSE(RecordingPlatform::current().alerts[0].message.isEmpty());
    EXPECT_TRUE(marks.contains("/s/b.html"));
    EXPECT_TRUE(marks.hasUnwrittenChanges());

    ASSERT_TRUE(QFile::remove(dir.path() + "/blocker"));
    marks.mark("/s/c.html");
    EXPECT_EQ(onDisk(blocked), QStringList({"/s/b.html", "/s/c.html"}));
    EXPECT_FALSE(marks.hasUnwrittenChanges());

    // A new run of failures is told again.
    QDir(dir.path() + "/blocker").removeRecursively();
    ASSERT_TRUE(writeFile(dir.path() + "/blocker", "again"));
    marks.mark("/s/d.html");
    EXPECT_EQ(alertCount(), 2);
}

// The window and a command-line upload each hold the record; each write
// starts from the file, so neither brings back a mark the other removed nor
// drops one the other made.
TEST_F(MarksTest, TwoOwnersOfTheSameFileKeepEachOthersChanges) {
    UploadMarks window(path());
    UploadMarks terminal(path());
    window.mark("/s/a.html");
    window.mark("/s/b.html");
    terminal.load();
    terminal.forgetSent({"/s/a.html"});
    window.mark("/s/c.html"); // while the upload runs
    ASSERT_TRUE(terminal.flush());
    EXPECT_EQ(onDisk(path()), QStringList({"/s/b.html", "/s/c.html"}));
    window.unmark("/s/b.html");
    EXPECT_EQ(onDisk(path()), QStringList{"/s/c.html"});
    EXPECT_EQ(window.paths(), QStringList{"/s/c.html"});
    terminal.reload();
    EXPECT_EQ(terminal.paths(), QStringList{"/s/c.html"});
}

// A record another program spoiled is kept aside, never overwritten, and the
// marks known here are not lost with it.
TEST_F(MarksTest, ARecordSpoiledMeanwhileIsKeptAsideAndRewrittenFromMemory) {
    UploadMarks marks(path());
    marks.mark("/s/a.html");
    ASSERT_TRUE(writeFile(path(), "<plist><dict><key>/s/x.html"));
    marks.reload();
    ASSERT_EQ(alertCount(), 1);
    EXPECT_EQ(RecordingPlatform::current().alerts[0].title,
              "The list of files needing upload could not be read.");
    EXPECT_EQ(morvane::test::readFile(path() + ".corrupt"), "<plist><dict><key>/s/x.html");
    EXPECT_EQ(onDisk(path()), QStringList{"/s/a.html"});

    ASSERT_TRUE(writeFile(path(), "not a record"));
    marks.mark("/s/b.html");
    EXPECT_EQ(onDisk(path()), QStringList({"/s/a.html", "/s/b.html"}));
    EXPECT_EQ(morvane::test::readFile(path() + ".corrupt-2"), "not a record");
    EXPECT_EQ(alertCount(), 2);
}

TEST_F(MarksTest, ConfirmationsShareAWriteThatComesWithinTheDelay) {
    UploadMarks marks(path());
    for (int i = 0; i < 20; ++i)
        marks.mark(QStringLiteral("/s/%1.html").arg(i));
    QSignalSpy changed(&marks, &UploadMarks::changed);
    for (int i = 0; i < 10; ++i)
        marks.forgetSent({QStringLiteral("/s/%1.html").arg(i)});
    // Shown at once, written later.
    EXPECT_EQ(changed.count(), 10);
    EXPECT_EQ(marks.size(), 10);
    EXPECT_EQ(onDisk(path()).size(), 20);
    EXPECT_TRUE(waitUntil([&] { return onDisk(path()).size() == 10; }));
    EXPECT_FALSE(marks.hasUnwrittenChanges());

    marks.forgetSent({"/s/10.html"});
    EXPECT_TRUE(marks.flush());
    EXPECT_EQ(onDisk(path()).size(), 9);
}

TEST_F(MarksTest, SettingsFileAndFoldersArePrivateUnlessTheUserSaidOtherwise) {
    morvane::test::resetUserState();
    QDir(morvane::test::configHome()).removeRecursively();
    {
        auto settings = paths::openSettings();
        settings->setValue("sites/size", 0);
        settings->sync();
    }
    const QString conf = paths::settingsPath();
    EXPECT_EQ(modeOf(conf), 0600);
    EXPECT_EQ(modeOf(QFileInfo(conf).absolutePath()), 0700);
    EXPECT_EQ(modeOf(morvane::test::configHome()), 0700);

    ASSERT_EQ(::chmod(QFile::encodeName(conf).constData(), 0644), 0);
    {
        auto settings = paths::openSettings();
        settings->setValue("currentsite", "Web");
        settings->sync();
    }
    EXPECT_EQ(modeOf(conf), 0644);
    EXPECT_EQ(paths::openSettings()->value("currentsite").toString(), "Web");

    QString error;
    EXPECT_FALSE(paths::makePrivateFolder("relative/folder", &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
