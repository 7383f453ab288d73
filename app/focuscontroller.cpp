#include "app/focuscontroller.h"

#include "app/filechangebar.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "app/previewview.h"
#include "editor/findbar.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

namespace morvane {

namespace {

bool canTakeFocus(const QWidget* w) {
    if (!w || !w->isVisible() || !w->isEnabled())
        return false;
    const QWidget* taker = w->focusProxy() ? w->focusProxy() : w;
    return taker->focusPolicy() != Qt::NoFocus;
}

bool isFileRow(const QModelIndex& index) {
    FileSystemItem* node = FileTreeModel::nodeForIndex(index);
    return node && node->numberOfChildren() < 0;
}

// See chooseOnlyOnCommit().
class ChoicePopupGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QComboBox*>(watched);
        if (!box)
            return false;
        if (event->type() == QEvent::Wheel)
            return true;
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            // With Alt (or F4, Space) the list opens as usual.
            if (mods != Qt::NoModifier)
                return false;
            box->showPopup();
            return true;
        case Qt::Key_Space:
            return false;
        default:
            break;
        }
        if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint())
            return false;
        // Typing finds an entry in the open list; Return then chooses it.
        box->showPopup();
        QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers(), text);
        QCoreApplication::sendEvent(box->view(), &copy);
        return true;
    }
};

} // namespace

void chooseOnlyOnCommit(QComboBox* popup) {
    popup->installEventFilter(new ChoicePopupGuard(popup));
}

FocusController::FocusController(MainWindow& window, OpenFilesController& openFiles,
                                 QObject* parent)
    : QObject(parent), m_window(window), m_openFiles(openFiles) {
    const auto add = [this](const QString& title, const char* name, const QKeySequence& keys,
                            auto run) {
        auto* action = new QAction(title, &m_window);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
        m_window.addAction(action);
        return action;
    };
    m_nextPane = add(tr("Next Pane"), "actionNextPane", QKeySequence(Qt::Key_F6),
                     [this] { cyclePanes(true); });
    m_previousPane = add(tr("Previous Pane"), "actionPreviousPane",
                         QKeySequence(Qt::SHIFT | Qt::Key_F6), [this] { cyclePanes(false); });
    m_nextTab = add(tr("Next Tab"), "actionNextTab", QKeySequence(Qt::CTRL | Qt::Key_PageDown),
                    [this] { switchTab(1); });
    m_previousTab = add(tr("Previous Tab"), "actionPreviousTab",
                        QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] { switchTab(-1); });

    QTreeView* outline = m_window.outlineView();
    outline->installEventFilter(this);
    showOutlineFocus(outline->hasFocus());
    connect(outline, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (isFileRow(index))
            focusDocument();
    });

    chooseOnlyOnCommit(m_window.popupSites());
    chooseOnlyOnCommit(m_window.popupOpenFiles());
    // Once a pop-up has acted (and its list, and any dialog it opened, has
    // closed), the focus goes where the work goes on: the tree of the chosen
    // site, the chosen file's text.
    connect(m_window.popupSites(), qOverload<int>(&QComboBox::activated), this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (canTakeFocus(m_window.outlineView()))
                m_window.outlineView()->setFocus(Qt::OtherFocusReason);
        });
    });
    connect(m_window.popupOpenFiles(), qOverload<int>(&QComboBox::activated), this,
            [this] { QTimer::singleShot(0, this, [this] { focusDocument(); }); });

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        // The bar about a change on disk closes once the user chose: the
        // focus goes back to the text rather than on along the chain.
        QWidget* bar = m_window.fileChangeBar();
        if (old && bar->isAncestorOf(old) && bar->isHidden())
            QTimer::singleShot(0, this, [this] { focusDocument(); });
        focusChanged(now);
    });
    m_window.installEventFilter(this);
}

FocusController::Pane FocusController::currentPane() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != &m_window)
        return Pane::None;
    if (m_window.findBar()->isAncestorOf(focus))
        return Pane::FindBar;
    if (m_window.outlineView()->parentWidget()->isAncestorOf(focus))
        return Pane::Outline;
    if (m_window.tabView()->parentWidget()->isAncestorOf(focus))
        return Pane::Document;
    return Pane::None;
}

