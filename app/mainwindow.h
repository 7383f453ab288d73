// The main window's widgets: the site outline on the left, the document pane
// with the editor and preview tabs on the right, the sites and open-files
// pop-ups, the gear menu and the menu bar. It holds no behaviour of its own;
// the coordinator and its controllers connect the widgets to the program.
#pragma once

#include <QMainWindow>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QToolButton;
class QTreeView;
class QVBoxLayout;

namespace morvane {

class FileChangeBar;
class FindBar;
class PreviewView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QTreeView* outlineView() const { return m_outline; }
    QTabWidget* tabView() const { return m_tabs; }
    // Holds the editors of the open files; the current file's editor is the
    // current widget (an empty placeholder when no file is shown).
    QStackedWidget* editorStack() const { return m_editorStack; }
    QWidget* editorPlaceholder() const { return m_placeholder; }
    // The bar above the editor that tells of changes made on disk.
    FileChangeBar* fileChangeBar() const { return m_changeBar; }
    // The current file's encoding and line ends, beside the open-files pop-up.
    QLabel* labelEncoding() const { return m_labelEncoding; }
    QComboBox* popupSites() const { return m_popupSites; }
    QComboBox* popupOpenFiles() const { return m_popupOpenFiles; }
    QToolButton* popupActionMenu() const { return m_popupActionMenu; }
    QLabel* labelURL() const { return m_labelURL; }
    QLabel* labelTitle() const { return m_labelTitle; }
    QToolButton* buttonBack() const { return m_buttonBack; }
    QToolButton* buttonForward() const { return m_buttonForward; }

    // The preview's web view, made the first time a preview is shown: the web
    // engine is slow to start and most sessions begin in the editor.
    PreviewView* webView();
    bool hasWebView() const { return m_webView != nullptr; }
    // Where the web view goes: the Preview tab, or beside the editor in the
    // Edit tab (the pane is shown only while it holds the view).
    void placeWebView(bool besideEditor);
    bool webViewBesideEditor() const;
    QWidget* besidePane() const { return m_besidePane; }

    // View > Back, Forward, Reload Page and Preview Beside Editor.
    QAction* actionBack() const { return m_actionBack; }
    QAction* actionForward() const { return m_actionForward; }
    QAction* actionReload() const { return m_actionReload; }
    QAction* actionPreviewBeside() const { return m_actionPreviewBeside; }

    QAction* actionSave() const { return m_actionSave; }
    QAction* actionClose() const { return m_actionClose; }
    QAction* actionQuit() const { return m_actionQuit; }
    QAction* actionUpload() const { return m_actionUpload; }
    QAction* actionDownloadSite() const { return m_actionDownloadSite; }
    QAction* actionCompareWithServer() const { return m_actionCompare; }
    // The Edit menu. The find commands are inserted before editFindSpot()
    // and the spelling commands before editSpellingSpot() (both separators).
    QMenu* menuEdit() const { return m_menuEdit; }
    QAction* editFindSpot() const { return m_editFindSpot; }
    QAction* editSpellingSpot() const { return m_editSpellingSpot; }
    QAction* actionUndo() const { return m_actionUndo; }
    QAction* actionRedo() const { return m_actionRedo; }
    QAction* actionCut() const { return m_actionCut; }
    QAction* actionCopy() const { return m_actionCopy; }
    QAction* actionPaste() const { return m_actionPaste; }
    QAction* actionSelectAll() const { return m_actionSelectAll; }
    QAction* actionPreferences() const { return m_actionPreferences; }
    QAction* actionIndent() const { return m_actionIndent; }
    QAction* actionOutdent() const { return m_actionOutdent; }
    QAction* actionRefresh() const { return m_actionRefresh; }
    QAction* actionNewFile() const { return m_actionNewFile; }
    QAction* actionNewFolder() const { return m_actionNewFolder; }
    QAction* actionMarkForUpload() const { return m_actionMark; }
    QAction* actionUnmarkForUpload() const { return m_actionUnmark; }
    // View > Reopen with Encoding and Save with Encoding: one action per
    // encoding, its data the encoding's name.
    QMenu* menuReopenWithEncoding() const { return m_menuReopen; }
    QMenu* menuSaveWithEncoding() const { return m_menuSaveAs; }
    // Puts the encodings into those menus (done when the View menu opens).
    void fillEncodingMenus();
    QToolButton* buttonUpload() const { return m_buttonUpload; }

