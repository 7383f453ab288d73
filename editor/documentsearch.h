// The find bar's searches applied to an editor's document: its text (kept
// until the document changes, so repeated
// searches in a large file do not copy it again), finding the next or
// previous match from a selection, the matches in a stretch of text (for
// showing those in view), and replacing one or all matches as user edits
// that can be undone, all matches in one step.
#pragma once

#include "editor/findengine.h"

#include <QObject>
#include <QPointer>
#include <QTextDocument>

#include <optional>
#include <vector>

namespace morvane {

class DocumentSearch : public QObject {
    Q_OBJECT
public:
    explicit DocumentSearch(QTextDocument* document, QObject* parent = nullptr);

    QTextDocument* document() const { return m_doc; }

    // The whole text, lines joined by paragraph separators (U+2029), as the
    // document holds it; positions are the document's.
    const QString& text();
    // Drops the copy of the text (it is taken again when next needed).
    void releaseText();

    // The next match after the selection [selStart, selEnd) (or the previous
    // one before it), wrapping around the ends of the text.
    std::optional<TextMatch> find(const Finder& finder, int selStart, int selEnd, bool backward,
                                  bool* wrapped = nullptr);

    // The matches starting in [from, to), found in that stretch of text with
    // a margin around it (the whole text is not needed for this).
    std::vector<TextMatch> matchesIn(const Finder& finder, int from, int to, int max = 2000);

    // Replaces the selection [selStart, selEnd) when it holds a match of the
    // search; returns the range of the new text, or nothing when the
    // selection was not a match.
    std::optional<TextMatch> replaceSelection(const Finder& finder, int selStart, int selEnd,
                                              const QString& replacement);

    // Replaces every match; one undo step. Returns the number replaced.
    // Positions of the document in `positions` (a caret, a selection) are
    // moved along with the text around them.
    qsizetype replaceAll(const Finder& finder, const QString& replacement,
                         std::vector<int>* positions = nullptr);

private:
    QString range(int from, int to) const;

    QPointer<QTextDocument> m_doc;
    QString m_text;
    bool m_valid = false;
};

} // namespace morvane
