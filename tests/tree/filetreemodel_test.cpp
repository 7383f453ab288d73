// The outline's model under a real QTreeView (offscreen): lazy listing,
// refresh keeping expanded rows and the selection, renames, icons, the
// change of site.
#include "treefixture.h"

#include "tree/filetreemodel.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTreeView>

#include <memory>

namespace morvane::test {
namespace {

class ModelTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        model = std::make_unique<FileTreeModel>();
        view = std::make_unique<QTreeView>();
        view->setHeaderHidden(true);
        view->setModel(model.get());
        view->resize(300, 600);
        view->show();
    }
    void TearDown() override {
        tester.reset();
        view.reset();
        model.reset();
        TreeTest::TearDown();
    }
    // Checks every signal the model sends from now on; a fault aborts.
    void watchModel() {
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    QStringList rowNames(const QModelIndex& parent) const {
        QStringList out;
        for (int r = 0; r < model->rowCount(parent); ++r)
            out << model->index(r, 0, parent).data().toString();
        return out;
    }
    QModelIndex rowNamed(const QModelIndex& parent, const QString& name) const {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex i = model->index(r, 0, parent);
            if (i.data().toString() == name)
                return i;
        }
        return {};
    }
    // Expands a row the way a click does; the view lists the folder when
    // it lays out its rows.
    void expand(const QModelIndex& index) {
        view->expand(index);
        FileSystemItem* node = model->nodeForIndex(index);
        ASSERT_TRUE(waitUntil([node] { return node->isListed(); }));
    }
    static QImage iconImage(const QVariant& v) { return v.value<QIcon>().pixmap(14, 16).toImage(); }

