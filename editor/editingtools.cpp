#include "editor/editingtools.h"

#include "editor/commenttoggle.h"
#include "editor/completionwords.h"
#include "editor/navigation.h"
#include "editor/webcontext.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

namespace morvane {

namespace {

// How far back the scans for language and open elements begin, and how far
// the partner of a bracket is looked for: enough for any page written by
// hand, while a keystroke in a very large file stays quick.
constexpr int kContextBack = 100000;
constexpr int kMatchReach = 20000;
// How far around the caret the words of the file are taken for completion.
constexpr int kWordsReach = 30000;
// Marks the extra selections that show matching brackets, so that other
// highlights (the find bar's) are kept when they change.
constexpr int kMatchMarker = QTextFormat::UserProperty + 23;

} // namespace

EditingTools::EditingTools(QPlainTextEdit* view) : QObject(view), m_view(view) {
    view->installEventFilter(this);
    connect(view, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        updateMatchHighlight();
        const int pos = m_view->textCursor().position();
        if (pos != m_echoAt)
            m_echo.clear();
        if (!m_addedStart.isNull() &&
            (pos < m_addedStart.position() || pos > m_addedEnd.position() ||
             m_addedStart.position() >= m_addedEnd.position()))
            m_addedStart = m_addedEnd = QTextCursor();
        if (completionShown() && m_view->textCursor().position() < m_prefixStart)
            hideCompletion();
    });
}

// The list is a child of the view and goes with it (the view takes its
// helpers down first, while it still holds the list).
EditingTools::~EditingTools() = default;

EditingTools* EditingTools::of(QPlainTextEdit* view) {
    if (auto* tools = view->findChild<EditingTools*>(QString(), Qt::FindDirectChildrenOnly))
        return tools;
    return new EditingTools(view);
}

QString EditingTools::textRange(int from, int to) const {
    QTextCursor c(m_view->document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    QString text = c.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

int EditingTools::windowStart(int pos, int back) const {
    return m_view->document()->findBlock(std::max(0, pos - back)).position();
}

bool EditingTools::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_view)
        return false;
    if (event->type() == QEvent::FocusOut) {
        hideCompletion();
        return false;
    }
    if (event->type() != QEvent::KeyPress || m_view->isReadOnly())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (completionShown()) {
        const int rows = m_list->count();
        int row = m_list->currentRow();
        switch (key->key()) {
        case Qt::Key_Escape:
            hideCompletion();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
            if (key->modifiers() & ~Qt::KeypadModifier)
                break;
            acceptCompletion();
            return true;
        case Qt::Key_Down:
        case Qt::Key_Up:
        case Qt::Key_PageDown:
        case Qt::Key_PageUp: {
            const int page = std::max(1, m_list->height() / std::max(1, m_list->sizeHintForRow(0)));
            const int step = key->key() == Qt::Key_Down       ? 1
                             : key->key() == Qt::Key_Up       ? -1
                             : key->key() == Qt::Key_PageDown ? page
                                                              : -page;
            row = std::clamp(row + step, 0, rows - 1);
            m_list->setCurrentRow(row);
            return true;
        }
        default:
            break;
        }
    }
    const QString text = key->text();
    const bool plain =
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && text.size() == 1 && typeOver(text.at(0)))
        return true;
    if (plain && m_closeTags && text == QLatin1String(">") && typeGreaterThan())
        return true;
    if (plain && m_closeTags && text == QLatin1String("/") && typeSlash())
        return true;
    // Let the editor type the key, then follow it with the list.
    const bool typing = plain && !text.isEmpty() && text.at(0).isPrint();
    const bool erasing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete;
    if (!typing && !erasing)
        return false;
    static_cast<QObject*>(m_view.data())->event(event);
    if (m_view)
        updateCompletion(typing);
    return true;
}

bool EditingTools::typeGreaterThan() {
    QTextCursor cursor = m_view->textCursor();
    if (cursor.hasSelection())
        return false;
    const int pos = cursor.position();
    const int from = windowStart(pos, kContextBack);
    const int after = std::min(pos + 200, m_view->document()->characterCount() - 1);
    const QString endTag =
        webtext::endTagForGreaterThan(textRange(from, pos), textRange(pos, after));
    if (endTag.isEmpty())
        return false;
    hideCompletion();
    // The '>' and the end tag are one step of Undo, apart from what was
    // typed before.
    cursor.beginEditBlock();
    cursor.endEditBlock();
    cursor.beginEditBlock();
    cursor.insertText(QStringLiteral(">") + endTag);
    cursor.endEditBlock();
    cursor.setPosition(pos + 1);
    m_view->setTextCursor(cursor);
    rememberAdded(pos + 1, pos + 1 + int(endTag.size()));
    return true;
}