    // The find bar under the editor and the Edit menu's find and spelling
    // commands (see FindController and SpellingController).
    FindBar* findBar() const { return m_findBar; }
    QAction* actionFind() const { return m_actionFind; }
    QAction* actionFindNext() const { return m_actionFindNext; }
    QAction* actionFindPrevious() const { return m_actionFindPrevious; }
    QAction* actionReplace() const { return m_actionReplace; }
    QAction* actionUseSelectionForFind() const { return m_actionUseSelection; }
    QAction* actionSpellChecking() const { return m_actionSpellChecking; }

Q_SIGNALS:
    // The user closed the window (which quits the program).
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildFindAndSpellingMenus(QMenu* edit);
    void buildPopupCommands(QMenu* view);

    QSplitter* m_split;
    QWidget* m_subviewOutline;
    QWidget* m_subviewDocument;
    QTreeView* m_outline;
    QTabWidget* m_tabs;
    QStackedWidget* m_editorStack;
    QWidget* m_placeholder;
    FileChangeBar* m_changeBar;
    QLabel* m_labelEncoding;
    QMenu* m_menuReopen = nullptr;
    QMenu* m_menuSaveAs = nullptr;
    QWidget* m_previewPage;
    QVBoxLayout* m_previewLayout;
    QSplitter* m_editSplit;
    QWidget* m_besidePane;
    QVBoxLayout* m_besideLayout;
    std::unique_ptr<PreviewView> m_webView;
    QComboBox* m_popupSites;
    QComboBox* m_popupOpenFiles;
    QToolButton* m_popupActionMenu;
    QLabel* m_labelURL;
    QLabel* m_labelTitle;
    QToolButton* m_buttonBack;
    QToolButton* m_buttonForward;
    QAction* m_actionSave = nullptr;
    QAction* m_actionClose = nullptr;
    QAction* m_actionQuit = nullptr;
    QAction* m_actionUpload = nullptr;
    QMenu* m_menuEdit = nullptr;
    QAction* m_editFindSpot = nullptr;
    QAction* m_editSpellingSpot = nullptr;
    QAction* m_actionUndo = nullptr;
    QAction* m_actionRedo = nullptr;
    QAction* m_actionCut = nullptr;
    QAction* m_actionCopy = nullptr;
    QAction* m_actionPaste = nullptr;
    QAction* m_actionSelectAll = nullptr;
    QAction* m_actionPreferences = nullptr;
    QAction* m_actionIndent = nullptr;
    QAction* m_actionOutdent = nullptr;
    QAction* m_actionRefresh = nullptr;
    QAction* m_actionNewFile = nullptr;
    QAction* m_actionNewFolder = nullptr;
    QAction* m_actionMark = nullptr;
    QAction* m_actionUnmark = nullptr;
    QAction* m_actionDownloadSite = nullptr;
    QAction* m_actionCompare = nullptr;
    QToolButton* m_buttonUpload = nullptr;
    QAction* m_actionBack = nullptr;
    QAction* m_actionForward = nullptr;
    QAction* m_actionReload = nullptr;
    QAction* m_actionPreviewBeside = nullptr;
    FindBar* m_findBar = nullptr;
    QAction* m_actionFind = nullptr;
    QAction* m_actionFindNext = nullptr;
    QAction* m_actionFindPrevious = nullptr;
    QAction* m_actionReplace = nullptr;
    QAction* m_actionUseSelection = nullptr;
    QAction* m_actionSpellChecking = nullptr;
};

} // namespace morvane