    std::unique_ptr<FileTreeModel> model;
    std::unique_ptr<QTreeView> view;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(ModelTest, OneTopRowListedOnlyWhenExpanded) {
    mkdir(QStringLiteral("img"));
    touch(QStringLiteral("img/logo.png"));
    touch(QStringLiteral("index.html"));
    model->reset(site);
    ASSERT_EQ(model->rowCount(), 1);
    const QModelIndex root = model->rootIndex();
    EXPECT_EQ(root.data().toString(), QStringLiteral("site"));
    EXPECT_EQ(root.data(FileTreeModel::FullPathRole).toString(), site);
    EXPECT_EQ(model->nodeForIndex(root), FileSystemItem::rootItem());
    EXPECT_TRUE(model->hasChildren(root));
    EXPECT_FALSE(FileSystemItem::rootItem()->isListed());

    expand(root);
    EXPECT_EQ(rowNames(root), (QStringList{"img", "index.html"}));
    const QModelIndex img = rowNamed(root, QStringLiteral("img"));
    EXPECT_TRUE(model->hasChildren(img));
    EXPECT_FALSE(model->hasChildren(rowNamed(root, QStringLiteral("index.html"))));
    EXPECT_FALSE(model->nodeForIndex(img)->isListed());
    expand(img);
    EXPECT_EQ(rowNames(img), QStringList{"logo.png"});
    EXPECT_EQ(model->parent(model->index(0, 0, img)), img);
}

TEST_F(ModelTest, ExcludedNamesAreGreyedOut) {
    for (const char* f : {"index.html", "page.html~", ".git/HEAD", "notes.log"})
        touch(QString::fromUtf8(f));
    model->reset(site);
    model->setExclusions(Exclusions({"*.log"}));
    const QModelIndex root = model->rootIndex();
    expand(root);
    EXPECT_FALSE(root.data(Qt::ForegroundRole).isValid()) << "the site folder itself";
    struct Case {
        const char* name;
        bool grey;
    };
    for (const Case c : {Case{"index.html", false}, Case{"page.html~", true}, Case{".git", true},
                         Case{"notes.log", true}}) {
        const QModelIndex row = rowNamed(root, QString::fromUtf8(c.name));
        ASSERT_TRUE(row.isValid()) << c.name;
        EXPECT_EQ(row.data(Qt::ForegroundRole).isValid(), c.grey) << c.name;
    }
}

TEST_F(ModelTest, RefreshKeepsExpandedRowsAndSelection) {
    for (const char* f :
         {"a.html", "m.html", "z.html", "img/logo.png", "img/old.png", "css/site.css"})
        touch(QString::fromUtf8(f));
    model->reset(site);
    watchModel();
    const QModelIndex root = model->rootIndex();
    expand(root);
    const QPersistentModelIndex img = rowNamed(root, QStringLiteral("img"));
    expand(img);
    const QPersistentModelIndex logo = rowNamed(img, QStringLiteral("logo.png"));
    const QPersistentModelIndex old = rowNamed(img, QStringLiteral("old.png"));
    ASSERT_TRUE(logo.isValid());
    view->selectionModel()->setCurrentIndex(logo, QItemSelectionModel::ClearAndSelect);
    FileSystemItem* logoNode = model->nodeForIndex(logo);

    // Outside the program: files come and go above and beside the
    // selected row.
    touch(QStringLiteral("b.html"));
    touch(QStringLiteral("img/a-first.png"));
    ASSERT_TRUE(QFile::remove(at("a.html")));
    ASSERT_TRUE(QFile::remove(at("img/old.png")));
    ASSERT_TRUE(QDir(at("css")).removeRecursively());
    model->refresh();

    EXPECT_EQ(rowNames(root), (QStringList{"b.html", "img", "m.html", "z.html"}));
    EXPECT_EQ(rowNames(img), (QStringList{"a-first.png", "logo.png"}));
    EXPECT_TRUE(view->isExpanded(root));
    EXPECT_TRUE(view->isExpanded(img));
    EXPECT_FALSE(old.isValid());
    ASSERT_TRUE(logo.isValid());
    EXPECT_EQ(model->nodeForIndex(logo), logoNode);
    EXPECT_EQ(logo.row(), 1);
    const QModelIndexList selected = view->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(model->nodeForIndex(selected.first()), logoNode);
    EXPECT_EQ(view->selectionModel()->currentIndex(), QModelIndex(logo));

    // A refresh with nothing changed moves nothing.
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    model->refresh();
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(removed.count(), 0);
}

TEST_F(ModelTest, ListingAskedForDuringARemovalWaitsForIt) {
    touch(QStringLiteral("gone.html"));
    mkdir(QStringLiteral("later"));
    model->reset(site);
    watchModel();
    const QModelIndex root = model->rootIndex();
    expand(root);
    FileSystemItem* later = model->nodeForIndex(rowNamed(root, QStringLiteral("later")));
    ASSERT_EQ(later->numberOfChildren(), 0);
    // Like a selection handler that looks into a folder while the selected
    // row is being removed: a listing started there would announce rows in
    // the middle of the removal.
    int seen = -2;
    QObject::connect(model.get(), &QAbstractItemModel::rowsAboutToBeRemoved, model.get(),
                     [&] { seen = later->numberOfChildren(); });
    touch(QStringLiteral("later/inside.html"));
    ASSERT_TRUE(QFile::remove(at("gone.html")));
    model->refresh();
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(later->numberOfChildren(), 1);
    EXPECT_EQ(rowNames(model->indexForNode(later)), QStringList{"inside.html"});
}

TEST_F(ModelTest, SiteFolderRemovedAndBack) {
    touch(QStringLiteral("a.html"));
    model->reset(site);
    watchModel();
    expand(model->rootIndex());
    ASSERT_EQ(model->rowCount(model->rootIndex()), 1);
    const QString aside = tmp.path() + QStringLiteral("/aside");
    ASSERT_TRUE(QDir().rename(site, aside));
    model->refresh();
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->rowCount(model->rootIndex()), 0);
    EXPECT_FALSE(model->hasChildren(model->rootIndex()));
    ASSERT_TRUE(QDir().rename(aside, site));
    model->refresh();
    EXPECT_EQ(rowNames(model->rootIndex()), QStringList{"a.html"});
}

TEST_F(ModelTest, RenameMovesTheRowAndKeepsItSelected) {
    for (const char* f : {"b.html", "d.html", "f.html"})
        touch(QString::fromUtf8(f));
    model->reset(site);
    watchModel();
    const QModelIndex root = model->rootIndex();
    expand(root);
    const QPersistentModelIndex b = rowNamed(root, QStringLiteral("b.html"));
    view->selectionModel()->setCurrentIndex(b, QItemSelectionModel::ClearAndSelect);
    FileSystemItem* node = model->nodeForIndex(b);
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);

    model->setRenameHandler([](FileSystemItem* item, const QString& name) {
        if (!QFile::rename(item->fullPath(), item->parent()->fullPath() + QLatin1Char('/') + name))
            return false;
        item->changeName(name);
        return true;
    });
    ASSERT_TRUE(model->setData(b, QStringLiteral("e.html")));
    EXPECT_EQ(rowNames(root), (QStringList{"d.html", "e.html", "f.html"}));
    EXPECT_EQ(b.row(), 1);
    EXPECT_EQ(b.data().toString(), QStringLiteral("e.html"));
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(model->nodeForIndex(view->selectionModel()->currentIndex()), node);

    node->changeName(QStringLiteral("a.html"));
    EXPECT_EQ(b.row(), 0);
    node->changeName(QStringLiteral("z.html"));
    EXPECT_EQ(b.row(), 2);
    EXPECT_EQ(model->indexForNode(node), QModelIndex(b));
}