bool EditingTools::typeSlash() {
    QTextCursor cursor = m_view->textCursor();
    const int pos = cursor.position();
    if (cursor.hasSelection() || pos == 0 || m_view->document()->characterAt(pos - 1) != u'<')
        return false;
    const QString rest =
        webtext::endTagCompletionForSlash(textRange(windowStart(pos, kContextBack), pos));
    if (rest.isEmpty())
        return false;
    hideCompletion();
    const int end = std::min(pos + 2 + int(rest.size()), m_view->document()->characterCount() - 1);
    if (textRange(pos, end) == QStringLiteral("</") + rest) {
        // The same end tag follows (added when its start tag was typed):
        // the typed '<' joins it, and the rest of it is typed over.
        cursor.beginEditBlock();
        cursor.endEditBlock();
        cursor.beginEditBlock();
        cursor.deletePreviousChar();
        cursor.endEditBlock();
        cursor.setPosition(pos + 1);
        m_view->setTextCursor(cursor);
        rememberAdded(pos + 1, pos + 1 + int(rest.size()));
        return true;
    }
    cursor.beginEditBlock();
    cursor.endEditBlock();
    cursor.beginEditBlock();
    cursor.insertText(u'/' + rest);
    cursor.endEditBlock();
    m_view->setTextCursor(cursor);
    // Typing the name and '>' on, as if nothing had been added, adds nothing.
    m_echo = rest;
    m_echoAt = cursor.position();
    return true;
}

void EditingTools::rememberAdded(int from, int to) {
    m_addedStart = QTextCursor(m_view->document());
    m_addedStart.setPosition(from);
    m_addedEnd = QTextCursor(m_view->document());
    m_addedEnd.setPosition(to);
}

bool EditingTools::typeOver(QChar typed) {
    QTextCursor cursor = m_view->textCursor();
    const int pos = cursor.position();
    if (!m_echo.isEmpty()) {
        if (!cursor.hasSelection() && pos == m_echoAt && m_echo.front() == typed) {
            m_echo.remove(0, 1);
            return true;
        }
        m_echo.clear();
    }
    // A '<' typed before an added end tag may begin another tag: it is
    // typed (see typeSlash for "</" typed there).
    if (m_addedStart.isNull() || typed == u'<' || cursor.hasSelection() ||
        pos != m_addedStart.position() || pos >= m_addedEnd.position() ||
        m_view->document()->characterAt(pos) != typed)
        return false;
    m_addedStart.setPosition(pos + 1);
    cursor.setPosition(pos + 1);
    m_view->setTextCursor(cursor);
    hideCompletion();
    return true;
}

void EditingTools::toggleComment() {
    if (m_view->isReadOnly())
        return;
    QTextCursor cursor = m_view->textCursor();
    const int selStart = cursor.selectionStart();
    const int selEnd = cursor.selectionEnd();
    const int from = windowStart(selStart, kContextBack);
    // Some text after the lines too: the end of a comment they are inside.
    const int to = std::min(selEnd + kContextBack, m_view->document()->characterCount() - 1);
    const QString text = textRange(from, to);
    const auto changes =
        webtext::toggleComment(text, selStart - from, selEnd - from, cursor.position() - from);
    if (changes.empty())
        return;
    QTextCursor edit(m_view->document());
    edit.beginEditBlock();
    for (const TextChange& c : changes) {
        edit.setPosition(from + int(c.position));
        edit.setPosition(from + int(c.position + c.removed), QTextCursor::KeepAnchor);
        edit.insertText(c.inserted);
    }
    edit.endEditBlock();
}

void EditingTools::goToLine(int line, int column) {
    QTextDocument* doc = m_view->document();
    const QTextBlock block = doc->findBlockByNumber(std::clamp(line, 1, doc->blockCount()) - 1);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + std::clamp(column, 1, block.length()) - 1);
    m_view->setTextCursor(cursor);
    m_view->centerCursor();
}

bool EditingTools::goToMatching() {
    const int pos = m_view->textCursor().position();
    const int from = std::max(0, pos - kMatchReach);
    const int to = std::min(pos + kMatchReach, m_view->document()->characterCount() - 1);
    const auto match = webtext::matchAt(textRange(from, to), pos - from);
    if (!match)
        return false;
    QTextCursor cursor = m_view->textCursor();
    cursor.setPosition(from + int(match->jumpTo));
    m_view->setTextCursor(cursor);
    return true;
}

