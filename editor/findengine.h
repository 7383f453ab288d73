// Text search as the find bar offers it, on plain strings: literal or
// regular-expression patterns, letter case, whole words, forward and
// backward with wrap-around, counting, and the replacement text of a match
// (with \1 style references to the expression's groups). No widget and no
// document: the editor side hands in the text (see documentsearch.h).
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace morvane {

struct FindOptions {
    bool caseSensitive = false;
    bool wholeWords = false;
    bool regularExpression = false;
    friend bool operator==(const FindOptions&, const FindOptions&) = default;
};

struct TextMatch {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype end() const { return start + length; }
    friend bool operator==(const TextMatch&, const TextMatch&) = default;
};

class Finder {
public:
    Finder() = default;
    Finder(const QString& pattern, FindOptions options);

    QString pattern() const { return m_pattern; }
    FindOptions options() const { return m_options; }
    // False for an empty pattern or an expression that does not compile.
    bool isUsable() const;
    // Why the expression does not compile (empty when it does).
    QString errorString() const { return m_error; }

    // The first match starting at or after `from`, or nothing. Empty matches
    // (a regular expression such as "^") count as matches.
    std::optional<TextMatch> nextMatch(QStringView text, qsizetype from) const;
    // The last match starting before `before`, or nothing.
    std::optional<TextMatch> previousMatch(QStringView text, qsizetype before) const;

    // Searches on from `from` and, when nothing follows, from the start of the
    // text (wrap-around). An empty match at `from` itself is passed over, so
    // that repeating the search moves on. `wrapped` tells whether it wrapped.
    std::optional<TextMatch> findForward(QStringView text, qsizetype from,
                                         bool* wrapped = nullptr) const;
    // Searches backwards from `before` and then from the end of the text.
    std::optional<TextMatch> findBackward(QStringView text, qsizetype before,
                                          bool* wrapped = nullptr) const;

    // Calls f(match) for every match starting in [from, to), in order;
    // f returns false to stop.
    template <class F>
    void forEachMatch(QStringView text, qsizetype from, qsizetype to, F&& f) const;

    // The number of matches in the text, and (when `ordinalOf` is given) the
    // 1-based position among them of the match starting at *ordinalOf (0 when
    // none starts there).
    qsizetype countMatches(QStringView text, std::optional<qsizetype> ordinalOf = std::nullopt,
                           qsizetype* ordinal = nullptr) const;

    // The text that replaces `match`: for a regular expression, \0 to \99
    // stand for the groups, \n and \t for a line feed and a tab, \\ for a
    // backslash; a literal search uses `replacement` as it is.
    QString replacementFor(QStringView text, const TextMatch& match,
                           const QString& replacement) const;

    // Whether the text at `match` is a match of this search, as a whole (the
    // selection still holds what the last search found).
    bool matchesExactly(QStringView text, const TextMatch& match) const;

    // Every match replaced, in one pass over the text: the number of
    // matches, and the new text of the stretch [from, to) of `text` that
    // runs from the first match to the end of the last (the rest stays as
    // it is). Each position in `positions` is moved along with the text
    // around it; one inside a match goes to the start of its replacement.
    struct Replaced {
        qsizetype count = 0;
        qsizetype from = 0;
        qsizetype to = 0;
        QString text;
    };
    Replaced replaceAll(QStringView text, const QString& replacement,
                        std::vector<qsizetype>* positions = nullptr) const;

private:
    bool wordBoundaryOk(QStringView text, qsizetype start, qsizetype end) const;
    // The expression engine checks the text from the search's start to its
    // end at every call unless told the text is sound UTF-16, which made a
    // pass over many matches take time in the square of the text's length.
    // The text is checked here once instead: returned as it is when sound,
    // else a copy in `holder` with lone surrogates replaced (the same
    // length, so positions stay the same).
    QStringView soundText(QStringView text, QString* holder) const;
    // nextMatch() on a text from soundText(); `found` receives the
    // expression's match (groups) when it is given.
    std::optional<TextMatch> nextSound(QStringView text, qsizetype from,
                                       QRegularExpressionMatch* found = nullptr) const;
    std::optional<TextMatch> rawNext(QStringView text, qsizetype from,
                                     QRegularExpressionMatch* found) const;
    template <class F>
    void forEachSound(QStringView text, qsizetype from, qsizetype to, F&& f) const;

    QString m_pattern;
    FindOptions m_options;
    QRegularExpression m_regex;
    bool m_useRegex = false; // else a plain case-sensitive scan
    QString m_error;
};

// The expression as searched: line breaks may be line feeds or paragraph
// separators (the document's own), so ^, $, . and \n behave alike in both.
QString lineBreakNeutralPattern(const QString& pattern);

// Expands a replacement template for one regular-expression match (see
// Finder::replacementFor).
QString expandReplacement(const QString& replacement, const QRegularExpressionMatch& match);

template <class F>
void Finder::forEachSound(QStringView text, qsizetype from, qsizetype to, F&& f) const {
    qsizetype at = std::max<qsizetype>(0, from);
    while (at <= text.size() && at < to) {
        const std::optional<TextMatch> m = nextSound(text, at);
        if (!m || m->start >= to)
            return;
        if (!f(*m))
            return;
        at = m->length > 0 ? m->end() : m->start + 1;
    }
}

template <class F>
void Finder::forEachMatch(QStringView text, qsizetype from, qsizetype to, F&& f) const {
    if (!isUsable())
        return;
    QString holder;
    forEachSound(soundText(text, &holder), from, to, std::forward<F>(f));
}

} // namespace morvane
