// The colouring driver in a real editor on the offscreen platform. Every
// pass any test causes is checked by PassChecker: the window starts at the
// last marked '<' at least 100 characters before the anchor, ends where the
// pass kind says, and leaves exactly the attributes the scanner gives for
// that window over the attributes that were there before.
#include "syntaxtesthelpers.h"
#include "testenv.h"

#include "editor/preferences.h"
#include "editor/syntaxcolourer.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

std::u16string rawText(const QPlainTextEdit& e) {
    QString s = e.document()->toRawText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

// Checks each pass against the scanner run by hand on a copy of the store.
class PassChecker {
public:
    PassChecker(QPlainTextEdit& editor, SyntaxColourer& colourer, const std::int64_t& lastEdit)
        : m_editor(editor), m_colourer(colourer), m_lastEdit(lastEdit) {
        QObject::connect(&colourer, &SyntaxColourer::passStarted, [this] {
            m_before = m_colourer.store();
            // The view's layout can be asked only outside edits, and only
            // viewport passes need it.
            if (!editing)
                m_visible = m_colourer.visibleRange();
            m_bound = m_colourer.visibleCharacterUpperBound();
        });
        QObject::connect(&colourer, &SyntaxColourer::passFinished, [this] { check(); });
    }
    int checked = 0;
    bool editing = false; // inside the document's change notification

private:
    void check() {
        const SyntaxColourer::PassInfo p = m_colourer.lastPass();
        const std::u16string text = rawText(m_editor);
        const AttributeStore& after = m_colourer.store();
        ASSERT_EQ(after.size(), std::int64_t(text.size())) << "store out of step with the text";
        if (text.empty() || p.windowStart < 0)
            return;
        const std::int64_t anchor = p.edit ? m_lastEdit : m_visible.first;
        const std::int64_t n = std::max<std::int64_t>(anchor - 100, 0);
        EXPECT_EQ(p.windowStart, std::max<std::int64_t>(m_before.lastMarkedLessThan(n), 0));
        if (p.windowStart > 0) {
            EXPECT_EQ(text[std::size_t(p.windowStart)], u'<');
        }
        AttributeStore expected = m_before;
        if (!m_colourable()) {
            expected.clear(0, expected.size());
        } else {
            const std::int64_t stop = p.edit ? m_bound : m_visible.first + m_visible.second;
            const std::int64_t vis = p.edit ? p.windowStart : m_visible.first;
            EXPECT_EQ(p.stop, stop);
            EXPECT_EQ(p.visibleStart, vis);
            if (stop > p.windowStart)
                scanHtml(ScanWindow{text.data(), 0, p.windowStart, stop, vis}, expected);
        }
        for (std::int64_t i = 0; i < after.size(); ++i) {
            ASSERT_EQ(after.roleAt(i), expected.roleAt(i)) << "position " << i;
            ASSERT_EQ(after.isMarked(i), expected.isMarked(i)) << "position " << i;
        }
        ++checked;
    }
    bool m_colourable() const { return m_colourer.isColourable(); }

    QPlainTextEdit& m_editor;
    SyntaxColourer& m_colourer;
    const std::int64_t& m_lastEdit;
    AttributeStore m_before;
    std::pair<qint64, qint64> m_visible;
    qint64 m_bound = 0;
};

QString sampleHtml(int lines) {
    QString s;
    for (int i = 0; i < lines; ++i) {
        switch (i % 4) {
        case 0:
            s += QStringLiteral("<p class=\"c%1\">Paragraph %1 with <b>bold</b> text</p>\n").arg(i);
            break;
        case 1:
            s += QStringLiteral("<?php echo $row[%1]; /* note */ ?>\n").arg(i);
            break;
        case 2:
            s += QStringLiteral("plain words and a < sign, %1\n").arg(i);
            break;
        default:
            s += QStringLiteral("<!-- comment %1 --><a href='x%1.html'>link</a>\n").arg(i);
            break;
        }
    }
    return s;
}

struct Fixture {
    Preferences prefs;
    QPlainTextEdit editor;
    SyntaxColourer* colourer;
    std::unique_ptr<PassChecker> checker;
    std::int64_t lastEdit = 0;

    explicit Fixture(const QString& path = QStringLiteral("index.html")) {
        editor.resize(500, 300);
        // Every edit's location, for the checker (connected first, so it is
        // known when the colourer's own handler runs the pass).
        QObject::connect(editor.document(), &QTextDocument::contentsChange, &editor,
                         [this](int pos, int, int) {
                             lastEdit = pos;
                             if (checker)
                                 checker->editing = true;
                         });
        colourer = colourWithPreferences(&editor, prefs);
        colourer->setFilePath(path);
        checker = std::make_unique<PassChecker>(editor, *colourer, lastEdit);
        QObject::connect(editor.document(), &QTextDocument::contentsChange, &editor,
                         [this] { checker->editing = false; });
        editor.show();
        EXPECT_TRUE(
            waitUntil([this] { return editor.isVisible() && editor.viewport()->height() > 0; }));
    }
    void setText(const QString& text) {
        editor.setPlainText(text);
        settle();
    }
    // Lets deferred viewport passes run.
    void settle() {
        const int before = colourer->passCount() + colourer->skippedViewportPasses();
        waitUntil(
            [&] { return colourer->passCount() + colourer->skippedViewportPasses() > before; },
            std::chrono::milliseconds(200));
        QCoreApplication::processEvents();
    }
    void moveCursor(int pos) {
        QTextCursor c = editor.textCursor();
        c.setPosition(pos);
        editor.setTextCursor(c);
        settle();
    }
    QColor drawnColourAt(int pos) const {
        const QTextBlock b = editor.document()->findBlock(pos);
        for (const QTextLayout::FormatRange& r : b.layout()->formats()) {
            if (pos - b.position() >= r.start && pos - b.position() < r.start + r.length)
                return r.format.foreground().color();
        }
        return QColor();
    }
};

} // namespace