void EditingTools::updateMatchHighlight() {
    QList<QTextEdit::ExtraSelection> kept;
    for (const QTextEdit::ExtraSelection& s : m_view->extraSelections())
        if (!s.format.hasProperty(kMatchMarker))
            kept.append(s);
    const int pos = m_view->textCursor().position();
    const int from = std::max(0, pos - kMatchReach);
    const int to = std::min(pos + kMatchReach, m_view->document()->characterCount() - 1);
    const bool had = kept.size() != m_view->extraSelections().size();
    const auto match = m_view->textCursor().hasSelection()
                           ? std::nullopt
                           : webtext::matchAt(textRange(from, to), pos - from);
    if (!match && !had)
        return;
    if (match) {
        QTextCharFormat format;
        format.setBackground(m_view->palette().color(QPalette::Highlight).lighter(160));
        format.setProperty(kMatchMarker, true);
        for (const auto& [at, length] : {std::pair{match->at, match->atLength},
                                         std::pair{match->partner, match->partnerLength}}) {
            QTextEdit::ExtraSelection s;
            s.cursor = QTextCursor(m_view->document());
            s.cursor.setPosition(from + int(at));
            s.cursor.setPosition(from + int(at + length), QTextCursor::KeepAnchor);
            s.format = format;
            kept.append(s);
        }
    }
    m_view->setExtraSelections(kept);
}

QListWidget* EditingTools::completionList() const {
    return m_list;
}

bool EditingTools::completionShown() const {
    return m_list && m_list->isVisible();
}

void EditingTools::showCompletions() {
    if (m_view->isReadOnly())
        return;
    updateCompletion(false);
    if (!completionShown()) {
        // Asked for on purpose: show the list even for an empty word.
        m_prefixStart = -2;
        updateCompletion(true);
    }
}

void EditingTools::updateCompletion(bool typed) {
    const int pos = m_view->textCursor().position();
    if (!typed && !completionShown() && m_prefixStart != -2) {
        return;
    }
    const bool forced = m_prefixStart == -2;
    const int from = windowStart(pos, kContextBack);
    const auto context = webtext::completionContextAt(textRange(from, pos), pos - from);
    using Kind = webtext::CompletionContext::Kind;
    // The list opens by itself once a word has begun: after two characters
    // of a plain word, after one of a tag or attribute name.
    const bool markup = context.kind == Kind::ElementName || context.kind == Kind::AttributeName ||
                        context.kind == Kind::CssProperty;
    const qsizetype needed = markup ? 1 : 2;
    if (!forced &&
        (context.prefix.isEmpty() || (!completionShown() && context.prefix.size() < needed))) {
        hideCompletion();
        return;
    }
    // The words offered are those near the caret.
    const int wordsFrom = std::max(from, pos - kWordsReach);
    const int wordsTo = std::min(pos + kWordsReach, m_view->document()->characterCount() - 1);
    auto near = context;
    near.prefixStart -= wordsFrom - from;
    const QStringList choices = webtext::completionsFor(near, textRange(wordsFrom, wordsTo));
    if (choices.isEmpty()) {
        hideCompletion();
        return;
    }
    m_prefixStart = from + int(context.prefixStart);
    if (!m_list) {
        m_list = new QListWidget(m_view);
        m_list->setWindowFlags(Qt::ToolTip);
        m_list->setAttribute(Qt::WA_ShowWithoutActivating);
        m_list->setFocusPolicy(Qt::NoFocus);
        m_list->setObjectName(QStringLiteral("completionList"));
        m_list->setAccessibleName(tr("Completions"));
        m_list->setUniformItemSizes(true);
        connect(m_list, &QListWidget::itemClicked, this, [this] { acceptCompletion(); });
    }
    m_list->clear();
    m_list->addItems(choices);
    m_list->setCurrentRow(0);
    const int rows = std::min<int>(int(choices.size()), 10);
    const int rowHeight = std::max(1, m_list->sizeHintForRow(0));
    m_list->resize(std::max(180, m_list->sizeHintForColumn(0) + 30), rows * rowHeight + 6);
    const QRect caret = m_view->cursorRect();
    m_list->move(m_view->viewport()->mapToGlobal(caret.bottomLeft()));
    m_list->show();
}

void EditingTools::acceptCompletion() {
    QListWidgetItem* item = m_list ? m_list->currentItem() : nullptr;
    const int start = m_prefixStart;
    hideCompletion();
    if (!item || start < 0)
        return;
    QTextCursor cursor = m_view->textCursor();
    const int pos = cursor.position();
    if (start > pos)
        return;
    cursor.beginEditBlock();
    cursor.endEditBlock();
    cursor.beginEditBlock();
    cursor.setPosition(start);
    cursor.setPosition(pos, QTextCursor::KeepAnchor);
    cursor.insertText(item->text());
    cursor.endEditBlock();
    m_view->setTextCursor(cursor);
}

void EditingTools::hideCompletion() {
    m_prefixStart = -1;
    if (m_list)
        m_list->hide();
}

} // namespace morvane
