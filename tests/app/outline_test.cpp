// The outline's commands as a user reaches them in the window: the context
// and gear menus, rename in place, move to the trash, the image tag, the
// upload marks that follow renames, and the server shortcuts.
#include "sitefixture.h"

#include "qtprinters.h"
#include "tree/renamedelegate.h"

#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QToolButton>

using namespace morvane;
using namespace morvane::test;

namespace {

QStringList titles(const QMenu* menu) {
    QStringList out;
    if (!menu)
        return out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QAction* actionNamed(const QMenu* menu, const QString& title) {
    for (QAction* a : menu->actions())
        if (a->text() == title)
            return a;
    return nullptr;
}

} // namespace

class OutlineTest : public SiteFixture {
protected:
    void addFiles() override {
        writeFile(site + "/c.html", "<p>c</p>\n");
        writeFile(site + "/d.html", "<p>d</p>\n");
        writeFile(site + "/dir/x.html", "<p>x</p>\n");
        writeFile(site + "/dir/sub/y.html", "<p>y</p>\n");
        QDir().mkpath(site + "/img");
        QImage image(120, 40, QImage::Format_RGB32);
        image.fill(Qt::blue);
        image.save(site + "/img/logo.png", "PNG");
        image.save(site + "/photo.JPG", "JPG");
    }
    void SetUp() override {
        SiteFixture::SetUp();
        RecordingPlatform::current().realTrash = true;
        QDir(dataHome() + "/Trash").removeRecursively();
    }
    void TearDown() override {
        RecordingPlatform::current().realTrash = false;
        SiteFixture::TearDown();
    }

