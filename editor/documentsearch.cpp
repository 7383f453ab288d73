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
    // The copy of the whole text when there is one, else just the stretch.
    const QString piece = m_valid ? QString() : range(lo, hi);
    const QStringView t = m_valid ? QStringView(m_text) : QStringView(piece);
    const int base = m_valid ? 0 : lo;
    finder.forEachMatch(t, lo - base, to - base + 1, [&](const TextMatch& m) {
        if (m.start + base >= from && m.start + base <= to)
            out.push_back(TextMatch{m.start + base, m.length});
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

qsizetype DocumentSearch::replaceAll(const Finder& finder, const QString& replacement) {
    if (!m_doc || !finder.isUsable())
        return 0;
    const QString t = text(); // shared: the edits below drop the cached copy
    std::vector<std::pair<TextMatch, QString>> found;
    finder.forEachMatch(t, 0, t.size() + 1, [&](const TextMatch& m) {
        found.emplace_back(m, finder.replacementFor(t, m, replacement));
        return true;
    });
    if (found.empty())
        return 0;
    // From the last match to the first, so that earlier positions stay valid;
    // one edit block makes it one undo step and one change notice.
    QTextCursor c(m_doc);
    c.beginEditBlock();
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        const auto& [m, with] = *it;
        if (m.length == 0 && with.isEmpty())
            continue;
        c.setPosition(int(m.start));
        c.setPosition(int(m.end()), QTextCursor::KeepAnchor);
        if (with.isEmpty())
            c.removeSelectedText();
        else
            c.insertText(with);
    }
    c.endEditBlock();
    return qsizetype(found.size());
}

} // namespace morvane
