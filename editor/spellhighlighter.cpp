#include "editor/spellhighlighter.h"

#include "core/platform.h"
#include "editor/spellchecker.h"
#include "editor/syntaxcolourer.h"

#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>

namespace morvane {

namespace {

// What a block was checked as: its text then and the misspelt words in it
// (offsets in the block). Marks are drawn only while the text is unchanged.
class SpellBlockData : public QTextBlockUserData {
public:
    QString text;
    QList<QPair<int, int>> ranges;
};

SpellBlockData* dataOf(const QTextBlock& block) {
    return dynamic_cast<SpellBlockData*>(block.userData());
}

bool isProse(SyntaxRole role) {
    return role == SyntaxRole::None || role == SyntaxRole::Comment;
}

// Of the files that are not coloured, only those of plain prose are checked:
// style sheets, scripts and data would be all marks.
bool isProseFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"txt" || suffix == u"text" || suffix == u"md" || suffix == u"markdown";
}

} // namespace

SpellHighlighter::SpellHighlighter(QPlainTextEdit* editor, SyntaxColourer* colourer,
                                   SpellChecker* checker)
    : QObject(colourer), m_editor(editor), m_colourer(colourer), m_checker(checker) {
    m_format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    m_format.setUnderlineColor(QColor(220, 30, 30));
    colourer->setExtraRanges(
        [this](const QTextBlock& block, QList<QTextLayout::FormatRange>& ranges) {
            addExtraRanges(block, ranges);
        });
    // Every pass (an edit, a scroll, a resize) colours the visible text; its
    // words are checked right after, with the roles up to date.
    connect(colourer, &SyntaxColourer::passFinished, this, &SpellHighlighter::scheduleCheck);
    if (checker)
        connect(checker, &SpellChecker::wordsChanged, this, &SpellHighlighter::scheduleCheck);
    connect(
        editor->document(), &QTextDocument::contentsChange, this,
        [this](int position, int, int added) { m_typingAt = added > 0 ? position + added : -1; });
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_typingAt >= 0 && m_editor && m_editor->textCursor().position() != m_typingAt) {
            m_typingAt = -1;
            scheduleCheck(); // the word just typed is finished
        }
    });
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(editor, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!m_editor)
            return;
        // The menu belongs to the editor, which may go while the menu is open.
        QPointer<QMenu> menu = contextMenuAt(pos);
        menu->exec(m_editor ? m_editor->viewport()->mapToGlobal(pos) : pos);
        delete menu.data();
    });
}

SpellHighlighter::~SpellHighlighter() {
    if (m_colourer)
        m_colourer->setExtraRanges({});
}

SpellHighlighter* SpellHighlighter::of(const QPlainTextEdit* editor) {
    return editor ? editor->findChild<SpellHighlighter*>() : nullptr;
}

void SpellHighlighter::setEnabled(bool on) {
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (on)
        checkVisible();
    else
        clearMarks();
}

void SpellHighlighter::setChecker(SpellChecker* checker) {
    if (m_checker == checker)
        return;
    if (m_checker)
        disconnect(m_checker, nullptr, this, nullptr);
    m_checker = checker;
    if (checker)
        connect(checker, &SpellChecker::wordsChanged, this, &SpellHighlighter::scheduleCheck);
    scheduleCheck();
}

void SpellHighlighter::scheduleCheck() {
    if (!m_enabled || m_pending)
        return;
    // Not inside the pass: the editor's layout is not updated yet during an
    // edit, and the visible lines cannot be asked for.
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        checkVisible();
    });
}

QList<QPair<int, int>> SpellHighlighter::misspeltIn(const QTextBlock& block) const {
    QList<QPair<int, int>> out;
    if (!m_checker || !m_colourer)
        return out;
    if (!m_colourer->isColourable() && !isProseFile(m_colourer->filePath()))
        return out;
    const QString text = block.text();
    const qint64 bpos = block.position();
    const AttributeStore& store = m_colourer->store();
    const bool typing = m_typingAt >= 0 && m_editor && m_editor->hasFocus() &&
                        m_editor->textCursor().position() == m_typingAt;
    store.forEachRun(bpos, bpos + text.size(),
                     [&](std::int64_t start, std::int64_t length, SyntaxRole role, bool) {
                         if (!isProse(role))
                             return;
                         // CSS and JavaScript: only their comments are prose.
                         if (role == SyntaxRole::None &&
                             (m_colourer->isCodeFile() || store.isCode(start)))
                             return;
                         const qsizetype from = qsizetype(start - bpos);
                         const QStringView piece = QStringView(text).sliced(from, length);
                         for (const WordSpan& w : wordsToCheck(piece)) {
                             if (typing && bpos + from + w.start + w.length == m_typingAt)
                                 continue;
                             if (!m_checker->isCorrect(piece.sliced(w.start, w.length)))
                                 out.append({int(from + w.start), int(w.length)});
                         }
                     });
    return out;
}

