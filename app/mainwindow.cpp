#include "app/mainwindow.h"

#include "app/filechangebar.h"
#include "app/previewview.h"
#include "core/encoding.h"
#include "editor/findbar.h"
#include "sites/labelledpopup.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace morvane {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Morvane"));

    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setChildrenCollapsible(false);

    // Left pane: the sites pop-up above the outline, the gear below.
    m_subviewOutline = new QWidget(m_split);
    auto* left = new QVBoxLayout(m_subviewOutline);
    left->setContentsMargins(6, 6, 0, 6);
    left->setSpacing(6);
    m_popupSites = new QComboBox(m_subviewOutline);
    m_popupSites->setObjectName(QStringLiteral("popupSites"));
    nameByLabel(m_popupSites);
    m_popupSites->setToolTip(tr("Current site"));
    // Named by what it chooses, not by the site it shows.
    m_popupSites->setAccessibleName(tr("Site"));
    m_popupSites->setAccessibleDescription(tr("The site whose folder the tree shows"));
    left->addWidget(m_popupSites);
    m_outline = new QTreeView(m_subviewOutline);
    m_outline->setObjectName(QStringLiteral("outlineView"));
    m_outline->setHeaderHidden(true);
    m_outline->setUniformRowHeights(true);
    m_outline->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_outline->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outline->setContextMenuPolicy(Qt::CustomContextMenu);
    m_outline->setAccessibleName(tr("Site files"));
    m_outline->setAccessibleDescription(
        tr("Return opens the selected file for editing, F2 renames it, Delete moves it to the "
           "trash"));
    left->addWidget(m_outline, 1);
    auto* gearRow = new QHBoxLayout;
    m_popupActionMenu = new QToolButton(m_subviewOutline);
    m_popupActionMenu->setObjectName(QStringLiteral("popupActionMenu"));
    m_popupActionMenu->setText(QStringLiteral("\u2699"));
    m_popupActionMenu->setToolTip(tr("Actions for the selected item"));
    m_popupActionMenu->setPopupMode(QToolButton::InstantPopup);
    gearRow->addWidget(m_popupActionMenu);
    gearRow->addStretch(1);
    left->addLayout(gearRow);

    // Right pane: open-files pop-up above the editor/preview tabs.
    m_subviewDocument = new QWidget(m_split);
    auto* right = new QVBoxLayout(m_subviewDocument);
    right->setContentsMargins(0, 6, 6, 6);
    right->setSpacing(6);
    auto* topRow = new QHBoxLayout;
    auto* openLabel = new QLabel(tr("Open files:"), m_subviewDocument);
    m_popupOpenFiles = new QComboBox(m_subviewDocument);
    m_popupOpenFiles->setObjectName(QStringLiteral("popupOpenFiles"));
    nameByLabel(m_popupOpenFiles);
    m_popupOpenFiles->setMinimumContentsLength(24);
    m_popupOpenFiles->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    openLabel->setBuddy(m_popupOpenFiles);
    m_popupOpenFiles->setAccessibleName(tr("Open files"));
    m_labelEncoding = new QLabel(m_subviewDocument);
    m_labelEncoding->setObjectName(QStringLiteral("labelEncoding"));
    m_labelEncoding->setAccessibleName(tr("Encoding and line ends"));
    m_labelEncoding->setToolTip(tr("The file's encoding and line ends"));
    m_labelEncoding->setEnabled(false);
    topRow->addWidget(openLabel);
    topRow->addWidget(m_popupOpenFiles);
    topRow->addWidget(m_labelEncoding);
    topRow->addStretch(1);
    m_buttonUpload = new QToolButton(m_subviewDocument);
    m_buttonUpload->setObjectName(QStringLiteral("buttonUpload"));
    m_buttonUpload->setToolButtonStyle(Qt::ToolButtonTextOnly);
    topRow->addWidget(m_buttonUpload);
    right->addLayout(topRow);

    m_tabs = new QTabWidget(m_subviewDocument);
    m_tabs->setObjectName(QStringLiteral("tabView"));
    m_tabs->setDocumentMode(true);
    m_editorStack = new QStackedWidget(m_tabs);
    m_placeholder = new QLabel(tr("Select a file in the site folder to edit it."), m_editorStack);
    static_cast<QLabel*>(m_placeholder)->setAlignment(Qt::AlignCenter);
    m_placeholder->setEnabled(false);
    m_editorStack->addWidget(m_placeholder);
    // The Edit tab: the bar for changes made on disk above the editors.
    auto* editPage = new QWidget(m_tabs);
    auto* editLayout = new QVBoxLayout(editPage);
    editLayout->setContentsMargins(0, 0, 0, 0);
    editLayout->setSpacing(0);
    m_changeBar = new FileChangeBar(editPage);
    editLayout->addWidget(m_changeBar);
    // The editors, and beside them the preview when the user wants it there.
    m_editSplit = new QSplitter(Qt::Horizontal, editPage);
    m_editSplit->setChildrenCollapsible(false);
    m_editorStack->setParent(m_editSplit);
    m_editSplit->addWidget(m_editorStack);
    m_besidePane = new QWidget(m_editSplit);
    m_besidePane->setObjectName(QStringLiteral("previewBesideEditor"));
    m_besideLayout = new QVBoxLayout(m_besidePane);
    m_besideLayout->setContentsMargins(0, 0, 0, 0);
    m_editSplit->addWidget(m_besidePane);
    m_besidePane->hide();
    editLayout->addWidget(m_editSplit, 1);
    m_findBar = new FindBar(editPage);
    m_findBar->hide();
    editLayout->addWidget(m_findBar);
    m_tabs->addTab(editPage, tr("Edit"));

    m_previewPage = new QWidget(m_tabs);
    m_previewLayout = new QVBoxLayout(m_previewPage);
    m_previewLayout->setContentsMargins(0, 0, 0, 0);
    auto* nav = new QHBoxLayout;
    // Their icons are loaded with the web view: the style's icon files cost
    // more at start-up than the whole outline.
    m_buttonBack = new QToolButton(m_previewPage);
    m_buttonBack->setObjectName(QStringLiteral("buttonBack"));
    m_buttonBack->setAccessibleName(tr("Back"));
    m_buttonBack->setToolTip(tr("Back"));
    m_buttonBack->setEnabled(false);
    m_buttonForward = new QToolButton(m_previewPage);
    m_buttonForward->setObjectName(QStringLiteral("buttonForward"));
    m_buttonForward->setAccessibleName(tr("Forward"));
    m_buttonForward->setToolTip(tr("Forward"));
    m_buttonForward->setEnabled(false);
    m_labelTitle = new QLabel(m_previewPage);
    m_labelTitle->setObjectName(QStringLiteral("labelTitle"));
    m_labelTitle->setAccessibleName(tr("Page title"));
    m_labelURL = new QLabel(m_previewPage);
    m_labelURL->setObjectName(QStringLiteral("labelURL"));
    m_labelURL->setAccessibleName(tr("Page address"));
    m_labelURL->setTextInteractionFlags(Qt::TextSelectableByMouse);
    nav->addWidget(m_buttonBack);
    nav->addWidget(m_buttonForward);
    nav->addWidget(m_labelTitle, 1);
    nav->addWidget(m_labelURL, 2);
    m_previewLayout->addLayout(nav);
    m_previewLayout->addStretch(1);
    m_tabs->addTab(m_previewPage, tr("Preview"));
    right->addWidget(m_tabs, 1);

    m_split->addWidget(m_subviewOutline);
    m_split->addWidget(m_subviewDocument);
    // When the window is resized the outline keeps its width.
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({260, 840});
    setCentralWidget(m_split);

    buildMenus();
}

