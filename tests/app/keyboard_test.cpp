// The window without a mouse: walking the tree keeps the focus in it, keys
// move the focus between the panes and tabs, the pop-ups change only when
// the user commits, the focus comes back after commands and dialogs, and
// unsaved edits are shown.
#include "sitefixture.h"

#include "app/filechangebar.h"
#include "app/focuscontroller.h"
#include "editor/findbar.h"
#include "qtprinters.h"
#include "tree/renamedelegate.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace morvane;
using namespace morvane::test;

namespace {

class KeyboardTest : public SiteFixture {
protected:
    void addFiles() override {
        writeFile(site + "/c.html", "<p>c</p>\n");
        writeFile(site + "/dir/x.html", "<p>x</p>\n");
    }
    void SetUp() override {
        SiteFixture::SetUp();
        w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    }

    MainWindow& w() { return *app->window(); }
    QTreeView* tree() { return w().outlineView(); }
    QWidget* focus() const { return QApplication::focusWidget(); }
    QModelIndex row(const QString& rel) {
        return static_cast<FileTreeModel*>(tree()->model())->indexForPath(at(rel));
    }
    void click(const QString& rel, bool twice = false) {
        const QPoint p = tree()->visualRect(row(rel)).center();
        ASSERT_FALSE(p.isNull());
        if (twice)
            QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, p);
        else
            QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, p);
    }
    // Keys go where a user's keys go: to the focused control.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) {
        ASSERT_NE(focus(), nullptr);
        QTest::keyClick(focus(), k, mods);
    }
    void focusTree() {
        tree()->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(waitUntil([this] { return focus() == tree(); }));
    }
    QString readFile(const QString& rel) {
        QFile f(at(rel));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    FocusController::Pane pane() { return app->focus()->currentPane(); }
    // Return in a pop-up's open list. The offscreen platform leaves the
    // closed list the active window, which a desktop never does: the main
    // window is made active again, as there.
    void choose(QWidget* list) {
        QTest::keyClick(list, Qt::Key_Return);
        w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    }
};