TEST(SyntaxColourer, OpeningATextColoursTheTopWithoutUndoOrModification) {
    Fixture f;
    f.setText(sampleHtml(200));
    EXPECT_GT(f.checker->checked, 0);
    EXPECT_EQ(f.colourer->store().roleAt(0), SyntaxRole::Tag);
    EXPECT_TRUE(f.colourer->store().isMarked(0));
    EXPECT_EQ(f.drawnColourAt(0), f.prefs.colourTag());
    EXPECT_EQ(f.drawnColourAt(3), f.prefs.colourAttr()); // "class"
    EXPECT_FALSE(f.editor.document()->isModified());
    EXPECT_FALSE(f.editor.document()->isUndoAvailable());
}

TEST(SyntaxColourer, TypingPastingAndUndoRecolourFromAMarkedLessThan) {
    Fixture f;
    f.setText(sampleHtml(200));
    // Inside the plain text of line 22.
    const int mid = f.editor.document()->findBlockByNumber(22).position() + 5;
    f.moveCursor(mid);
    const int passes = f.colourer->passCount();
    QTest::keyClicks(&f.editor, QStringLiteral("<i>x"));
    f.settle();
    EXPECT_GE(f.colourer->passCount(), passes + 4);
    EXPECT_GT(f.colourer->lastPass().windowStart, 0);
    EXPECT_EQ(f.colourer->store().roleAt(mid), SyntaxRole::Tag);
    EXPECT_EQ(f.drawnColourAt(mid + 1), f.prefs.colourTag());

    QApplication::clipboard()->setText(QStringLiteral("<?php $pasted = 1; ?>\nline two\n"));
    f.editor.paste();
    f.settle();
    EXPECT_EQ(f.colourer->store().roleAt(mid + 4), SyntaxRole::PhpDelimiter);
    EXPECT_EQ(f.colourer->store().roleAt(mid + 10), SyntaxRole::Variable);

    f.editor.undo();
    f.settle();
    EXPECT_EQ(f.colourer->store().roleAt(mid + 4), SyntaxRole::None); // "x" again, plain text
    f.editor.undo();
    f.settle();
    EXPECT_EQ(rawText(f.editor), [&] {
        const QString s = sampleHtml(200);
        return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
    }());
    EXPECT_TRUE(f.editor.document()->isModified() == false ||
                f.editor.document()->isUndoAvailable() == false);
    EXPECT_GE(f.checker->checked, 6);
}

TEST(SyntaxColourer, EditsWithinTheFirstHundredCharactersStartAtZero) {
    Fixture f;
    f.setText(sampleHtml(50));
    f.moveCursor(60);
    QTest::keyClicks(&f.editor, QStringLiteral("a"));
    EXPECT_EQ(f.colourer->lastPass().windowStart, 0);
}

