// The CSS scanner: selectors before a block, property names and values
// inside one, at-rules, comments, strings, numbers with their units, hex
// colours and `!important`. Blocks nest (`@media { .a { … } }`, and CSS
// nesting): inside a block an item is a nested rule when a `{` comes before
// any `;` or `}`, and a declaration otherwise. A value may run over lines.
#include "editor/syntax/codescanner.h"

namespace morvane::detail {

namespace {

// The place in the grammar (ScanState::mode, low bits) ...
enum Place : std::uint8_t {
    ItemStart = 0, // before a selector, an at-rule or a declaration
    Selector,
    Property,
    Value,   // after a property's `:`
    Prelude, // after an at-rule's name
};
// ... and the token open across lines (ScanState::mode, high bits).
constexpr std::uint8_t kInComment = 0x10;
constexpr std::uint8_t kInDoubleString = 0x20;
constexpr std::uint8_t kInSingleString = 0x40;
constexpr std::uint8_t kPlaceMask = 0x0F;

class CssScanner : public CodeScanBase {
public:
    CssScanner(const ScanWindow& w, std::int64_t from, const ScanState& state,
               AttributeStore& store, CheckpointSink* sink)
        : CodeScanBase(w, from, state, store, sink,
                       (state.mode & kInComment)                            ? SyntaxRole::Comment
                       : (state.mode & (kInDoubleString | kInSingleString)) ? SyntaxRole::String
                                                                            : SyntaxRole::None) {}

