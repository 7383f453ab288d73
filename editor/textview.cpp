#include "editor/textview.h"

#include "editor/editingcommands.h"
#include "editor/linenumberruler.h"
#include "editor/preferences.h"
#include "editor/textdocument.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>

namespace morvane {

TextView::TextView(const Preferences* prefs, QWidget* parent) : TextView(prefs, nullptr, parent) {}

TextView::TextView(const Preferences* prefs, TextDocument* shown, QWidget* parent)
    : QPlainTextEdit(parent), m_prefs(prefs),
      m_document(shown ? shown : new TextDocument(QString(), this)) {
    // Shown for the editor's whole life: the plain-text layout remembers the
    // editor that shows it.
    setDocument(m_document->document());
    m_ruler = new LineNumberRuler(this, this);
    m_autoIndenter = new AutoIndenter(this, prefs);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFrameShape(QFrame::NoFrame);
    setEditorFont(m_prefs ? m_prefs->font() : font());
    document()->setDocumentMargin(4);

    connect(m_ruler, &LineNumberRuler::ruleThicknessChanged, this, [this] { placeRuler(); });
    connect(m_document, &TextDocument::userChanged, this,
            [this](int position, int removed, int added) {
                if (added > 0)
                    Q_EMIT userInserted(position, added);
                m_autoIndenter->noteUserChange(position, removed, added);
            });
    connect(m_document, &TextDocument::userModified, this, &TextView::userEdited);
    connect(m_document, &TextDocument::programReplacing, this, &TextView::rememberPlace);
    connect(m_document, &TextDocument::programReplaced, this, &TextView::restorePlace);
    connect(m_document, &TextDocument::textReset, this, [this] {
        setTextCursor(QTextCursor(document()));
        verticalScrollBar()->setValue(0);
        horizontalScrollBar()->setValue(0);
    });
    placeRuler();
}

TextView::~TextView() {
    disconnect(m_document, nullptr, this, nullptr);
    // Helpers attached to the editor (the syntax colourer) go first, while the
    // editor is still whole: its viewport sends events as it is taken down.
    // A document given to the editor to take along goes after it, with the
    // editor's children.
    const QObjectList kids = children();
    for (QObject* child : kids)
        if (!child->isWidgetType() && !qobject_cast<TextDocument*>(child))
            delete child;
}

void TextView::setTextFromProgram(const QString& text, const TextFormat& format) {
    m_document->setText(text, format);
}

void TextView::updateTextFromProgram(const QString& text, const TextFormat& format) {
    m_document->updateText(text, format);
}

void TextView::rememberPlace(qsizetype from, qsizetype to) {
    const QTextCursor before = textCursor();
    const QTextBlock caretBlock = before.block();
    m_place.line = caretBlock.blockNumber();
    m_place.lineText = caretBlock.text();
    m_place.column = before.positionInBlock();
    m_place.inChange = from >= 0 && before.position() >= from && before.position() <= to;
    m_place.scrollV = verticalScrollBar()->value();
    m_place.scrollH = horizontalScrollBar()->value();
}

void TextView::restorePlace() {
    QTextDocument* doc = document();
    if (m_place.inChange) {
        // The caret's line was inside the change: find the same line nearest
        // to where it was, else stay at that line number.
        const int caretLine = m_place.line;
        const int lines = doc->blockCount();
        QTextBlock found;
        for (int d = 0; d < lines && !found.isValid(); ++d) {
            for (int n : {caretLine - d, caretLine + d}) {
                const QTextBlock blk = doc->findBlockByNumber(n);
                if (n >= 0 && blk.isValid() && blk.text() == m_place.lineText) {
                    found = blk;
                    break;
                }
            }
            if (d > 2000)
                break;
        }
        if (!found.isValid())
            found = doc->findBlockByNumber(std::min(caretLine, lines - 1));
        QTextCursor c(found);
        c.setPosition(found.position() + std::min(m_place.column, found.length() - 1));
        setTextCursor(c);
    }
    verticalScrollBar()->setValue(m_place.scrollV);
    horizontalScrollBar()->setValue(m_place.scrollH);
    m_place = Place();
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
