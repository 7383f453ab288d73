#include "app/mainwindow.h"

#include "app/filechangebar.h"
#include "app/previewview.h"
#include "core/encoding.h"
#include "editor/findbar.h"

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
    m_popupSites->setToolTip(tr("Current site"));
    left->addWidget(m_popupSites);
    m_outline = new QTreeView(m_subviewOutline);
    m_outline->setObjectName(QStringLiteral("outlineView"));
    m_outline->setHeaderHidden(true);
    m_outline->setUniformRowHeights(true);
    m_outline->setSelectionMode(QAbstractItemView::SingleSelection);
    m_outline->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outline->setContextMenuPolicy(Qt::CustomContextMenu);
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
    m_editorStack->setParent(editPage);
    editLayout->addWidget(m_editorStack, 1);
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
    m_buttonBack->setEnabled(false);
    m_buttonForward = new QToolButton(m_previewPage);
    m_buttonForward->setEnabled(false);
    m_labelTitle = new QLabel(m_previewPage);
    m_labelURL = new QLabel(m_previewPage);
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
        m_buttonBack->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
        m_buttonForward->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
        m_webView->onUrlChanged = [this](const QUrl& url) {
            m_labelURL->setText(url.toDisplayString());
        };
        m_webView->onTitleChanged = [this](const QString& title) { m_labelTitle->setText(title); };
        m_webView->onHistoryChanged = [this](bool back, bool forward) {
            m_buttonBack->setEnabled(back);
            m_buttonForward->setEnabled(forward);
        };
        PreviewView* view = m_webView.get();
        connect(m_buttonBack, &QToolButton::clicked, this, [view] { view->back(); });
        connect(m_buttonForward, &QToolButton::clicked, this, [view] { view->forward(); });
        // The view takes the place of the stretch that held the room for it.
        delete m_previewLayout->takeAt(m_previewLayout->count() - 1);
        m_previewLayout->addWidget(m_webView->widget(), 1);
    }
    return m_webView.get();
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
    m_actionMark = file->addAction(QStringLiteral("Mark for Upload"));
    m_actionUnmark = file->addAction(QStringLiteral("Unmark for Upload"));
    m_actionUpload = file->addAction(tr("&Upload..."));
    m_actionUpload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    m_actionUpload->setToolTip(tr("Upload the changed files of this site"));
    file->addSeparator();
    m_actionQuit = file->addAction(tr("&Quit"));
    m_actionQuit->setShortcut(QKeySequence::Quit);
    m_actionQuit->setMenuRole(QAction::QuitRole);

    m_buttonUpload->setDefaultAction(m_actionUpload);
    m_buttonUpload->setText(tr("Upload"));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    m_actionIndent = edit->addAction(tr("Indent"));
    m_actionIndent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    m_actionOutdent = edit->addAction(tr("Outdent"));
    m_actionOutdent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    buildFindAndSpellingMenus(edit);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    m_menuReopen = view->addMenu(tr("&Reopen with Encoding"));
    m_menuSaveAs = view->addMenu(tr("&Save with Encoding"));
    // Filled when first opened: asking which converters exist loads them,
    // which start-up need not wait for.
    connect(view, &QMenu::aboutToShow, this, &MainWindow::fillEncodingMenus);
}

void MainWindow::buildFindAndSpellingMenus(QMenu* edit) {
    // Find goes above Indent and Outdent, the spelling switch below them.
    QAction* before = m_actionIndent;
    auto* find = new QMenu(tr("&Find"), edit);
    edit->insertMenu(before, find);
    edit->insertSeparator(before);
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
    edit->addSeparator();
    m_actionSpellChecking = edit->addAction(tr("Check &Spelling While Typing"));
    m_actionSpellChecking->setCheckable(true);
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

} // namespace morvane
