// The widget-free helpers for typing web pages: closing tags, comment
// toggling, matching brackets and tags, Go to Line's input and the
// completion choices, each checked against a table of the cases that go
// wrong in practice (PHP, comments and scripts around a tag, void elements,
// end tags that already follow, mixed PHP and HTML lines).
#include "editor/commenttoggle.h"
#include "editor/completionwords.h"
#include "editor/navigation.h"
#include "editor/webcontext.h"

#include <gtest/gtest.h>

namespace morvane::webtext {
namespace {

struct GreaterThanCase {
    const char* name;
    const char* before; // the text before the caret, where '>' is typed
    const char* after;
    const char* endTag;
};

TEST(ClosingTags, GreaterThanAddsTheEndTagOnlyWhereItBelongs) {
    const GreaterThanCase cases[] = {
        {"plain element", "<div", "", "</div>"},
        {"keeps the letter case", "<P class=\"x\"", "", "</P>"},
        {"attribute value holding '>'", "<a title=\"a>b\"", "", "</a>"},
        {"inside a quoted value", "<a title=\"a", "", ""},
        {"void element", "<br", "", ""},
        {"void element in capitals", "<IMG src=\"x.png\"", "", ""},
        {"meta", "<meta charset=\"utf-8\"", "", ""},
        {"self-closing", "<div /", "", ""},
        {"end tag", "</div", "", ""},
        {"end tag already follows", "<div", "</div>", ""},
        {"end tag follows after a line break", "<li", "\n  </LI>", ""},
        {"another end tag follows", "<span", "</div>", "</span>"},
        {"longer name follows", "<b", "</body>", "</b>"},
        {"inside PHP", "<?php echo '<div", "", ""},
        {"inside PHP without quotes", "<?php if ($a <b", "", ""},
        {"after a PHP block", "<?php echo 1; ?><div", "", "</div>"},
        {"PHP in an attribute", "<a href=\"<?php echo $u ?>\"", "", "</a>"},
        {"inside a comment", "<!-- <div", "", ""},
        {"after a comment", "<!-- x --><div", "", "</div>"},
        {"inside a script", "<script>if (a <b", "", ""},
        {"inside a style", "<style>p <b", "", ""},
        {"after a script", "<script>var a = 1 < 2;</script><em", "", "</em>"},
        {"the script element itself", "<script src=\"a.js\"", "", "</script>"},
        {"doctype", "<!DOCTYPE html", "", ""},
        {"a lone '>' in text", "a ", "", ""},
        {"'<' followed by a space", "a < b", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(endTagForGreaterThan(QString::fromUtf8(c.before), QString::fromUtf8(c.after)),
                  QString::fromUtf8(c.endTag))
            << c.name;
}

TEST(ClosingTags, SlashCompletesTheInnermostOpenElement) {
    const struct {
        const char* name;
        const char* before;
        const char* rest;
    } cases[] = {
        {"nothing open", "<", ""},
        {"everything closed", "<p>a</p><", ""},
        {"innermost", "<div><span>a<", "span>"},
        {"after an inner end tag", "<div><span>a</span><", "div>"},
        {"void elements stay out", "<ul><li><br><img src=x><", "li>"},
        {"self-closing stays out", "<div><x-icon /><", "div>"},
        {"end tag closes what it skips", "<div><p><b></div><", ""},
        {"stray end tag", "<div></span><", "div>"},
        {"inside PHP", "<div><?php echo '<", ""},
        {"inside a comment", "<div><!-- <", ""},
        {"inside a script", "<div><script>a<", ""},
        {"after a script", "<div><script>x</script><", "div>"},
        {"inside a tag", "<div title=\"<", ""},
        {"keeps the letter case", "<TD>x<", "TD>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(endTagCompletionForSlash(QString::fromUtf8(c.before)), QString::fromUtf8(c.rest))
            << c.name;
}

TEST(Language, TheLanguageAtAPositionFollowsThePage) {
    const QString page = QStringLiteral("<p>a<!--c--><?php $x; ?><style>p{}</style>"
                                        "<script>f()</script>z");
    const struct {
        const char* at;
        Language lang;
    } cases[] = {
        {"a<!", Language::Html},       {"c--", Language::HtmlComment}, {"$x", Language::Php},
        {"?><s", Language::Html},      {"p{}", Language::Css},         {"</style", Language::Html},
        {"f()", Language::JavaScript}, {"</script", Language::Html},   {"z", Language::Html},
    };
    for (const auto& c : cases) {
        const qsizetype at = page.indexOf(QLatin1String(c.at));
        ASSERT_GE(at, 0) << c.at;
        EXPECT_EQ(languageAt(page, at), c.lang) << c.at;
    }
}

// What the colouring's scanners tell apart: a <script> that browsers do not
// run holds page text; an end tag inside a CSS string or comment still ends
// the element (as in browsers).
TEST(Language, ScriptTypesAndEndTagsAsBrowsersReadThem) {
    const struct {
        const char* page;
        const char* at;
        Language lang;
    } cases[] = {
        {"<script type=\"text/template\"><p>x</p></script>", "<p>x", Language::Html},
        {"<script type='text/x-tmpl'>a</script>", "a<", Language::Html},
        {"<script type=text/html>a</script>", "a<", Language::Html},
        {"<script type=\"module\">a()</script>", "a()", Language::JavaScript},
        {"<script type=\"application/ld+json\">{}</script>", "{}", Language::JavaScript},
        {"<script src=\"x.js\" type=\"text/javascript\">a()</script>", "a()", Language::JavaScript},
        {"<script data-type=\"text/html\">a()</script>", "a()", Language::JavaScript},
        {"<style>a{content:\"</style>b{}", "b{}", Language::Html},
        {"<style>/* </style> */ b{}", "b{}", Language::Html},
    };
    for (const auto& c : cases) {
        const QString page = QString::fromUtf8(c.page);
        const qsizetype at = page.indexOf(QString::fromUtf8(c.at));
        ASSERT_GE(at, 0) << c.page;
        EXPECT_EQ(languageAt(page, at), c.lang) << c.page;
    }
}

TEST(Language, CodeTokensAsTheColouringReadsThem) {
    using Kind = CodeToken::Kind;
    const struct {
        const char* page;
        const char* at; // the token's first characters; '|' marks the position
        Kind kind;
        const char* token; // the token's text, for comments and strings
    } cases[] = {
        {"<style>p { color: red; }</style>", "co|lor", Kind::Code, ""},
        {"<style>/* a */ p { }</style>", "a| *", Kind::Comment, "/* a */"},
        {"<style>\n/* a\n b */\np{}</style>", "b| *", Kind::Comment, "/* a\n b */"},
        {"<style>/* a *//* b */</style>", "b| ", Kind::Comment, "/* b */"},
        {"<style>p { content: \"/* x\"; }</style>", "x|\"", Kind::String, "\"/* x\""},
        {"<style>p { content: \"x\"; } q{}</style>", "q|{", Kind::Code, ""},
        {"<style>a{<?php echo '/*'; ?>} /* c */</style>", "c| ", Kind::Comment, "/* c */"},
        {"<script>var s = 'it // is';</script>", "is|'", Kind::String, "'it // is'"},
        {"<script>x = /a\\/b/; // c\n</script>", "a|\\", Kind::String, "/a\\/b/"},
        {"<script>x = 1 / 2; // c\n</script>", "c|\n", Kind::Comment, "// c"},
        {"<script>f(); /* c */ g();</script>", "g|(", Kind::Code, ""},
        {"<p>/* not code */</p>", "not|", Kind::None, ""},
        {"<script type=\"text/template\">/* x */</script>", "x| ", Kind::None, ""},
        {"<style><?php /* p */ ?></style>", "p| ", Kind::None, ""},
    };
    for (const auto& c : cases) {
        const QString page = QString::fromUtf8(c.page);
        const QString marked = QString::fromUtf8(c.at);
        const qsizetype bar = marked.indexOf(u'|');
        QString probe = marked;
        probe.remove(bar, 1);
        const qsizetype at = page.indexOf(probe);
        ASSERT_GE(at, 0) << c.page;
        const CodeToken token = codeTokenAt(page, at + bar - 1);
        EXPECT_EQ(token.kind, c.kind) << c.page;
        if (*c.token) {
            EXPECT_EQ(page.sliced(token.start, token.end - token.start), QString::fromUtf8(c.token))
                << c.page;
        }
    }
}

// Applies the changes (last position first) to `text`.
QString applied(QString text, const std::vector<TextChange>& changes) {
    for (const TextChange& c : changes)
        text.replace(c.position, c.removed, c.inserted);
    return text;
}

// `marked` holds '|' for the caret, or '[' and ']' around a selection whose
// caret is at ']'.
QString toggled(QString marked) {
    qsizetype start = marked.indexOf(u'[');
    qsizetype caret;
    if (start >= 0) {
        marked.remove(start, 1);
        caret = marked.indexOf(u']');
        marked.remove(caret, 1);
    } else {
        caret = start = marked.indexOf(u'|');
        marked.remove(caret, 1);
    }
    return applied(marked, toggleComment(marked, start, caret, caret));
}

TEST(ToggleComment, EachLanguageGetsItsOwnComment) {
    const struct {
        const char* name;
        const char* marked;
        const char* expected;
    } cases[] = {
        {"HTML line", "  <p>a|</p>\n", "  <!-- <p>a</p> -->\n"},
        {"HTML lines", "[<p>a</p>\n<p>b]</p>\nc", "<!-- <p>a</p>\n<p>b</p> -->\nc"},
        {"HTML uncomment", "<!-- <p>|a</p> -->", "<p>a</p>"},
        {"HTML uncomment from inside", "<!--\n<p>|a</p>\n-->", "\n<p>a</p>\n"},
        {"selection ending at a line start", "[a\n]b", "<!-- a -->\nb"},
        {"CSS", "<style>\n  p { co|lor: red; }\n</style>",
         "<style>\n  /* p { color: red; } */\n</style>"},
        {"CSS uncomment", "<style>\n/* p { |} */\n</style>", "<style>\np { }\n</style>"},
        {"CSS on the style element's line", "<style>p {|}</style>", "<style>/* p {} */</style>"},
        {"CSS lines inside a comment", "<style>\n/*\np { co|lor: red; }\n*/\n</style>",
         "<style>\n\np { color: red; }\n\n</style>"},
        {"CSS second line of a comment", "<style>\n/* a { }\n   b { co|lor: red; } */\n</style>",
         "<style>\na { }\n   b { color: red; }\n</style>"},
        {"CSS first of two comments", "<style>/* a *//* b| */</style>", "<style>a/* b */</style>"},
        {"CSS comment left open", "<style>\n/* a {\n  co|lor: red;\n</style>",
         "<style>\na {\n  color: red;\n</style>"},
        {"CSS comment opener in a string", "<style>\np { content: \"/*\"; co|lor: red; }\n</style>",
         "<style>\n/* p { content: \"/*\"; color: red; } */\n</style>"},
        {"JavaScript", "<script>\n  [a();\n  b();]\n</script>",
         "<script>\n  // a();\n  // b();\n</script>"},
        {"JavaScript uncomment", "<script>\n// a();|\n</script>", "<script>\na();\n</script>"},
        {"JavaScript partly commented", "<script>\n[// a();\nb();]\n</script>",
         "<script>\n// // a();\n// b();\n</script>"},
        {"PHP", "<?php\n\techo |1;\n?>", "<?php\n\t// echo 1;\n?>"},
        {"PHP uncomment", "<?php\n\t// echo |1;\n?>", "<?php\n\techo 1;\n?>"},
        {"mixed PHP and HTML line", "<p><?php echo $|x; ?></p>", "<p><?php // echo $x; ?></p>"},
        {"mixed line uncomment", "<p><?php // echo $|x; ?></p>", "<p><?php echo $x; ?></p>"},
        {"mixed line, caret in HTML", "<p>|<?php echo $x; ?></p>",
         "<!-- <p><?php echo $x; ?></p> -->"},
        {"blank line stays as it is", "<?php\n[a();\n\nb();]\n?>", "<?php\n// a();\n\n// b();\n?>"},
        {"empty line", "|", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toggled(QString::fromUtf8(c.marked)), QString::fromUtf8(c.expected)) << c.name;
}

TEST(ToggleComment, TwiceGivesBackTheText) {
    const struct {
        const char* text;
        const char* caretBefore; // the caret stands before this, both times
    } cases[] = {
        {"  <p>a</p>", "a<"},
        {"<style>\np { color: red; }\n</style>", "color"},
        {"<script>\na();\n  b();\n</script>", "a()"},
        {"<p><?php echo 1; ?></p>", "1;"},
        {"<?php\n\tfoo();\n?>", "foo"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const QString anchor = QString::fromUtf8(c.caretBefore);
        const qsizetype caret = text.indexOf(anchor);
        const QString once = applied(text, toggleComment(text, caret, caret, caret));
        EXPECT_NE(once, text) << c.text;
        const qsizetype again = once.indexOf(anchor);
        EXPECT_EQ(applied(once, toggleComment(once, again, again, again)), text) << c.text;
    }
}

TEST(Matching, BracketsAndTagsFindTheirPartners) {
    const struct {
        const char* name;
        const char* marked; // '|' is the caret
        int partner;        // where the partner starts, -1 for none
        int jump;
    } cases[] = {
        {"before an opening bracket", "|(a(b)c)", 6, 6},
        {"after a closing bracket", "(a(b)c)|", 0, 1},
        {"other kinds are skipped", "{[|(x]})", 6, 6},
        {"square", "a|[1][2]", 3, 3},
        {"unbalanced", "|((a)", -1, 0},
        {"start tag to end tag", "<d|iv><div></div></div>", 18, 19},
        {"end tag to start tag", "<div><div></div></d|iv>", 1, 2},
        {"letter case differs", "<UL|><li></ul>", 10, 12},
        {"self-closing ones do not count", "<x|y><xy/></xy>", 11, 12},
        {"longer names do not count", "<b|><body></body></b>", 18, 19},
        {"void element has none", "<b|r>", -1, 0},
        {"not in a tag name", "<div cl|ass=\"a\"></div>", -1, 0},
    };
    for (const auto& c : cases) {
        QString text = QString::fromUtf8(c.marked);
        const qsizetype caret = text.indexOf(u'|');
        text.remove(caret, 1);
        const auto m = matchAt(text, caret);
        if (c.partner < 0) {
            EXPECT_FALSE(m.has_value()) << c.name;
            continue;
        }
        ASSERT_TRUE(m.has_value()) << c.name;
        EXPECT_EQ(m->partner, c.partner) << c.name;
        EXPECT_EQ(m->jumpTo, c.jump) << c.name;
    }
}

TEST(GoToLine, LineAndColumnAreReadAsTyped) {
    using P = std::optional<std::pair<int, int>>;
    const struct {
        const char* input;
        P expected;
    } cases[] = {
        {"120", P({120, 1})}, {" 120:5 ", P({120, 5})},
        {"7 : 3", P({7, 3})}, {"0", P()},
        {"-3", P()},          {"12:", P()},
        {"abc", P()},         {"", P()},
        {"3:0", P()},         {"1:2:3", P()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseLineColumn(QString::fromUtf8(c.input)), c.expected) << c.input;
}

TEST(Completion, TheChoicesFitWhereTheCaretIs) {
    using Kind = CompletionContext::Kind;
    const struct {
        const char* name;
        const char* before;
        Kind kind;
        const char* prefix;
        const char* offered;    // among the choices
        const char* notOffered; // not among them
    } cases[] = {
        {"element name", "<di", Kind::ElementName, "di", "div", "dialogue"},
        {"end tag name", "<p></p", Kind::ElementName, "p", "pre", "placeholder"},
        {"attribute of an img", "<img sr", Kind::AttributeName, "sr", "src", "srcdoc"},
        {"attribute of an a", "<a hr", Kind::AttributeName, "hr", "href", "hreflang-x"},
        {"no attribute in a value", "<a href=\"hr", Kind::Words, "hr", "href", "src"},
        {"CSS property", "<style>p { backg", Kind::CssProperty, "backg", "background-color", ""},
        {"CSS value", "<style>p { display: fl", Kind::CssValue, "fl", "flex", "float"},
        {"PHP function", "<?php str_re", Kind::Php, "str_re", "str_replace", ""},
        {"PHP keyword", "<?php fore", Kind::Php, "fore", "foreach", ""},
        {"PHP variable of the file", "<?php $count = 1; $co", Kind::Php, "$co", "$count", ""},
        {"words of the file", "alphabet soup al", Kind::Words, "al", "alphabet", "al"},
        {"JavaScript", "<script>document.getEl", Kind::JavaScript, "getEl", "getElementById", ""},
        {"CSS comment", "<style>p { } /* backg", Kind::Words, "backg", "", "background-color"},
        {"CSS string", "<style>p { content: \"backg", Kind::Words, "backg", "", "background-color"},
        {"CSS after a comment", "<style>p { /* x */ backg", Kind::CssProperty, "backg",
         "background-color", ""},
        {"JavaScript string", "<script>s = 'getEl", Kind::Words, "getEl", "", "getElementById"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.before);
        const CompletionContext ctx = completionContextAt(text, text.size());
        EXPECT_EQ(ctx.kind, c.kind) << c.name;
        EXPECT_EQ(ctx.prefix, QString::fromUtf8(c.prefix)) << c.name;
        const QStringList choices = completionsFor(ctx, text);
        if (*c.offered) {
            EXPECT_TRUE(choices.contains(QString::fromUtf8(c.offered))) << c.name;
        }
        if (*c.notOffered) {
            EXPECT_FALSE(choices.contains(QString::fromUtf8(c.notOffered))) << c.name;
        }
        for (const QString& w : choices)
            EXPECT_TRUE(w.startsWith(ctx.prefix, Qt::CaseInsensitive)) << c.name;
    }
}

} // namespace
} // namespace morvane::webtext
