#include "editor/findengine.h"

namespace morvane {

namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.isMark();
}

} // namespace

QString lineBreakNeutralPattern(const QString& pattern) {
    // The verb makes ^, $ and . treat every Unicode line break as one; a
    // written \n also stands for the paragraph separator of a document.
    QString out = QStringLiteral("(*ANY)");
    out.reserve(pattern.size() + 16);
    bool inClass = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\' && i + 1 < pattern.size()) {
            const QChar next = pattern[i + 1];
            if (next == u'n')
                out +=
                    inClass ? QStringLiteral("\\n\\x{2029}") : QStringLiteral("(?:\\n|\\x{2029})");
            else if (next == u'Q') {
                // \Q...\E is taken as it is.
                const qsizetype end = pattern.indexOf(QStringLiteral("\\E"), i + 2);
                const qsizetype stop = end < 0 ? pattern.size() : end + 2;
                out += QStringView(pattern).sliced(i, stop - i);
                i = stop - 1;
                continue;
            } else {
                out += c;
                out += next;
            }
            ++i;
            continue;
        }
        if (c == u'[' && !inClass) {
            inClass = true;
            out += c;
            // A ] right after [ or [^ belongs to the class.
            if (i + 1 < pattern.size() && pattern[i + 1] == u'^') {
                out += u'^';
                ++i;
            }
            if (i + 1 < pattern.size() && pattern[i + 1] == u']') {
                out += u']';
                ++i;
            }
            continue;
        }
        if (c == u']' && inClass)
            inClass = false;
        out += c;
    }
    return out;
}

Finder::Finder(const QString& pattern, FindOptions options)
    : m_pattern(pattern), m_options(options) {
    if (m_pattern.isEmpty())
        return;
    // A literal search that ignores letter case runs through the expression
    // engine as well: its compiled search is several times faster on long texts.
    const bool multiline =
        m_pattern.contains(QLatin1Char('\n')) || m_pattern.contains(QChar::ParagraphSeparator);
    if (!m_options.regularExpression && m_options.caseSensitive && !multiline)
        return;
    // ^ and $ stand for the ends of each line, as users of an editor expect.
    QRegularExpression::PatternOptions po = QRegularExpression::MultilineOption;
    if (!m_options.caseSensitive)
        po |= QRegularExpression::CaseInsensitiveOption;
    QString expression;
    if (m_options.regularExpression) {
        expression = lineBreakNeutralPattern(m_pattern);
    } else {
        // Literal text; its line breaks match either kind.
        QString lines = m_pattern;
        lines.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        const QStringList parts = lines.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                expression += QStringLiteral("(?:\\n|\\x{2029})");
            expression += QRegularExpression::escape(parts[i]);
        }
    }
    m_regex = QRegularExpression(expression, po);
    m_useRegex = true;
    if (!m_regex.isValid()) {
        m_error = m_regex.errorString();
        return;
    }
    // Long texts are searched many times: compile to machine code at once.
    m_regex.optimize();
}

bool Finder::isUsable() const {
    return !m_pattern.isEmpty() && m_error.isEmpty();
}

bool Finder::wordBoundaryOk(QStringView text, qsizetype start, qsizetype end) const {
    if (!m_options.wholeWords)
        return true;
    if (start > 0 && start < text.size() && isWordChar(text[start - 1]) && isWordChar(text[start]))
        return false;
    if (end > 0 && end < text.size() && isWordChar(text[end]) && isWordChar(text[end - 1]))
        return false;
    return true;
}

QStringView Finder::soundText(QStringView text, QString* holder) const {
    // Only the expression engine reads the text as UTF-16.
    if (!m_useRegex || text.isValidUtf16())
        return text;
    *holder = text.toString();
    QChar* c = holder->data();
    const qsizetype n = holder->size();
    for (qsizetype i = 0; i < n; ++i) {
        if (c[i].isHighSurrogate() && i + 1 < n && c[i + 1].isLowSurrogate())
            ++i;
        else if (c[i].isSurrogate())
            c[i] = QChar::ReplacementCharacter;
    }
    return *holder;
}

