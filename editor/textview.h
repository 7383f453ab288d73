// The editor of one open file: a plain-text editor with a line-number gutter,
// indent and outdent, optional auto-indent, and the bookkeeping that lets the
// file be written back exactly as it was read (encoding and line ends).
#pragma once

#include "core/textfile.h"

#include <QPlainTextEdit>

namespace morvane {

class AutoIndenter;
class LineNumberRuler;
class Preferences;

class TextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextView(const Preferences* prefs, QWidget* parent = nullptr);
    ~TextView() override;

    // Replaces the whole text on the program's behalf (reading a file): not
    // a user edit, so it is not undoable and does not signal userEdited().
    void setTextFromProgram(const QString& text, const TextFormat& format);
    // Brings the text to `text` (the file as it now is on disk) by replacing
    // only the part that differs, so that the caret, the selection and the
    // scroll position stay where they were as far as the new text allows.
    // Not a user edit; it can be undone like one.
    void updateTextFromProgram(const QString& text, const TextFormat& format);

    // The text as it will be written, with '\n' between lines (non-breaking
    // spaces and other characters kept as they are).
    QString textForSaving() const;
    // The file's encoding and line ends, kept in step with the user's edits.
    TextFormat& format() { return m_format; }

    // Called after a save: the next typing starts a new undo step, and edits
    // from here on count as changes again.
    void markSaved();
    // The text was written to the file as it now stands.
    void noteWritten(const QString& text);

    // Indent or outdent the lines of the selection by one tab.
    void indentSelection();
    void outdentSelection();

    // The line-number ruler beside the text.
    LineNumberRuler* ruler() const { return m_ruler; }
    AutoIndenter* autoIndenter() const { return m_autoIndenter; }
    // Shows the text in `font` (the preferences' editor font).
    void setEditorFont(const QFont& font);

Q_SIGNALS:
    // The user changed the text (typing, pasting, undo…).
    void userEdited();
    // The user put `added` characters at `position` (typing, pasting, undo…).
    void userInserted(int position, int added);
    // The editor lost the keyboard focus: the point where edits are saved.
    void editingEnded();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeRuler();
    void onContentsChange(int position, int removed, int added);

    const Preferences* m_prefs;
    LineNumberRuler* m_ruler;
    AutoIndenter* m_autoIndenter;
    TextFormat m_format;
    // The text as last read from or written to the file, while the document
    // still holds exactly that: a change on disk is then compared with it
    // without taking the text out of a large document.
    QString m_diskText;
    bool m_diskTextValid = false;
    int m_blockCount = 1;
    bool m_programEdit = false;
};

} // namespace morvane