MainWindow::~MainWindow() = default;

PreviewView* MainWindow::webView() {
    if (!m_webView) {
        m_webView = createPreviewView(m_previewPage);
        m_webView->widget()->setAccessibleName(tr("Preview"));
        m_buttonBack->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
        m_buttonForward->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
        // The view takes the place of the stretch that held the room for it.
        delete m_previewLayout->takeAt(m_previewLayout->count() - 1);
        m_previewLayout->addWidget(m_webView->widget(), 1);
    }
    return m_webView.get();
}

bool MainWindow::webViewBesideEditor() const {
    return m_webView && m_webView->widget()->parentWidget() == m_besidePane;
}

void MainWindow::placeWebView(bool besideEditor) {
    QWidget* view = webView()->widget();
    if (besideEditor == webViewBesideEditor()) {
        m_besidePane->setVisible(besideEditor);
        return;
    }
    if (besideEditor) {
        m_previewLayout->removeWidget(view);
        m_previewLayout->addStretch(1);
        m_besideLayout->addWidget(view, 1);
        if (!m_besidePane->isVisible()) {
            m_besidePane->show();
            // Equal weights, not pixels: before the window is first laid out
            // (at start-up) the splitter's own width is not yet known.
            constexpr int kHalf = 1 << 16;
            m_editSplit->setSizes({kHalf, kHalf});
        }
    } else {
        m_besideLayout->removeWidget(view);
        m_besidePane->hide();
        delete m_previewLayout->takeAt(m_previewLayout->count() - 1);
        m_previewLayout->addWidget(view, 1);
    }
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    m_actionNewFile = file->addAction(tr("New File"));
    m_actionNewFile->setShortcut(QKeySequence::New);
    m_actionNewFolder = file->addAction(tr("New Folder"));
    m_actionNewFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    file->addSeparator();
    m_actionSave = file->addAction(tr("&Save"));
    m_actionSave->setShortcut(QKeySequence::Save);
    m_actionClose = file->addAction(tr("&Close"));
    m_actionClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    file->addSeparator();
    m_actionRefresh = file->addAction(tr("Refresh Folders"));
    m_actionRefresh->setShortcut(QKeySequence::Refresh);
    m_actionMark = file->addAction(tr("Mark for Upload"));
    m_actionUnmark = file->addAction(tr("Unmark for Upload"));
    m_actionUpload = file->addAction(tr("&Upload..."));
    m_actionUpload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    m_actionUpload->setToolTip(tr("Upload the changed files of this site"));
    m_actionDownloadSite = file->addAction(tr("&Download Site\u2026"));
    m_actionDownloadSite->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    m_actionDownloadSite->setObjectName(QStringLiteral("actionDownloadSite"));
    m_actionCompare = file->addAction(tr("Co&mpare with Server\u2026"));
    m_actionCompare->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    m_actionCompare->setObjectName(QStringLiteral("actionCompareWithServer"));
    file->addSeparator();
    m_actionQuit = file->addAction(tr("&Quit"));
    m_actionQuit->setShortcut(QKeySequence::Quit);
    m_actionQuit->setMenuRole(QAction::QuitRole);

    m_actionSave->setObjectName(QStringLiteral("actionSave"));
    m_actionClose->setObjectName(QStringLiteral("actionCloseOpenFile"));
    m_actionQuit->setObjectName(QStringLiteral("actionQuit"));
    m_actionUpload->setObjectName(QStringLiteral("actionUpload"));
    m_actionRefresh->setObjectName(QStringLiteral("actionRefreshFolders"));

    m_buttonUpload->setDefaultAction(m_actionUpload);
    m_buttonUpload->setText(tr("Upload"));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    m_menuEdit = edit;
    const auto standard = [edit](const QString& title, QKeySequence::StandardKey key) {
        QAction* a = edit->addAction(title);
        a->setShortcut(key);
        a->setEnabled(false);
        return a;
    };
    m_actionUndo = standard(tr("&Undo"), QKeySequence::Undo);
    m_actionRedo = standard(tr("&Redo"), QKeySequence::Redo);
    edit->addSeparator();
    m_actionCut = standard(tr("Cu&t"), QKeySequence::Cut);
    m_actionCopy = standard(tr("&Copy"), QKeySequence::Copy);
    m_actionPaste = standard(tr("&Paste"), QKeySequence::Paste);
    m_actionSelectAll = standard(tr("Select &All"), QKeySequence::SelectAll);
    // The find commands go here, before this separator.
    m_editFindSpot = edit->addSeparator();
    m_editFindSpot->setObjectName(QStringLiteral("editFindSpot"));
    m_actionIndent = edit->addAction(tr("&Indent"));
    m_actionIndent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    m_actionOutdent = edit->addAction(tr("&Outdent"));
    m_actionOutdent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    // The spelling commands go here, before this separator.
    m_editSpellingSpot = edit->addSeparator();
    m_editSpellingSpot->setObjectName(QStringLiteral("editSpellingSpot"));
    m_actionPreferences = edit->addAction(tr("Pre&ferences\u2026"));
    m_actionPreferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_actionPreferences->setMenuRole(QAction::PreferencesRole);
    m_actionPreferences->setObjectName(QStringLiteral("actionPreferences"));
    buildFindAndSpellingMenus(edit);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    m_actionBack = view->addAction(tr("&Back"));
    m_actionBack->setObjectName(QStringLiteral("actionBack"));
    m_actionBack->setShortcut(QKeySequence::Back);
    m_actionBack->setEnabled(false);
    m_actionForward = view->addAction(tr("&Forward"));
    m_actionForward->setObjectName(QStringLiteral("actionForward"));
    m_actionForward->setShortcut(QKeySequence::Forward);
    m_actionForward->setEnabled(false);
    // F5 stays Refresh Folders.
    m_actionReload = view->addAction(tr("Re&load Page"));
    m_actionReload->setObjectName(QStringLiteral("actionReload"));
    m_actionReload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_actionPreviewBeside = view->addAction(tr("&Preview Beside Editor"));
    m_actionPreviewBeside->setObjectName(QStringLiteral("actionPreviewBeside"));
    m_actionPreviewBeside->setCheckable(true);
    view->addSeparator();
    buildPopupCommands(view);
    view->addSeparator();
    m_menuReopen = view->addMenu(tr("&Reopen with Encoding"));
    m_menuSaveAs = view->addMenu(tr("&Save with Encoding"));
    // Filled when first opened: asking which converters exist loads them,
    // which start-up need not wait for.
    connect(view, &QMenu::aboutToShow, this, &MainWindow::fillEncodingMenus);
}