QWidget* FocusController::paneTarget(Pane pane) const {
    QWidget* target = nullptr;
    switch (pane) {
    case Pane::None:
        break;
    case Pane::Outline:
        target = m_window.outlineView();
        break;
    case Pane::Document:
        if (m_window.tabView()->currentIndex() == 0)
            target = m_window.editorStack()->currentWidget();
        else if (m_window.hasWebView() && !m_window.webViewBesideEditor())
            target = m_window.webView()->widget();
        break;
    case Pane::FindBar:
        if (m_window.findBar()->isVisible())
            target = m_window.findBar()->findField();
        break;
    }
    return canTakeFocus(target) ? target : nullptr;
}

void FocusController::cyclePanes(bool forward) {
    constexpr int kPanes = 3;
    const int from = int(currentPane());
    for (int step = 1; step <= kPanes; ++step) {
        int pane = 0;
        if (from < 0)
            pane = forward ? step - 1 : kPanes - step;
        else
            pane = ((from + (forward ? step : -step)) % kPanes + kPanes) % kPanes;
        if (QWidget* target = paneTarget(Pane(pane))) {
            target->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
}

void FocusController::switchTab(int step) {
    QTabWidget* tabs = m_window.tabView();
    const int count = tabs->count();
    if (count < 2)
        return;
    const Pane from = currentPane();
    const QPointer<QWidget> before = QApplication::focusWidget();
    tabs->setCurrentIndex(((tabs->currentIndex() + step) % count + count) % count);
    if ((from == Pane::Document || from == Pane::FindBar) && focusDocument())
        return;
    if (canTakeFocus(before))
        before->setFocus(Qt::OtherFocusReason);
    else
        restoreLostFocus();
}

bool FocusController::focusDocument() {
    QWidget* target = paneTarget(Pane::Document);
    if (!target)
        return false;
    target->setFocus(Qt::ShortcutFocusReason);
    return true;
}

bool FocusController::outlineKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    QTreeView* outline = m_window.outlineView();
    const QModelIndex current = outline->currentIndex();
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
        if (!current.isValid())
            return false;
        // Return on a folder opens or closes it; on a file it goes to the text.
        if (isFileRow(current))
            focusDocument();
        else
            outline->setExpanded(current, !outline->isExpanded(current));
        return true;
    }
    if (key->key() == Qt::Key_Down && mods == Qt::ControlModifier) {
        focusDocument();
        return true;
    }
    return false;
}

// The selected row is drawn in the full selection colour only while the
// tree has the focus, so that the user sees whether keys go to the tree or
// to the text beside it.
void FocusController::showOutlineFocus(bool focused) {
    QTreeView* outline = m_window.outlineView();
    const QPalette base = QApplication::palette(outline);
    QPalette pal = outline->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        QColor highlight = base.color(group, QPalette::Highlight);
        if (!focused)
            highlight.setAlpha(70);
        pal.setColor(group, QPalette::Highlight, highlight);
        pal.setColor(group, QPalette::HighlightedText,
                     base.color(group, focused ? QPalette::HighlightedText : QPalette::Text));
    }
    outline->setPalette(pal);
}

bool FocusController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window.outlineView()) {
        if (event->type() == QEvent::KeyPress)
            return outlineKey(event);
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            showOutlineFocus(event->type() == QEvent::FocusIn);
    }
    if (watched == &m_window && event->type() == QEvent::WindowActivate)
        scheduleRestore();
    return QObject::eventFilter(watched, event);
}

void FocusController::focusChanged(QWidget* now) {
    if (!now) {
        scheduleRestore();
        return;
    }
    if (now->window() != &m_window)
        return;
    m_last = now;
    m_lastPane = currentPane();
}

void FocusController::scheduleRestore() {
    if (m_restoreScheduled)
        return;
    m_restoreScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_restoreScheduled = false;
        restoreLostFocus();
    });
}

// A command that ended editing takes the focus from the editor, and a dialog
// that closes gives the window back without one: the focus returns to the
// control that had it, else to the pane that held it, else to the tree.
void FocusController::restoreLostFocus() {
    if (!m_window.isActiveWindow() || QApplication::focusWidget() ||
        QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    QWidget* target = canTakeFocus(m_last) ? m_last.data() : nullptr;
    if (!target && m_lastPane != Pane::None)
        target = paneTarget(m_lastPane);
    if (!target)
        target = paneTarget(Pane::Outline);
    if (target)
        target->setFocus(Qt::OtherFocusReason);
}

} // namespace morvane