TEST_F(ModelTest, IconsFollowTypeAndUploadMark) {
    mkdir(QStringLiteral("folder"));
    touch(QStringLiteral("page.html"));
    touch(QStringLiteral("saved.html"));
    QStringList marked{at("saved.html")};
    model->setMarkedTest([&marked](const QString& path) { return marked.contains(path); });
    model->reset(site);
    expand(model->rootIndex());
    const QModelIndex root = model->rootIndex();
    const QImage folderIcon = iconImage(QIcon(QStringLiteral(":/Morvane/icons/FolderIcon.png")));
    const QImage fileIcon = iconImage(QIcon(QStringLiteral(":/Morvane/icons/FileIcon-14x16.png")));
    const QImage uploadIcon =
        iconImage(QIcon(QStringLiteral(":/Morvane/icons/FileIconUpload-14x16.png")));
    ASSERT_FALSE(folderIcon.isNull());
    ASSERT_FALSE(fileIcon.isNull());
    ASSERT_NE(fileIcon, uploadIcon);

    EXPECT_EQ(iconImage(root.data(Qt::DecorationRole)), folderIcon);
    EXPECT_EQ(iconImage(rowNamed(root, QStringLiteral("folder")).data(Qt::DecorationRole)),
              folderIcon);
    EXPECT_EQ(iconImage(rowNamed(root, QStringLiteral("page.html")).data(Qt::DecorationRole)),
              fileIcon);
    EXPECT_EQ(iconImage(rowNamed(root, QStringLiteral("saved.html")).data(Qt::DecorationRole)),
              uploadIcon);

    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    marked = QStringList{at("page.html")};
    model->markChanged(at("page.html"));
    model->markChanged(at("saved.html"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(iconImage(rowNamed(root, QStringLiteral("page.html")).data(Qt::DecorationRole)),
              uploadIcon);
    EXPECT_EQ(iconImage(rowNamed(root, QStringLiteral("saved.html")).data(Qt::DecorationRole)),
              fileIcon);

    // After a change to the whole record (an upload finished), exactly the
    // shown rows whose mark flipped are repainted.
    changed.clear();
    marked.clear();
    model->marksChanged();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.first().at(0).toModelIndex(), rowNamed(root, QStringLiteral("page.html")));
    EXPECT_EQ(iconImage(rowNamed(root, QStringLiteral("page.html")).data(Qt::DecorationRole)),
              fileIcon);
    // A refresh picks up marks changed without telling the model.
    marked = QStringList{at("saved.html")};
    changed.clear();
    model->refresh();
    bool savedRepainted = false;
    for (const auto& args : changed)
        savedRepainted |= args.at(0).toModelIndex() == rowNamed(root, QStringLiteral("saved.html"));
    EXPECT_TRUE(savedRepainted);
}

TEST_F(ModelTest, IndexForPathListsTheWayDown) {
    touch(QStringLiteral("a/b/c/deep.html"));
    touch(QStringLiteral("a/top.html"));
    model->reset(site);
    watchModel();
    const QModelIndex deep = model->indexForPath(at("a/b/c/deep.html"));
    ASSERT_TRUE(deep.isValid());
    EXPECT_EQ(deep.data().toString(), QStringLiteral("deep.html"));
    EXPECT_EQ(deep.parent().parent().parent().data().toString(), QStringLiteral("a"));
    EXPECT_EQ(model->indexForPath(site + QStringLiteral("/")), model->rootIndex());
    EXPECT_EQ(model->indexForPath(at("a//b/")).data().toString(), QStringLiteral("b"));
    EXPECT_FALSE(model->indexForPath(at("a/missing.html")).isValid());
    EXPECT_FALSE(model->indexForPath(at("a/top.html/x")).isValid());
    EXPECT_FALSE(model->indexForPath(site + QStringLiteral("-other/a")).isValid());
    EXPECT_FALSE(model->indexForPath(QString()).isValid());
}

TEST_F(ModelTest, ResetForANewSite) {
    touch(QStringLiteral("one.html"));
    const QString other = tmp.path() + QStringLiteral("/other site");
    ASSERT_TRUE(writeFile(other + QStringLiteral("/two.html"), "2"));
    model->reset(site);
    watchModel();
    expand(model->rootIndex());
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    // (The tester's own checks after a reset fetch rows while it still
    // counts the reset as in flight, so it watches again afterwards.)
    tester.reset();
    model->reset(other);
    watchModel();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model->rootIndex().data().toString(), QStringLiteral("other site"));
    expand(model->rootIndex());
    EXPECT_EQ(rowNames(model->rootIndex()), QStringList{"two.html"});
}

} // namespace
} // namespace morvane::test