void MainWindow::buildFindAndSpellingMenus(QMenu* edit) {
    // Find goes above Indent and Outdent, the spelling switch above Preferences.
    auto* find = new QMenu(tr("&Find"), edit);
    edit->insertMenu(m_editFindSpot, find);
    m_actionFind = find->addAction(tr("&Find..."));
    m_actionFind->setShortcut(QKeySequence::Find);
    m_actionFindNext = find->addAction(tr("Find &Next"));
    m_actionFindNext->setShortcuts({QKeySequence(Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_G)});
    m_actionFindPrevious = find->addAction(tr("Find &Previous"));
    m_actionFindPrevious->setShortcuts(
        {QKeySequence(Qt::SHIFT | Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)});
    m_actionReplace = find->addAction(tr("&Replace..."));
    m_actionReplace->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    m_actionUseSelection = find->addAction(tr("&Use Selection for Find"));
    m_actionUseSelection->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    m_actionSpellChecking = new QAction(tr("Check &Spelling While Typing"), edit);
    m_actionSpellChecking->setObjectName(QStringLiteral("actionSpellChecking"));
    m_actionSpellChecking->setCheckable(true);
    edit->insertAction(m_editSpellingSpot, m_actionSpellChecking);
    edit->insertSeparator(m_actionSpellChecking);
}

