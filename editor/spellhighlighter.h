// Spell checking as you type for one editor: the misspelt words of the
// visible prose (plain text between tags and the text of comments, as the
// syntax colourer's roles tell; never tags, attributes or PHP code) get a
// wavy underline, and the editor's context menu offers corrections and
// "Add to Dictionary". It attaches to the editor (becomes a child of its
// colourer) and draws through the colourer's block formats.
#pragma once

#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTextBlock>

class QMenu;
class QPlainTextEdit;
class QPoint;

namespace morvane {

class SpellChecker;
class SyntaxColourer;

class SpellHighlighter : public QObject {
    Q_OBJECT
public:
    // `checker` may be null (no dictionary): nothing is marked then.
    SpellHighlighter(QPlainTextEdit* editor, SyntaxColourer* colourer, SpellChecker* checker);
    ~SpellHighlighter() override;

    // The highlighter of an editor, if it has one.
    static SpellHighlighter* of(const QPlainTextEdit* editor);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on);
    void setChecker(SpellChecker* checker);

    // Checks the words of the visible text now (normally done after every
    // colouring pass).
    void checkVisible();

    // The ranges marked as misspelt, as (position, length) in the document,
    // in text order.
    QList<QPair<int, int>> markedRanges() const;

    // The editor's context menu for a click at `pos` (viewport coordinates):
    // the standard menu, with the corrections of a misspelt word under the
    // click above it. The caller owns it.
    QMenu* contextMenuAt(const QPoint& pos);

private:
    void scheduleCheck();
    void clearMarks();
    void addExtraRanges(const QTextBlock& block, QList<QTextLayout::FormatRange>& ranges) const;
    QList<QPair<int, int>> misspeltIn(const QTextBlock& block) const;

    QPointer<QPlainTextEdit> m_editor;
    QPointer<SyntaxColourer> m_colourer;
    QPointer<SpellChecker> m_checker;
    QTextCharFormat m_format;
    bool m_enabled = false;
    bool m_pending = false;
    // Where the user's typing ended (-1: not typing): the word ending there
    // is still being typed and is not marked until the caret leaves it.
    int m_typingAt = -1;
};

} // namespace morvane
