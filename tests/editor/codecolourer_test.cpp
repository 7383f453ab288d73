// The colouring driver on stylesheets and scripts in a real editor: a long
// file is coloured through in the background, an edit rescans only near
// itself unless it changes what follows, and whatever the edits, once the
// background is done the colours are those of a scan from the top.
#include "codescantesthelpers.h"
#include "syntaxtesthelpers.h"
#include "testenv.h"

#include "editor/preferences.h"
#include "editor/syntaxcolourer.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <cstring>

using namespace morvane;
using namespace morvane::test;

namespace {

std::u16string rawText(const QPlainTextEdit& e) {
    QString s = e.document()->toRawText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

// A script of `lines` lines with every kind of token.
QString sampleScript(int lines) {
    QString s;
    for (int i = 0; i < lines; ++i) {
        switch (i % 5) {
        case 0:
            s += QStringLiteral("function f%1(a) { return a / %1 + /x%1/g.test(a); }\n").arg(i);
            break;
        case 1:
            s += QStringLiteral("const s%1 = `t ${ a + \"}\" } %1`; // note %1\n").arg(i);
            break;
        case 2:
            s += QStringLiteral("/* block %1\n").arg(i);
            break;
        case 3:
            s += QStringLiteral("   end of block */ if (x) { y = 'q%1'; }\n").arg(i);
            break;
        default:
            s += QStringLiteral("let n%1 = 0x%1 + 1e3;\n").arg(i);
            break;
        }
    }
    return s;
}

QString sampleStyle(int lines) {
    QString s;
    for (int i = 0; i < lines; ++i) {
        s += QStringLiteral(
                 "@media (min-width: %1px) {\n  .c%1 > a:hover { color: #%1; content: \"}\"; }\n"
                 "  /* %1 } */\n  .d%1 { margin:\n    %1px 0; }\n}\n")
                 .arg(i);
    }
    return s;
}

struct CodeFixture {
    Preferences prefs;
    QPlainTextEdit editor;
    SyntaxColourer* colourer;

    explicit CodeFixture(const QString& path) {
        editor.resize(500, 300);
        colourer = colourWithPreferences(&editor, prefs);
        colourer->setFilePath(path);
        editor.show();
        EXPECT_TRUE(
            waitUntil([this] { return editor.isVisible() && editor.viewport()->height() > 0; }));
    }
    bool waitComplete() {
        return waitUntil([this] { return colourer->isColouringComplete(); },
                         std::chrono::seconds(30));
    }
    void insertAt(int pos, const QString& s) {
        QTextCursor c(editor.document());
        c.setPosition(pos);
        c.insertText(s);
    }
    // The colours equal those of a scan of the whole text from the top.
    void expectSameAsFromTheTop(CodeLanguage language) {
        const std::u16string text = rawText(editor);
        AttributeStore whole;
        scanCodeWhole(text, language, whole);
        EXPECT_EQ(firstRoleDifference(colourer->store(), whole), -1);
    }
};

} // namespace

TEST(CodeColouring, ALongScriptIsColouredThroughInTheBackground) {
    CodeFixture f(QStringLiteral("app.js"));
    f.editor.setPlainText(sampleScript(30000)); // about 1.3 MB
    EXPECT_FALSE(f.colourer->isColouringComplete());
    ASSERT_TRUE(f.waitComplete());
    f.expectSameAsFromTheTop(CodeLanguage::Js);
    EXPECT_EQ(f.colourer->store().roleAt(0), SyntaxRole::Reserved); // "function"
}

TEST(CodeColouring, AnEditRescansOnlyNearItself) {
    for (const char* name : {"app.js", "site.css"}) {
        SCOPED_TRACE(name);
        const bool js = QByteArray(name).endsWith(".js");
        CodeFixture f(QString::fromLatin1(name));
        f.editor.setPlainText(js ? sampleScript(30000) : sampleStyle(6000));
        ASSERT_TRUE(f.waitComplete());
        // In the middle, inside a name: the rest stays as it was.
        QScrollBar* bar = f.editor.verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        QCoreApplication::processEvents();
        const int pos = f.colourer->visibleRange().first + 12;
        f.insertAt(pos, QStringLiteral("z"));
        const SyntaxColourer::PassInfo p = f.colourer->lastPass();
        EXPECT_TRUE(p.edit);
        EXPECT_GE(p.windowStart, pos - 2 * Checkpoints::kSpacing);
        EXPECT_LE(p.windowStart, pos);
        EXPECT_LE(p.stop, pos + 128 * 1024);
        EXPECT_TRUE(f.colourer->isColouringComplete());
        f.expectSameAsFromTheTop(js ? CodeLanguage::Js : CodeLanguage::Css);
    }
}

TEST(CodeColouring, EditsThatChangeTheRestAreColouredToTheEndAndUndone) {
    struct Case {
        const char* path;
        const char* typed;
        bool farChange; // the colours change to the end of the file
    };
    const Case cases[] = {
        {"app.js", "/*", false}, // until the next comment's end
        {"app.js", "`", true},   // every template after it turns inside out
        {"app.mjs", "\"", false}, {"site.css", "/*", false}, {"site.css", "}", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " " + c.typed);
        const bool js = !QByteArray(c.path).endsWith(".css");
        const CodeLanguage language = js ? CodeLanguage::Js : CodeLanguage::Css;
        CodeFixture f(QString::fromLatin1(c.path));
        f.editor.setPlainText(js ? sampleScript(20000) : sampleStyle(4000));
        ASSERT_TRUE(f.waitComplete());
        const AttributeStore before = f.colourer->store();
        const int pos = f.editor.document()->findBlockByNumber(1).position();
        f.insertAt(pos, QString::fromLatin1(c.typed));
        const auto n = std::int64_t(std::strlen(c.typed));
        ASSERT_TRUE(f.waitComplete());
        f.expectSameAsFromTheTop(language);
        // Near the end of the file the colours moved with the text, or changed.
        bool changed = false;
        for (std::int64_t i = before.size() - 2000; i < before.size(); ++i)
            changed |= f.colourer->store().roleAt(i + n) != before.roleAt(i);
        EXPECT_EQ(changed, c.farChange);
        f.editor.undo();
        ASSERT_TRUE(f.waitComplete());
        f.expectSameAsFromTheTop(language);
    }
}

TEST(CodeColouring, AnEditInALargeScriptElementRestartsInsideIt) {
    CodeFixture f(QStringLiteral("page.php"));
    const QString page = QStringLiteral("<html><p>x</p>\n<script>\n") + sampleScript(4000) +
                         QStringLiteral("</script>\n<p>after</p>\n");
    f.editor.setPlainText(page);
    QCoreApplication::processEvents();
    // Scrolled into the script's second half: the viewport pass scans the
    // script from its tag once, saving line starts on the way.
    QScrollBar* bar = f.editor.verticalScrollBar();
    bar->setValue(bar->maximum() * 3 / 4);
    EXPECT_TRUE(waitUntil([&] { return !f.colourer->lastPass().edit; }));
    QCoreApplication::processEvents();
    const int pos = f.colourer->visibleRange().first + 10;
    f.insertAt(pos, QStringLiteral("q"));
    const SyntaxColourer::PassInfo p = f.colourer->lastPass();
    EXPECT_GE(p.windowStart, pos - 2 * Checkpoints::kSpacing);
    EXPECT_LE(p.windowStart, pos);
    // The rescanned text is coloured as a scan of the whole page colours it.
    const std::u16string text = rawText(f.editor);
    const AttributeStore whole = scanWhole(text);
    for (std::int64_t i = p.windowStart; i < p.stop; ++i)
        ASSERT_EQ(f.colourer->store().roleAt(i), whole.roleAt(i)) << i;
}

TEST(CodeColouring, RenamingAFileColoursItAsItsNewType) {
    CodeFixture f(QStringLiteral("notes.txt"));
    f.editor.setPlainText(QStringLiteral("a { color: red; }\n"));
    QCoreApplication::processEvents();
    EXPECT_EQ(f.colourer->store().roleAt(0), SyntaxRole::None);
    f.colourer->setFilePath(QStringLiteral("notes.css"));
    EXPECT_TRUE(
        waitUntil([&] { return f.colourer->store().roleAt(0) == SyntaxRole::CssSelector; }));
    EXPECT_TRUE(f.colourer->isCodeFile());
    f.colourer->setFilePath(QStringLiteral("notes.JS"));
    EXPECT_TRUE(waitUntil([&] { return f.colourer->store().roleAt(4) == SyntaxRole::None; }));
    EXPECT_EQ(f.colourer->colouring(), FileColouring::Js);
    f.expectSameAsFromTheTop(CodeLanguage::Js);
}
