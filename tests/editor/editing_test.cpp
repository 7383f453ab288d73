// Indent, outdent and auto-indent through the real editor widget: which lines
// change, where the caret and selection end up, and what Undo takes back.
#include "editor/editingcommands.h"
#include "editor/preferences.h"
#include "editor/textview.h"
#include "qtprinters.h"
#include "testenv.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace morvane {
namespace {

class EditingTest : public ::testing::Test {
protected:
    EditingTest() : view(&prefs) {
        view.resize(600, 400);
        view.show();
    }
    void setText(const QString& text) { view.setTextFromProgram(text, TextFormat{}); }
    QString text() const { return view.textForSaving(); }
    void select(int loc, int len = 0) {
        QTextCursor c = view.textCursor();
        c.setPosition(loc);
        c.setPosition(loc + len, QTextCursor::KeepAnchor);
        view.setTextCursor(c);
    }
    std::pair<int, int> selection() const {
        const QTextCursor c = view.textCursor();
        return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
    }
    // Lets the deferred auto-indent step run.
    void settle() {
        ASSERT_TRUE(test::waitUntil([this] { return !view.autoIndenter()->pending(); }));
    }
    void undo() {
        view.undo();
        settle();
    }

    Preferences prefs;
    TextView view;
};

using Sel = std::pair<int, int>;

TEST_F(EditingTest, IndentPutsOneTabAtEachTouchedLineStart) {
    // Caret inside a line: the tab goes to the line start, the caret moves on.
    setText("one\ntwo\nthree");
    select(6);
    view.indentSelection();
    EXPECT_EQ(text(), "one\n\ttwo\nthree");
    EXPECT_EQ(selection(), Sel(7, 0));

    // Caret at the very start of a line: the tab goes before it.
    setText("one\ntwo");
    select(4);
    view.indentSelection();
    EXPECT_EQ(text(), "one\n\ttwo");
    EXPECT_EQ(selection(), Sel(5, 0));

    // Three whole lines with their final line break: exactly those three; the
    // selection starts one later and grows by two.
    setText("a\nb\nc\nd");
    select(0, 6);
    view.indentSelection();
    EXPECT_EQ(text(), "\ta\n\tb\n\tc\nd");
    EXPECT_EQ(selection(), Sel(1, 8));

    // A selection from inside one line to inside the next; empty lines too.
    setText("ab\n\ncd");
    select(1, 4);
    view.indentSelection();
    EXPECT_EQ(text(), "\tab\n\t\n\tcd");
    EXPECT_EQ(selection(), Sel(2, 6));
}

TEST_F(EditingTest, OutdentRemovesOneTabOrUpToFourSpaces) {
    setText("\tone\n  two\n      six\ntext\n");
    select(0, int(text().size()));
    view.outdentSelection();
    EXPECT_EQ(text(), "one\ntwo\n  six\ntext\n");
    // The selection lost what was removed inside it.
    EXPECT_EQ(selection(), Sel(0, int(text().size())));

    // Only the first leading character kind is touched.
    setText(" \tx\n\t y");
    select(0, 7);
    view.outdentSelection();
    EXPECT_EQ(text(), "\tx\n y");
}

TEST_F(EditingTest, OutdentWithCaretBeforeLeadingTabKeepsItAtLineStart) {
    setText("x\n\tabc");
    select(2);
    view.outdentSelection();
    EXPECT_EQ(text(), "x\nabc");
    EXPECT_EQ(selection(), Sel(2, 0));

    // Caret after the tab moves back with it.
    setText("\tabc");
    select(2);
    view.outdentSelection();
    EXPECT_EQ(selection(), Sel(1, 0));
}

TEST_F(EditingTest, OutdentReachesTheLastCharacterOfTheText) {
    setText("x\n      ");
    select(8);
    view.outdentSelection();
    EXPECT_EQ(text(), "x\n  ");
    setText("x\n   ");
    select(5);
    view.outdentSelection();
    EXPECT_EQ(text(), "x\n");
    EXPECT_EQ(selection(), Sel(2, 0));
}

TEST_F(EditingTest, IndentAndOutdentAreOneUndoStepEach) {
    setText("a\nb\nc");
    select(0, 5);
    view.indentSelection();
    view.outdentSelection();
    EXPECT_EQ(text(), "a\nb\nc");
    view.undo();
    EXPECT_EQ(text(), "\ta\n\tb\n\tc");
    view.undo();
    EXPECT_EQ(text(), "a\nb\nc");
}

TEST_F(EditingTest, TouchedLinesFollowTheSelectionEndRule) {
    setText("ab\ncd\nef");
    QTextDocument* doc = view.document();
    EXPECT_EQ(editing::touchedLineStarts(*doc, 0, 3), (std::vector<int>{0}));
    EXPECT_EQ(editing::touchedLineStarts(*doc, 0, 4), (std::vector<int>{3, 0}));
    EXPECT_EQ(editing::touchedLineStarts(*doc, 3, 0), (std::vector<int>{3}));
    EXPECT_EQ(editing::touchedLineStarts(*doc, 8, 0), (std::vector<int>{6}));
    EXPECT_EQ(editing::touchedLineStarts(*doc, 2, 5), (std::vector<int>{6, 3, 0}));
}

TEST_F(EditingTest, ReturnCopiesTheIndentationAsItsOwnUndoStep) {
    prefs.setAutoIndent(true);
    setText("    foo");
    select(7);
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    EXPECT_EQ(text(), "    foo\n    ");
    EXPECT_EQ(selection(), Sel(12, 0));
    QTest::keyClick(&view, Qt::Key_X);
    EXPECT_EQ(text(), "    foo\n    x");

    undo(); // the x
    EXPECT_EQ(text(), "    foo\n    ");
    undo(); // the indentation
    EXPECT_EQ(text(), "    foo\n");
    undo(); // the line break
    EXPECT_EQ(text(), "    foo");
    // Redo gives everything back, without indenting a second time.
    view.redo();
    settle();
    view.redo();
    settle();
    EXPECT_EQ(text(), "    foo\n    ");
}

TEST_F(EditingTest, TypingFasterThanTheIndentationKeepsItsPlace) {
    prefs.setAutoIndent(true);
    setText("    foo\nbar");
    select(7);
    // Both keys arrive before the deferred step runs.
    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClick(&view, Qt::Key_Y);
    settle();
    EXPECT_EQ(text(), "    foo\n    y\nbar");
    EXPECT_EQ(selection(), Sel(13, 0));

    // An edit before the break moves it; one that takes it away cancels.
    setText("  ab");
    select(4);
    QTest::keyClick(&view, Qt::Key_Return);
    QTextCursor c(view.document());
    c.setPosition(2);
    c.insertText(QStringLiteral("zz"));
    settle();
    EXPECT_EQ(text(), "  zzab\n  ");
    setText("  ab");
    select(4);
    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClick(&view, Qt::Key_Backspace);
    settle();
    EXPECT_EQ(text(), "  ab");
}

TEST_F(EditingTest, ReturnInsideTheIndentationCopiesOnlyWhatLiesBeforeIt) {
    prefs.setAutoIndent(true);
    setText("    foo");
    select(2);
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    EXPECT_EQ(text(), "  \n    foo");

    // Tabs and spaces are copied as they are; lines without any give none.
    setText("\t \tbar\nplain");
    select(6);
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    EXPECT_EQ(text(), "\t \tbar\n\t \t\nplain");
    select(int(text().size()));
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    EXPECT_EQ(text(), "\t \tbar\n\t \t\nplain\n");
    // Return on an empty line, and at the very start of the text.
    select(0);
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    EXPECT_EQ(text(), "\n\t \tbar\n\t \t\nplain\n");
}

TEST_F(EditingTest, PastedSingleLineFeedIndentsButSeveralLinesDoNot) {
    prefs.setAutoIndent(true);
    setText("  ab");
    select(4);
    QGuiApplication::clipboard()->setText(QStringLiteral("\n"));
    view.paste();
    settle();
    EXPECT_EQ(text(), "  ab\n  ");

    setText("  ab");
    select(4);
    QGuiApplication::clipboard()->setText(QStringLiteral("\nx\n"));
    view.paste();
    settle();
    EXPECT_EQ(text(), "  ab\nx\n");

    // Return typed over a selection is still one line break.
    setText("  abcd");
    select(3, 2);
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    EXPECT_EQ(text(), "  a\n  d");
}

TEST_F(EditingTest, WithAutoIndentOffReturnOnlyBreaksTheLine) {
    setText("    foo");
    select(7);
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    EXPECT_EQ(text(), "    foo\n");
    // Switching it off while a step waits: the step does nothing.
    prefs.setAutoIndent(true);
    QTest::keyClick(&view, Qt::Key_Return);
    prefs.setAutoIndent(false);
    settle();
    EXPECT_EQ(text(), "    foo\n\n");
}

TEST_F(EditingTest, TextReplacedByTheProgramIsNeverIndented) {
    prefs.setAutoIndent(true);
    setText("    foo");
    // The file changed on disk by one line break at the end.
    view.updateTextFromProgram(QStringLiteral("    foo\n"), TextFormat{});
    settle();
    EXPECT_EQ(text(), "    foo\n");
}

} // namespace
} // namespace morvane
