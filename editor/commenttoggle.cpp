#include "editor/commenttoggle.h"

#include "editor/webcontext.h"

#include <algorithm>

namespace morvane::webtext {

namespace {

bool sameLanguage(Language a, Language b) {
    const auto base = [](Language l) { return l == Language::HtmlComment ? Language::Html : l; };
    return base(a) == base(b);
}

// The languages of the positions [from, to) of `text`.
std::vector<Language> languagesOf(QStringView text, qsizetype from, qsizetype to) {
    std::vector<Language> out;
    out.reserve(size_t(to - from));
    ContextScanner scanner(text);
    for (qsizetype p = from; p < to; ++p) {
        scanner.advanceTo(p);
        out.push_back(scanner.position() > p ? Language::Html : scanner.languageHere());
    }
    return out;
}

// Removes the comment that encloses `caret` in HTML: the '<!--' before it
// and the '-->' after it.
std::vector<TextChange> unwrapHtmlComment(QStringView text, qsizetype caret) {
    const qsizetype open = text.first(caret).lastIndexOf(QLatin1StringView("<!--"));
    const qsizetype close = text.indexOf(QLatin1StringView("-->"), std::max(caret - 2, open + 4));
    if (open < 0 || close < 0)
        return {};
    qsizetype closeStart = close, closeLen = 3;
    if (closeStart > open + 4 && text[closeStart - 1] == u' ') {
        --closeStart;
        ++closeLen;
    }
    qsizetype openLen = 4;
    if (open + 4 < closeStart && text[open + 4] == u' ')
        ++openLen;
    return {TextChange{closeStart, closeLen, {}}, TextChange{open, openLen, {}}};
}

// Removes the comment [start, end) of `text` that opens with `open` and
// (unless it was left open) ends with `close`, with one space inside each.
std::vector<TextChange> unwrapBlockComment(QStringView text, qsizetype start, qsizetype end,
                                           QLatin1StringView open, QLatin1StringView close) {
    if (!text.sliced(start).startsWith(open))
        return {};
    std::vector<TextChange> changes;
    qsizetype openLen = open.size();
    qsizetype inner = end;
    if (end - start >= open.size() + close.size() &&
        text.sliced(end - close.size(), close.size()) == close) {
        qsizetype closeStart = end - close.size(), closeLen = close.size();
        if (closeStart > start + openLen && text[closeStart - 1] == u' ') {
            --closeStart;
            ++closeLen;
        }
        changes.push_back({closeStart, closeLen, {}});
        inner = closeStart;
    }
    if (start + openLen < inner && text[start + openLen] == u' ')
        ++openLen;
    changes.push_back({start, openLen, {}});
    return changes;
}

} // namespace

std::vector<TextChange> toggleComment(QStringView text, qsizetype selStart, qsizetype selEnd,
                                      qsizetype caret) {
    selStart = std::clamp<qsizetype>(selStart, 0, text.size());
    selEnd = std::clamp<qsizetype>(selEnd, selStart, text.size());
    caret = std::clamp<qsizetype>(caret, 0, text.size());
    const Language lang = languageAt(text, caret);
    if (lang == Language::HtmlComment)
        return unwrapHtmlComment(text, caret);

    // The touched lines: a selection that ends at a line start leaves that line out.
    const qsizetype first = selStart == 0 ? 0 : text.first(selStart).lastIndexOf(u'\n') + 1;
    qsizetype lastEnd = selEnd;
    if (selEnd > selStart && text[selEnd - 1] == u'\n')
        lastEnd = selEnd - 1;
    else {
        lastEnd = text.indexOf(u'\n', selEnd);
        if (lastEnd < 0)
            lastEnd = text.size();
    }
    const std::vector<Language> langs = languagesOf(text, first, lastEnd);
    const auto inLanguage = [&](qsizetype p) {
        return !text[p].isSpace() && sameLanguage(langs[size_t(p - first)], lang);
    };

    std::vector<TextChange> changes;
    if (lang == Language::Php || lang == Language::JavaScript) {
        // Where each line's code of this language begins.
        std::vector<qsizetype> starts;
        for (qsizetype line = first; line <= lastEnd;) {
            qsizetype end = text.indexOf(u'\n', line);
            if (end < 0 || end > lastEnd)
                end = lastEnd;
            for (qsizetype p = line; p < end; ++p) {
                if (inLanguage(p)) {
                    starts.push_back(p);
                    break;
                }
            }
            line = end + 1;
        }
        if (starts.empty())
            return {};
        const bool allCommented = std::all_of(starts.begin(), starts.end(), [&](qsizetype p) {
            return text.sliced(p).startsWith(QLatin1StringView("//"));
        });
        for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
            const qsizetype p = *it;
            if (allCommented) {
                const bool space = p + 2 < text.size() && text[p + 2] == u' ';
                changes.push_back({p, space ? 3 : 2, {}});
            } else {
                changes.push_back({p, 0, QStringLiteral("// ")});
            }
        }
        return changes;
    }

    // HTML and CSS: one block comment around the code of the lines.
    qsizetype a = -1, b = -1;
    for (qsizetype p = first; p < lastEnd; ++p) {
        if (inLanguage(p)) {
            if (a < 0)
                a = p;
            b = p + 1;
        }
    }
    if (a < 0)
        return {};
    const QLatin1StringView open(lang == Language::Css ? "/*" : "<!--");
    const QLatin1StringView close(lang == Language::Css ? "*/" : "-->");
    // Lines that start inside a CSS comment (or with one): that comment is
    // taken away, as the colouring reads it. Comments do not nest: a second
    // one around it would end at the first one's end.
    if (lang == Language::Css) {
        const CodeToken token = codeTokenAt(text, a);
        if (token.kind == CodeToken::Kind::Comment)
            return unwrapBlockComment(text, token.start, token.end, open, close);
    }
    const QStringView code = text.sliced(a, b - a);
    if (code.size() >= open.size() + close.size() && code.startsWith(open) &&
        code.endsWith(close)) {
        qsizetype closeStart = b - close.size(), closeLen = close.size();
        if (closeStart > a + open.size() && text[closeStart - 1] == u' ') {
            --closeStart;
            ++closeLen;
        }
        qsizetype openLen = open.size();
        if (a + openLen < closeStart && text[a + openLen] == u' ')
            ++openLen;
        changes.push_back({closeStart, closeLen, {}});
        changes.push_back({a, openLen, {}});
        return changes;
    }
    changes.push_back({b, 0, u' ' + QString(close)});
    changes.push_back({a, 0, QString(open) + u' '});
    return changes;
}

} // namespace morvane::webtext
