#include "editor/syntax/charclass.h"
#include "editor/syntax/scanners.h"

namespace morvane {

namespace {

enum class State { Text, TagName, InTag, AttrName, AfterEquals, QuotedValue, Comment };

constexpr std::int64_t kNone = -1;

bool sameIgnoringCase(const char16_t* p, std::int64_t n, std::u16string_view lower) {
    if (n != std::int64_t(lower.size()))
        return false;
    for (std::size_t k = 0; k < lower.size(); ++k) {
        char16_t c = p[k];
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + 32);
        if (c != lower[k])
            return false;
    }
    return true;
}

} // namespace

void scanHtml(const ScanWindow& w, AttributeStore& store, const ScanState* resume,
              CheckpointSink* sink) {
    const std::uint8_t* const cls = charclass::table();
    const char16_t* const chars = w.chars;
    const std::int64_t base = w.base;
    const std::int64_t stop = w.stop;
    const std::int64_t vis = w.visibleStart;
    auto at = [chars, base](std::int64_t i) { return chars[i - base]; };

    State state = State::Text;
    std::int64_t tagStart = kNone;
    std::int64_t attrStart = kNone;
    std::int64_t valueStart = kNone;
    std::int64_t commentStart = kNone;
    std::int64_t plainStart = w.start;
    char16_t quote = 0;
    bool restUnmarked = false; // a PHP block of this pass removed the marks to stop
    // The element whose start tag is being read, when its content is code,
    // and whether the attribute being read is a <script>'s `type`.
    CodeLanguage element = CodeLanguage::None;
    bool typeAttribute = false;
    CodeLanguage enter = CodeLanguage::None; // a start tag just closed

    // The content of a <style> or <script> from `from` in `state`, PHP blocks
    // included. Returns where HTML resumes (its end tag), or kNone when the
    // window ends first.
    auto scanElement = [&](std::int64_t from, ScanState state) -> std::int64_t {
        for (;;) {
            const CodeScanEnd e = scanCode(w, from, state, store, sink);
            if (e.reason == CodeScanEnd::EndTag)
                return e.pos;
            if (e.reason == CodeScanEnd::WindowEnd)
                return kNone;
            from = scanPhp(w, e.pos, store, !restUnmarked);
            restUnmarked = true;
            state = stateAfterPhp(e.state);
        }
    };
    // The `type` of a <script>: other types show their content uncoloured.
    auto typeValue = [&](std::int64_t from, std::int64_t to) {
        if (typeAttribute)
            element =
                isScriptType(std::u16string_view(chars + (from - base), std::size_t(to - from)))
                    ? CodeLanguage::Js
                    : CodeLanguage::RawText;
        typeAttribute = false;
    };

    // The `>` that ends a tag, whichever state met it.
    auto tagClose = [&](std::int64_t i) {
        if (tagStart != kNone) {
            if (i >= vis) {
                store.applyMarked(tagStart, i + 1, SyntaxRole::Tag);
            }
            tagStart = kNone;
        } else if (i >= vis) {
            store.applyMarked(i, i + 1, SyntaxRole::Tag);
        }
        plainStart = i + 1;
        state = State::Text;
        enter = element;
        element = CodeLanguage::None;
    };
    // The name of a start tag, ended at i.
    auto tagName = [&](std::int64_t t, std::int64_t i) {
        const std::int64_t n = i - t - 1;
        // Only <style> and <script> hold code.
        element = CodeLanguage::None;
        if (n != 5 && n != 6)
            return;
        const char16_t* name = chars + (t + 1 - base);
        if (sameIgnoringCase(name, n, u"script"))
            element = CodeLanguage::Js;
        else if (sameIgnoringCase(name, n, u"style"))
            element = CodeLanguage::Css;
    };

    std::int64_t i = w.start;
    if (resume) {
        const std::int64_t back = scanElement(i, *resume);
        if (back == kNone)
            return;
        plainStart = back;
        i = back;
    }
    while (i < stop) {
        const char16_t c = at(i);
        switch (state) {
        case State::Text:
            if (c != u'<') {
                // Plain text changes nothing until the next '<'.
                i = charclass::findCodeUnit(w.chars, w.base, i + 1, stop, u'<');
                continue;
            }
            if (plainStart != kNone && i > plainStart && i >= vis)
                store.clear(plainStart, i);
            plainStart = kNone;
            tagStart = i;
            state = State::TagName;
            break;
        case State::TagName: {
            const std::int64_t t = tagStart;
            if (c == u'>') {
                tagName(t, i);
                tagClose(i);
                if (enter != CodeLanguage::None)
                    goto element;
            } else if (charclass::isSpace(c, cls)) {
                if (i == t + 1) {
                    // '<' followed by whitespace is no tag.
                    if (i >= vis)
                        store.clear(t, t + 1);
                    tagStart = kNone;
                    plainStart = i;
                    state = State::Text;
                } else {
                    store.applyMarked(t, i, SyntaxRole::Tag);
                    tagName(t, i);
                    tagStart = kNone;
                    state = State::InTag;
                }
            } else if (c == u'?' && i == t + 1) {
                const std::int64_t resume = scanPhp(w, t, store, !restUnmarked);
                restUnmarked = true;
                state = State::Text;
                plainStart = resume;
                tagStart = kNone;
                i = resume;
                continue;
            } else if (i == t + 3 && at(t + 1) == u'!' && at(t + 2) == u'-' && c == u'-') {
                state = State::Comment;
                commentStart = t;
                tagStart = kNone;
            }
            break;
        }
        case State::InTag:
            if (c == u'>') {
                tagClose(i);
                if (enter != CodeLanguage::None)
                    goto element;
            } else if (!charclass::isSpace(c, cls)) {
                attrStart = i;
                valueStart = kNone;
                typeAttribute = false;
                state = State::AttrName;
            }
            break;
        case State::AttrName: {
            const bool space = charclass::isSpace(c, cls);
            if (c == u'=' || c == u'>' || space) {
                if (valueStart == kNone) {
                    if (i >= vis)
                        store.apply(attrStart, i, SyntaxRole::Attribute);
                    typeAttribute =
                        element == CodeLanguage::Js &&
                        sameIgnoringCase(chars + (attrStart - base), i - attrStart, u"type");
                    attrStart = kNone;
                } else {
                    if (i >= vis)
                        store.apply(valueStart, i, SyntaxRole::Parameter);
                    typeValue(valueStart, i);
                    valueStart = kNone;
                }
                if (c == u'=') {
                    if (i >= vis) {
                        store.applyMarked(i, i + 1, SyntaxRole::Tag);
                    }
                    state = State::AfterEquals;
                } else if (space) {
                    state = State::InTag;
                } else {
                    tagClose(i);
                    if (enter != CodeLanguage::None)
                        goto element;
                }
            }
            break;
        }
        case State::AfterEquals:
            if (c == u'>') {
                tagClose(i);
                if (enter != CodeLanguage::None)
                    goto element;
            } else if (charclass::isSpace(c, cls)) {
                // nothing
            } else if (c == u'"' || c == u'\'') {
                quote = c;
                valueStart = i;
                state = State::QuotedValue;
            } else {
                valueStart = i;
                attrStart = kNone;
                state = State::AttrName;
            }
            break;
        case State::QuotedValue:
            if (c != quote) {
                i = charclass::findCodeUnit(w.chars, w.base, i + 1, stop, quote);
                continue;
            }
            // A quote after a backslash does not end the value.
            if (at(i - 1) != u'\\') {
                if (i >= vis)
                    store.apply(valueStart, i + 1, SyntaxRole::Parameter);
                typeValue(valueStart + 1, i);
                quote = 0;
                valueStart = kNone;
                state = State::InTag;
            }
            break;
        case State::Comment:
            if (c != u'-') {
                i = charclass::findCodeUnit(w.chars, w.base, i + 1, stop, u'-');
                continue;
            }
            if (i < stop - 2 && at(i + 1) == u'-' && at(i + 2) == u'>') {
                if (i + 2 >= vis)
                    store.apply(commentStart, i + 3, SyntaxRole::Comment);
                commentStart = kNone;
                plainStart = i + 3;
                state = State::Text;
                i += 3;
                continue;
            }
            break;
        }
        ++i;
        continue;
    element : {
        // The start tag of a <style> or <script> closed at i.
        const std::int64_t back = scanElement(i + 1, ScanState::start(enter, true));
        enter = CodeLanguage::None;
        if (back == kNone) {
            plainStart = kNone;
            break;
        }
        plainStart = back;
        i = back;
    }
    }

    // Constructs still open at the window's end are coloured as far as it goes.
    if (plainStart != kNone && plainStart < stop)
        store.clear(plainStart, stop);
    if (tagStart != kNone) {
        store.applyMarked(tagStart, stop, SyntaxRole::Tag);
    }
    if (attrStart != kNone)
        store.apply(attrStart, stop, SyntaxRole::Attribute);
    if (valueStart != kNone)
        store.apply(valueStart, stop, SyntaxRole::Parameter);
    if (commentStart != kNone)
        store.apply(commentStart, stop, SyntaxRole::Comment);
}

} // namespace morvane
