#include "editor/syntax/codescanner.h"

namespace morvane {

namespace detail {

namespace {

// The content of a <script> that is no script: no roles, only the element's
// end, PHP blocks and line starts matter.
class RawTextScanner : public CodeScanBase {
public:
    using CodeScanBase::CodeScanBase;

    CodeScanEnd run(std::int64_t i) {
        while (i < m_stop) {
            flushIfPastBlock(i);
            const char16_t c = at(i);
            if (c == u'\n') {
                if (lineFeed(i))
                    return finish(i + 1, CodeScanEnd::WindowEnd);
            } else if (c == u'<') {
                const Lt lt = lessThan(i);
                if (lt == Lt::EndTag)
                    return finish(i, CodeScanEnd::EndTag);
                if (lt == Lt::Php)
                    return finish(i, CodeScanEnd::Php);
            }
            ++i;
            while (i < m_stop && at(i) != u'\n' && at(i) != u'<')
                ++i;
        }
        return finish(m_stop, CodeScanEnd::WindowEnd);
    }
};

} // namespace

CodeScanEnd scanRawText(const ScanWindow& w, std::int64_t from, const ScanState& state,
                        AttributeStore& store, CheckpointSink* sink) {
    return RawTextScanner(w, from, state, store, sink, SyntaxRole::None).run(from);
}

} // namespace detail

CodeScanEnd scanCode(const ScanWindow& w, std::int64_t from, const ScanState& state,
                     AttributeStore& store, CheckpointSink* sink) {
    switch (state.language) {
    case CodeLanguage::Css:
        return detail::scanCss(w, from, state, store, sink);
    case CodeLanguage::Js:
        return detail::scanJs(w, from, state, store, sink);
    case CodeLanguage::RawText:
    case CodeLanguage::None:
        break;
    }
    ScanState raw = state;
    raw.language = CodeLanguage::RawText;
    return detail::scanRawText(w, from, raw, store, sink);
}

ScanState stateAfterPhp(const ScanState& before) {
    return before.language == CodeLanguage::Js ? detail::jsStateAfterPhp(before) : before;
}

bool isScriptType(std::u16string_view type) {
    auto space = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
    };
    while (!type.empty() && space(type.front()))
        type.remove_prefix(1);
    while (!type.empty() && space(type.back()))
        type.remove_suffix(1);
    if (type.empty())
        return true;
    static constexpr std::u16string_view kTypes[] = {
        u"module",
        u"importmap",
        u"speculationrules",
        u"text/javascript",
        u"application/javascript",
        u"application/ecmascript",
        u"application/x-javascript",
        u"application/x-ecmascript",
        u"text/ecmascript",
        u"text/x-javascript",
        u"text/x-ecmascript",
        u"text/jscript",
        u"text/livescript",
        u"text/babel",
        u"text/jsx",
        u"application/json",
        u"application/ld+json",
    };
    for (const std::u16string_view known : kTypes) {
        if (known.size() != type.size())
            continue;
        bool same = true;
        for (std::size_t k = 0; same && k < known.size(); ++k) {
            char16_t c = type[k];
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            same = c == known[k];
        }
        if (same)
            return true;
    }
    return false;
}

} // namespace morvane
