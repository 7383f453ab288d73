#include "editor/syntax/charclass.h"
#include "editor/syntax/reservedwords.h"
#include "editor/syntax/scanners.h"

namespace morvane {

namespace {

enum class State { Opener, Code, Word, String, Comment, HeredocHeader, HeredocBody };

constexpr std::int64_t kNone = -1;

} // namespace

void colourWord(const ScanWindow& w, std::int64_t wordStart, std::int64_t length,
                AttributeStore& store) {
    if (length <= 0)
        return;
    const char16_t* p = w.chars + (wordStart - w.base);
    SyntaxRole role = SyntaxRole::Identifier;
    if (p[0] == u'$')
        role = SyntaxRole::Variable;
    else if (isReservedWord(std::u16string_view(p, std::size_t(length))))
        role = SyntaxRole::Reserved;
    store.apply(wordStart, wordStart + length, role);
}

std::int64_t scanPhp(const ScanWindow& w, std::int64_t phpStart, AttributeStore& store,
                     bool unmarkRest) {
    const std::uint8_t* const cls = charclass::table();
    const char16_t* const chars = w.chars;
    const std::int64_t base = w.base;
    const std::int64_t stop = w.stop;
    const std::int64_t vis = w.visibleStart;
    auto at = [chars, base](std::int64_t i) { return chars[i - base]; };

    // Marks after the block are set again by whoever recognises them.
    if (unmarkRest)
        store.unmark(phpStart, stop);

    State state = State::Opener;
    std::int64_t codeStart = kNone;
    std::int64_t wordStart = kNone;
    std::int64_t stringStart = kNone;
    std::int64_t commentStart = kNone;
    bool lineComment = false;
    char16_t quote = 0;
    std::int64_t idStart = 0; // the heredoc terminator, as a range of the text
    std::int64_t idLength = 0;
    std::int64_t end = stop;

    auto flush = [&](std::int64_t i) {
        if (codeStart != kNone) {
            store.apply(codeStart, i, SyntaxRole::Php);
            codeStart = kNone;
        }
    };

    std::int64_t i = phpStart;
    while (i < stop) {
        const char16_t c = at(i);
        switch (state) {
        case State::Opener:
            if (charclass::isSpace(c, cls)) {
                store.applyMarked(phpStart, i, SyntaxRole::PhpDelimiter);
                codeStart = i;
                state = State::Code;
            }
            break;
        case State::Code:
            if (charclass::isAlpha(c, cls) || c == u'$' || c == u'_') {
                wordStart = i;
                flush(i);
                state = State::Word;
            } else if (c == u'"' || c == u'\'') {
                quote = c;
                stringStart = i;
                flush(i);
                state = State::String;
            } else if (c == u'/' && i < stop - 1 && (at(i + 1) == u'*' || at(i + 1) == u'/')) {
                lineComment = at(i + 1) == u'/';
                commentStart = i;
                flush(i);
                state = State::Comment;
            } else if (c == u'<' && i < stop - 2 && at(i + 1) == u'<' && at(i + 2) == u'<') {
                stringStart = i;
                flush(i);
                state = State::HeredocHeader;
            } else if (c == u'?' && i < stop - 1 && at(i + 1) == u'>') {
                end = i;
                goto done;
            } else if (codeStart == kNone) {
                codeStart = i;
            }
            break;
        case State::Word:
            if (!charclass::isAlnum(c, cls) && c != u'_') {
                if (i >= vis)
                    colourWord(w, wordStart, i - wordStart, store);
                wordStart = kNone;
                state = State::Code;
                continue; // c is examined again as code
            }
            break;
        case State::String:
            if (c != quote) {
                i = charclass::findCodeUnit(w.chars, w.base, i + 1, stop, quote);
                continue;
            }
            if (at(i - 1) != u'\\') {
                if (i >= vis)
                    store.apply(stringStart, i + 1, SyntaxRole::Parameter);
                quote = 0;
                stringStart = kNone;
                state = State::Code;
            }
            break;
        case State::Comment:
            if (lineComment && c == u'\n') {
                if (i >= vis)
                    store.apply(commentStart, i, SyntaxRole::Comment);
                commentStart = kNone;
                state = State::Code; // the line feed belongs to no run
            } else if (c == u'*' && i < stop - 1 && at(i + 1) == u'/') {
                if (i >= vis)
                    store.apply(commentStart, i + 2, SyntaxRole::Comment);
                commentStart = kNone;
                state = State::Code;
                i += 2;
                continue;
            }
            break;
        case State::HeredocHeader:
            if (c == u'\n') {
                idStart = stringStart + 3;
                idLength = i - idStart;
                if (idLength >= 2 && at(idStart) == u'\'' && at(idStart + idLength - 1) == u'\'') {
                    idStart += 1;
                    idLength -= 2;
                }
                state = State::HeredocBody;
            } else {
                i = charclass::findCodeUnit(w.chars, w.base, i + 1, stop, u'\n');
                continue;
            }
            break;
        case State::HeredocBody:
            if (c != u'\n') {
                i = charclass::findCodeUnit(w.chars, w.base, i + 1, stop, u'\n');
                continue;
            } else {
                // Any line that ends with the terminator, with or without a
                // ';', closes the heredoc.
                const std::int64_t e = at(i - 1) == u';' ? i - 1 : i;
                const std::int64_t from = e - idLength;
                bool closes = from >= stringStart + 3;
                for (std::int64_t k = 0; closes && k < idLength; ++k)
                    closes = at(from + k) == at(idStart + k);
                if (closes) {
                    if (i >= vis)
                        store.apply(stringStart, i, SyntaxRole::Parameter);
                    stringStart = kNone;
                    state = State::Code;
                }
            }
            break;
        }
        ++i;
    }

done:
    flush(end);
    if (wordStart != kNone && end >= vis)
        colourWord(w, wordStart, end - wordStart, store);
    if (stringStart != kNone && end >= vis)
        store.apply(stringStart, end, SyntaxRole::Parameter);
    if (commentStart != kNone && end >= vis)
        store.apply(commentStart, end, SyntaxRole::Comment);
    if (end < stop - 1) {
        store.applyMarked(end, end + 2, SyntaxRole::PhpDelimiter);
        return end + 2;
    }
    return end;
}

} // namespace morvane