    CodeScanEnd run(std::int64_t i) {
        while (i < m_stop) {
            flushIfPastBlock(i);
            const char16_t c = at(i);
            if (c == u'\n') {
                if (m_s.mode & kInComment) {
                    close(i + 1);
                    open(i + 1, SyntaxRole::Comment);
                } else if (m_s.mode & (kInDoubleString | kInSingleString)) {
                    // A line feed ends a string that was left open.
                    close(i);
                    m_s.mode &= kPlaceMask;
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
            if (m_s.mode & kInComment) {
                if (c == u'*' && i + 1 < m_stop && at(i + 1) == u'/') {
                    close(i + 2);
                    m_s.mode &= kPlaceMask;
                    i += 2;
                } else {
                    i = skipUntil(i + 1, u'*', u'*');
                }
            } else if (m_s.mode & (kInDoubleString | kInSingleString)) {
                const char16_t quote = (m_s.mode & kInDoubleString) ? u'"' : u'\'';
                if (c == quote) {
                    close(i + 1);
                    m_s.mode &= kPlaceMask;
                    ++i;
                } else if (c == u'\\') {
                    i += (i + 1 < m_stop && at(i + 1) == u'\n') ? 1 : 2;
                } else {
                    i = skipUntil(i + 1, quote, u'\\');
                }
            } else {
                i = token(i, c);
                // After a rule or a declaration, long lines get restart points too.
                if ((c == u';' || c == u'}') && !(m_s.mode & ~kPlaceMask) && restartPoint(i))
                    return finish(i, CodeScanEnd::WindowEnd);
            }
        }
        return finish(m_stop, CodeScanEnd::WindowEnd);
    }

private:
    Place place() const { return Place(m_s.mode & kPlaceMask); }
    void setPlace(Place p) { m_s.mode = std::uint8_t((m_s.mode & ~kPlaceMask) | p); }

    std::int64_t skipUntil(std::int64_t i, char16_t a, char16_t b) const {
        return i < m_stop ? findAny(i, a, b, u'\n', lessThanStop(u'\n')) : i;
    }

    bool nameChar(char16_t c) const {
        if (c < 128)
            return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                   (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'\\';
        return charclass::isAlnum(c, m_cls);
    }
    std::int64_t nameEnd(std::int64_t j) const {
        while (j < m_stop && nameChar(at(j)))
            ++j;
        return j;
    }
    static bool digit(char16_t c) { return c >= u'0' && c <= u'9'; }

    void openBlock() {
        if (m_s.depth < 255)
            ++m_s.depth;
        setPlace(ItemStart);
    }
    void closeBlock() {
        if (m_s.depth > 0)
            --m_s.depth;
        setPlace(ItemStart);
    }

    // Inside a block: does the item at i hold a `{` before its end?
    bool isNestedRule(std::int64_t i) const {
        for (std::int64_t j = i; j < m_stop; ++j) {
            const char16_t c = at(j);
            if (c == u'{')
                return true;
            if (c == u';' || c == u'}' || (c == u'<' && m_embedded))
                return false;
            if (c == u'"' || c == u'\'') {
                for (++j; j < m_stop && at(j) != c && at(j) != u'\n'; ++j)
                    j += at(j) == u'\\';
            } else if (c == u'/' && j + 1 < m_stop && at(j + 1) == u'*') {
                for (j += 2; j + 1 < m_stop && !(at(j) == u'*' && at(j + 1) == u'/'); ++j) {
                }
                ++j;
            }
        }
        return false;
    }

    std::int64_t token(std::int64_t i, char16_t c) {
        if (c == u' ' || c == u'\t') {
            std::int64_t j = i + 1;
            while (j < m_stop && (at(j) == u' ' || at(j) == u'\t'))
                ++j;
            return j;
        }
        if (charclass::isSpace(c, m_cls))
            return i + 1;
        if (c == u'/' && i + 1 < m_stop && at(i + 1) == u'*') {
            open(i, SyntaxRole::Comment);
            m_s.mode |= kInComment;
            return i + 2;
        }
        if (c == u'"' || c == u'\'') {
            open(i, SyntaxRole::String);
            m_s.mode |= c == u'"' ? kInDoubleString : kInSingleString;
            return i + 1;
        }
        if (c == u'}') {
            closeBlock();
            return i + 1;
        }
        if (c == u'{') {
            openBlock();
            return i + 1;
        }
        switch (place()) {
        case ItemStart:
            if (c == u';')
                return i + 1;
            if (c == u'@') {
                const std::int64_t j = nameEnd(i + 1);
                m_painter.paint(i, j, SyntaxRole::CssAtRule);
                setPlace(Prelude);
                return j;
            }
            setPlace(m_s.depth == 0 || isNestedRule(i) ? Selector : Property);
            return i; // read again in its place
        case Selector: {
            // Everything up to a space, a string, a comment or a brace.
            std::int64_t j = i + 1;
            while (j < m_stop) {
                const char16_t d = at(j);
                if (charclass::isSpace(d, m_cls) || d == u'{' || d == u'}' || d == u'"' ||
                    d == u'\'' || d == u'/' || d == u'<')
                    break;
                ++j;
            }
            m_painter.paint(i, j, SyntaxRole::CssSelector);
            return j;
        }
        case Property:
            if (c == u':') {
                setPlace(Value);
                return i + 1;
            }
            if (c == u';') {
                setPlace(ItemStart);
                return i + 1;
            }
            if (nameChar(c) || c == u'*' || c == u'_') {
                const std::int64_t j = nameEnd(i + 1);
                m_painter.paint(i, j, SyntaxRole::CssProperty);
                return j;
            }
            return i + 1;
        case Value:
        case Prelude:
            return valueToken(i, c);
        }
        return i + 1;
    }

    std::int64_t valueToken(std::int64_t i, char16_t c) {
        if (c == u';') {
            setPlace(ItemStart);
            return i + 1;
        }
        const bool sign =
            (c == u'-' || c == u'+') && i + 1 < m_stop &&
            (digit(at(i + 1)) || (at(i + 1) == u'.' && i + 2 < m_stop && digit(at(i + 2))));
        if (digit(c) || sign || (c == u'.' && i + 1 < m_stop && digit(at(i + 1)))) {
            std::int64_t j = i + 1;
            while (j < m_stop && (digit(at(j)) || at(j) == u'.'))
                ++j;
            // The unit: letters, or a percent sign.
            if (j < m_stop && at(j) == u'%')
                ++j;
            else
                j = nameEnd(j);
            m_painter.paint(i, j, SyntaxRole::Number);
            return j;
        }
        if (c == u'#') {
            const std::int64_t j = nameEnd(i + 1);
            m_painter.paint(i, j, SyntaxRole::Number);
            return j;
        }
        if (c == u'!') {
            std::int64_t j = i + 1;
            while (j < m_stop && (at(j) == u' ' || at(j) == u'\t'))
                ++j;
            const std::int64_t e = nameEnd(j);
            constexpr std::u16string_view important = u"important";
            bool is = e - j == std::int64_t(important.size());
            for (std::size_t k = 0; is && k < important.size(); ++k)
                is = (at(j + std::int64_t(k)) | 0x20) == important[k];
            if (is)
                m_painter.paint(i, e, SyntaxRole::Reserved);
            return is ? e : i + 1;
        }
        if (nameChar(c))
            return nameEnd(i + 1); // a word: no role, digits inside included
        return i + 1;
    }
};

} // namespace

CodeScanEnd scanCss(const ScanWindow& w, std::int64_t from, const ScanState& state,
                    AttributeStore& store, CheckpointSink* sink) {
    return CssScanner(w, from, state, store, sink).run(from);
}

} // namespace morvane::detail
