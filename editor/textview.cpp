#include "editor/textview.h"

#include "editor/editingcommands.h"
#include "editor/linenumberruler.h"
#include "editor/preferences.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>

namespace morvane {

TextView::TextView(const Preferences* prefs, QWidget* parent)
    : QPlainTextEdit(parent), m_prefs(prefs), m_ruler(new LineNumberRuler(this, this)),
      m_autoIndenter(new AutoIndenter(this, prefs)) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFrameShape(QFrame::NoFrame);
    setEditorFont(m_prefs ? m_prefs->font() : font());
    document()->setDocumentMargin(4);

    connect(m_ruler, &LineNumberRuler::ruleThicknessChanged, this, [this] { placeRuler(); });
    connect(document(), &QTextDocument::contentsChange, this, &TextView::onContentsChange);
    connect(document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (modified && !m_programEdit)
            Q_EMIT userEdited();
    });
    placeRuler();
}

TextView::~TextView() {
    disconnect(document(), nullptr, this, nullptr);
    // Helpers attached to the editor (the syntax colourer) go first, while the
    // editor is still whole: its viewport sends events as it is taken down.
    const QObjectList kids = children();
    for (QObject* child : kids)
        if (!child->isWidgetType())
            delete child;
}

void TextView::setTextFromProgram(const QString& text, const TextFormat& format) {
    m_programEdit = true;
    m_format = format;
    m_diskText = text;
    m_diskTextValid = true;
    // setPlainText resets the undo history and the modified flag.
    setPlainText(text);
    m_blockCount = document()->blockCount();
    document()->setModified(false);
    m_programEdit = false;
}

void TextView::updateTextFromProgram(const QString& text, const TextFormat& format) {
    const QString old = m_diskTextValid ? m_diskText : textForSaving();
    const QStringView a(old), b(text);
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(a.size(), b.size());
    while (prefix < shorter && a[prefix] == b[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;

    // Where the user was: the caret's line (its number, text and column)
    // and the scroll position.
    const QTextCursor before = textCursor();
    const QTextBlock caretBlock = before.block();
    const int caretLine = caretBlock.blockNumber();
    const QString caretLineText = caretBlock.text();
    const int caretColumn = before.positionInBlock();
    const bool caretInChange =
        before.position() >= prefix && before.position() <= a.size() - suffix;
    const int scrollV = verticalScrollBar()->value();
    const int scrollH = horizontalScrollBar()->value();

    m_programEdit = true;
    m_format = format;
    if (prefix != a.size() || prefix != b.size()) {
        // Only the part that differs is replaced: the rest of the document,
        // with the caret when it lies outside the change, stays as it is.
        QTextCursor c(document());
        c.setPosition(int(prefix));
        c.setPosition(int(a.size() - suffix), QTextCursor::KeepAnchor);
        c.insertText(b.sliced(prefix, b.size() - prefix - suffix).toString());
    }
    m_blockCount = document()->blockCount();
    document()->setModified(false);
    m_diskText = text;
    m_diskTextValid = true;
    m_programEdit = false;

    if (caretInChange && (prefix != a.size() || prefix != b.size())) {
        // The caret's line was inside the change: find the same line nearest
        // to where it was, else stay at that line number.
        const int lines = document()->blockCount();
        QTextBlock found;
        for (int d = 0; d < lines && !found.isValid(); ++d) {
            for (int n : {caretLine - d, caretLine + d}) {
                const QTextBlock blk = document()->findBlockByNumber(n);
                if (n >= 0 && blk.isValid() && blk.text() == caretLineText) {
                    found = blk;
                    break;
                }
            }
            if (d > 2000)
                break;
        }
        if (!found.isValid())
            found = document()->findBlockByNumber(std::min(caretLine, lines - 1));
        QTextCursor c(found);
        c.setPosition(found.position() + std::min(caretColumn, found.length() - 1));
        setTextCursor(c);
    }
    verticalScrollBar()->setValue(scrollV);
    horizontalScrollBar()->setValue(scrollH);
}

QString TextView::textForSaving() const {
    // toPlainText() would turn non-breaking spaces into spaces; the raw text
    // keeps every character and only needs its paragraph breaks turned back.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void TextView::noteWritten(const QString& text) {
    m_diskText = text;
    m_diskTextValid = true;
}

void TextView::markSaved() {
    // Ends undo coalescing: the next keystroke starts a new undo step.
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.endEditBlock();
    document()->setModified(false);
}

void TextView::onContentsChange(int position, int removed, int added) {
    // Keep the recorded line ends lined up with the lines: a new line takes
    // the file's usual end, a joined line drops the end between the two.
    const int count = document()->blockCount();
    const int delta = count - m_blockCount;
    m_blockCount = count;
    if (!m_programEdit) {
        m_diskTextValid = false;
        m_diskText.clear();
    }
    if (added > 0 && !m_programEdit)
        Q_EMIT userInserted(position, added);
    if (!m_programEdit)
        m_autoIndenter->noteUserChange(position, removed, added);
    if (delta == 0 || m_programEdit)
        return;
    auto& ends = m_format.lineEnds;
    const size_t line = size_t(std::max(0, document()->findBlock(position).blockNumber()));
    if (delta > 0) {
        const size_t at = std::min(line, ends.size());
        ends.insert(ends.begin() + ptrdiff_t(at), size_t(delta), m_format.defaultLineEnd);
    } else if (line < ends.size()) {
        const size_t n = std::min(size_t(-delta), ends.size() - line);
        ends.erase(ends.begin() + ptrdiff_t(line), ends.begin() + ptrdiff_t(line + n));
    }
}

void TextView::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    Q_EMIT editingEnded();
}

void TextView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backtab) {
        outdentSelection();
        return;
    }
    if (event->key() == Qt::Key_Tab && textCursor().hasSelection() &&
        textCursor().selectedText().contains(QChar::ParagraphSeparator)) {
        indentSelection();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TextView::indentSelection() {
    editing::indent(*this);
}
void TextView::outdentSelection() {
    editing::outdent(*this);
}

void TextView::setEditorFont(const QFont& font) {
    setFont(font);
    setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 4);
}

void TextView::placeRuler() {
    const int width = m_ruler->ruleThickness();
    setViewportMargins(width, 0, 0, 0);
    const QRect cr = contentsRect();
    m_ruler->setGeometry(QRect(cr.left(), cr.top(), width, cr.height()));
}

void TextView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    placeRuler();
}

} // namespace morvane
