#include "editor/textview.h"

#include "editor/prefscontroller.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

namespace morvane {

class LineNumberGutter : public QWidget {
public:
    explicit LineNumberGutter(TextView* view) : QWidget(view), m_view(view) {}
    QSize sizeHint() const override { return QSize(m_view->lineNumberGutterWidth(), 0); }

protected:
    void paintEvent(QPaintEvent* event) override { m_view->paintGutter(event); }

private:
    TextView* m_view;
};

TextView::TextView(const PrefsController* prefs, QWidget* parent)
    : QPlainTextEdit(parent), m_prefs(prefs), m_gutter(new LineNumberGutter(this)) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFrameShape(QFrame::NoFrame);
    if (m_prefs)
        setFont(m_prefs->font());
    setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')) * 4);
    document()->setDocumentMargin(4);

    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { updateGutterWidth(); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy)
            m_gutter->scroll(0, dy);
        else
            m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
    });
    connect(document(), &QTextDocument::contentsChange, this, &TextView::onContentsChange);
    connect(document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (modified && !m_programEdit)
            Q_EMIT userEdited();
    });
    updateGutterWidth();
}

TextView::~TextView() {
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

void TextView::onContentsChange(int position, int /*removed*/, int added) {
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
    const bool plainReturn = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                             !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plainReturn && m_prefs && m_prefs->autoIndent()) {
        // Auto-indent: the new line starts with the white space that begins
        // the line the cursor was on.
        const QString line = textCursor().block().text();
        qsizetype n = 0;
        while (n < line.size() && (line[n] == u' ' || line[n] == u'\t'))
            ++n;
        const int column = textCursor().positionInBlock();
        QTextCursor c = textCursor();
        c.beginEditBlock();
        c.insertText(QStringLiteral("\n") + line.left(std::min<qsizetype>(n, column)));
        c.endEditBlock();
        setTextCursor(c);
        ensureCursorVisible();
        return;
    }
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
    shiftSelectedLines(true);
}
void TextView::outdentSelection() {
    shiftSelectedLines(false);
}

void TextView::shiftSelectedLines(bool indent) {
    QTextCursor sel = textCursor();
    QTextBlock first = document()->findBlock(sel.selectionStart());
    QTextBlock last = document()->findBlock(sel.selectionEnd());
    // A selection that ends at the start of a line does not include that line.
    if (sel.hasSelection() && last.position() == sel.selectionEnd() && last != first)
        last = last.previous();
    QTextCursor c(document());
    c.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        c.setPosition(b.position());
        if (indent) {
            c.insertText(QStringLiteral("\t"));
        } else {
            const QString t = b.text();
            int remove = 0;
            if (t.startsWith(u'\t'))
                remove = 1;
            else
                while (remove < 4 && remove < t.size() && t[remove] == u' ')
                    ++remove;
            c.setPosition(b.position() + remove, QTextCursor::KeepAnchor);
            c.removeSelectedText();
        }
        if (b == last)
            break;
    }
    c.endEditBlock();
}

int TextView::lineNumberGutterWidth() const {
    int digits = 1;
    for (int max = std::max(1, blockCount()); max >= 10; max /= 10)
        ++digits;
    digits = std::max(digits, 3);
    return 10 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void TextView::updateGutterWidth() {
    setViewportMargins(lineNumberGutterWidth(), 0, 0, 0);
}

void TextView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect cr = contentsRect();
    m_gutter->setGeometry(QRect(cr.left(), cr.top(), lineNumberGutterWidth(), cr.height()));
}

void TextView::paintGutter(QPaintEvent* event) {
    QPainter painter(m_gutter);
    const QPalette pal = palette();
    painter.fillRect(event->rect(), pal.color(QPalette::Window));
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(m_gutter->width() - 1, event->rect().top(), m_gutter->width() - 1,
                     event->rect().bottom());

    QTextBlock block = firstVisibleBlock();
    int number = block.blockNumber();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    qreal bottom = top + blockBoundingRect(block).height();
    painter.setPen(pal.color(QPalette::PlaceholderText));
    const int h = fontMetrics().height();
    while (block.isValid() && top <= event->rect().bottom()) {
        if (block.isVisible() && bottom >= event->rect().top())
            painter.drawText(0, int(top), m_gutter->width() - 6, h, Qt::AlignRight,
                             QString::number(number + 1));
        block = block.next();
        top = bottom;
        bottom = top + blockBoundingRect(block).height();
        ++number;
    }
}

} // namespace morvane
