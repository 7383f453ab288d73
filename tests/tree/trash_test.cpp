// Moving a row's file or folder to the freedesktop.org trash of the test's
// own data folder, and the failure the user is told about.
#include "treefixture.h"

#include "recordingplatform.h"
#include "tree/fileoperations.h"

#include <QFileInfo>
#include <QSettings>

#include <sys/stat.h>

namespace morvane::test {
namespace {

class TrashTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        RecordingPlatform::current().clear();
        RecordingPlatform::current().realTrash = true;
        QDir(trash()).removeRecursively();
    }
    void TearDown() override {
        RecordingPlatform::current().realTrash = false;
        TreeTest::TearDown();
    }
    static QString trash() { return dataHome() + QStringLiteral("/Trash"); }
};

TEST_F(TrashTest, FileAndFolderGoToTheTrashWithTheirOrigin) {
    ASSERT_TRUE(writeFile(at("my page.html"), "page"));
    ASSERT_TRUE(writeFile(at("img/logo.png"), "png"));
    FileSystemItem* root = FileSystemItem::rootItem();

    ASSERT_TRUE(trashItem(child(root, QStringLiteral("my page.html"))));
    ASSERT_TRUE(trashItem(child(root, QStringLiteral("img"))));
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());

    EXPECT_FALSE(QFileInfo::exists(at("my page.html")));
    EXPECT_FALSE(QFileInfo::exists(at("img")));
    EXPECT_EQ(readFile(trash() + QStringLiteral("/files/my page.html")), QByteArray("page"));
    EXPECT_EQ(readFile(trash() + QStringLiteral("/files/img/logo.png")), QByteArray("png"));
    // The trash can put them back: it knows where they came from.
    const QByteArray info = readFile(trash() + QStringLiteral("/info/my page.html.trashinfo"));
    EXPECT_TRUE(info.startsWith("[Trash Info]")) << info.constData();
    EXPECT_TRUE(info.contains("Path=")) << info.constData();
    EXPECT_TRUE(info.contains("DeletionDate=")) << info.constData();

    // A refresh drops the rows.
    refresh();
    EXPECT_TRUE(names(root).isEmpty());
}

TEST_F(TrashTest, SecondFileOfTheSameNameDoesNotReplaceTheFirstInTheTrash) {
    ASSERT_TRUE(writeFile(at("a.html"), "one"));
    ASSERT_TRUE(trashItem(child(FileSystemItem::rootItem(), QStringLiteral("a.html"))));
    refresh();
    ASSERT_TRUE(writeFile(at("a.html"), "two"));
    ASSERT_TRUE(trashItem(child(FileSystemItem::rootItem(), QStringLiteral("a.html"))));
    QStringList contents;
    for (const QString& name : QDir(trash() + QStringLiteral("/files")).entryList(QDir::Files))
        contents << QString::fromUtf8(readFile(trash() + QStringLiteral("/files/") + name));
    contents.sort();
    EXPECT_EQ(contents, (QStringList{"one", "two"}));
}

TEST_F(TrashTest, RefusalIsReportedAndTheFileStays) {
    // The site folder is not writable and the attempt is made without
    // root's rights, so the system refuses the move.
    QTemporaryDir shared(QStringLiteral("/tmp/morvane-trash-XXXXXX"));
    QString s;
    ASSERT_NO_FATAL_FAILURE(makeUnwritableSite(shared, &s));
    FileSystemItem* a = child(FileSystemItem::rootItem(), QStringLiteral("a.html"));
    ASSERT_NE(a, nullptr);

    expectPassesUnprivileged([&] {
        int failures = 0;
        failures |= trashItem(a) ? 1 : 0;
        const auto& shown = RecordingPlatform::current().alerts;
        failures |= shown.size() == 1 && shown[0].title == QStringLiteral("Can't move to trash.") &&
                            !shown[0].message.isEmpty()
                        ? 0
                        : 2;
        failures |= QFileInfo::exists(s + QStringLiteral("/a.html")) ? 0 : 4;
        return failures;
    });
    EXPECT_EQ(readFile(s + QStringLiteral("/a.html")), QByteArray("a"));
    ::chmod(QFile::encodeName(s).constData(), 0755);
    ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
}

TEST_F(TrashTest, VanishedItemIsReportedNotClaimedAsTrashed) {
    touch(QStringLiteral("a.html"));
    FileSystemItem* a = child(FileSystemItem::rootItem(), QStringLiteral("a.html"));
    ASSERT_TRUE(QFile::remove(at("a.html")));
    EXPECT_FALSE(trashItem(a));
    ASSERT_EQ(RecordingPlatform::current().alerts.size(), 1);
    EXPECT_EQ(RecordingPlatform::current().alerts[0].title, QStringLiteral("Can't move to trash."));
}

} // namespace
} // namespace morvane::test
