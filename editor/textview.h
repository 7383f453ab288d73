// The editor of one open file: a plain-text editor with a line-number gutter,
// indent and outdent and optional auto-indent. It shows a TextDocument, which
// holds the file's text and everything needed to write it back.
#pragma once

#include "core/textfile.h"
#include "editor/textdocument.h"

#include <QPlainTextEdit>

namespace morvane {

class AutoIndenter;
class LineNumberRuler;
class Preferences;

class TextView : public QPlainTextEdit {
    Q_OBJECT
public:
    // An editor with a document of its own (no file).
    explicit TextView(const Preferences* prefs, QWidget* parent = nullptr);
    // An editor showing `document` (which must outlive it) for its whole life.
    TextView(const Preferences* prefs, TextDocument* document, QWidget* parent);
    ~TextView() override;

    TextDocument* textDocument() const { return m_document; }

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
    QString textForSaving() const { return m_document->text(); }
    // The file's encoding and line ends, kept in step with the user's edits.
    TextFormat& format() { return m_document->format(); }

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
    void rememberPlace(qsizetype from, qsizetype to);
    void restorePlace();

    const Preferences* m_prefs;
    TextDocument* m_document;
    LineNumberRuler* m_ruler = nullptr;
    AutoIndenter* m_autoIndenter = nullptr;
    // Where the user was while the program replaces part of the text: the
    // caret's line (its number, text and column), whether the caret lies in
    // the replaced part, and the scroll position.
    struct Place {
        int line = 0;
        QString lineText;
        int column = 0;
        bool inChange = false;
        int scrollV = 0;
        int scrollH = 0;
    } m_place;
};

} // namespace morvane