void SpellHighlighter::checkVisible() {
    if (!m_enabled || !m_editor || !m_colourer)
        return;
    const std::pair<qint64, qint64> vis = m_colourer->visibleRange();
    if (vis.first < 0)
        return;
    QTextDocument* doc = m_editor->document();
    QTextBlock b = doc->findBlock(int(vis.first));
    const QTextBlock last = doc->findBlock(int(vis.first + vis.second));
    for (; b.isValid(); b = b.next()) {
        const QList<QPair<int, int>> ranges = misspeltIn(b);
        SpellBlockData* data = dataOf(b);
        const QString text = b.text();
        const bool wasShown = data && data->text == text && !data->ranges.isEmpty();
        if (ranges.isEmpty() && !data) {
            // nothing marked before, nothing now
        } else {
            if (!data) {
                data = new SpellBlockData;
                b.setUserData(data); // the block owns it
            }
            const bool same = data->text == text && data->ranges == ranges;
            data->text = text;
            data->ranges = ranges;
            if (!same && (wasShown || !ranges.isEmpty()))
                m_colourer->redrawBlock(b);
        }
        if (b == last)
            break;
    }
}

void SpellHighlighter::clearMarks() {
    if (!m_editor || !m_colourer)
        return;
    for (QTextBlock b = m_editor->document()->begin(); b.isValid(); b = b.next()) {
        if (SpellBlockData* data = dataOf(b); data && !data->ranges.isEmpty()) {
            data->ranges.clear();
            m_colourer->redrawBlock(b);
        }
    }
}

void SpellHighlighter::addExtraRanges(const QTextBlock& block,
                                      QList<QTextLayout::FormatRange>& ranges) const {
    if (!m_enabled)
        return;
    const SpellBlockData* data = dataOf(block);
    if (!data || data->ranges.isEmpty() || data->text != block.text())
        return;
    for (const auto& [start, length] : data->ranges) {
        QTextLayout::FormatRange r;
        r.start = start;
        r.length = length;
        r.format = m_format;
        ranges.append(r);
    }
}

QList<QPair<int, int>> SpellHighlighter::markedRanges() const {
    QList<QPair<int, int>> out;
    if (!m_editor || !m_enabled)
        return out;
    for (QTextBlock b = m_editor->document()->begin(); b.isValid(); b = b.next()) {
        const SpellBlockData* data = dataOf(b);
        if (!data || data->text != b.text())
            continue;
        for (const auto& [start, length] : data->ranges)
            out.append({b.position() + start, length});
    }
    return out;
}

QMenu* SpellHighlighter::contextMenuAt(const QPoint& pos) {
    QMenu* menu = m_editor->createStandardContextMenu(pos);
    if (!m_enabled || !m_checker)
        return menu;
    const QTextCursor at = m_editor->cursorForPosition(pos);
    const QTextBlock block = at.block();
    const SpellBlockData* data = dataOf(block);
    if (!data || data->text != block.text())
        return menu;
    const int column = at.positionInBlock();
    for (const QPair<int, int>& range : data->ranges) {
        // Plain names: lambdas below capture them.
        const int start = range.first;
        const int length = range.second;
        if (column < start || column > start + length)
            continue;
        const int from = block.position() + start;
        const QString word = block.text().mid(start, length);
        QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().first();
        QList<QAction*> added;
        const QStringList suggestions = m_checker->suggestions(word);
        for (const QString& s : suggestions) {
            auto* a = new QAction(s, menu);
            connect(a, &QAction::triggered, this, [this, from, length, word, s] {
                if (!m_editor)
                    return;
                QTextCursor c(m_editor->document());
                c.setPosition(from);
                c.setPosition(from + length, QTextCursor::KeepAnchor);
                if (c.selectedText() != word)
                    return; // the text changed while the menu was open
                c.insertText(s);
                m_editor->setTextCursor(c);
            });
            added << a;
        }
        if (suggestions.isEmpty()) {
            auto* none = new QAction(tr("No Guesses Found"), menu);
            none->setEnabled(false);
            added << none;
        }
        auto* gap = new QAction(menu);
        gap->setSeparator(true);
        added << gap;
        auto* learn = new QAction(tr("Add to Dictionary"), menu);
        learn->setObjectName(QStringLiteral("addToDictionary"));
        connect(learn, &QAction::triggered, this, [this, word] {
            QString error;
            if (m_checker && !m_checker->addToPersonalList(word, &error))
                Platform::instance().alert(tr("The word could not be added to your word list."),
                                           error);
        });
        added << learn;
        menu->insertActions(first, added);
        menu->insertSeparator(first);
        break;
    }
    return menu;
}

} // namespace morvane
