#include "app/findcontroller.h"

#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "editor/documentsearch.h"
#include "editor/findbar.h"
#include "editor/textview.h"

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QTextBlock>

namespace morvane {

namespace {

// The property that tells the find bar's marks from the others of a view.
constexpr int kFindMark = QTextFormat::UserProperty + 24;

QList<QTextEdit::ExtraSelection> withoutFindMarks(const QPlainTextEdit* view) {
    QList<QTextEdit::ExtraSelection> kept;
    for (const QTextEdit::ExtraSelection& s : view->extraSelections())
        if (!s.format.hasProperty(kFindMark))
            kept.append(s);
    return kept;
}

} // namespace

namespace {

// A number as the user's locale writes it, with its thousands separator.
QString number(qsizetype n) {
    QLocale locale;
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale.toString(n);
}

} // namespace

FindController::FindController(MainWindow& window, OpenFilesController& openFiles, QObject* parent)
    : QObject(parent), m_window(window), m_openFiles(openFiles), m_bar(window.findBar()) {
    connect(window.actionFind(), &QAction::triggered, this, &FindController::actionFind);
    connect(window.actionReplace(), &QAction::triggered, this, &FindController::actionReplace);
    connect(window.actionFindNext(), &QAction::triggered, this, &FindController::findNext);
    connect(window.actionFindPrevious(), &QAction::triggered, this, &FindController::findPrevious);
    connect(window.actionUseSelectionForFind(), &QAction::triggered, this,
            &FindController::useSelectionForFind);
    connect(m_bar, &FindBar::findNextRequested, this, &FindController::findNext);
    connect(m_bar, &FindBar::findPreviousRequested, this, &FindController::findPrevious);
    connect(m_bar, &FindBar::replaceRequested, this, &FindController::replace);
    connect(m_bar, &FindBar::replaceAllRequested, this, &FindController::replaceAll);
    connect(m_bar, &FindBar::queryChanged, this, &FindController::queryChanged);
    connect(m_bar, &FindBar::closed, this, &FindController::closeBar);
    connect(&openFiles, &OpenFilesController::fileShown, this, [this] {
        watchEditor();
        updateActions();
    });

    // Escape in the text closes the bar as well, while it is open.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window.editorStack(), nullptr,
                                 nullptr, Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_bar->isVisible())
            closeBar();
    });

    m_highlightTimer.setSingleShot(true);
    m_highlightTimer.setInterval(0);
    connect(&m_highlightTimer, &QTimer::timeout, this, &FindController::updateHighlights);
    // Counting needs a copy of the whole text: not at every keystroke of
    // typing in a large file.
    m_countTimer.setSingleShot(true);
    m_countTimer.setInterval(150);
    connect(&m_countTimer, &QTimer::timeout, this, &FindController::countNow);
    // A count that takes a while says so.
    m_countingNote.setSingleShot(true);
    m_countingNote.setInterval(400);
    connect(&m_countingNote, &QTimer::timeout, this, [this] {
        if (m_counter.isBusy() && m_bar->status().isEmpty())
            showCountStatus(tr("Counting\u2026"));
    });
    connect(&m_counter, &MatchCounter::counted, this, &FindController::counted);
    updateActions();
}

TextView* FindController::view() const {
    return m_openFiles.currentTextView();
}

DocumentSearch* FindController::searchFor(TextView* v) {
    if (!v)
        return nullptr;
    // One per editor, made when first needed and gone with the editor.
    auto* search = v->findChild<DocumentSearch*>(QString(), Qt::FindDirectChildrenOnly);
    if (!search) {
        search = new DocumentSearch(v->document(), v);
        connect(v->document(), &QTextDocument::contentsChange, this, [this, v] {
            if (v != view())
                return;
            invalidateCount();
            if (m_bar->isVisible()) {
                m_countTimer.start();
                scheduleHighlights();
            }
        });
    }
    return search;
}

void FindController::watchEditor() {
    TextView* v = view();
    if (m_watched == v)
        return;
    if (m_watched) {
        disconnect(m_watched, nullptr, this, nullptr);
        disconnect(m_watched->verticalScrollBar(), nullptr, this, nullptr);
        m_watched->setExtraSelections(withoutFindMarks(m_watched));
    }
    m_watched = v;
    invalidateCount();
    m_highlighted.clear();
    if (!v)
        return;
    searchFor(v);
    connect(v, &QPlainTextEdit::selectionChanged, this, &FindController::updateActions);
    connect(v->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &FindController::scheduleHighlights);
    connect(v, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        if (dy != 0)
            scheduleHighlights();
    });
    if (m_bar->isVisible()) {
        countNow();
        scheduleHighlights();
    }
}

