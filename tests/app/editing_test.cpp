// Opening, editing and saving files through the main window: every action
// that takes the focus from the editor saves an edited file and marks it for
// upload; nothing the user typed is ever lost.
#include "sitefixture.h"

#include "app/editingtoolscontroller.h"

#include <QFile>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace morvane;
using namespace morvane::test;

class EditingTest : public SiteFixture {
protected:
    void addFiles() override { writeFile(site + "/sub/c.php", "<?php echo 1; ?>\n"); }
    bool markedOnDisk(const QString& rel) {
        NeedingUploadRecord r(paths::needingUploadPath());
        r.load();
        return r.contains(site + "/" + rel);
    }
};

TEST_F(EditingTest, SelectingAnotherFileSavesAndMarksTheEditedOne) {
    selectPath("a.html");
    ASSERT_EQ(currentName(), "a.html");
    typeAtEnd("x");
    EXPECT_FALSE(marked("a.html"));
    selectPath("b.html");
    EXPECT_EQ(currentName(), "b.html");
    EXPECT_EQ(readFile(site + "/a.html"), QByteArray("<p>a</p>\nx"));
    EXPECT_TRUE(markedOnDisk("a.html"));
    EXPECT_FALSE(marked("b.html"));
}

TEST_F(EditingTest, EverySaveTriggerWritesTheFile) {
    struct Trigger {
        const char* name;
        std::function<void(AppDelegate&)> run;
    };
    const std::vector<Trigger> triggers = {
        {"tab switch", [](AppDelegate& d) { d.window()->tabView()->setCurrentIndex(1); }},
        {"close", [](AppDelegate& d) { d.actionCloseOpenFile(); }},
        {"save command", [](AppDelegate& d) { d.actionSave(); }},
        {"refresh", [](AppDelegate& d) { d.actionRefresh(); }},
        {"upload", [](AppDelegate& d) { d.actionUpload(); }},
        {"quit", [](AppDelegate& d) { d.actionQuit(); }},
        {"window close", [](AppDelegate& d) { d.window()->close(); }},
        {"site switch", [](AppDelegate& d) { d.setSiteToCurrent("Two"); }},
    };
    int n = 0;
    for (const auto& t : triggers) {
        SCOPED_TRACE(t.name);
        app->setSiteToCurrent("One");
        app->window()->tabView()->setCurrentIndex(0);
        selectPath("sub/c.php");
        ASSERT_EQ(currentName(), "c.php");
        app->needingUpload().unmark(site + "/sub/c.php");
        const QByteArray before = readFile(site + "/sub/c.php");
        typeAtEnd(QString::number(n++ % 10));
        t.run(*app);
        const QByteArray after = readFile(site + "/sub/c.php");
        EXPECT_EQ(after.size(), before.size() + 1);
        EXPECT_TRUE(markedOnDisk("sub/c.php"));
    }
    EXPECT_EQ(quits, 2); // quit and window close
}

TEST_F(EditingTest, SaveCommandOnUnchangedFileMarksWithoutWriting) {
    selectPath("a.html");
    struct stat before {};
    ::stat(QFile::encodeName(site + "/a.html").constData(), &before);
    app->actionSave();
    struct stat after {};
    ::stat(QFile::encodeName(site + "/a.html").constData(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino) << "the file was rewritten";
    EXPECT_TRUE(markedOnDisk("a.html"));
}

TEST_F(EditingTest, FocusLossWithoutEditsNeitherWritesNorMarks) {
    selectPath("a.html");
    selectPath("b.html");
    selectPath("a.html");
    EXPECT_FALSE(marked("a.html"));
    EXPECT_FALSE(marked("b.html"));
}

TEST_F(EditingTest, OpenFilesKeepTheirEditorsAndThePopupIsSortedByName) {
    selectPath("b.html");
    TextView* bEditor = editor();
    typeAtEnd("1");
    selectPath("a.html");
    selectPath("sub/c.php");
    QComboBox* popup = app->window()->popupOpenFiles();
    EXPECT_EQ(popupTitles(popup), (QStringList{"a.html", "b.html", "c.php"}));
    EXPECT_EQ(popup->currentText(), "c.php");
    selectPath("b.html");
    EXPECT_EQ(editor(), bEditor) << "reopening must reuse the open file and its undo history";
    EXPECT_TRUE(editor()->document()->isUndoAvailable());
    EXPECT_EQ(app->openFiles()->openFiles().size(), 3u);
    // Close saves the file, takes it out of the pop-up and shows the next one.
    typeAtEnd("2");
    app->actionCloseOpenFile();
    EXPECT_EQ(readFile(site + "/b.html"), QByteArray("<p>b</p>\n12"));
    EXPECT_EQ(popupTitles(popup), (QStringList{"a.html", "c.php"}));
    EXPECT_EQ(currentName(), "c.php");
    EXPECT_EQ(popup->currentText(), "c.php");
    app->actionCloseOpenFile();
    EXPECT_EQ(currentName(), "a.html") << "the last one closed: the one before it is shown";
    app->actionCloseOpenFile();
    EXPECT_EQ(popup->count(), 0);
    EXPECT_EQ(app->openFiles()->currentFile(), nullptr);
    EXPECT_EQ(app->window()->editorStack()->currentWidget(), app->window()->editorPlaceholder());
    selectPath("a.html");
    selectPath("b.html");
    // A site change forgets the open files.
    app->setSiteToCurrent("Two");
    EXPECT_EQ(popup->count(), 0);
    EXPECT_EQ(app->openFiles()->currentFile(), nullptr);
}

TEST_F(EditingTest, FailedWriteKeepsTheEditAndDoesNotMark) {
    selectPath("sub/c.php");
    typeAtEnd("z");
    {
        // Files may not grow past a few bytes: the write fails even for root.
        struct rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit tiny = old;
        tiny.rlim_cur = 4;
        ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        selectPath("a.html");
        ::setrlimit(RLIMIT_FSIZE, &old);
    }
    ASSERT_FALSE(RecordingPlatform::current().alerts.isEmpty());
    EXPECT_EQ(RecordingPlatform::current().alerts.first().title, "Error writing file.");
    EXPECT_FALSE(RecordingPlatform::current().alerts.first().message.isEmpty());
    EXPECT_FALSE(marked("sub/c.php"));
    EXPECT_EQ(readFile(site + "/sub/c.php"), QByteArray("<?php echo 1; ?>\n"));
    // Go back: the next trigger writes the edit.
    OpenFile* c = app->openFiles()->findByPath(site + "/sub/c.php");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->isModified());
    app->openFiles()->showCurrentFile(c);
    app->actionSave();
    EXPECT_EQ(readFile(site + "/sub/c.php"), QByteArray("<?php echo 1; ?>\nz"));
    EXPECT_TRUE(markedOnDisk("sub/c.php"));
}

