// The find bar in the window: the Edit menu's commands and keys, Escape,
// the count, an invalid expression, and replacements that are edits of the
// file like typing (written and marked for upload).
#include "sitefixture.h"

#include "app/findcontroller.h"
#include "editor/findbar.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <chrono>

using namespace morvane;
using namespace morvane::test;

class FindTest : public SiteFixture {
protected:
    void addFiles() override {
        writeFile(site + "/list.html", "<li>pear</li>\n<li>plum</li>\n<li>fig</li>\n");
        QByteArray many;
        for (int i = 0; i <= 10000; ++i)
            many += "<i>x</i>\n";
        writeFile(site + "/many.html", many);
        // Lines on which the expression below backtracks a long way before
        // it fails, and one line in fifty where it matches: counting takes
        // a while (but stops between matches when it is abandoned).
        QByteArray slow;
        for (int i = 0; i < 2500; ++i)
            slow += i % 50 == 49 ? "aaaaaaaaaaaaaaaac\n" : "aaaaaaaaaaaaaaaaa\n";
        writeFile(site + "/slow.html", slow);
    }
    static constexpr const char* kSlowExpression = "(a|aa)*c";
    FindBar* bar() { return app->window()->findBar(); }
    FindController* find() { return app->findController(); }
    // The result line once the count (made on its own thread) is in.
    QString status() {
        find()->countNow();
        EXPECT_TRUE(waitUntil([&] { return !find()->isCounting(); }));
        return find()->status();
    }
    QString selected() { return editor()->textCursor().selectedText(); }
};