std::optional<TextMatch> Finder::rawNext(QStringView text, qsizetype from,
                                         QRegularExpressionMatch* found) const {
    if (from > text.size())
        return std::nullopt;
    if (!m_useRegex) {
        const qsizetype at = text.indexOf(QStringView(m_pattern), from, Qt::CaseSensitive);
        if (at < 0)
            return std::nullopt;
        return TextMatch{at, m_pattern.size()};
    }
    QRegularExpressionMatch m =
        m_regex.match(text, from, QRegularExpression::NormalMatch,
                      QRegularExpression::DontCheckSubjectStringMatchOption);
    if (!m.hasMatch())
        return std::nullopt;
    const TextMatch out{m.capturedStart(), m.capturedLength()};
    if (found)
        *found = std::move(m);
    return out;
}

std::optional<TextMatch> Finder::nextSound(QStringView text, qsizetype from,
                                           QRegularExpressionMatch* found) const {
    qsizetype at = std::max<qsizetype>(0, from);
    while (at <= text.size()) {
        const std::optional<TextMatch> m = rawNext(text, at, found);
        if (!m || wordBoundaryOk(text, m->start, m->end()))
            return m;
        at = m->start + 1;
    }
    return std::nullopt;
}

std::optional<TextMatch> Finder::nextMatch(QStringView text, qsizetype from) const {
    if (!isUsable())
        return std::nullopt;
    QString holder;
    return nextSound(soundText(text, &holder), from);
}

std::optional<TextMatch> Finder::previousMatch(QStringView text, qsizetype before) const {
    if (!isUsable() || before <= 0)
        return std::nullopt;
    before = std::min(before, text.size() + 1);
    if (!m_useRegex) {
        const Qt::CaseSensitivity cs =
            m_options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
        qsizetype from = before - 1;
        while (from >= 0) {
            const qsizetype at = text.lastIndexOf(QStringView(m_pattern), from, cs);
            if (at < 0)
                return std::nullopt;
            if (wordBoundaryOk(text, at, at + m_pattern.size()))
                return TextMatch{at, m_pattern.size()};
            from = at - 1;
        }
        return std::nullopt;
    }
    // An expression cannot run backwards: search forwards in ever larger
    // stretches before `before`, the nearest stretch first.
    QString holder;
    const QStringView sound = soundText(text, &holder);
    qsizetype window = 4096;
    qsizetype hi = before;
    while (hi > 0) {
        const qsizetype lo = std::max<qsizetype>(0, hi - window);
        std::optional<TextMatch> last;
        forEachSound(sound, lo, hi, [&](const TextMatch& m) {
            last = m;
            return true;
        });
        if (last)
            return last;
        hi = lo;
        window *= 2;
    }
    return std::nullopt;
}

std::optional<TextMatch> Finder::findForward(QStringView text, qsizetype from,
                                             bool* wrapped) const {
    if (wrapped)
        *wrapped = false;
    from = std::clamp<qsizetype>(from, 0, text.size());
    std::optional<TextMatch> m = nextMatch(text, from);
    if (m && m->length == 0 && m->start == from)
        m = nextMatch(text, from + 1);
    if (m)
        return m;
    m = nextMatch(text, 0);
    if (m && m->start <= from) {
        if (wrapped)
            *wrapped = true;
        return m;
    }
    return std::nullopt;
}

std::optional<TextMatch> Finder::findBackward(QStringView text, qsizetype before,
                                              bool* wrapped) const {
    if (wrapped)
        *wrapped = false;
    before = std::clamp<qsizetype>(before, 0, text.size());
    if (std::optional<TextMatch> m = previousMatch(text, before))
        return m;
    std::optional<TextMatch> m = previousMatch(text, text.size() + 1);
    if (m && m->start >= before) {
        if (wrapped)
            *wrapped = true;
        return m;
    }
    return std::nullopt;
}

qsizetype Finder::countMatches(QStringView text, std::optional<qsizetype> ordinalOf,
                               qsizetype* ordinal) const {
    qsizetype n = 0;
    if (ordinal)
        *ordinal = 0;
    forEachMatch(text, 0, text.size() + 1, [&](const TextMatch& m) {
        ++n;
        if (ordinal && ordinalOf && m.start == *ordinalOf && *ordinal == 0)
            *ordinal = n;
        return true;
    });
    return n;
}