TEST(SyntaxColourer, ScrollingColoursTheVisibleTextFromItsStart) {
    Fixture f;
    f.setText(sampleHtml(2000));
    QScrollBar* bar = f.editor.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    f.settle();
    const SyntaxColourer::PassInfo p = f.colourer->lastPass();
    EXPECT_FALSE(p.edit);
    EXPECT_EQ(p.visibleStart, f.colourer->visibleRange().first);
    EXPECT_GT(p.visibleStart, 1000);
    // The first visible paragraph tag is coloured and drawn.
    const std::u16string text = rawText(f.editor);
    const auto firstTag = text.find(u"<p ", std::size_t(p.visibleStart));
    ASSERT_NE(firstTag, std::u16string::npos);
    EXPECT_EQ(f.colourer->store().roleAt(std::int64_t(firstTag)), SyntaxRole::Tag);
    EXPECT_EQ(f.drawnColourAt(int(firstTag)), f.prefs.colourTag());
    // Scrolling on by a screen restarts at a '<' the previous pass marked.
    const int passes = f.colourer->passCount();
    bar->setValue(bar->value() + 10);
    f.settle();
    EXPECT_GT(f.colourer->passCount(), passes);
    EXPECT_GT(f.colourer->lastPass().windowStart, p.visibleStart - 400);
    EXPECT_GE(f.checker->checked, 3);
}

TEST(SyntaxColourer, ViewportPassesWhoseRectangleMovedAwayAreSkipped) {
    Fixture f;
    f.setText(sampleHtml(2000));
    QSignalSpy skipped(f.colourer, &SyntaxColourer::viewportPassSkipped);
    const int passes = f.colourer->passCount();
    QScrollBar* bar = f.editor.verticalScrollBar();
    // Two changes in one turn of the event loop, the second far from the first.
    bar->setValue(100);
    bar->setValue(1500);
    EXPECT_EQ(f.colourer->passCount(), passes); // nothing runs before the next turn
    waitUntil([&] { return skipped.count() >= 1 && f.colourer->passCount() > passes; });
    EXPECT_EQ(skipped.count(), 1);
    EXPECT_EQ(f.colourer->passCount(), passes + 1);
    EXPECT_EQ(f.colourer->lastPass().visibleStart, f.colourer->visibleRange().first);
}

TEST(SyntaxColourer, ResizingTheViewportStartsAViewportPass) {
    Fixture f;
    f.setText(sampleHtml(300));
    const int passes = f.colourer->passCount();
    f.editor.resize(500, 600);
    waitUntil([&] { return f.colourer->passCount() > passes; });
    EXPECT_FALSE(f.colourer->lastPass().edit);
    EXPECT_EQ(f.colourer->lastPass().stop,
              f.colourer->visibleRange().first + f.colourer->visibleRange().second);
}

TEST(SyntaxColourer, ReEntryIsIgnored) {
    Fixture f;
    f.setText(sampleHtml(20));
    int refused = 0;
    QObject::connect(f.colourer, &SyntaxColourer::passStarted, f.colourer, [&] {
        if (!f.colourer->syntaxColour(std::nullopt))
            ++refused;
    });
    const int passes = f.colourer->passCount();
    EXPECT_TRUE(f.colourer->syntaxColour(10));
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(f.colourer->passCount(), passes + 1);
}

TEST(SyntaxColourer, FileTypeRule) {
    for (const char* name : {"index.HTML", "page.Php", "old.htm", "README", ""}) {
        Fixture f(QString::fromLatin1(name));
        EXPECT_TRUE(f.colourer->isColourable()) << name;
        f.setText(QStringLiteral("<p>x</p>"));
        EXPECT_EQ(f.colourer->store().roleAt(0), SyntaxRole::Tag) << name;
    }
    Fixture f(QStringLiteral("index.html"));
    f.setText(sampleHtml(40));
    EXPECT_EQ(f.colourer->store().roleAt(0), SyntaxRole::Tag);
    f.colourer->setFilePath(QStringLiteral("notes.txt"));
    EXPECT_FALSE(f.colourer->isColourable());
    // Renaming drops the colours on the next turn, before any edit.
    EXPECT_TRUE(waitUntil([&] { return f.colourer->store().roleAt(0) == SyntaxRole::None; }));
    f.moveCursor(200);
    QTest::keyClicks(&f.editor, QStringLiteral("<b>"));
    const AttributeStore& s = f.colourer->store();
    for (std::int64_t i = 0; i < s.size(); ++i) {
        ASSERT_EQ(s.roleAt(i), SyntaxRole::None) << i;
        ASSERT_FALSE(s.isMarked(i)) << i;
    }
    EXPECT_FALSE(f.drawnColourAt(0).isValid());
}

