// The outline follows the disk without a manual refresh: files made, removed
// or renamed by another program appear or go, the selection and the expanded
// folders stay, and a burst of changes is one refresh.
#include "treefixture.h"

#include "core/textfile.h"
#include "tree/filetreemodel.h"
#include "tree/folderwatcher.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTreeView>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace morvane::test {
namespace {

class FolderWatcherTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        touch("index.html");
        touch("pages/about.html");
        touch("pages/contact.html");
        mkdir("closed");
        model = std::make_unique<FileTreeModel>();
        model->reset(site);
        watcher = std::make_unique<FolderWatcher>(model.get());
        view = std::make_unique<QTreeView>();
        view->setModel(model.get());
        view->resize(300, 600);
        view->show();
        // As the window does: an expanded folder is watched even when empty.
        QObject::connect(view.get(), &QTreeView::expanded, watcher.get(),
                         &FolderWatcher::scheduleSync);
        view->expand(model->rootIndex());
        pages = model->indexForPath(at("pages"));
        ASSERT_TRUE(pages.isValid());
        view->expand(pages);
        ASSERT_TRUE(waitUntil([this] { return model->rowCount(pages) == 2; }));
        watcher->sync();
        spy = std::make_unique<QSignalSpy>(watcher.get(), &FolderWatcher::refreshed);
        // The user is looking at about.html.
        about = model->nodeForIndex(model->indexForPath(at("pages/about.html")));
        ASSERT_NE(about, nullptr);
        view->selectionModel()->setCurrentIndex(model->indexForNode(about),
                                                QItemSelectionModel::ClearAndSelect);
    }
    void TearDown() override {
        spy.reset();
        view.reset();
        watcher.reset();
        model.reset();
        TreeTest::TearDown();
    }

    QStringList rowNames(const QModelIndex& parent) const {
        QStringList out;
        for (int r = 0; r < model->rowCount(parent); ++r)
            out << model->index(r, 0, parent).data().toString();
        return out;
    }
    // Waits for the refresh that a seen change brings, and for the quiet
    // after it.
    bool waitForRefresh(int count = 1) {
        return waitUntil([&] { return spy->count() >= count && !watcher->hasPendingRefresh(); });
    }
    void expectViewKept() {
        EXPECT_TRUE(view->isExpanded(model->rootIndex()));
        EXPECT_TRUE(view->isExpanded(
            model->indexForNode(pages.isValid() ? model->nodeForIndex(pages) : nullptr)));
        const QModelIndexList selected = view->selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(model->nodeForIndex(selected.first()), about) << "the same node stays selected";
    }

    std::unique_ptr<FileTreeModel> model;
    std::unique_ptr<FolderWatcher> watcher;
    std::unique_ptr<QTreeView> view;
    std::unique_ptr<QSignalSpy> spy;
    QPersistentModelIndex pages;
    FileSystemItem* about = nullptr;
};

TEST_F(FolderWatcherTest, OnlyListedFoldersAreWatched) {
    QStringList watched = watcher->watchedFolders();
    watched.sort();
    EXPECT_EQ(watched, (QStringList{site, at("pages")})) << "the closed folder is never listed";
}

TEST_F(FolderWatcherTest, OutsideCreateRemoveAndRenameAppearWithoutARefreshCommand) {
    touch("pages/new.html");
    ASSERT_TRUE(waitForRefresh(1));
    EXPECT_EQ(rowNames(pages), (QStringList{"about.html", "contact.html", "new.html"}));
    expectViewKept();

    ASSERT_TRUE(QFile::remove(at("pages/contact.html")));
    ASSERT_TRUE(waitForRefresh(2));
    EXPECT_EQ(rowNames(pages), (QStringList{"about.html", "new.html"}));
    expectViewKept();

    ASSERT_TRUE(QFile::rename(at("pages/new.html"), at("pages/renamed.html")));
    ASSERT_TRUE(waitForRefresh(3));
    EXPECT_EQ(rowNames(pages), (QStringList{"about.html", "renamed.html"}));
    expectViewKept();

    // A file the program writes itself (a Markdown page's HTML) shows up too,
    // at the top level as well.
    QString error;
    ASSERT_TRUE(writeFileAtomically(at("notes.html"), "<p>x</p>", &error));
    ASSERT_TRUE(waitForRefresh(4));
    EXPECT_TRUE(rowNames(model->rootIndex()).contains("notes.html"));
    expectViewKept();
}

TEST_F(FolderWatcherTest, AFolderMadeAndOpenedLaterIsWatchedToo) {
    mkdir("pages/sub");
    ASSERT_TRUE(waitForRefresh(1));
    const QModelIndex sub = model->indexForPath(at("pages/sub"));
    ASSERT_TRUE(sub.isValid());
    view->expand(sub);
    ASSERT_TRUE(waitUntil([&] { return watcher->watchedFolders().contains(at("pages/sub")); }));
    touch("pages/sub/deep.html");
    ASSERT_TRUE(waitForRefresh(2));
    EXPECT_EQ(rowNames(model->indexForPath(at("pages/sub"))), (QStringList{"deep.html"}));
}

TEST_F(FolderWatcherTest, ABurstOfFiveThousandFilesIsOneRefresh) {
    // As a checkout does: thousands of files at once in an open folder.
    for (int i = 0; i < 5000; ++i) {
        const QByteArray name = QFile::encodeName(at(QStringLiteral("pages/f%1.html").arg(i)));
        const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    ASSERT_TRUE(waitForRefresh(1));
    EXPECT_EQ(spy->count(), 1);
    EXPECT_EQ(model->rowCount(pages), 5002);
    expectViewKept();
    // And removing them again is one more.
    for (int i = 0; i < 5000; ++i)
        ::unlink(QFile::encodeName(at(QStringLiteral("pages/f%1.html").arg(i))).constData());
    ASSERT_TRUE(waitForRefresh(2));
    EXPECT_EQ(spy->count(), 2);
    EXPECT_EQ(model->rowCount(pages), 2);
    expectViewKept();
}

} // namespace
} // namespace morvane::test
