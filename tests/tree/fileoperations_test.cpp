// New file and new folder: where they go, the names they get, what is
// written, and what happens when the disk refuses.
#include "core/encoding.h"
#include "treefixture.h"

#include "recordingplatform.h"
#include "tree/directoryreader.h"
#include "tree/fileoperations.h"

#include <QFileInfo>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvane::test {
namespace {

class NewItemTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        RecordingPlatform::current().clear();
    }
    QList<RecordedAlert>& alerts() { return RecordingPlatform::current().alerts; }
};

TEST_F(NewItemTest, PageGoesNextToTheSelectedFileOrIntoTheSelectedFolder) {
    touch(QStringLiteral("f/existing.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* folder = child(root, QStringLiteral("f"));
    FileSystemItem* file = child(folder, QStringLiteral("existing.html"));

    FileSystemItem* first = newFileOrFolder(file, NewItemType::File, NewItemName::Untitled);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->fullPath(), at("f/untitled.html"));
    EXPECT_EQ(first->parent(), folder);
    EXPECT_EQ(readFile(at("f/untitled.html")), newPageTemplate());
    EXPECT_EQ(names(folder), (QStringList{"existing.html", "untitled.html"}));
    EXPECT_EQ(FileSystemItem::registeredItem(at("f/untitled.html")), first);

    FileSystemItem* second = newFileOrFolder(folder, NewItemType::File, NewItemName::Untitled);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->fullPath(), at("f/untitled-2.html"));
    EXPECT_EQ(names(folder), (QStringList{"existing.html", "untitled-2.html", "untitled.html"}));

    // With nothing selected, the site folder.
    FileSystemItem* top = newFileOrFolder(nullptr, NewItemType::File, NewItemName::Untitled);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->fullPath(), at("untitled.html"));
    EXPECT_TRUE(alerts().isEmpty());

    // A refresh finds the same nodes rather than making new ones.
    FileSystemItem::setAllInvalid();
    EXPECT_EQ(child(folder, QStringLiteral("untitled.html")), first);
    EXPECT_EQ(folder->numberOfChildren(), 3);
}

TEST_F(NewItemTest, TemplateBytesAndReadablePermissions) {
    EXPECT_EQ(newPageTemplate(),
              QByteArray("<!DOCTYPE html>\n<html>\n<head>\n    <meta charset=\"utf-8\">\n"
                         "    <title>[title goes here]</title>\n"
                         "</head>\n<body>\n[body goes here]\n</body>\n</html>"));
    // The page says it is UTF-8, so that a browser (and this editor) never
    // guesses another encoding for what the user types into it.
    const auto declared = encoding::findDeclaredCharset(QString::fromUtf8(newPageTemplate()));
    ASSERT_TRUE(declared.has_value());
    EXPECT_EQ(encoding::canonicalName(declared->label), encoding::kUtf8);
    FileSystemItem* node = newFileOrFolder(nullptr, NewItemType::File, NewItemName::IndexFirst);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->relativePath(), QStringLiteral("index.html"));
    // A page must be readable by the local web server, like any file the
    // user makes.
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(node->fullPath()).constData(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(NewItemTest, NamesCountUpAndNeverReplaceAnything) {
    touch(QStringLiteral("untitled.html"));
    touch(QStringLiteral("untitled-2.html"));
    EXPECT_EQ(newItemName(site, NewItemType::File, NewItemName::Untitled),
              QStringLiteral("untitled-3.html"));
    EXPECT_EQ(newItemName(site, NewItemType::Folder, NewItemName::Untitled),
              QStringLiteral("untitled folder"));
    mkdir(QStringLiteral("untitled folder"));
    EXPECT_EQ(newItemName(site, NewItemType::Folder, NewItemName::Untitled),
              QStringLiteral("untitled-2 folder"));
    EXPECT_EQ(newItemName(site, NewItemType::File, NewItemName::IndexFirst),
              QStringLiteral("index.html"));
    touch(QStringLiteral("index.html"));
    // An index request goes on with the untitled names.
    EXPECT_EQ(newItemName(site, NewItemType::File, NewItemName::IndexFirst),
              QStringLiteral("untitled-3.html"));
    // A link that leads nowhere still occupies its name.
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(at("untitled-3.html")).constData()), 0);
    EXPECT_EQ(newItemName(site, NewItemType::File, NewItemName::Untitled),
              QStringLiteral("untitled-4.html"));
}

TEST_F(NewItemTest, AllNamesTakenIsSaidAndChangesNothing) {
    touch(QStringLiteral("untitled.html"));
    for (int i = 2; i <= 99; ++i)
        touch(QStringLiteral("untitled-%1.html").arg(i));
    mkdir(QStringLiteral("untitled folder"));
    for (int i = 2; i <= 99; ++i)
        mkdir(QStringLiteral("untitled-%1 folder").arg(i));
    FileSystemItem* root = FileSystemItem::rootItem();
    const int before = root->numberOfChildren();
    EXPECT_EQ(newFileOrFolder(root, NewItemType::File, NewItemName::Untitled), nullptr);
    EXPECT_EQ(newFileOrFolder(root, NewItemType::Folder, NewItemName::Untitled), nullptr);
    EXPECT_EQ(root->numberOfChildren(), before);
    ASSERT_EQ(alerts().size(), 2);
    EXPECT_EQ(alerts()[0].title, QStringLiteral("Can't make a new file."));
    EXPECT_TRUE(alerts()[0].message.contains(QStringLiteral("untitled-99.html")));
    EXPECT_EQ(alerts()[1].title, QStringLiteral("Can't make a new folder."));
    EXPECT_EQ(QDir(site).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), before);
}

