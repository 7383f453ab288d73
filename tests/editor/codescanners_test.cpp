// The CSS and JavaScript scanners on their own: restarting at any saved line
// start gives what a scan from the top gives (the incremental driver relies
// on it), random texts finish inside their window, real stylesheets and
// scripts from a Debian package end in the state they began in, and the
// saved states follow edits the way the driver needs.
#include "codescantesthelpers.h"
#include "syntaxtesthelpers.h"

#include "editor/syntax/checkpoints.h"

#include <QDir>
#include <QFile>

#include <memory>
#include <random>

using namespace morvane;
using namespace morvane::test;

namespace {

struct Text {
    const char* name;
    CodeLanguage language;
    const char* utf8;
};

// Texts whose line starts fall inside every construct that spans lines.
const Text kTexts[] = {
    {"js block comment", CodeLanguage::Js, "a();\n/* one\ntwo } ` \"\nthree */ b / 2;\n"},
    {"js template", CodeLanguage::Js,
     "x = `one\n${ y + `in\n${ z }\nner` }\ntwo ${ \"}\" }\nend`; /r/.test(q);\n"},
    {"js continued string", CodeLanguage::Js, "s = 'a\\\nb' + \"c\\\nd\";\nt = /e/;\n"},
    {"js condition over lines", CodeLanguage::Js, "if (a &&\n b)\n /x/.exec(s);\nc = d\n/ 2;\n"},
    {"js unterminated", CodeLanguage::Js, "s = \"open\nt = 'also\nu = /re\nv = 1;\n"},
    {"css value over lines", CodeLanguage::Css,
     "a {\n  margin:\n    1px\n    2px;\n  content: \"}\n\";\n}\n"},
    {"css nested", CodeLanguage::Css,
     "@media print {\n  .a {\n    & b {\n      c: d;\n    }\n  }\n}\ne { f: 1 }\n"},
    {"css comment", CodeLanguage::Css, "/* a {\n } */\nb /* c\n*/ { d: e /*\n*/ }\n"},
};

} // namespace

class RestartAtLineStart : public ::testing::TestWithParam<Text> {};

TEST_P(RestartAtLineStart, GivesTheColoursOfAScanFromTheTop) {
    const std::u16string text = u16(GetParam().utf8);
    AttributeStore whole;
    AllLineStarts lines;
    scanCodeWhole(text, GetParam().language, whole, &lines);
    ASSERT_FALSE(lines.states.empty());
    for (const auto& [pos, state] : lines.states)
        expectRestartMatches(text, whole, pos, state);
}

