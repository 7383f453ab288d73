// Searching and replacing: literal and regular-expression searches on plain
// text, and the same applied to an editor's document, where line ends are
// paragraph breaks and every replacement must be one undo step.
#include "editor/documentsearch.h"
#include "editor/findengine.h"
#include "editor/matchcounter.h"
#include "testenv.h"

#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace morvane;

namespace {

FindOptions regex(bool caseSensitive = false, bool words = false) {
    return FindOptions{caseSensitive, words, true};
}

// A document holding `text` with no undo history, as an editor has after
// reading a file.
std::unique_ptr<QTextDocument> makeDoc(const QString& text) {
    auto doc = std::make_unique<QTextDocument>(text);
    doc->clearUndoRedoStacks();
    return doc;
}

QString docText(const QTextDocument& doc) {
    QString t = doc.toRawText();
    t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return t;
}

} // namespace

TEST(FindEngine, GroupsInTheExpressionAreUsedByTheReplacement) {
    const QString text = QStringLiteral("John Smith, Jane Doe");
    const Finder f(QStringLiteral("(\\w+) (\\w+)"), regex());
    ASSERT_TRUE(f.isUsable());
    const auto m = f.nextMatch(text, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(f.replacementFor(text, *m, QStringLiteral("\\2, \\1")), "Smith, John");
    // \0 is the whole match; a group number past the last group keeps its
    // digit as text; \\, \n and \t are a backslash, a line feed and a tab.
    EXPECT_EQ(f.replacementFor(text, *m, QStringLiteral("[\\0]")), "[John Smith]");
    EXPECT_EQ(f.replacementFor(text, *m, QStringLiteral("\\13")), "John3");
    EXPECT_EQ(f.replacementFor(text, *m, QStringLiteral("a\\\\b\\nc\\td\\")), "a\\b\nc\td\\");
    // A literal search takes the replacement as it is.
    const Finder lit(QStringLiteral("John"), FindOptions{});
    EXPECT_EQ(lit.replacementFor(text, TextMatch{0, 4}, QStringLiteral("\\1")), "\\1");
}

TEST(FindEngine, CaseAndWholeWords) {
    const QString text = QStringLiteral("Cat cat concat cat_1 CAT.");
    auto starts = [&](const Finder& f) {
        std::vector<qsizetype> out;
        f.forEachMatch(text, 0, text.size() + 1, [&](const TextMatch& m) {
            out.push_back(m.start);
            return true;
        });
        return out;
    };
    EXPECT_EQ(starts(Finder("cat", {})), (std::vector<qsizetype>{0, 4, 11, 15, 21}));
    EXPECT_EQ(starts(Finder("cat", {true, false, false})), (std::vector<qsizetype>{4, 11, 15}));
    EXPECT_EQ(starts(Finder("cat", {false, true, false})), (std::vector<qsizetype>{0, 4, 21}));
    EXPECT_EQ(starts(Finder("c.t", regex(false, true))), (std::vector<qsizetype>{0, 4, 21}));
    // A word-bound match right after a longer non-matching word is still found.
    EXPECT_EQ(starts(Finder("at", {false, true, false})), std::vector<qsizetype>{});
}

TEST(FindEngine, MatchAtTheVeryEndAndWrapAround) {
    const QString text = QStringLiteral("end, and the end");
    const Finder f(QStringLiteral("end"), FindOptions{false, true, false});
    bool wrapped = true;
    auto m = f.findForward(text, 3, &wrapped);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 13);
    EXPECT_EQ(m->end(), text.size());
    EXPECT_FALSE(wrapped);
    // From the very end the search wraps to the first match.
    m = f.findForward(text, text.size(), &wrapped);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 0);
    EXPECT_TRUE(wrapped);
    // Backwards from the start wraps to the one at the end.
    m = f.findBackward(text, 0, &wrapped);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 13);
    EXPECT_TRUE(wrapped);
    // An expression anchored at the end of the text.
    const Finder anchored(QStringLiteral("e(n)d$"), regex());
    m = anchored.findForward(text, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 13);
    EXPECT_EQ(anchored.replacementFor(text, *m, "\\1"), "n");
    // Backwards through an expression, across the growing search stretches.
    QString longText = QStringLiteral("x1 ") + QString(20000, u'-') + QStringLiteral(" x2");
    const Finder digits(QStringLiteral("x\\d"), regex());
    m = digits.findBackward(longText, qsizetype(longText.size()) - 3);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 0);
}

