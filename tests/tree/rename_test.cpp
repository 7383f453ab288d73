// Renaming a row's file or folder: the disk, the tree and what the user is
// told when a name cannot be taken.
#include "treefixture.h"

#include "recordingplatform.h"
#include "tree/fileoperations.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace morvane::test {
namespace {

class RenameTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        RecordingPlatform::current().clear();
    }
    QList<RecordedAlert>& alerts() { return RecordingPlatform::current().alerts; }
    QStringList onDisk(const QString& relative = QString()) const {
        return QDir(relative.isEmpty() ? site : at(relative))
            .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
    }
};

TEST_F(RenameTest, FileMovesToItsSortedPlaceAndKeepsItsNode) {
    touch(QStringLiteral("a.html"));
    touch(QStringLiteral("m.html"));
    touch(QStringLiteral("z.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* a = child(root, QStringLiteral("a.html"));

    EXPECT_EQ(renameItem(a, QStringLiteral("q.html")), RenameResult::Renamed);
    EXPECT_EQ(names(root), (QStringList{"m.html", "q.html", "z.html"}));
    EXPECT_EQ(a->fullPath(), at("q.html"));
    EXPECT_EQ(readFile(at("q.html")), QByteArray("x"));
    EXPECT_FALSE(QFileInfo::exists(at("a.html")));
    EXPECT_EQ(FileSystemItem::registeredItem(at("q.html")), a);
    EXPECT_EQ(FileSystemItem::registeredItem(at("a.html")), nullptr);
    // A refresh finds the same node under its new name, once.
    refresh();
    EXPECT_EQ(child(root, QStringLiteral("q.html")), a);
    EXPECT_EQ(root->numberOfChildren(), 3);
    EXPECT_TRUE(alerts().isEmpty());
}

TEST_F(RenameTest, FolderTakesEverythingBelowWithIt) {
    touch(QStringLiteral("dir/sub/x.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* dir = child(root, QStringLiteral("dir"));
    FileSystemItem* sub = child(dir, QStringLiteral("sub"));
    FileSystemItem* x = child(sub, QStringLiteral("x.html"));

    EXPECT_EQ(renameItem(dir, QStringLiteral("new dir")), RenameResult::Renamed);
    EXPECT_EQ(x->fullPath(), at("new dir/sub/x.html"));
    EXPECT_EQ(FileSystemItem::registeredItem(at("new dir/sub/x.html")), x);
    EXPECT_EQ(FileSystemItem::registeredItem(at("dir/sub/x.html")), nullptr);
    refresh();
    EXPECT_EQ(child(child(child(root, QStringLiteral("new dir")), QStringLiteral("sub")),
                    QStringLiteral("x.html")),
              x);
}

TEST_F(RenameTest, NamesWithSpacesAccentsAndLeadingDots) {
    touch(QStringLiteral("b.html"));
    touch(QStringLiteral("c.html"));
    touch(QStringLiteral("d.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    const QString accented = QStringLiteral("caf\u00e9 \u00fcber \u65e5\u672c.html");
    EXPECT_EQ(renameItem(child(root, QStringLiteral("b.html")), QStringLiteral("my page.html")),
              RenameResult::Renamed);
    EXPECT_EQ(renameItem(child(root, QStringLiteral("c.html")), accented), RenameResult::Renamed);
    EXPECT_EQ(renameItem(child(root, QStringLiteral("d.html")), QStringLiteral(".htaccess")),
              RenameResult::Renamed);
    // By code unit: "." before "c", "c" before "m".
    EXPECT_EQ(names(root), (QStringList{".htaccess", accented, "my page.html"}));
    EXPECT_EQ(onDisk(), (QStringList{".htaccess", accented, "my page.html"}));
    EXPECT_TRUE(alerts().isEmpty());
}

TEST_F(RenameTest, UnchangedNameIsNothingToDo) {
    touch(QStringLiteral("a.html"));
    FileSystemItem* a = child(FileSystemItem::rootItem(), QStringLiteral("a.html"));
    EXPECT_EQ(renameItem(a, QStringLiteral("a.html")), RenameResult::Unchanged);
    EXPECT_TRUE(alerts().isEmpty());
    EXPECT_EQ(onDisk(), QStringList{"a.html"});
}

TEST_F(RenameTest, ExistingNamesAreNeverReplaced) {
    ASSERT_TRUE(writeFile(at("a.html"), "A"));
    ASSERT_TRUE(writeFile(at("b.html"), "B"));
    mkdir(QStringLiteral("folder"));
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(at("dangling")).constData()), 0);
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* a = child(root, QStringLiteral("a.html"));
    for (const QString& taken :
         {QStringLiteral("b.html"), QStringLiteral("folder"), QStringLiteral("dangling")}) {
        SCOPED_TRACE(taken.toStdString());
        alerts().clear();
        EXPECT_EQ(renameItem(a, taken), RenameResult::Refused);
        ASSERT_EQ(alerts().size(), 1);
        EXPECT_EQ(alerts()[0].title,
                  QStringLiteral("Can't rename \u2013 file name already exists."));
        EXPECT_EQ(alerts()[0].message, QStringLiteral("Choose a different name."));
        EXPECT_EQ(a->relativePath(), QStringLiteral("a.html"));
    }
    EXPECT_EQ(readFile(at("a.html")), QByteArray("A"));
    EXPECT_EQ(readFile(at("b.html")), QByteArray("B"));
    EXPECT_EQ(names(root), (QStringList{"a.html", "b.html", "folder"}));
}

TEST_F(RenameTest, NamesThatWouldMoveOrBreakTheItemAreRefused) {
    touch(QStringLiteral("a.html"));
    mkdir(QStringLiteral("other"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* a = child(root, QStringLiteral("a.html"));
    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b.html");
    for (const QString& bad :
         {QString(), QStringLiteral("other/a.html"), QStringLiteral("../a.html"),
          QStringLiteral("/tmp/a.html"), nul, QStringLiteral("."), QStringLiteral("..")}) {
        SCOPED_TRACE(bad.toStdString());
        alerts().clear();
        EXPECT_EQ(renameItem(a, bad), RenameResult::Refused);
        ASSERT_EQ(alerts().size(), 1);
        EXPECT_EQ(alerts()[0].title, QStringLiteral("Can't rename."));
        EXPECT_FALSE(alerts()[0].message.isEmpty());
    }
    // Nothing moved anywhere.
    EXPECT_EQ(onDisk(), (QStringList{"a.html", "other"}));
    EXPECT_TRUE(onDisk(QStringLiteral("other")).isEmpty());
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"site"});
    EXPECT_EQ(a->fullPath(), at("a.html"));
}

TEST_F(RenameTest, SiteFolderRowIsNotRenamedHere) {
    FileSystemItem* root = FileSystemItem::rootItem();
    EXPECT_EQ(renameItem(root, QStringLiteral("elsewhere")), RenameResult::Refused);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts()[0].title, QStringLiteral("Can't rename."));
    EXPECT_TRUE(QFileInfo(site).isDir());
    EXPECT_EQ(root->fullPath(), site);
}

TEST_F(RenameTest, UnwritableFolderIsReportedWithTheSystemsReason) {
    QTemporaryDir shared(QStringLiteral("/tmp/morvane-rename-XXXXXX"));
    QString s;
    ASSERT_NO_FATAL_FAILURE(makeUnwritableSite(shared, &s));
    FileSystemItem* a = child(FileSystemItem::rootItem(), QStringLiteral("a.html"));
    ASSERT_NE(a, nullptr);

    expectPassesUnprivileged([&] {
        int failures = 0;
        failures |= renameItem(a, QStringLiteral("b.html")) == RenameResult::Refused ? 0 : 1;
        const auto& shown = RecordingPlatform::current().alerts;
        failures |= shown.size() == 1 && shown[0].title == QStringLiteral("Can't rename.") &&
                            shown[0].message.contains(QStringLiteral("ermission"))
                        ? 0
                        : 2;
        failures |= a->relativePath() == QStringLiteral("a.html") ? 0 : 4;
        return failures;
    });
    EXPECT_TRUE(QFileInfo::exists(s + QStringLiteral("/a.html")));
    ::chmod(QFile::encodeName(s).constData(), 0755);
    ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
}

} // namespace
} // namespace morvane::test
