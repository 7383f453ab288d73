#include "editor/textdocument.h"

#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace morvane {

TextDocument::TextDocument(const QString& path, QObject* parent)
    : QObject(parent), m_doc(new QTextDocument(this)), m_path(path) {
    // Laid out as plain text, the way the editor shows it.
    m_doc->setDocumentLayout(new QPlainTextDocumentLayout(m_doc));
    connect(m_doc, &QTextDocument::contentsChange, this, &TextDocument::onContentsChange);
    connect(m_doc, &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (modified && !m_programEdit)
            Q_EMIT userModified();
    });
}

TextDocument::~TextDocument() {
    disconnect(m_doc, nullptr, this, nullptr);
}

bool TextDocument::isModified() const {
    return m_doc->isModified();
}

void TextDocument::setModified(bool modified) {
    m_doc->setModified(modified);
}

QString TextDocument::text() const {
    // toPlainText() would turn non-breaking spaces into spaces; the raw text
    // keeps every character and only needs its paragraph breaks turned back.
    QString text = m_doc->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

TextFileContents TextDocument::readFile(const QString& encoding) const {
    const std::int64_t limit = m_largeAllowed ? -1 : kLargeFileBytes;
    return encoding.isEmpty() ? readTextFile(m_path, limit)
                              : readTextFileAs(m_path, encoding, limit);
}

TextFileContents TextDocument::read(const QString& encoding) {
    TextFileContents c = readFile(encoding);
    if (c.ok)
        take(c);
    return c;
}

void TextDocument::take(const TextFileContents& contents) {
    if (m_hasText)
        updateText(contents.text, contents.format);
    else
        setText(contents.text, contents.format);
    m_stamp = contents.stamp;
    setDiskState(DiskState::Same);
    Q_EMIT textRead();
}

void TextDocument::setDiskState(DiskState state) {
    if (state == m_disk)
        return;
    m_disk = state;
    if (state == DiskState::ChangedOutside)
        Q_EMIT changedOnDisk();
    else if (state == DiskState::Gone)
        Q_EMIT gone();
    Q_EMIT diskStateChanged();
}

TextDocument::DiskState TextDocument::checkDisk() {
    if (!m_hasText || m_path.isEmpty())
        return m_disk;
    const FileStamp now = stampOf(m_path);
    if (!now.exists) {
        setDiskState(DiskState::Gone);
    } else if (now == m_stamp) {
        if (m_disk == DiskState::Gone)
            setDiskState(DiskState::Same); // moved away and back unchanged
    } else if (!isModified() && m_disk != DiskState::ChangedOutside) {
        // Nothing of the user's to lose: take the file as it now is. A file
        // that can no longer be read as text keeps the text for now; the
        // next change or check tries again.
        read();
    } else {
        setDiskState(DiskState::ChangedOutside);
    }
    return m_disk;
}

bool TextDocument::save(QString* error, qsizetype* firstBad) {
    if (firstBad)
        *firstBad = -1;
    const QString now = text();
    QByteArray bytes;
    qsizetype bad = -1;
    // Never bytes that would read back as something else.
    if (!encodeText(now, m_format, &bytes, &bad)) {
        if (firstBad)
            *firstBad = bad;
        return false;
    }
    if (!writeFileAtomically(m_path, bytes, error))
        return false;
    m_diskText = now;
    m_diskTextValid = true;
    m_stamp = stampOf(m_path);
    setDiskState(DiskState::Same);
    markSaved();
    Q_EMIT saved(m_path);
    return true;
}

void TextDocument::markSaved() {
    // Ends undo coalescing: the next keystroke starts a new undo step.
    QTextCursor c(m_doc);
    c.beginEditBlock();
    c.endEditBlock();
    m_doc->setModified(false);
}

void TextDocument::setText(const QString& text, const TextFormat& format) {
    m_programEdit = true;
    m_format = format;
    m_diskText = text;
    m_diskTextValid = true;
    // setPlainText resets the undo history.
    m_doc->setPlainText(text);
    m_blockCount = m_doc->blockCount();
    m_doc->setModified(false);
    m_hasText = true;
    m_programEdit = false;
    Q_EMIT textReset();
}

void TextDocument::updateText(const QString& text, const TextFormat& format) {
    const QString old = m_diskTextValid ? m_diskText : this->text();
    const QStringView a(old), b(text);
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(a.size(), b.size());
    while (prefix < shorter && a[prefix] == b[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    const bool differs = prefix != a.size() || prefix != b.size();

    Q_EMIT programReplacing(differs ? prefix : -1, differs ? a.size() - suffix : -1);
    m_programEdit = true;
    m_format = format;
    if (differs) {
        // Only the part that differs is replaced: the rest of the document,
        // with a caret outside the change, stays as it is.
        QTextCursor c(m_doc);
        c.setPosition(int(prefix));
        c.setPosition(int(a.size() - suffix), QTextCursor::KeepAnchor);
        c.insertText(b.sliced(prefix, b.size() - prefix - suffix).toString());
    }
    m_blockCount = m_doc->blockCount();
    m_doc->setModified(false);
    m_diskText = text;
    m_diskTextValid = true;
    m_hasText = true;
    m_programEdit = false;
    Q_EMIT programReplaced();
}

void TextDocument::onContentsChange(int position, int removed, int added) {
    // Keep the recorded line ends lined up with the lines: a new line takes
    // the file's usual end, a joined line drops the end between the two.
    const int count = m_doc->blockCount();
    const int delta = count - m_blockCount;
    m_blockCount = count;
    if (m_programEdit)
        return;
    m_diskTextValid = false;
    m_diskText.clear();
    auto& ends = m_format.lineEnds;
    const size_t line = size_t(std::max(0, m_doc->findBlock(position).blockNumber()));
    if (delta > 0) {
        const size_t at = std::min(line, ends.size());
        ends.insert(ends.begin() + ptrdiff_t(at), size_t(delta), m_format.defaultLineEnd);
    } else if (delta < 0 && line < ends.size()) {
        const size_t n = std::min(size_t(-delta), ends.size() - line);
        ends.erase(ends.begin() + ptrdiff_t(line), ends.begin() + ptrdiff_t(line + n));
    }
    Q_EMIT userChanged(position, removed, added);
}

} // namespace morvane
