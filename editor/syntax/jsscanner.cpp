// The JavaScript scanner: comments, strings, template literals (nested, with
// their expressions), numbers, regular expression literals, and the words
// of the language. A `/` starts a regular expression where an expression may
// start, and is a division after a value: after a name, a number, a string,
// `)` and `]`, except the `)` that closes the condition of `if`, `while` or
// `for`, after which a statement (and so a regular expression) may follow.
#include "editor/syntax/codescanner.h"

#include <string_view>

namespace morvane::detail {

namespace {

enum Mode : std::uint8_t {
    Code = 0,
    BlockComment,
    LineComment,
    DoubleString,
    SingleString,
    Template,
    Regex,
    RegexClass,
};

// Scanner flags in ScanState::flags (besides kEmbedded).
constexpr std::uint8_t kRegexAllowed = ScanState::kExpressionStart;
constexpr std::uint8_t kConditionNext = 0x02;   // after if / while / for
constexpr std::uint8_t kEscapedLineFeed = 0x04; // a string goes on past its line

// What a word is: not a keyword, a keyword after which a value ends (`this`,
// `true`), one after which an expression starts (`return`, `typeof`), or one
// whose parenthesised condition follows.
enum class Word : std::uint8_t { Plain, Value, Operator, Condition };

struct Keyword {
    std::u16string_view text;
    Word kind;
};

// Sorted by first letter, so that a word is compared only with the
// keywords that share its first letter.
constexpr Keyword kKeywords[] = {
    {u"as", Word::Value},        {u"async", Word::Value},         {u"await", Word::Operator},
    {u"break", Word::Value},     {u"case", Word::Operator},       {u"catch", Word::Value},
    {u"class", Word::Value},     {u"const", Word::Value},         {u"continue", Word::Value},
    {u"do", Word::Operator},     {u"delete", Word::Operator},     {u"default", Word::Value},
    {u"debugger", Word::Value},  {u"else", Word::Operator},       {u"enum", Word::Value},
    {u"export", Word::Value},    {u"extends", Word::Value},       {u"for", Word::Condition},
    {u"from", Word::Value},      {u"false", Word::Value},         {u"finally", Word::Value},
    {u"function", Word::Value},  {u"if", Word::Condition},        {u"in", Word::Operator},
    {u"import", Word::Value},    {u"instanceof", Word::Operator}, {u"let", Word::Value},
    {u"new", Word::Operator},    {u"null", Word::Value},          {u"return", Word::Operator},
    {u"super", Word::Value},     {u"static", Word::Value},        {u"switch", Word::Value},
    {u"try", Word::Value},       {u"this", Word::Value},          {u"true", Word::Value},
    {u"throw", Word::Operator},  {u"typeof", Word::Operator},     {u"undefined", Word::Value},
    {u"var", Word::Value},       {u"void", Word::Operator},       {u"with", Word::Condition},
    {u"while", Word::Condition}, {u"yield", Word::Operator},
};

// For each letter a..z, the range of kKeywords starting with it.
struct LetterRanges {
    std::uint8_t begin[26] = {};
    std::uint8_t end[26] = {};
    constexpr LetterRanges() {
        for (std::size_t k = 0; k < std::size(kKeywords); ++k) {
            const std::size_t letter = std::size_t(kKeywords[k].text[0] - u'a');
            if (begin[letter] == end[letter])
                begin[letter] = std::uint8_t(k);
            end[letter] = std::uint8_t(k + 1);
        }
    }
};
constexpr LetterRanges kRanges;

// The word [p, p + n): one of the keywords, or Plain.
Word keyword(const char16_t* p, std::int64_t n) {
    if (n < 2 || n > 10 || p[0] < u'a' || p[0] > u'z')
        return Word::Plain;
    const std::size_t letter = std::size_t(p[0] - u'a');
    for (std::size_t k = kRanges.begin[letter]; k < kRanges.end[letter]; ++k) {
        const std::u16string_view text = kKeywords[k].text;
        if (std::int64_t(text.size()) == n && std::u16string_view(p, std::size_t(n)) == text)
            return kKeywords[k].kind;
    }
    return Word::Plain;
}

// ASCII characters that continue a name.
constexpr struct NameTable {
    bool part[128] = {};
    constexpr NameTable() {
        for (int c = 0; c < 128; ++c)
            part[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '$' || c == '\\';
    }
} kNames;

class JsScanner : public CodeScanBase {
public:
    JsScanner(const ScanWindow& w, std::int64_t from, const ScanState& state, AttributeStore& store,
              CheckpointSink* sink)
        : CodeScanBase(w, from, state, store, sink, roleOf(Mode(state.mode))) {}

    static SyntaxRole roleOf(Mode m) {
        switch (m) {
        case BlockComment:
        case LineComment:
            return SyntaxRole::Comment;
        case DoubleString:
        case SingleString:
        case Template:
            return SyntaxRole::String;
        case Regex:
        case RegexClass:
            return SyntaxRole::Regex;
        case Code:
            break;
        }
        return SyntaxRole::None;
    }

    CodeScanEnd run(std::int64_t i) {
        while (i < m_stop) {
            flushIfPastBlock(i);
            const char16_t c = at(i);
            if (c == u'\n') {
                const bool continued = m_s.flags & kEscapedLineFeed;
                m_s.flags &= std::uint8_t(~kEscapedLineFeed);
                // Tokens that cannot span lines end at the line's end.
                if (!continued &&
                    (m_s.mode == LineComment || m_s.mode == Regex || m_s.mode == RegexClass ||
                     m_s.mode == DoubleString || m_s.mode == SingleString)) {
                    close(i);
                    setMode(Code);
                    m_s.flags &= std::uint8_t(~kRegexAllowed);
                } else if (m_s.mode != Code) {
                    // Comments and template text take their line feeds along.
                    close(i + 1);
                    open(i + 1, m_tokRole);
                }
                if (lineFeed(i))
                    return finish(i + 1, CodeScanEnd::WindowEnd);
                ++i;
                continue;
            }
            if (c == u'<' && m_embedded) {
                const Lt lt = lessThan(i);
                if (lt == Lt::EndTag)
                    return finish(i, CodeScanEnd::EndTag);
                if (lt == Lt::Php)
                    return finish(i, CodeScanEnd::Php);
            }
            switch (Mode(m_s.mode)) {
            case Code:
                i = codeRun(i, c);
                if (m_stopped)
                    return finish(i, CodeScanEnd::WindowEnd);
                break;
            case BlockComment:
                if (c == u'*' && i + 1 < m_stop && at(i + 1) == u'/') {
                    close(i + 2);
                    setMode(Code);
                    i += 2;
                } else {
                    i = skipPlain(i + 1, u'*');
                }
                break;
            case LineComment:
                i = skipPlain(i + 1, u'\n');
                break;
            case DoubleString:
            case SingleString:
                i = stringChar(i, c, m_s.mode == DoubleString ? u'"' : u'\'');
                break;
            case Template:
                i = templateChar(i, c);
                break;
            case Regex:
            case RegexClass:
                i = regexChar(i, c);
                break;
            }
        }
        return finish(m_stop, CodeScanEnd::WindowEnd);
    }

private:
    void setMode(Mode m) { m_s.mode = m; }
    void allowRegex(bool allowed) {
        m_s.flags = std::uint8_t((m_s.flags & ~(kRegexAllowed | kConditionNext)) |
                                 (allowed ? kRegexAllowed : 0));
    }
    bool m_stopped = false; // the sink stopped the scan

    int braceLevel() const { return (m_s.templates > 8 ? 8 : m_s.templates) - 1; }

    // Moves past characters that matter to no mode: up to the next `stop1`,
    // line feed or `<`.
    std::int64_t skipPlain(std::int64_t i, char16_t stop1) const {
        return i < m_stop ? findAny(i, stop1, u'\n', lessThanStop(u'\n'), stop1) : i;
    }

    bool identStart(char16_t c) const {
        return charclass::isAlpha(c, m_cls) || c == u'_' || c == u'$' || c == u'\\';
    }
    bool identPart(char16_t c) const {
        if (c < 128)
            return kNames.part[c];
        return charclass::isAlnum(c, m_cls);
    }

    // Tokens of code from i (whose character c the caller has looked at) on,
    // until the mode changes, a line ends, a `<` of an embedded element
    // comes, or the painter's buffer is full: the common case stays in this
    // loop.
    std::int64_t codeRun(std::int64_t i, char16_t c) {
        const std::int64_t limit = std::min(m_stop, m_painter.blockEnd());
        for (;;) {
            i = code(i, c);
            if (m_s.mode != Code)
                return i;
            // After a statement's end, long lines get restart points too.
            if ((c == u';' || c == u'}') && restartPoint(i)) {
                m_stopped = true;
                return i;
            }
            if (i >= limit)
                return i;
            c = at(i);
            if (c == u'\n' || (c == u'<' && m_embedded))
                return i;
        }
    }

    std::int64_t code(std::int64_t i, char16_t c) {
        if (c == u' ' || c == u'\t') {
            std::int64_t j = i + 1;
            while (j < m_stop && (at(j) == u' ' || at(j) == u'\t'))
                ++j;
            return j;
        }
        if (charclass::isSpace(c, m_cls))
            return i + 1;
        if (identStart(c)) {
            std::int64_t j = i + 1;
            while (j < m_stop && identPart(at(j)))
                ++j;
            // A name right after a dot is a property (`a.return`), no keyword.
            const bool member = i > m_base && at(i - 1) == u'.';
            const Word kind = member ? Word::Plain : keyword(m_chars + (i - m_base), j - i);
            if (kind != Word::Plain)
                m_painter.paint(i, j, SyntaxRole::Reserved);
            if (kind == Word::Condition)
                m_s.flags = std::uint8_t((m_s.flags & ~kRegexAllowed) | kConditionNext);
            else
                allowRegex(kind == Word::Operator);
            return j;
        }
        if (charclass::isAlnum(c, m_cls) ||
            (c == u'.' && i + 1 < m_stop && at(i + 1) >= u'0' && at(i + 1) <= u'9'))
            return number(i);
        switch (c) {
        case u'"':
        case u'\'':
            open(i, SyntaxRole::String);
            setMode(c == u'"' ? DoubleString : SingleString);
            return i + 1;
        case u'`':
            open(i, SyntaxRole::String);
            setMode(Template);
            return i + 1;
        case u'/':
            if (i + 1 < m_stop && at(i + 1) == u'/') {
                open(i, SyntaxRole::Comment);
                setMode(LineComment);
                return i + 2;
            }
            if (i + 1 < m_stop && at(i + 1) == u'*') {
                open(i, SyntaxRole::Comment);
                setMode(BlockComment);
                return i + 2;
            }
            if (m_s.flags & kRegexAllowed) {
                open(i, SyntaxRole::Regex);
                setMode(Regex);
                return i + 1;
            }
            allowRegex(true); // a division
            return i + 1;
        case u'(': {
            const bool condition = m_s.flags & kConditionNext;
            if (m_s.depth < 255)
                ++m_s.depth;
            if (m_s.depth <= 32) {
                const std::uint32_t bit = std::uint32_t(1) << (m_s.depth - 1);
                m_s.keywordParens =
                    condition ? (m_s.keywordParens | bit) : (m_s.keywordParens & ~bit);
            }
            allowRegex(true);
            return i + 1;
        }
        case u')': {
            bool condition = false;
            if (m_s.depth > 0 && m_s.depth <= 32) {
                const std::uint32_t bit = std::uint32_t(1) << (m_s.depth - 1);
                condition = m_s.keywordParens & bit;
                m_s.keywordParens &= ~bit;
            }
            if (m_s.depth > 0)
                --m_s.depth;
            allowRegex(condition);
            return i + 1;
        }
        case u']':
            allowRegex(false);
            return i + 1;
        case u'{':
            if (m_s.templates > 0 && m_s.braces[std::size_t(braceLevel())] < 255)
                ++m_s.braces[std::size_t(braceLevel())];
            allowRegex(true);
            return i + 1;
        case u'}':
            if (m_s.templates > 0) {
                std::uint8_t& open = m_s.braces[std::size_t(braceLevel())];
                if (open == 0) {
                    // The end of a `${…}`: the template's text continues.
                    --m_s.templates;
                    this->open(i + 1, SyntaxRole::String);
                    setMode(Template);
                    return i + 1;
                }
                --open;
            }
            allowRegex(true);
            return i + 1;
        case u'+':
        case u'-':
            // `a++ / 2` divides; `a + /x/` does not.
            if (i + 1 < m_stop && at(i + 1) == c) {
                allowRegex(false);
                return i + 2;
            }
            allowRegex(true);
            return i + 1;
        default:
            allowRegex(true);
            return i + 1;
        }
    }

    // A numeric literal: digits, letters (hex digits, exponents, BigInt's
    // `n`), separators, a point, and a sign right after a decimal exponent.
    std::int64_t number(std::int64_t i) {
        const bool hex = at(i) == u'0' && i + 1 < m_stop && (at(i + 1) | 0x20) == u'x';
        std::int64_t j = i + 1;
        while (j < m_stop) {
            const char16_t c = at(j);
            const bool part = charclass::isAlnum(c, m_cls) || c == u'_' || c == u'.';
            const bool exponentSign =
                (c == u'+' || c == u'-') && !hex && (at(j - 1) | 0x20) == u'e';
            if (!part && !exponentSign)
                break;
            ++j;
        }
        m_painter.paint(i, j, SyntaxRole::Number);
        allowRegex(false);
        return j;
    }

    std::int64_t stringChar(std::int64_t i, char16_t c, char16_t quote) {
        if (c == quote) {
            close(i + 1);
            setMode(Code);
            allowRegex(false);
            return i + 1;
        }
        if (c == u'\\') {
            // An escaped line feed continues the string on the next line:
            // the line feed is handled (and checkpointed) as usual.
            if (i + 1 < m_stop && at(i + 1) == u'\n') {
                m_s.flags |= kEscapedLineFeed;
                return i + 1;
            }
            return i + 2;
        }
        return i + 1 < m_stop ? findAny(i + 1, quote, u'\\', u'\n', lessThanStop(u'\n')) : i + 1;
    }

    std::int64_t templateChar(std::int64_t i, char16_t c) {
        if (c == u'`') {
            close(i + 1);
            setMode(Code);
            allowRegex(false);
            return i + 1;
        }
        if (c == u'\\')
            return at(i + 1 < m_stop ? i + 1 : i) == u'\n' ? i + 1 : i + 2;
        if (c == u'$' && i + 1 < m_stop && at(i + 1) == u'{') {
            close(i);
            if (m_s.templates < 255)
                ++m_s.templates;
            m_s.braces[std::size_t(braceLevel())] = 0;
            setMode(Code);
            allowRegex(true);
            return i + 2;
        }
        std::int64_t j = i + 1;
        while (j < m_stop) {
            const char16_t d = at(j);
            if (d == u'`' || d == u'\\' || d == u'$' || d == u'\n' || d == u'<')
                break;
            ++j;
        }
        return j;
    }

    std::int64_t regexChar(std::int64_t i, char16_t c) {
        if (c == u'\\')
            return at(i + 1 < m_stop ? i + 1 : i) == u'\n' ? i + 1 : i + 2;
        if (m_s.mode == RegexClass) {
            if (c == u']')
                setMode(Regex);
            return i + 1;
        }
        if (c == u'[') {
            setMode(RegexClass);
            return i + 1;
        }
        if (c == u'/') {
            std::int64_t j = i + 1;
            while (j < m_stop && identPart(at(j)))
                ++j; // the flags
            close(j);
            setMode(Code);
            allowRegex(false);
            return j;
        }
        return i + 1;
    }
};

} // namespace

ScanState jsStateAfterPhp(const ScanState& before) {
    ScanState s = before;
    if (s.mode == Code)
        s.flags &= std::uint8_t(~(kRegexAllowed | kConditionNext));
    return s;
}

CodeScanEnd scanJs(const ScanWindow& w, std::int64_t from, const ScanState& state,
                   AttributeStore& store, CheckpointSink* sink) {
    return JsScanner(w, from, state, store, sink).run(from);
}

} // namespace morvane::detail
