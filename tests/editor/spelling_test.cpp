// Spelling: which words of prose are checked, finding a dictionary, the
// personal word list across restarts, and the marks drawn in an editor of
// HTML and PHP, where only text between tags and comment text count.
#include "editor/spellchecker.h"
#include "editor/spellhighlighter.h"
#include "editor/syntaxcolourer.h"
#include "testenv.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

QStringList words(const QString& text) {
    QStringList out;
    for (const WordSpan& w : wordsToCheck(text))
        out << text.mid(w.start, w.length);
    return out;
}

std::optional<DictionaryFiles> systemEnglish() {
    return findDictionary(QStringLiteral("en_US"), defaultDictionaryFolders());
}

} // namespace

TEST(SpellWords, ProseWordsOnly) {
    EXPECT_EQ(words("Hello wrold, don't stop"), QStringList({"Hello", "wrold", "don't", "stop"}));
    // Entity names, identifiers, addresses, paths and file names are not prose.
    EXPECT_EQ(words("a&nbsp;b x_y abc123 see www.example.com or /usr/lib and mail@host.org"),
              QStringList({"see", "or", "and"}));
    EXPECT_EQ(words("Go to http://example.com/page now."), QStringList({"Go", "to", "now"}));
    EXPECT_EQ(words("index.html is it. Next"), QStringList({"is", "it", "Next"}));
    // Letters beyond ASCII, and a typographic apostrophe inside a word.
    EXPECT_EQ(words(QStringLiteral("caf\u00e9 it\u2019s")),
              QStringList({QStringLiteral("caf\u00e9"), QStringLiteral("it\u2019s")}));
}