    OutlineController& outline() { return *app->outline(); }
    QTreeView* view() { return app->window()->outlineView(); }
    FileSystemItem* selected() { return outline().selectedItem(); }
    QString selectedName() {
        FileSystemItem* n = selected();
        return n ? n->relativePath() : QString();
    }
    FileSystemItem* node(const QString& rel) {
        const QModelIndex i =
            app->window()->outlineView()->model()
                ? static_cast<FileTreeModel*>(view()->model())->indexForPath(at(rel))
                : QModelIndex();
        return FileTreeModel::nodeForIndex(i);
    }
    QStringList menuFor(const QString& rel, OutlineController::MenuKind kind) {
        FileSystemItem* n = rel.isEmpty() ? FileSystemItem::rootItem() : node(rel);
        std::unique_ptr<QMenu> menu(outline().menuForRow(n, kind, nullptr));
        return titles(menu.get());
    }
    QLineEdit* renameField() { return outline().renameDelegate()->editor(); }
    // Types a name into the rename field and presses Return.
    void typeName(const QString& name) {
        QLineEdit* field = renameField();
        ASSERT_NE(field, nullptr);
        field->selectAll();
        field->insert(name);
        QTest::keyClick(field, Qt::Key_Return);
    }
    QStringList recordOnDisk() {
        NeedingUploadRecord r(paths::needingUploadPath());
        r.load();
        return r.paths();
    }
    // Edits an open file that is not shown, and leaves it unsaved, as a
    // save that failed does.
    void editInPlace(OpenFile* f, const QString& text) {
        ASSERT_NE(f, nullptr);
        ASSERT_NE(f->editor, nullptr);
        QTextCursor c(f->editor->document());
        c.movePosition(QTextCursor::End);
        c.insertText(text);
        f->document->setModified(true);
    }
    void trashSelected() {
        RecordingPlatform::current().queueAnswer(1);
        outline().deleteFileOrFolder();
    }
};

TEST_F(OutlineTest, MenusHoldTheirItemsInOrderForEachKindOfRow) {
    using K = OutlineController::MenuKind;
    const QStringList edits{"New File", "New Folder", "Rename", "Delete", "-"};
    const QStringList mark{"Mark for Upload", "-"};
    const QStringList unmark{"Unmark for Upload", "-"};
    const QStringList show{"Show in File Manager"};
    const QStringList open{"Open with Default Application"};
    const QStringList site{"Open Site in File Manager"};
    const QStringList client{"Open Site in FileZilla"};
    const QStringList image{"-", "Copy <img> Tag"};

    EXPECT_EQ(menuFor("photo.JPG", K::Context), mark + edits + show + open + image);
    EXPECT_EQ(menuFor("photo.JPG", K::Gear), mark + edits + show + open + site + image);
    EXPECT_EQ(menuFor("dir", K::Context), edits + show);
    EXPECT_EQ(menuFor("", K::Context), edits + show);
    EXPECT_EQ(menuFor("", K::Gear), edits + show + site);

    // A marked file, with and without the outside client.
    app->needingUpload().mark(at("a.html"));
    EXPECT_EQ(menuFor("a.html", K::Gear), unmark + edits + show + open + site);
    outline().setHaveOutsideClient(true);
    EXPECT_EQ(menuFor("a.html", K::Gear), unmark + edits + show + open + site + client);
    EXPECT_EQ(menuFor("a.html", K::Context), unmark + edits + show + open);
    EXPECT_EQ(menuFor("dir", K::Gear), edits + show + site + client);
}

TEST_F(OutlineTest, OutsideClientIsOfferedWhenStartUpFindsIt) {
    quitAndForget();
    RecordingPlatform::current().programs = {"filezilla"};
    launch();
    RecordingPlatform::current().programs.clear();
    EXPECT_TRUE(app->haveOutsideClient());
    EXPECT_TRUE(menuFor("a.html", OutlineController::MenuKind::Gear)
                    .contains(QStringLiteral("Open Site in FileZilla")));
}

TEST_F(OutlineTest, GearFollowsTheSelectionAndHasNoMenuWithoutOne) {
    QToolButton* gear = app->window()->popupActionMenu();
    selectPath("dir");
    ASSERT_NE(gear->menu(), nullptr);
    Q_EMIT gear->menu()->aboutToShow();
    EXPECT_EQ(titles(gear->menu()).first(), QStringLiteral("New File"));
    selectPath("a.html");
    Q_EMIT gear->menu()->aboutToShow();
    EXPECT_EQ(titles(gear->menu()).first(), QStringLiteral("Mark for Upload"));
    // Choosing from it acts on the row.
    actionNamed(gear->menu(), "Mark for Upload")->trigger();
    EXPECT_TRUE(marked("a.html"));

    view()->clearSelection();
    EXPECT_EQ(gear->menu(), nullptr);
    EXPECT_FALSE(gear->isEnabled());
}

TEST_F(OutlineTest, RowMenusLeaveTheFileMenuAlone) {
    selectPath("dir");
    QToolButton* gear = app->window()->popupActionMenu();
    Q_EMIT gear->menu()->aboutToShow();
    Q_EMIT view()->customContextMenuRequested(view()->visualRect(view()->currentIndex()).center());
    EXPECT_TRUE(app->window()->actionMarkForUpload()->isVisible());
    EXPECT_TRUE(app->window()->actionUnmarkForUpload()->isVisible());
    selectPath("a.html");
    app->window()->actionMarkForUpload()->trigger();
    EXPECT_TRUE(marked("a.html"));
}

TEST_F(OutlineTest, RightClickSelectsTheRowAndEmptySpaceOpensNothing) {
    selectPath("a.html");
    const QRect b = view()->visualRect(
        static_cast<FileTreeModel*>(view()->model())->indexForNode(node("b.html")));
    Q_EMIT view()->customContextMenuRequested(b.center());
    EXPECT_EQ(selectedName(), "b.html");
    ASSERT_NE(outline().contextMenu(), nullptr);
    EXPECT_TRUE(titles(outline().contextMenu()).contains("Open with Default Application"));
    outline().contextMenu()->close();

    selectPath("a.html");
    QTest::qWait(0);
    RecordingPlatform::current().clear();
    const QPoint empty(5, view()->viewport()->height() - 2);
    QTest::mousePress(view()->viewport(), Qt::RightButton, Qt::NoModifier, empty);
    Q_EMIT view()->customContextMenuRequested(empty);
    EXPECT_EQ(outline().contextMenu(), nullptr);
    EXPECT_EQ(selectedName(), "a.html");
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
}

TEST_F(OutlineTest, F2EditsTheWholeNameInPlaceAndReturnRenames) {
    selectPath("a.html");
    OpenFile* f = app->openFiles()->currentFile();
    TextView* editorBefore = f->editor;
    view()->setFocus();
    QTest::keyClick(view(), Qt::Key_F2);
    ASSERT_NE(renameField(), nullptr);
    EXPECT_EQ(renameField()->text(), "a.html");
    EXPECT_EQ(renameField()->selectedText(), "a.html");
    typeName("renamed page.html");

    EXPECT_EQ(renameField(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(at("a.html")));
    EXPECT_EQ(readFile(at("renamed page.html")), QByteArray("<p>a</p>\n"));
    EXPECT_EQ(app->openFiles()->currentFile(), f);
    EXPECT_EQ(f->editor, editorBefore);
    EXPECT_EQ(f->path(), at("renamed page.html"));
    EXPECT_TRUE(popupTitles(app->window()->popupOpenFiles()).contains("renamed page.html"));
    EXPECT_EQ(selectedName(), "renamed page.html");
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
}

TEST_F(OutlineTest, RenamedOpenFileKeepsItsEditorUndoAndUnsavedEdits) {
    selectPath("a.html");
    OpenFile* f = app->openFiles()->currentFile();
    TextView* editorBefore = f->editor;
    typeAtEnd("typed");
    ASSERT_TRUE(f->isModified());
    ASSERT_TRUE(outline().renameRow(f->item, "b2.html"));
    EXPECT_EQ(f->editor, editorBefore);
    EXPECT_TRUE(f->isModified());
    EXPECT_TRUE(f->editor->document()->isUndoAvailable());
    EXPECT_EQ(readFile(at("b2.html")), QByteArray("<p>a</p>\n"));

    // The edits are saved under the new name; the old name never comes back.
    app->actionRefresh();
    EXPECT_FALSE(QFileInfo::exists(at("a.html")));
    EXPECT_EQ(readFile(at("b2.html")), QByteArray("<p>a</p>\ntyped"));
    EXPECT_TRUE(marked("b2.html"));
    EXPECT_FALSE(marked("a.html"));
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty())
        << alertTitles().join("|").toStdString();
}

TEST_F(OutlineTest, RefusedNamesKeepTheFieldOpenWithWhatWasTyped) {
    selectPath("a.html");
    outline().rename();
    typeName("b.html");
    ASSERT_EQ(alertTitles(), QStringList{"Can't rename \u2013 file name already exists."});
    ASSERT_NE(renameField(), nullptr);
    EXPECT_EQ(renameField()->text(), "b.html");

    RecordingPlatform::current().clear();
    typeName("dir/a.html");
    ASSERT_EQ(alertTitles(), QStringList{"Can't rename."});
    ASSERT_NE(renameField(), nullptr);
    EXPECT_EQ(renameField()->text(), "dir/a.html");
    EXPECT_FALSE(QFileInfo::exists(at("dir/a.html")));

    // Escape leaves the name as it was.
    QTest::keyClick(renameField(), Qt::Key_Escape);
    EXPECT_EQ(renameField(), nullptr);
    EXPECT_EQ(readFile(at("a.html")), QByteArray("<p>a</p>\n"));
    EXPECT_EQ(readFile(at("b.html")), QByteArray("<p>b</p>\n"));

    // An unchanged name just ends the editing.
    RecordingPlatform::current().clear();
    outline().rename();
    typeName("a.html");
    EXPECT_EQ(renameField(), nullptr);
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
}

TEST_F(OutlineTest, SiteFolderRowIsNotRenamedInPlace) {
    outline().selectItem(FileSystemItem::rootItem());
    view()->setFocus();
    QTest::keyClick(view(), Qt::Key_F2);
    EXPECT_EQ(renameField(), nullptr);
    outline().rename();
    EXPECT_EQ(renameField(), nullptr);
    EXPECT_EQ(alertTitles(), QStringList{"Can't rename."});
    EXPECT_TRUE(QFileInfo(site).isDir());
}

TEST_F(OutlineTest, RenamingAFileMovesItsMark) {
    clearMarks();
    selectPath("a.html");
    outline().rename();
    typeName("a2.html");
    EXPECT_TRUE(marked("a2.html")) << "marked even though the old name was not";
    EXPECT_FALSE(marked("a.html"));

    selectPath("a2.html");
    outline().rename();
    typeName("a3.html");
    EXPECT_EQ(recordOnDisk(), QStringList{at("a3.html")});
}

TEST_F(OutlineTest, RenamingAFolderMarksEveryFileBelowUnderItsNewPath) {
    clearMarks();
    app->needingUpload().mark(at("dir/x.html"));
    selectPath("dir/sub/y.html"); // open below the folder
    OpenFile* y = app->openFiles()->currentFile();
    selectPath("dir");
    outline().rename();
    typeName("new dir");

    const QStringList expected{at("new dir/sub/y.html"), at("new dir/x.html")};
    EXPECT_EQ(app->needingUpload().paths(), expected);
    EXPECT_EQ(recordOnDisk(), expected);
    EXPECT_EQ(y->path(), at("new dir/sub/y.html"));
    EXPECT_TRUE(view()->isExpanded(
        static_cast<FileTreeModel*>(view()->model())->indexForNode(node("new dir"))));
}

TEST_F(OutlineTest, NewFileStartsARenameAndIsMarked) {
    selectPath("dir/x.html");
    outline().newFileOrFolder(NewItemType::File);
    EXPECT_EQ(selectedName(), "untitled.html");
    ASSERT_NE(renameField(), nullptr);
    EXPECT_EQ(renameField()->text(), "untitled.html");
    typeName("news.html");
    EXPECT_TRUE(QFileInfo::exists(at("dir/news.html")));
    EXPECT_TRUE(marked("dir/news.html"));
    EXPECT_FALSE(marked("dir/untitled.html"));

    outline().newFileOrFolder(NewItemType::Folder);
    ASSERT_NE(renameField(), nullptr);
    EXPECT_EQ(renameField()->text(), "untitled folder");
}

TEST_F(OutlineTest, TrashAsksThenSelectsTheRowAfterTheNext) {
    // Rows: site, a, b, c, d, dir, img, photo.JPG
    selectPath("b.html");
    RecordingPlatform::current().queueAnswer(0);
    outline().deleteFileOrFolder();
    ASSERT_EQ(RecordingPlatform::current().alerts.size(), 1);
    const RecordedAlert& asked = RecordingPlatform::current().alerts[0];
    EXPECT_EQ(asked.title, "Move \"b.html\" to trash?");
    EXPECT_EQ(asked.buttons, (QStringList{"Cancel", "To Trash"}));
    EXPECT_TRUE(QFileInfo::exists(at("b.html")));

    trashSelected();
    EXPECT_FALSE(QFileInfo::exists(at("b.html")));
    EXPECT_TRUE(QFileInfo::exists(dataHome() + "/Trash/files/b.html"));
    EXPECT_EQ(node("b.html"), nullptr);
    EXPECT_EQ(selectedName(), "d.html"); // the row one past b's old index

    selectPath("photo.JPG"); // the last row
    trashSelected();
    EXPECT_EQ(selectedName(), "img");
}

TEST_F(OutlineTest, DeleteKeyTrashesOnlyFromTheOutline) {
    selectPath("c.html");
    // In the editor the key edits text.
    RecordingPlatform::current().queueAnswer(1);
    QTest::keyClick(editor(), Qt::Key_Delete);
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
    view()->setFocus();
    QTest::keyClick(view(), Qt::Key_Delete);
    EXPECT_EQ(alertTitles(), QStringList{"Move \"c.html\" to trash?"});
    EXPECT_FALSE(QFileInfo::exists(at("c.html")));
}

TEST_F(OutlineTest, TrashingAnEditedOpenFileSavesItIntoTheTrashAndClosesIt) {
    selectPath("a.html");
    OpenFile* f = app->openFiles()->currentFile();
    typeAtEnd("last words");
    ASSERT_TRUE(f->isModified());
    trashSelected();
    EXPECT_EQ(app->openFiles()->findByPath(at("a.html")), nullptr);
    // Nothing later writes it back.
    app->actionRefresh();
    app->actionSave();
    EXPECT_FALSE(QFileInfo::exists(at("a.html")));
    EXPECT_EQ(readFile(dataHome() + "/Trash/files/a.html"), QByteArray("<p>a</p>\nlast words"));
    EXPECT_TRUE(RecordingPlatform::current().alerts.size() == 1)
        << alertTitles().join("|").toStdString();
}

TEST_F(OutlineTest, TrashingAFolderClosesTheOpenFilesBelowIt) {
    selectPath("dir/sub/y.html");
    OpenFile* y = app->openFiles()->currentFile();
    selectPath("dir/x.html");
    editInPlace(y, "edited");
    selectPath("dir");
    trashSelected();
    EXPECT_EQ(app->openFiles()->findByPath(at("dir/x.html")), nullptr);
    EXPECT_EQ(app->openFiles()->findByPath(at("dir/sub/y.html")), nullptr);
    EXPECT_FALSE(popupTitles(app->window()->popupOpenFiles()).contains("x.html"));
    app->actionRefresh();
    EXPECT_FALSE(QFileInfo::exists(at("dir")));
    EXPECT_EQ(readFile(dataHome() + "/Trash/files/dir/sub/y.html"), QByteArray("<p>y</p>\nedited"));
}

TEST_F(OutlineTest, TrashingTheShownFileShowsTheOpenFileThePopUpNames) {
    // Rows: site, a, b, c, d, dir, img, photo.JPG. Trashing d selects the
    // folder img, which shows no file: the pane shows c, still open.
    selectPath("c.html");
    OpenFile* c = app->openFiles()->currentFile();
    selectPath("d.html");
    trashSelected();
    EXPECT_EQ(selectedName(), "img");
    ASSERT_EQ(app->openFiles()->currentFile(), c);
    EXPECT_EQ(app->window()->editorStack()->currentWidget(), c->editor);
    EXPECT_EQ(app->window()->popupOpenFiles()->currentText(), "c.html");

    // With no other file open, the pane shows nothing and the pop-up is empty.
    selectPath("c.html");
    trashSelected();
    EXPECT_EQ(app->openFiles()->currentFile(), nullptr);
    EXPECT_EQ(app->window()->editorStack()->currentWidget(), app->window()->editorPlaceholder());
    EXPECT_EQ(app->window()->popupOpenFiles()->count(), 0);
}

TEST_F(OutlineTest, FileMenuMarkCommandsAreOfferedOnlyWhereTheyChangeSomething) {
    QAction* mark = app->window()->actionMarkForUpload();
    QAction* unmark = app->window()->actionUnmarkForUpload();
    struct Step {
        const char* row;
        bool markFirst;
        bool markEnabled;
        bool unmarkEnabled;
    };
    const Step steps[] = {
        {"a.html", false, true, false}, // not marked
        {"a.html", true, false, true},  // marked
        {"b.html", false, true, false},
        {"dir", false, true, false}, // a folder: its files, none marked yet
        {"", false, true, true},     // the site folder: a.html is marked, others not
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.row);
        if (*step.row)
            selectPath(step.row);
        else
            outline().selectItem(FileSystemItem::rootItem());
        if (step.markFirst)
            mark->trigger();
        EXPECT_EQ(mark->isEnabled(), step.markEnabled);
        EXPECT_EQ(unmark->isEnabled(), step.unmarkEnabled);
    }
    // Unmarking from elsewhere (the row menu) updates the File menu too.
    selectPath("a.html");
    ASSERT_TRUE(marked("a.html"));
    outline().unmarkForUpload();
    EXPECT_TRUE(mark->isEnabled());
    EXPECT_FALSE(unmark->isEnabled());
    view()->clearSelection();
    EXPECT_FALSE(mark->isEnabled());
}

