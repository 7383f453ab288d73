// Replace in Site in the window: the footer of every page fixed in one go,
// an open file with unsaved edits changed as typing would (one Undo takes it
// back), closed files rewritten in their own line ends, every changed file
// marked for upload, and a file changed on disk since the search left alone
// and named.
#include "sitefixture.h"

#include "app/openfile.h"
#include "app/sitefindcontroller.h"
#include "editor/sitesearchpanel.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTreeWidget>

using namespace morvane;
using namespace morvane::test;

class SiteFindTest : public SiteFixture {
protected:
    void addFiles() override {
        writeFile(site + "/one.html", "<footer>2023</footer>\n");
        writeFile(site + "/two.html", "<p>x</p>\r\n<footer>2023</footer>\r\n");
        writeFile(site + "/open.html", "<footer>2023</footer>\n");
        writeFile(site + "/changed.html", "<footer>2023</footer>\n");
        writeFile(site + "/sub/three.php", "<?php $y = 2023; ?>\n");
    }
    SiteFindController* find() { return app->siteFind(); }
    SiteSearchPanel* panel() { return find()->panel(); }
    void search(const char* pattern) {
        panel()->searchField()->setText(QString::fromUtf8(pattern));
        QSignalSpy done(&find()->search(), &SiteSearch::finished);
        find()->startSearch();
        ASSERT_TRUE(done.wait(10000));
    }
};

TEST_F(SiteFindTest, ReplaceAllChangesEveryPageAndSkipsOneChangedMeanwhile) {
    selectPath("open.html");
    ASSERT_NE(editor(), nullptr);
    typeAtEnd("<p>mine</p>");
    find()->actionReplaceInSite();
    search("2023");
    EXPECT_EQ(panel()->fileCount(), 5);
    EXPECT_EQ(panel()->matchCount(), 5);

    writeFile(site + "/changed.html", "<footer>2023 by another program</footer>\n");
    panel()->replaceField()->setText(QStringLiteral("2024"));
    RecordingPlatform::current().queueAnswer(1);
    QSignalSpy replaced(find(), &SiteFindController::replaceFinished);
    find()->replaceAll();
    ASSERT_EQ(replaced.size(), 1);

    const auto& alerts = RecordingPlatform::current().alerts;
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[0].title, QStringLiteral("Replace 5 matches in 5 files?"));
    EXPECT_TRUE(alerts[1].message.contains(QStringLiteral("changed.html")));
    EXPECT_FALSE(alerts[1].message.contains(QStringLiteral("one.html")));

    EXPECT_EQ(readFile(at("one.html")), "<footer>2024</footer>\n");
    EXPECT_EQ(readFile(at("two.html")), "<p>x</p>\r\n<footer>2024</footer>\r\n");
    EXPECT_EQ(readFile(at("sub/three.php")), "<?php $y = 2024; ?>\n");
    EXPECT_EQ(readFile(at("changed.html")), "<footer>2023 by another program</footer>\n");
    EXPECT_EQ(readFile(at("open.html")), "<footer>2024</footer>\n<p>mine</p>");
    for (const char* name : {"one.html", "two.html", "sub/three.php", "open.html"})
        EXPECT_TRUE(marked(QString::fromUtf8(name))) << name;
    EXPECT_FALSE(marked(QStringLiteral("changed.html")));

    // One Undo takes the open file's change back, and only that.
    editor()->undo();
    EXPECT_EQ(editor()->textForSaving(), QStringLiteral("<footer>2023</footer>\n<p>mine</p>"));
}

TEST_F(SiteFindTest, CancellingTheQuestionChangesNothing) {
    search("2023");
    panel()->replaceField()->setText(QStringLiteral("2024"));
    RecordingPlatform::current().queueAnswer(0);
    find()->replaceAll();
    EXPECT_EQ(readFile(at("one.html")), "<footer>2023</footer>\n");
    EXPECT_FALSE(marked(QStringLiteral("one.html")));
}

TEST_F(SiteFindTest, ChoosingAResultOpensTheFileAtTheMatch) {
    search("\\$y");
    ASSERT_EQ(panel()->fileCount(), 0);
    search("$y");
    ASSERT_EQ(panel()->fileCount(), 1);
    QTreeWidgetItem* line = panel()->results()->topLevelItem(0)->child(0);
    ASSERT_NE(line, nullptr);
    Q_EMIT panel()->results()->itemActivated(line, 0);
    ASSERT_NE(editor(), nullptr);
    ASSERT_NE(app->openFiles()->currentFile(), nullptr);
    EXPECT_EQ(app->openFiles()->currentFile()->path(), at("sub/three.php"));
    EXPECT_EQ(editor()->textCursor().selectedText(), QStringLiteral("$y"));
}