TEST(SpellDictionary, FollowsTheLanguageElseEnglish) {
    QTemporaryDir dir;
    for (const char* name : {"de_AT", "en_US"}) {
        writeFile(dir.filePath(QString(name) + ".aff"), "SET UTF-8\n");
        writeFile(dir.filePath(QString(name) + ".dic"), "1\nwort\n");
    }
    const QStringList folders{dir.path()};
    EXPECT_EQ(findDictionary("de_DE", folders)->name, "de_AT");
    EXPECT_EQ(findDictionary("de-AT", folders)->name, "de_AT");
    EXPECT_EQ(findDictionary("fr_FR", folders)->name, "en_US");
    EXPECT_EQ(findDictionary("C", folders)->name, "en_US");
    QTemporaryDir empty;
    EXPECT_FALSE(findDictionary("en_US", {empty.path()}));
    // A dictionary without its words is refused with a reason.
    writeFile(dir.filePath("xx_XX.aff"), "SET UTF-8\n");
    writeFile(dir.filePath("xx_XX.dic"), "0\n");
    QString error;
    EXPECT_EQ(SpellChecker::open(*findDictionary("xx_XX", folders), dir.filePath("w.txt"), &error),
              nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST(SpellDictionary, PersonalWordsSurviveARestart) {
    const auto dict = systemEnglish();
    ASSERT_TRUE(dict) << "the hunspell-en-us package is needed";
    QTemporaryDir dir;
    const QString list = dir.filePath("data/Words.txt");
    {
        auto checker = SpellChecker::open(*dict, list);
        ASSERT_TRUE(checker);
        EXPECT_TRUE(checker->isCorrect(u"house"));
        EXPECT_FALSE(checker->isCorrect(u"Morvanesque"));
        EXPECT_TRUE(checker->suggestions("huose").contains("house"));
        QString error;
        EXPECT_TRUE(checker->addToPersonalList("Morvanesque", &error)) << error.toStdString();
        EXPECT_TRUE(checker->isCorrect(u"Morvanesque")); // the cached "wrong" is forgotten
        EXPECT_TRUE(checker->addToPersonalList(QStringLiteral("na\u00efvet\u00e9x")));
        checker->addToPersonalList("Morvanesque"); // once in the list
    }
    EXPECT_EQ(QString::fromUtf8(readFile(list)),
              QStringLiteral("Morvanesque\nna\u00efvet\u00e9x\n"));
    auto again = SpellChecker::open(*dict, list);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isCorrect(u"Morvanesque"));
    EXPECT_TRUE(again->isCorrect(QStringLiteral("na\u00efvet\u00e9x")));
    EXPECT_FALSE(again->isCorrect(u"Morvanesquee"));
}

class SpellMarks : public ::testing::Test {
protected:
    void SetUp() override {
        const auto dict = systemEnglish();
        ASSERT_TRUE(dict) << "the hunspell-en-us package is needed";
        checker = SpellChecker::open(*dict, dir.filePath("words.txt"));
        ASSERT_TRUE(checker);
        editor.resize(900, 600);
        editor.show();
        colourer = new SyntaxColourer(&editor);
        marks = new SpellHighlighter(&editor, colourer, checker.get());
        marks->setEnabled(true);
    }

    // The words marked, once the colouring and checking have run.
    QStringList markedWords() {
        waitUntil([&] { return !marks->markedRanges().isEmpty(); }, std::chrono::seconds(3));
        QCoreApplication::processEvents();
        QStringList out;
        const QString text = editor.document()->toPlainText();
        for (const auto& [start, length] : marks->markedRanges())
            out << text.mid(start, length);
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<SpellChecker> checker;
    QPlainTextEdit editor;
    SyntaxColourer* colourer = nullptr;
    SpellHighlighter* marks = nullptr;
};

TEST_F(SpellMarks, OnlyTextAndCommentsAreChecked) {
    editor.setPlainText(
        QStringLiteral("<p class=\"wrongg\" data-zzqxx='tittle'>Helllo <b>wrlld</b> good text</p>\n"
                       "<!-- a commmment here -->\n"
                       "<?php $mispeled = \"mispeled\"; echo strtoupperr($x); // phpcommentt\n"
                       "/* blockk */ ?>\n"
                       "<a href=\"zzqx.html\" title=\"tittle\">lnkk</a> <unknowntagg>"));
    EXPECT_EQ(markedWords(),
              QStringList({"Helllo", "wrlld", "commmment", "phpcommentt", "blockk", "lnkk"}));
    // Underlined with a wave in the block's formats, over the colour roles.
    const QTextBlock first = editor.document()->firstBlock();
    bool wave = false;
    for (const auto& r : first.layout()->formats())
        wave |= r.format.underlineStyle() == QTextCharFormat::WaveUnderline;
    EXPECT_TRUE(wave);
}

TEST_F(SpellMarks, InStyleAndScriptElementsOnlyCommentsAreChecked) {
    editor.setPlainText(
        QStringLiteral("<p>Helllo</p><style>.wrongg { colr: bluu; } /* a notte */</style>\n"
                       "<script>var elemnt = getElemnt(\"idd\"); // commmentt\n"
                       "/* blockk */ wrld();</script><p>lnkk</p>"));
    EXPECT_EQ(markedWords(), QStringList({"Helllo", "notte", "commmentt", "blockk", "lnkk"}));
}

TEST_F(SpellMarks, FilesThatAreNotColouredAreCheckedWhenTheyAreProse) {
    const QString text = QStringLiteral("body { colr: red; } /* a notte */");
    colourer->setFilePath("style.css");
    editor.setPlainText(text);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    // A style sheet's code is never checked, its comments are.
    EXPECT_EQ(markedWords(), QStringList({"notte"}));
    colourer->setFilePath("notes.txt");
    editor.setPlainText(text);
    EXPECT_EQ(markedWords(), QStringList({"colr", "notte"}));
}

TEST_F(SpellMarks, FollowTypingAndTheSwitch) {
    editor.setPlainText(QStringLiteral("<p>Fine words</p>"));
    QCoreApplication::processEvents();
    QTextCursor c(editor.document());
    c.setPosition(13); // before "</p>"
    editor.setTextCursor(c);
    editor.activateWindow();
    editor.setFocus();
    QTest::keyClicks(&editor, " wrrong");
    // Not while it is being typed (when the editor has the focus), but as
    // soon as the caret leaves it.
    QCoreApplication::processEvents();
    if (editor.hasFocus()) {
        EXPECT_TRUE(marks->markedRanges().isEmpty());
    }
    QTest::keyClick(&editor, Qt::Key_Left);
    EXPECT_EQ(markedWords(), QStringList({"wrrong"}));
    // Typing a '<' before it turns the word into a tag name: no mark.
    c.setPosition(11);
    editor.setTextCursor(c);
    QTest::keyClicks(&editor, "<");
    EXPECT_TRUE(waitUntil([&] { return marks->markedRanges().isEmpty(); }));

    editor.setPlainText(QStringLiteral("Anothr line"));
    EXPECT_EQ(markedWords(), QStringList({"Anothr"}));
    marks->setEnabled(false);
    EXPECT_TRUE(marks->markedRanges().isEmpty());
    for (const auto& r : editor.document()->firstBlock().layout()->formats())
        EXPECT_NE(r.format.underlineStyle(), QTextCharFormat::WaveUnderline);
    marks->setEnabled(true);
    EXPECT_EQ(markedWords(), QStringList({"Anothr"}));
}

TEST_F(SpellMarks, ContextMenuCorrectsAndLearns) {
    editor.setPlainText(QStringLiteral("A huose and a Zorblat."));
    ASSERT_EQ(markedWords(), QStringList({"huose", "Zorblat"}));
    auto pointAt = [&](int position) {
        QTextCursor c(editor.document());
        c.setPosition(position);
        return editor.cursorRect(c).center();
    };
    std::unique_ptr<QMenu> menu(marks->contextMenuAt(pointAt(4)));
    QAction* house = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == "house")
            house = a;
    ASSERT_NE(house, nullptr);
    house->trigger();
    EXPECT_EQ(editor.toPlainText(), "A house and a Zorblat.");
    editor.document()->undo();
    EXPECT_EQ(editor.toPlainText(), "A huose and a Zorblat.");
    editor.document()->redo();
    ASSERT_EQ(markedWords(), QStringList({"Zorblat"}));

    menu.reset(marks->contextMenuAt(pointAt(16)));
    auto* learn = menu->findChild<QAction*>("addToDictionary");
    ASSERT_NE(learn, nullptr);
    learn->trigger();
    EXPECT_TRUE(waitUntil([&] { return marks->markedRanges().isEmpty(); }));
    EXPECT_TRUE(checker->personalWords().contains("Zorblat"));
    // A click on a correct word offers only the usual commands.
    menu.reset(marks->contextMenuAt(pointAt(1)));
    EXPECT_EQ(menu->findChild<QAction*>("addToDictionary"), nullptr);
}