TEST_F(NewItemTest, FoldersAreMadeAndListed) {
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* a = newFileOrFolder(root, NewItemType::Folder, NewItemName::Untitled);
    FileSystemItem* b = newFileOrFolder(root, NewItemType::Folder, NewItemName::Untitled);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(names(root), (QStringList{"untitled folder", "untitled-2 folder"}));
    EXPECT_TRUE(QFileInfo(at("untitled folder")).isDir());
    EXPECT_EQ(a->numberOfChildren(), 0);
    // A new page inside the new folder.
    FileSystemItem* page = newFileOrFolder(a, NewItemType::File, NewItemName::Untitled);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->fullPath(), at("untitled folder/untitled.html"));
}

TEST_F(NewItemTest, FailedWriteIsReportedAndAddsNoNode) {
    touch(QStringLiteral("f/existing.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* folder = child(root, QStringLiteral("f"));
    ASSERT_EQ(folder->numberOfChildren(), 1);
    // The folder vanishes behind the tree's back: the write cannot succeed.
    ASSERT_TRUE(QDir(at("f")).removeRecursively());

    EXPECT_EQ(newFileOrFolder(folder, NewItemType::File, NewItemName::Untitled), nullptr);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts().first().title, QStringLiteral("Error writing file."));
    EXPECT_FALSE(alerts().first().message.isEmpty());
    EXPECT_EQ(names(folder), QStringList{"existing.html"});
    EXPECT_EQ(FileSystemItem::registeredItem(at("f/untitled.html")), nullptr);

    // A folder inside a folder that has meanwhile been replaced by a file.
    mkdir(QStringLiteral("blocker"));
    FileSystemItem::setAllInvalid();
    FileSystemItem* blocker = child(root, QStringLiteral("blocker"));
    ASSERT_EQ(blocker->numberOfChildren(), 0);
    ASSERT_TRUE(QDir(at("blocker")).removeRecursively());
    touch(QStringLiteral("blocker"));
    alerts().clear();
    EXPECT_EQ(newFileOrFolder(blocker, NewItemType::Folder, NewItemName::Untitled), nullptr);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts().first().title, QStringLiteral("Error creating folder."));
    EXPECT_FALSE(alerts().first().message.isEmpty());
    EXPECT_EQ(readFile(at("blocker")), QByteArray("x"));
}

TEST_F(NewItemTest, UnwritableFolderIsReported) {
    // Permissions do not stop the superuser, so an unprivileged child
    // process makes the attempt when the tests run as root.
    QTemporaryDir shared(QStringLiteral("/tmp/morvane-tree-XXXXXX"));
    QString s;
    ASSERT_NO_FATAL_FAILURE(makeUnwritableSite(shared, &s));
    FileSystemItem* root = FileSystemItem::rootItem();
    ASSERT_EQ(root->numberOfChildren(), 1);

    expectPassesUnprivileged([&] {
        int failures = 0;
        failures |=
            newFileOrFolder(root, NewItemType::File, NewItemName::Untitled) == nullptr ? 0 : 1;
        failures |=
            newFileOrFolder(root, NewItemType::Folder, NewItemName::Untitled) == nullptr ? 0 : 2;
        const auto& shown = RecordingPlatform::current().alerts;
        failures |= shown.size() == 2 && shown[0].title == QStringLiteral("Error writing file.") &&
                            shown[0].message.contains(QStringLiteral("ermission")) &&
                            shown[1].title == QStringLiteral("Error creating folder.")
                        ? 0
                        : 4;
        failures |= root->numberOfChildren() == 1 ? 0 : 8;
        return failures;
    });
    EXPECT_EQ(QDir(s).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{"a.html"});
    ::chmod(QFile::encodeName(s).constData(), 0755);
    ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
}

TEST_F(NewItemTest, MissingSiteFolderNeverWritesOutsideIt) {
    const QString missing = tmp.path() + QStringLiteral("/gone");
    FileSystemItem::setRootPath(missing);
    FileSystemItem::deleteAll();
    FileSystemItem* root = FileSystemItem::rootItem();
    ASSERT_EQ(root->numberOfChildren(), -1);

    EXPECT_EQ(newFileOrFolder(root, NewItemType::File, NewItemName::Untitled), nullptr);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_EQ(alerts().first().title, QStringLiteral("Error writing file."));
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + QStringLiteral("/untitled.html")));

    // A new folder makes the site folder too, and the tree then lists it.
    FileSystemItem* made = newFileOrFolder(root, NewItemType::Folder, NewItemName::Untitled);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->fullPath(), missing + QStringLiteral("/untitled folder"));
    EXPECT_TRUE(QFileInfo(made->fullPath()).isDir());
    EXPECT_EQ(names(root), QStringList{"untitled folder"});
}

TEST_F(NewItemTest, RemovedNodeGetsNothing) {
    touch(QStringLiteral("f/a.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* folder = child(root, QStringLiteral("f"));
    ASSERT_TRUE(QDir(at("f")).removeRecursively());
    FileSystemItem::setAllInvalid();
    ASSERT_EQ(root->numberOfChildren(), 0);
    EXPECT_EQ(newFileOrFolder(folder, NewItemType::File, NewItemName::Untitled), nullptr);
    EXPECT_FALSE(QFileInfo::exists(at("f")));
    EXPECT_TRUE(alerts().isEmpty());
}

} // namespace
} // namespace morvane::test
