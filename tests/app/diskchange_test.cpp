// Changes made to open files by other programs: never lost, and never
// allowed to destroy the user's edits. Every check is made on disk.
#include "sitefixture.h"

#include "app/diskwatchcontroller.h"
#include "app/filechangebar.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>

#include <sys/stat.h>

using namespace morvane;
using namespace morvane::test;

class DiskChangeTest : public SiteFixture {
protected:
    FileChangeBar* bar() const { return app->window()->fileChangeBar(); }
    bool barShown() const { return !bar()->isHidden(); }
    // Another program writes the file in place.
    static void writeOutside(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    void waitForCheck() {
        ASSERT_TRUE(waitUntil([this] { return !app->diskWatch()->hasPendingChanges(); }));
    }
    static ino_t inode(const QString& path) {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_ino;
    }
};

TEST_F(DiskChangeTest, ACleanEditorTakesTheNewTextAtOnceKeepingItsPlace) {
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text += "<p>line " + QByteArray::number(i) + "</p>\n";
    writeFile(at("long.html"), text);
    app->actionRefresh();
    selectPath("long.html");
    TextView* view = editor();
    ASSERT_NE(view, nullptr);
    view->resize(400, 200);
    // Caret on line 150, scrolled there.
    QTextCursor c(view->document()->findBlockByNumber(150));
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 3);
    view->setTextCursor(c);
    view->verticalScrollBar()->setValue(140);
    const int caret = view->textCursor().position();

    // Another program appends a line and changes one near the top.
    QByteArray changed = text;
    changed.replace("<p>line 2</p>", "<p>LINE TWO</p>");
    changed += "<p>added</p>\n";
    writeOutside(at("long.html"), changed);
    ASSERT_TRUE(waitUntil([&] { return view->toPlainText() == QString::fromUtf8(changed); }));
    EXPECT_EQ(view->textCursor().position(), caret + 2) << "the caret stays on its line";
    EXPECT_EQ(view->verticalScrollBar()->value(), 140);
    EXPECT_FALSE(app->openFiles()->currentFile()->isModified());
    EXPECT_FALSE(barShown());
    // Nothing was written back: the file is the other program's.
    app->actionSave();
    EXPECT_EQ(readFile(at("long.html")), changed);
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
}

TEST_F(DiskChangeTest, EditsAndAnOutsideChangeWaitForTheUsersChoice) {
    for (const char* choice : {"Reload", "Keep Mine"}) {
        SCOPED_TRACE(choice);
        writeFile(at("a.html"), "<p>a</p>\n");
        app->setSiteToCurrent("One");
        clearMarks();
        selectPath("a.html");
        typeAtEnd("mine");
        writeOutside(at("a.html"), "<p>theirs</p>\n");
        ASSERT_TRUE(waitUntil([this] { return barShown(); }));
        EXPECT_TRUE(bar()->message().contains("changed on disk"));
        EXPECT_EQ(editor()->toPlainText(), "<p>a</p>\nmine") << "the edits stay";
        EXPECT_FALSE(marked("a.html")) << "before triggers";
        // No save trigger writes either version over the other.
        for (const Trigger& t : saveTriggers()) {
            const std::string name = t.name;
            if (name == "quit" || name == "window close" || name == "site switch" ||
                name == "close")
                continue; // these ask first: below
            SCOPED_TRACE(t.name);
            selectPath("a.html");
            app->window()->tabView()->setCurrentIndex(0);
            t.run(*app);
            EXPECT_EQ(readFile(at("a.html")), QByteArray("<p>theirs</p>\n"));
            EXPECT_FALSE(marked("a.html"));
        }
        selectPath("a.html");
        app->window()->tabView()->setCurrentIndex(0);
        ASSERT_TRUE(barShown());
        if (QString(choice) == "Reload") {
            bar()->firstButton()->click();
            EXPECT_EQ(editor()->toPlainText(), "<p>theirs</p>\n");
            EXPECT_EQ(readFile(at("a.html")), QByteArray("<p>theirs</p>\n"));
            EXPECT_FALSE(marked("a.html"));
        } else {
            bar()->secondButton()->click();
            EXPECT_EQ(readFile(at("a.html")), QByteArray("<p>a</p>\nmine"));
            EXPECT_TRUE(marked("a.html"));
        }
        EXPECT_FALSE(barShown());
        EXPECT_FALSE(app->openFiles()->currentFile()->isModified());
        // From here on saving works as always.
        typeAtEnd("!");
        app->actionSave();
        EXPECT_TRUE(readFile(at("a.html")).endsWith("!"));
    }
}

TEST_F(DiskChangeTest, QuittingOrChangingSiteWithAChoicePendingAsksFirst) {
    selectPath("a.html");
    typeAtEnd("mine");
    writeOutside(at("a.html"), "<p>theirs</p>\n");
    ASSERT_TRUE(waitUntil([this] { return barShown(); }));

    RecordingPlatform::current().queueAnswer(0); // Cancel
    app->actionQuit();
    EXPECT_EQ(quits, 0);
    RecordingPlatform::current().queueAnswer(0); // Cancel
    app->setSiteToCurrent("Two");
    EXPECT_EQ(app->currentSite(), "One");
    EXPECT_EQ(app->window()->popupSites()->currentText(), "One");
    EXPECT_EQ(currentName(), "a.html");
    EXPECT_EQ(readFile(at("a.html")), QByteArray("<p>theirs</p>\n"));
    EXPECT_EQ(RecordingPlatform::current().alerts.size(), 2);

    RecordingPlatform::current().queueAnswer(2); // Keep Mine
    app->actionQuit();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(readFile(at("a.html")), QByteArray("<p>a</p>\nmine"));
    EXPECT_TRUE(marked("a.html"));
}

