#include "app/editmenucontroller.h"

#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "editor/textview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextEdit>

namespace morvane {

namespace {

bool clipboardHasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

} // namespace

EditMenuController::EditMenuController(MainWindow& window, OpenFilesController& files,
                                       QObject* parent)
    : QObject(parent), m_window(window),
      m_files(files), m_actions{window.actionUndo(),   window.actionRedo(),
                                window.actionCut(),    window.actionCopy(),
                                window.actionPaste(),  window.actionSelectAll(),
                                window.actionIndent(), window.actionOutdent()},
      m_tabs(window.tabView()) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { retarget(now); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &EditMenuController::updateActions);
    connect(m_window.menuEdit(), &QMenu::aboutToShow, this, &EditMenuController::updateActions);
    connect(&m_files, &OpenFilesController::fileShown, this, &EditMenuController::updateActions);
    connect(m_window.tabView(), &QTabWidget::currentChanged, this,
            &EditMenuController::updateActions);

    const auto on = [this](QAction* action, auto plain, auto edit, auto line) {
        connect(action, &QAction::triggered, this, [this, plain, edit, line] {
            if (auto* p = qobject_cast<QPlainTextEdit*>(m_target))
                (p->*plain)();
            else if (auto* t = qobject_cast<QTextEdit*>(m_target))
                (t->*edit)();
            else if (auto* l = qobject_cast<QLineEdit*>(m_target))
                (l->*line)();
            updateActions();
        });
    };
    on(m_window.actionUndo(), &QPlainTextEdit::undo, &QTextEdit::undo, &QLineEdit::undo);
    on(m_window.actionRedo(), &QPlainTextEdit::redo, &QTextEdit::redo, &QLineEdit::redo);
    on(m_window.actionCut(), &QPlainTextEdit::cut, &QTextEdit::cut, &QLineEdit::cut);
    on(m_window.actionCopy(), &QPlainTextEdit::copy, &QTextEdit::copy, &QLineEdit::copy);
    on(m_window.actionPaste(), &QPlainTextEdit::paste, &QTextEdit::paste, &QLineEdit::paste);
    on(m_window.actionSelectAll(), &QPlainTextEdit::selectAll, &QTextEdit::selectAll,
       &QLineEdit::selectAll);
    connect(m_window.actionIndent(), &QAction::triggered, this, &EditMenuController::actionIndent);
    connect(m_window.actionOutdent(), &QAction::triggered, this,
            &EditMenuController::actionOutdent);
    retarget(QApplication::focusWidget());
}

void EditMenuController::retarget(QWidget* focused) {
    // Only text fields are targets: with the focus on the outline or a
    // button, the standard items are off rather than acting out of sight.
    // A menu opening (the Edit menu itself) takes the focus for a moment, and
    // the window loses it while another one is active: the text field keeps
    // being the target.
    if (!focused || focused->window()->windowType() == Qt::Popup || qobject_cast<QMenu*>(focused))
        return updateActions();
    QWidget* target = nullptr;
    if (qobject_cast<QPlainTextEdit*>(focused) || qobject_cast<QTextEdit*>(focused) ||
        qobject_cast<QLineEdit*>(focused))
        target = focused;
    if (target != m_target) {
        for (const auto& c : m_targetConnections)
            disconnect(c);
        m_targetConnections.clear();
        m_target = target;
        const auto follow = [this](auto* sender, auto signal) {
            m_targetConnections.push_back(
                connect(sender, signal, this, &EditMenuController::updateActions));
        };
        if (auto* p = qobject_cast<QPlainTextEdit*>(target)) {
            follow(p, &QPlainTextEdit::undoAvailable);
            follow(p, &QPlainTextEdit::redoAvailable);
            follow(p, &QPlainTextEdit::copyAvailable);
            follow(p, &QPlainTextEdit::textChanged);
            follow(p, &QPlainTextEdit::selectionChanged);
        } else if (auto* t = qobject_cast<QTextEdit*>(target)) {
            follow(t, &QTextEdit::undoAvailable);
            follow(t, &QTextEdit::redoAvailable);
            follow(t, &QTextEdit::copyAvailable);
            follow(t, &QTextEdit::textChanged);
            follow(t, &QTextEdit::selectionChanged);
        } else if (auto* l = qobject_cast<QLineEdit*>(target)) {
            follow(l, &QLineEdit::textChanged);
            follow(l, &QLineEdit::selectionChanged);
        }
    }
    updateActions();
}

void EditMenuController::updateActions() {
    bool undo = false, redo = false, cut = false, copy = false, paste = false, all = false;
    if (auto* p = qobject_cast<QPlainTextEdit*>(m_target)) {
        const bool editable = !p->isReadOnly();
        undo = editable && p->document()->isUndoAvailable();
        redo = editable && p->document()->isRedoAvailable();
        copy = p->textCursor().hasSelection();
        cut = editable && copy;
        paste = editable && clipboardHasText();
        all = !p->document()->isEmpty();
    } else if (auto* t = qobject_cast<QTextEdit*>(m_target)) {
        const bool editable = !t->isReadOnly();
        undo = editable && t->document()->isUndoAvailable();
        redo = editable && t->document()->isRedoAvailable();
        copy = t->textCursor().hasSelection();
        cut = editable && copy;
        paste = editable && clipboardHasText();
        all = !t->document()->isEmpty();
    } else if (auto* l = qobject_cast<QLineEdit*>(m_target)) {
        const bool editable = !l->isReadOnly();
        const bool secret = l->echoMode() != QLineEdit::Normal;
        undo = editable && l->isUndoAvailable();
        redo = editable && l->isRedoAvailable();
        copy = l->hasSelectedText() && !secret;
        cut = editable && copy;
        paste = editable && clipboardHasText();
        all = !l->text().isEmpty();
    }
    // Indent and outdent act on the shown editor of the current file.
    TextView* view = m_files.currentTextView();
    const bool shown = view && !view->isReadOnly() && m_tabs && m_tabs->currentIndex() == 0;
    const bool states[] = {undo, redo, cut, copy, paste, all, shown, shown};
    for (size_t i = 0; i < m_actions.size(); ++i)
        if (m_actions[i])
            m_actions[i]->setEnabled(states[i]);
}

void EditMenuController::actionIndent() {
    if (TextView* v = m_files.currentTextView())
        v->indentSelection();
}

void EditMenuController::actionOutdent() {
    if (TextView* v = m_files.currentTextView())
        v->outdentSelection();
}

} // namespace morvane
