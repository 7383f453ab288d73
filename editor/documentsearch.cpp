#include "editor/documentsearch.h"

#include <QTextCursor>

namespace morvane {

namespace {

// Room around a stretch searched on its own, so that a match reaching into
// it from outside (or a word boundary just outside) is seen correctly.
constexpr int kMargin = 512;

} // namespace

DocumentSearch::DocumentSearch(QTextDocument* document, QObject* parent)
    : QObject(parent), m_doc(document) {
    // contentsChanged, not contentsChange: the latter only comes from a
    // document that has a layout.
    connect(document, &QTextDocument::contentsChanged, this, [this] {
        m_valid = false;
        m_text.clear();
    });
}

const QString& DocumentSearch::text() {
    if (!m_valid && m_doc) {
        // Line breaks stay paragraph separators: the searches treat them as
        // line feeds, and a second pass over a large text is saved.
        m_text = m_doc->toRawText();
        m_valid = true;
    }
    return m_text;
}

void DocumentSearch::releaseText() {
    m_valid = false;
    m_text = QString();
}

QString DocumentSearch::range(int from, int to) const {
    if (!m_doc || from >= to)
        return QString();
    QTextCursor c(m_doc);
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    return c.selectedText();
}

std::optional<TextMatch> DocumentSearch::find(const Finder& finder, int selStart, int selEnd,
                                              bool backward, bool* wrapped) {
    if (!finder.isUsable())
        return std::nullopt;
    const QString& t = text();
    if (backward)
        return finder.findBackward(t, selStart, wrapped);
    return finder.findForward(t, selEnd, wrapped);
}

std::vector<TextMatch> DocumentSearch::matchesIn(const Finder& finder, int from, int to, int max) {
    std::vector<TextMatch> out;
    if (!m_doc || !finder.isUsable())
        return out;
    const int len = std::max(0, m_doc->characterCount() - 1);
    from = std::clamp(from, 0, len);
    to = std::clamp(to, from, len);
    const int lo = std::max(0, from - kMargin);
    const int hi = std::min(len, to + kMargin);
    // Just the stretch, from the copy of the whole text when there is one:
    // the work stays in proportion to the stretch, not to the whole text.
    const QString piece = m_valid ? QString() : range(lo, hi);
    const QStringView t = m_valid ? QStringView(m_text).sliced(lo, hi - lo) : QStringView(piece);
    finder.forEachMatch(t, 0, to - lo + 1, [&](const TextMatch& m) {
        if (m.start + lo >= from && m.start + lo <= to)
            out.push_back(TextMatch{m.start + lo, m.length});
        return int(out.size()) < max;
    });
    return out;
}

std::optional<TextMatch> DocumentSearch::replaceSelection(const Finder& finder, int selStart,
                                                          int selEnd, const QString& replacement) {
    if (!m_doc || !finder.isUsable() || selEnd < selStart)
        return std::nullopt;
    const QString& t = text();
    const TextMatch sel{selStart, selEnd - selStart};
    if (!finder.matchesExactly(t, sel))
        return std::nullopt;
    const QString with = finder.replacementFor(t, sel, replacement);
    QTextCursor c(m_doc);
    c.beginEditBlock();
    c.setPosition(selStart);
    c.setPosition(selEnd, QTextCursor::KeepAnchor);
    c.insertText(with);
    c.endEditBlock();
    return TextMatch{selStart, with.size()};
}

qsizetype DocumentSearch::replaceAll(const Finder& finder, const QString& replacement,
                                     std::vector<int>* positions) {
    if (!m_doc || !finder.isUsable())
        return 0;
    const QString t = text(); // shared: the edit below drops the cached copy
    std::vector<qsizetype> moved;
    if (positions)
        moved.assign(positions->begin(), positions->end());
    const Finder::Replaced r = finder.replaceAll(t, replacement, positions ? &moved : nullptr);
    if (r.count == 0)
        return 0;
    // Matches that are replaced by themselves leave the text alone (no undo
    // step, no change to save).
    if (QStringView(r.text) == QStringView(t).sliced(r.from, r.to - r.from))
        return r.count;
    // The stretch from the first match to the end of the last is replaced
    // at once, which is one undo step and one change notice, and costs one
    // pass however many matches there are (an edit per match took minutes
    // with a hundred thousand of them).
    QTextCursor c(m_doc);
    c.beginEditBlock();
    c.setPosition(int(r.from));
    c.setPosition(int(r.to), QTextCursor::KeepAnchor);
    if (r.text.isEmpty())
        c.removeSelectedText();
    else
        c.insertText(r.text);
    c.endEditBlock();
    if (positions)
        for (size_t i = 0; i < moved.size(); ++i)
            (*positions)[i] = int(moved[i]);
    return r.count;
}

} // namespace morvane