TEST_F(DiskChangeTest, EditsMadeAfterDroppingAGoneFilesTextAreNeverClosedAway) {
    selectPath("a.html");
    typeAtEnd("unsaved");
    ASSERT_TRUE(QFile::remove(at("a.html")));
    ASSERT_TRUE(waitUntil([this] { return barShown(); }));
    OpenFile* a = app->openFiles()->currentFile();
    selectPath("b.html");
    typeAtEnd("mine");
    writeOutside(at("b.html"), "<p>theirs</p>\n");
    ASSERT_TRUE(waitUntil([this] { return barShown(); }));

    RecordingPlatform::current().queueAnswer(1); // Drop the gone file's text
    RecordingPlatform::current().queueAnswer(0); // Cancel at the changed one
    app->actionQuit();
    ASSERT_EQ(quits, 0);

    // The program goes on: what the user types now is theirs to keep.
    app->openFiles()->showCurrentFile(a);
    typeAtEnd("more");
    app->actionCloseOpenFile();
    EXPECT_EQ(app->openFiles()->findByPath(at("a.html")), a);
    EXPECT_TRUE(editor()->toPlainText().endsWith("more"));
}

TEST_F(DiskChangeTest, DeletedFilesKeepTheirTextWithOneNoticeAndNoAlert) {
    selectPath("b.html");
    typeAtEnd("kept");
    app->actionSave();
    selectPath("a.html");
    typeAtEnd("unsaved");
    ASSERT_TRUE(QFile::remove(at("a.html")));
    ASSERT_TRUE(QFile::remove(at("b.html")));
    ASSERT_TRUE(waitUntil([this] { return barShown(); }));
    waitForCheck();
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty()) << "no modal alert";
    EXPECT_TRUE(bar()->message().contains("deleted"));
    EXPECT_TRUE(bar()->message().contains("1 other open file")) << bar()->message().toStdString();
    EXPECT_EQ(editor()->toPlainText(), "<p>a</p>\nunsaved");
    // No save trigger brings the file back behind the user's back.
    app->actionSave();
    app->actionRefresh();
    EXPECT_FALSE(QFileInfo::exists(at("a.html")));
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());

    // Save Again writes the text back; Close drops the other file.
    selectPath("a.html"); // its row is gone: the open file is still current
    bar()->firstButton()->click();
    EXPECT_EQ(readFile(at("a.html")), QByteArray("<p>a</p>\nunsaved"));
    EXPECT_TRUE(marked("a.html"));
    EXPECT_FALSE(barShown());
    OpenFile* b = app->openFiles()->findByPath(at("b.html"));
    ASSERT_NE(b, nullptr);
    app->openFiles()->showCurrentFile(b);
    ASSERT_TRUE(barShown());
    bar()->secondButton()->click();
    EXPECT_EQ(app->openFiles()->findByPath(at("b.html")), nullptr);
    EXPECT_FALSE(QFileInfo::exists(at("b.html")));
    EXPECT_EQ(currentName(), "a.html");
}

TEST_F(DiskChangeTest, ARenamedFileIsGoneFromItsOldPathAndTheNewOneIsLeftAlone) {
    selectPath("a.html");
    typeAtEnd("edit");
    ASSERT_TRUE(QFile::rename(at("a.html"), at("moved.html")));
    ASSERT_TRUE(waitUntil([this] { return barShown(); }));
    // The tree follows: the new name appears, the old one goes.
    ASSERT_TRUE(waitUntil([this] {
        return FileSystemItem::registeredItem(at("moved.html")) != nullptr &&
               FileSystemItem::registeredItem(at("a.html")) == nullptr;
    }));
    for (const Trigger& t : saveTriggers()) {
        const std::string name = t.name;
        if (name == "quit" || name == "window close" || name == "site switch")
            continue;
        SCOPED_TRACE(t.name);
        t.run(*app);
        EXPECT_FALSE(QFileInfo::exists(at("a.html")));
        EXPECT_EQ(readFile(at("moved.html")), QByteArray("<p>a</p>\n"));
    }
    // Leaving asks about the edits of the gone file.
    RecordingPlatform::current().clear();
    RecordingPlatform::current().queueAnswer(1); // Drop
    app->actionQuit();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(RecordingPlatform::current().alerts.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(at("a.html")));
}

TEST_F(DiskChangeTest, OwnSavesAreNotTakenForOutsideChanges) {
    selectPath("a.html");
    for (int i = 0; i < 5; ++i) {
        typeAtEnd(QString::number(i));
        app->actionSave();
    }
    waitForCheck();
    QCoreApplication::processEvents();
    waitForCheck();
    EXPECT_FALSE(barShown());
    EXPECT_EQ(readFile(at("a.html")), QByteArray("<p>a</p>\n01234"));
    EXPECT_TRUE(app->diskWatch()->watchedFiles().contains(at("a.html")));
    // And the watch follows the replaced file: an outside change after our
    // saves is still seen.
    writeOutside(at("a.html"), "<p>outside</p>\n");
    ASSERT_TRUE(waitUntil([this] { return editor()->toPlainText() == "<p>outside</p>\n"; }));
}