QString Finder::replacementFor(QStringView text, const TextMatch& match,
                               const QString& replacement) const {
    if (!m_options.regularExpression || !isUsable())
        return replacement;
    QString holder;
    const QRegularExpressionMatch m =
        m_regex.match(soundText(text, &holder), match.start, QRegularExpression::NormalMatch,
                      QRegularExpression::AnchorAtOffsetMatchOption |
                          QRegularExpression::DontCheckSubjectStringMatchOption);
    return expandReplacement(replacement, m);
}

bool Finder::matchesExactly(QStringView text, const TextMatch& match) const {
    if (!isUsable() || match.start < 0 || match.end() > text.size())
        return false;
    if (!wordBoundaryOk(text, match.start, match.end()))
        return false;
    if (!m_useRegex)
        return match.length == m_pattern.size() &&
               text.sliced(match.start, match.length)
                       .compare(QStringView(m_pattern), m_options.caseSensitive
                                                            ? Qt::CaseSensitive
                                                            : Qt::CaseInsensitive) == 0;
    QString holder;
    const QRegularExpressionMatch m =
        m_regex.match(soundText(text, &holder), match.start, QRegularExpression::NormalMatch,
                      QRegularExpression::AnchorAtOffsetMatchOption |
                          QRegularExpression::DontCheckSubjectStringMatchOption);
    return m.hasMatch() && m.capturedLength() == match.length;
}

Finder::Replaced Finder::replaceAll(QStringView text, const QString& replacement,
                                    std::vector<qsizetype>* positions) const {
    Replaced out;
    if (!isUsable())
        return out;
    QString holder;
    const QStringView sound = soundText(text, &holder);
    // A replacement without references is the same text for every match.
    const bool expand = m_options.regularExpression && replacement.contains(QLatin1Char('\\'));
    std::vector<bool> placed(positions ? positions->size() : 0, false);
    qsizetype shift = 0;  // the new text's length less the old one's, so far
    qsizetype copied = 0; // the end of the old text taken over so far
    QRegularExpressionMatch groups;
    qsizetype at = 0;
    while (at <= sound.size()) {
        const std::optional<TextMatch> m = nextSound(sound, at, expand ? &groups : nullptr);
        if (!m)
            break;
        if (out.count == 0) {
            out.from = copied = m->start;
            out.text.reserve(sound.size() - m->start + 64);
        }
        ++out.count;
        out.text += text.sliced(copied, m->start - copied);
        const qsizetype newStart = out.from + out.text.size();
        if (expand)
            out.text += expandReplacement(replacement, groups);
        else
            out.text += replacement;
        for (size_t i = 0; i < placed.size(); ++i) {
            qsizetype& p = (*positions)[i];
            if (placed[i] || (p > m->start && p >= m->end()))
                continue;
            p = p <= m->start ? p + shift : newStart;
            placed[i] = true;
        }
        copied = out.to = m->end();
        shift = out.from + out.text.size() - copied;
        at = m->length > 0 ? m->end() : m->start + 1;
    }
    for (size_t i = 0; i < placed.size(); ++i)
        if (!placed[i])
            (*positions)[i] += shift;
    return out;
}

QString expandReplacement(const QString& replacement, const QRegularExpressionMatch& match) {
    QString out;
    out.reserve(replacement.size());
    const int groups = match.lastCapturedIndex();
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        if (c != u'\\' || i + 1 == replacement.size()) {
            out += c;
            continue;
        }
        const QChar next = replacement[i + 1];
        if (next.isDigit()) {
            int group = next.digitValue();
            qsizetype used = 1;
            // A second digit belongs to the number only when such a group exists.
            if (i + 2 < replacement.size() && replacement[i + 2].isDigit()) {
                const int two = group * 10 + replacement[i + 2].digitValue();
                if (two <= groups) {
                    group = two;
                    used = 2;
                }
            }
            if (match.hasMatch() && group <= groups)
                out += match.captured(group);
            i += used;
            continue;
        }
        if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else
            out += next; // \\ and any other escaped character stand for themselves
        ++i;
    }
    return out;
}

} // namespace morvane
