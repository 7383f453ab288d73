// The line-number ruler: how it counts lines (mixed line ends, the empty line
// after a final break), its width rule, which labels a drawing shows, the line
// under a vertical position, markers, and keeping up with edits.
#include "editor/linenumberruler.h"
#include "editor/preferences.h"
#include "editor/textview.h"
#include "qtprinters.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <cmath>

namespace morvane {
namespace {

using Starts = std::vector<std::int64_t>;

std::vector<std::int64_t> startsOf(const QString& s) {
    return lineStartsOfText(
        std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())));
}

// The document's text as the ruler sees it: block breaks as line feeds.
QString documentText(const QPlainTextEdit& e) {
    return e.document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

TEST(LineTable, CountsEveryKindOfLineEnd) {
    EXPECT_EQ(startsOf(""), Starts{0});
    EXPECT_EQ(startsOf("abc"), Starts{0});
    EXPECT_EQ(startsOf("abc\n"), (Starts{0, 4}));
    // CR LF is one end; CR and LF alone are one each; so are U+0085, U+2028
    // and U+2029.
    EXPECT_EQ(startsOf("a\r\nb\rc\nd"), (Starts{0, 3, 5, 7}));
    EXPECT_EQ(startsOf(QStringLiteral("a\u0085b\u2028c\u2029d")), (Starts{0, 2, 4, 6}));
    EXPECT_EQ(startsOf("\r\n"), (Starts{0, 2}));
    EXPECT_EQ(startsOf("\n\r"), (Starts{0, 1, 2}));
    EXPECT_EQ(startsOf("\r\r\n\n"), (Starts{0, 1, 3, 4}));
}

TEST(LineTable, BisectionFindsTheLineOfAPosition) {
    const Starts s{0, 4, 5, 10};
    EXPECT_EQ(lineOfPosition(s, 0), 0);
    EXPECT_EQ(lineOfPosition(s, 3), 0);
    EXPECT_EQ(lineOfPosition(s, 4), 1);
    EXPECT_EQ(lineOfPosition(s, 5), 2);
    EXPECT_EQ(lineOfPosition(s, 9), 2);
    EXPECT_EQ(lineOfPosition(s, 10), 3);
    EXPECT_EQ(lineOfPosition(s, 99), 3);
    EXPECT_EQ(lineOfPosition(Starts{}, 7), 0);
    EXPECT_EQ(digitsForLineCount(0), 2);
    EXPECT_EQ(digitsForLineCount(9), 1);
    EXPECT_EQ(digitsForLineCount(10), 2);
    EXPECT_EQ(digitsForLineCount(10000), 5);
    EXPECT_EQ(digitsForLineCount(1000000), 7);
}

class RulerTest : public ::testing::Test {
protected:
    RulerTest() : view(&prefs) {
        view.resize(500, 300);
        view.show();
    }
    void setText(const QString& text) {
        view.setPlainText(text);
        QCoreApplication::processEvents();
    }
    LineNumberRuler& ruler() { return *view.ruler(); }
    int widthFor(int digits) {
        const qreal w =
            QFontMetricsF(ruler().rulerFont()).horizontalAdvance(QString(digits, QLatin1Char('8')));
        return int(std::ceil(std::max(w + 10, 22.0)));
    }

    Preferences prefs;
    TextView view;
};

TEST_F(RulerTest, MixedLineEndsAreCountedAsInTheText) {
    // The document turns CR LF, CR, LF and U+2029 into its own breaks; U+2028
    // and U+0085 stay inside a line and still end it.
    const QString original = QStringLiteral("a\r\nb\rc\nd\u2028e\u0085f\u2029g\n");
    setText(original);
    const Starts table = ruler().lineIndices();
    EXPECT_EQ(table.size(), startsOf(original).size());
    EXPECT_EQ(table, startsOf(documentText(view)));
    EXPECT_EQ(table.size(), 8u); // a b c d e f g and the empty last line
    EXPECT_EQ(ruler().lineNumberForCharacterIndex(0), 0);
    EXPECT_EQ(ruler().lineNumberForCharacterIndex(8), 4); // "e"

    setText("");
    EXPECT_EQ(ruler().lineIndices(), Starts{0});
    setText("abc\n");
    EXPECT_EQ(ruler().lineIndices(), (Starts{0, 4}));
}

TEST_F(RulerTest, TableFollowsEditsThatAddAndRemoveLines) {
    setText(QStringLiteral("one\ntwo\u2028half\nthree\nfour"));
    const auto check = [this] {
        EXPECT_EQ(ruler().lineIndices(), startsOf(documentText(view)))
            << documentText(view).toStdString();
    };
    check();
    QTextCursor c(view.document());
    c.setPosition(4);
    c.insertText(QStringLiteral("new\nlines\n"));
    check();
    c.setPosition(0);
    c.setPosition(12, QTextCursor::KeepAnchor); // across a break and into "two"
    c.removeSelectedText();
    check();
    c.setPosition(2);
    c.insertText(QStringLiteral("\u2028x\u0085y"));
    check();
    c.setPosition(0);
    c.setPosition(6, QTextCursor::KeepAnchor); // takes the inner ends away
    c.removeSelectedText();
    check();
    view.undo();
    check();
    view.undo();
    check();

    // An up-to-date table follows edits without a rebuild from the whole
    // document; an out-of-date one is rebuilt once, when asked.
    const int before = ruler().rebuildCount();
    c.insertText(QStringLiteral("a\n"));
    c.insertText(QStringLiteral("b\n"));
    check();
    EXPECT_EQ(ruler().rebuildCount(), before);
    ruler().invalidateLineIndices();
    c.insertText(QStringLiteral("c\n"));
    c.insertText(QStringLiteral("\u2028d\n"));
    EXPECT_EQ(ruler().rebuildCount(), before);
    check();
    ruler().lineIndices();
    EXPECT_EQ(ruler().rebuildCount(), before + 1);
}

TEST_F(RulerTest, WidthFollowsTheDigitsOfTheLineCount) {
    setText(QString(QStringLiteral("x\n")).repeated(8) + QStringLiteral("x")); // 9 lines
    ruler().lineIndices();
    EXPECT_EQ(ruler().requiredThickness(), widthFor(1));
    EXPECT_GE(ruler().requiredThickness(), 22);

    setText(QString(QStringLiteral("x\n")).repeated(9999) + QStringLiteral("x")); // 10 000
    EXPECT_EQ(ruler().lineIndices().size(), 10000u);
    EXPECT_EQ(ruler().requiredThickness(), widthFor(5));
    // The new width comes one turn of the event loop later, and the text
    // makes room for it.
    ASSERT_TRUE(test::waitUntil([&] { return ruler().ruleThickness() == widthFor(5); }));
    EXPECT_EQ(ruler().width(), widthFor(5));
    EXPECT_EQ(view.viewport()->x(), widthFor(5));
}

TEST_F(RulerTest, AMillionLines) {
    QString text;
    text.reserve(2000000);
    for (int i = 0; i < 999999; ++i)
        text += QStringLiteral("x\n");
    text += QStringLiteral("x");
    setText(text);
    const Starts& table = ruler().lineIndices();
    ASSERT_EQ(table.size(), 1000000u);
    EXPECT_EQ(table.back(), 1999998);
    EXPECT_EQ(ruler().lineNumberForCharacterIndex(1999998), 999999);
    EXPECT_EQ(ruler().lineNumberForCharacterIndex(1000001), 500000);
    EXPECT_EQ(ruler().requiredThickness(), widthFor(7));

    // A line removed in the middle, then one more added at the end.
    QTextCursor c(view.document());
    c.setPosition(1000000);
    c.setPosition(1000002, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    EXPECT_EQ(ruler().lineIndices().size(), 999999u);
    EXPECT_EQ(ruler().lineNumberForCharacterIndex(1000000), 500000);
    c.movePosition(QTextCursor::End);
    c.insertText(QStringLiteral("\n"));
    EXPECT_EQ(ruler().lineIndices().size(), 1000000u);

    // The last line is numbered after a jump to the end.
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    const auto labels = ruler().visibleLabels();
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.back().line, 999999);
}

TEST_F(RulerTest, LabelsAndTheLineAtAPosition) {
    setText("first\nsecond\nthird");
    const auto labels = ruler().visibleLabels();
    ASSERT_EQ(labels.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(labels[size_t(i)].line, i);
        const qreal mid = labels[size_t(i)].top + labels[size_t(i)].height / 2;
        EXPECT_EQ(ruler().lineNumberForLocation(mid), i + 1);
    }
    EXPECT_EQ(ruler().lineNumberForLocation(labels[2].top + labels[2].height + 50), kNotFound);

    ruler().setClientView(nullptr);
    EXPECT_EQ(ruler().lineNumberForLocation(labels[0].top + 1), kNotFound);
    EXPECT_TRUE(ruler().visibleLabels().empty());
}

TEST_F(RulerTest, AWrappedLineIsNumberedOnceOnItsFirstScreenLine) {
    const QString longLine = QString(QStringLiteral("word ")).repeated(200);
    setText(QStringLiteral("short\n") + longLine + QStringLiteral("\nafter"));
    auto labels = ruler().visibleLabels();
    ASSERT_GE(labels.size(), 2u);
    EXPECT_EQ(labels[1].line, 1);
    // Its later screen lines have no number.
    const qreal below = labels[1].top + labels[1].height * 1.5;
    EXPECT_EQ(ruler().lineNumberForLocation(below), kNotFound);

    // Scrolled so that its start is just above the view: no label for it.
    view.verticalScrollBar()->setValue(3); // past "short" and the first screen lines
    QCoreApplication::processEvents();
    labels = ruler().visibleLabels();
    for (const auto& l : labels)
        EXPECT_NE(l.line, 1) << l.top << " " << l.height;
}

TEST_F(RulerTest, MarkersReplaceEachOtherAndMarkTheirLabel) {
    setText("1\n2\n3\n4\n5\n6");
    QImage first(4, 4, QImage::Format_ARGB32);
    QImage second(6, 6, QImage::Format_ARGB32);
    ruler().addMarker(LineNumberMarker(5.7, first, QPointF(0, 2)));
    ruler().addMarker(LineNumberMarker(5, second, QPointF(0, 3)));
    ASSERT_NE(ruler().markerAtLine(5), nullptr);
    EXPECT_EQ(ruler().markerAtLine(5)->image().width(), 6);
    EXPECT_EQ(ruler().markerAtLine(4), nullptr);
    const auto labels = ruler().visibleLabels();
    ASSERT_EQ(labels.size(), 6u);
    for (const auto& l : labels)
        EXPECT_EQ(l.marked, l.line == 4) << l.line;
    ruler().removeMarker(LineNumberMarker(5, QImage(), QPointF()));
    EXPECT_EQ(ruler().markerAtLine(5), nullptr);
    ruler().setMarkers({LineNumberMarker(1, first, QPointF()), LineNumberMarker(2, first, {})});
    EXPECT_NE(ruler().markerAtLine(1), nullptr);
    EXPECT_NE(ruler().markerAtLine(2), nullptr);
    ruler().setMarkers({});
    EXPECT_EQ(ruler().markerAtLine(1), nullptr);
    EXPECT_EQ(ruler().markerAtLine(0), nullptr);
}

TEST_F(RulerTest, AnotherClientsEditsNoLongerReachTheTable) {
    setText("a\nb");
    QPlainTextEdit other;
    other.setPlainText(QStringLiteral("x\ny\nz"));
    ruler().setClientView(&other);
    EXPECT_EQ(ruler().lineIndices(), (Starts{0, 2, 4}));
    const int rebuilds = ruler().rebuildCount();
    view.appendPlainText(QStringLiteral("more\nlines"));
    EXPECT_EQ(ruler().lineIndices(), (Starts{0, 2, 4}));
    EXPECT_EQ(ruler().rebuildCount(), rebuilds);
    other.appendPlainText(QStringLiteral("w"));
    EXPECT_EQ(ruler().lineIndices().size(), 4u);
}

TEST(RulerColours, NumbersStayReadableOnTheBackground) {
    const QColor grey = LineNumberRuler::defaultTextColour();
    EXPECT_EQ(grey, QColor::fromRgbF(0.42f, 0.42f, 0.42f));
    // The default grey reads well on white and is kept.
    EXPECT_EQ(LineNumberRuler::readableOn(grey, Qt::white), grey);
    const auto luminance = [](const QColor& c) {
        const auto ch = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
    };
    const auto contrast = [&](const QColor& a, const QColor& b) {
        const double x = luminance(a), y = luminance(b);
        return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
    };
    for (const QColor& bg : {QColor(Qt::black), QColor(30, 30, 46), QColor(Qt::white),
                             QColor(0, 0, 128), QColor(255, 255, 200), QColor(118, 118, 118)}) {
        for (const QColor& fg : {grey, QColor(Qt::white)}) {
            const QColor shown = LineNumberRuler::readableOn(fg, bg);
            EXPECT_GE(contrast(shown, bg), 4.5) << bg.name().toStdString();
        }
    }
}

TEST_F(RulerTest, DrawsOnTheEditorsOwnBackground) {
    QPalette dark = view.palette();
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    view.setPalette(dark);
    EXPECT_EQ(ruler().effectiveBackground(), QColor(20, 20, 20));
    setText("a\nb");
    const QImage shot = ruler().grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(20, 20, 20));
    ruler().setBackgroundColour(QColor(200, 220, 240));
    EXPECT_EQ(ruler().effectiveBackground(), QColor(200, 220, 240));
}

} // namespace
} // namespace morvane
