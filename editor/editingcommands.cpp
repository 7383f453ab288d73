#include "editor/editingcommands.h"

#include "editor/preferences.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace morvane::editing {

namespace {

int textLength(const QTextDocument& doc) {
    return std::max(0, doc.characterCount() - 1);
}

// The selection as (location, length), and whether the caret is at its start.
struct Selection {
    int loc;
    int len;
    bool reversed;
};

Selection selectionOf(const QPlainTextEdit& view) {
    const QTextCursor c = view.textCursor();
    return {c.selectionStart(), c.selectionEnd() - c.selectionStart(), c.position() < c.anchor()};
}

void select(QPlainTextEdit& view, const Selection& s) {
    QTextCursor c = view.textCursor();
    const int len = textLength(*view.document());
    const int from = std::clamp(s.loc, 0, len);
    const int to = std::clamp(s.loc + s.len, from, len);
    c.setPosition(s.reversed ? to : from);
    c.setPosition(s.reversed ? from : to, QTextCursor::KeepAnchor);
    view.setTextCursor(c);
}

} // namespace

std::vector<int> touchedLineStarts(const QTextDocument& doc, int loc, int len) {
    // In the document every line break is a block boundary, so the line
    // starts are block starts: the first line's start, and the start of each
    // following block whose break lies within the selection's last line.
    std::vector<int> starts;
    const QTextBlock first = doc.findBlock(loc);
    if (!first.isValid())
        return starts;
    const int q = std::max(loc + len - 1, 0);
    const QTextBlock lastBlock = doc.findBlock(q);
    // The position just before the first break at or after q.
    const int last =
        lastBlock.isValid() ? lastBlock.position() + lastBlock.length() - 2 : textLength(doc) - 1;
    starts.push_back(first.position());
    for (QTextBlock b = first.next(); b.isValid() && b.position() - 1 <= last; b = b.next())
        starts.push_back(b.position());
    std::reverse(starts.begin(), starts.end());
    return starts;
}

void indent(QPlainTextEdit& view) {
    QTextDocument& doc = *view.document();
    Selection sel = selectionOf(view);
    const std::vector<int> starts = touchedLineStarts(doc, sel.loc, sel.len);
    if (starts.empty())
        return;
    QTextCursor c(&doc);
    c.beginEditBlock();
    for (int p : starts) {
        c.setPosition(p);
        c.insertText(QStringLiteral("\t"));
        if (p <= sel.loc)
            ++sel.loc;
        else
            ++sel.len;
    }
    c.endEditBlock();
    select(view, sel);
}

void outdent(QPlainTextEdit& view) {
    QTextDocument& doc = *view.document();
    Selection sel = selectionOf(view);
    const std::vector<int> starts = touchedLineStarts(doc, sel.loc, sel.len);
    QTextCursor c(&doc);
    bool editing = false;
    for (int p : starts) {
        const int length = textLength(doc);
        if (p >= length)
            continue;
        int k = 0;
        const bool tab = doc.characterAt(p) == u'\t';
        if (!tab)
            while (k < 4 && p + k < length && doc.characterAt(p + k) == u' ')
                ++k;
        if (!tab && k == 0)
            continue;
        if (!editing) {
            c.beginEditBlock();
            editing = true;
        }
        c.setPosition(p);
        c.setPosition(p + (tab ? 1 : k), QTextCursor::KeepAnchor);
        c.removeSelectedText();
        if (tab) {
            if (p < sel.loc)
                --sel.loc;
            else
                sel.len = std::max(0, sel.len - 1);
            continue;
        }
        for (int x = p + k - 1; x >= p; --x) {
            if (x < sel.loc)
                --sel.loc;
            else if (x < sel.loc + sel.len)
                sel.len = std::max(0, sel.len - 1);
        }
    }
    if (editing)
        c.endEditBlock();
    select(view, sel);
}

QString indentationBefore(const QTextDocument& doc, int breakAt) {
    if (breakAt < 0 || breakAt >= textLength(doc))
        return QString();
    const QTextBlock line = doc.findBlock(breakAt);
    if (!line.isValid() || line.position() + line.length() - 1 != breakAt)
        return QString();
    const QString text = line.text().left(breakAt - line.position());
    qsizetype n = 0;
    while (n < text.size() && (text[n] == u' ' || text[n] == u'\t'))
        ++n;
    return text.left(n);
}

} // namespace morvane::editing

namespace morvane {

namespace {

// Closes an undo step: the document merges typing that follows an inserted
// text into that text's step, but never into a step that ends with an item
// of its own.
class StepEnd : public QAbstractUndoItem {
public:
    void undo() override {}
    void redo() override {}
};

} // namespace

AutoIndenter::AutoIndenter(QPlainTextEdit* view, const Preferences* prefs)
    : QObject(view), m_view(view), m_prefs(prefs) {}

void AutoIndenter::noteUserChange(int position, int removed, int added) {
    if (!m_prefs || !m_prefs->autoIndent() || !m_view)
        return;
    const QTextDocument* doc = m_view->document();
    // Undo and redo replay earlier changes (the indentation has its own
    // step): only fresh edits, which leave nothing to redo, are indented.
    const bool single = added == 1 && doc->characterAt(position) == QChar::ParagraphSeparator &&
                        doc->availableRedoSteps() == 0;
    if (single) {
        m_breakAt = position;
        ++m_pending;
        QTimer::singleShot(0, this, &AutoIndenter::deferredStep);
    } else if (m_breakAt >= 0) {
        // Typing that came before the deferred step: the break waiting for
        // its indentation moves with the text, or goes when it was removed.
        if (position + removed <= m_breakAt)
            m_breakAt += added - removed;
        else if (position <= m_breakAt)
            m_breakAt = -1;
    }
}

void AutoIndenter::deferredStep() {
    --m_pending;
    const int at = m_breakAt;
    m_breakAt = -1;
    if (at >= 0 && m_view && m_prefs && m_prefs->autoIndent() &&
        m_view->document()->characterAt(at) == QChar::ParagraphSeparator) {
        const QString indentation = editing::indentationBefore(*m_view->document(), at);
        if (!indentation.isEmpty()) {
            // Typed just after the break (where the caret normally is), as an
            // undo step of its own, apart from the line break before it and
            // from the typing after it.
            QTextCursor c(m_view->document());
            c.setPosition(at + 1);
            c.beginEditBlock();
            c.insertText(indentation);
            m_view->document()->appendUndoItem(new StepEnd);
            c.endEditBlock();
            m_view->ensureCursorVisible();
        }
    }
    Q_EMIT stepDone();
}

} // namespace morvane
