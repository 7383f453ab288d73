// The Edit menu and the Preferences command in the main window: items enabled
// only when they can act, indent and outdent on the current editor, and the
// preferences window reaching every open editor and the next start.
#include "app/editmenucontroller.h"
#include "app/preferencescontroller.h"
#include "editor/linenumberruler.h"
#include "editor/preferences.h"
#include "editor/prefswindow.h"
#include "sitefixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>

using namespace morvane;
using namespace morvane::test;

class EditMenuTest : public SiteFixture {
protected:
    MainWindow& w() { return *app->window(); }
    void focusEditor() {
        w().activateWindow();
        editor()->setFocus();
        ASSERT_TRUE(waitUntil([this] { return QApplication::focusWidget() == editor(); }));
    }
    // Preferences runs whose window is driven by the test, then closed.
    void runPreferences(const std::function<void(PrefsWindow&)>& drive) {
        app->preferences()->setWindowRunner([drive](PrefsWindow& window) {
            window.show();
            drive(window);
            window.close();
        });
        w().actionPreferences()->trigger();
    }
};

TEST_F(EditMenuTest, TheMenuHoldsTheCommandsWithTheirKeys) {
    QStringList titles;
    for (QAction* a : w().menuEdit()->actions())
        if (!a->isSeparator())
            titles << a->text().remove(QLatin1Char('&'));
    EXPECT_EQ(titles,
              (QStringList{"Undo", "Redo", "Cut", "Copy", "Paste", "Select All", "Find", "Indent",
                           "Outdent", "Toggle Comment", QStringLiteral("Go to Line\u2026"),
                           "Go to Matching Bracket", "Show Completions", "Close Tags While Typing",
                           "Check Spelling While Typing", QStringLiteral("Preferences\u2026")}));
    EXPECT_EQ(w().actionUndo()->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_EQ(w().actionSelectAll()->shortcut(), QKeySequence(QKeySequence::SelectAll));
    EXPECT_EQ(w().actionIndent()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    EXPECT_EQ(w().actionOutdent()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    EXPECT_EQ(w().actionPreferences()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    // Find, indenting, spelling and Preferences each stand in their own group.
    const QList<QAction*> items = w().menuEdit()->actions();
    EXPECT_EQ(items.indexOf(w().editFindSpot()), items.indexOf(w().actionSelectAll()) + 2);
    EXPECT_EQ(items.indexOf(w().actionIndent()), items.indexOf(w().editFindSpot()) + 1);
    EXPECT_TRUE(items.at(items.indexOf(w().actionOutdent()) + 1)->isSeparator());
    EXPECT_EQ(items.indexOf(w().editSpellingSpot()), items.indexOf(w().actionSpellChecking()) + 1);
}

TEST_F(EditMenuTest, ItemsAreEnabledOnlyWhenTheyCanAct) {
    // No file shown: nothing to edit.
    EXPECT_FALSE(w().actionIndent()->isEnabled());
    EXPECT_FALSE(w().actionUndo()->isEnabled());
    EXPECT_TRUE(w().actionPreferences()->isEnabled());

    selectPath("a.html");
    focusEditor();
    EXPECT_TRUE(w().actionIndent()->isEnabled());
    EXPECT_TRUE(w().actionOutdent()->isEnabled());
    EXPECT_FALSE(w().actionUndo()->isEnabled());
    EXPECT_FALSE(w().actionRedo()->isEnabled());
    EXPECT_FALSE(w().actionCopy()->isEnabled());
    EXPECT_FALSE(w().actionCut()->isEnabled());
    EXPECT_TRUE(w().actionSelectAll()->isEnabled());

    typeAtEnd("x");
    EXPECT_TRUE(w().actionUndo()->isEnabled());
    w().actionSelectAll()->trigger();
    EXPECT_TRUE(w().actionCopy()->isEnabled());
    EXPECT_TRUE(w().actionCut()->isEnabled());
    w().actionCopy()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("<p>a</p>\nx"));
    EXPECT_TRUE(w().actionPaste()->isEnabled());
    w().actionUndo()->trigger();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<p>a</p>\n"));
    EXPECT_TRUE(w().actionRedo()->isEnabled());
    w().actionRedo()->trigger();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<p>a</p>\nx"));

    // An empty clipboard leaves nothing to paste.
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(w().actionPaste()->isEnabled());

    // With the focus in the outline, the standard items do not act on the
    // editor out of sight.
    w().outlineView()->setFocus();
    ASSERT_TRUE(waitUntil([this] { return QApplication::focusWidget() == w().outlineView(); }));
    EXPECT_FALSE(w().actionCopy()->isEnabled());
    EXPECT_FALSE(w().actionUndo()->isEnabled());
    EXPECT_FALSE(w().actionSelectAll()->isEnabled());

    // In the preview tab there is no editor to indent.
    w().tabView()->setCurrentIndex(1);
    EXPECT_FALSE(w().actionIndent()->isEnabled());
}

TEST_F(EditMenuTest, StandardItemsActOnAFocusedTextField) {
    selectPath("a.html");
    QLineEdit field(&w());
    field.show();
    field.setText(QStringLiteral("find me"));
    field.setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == &field; }));
    EXPECT_EQ(app->editMenu()->target(), &field);
    w().actionSelectAll()->trigger();
    EXPECT_EQ(field.selectedText(), QStringLiteral("find me"));
    w().actionCut()->trigger();
    EXPECT_TRUE(field.text().isEmpty());
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<p>a</p>\n"));
}

