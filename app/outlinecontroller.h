// The outline of the site folder: its selection (which opens files), the
// expansion and the selection restored at start-up, the commands on its rows
// (new file and folder, rename in place, move to the trash, show in and open
// with other programs, the image tag, the upload marks), the server
// shortcuts, and the gear and context menus that offer them.
#pragma once

#include "tree/fileoperations.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTreeView>

#include <functional>

class QAction;
class QModelIndex;
class QSettings;

namespace morvane {

class FileSystemItem;
class FileTreeModel;
class MainWindow;
class OpenFilesController;
class RenameDelegate;
class Site;
class UploadMarks;

class OutlineController : public QObject {
    Q_OBJECT
public:
    // `currentSite` answers which site is current (none without one); it is
    // asked when a server shortcut runs.
    OutlineController(MainWindow& window, FileTreeModel& model, OpenFilesController& openFiles,
                      UploadMarks& marks, std::function<const Site*()> currentSite,
                      QObject* parent = nullptr);

    FileSystemItem* selectedItem() const;
    // Every selected row (Shift and Ctrl select several).
    QList<FileSystemItem*> selectedItems() const;
    // The files Mark and Unmark for Upload act on: each selected file, and
    // every file inside each selected folder (excluded names aside, links
    // not followed). Full paths.
    QStringList filesForMarks() const;
    void selectItem(FileSystemItem* item);
    // Opens the selected file; its editor takes the focus unless the
    // outline has it.
    void outlineViewSelectionDidChange();

    // Whether expandPath() ends by showing and selecting the item it reached.
    enum class PathEnd { Expand, Select };
    // Walks `components` from `index` on below `node`, expanding each folder
    // whose name matches; stops at the first component no child bears.
    void expandPath(FileSystemItem* node, const QStringList& components, int index, PathEnd end);
    // Selects the item of the stored `path` key again, matched below the
    // current site folder (component 0, the site folder's name, is not
    // compared).
    void restoreSelection(QSettings& settings, const QString& siteFolderLocal);
    // Stores the selected item's path under the `path` key.
    void saveFolder();

    // A change of site: the tree is rebuilt from `rootPath`.
    void eraseOutline(const QString& rootPath);
    // Repaints the rows whose upload mark changed.
    void refreshUploadMarks();
    // Reads every listed folder, the open files and the upload marks again.
    void actionRefresh();

    // A new page or folder beside or inside the selected row; its name is
    // then edited in place (not for the first page of an empty site).
    void newFileOrFolder(NewItemType type, NewItemName name = NewItemName::Untitled);
    void markForUpload();
    void unmarkForUpload();

    // Starts editing the selected row's name in place.
    void rename();
    // Carries out a name typed into a row; false keeps the row in editing.
    bool renameRow(FileSystemItem* node, const QString& name);
    // Asks, then moves the selected row's file or folder to the trash.
    void deleteFileOrFolder();
    void showInFileManager();
    void openWithDefaultApplication();
    void copyImageTag();

    // The server shortcuts of the gear menu, for the current site.
    void openSiteInFileManager();
    void openSiteInOutsideClient();

    // Whether the outside FTP client is installed (decided at start-up).
    void setHaveOutsideClient(bool have) { m_haveClient = have; }

    // A new menu of the commands for one row, as the gear button (`gear`)
    // or the context menu shows it. Null for no row.
    enum class MenuKind { Context, Gear };
    QMenu* menuForRow(FileSystemItem* node, MenuKind kind, QWidget* parent);
    // The context menu last opened (until it closes).
    QMenu* contextMenu() const { return m_contextMenu; }
    RenameDelegate* renameDelegate() const { return m_delegate; }
    // The outline rows from the top, as a user counts them: -1 for none.
    int visualRow(FileSystemItem* node) const;
    FileSystemItem* nodeAtVisualRow(int row) const;
    int visualRowCount() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpRowCommands();
    void showContextMenu(const QPoint& pos);
    void updateGearMenu();
    // File > Mark for Upload and Unmark for Upload are offered only where
    // they would change something.
    void updateMarkCommands();
    void fillGearMenu();
    QString showableFolder(const QString& mounted) const;

    MainWindow& m_window;
    FileTreeModel& m_model;
    OpenFilesController& m_openFiles;
    UploadMarks& m_marks;
    RenameDelegate* m_delegate = nullptr;
    // The widgets the mark commands use, kept from the start: the record's
    // signal may come while the window is being torn down (the editor saves
    // as it loses the focus), when the window's own accessors are gone.
    QPointer<QTreeView> m_outlineView;
    QPointer<QAction> m_markAction;
    QPointer<QAction> m_unmarkAction;
    QMenu* m_gearMenu = nullptr;
    QPointer<QMenu> m_contextMenu;
    QAction* m_outlineRename = nullptr;
    QAction* m_outlineDelete = nullptr;
    std::function<const Site*()> m_site;
    bool m_haveClient = false;
    bool m_inSelectionHandler = false;
};

} // namespace morvane
