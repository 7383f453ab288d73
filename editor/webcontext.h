// What the text of a web page is at a position: which language is written
// there (HTML, an HTML comment, PHP, CSS inside <style>, JavaScript inside
// <script>), whether the position lies inside a tag, and which HTML elements
// are still open. The editing helpers (closing tags, comment toggling,
// completion) ask this one place, so that a better language lookup changes
// all of them at once.
//
// The scan goes left to right over the text it is given; callers hand in the
// whole text or a window that starts at a line start well before the caret.
// Inside <style> and <script> the colouring's own CSS and JavaScript
// scanners say what a position is (codeTokenAt), and a <script> of a type
// that browsers do not run holds page text, not JavaScript.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <string>
#include <vector>

namespace morvane::webtext {

enum class Language { Html, HtmlComment, Php, Css, JavaScript };

// True for the elements that never have an end tag (br, img, input, meta…).
bool isVoidElement(QStringView name);

class ContextScanner {
public:
    explicit ContextScanner(QStringView text);

    // Scans on to `pos` (clamped to the text); positions never go back.
    void advanceTo(qsizetype pos);
    qsizetype position() const { return m_pos; }

    // The language of the character at the current position. The
    // delimiters themselves (<?php, ?>, <style…>, </script>) count as HTML,
    // the characters between them as the language they hold.
    Language language() const;
    // language(), except that the closing delimiters (?>, </style, </script)
    // count as HTML from their first character on.
    Language languageHere() const;
    // Inside a start or end tag (between its '<' and '>'), outside PHP.
    bool inTag() const { return m_state == State::Tag; }
    // Inside a quoted attribute value of that tag.
    bool inQuotedValue() const { return m_state == State::Tag && m_quote != 0; }
    bool tagIsEnd() const { return m_tagEnd; }
    // The tag's name as typed so far (empty for <!…> and before a letter).
    QString tagName() const { return m_tagName; }
    bool tagNameDone() const { return m_tagNameDone; }
    // Where the tag's '<' is.
    qsizetype tagStart() const { return m_tagStart; }
    // The elements still open, outermost first, as they were typed.
    const QStringList& openElements() const { return m_open; }
    // Where the content of the <style> or <script> element the position is
    // in begins (just after its start tag), or -1 outside one.
    qsizetype codeStart() const { return m_raw == State::Text ? -1 : m_codeStart; }

private:
    enum class State {
        Text,
        Tag,
        Comment,
        Declaration,
        Php,
        PhpString,
        PhpBlockComment,
        PhpLineComment,
        Css,
        JavaScript,
    };
    void step();
    void finishTag();
    void enterCode(State language);
    // The value of the `type` attribute of the start tag just ended.
    std::u16string scriptType() const;
    bool startsWithAt(qsizetype at, QLatin1StringView word) const;

    QStringView m_text;
    qsizetype m_pos = 0;
    State m_state = State::Text;
    State m_beforePhp = State::Text; // where a PHP block returns to
    State m_raw = State::Text;       // Css or JavaScript while inside <style>/<script>
    char16_t m_quote = 0;
    char16_t m_phpQuote = 0;
    bool m_tagEnd = false;
    bool m_tagNameDone = false;
    bool m_selfClosing = false;
    qsizetype m_tagStart = -1;
    qsizetype m_codeStart = -1;
    QString m_tagName;
    QStringList m_open;
};

// The language at `pos` of `text`.
Language languageAt(QStringView text, qsizetype pos);

// What the character at `pos` is part of in the CSS of a <style> element or
// the JavaScript of a <script> element, as the colouring's scanners read
// it: code, a comment or a string (a regular expression literal counts as
// a string), with the token's extent. Kind None outside such code.
struct CodeToken {
    enum class Kind { None, Code, Comment, String };
    Kind kind = Kind::None;
    qsizetype start = -1; // the token: [start, end)
    qsizetype end = -1;
};
CodeToken codeTokenAt(QStringView text, qsizetype pos);

// Closing tags. `text` ends at the caret (or holds the text before it as a
// window); `after` is the text that follows the caret.
//
// The end tag to put after the caret when '>' is typed there: the '>' ends a
// start tag of an element that is not void, not self-closing, not inside
// PHP, CSS, JavaScript, a comment or a quoted value, and its end tag does not
// already follow. Empty when nothing is to be added.
QString endTagForGreaterThan(QStringView before, QStringView after);
// What to put after '/' when '/' is typed right after a '<' in HTML text:
// the rest of the end tag of the innermost open element ("div>"), or empty
// when no element is open or the '<' is not in HTML text.
QString endTagCompletionForSlash(QStringView before);

} // namespace morvane::webtext
