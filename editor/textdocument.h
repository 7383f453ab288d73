// One file opened for editing: its text (a QTextDocument that an editor
// shows), the path it is read from and written to, how its bytes map onto
// the text (encoding, byte-order mark, line ends), and what the program knows
// of the file on disk. It is the one place that reads such a file and writes
// it back, so that neither the file nor the user's edits are lost: a file is
// written byte for byte as it was read where the user changed nothing, and
// another program's version is noticed before it could be written over.
// "Modified" is the QTextDocument's own flag, never a copy of it.
#pragma once

#include "core/textfile.h"

#include <QObject>
#include <QString>

class QTextDocument;

namespace morvane {

class TextDocument : public QObject {
    Q_OBJECT
public:
    // The file on disk against the version the document holds.
    enum class DiskState {
        Same,           // the document holds what is on disk, plus the user's edits
        ChangedOutside, // another program changed the file while the document held edits
        Gone,           // the file is gone from its path
    };

    // A document for the file at `path` (nothing is read yet); a document
    // without a path only holds text.
    explicit TextDocument(const QString& path = QString(), QObject* parent = nullptr);
    ~TextDocument() override;

    QTextDocument* document() const { return m_doc; }
    const QString& path() const { return m_path; }
    // The file now goes by another path (a rename): nothing is read or written.
    void setPath(const QString& path) { m_path = path; }

    // The file's encoding and line ends, kept in step with the user's edits.
    const TextFormat& format() const { return m_format; }
    TextFormat& format() { return m_format; }
    // Of the version last read or written.
    const FileStamp& stamp() const { return m_stamp; }
    DiskState diskState() const { return m_disk; }
    bool isModified() const;
    void setModified(bool modified);
    // Whether the file's text was read at least once.
    bool hasText() const { return m_hasText; }

    // A file above the large-file size is read only once this is set.
    void allowLargeFile() { m_largeAllowed = true; }
    bool largeFileAllowed() const { return m_largeAllowed; }

    // The text as it will be written, with '\n' between lines (non-breaking
    // spaces and other characters kept as they are).
    QString text() const;

    // Reads the file (in `encoding` when given, else as the bytes say) and
    // takes its text: the whole text on the first read (not undoable), later
    // only the part that differs (undoable, and the rest of the document
    // with the caret stays). The document is then unmodified and the same
    // as the disk. On failure nothing changes; the result says why.
    TextFileContents read(const QString& encoding = QString());
    // The two halves of read(): the file's bytes decoded (nothing changes
    // here), and the text taken as read() takes it. An editor that is made
    // for a first read can so be in place before the text arrives.
    TextFileContents readFile(const QString& encoding = QString()) const;
    void take(const TextFileContents& contents);

    // Compares the file with the disk and follows it: a file another program
    // changed is read again at once when the document holds no edits; with
    // edits the state becomes ChangedOutside until the user chooses. A file
    // removed from its path is Gone, and Same again if it comes back as it
    // was (or is replaced while nothing was edited). Returns the state.
    DiskState checkDisk();

    // Writes the text to the file atomically, in its encoding, byte-order
    // mark and line ends. A text the encoding cannot hold writes nothing
    // (`firstBad` gets the index of the first such character, -1 otherwise).
    // On success the document is unmodified, the same as the disk, the next
    // keystroke starts a new undo step, and saved() is emitted.
    bool save(QString* error, qsizetype* firstBad = nullptr);

    // Replaces the whole text on the program's behalf, as if read: not
    // undoable, and the document is unmodified afterwards.
    void setText(const QString& text, const TextFormat& format);
    // Brings the text to `text` by replacing only the part that differs:
    // not a user edit, though it can be undone like one.
    void updateText(const QString& text, const TextFormat& format);
    // Ends the current undo step and marks the text as unmodified (saved
    // outside this document's own save, or nothing needed writing).
    void markSaved();

Q_SIGNALS:
    // The text was written to `path`.
    void saved(const QString& path);
    // Another program changed the file while the document held edits.
    void changedOnDisk();
    // The file is gone from its path.
    void gone();
    // diskState() changed (to any state).
    void diskStateChanged();
    // The text was taken from the disk (first read, reload, reopen).
    void textRead();
    // The program is about to replace the old text's [from, to) (-1 when
    // nothing differs), and has replaced it: an editor keeps its caret and
    // scroll position across the change.
    void programReplacing(qsizetype from, qsizetype to);
    void programReplaced();
    // The whole text was replaced (setText): an editor starts at its top.
    void textReset();
    // The user changed the text (typing, pasting, undo…): `added`
    // characters now stand at `position` in place of `removed` ones.
    void userChanged(int position, int removed, int added);
    // The text became modified through the user's edit.
    void userModified();

private:
    void onContentsChange(int position, int removed, int added);
    void setDiskState(DiskState state);

    QTextDocument* m_doc;
    QString m_path;
    TextFormat m_format;
    FileStamp m_stamp;
    DiskState m_disk = DiskState::Same;
    bool m_hasText = false;
    bool m_largeAllowed = false;
    // The text as last read from or written to the file, while the document
    // still holds exactly that: a change on disk is then compared with it
    // without taking the text out of a large document.
    QString m_diskText;
    bool m_diskTextValid = false;
    int m_blockCount = 1;
    bool m_programEdit = false;
};

} // namespace morvane
