// Spell checking as you type in the window: the Edit menu's switch and its
// stored setting, which editors it applies to, the word list across a
// restart, and a missing dictionary.
#include "sitefixture.h"

#include "app/spellingcontroller.h"
#include "editor/spellchecker.h"
#include "editor/spellhighlighter.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

using namespace morvane;
using namespace morvane::test;

class SpellingTest : public SiteFixture {
protected:
    void addFiles() override {
        writeFile(site + "/c.html", "<p>Zorblatt here</p>\n");
        writeFile(site + "/d.html", "<p>d</p>\n");
    }
    QAction* menuItem() { return app->window()->actionSpellChecking(); }
    bool stored() { return settings()->value("continuousSpellCheckingEnabled").toBool(); }
    bool checking(TextView* view) {
        SpellHighlighter* marks = SpellHighlighter::of(view);
        return marks && marks->isEnabled();
    }
    TextView* editorOf(const QString& rel) {
        OpenFile* f = app->openFiles()->findByPath(at(rel));
        return f ? f->editor.data() : nullptr;
    }
};

TEST_F(SpellingTest, TheSwitchStoresItsSettingAndTwiceRestoresIt) {
    EXPECT_FALSE(app->continuousSpellCheckingEnabled());
    EXPECT_FALSE(menuItem()->isChecked());
    EXPECT_FALSE(settings()->contains("continuousSpellCheckingEnabled"));
    menuItem()->trigger();
    EXPECT_TRUE(menuItem()->isChecked());
    EXPECT_TRUE(app->continuousSpellCheckingEnabled());
    EXPECT_TRUE(stored());
    app->spelling()->actionSpellChecking();
    EXPECT_FALSE(menuItem()->isChecked());
    EXPECT_FALSE(app->continuousSpellCheckingEnabled());
    EXPECT_FALSE(stored());
    EXPECT_TRUE(settings()->contains("continuousSpellCheckingEnabled"));

    // Read at start-up, with the check mark.
    menuItem()->trigger();
    quitAndForget();
    launch();
    EXPECT_TRUE(app->continuousSpellCheckingEnabled());
    EXPECT_TRUE(menuItem()->isChecked());
}

TEST_F(SpellingTest, StoredTextIsReadForWhatItSays) {
    for (const auto& [text, on] : std::vector<std::pair<QString, bool>>{{"NO", false},
                                                                        {"no", false},
                                                                        {"0", false},
                                                                        {"false", false},
                                                                        {"YES", true},
                                                                        {"true", true},
                                                                        {"1", true},
                                                                        {"", false}}) {
        SCOPED_TRACE(text.toStdString());
        quitAndForget();
        settings()->setValue("continuousSpellCheckingEnabled", text);
        launch();
        EXPECT_EQ(app->continuousSpellCheckingEnabled(), on);
        EXPECT_EQ(menuItem()->isChecked(), on);
    }
}

TEST_F(SpellingTest, OnlyTheShownEditorAndLaterOnesFollowTheSwitch) {
    selectPath("a.html");
    selectPath("b.html");
    TextView* a = editorOf("a.html");
    TextView* b = editorOf("b.html");
    ASSERT_TRUE(a && b);
    EXPECT_FALSE(checking(a));
    menuItem()->trigger(); // b is shown
    EXPECT_TRUE(checking(b));
    selectPath("a.html");
    EXPECT_FALSE(checking(a));
    selectPath("c.html");
    TextView* c = editorOf("c.html");
    EXPECT_TRUE(checking(c));
    EXPECT_TRUE(waitUntil([&] { return !SpellHighlighter::of(c)->markedRanges().isEmpty(); }));
    EXPECT_EQ(SpellHighlighter::of(c)->markedRanges().first(), qMakePair(3, 8));
    // Turned off while c is shown: c stops, b goes on.
    menuItem()->trigger();
    EXPECT_FALSE(checking(c));
    EXPECT_TRUE(SpellHighlighter::of(c)->markedRanges().isEmpty());
    EXPECT_TRUE(checking(b));
    selectPath("d.html");
    EXPECT_FALSE(checking(editorOf("d.html")));
}

TEST_F(SpellingTest, AddedWordsAreKnownAfterARestart) {
    menuItem()->trigger();
    selectPath("c.html");
    SpellHighlighter* marks = SpellHighlighter::of(editor());
    ASSERT_TRUE(waitUntil([&] { return !marks->markedRanges().isEmpty(); }));
    QTextCursor c(editor()->document());
    c.setPosition(5);
    std::unique_ptr<QMenu> menu(marks->contextMenuAt(editor()->cursorRect(c).center()));
    auto* learn = menu->findChild<QAction*>("addToDictionary");
    ASSERT_NE(learn, nullptr);
    learn->trigger();
    menu.reset();
    EXPECT_TRUE(waitUntil([&] { return marks->markedRanges().isEmpty(); }));
    EXPECT_TRUE(readFile(paths::dataFolder() + "/PersonalWords.txt").contains("Zorblatt"));

    quitAndForget();
    launch();
    selectPath("c.html");
    typeAtEnd(" Zorblat");
    QTest::keyClick(editor(), Qt::Key_Home); // the word is finished
    marks = SpellHighlighter::of(editor());
    // The new misspelling is marked, the learnt word is not.
    ASSERT_TRUE(waitUntil([&] { return !marks->markedRanges().isEmpty(); }));
    EXPECT_EQ(marks->markedRanges(), (QList<QPair<int, int>>{{22, 7}}));
}

TEST_F(SpellingTest, AMissingDictionaryIsReportedOnceAndEditingGoesOn) {
    QTemporaryDir empty;
    app->spelling()->setDictionaryLookup({empty.path()}, "en_US");
    selectPath("a.html");
    EXPECT_TRUE(alertTitles().isEmpty()); // nothing is loaded while spelling is off
    menuItem()->trigger();
    EXPECT_EQ(alertTitles(), QStringList({"Spelling cannot be checked."}));
    EXPECT_TRUE(RecordingPlatform::current().alerts.first().message.contains("en_US"));
    selectPath("b.html");
    menuItem()->trigger();
    menuItem()->trigger();
    selectPath("d.html");
    typeAtEnd("Zorblatt");
    EXPECT_EQ(alertTitles().size(), 1);
    EXPECT_TRUE(SpellHighlighter::of(editor())->markedRanges().isEmpty());
    app->actionSave();
    EXPECT_EQ(readFile(at("d.html")), QByteArray("<p>d</p>\nZorblatt"));
}
