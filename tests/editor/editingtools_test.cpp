// The typing helpers on a real editor widget: what typing '>' and "</"
// leaves in the text and in Undo, that the completion list takes Return and
// Tab only while it is open, and that the commands are single undo steps.
#include "editor/editingtools.h"
#include "editor/preferences.h"
#include "editor/textview.h"
#include "testenv.h"

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace morvane {
namespace {

class EditingToolsTest : public ::testing::Test {
protected:
    EditingToolsTest() : view(&prefs), tools(EditingTools::of(&view)) {
        view.resize(600, 400);
        view.show();
        view.setFocus();
    }
    void setText(const QString& text, int caret = -1) {
        view.setTextFromProgram(text, TextFormat{});
        QTextCursor c = view.textCursor();
        c.setPosition(caret < 0 ? int(text.size()) : caret);
        view.setTextCursor(c);
    }
    QString text() const { return view.textForSaving(); }
    int caret() const { return view.textCursor().position(); }
    void type(const char* keys) { QTest::keyClicks(&view, QString::fromUtf8(keys)); }

    Preferences prefs;
    TextView view;
    EditingTools* tools;
};

TEST_F(EditingToolsTest, ClosingTagsAreTypedAsOneUndoStep) {
    const struct {
        const char* start;
        const char* typed;
        const char* after;
        int caret;
        const char* afterUndo;
    } cases[] = {
        {"", "<div>", "<div></div>", 5, "<div"},
        {"", "<br>", "<br>", 4, ""},
        {"<?php echo '", "<b>", "<?php echo '<b>", 15, "<?php echo '"},
        {"<!-- ", "<b>", "<!-- <b>", 8, "<!-- "},
        {"<ul><li>a", "</", "<ul><li>a</li>", 14, "<ul><li>a<"},
        {"", "</", "</", 2, ""},
        {"", "<p>mine</p>", "<p>mine</p>", 11, "<p>mine<</p>"},
        {"<ul><li>", "a</li>", "<ul><li>a</li>", 14, "<ul><li>a<"},
        {"", "<b>x</", "<b>x</b>", 6, "<b>x<</b>"},
        {"", "<p><b>", "<p><b></b></p>", 6, "<p><b</p>"},
    };
    for (const auto& c : cases) {
        setText(QString::fromUtf8(c.start));
        type(c.typed);
        EXPECT_EQ(text(), QString::fromUtf8(c.after)) << c.typed;
        EXPECT_EQ(caret(), c.caret) << c.typed;
        view.undo();
        EXPECT_EQ(text(), QString::fromUtf8(c.afterUndo)) << c.typed;
    }
}

TEST_F(EditingToolsTest, ClosingTagsCanBeTurnedOff) {
    tools->setCloseTags(false);
    setText(QString());
    type("<div></");
    EXPECT_EQ(text(), QStringLiteral("<div></"));
}

TEST_F(EditingToolsTest, ReturnAndTabAreTakenOnlyByAnOpenList) {
    const struct {
        const char* name;
        const char* start;
        const char* typed;
        Qt::Key key;
        bool escapeFirst;
        const char* expected;
    } cases[] = {
        {"Return with no list", "zebra\n", "qu", Qt::Key_Return, false, "zebra\nqu\n"},
        {"Tab with no list", "zebra\n", "qu", Qt::Key_Tab, false, "zebra\nqu\t"},
        {"Return takes the choice", "zebra\n", "ze", Qt::Key_Return, false, "zebra\nzebra"},
        {"Tab takes the choice", "zebra\n", "ze", Qt::Key_Tab, false, "zebra\nzebra"},
        {"Return after Escape", "zebra\n", "ze", Qt::Key_Return, true, "zebra\nze\n"},
        {"Return after the whole word", "zebra\n", "zebra", Qt::Key_Return, false,
         "zebra\nzebra\n"},
        {"Return after a space", "zebra\n", "ze ", Qt::Key_Return, false, "zebra\nze \n"},
    };
    for (const auto& c : cases) {
        setText(QString::fromUtf8(c.start));
        type(c.typed);
        if (c.escapeFirst) {
            EXPECT_TRUE(tools->completionShown()) << c.name;
            QTest::keyClick(&view, Qt::Key_Escape);
            EXPECT_FALSE(tools->completionShown()) << c.name;
        }
        QTest::keyClick(&view, c.key);
        EXPECT_EQ(text(), QString::fromUtf8(c.expected)) << c.name;
        EXPECT_FALSE(tools->completionShown()) << c.name;
    }
}

TEST_F(EditingToolsTest, TypingNarrowsTheListAndArrowsChoose) {
    setText(QStringLiteral("zebra zealot zest\n"));
    type("ze");
    ASSERT_TRUE(tools->completionShown());
    EXPECT_EQ(tools->completionList()->count(), 3);
    type("a");
    EXPECT_EQ(tools->completionList()->count(), 1);
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(tools->completionList()->count(), 3);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(text(), QStringLiteral("zebra zealot zest\nzebra"));
    view.undo();
    EXPECT_EQ(text(), QStringLiteral("zebra zealot zest\nze"));
}

TEST_F(EditingToolsTest, ShowCompletionsOpensTheListBeforeAWordBegins) {
    setText(QStringLiteral("<"));
    tools->showCompletions();
    ASSERT_TRUE(tools->completionShown());
    EXPECT_FALSE(
        tools->completionList()->findItems(QStringLiteral("div"), Qt::MatchExactly).isEmpty());
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_FALSE(tools->completionShown());
}

TEST_F(EditingToolsTest, CommandsAreOneUndoStepAndMoveTheCaret) {
    const QString page = QStringLiteral("<script>\na();\nb();\n</script>");
    setText(page);
    QTextCursor c = view.textCursor();
    c.setPosition(9);
    c.setPosition(18, QTextCursor::KeepAnchor);
    view.setTextCursor(c);
    tools->toggleComment();
    EXPECT_EQ(text(), QStringLiteral("<script>\n// a();\n// b();\n</script>"));
    view.undo();
    EXPECT_EQ(text(), page);

    setText(QStringLiteral("one\ntwo\n\tthree"));
    tools->goToLine(3, 2);
    EXPECT_EQ(caret(), 9);
    tools->goToLine(99, 99);
    EXPECT_EQ(caret(), 14);

    setText(QStringLiteral("f(a, (b))"), 1);
    EXPECT_TRUE(tools->goToMatching());
    EXPECT_EQ(caret(), 8);
    int marked = 0;
    for (const auto& s : view.extraSelections())
        marked += s.cursor.hasSelection();
    EXPECT_EQ(marked, 2);
}

// The comment the caret's line is inside may end lines later: Toggle
// Comment sees that end and takes the whole comment away (never only its
// opening, which would leave a stray end behind).
TEST_F(EditingToolsTest, UncommentingFindsTheEndOfACommentOnALaterLine) {
    const struct {
        const char* page;
        int caretLine;
        const char* expected;
    } cases[] = {
        {"<style>\n/*\np { color: red; }\nq { }\n*/\n</style>", 2,
         "<style>\n\np { color: red; }\nq { }\n\n</style>"},
        {"<!--\n<p>a</p>\n<p>b</p>\n-->", 1, "\n<p>a</p>\n<p>b</p>\n"},
    };
    for (const auto& c : cases) {
        setText(QString::fromUtf8(c.page));
        tools->goToLine(c.caretLine + 1, 3);
        tools->toggleComment();
        EXPECT_EQ(text(), QString::fromUtf8(c.expected)) << c.page;
    }
}

} // namespace
} // namespace morvane
