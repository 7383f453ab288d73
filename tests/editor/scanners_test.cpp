// The HTML and PHP scanners against the documented examples: each case
// shows the text, the role letter of every position and the marked positions
// (see syntaxtesthelpers.h for the letters).
#include "syntaxtesthelpers.h"

#include "editor/syntax/reservedwords.h"

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::test;

namespace {

std::string rep(char c, int n) {
    return std::string(std::size_t(n), c);
}

struct Picture {
    std::string roles;
    std::string marks;
};

Picture scanned(std::string_view text) {
    const AttributeStore s = scanWhole(u16(text));
    return {roles(s), marks(s)};
}

} // namespace

TEST(HtmlScanner, WorkedExampleColoursTagsAttributesAndValues) {
    const Picture p = scanned("<a href='x.html' id=top>Hi</a>");
    EXPECT_EQ(p.roles, "TT" + rep('.', 1) + "AAAA" + "T" + rep('P', 8) + "." + "AA" + "T" + "PPP" +
                           "T" + ".." + "TTTT");
    EXPECT_EQ(p.marks, "^^" + rep(' ', 5) + "^" + rep(' ', 11) + "^" + rep(' ', 3) + "^" +
                           rep(' ', 2) + "^^^^");
}

TEST(HtmlScanner, PlainTextIsClearedIncludingALooseLessThan) {
    const std::u16string text = u16("a < b and <p>x");
    AttributeStore s;
    s.reset(text);
    s.apply(0, std::int64_t(text.size()), SyntaxRole::Comment);
    s.mark(0, std::int64_t(text.size()));
    scan(s, text, 0, std::int64_t(text.size()), 0);
    EXPECT_EQ(roles(s), rep('.', 10) + "TTT" + ".");
    EXPECT_EQ(marks(s), rep(' ', 10) + "^^^");
}

TEST(HtmlScanner, TagsClosedInTheirNameAreTagWhole) {
    EXPECT_EQ(scanned("<p>hello").roles, "TTT.....");
    EXPECT_EQ(scanned("<br></a><>").roles, rep('T', 10));
    EXPECT_EQ(scanned("<br></a><>").marks, rep('^', 10));
    EXPECT_EQ(scanned("<br/>").roles, "TTTTT");
}

TEST(HtmlScanner, ValuesQuotedUnquotedAndEscaped) {
    EXPECT_EQ(scanned("<a href=x>").roles, "TT.AAAATPT");
    EXPECT_EQ(scanned("<a href=x>").marks, "^^     ^ ^");
    // The escaped quote does not end the value; '>' inside quotes does not end the tag.
    EXPECT_EQ(scanned("<input value='a \\' b>'>").roles,
              rep('T', 6) + "." + rep('A', 5) + "T" + rep('P', 9) + "T");
    // Whitespace before '=' ends the name, so '=' starts another name.
    EXPECT_EQ(scanned("<a x = \"v\">").roles, "TT.A.A.AAAT");
}

TEST(HtmlScanner, CommentsHideTagsAndRunToTheWindowEnd) {
    EXPECT_EQ(scanned("<!-- a <b> c -->x").roles, rep('C', 16) + ".");
    EXPECT_EQ(scanned("<!-- a <b> c -->x").marks, "");
    EXPECT_EQ(scanned("<!-- unterminated").roles, rep('C', 17));
    // The closing "-->" cannot share the dashes of the opener.
    EXPECT_EQ(scanned("<!-->x").roles, rep('C', 6));
}

TEST(HtmlScanner, ConstructsOpenAtTheWindowEndAreColouredToIt) {
    EXPECT_EQ(scanned("<img src='a.png").roles, "TTTT.AAAT" + rep('P', 6));
    EXPECT_EQ(scanned("<img src='a.png").marks, "^^^^    ^");
    EXPECT_EQ(scanned("<div").roles, "TTTT");
    EXPECT_EQ(scanned("<div").marks, "^^^^");
    EXPECT_EQ(scanned("<a href").roles, "TT.AAAA");
}

TEST(HtmlScanner, LessThanBeforeWhitespaceIsNoTag) {
    const Picture p = scanned("< p>");
    EXPECT_EQ(p.roles, "....");
    EXPECT_EQ(p.marks, "");
}

TEST(HtmlScanner, WhitespaceInsideATagKeepsItsOldColour) {
    const std::u16string text = u16("<a  b>");
    AttributeStore s;
    s.reset(text);
    s.apply(0, 6, SyntaxRole::Comment);
    scan(s, text, 0, 6, 0);
    EXPECT_EQ(roles(s), "TTCCAT");
}

TEST(HtmlScanner, WideWhitespaceEndsATagName) {
    // U+3000 IDEOGRAPHIC SPACE is whitespace; U+00A0 NO-BREAK SPACE is not.
    EXPECT_EQ(scanned("<a\u3000b>").roles, "TT.AT");
    EXPECT_EQ(scanned("<a\u00a0b>").roles, "TTTTT");
}

