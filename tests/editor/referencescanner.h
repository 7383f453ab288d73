// A direct, character-by-character reading of the HTML and PHP scanning
// algorithms over plain arrays, with no skipping and no chunked store: the
// yardstick the randomised test and the fuzzer hold the real scanners to.
#pragma once

#include "editor/syntax/charclass.h"
#include "editor/syntax/reservedwords.h"
#include "editor/syntax/syntaxrole.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvane::test {

// Attributes as plain arrays, changed the way the algorithm says.
struct Ref {
    std::vector<int> role;
    std::vector<bool> mark;
    void apply(std::int64_t a, std::int64_t b, SyntaxRole r) {
        for (auto i = a; i < b; ++i)
            role[std::size_t(i)] = int(r);
    }
    void markR(std::int64_t a, std::int64_t b) {
        for (auto i = a; i < b; ++i)
            mark[std::size_t(i)] = true;
    }
    void clear(std::int64_t a, std::int64_t b) {
        for (auto i = a; i < b; ++i)
            role[std::size_t(i)] = 0, mark[std::size_t(i)] = false;
    }
    void unmark(std::int64_t a, std::int64_t b) {
        for (auto i = a; i < b; ++i)
            mark[std::size_t(i)] = false;
    }
};

inline bool sp(char16_t c) {
    return charclass::isSpace(c, charclass::table());
}
inline bool alpha(char16_t c) {
    return charclass::isAlpha(c, charclass::table());
}
inline bool alnum(char16_t c) {
    return charclass::isAlnum(c, charclass::table());
}

inline void refWord(const std::u16string& t, std::int64_t a, std::int64_t b, Ref& r) {
    SyntaxRole role = SyntaxRole::Identifier;
    if (t[std::size_t(a)] == u'$')
        role = SyntaxRole::Variable;
    else if (isReservedWord(std::u16string_view(t).substr(std::size_t(a), std::size_t(b - a))))
        role = SyntaxRole::Reserved;
    r.apply(a, b, role);
}

inline std::int64_t refPhp(const std::u16string& t, std::int64_t start, std::int64_t stop,
                           std::int64_t vis, Ref& r) {
    r.unmark(start, stop);
    enum { Opener, Code, Word, Str, Comment, HHead, HBody } st = Opener;
    std::int64_t code = -1, word = -1, str = -1, com = -1, end = stop;
    bool line = false;
    char16_t q = 0;
    std::u16string id;
    auto at = [&](std::int64_t i) { return t[std::size_t(i)]; };
    auto flush = [&](std::int64_t i) {
        if (code != -1)
            r.apply(code, i, SyntaxRole::Php), code = -1;
    };
    for (std::int64_t i = start; i < stop; ++i) {
        const char16_t c = at(i);
        switch (st) {
        case Opener:
            if (sp(c))
                r.apply(start, i, SyntaxRole::PhpDelimiter), r.markR(start, i), code = i, st = Code;
            break;
        case Code:
        code:
            if (alpha(c) || c == u'$' || c == u'_')
                word = i, flush(i), st = Word;
            else if (c == u'"' || c == u'\'')
                q = c, str = i, flush(i), st = Str;
            else if (c == u'/' && i < stop - 1 && at(i + 1) == u'*')
                line = false, com = i, flush(i), st = Comment;
            else if (c == u'/' && i < stop - 1 && at(i + 1) == u'/')
                line = true, com = i, flush(i), st = Comment;
            else if (c == u'<' && i < stop - 2 && at(i + 1) == u'<' && at(i + 2) == u'<')
                str = i, flush(i), st = HHead;
            else if (c == u'?' && i < stop - 1 && at(i + 1) == u'>') {
                end = i;
                goto done;
            } else if (code == -1)
                code = i;
            break;
        case Word:
            if (!alnum(c) && c != u'_') {
                if (i >= vis)
                    refWord(t, word, i, r);
                word = -1;
                st = Code;
                goto code;
            }
            break;
        case Str:
            if (c == q && at(i - 1) != u'\\') {
                if (i >= vis)
                    r.apply(str, i + 1, SyntaxRole::Parameter);
                str = -1, st = Code;
            }
            break;
        case Comment:
            if (line && c == u'\n') {
                if (i >= vis)
                    r.apply(com, i, SyntaxRole::Comment);
                com = -1, st = Code;
            } else if (c == u'*' && i < stop - 1 && at(i + 1) == u'/') {
                if (i >= vis)
                    r.apply(com, i + 2, SyntaxRole::Comment);
                com = -1, st = Code, ++i;
            }
            break;
        case HHead:
            if (c == u'\n') {
                id = t.substr(std::size_t(str + 3), std::size_t(i - str - 3));
                if (id.size() >= 2 && id.front() == u'\'' && id.back() == u'\'')
                    id = id.substr(1, id.size() - 2);
                st = HBody;
            }
            break;
        case HBody:
            if (c == u'\n') {
                const std::int64_t e = at(i - 1) == u';' ? i - 1 : i;
                const auto n = std::int64_t(id.size());
                if (t.compare(std::size_t(e - n), std::size_t(n), id) == 0) {
                    if (i >= vis)
                        r.apply(str, i, SyntaxRole::Parameter);
                    str = -1, st = Code;
                }
            }
            break;
        }
    }
done:
    flush(end);
    if (word != -1 && end >= vis)
        refWord(t, word, end, r);
    if (str != -1 && end >= vis)
        r.apply(str, end, SyntaxRole::Parameter);
    if (com != -1 && end >= vis)
        r.apply(com, end, SyntaxRole::Comment);
    if (end < stop - 1) {
        r.apply(end, end + 2, SyntaxRole::PhpDelimiter), r.markR(end, end + 2);
        return end + 2;
    }
    return end;
}

