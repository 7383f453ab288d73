// The outline of the site folder: its selection (which opens files), the
// expansion and the selection restored at start-up, the New file and New
// folder commands, the upload marks set from its menus, and the gear and
// context menus themselves.
#pragma once

#include "tree/fileoperations.h"

#include <QObject>
#include <QStringList>

class QMenu;
class QSettings;

namespace morvane {

class FileSystemItem;
class FileTreeModel;
class MainWindow;
class OpenFilesController;
class UploadMarks;

class OutlineController : public QObject {
    Q_OBJECT
public:
    OutlineController(MainWindow& window, FileTreeModel& model, OpenFilesController& openFiles,
                      UploadMarks& marks, QObject* parent = nullptr);

    FileSystemItem* selectedItem() const;
    void selectItem(FileSystemItem* item);
    // Opens the selected file and gives its editor the focus.
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

    void newFileOrFolder(NewItemType type, NewItemName name = NewItemName::Untitled);
    void markForUpload();
    void unmarkForUpload();

    // The menu of the gear button and the outline's context menu.
    QMenu* rowMenu() const { return m_rowMenu; }

private:
    void buildRowMenu();
    void showContextMenu(const QPoint& pos);

    MainWindow& m_window;
    FileTreeModel& m_model;
    OpenFilesController& m_openFiles;
    UploadMarks& m_marks;
    QMenu* m_rowMenu = nullptr;
    bool m_inSelectionHandler = false;
};

} // namespace morvane