TEST(HtmlScanner, EmptyWindowChangesNothing) {
    const std::u16string text = u16("<p>x</p>");
    AttributeStore s;
    s.reset(text);
    s.apply(0, 8, SyntaxRole::Comment);
    scan(s, text, 3, 3, 0);
    EXPECT_EQ(roles(s), rep('C', 8));
}

TEST(HtmlScanner, OnlyTheWindowIsTouched) {
    const std::u16string text = u16("<a href='x'>Hi</a><b>bold</b>");
    AttributeStore s;
    s.reset(text);
    s.apply(0, std::int64_t(text.size()), SyntaxRole::Comment);
    scan(s, text, 12, 18, 12);
    EXPECT_EQ(roles(s), rep('C', 12) + ".." + "TTTT" + rep('C', 11));
}

TEST(HtmlScanner, TagsClosingBeforeTheVisibleStartKeepTheirOldColours) {
    const std::u16string text = u16("<a href=\"x\">Hi <i>there</i>");
    AttributeStore s;
    s.reset(text);
    scan(s, text, 0, std::int64_t(text.size()), 12);
    // The tag name ended by whitespace is coloured again; the rest of the
    // tag completed before position 12 and is left alone.
    EXPECT_EQ(roles(s), "TT" + rep('.', 10) + "..." + "TTT" + "....." + "TTTT");
    EXPECT_EQ(marks(s), "^^" + rep(' ', 13) + "^^^" + rep(' ', 5) + "^^^^");
}

TEST(HtmlScanner, TagsSpanningTheVisibleStartAreColouredFromThere) {
    const std::u16string text = u16("<a href=\"x\">");
    AttributeStore s;
    s.reset(text);
    scan(s, text, 0, std::int64_t(text.size()), 9);
    EXPECT_EQ(roles(s), "TT" + rep('.', 6) + "PPP" + "T");
}

TEST(PhpScanner, BlockThenTagDirectlyBehind) {
    const Picture p = scanned("<?php echo 1; ?><b>x</b>");
    EXPECT_EQ(p.roles, "DDDDD"
                       "p"
                       "RRRR"
                       "pppp"
                       "DD"
                       "TTT"
                       "."
                       "TTTT");
    EXPECT_EQ(p.marks, "^^^^^" + rep(' ', 9) +
                           "^^"
                           "^^^"
                           " "
                           "^^^^");
}

TEST(PhpScanner, OpenerAtTheWindowEndColoursNothingAndUnmarks) {
    const std::u16string text = u16("<?php");
    AttributeStore s;
    s.reset(text);
    s.mark(0, 1);
    scan(s, text, 0, 5, 0);
    EXPECT_EQ(roles(s), ".....");
    EXPECT_EQ(marks(s), "");
}

TEST(PhpScanner, OpenerRunsToTheNextWhitespace) {
    const Picture p = scanned("<?=$x?> <b>");
    EXPECT_EQ(p.roles, rep('D', 7) + "pp" + "I" + "p");
    EXPECT_EQ(p.marks, rep('^', 7));
}

TEST(PhpScanner, CloserEndsBlockAndHtmlResumes) {
    const Picture p = scanned("<?php $x = 1;?><b>");
    EXPECT_EQ(p.roles, "DDDDD"
                       "p"
                       "VV"
                       "ppppp"
                       "DD"
                       "TTT");
    EXPECT_EQ(p.marks, "^^^^^" + rep(' ', 8) + "^^^^^");
}

TEST(PhpScanner, StringsHonourBackslashesAndMayRunToTheEnd) {
    // 'a\\' is not closed by its last quote, so the string runs on past ?>.
    EXPECT_EQ(scanned("<?php 'it\\'s' 'a\\\\' x ?>").roles, "DDDDD"
                                                            "p" +
                                                                rep('P', 7) + "p" + rep('P', 10));
}

TEST(PhpScanner, Comments) {
    EXPECT_EQ(scanned("<?php /* a */ $b ?>").roles, "DDDDD"
                                                    "p" +
                                                        rep('C', 7) +
                                                        "p"
                                                        "VV"
                                                        "p"
                                                        "DD");
    EXPECT_EQ(scanned("<?php // a */ b ?>").roles, "DDDDD"
                                                   "p" +
                                                       rep('C', 7) +
                                                       "p"
                                                       "I"
                                                       "p"
                                                       "DD");
    // A closer inside a line comment is part of it; the line feed belongs to no run.
    EXPECT_EQ(scanned("<?php // c ?>\n$x").roles, "DDDDD"
                                                  "p" +
                                                      rep('C', 7) +
                                                      "."
                                                      "VV");
    EXPECT_EQ(scanned("<?php # note ?>").roles, "DDDDD"
                                                "ppp"
                                                "IIII"
                                                "p"
                                                "DD");
}