void MainWindow::fillEncodingMenus() {
    if (!m_menuReopen->isEmpty())
        return;
    for (const QString& name : encoding::commonEncodings()) {
        m_menuReopen->addAction(encoding::displayName(name))->setData(name);
        m_menuSaveAs->addAction(encoding::displayName(name))->setData(name);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the window quits; the coordinator saves and ends the program.
    event->ignore();
    Q_EMIT closeRequested();
}

// The sites pop-up, the open-files pop-up and the gear menu open from the
// keyboard too: each command opens its control's list where it stands.
void MainWindow::buildPopupCommands(QMenu* view) {
    const auto add = [this, view](const QString& title, const char* name, int key, auto open) {
        QAction* a = view->addAction(title);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(QKeySequence(Qt::CTRL | key));
        connect(a, &QAction::triggered, this, open);
        return a;
    };
    add(tr("Choose Si&te..."), "actionPopupSites", Qt::Key_1, [this] {
        m_popupSites->setFocus(Qt::ShortcutFocusReason);
        m_popupSites->showPopup();
    });
    add(tr("Choose &Open File..."), "actionPopupOpenFiles", Qt::Key_2, [this] {
        if (!m_popupOpenFiles->isEnabled() || m_popupOpenFiles->count() == 0)
            return;
        m_popupOpenFiles->setFocus(Qt::ShortcutFocusReason);
        m_popupOpenFiles->showPopup();
    });
    add(tr("&Action Menu"), "actionPopupActionMenu", Qt::Key_3, [this] {
        if (m_popupActionMenu->menu())
            m_popupActionMenu->showMenu();
    });
}

} // namespace morvane