TEST_F(EditMenuTest, IndentAndOutdentActOnTheCurrentEditorAndAreSaved) {
    selectPath("a.html");
    focusEditor();
    QTextCursor c = editor()->textCursor();
    c.movePosition(QTextCursor::End);
    editor()->setTextCursor(c);
    w().actionIndent()->trigger();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<p>a</p>\n\t"));
    c.setPosition(3);
    editor()->setTextCursor(c);
    w().actionIndent()->trigger();
    w().actionIndent()->trigger();
    w().actionOutdent()->trigger();
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("\t<p>a</p>\n\t"));
    EXPECT_EQ(QApplication::focusWidget(), editor());
    app->actionSave();
    EXPECT_EQ(readFile(at("a.html")), QByteArray("\t<p>a</p>\n\t"));
    EXPECT_TRUE(marked("a.html"));
}

TEST_F(EditMenuTest, TheBracketKeysReachIndentAndOutdent) {
    selectPath("a.html");
    focusEditor();
    QTest::keyClick(editor(), Qt::Key_BracketRight, Qt::ControlModifier);
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("\t<p>a</p>\n"));
    EXPECT_EQ(editor()->textCursor().position(), 1);
    // With Shift the key is another one: not indent.
    QTest::keyClick(editor(), Qt::Key_BraceRight, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("\t<p>a</p>\n"));
    QTest::keyClick(editor(), Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("<p>a</p>\n"));
}

TEST_F(EditMenuTest, PreferencesReachEveryOpenEditorAndTheNextStart) {
    selectPath("a.html");
    TextView* first = editor();
    selectPath("b.html");
    TextView* second = editor();
    ASSERT_NE(first, second);
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSize(17);
    runPreferences([&](PrefsWindow& window) {
        window.setColourChooser(
            [](QWidget*, const QColor&, const QString&) { return QColor(12, 34, 56); });
        window.setFontChooser([&](QWidget*, const QFont&) { return std::optional<QFont>(chosen); });
        window.colourButton(ColourRole::Tag)->click();
        window.fontButton()->click();
        window.autoIndentBox()->setChecked(true);
    });
    for (TextView* v : {first, second}) {
        EXPECT_EQ(v->font().family(), QStringLiteral("DejaVu Serif"));
        EXPECT_EQ(v->font().pointSize(), 17);
    }
    EXPECT_TRUE(app->preferenceValues()->autoIndent());
    // The shown editor is recoloured with the new tag colour.
    EXPECT_TRUE(waitUntil([&] {
        for (const auto& r : second->document()->begin().layout()->formats())
            if (r.format.foreground().color() == QColor(12, 34, 56))
                return true;
        return false;
    }));
    // A file opened later takes the font too.
    writeFile(at("c.html"), "<i>c</i>");
    app->actionRefresh();
    selectPath("c.html");
    EXPECT_EQ(editor()->font().pointSize(), 17);

    quitAndForget();
    launch();
    EXPECT_EQ(app->preferenceValues()->colourTag(), QColor(12, 34, 56));
    EXPECT_EQ(app->preferenceValues()->font().pointSize(), 17);
    EXPECT_TRUE(app->preferenceValues()->autoIndent());

    // Auto-indent is now on in the editor.
    selectPath("a.html");
    focusEditor();
    QTextCursor c(editor()->document());
    c.insertText(QStringLiteral("  "));
    c.movePosition(QTextCursor::EndOfBlock);
    editor()->setTextCursor(c);
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_TRUE(waitUntil(
        [this] { return editor()->toPlainText() == QStringLiteral("  <p>a</p>\n  \n"); }));
}

TEST_F(EditMenuTest, ResetInThePreferencesStoresTheDefaults) {
    runPreferences([](PrefsWindow& window) {
        window.setColourChooser(
            [](QWidget*, const QColor&, const QString&) { return QColor(Qt::green); });
        window.colourButton(ColourRole::Comment)->click();
    });
    EXPECT_EQ(settings()->value("colorComment").toString(),
              Preferences::colourToText(QColor(Qt::green)));
    runPreferences([](PrefsWindow& window) { window.resetButton()->click(); });
    EXPECT_EQ(app->preferenceValues()->colourComment(),
              Preferences::defaultColour(ColourRole::Comment));
    EXPECT_EQ(settings()->value("colorComment").toString(),
              Preferences::colourToText(Preferences::defaultColour(ColourRole::Comment)));
    EXPECT_EQ(settings()->value("autoindent").toString(), QStringLiteral("false"));
}