TEST_F(FindTest, KeysFindWrapAndEscapeReturnsToTheText) {
    QMainWindow* w = app->window();
    EXPECT_FALSE(app->window()->actionFind()->isEnabled()); // no file shown yet
    selectPath("list.html");
    ASSERT_NE(editor(), nullptr);
    w->activateWindow();
    editor()->setFocus();
    EXPECT_TRUE(app->window()->actionFind()->isEnabled());
    EXPECT_FALSE(app->window()->actionFindNext()->isEnabled()); // nothing to find yet

    QTest::keyClick(editor(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar()->isVisible());
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == bar()->findField(); }));
    QTest::keyClicks(bar()->findField(), "<li>p");
    QTest::keyClick(bar()->findField(), Qt::Key_Return);
    EXPECT_EQ(selected(), "<li>p");
    EXPECT_EQ(status(), "1 of 2");
    QTest::keyClick(bar()->findField(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(editor()->textCursor().selectionStart(), 14);
    EXPECT_EQ(status(), "2 of 2");
    QTest::keyClick(bar()->findField(), Qt::Key_F3);
    EXPECT_EQ(editor()->textCursor().selectionStart(), 0);
    EXPECT_EQ(status(), "1 of 2 (wrapped)");
    QTest::keyClick(bar()->findField(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(editor()->textCursor().selectionStart(), 14);
    // Both matches are in view and highlighted.
    EXPECT_TRUE(waitUntil([&] { return find()->highlighted().size() == 2; }));
    EXPECT_EQ(editor()->extraSelections().size(), 2);

    QTest::keyClick(bar()->findField(), Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_TRUE(editor()->extraSelections().isEmpty());
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == editor(); }));

    // Use Selection for Find takes the selected text; F3 works without the bar.
    QTextCursor c = editor()->textCursor();
    c.setPosition(32);
    c.setPosition(35, QTextCursor::KeepAnchor); // "fig"
    editor()->setTextCursor(c);
    QTest::keyClick(editor(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(bar()->findText(), "fig");
    c.setPosition(0);
    editor()->setTextCursor(c);
    QTest::keyClick(editor(), Qt::Key_F3);
    EXPECT_EQ(editor()->textCursor().selectionStart(), 32);
    // Escape in the text closes the bar too; typing goes on where it was.
    EXPECT_TRUE(bar()->isVisible());
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_EQ(editor()->textCursor().selectionStart(), 32);
}

TEST_F(FindTest, AnInvalidExpressionSaysSoAndChangesNothing) {
    selectPath("list.html");
    app->window()->actionReplace()->trigger();
    bar()->setOptions(FindOptions{false, false, true});
    bar()->setFindText("<li>(p");
    EXPECT_TRUE(find()->status().startsWith("Invalid expression"));
    bar()->replaceField()->setText("x");
    find()->findNext();
    find()->replace();
    find()->replaceAll();
    EXPECT_TRUE(find()->status().startsWith("Invalid expression"));
    EXPECT_EQ(editor()->toPlainText(), "<li>pear</li>\n<li>plum</li>\n<li>fig</li>\n");
    EXPECT_FALSE(app->openFiles()->currentFile()->isModified());
    // Mended, it finds again.
    bar()->setFindText("<li>(p\\w+)");
    find()->findNext();
    EXPECT_EQ(selected(), "<li>pear");
}

TEST_F(FindTest, ReplacementsAreSavedAndMarkedLikeTyping) {
    selectPath("list.html");
    app->window()->actionReplace()->trigger();
    ASSERT_TRUE(bar()->isReplaceShown());
    bar()->setOptions(FindOptions{true, false, true});
    bar()->setFindText("<li>(\\w+)</li>\\n");
    bar()->replaceField()->setText("<li class=\"\\1\">\\1</li>\\n");
    find()->findNext();
    find()->replace(); // the selection is a match: replaced, then the next found
    EXPECT_EQ(readFile(at("list.html")),
              QByteArray("<li class=\"pear\">pear</li>\n<li>plum</li>\n<li>fig</li>\n"));
    EXPECT_TRUE(marked("list.html"));
    EXPECT_EQ(selected(), QStringLiteral("<li>plum</li>") + QChar::ParagraphSeparator);

    clearMarks();
    find()->replaceAll();
    EXPECT_EQ(find()->status(), "Replaced 2 matches");
    EXPECT_EQ(readFile(at("list.html")), QByteArray("<li class=\"pear\">pear</li>\n"
                                                    "<li class=\"plum\">plum</li>\n"
                                                    "<li class=\"fig\">fig</li>\n"));
    EXPECT_TRUE(marked("list.html"));
    EXPECT_FALSE(app->openFiles()->currentFile()->isModified());

    // One undo takes the whole Replace All back; that is an edit too.
    clearMarks();
    editor()->undo();
    EXPECT_EQ(editor()->toPlainText(),
              "<li class=\"pear\">pear</li>\n<li>plum</li>\n<li>fig</li>\n");
    app->actionSave();
    EXPECT_EQ(readFile(at("list.html")),
              QByteArray("<li class=\"pear\">pear</li>\n<li>plum</li>\n<li>fig</li>\n"));
    EXPECT_TRUE(marked("list.html"));
}

TEST_F(FindTest, TheWindowAnswersWhileTheMatchesAreCounted) {
    selectPath("slow.html");
    app->window()->actionFind()->trigger();
    bar()->setOptions(FindOptions{false, false, true});
    // Typed a key at a time; each key starts a count that abandons the last.
    QTest::keyClicks(bar()->findField(), kSlowExpression);
    find()->countNow();
    ASSERT_TRUE(find()->isCounting());
    // An event posted while the count runs is handled before the count is in.
    bool answered = false;
    bool countingThen = false;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            answered = true;
            countingThen = find()->isCounting();
        },
        Qt::QueuedConnection);
    EXPECT_TRUE(waitUntil([&] { return answered; }));
    EXPECT_TRUE(countingThen);
    EXPECT_TRUE(waitUntil([&] { return !find()->isCounting(); }, std::chrono::seconds(120)));
    EXPECT_EQ(find()->status(), "50 matches");
}

TEST_F(FindTest, ACountIsNeverShownAfterTheTextChanged) {
    selectPath("list.html");
    app->window()->actionFind()->trigger();
    bar()->setFindText("<li>");
    EXPECT_EQ(status(), "3 matches");
    // An edit takes the count away at once; the new count follows.
    QTextCursor end(editor()->document());
    end.movePosition(QTextCursor::End);
    end.insertText("<li>kiwi</li>\n");
    EXPECT_EQ(find()->status(), "");
    EXPECT_EQ(status(), "4 matches");

    // A count still on its way when the text changes is never shown.
    selectPath("slow.html");
    bar()->setOptions(FindOptions{false, false, true});
    bar()->setFindText(kSlowExpression);
    ASSERT_TRUE(find()->isCounting());
    QTextCursor start(editor()->document());
    start.insertText("aac\n");
    QStringList shown;
    EXPECT_TRUE(waitUntil(
        [&] {
            if (shown.isEmpty() || shown.last() != find()->status())
                shown << find()->status();
            find()->countNow(); // rather than after the pause that follows an edit
            return !find()->isCounting();
        },
        std::chrono::seconds(120)));
    EXPECT_EQ(find()->status(), "51 matches");
    EXPECT_FALSE(shown.contains("50 matches")) << shown.join(" | ").toStdString();
}

TEST_F(FindTest, PastTenThousandMatchesTheCountSaysSoAndBelowItIsExact) {
    selectPath("many.html");
    app->window()->actionReplace()->trigger();
    bar()->setFindText("<i>");
    EXPECT_EQ(status(), "10,000+ matches");
    find()->findNext();
    EXPECT_EQ(status(), "1 of 10,000+");
    // One replaced: 10,000 left, counted exactly.
    find()->replace();
    EXPECT_EQ(editor()->textCursor().selectionStart(), 6);
    EXPECT_EQ(status(), "1 of 10,000");
    find()->replaceAll();
    EXPECT_EQ(find()->status(), "Replaced 10,000 matches");
    EXPECT_EQ(editor()->toPlainText().count("<i>"), 0);
    // One undo brings all of them back; the first replacement was a step
    // of its own.
    editor()->undo();
    EXPECT_EQ(editor()->toPlainText().count("<i>"), 10000);
}

// The find bar's marks and the matching tag's mark share the view: a
// refresh of the find marks (here after scrolling) keeps the tag's, drawn
// over them.
TEST_F(FindTest, FindMarksLeaveTheMatchingTagMarkInPlace) {
    selectPath("many.html");
    ASSERT_NE(editor(), nullptr);
    editor()->resize(600, 400);
    find()->actionFind();
    bar()->findField()->setText(QStringLiteral("x"));
    QTest::keyClick(bar()->findField(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !find()->highlighted().empty(); }));
    const auto firstShown = [&] { return find()->highlighted().front().start; };

    editor()->verticalScrollBar()->setValue(100);
    ASSERT_TRUE(waitUntil([&] { return firstShown() > 500; }));
    // The caret in the name of a tag on the third line in view.
    const int line = editor()->cursorForPosition(QPoint(0, 0)).blockNumber() + 2;
    QTextCursor c(editor()->document()->findBlockByNumber(line));
    c.setPosition(c.position() + 1);
    editor()->setTextCursor(c);
    ASSERT_EQ(editor()->extraSelections().size(), find()->highlighted().size() + 2);

    const qsizetype before = firstShown();
    editor()->verticalScrollBar()->setValue(101);
    ASSERT_TRUE(waitUntil([&] { return firstShown() != before; }));
    const auto marks = editor()->extraSelections();
    ASSERT_EQ(marks.size(), find()->highlighted().size() + 2);
    // The tag's mark comes last, over the find marks: "i" of <i> and </i>.
    EXPECT_EQ(marks[marks.size() - 2].cursor.selectedText(), QStringLiteral("i"));
    EXPECT_EQ(marks.back().cursor.selectedText(), QStringLiteral("i"));
    EXPECT_EQ(marks[marks.size() - 2].cursor.selectionStart(), c.position());
}