inline void refHtml(const std::u16string& t, std::int64_t start, std::int64_t stop,
                    std::int64_t vis, Ref& r) {
    enum { Text, TagName, InTag, AttrName, AfterEq, Quoted, Comment } st = Text;
    std::int64_t tag = -1, attr = -1, val = -1, com = -1, plain = start;
    char16_t q = 0;
    auto at = [&](std::int64_t i) { return t[std::size_t(i)]; };
    auto close = [&](std::int64_t i) {
        if (tag != -1) {
            if (i >= vis)
                r.apply(tag, i + 1, SyntaxRole::Tag), r.markR(tag, i + 1);
            tag = -1;
        } else if (i >= vis) {
            r.apply(i, i + 1, SyntaxRole::Tag), r.markR(i, i + 1);
        }
        plain = i + 1, st = Text;
    };
    for (std::int64_t i = start; i < stop; ++i) {
        const char16_t c = at(i);
        switch (st) {
        case Text:
            if (c == u'<') {
                if (plain != -1 && i > plain && i >= vis)
                    r.clear(plain, i);
                plain = -1, tag = i, st = TagName;
            }
            break;
        case TagName:
            if (c == u'>')
                close(i);
            else if (sp(c) && i == tag + 1) {
                if (i >= vis)
                    r.clear(tag, tag + 1);
                tag = -1, plain = i, st = Text;
            } else if (sp(c)) {
                r.apply(tag, i, SyntaxRole::Tag), r.markR(tag, i);
                tag = -1, st = InTag;
            } else if (c == u'?' && i == tag + 1) {
                const std::int64_t back = refPhp(t, tag, stop, vis, r);
                st = Text, plain = back, tag = -1;
                i = back - 1;
            } else if (i == tag + 3 && at(tag + 1) == u'!' && at(tag + 2) == u'-' &&
                       at(tag + 3) == u'-') {
                st = Comment, com = tag, tag = -1;
            }
            break;
        case InTag:
            if (c == u'>')
                close(i);
            else if (!sp(c))
                attr = i, val = -1, st = AttrName;
            break;
        case AttrName:
            if (c == u'=' || c == u'>' || sp(c)) {
                if (val == -1) {
                    if (i >= vis)
                        r.apply(attr, i, SyntaxRole::Attribute);
                    attr = -1;
                } else {
                    if (i >= vis)
                        r.apply(val, i, SyntaxRole::Parameter);
                    val = -1;
                }
                if (c == u'=') {
                    if (i >= vis)
                        r.apply(i, i + 1, SyntaxRole::Tag), r.markR(i, i + 1);
                    st = AfterEq;
                } else if (sp(c))
                    st = InTag;
                else
                    close(i);
            }
            break;
        case AfterEq:
            if (c == u'>')
                close(i);
            else if (sp(c)) {
            } else if (c == u'"' || c == u'\'')
                q = c, val = i, st = Quoted;
            else
                val = i, attr = -1, st = AttrName;
            break;
        case Quoted:
            if (c == q && at(i - 1) != u'\\') {
                if (i >= vis)
                    r.apply(val, i + 1, SyntaxRole::Parameter);
                val = -1, st = InTag;
            }
            break;
        case Comment:
            if (c == u'-' && i < stop - 2 && at(i + 1) == u'-' && at(i + 2) == u'>') {
                if (i + 2 >= vis)
                    r.apply(com, i + 3, SyntaxRole::Comment);
                com = -1, plain = i + 3, st = Text, i += 2;
            }
            break;
        }
    }
    if (plain != -1 && plain < stop)
        r.clear(plain, stop);
    if (tag != -1)
        r.apply(tag, stop, SyntaxRole::Tag), r.markR(tag, stop);
    if (attr != -1)
        r.apply(attr, stop, SyntaxRole::Attribute);
    if (val != -1)
        r.apply(val, stop, SyntaxRole::Parameter);
    if (com != -1)
        r.apply(com, stop, SyntaxRole::Comment);
}

} // namespace morvane::test