TEST(FindEngine, EmptyMatchesMoveOn) {
    const QString text = QStringLiteral("a\nb\nc");
    const Finder lineStart(QStringLiteral("^"), regex());
    EXPECT_EQ(lineStart.countMatches(text), 3);
    // Repeating the search from an empty match goes to the next one.
    auto m = lineStart.findForward(text, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 2);
    m = lineStart.findForward(text, 4);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 0); // wrapped
}

TEST(FindEngine, AnInvalidExpressionSaysWhyAndFindsNothing) {
    const Finder f(QStringLiteral("(unclosed[group"), regex());
    EXPECT_FALSE(f.isUsable());
    EXPECT_FALSE(f.errorString().isEmpty());
    const QString text = QStringLiteral("(unclosed[group");
    EXPECT_FALSE(f.nextMatch(text, 0));
    EXPECT_FALSE(f.findForward(text, 0));
    EXPECT_FALSE(f.findBackward(text, text.size()));
    EXPECT_EQ(f.countMatches(text), 0);

    auto docHolder = makeDoc(text);
    QTextDocument& doc = *docHolder;
    DocumentSearch search(&doc);
    EXPECT_EQ(search.replaceAll(f, QStringLiteral("x")), 0);
    EXPECT_FALSE(search.find(f, 0, 0, false));
    EXPECT_EQ(doc.toPlainText(), text);
    EXPECT_FALSE(doc.isUndoAvailable());
    // The same text searched literally is found.
    EXPECT_EQ(Finder(text, {}).countMatches(text), 1);
}

TEST(DocumentSearch, MatchesAcrossLineEnds) {
    auto docHolder = makeDoc(QStringLiteral("one foo\nbar two\nfoo\n  bar"));
    QTextDocument& doc = *docHolder;
    DocumentSearch search(&doc);
    const Finder f(QStringLiteral("foo\\n\\s*bar"), regex());
    auto m = search.find(f, 0, 0, false);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, 4);
    EXPECT_EQ(m->length, 7);
    EXPECT_EQ(search.matchesIn(f, 0, 30).size(), 2u);
    // Literal text with a line break (taken from a selection) finds it too,
    // in either letter case.
    EXPECT_EQ(search.find(Finder("foo\nbar", {true, false, false}), 0, 0, false), m);
    EXPECT_EQ(search.find(Finder("FOO\nBAR", {}), 0, 0, false), m);
    EXPECT_EQ(search.find(Finder("[\\n]bar", regex()), 0, 0, false)->start, 7);
    // ^ and $ are the ends of each line.
    EXPECT_EQ(Finder(QStringLiteral("^foo$"), regex()).countMatches(search.text()), 1);

    EXPECT_EQ(search.replaceAll(f, QStringLiteral("[\\0]")), 2);
    EXPECT_EQ(docText(doc), "one [foo\nbar] two\n[foo\n  bar]");
    EXPECT_EQ(doc.blockCount(), 4);
    // Joining the lines takes the paragraph breaks away.
    EXPECT_EQ(search.replaceAll(Finder(QStringLiteral("\\n"), regex()), " "), 3);
    EXPECT_EQ(doc.blockCount(), 1);
    EXPECT_EQ(docText(doc), "one [foo bar] two [foo   bar]");
}

TEST(DocumentSearch, ReplacingTheSelectionOnlyWhenItIsAMatch) {
    auto docHolder = makeDoc(QStringLiteral("colour color colour"));
    QTextDocument& doc = *docHolder;
    DocumentSearch search(&doc);
    const Finder f(QStringLiteral("colou?r"), regex(true, true));
    EXPECT_FALSE(search.replaceSelection(f, 0, 3, "x")); // part of a word only
    const auto done = search.replaceSelection(f, 7, 12, QStringLiteral("hue"));
    ASSERT_TRUE(done);
    EXPECT_EQ(done->start, 7);
    EXPECT_EQ(done->length, 3);
    EXPECT_EQ(doc.toPlainText(), "colour hue colour");
    doc.undo();
    EXPECT_EQ(doc.toPlainText(), "colour color colour");
}

TEST(DocumentSearch, ReplaceAllOfManyMatchesIsOneUndoStep) {
    QString original;
    constexpr int kLines = 20000;
    for (int i = 0; i < kLines; ++i)
        original += QStringLiteral("cat dog cat dog cat <b>cat</b> cat\n");
    auto docHolder = makeDoc(original);
    QTextDocument& doc = *docHolder;
    DocumentSearch search(&doc);
    const Finder f(QStringLiteral("cat"), FindOptions{true, true, false});
    EXPECT_EQ(f.countMatches(search.text()), 5 * kLines);
    EXPECT_EQ(search.replaceAll(f, QStringLiteral("lion")), 5 * kLines);
    QString expected = original;
    expected.replace(QStringLiteral("cat"), QStringLiteral("lion"));
    EXPECT_EQ(docText(doc), expected);
    EXPECT_EQ(doc.blockCount(), kLines + 1);
    // The cached text follows the edit.
    EXPECT_EQ(f.countMatches(search.text()), 0);

    doc.undo();
    EXPECT_EQ(docText(doc), original);
    EXPECT_FALSE(doc.isUndoAvailable());
    doc.redo();
    EXPECT_EQ(docText(doc), expected);
}