TEST(SyntaxColourer, PlainTextWithoutLessThanIsClearedFromZero) {
    Fixture f;
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("just words on line %1\n").arg(i);
    f.setText(text);
    QScrollBar* bar = f.editor.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    f.settle();
    const int pos = f.colourer->visibleRange().first + 3;
    f.moveCursor(pos);
    QTest::keyClicks(&f.editor, QStringLiteral("x"));
    EXPECT_EQ(f.colourer->lastPass().windowStart, 0);
    EXPECT_GT(f.colourer->lastPass().stop, pos);
}

TEST(SyntaxColourer, EditsBelowTheUpperBoundScanNothing) {
    Fixture f;
    f.setText(sampleHtml(2000));
    // The end was once coloured (so its tags are marked), then the view
    // went back to the top.
    QScrollBar* bar = f.editor.verticalScrollBar();
    bar->setValue(bar->maximum());
    f.settle();
    bar->setValue(0);
    f.settle();
    const int at = f.editor.document()->characterCount() - 50;
    QTextCursor c(f.editor.document());
    c.setPosition(at);
    c.insertText(QStringLiteral("<b>far away</b>"));
    const SyntaxColourer::PassInfo p = f.colourer->lastPass();
    EXPECT_TRUE(p.edit);
    EXPECT_FALSE(p.scanned);
    EXPECT_EQ(f.colourer->store().roleAt(at), SyntaxRole::None);
}

TEST(SyntaxColourer, UpperBoundCountsLinesToTheBottomOfTheView) {
    Fixture f;
    f.editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    f.setText(sampleHtml(500));
    f.editor.verticalScrollBar()->setValue(100);
    f.settle();
    const QRectF r = f.colourer->visibleRect();
    const float h = float(QFontMetricsF(f.editor.document()->defaultFont()).lineSpacing());
    const auto lines = std::int64_t(float(r.y() + r.height()) / h);
    const std::u16string text = rawText(f.editor);
    std::int64_t pos = 0;
    for (std::int64_t k = 0; k < lines && pos < std::int64_t(text.size()); ++k) {
        while (pos < std::int64_t(text.size()) && text[std::size_t(pos)] != u'\n')
            ++pos;
        if (pos < std::int64_t(text.size()))
            ++pos;
    }
    EXPECT_EQ(f.colourer->visibleCharacterUpperBound(),
              std::min<std::int64_t>(pos + 200, std::int64_t(text.size())));
}

TEST(SyntaxColourer, PreferenceColoursAreUsedWhenDrawn) {
    Fixture f;
    f.setText(sampleHtml(20));
    f.prefs.setColourForRole(ColourRole::Tag, QColor(Qt::green));
    f.settle();
    EXPECT_EQ(f.drawnColourAt(0), QColor(Qt::green));
    EXPECT_FALSE(f.editor.document()->isModified());
}

TEST(SyntaxColourer, OddCharactersKeepStoreAndTextInStep) {
    Fixture f;
    QString text = QStringLiteral("<p>a");
    text += QChar(0xD800);
    text += QStringLiteral("b<?php $x");
    text += QChar(0);
    text += QStringLiteral("y ?>\n<b>");
    text += QChar(0xDC00);
    text += QStringLiteral("</b>");
    f.setText(text);
    f.moveCursor(6);
    QTest::keyClicks(&f.editor, QStringLiteral("<i>"));
    f.settle();
    EXPECT_EQ(f.colourer->store().size(), std::int64_t(rawText(f.editor).size()));
    EXPECT_GE(f.checker->checked, 3);
}

TEST(SyntaxColourer, TextPresentBeforeTheColourerIsColouredOnTheNextTurn) {
    Preferences prefs;
    QPlainTextEdit editor;
    editor.resize(400, 300);
    editor.setPlainText(QStringLiteral("<p>x</p>"));
    editor.show();
    auto* colourer = colourWithPreferences(&editor, prefs);
    EXPECT_EQ(colourer->store().roleAt(0), SyntaxRole::None);
    EXPECT_TRUE(waitUntil([&] { return colourer->store().roleAt(0) == SyntaxRole::Tag; }));
}
