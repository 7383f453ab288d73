// The keyboard focus in the main window: where the keys move it and where it
// goes back to.
//
// - The outline keeps the focus while a click or the arrow keys choose a row
//   (the file is shown beside it); Return, a double click or Ctrl+Down on a
//   file moves the focus into the document pane.
// - F6 and Shift+F6 cycle the panes: the outline, the document (the editor,
//   or the preview in the Preview tab), and the find bar while it is open.
// - Ctrl+Page Down and Ctrl+Page Up switch between the Edit and Preview tabs
//   from anywhere in the window.
// - The tree's selected row shows whether the tree has the focus.
// - The focus is never lost: when a command or a closed dialog leaves the
//   window without a focused control, it returns to the control that had it,
//   else to the pane that held it; when the bar about a change on disk
//   closes, it returns to the text.
// - The sites and open-files pop-ups act only on Return or a click, and the
//   focus goes on to the tree or the editor once they did.
#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QComboBox;
class QWidget;

namespace morvane {

class MainWindow;
class OpenFilesController;

class FocusController : public QObject {
    Q_OBJECT
public:
    FocusController(MainWindow& window, OpenFilesController& openFiles, QObject* parent = nullptr);

    // The panes F6 cycles through, in order.
    enum class Pane { None = -1, Outline, Document, FindBar };
    // The pane that holds the focus now.
    Pane currentPane() const;
    // F6 (forward) and Shift+F6: the next pane that can take the focus.
    void cyclePanes(bool forward);
    // Ctrl+Page Down (+1) and Ctrl+Page Up (-1): the other tab. The focus
    // follows into the tab when it was in the document pane; elsewhere it
    // stays where it is.
    void switchTab(int step);
    // Gives the focus to the document pane's main control: the editor (or
    // the notice shown instead of one), or the preview in the Preview tab.
    // False when nothing there can take it.
    bool focusDocument();

    QAction* actionNextPane() const { return m_nextPane; }
    QAction* actionPreviousPane() const { return m_previousPane; }
    QAction* actionNextTab() const { return m_nextTab; }
    QAction* actionPreviousTab() const { return m_previousTab; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* paneTarget(Pane pane) const;
    bool outlineKey(QEvent* event);
    void showOutlineFocus(bool focused);
    void focusChanged(QWidget* now);
    void scheduleRestore();
    void restoreLostFocus();

    MainWindow& m_window;
    OpenFilesController& m_openFiles;
    QAction* m_nextPane = nullptr;
    QAction* m_previousPane = nullptr;
    QAction* m_nextTab = nullptr;
    QAction* m_previousTab = nullptr;
    // The control in the window that last had the focus, and its pane.
    QPointer<QWidget> m_last;
    Pane m_lastPane = Pane::None;
    bool m_restoreScheduled = false;
};

// Makes a pop-up whose choice acts at once (switching the site or the shown
// file) change only on Return or a click in its list: the arrow keys, Page
// Up/Down, Home, End and typing open the list instead of changing the choice,
// and the mouse wheel passes over it.
void chooseOnlyOnCommit(QComboBox* popup);

} // namespace morvane
