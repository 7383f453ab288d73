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
#include <QProgressBar>
#include <QPushButton>
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
    ASSERT_TRUE(replaced.size() == 1 || replaced.wait(10000));
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

// Replace All over many closed files runs off the window's thread: its
// progress reaches the window while files are still being written, Stop
// in the panel is taken at once, and afterwards every file is wholly old or
// wholly new, the new ones exactly the files listed as changed and marked.
TEST_F(SiteFindTest, ReplacingManyFilesKeepsTheWindowAnsweringAndStopsBetweenFiles) {
    const int count = 1000;
    const QByteArray before = QByteArray("<footer>1999</footer>\n").repeated(10);
    const QByteArray after = QByteArray("<footer>2000</footer>\n").repeated(10);
    for (int i = 0; i < count; ++i)
        writeFile(site + QStringLiteral("/many/p%1.html").arg(i, 4, 10, QChar(u'0')), before);
    find()->actionReplaceInSite();
    search("1999");
    ASSERT_EQ(panel()->fileCount(), count);
    panel()->replaceField()->setText(QStringLiteral("2000"));
    RecordingPlatform::current().queueAnswer(1);

    bool sawProgressWhileRunning = false;
    QObject::connect(&find()->replacing(), &SiteReplace::filesDone,
                     [&](const QList<SiteReplaceOutcome>&, int done, int total) {
                         if (sawProgressWhileRunning)
                             return;
                         sawProgressWhileRunning = done < total;
                         EXPECT_TRUE(panel()->progressBar()->isVisibleTo(panel()));
                         EXPECT_FALSE(panel()->replaceAllButton()->isEnabled());
                         ASSERT_TRUE(panel()->stopButton()->isEnabled());
                         panel()->stopButton()->click();
                     });
    QSignalSpy replaced(find(), &SiteFindController::replaceFinished);
    find()->replaceAll();
    // The call came back while the files are still being written.
    EXPECT_TRUE(find()->replacing().isRunning());
    ASSERT_TRUE(replaced.size() == 1 || replaced.wait(20000));
    EXPECT_TRUE(sawProgressWhileRunning);
    EXPECT_FALSE(panel()->progressBar()->isVisibleTo(panel()));
    EXPECT_TRUE(panel()->replaceAllButton()->isEnabled());
    // The old lines are not offered once the files have changed.
    EXPECT_EQ(panel()->fileCount(), 0);

    const auto& alerts = RecordingPlatform::current().alerts;
    int changed = 0;
    for (int i = 0; i < count; ++i) {
        const QString rel = QStringLiteral("many/p%1.html").arg(i, 4, 10, QChar(u'0'));
        const QByteArray now = readFile(at(rel));
        ASSERT_TRUE(now == before || now == after) << rel.toStdString();
        EXPECT_EQ(marked(rel), now == after) << rel.toStdString();
        if (now == after) {
            ++changed;
            if (alerts.size() == 2) {
                EXPECT_TRUE(alerts[1].message.contains(rel)) << rel.toStdString();
            }
        }
    }
    if (changed < count) {
        // Stopped: the files written stay written and are named.
        ASSERT_EQ(alerts.size(), 2);
        EXPECT_EQ(alerts[1].title, QStringLiteral("Replacing was stopped."));
        EXPECT_TRUE(panel()->status().startsWith(QStringLiteral("Stopped:")));
    } else {
        EXPECT_EQ(alerts.size(), 1); // only the question
    }
}