TEST_F(OutlineTest, MarkAndUnmarkActOnEverySelectedRowAndTheFilesOfFolders) {
    writeFile(at("dir/.git/HEAD"), "ref");     // excluded: never marked
    writeFile(at("dir/page.html~"), "backup"); // excluded too
    outline().actionRefresh();
    QAction* mark = app->window()->actionMarkForUpload();
    QAction* unmark = app->window()->actionUnmarkForUpload();
    auto* model = static_cast<FileTreeModel*>(view()->model());
    selectPath("b.html");
    view()->selectionModel()->select(model->indexForNode(node("dir")),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(outline().selectedItems().size(), 2);
    ASSERT_TRUE(mark->isEnabled());
    mark->trigger();
    EXPECT_TRUE(marked("b.html"));
    EXPECT_TRUE(marked("dir/x.html"));
    EXPECT_TRUE(marked("dir/sub/y.html"));
    EXPECT_FALSE(marked("dir/.git/HEAD"));
    EXPECT_FALSE(marked("dir/page.html~"));
    EXPECT_FALSE(marked("c.html")) << "only the selection";
    EXPECT_FALSE(mark->isEnabled()) << "everything selected is marked";
    ASSERT_TRUE(unmark->isEnabled());
    unmark->trigger();
    EXPECT_FALSE(marked("b.html"));
    EXPECT_FALSE(marked("dir/x.html"));
    EXPECT_FALSE(marked("dir/sub/y.html"));
}

TEST_F(OutlineTest, FailedTrashChangesNothing) {
    selectPath("a.html");
    RecordingPlatform::current().trashSucceeds = false;
    trashSelected();
    RecordingPlatform::current().trashSucceeds = true;
    EXPECT_EQ(alertTitles(), (QStringList{"Move \"a.html\" to trash?", "Can't move to trash."}));
    EXPECT_TRUE(QFileInfo::exists(at("a.html")));
    EXPECT_NE(app->openFiles()->findByPath(at("a.html")), nullptr);
    EXPECT_EQ(selectedName(), "a.html");
}

TEST_F(OutlineTest, RefreshKeepsSelectionAndExpandedFolders) {
    selectPath("dir/sub/y.html");
    FileSystemItem* y = selected();
    writeFile(at("dir/sub/a-new.html"), "n");
    writeFile(at("0-first.html"), "n");
    app->actionRefresh();
    EXPECT_EQ(selected(), y);
    EXPECT_TRUE(view()->isExpanded(
        static_cast<FileTreeModel*>(view()->model())->indexForNode(node("dir/sub"))));
    EXPECT_NE(node("dir/sub/a-new.html"), nullptr);
}

TEST_F(OutlineTest, ImageTagShowAndOpen) {
    selectPath("img/logo.png");
    outline().copyImageTag();
    EXPECT_EQ(RecordingPlatform::current().clipboard,
              "<img src='img/logo.png' width='120' height='40'>");
    outline().showInFileManager();
    EXPECT_EQ(RecordingPlatform::current().revealed, QStringList{at("img/logo.png")});
    outline().openWithDefaultApplication();
    EXPECT_EQ(RecordingPlatform::current().openedUrls,
              QList<QUrl>{QUrl::fromLocalFile(at("img/logo.png"))});
}

class ShortcutTest : public OutlineTest {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        // The fixture's current site gets a server.
        server().setValue(sitekey::server, "example.com");
        server().setValue(sitekey::username, "bob");
        server().setValue(sitekey::password, "pa$$ 'w@rd:");
        server().setValue(sitekey::serverfolder, "/www/site");
        runtime = homeDir() + "/runtime";
        QDir(runtime).removeRecursively();
        QDir().mkpath(runtime);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }
    void TearDown() override {
        qunsetenv("XDG_RUNTIME_DIR");
        OutlineTest::TearDown();
    }
    void expectNoPasswordIn(const QStringList& args) {
        for (const QString& a : args)
            EXPECT_FALSE(a.contains("w@rd")) << a.toStdString();
    }
    Site& server() { return *sitestore::find(app->sitesController()->sites(), "One"); }
    QString runtime;
};

