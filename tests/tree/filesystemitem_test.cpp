// The site file tree: listing and its order, identity across refreshes, the
// registry after renames and removals, and bad input on the disk.
#include "treefixture.h"

#include "tree/directoryreader.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvane::test {
namespace {

using Tree = TreeTest;

TEST_F(Tree, ListsByCodeUnitOrderAndSkipsOnlyPlatformClutter) {
    for (const char* name :
         {"b.html", "A.css", ".DS_Store", ".htaccess", ".localized", ".ds_store", "Zeta.html",
          "alpha.html", "index2.html", "index.html", "untitled.html", "untitled-2.html"})
        touch(QString::fromUtf8(name));
    mkdir(QStringLiteral("img"));
    mkdir(QStringLiteral("untitled folder"));

    FileSystemItem* root = FileSystemItem::rootItem();
    EXPECT_EQ(root->relativePath(), QStringLiteral("site"));
    EXPECT_EQ(names(root), (QStringList{".ds_store", ".htaccess", "A.css", "Zeta.html",
                                        "alpha.html", "b.html", "img", "index.html", "index2.html",
                                        "untitled folder", "untitled-2.html", "untitled.html"}));
}

TEST_F(Tree, SortsByUtf16CodeUnitsNotCodePoints) {
    // U+FF01 is one code unit 0xFF01; U+1F600 is the surrogate pair
    // 0xD83D 0xDE00, so by code unit it comes first.
    const QString fullwidth = QString(QChar(0xFF01)) + QStringLiteral(".html");
    const QString emoji = QString::fromUcs4(U"\U0001F600.html");
    const QString eAcute = QString::fromUtf8("\xC3\xA9.html");
    touch(fullwidth);
    touch(emoji);
    touch(eAcute);
    touch(QStringLiteral("z.html"));
    EXPECT_EQ(names(FileSystemItem::rootItem()), (QStringList{"z.html", eAcute, emoji, fullwidth}));
}

TEST_F(Tree, FoldersHaveCountsFilesHaveMinusOne) {
    mkdir(QStringLiteral("empty"));
    touch(QStringLiteral("page.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    EXPECT_EQ(root->numberOfChildren(), 2);
    EXPECT_EQ(child(root, QStringLiteral("empty"))->numberOfChildren(), 0);
    EXPECT_EQ(child(root, QStringLiteral("page.html"))->numberOfChildren(), -1);
    EXPECT_EQ(root->childAtIndex(1)->relativePath(), QStringLiteral("page.html"));
    EXPECT_EQ(root->childAtIndex(2), nullptr);
    EXPECT_EQ(child(root, QStringLiteral("page.html"))->fullPath(), at("page.html"));
}

TEST_F(Tree, RefreshKeepsNodesAndFollowsTheDisk) {
    touch(QStringLiteral("a.html"));
    touch(QStringLiteral("c.html"));
    mkdir(QStringLiteral("sub"));
    touch(QStringLiteral("sub/inner.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* a = child(root, QStringLiteral("a.html"));
    FileSystemItem* c = child(root, QStringLiteral("c.html"));
    FileSystemItem* sub = child(root, QStringLiteral("sub"));
    FileSystemItem* inner = child(sub, QStringLiteral("inner.html"));

    // Nothing is read again until the tree is marked invalid.
    touch(QStringLiteral("b.html"));
    EXPECT_EQ(names(root), (QStringList{"a.html", "c.html", "sub"}));

    refresh();
    EXPECT_EQ(names(root), (QStringList{"a.html", "b.html", "c.html", "sub"}));
    EXPECT_EQ(root->childAtIndex(0), a);
    EXPECT_EQ(root->childAtIndex(2), c);
    EXPECT_EQ(root->childAtIndex(3), sub);
    EXPECT_EQ(child(sub, QStringLiteral("inner.html")), inner);

    ASSERT_TRUE(QFile::remove(at("c.html")));
    ASSERT_TRUE(QDir(at("sub")).removeRecursively());
    refresh();
    EXPECT_EQ(names(root), (QStringList{"a.html", "b.html"}));
    // Removed nodes stay alive for whoever holds them, keep their last
    // state, and are no longer found by path.
    EXPECT_EQ(c->relativePath(), QStringLiteral("c.html"));
    EXPECT_FALSE(c->isAttached());
    EXPECT_EQ(inner->fullPath(), at("sub/inner.html"));
    EXPECT_EQ(sub->numberOfChildren(), 1);
    EXPECT_EQ(FileSystemItem::registeredItem(at("c.html")), nullptr);
    EXPECT_EQ(FileSystemItem::registeredItem(at("sub/inner.html")), nullptr);
    EXPECT_EQ(FileSystemItem::registeredItem(at("a.html")), a);

    // Made again: a fresh node, and never the old one twice.
    touch(QStringLiteral("c.html"));
    refresh();
    FileSystemItem* c2 = child(root, QStringLiteral("c.html"));
    ASSERT_NE(c2, nullptr);
    EXPECT_NE(c2, c);
    EXPECT_EQ(names(root), (QStringList{"a.html", "b.html", "c.html"}));
}

TEST_F(Tree, TypeChangesGiveFreshNodes) {
    touch(QStringLiteral("x"));
    mkdir(QStringLiteral("y"));
    touch(QStringLiteral("y/in.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* x = child(root, QStringLiteral("x"));
    FileSystemItem* y = child(root, QStringLiteral("y"));
    ASSERT_EQ(x->numberOfChildren(), -1);
    ASSERT_EQ(y->numberOfChildren(), 1);

    ASSERT_TRUE(QFile::remove(at("x")));
    mkdir(QStringLiteral("x"));
    touch(QStringLiteral("x/new.html"));
    ASSERT_TRUE(QDir(at("y")).removeRecursively());
    touch(QStringLiteral("y"));
    refresh();
    FileSystemItem* x2 = child(root, QStringLiteral("x"));
    FileSystemItem* y2 = child(root, QStringLiteral("y"));
    EXPECT_EQ(x2->numberOfChildren(), 1);
    EXPECT_EQ(y2->numberOfChildren(), -1);
    EXPECT_EQ(names(root), (QStringList{"x", "y"}));

    // A file node asked directly, without its folder being read again, gets
    // a real list once its path has become a folder.
    touch(QStringLiteral("z"));
    refresh();
    FileSystemItem* z = child(root, QStringLiteral("z"));
    ASSERT_NE(z, nullptr);
    ASSERT_EQ(z->numberOfChildren(), -1);
    ASSERT_TRUE(QFile::remove(at("z")));
    mkdir(QStringLiteral("z"));
    touch(QStringLiteral("z/one"));
    z->setInvalid();
    EXPECT_EQ(z->numberOfChildren(), 1);
    EXPECT_EQ(z->childAtIndex(0)->fullPath(), at("z/one"));
}

TEST_F(Tree, RenameMovesNodePathsAndRegistry) {
    for (const char* name : {"b.html", "d.html", "f.html"})
        touch(QString::fromUtf8(name));
    mkdir(QStringLiteral("c"));
    touch(QStringLiteral("c/deep.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* folder = child(root, QStringLiteral("c"));
    FileSystemItem* deep = child(folder, QStringLiteral("deep.html"));

    ASSERT_TRUE(QDir(site).rename(QStringLiteral("c"), QStringLiteral("e")));
    folder->changeName(QStringLiteral("e"));
    EXPECT_EQ(names(root), (QStringList{"b.html", "d.html", "e", "f.html"}));
    EXPECT_EQ(deep->fullPath(), at("e/deep.html"));
    EXPECT_EQ(FileSystemItem::registeredItem(at("e/deep.html")), deep);
    EXPECT_EQ(FileSystemItem::registeredItem(at("c/deep.html")), nullptr);
    EXPECT_EQ(FileSystemItem::registeredItem(at("e")), folder);

    folder->changeName(QStringLiteral("a"));
    ASSERT_TRUE(QDir(site).rename(QStringLiteral("e"), QStringLiteral("a")));
    EXPECT_EQ(names(root), (QStringList{"a", "b.html", "d.html", "f.html"}));

    // Something new at the old name later is a different node; the renamed
    // node keeps its identity and appears once.
    mkdir(QStringLiteral("c"));
    refresh();
    EXPECT_EQ(names(root), (QStringList{"a", "b.html", "c", "d.html", "f.html"}));
    EXPECT_EQ(child(root, QStringLiteral("a")), folder);
    EXPECT_NE(child(root, QStringLiteral("c")), folder);
    EXPECT_EQ(child(folder, QStringLiteral("deep.html")), deep);
}

TEST_F(Tree, RenameOntoAStaleSiblingLeavesOneNode) {
    touch(QStringLiteral("a.html"));
    touch(QStringLiteral("b.html"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* a = child(root, QStringLiteral("a.html"));
    FileSystemItem* b = child(root, QStringLiteral("b.html"));
    // b.html was deleted outside; a.html is then renamed to it.
    ASSERT_TRUE(QFile::remove(at("b.html")));
    ASSERT_TRUE(QFile::rename(at("a.html"), at("b.html")));
    a->changeName(QStringLiteral("b.html"));
    EXPECT_EQ(names(root), QStringList{"b.html"});
    EXPECT_EQ(root->childAtIndex(0), a);
    EXPECT_FALSE(b->isAttached());
    EXPECT_EQ(FileSystemItem::registeredItem(at("b.html")), a);
    refresh();
    EXPECT_EQ(names(root), QStringList{"b.html"});
    EXPECT_EQ(root->childAtIndex(0), a);
}

TEST_F(Tree, AddChildOnlyIntoListedFolders) {
    touch(QStringLiteral("page.html"));
    mkdir(QStringLiteral("unlisted"));
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* page = child(root, QStringLiteral("page.html"));
    ASSERT_EQ(page->numberOfChildren(), -1);
    EXPECT_EQ(page->addChild(std::make_unique<FileSystemItem>(at("page.html/x"), page)), nullptr);
    EXPECT_EQ(page->numberOfChildren(), -1);

    FileSystemItem* unlisted = root->listedChildNamed(QStringLiteral("unlisted"));
    ASSERT_FALSE(unlisted->isListed());
    EXPECT_EQ(unlisted->addChild(std::make_unique<FileSystemItem>(at("unlisted/x"), unlisted)),
              nullptr);

    touch(QStringLiteral("new.html"));
    FileSystemItem* added = root->addChild(std::make_unique<FileSystemItem>(at("new.html"), root));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(names(root), (QStringList{"new.html", "page.html", "unlisted"}));
    EXPECT_EQ(FileSystemItem::registeredItem(at("new.html")), added);
    EXPECT_EQ(added->fullPath(), at("new.html"));
    // The next listing keeps the added node instead of making another.
    refresh();
    EXPECT_EQ(child(root, QStringLiteral("new.html")), added);
    EXPECT_EQ(root->numberOfChildren(), 3);
    // Adding a name the list already has hands back the node it has.
    EXPECT_EQ(root->addChild(std::make_unique<FileSystemItem>(at("new.html"), root)), added);
    EXPECT_EQ(root->numberOfChildren(), 3);
}

TEST_F(Tree, RootPathWithTrailingSlash) {
    touch(QStringLiteral("a.html"));
    FileSystemItem::setRootPath(site + QStringLiteral("/"));
    FileSystemItem::deleteAll();
    FileSystemItem* root = FileSystemItem::rootItem();
    EXPECT_EQ(root->relativePath(), QStringLiteral("site"));
    EXPECT_EQ(root->fullPath(), site + QStringLiteral("/"));
    EXPECT_EQ(child(root, QStringLiteral("a.html"))->fullPath(), at("a.html"));
    EXPECT_EQ(parentPath(QStringLiteral("/site/")), QStringLiteral("/"));

    // The file system root as a site: no node is its own parent, and paths
    // below it have a single slash.
    FileSystemItem::setRootPath(QStringLiteral("/"));
    FileSystemItem::deleteAll();
    root = FileSystemItem::rootItem();
    EXPECT_EQ(root->relativePath(), QStringLiteral("/"));
    EXPECT_EQ(root->parent(), nullptr);
    ASSERT_GT(root->numberOfChildren(), 0);
    EXPECT_TRUE(QFileInfo::exists(root->childAtIndex(0)->fullPath()));
    EXPECT_FALSE(root->childAtIndex(0)->fullPath().startsWith(QStringLiteral("//")));
}

TEST_F(Tree, DeleteAllMakesANewRootForTheNewSite) {
    FileSystemItem* old = FileSystemItem::rootItem();
    EXPECT_EQ(FileSystemItem::rootItem(), old);
    const QString other = tmp.path() + QStringLiteral("/other");
    ASSERT_TRUE(writeFile(other + QStringLiteral("/o.html"), "o"));
    FileSystemItem::setRootPath(other);
    FileSystemItem::deleteAll();
    FileSystemItem* root = FileSystemItem::rootItem();
    EXPECT_EQ(root->relativePath(), QStringLiteral("other"));
    EXPECT_EQ(names(root), QStringList{"o.html"});
    EXPECT_EQ(FileSystemItem::registeredItem(site), nullptr);
}

TEST_F(Tree, MissingOrFileSiteFolderIsOneUnexpandableRow) {
    FileSystemItem::setRootPath(tmp.path() + QStringLiteral("/nowhere"));
    FileSystemItem::deleteAll();
    FileSystemItem* root = FileSystemItem::rootItem();
    EXPECT_EQ(root->relativePath(), QStringLiteral("nowhere"));
    EXPECT_EQ(root->numberOfChildren(), -1);
    EXPECT_EQ(root->addChild(std::make_unique<FileSystemItem>(QStringLiteral("x"), root)), nullptr);

    // The folder appears later: a refresh lists it.
    ASSERT_TRUE(writeFile(tmp.path() + QStringLiteral("/nowhere/in.html"), "i"));
    refresh();
    EXPECT_EQ(names(root), QStringList{"in.html"});

    ASSERT_TRUE(writeFile(tmp.path() + QStringLiteral("/plain"), "not a folder"));
    FileSystemItem::setRootPath(tmp.path() + QStringLiteral("/plain"));
    FileSystemItem::deleteAll();
    EXPECT_EQ(FileSystemItem::rootItem()->numberOfChildren(), -1);
    EXPECT_FALSE(FileSystemItem::rootItem()->looksLikeFolder());
    EXPECT_EQ(readFile(tmp.path() + QStringLiteral("/plain")), QByteArray("not a folder"));
}

TEST_F(Tree, AwkwardNamesAreListedAndAddressable) {
    const QStringList awkward{QStringLiteral("with space.html"),
                              QString::fromUtf8("\xC3\xBC\xC3\xB1\xC3\xAF\xE2\x82\xAC.html"),
                              QStringLiteral("line\nbreak.html"), QStringLiteral(" lead"),
                              QStringLiteral("tab\there")};
    for (const QString& name : awkward)
        touch(name);
    // Bytes that are not UTF-8 cannot be addressed through a QString path;
    // such an entry is left out and everything else still lists.
    const QByteArray bad = QFile::encodeName(site) + "/\xff\xfe.html";
    const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);

    FileSystemItem* root = FileSystemItem::rootItem();
    const QStringList listed = names(root);
    EXPECT_EQ(listed.size(), awkward.size());
    for (const QString& name : awkward) {
        FileSystemItem* node = child(root, name);
        ASSERT_NE(node, nullptr) << name.toStdString();
        EXPECT_TRUE(QFileInfo::exists(node->fullPath())) << name.toStdString();
        EXPECT_EQ(node->numberOfChildren(), -1);
    }
    ::unlink(bad.constData());
}

TEST_F(Tree, LinksLoopsAndDanglingLinks) {
    touch(QStringLiteral("real.html"));
    ASSERT_EQ(::symlink(".", QFile::encodeName(at("loop")).constData()), 0);
    ASSERT_EQ(::symlink("self", QFile::encodeName(at("self")).constData()), 0);
    ASSERT_EQ(::symlink("missing", QFile::encodeName(at("dead")).constData()), 0);
    ASSERT_EQ(::symlink("real.html", QFile::encodeName(at("alias.html")).constData()), 0);

    FileSystemItem* root = FileSystemItem::rootItem();
    EXPECT_EQ(names(root), (QStringList{"alias.html", "loop", "real.html"}));
    // The loop lists lazily, as deep as asked and no deeper.
    FileSystemItem* node = root;
    for (int depth = 0; depth < 20; ++depth) {
        node = child(node, QStringLiteral("loop"));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->numberOfChildren(), 3);
    }
    EXPECT_FALSE(node->listedChildNamed(QStringLiteral("loop"))->isListed());
    refresh();
    EXPECT_EQ(root->numberOfChildren(), 3);
    EXPECT_EQ(child(root, QStringLiteral("alias.html"))->numberOfChildren(), -1);
}

TEST_F(Tree, UnreadableFoldersAndFiles) {
    // Permissions do not stop the superuser, so the reading is done by an
    // unprivileged child process when the tests run as root.
    QTemporaryDir shared(QStringLiteral("/tmp/morvane-tree-XXXXXX"));
    ASSERT_TRUE(shared.isValid());
    const QString s = shared.path() + QStringLiteral("/site");
    ASSERT_TRUE(writeFile(s + QStringLiteral("/locked/kept.html"), "k"));
    ASSERT_TRUE(writeFile(s + QStringLiteral("/locked/gone.html"), "g"));
    ASSERT_TRUE(writeFile(s + QStringLiteral("/secret.html"), "s"));
    ASSERT_TRUE(writeFile(s + QStringLiteral("/never/inside.html"), "n"));
    const auto setMode = [](const QString& p, mode_t mode) {
        return ::chmod(QFile::encodeName(p).constData(), mode) == 0;
    };
    for (const QString& p : {shared.path(), s, s + QStringLiteral("/locked")})
        ASSERT_TRUE(setMode(p, 0755));

    FileSystemItem::setRootPath(s);
    FileSystemItem::deleteAll();
    FileSystemItem* root = FileSystemItem::rootItem();
    FileSystemItem* locked = child(root, QStringLiteral("locked"));
    ASSERT_EQ(names(locked), (QStringList{"gone.html", "kept.html"}));

    // Then the folder becomes unreadable (but still searchable) and one of
    // its files goes; another folder and a file were never readable.
    ASSERT_TRUE(QFile::remove(s + QStringLiteral("/locked/gone.html")));
    ASSERT_TRUE(setMode(s + QStringLiteral("/locked"), 0311));
    ASSERT_TRUE(setMode(s + QStringLiteral("/never"), 0311));
    ASSERT_TRUE(setMode(s + QStringLiteral("/secret.html"), 0));

    expectPassesUnprivileged([&] {
        int failures = 0;
        FileSystemItem::setAllInvalid();
        // Listed before: keeps the children that still exist.
        failures |= locked->numberOfChildren() == 1 &&
                            locked->childAtIndex(0)->relativePath() == QStringLiteral("kept.html")
                        ? 0
                        : 1;
        // An unreadable file is listed like any other.
        failures |=
            root->numberOfChildren() == 3 && root->listedChildNamed(QStringLiteral("secret.html"))
                ? 0
                : 2;
        // A folder read for the first time while unreadable shows nothing.
        FileSystemItem* never = root->listedChildNamed(QStringLiteral("never"));
        failures |= never && never->numberOfChildren() == 0 ? 0 : 4;
        return failures;
    });

    setMode(s + QStringLiteral("/locked"), 0755);
    setMode(s + QStringLiteral("/never"), 0755);
}

} // namespace
} // namespace morvane::test