void FindController::updateActions() {
    TextView* v = view();
    const bool haveText = !m_bar->findText().isEmpty();
    m_window.actionFind()->setEnabled(v);
    m_window.actionReplace()->setEnabled(v);
    m_window.actionFindNext()->setEnabled(v && haveText);
    m_window.actionFindPrevious()->setEnabled(v && haveText);
    m_window.actionUseSelectionForFind()->setEnabled(v && v->textCursor().hasSelection());
}

QString FindController::status() const {
    return m_bar->status();
}

void FindController::actionFind() {
    TextView* v = view();
    if (!v)
        return;
    // A selection within one line is what the user wants to find.
    const QString selected = v->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_bar->setFindText(m_bar->options().regularExpression ? QRegularExpression::escape(selected)
                                                              : selected);
    m_bar->open(false);
    watchEditor();
    queryChanged();
}

void FindController::actionReplace() {
    if (!view())
        return;
    m_bar->open(true);
    watchEditor();
    queryChanged();
}

void FindController::closeBar() {
    m_bar->hide();
    clearHighlights();
    invalidateCount();
    if (TextView* v = view()) {
        // The copy of a large text is not kept while nobody searches.
        if (DocumentSearch* s = searchFor(v))
            s->releaseText();
        v->setFocus(Qt::OtherFocusReason);
    }
}

void FindController::queryChanged() {
    m_finder = Finder(m_bar->findText(), m_bar->options());
    invalidateCount();
    m_lastStart = -1;
    updateActions();
    if (!m_finder.errorString().isEmpty()) {
        showStatus(tr("Invalid expression: %1").arg(m_finder.errorString()), true);
        clearHighlights();
        return;
    }
    if (m_finder.pattern().isEmpty()) {
        showStatus(QString());
        clearHighlights();
        return;
    }
    countNow();
    scheduleHighlights();
}

void FindController::invalidateCount() {
    m_countValid = false;
    m_count = MatchCounter::Count();
    m_counter.cancel();
    m_countTimer.stop();
    m_countingNote.stop();
    if (m_statusIsCount)
        showStatus(QString());
}

bool FindController::isCounting() const {
    return m_counter.isBusy() || m_countTimer.isActive();
}

void FindController::countNow() {
    m_countTimer.stop();
    TextView* v = view();
    if (!v || !m_bar->isVisible() || !m_finder.isUsable())
        return;
    if (m_countValid) {
        showCount();
        return;
    }
    if (m_counter.isBusy())
        return;
    // The copy of the text is shared with the counting thread, which never
    // holds the window: the result comes back as counted().
    m_counter.start(m_finder, searchFor(v)->text());
    m_countingNote.start();
}

void FindController::counted(const MatchCounter::Count& count) {
    m_countingNote.stop();
    m_count = count;
    m_countValid = true;
    showCount();
}

void FindController::showStatus(const QString& text, bool error) {
    m_statusIsCount = false;
    m_bar->setStatus(text, error);
}

void FindController::showCountStatus(const QString& text) {
    m_bar->setStatus(text);
    m_statusIsCount = true;
}

void FindController::showCount() {
    const std::vector<qsizetype>& starts = m_count.starts;
    if (starts.empty()) {
        showCountStatus(tr("Not found"));
        return;
    }
    const QString total = m_count.more ? tr("%1+").arg(number(MatchCounter::kLimit))
                                       : number(qsizetype(starts.size()));
    const auto it = std::lower_bound(starts.begin(), starts.end(), m_lastStart);
    if (m_lastStart >= 0 && it != starts.end() && *it == m_lastStart) {
        QString s = tr("%1 of %2").arg(number(qsizetype(it - starts.begin()) + 1), total);
        if (m_lastWrapped)
            s += tr(" (wrapped)");
        showCountStatus(s);
    } else if (starts.size() == 1 && !m_count.more) {
        showCountStatus(tr("1 match"));
    } else {
        showCountStatus(tr("%1 matches").arg(total));
    }
}

void FindController::findNext() {
    find(false);
}

void FindController::findPrevious() {
    find(true);
}

void FindController::find(bool backward) {
    TextView* v = view();
    if (!v)
        return;
    if (m_bar->findText().isEmpty()) {
        actionFind();
        return;
    }
    if (!m_finder.isUsable())
        return; // the bar says what is wrong
    const QTextCursor c = v->textCursor();
    bool wrapped = false;
    const std::optional<TextMatch> m =
        searchFor(v)->find(m_finder, c.selectionStart(), c.selectionEnd(), backward, &wrapped);
    if (!m) {
        m_lastStart = -1;
        showStatus(tr("Not found"));
        return;
    }
    showResult(*m, wrapped);
}