TEST_F(ShortcutTest, FileZillaGetsTheAddressButNeverThePassword) {
    outline().openSiteInOutsideClient();
    ASSERT_EQ(RecordingPlatform::current().launched.size(), 1);
    EXPECT_EQ(RecordingPlatform::current().launched[0],
              (QStringList{"filezilla", "ftp://bob@example.com/www/site"}));
    expectNoPasswordIn(RecordingPlatform::current().launched[0]);
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());

    RecordingPlatform::current().launchSucceeds = false;
    outline().openSiteInOutsideClient();
    RecordingPlatform::current().launchSucceeds = true;
    EXPECT_EQ(alertTitles(), QStringList{"Can't launch FileZilla"});
}

TEST_F(ShortcutTest, FileManagerMountsEachServerFolderWithThePasswordOnStandardInput) {
    RecordingPlatform::current().programs = {"gio"};
    const struct {
        const char* folder;
        const char* address;
    } cases[] = {{"/", "ftp://bob@example.com"},
                 {"/www", "ftp://bob@example.com/www"},
                 {"/www/site", "ftp://bob@example.com/www/site"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        RecordingPlatform::current().clear();
        server().setValue(sitekey::serverfolder, c.folder);
        outline().openSiteInFileManager();
        ASSERT_EQ(RecordingPlatform::current().runs.size(), 1);
        const auto& run = RecordingPlatform::current().runs[0];
        EXPECT_EQ(run.command, (QStringList{"gio", "mount", c.address}));
        EXPECT_EQ(run.input, QByteArray("pa$$ 'w@rd:\n"));
        expectNoPasswordIn(run.command);
        // Not mounted where GVfs would show it here: the address is opened.
        EXPECT_EQ(RecordingPlatform::current().openedUrls, QList<QUrl>{QUrl(c.address)});
    }
    RecordingPlatform::current().programs.clear();
}

TEST_F(ShortcutTest, MountedFolderIsOnlyShown) {
    RecordingPlatform::current().programs = {"gio"};
    const QString mounted = runtime + "/gvfs/ftp:host=example.com,user=bob/www/site";
    QDir().mkpath(mounted);
    outline().openSiteInFileManager();
    EXPECT_TRUE(RecordingPlatform::current().runs.isEmpty());
    EXPECT_EQ(RecordingPlatform::current().revealed, QStringList{mounted});
    RecordingPlatform::current().programs.clear();
}

TEST_F(ShortcutTest, FailedMountIsToldAndWithoutGioTheAddressIsOpened) {
    RecordingPlatform::current().programs = {"gio"};
    RecordingPlatform::current().runSucceeds = false;
    outline().openSiteInFileManager();
    RecordingPlatform::current().runSucceeds = true;
    EXPECT_EQ(RecordingPlatform::current().beeps, 1);
    EXPECT_EQ(alertTitles(), QStringList{"Can't open the site's server folder."});
    EXPECT_TRUE(RecordingPlatform::current().openedUrls.isEmpty());

    RecordingPlatform::current().clear();
    RecordingPlatform::current().programs.clear();
    outline().openSiteInFileManager();
    EXPECT_TRUE(RecordingPlatform::current().runs.isEmpty());
    EXPECT_EQ(RecordingPlatform::current().openedUrls,
              QList<QUrl>{QUrl("ftp://bob@example.com/www/site")});
}

TEST_F(OutlineTest, ShortcutsWithoutAServerSaySo) {
    // The current site of the fixture has no server.
    outline().openSiteInOutsideClient();
    EXPECT_EQ(alertTitles(), QStringList{"This site has no usable server address."});
    EXPECT_TRUE(RecordingPlatform::current().launched.isEmpty());
}
