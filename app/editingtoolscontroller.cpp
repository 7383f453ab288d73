#include "app/editingtoolscontroller.h"

#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "editor/editingtools.h"
#include "editor/navigation.h"
#include "editor/textview.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>

namespace morvane {

EditingToolsController::EditingToolsController(MainWindow& window, OpenFilesController& files,
                                               const QSettings& settings, QObject* parent)
    : QObject(parent), m_window(window), m_files(files) {
    const QVariant stored = settings.value(QLatin1String(closeTagsKey()));
    m_closeTags = !stored.isValid() ||
                  stored.toString().compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
    m_askLine = [](QWidget* parent, QString& answer) {
        bool ok = false;
        answer = QInputDialog::getText(parent, tr("Go to Line"),
                                       tr("Line, or line:column (such as 120:5):"),
                                       QLineEdit::Normal, answer, &ok);
        return ok;
    };

    // The commands go after Indent and Outdent.
    QMenu* edit = m_window.menuEdit();
    const QList<QAction*> items = edit->actions();
    const qsizetype outdent = items.indexOf(m_window.actionOutdent());
    QAction* before = outdent >= 0 && outdent + 1 < items.size() ? items[outdent + 1] : nullptr;
    edit->insertSeparator(before);
    const auto add = [&](const QString& title, const char* name, const QKeySequence& key,
                         void (EditingToolsController::*slot)()) {
        auto* a = new QAction(title, edit);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        edit->insertAction(before, a);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    m_toggleComment =
        add(tr("Toggle Co&mment"), "actionToggleComment", QKeySequence(Qt::CTRL | Qt::Key_Slash),
            &EditingToolsController::actionToggleComment);
    m_goToLine = add(tr("&Go to Line\u2026"), "actionGoToLine", QKeySequence(Qt::CTRL | Qt::Key_L),
                     &EditingToolsController::actionGoToLine);
    m_goToMatching =
        add(tr("Go to Matc&hing Bracket"), "actionGoToMatchingBracket",
            QKeySequence(Qt::CTRL | Qt::Key_M), &EditingToolsController::actionGoToMatchingBracket);
    m_complete =
        add(tr("Show Completions"), "actionShowCompletions", QKeySequence(Qt::CTRL | Qt::Key_Space),
            &EditingToolsController::actionShowCompletions);
    m_closeTagsAction = add(tr("Close Tags While T&yping"), "actionCloseTags", QKeySequence(),
                            &EditingToolsController::actionCloseTags);
    m_closeTagsAction->setCheckable(true);
    m_closeTagsAction->setChecked(m_closeTags);

    connect(edit, &QMenu::aboutToShow, this, &EditingToolsController::updateActions);
    connect(&m_files, &OpenFilesController::fileShown, this, [this] {
        if (EditingTools* tools = currentTools())
            tools->setCloseTags(m_closeTags);
        updateActions();
    });
    connect(m_window.tabView(), &QTabWidget::currentChanged, this,
            &EditingToolsController::updateActions);
    updateActions();
}

EditingTools* EditingToolsController::currentTools() const {
    TextView* view = m_files.currentTextView();
    if (!view)
        return nullptr;
    EditingTools* tools = EditingTools::of(view);
    tools->setCloseTags(m_closeTags);
    return tools;
}

void EditingToolsController::updateActions() {
    TextView* view = m_files.currentTextView();
    const bool shown = view && m_window.tabView()->currentIndex() == 0;
    const bool editable = shown && !view->isReadOnly();
    for (QAction* a : {m_toggleComment.data(), m_complete.data()})
        if (a)
            a->setEnabled(editable);
    for (QAction* a : {m_goToLine.data(), m_goToMatching.data()})
        if (a)
            a->setEnabled(shown);
}

void EditingToolsController::actionToggleComment() {
    if (EditingTools* tools = currentTools())
        tools->toggleComment();
}

void EditingToolsController::actionGoToLine() {
    EditingTools* tools = currentTools();
    if (!tools)
        return;
    // A wrong entry is said so, and asked again with the entry kept, until
    // the user gives a line or cancels.
    QString answer;
    while (m_askLine(&m_window, answer) && !answer.trimmed().isEmpty()) {
        if (const auto at = webtext::parseLineColumn(answer)) {
            tools->goToLine(at->first, at->second);
            return;
        }
        const int lines = m_files.currentTextView()->document()->blockCount();
        Platform::instance().alert(
            tr("\u201c%1\u201d is not a line.").arg(answer.trimmed()),
            tr("Type a line number from 1 to %1, or a line and a column such as 120:5.")
                .arg(lines));
    }
}

void EditingToolsController::actionGoToMatchingBracket() {
    if (EditingTools* tools = currentTools())
        tools->goToMatching();
}

void EditingToolsController::actionShowCompletions() {
    if (EditingTools* tools = currentTools())
        tools->showCompletions();
}

void EditingToolsController::actionCloseTags() {
    m_closeTags = !m_closeTags;
    if (m_closeTagsAction)
        m_closeTagsAction->setChecked(m_closeTags);
    for (TextView* view : m_window.findChildren<TextView*>())
        if (auto* tools = view->findChild<EditingTools*>(QString(), Qt::FindDirectChildrenOnly))
            tools->setCloseTags(m_closeTags);
    auto settings = paths::openSettings();
    settings->setValue(QLatin1String(closeTagsKey()), m_closeTags);
    settings->sync();
}

} // namespace morvane
