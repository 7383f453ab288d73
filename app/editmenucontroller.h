// The Edit menu's editing commands: Undo, Redo, Cut, Copy, Paste and Select
// All act on the text field that has the keyboard focus (the editor, or a
// field such as the find bar's), Indent and Outdent on the current file's
// editor. Each is enabled only while it can act.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <array>
#include <vector>

class QAction;
class QTabWidget;
class QWidget;

namespace morvane {

class MainWindow;
class OpenFilesController;

class EditMenuController : public QObject {
    Q_OBJECT
public:
    EditMenuController(MainWindow& window, OpenFilesController& files, QObject* parent = nullptr);

    // The text field the standard commands act on, or nullptr.
    QWidget* target() const { return m_target; }
    // Brings every item's enabled state up to date (also done whenever the
    // focus, the clipboard or the target's state changes).
    void updateActions();

    void actionIndent();
    void actionOutdent();

private:
    void retarget(QWidget* focused);

    MainWindow& m_window;
    OpenFilesController& m_files;
    // Undo, Redo, Cut, Copy, Paste, Select All, Indent, Outdent.
    std::array<QPointer<QAction>, 8> m_actions;
    QPointer<QTabWidget> m_tabs;
    QPointer<QWidget> m_target;
    std::vector<QMetaObject::Connection> m_targetConnections;
};

} // namespace morvane