TEST_F(KeyboardTest, ChoosingARowInTheTreeShowsItsFileAndKeepsTheFocusThere) {
    const struct {
        const char* how;
        std::function<void()> choose;
        QString shown;
    } cases[] = {
        {"click on a file", [this] { click("b.html"); }, "b.html"},
        {"arrow down", [this] { key(Qt::Key_Down); }, "b.html"},
        {"arrow up", [this] { key(Qt::Key_Up); }, "a.html"}, // the folder row
        {"click on a folder", [this] { click("dir"); }, "a.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        selectPath("a.html");
        focusTree();
        c.choose();
        EXPECT_EQ(focus(), tree());
        EXPECT_EQ(currentName(), c.shown);
    }
}

TEST_F(KeyboardTest, TheTreesSelectedRowShowsWhetherTheTreeHasTheFocus) {
    selectPath("a.html");
    const QColor full = QApplication::palette(tree()).color(QPalette::Active, QPalette::Highlight);
    const struct {
        const char* where;
        std::function<QWidget*()> control;
        bool full;
    } cases[] = {
        {"tree", [this]() -> QWidget* { return tree(); }, true},
        {"text", [this]() -> QWidget* { return editor(); }, false},
        {"sites pop-up", [this]() -> QWidget* { return w().popupSites(); }, false},
        {"tree again", [this]() -> QWidget* { return tree(); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        QWidget* control = c.control();
        control->setFocus();
        ASSERT_TRUE(waitUntil([&] { return focus() == control; }));
        EXPECT_EQ(tree()->palette().color(QPalette::Active, QPalette::Highlight) == full, c.full);
    }
}

TEST_F(KeyboardTest, F2AfterAClickRenamesTheClickedRowAndNeverTypesIntoTheText) {
    selectPath("c.html");
    typeAtEnd("edit");
    click("a.html");
    EXPECT_EQ(readFile("c.html"), "<p>c</p>\nedit"); // saved as the focus left
    key(Qt::Key_F2);
    QLineEdit* field = app->outline()->renameDelegate()->editor();
    ASSERT_NE(field, nullptr);
    ASSERT_EQ(focus(), field);
    typeInto(field, "renamed.html");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(QFileInfo::exists(at("a.html")));
    EXPECT_EQ(readFile("renamed.html"), "<p>a</p>\n");
    EXPECT_EQ(readFile("c.html"), "<p>c</p>\nedit");
    EXPECT_EQ(focus(), tree());
}

TEST_F(KeyboardTest, DeleteAfterAClickOffersToTrashTheClickedRow) {
    selectPath("c.html");
    click("b.html");
    RecordingPlatform::current().queueAnswer(0); // Cancel
    key(Qt::Key_Delete);
    EXPECT_EQ(alertTitles(), QStringList{"Move \"b.html\" to trash?"});
    EXPECT_EQ(readFile("c.html"), "<p>c</p>\n");
}

TEST_F(KeyboardTest, ReturnDoubleClickAndCtrlDownMoveTheFocusIntoTheText) {
    const struct {
        const char* how;
        std::function<void()> go;
    } cases[] = {
        {"Return", [this] { key(Qt::Key_Return); }},
        {"Enter", [this] { key(Qt::Key_Enter, Qt::KeypadModifier); }},
        {"Ctrl+Down", [this] { key(Qt::Key_Down, Qt::ControlModifier); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        selectPath("a.html");
        click("b.html");
        ASSERT_EQ(focus(), tree());
        c.go();
        EXPECT_EQ(currentName(), "b.html");
        EXPECT_EQ(focus(), editor());
    }
    {
        SCOPED_TRACE("double click");
        selectPath("a.html");
        focusTree();
        click("b.html"); // a double click's first press chooses the row
        ASSERT_EQ(focus(), tree());
        click("b.html", true);
        EXPECT_EQ(currentName(), "b.html");
        EXPECT_EQ(focus(), editor());
    }
}

TEST_F(KeyboardTest, ReturnOnAFolderOpensAndClosesIt) {
    click("dir");
    ASSERT_FALSE(tree()->isExpanded(row("dir")));
    key(Qt::Key_Return);
    EXPECT_TRUE(tree()->isExpanded(row("dir")));
    key(Qt::Key_Return);
    EXPECT_FALSE(tree()->isExpanded(row("dir")));
    EXPECT_EQ(focus(), tree());
}

TEST_F(KeyboardTest, F6AndShiftF6CycleTreeTextAndOpenFindBar) {
    using P = FocusController::Pane;
    const struct {
        const char* name;
        bool findBarOpen;
        Qt::KeyboardModifiers mods;
        std::vector<P> walk;
    } cases[] = {
        {"bar closed, F6", false, {}, {P::Document, P::Outline, P::Document}},
        {"bar closed, Shift+F6", false, Qt::ShiftModifier, {P::Document, P::Outline}},
        {"bar open, F6", true, {}, {P::Document, P::FindBar, P::Outline}},
        {"bar open, Shift+F6", true, Qt::ShiftModifier, {P::FindBar, P::Document, P::Outline}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        selectPath("a.html");
        if (c.findBarOpen)
            w().actionFind()->trigger();
        else
            w().findBar()->hide();
        focusTree();
        ASSERT_EQ(pane(), P::Outline);
        for (P expected : c.walk) {
            key(Qt::Key_F6, c.mods);
            EXPECT_EQ(pane(), expected);
        }
    }
    // The document pane's control is the text itself, the bar's its field.
    w().actionFind()->trigger();
    focusTree();
    key(Qt::Key_F6);
    EXPECT_EQ(focus(), editor());
    key(Qt::Key_F6);
    EXPECT_EQ(focus(), w().findBar()->findField());
}

TEST_F(KeyboardTest, CtrlPageKeysSwitchTabsFromAnywhere) {
    const struct {
        const char* from;
        Qt::Key key;
    } cases[] = {
        {"tree", Qt::Key_PageDown},
        {"tree", Qt::Key_PageUp},
        {"text", Qt::Key_PageDown},
        {"sites pop-up", Qt::Key_PageUp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + (c.key == Qt::Key_PageUp ? " PgUp" : " PgDown"));
        selectPath("a.html");
        QTabWidget* tabs = w().tabView();
        tabs->setCurrentIndex(0);
        QWidget* start = QString(c.from) == "tree"   ? static_cast<QWidget*>(tree())
                         : QString(c.from) == "text" ? static_cast<QWidget*>(editor())
                                                     : w().popupSites();
        start->setFocus();
        ASSERT_TRUE(waitUntil([&] { return focus() == start; }));
        key(c.key, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), 1);
        // Outside the document pane the focus stays where it was.
        if (start != editor()) {
            EXPECT_EQ(focus(), start);
        }
        key(c.key, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), 0);
        EXPECT_EQ(app->openFiles()->currentFile()->editMode, true);
        if (start != editor()) {
            EXPECT_EQ(focus(), start);
        }
        EXPECT_EQ(app->currentSite(), "One");
    }
}

TEST_F(KeyboardTest, EscapeInTheTextWithNothingToCloseChangesNothing) {
    selectPath("a.html");
    typeAtEnd("x");
    QTextCursor c = editor()->textCursor();
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    editor()->setTextCursor(c);
    const QString text = editor()->toPlainText();
    key(Qt::Key_Escape);
    EXPECT_EQ(editor()->toPlainText(), text);
    EXPECT_EQ(editor()->textCursor().selectedText(), c.selectedText());
    EXPECT_EQ(focus(), editor());
    EXPECT_EQ(w().tabView()->currentIndex(), 0);
    EXPECT_EQ(currentName(), "a.html");
}

TEST_F(KeyboardTest, BareKeysOnThePopUpsOpenTheListAndChangeNothing) {
    selectPath("b.html");
    selectPath("a.html");
    const struct {
        Qt::Key key;
        const char* text;
    } keys[] = {{Qt::Key_Down, ""}, {Qt::Key_Up, ""}, {Qt::Key_PageDown, ""}, {Qt::Key_End, ""},
                {Qt::Key_Home, ""}, {Qt::Key_T, "T"}, {Qt::Key_N, "N"},       {Qt::Key_B, "b"}};
    for (QComboBox* popup : {w().popupSites(), w().popupOpenFiles()}) {
        for (const auto& k : keys) {
            SCOPED_TRACE(popup->objectName().toStdString() + " " + std::to_string(k.key));
            popup->setFocus();
            ASSERT_TRUE(waitUntil([&] { return focus() == popup; }));
            if (*k.text)
                QTest::sendKeyEvent(QTest::Click, popup, k.key, QString::fromLatin1(k.text),
                                    Qt::NoModifier);
            else
                QTest::keyClick(popup, k.key);
            EXPECT_EQ(app->currentSite(), "One");
            EXPECT_EQ(siteDialogRuns, 0);
            EXPECT_EQ(currentName(), "a.html");
            EXPECT_TRUE(popup->view()->isVisible());
            popup->hidePopup();
        }
    }
    // The mouse wheel passing over them changes nothing either.
    for (QComboBox* popup : {w().popupSites(), w().popupOpenFiles()}) {
        QWheelEvent wheel(QPointF(5, 5), popup->mapToGlobal(QPointF(5, 5)), {}, {0, -120},
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(popup, &wheel);
    }
    EXPECT_EQ(app->currentSite(), "One");
    EXPECT_EQ(currentName(), "a.html");
}

TEST_F(KeyboardTest, ReturnInAPopUpsListChoosesAndTheFocusGoesOnToTheWork) {
    selectPath("b.html");
    selectPath("a.html");
    // Ctrl+2, Down, Return: the other file, in its text.
    QAction* chooseFile = w().findChild<QAction*>("actionPopupOpenFiles");
    ASSERT_NE(chooseFile, nullptr);
    chooseFile->trigger();
    QComboBox* files = w().popupOpenFiles();
    ASSERT_TRUE(files->view()->isVisible());
    QTest::keyClick(files->view(), Qt::Key_Down);
    choose(files->view());
    EXPECT_TRUE(waitUntil([&] { return focus() == editor() && currentName() == "b.html"; }));

    // Ctrl+2, Return on the file already shown: back in its text all the same.
    chooseFile->trigger();
    choose(files->view());
    EXPECT_TRUE(waitUntil([&] { return focus() == editor() && currentName() == "b.html"; }));

    // Ctrl+1, Down, Return: the other site, with the focus in its tree.
    w().findChild<QAction*>("actionPopupSites")->trigger();
    QComboBox* sites = w().popupSites();
    ASSERT_TRUE(sites->view()->isVisible());
    QTest::keyClick(sites->view(), Qt::Key_Down);
    choose(sites->view());
    EXPECT_EQ(app->currentSite(), "Two");
    EXPECT_TRUE(waitUntil([&] { return focus() == tree(); }));
}

TEST_F(KeyboardTest, TheFocusComesBackAfterCommandsAndDialogs) {
    const struct {
        const char* what;
        std::function<QWidget*()> start;
        std::function<void()> run;
    } cases[] = {
        {"upload from the text", [this]() -> QWidget* { return editor(); },
         [this] { w().actionUpload()->trigger(); }},
        {"refresh from the text", [this]() -> QWidget* { return editor(); },
         [this] { w().actionRefresh()->trigger(); }},
        {"upload from the tree", [this]() -> QWidget* { return tree(); },
         [this] { w().actionUpload()->trigger(); }},
        {"find bar closed by Escape", [this]() -> QWidget* { return editor(); },
         [this] {
             w().actionFind()->trigger();
             key(Qt::Key_Escape);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        selectPath("a.html");
        QWidget* start = c.start();
        start->setFocus();
        ASSERT_TRUE(waitUntil([&] { return focus() == start; }));
        c.run();
        EXPECT_TRUE(waitUntil([&] { return focus() == start; }));
    }
    // The bar about a change on disk, answered from the keyboard.
    selectPath("a.html");
    FileChangeBar* bar = w().fileChangeBar();
    bar->showChoice("a.html was changed.", {"&Reload", {}}, {"&Keep Mine", {}});
    QPushButton* button = bar->findChild<QPushButton*>();
    button->setFocus();
    ASSERT_TRUE(waitUntil([&] { return focus() == button; }));
    bar->clear();
    EXPECT_TRUE(waitUntil([&] { return focus() == editor(); }));

    // A site dialog opened from the sites pop-up: the tree has the focus after.
    w().popupSites()->setFocus();
    siteDialog = [](SiteList&, QString&, bool&) { return 0; };
    Q_EMIT w().popupSites()->activated(w().popupSites()->findText("Edit..."));
    EXPECT_EQ(siteDialogRuns, 1);
    EXPECT_TRUE(waitUntil([&] { return focus() == tree(); }));
}

TEST_F(KeyboardTest, UnsavedEditsAreMarkedInThePopUpTitleAndAccessibleName) {
    selectPath("b.html");
    selectPath("a.html");
    QComboBox* files = w().popupOpenFiles();
    const auto entry = [files](const QString& name) {
        for (int i = 0; i < files->count(); ++i)
            if (files->itemText(i).endsWith(name))
                return i;
        return -1;
    };
    const struct {
        const char* step;
        std::function<void()> run;
        bool unsaved;
    } steps[] = {
        {"opened", [] {}, false},
        {"typed", [this] { typeAtEnd("x"); }, true},
        {"saved", [this] { app->actionSave(); }, false},
        {"typed again", [this] { typeAtEnd("y"); }, true},
        {"undone", [this] { editor()->undo(); }, false},
        {"typed once more", [this] { typeAtEnd("z"); }, true},
        {"another file shown (saves)", [this] { click("b.html"); }, false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.run();
        const int i = entry("a.html");
        ASSERT_GE(i, 0);
        EXPECT_EQ(files->itemText(i), s.unsaved ? "\u2022 a.html" : "a.html");
        EXPECT_EQ(files->itemData(i, Qt::AccessibleTextRole).toString(),
                  s.unsaved ? "a.html, unsaved edits" : "a.html");
        OpenFile* a = app->openFiles()->findByPath(at("a.html"));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->editor->accessibleName(),
                  s.unsaved ? "Text of a.html, unsaved edits" : "Text of a.html");
        if (currentName() == "a.html") {
            EXPECT_EQ(w().windowTitle(),
                      s.unsaved ? "\u2022 a.html \u2014 Morvane" : "a.html \u2014 Morvane");
        }
        EXPECT_EQ(files->itemText(entry("b.html")), "b.html");
    }
    EXPECT_EQ(w().windowTitle(), "b.html \u2014 Morvane");
    app->actionCloseOpenFile();
    app->actionCloseOpenFile();
    EXPECT_EQ(w().windowTitle(), "Morvane");
}

} // namespace
