#include "editor/navigation.h"

#include "editor/webcontext.h"

#include <QString>

namespace morvane::webtext {

namespace {

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u':' || c == u'_' || c == u'.';
}

std::optional<qsizetype> bracketPartner(QStringView text, qsizetype at) {
    static constexpr char16_t kOpen[] = u"([{";
    static constexpr char16_t kClose[] = u")]}";
    const char16_t c = text[at].unicode();
    for (int k = 0; k < 3; ++k) {
        const int step = c == kOpen[k] ? 1 : c == kClose[k] ? -1 : 0;
        if (step == 0)
            continue;
        int depth = 0;
        for (qsizetype p = at; p >= 0 && p < text.size(); p += step) {
            const char16_t d = text[p].unicode();
            if (d == kOpen[k])
                depth += step;
            else if (d == kClose[k])
                depth -= step;
            if (depth == 0)
                return p;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

// Whether the tag whose name starts at `name` ends with "/>".
bool selfClosing(QStringView text, qsizetype name) {
    const qsizetype gt = text.indexOf(u'>', name);
    return gt > 0 && text[gt - 1] == u'/';
}

// The name of a start or end tag of `name` beginning at `p` ('<' or "</").
bool tagOf(QStringView text, qsizetype p, QStringView name, bool end) {
    const qsizetype at = p + (end ? 2 : 1);
    if (text[p] != u'<' || (end && (p + 1 >= text.size() || text[p + 1] != u'/')))
        return false;
    if (text.size() - at < name.size() ||
        text.sliced(at, name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    return at + name.size() == text.size() || !isNameChar(text[at + name.size()]);
}

std::optional<MatchedPair> tagPartner(QStringView text, qsizetype caret) {
    qsizetype s = caret;
    while (s > 0 && isNameChar(text[s - 1]))
        --s;
    qsizetype e = caret;
    while (e < text.size() && isNameChar(text[e]))
        ++e;
    if (s == e || s == 0)
        return std::nullopt;
    const bool end = s >= 2 && text[s - 1] == u'/' && text[s - 2] == u'<';
    if (!end && text[s - 1] != u'<')
        return std::nullopt;
    const QStringView name = text.sliced(s, e - s);
    if (!text[s].isLetter() || isVoidElement(name) || (!end && selfClosing(text, e)))
        return std::nullopt;
    int depth = 1;
    if (!end) {
        for (qsizetype p = text.indexOf(u'<', e); p >= 0; p = text.indexOf(u'<', p + 1)) {
            if (tagOf(text, p, name, false) && !selfClosing(text, p + 1 + name.size()))
                ++depth;
            else if (tagOf(text, p, name, true) && --depth == 0)
                return MatchedPair{s, name.size(), p + 2, name.size(), p + 2 + (caret - s)};
        }
    } else {
        for (qsizetype p = text.first(s - 2).lastIndexOf(u'<'); p >= 0;
             p = p == 0 ? -1 : text.first(p).lastIndexOf(u'<')) {
            if (tagOf(text, p, name, true))
                ++depth;
            else if (tagOf(text, p, name, false) && !selfClosing(text, p + 1 + name.size()) &&
                     --depth == 0)
                return MatchedPair{s, name.size(), p + 1, name.size(), p + 1 + (caret - s)};
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<MatchedPair> matchAt(QStringView text, qsizetype caret) {
    if (caret < 0 || caret > text.size())
        return std::nullopt;
    if (caret < text.size()) {
        if (auto p = bracketPartner(text, caret))
            return MatchedPair{caret, 1, *p, 1, *p};
    }
    if (caret > 0) {
        if (auto p = bracketPartner(text, caret - 1))
            return MatchedPair{caret - 1, 1, *p, 1, *p + 1};
    }
    return tagPartner(text, caret);
}

std::optional<std::pair<int, int>> parseLineColumn(QStringView input) {
    const QStringView trimmed = input.trimmed();
    const qsizetype colon = trimmed.indexOf(u':');
    bool ok = false;
    const int line = (colon < 0 ? trimmed : trimmed.first(colon)).trimmed().toInt(&ok);
    if (!ok || line < 1)
        return std::nullopt;
    int column = 1;
    if (colon >= 0) {
        column = trimmed.sliced(colon + 1).trimmed().toInt(&ok);
        if (!ok || column < 1)
            return std::nullopt;
    }
    return std::make_pair(line, column);
}

} // namespace morvane::webtext