TEST(PhpScanner, Heredocs) {
    EXPECT_EQ(scanned("<?php\n$a = <<<'EOT'\nx\nEOT\n?>").roles, "DDDDD"
                                                                 "p"
                                                                 "VV"
                                                                 "ppp" +
                                                                     rep('P', 14) +
                                                                     "."
                                                                     "DD");
    // With a space after <<< the terminator is " EOT", so a bare EOT line does not close it.
    EXPECT_EQ(scanned("<?php\n<<< EOT\nEOT\n x EOT\n?>").roles, "DDDDD"
                                                                "p" +
                                                                    rep('P', 18) +
                                                                    "."
                                                                    "DD");
    // Unterminated: parameter up to the window's end.
    EXPECT_EQ(scanned("<?php <<<EOT\nabc").roles, "DDDDD"
                                                  "p" +
                                                      rep('P', 10));
}

TEST(PhpScanner, WordsSplitIntoVariablesReservedAndIdentifiers) {
    const std::string text = "<?php NULL Null null php_eol PHP_EOL E_ALL e_all ECHO foo "
                             "1abc abc1 $a$b $ = 1 ?>";
    const AttributeStore s = scanWhole(u16(text));
    auto roleOf = [&](std::string_view word, std::size_t from = 0) {
        const std::size_t at = text.find(word, from);
        return s.roleAt(std::int64_t(at));
    };
    EXPECT_EQ(roleOf("NULL"), SyntaxRole::Reserved);
    EXPECT_EQ(roleOf("Null"), SyntaxRole::Reserved);
    EXPECT_EQ(roleOf("null"), SyntaxRole::Reserved);
    EXPECT_EQ(roleOf("php_eol"), SyntaxRole::Identifier);
    EXPECT_EQ(roleOf("PHP_EOL"), SyntaxRole::Reserved);
    EXPECT_EQ(roleOf("E_ALL"), SyntaxRole::Reserved);
    EXPECT_EQ(roleOf("e_all"), SyntaxRole::Identifier);
    EXPECT_EQ(roleOf("ECHO"), SyntaxRole::Reserved);
    EXPECT_EQ(roleOf("foo"), SyntaxRole::Identifier);
    EXPECT_EQ(roleOf("1abc"), SyntaxRole::Php);
    EXPECT_EQ(roleOf("abc", text.find("1abc")), SyntaxRole::Identifier);
    EXPECT_EQ(roleOf("abc1"), SyntaxRole::Identifier);
    EXPECT_EQ(roleOf("1", text.find("abc1")), SyntaxRole::Identifier);
    EXPECT_EQ(roleOf("$b"), SyntaxRole::Variable);
    const std::size_t lone = text.find("$ =");
    EXPECT_EQ(s.roleAt(std::int64_t(lone)), SyntaxRole::Variable);
    EXPECT_EQ(s.roleAt(std::int64_t(lone + 1)), SyntaxRole::Php);
}

TEST(PhpScanner, XmlDeclarationIsScannedAsABlock) {
    const Picture p = scanned("<?xml version='1.0'?>");
    EXPECT_EQ(p.roles, "DDDDD"
                       "p" +
                           rep('I', 7) + "p" + rep('P', 5) + "DD");
    EXPECT_EQ(p.marks, "^^^^^" + rep(' ', 14) + "^^");
}

TEST(PhpScanner, TokensBeforeTheVisibleStartAreOnlyTracked) {
    const std::u16string text = u16("<?php $a = 'x'; ?>");
    AttributeStore s;
    s.reset(text);
    scan(s, text, 0, std::int64_t(text.size()), 14);
    // Delimiters and code runs are coloured regardless; the variable and
    // the string completed before position 14.
    EXPECT_EQ(roles(s), "DDDDD"
                        "p"
                        ".."
                        "ppp"
                        "..."
                        "pp"
                        "DD");
}

TEST(PhpScanner, LettersBeyondAsciiAndBrokenSurrogates) {
    using namespace std::literals;
    const std::u16string text = u"<?php $é€ \xD800x\0y ?>"s;
    AttributeStore s;
    s.reset(text);
    scan(s, text, 0, std::int64_t(text.size()), 0);
    EXPECT_EQ(roles(s), "DDDDD"
                        "p"
                        "VV"
                        "pp"
                        "p"
                        "I"
                        "p"
                        "I"
                        "p"
                        "DD");
}

TEST(ReservedWords, TableHoldsBothClasses) {
    const auto& table = reservedWords();
    EXPECT_EQ(table.size(), 332u);
    int keywords = 0;
    for (const auto& [word, cls] : table)
        keywords += cls == ReservedClass::Keyword;
    EXPECT_EQ(keywords, 67);
    EXPECT_EQ(reservedClass("__halt_compiler"), ReservedClass::Keyword);
    EXPECT_EQ(reservedClass("__COMPILER_HALT_OFFSET__"), ReservedClass::Constant);
    EXPECT_EQ(reservedClass("YESSTR"), ReservedClass::Constant);
    EXPECT_TRUE(isReservedWord(u"Foreach"));
    EXPECT_FALSE(isReservedWord(u"Yesstr"));
    EXPECT_FALSE(isReservedWord(u"foreachx"));
    // KELVIN SIGN lower-cases to k, as a full lower-casing would do.
    EXPECT_TRUE(isReservedWord(u"brea\u212A"));
    EXPECT_FALSE(isReservedWord(u""));
}