TEST_F(EditingTest, EightBitFileIsWrittenBackInItsOwnEncodingAndLineEnds) {
    QByteArray latin = "caf\xe9\r\nna\xefve\r\n\xa0nbsp\r";
    writeFile(site + "/latin.html", latin);
    app->actionRefresh();
    selectPath("latin.html");
    ASSERT_EQ(currentName(), "latin.html");
    typeAtEnd("!");
    QTest::keyClick(editor(), Qt::Key_Backspace);
    app->actionSave();
    EXPECT_EQ(readFile(site + "/latin.html"), latin);
}

TEST_F(EditingTest, MarksSurviveARestartAndQuitStoresTheSelection) {
    selectPath("sub/c.php");
    typeAtEnd("q");
    quitAndForget();
    {
        auto s = settings();
        EXPECT_EQ(s->value("path").toString(), site + "/sub/c.php");
    }
    launch();
    EXPECT_TRUE(marked("sub/c.php"));
    EXPECT_EQ(currentName(), "c.php") << "the last selected file reopens";
}

TEST_F(EditingTest, ImageThatIsNotTextOpensInPreview) {
    writeFile(site + "/pic.png", QByteArray("\x89PNG\r\n\x1a\n\xff\xfe", 10));
    app->actionRefresh();
    selectPath("pic.png");
    ASSERT_EQ(currentName(), "pic.png");
    EXPECT_FALSE(app->openFiles()->currentFile()->editMode);
    EXPECT_EQ(app->window()->tabView()->currentIndex(), 1);
}

// A Go to Line entry that names no line is explained (never ignored) and
// asked again with the entry kept; a good one then moves the caret.
TEST_F(EditingTest, AWrongGoToLineEntryIsExplainedAndAskedAgain) {
    selectPath("a.html"); // "<p>a</p>\n": two lines
    ASSERT_NE(editor(), nullptr);
    for (const char* wrong : {"abc", "0", "2:x", "2:0", "-3", "1:2:3"}) {
        RecordingPlatform::current().clear();
        QStringList shown;
        app->editingTools()->setLineAsker([&](QWidget*, QString& answer) {
            shown << answer;
            if (shown.size() == 1)
                answer = QString::fromUtf8(wrong);
            else if (shown.size() == 2)
                answer = QStringLiteral("1:3");
            return shown.size() <= 2;
        });
        app->editingTools()->actionGoToLine();
        ASSERT_EQ(shown.size(), 2) << wrong;
        EXPECT_EQ(shown[1], QString::fromUtf8(wrong)) << wrong;
        const auto& alerts = RecordingPlatform::current().alerts;
        ASSERT_EQ(alerts.size(), 1) << wrong;
        EXPECT_TRUE(alerts[0].title.contains(QString::fromUtf8(wrong))) << wrong;
        EXPECT_TRUE(alerts[0].message.contains(QStringLiteral("1 to 2"))) << wrong;
        EXPECT_EQ(editor()->textCursor().blockNumber(), 0) << wrong;
        EXPECT_EQ(editor()->textCursor().positionInBlock(), 2) << wrong;
        // Away from there for the next entry.
        QTextCursor c = editor()->textCursor();
        c.movePosition(QTextCursor::End);
        editor()->setTextCursor(c);
    }
}
