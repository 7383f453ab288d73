// The editor's block commands and auto-indent, on any plain-text editor:
// indent puts one tab at the start of every line the selection touches,
// outdent takes away one leading tab or up to four leading spaces, and
// auto-indent gives a new line the leading spaces and tabs of the line where
// the line break was typed or pasted.
#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

class QPlainTextEdit;
class QTextDocument;

namespace morvane {

class Preferences;

namespace editing {

// The starts of the lines touched by the selection (loc, len), highest
// first. A selection that ends right after a line break does not touch the
// line that follows; the line of an empty selection is touched.
std::vector<int> touchedLineStarts(const QTextDocument& doc, int loc, int len);

// Indent and outdent the lines of the editor's selection; each is one undo
// step, and the selection keeps covering the same text.
void indent(QPlainTextEdit& view);
void outdent(QPlainTextEdit& view);

// The leading spaces and tabs of the line that ends with the line break at
// `breakAt`, cut at that break: what a new line typed there starts with.
QString indentationBefore(const QTextDocument& doc, int breakAt);

} // namespace editing

// Auto-indent for one editor. The owner reports every change the user made
// (typing, pasting, undo…) with noteUserChange; when auto-indent is on and
// the change put exactly one line break in place, the indentation is typed
// after it on the next turn of the event loop, as an undo step of its own:
// one Undo takes the indentation away, a second the line break.
class AutoIndenter : public QObject {
    Q_OBJECT
public:
    AutoIndenter(QPlainTextEdit* view, const Preferences* prefs);

    void noteUserChange(int position, int removed, int added);
    // Whether a deferred step is waiting (for tests).
    bool pending() const { return m_pending > 0; }

Q_SIGNALS:
    // The deferred step ran (whether or not it inserted anything).
    void stepDone();

private:
    void deferredStep();

    QPointer<QPlainTextEdit> m_view;
    const Preferences* m_prefs;
    int m_breakAt = -1; // where the latest change put its single line break
    int m_pending = 0;
};

} // namespace morvane