TEST(DocumentSearch, MatchesInAStretchSeeTheirSurroundings) {
    QString text(3000, u'a');
    text.insert(1500, QStringLiteral(" needle "));
    auto docHolder = makeDoc(text);
    QTextDocument& doc = *docHolder;
    DocumentSearch search(&doc);
    const Finder f(QStringLiteral("needle"), FindOptions{false, true, false});
    // Found without the whole text, and with the text cached: the same.
    auto a = search.matchesIn(f, 1400, 1600);
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0].start, 1501);
    search.text();
    EXPECT_EQ(search.matchesIn(f, 1400, 1600), a);
    EXPECT_TRUE(search.matchesIn(f, 0, 1400).empty());
    // Word boundaries just outside the stretch still count.
    EXPECT_TRUE(search.matchesIn(Finder("aaa", {false, true, false}), 1400, 1500).empty());
}

namespace {

// Every match replaced one by one with replacementFor(), from the last to
// the first: what Replace All must come to, however it gets there.
QString replacedOneByOne(const Finder& f, const QString& text, const QString& with) {
    std::vector<std::pair<TextMatch, QString>> found;
    f.forEachMatch(text, 0, text.size() + 1, [&](const TextMatch& m) {
        found.emplace_back(m, f.replacementFor(text, m, with));
        return true;
    });
    QString out = text;
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        out.replace(it->first.start, it->first.length, it->second);
    return out;
}

} // namespace

TEST(FindEngine, ReplaceAllInOnePassGivesTheSameTextAsOneByOne) {
    const QString para = QString(QChar::ParagraphSeparator);
    const QString text = QStringLiteral("<li>pear</li>") + para + QStringLiteral("<li>plum</li>") +
                         para + QStringLiteral("cat concat Cat") + para + QString() + para +
                         QStringLiteral("x1 x22 x333");
    struct Case {
        const char* pattern;
        FindOptions options;
        const char* with;
    };
    const Case cases[] = {
        {"<li>(\\w+)</li>\\n", regex(true), "[\\1]\\n"}, // groups across lines
        {"</li>\\n<li>", regex(), ", "},                 // joins lines
        {"cat", {false, true, false}, "dog"},            // whole words, any case
        {"cat", {true, false, false}, ""},               // removed
        {"^", regex(), "> "},                            // empty matches
        {"$", regex(), ";"},                             // empty, at line ends
        {"x(\\d)(\\d*)", regex(), "\\2\\1\\0"},          // groups, one empty
        {"\\n\\n", regex(), "\\n"},                      // an empty line taken out
        {"nothing", {}, "x"},                            // no match
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        const Finder f(QString::fromUtf8(c.pattern), c.options);
        ASSERT_TRUE(f.isUsable());
        const QString with = QString::fromUtf8(c.with);
        const Finder::Replaced r = f.replaceAll(text, with);
        EXPECT_EQ(r.count, f.countMatches(text));
        QString whole = text;
        whole.replace(r.from, r.to - r.from, r.text);
        EXPECT_EQ(whole, replacedOneByOne(f, text, with));
    }
}

TEST(FindEngine, ReplaceAllMovesPositionsWithTheText) {
    const QString text = QStringLiteral("ab cat cd cat ef");
    const Finder f(QStringLiteral("cat"), {});
    // Before the first match, inside one, at the end of one, between, after.
    std::vector<qsizetype> positions{1, 4, 6, 8, 11, 16};
    const Finder::Replaced r = f.replaceAll(text, QStringLiteral("tiger"), &positions);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(QString(text).replace(r.from, r.to - r.from, r.text), "ab tiger cd tiger ef");
    EXPECT_EQ(positions, (std::vector<qsizetype>{1, 3, 8, 10, 12, 20}));
}

