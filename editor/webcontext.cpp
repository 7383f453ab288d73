#include "editor/webcontext.h"

#include "editor/syntax/attributestore.h"
#include "editor/syntax/scanners.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace morvane::webtext {

namespace {

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u':' || c == u'_' || c == u'.';
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace

bool isVoidElement(QStringView name) {
    static constexpr std::array<QLatin1StringView, 16> kVoid = {
        QLatin1StringView("area"),   QLatin1StringView("base"),    QLatin1StringView("br"),
        QLatin1StringView("col"),    QLatin1StringView("command"), QLatin1StringView("embed"),
        QLatin1StringView("hr"),     QLatin1StringView("img"),     QLatin1StringView("input"),
        QLatin1StringView("keygen"), QLatin1StringView("link"),    QLatin1StringView("meta"),
        QLatin1StringView("param"),  QLatin1StringView("source"),  QLatin1StringView("track"),
        QLatin1StringView("wbr"),
    };
    return std::any_of(kVoid.begin(), kVoid.end(), [name](QLatin1StringView v) {
        return name.compare(v, Qt::CaseInsensitive) == 0;
    });
}

ContextScanner::ContextScanner(QStringView text) : m_text(text) {}

bool ContextScanner::startsWithAt(qsizetype at, QLatin1StringView word) const {
    return at >= 0 && m_text.size() - at >= word.size() &&
           m_text.sliced(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

void ContextScanner::advanceTo(qsizetype pos) {
    pos = std::clamp<qsizetype>(pos, 0, m_text.size());
    while (m_pos < pos)
        step();
}

Language ContextScanner::language() const {
    switch (m_state) {
    case State::Text:
    case State::Tag:
    case State::Declaration:
        return Language::Html;
    case State::Comment:
        return Language::HtmlComment;
    case State::Php:
    case State::PhpString:
    case State::PhpBlockComment:
    case State::PhpLineComment:
        return Language::Php;
    case State::Css:
        return Language::Css;
    case State::JavaScript:
        return Language::JavaScript;
    }
    return Language::Html;
}

Language ContextScanner::languageHere() const {
    const QChar c = m_pos < m_text.size() ? m_text[m_pos] : QChar();
    const QChar next = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : QChar();
    if ((m_state == State::Php || m_state == State::PhpLineComment) && c == u'?' && next == u'>')
        return Language::Html;
    if (m_state == State::Css && startsWithAt(m_pos, QLatin1StringView("</style")))
        return Language::Html;
    if (m_state == State::JavaScript && startsWithAt(m_pos, QLatin1StringView("</script")))
        return Language::Html;
    return language();
}

void ContextScanner::enterCode(State language) {
    m_state = m_raw = language;
    m_codeStart = m_pos;
}

std::u16string ContextScanner::scriptType() const {
    // The tag's text after its name: `type` with its value, quoted or not.
    const QStringView tag = m_text.sliced(m_tagStart, m_pos - m_tagStart);
    qsizetype i = 1 + m_tagName.size();
    while (i < tag.size()) {
        while (i < tag.size() && (tag[i].isSpace() || tag[i] == u'/'))
            ++i;
        const qsizetype nameStart = i;
        while (i < tag.size() && !tag[i].isSpace() && tag[i] != u'=' && tag[i] != u'>')
            ++i;
        const QStringView name = tag.sliced(nameStart, i - nameStart);
        while (i < tag.size() && tag[i].isSpace())
            ++i;
        QStringView value;
        if (i < tag.size() && tag[i] == u'=') {
            ++i;
            while (i < tag.size() && tag[i].isSpace())
                ++i;
            const QChar quote = i < tag.size() ? tag[i] : QChar();
            if (quote == u'"' || quote == u'\'') {
                const qsizetype close = tag.indexOf(quote, i + 1);
                const qsizetype end = close < 0 ? tag.size() : close;
                value = tag.sliced(i + 1, end - i - 1);
                i = end + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < tag.size() && !tag[i].isSpace() && tag[i] != u'>')
                    ++i;
                value = tag.sliced(valueStart, i - valueStart);
            }
        }
        if (name.compare(QLatin1StringView("type"), Qt::CaseInsensitive) == 0)
            return std::u16string(reinterpret_cast<const char16_t*>(value.utf16()),
                                  size_t(value.size()));
        if (name.isEmpty())
            ++i;
    }
    return {};
}

void ContextScanner::finishTag() {
    const QString lower = m_tagName.toLower();
    m_state = State::Text;
    if (m_tagEnd) {
        for (qsizetype i = m_open.size() - 1; i >= 0; --i) {
            if (m_open[i].compare(lower, Qt::CaseInsensitive) == 0) {
                m_open.erase(m_open.begin() + i, m_open.end());
                break;
            }
        }
        return;
    }
    if (m_tagName.isEmpty() || m_selfClosing || isVoidElement(m_tagName))
        return;
    if (lower == QLatin1String("style")) {
        enterCode(State::Css);
        return;
    }
    if (lower == QLatin1String("script")) {
        // A template or data block of another type holds page text.
        if (isScriptType(scriptType()))
            enterCode(State::JavaScript);
        return;
    }
    m_open.append(m_tagName);
}

void ContextScanner::step() {
    const QChar c = m_text[m_pos];
    const QChar next = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : QChar();
    // PHP runs wherever it stands: in text, tags, comments, styles and scripts.
    if (c == u'<' && next == u'?' && m_state != State::Php && m_state != State::PhpString &&
        m_state != State::PhpBlockComment && m_state != State::PhpLineComment) {
        m_beforePhp = m_state;
        m_state = State::Php;
        if (startsWithAt(m_pos, QLatin1StringView("<?php")))
            m_pos += 5;
        else if (next == u'?' && m_pos + 2 < m_text.size() && m_text[m_pos + 2] == u'=')
            m_pos += 3;
        else
            m_pos += 2;
        return;
    }
    switch (m_state) {
    case State::Text:
        if (c == u'<' && next == u'!' && startsWithAt(m_pos, QLatin1StringView("<!--"))) {
            m_state = State::Comment;
            m_pos += 4;
            return;
        }
        if (c == u'<' && next == u'!') {
            m_state = State::Declaration;
            m_pos += 2;
            return;
        }
        if (c == u'<' && (isAsciiLetter(next) || next == u'/')) {
            m_state = State::Tag;
            m_tagStart = m_pos;
            m_tagEnd = next == u'/';
            m_tagName.clear();
            m_tagNameDone = false;
            m_selfClosing = false;
            m_quote = 0;
            m_pos += m_tagEnd ? 2 : 1;
            return;
        }
        break;
    case State::Tag:
        if (m_quote) {
            if (c == m_quote)
                m_quote = 0;
            break;
        }
        if (!m_tagNameDone) {
            if (isNameChar(c)) {
                m_tagName.append(c);
                break;
            }
            m_tagNameDone = true;
        }
        if (c == u'"' || c == u'\'') {
            m_quote = c.unicode();
        } else if (c == u'>') {
            ++m_pos;
            finishTag();
            return;
        } else if (c == u'/' && next == u'>') {
            m_selfClosing = true;
        } else if (c == u'<') {
            // A tag never holds a '<': the one typed so far was left open.
            m_state = State::Text;
            return;
        }
        break;
    case State::Comment:
        if (c == u'-' && startsWithAt(m_pos, QLatin1StringView("-->"))) {
            m_state = State::Text;
            m_pos += 3;
            return;
        }
        break;
    case State::Declaration:
        if (c == u'>')
            m_state = State::Text;
        break;
    case State::Php:
        if (c == u'?' && next == u'>') {
            m_state = m_beforePhp;
            m_pos += 2;
            return;
        }
        if (c == u'"' || c == u'\'') {
            m_phpQuote = c.unicode();
            m_state = State::PhpString;
        } else if (c == u'/' && next == u'*') {
            m_state = State::PhpBlockComment;
            m_pos += 2;
            return;
        } else if ((c == u'/' && next == u'/') || c == u'#') {
            m_state = State::PhpLineComment;
        }
        break;
    case State::PhpString:
        if (c == u'\\') {
            m_pos = std::min(m_pos + 2, m_text.size());
            return;
        }
        if (c == m_phpQuote)
            m_state = State::Php;
        break;
    case State::PhpBlockComment:
        if (c == u'*' && next == u'/') {
            m_state = State::Php;
            m_pos += 2;
            return;
        }
        break;
    case State::PhpLineComment:
        // A line comment ends at the line's end or at the PHP block's end.
        if (c == u'\n') {
            m_state = State::Php;
        } else if (c == u'?' && next == u'>') {
            m_state = m_beforePhp;
            m_pos += 2;
            return;
        }
        break;
    case State::Css:
    case State::JavaScript: {
        const auto end =
            m_state == State::Css ? QLatin1StringView("</style") : QLatin1StringView("</script");
        if (c == u'<' && next == u'/' && startsWithAt(m_pos, end)) {
            m_raw = State::Text;
            m_state = State::Tag;
            m_tagStart = m_pos;
            m_tagEnd = true;
            m_tagName.clear();
            m_tagNameDone = false;
            m_selfClosing = false;
            m_quote = 0;
            m_pos += 2;
            return;
        }
        break;
    }
    }
    ++m_pos;
}

Language languageAt(QStringView text, qsizetype pos) {
    ContextScanner scanner(text);
    scanner.advanceTo(pos);
    // A position inside a multi-character delimiter belongs to the page.
    return scanner.position() > pos ? Language::Html : scanner.languageHere();
}

QString endTagForGreaterThan(QStringView before, QStringView after) {
    ContextScanner scanner(before);
    scanner.advanceTo(before.size());
    if (scanner.position() != before.size() || !scanner.inTag() || scanner.inQuotedValue() ||
        scanner.tagIsEnd())
        return {};
    const QString name = scanner.tagName();
    if (name.isEmpty() || isVoidElement(name) || before.endsWith(u'/'))
        return {};
    // The end tag already follows (perhaps after spaces and line breaks).
    qsizetype i = 0;
    while (i < after.size() && after[i].isSpace())
        ++i;
    const QStringView rest = after.sliced(i);
    if (rest.startsWith(QLatin1StringView("</")) && rest.size() >= name.size() + 2 &&
        rest.sliced(2, name.size()).compare(name, Qt::CaseInsensitive) == 0 &&
        (rest.size() == name.size() + 2 || !isNameChar(rest[name.size() + 2])))
        return {};
    return QStringLiteral("</") + name + u'>';
}

QString endTagCompletionForSlash(QStringView before) {
    if (!before.endsWith(u'<'))
        return {};
    ContextScanner scanner(before);
    scanner.advanceTo(before.size() - 1);
    if (scanner.position() != before.size() - 1 || scanner.language() != Language::Html ||
        scanner.inTag() || scanner.openElements().isEmpty())
        return {};
    return scanner.openElements().constLast() + u'>';
}

} // namespace morvane::webtext

namespace morvane::webtext {

CodeToken codeTokenAt(QStringView text, qsizetype pos) {
    CodeToken token;
    if (pos < 0 || pos >= text.size())
        return token;
    ContextScanner scanner(text);
    scanner.advanceTo(pos);
    const Language lang = scanner.position() > pos ? Language::Html : scanner.languageHere();
    const qsizetype from = scanner.codeStart();
    if ((lang != Language::Css && lang != Language::JavaScript) || from < 0)
        return token;
    // The element's code from its start on, as the colouring scans it: up
    // to its end tag, PHP blocks passed over.
    const std::u16string_view chars(reinterpret_cast<const char16_t*>(text.utf16()),
                                    size_t(text.size()));
    AttributeStore store;
    store.reset(chars);
    const auto n = std::int64_t(text.size());
    ScanState state =
        ScanState::start(lang == Language::Css ? CodeLanguage::Css : CodeLanguage::Js, true);
    std::int64_t i = from;
    std::int64_t codeEnd = n;
    while (i < n) {
        const CodeScanEnd end = scanCode(ScanWindow{chars.data(), 0, i, n, from}, i, state, store);
        codeEnd = end.pos;
        if (end.reason != CodeScanEnd::Php)
            break;
        const qsizetype close = text.indexOf(QLatin1StringView("?>"), end.pos + 2);
        if (close < 0)
            break;
        state = stateAfterPhp(end.state);
        i = close + 2;
    }
    const SyntaxRole role = store.roleAt(pos);
    token.kind = role == SyntaxRole::Comment ? CodeToken::Kind::Comment
                 : role == SyntaxRole::String || role == SyntaxRole::Regex ? CodeToken::Kind::String
                                                                           : CodeToken::Kind::Code;
    if (token.kind == CodeToken::Kind::Code)
        return token;
    // The run of that role around pos, then the one token in it that
    // holds pos (two comments may touch: /* a *//* b */).
    std::int64_t a = pos, b = pos + 1;
    while (a > from && store.roleAt(a - 1) == role)
        --a;
    while (b < codeEnd && store.roleAt(b) == role)
        ++b;
    token.start = a;
    token.end = b;
    if (token.kind == CodeToken::Kind::Comment && lang == Language::Css) {
        for (qsizetype c = a; c < b;) {
            const qsizetype close = text.indexOf(QLatin1StringView("*/"), c + 2);
            const qsizetype end = close < 0 || close + 2 > b ? b : close + 2;
            if (end > pos) {
                token.start = c;
                token.end = end;
                break;
            }
            c = end;
        }
    }
    return token;
}

} // namespace morvane::webtext
