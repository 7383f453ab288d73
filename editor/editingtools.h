// The web-page typing helpers of one editor: closing tags as '>' and "</"
// are typed, the completion list, the highlight of the bracket or tag that
// matches the one at the caret, Toggle Comment, Go to Line and Go to
// Matching Bracket. The decisions are made by the widget-free functions of
// webcontext.h, commenttoggle.h, navigation.h and completionwords.h; this
// class only reads the text around the caret and applies their answers.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextCursor>

class QListWidget;
class QPlainTextEdit;

namespace morvane {

class EditingTools : public QObject {
    Q_OBJECT
public:
    // Attaches to `view` (becomes its child).
    explicit EditingTools(QPlainTextEdit* view);
    ~EditingTools() override;

    // The tools of `view`, made on first use.
    static EditingTools* of(QPlainTextEdit* view);

    // Closing tags on typing (on unless turned off).
    void setCloseTags(bool on) { m_closeTags = on; }
    bool closeTags() const { return m_closeTags; }

    // The commands; each edit is one undo step.
    void toggleComment();
    // Moves the caret to `line` and `column` (from 1), kept inside the text.
    void goToLine(int line, int column);
    // Moves the caret to the partner of the bracket or tag at it; false when
    // there is none.
    bool goToMatching();
    // Opens the completion list at the caret (even before anything is typed).
    void showCompletions();

    // The completion list (for tests): shown or not, its choices, and the
    // chosen row.
    QListWidget* completionList() const;
    bool completionShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The text of [from, to) with line feeds between lines.
    QString textRange(int from, int to) const;
    // The start of the line at or before `pos - back`: where scans begin.
    int windowStart(int pos, int back) const;
    bool typeGreaterThan();
    bool typeSlash();
    void updateCompletion(bool typed);
    void acceptCompletion();
    void hideCompletion();
    void updateMatchHighlight();
    // Remembers text the helpers added after the caret, so that typing the
    // same characters steps over them instead of doubling them.
    void rememberAdded(int from, int to);
    bool typeOver(QChar typed);

    QPointer<QPlainTextEdit> m_view;
    QPointer<QListWidget> m_list; // a pop-up window, child of the view
    bool m_closeTags = true;
    int m_prefixStart = -1; // where the word the list completes begins
    // The added text not yet typed over (both ends follow the edits).
    QTextCursor m_addedStart, m_addedEnd;
    // The end of a completed end tag, typed on by the user out of habit:
    // those characters, typed at m_echoAt, are already there.
    QString m_echo;
    int m_echoAt = -1;
};

} // namespace morvane