TEST(FindEngine, TextWithALoneSurrogateIsSearchedAndKept) {
    // Half of a character pair (a damaged file, a bad paste): the search
    // goes on past it and the replacement leaves it as it was.
    QString text = QStringLiteral("one two ");
    text += QChar(0xD800);
    text += QStringLiteral(" two three two");
    const Finder f(QStringLiteral("t(w)o"), regex());
    EXPECT_EQ(f.countMatches(text), 3);
    const Finder::Replaced r = f.replaceAll(text, QStringLiteral("[\\1]"));
    EXPECT_EQ(r.count, 3);
    QString whole = text;
    whole.replace(r.from, r.to - r.from, r.text);
    QString expected = QStringLiteral("one [w] ");
    expected += QChar(0xD800);
    expected += QStringLiteral(" [w] three [w]");
    EXPECT_EQ(whole, expected);
    EXPECT_EQ(f.findBackward(text, text.size())->start, 20);
}

TEST(MatchCounter, CountsExactlyUpToTheLimitAndSaysWhenThereAreMore) {
    const qsizetype limit = MatchCounter::kLimit;
    const Finder f(QStringLiteral("ab"), {});
    for (const qsizetype n :
         {qsizetype(0), qsizetype(1), limit - 1, limit, limit + 1, 13 * limit}) {
        SCOPED_TRACE(n);
        QString text;
        for (qsizetype i = 0; i < n; ++i)
            text += QStringLiteral("ab, ");
        const MatchCounter::Count here = MatchCounter::countNow(f, text);
        EXPECT_EQ(qsizetype(here.starts.size()), std::min(n, limit));
        EXPECT_EQ(here.more, n > limit);
        if (!here.starts.empty()) {
            EXPECT_EQ(here.starts.back(), (std::min(n, limit) - 1) * 4);
        }

        // The same on the counting thread.
        MatchCounter counter;
        std::optional<MatchCounter::Count> there;
        QObject::connect(&counter, &MatchCounter::counted,
                         [&](const MatchCounter::Count& c) { there = c; });
        counter.start(f, text);
        EXPECT_TRUE(counter.isBusy());
        ASSERT_TRUE(test::waitUntil([&] { return there.has_value(); }));
        EXPECT_FALSE(counter.isBusy());
        EXPECT_EQ(there->starts, here.starts);
        EXPECT_EQ(there->more, here.more);
    }
}

TEST(MatchCounter, OnlyTheLatestCountIsReported) {
    QString many, few;
    for (int i = 0; i < 50000; ++i)
        many += QStringLiteral("word ");
    few = QStringLiteral("word word word");
    const Finder f(QStringLiteral("word"), {});
    MatchCounter counter;
    std::vector<MatchCounter::Count> reported;
    QObject::connect(&counter, &MatchCounter::counted,
                     [&](const MatchCounter::Count& c) { reported.push_back(c); });
    // The text changed while it was counted: the first count never shows,
    // whether it was abandoned or had already finished.
    counter.start(f, many);
    counter.start(f, few);
    ASSERT_TRUE(test::waitUntil([&] { return !counter.isBusy(); }));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].starts, (std::vector<qsizetype>{0, 5, 10}));
    // An abandoned count is not reported at all.
    counter.start(f, many);
    counter.cancel();
    EXPECT_FALSE(counter.isBusy());
    counter.start(f, few);
    ASSERT_TRUE(test::waitUntil([&] { return !counter.isBusy(); }));
    EXPECT_EQ(reported.size(), 2u);
    // Going away while a count runs is safe.
    auto gone = std::make_unique<MatchCounter>();
    gone->start(f, many);
    gone.reset();
}

TEST(DocumentSearch, ReplaceAllKeepsTheCaretAndIsOneStepAcrossLines) {
    auto docHolder = makeDoc(QStringLiteral("<b>one</b>\n<b>two</b>\nkeep\n<b>three</b>\n"));
    QTextDocument& doc = *docHolder;
    DocumentSearch search(&doc);
    const Finder f(QStringLiteral("<b>(\\w+)</b>\\n"), regex());
    // A selection of "keep", between the matches.
    std::vector<int> positions{22, 26};
    EXPECT_EQ(search.replaceAll(f, QStringLiteral("\\1 "), &positions), 3);
    EXPECT_EQ(docText(doc), "one two keep\nthree ");
    EXPECT_EQ(doc.toPlainText().mid(positions[0], positions[1] - positions[0]), "keep");
    EXPECT_EQ(doc.blockCount(), 2);
    doc.undo();
    EXPECT_EQ(docText(doc), "<b>one</b>\n<b>two</b>\nkeep\n<b>three</b>\n");
    EXPECT_FALSE(doc.isUndoAvailable());
    // Matches replaced by themselves change nothing: no undo step.
    EXPECT_EQ(search.replaceAll(f, QStringLiteral("\\0")), 3);
    EXPECT_FALSE(doc.isUndoAvailable());
}