void FindController::showResult(const TextMatch& match, bool wrapped) {
    TextView* v = view();
    QTextCursor c(v->document());
    c.setPosition(int(match.start));
    c.setPosition(int(match.end()), QTextCursor::KeepAnchor);
    v->setTextCursor(c);
    v->ensureCursorVisible();
    m_lastStart = match.start;
    m_lastWrapped = wrapped;
    if (m_countValid) {
        showCount(); // "n of m" from the kept positions
    } else {
        showStatus(wrapped ? tr("Found (wrapped)") : tr("Found"));
        countNow();
    }
    scheduleHighlights();
}

void FindController::replace() {
    TextView* v = view();
    if (!v || !m_finder.isUsable())
        return;
    const QTextCursor c = v->textCursor();
    const std::optional<TextMatch> done = searchFor(v)->replaceSelection(
        m_finder, c.selectionStart(), c.selectionEnd(), m_bar->replaceText());
    if (done) {
        // Go on from the end of the new text.
        QTextCursor after(v->document());
        after.setPosition(int(done->end()));
        v->setTextCursor(after);
        saveAfterReplace();
    }
    find(false);
}

void FindController::replaceAll() {
    TextView* v = view();
    if (!v || !m_finder.isUsable())
        return;
    // The selection and the part of the text in view stay where they were,
    // moved along with the text around them.
    const QTextCursor c = v->textCursor();
    std::vector<int> positions{c.anchor(), c.position()};
    const int across = v->horizontalScrollBar()->value();
    const int down = v->verticalScrollBar()->value();
    const qsizetype n = searchFor(v)->replaceAll(m_finder, m_bar->replaceText(), &positions);
    m_lastStart = -1;
    if (n > 0) {
        QTextCursor moved(v->document());
        moved.setPosition(positions[0]);
        moved.setPosition(positions[1], QTextCursor::KeepAnchor);
        v->setTextCursor(moved);
        v->verticalScrollBar()->setValue(down);
        v->horizontalScrollBar()->setValue(across);
        saveAfterReplace();
    }
    // The result stays on the line until the next search (the count would
    // otherwise replace it as the changed text is counted again).
    invalidateCount();
    showStatus(n == 0
                   ? tr("Not found")
                   : (n == 1 ? tr("Replaced 1 match") : tr("Replaced %1 matches").arg(number(n))));
    scheduleHighlights();
}

void FindController::saveAfterReplace() {
    TextView* v = view();
    if (v && !v->hasFocus())
        m_openFiles.save(OpenFilesController::SaveMode::IfEdited);
}

void FindController::useSelectionForFind() {
    TextView* v = view();
    if (!v || !v->textCursor().hasSelection())
        return;
    QString selected = v->textCursor().selectedText();
    selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    if (m_bar->options().regularExpression)
        selected = QRegularExpression::escape(selected);
    m_bar->setFindText(selected);
    if (!m_bar->isVisible()) {
        m_bar->show();
        watchEditor();
    }
    queryChanged();
}

void FindController::scheduleHighlights() {
    if (m_bar->isVisible())
        m_highlightTimer.start();
}

void FindController::clearHighlights() {
    m_highlighted.clear();
    if (m_watched)
        m_watched->setExtraSelections(withoutFindMarks(m_watched));
}

void FindController::updateHighlights() {
    TextView* v = view();
    if (!v || !m_bar->isVisible() || !m_finder.isUsable()) {
        clearHighlights();
        return;
    }
    // The lines in view only (a long wrapped line is not looked at whole).
    const QWidget* vp = v->viewport();
    QTextCursor first = v->cursorForPosition(QPoint(0, 0));
    first.movePosition(QTextCursor::StartOfLine);
    QTextCursor last =
        v->cursorForPosition(QPoint(std::max(0, vp->width() - 1), std::max(0, vp->height() - 1)));
    last.movePosition(QTextCursor::EndOfLine);
    const int from = first.position();
    const int to = last.position();
    m_highlighted = searchFor(v)->matchesIn(m_finder, from, to);
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat format;
    format.setBackground(QColor(255, 225, 110));
    format.setProperty(kFindMark, true);
    for (const TextMatch& m : m_highlighted) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(v->document());
        s.cursor.setPosition(int(m.start));
        s.cursor.setPosition(int(m.end()), QTextCursor::KeepAnchor);
        s.format = format;
        marks.append(s);
    }
    // The other marks (the matching bracket or tag) come after, so that
    // they are drawn over the matches and stay visible.
    v->setExtraSelections(marks + withoutFindMarks(v));
}

} // namespace morvane
