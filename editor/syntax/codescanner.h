// What the CSS and JavaScript scanners share: reading the window, the open
// token, the line-start checkpoints, and the end of an embedded element.
// Internal to the scanners; everyone else calls scanCode (scanners.h).
#pragma once

#include "editor/syntax/charclass.h"
#include "editor/syntax/rolepainter.h"
#include "editor/syntax/scanners.h"
#include "editor/syntax/scanstate.h"

namespace morvane::detail {

class CodeScanBase {
public:
    CodeScanBase(const ScanWindow& w, std::int64_t from, const ScanState& state,
                 AttributeStore& store, CheckpointSink* sink, SyntaxRole tokenRole)
        : m_chars(w.chars), m_base(w.base), m_stop(w.stop), m_cls(charclass::table()), m_s(state),
          m_painter(store, from, w.visibleStart), m_sink(sink), m_embedded(state.embedded()) {
        // A scan that starts inside a token (a comment or a string over
        // several lines, text after a PHP block) continues that token.
        if (tokenRole != SyntaxRole::None)
            open(from, tokenRole);
    }

protected:
    char16_t at(std::int64_t i) const { return m_chars[i - m_base]; }

    void open(std::int64_t i, SyntaxRole role) {
        m_tok = i;
        m_tokRole = role;
    }
    void close(std::int64_t end) {
        if (m_tok >= 0)
            m_painter.paint(m_tok, end, m_tokRole);
        m_tok = -1;
    }
    // Everything up to `pos` goes to the store; an open token stays open.
    void flush(std::int64_t pos) {
        if (m_tok >= 0 && m_tok < pos) {
            m_painter.paint(m_tok, pos, m_tokRole);
            m_tok = pos;
        }
        m_painter.flushTo(pos);
    }
    void flushIfPastBlock(std::int64_t i) {
        if (i >= m_painter.blockEnd())
            flush(i);
    }
    // The line feed at i: hands the state at the next line start to the
    // sink when it wants it. True when the sink stops the scan there.
    bool lineFeed(std::int64_t i) { return restartPoint(i + 1); }
    // Between two tokens at `pos`, after a `;` or `}` (no token is open).
    bool restartPoint(std::int64_t pos) {
        if (!m_sink || pos < m_sink->next)
            return false;
        flush(pos);
        return m_sink->atRestartPoint(pos, m_s);
    }

    // The first position from i on that holds one of a, b, c or d (repeat
    // one to look for fewer), or the window's end. Comments and strings are
    // skipped with it eight characters at a time.
    std::int64_t findAny(std::int64_t i, char16_t a, char16_t b, char16_t c, char16_t d) const {
        const char16_t* p = m_chars + (i - m_base);
        const char16_t* const e = m_chars + (m_stop - m_base);
#if defined(__SSE2__)
        const __m128i va = _mm_set1_epi16(short(a)), vb = _mm_set1_epi16(short(b));
        const __m128i vc = _mm_set1_epi16(short(c)), vd = _mm_set1_epi16(short(d));
        while (e - p >= 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i hit =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)),
                             _mm_or_si128(_mm_cmpeq_epi16(v, vc), _mm_cmpeq_epi16(v, vd)));
            const int m = _mm_movemask_epi8(hit);
            if (m != 0)
                return (p - m_chars) + m_base + (__builtin_ctz(unsigned(m)) >> 1);
            p += 8;
        }
#endif
        for (; p < e; ++p) {
            const char16_t x = *p;
            if (x == a || x == b || x == c || x == d)
                return (p - m_chars) + m_base;
        }
        return m_stop;
    }
    // The `<` to stop at: only an embedded element's content ends at one.
    char16_t lessThanStop(char16_t otherwise) const {
        return m_embedded ? u'<' : otherwise;
    }

    // In an embedded element, what the `<` at i starts: the element's end
    // tag, a PHP block, or nothing special.
    enum class Lt { Plain, EndTag, Php };
    Lt lessThan(std::int64_t i) const {
        if (!m_embedded || i + 1 >= m_stop)
            return Lt::Plain;
        const char16_t n = at(i + 1);
        if (n == u'?')
            return Lt::Php;
        if (n != u'/')
            return Lt::Plain;
        const std::u16string_view name =
            m_s.language == CodeLanguage::Css ? u"style" : std::u16string_view(u"script");
        if (i + 2 + std::int64_t(name.size()) > m_stop)
            return Lt::Plain;
        for (std::size_t k = 0; k < name.size(); ++k) {
            char16_t c = at(i + 2 + std::int64_t(k));
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            if (c != name[k])
                return Lt::Plain;
        }
        return Lt::EndTag;
    }
    // Ends the scan at i (the window's end, an end tag or a PHP block).
    CodeScanEnd finish(std::int64_t i, CodeScanEnd::Reason why) {
        flush(i);
        return CodeScanEnd{i, why, m_s};
    }

    const char16_t* const m_chars;
    const std::int64_t m_base;
    const std::int64_t m_stop;
    const std::uint8_t* const m_cls;
    ScanState m_s;
    RolePainter m_painter;
    CheckpointSink* const m_sink;
    const bool m_embedded;
    std::int64_t m_tok = -1;
    SyntaxRole m_tokRole = SyntaxRole::None;
};

CodeScanEnd scanCss(const ScanWindow& w, std::int64_t from, const ScanState& state,
                    AttributeStore& store, CheckpointSink* sink);
CodeScanEnd scanJs(const ScanWindow& w, std::int64_t from, const ScanState& state,
                   AttributeStore& store, CheckpointSink* sink);
ScanState jsStateAfterPhp(const ScanState& before);
CodeScanEnd scanRawText(const ScanWindow& w, std::int64_t from, const ScanState& state,
                        AttributeStore& store, CheckpointSink* sink);

} // namespace morvane::detail