INSTANTIATE_TEST_SUITE_P(Texts, RestartAtLineStart, ::testing::ValuesIn(kTexts),
                         [](const ::testing::TestParamInfo<Text>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

namespace {

std::u16string randomCode(std::mt19937& rng, std::size_t n) {
    static const std::u16string pieces[] = {u"/",
                                            u"*",
                                            u"/*",
                                            u"*/",
                                            u"//",
                                            u"\n",
                                            u" ",
                                            u"\"",
                                            u"'",
                                            u"`",
                                            u"${",
                                            u"}",
                                            u"{",
                                            u"(",
                                            u")",
                                            u"[",
                                            u"]",
                                            u"\\",
                                            u";",
                                            u":",
                                            u"a",
                                            u"1",
                                            u".",
                                            u"#",
                                            u"@",
                                            u"!",
                                            u"-",
                                            u"<",
                                            u"if",
                                            u"for",
                                            u"return",
                                            u"x",
                                            u"px",
                                            u"%",
                                            u"&",
                                            u"=",
                                            u"é",
                                            u"\u3000",
                                            std::u16string(1, u'\0'),
                                            std::u16string(1, char16_t(0xD800)),
                                            u"important",
                                            u"@media",
                                            u"</script>",
                                            u"</style>",
                                            u"<?php ",
                                            u"?>"};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::u16string t;
    while (t.size() < n)
        t += pieces[pick(rng)];
    t.resize(n);
    return t;
}

} // namespace

TEST(CodeScanners, RandomTextsRestartAnywhereAndStayInTheirWindow) {
    std::mt19937 rng(0xc0de);
    for (int round = 0; round < 1500; ++round) {
        const CodeLanguage language = round % 2 ? CodeLanguage::Js : CodeLanguage::Css;
        const std::u16string text = randomCode(rng, std::size_t(rng() % 400));
        const auto n = std::int64_t(text.size());
        // The whole text from an exact-size copy.
        const auto copy = std::make_unique<char16_t[]>(text.size() + 1);
        std::copy(text.begin(), text.end(), copy.get());
        AttributeStore whole;
        whole.reset(text);
        AllLineStarts lines;
        const CodeScanEnd end =
            scanCode(ScanWindow{copy.get(), 0, 0, n, 0}, 0, codeStart(language), whole, &lines);
        ASSERT_EQ(end.pos, n) << "round " << round;
        ASSERT_EQ(end.reason, CodeScanEnd::WindowEnd);
        for (const auto& [pos, state] : lines.states) {
            SCOPED_TRACE(round);
            expectRestartMatches(text, whole, pos, state);
        }
        // Embedded, the scan stops at the element's end or a PHP block, and
        // never before its start.
        AttributeStore embedded;
        embedded.reset(text);
        const CodeScanEnd e = scanCode(ScanWindow{copy.get(), 0, 0, n, 0}, 0,
                                       ScanState::start(language, true), embedded);
        ASSERT_LE(e.pos, n);
        if (e.reason != CodeScanEnd::WindowEnd) {
            ASSERT_EQ(text[std::size_t(e.pos)], u'<');
        }
    }
}

TEST(CodeScanners, RealStylesheetsAndScriptsEndWhereTheyBegan) {
    // The sources of a real project, from Debian packages (libjs-jquery,
    // libjs-jquery-ui).
    struct File {
        const char* path;
        CodeLanguage language;
    };
    const File files[] = {
        {"/usr/share/javascript/jquery/jquery.js", CodeLanguage::Js},
        {"/usr/share/javascript/jquery/jquery.min.js", CodeLanguage::Js},
        {"/usr/share/javascript/jquery-ui/jquery-ui.js", CodeLanguage::Js},
        {"/usr/share/javascript/jquery-ui/jquery-ui.min.js", CodeLanguage::Js},
        {"/usr/share/javascript/jquery-ui/themes/base/jquery-ui.css", CodeLanguage::Css},
        {"/usr/share/javascript/jquery-ui/themes/base/jquery-ui.min.css", CodeLanguage::Css},
        {"/usr/share/javascript/jquery-ui/themes/base/theme.css", CodeLanguage::Css},
    };
    int found = 0;
    for (const File& f : files) {
        QFile file(QString::fromLatin1(f.path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        ++found;
        SCOPED_TRACE(f.path);
        const QString s = QString::fromUtf8(file.readAll());
        const std::u16string text(reinterpret_cast<const char16_t*>(s.utf16()),
                                  std::size_t(s.size()));
        AttributeStore whole;
        AllLineStarts lines;
        const CodeScanEnd end = scanCodeWhole(text, f.language, whole, &lines);
        EXPECT_EQ(end.pos, std::int64_t(text.size()));
        EXPECT_TRUE(end.state.outside())
            << "mode " << int(end.state.mode) << " depth " << int(end.state.depth) << " templates "
            << int(end.state.templates);
        // Every line start of a real file is outside any open construct but
        // comments, strings and blocks: a sample of them restarts exactly.
        // Each restart scans to the end of the file, so the sanitizers'
        // slower build samples fewer of them.
#ifdef MORVANE_SANITIZED
        constexpr std::size_t kStride = 1009;
#else
        constexpr std::size_t kStride = 97;
#endif
        for (std::size_t k = 0; k < lines.states.size(); k += kStride)
            expectRestartMatches(text, whole, lines.states[k].first, lines.states[k].second);
    }
    if (found == 0)
        GTEST_SKIP() << "libjs-jquery and libjs-jquery-ui are not installed "
                        "(scripts/install-deps.sh installs them)";
}

TEST(CodeScanners, ScriptTypes) {
    struct Case {
        const char16_t* type;
        bool script;
    };
    const Case cases[] = {
        {u"", true},
        {u"  text/javascript ", true},
        {u"TEXT/JavaScript", true},
        {u"module", true},
        {u"importmap", true},
        {u"application/json", true},
        {u"application/ld+json", true},
        {u"text/template", false},
        {u"text/x-handlebars", false},
        {u"text/javascript; charset=utf-8", false},
        {u"<?php echo $t ?>", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isScriptType(c.type), c.script) << std::u16string_view(c.type).size();
}

namespace {

ScanState stateWithMode(std::uint8_t mode) {
    ScanState s = codeStart(CodeLanguage::Js);
    s.mode = mode;
    return s;
}

} // namespace

TEST(Checkpoints, EditsMoveLaterPointsAndDropTheRemovedOnes) {
    Checkpoints cps;
    {
        Checkpoints::Recorder r(cps, 0);
        for (std::int64_t pos : {5000, 10000, 15000, 20000})
            r.atRestartPoint(pos, stateWithMode(std::uint8_t(pos / 5000)));
        r.finish(25000);
    }
    ASSERT_EQ(cps.points().size(), 4u);
    EXPECT_EQ(cps.trusted(), 25000);
    // 100 characters out of (9950, 10050) and 30 in: 10000 goes, later ones move.
    cps.edited(9950, 100, 30);
    ASSERT_EQ(cps.points().size(), 3u);
    EXPECT_EQ(cps.points()[0].pos, 5000);
    EXPECT_EQ(cps.points()[1].pos, 14930);
    EXPECT_EQ(cps.points()[2].pos, 19930);
    // Only what lies before the edit may be restarted from.
    EXPECT_EQ(cps.trusted(), 9950);
    EXPECT_EQ(cps.restartPoint(30000)->pos, 5000);
    EXPECT_EQ(cps.restartPoint(4999), nullptr);
    // A point right at an insertion keeps its place (its state depends on
    // the text before it).
    cps.edited(5000, 0, 10);
    EXPECT_EQ(cps.points()[0].pos, 5000);
    EXPECT_EQ(cps.points()[1].pos, 14940);
}

TEST(Checkpoints, ARescanStopsAtTheFirstUnchangedStatePastTheEdit) {
    Checkpoints cps;
    {
        Checkpoints::Recorder r(cps, 0);
        for (std::int64_t pos = 4096; pos <= 40960; pos += 4096)
            r.atRestartPoint(pos, stateWithMode(0));
        r.finish(50000);
    }
    cps.edited(10000, 0, 1); // the points after it move by one
    Checkpoints::Recorder r(cps, 8192, 12000);
    // Before what the pass must colour, nothing stops it; a changed state
    // does not either; the first equal one past both does, and everything
    // is trusted again.
    EXPECT_LE(r.next, 12289);
    EXPECT_FALSE(r.atRestartPoint(12289, stateWithMode(1)));
    EXPECT_FALSE(r.atRestartPoint(16385, stateWithMode(1)));
    EXPECT_TRUE(r.atRestartPoint(20481, stateWithMode(0)));
    r.finish(20481);
    EXPECT_TRUE(r.converged());
    EXPECT_EQ(cps.trusted(), 50001);
    // The changed states replaced the old ones.
    EXPECT_EQ(cps.restartPoint(16385)->state.mode, 1);
    EXPECT_EQ(cps.restartPoint(20481)->state.mode, 0);
}

TEST(Checkpoints, AScanThatFindsNoOldStateTrustsOnlyWhatItCovered) {
    Checkpoints cps;
    {
        Checkpoints::Recorder r(cps, 0);
        r.atRestartPoint(5000, stateWithMode(0));
        r.atRestartPoint(10000, stateWithMode(0));
        r.finish(20000);
    }
    cps.edited(100, 0, 2); // say, a comment opener typed at the top
    Checkpoints::Recorder r(cps, 0, 3000);
    EXPECT_FALSE(r.atRestartPoint(5002, stateWithMode(1)));
    r.finish(8000);
    EXPECT_FALSE(r.converged());
    EXPECT_EQ(cps.trusted(), 8000);
    // The next slice meets the old state again at 10002: all trusted.
    Checkpoints::Recorder next(cps, 5002, 8000);
    EXPECT_TRUE(next.atRestartPoint(10002, stateWithMode(0)));
    next.finish(10002);
    EXPECT_EQ(cps.trusted(), 20002);
}

TEST(Checkpoints, InHtmlAnEditDropsThePointsAfterIt) {
    Checkpoints cps;
    cps.reset(true);
    {
        Checkpoints::Recorder r(cps, 0);
        r.atRestartPoint(5000, stateWithMode(0));
        r.atRestartPoint(10000, stateWithMode(0));
        r.finish(20000);
    }
    EXPECT_EQ(cps.restartPoint(12000)->pos, 10000);
    cps.edited(7000, 1, 0);
    ASSERT_EQ(cps.points().size(), 1u);
    EXPECT_EQ(cps.restartPoint(12000)->pos, 5000);
}
